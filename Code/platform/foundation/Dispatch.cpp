#include "platform/foundation/Dispatch.h"

#include "platform/foundation/Log.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <cstdlib>

namespace foundation {

bool isMainThread() {
    auto* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

void onMain(std::function<void()> fn) {
    auto* app = QCoreApplication::instance();
    if (!app) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
}

void onMainAndWait(std::function<void()> fn) {
    if (isMainThread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(fn),
                              Qt::BlockingQueuedConnection);
}

void afterCurrentEvent(std::function<void()> fn) {
    // A queued call runs once control is back in the event loop, that is after
    // the event being handled now.
    onMain(std::move(fn));
}

#ifndef ZOLT_RELEASE
void requireMainThread(const char* operation) {
    // Whether this thread is the main one does not change once the application
    // object exists: asked once per thread.
    thread_local signed char known = -1;
    if (known < 0) {
        auto* app = QCoreApplication::instance();
        if (!app) return;
        known = QThread::currentThread() == app->thread() ? 1 : 0;
    }
    if (known) return;
    log(QStringLiteral("oops, %1 called off the main thread").arg(QString::fromUtf8(operation)));
    std::abort();
}
#endif

}  // namespace foundation
