#include "platform/kit/WindowController.h"

#include "platform/kit/Window.h"

namespace kit {

WindowController::WindowController(Window* window) {
    if (window) setWindow(window);
}

WindowController::~WindowController() {
    delete window_.data();
}

Window* WindowController::window() {
    if (!window_ && !loading_) {
        loading_ = true;
        Window* w = loadWindow();
        loading_ = false;
        if (w) {
            setWindow(w);
            windowDidLoad();
        }
    }
    return window_;
}

void WindowController::setWindow(Window* window) {
    if (window == window_) return;
    Window* old = window_;
    window_ = window;
    if (old) {
        old->setNextResponder(nullptr);
        old->deleteLater();
    }
    if (window) {
        window->setParent(this);
        window->setNextResponder(this);
        if (!autosaveName_.isEmpty()) window->setFrameAutosaveName(autosaveName_);
    }
}

void WindowController::showWindow(QObject*) {
    Window* w = window();
    if (!w) return;
    w->makeKeyAndOrderFront();
    w->makeMainWindow();
}

void WindowController::close() {
    if (window_) window_->close();
}

void WindowController::setWindowFrameAutosaveName(const QString& name) {
    autosaveName_ = name;
    if (window_) window_->setFrameAutosaveName(name);
}

}  // namespace kit
