#pragma once

#include "platform/kit/Cursor.h"
#include "platform/kit/Responder.h"

#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QTransform>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

class QMenu;
class QPainter;
class QRegion;

namespace kit {

class Event;
class Graphics;
class ScrollView;
class TrackingArea;
class Window;

// A view: a rectangle of a window that draws itself and takes events, placed by
// its frame in its superview's coordinates. Its own coordinates (its bounds) have
// y growing upwards from its lower left corner unless isFlipped() says otherwise.
// The frame is the source of truth: the Qt widget geometry follows it (rounded
// outwards to whole pixels, the fraction kept for drawing), and autoresizing masks
// resize subviews when a view's size changes.
//
// Subclasses draw in drawRect, take events through the Responder handlers, and
// may override setFrame (every frame change goes through it), hitTest, isFlipped
// and the live-resize calls.
//
// Geometry, visibility and order go through the kit (setFrame, setHidden,
// addSubview), never through QWidget's own calls: the kit's frame, hidden state
// and subview order are what hit testing and drawing use. QWidget's hide, show
// and setVisible are kept in step (they set the kit's hidden state), so a view
// hidden either way is never hit; resize, setGeometry, raise and lower are not.
//
// Main thread only: the mutators check the thread (see requireMainThread).
class View : public QWidget, public Responder {
    Q_OBJECT

public:
    enum AutoresizingMask : unsigned {
        NotSizable = 0,
        MinXMargin = 1,
        WidthSizable = 2,
        MaxXMargin = 4,
        MinYMargin = 8,
        HeightSizable = 16,
        MaxYMargin = 32,
    };
    enum class Ordering { Below = -1, Above = 1 };

    // Posted (object: the view) after its frame or bounds changed, when it posts them.
    static QString frameDidChangeNotification();
    static QString boundsDidChangeNotification();

    explicit View(const QRectF& frame = QRectF());
    ~View() override;

    // -- Geometry
    QRectF frame() const { return frame_; }
    virtual void setFrame(const QRectF& frame);
    void setFrameOrigin(const QPointF& origin);
    void setFrameSize(const QSizeF& size);
    QRectF bounds() const { return QRectF(boundsOrigin_, frame_.size()); }
    void setBoundsOrigin(const QPointF& origin);
    virtual bool isFlipped() const { return false; }
    void setPostsFrameChangedNotifications(bool on) { postsFrame_ = on; }
    bool postsFrameChangedNotifications() const { return postsFrame_; }
    void setPostsBoundsChangedNotifications(bool on) { postsBounds_ = on; }
    unsigned autoresizingMask() const { return autoresizingMask_; }
    void setAutoresizingMask(unsigned mask) { autoresizingMask_ = mask; }
    bool autoresizesSubviews() const { return autoresizesSubviews_; }
    void setAutoresizesSubviews(bool on) { autoresizesSubviews_ = on; }
    // Called after the size changed when autoresizesSubviews(): every subview's
    // resizeWithOldSuperviewSize.
    virtual void resizeSubviewsWithOldSize(const QSizeF& oldSize);
    // Applies the autoresizing mask: the change of the superview's size is shared
    // among the flexible parts of each axis in proportion to their sizes.
    virtual void resizeWithOldSuperviewSize(const QSizeF& oldSize);
    // The part of the bounds not hidden by the superviews' edges.
    QRectF visibleRect() const;
    // Scrolls the nearest enclosing clip view so that `point` of this view lies at
    // its bounds origin (the lower left corner of the part in sight, the upper left
    // in a flipped document); answers whether there was one to scroll.
    bool scrollPoint(const QPointF& point);
    // Scrolls the nearest enclosing clip view as little as it takes to bring
    // `rect` of this view into sight; answers whether it scrolled.
    bool scrollRectToVisible(const QRectF& rect);
    ScrollView* enclosingScrollView() const;

