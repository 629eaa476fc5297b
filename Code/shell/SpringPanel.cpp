#include "shell/SpringPanel.h"

#include "platform/kit/Application.h"
#include "platform/kit/Color.h"
#include "platform/kit/Screen.h"
#include "platform/kit/View.h"
#include "platform/kit/ViewAnimation.h"
#include "shell/SpringPanelView.h"

namespace {

constexpr float kTopMargin = 22.0f;      // kept free at the top of the screen by left and right
constexpr double kAnchorEndRoom = 44.0;  // how far the anchor stays from an edge's ends
constexpr double kSpringDuration = 0.15;
constexpr double kMoveDuration = 0.2;

// Directions outside 1 to 4 are taken as down.
int normalized(int direction) {
    return direction >= SpringPanel::Left && direction <= SpringPanel::Down ? direction
                                                                            : SpringPanel::Down;
}

// Runs one blocking animation of the panel's frame.
void animateFrame(kit::Window* panel, const QRectF& from, const QRectF& to,
                  kit::ViewAnimation::Effect effect, double duration, kit::Animation::Curve curve) {
    kit::ViewAnimation animation({{panel, from, to, effect}});
    animation.setDuration(duration);
    animation.setAnimationCurve(curve);
    animation.setAnimationBlockingMode(kit::Animation::BlockingMode::Blocking);
    animation.startAnimation();
}

}  // namespace

SpringPanel::SpringPanel(const QRectF& contentRect, unsigned)
    : kit::Panel(contentRect, Borderless) {
    setBackgroundColor(kit::Color::clear());
    setFloatingPanel(true);
    setHasShadow(false);
    setHidesOnDeactivate(true);
    auto* view = new SpringPanelView(QRectF(0, 0, contentRect.width(), contentRect.height()));
    if (kit::View* old = setContentView(view)) old->deleteLater();
    gui_panelBG_ = view;
}

QPointF SpringPanel::anchorPointFor(int direction) const {
    const QRectF& r = referenceRect_;
    switch (normalized(direction)) {
        case Left:
            return QPointF(r.x(), r.y() + r.height() / 2);
        case Right:
            return QPointF(r.x() + r.width(), r.y() + r.height() / 2);
        case Up:
            return QPointF(r.x() + r.width() / 2, r.y() + r.height());
        default:
            return QPointF(r.x() + r.width() / 2, r.y());
    }
}

QPointF SpringPanel::anchorPoint() const {
    return anchorPointFor(actualOpeningDirection_);
}

QRectF SpringPanel::measuringScreenFrame(int direction) const {
    return kit::Screen::frameContaining(anchorPointFor(direction));
}

QPointF SpringPanel::optimalPanelPosition() {
    const int desired = normalized(desiredOpeningDirection_);
    int actual = desired;
    const QRectF screen = measuringScreenFrame(desired);
    const float x0 = float(screen.x()), y0 = float(screen.y());
    const float right = x0 + float(screen.width()), top = y0 + float(screen.height());
    const float w = float(frame().width()), h = float(frame().height());
    const float rx = float(referenceRect_.x()), ry = float(referenceRect_.y());
    const float rw = float(referenceRect_.width()), rh = float(referenceRect_.height());
    float x = 0, y = 0;

    // Left and right centre the panel on the rectangle and keep the top 22 points
    // of the screen free; that clamp wins over the one at the bottom.
    const auto sideY = [&] {
        y = ry + (rh - h) / 2;
        if (y < y0) y = y0;
        if (y + h > top - kTopMargin) y = top - h - kTopMargin;
    };
    // Up and down centre it across; the left edge wins over the right one.
    const auto acrossX = [&] {
        x = rx + (rw - w) / 2;
        if (x + w > right) x = right - w;
        if (x < x0) x = x0;
    };
    switch (desired) {
        case Left:
            x = rx - w;
            sideY();
            if (x + w > right) x = right - w;
            if (x < x0) {
                // No room on the left: the right side is taken without a test.
                actual = Right;
                x = rx + rw;
                if (x < x0) x = x0;
            }
            break;
        case Right:
            x = rx + rw;
            sideY();
            if (x + w > right && rx - w > x0) {
                actual = Left;
                x = rx - w;
                if (x + w > right) x = right - w;
            }
            if (x < x0) x = x0;
            break;
        case Up:
            acrossX();
            y = ry + rh;
            if (y < y0) y = y0;
            if (y + h > top) {
                actual = Down;
                y = ry - h;
                if (y + h > top) y = top - h;
            }
            break;
        default:
            acrossX();
            y = ry - h;
            if (y < y0 && ry + rh + h < top) {
                actual = Up;
                y = ry + rh;
                if (y < y0) y = y0;
            }
            if (y + h > top) y = top - h;
            break;
    }
    actualOpeningDirection_ = actual;
    if (SpringPanelView* view = gui_panelBG_) {
        view->setOpeningDirection(actual);
        const QPointF a = anchorPoint();
        view->setSpringOrigin(QPointF(a.x() - x, a.y() - y));
        view->setNeedsDisplay(true);
    }
    return QPointF(x, y);
}

