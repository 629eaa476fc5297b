#pragma once

#include <functional>

class QMenu;

namespace kit {

class Event;
class View;

// Shows a view's context menu at the pointer of the event that asked for it, and
// returns when the menu closes. Tests replace the showing with a handler of their
// own, since a real menu waits for the user.
class ContextMenu final {
public:
    ContextMenu() = delete;

    static void popUp(QMenu* menu, const Event& event, View* view);

    using Handler = std::function<void(QMenu* menu, const Event& event, View* view)>;
    // Replaces the showing of menus (an empty handler restores it).
    static void setHandlerForTesting(Handler handler);
};

}  // namespace kit
