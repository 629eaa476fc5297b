#include "platform/kit/Window.h"

#include "platform/foundation/Defaults.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Action.h"
#include "platform/kit/Application.h"
#include "platform/kit/Color.h"
#include "platform/kit/ContextMenu.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/ModalSession.h"
#include "platform/kit/Perform.h"
#include "platform/kit/Screen.h"
#include "platform/kit/Toolbar.h"
#include "platform/kit/TrackingArea.h"
#include "platform/kit/View.h"
#include "platform/kit/ViewAnimation.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <functional>

namespace kit {

// The top-level widget of a window: passes its size, moves, keys, activation and
// the pointer's leaving on to the window.
class WindowWidget final : public QWidget {
public:
    explicit WindowWidget(Window* w, Qt::WindowFlags flags) : QWidget(nullptr, flags), window_(w) {
        setFocusPolicy(Qt::StrongFocus);
        setMouseTracking(true);
    }
    Window* kitWindow() const { return window_; }

protected:
    void resizeEvent(QResizeEvent* e) override { window_->widgetResized(e->size()); }
    void moveEvent(QMoveEvent*) override { window_->widgetMoved(); }
    void keyPressEvent(QKeyEvent* e) override {
        Application::shared().handleQtKeyEvent(nullptr, e, window_);
    }
    void keyReleaseEvent(QKeyEvent* e) override {
        Application::shared().handleQtKeyEvent(nullptr, e, window_);
    }
    void leaveEvent(QEvent*) override { window_->mouseLeftWindow(); }
    void closeEvent(QCloseEvent* e) override {
        // Closing hides the window; its owner decides when it goes away.
        e->ignore();
        window_->performClose(nullptr);
    }
    void changeEvent(QEvent* e) override {
        if (e->type() == QEvent::ActivationChange) {
            if (isActiveWindow() && window_->canBecomeKeyWindow())
                Application::shared().setKeyWindow(window_);
            else if (Application::shared().keyWindow() == window_)
                Application::shared().setKeyWindow(nullptr);
        }
        QWidget::changeEvent(e);
    }
    void paintEvent(QPaintEvent*) override {
        if (window_->background_.alpha() == 0) return;
        QPainter p(this);
        p.fillRect(rect(), window_->background_);
    }

private:
    Window* window_;
};

namespace {

// Every view of a hierarchy, parents before children.
void eachView(View* root, const std::function<void(View*)>& fn) {
    if (!root) return;
    fn(root);
    const auto subs = root->subviews();
    for (View* v : subs) eachView(v, fn);
}

// The offscreen platform of the tests has no stacking or window opacity.
bool offscreen() {
    return QGuiApplication::platformName() == QLatin1String("offscreen");
}

QRect qtGeometry(const QRectF& frame) {
    const QRectF q = Screen::toQtRect(frame);
    return QRect(int(std::floor(q.x())), int(std::floor(q.y())), int(std::ceil(q.width())),
                 int(std::ceil(q.height())));
}

}  // namespace

Window::Window(const QRectF& contentRect, unsigned styleMask)
    : styleMask_(styleMask), frame_(contentRect), background_(Color::white(0.93)) {
    Qt::WindowFlags flags = Qt::Window;
    if (styleMask == Borderless) flags |= Qt::FramelessWindowHint;
    widget_ = new WindowWidget(this, flags);
    widget_->setAttribute(Qt::WA_DeleteOnClose, false);
    liveResizeTimer_ = new QTimer(this);
    liveResizeTimer_->setSingleShot(true);
    connect(liveResizeTimer_, &QTimer::timeout, this, [this] { endLiveResize(); });
    settingGeometry_ = true;
    widget_->setGeometry(qtGeometry(frame_));
    settingGeometry_ = false;
    expectedSize_ = widget_->size();
    Application::shared().registerWindow(this);
    setContentView(new View(QRectF(0, 0, contentRect.width(), contentRect.height())));
}

Window::~Window() {
    Application::shared().unregisterWindow(this);
    QWidget* w = widget_;
    widget_ = nullptr;
    contentView_ = nullptr;
    delete w;
}

Window* Window::forWidget(const QWidget* widget) {
    auto* ww = dynamic_cast<const WindowWidget*>(widget);
    return ww ? ww->kitWindow() : nullptr;
}

QWidget* Window::widget() const {
    return widget_;
}

View* Window::setContentView(View* view) {
    foundation::requireMainThread("Window::setContentView");
    View* old = contentView_;
    if (view == old) return nullptr;
    if (old) {
        viewWillLeave(old);
        old->showWidget(false);
        old->setParentWidget(nullptr);
        old->notifyMovedToWindow();
    }
    contentView_ = view;
    if (view) {
        if (view->superview()) view->removeFromSuperview();
        view->setParentWidget(widget_);
        view->setAutoresizingMask(View::WidthSizable | View::HeightSizable);
        layoutContentView();
        view->syncGeometry();
        if (!view->isHidden()) view->showWidget(true);
        view->notifyMovedToWindow();
    }
    geometryChanged();
    return old;
}

void Window::layoutContentView() {
    barsHeight_ = layoutBars();
    if (!contentView_) return;
    contentView_->setFrame(contentRect());
    contentView_->syncGeometry();
}

QRectF Window::contentRect() const {
    return QRectF(0, 0, frame_.width(), std::max(0.0, frame_.height() - barsHeight_));
}

// -- Geometry

void Window::setFrame(const QRectF& frame, bool display) {
    foundation::requireMainThread("Window::setFrame");
    const QSizeF size(std::clamp(frame.width(), minSize_.width(), maxSize_.width()),
                      std::clamp(frame.height(), minSize_.height(), maxSize_.height()));
    const QRectF f(frame.topLeft(), size);
    if (equalRects(f, frame_)) return;
    const bool moved = !equalPoints(f.topLeft(), frame_.topLeft());
    const bool resized = !equalSizes(f.size(), frame_.size());
    frame_ = f;
    settingGeometry_ = true;
    widget_->setGeometry(qtGeometry(frame_));
    settingGeometry_ = false;
    expectedSize_ = widget_->size();
    layoutContentView();
    if (display && widget_->isVisible()) widget_->repaint();
    frameDidChange(moved, resized);
}

void Window::setFrameOrigin(const QPointF& origin) {
    setFrame(QRectF(origin, frame_.size()));
}

void Window::setContentSize(const QSizeF& size) {
    // Keep the top edge where it is, as resizing a window does.
    setFrame(QRectF(frame_.x(), frame_.y() + frame_.height() - size.height(), size.width(),
                    size.height()));
}

void Window::setMinSize(const QSizeF& size) {
    minSize_ = size;
    widget_->setMinimumSize(int(std::ceil(size.width())), int(std::ceil(size.height())));
}

void Window::setMaxSize(const QSizeF& size) {
    maxSize_ = size;
    widget_->setMaximumSize(int(std::min(16777215.0, std::floor(size.width()))),
                            int(std::min(16777215.0, std::floor(size.height()))));
}

QPointF Window::convertPointToScreen(const QPointF& p) const {
    return p + frame_.topLeft();
}

QPointF Window::convertPointFromScreen(const QPointF& p) const {
    return p - frame_.topLeft();
}

QRectF Window::convertRectToScreen(const QRectF& r) const {
    return r.translated(frame_.topLeft());
}

QRectF Window::convertRectFromScreen(const QRectF& r) const {
    return r.translated(-frame_.topLeft());
}

void Window::widgetResized(const QSize& size) {
    if (!settingGeometry_ && size != expectedSize_ && !followsWindowSystemResizes()) {
        settingGeometry_ = true;
        widget_->setGeometry(qtGeometry(frame_));
        settingGeometry_ = false;
        expectedSize_ = widget_->size();
        layoutContentView();
        return;
    }
    if (!settingGeometry_ && size != expectedSize_) {
        // The user (or the window manager) resized the window.
        frame_ = Screen::fromQtRect(QRectF(widget_->geometry()));
        if (!inLiveResize_) beginLiveResize();
        liveResizeTimer_->start(300);
        expectedSize_ = QSize();
        layoutContentView();
        frameDidChange(false, true);
        return;
    }
    expectedSize_ = QSize();
    layoutContentView();
}

void Window::widgetMoved() {
    if (settingGeometry_) return;
    const QRectF g = Screen::fromQtRect(QRectF(widget_->geometry()));
    if (equalPoints(g.topLeft(), frame_.topLeft())) return;
    frame_.moveTo(g.topLeft());
    frameDidChange(true, false);
}

// -- Appearance and ordering

QString Window::title() const {
    return widget_->windowTitle();
}

void Window::setTitle(const QString& title) {
    foundation::requireMainThread("Window::setTitle");
    widget_->setWindowTitle(title);
}

void Window::setAlphaValue(double alpha) {
    alpha_ = std::clamp(alpha, 0.0, 1.0);
    if (!offscreen()) widget_->setWindowOpacity(alpha_);
}

void Window::setBackgroundColor(const QColor& color) {
    background_ = color;
    widget_->setAttribute(Qt::WA_TranslucentBackground, color.alpha() < 255);
    widget_->update();
}

bool Window::isVisible() const {
    return widget_ && widget_->isVisible();
}

void Window::orderFront() {
    foundation::requireMainThread("Window::orderFront");
    closed_ = false;
    widget_->show();
    if (!offscreen()) widget_->raise();
}

void Window::orderOut() {
    foundation::requireMainThread("Window::orderOut");
    widget_->hide();
    ModalSession::windowWentAway(this);
    if (Application::shared().keyWindow() == this) Application::shared().setKeyWindow(nullptr);
    if (Application::shared().mainWindow() == this) Application::shared().setMainWindow(nullptr);
}

void Window::makeKeyWindow() {
    foundation::requireMainThread("Window::makeKeyWindow");
    if (!canBecomeKeyWindow()) return;
    Application::shared().setKeyWindow(this);
    if (widget_->isVisible()) widget_->activateWindow();
}

void Window::makeKeyAndOrderFront() {
    orderFront();
    makeKeyWindow();
}

bool Window::isKeyWindow() const {
    return Application::shared().keyWindow() == this;
}

void Window::close() {
    foundation::requireMainThread("Window::close");
    if (closed_ || closing_) return;
    closing_ = true;
    QPointer<Window> alive(this);
    announce("windowWillClose", willCloseNotification());
    if (!alive) return;
    closed_ = true;
    orderOut();
    closing_ = false;
}

void Window::performClose(QObject*) {
    if (closed_ || closing_) return;
    if (delegate_ && respondsTo(delegate_, "windowShouldClose")) {
        QVariant answer;
        if ((performWithArguments(delegate_, "windowShouldClose",
                                  {QVariant::fromValue<QObject*>(this)}, &answer) ||
             performWithArguments(delegate_, "windowShouldClose", {}, &answer)) &&
            answer.isValid() && !answer.toBool())
            return;
    }
    close();
}

bool Window::isMainWindow() const {
    return Application::shared().mainWindow() == this;
}

void Window::makeMainWindow() {
    if (canBecomeMainWindow()) Application::shared().setMainWindow(this);
}

void Window::display() {
    if (widget_->isVisible()) widget_->repaint();
}

void Window::displayIfNeeded() {
    if (contentView_) contentView_->displayIfNeeded();
}

// -- Responder chain

Responder* Window::firstResponder() const {
    if (!firstResponder_ || firstResponderLife_.expired()) return const_cast<Window*>(this);
    return firstResponder_;
}

bool Window::makeFirstResponder(Responder* responder) {
    foundation::requireMainThread("Window::makeFirstResponder");
    Responder* current = firstResponder();
    if (responder == current) return true;
    if (current != this && !current->resignFirstResponder()) return false;
    firstResponder_ = nullptr;
    firstResponderLife_.reset();
    if (!responder || responder == this) {
        widget_->setFocus(Qt::OtherFocusReason);
        return true;
    }
    if (!responder->becomeFirstResponder()) {
        widget_->setFocus(Qt::OtherFocusReason);
        return false;
    }
    firstResponder_ = responder;
    firstResponderLife_ = responder->lifeToken();
    if (auto* view = dynamic_cast<View*>(responder))
        view->setFocus(Qt::OtherFocusReason);
    else
        widget_->setFocus(Qt::OtherFocusReason);
    return true;
}

// -- Events

void Window::sendEvent(const Event& event) {
    Event e = event;
    e.setWindow(this);
    Application::shared().sendEvent(e);
}

void Window::postEvent(const Event& event, bool atStart) {
    Event e = event;
    e.setWindow(this);
    Application::shared().postEvent(e, atStart);
}

std::optional<Event> Window::nextEventMatchingMask(EventMask mask, double timeout, bool dequeue) {
    return Application::shared().nextEventMatchingMask(mask, timeout, dequeue);
}

View* Window::hitView(const Event& event, View* qtTarget) const {
    // Views reached through the kit's hierarchy are hit by their float frames; a
    // view inside a plain Qt widget is taken as Qt found it.
    if (qtTarget && qtTarget->rootView() != contentView_) return qtTarget;
    return contentView_ ? contentView_->hitTest(event.locationInWindow()) : nullptr;
}

void Window::dispatchEvent(const Event& in, View* qtTarget) {
    Event e = in;
    e.setWindow(this);
    QPointer<Window> alive(this);
    switch (e.type()) {
        case EventType::LeftMouseDown:
        case EventType::RightMouseDown:
        case EventType::OtherMouseDown: {
            lastMouse_ = e.locationInWindow();
            updateTracking(e, false, nullptr);
            if (!alive) return;
            View* v = hitView(e, qtTarget);
            if (!v) return;
            if (e.eventNumber() == 0) e.setEventNumber(Application::shared().nextEventNumber());
            downEventNumber_ = e.eventNumber();
            if (!isKeyWindow() && canBecomeKeyWindow()) {
                makeKeyWindow();
                // A click into a window that was not key only brings it forward,
                // unless the view takes first clicks. Clicks from the window
                // system always act: it has activated the window on the press.
                if (!qtTarget && !v->acceptsFirstMouse(e)) return;
            }
            if (e.type() == EventType::LeftMouseDown) {
                downView_ = v;
                if (v->acceptsFirstResponder()) makeFirstResponder(v);
                if (e.hasModifier(ModifierFlags::Control)) {
                    if (QMenu* m = v->menuForEvent(e)) {
                        downView_ = nullptr;
                        ContextMenu::popUp(m, e, v);
                        return;
                    }
                }
                v->mouseDown(e);
            } else if (e.type() == EventType::RightMouseDown) {
                rightDownView_ = v;
                v->rightMouseDown(e);
            } else {
                otherDownView_ = v;
                v->otherMouseDown(e);
            }
            break;
        }
        case EventType::LeftMouseDragged:
        case EventType::RightMouseDragged:
        case EventType::OtherMouseDragged: {
            lastMouse_ = e.locationInWindow();
            if (e.eventNumber() == 0) e.setEventNumber(downEventNumber_);
            updateTracking(e, true, nullptr);
            if (!alive) return;
            if (e.type() == EventType::LeftMouseDragged) {
                if (View* v = downView_) v->mouseDragged(e);
            } else if (e.type() == EventType::RightMouseDragged) {
                if (View* v = rightDownView_) v->rightMouseDragged(e);
            } else if (View* v = otherDownView_) {
                v->otherMouseDragged(e);
            }
            break;
        }
        case EventType::LeftMouseUp:
        case EventType::RightMouseUp:
        case EventType::OtherMouseUp: {
            lastMouse_ = e.locationInWindow();
            if (e.eventNumber() == 0) e.setEventNumber(downEventNumber_);
            QPointer<View>& slot = e.type() == EventType::LeftMouseUp    ? downView_
                                   : e.type() == EventType::RightMouseUp ? rightDownView_
                                                                         : otherDownView_;
            View* v = slot;
            slot = nullptr;
            if (v) {
                if (e.type() == EventType::LeftMouseUp)
                    v->mouseUp(e);
                else if (e.type() == EventType::RightMouseUp)
                    v->rightMouseUp(e);
                else
                    v->otherMouseUp(e);
            }
            if (!alive) return;
            updateTracking(e, false, nullptr);
            if (alive) updateCursor();
            break;
        }
        case EventType::MouseMoved: {
            lastMouse_ = e.locationInWindow();
            std::vector<Responder*> movedTo;
            updateTracking(e, false, &movedTo);
            if (!alive) return;
            updateCursor();
            if (acceptsMouseMoved_) {
                Responder* r = firstResponder();
                if (std::find(movedTo.begin(), movedTo.end(), r) == movedTo.end()) r->mouseMoved(e);
            }
            break;
        }
        case EventType::MouseEntered:
        case EventType::MouseExited:
            if (auto area = e.trackingArea()) {
                if (Responder* owner = area->owner()) {
                    if (e.type() == EventType::MouseEntered)
                        owner->mouseEntered(e);
                    else
                        owner->mouseExited(e);
                }
            }
            break;
        case EventType::ScrollWheel:
        case EventType::Swipe:
        case EventType::Magnify:
        case EventType::Rotate:
        case EventType::BeginGesture:
        case EventType::EndGesture: {
            View* v = hitView(e, qtTarget);
            if (!v) return;
            switch (e.type()) {
                case EventType::ScrollWheel:
                    v->scrollWheel(e);
                    break;
                case EventType::Swipe:
                    v->swipeWithEvent(e);
                    break;
                case EventType::Magnify:
                    v->magnifyWithEvent(e);
                    break;
                case EventType::Rotate:
                    v->rotateWithEvent(e);
                    break;
                case EventType::BeginGesture:
                    v->beginGestureWithEvent(e);
                    break;
                default:
                    v->endGestureWithEvent(e);
                    break;
            }
            break;
        }
        case EventType::Gesture:
            routeTouches(hitView(e, qtTarget), e);
            break;
        case EventType::KeyDown:
            firstResponder()->keyDown(e);
            break;
        case EventType::KeyUp:
            firstResponder()->keyUp(e);
            break;
        case EventType::FlagsChanged:
            firstResponder()->flagsChanged(e);
            break;
        default:
            break;
    }
}

void Window::routeTouches(View* view, const Event& e) {
    while (view && !view->acceptsTouchEvents()) view = view->superview();
    if (!view) return;
    QPointer<View> alive(view);
    auto has = [&](unsigned phase) { return !e.touchesMatchingPhase(phase).empty(); };
    if (has(TouchPhase::Began) && alive) view->touchesBeganWithEvent(e);
    if (has(TouchPhase::Moved) && alive) view->touchesMovedWithEvent(e);
    if (has(TouchPhase::Ended) && alive) view->touchesEndedWithEvent(e);
    if (has(TouchPhase::Cancelled) && alive) view->touchesCancelledWithEvent(e);
}

void Window::updateTracking(const Event& e, bool dragging, std::vector<Responder*>* movedTo) {
    if (!contentView_) return;
    // Views whose geometry changed rebuild their areas first.
    std::vector<View*> views;
    eachView(contentView_, [&](View* v) {
        if (v->isHiddenOrHasHiddenAncestor()) return;
        views.push_back(v);
    });
    for (View* v : views) {
        if (!v->trackingDirty_) continue;
        v->trackingDirty_ = false;
        v->updateTrackingAreas();
    }
    struct Change {
        std::shared_ptr<TrackingArea> area;
        bool entered;
    };
    std::vector<Change> exits, enters;
    std::vector<std::shared_ptr<TrackingArea>> moved;
    std::map<const TrackingArea*, AreaState> seen;
    const bool key = isKeyWindow();
    const Responder* first = firstResponder();
    for (View* v : views) {
        const auto areas = v->trackingAreas();
        for (const auto& a : areas) {
            const unsigned o = a->options();
            bool active = true;
            if (o & TrackingArea::ActiveAlways)
                active = true;
            else if (o & TrackingArea::ActiveInKeyWindow)
                active = key;
            else if (o & TrackingArea::ActiveWhenFirstResponder)
                active = first == v;
            if (!active) continue;
            auto it = areaStates_.find(a.get());
            const bool known = it != areaStates_.end() && it->second.area.lock() == a;
            const bool was = known ? it->second.inside : (o & TrackingArea::AssumeInside) != 0;
            bool inside = was;
            if (!dragging || (o & TrackingArea::EnabledDuringMouseDrag)) {
                const QPointF p = v->convertPointFromView(e.locationInWindow(), nullptr);
                const QRectF visible = v->visibleRect();
                const QRectF r = (o & TrackingArea::InVisibleRect) ? visible : a->rect();
                inside = v->mouseInRect(p, r) && v->mouseInRect(p, visible);
            }
            seen[a.get()] = AreaState{a, inside};
            if (o & TrackingArea::MouseEnteredAndExited) {
                if (was && !inside) exits.push_back({a, false});
                if (!was && inside) enters.push_back({a, true});
            }
            if (inside && (o & TrackingArea::MouseMoved) && !dragging) moved.push_back(a);
        }
    }
    areaStates_ = std::move(seen);
    QPointer<Window> alive(this);
    auto send = [&](const Change& c) {
        Responder* owner = c.area->owner();
        if (!owner || !alive) return;
        Event ev =
            Event::enterExitEvent(c.entered ? EventType::MouseEntered : EventType::MouseExited,
                                  e.locationInWindow(), c.area, this);
        ev.setModifierFlags(e.modifierFlags());
        ev.setEventNumber(e.eventNumber());
        if (c.entered)
            owner->mouseEntered(ev);
        else
            owner->mouseExited(ev);
    };
    for (const Change& c : exits) send(c);
    for (const Change& c : enters) send(c);
    for (const auto& a : moved) {
        Responder* owner = a->owner();
        if (!owner || !alive) continue;
        if (movedTo) {
            if (std::find(movedTo->begin(), movedTo->end(), owner) != movedTo->end()) continue;
            movedTo->push_back(owner);
        }
        owner->mouseMoved(e);
    }
}

void Window::mouseLeftWindow() {
    // The pointer left the window: every area it was in is left.
    Event e = Event::mouseEvent(EventType::MouseMoved, QPointF(-1e9, -1e9), 0, 0, this);
    lastMouse_ = e.locationInWindow();
    updateTracking(e, false, nullptr);
}

void Window::forgetTrackingArea(const TrackingArea* area) {
    areaStates_.erase(area);
}

void Window::viewWillLeave(View* view) {
    // Areas of views that leave stop being followed, without exit events.
    eachView(view, [&](View* v) {
        for (const auto& a : v->trackingAreas()) areaStates_.erase(a.get());
    });
    if (downView_ && downView_->isDescendantOf(view)) downView_ = nullptr;
    Responder* first = firstResponder();
    if (auto* fv = dynamic_cast<View*>(first); fv && fv->isDescendantOf(view))
        makeFirstResponder(this);
    cursorRectsDirty_ = true;
}

void Window::geometryChanged() {
    cursorRectsDirty_ = true;
}

// -- Cursor rectangles

void Window::invalidateCursorRectsForView(View*) {
    cursorRectsDirty_ = true;
}

void Window::resetCursorRects() {
    cursorRectsDirty_ = false;
    eachView(contentView_, [](View* v) {
        v->discardCursorRects();
        if (!v->isHiddenOrHasHiddenAncestor()) v->resetCursorRects();
    });
}

void Window::updateCursor() {
    if (cursorRectsDirty_) resetCursorRects();
    if (!contentView_) return;
    Cursor c = Cursor::arrowCursor();
    for (View* v = contentView_->hitTest(lastMouse_); v; v = v->superview()) {
        const QPointF p = v->convertPointFromView(lastMouse_, nullptr);
        const auto& rects = v->cursorRects();
        auto it = std::find_if(rects.rbegin(), rects.rend(),
                               [&](const auto& r) { return v->mouseInRect(p, r.first); });
        if (it != rects.rend()) {
            c = it->second;
            break;
        }
    }
    setCurrentCursor(c);
}

void Window::setCurrentCursor(const Cursor& cursor) {
    cursor_ = cursor;
    widget_->setCursor(cursor.qcursor());
}

// -- Live resize

void Window::beginLiveResize() {
    if (inLiveResize_) return;
    inLiveResize_ = true;
    eachView(contentView_, [](View* v) { v->viewWillStartLiveResize(); });
}

void Window::endLiveResize() {
    if (!inLiveResize_) return;
    liveResizeTimer_->stop();
    inLiveResize_ = false;
    eachView(contentView_, [](View* v) { v->viewDidEndLiveResize(); });
}

// -- Frame changes, animation, placement

void Window::setFrameDisplayAnimate(const QRectF& frame, bool display, bool animate) {
    if (!animate || !isVisible() || equalRects(frame, frame_)) {
        setFrame(frame, display);
        return;
    }
    ViewAnimation a({ViewAnimation::Entry{this, frame_, frame}});
    a.setDuration(0.2);
    a.setAnimationBlockingMode(Animation::BlockingMode::Blocking);
    a.startAnimation();
    setFrame(frame, display);  // the exact end, whatever the steps did
}

void Window::center() {
    QRectF screen = screenFrame();
    if (screen.isEmpty()) screen = Screen::visibleFrame();
    const double x = screen.x() + (screen.width() - frame_.width()) / 2.0;
    // A little above the middle, where a window looks centred.
    const double y = screen.y() + (screen.height() - frame_.height()) * 2.0 / 3.0;
    setFrameOrigin(QPointF(std::floor(x), std::floor(y)));
}

QRectF Window::screenFrame() const {
    const QRectF qtFrame = Screen::toQtRect(frame_);
    QRectF best;
    double bestArea = 0;
    for (QScreen* s : QGuiApplication::screens()) {
        const QRectF common = qtFrame.intersected(QRectF(s->geometry()));
        const double area = common.width() * common.height();
        if (area > bestArea) {
            bestArea = area;
            best = QRectF(s->geometry());
        }
    }
    return bestArea > 0 ? Screen::fromQtRect(best) : QRectF();
}

void Window::frameDidChange(bool moved, bool resized) {
    if (!autosaveName_.isEmpty() && !restoringFrame_) saveFrameUsingName(autosaveName_);
    QPointer<Window> alive(this);
    if (resized) announce("windowDidResize", didResizeNotification());
    if (moved && alive) announce("windowDidMove", didMoveNotification());
}

// -- Frame autosave

QString Window::frameDefaultsKey(const QString& name) {
    return QStringLiteral("NSWindow Frame ") + name;
}

bool Window::setFrameAutosaveName(const QString& name) {
    autosaveName_ = name;
    if (name.isEmpty()) return false;
    if (setFrameUsingName(name)) return true;
    saveFrameUsingName(name);
    return false;
}

void Window::saveFrameUsingName(const QString& name) const {
    if (name.isEmpty()) return;
    foundation::Defaults::standard().setObject(frameDefaultsKey(name), stringFromRect(frame_));
}

bool Window::setFrameUsingName(const QString& name) {
    if (name.isEmpty()) return false;
    const QVariant saved = foundation::Defaults::standard().objectForKey(frameDefaultsKey(name));
    if (saved.typeId() != QMetaType::QString) return false;
    const QRectF r = rectFromString(saved.toString());
    // A frame that cannot be a window (garbled or zero) is not applied.
    if (r.width() < 1 || r.height() < 1) return false;
    restoringFrame_ = true;
    setFrame(r);
    restoringFrame_ = false;
    return true;
}

// -- Key and main state

void Window::keyStatusChanged(bool key) {
    if (Toolbar* t = toolbar(); key && t && t->isVisible()) t->validateVisibleItems();
    if (key)
        announce("windowDidBecomeKey", didBecomeKeyNotification());
    else
        announce("windowDidResignKey", didResignKeyNotification());
}

void Window::mainStatusChanged(bool main) {
    if (main)
        announce("windowDidBecomeMain", didBecomeMainNotification());
    else
        announce("windowDidResignMain", didResignMainNotification());
}

void Window::announce(const char* operation, const QString& notification) {
    QPointer<Window> alive(this);
    if (delegate_) Action::performWithSender(delegate_, operation, this);
    if (alive) foundation::NotificationCenter::defaultCenter().post(notification, this);
}

// -- Bars

QWidget* Window::menuBarWidget() const {
    return menuBar_;
}

void Window::setMenuBarWidget(QWidget* bar) {
    if (bar == menuBar_) return;
    if (menuBar_) menuBar_->deleteLater();
    menuBar_ = bar;
    if (bar) {
        bar->setParent(widget_);
        bar->show();
    }
    barsChanged();
}

Toolbar* Window::toolbar() const {
    return static_cast<Toolbar*>(toolbar_.data());
}

void Window::setToolbar(Toolbar* toolbar) {
    Toolbar* old = this->toolbar();
    if (old == toolbar) return;
    toolbar_ = toolbar;
    if (old) {
        old->setWindow(nullptr);
        if (old->parent() == this) old->deleteLater();
    }
    if (toolbar) {
        toolbar->setParent(this);
        toolbar->setWindow(this);
    }
    barsChanged();
}

void Window::toggleToolbarShown(QObject*) {
    if (Toolbar* t = toolbar()) t->setVisible(!t->isVisible());
}

double Window::layoutBars() {
    if (!widget_) return 0;
    const int w = widget_->width();
    int y = 0;
    if (menuBar_ && !menuBar_->isHidden()) {
        const int h = menuBar_->sizeHint().height();
        menuBar_->setGeometry(0, y, w, h);
        y += h;
    }
    Toolbar* t = toolbar();
    if (QWidget* tw = t ? t->widget() : nullptr) {
        if (t->isVisible()) {
            const int h = tw->sizeHint().height();
            tw->setGeometry(0, y, w, h);
            tw->show();
            y += h;
        } else {
            tw->hide();
        }
    }
    return y;
}

void Window::barsChanged() {
    const double before = barsHeight_;
    const double after = layoutBars();
    const double grow = after - before;
    const bool fixed = widget_->isMaximized() || widget_->isFullScreen();
    if (grow != 0 && !fixed) {
        // Keep the content's size and the window's top edge.
        const double h = std::clamp(frame_.height() + grow, minSize_.height(), maxSize_.height());
        const QRectF f(frame_.x(), frame_.y() + frame_.height() - h, frame_.width(), h);
        barsHeight_ = after;
        if (!equalRects(f, frame_)) {
            setFrame(f);
            return;
        }
    }
    layoutContentView();
}

}  // namespace kit