    // -- Hierarchy
    View* superview() const;
    const std::vector<View*>& subviews() const { return subviews_; }
    void addSubview(View* view);
    void addSubview(View* view, Ordering place, View* relativeTo);
    // Takes the view out of its superview; the caller owns it afterwards (and
    // drops it with deleteLater() when it is not put back).
    void removeFromSuperview();
    void replaceSubview(View* oldView, View* newView);
    bool isDescendantOf(const View* view) const;
    View* rootView() const;  // the topmost view of this one's hierarchy
    // The window this view is in (null when none). Hides QWidget::window().
    Window* window() const;
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    View* viewWithTag(int tag);
    virtual void viewDidMoveToSuperview() {}
    virtual void viewDidMoveToWindow() {}
    virtual void didAddSubview(View*) {}
    virtual void willRemoveSubview(View*) {}

    // -- Visibility. Hide QWidget's own: a view keeps its hidden state while it is
    // out of a window.
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden);
    // QWidget's hide, show and setVisible: the same as setHidden.
    void setVisible(bool visible) override;
    bool isHiddenOrHasHiddenAncestor() const;
    double alphaValue() const { return alpha_; }
    void setAlphaValue(double alpha);

    // -- Display
    void setNeedsDisplay(bool needs = true);
    void setNeedsDisplayInRect(const QRectF& rect);
    bool needsDisplay() const { return needsDisplay_; }
    void display();  // draws now (later while screen updates are disabled)
    void displayIfNeeded();
    void displayRect(const QRectF& rect);
    // Draws the view's own content in its own coordinates; `dirtyRect` is the part
    // that must be drawn. Subviews draw themselves afterwards, above it.
    virtual void drawRect(Graphics& graphics, const QRectF& dirtyRect);
    virtual bool isOpaque() const { return false; }
    // -- Drawing cache. A view whose drawRect paints every pixel of its bounds
    // opaquely may keep what it drew in a picture of its widget's pixels: repaints
    // that Qt asks for on its own (a sibling sliding over it, an overlapping
    // redraw) copy from the picture, and only what was marked since is drawn
    // anew: by setNeedsDisplay, setNeedsDisplayInRect, display, displayRect or
    // the invalidate calls. A new size, scale, pixel format or position inside
    // the first pixel marks the whole view. Off by default.
    void setCachesDrawing(bool on);
    bool cachesDrawing() const { return bool(cache_); }
    void invalidateDrawingCache();
    void invalidateDrawingCacheInRect(const QRectF& rect);  // in the view's coordinates
    // The whole cache drawn away from the main thread, for a view whose drawing
    // can be made from data other threads may read. The canvas (blank pixels of
    // the cache's size, format and resolution, the transform from the view's
    // coordinates to them and the painter's hints) is taken on the main thread,
    // drawn on any thread as paintEvent would draw the whole view, and handed
    // back on the main thread: it replaces the cache while the view's geometry
    // is the one it was taken for (a mark made after the canvas was taken has
    // the whole view drawn again at the next repaint). A null canvas: the view
    // keeps no cache it could replace now (it has not been painted with its
    // present geometry).
    struct CacheCanvas {
        QImage image;
        QTransform transform;
        QPainter::RenderHints hints;
        std::uint64_t marks = 0;  // the cache's count of marks when taken
    };
    CacheCanvas drawingCacheCanvas() const;
    // Answers whether the canvas was taken; the view is repainted from it.
    bool adoptDrawingCache(CacheCanvas canvas);
    // The view and its subviews drawn into a new image the size of its bounds (or
    // of `rect`, in its coordinates), at `scale` pixels per point.
    QImage renderToImage(double scale = 1.0);
    QImage renderRectToImage(const QRectF& rect, double scale = 1.0);
    // Draws the view and its subviews through `painter`, whose transform maps this
    // view's coordinates.
    void drawHierarchy(QPainter& painter, const QRectF& dirtyRect);
    // The transform from this view's coordinates to its widget's pixels.
    QTransform widgetTransform() const;

    // -- Conversions; a null view means the window's coordinates (y upwards from
    // the window's bottom edge).
    QPointF convertPointFromView(const QPointF& p, const View* from) const;
    QPointF convertPointToView(const QPointF& p, const View* to) const;
    QRectF convertRectFromView(const QRectF& r, const View* from) const;
    QRectF convertRectToView(const QRectF& r, const View* to) const;
    QSizeF convertSizeFromView(const QSizeF& s, const View* from) const;
    QSizeF convertSizeToView(const QSizeF& s, const View* to) const;
    QRectF convertRectToScreen(const QRectF& r) const;  // screen: y upwards
    QPointF convertPointFromScreen(const QPointF& p) const;
    // This view's coordinates to the window's.
    QTransform transformToWindow() const;
    // This view's coordinates to its superview's.
    QTransform transformToSuperview() const;

