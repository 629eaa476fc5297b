#pragma once

#include "platform/kit/Cursor.h"
#include "platform/kit/Event.h"
#include "platform/kit/Responder.h"

#include <QColor>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QSizeF>

#include <map>
#include <memory>
#include <optional>

class QTimer;
class QWidget;

namespace kit {

class TrackingArea;
class View;

// A window: a top-level Qt widget holding one content view that fills it. Its
// frame is in screen coordinates (y upwards) and is the area the content view
// covers. It routes events as the system expects: mouse-downs to the view hit
// under the pointer (which becomes first responder when it accepts), drags and
// releases to the view that took the press, keys to the first responder, entered,
// exited and moved to the owners of tracking areas, and it shows the cursor of
// the cursor rectangle under the pointer. Windows, panels and sheets of the
// application build on it. Main thread only.
class Window : public QObject, public Responder {
    Q_OBJECT

public:
    enum StyleMask : unsigned {
        Borderless = 0,
        Titled = 1,
        Closable = 2,
        Miniaturizable = 4,
        Resizable = 8,
    };

    explicit Window(const QRectF& contentRect = QRectF(100, 100, 400, 300),
                    unsigned styleMask = Titled | Closable | Resizable);
    ~Window() override;

    // The window whose top-level widget `widget` is (null for any other widget).
    static Window* forWidget(const QWidget* widget);
    QWidget* widget() const;
    unsigned styleMask() const { return styleMask_; }

    View* contentView() const { return contentView_; }
    // Makes `view` the content view, sized to the window; the previous content view
    // is taken out and returned to the caller.
    View* setContentView(View* view);

    // -- Geometry, in screen coordinates
    QRectF frame() const { return frame_; }
    void setFrame(const QRectF& frame, bool display = true);
    void setFrameOrigin(const QPointF& origin);
    void setContentSize(const QSizeF& size);
    QSizeF minSize() const { return minSize_; }
    void setMinSize(const QSizeF& size);
    QSizeF maxSize() const { return maxSize_; }
    void setMaxSize(const QSizeF& size);
    QPointF convertPointToScreen(const QPointF& p) const;
    QPointF convertPointFromScreen(const QPointF& p) const;
    QRectF convertRectToScreen(const QRectF& r) const;
    QRectF convertRectFromScreen(const QRectF& r) const;

    // -- Appearance and ordering
    QString title() const;
    void setTitle(const QString& title);
    double alphaValue() const { return alpha_; }
    void setAlphaValue(double alpha);
    QColor backgroundColor() const { return background_; }
    void setBackgroundColor(const QColor& color);
    bool isVisible() const;
    void orderFront();
    void orderOut();
    void makeKeyWindow();
    void makeKeyAndOrderFront();
    bool isKeyWindow() const;
    virtual bool canBecomeKeyWindow() const { return true; }
    void close();
    void display();
    void displayIfNeeded();

    // -- Responder chain. The window itself is first responder when no view is.
    Responder* firstResponder() const;
    bool makeFirstResponder(Responder* responder);

    // -- Events
    // Handles `event` as if the user had made it (routing it, or handing it to
    // a running tracking loop).
    void sendEvent(const Event& event);
    // Queues `event` for later (tracking loops take queued events first).
    void postEvent(const Event& event, bool atStart = false);
    // Runs a nested event loop until an event of `mask` comes and answers it;
    // none when `timeout` seconds pass first (a negative timeout waits forever).
    std::optional<Event> nextEventMatchingMask(EventMask mask, double timeout = -1.0,
                                               bool dequeue = true);
    bool acceptsMouseMovedEvents() const { return acceptsMouseMoved_; }
    void setAcceptsMouseMovedEvents(bool on) { acceptsMouseMoved_ = on; }
    // Where the pointer last was, in window coordinates.
    QPointF mouseLocationOutsideOfEventStream() const { return lastMouse_; }

    // -- Cursor rectangles
    void invalidateCursorRectsForView(View* view);
    void resetCursorRects();
    Cursor currentCursor() const { return cursor_; }
    void setCurrentCursor(const Cursor& cursor);

    // -- Live resize: every view of the window is told when it starts and ends.
    // A user's resize starts one and ends it after a short quiet period.
    bool inLiveResize() const { return inLiveResize_; }
    void beginLiveResize();
    void endLiveResize();

protected:
    QObject* responderObject() override { return this; }

private:
    friend class Application;
    friend class View;
    friend class WindowWidget;

    void dispatchEvent(const Event& event, View* qtTarget);
    View* hitView(const Event& event, View* qtTarget) const;
    void updateTracking(const Event& event, bool dragging, std::vector<Responder*>* movedTo);
    void updateCursor();
    void routeTouches(View* view, const Event& event);
    void geometryChanged();
    void viewWillLeave(View* view);
    void forgetTrackingArea(const TrackingArea* area);
    void widgetResized(const QSize& size);
    void widgetMoved();
    void mouseLeftWindow();
    void layoutContentView();

    QWidget* widget_ = nullptr;
    View* contentView_ = nullptr;
    unsigned styleMask_ = 0;
    QRectF frame_;
    QSize expectedSize_;
    bool settingGeometry_ = false;
    QSizeF minSize_{0, 0};
    QSizeF maxSize_{16777215, 16777215};
    double alpha_ = 1.0;
    QColor background_;
    Responder* firstResponder_ = nullptr;
    std::weak_ptr<int> firstResponderLife_;
    bool acceptsMouseMoved_ = false;
    QPointF lastMouse_{-1e9, -1e9};
    QPointer<View> downView_, rightDownView_, otherDownView_;
    qint64 downEventNumber_ = 0;
    struct AreaState {
        std::weak_ptr<TrackingArea> area;
        bool inside = false;
    };
    std::map<const TrackingArea*, AreaState> areaStates_;
    bool cursorRectsDirty_ = true;
    Cursor cursor_;
    bool inLiveResize_ = false;
    QTimer* liveResizeTimer_ = nullptr;
};

}  // namespace kit
