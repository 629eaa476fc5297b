#include "platform/kit/ModalSession.h"

#include "platform/kit/Event.h"
#include "platform/kit/Panel.h"
#include "platform/kit/Sheet.h"
#include "platform/kit/Window.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace kit {

namespace {

struct Session {
    QPointer<Window> window;
    QEventLoop* loop = nullptr;
    int code = ModalSession::Stop;
    bool stopped = false;
};

std::vector<Session*>& sessions() {
    static std::vector<Session*> list;
    return list;
}

void stopSession(Session* s, int code) {
    if (s->stopped) return;
    s->stopped = true;
    s->code = code;
    s->loop->quit();
}

// Drops the user's input to widgets of windows that are held back.
class InputGuard final : public QObject {
public:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (!Event::isUserInput(e) || !o->isWidgetType()) return false;
        if (sessions().empty() && !Sheet::anyAttached()) return false;
        Window* w = Window::forWidget(static_cast<QWidget*>(o)->window());
        return w && ModalSession::blocksInputTo(w);
    }
};

}  // namespace

void ModalSession::guardInput() {
    static InputGuard* guard = nullptr;
    if (guard || !QCoreApplication::instance()) return;
    guard = new InputGuard;
    guard->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(guard);
}

int ModalSession::runModalForWindow(Window* window) {
    if (!window) return Abort;
    guardInput();
    Session session;
    session.window = window;
    QEventLoop loop;
    session.loop = &loop;
    sessions().push_back(&session);
    QObject::connect(window, &QObject::destroyed, &loop,
                     [&session] { stopSession(&session, Abort); });
    window->makeKeyAndOrderFront();
    if (!session.stopped) loop.exec();
    auto& list = sessions();
    list.erase(std::remove(list.begin(), list.end(), &session), list.end());
    return session.code;
}

void ModalSession::stopModalWithCode(int code) {
    auto& list = sessions();
    // Only the innermost loop: one whose window went away has ended by itself
    // and waits to unwind, and the caller meant that one, not its outer loop.
    if (!list.empty() && list.back()->window) stopSession(list.back(), code);
}

void ModalSession::windowWentAway(const Window* window) {
    for (Session* s : sessions())
        if (s->window == window) stopSession(s, Abort);
}

void ModalSession::stopModal() {
    stopModalWithCode(Stop);
}

void ModalSession::abortModal() {
    stopModalWithCode(Abort);
}

Window* ModalSession::modalWindow() {
    const auto& list = sessions();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if (!(*it)->stopped && (*it)->window) return (*it)->window;
    return nullptr;
}

bool ModalSession::blocksInputTo(const Window* window) {
    if (!window) return false;
    if (Sheet::attachedSheet(window)) return true;
    const Window* modal = modalWindow();
    if (!modal || modal == window) return false;
    if (auto* panel = dynamic_cast<const Panel*>(window); panel && panel->worksWhenModal())
        return false;
    // The modal window's own sheets work with it.
    for (const Window* p = Sheet::sheetParent(window); p; p = Sheet::sheetParent(p))
        if (p == modal) return false;
    return true;
}

}  // namespace kit
