#pragma once

#include "weekview/WDSubview.h"

#include <QRectF>

#include <functional>
#include <memory>

namespace foundation {
class ManualClock;
class Timer;
}  // namespace foundation

namespace kit {
class Animation;
class TrackingArea;
}  // namespace kit

class YearViewCell;

// The header of a day column: the strip with the day's title and, below it,
// the rows of the day's full-day entries. It hangs from the top of its column
// and is either collapsed (the title and at most one row) or expanded (as many
// rows as the column lets it show); the column tells it both heights and how
// many rows it can show.
//
// Resting the pointer 0.6 s on the birthday mark shows the birthday hover, on
// the notes mark the notes hover, and on the full-day rows opens the flap: the
// header grows down over the hours until every row shows. Leaving closes what
// was opened: the birthday hover at once, the notes hover and the flap half a
// second later. While the flap moves, or its opening or closing is pending,
// clicks on the rows are ignored. The hovers are reached through the week
// view's services. Main thread only.
class WDHeaderView final : public WDSubview {
    Q_OBJECT

public:
    // The areas the pointer can rest on.
    enum Area { kNoArea = 0, kBirthdayArea = 1, kNotesArea = 2, kFulldayArea = 3 };
    static constexpr double kHoverDelay = 0.6;
    static constexpr double kDehoverDelay = 0.5;
    static constexpr double kFlapDuration = 0.15;

    // `parent` is the column that owns the header and draws into it.
    WDHeaderView(const QRectF& frame, kit::View* parent);
    ~WDHeaderView() override;
    static WDHeaderView* initWithFrameAndParent(const QRectF& frame, kit::View* parent) {
        return new WDHeaderView(frame, parent);
    }

    kit::View* wdv() const { return wdv_; }

    // Each stores its height and, while the header is in that state and not
    // moving, sizes the header to it, hanging from the top of its superview.
    void setCollapsedHeight(double height);
    void setExpandedHeight(double height);
    double collapsedHeight() const { return collapsedHeight_; }
    double expandedHeight() const { return expandedHeight_; }

    void setHasMoreThanCanDisplay(bool more) { hasMoreThanCanDisplay_ = more; }
    bool hasMoreThanCanDisplay() const { return hasMoreThanCanDisplay_; }
    void setCanDisplay(int rows) { canDisplay_ = rows; }
    int canDisplay() const { return canDisplay_; }
    bool isCollapsed() const { return isCollapsed_; }
    // Puts the flap in a state at once, sized to it; the flap's opening and
    // closing move it there.
    void setIsCollapsed(bool collapsed);

    bool inAnimation() const { return inAnimation_; }
    bool expansionScheduled() const { return expansionScheduled_; }
    int enteredArea() const { return enteredArea_; }
    bool hoverPending() const;
    bool dehoverPending() const;

    // The flap: the header grows from its collapsed to its expanded height (its
    // top edge stays), or shrinks back, in 0.15 s; each returns when it has
    // moved. Heights that are equal only change the state.
    void openFlapForFulldayEvents();
    void closeFlapForFulldayEvents();
    // The column shows another day: pending openings and closings are dropped
    // and the rows take clicks again.
    void dayChanged();

    // The hover timing of the three areas.
    void mouseEntered(const kit::Event& event) override;
    void mouseExited(const kit::Event& event) override;
    void activateHover();
    void deactivateNotesHover();
    void deactivateFDEventsHover();

    // Opens the notes hover in edit mode for the day at a rectangle of the
    // header, with the column's notes text.
    void addOrEditNoteForCellAtRect(const std::shared_ptr<YearViewCell>& cell, const QRectF& rect);

    // A press on the full-day rows (below the title, above the panel's lower
    // margin) goes to the column unless the flap is moving or about to;
    // other presses on the header do nothing.
    void mouseDown(const kit::Event& event) override;
    // A right click on the header asks the column for the title menu.
    QMenu* menuForEvent(const kit::Event& event) override;

    // The column draws the title and the full-day rows.
    void drawRect(kit::Graphics& g, const QRectF& dirtyRect) override;

    // The hover areas over the birthday mark, the notes mark and the full-day
    // rows, placed by the column's title drawing. Each is made once, at the
    // first drawing that asks for it, until resetHoverTracking drops all three.
    void activateBirthdayTrackingIn(const QRectF& rect);
    void activateNotesTrackingIn(const QRectF& rect);
    void activateFDEventsTrackingIn(const QRectF& rect);
    void resetHoverTracking();
    const std::shared_ptr<kit::TrackingArea>& birthdayTrackingArea() const {
        return birthdayTrackingArea_;
    }
    const std::shared_ptr<kit::TrackingArea>& notesTrackingArea() const {
        return notesTrackingArea_;
    }
    const std::shared_ptr<kit::TrackingArea>& fdeventsTrackingArea() const {
        return fdeventsTrackingArea_;
    }

    // The clock the hover timers of headers made from now on count on (none:
    // the event loop's); for tests.
    static void setTimerClock(foundation::ManualClock* clock);
    // Sees every flap movement before it runs (tests set it; none when unset).
    static void setFlapObserver(std::function<void(kit::Animation&)> observer);

private:
    void hangFromTop(double height);
    void activateTracking(std::shared_ptr<kit::TrackingArea>& area, const QRectF& rect);
    void replaceFDEventsTracking(const QRectF& rect, unsigned options);
    QRectF openFlapRowsRect() const;
    // Grows or shrinks the header by `delta` points at its lower edge.
    void moveFlap(double delta, double height);
    void cancelHover();
    void cancelDehover();
    void startHover(int area);
    void startDehover(int area, void (WDHeaderView::*action)());
    // The rectangle of an area, empty when it has none.
    static QRectF rectOf(const std::shared_ptr<kit::TrackingArea>& area);

    kit::View* wdv_ = nullptr;
    std::shared_ptr<kit::TrackingArea> birthdayTrackingArea_;
    std::shared_ptr<kit::TrackingArea> notesTrackingArea_;
    std::shared_ptr<kit::TrackingArea> fdeventsTrackingArea_;
    double expandedHeight_ = 0.0;
    double collapsedHeight_ = 0.0;
    std::unique_ptr<foundation::Timer> hoverTimer_;
    std::unique_ptr<foundation::Timer> dehoverTimer_;
    int enteredArea_ = kNoArea;
    int dehoverArea_ = kNoArea;  // the area whose closing is pending
    bool isCollapsed_ = true;
    bool inAnimation_ = false;
    bool expansionScheduled_ = false;
    bool hasMoreThanCanDisplay_ = false;
    int canDisplay_ = 0;
};