bool SpringPanel::panelFitsScreen() const {
    const QRectF f = frame();
    const QRectF screen = measuringScreenFrame(actualOpeningDirection_);
    return f.y() + f.height() <= screen.y() + screen.height() - kTopMargin && f.x() >= screen.x();
}

bool SpringPanel::anchorPointMatchesPanelPosition(const QPointF& p) const {
    const QRectF f = frame();
    const auto alongY = [&] {
        return f.y() + kAnchorEndRoom <= p.y() && p.y() <= f.y() + f.height() - kAnchorEndRoom;
    };
    const auto alongX = [&] {
        return f.x() + kAnchorEndRoom <= p.x() && p.x() <= f.x() + f.width() - kAnchorEndRoom;
    };
    switch (normalized(actualOpeningDirection_)) {
        case Left:
            return alongY() && p.x() == f.x() + f.width();
        case Right:
            return alongY() && p.x() == f.x();
        case Up:
            return alongX() && p.y() == f.y();
        default:
            return alongX() && p.y() == f.y() + f.height();
    }
}

void SpringPanel::positionPanel() {
    setFrameOrigin(optimalPanelPosition());
}

void SpringPanel::positionPanelKeepingAnchorAnimateMove(bool keep, bool animate) {
    const QRectF f = frame();
    QPointF origin = f.topLeft();
    const QPointF a = anchorPoint();
    if (keep && anchorPointMatchesPanelPosition(a) && panelFitsScreen()) {
        // The panel stays; only the anchor slides along its edge.
        if (SpringPanelView* view = gui_panelBG_) {
            view->setSpringOrigin(a - f.topLeft());
            view->setNeedsDisplay(true);
        }
    } else {
        origin = optimalPanelPosition();
    }
    if (origin == f.topLeft()) return;
    if (animate)
        animatePanelMoveTo(origin);
    else
        setFrameOrigin(origin);
}

void SpringPanel::parentToOriginatingWindow() {
    const QPointF middle = referenceRect_.center();
    const auto shows = [&](kit::Window* w) {
        return w && w != this && w->isVisible() && w->frame().contains(middle);
    };
    kit::Application& app = kit::Application::shared();
    kit::Window* parent = nullptr;
    if (shows(app.keyWindow()))
        parent = app.keyWindow();
    else if (shows(app.mainWindow()))
        parent = app.mainWindow();
    else
        for (kit::Window* w : app.windows())
            if (shows(w)) {
                parent = w;
                break;
            }
    if (!parent && app.mainWindow() != this) parent = app.mainWindow();
    setParentWindow(parent);
}

void SpringPanel::springOpenWithFadeIn(bool fade) {
    const QPointF a = anchorPoint();
    const QRectF full = frame();
    const QRectF start(a.x(), a.y(), 1, 1);
    QPointer<SpringPanel> alive(this);
    parentToOriginatingWindow();
    display();
    if (SpringPanelView* view = gui_panelBG_) view->startSpring();
    setFrame(start, true);
    makeKeyAndOrderFront();
    sprungOpen_ = true;
    animateFrame(this, start, full,
                 fade ? kit::ViewAnimation::Effect::FadeIn : kit::ViewAnimation::Effect::None,
                 kSpringDuration, kit::Animation::Curve::Linear);
    if (!alive) return;
    if (SpringPanelView* view = gui_panelBG_) view->stopSpring();
}

void SpringPanel::springCloseWithFadeOut(bool fade) {
    if (!sprungOpen_ || isClosed()) return;
    sprungOpen_ = false;
    const QRectF full = frame();
    QPointer<SpringPanel> alive(this);
    if (isVisible()) {
        const QPointF a = anchorPoint();
        if (SpringPanelView* view = gui_panelBG_) view->startSpring();
        animateFrame(this, full, QRectF(a.x(), a.y(), 1, 1),
                     fade ? kit::ViewAnimation::Effect::FadeOut : kit::ViewAnimation::Effect::None,
                     kSpringDuration, kit::Animation::Curve::Linear);
        if (!alive) return;
        if (SpringPanelView* view = gui_panelBG_) view->stopSpring();
    }
    // Hidden with the application, it is closed all the same, so that it does
    // not come back with it.
    close();
    if (!alive) return;
    setFrame(full, false);
}

void SpringPanel::animatePanelMoveTo(const QPointF& origin) {
    const QRectF f = frame();
    animateFrame(this, f, QRectF(origin, f.size()), kit::ViewAnimation::Effect::None, kMoveDuration,
                 kit::Animation::Curve::EaseIn);
}
