// Moving events across the hours and the days of a real week view over a
// temporary store: the preview on quarter hours, the columns it may reach,
// the release on the nearest quarter hour, Escape, releases that write
// nothing, and a save that fails. Moves are scripted through the window's
// modal loop; every write is checked in the store's files.

#include "weekview/WeekViewStoreFixture.h"

#include "weekview/WeekdayView.h"

using namespace wvtest;

namespace {

const QDate kWednesday(2011, 6, 15);

class WeekViewMovingTest : public WeekViewStoreFixture {
protected:
    // Presses on the middle of the record's box in `c` and runs the move with
    // the queued events.
    void move(WeekdayView* c, const EventDayPtr& r, const std::vector<kit::Event>& then) {
        ASSERT_TRUE(r);
        const QPointF from = pressPoint(c, r);
        r->setDragStartX(float(from.x()));
        r->setDragStartY(float(from.y()));
        for (const kit::Event& e : then) window->postEvent(e);
        view->startDraggingEvent(r);
    }
    static QPointF pressPoint(WeekdayView* c, const EventDayPtr& r) {
        return inWindow(c, r->hitX() + r->hitW() / 2, r->hitY() + r->hitH() / 2);
    }
    // `hours` later and `columns` to the right of `p`.
    QPointF by(const QPointF& p, double hours, double columns = 0) const {
        const double w = view->innerRectForDrawing().width() / 7;
        return QPointF(p.x() + columns * w, p.y() - hours * WeekdayView::hourHeight());
    }
    QString stored(const QString& uid) const { return span(eventsWithUID(uid).value(0)); }
    // Where the columns show the event now.
    QString shownIn(WeekdayView* c, const QString& uid) const {
        const EventDayPtr r = recordOf(c, uid);
        return r ? span(r->event()) : QStringLiteral("none");
    }
};

struct MoveCase {
    const char* name;
    const char* from;  // Wednesday, "HH:mm"
    const char* to;
    double hours;    // the pointer's way down
    double columns;  // and to the right
    const char* written;
};

class MoveTest : public WeekViewMovingTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(MoveTest, WritesTheMoveOnQuarterHours) {
    const MoveCase& c = GetParam();
    writeTimed(QStringLiteral("meet"), kWednesday, c.from, c.to);
    open();
    showWeek(kWednesday);
    WeekdayView* wed = column(kWednesday);
    const EventDayPtr r = recordOf(wed, QStringLiteral("meet"));
    const QPointF p = pressPoint(wed, r);
    const QPointF to = by(p, c.hours, c.columns);
    move(wed, r, {drag(by(p, c.hours / 2, c.columns / 2)), drag(to), up(to)});
    EXPECT_EQ(stored(QStringLiteral("meet")), QString::fromLatin1(c.written));
    EXPECT_EQ(eventsWithUID(QStringLiteral("meet")).size(), 1);
    EXPECT_FALSE(view->selection());
    EXPECT_FALSE(r->isInDragging());
}

INSTANTIATE_TEST_SUITE_P(
    Moves, MoveTest,
    ::testing::Values(
        // The preview keeps the start on quarter hours: a little down from
        // 9:10 is 9:15, a little up 9:00.
        MoveCase{"SlightlyDown", "09:10", "10:40", 0.1, 0, "15. 09:15-15. 10:45"},
        MoveCase{"SlightlyUp", "09:10", "10:40", -0.1, 0, "15. 09:00-15. 10:30"},
        MoveCase{"TwoHoursDown", "09:00", "10:00", 2.05, 0, "15. 11:00-15. 12:00"},
        // Sideways by whole days, kept within the shown ones.
        MoveCase{"OneColumnRight", "09:00", "10:00", 0, 1.2, "16. 09:00-16. 10:00"},
        MoveCase{"PastTheLastColumn", "09:00", "10:00", 0, 9, "19. 09:00-19. 10:00"},
        MoveCase{"PastTheFirstColumn", "09:00", "10:00", 0, -9, "13. 09:00-13. 10:00"},
        // Down into the next day: the duration is kept.
        MoveCase{"IntoTheNight", "22:00", "23:30", 3, 0, "16. 01:00-16. 02:30"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WeekViewMovingTest, AReleaseInPlaceWritesTheNearestQuarterHourOrNothing) {
    writeTimed(QStringLiteral("ten"), kWednesday, "09:10", "10:10");
    writeTimed(QStringLiteral("five"), kWednesday.addDays(1), "09:05", "10:05");
    writeTimed(QStringLiteral("late"), kWednesday.addDays(2), "23:50", "24:50");
    writeTimed(QStringLiteral("grid"), kWednesday.addDays(3), "09:00", "10:00",
               {QStringLiteral("RRULE:FREQ=DAILY;COUNT=3")});
    open();
    showWeek(kWednesday);
    auto release = [&](const QDate& d, const QString& uid) {
        WeekdayView* c = column(d);
        const EventDayPtr r = recordOf(c, uid);
        move(c, r, {up(pressPoint(c, r))});
    };
    release(kWednesday, QStringLiteral("ten"));
    EXPECT_EQ(stored(QStringLiteral("ten")), QStringLiteral("15. 09:15-15. 10:15"));
    release(kWednesday.addDays(1), QStringLiteral("five"));
    EXPECT_EQ(stored(QStringLiteral("five")), QStringLiteral("16. 09:00-16. 10:00"));
    // The latest start is 23:45; the end keeps the duration, into the next day.
    release(kWednesday.addDays(2), QStringLiteral("late"));
    EXPECT_EQ(stored(QStringLiteral("late")), QStringLiteral("17. 23:45-18. 00:45"));
    // On the grid already: the file stays as it is, the series whole.
    const QByteArray before = file(QStringLiteral("grid"));
    release(kWednesday.addDays(3), QStringLiteral("grid"));
    EXPECT_EQ(file(QStringLiteral("grid")), before);
    EXPECT_EQ(eventsWithUID(QStringLiteral("grid")).size(), 3);
}

TEST_F(WeekViewMovingTest, EscapeRestoresTheShownEventAndWritesNothing) {
    writeTimed(QStringLiteral("meet"), kWednesday, "09:10", "10:40");
    open();
    showWeek(kWednesday);
    WeekdayView* wed = column(kWednesday);
    WeekdayView* thu = column(kWednesday.addDays(1));
    const EventDayPtr r = recordOf(wed, QStringLiteral("meet"));
    const QByteArray before = file(QStringLiteral("meet"));
    const QPointF p = pressPoint(wed, r);
    move(wed, r, {drag(by(p, 2, 1)), escape()});
    EXPECT_EQ(file(QStringLiteral("meet")), before);
    EXPECT_EQ(recordOf(wed, QStringLiteral("meet")), r);
    EXPECT_EQ(shownIn(wed, QStringLiteral("meet")), QStringLiteral("15. 09:10-15. 10:40"));
    EXPECT_EQ(shownIn(thu, QStringLiteral("meet")), QStringLiteral("none"));
    for (WeekdayView* c : view->viewSet()) EXPECT_FALSE(c->currentlyDraggedEvent());
}

TEST_F(WeekViewMovingTest, AMovedEventIsShownOnItsNewDayAtOnce) {
    writeTimed(QStringLiteral("meet"), kWednesday, "09:00", "10:00");
    open();
    showWeek(kWednesday);
    WeekdayView* wed = column(kWednesday);
    WeekdayView* fri = column(kWednesday.addDays(2));
    const EventDayPtr r = recordOf(wed, QStringLiteral("meet"));
    // Pressed on the event's box in its column, which hands the move over.
    const QPointF p = pressPoint(wed, r);
    press(wed, p, {drag(by(p, 0.02)), drag(by(p, 1, 2)), up(by(p, 1, 2))});
    EXPECT_EQ(stored(QStringLiteral("meet")), QStringLiteral("17. 10:00-17. 11:00"));
    EXPECT_EQ(shownIn(wed, QStringLiteral("meet")), QStringLiteral("none"));
    EXPECT_EQ(shownIn(fri, QStringLiteral("meet")), QStringLiteral("17. 10:00-17. 11:00"));
    // The store event the loaders read was never changed.
    EXPECT_EQ(span(r->event()), QStringLiteral("15. 09:00-15. 10:00"));
}

TEST_F(WeekViewMovingTest, ADayAcrossTheClockChangeKeepsTheTimeOfDay) {
    // Summer time begins in the night to Sunday 27 March 2011.
    const QDate saturday(2011, 3, 26);
    writeTimed(QStringLiteral("meet"), saturday, "09:00", "10:00");
    open();
    showWeek(saturday);
    WeekdayView* sat = column(saturday);
    const EventDayPtr r = recordOf(sat, QStringLiteral("meet"));
    const QPointF p = pressPoint(sat, r);
    move(sat, r, {drag(by(p, 0, 1.2)), up(by(p, 0, 1.2))});
    EXPECT_EQ(stored(QStringLiteral("meet")), QStringLiteral("27. 09:00-27. 10:00"));
}

TEST_F(WeekViewMovingTest, AFailedSaveLeavesTheFileAndTheShownEventAtTheOldTime) {
    writeTimed(QStringLiteral("meet"), kWednesday, "09:10", "10:40");
    open();
    showWeek(kWednesday);
    // Another program changes the file after it was read: the save fails.
    writeTimed(QStringLiteral("meet"), kWednesday, "09:10", "10:40",
               {QStringLiteral("DESCRIPTION:changed elsewhere")});
    const QByteArray before = file(QStringLiteral("meet"));
    WeekdayView* wed = column(kWednesday);
    WeekdayView* thu = column(kWednesday.addDays(1));
    const EventDayPtr r = recordOf(wed, QStringLiteral("meet"));
    const QPointF p = pressPoint(wed, r);
    move(wed, r, {drag(by(p, 2, 1)), up(by(p, 2, 1))});
    EXPECT_EQ(file(QStringLiteral("meet")), before);
    EXPECT_EQ(shownIn(wed, QStringLiteral("meet")), QStringLiteral("15. 09:10-15. 10:40"));
    EXPECT_EQ(shownIn(thu, QStringLiteral("meet")), QStringLiteral("none"));
    EXPECT_FALSE(view->selection());
}

}  // namespace
