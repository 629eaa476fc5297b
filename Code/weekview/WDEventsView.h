#pragma once

#include "weekview/WDSubview.h"

#include <QImage>
#include <QRectF>

// The hour area of a day column: the 24 hours of the day, which the column
// sizes and moves up and down to scroll the hours. The column draws the hour
// grid and the timed events into it; the area keeps that drawing as an image
// and shows the image on every display, so that scrolling the hours costs one
// image draw. It also holds the frame of the column's selected event, whose
// top and bottom bands of 5 points are handles for dragging its start and end.
class WDEventsView final : public WDSubview {
    Q_OBJECT

public:
    // What a drag that begins at a point of the selection frame changes.
    enum DragOperation { DragNone = 0, DragStart = 1, DragMove = 2, DragEnd = 3 };
    static constexpr double kHandleHeight = 5.0;

    // `parent` is the column that owns the area and draws into it.
    WDEventsView(const QRectF& frame, kit::View* parent);
    static WDEventsView* initWithFrameAndParent(const QRectF& frame, kit::View* parent) {
        return new WDEventsView(frame, parent);
    }

    kit::View* wdv() const { return wdv_; }

    // The column's place in the week view (2 first, 3 middle, 4 last, 5 the
    // only column); 0 until the week view first places the column.
    void setPositionInView(int position) { cellPosition_ = position; }
    int cellPosition() const { return cellPosition_; }

    // Whether displays show the cached image (when there is one).
    void setUseCache(bool use) { useCacheDrawing_ = use; }
    bool useCacheDrawing() const { return useCacheDrawing_; }
    const QImage& cachedView() const { return cachedView_; }
    // The layers the column draws: 1 grid and boxes, 2 texts and grey-out, 3 all.
    int drawRequest() const { return drawRequest_; }

    QMenu* menuForEvent(const kit::Event& event) override;

    // -- The selection frame, in the area's coordinates (y its bottom edge);
    // a handle band exists only where the event's start or end may be dragged.
    void setSelectionRect(const QRectF& rect, bool topHandle, bool botHandle);
    void clearSelectionRect();
    QRectF selectionRect() const { return selectionRect_; }
    bool selectionActive() const { return selectionActive_; }
    void resetCursorRects() override;
    // The cursors over the part of the frame in sight: up-down over the handle
    // bands, the open hand over the rest.
    void configureMousePointers();
    // What a drag from `point` changes; the top band wins where both overlap.
    int operationForDragAtPoint(const QPointF& point) const;

    // -- Drawing
    void drawRect(kit::Graphics& g, const QRectF& dirtyRect) override;
    // Draws the column's content anew into the cached image.
    void redrawCache();
    // Draws now, directly, without touching the cached image.
    void forcedRedraw();

private:
    kit::View* wdv_ = nullptr;
    int cellPosition_ = 0;
    bool useCacheDrawing_ = true;
    QImage cachedView_;
    int drawRequest_ = 3;
    QRectF selectionRect_;
    bool selectionActive_ = false;
    bool mayAdjustTop_ = false;
    bool mayAdjustBot_ = false;
};
