#pragma once

#include "platform/kit/Scroller.h"
#include "platform/kit/View.h"

#include <QColor>
#include <QPointer>
#include <QRectF>

namespace kit {

class ClipView;
class Event;

// A view that shows part of a larger document view through a clip view and
// scrolls it vertically: by its vertical scroller (which it keeps in step with
// the clip view: the knob proportion is the share of the document in sight, the
// value 0 with the document's top in sight and 1 with its bottom), by the wheel
// and trackpad, and by the document's own scrollPoint. Wheel events that reach
// other views may be handed to scrollWheel directly. With autohidesScrollers the
// scroller is hidden while the whole document is in sight. Legacy scrollers take
// their width from the clip view; overlay scrollers lie over its right edge.
// Not flipped. Main thread only.
class ScrollView : public View {
    Q_OBJECT

public:
    explicit ScrollView(const QRectF& frame = QRectF());

    ClipView* contentView() const { return clip_; }
    View* documentView() const;
    // Shows `view` as the document, from its top (the previous one is dropped).
    void setDocumentView(View* view);
    // The part of the document in sight, in the document's coordinates.
    QRectF documentVisibleRect() const;
    // The size of the clip view.
    QSizeF contentSize() const;

    bool hasVerticalScroller() const { return hasVertical_; }
    void setHasVerticalScroller(bool has);
    Scroller* verticalScroller() const { return scroller_; }
    // Takes `scroller` in place of the present one (which is dropped), so that a
    // scroller of a subclass can follow the scrolling.
    void setVerticalScroller(Scroller* scroller);
    bool autohidesScrollers() const { return autohides_; }
    void setAutohidesScrollers(bool on);
    Scroller::Style scrollerStyle() const { return style_; }
    void setScrollerStyle(Scroller::Style style);

    // A line step (the scroller's arrows) and the part of the clip view's height
    // a page step keeps in sight (the context of the next page).
    double verticalLineScroll() const { return lineScroll_; }
    void setVerticalLineScroll(double points) { lineScroll_ = points; }
    double verticalPageScroll() const { return pageScroll_; }
    void setVerticalPageScroll(double points) { pageScroll_ = points; }

    bool drawsBackground() const;
    void setDrawsBackground(bool draws);
    QColor backgroundColor() const;
    void setBackgroundColor(const QColor& color);

    // Places the clip view and the scroller for the present size and document.
    void tile();
    // Moves the scroller to where the clip view shows the document (the clip view
    // calls it after every scroll).
    void reflectScrolledClipView(ClipView* clip);
    // The scroll point that shows the document at `value` (0 top, 1 bottom).
    QPointF scrollPointForValue(double value) const;
    // Scrolls by `points` towards the document's bottom (negative: towards its top).
    void scrollDownBy(double points);

    void setFrame(const QRectF& frame) override;
    // Scrolls by the event's vertical delta (positive deltas show more of the top);
    // passed on when the document fits and nothing can move.
    void scrollWheel(const Event& event) override;

private:
    void scrollerMoved(Scroller* scroller);
    bool canScroll() const;

    ClipView* clip_ = nullptr;
    QPointer<Scroller> scroller_;
    bool hasVertical_ = true;
    bool autohides_ = true;
    Scroller::Style style_ = Scroller::Style::Overlay;
    double lineScroll_ = 10;
    double pageScroll_ = 10;
    bool tiling_ = false;
};

}  // namespace kit
