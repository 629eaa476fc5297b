#pragma once

namespace kit {

class View;

// Batches what appears on screen: between disable() and the matching enable()
// immediate redraws (View::display) wait, so that changes made together (every
// target of one animation step) appear together; ordinary redraw requests wait
// for the event loop anyway. Calls nest. Main thread only.
class ScreenUpdates final {
public:
    ScreenUpdates() = delete;

    static void disable();
    static void enable();
    static bool areEnabled();
    // Draws `view` when updates are enabled again (used by View::display).
    static void displayWhenEnabled(View* view);
};

// Disables screen updates for the lifetime of the object.
class ScreenUpdatesDisabler final {
public:
    ScreenUpdatesDisabler() { ScreenUpdates::disable(); }
    ~ScreenUpdatesDisabler() { ScreenUpdates::enable(); }
    ScreenUpdatesDisabler(const ScreenUpdatesDisabler&) = delete;
    ScreenUpdatesDisabler& operator=(const ScreenUpdatesDisabler&) = delete;
};

}  // namespace kit
