// The week turned and curled in the real main window: two-finger scrolls
// arriving as Qt wheel events with phases and pixel deltas, the main menu's
// mode items, and a click in the corner.

#include "weekview/WeekViewWindowWorld.h"

#include "platform/kit/MenuItem.h"

#include <QCoreApplication>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace {

class WeekViewSwipeWindowTest : public wvwindow::WindowWorld {
protected:
    void SetUp() override {
        WeekView::setPageCurlObserver(
            [this](WeekView&, const QImage&, const QImage&, const kit::Animation&) { ++curls; });
        wvwindow::WindowWorld::SetUp();
    }
    void TearDown() override {
        WeekView::setPageCurlObserver(nullptr);
        wvwindow::WindowWorld::TearDown();
    }
    WeekView* shownWeek() const { return qobject_cast<WeekView*>(controller->currentWeekView()); }
    // A wheel event as a touchpad sends it, over the middle of the first
    // column, delivered to the widget under it.
    void wheel(double dx, double dy, Qt::ScrollPhase phase) {
        WeekdayView* column = shownWeek()->viewSet().front();
        const QPointF pos(column->width() / 2.0, 200);
        QWheelEvent event(pos, column->mapToGlobal(pos), QPoint(int(dx), int(dy)),
                          QPoint(int(dx * 2), int(dy * 2)), Qt::NoButton, Qt::NoModifier, phase,
                          false, Qt::MouseEventSynthesizedBySystem);
        QCoreApplication::sendEvent(column, &event);
    }
    QDate firstDay() const {
        const MyDatePtr d = shownWeek()->referenceDate();
        return QDate(d->yearNum(), d->monthNum(), d->dayNum());
    }
    int curls = 0;
};

TEST_F(WeekViewSwipeWindowTest, ATwoFingerScrollTurnsTheWeek) {
    const QDate before = firstDay();
    wheel(-30, 0, Qt::ScrollBegin);
    wheel(-120, 0, Qt::ScrollUpdate);
    ASSERT_TRUE(testsupport::waitUntil([&] {
        QCoreApplication::processEvents();
        return !week->touchRedrawActive() && week->touchLastSwipeDeltaX() > 0;
    }));
    wheel(0, 0, Qt::ScrollEnd);
    EXPECT_EQ(firstDay(), before.addDays(7));
    EXPECT_FALSE(week->isTrackingTouches());

    // Back again to the right.
    wheel(30, 0, Qt::ScrollBegin);
    wheel(120, 0, Qt::ScrollUpdate);
    ASSERT_TRUE(testsupport::waitUntil([&] {
        QCoreApplication::processEvents();
        return !week->touchRedrawActive() && week->touchLastSwipeDeltaX() < 0;
    }));
    wheel(0, 0, Qt::ScrollEnd);
    EXPECT_EQ(firstDay(), before);
}

TEST_F(WeekViewSwipeWindowTest, TheMainMenusModeItemsCurl) {
    kit::MenuItem* item = week->gui_mainmiItem(WeekView::kWeek5Day);
    ASSERT_TRUE(item);
    EXPECT_TRUE(item->performAction());
    EXPECT_EQ(curls, 1);
    ASSERT_NE(shownWeek(), week);
    EXPECT_EQ(shownWeek()->displayMode(), WeekView::kWeek5Day);
    EXPECT_TRUE(shownWeek()->window() == window);

    // The corner of the new view curls on to the next mode.
    WeekView* five = shownWeek();
    const double sw = five->gui_vScroller()->bounds().width();
    const QPointF corner(five->bounds().width() - sw - 12, 12);
    five->mouseDown(kit::Event::mouseEvent(
        kit::EventType::LeftMouseDown, five->convertPointToView(corner, nullptr), 0, 1, window));
    EXPECT_EQ(curls, 2);
    EXPECT_EQ(shownWeek()->displayMode(), WeekView::kNext7Days);
}

}  // namespace