    // -- Events
    // The deepest visible view under `point` (in the superview's coordinates).
    virtual View* hitTest(const QPointF& point);
    bool mouseInRect(const QPointF& point, const QRectF& rect) const;
    virtual bool acceptsFirstMouse(const Event&) { return false; }
    virtual bool mouseDownCanMoveWindow() const { return false; }
    virtual bool needsPanelToBecomeKey() const { return false; }
    // The context menu for a right click (or a Control click); the view's menu
    // unless overridden.
    virtual QMenu* menuForEvent(const Event& event);
    QMenu* menu() const;
    void setMenu(QMenu* menu);
    void rightMouseDown(const Event& event) override;
    bool acceptsTouchEvents() const { return acceptsTouches_; }
    void setAcceptsTouchEvents(bool on);
    Responder* nextResponder() const override;
    QObject* responderObject() override { return this; }

    // -- Tracking areas and cursor rectangles
    void addTrackingArea(const std::shared_ptr<TrackingArea>& area);
    void removeTrackingArea(const std::shared_ptr<TrackingArea>& area);
    void removeTrackingArea(const TrackingArea* area);
    const std::vector<std::shared_ptr<TrackingArea>>& trackingAreas() const { return areas_; }
    // Called before the pointer is next followed after the view's geometry
    // changed: the place to rebuild areas that follow the view's size.
    virtual void updateTrackingAreas() {}
    // Rebuild the cursor rectangles (the window calls it after discarding them).
    virtual void resetCursorRects() {}
    void addCursorRect(const QRectF& rect, const Cursor& cursor);
    void removeCursorRect(const QRectF& rect, const Cursor& cursor);
    void discardCursorRects();
    const std::vector<std::pair<QRectF, Cursor>>& cursorRects() const { return cursorRects_; }

    // -- Live resize: sent to every view of a window when the user starts and ends
    // resizing it; may be called by code around its own tracking.
    virtual void viewWillStartLiveResize() {}
    virtual void viewDidEndLiveResize() {}
    bool inLiveResize() const;

protected:
    // Called before a repaint that uses the drawing cache: the place to mark
    // what changed in state the drawing reads without asking for a redraw.
    virtual void validateDrawingCache() {}
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    friend class Window;
    struct DrawingCache;
    // Paints `region` from the drawing cache, drawing what is marked first;
    // false when the view's geometry does not allow the cache (it is dropped).
    bool paintFromCache(QPainter& painter, const QRegion& region);
    void syncGeometry();
    void syncSubviewGeometry();
    bool superviewIsFlipped() const;
    void insertSubview(View* view, size_t index);
    void detachSubview(View* view);
    void notifyMovedToWindow();
    // Qt's own visibility of the widget, as the kit decides it (not the kit's
    // hidden state), and reparenting, during which Qt hides the widget itself.
    void showWidget(bool shown);
    void setParentWidget(QWidget* parent);

    QRectF frame_;
    QPointF boundsOrigin_;
    QPointF subpixel_;  // where the frame's corner lies inside the widget's first pixel
    std::vector<View*> subviews_;
    View* superview_ = nullptr;
    bool hidden_ = false;
    bool syncingWidget_ = false;
    double alpha_ = 1.0;
    bool needsDisplay_ = true;
    bool postsFrame_ = false;
    bool postsBounds_ = false;
    unsigned autoresizingMask_ = NotSizable;
    bool autoresizesSubviews_ = true;
    bool acceptsTouches_ = false;
    bool trackingDirty_ = true;
    int tag_ = -1;
    QPointer<QMenu> menu_;
    QPointer<Window> lastWindow_;
    std::vector<std::shared_ptr<TrackingArea>> areas_;
    std::vector<std::pair<QRectF, Cursor>> cursorRects_;
    std::unique_ptr<DrawingCache> cache_;
};

}  // namespace kit
