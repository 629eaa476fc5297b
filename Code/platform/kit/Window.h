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
#include <QString>

#include <map>
#include <memory>
#include <optional>

class QTimer;
class QWidget;

namespace kit {

class Toolbar;
class TrackingArea;
class View;

// A window: a top-level Qt widget holding one content view that fills it below
// the window's bars (menu bar, toolbar) when it has any. Its frame is in screen
// coordinates (y upwards) and covers the bars and the content view. It routes events as the system
// expects: mouse-downs to the view hit under the pointer (which becomes first responder when it
// accepts), drags and releases to the view that took the press, keys to the first responder,
// entered, exited and moved to the owners of tracking areas, and it shows the cursor of the cursor
// rectangle under the pointer. Windows, panels and sheets of the application build on it. Main
// thread only.
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

    static QString didResizeNotification() { return QStringLiteral("WindowDidResize"); }
    static QString didMoveNotification() { return QStringLiteral("WindowDidMove"); }
    static QString willCloseNotification() { return QStringLiteral("WindowWillClose"); }
    static QString didBecomeKeyNotification() { return QStringLiteral("WindowDidBecomeKey"); }
    static QString didResignKeyNotification() { return QStringLiteral("WindowDidResignKey"); }
    static QString didBecomeMainNotification() { return QStringLiteral("WindowDidBecomeMain"); }
    static QString didResignMainNotification() { return QStringLiteral("WindowDidResignMain"); }

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
    // Moves and resizes the window over a short blocking animation when `animate`.
    void setFrameDisplayAnimate(const QRectF& frame, bool display, bool animate);
    // Places the window in the middle of its screen, a little above the centre.
    void center();
    // The frame of the screen that holds most of the window; empty when the
    // window lies on no screen.
    QRectF screenFrame() const;
    // The part of the frame the content view covers, in window coordinates: all
    // of it but the bars on top (menu bar, toolbar).
    QRectF contentRect() const;
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

    // -- Frame autosave: a window with a name keeps its frame in the user defaults
    // under "NSWindow Frame <name>" and takes the saved frame when named.
    static QString frameDefaultsKey(const QString& name);
    QString frameAutosaveName() const { return autosaveName_; }
    // Answers whether a saved frame was applied.
    bool setFrameAutosaveName(const QString& name);
    void saveFrameUsingName(const QString& name) const;
    bool setFrameUsingName(const QString& name);

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
    // Whether a size the window system reports, other than the one set last,
    // becomes the window's frame (the user or the window manager resized it).
    // A window whose size only its code sets answers false: such a report is
    // stale, and the frame set last is put back.
    virtual bool followsWindowSystemResizes() const { return true; }
    // The main window is the one the user works in: the key window, unless that
    // one cannot become main (panels), in which case the main window stays.
    bool isMainWindow() const;
    virtual bool canBecomeMainWindow() const { return styleMask_ != Borderless; }
    void makeMainWindow();
    // Tells the delegate windowWillClose and orders the window out. Closing a
    // closed window, or closing again while the delegate is being told, does
    // nothing; ordering the window front opens it again.
    void close();
    // The close button: asks the delegate windowShouldClose first.
    Q_INVOKABLE void performClose(QObject* sender = nullptr);
    bool isClosed() const { return closed_; }

    // -- Delegate: performs by name, with the window as argument (or none),
    // windowDidBecomeKey, windowDidResignKey, windowDidBecomeMain,
    // windowDidResignMain, windowDidResize, windowDidMove and windowWillClose, and
    // answers windowShouldClose (true when it has no such operation). Each of
    // these events is also posted to the default notification centre, after the
    // delegate was told, with the window as object, for anyone else to follow.
    QObject* delegate() const { return delegate_; }
    void setDelegate(QObject* delegate) { delegate_ = delegate; }

    // -- Bars above the content view. Showing or hiding one keeps the content's
    // size where the frame can change (the window grows or shrinks below its
    // top edge); otherwise the content view takes the difference.
    QWidget* menuBarWidget() const;
    // The window takes `bar` (and drops the one it had).
    void setMenuBarWidget(QWidget* bar);
    Toolbar* toolbar() const;
    // The window takes `toolbar` (and drops the one it had).
    void setToolbar(Toolbar* toolbar);
    Q_INVOKABLE virtual void toggleToolbarShown(QObject* sender = nullptr);
    // Called by the bars when they appear, disappear or change height.
    void barsChanged();
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
    double layoutBars();
    void frameDidChange(bool moved, bool resized);
    void keyStatusChanged(bool key);
    void mainStatusChanged(bool main);
    // Tells the delegate `operation` and posts `notification`.
    void announce(const char* operation, const QString& notification);

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
    QPointer<QObject> delegate_;
    bool closed_ = false;
    bool closing_ = false;
    QString autosaveName_;
    bool restoringFrame_ = false;
    QPointer<QWidget> menuBar_;
    QPointer<QObject> toolbar_;
    double barsHeight_ = 0;
};

}  // namespace kit
