#include "platform/foundation/MainThreadObserver.h"

#include "platform/foundation/Dispatch.h"

#include <QPointer>

namespace foundation {

MainThreadObserver::MainThreadObserver(QObject* owner, Handler handler)
    : QObject(owner), handler_(std::move(handler)) {}

MainThreadObserver* MainThreadObserver::observe(QObject* owner, const QString& name,
                                                const void* sender, Handler handler) {
    auto* observer = new MainThreadObserver(owner, std::move(handler));
    // Made here, on the main thread; the posting threads only copy it.
    const QPointer<MainThreadObserver> guard(observer);
    observer->token_ = NotificationCenter::defaultCenter().addObserver(
        observer, name, sender, [guard](const Notification& n) {
            if (isMainThread()) {
                if (guard) guard->deliver(n);
                return;
            }
            onMain([guard, n] {
                if (guard) guard->deliver(n);
            });
        });
    return observer;
}

MainThreadObserver::~MainThreadObserver() {
    stop();
}

void MainThreadObserver::stop() {
    if (!token_) return;
    NotificationCenter::defaultCenter().removeObserver(token_);
    token_ = 0;
}

void MainThreadObserver::deliver(const Notification& notification) {
    if (token_ && handler_) handler_(notification);
}

}  // namespace foundation
