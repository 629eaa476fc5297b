#pragma once

#include "weekview/WDSubview.h"

#include <QRectF>

#include <memory>

namespace kit {
class TrackingArea;
}

// The header of a day column: the strip with the day's title and, below it,
// the rows of the day's full-day entries. It hangs from the top of its column
// and is either collapsed (the title and at most one row) or expanded (as many
// rows as the column lets it show); the column tells it both heights and how
// many rows it can show.
class WDHeaderView final : public WDSubview {
    Q_OBJECT

public:
    // `parent` is the column that owns the header and draws into it.
    WDHeaderView(const QRectF& frame, kit::View* parent);
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

    // A press on the full-day rows (below the title, above the panel's lower
    // margin) goes to the column; other presses on the header do nothing.
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

private:
    void hangFromTop(double height);
    void activateTracking(std::shared_ptr<kit::TrackingArea>& area, const QRectF& rect);

    kit::View* wdv_ = nullptr;
    std::shared_ptr<kit::TrackingArea> birthdayTrackingArea_;
    std::shared_ptr<kit::TrackingArea> notesTrackingArea_;
    std::shared_ptr<kit::TrackingArea> fdeventsTrackingArea_;
    double expandedHeight_ = 0.0;
    double collapsedHeight_ = 0.0;
    bool isCollapsed_ = true;
    bool inAnimation_ = false;
    bool hasMoreThanCanDisplay_ = false;
    int canDisplay_ = 0;
};
