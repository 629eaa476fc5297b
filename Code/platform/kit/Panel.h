#pragma once

#include "platform/kit/Window.h"

#include <QPointer>

#include <optional>

namespace kit {

// A panel: a window that serves another (popups, hovers, inspectors). It never
// becomes the main window. Panels may float above the ordinary windows, refuse
// to become key, hide while the application is inactive and show again with
// it, keep taking input while a modal loop or a sheet holds the other windows
// back, and show without activating the application. Main thread only.
class Panel : public Window {
    Q_OBJECT

public:
    // Style bits besides the window's own.
    enum PanelStyle : unsigned {
        NonactivatingPanel = 128,  // showing it does not take the focus
    };

    explicit Panel(const QRectF& contentRect = QRectF(100, 100, 300, 200),
                   unsigned styleMask = Titled | Closable);

    bool canBecomeKeyWindow() const override { return canBecomeKey_; }
    bool canBecomeMainWindow() const override { return false; }
    // Whether the panel may become key; a panel without a title bar starts
    // without.
    void setCanBecomeKeyWindow(bool can);

    bool isFloatingPanel() const { return floating_; }
    void setFloatingPanel(bool floating);
    bool hidesOnDeactivate() const { return hidesOnDeactivate_; }
    void setHidesOnDeactivate(bool hides);
    bool worksWhenModal() const { return worksWhenModal_; }
    void setWorksWhenModal(bool works) { worksWhenModal_ = works; }
    bool hasShadow() const { return shadow_; }
    void setHasShadow(bool shadow);

    // The window the panel belongs to (none by default). Where the desktop does
    // not let a window place itself, the panel is shown as a transient popup of
    // that window, so that it still appears where its frame says.
    Window* parentWindow() const { return parent_; }
    void setParentWindow(Window* parent);
    // Whether windows may place themselves on this desktop (not on Wayland);
    // tests may pretend either way, and an empty value gives the truth back.
    static bool desktopPlacesWindows();
    static void setDesktopPlacesWindowsForTesting(std::optional<bool> places);

private:
    void applyFlags();
    void applicationStateChanged(Qt::ApplicationState state);

    bool canBecomeKey_ = true;
    bool floating_ = false;
    bool hidesOnDeactivate_ = false;
    bool worksWhenModal_ = false;
    bool shadow_ = true;
    bool hiddenByDeactivation_ = false;
    QPointer<Window> parent_;
};

}  // namespace kit
