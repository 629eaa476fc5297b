#pragma once

namespace kit {

class Window;

// Modal loops: runModalForWindow shows a window and runs a nested event loop in
// which only that window (and the panels that work when modal) take the user's
// input, until stopModal ends it; the call then answers the code it was stopped
// with. Loops nest; stopping ends the innermost. While a loop or a sheet (see
// Sheet) holds a window back, the user's clicks, keys and wheel turns in it are
// dropped, whether they come from the window system or as the kit's own events.
// Main thread only.
class ModalSession final {
public:
    // Codes a loop ends with, besides the callers' own.
    enum Response : int { Stop = -1000, Abort = -1001, Continue = -1002, OK = 1, Cancel = 0 };

    ModalSession() = delete;

    // Makes the window key and front and returns when the loop is stopped; a
    // window that is closed, ordered out or deleted ends its loop with Abort.
    static int runModalForWindow(Window* window);
    // Ends the innermost loop with Stop, a code of the caller's, or Abort.
    // Nothing happens when no loop runs or when the innermost one has ended
    // already (its window went away): an outer loop is never ended instead.
    static void stopModal();
    static void stopModalWithCode(int code);
    static void abortModal();
    // The window of the innermost loop (null when none runs).
    static Window* modalWindow();
    static bool isRunning() { return modalWindow() != nullptr; }

    // Whether the user's input to `window` is held back now: by a loop for
    // another window (unless `window` is a panel that works when modal, or a
    // sheet of the modal window), or by a sheet attached to it.
    static bool blocksInputTo(const Window* window);
    // Starts dropping held-back input from the window system (done once).
    static void guardInput();
    // The window went off the screen: the loop running for it ends with Abort.
    static void windowWentAway(const Window* window);
};

}  // namespace kit
