#include "platform/kit/Application.h"

#include "platform/kit/Control.h"
#include "platform/kit/ModalSession.h"
#include "platform/kit/View.h"
#include "platform/kit/Window.h"

#include <QApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QTimer>
#include <QTouchEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace kit {

namespace {

// Offers the keys typed into plain Qt widgets of a window (the text fields of its
// controls) to the monitors and to a running tracking loop, as the keys typed
// into views are.
class KeyFilter final : public QObject {
public:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease) return false;
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || qobject_cast<View*>(w) || Window::forWidget(w)) return false;
        if (w != QApplication::focusWidget()) return false;
        // A kit event handed on by its control has been through the kit already.
        for (QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
            if (!qobject_cast<View*>(p)) continue;
            if (auto* c = qobject_cast<Control*>(p); c && c->isForwardingToHost()) return false;
            break;
        }
        Window* window = Window::forWidget(w->window());
        if (!window) return false;
        return Application::shared().filterForeignKey(static_cast<QKeyEvent*>(e), window);
    }
};

}  // namespace

Application& Application::shared() {
    static Application app;
    return app;
}

void Application::terminate() {
    // Exiting needs no window's consent; the application object's about-to-quit
    // round (settings written) still runs when the main loop returns.
    QCoreApplication::exit(0);
}

void Application::ensureKeyFilter() {
    if (keyFilter_ || !QCoreApplication::instance()) return;
    keyFilter_ = new KeyFilter;
    keyFilter_->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(keyFilter_);
}

bool Application::filterForeignKey(QKeyEvent* qe, Window* window) {
    Event e = Event::fromQtKeyEvent(qe, window);
    if (e.type() == EventType::None) return false;
    e.setLocationInWindow(window->mouseLocationOutsideOfEventStream());
    if (isTracking()) {
        enqueue(e, nullptr, false);
        return true;
    }
    monitoredKey_ = qe;
    monitoredKeyTime_ = qe->timestamp();
    current_.push_back(e);
    const bool goOn = runMonitors(e);
    current_.pop_back();
    return !goOn;
}

Event Application::currentEvent() const {
    return current_.empty() ? Event() : current_.back();
}

void Application::handleAsCurrentEvent(const Event& event, const std::function<void()>& handle) {
    current_.push_back(event);
    struct Pop {
        std::vector<Event>& v;
        ~Pop() { v.pop_back(); }
    } pop{current_};
    handle();
}

quint64 Application::addLocalMonitorForEventsMatchingMask(EventMask mask, Monitor monitor) {
    const quint64 token = nextMonitor_++;
    monitors_.push_back({token, mask, std::move(monitor)});
    return token;
}

void Application::removeMonitor(quint64 token) {
    monitors_.erase(std::remove_if(monitors_.begin(), monitors_.end(),
                                   [token](const MonitorEntry& m) { return m.token == token; }),
                    monitors_.end());
}

void Application::registerWindow(Window* w) {
    windows_.push_back(w);
    ensureKeyFilter();
}

void Application::unregisterWindow(Window* w) {
    windows_.erase(std::remove(windows_.begin(), windows_.end(), w), windows_.end());
    if (keyWindow_ == w) keyWindow_ = nullptr;
    if (mainWindow_ == w) mainWindow_ = nullptr;
    for (Event& e : current_)
        if (e.window() == w) e.setWindow(nullptr);
    for (Queued& q : queue_)
        if (q.event.window() == w) q.event.setWindow(nullptr);
}

void Application::setKeyWindow(Window* w) {
    if (w == keyWindow_) return;
    QPointer<Window> old(keyWindow_), now(w);
    keyWindow_ = w;
    // The windows' delegates may change the key window again while told.
    if (old) old->keyStatusChanged(false);
    if (!now || keyWindow_ != now) return;
    now->keyStatusChanged(true);
    if (now && keyWindow_ == now && now->canBecomeMainWindow()) setMainWindow(now);
}

void Application::setMainWindow(Window* w) {
    if (w == mainWindow_) return;
    QPointer<Window> old(mainWindow_), now(w);
    mainWindow_ = w;
    if (old) old->mainStatusChanged(false);
    if (now && mainWindow_ == now) now->mainStatusChanged(true);
}

void Application::sendEvent(const Event& event) {
    if (isTracking()) {
        enqueue(event, nullptr, false);
        return;
    }
    dispatch(event, nullptr);
}

