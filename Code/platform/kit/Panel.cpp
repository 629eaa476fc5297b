#include "platform/kit/Panel.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace kit {

namespace {
std::optional<bool> placesForTesting;
}

Panel::Panel(const QRectF& contentRect, unsigned styleMask)
    : Window(contentRect, styleMask), canBecomeKey_((styleMask & Titled) != 0) {
    if (styleMask & NonactivatingPanel) widget()->setAttribute(Qt::WA_ShowWithoutActivating);
    applyFlags();
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
            &Panel::applicationStateChanged);
}

void Panel::setCanBecomeKeyWindow(bool can) {
    if (can == canBecomeKey_) return;
    canBecomeKey_ = can;
    applyFlags();
}

void Panel::setFloatingPanel(bool floating) {
    if (floating == floating_) return;
    floating_ = floating;
    applyFlags();
}

void Panel::setHidesOnDeactivate(bool hides) {
    hidesOnDeactivate_ = hides;
    if (!hides) hiddenByDeactivation_ = false;
}

void Panel::setHasShadow(bool shadow) {
    if (shadow == shadow_) return;
    shadow_ = shadow;
    applyFlags();
}

void Panel::setParentWindow(Window* parent) {
    if (parent == this) parent = nullptr;
    if (parent == parent_) return;
    parent_ = parent;
    applyFlags();
}

bool Panel::desktopPlacesWindows() {
    if (placesForTesting) return *placesForTesting;
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void Panel::setDesktopPlacesWindowsForTesting(std::optional<bool> places) {
    placesForTesting = places;
}

void Panel::applyFlags() {
    QWidget* w = widget();
    Qt::WindowFlags flags = floating_ ? (Qt::Tool | Qt::WindowStaysOnTopHint) : Qt::Window;
    // A popup is placed relative to its parent by the desktop itself; one that
    // may become key takes the keyboard while it is up.
    const bool popup = parent_ && !desktopPlacesWindows();
    if (popup) flags = canBecomeKey_ ? Qt::Popup : Qt::ToolTip;
    if (!(styleMask() & Titled)) flags |= Qt::FramelessWindowHint;
    if (!shadow_) flags |= Qt::NoDropShadowWindowHint;
    // A panel that must not become key must not take the keyboard either.
    if (!canBecomeKey_ || (styleMask() & NonactivatingPanel)) flags |= Qt::WindowDoesNotAcceptFocus;
    // The flags are set before the transient parent: setting them makes a new
    // native window.
    const auto attach = [&] {
        if (!popup) return;
        parent_->widget()->winId();
        w->winId();
        if (QWindow* handle = w->windowHandle())
            handle->setTransientParent(parent_->widget()->windowHandle());
    };
    if (flags == w->windowFlags()) {
        attach();
        return;
    }
    const bool visible = w->isVisible();
    const QRect geometry = w->geometry();
    w->setWindowFlags(flags);  // hides the widget
    w->setGeometry(geometry);
    attach();
    if (visible) w->show();
}

void Panel::applicationStateChanged(Qt::ApplicationState state) {
    if (state == Qt::ApplicationActive) {
        if (hiddenByDeactivation_) {
            hiddenByDeactivation_ = false;
            orderFront();
        }
        return;
    }
    if (hidesOnDeactivate_ && isVisible()) {
        hiddenByDeactivation_ = true;
        orderOut();
    }
}

}  // namespace kit
