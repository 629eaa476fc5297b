#include "platform/kit/Action.h"

#include "platform/kit/Application.h"
#include "platform/kit/Perform.h"
#include "platform/kit/Responder.h"
#include "platform/kit/Window.h"

namespace kit {

namespace {

QPointer<QObject>& appDelegate() {
    static QPointer<QObject> d;
    return d;
}

// The first object of the window's chain (responders, then its delegate) that
// has the operation.
QObject* inWindow(Window* window, const char* name) {
    if (!window) return nullptr;
    for (Responder* r = window->firstResponder(); r; r = r->nextResponder()) {
        QObject* o = r->responderObject();
        if (o && respondsTo(o, name)) return o;
    }
    QObject* d = window->delegate();
    return d && respondsTo(d, name) ? d : nullptr;
}

}  // namespace

Action::Action(QObject* target, QByteArray name) : target_(target), name_(std::move(name)) {}

Action::Action(Handler handler) : handler_(std::move(handler)) {}

QObject* Action::resolvedTarget() const {
    if (handler_ || name_.isEmpty()) return nullptr;
    return targetForAction(name_.constData(), target_);
}

bool Action::send(QObject* sender) const {
    if (handler_) {
        handler_(sender);
        return true;
    }
    if (name_.isEmpty()) return false;
    return sendAction(name_.constData(), target_, sender);
}

QObject* Action::targetForAction(const char* name, QObject* target) {
    if (target) return target;
    if (!name || !*name) return nullptr;
    Application& app = Application::shared();
    if (QObject* o = inWindow(app.keyWindow(), name)) return o;
    if (app.mainWindow() != app.keyWindow())
        if (QObject* o = inWindow(app.mainWindow(), name)) return o;
    QObject* d = appDelegate();
    return d && respondsTo(d, name) ? d : nullptr;
}

bool Action::sendAction(const char* name, QObject* target, QObject* sender) {
    QObject* t = targetForAction(name, target);
    return t && performWithSender(t, name, sender);
}

bool Action::performWithSender(QObject* target, const char* name, QObject* sender) {
    if (!target) return false;
    return perform(target, name, sender) || perform(target, name);
}

void Action::setApplicationDelegate(QObject* delegate) {
    appDelegate() = delegate;
}

QObject* Action::applicationDelegate() {
    return appDelegate();
}

}  // namespace kit