void Application::postEvent(const Event& event, bool atStart) {
    enqueue(event, nullptr, atStart);
    if (!isTracking()) scheduleDrain();
}

void Application::enqueue(const Event& event, View* qtTarget, bool atStart) {
    // Pointer movements are coalesced: only the latest one matters.
    if (!atStart && event.type() == EventType::MouseMoved && !queue_.empty() &&
        queue_.back().event.type() == EventType::MouseMoved)
        queue_.back() = Queued{event, qtTarget};
    else if (atStart)
        queue_.push_front(Queued{event, qtTarget});
    else
        queue_.push_back(Queued{event, qtTarget});
    if (!waiters_.empty()) waiters_.back().loop->quit();
}

std::optional<Event> Application::nextEventMatchingMask(EventMask mask, double timeout,
                                                        bool dequeue) {
    auto take = [&]() -> std::optional<Event> {
        for (auto it = queue_.begin(); it != queue_.end(); ++it) {
            if (!it->event.matches(mask)) continue;
            Event e = it->event;
            if (dequeue) queue_.erase(it);
            return e;
        }
        return std::nullopt;
    };
    if (auto e = take()) return e;
    if (timeout == 0.0 || !QCoreApplication::instance()) return std::nullopt;

    QEventLoop loop;
    bool timedOut = false;
    QTimer timer;
    if (timeout > 0) {
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
            timedOut = true;
            loop.quit();
        });
        timer.start(int(std::ceil(timeout * 1000.0)));
    }
    waiters_.push_back({mask, &loop});
    std::optional<Event> result;
    while (!(result = take()) && !timedOut) loop.exec();
    waiters_.pop_back();
    if (waiters_.empty() && !queue_.empty()) scheduleDrain();
    return result;
}

void Application::discardEventsMatchingMask(EventMask mask) {
    queue_.erase(std::remove_if(queue_.begin(), queue_.end(),
                                [mask](const Queued& q) { return q.event.matches(mask); }),
                 queue_.end());
}

void Application::scheduleDrain() {
    if (drainScheduled_) return;
    drainScheduled_ = true;
    if (!QCoreApplication::instance()) {
        drain();
        return;
    }
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [this] { drain(); }, Qt::QueuedConnection);
}

void Application::drain() {
    drainScheduled_ = false;
    while (!isTracking() && !queue_.empty()) {
        Queued q = queue_.front();
        queue_.pop_front();
        dispatch(q.event, q.target);
    }
}

bool Application::runMonitors(Event& e) {
    const auto monitors = monitors_;
    for (const MonitorEntry& m : monitors) {
        if (!e.matches(m.mask)) continue;
        const bool stillThere =
            std::any_of(monitors_.begin(), monitors_.end(),
                        [&](const MonitorEntry& x) { return x.token == m.token; });
        if (!stillThere) continue;
        std::optional<Event> next = m.fn(e);
        if (!next) return false;  // consumed
        e = *next;
        if (!current_.empty()) current_.back() = e;
    }
    return true;
}

void Application::dispatch(const Event& event, View* qtTarget, bool monitored) {
    handleAsCurrentEvent(event, [&] { deliver(event, qtTarget, monitored); });
}

void Application::deliver(const Event& event, View* qtTarget, bool monitored) {
    Event e = event;
    if (monitored && !runMonitors(e)) return;
    Window* w = e.window();
    if (!w && qtTarget) w = qtTarget->window();
    if (!w && !qtTarget) w = keyWindow_;
    // A window held back by a modal loop or a sheet takes no input.
    if (w && e.type() != EventType::MouseEntered && e.type() != EventType::MouseExited &&
        ModalSession::blocksInputTo(w))
        return;
    if (w && std::find(windows_.begin(), windows_.end(), w) != windows_.end()) {
        w->dispatchEvent(e, qtTarget);
        return;
    }
    if (qtTarget) route(qtTarget, e);
}

