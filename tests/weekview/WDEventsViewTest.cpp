// The hour area's selection frame: which drag a point starts, and the cursor
// rectangles over the part of the frame in sight; and its cached image.

#include "WeekdayViewTestSupport.h"

#include "platform/kit/Cursor.h"

#include <gtest/gtest.h>

using namespace wdvtest;

namespace {

using Op = WDEventsView::DragOperation;

TEST(WDEventsViewTest, OperationForDragAtPointFollowsTheBandsOfTheFrame) {
    WDEventsView view(QRectF(0, 0, 120, 1200), nullptr);
    struct Case {
        QRectF frame;
        bool top, bottom;
        QPointF point;
        int op;
    };
    const QRectF f(10, 100, 80, 40);
    const Case cases[] = {
        {f, true, true, {50, 137}, Op::DragStart},
        {f, true, true, {50, 135}, Op::DragStart},  // the bands are inclusive
        {f, true, true, {50, 134.9}, Op::DragMove},
        {f, true, true, {50, 105}, Op::DragEnd},
        {f, true, true, {50, 105.1}, Op::DragMove},
        {f, true, true, {50, 140}, Op::DragStart},
        {f, true, true, {50, 100}, Op::DragEnd},
        {f, true, true, {50, 141}, Op::DragNone},
        {f, true, true, {50, 99.9}, Op::DragNone},
        {f, true, true, {91, 120}, Op::DragNone},
        {f, true, true, {10, 120}, Op::DragMove},
        {f, false, true, {50, 137}, Op::DragMove},
        {f, true, false, {50, 102}, Op::DragMove},
        // 8 points high: the top band wins where the two overlap.
        {QRectF(10, 100, 80, 8), true, true, {50, 103}, Op::DragStart},
        {QRectF(10, 100, 80, 8), true, true, {50, 108}, Op::DragStart},
        {QRectF(10, 100, 80, 8), true, true, {50, 102.9}, Op::DragEnd},
        {QRectF(10, 100, 80, 8), true, true, {50, 100}, Op::DragEnd},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.frame.height() << " high, top " << c.top << ", bottom " << c.bottom
                     << ", at " << c.point.x() << "," << c.point.y());
        view.setSelectionRect(c.frame, c.top, c.bottom);
        EXPECT_EQ(view.operationForDragAtPoint(c.point), c.op);
    }
    // The frame answers even after it was cleared: the column asks only for
    // the event it has selected.
    view.clearSelectionRect();
    EXPECT_FALSE(view.selectionActive());
    EXPECT_EQ(view.operationForDragAtPoint(QPointF(50, 102)), Op::DragEnd);
}

class WDEventsViewCursorTest : public ColumnTest {};

TEST_F(WDEventsViewCursorTest, CursorRectanglesCoverOnlyThePartInSight) {
    // 525 points: 500 of hours under the 25 the header hides; the band in
    // sight is 26 points lower than the area's visible part.
    auto col = column(525);
    WDEventsView* view = col->eventsView();
    using R = std::vector<std::pair<QRectF, Qt::CursorShape>>;
    const Qt::CursorShape resize = kit::Cursor::resizeUpDownCursor().shape();
    const Qt::CursorShape hand = kit::Cursor::openHandCursor().shape();
    struct Case {
        const char* what;
        double areaY;  // where the hours stand in the column
        QRectF frame;
        bool top, bottom;
        R rects;
    };
    const Case cases[] = {
        {"in sight", 0, QRectF(10, 100, 80, 40), true, true,
         R{{QRectF(10, 135, 80, 5), resize},
           {QRectF(10, 100, 80, 5), resize},
           {QRectF(10, 105, 80, 30), hand}}},
        {"no handles", 0, QRectF(10, 100, 80, 40), false, false,
         R{{QRectF(10, 100, 80, 40), hand}}},
        {"top under the header", 0, QRectF(10, 480, 80, 40), true, true,
         R{{QRectF(10, 480, 80, 5), resize}, {QRectF(10, 485, 80, 14), hand}}},
        {"bottom scrolled out", -700, QRectF(10, 650, 80, 100), true, true,
         R{{QRectF(10, 745, 80, 5), resize}, {QRectF(10, 700, 80, 45), hand}}},
        {"wholly out of sight", -700, QRectF(10, 100, 80, 40), true, true, R{}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        col->setEventsViewYpos(c.areaY);
        view->setSelectionRect(c.frame, c.top, c.bottom);
        R got;
        for (const auto& [rect, cursor] : view->cursorRects())
            got.emplace_back(rect, cursor.shape());
        EXPECT_EQ(got, c.rects);
        // A reset adds the arrow in the corner, always.
        view->discardCursorRects();
        view->resetCursorRects();
        ASSERT_FALSE(view->cursorRects().empty());
        EXPECT_EQ(view->cursorRects().front().first, QRectF(0, 0, 1, 1));
        EXPECT_EQ(view->cursorRects().size(), c.rects.size() + 1);
    }
    view->clearSelectionRect();
    EXPECT_TRUE(view->cursorRects().empty());
    view->resetCursorRects();
    EXPECT_EQ(view->cursorRects().size(), 1u);
}

TEST_F(WDEventsViewCursorTest, ForcedRedrawLeavesTheCachedImageAsItWas) {
    auto col = column(525);
    col->setYVCell(cell);
    WDEventsView* view = col->eventsView();
    EXPECT_TRUE(view->cachedView().isNull());
    view->redrawCache();
    const qint64 key = view->cachedView().cacheKey();
    view->forcedRedraw();
    EXPECT_EQ(view->cachedView().cacheKey(), key);
    EXPECT_TRUE(view->useCacheDrawing());
    EXPECT_FALSE(view->inCacheDrawing());
    EXPECT_EQ(view->drawRequest(), 3);
}

}  // namespace
