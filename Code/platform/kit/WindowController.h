#pragma once

#include "platform/kit/Responder.h"

#include <QObject>
#include <QPointer>
#include <QString>

namespace kit {

class Window;

// Owns and shows one window. The window is made on first use by loadWindow (the
// place where a subclass builds it), after which windowDidLoad runs once. The
// controller follows the window in the responder chain, so operations sent
// without a target reach it. Main thread only.
class WindowController : public QObject, public Responder {
    Q_OBJECT

public:
    // Takes `window` (none: loadWindow makes it when first asked for).
    explicit WindowController(Window* window = nullptr);
    ~WindowController() override;

    Window* window();
    bool isWindowLoaded() const { return !window_.isNull(); }
    // Takes `window` and drops the one it had.
    void setWindow(Window* window);

    // Brings the window to the front as the key window (as the main window
    // when it can be one).
    Q_INVOKABLE virtual void showWindow(QObject* sender = nullptr);
    Q_INVOKABLE void close();

    QString windowFrameAutosaveName() const { return autosaveName_; }
    void setWindowFrameAutosaveName(const QString& name);

    QObject* responderObject() override { return this; }

protected:
    // Makes the window; none by default.
    virtual Window* loadWindow() { return nullptr; }
    virtual void windowDidLoad() {}

private:
    QPointer<Window> window_;
    QString autosaveName_;
    bool loading_ = false;
};

}  // namespace kit
