#pragma once

#include "platform/kit/Event.h"

#include <QPointF>
#include <QPointer>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

class QEvent;
class QEventLoop;
class QObject;
class QKeyEvent;
class QMouseEvent;
class QWheelEvent;

namespace kit {

class View;
class Window;

// The application's side of input: the event being handled now, the local event
// monitors that see events before any window, the queue that tracking loops take
// their events from, the key window, and the mapping of Qt's input events onto
// system events. One object for the process, main thread only.
class Application final {
public:
    static Application& shared();

    // Ends the event loop, nested ones included: a quit is never refused. Qt's
    // own quit first asks every window to close, and a kit window only hides
    // when asked, so one open panel would turn the quit into closing the panel.
    static void terminate();

    // The event being handled now (type None when none is).
    Event currentEvent() const;
    // Runs `handle` with `event` as the event being handled now, for input the
    // kit hands on outside its own routing (a drop at the end of a drag).
    void handleAsCurrentEvent(const Event& event, const std::function<void()>& handle);

    Window* keyWindow() const { return keyWindow_; }
    // The window the user works in: the last key window that can become main.
    Window* mainWindow() const { return mainWindow_; }
    const std::vector<Window*>& windows() const { return windows_; }

    // A monitor sees every event of `mask` before it is routed; it answers the
    // event to go on with (possibly changed), or none to consume it.
    using Monitor = std::function<std::optional<Event>(const Event&)>;
    quint64 addLocalMonitorForEventsMatchingMask(EventMask mask, Monitor monitor);
    void removeMonitor(quint64 token);

    // Handles an event as if the user had made it: routed to its window (the key
    // window when it names none), or handed to the tracking loop running now.
    void sendEvent(const Event& event);
    // Queues an event; it is routed after the event being handled now, unless a
    // tracking loop takes it first.
    void postEvent(const Event& event, bool atStart = false);
    // The next event of `mask`: taken from the queue, or waited for in a nested
    // event loop (timers fire and views draw meanwhile) until `timeout` seconds
    // pass (negative: no limit). Events of other kinds wait in the queue.
    std::optional<Event> nextEventMatchingMask(EventMask mask, double timeout = -1.0,
                                               bool dequeue = true);
    void discardEventsMatchingMask(EventMask mask);
    bool isTracking() const { return !waiters_.empty(); }
    qint64 nextEventNumber() { return ++eventNumber_; }

    // Qt's input on a view (or, with a null view, on a window's own widget).
    void handleQtMouseEvent(View* view, QMouseEvent* event);
    void handleQtWheelEvent(View* view, QWheelEvent* event);
    void handleQtKeyEvent(View* view, QKeyEvent* event, Window* window = nullptr);
    bool handleQtGestureEvent(View* view, QEvent* event);
    // A key typed into a plain Qt widget of `window`: offered to the monitors (or
    // taken by a running tracking loop); true when it must not reach the widget.
    bool filterForeignKey(QKeyEvent* event, Window* window);

private:
    friend class Window;
    friend class WindowWidget;
    Application() = default;
    void registerWindow(Window* w);
    void unregisterWindow(Window* w);
    void setKeyWindow(Window* w);
    void setMainWindow(Window* w);
    void dispatch(const Event& event, View* qtTarget, bool runMonitors = true);
    // The routing of one event being handled (dispatch made it the current one).
    void deliver(const Event& event, View* qtTarget, bool monitored);
    // Runs the monitors; false when one consumed the event (`event` is updated).
    bool runMonitors(Event& event);
    void ensureKeyFilter();
    void enqueue(const Event& event, View* qtTarget, bool atStart);
    void scheduleDrain();
    void drain();
    QPointF windowLocation(View* view, const QPointF& widgetPos, Window** window) const;
    void route(View* view, Event event);

    struct Queued {
        Event event;
        QPointer<View> target;
    };
    struct MonitorEntry {
        quint64 token;
        EventMask mask;
        Monitor fn;
    };
    struct Waiter {
        EventMask mask;
        QEventLoop* loop;
    };

    std::vector<Window*> windows_;
    Window* keyWindow_ = nullptr;
    Window* mainWindow_ = nullptr;
    std::vector<Event> current_;
    std::vector<MonitorEntry> monitors_;
    quint64 nextMonitor_ = 1;
    std::deque<Queued> queue_;
    std::vector<Waiter> waiters_;
    bool drainScheduled_ = false;
    qint64 eventNumber_ = 0;
    // Click counting and drag state of Qt's own presses.
    double lastPressTime_ = -1e9;
    QPointF lastPressPos_;
    int lastPressButton_ = -1;
    int clickCount_ = 0;
    QPointer<View> qtPressView_;
    // The key event last offered to the monitors on its way to a plain Qt widget,
    // so that it is not offered again when it goes on to a view.
    const QKeyEvent* monitoredKey_ = nullptr;
    quint64 monitoredKeyTime_ = 0;
    QObject* keyFilter_ = nullptr;
};

}  // namespace kit