void Application::route(View* view, Event e) {
    // A view outside any window gets Qt's events directly.
    QPointer<View> guard(view);
    switch (e.type()) {
        case EventType::LeftMouseDown:
            view->mouseDown(e);
            break;
        case EventType::LeftMouseDragged:
            view->mouseDragged(e);
            break;
        case EventType::LeftMouseUp:
            view->mouseUp(e);
            break;
        case EventType::RightMouseDown:
            view->rightMouseDown(e);
            break;
        case EventType::RightMouseDragged:
            view->rightMouseDragged(e);
            break;
        case EventType::RightMouseUp:
            view->rightMouseUp(e);
            break;
        case EventType::OtherMouseDown:
            view->otherMouseDown(e);
            break;
        case EventType::OtherMouseDragged:
            view->otherMouseDragged(e);
            break;
        case EventType::OtherMouseUp:
            view->otherMouseUp(e);
            break;
        case EventType::MouseMoved:
            view->mouseMoved(e);
            break;
        case EventType::ScrollWheel:
            view->scrollWheel(e);
            break;
        case EventType::KeyDown:
            view->keyDown(e);
            break;
        case EventType::KeyUp:
            view->keyUp(e);
            break;
        case EventType::FlagsChanged:
            view->flagsChanged(e);
            break;
        case EventType::Swipe:
            view->swipeWithEvent(e);
            break;
        case EventType::Magnify:
            view->magnifyWithEvent(e);
            break;
        case EventType::Rotate:
            view->rotateWithEvent(e);
            break;
        case EventType::BeginGesture:
            view->beginGestureWithEvent(e);
            break;
        case EventType::EndGesture:
            view->endGestureWithEvent(e);
            break;
        case EventType::Gesture:
            if (view->acceptsTouchEvents()) {
                for (unsigned phase : {TouchPhase::Began, TouchPhase::Moved, TouchPhase::Ended,
                                       TouchPhase::Cancelled}) {
                    if (!guard || e.touchesMatchingPhase(phase).empty()) continue;
                    if (phase == TouchPhase::Began)
                        view->touchesBeganWithEvent(e);
                    else if (phase == TouchPhase::Moved)
                        view->touchesMovedWithEvent(e);
                    else if (phase == TouchPhase::Ended)
                        view->touchesEndedWithEvent(e);
                    else
                        view->touchesCancelledWithEvent(e);
                }
            }
            break;
        default:
            break;
    }
}

QPointF Application::windowLocation(View* view, const QPointF& widgetPos, Window** window) const {
    Window* w = view ? view->window() : nullptr;
    if (window) *window = w;
    if (!view) return widgetPos;
    const QPointF own = view->widgetTransform().inverted().map(widgetPos);
    return view->transformToWindow().map(own);
}

void Application::handleQtMouseEvent(View* view, QMouseEvent* qe) {
    qe->accept();
    Window* w = nullptr;
    const QPointF loc = windowLocation(view, qe->position(), &w);
    const unsigned flags = Event::modifierFlagsFromQt(qe->modifiers());
    auto kind = [](Qt::MouseButton b) {
        return b == Qt::LeftButton ? 0 : b == Qt::RightButton ? 1 : 2;
    };
    EventType type = EventType::None;
    int count = clickCount_;
    switch (qe->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            const int b = kind(qe->button());
            type = b == 0   ? EventType::LeftMouseDown
                   : b == 1 ? EventType::RightMouseDown
                            : EventType::OtherMouseDown;
            const double now = Event::systemUptime();
            const double interval = QApplication::doubleClickInterval() / 1000.0;
            const bool near =
                std::hypot(loc.x() - lastPressPos_.x(), loc.y() - lastPressPos_.y()) <= 4.0;
            clickCount_ = (b == lastPressButton_ && now - lastPressTime_ <= interval && near)
                              ? clickCount_ + 1
                              : 1;
            lastPressTime_ = now;
            lastPressPos_ = loc;
            lastPressButton_ = b;
            count = clickCount_;
            break;
        }
        case QEvent::MouseButtonRelease: {
            const int b = kind(qe->button());
            type = b == 0   ? EventType::LeftMouseUp
                   : b == 1 ? EventType::RightMouseUp
                            : EventType::OtherMouseUp;
            break;
        }
        case QEvent::MouseMove:
            if (qe->buttons() & Qt::LeftButton)
                type = EventType::LeftMouseDragged;
            else if (qe->buttons() & Qt::RightButton)
                type = EventType::RightMouseDragged;
            else if (qe->buttons() != Qt::NoButton)
                type = EventType::OtherMouseDragged;
            else
                type = EventType::MouseMoved;
            break;
        default:
            return;
    }
    Event e = Event::mouseEvent(type, loc, flags, count, w);
    if (isTracking())
        enqueue(e, view, false);
    else
        dispatch(e, view);
}

