#pragma once

#include "weekview/WDSubview.h"

#include <QRectF>

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

private:
    void hangFromTop(double height);

    kit::View* wdv_ = nullptr;
    double expandedHeight_ = 0.0;
    double collapsedHeight_ = 0.0;
    bool isCollapsed_ = true;
    bool inAnimation_ = false;
    bool hasMoreThanCanDisplay_ = false;
    int canDisplay_ = 0;
};
