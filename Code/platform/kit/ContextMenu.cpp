#include "platform/kit/ContextMenu.h"

#include "platform/kit/Event.h"
#include "platform/kit/Screen.h"
#include "platform/kit/View.h"
#include "platform/kit/Window.h"

#include <QMenu>
#include <QPointer>

namespace kit {

namespace {

ContextMenu::Handler& handler() {
    static ContextMenu::Handler h;
    return h;
}

}  // namespace

void ContextMenu::popUp(QMenu* menu, const Event& event, View* view) {
    if (!menu) return;
    if (handler()) {
        // The menu opens and closes around the handler as around a real showing.
        QPointer<QMenu> alive(menu);
        emit menu->aboutToShow();
        handler()(menu, event, view);
        if (alive) emit menu->aboutToHide();
        return;
    }
    QPointF global;
    if (Window* w = event.window() ? event.window() : (view ? view->window() : nullptr))
        global = Screen::toQtPoint(w->convertPointToScreen(event.locationInWindow()));
    else if (view)
        global = view->mapToGlobal(QPointF(0, 0));
    menu->exec(global.toPoint());
}

void ContextMenu::setHandlerForTesting(Handler h) {
    handler() = std::move(h);
}

}  // namespace kit