void Application::handleQtWheelEvent(View* view, QWheelEvent* qe) {
    qe->accept();
    Window* w = nullptr;
    const QPointF loc = windowLocation(view, qe->position(), &w);
    const bool precise = !qe->pixelDelta().isNull();
    const double dx = precise ? qe->pixelDelta().x() : qe->angleDelta().x() / 120.0;
    const double dy = precise ? qe->pixelDelta().y() : qe->angleDelta().y() / 120.0;
    unsigned phase = EventPhase::None, momentum = EventPhase::None;
    switch (qe->phase()) {
        case Qt::ScrollBegin:
            phase = EventPhase::Began;
            break;
        case Qt::ScrollUpdate:
            phase = EventPhase::Changed;
            break;
        case Qt::ScrollEnd:
            phase = EventPhase::Ended;
            break;
        case Qt::ScrollMomentum:
            momentum = EventPhase::Changed;
            break;
        default:
            break;
    }
    Event e = Event::scrollEvent(loc, dx, dy, phase, momentum, precise,
                                 Event::modifierFlagsFromQt(qe->modifiers()), w);
    if (isTracking())
        enqueue(e, view, false);
    else
        dispatch(e, view);
}

void Application::handleQtKeyEvent(View* view, QKeyEvent* qe, Window* window) {
    qe->accept();
    Window* w = window ? window : (view ? view->window() : nullptr);
    Event e = Event::fromQtKeyEvent(qe, w);
    if (e.type() == EventType::None) return;
    if (w) e.setLocationInWindow(w->mouseLocationOutsideOfEventStream());
    // A key a plain widget passed on to its view was offered to the monitors already.
    const bool seen = qe == monitoredKey_ && qe->timestamp() == monitoredKeyTime_;
    monitoredKey_ = nullptr;
    if (isTracking())
        enqueue(e, view, false);
    else
        dispatch(e, view, !seen);
}

bool Application::handleQtGestureEvent(View* view, QEvent* qe) {
    Window* w = view ? view->window() : nullptr;
    const QPointF loc = w ? w->mouseLocationOutsideOfEventStream() : QPointF();
    Event e;
    if (qe->type() == QEvent::NativeGesture) {
        auto* g = static_cast<QNativeGestureEvent*>(qe);
        const QPointF at = windowLocation(view, g->position(), &w);
        switch (g->gestureType()) {
            case Qt::BeginNativeGesture:
                e = Event::gestureEvent(EventType::BeginGesture, at, 0, 0, 0, w);
                break;
            case Qt::EndNativeGesture:
                e = Event::gestureEvent(EventType::EndGesture, at, 0, 0, 0, w);
                break;
            case Qt::ZoomNativeGesture:
                e = Event::gestureEvent(EventType::Magnify, at, 0, 0, g->value(), w);
                break;
            case Qt::RotateNativeGesture:
                e = Event::gestureEvent(EventType::Rotate, at, 0, 0, 0, w);
                e.setDeltas(0, 0, g->value());
                break;
            case Qt::SwipeNativeGesture:
                e = Event::gestureEvent(EventType::Swipe, at, -g->delta().x(), -g->delta().y(), 0,
                                        w);
                break;
            default:
                return false;
        }
    } else {
        auto* t = static_cast<QTouchEvent*>(qe);
        std::vector<Touch> touches;
        for (const QEventPoint& p : t->points()) {
            Touch touch;
            touch.identity = p.id();
            switch (p.state()) {
                case QEventPoint::Pressed:
                    touch.phase = TouchPhase::Began;
                    break;
                case QEventPoint::Released:
                    touch.phase = TouchPhase::Ended;
                    break;
                case QEventPoint::Stationary:
                    touch.phase = TouchPhase::Stationary;
                    break;
                default:
                    touch.phase = TouchPhase::Moved;
                    break;
            }
            if (qe->type() == QEvent::TouchCancel) touch.phase = TouchPhase::Cancelled;
            const QPointF n = p.normalizedPosition();
            touch.normalizedPosition = QPointF(n.x(), 1.0 - n.y());  // y upwards
            touches.push_back(touch);
        }
        e = Event::touchEvent(loc, touches, w);
    }
    e.setModifierFlags(Event::modifierFlagsFromQt(static_cast<QInputEvent*>(qe)->modifiers()));
    qe->accept();
    if (isTracking())
        enqueue(e, view, false);
    else
        dispatch(e, view);
    return true;
}

}  // namespace kit
