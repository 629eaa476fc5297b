#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>

#include <functional>

namespace kit {

// What a menu item, toolbar item or control does when it is used: either an
// operation performed by name on a target, or a function. The operation takes
// the sender as its one argument, or no argument at all. Without a target the
// operation goes to the first object that has it, in this order: the key
// window's responder chain (first responder up to the window), the key window's
// delegate, then the same for the main window when it is another one, and last
// the application's delegate. Main thread only.
class Action final {
public:
    using Handler = std::function<void(QObject* sender)>;

    Action() = default;
    // The operation `name` on `target` (null: along the responder chain).
    Action(QObject* target, QByteArray name);
    explicit Action(Handler handler);

    bool isEmpty() const { return name_.isEmpty() && !handler_; }
    QObject* target() const { return target_; }
    void setTarget(QObject* target) { target_ = target; }
    QByteArray name() const { return name_; }
    void setName(const QByteArray& name) { name_ = name; }
    const Handler& handler() const { return handler_; }
    void setHandler(Handler handler) { handler_ = std::move(handler); }

    // The object the operation would go to now (null for a function, or when
    // nobody has the operation).
    QObject* resolvedTarget() const;
    // Performs the action with `sender`; answers whether anyone took it.
    bool send(QObject* sender) const;

    // The object that takes the operation `name`: `target` when given (whether
    // or not it has the operation), else the first along the chain above.
    static QObject* targetForAction(const char* name, QObject* target = nullptr);
    // Performs `name` with `sender` on targetForAction; false when nobody has it.
    static bool sendAction(const char* name, QObject* target, QObject* sender);
    // Performs `name` on `target` with `sender` as its argument, or with no
    // argument when the operation takes none.
    static bool performWithSender(QObject* target, const char* name, QObject* sender);

    // The last stop of operations sent without a target.
    static void setApplicationDelegate(QObject* delegate);
    static QObject* applicationDelegate();

private:
    QPointer<QObject> target_;
    QByteArray name_;
    Handler handler_;
};

}  // namespace kit
