#pragma once

#include "platform/foundation/NotificationCenter.h"

#include <QObject>
#include <QString>

namespace foundation {

// An observer of the default notification centre that hands each notification
// to the main thread: one posted there is delivered at once, one posted on
// another thread is queued to the main thread. It belongs to its owner (a
// QObject living on the main thread) and is removed, with any delivery still
// queued, when the owner goes. The owner's objects that touch widgets observe
// through it; nothing else hops to the main thread by hand.
class MainThreadObserver final : public QObject {
    Q_OBJECT

public:
    using Handler = NotificationCenter::Handler;

    // Registers `handler` for `name` (empty: every name) from `sender` (null:
    // any sender), owned by `owner`. Call on the main thread.
    static MainThreadObserver* observe(QObject* owner, const QString& name, const void* sender,
                                       Handler handler);
    ~MainThreadObserver() override;

    // Removes the registration now (deleting the observer does it too).
    void stop();

private:
    MainThreadObserver(QObject* owner, Handler handler);
    void deliver(const Notification& notification);

    Handler handler_;
    NotificationCenter::Token token_ = 0;
};

}  // namespace foundation
