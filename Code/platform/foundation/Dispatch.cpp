#include "platform/foundation/Dispatch.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

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

}  // namespace foundation
