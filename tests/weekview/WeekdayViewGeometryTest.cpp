// The day column's split into header and hours, the hour-scroll arithmetic,
// where an event is seen, and the class-wide settings.

#include "WeekdayViewTestSupport.h"

#include "platform/kit/Color.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace wdvtest;

namespace {

class WeekdayViewGeometryTest : public ColumnTest {};

TEST_F(WeekdayViewGeometryTest, HourHeightAndHeaderFollowTheColumnHeightAndTheFulldayEntries) {
    struct Case {
        double height;
        int fulldays;
        double hourHeight;
        double collapsed, expanded;
        int canDisplay;
        bool more;
    };
    const Case cases[] = {
        {1225, 0, 50, 26, 26, 65, false},
        {1236, 0, 50, 26, 26, 66, false},
        {1237, 0, 51, 26, 26, 66, false},
        {1500, 0, 61, 26, 26, 81, false},
        {300, 0, 50, 26, 26, 14, false},
        {300, 1, 50, 54, 54, 14, false},
        {300, 3, 50, 54, 90, 14, false},
        {300, 14, 50, 54, 288, 14, false},
        {300, 15, 50, 54, 288, 14, true},
        {300, 20, 50, 54, 288, 14, true},
        // Too low for a single row: no rows, never a negative header.
        {59, 1, 50, 54, 54, 1, false},
        {58, 1, 50, 54, 36, 0, true},
        {40, 2, 50, 54, 36, 0, true},
        {10, 0, 50, 26, 26, 0, false},
        {0, 3, 50, 54, 36, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.height << " points, " << c.fulldays << " entries");
        cell = yvtest::makeCell(kYear, kMonth, kDay);
        for (int i = 0; i < c.fulldays; ++i) fullday(work, QStringLiteral("Entry %1").arg(i));
        auto col = column(400);
        col->setYVCell(cell);
        col->setFrame(QRectF(0, 0, 120, c.height));

        EXPECT_EQ(WeekdayView::hourHeight(), c.hourHeight);
        EXPECT_EQ(col->eventsView()->frame().height(), 24 * c.hourHeight);
        EXPECT_EQ(col->eventsView()->frame().width(), 120);
        WDHeaderView* header = col->headerView();
        EXPECT_EQ(header->collapsedHeight(), c.collapsed);
        EXPECT_EQ(header->expandedHeight(), c.expanded);
        EXPECT_EQ(header->canDisplay(), c.canDisplay);
        EXPECT_EQ(header->hasMoreThanCanDisplay(), c.more);
        // The collapsed header hangs from the top of the column.
        EXPECT_TRUE(header->isCollapsed());
        EXPECT_EQ(header->frame(), QRectF(0, c.height - c.collapsed, 120, c.collapsed));

        // A new list gives the same numbers as a new frame.
        col->eventlistChanged();
        EXPECT_EQ(header->expandedHeight(), c.expanded);
        EXPECT_EQ(header->canDisplay(), c.canDisplay);
    }
}

TEST_F(WeekdayViewGeometryTest, ANewColumnHasItsHeaderAboveTheHoursAndNoDay) {
    auto col = column(300);
    ASSERT_EQ(col->subviews().size(), 2u);
    // The hours lie below the header, which covers their top.
    EXPECT_EQ(col->subviews()[0], col->eventsView());
    EXPECT_EQ(col->subviews()[1], col->headerView());
    EXPECT_EQ(col->headerView()->frame(), QRectF(0, 274, 120, 26));
    EXPECT_EQ(col->headerView()->wdv(), col.get());
    EXPECT_EQ(col->eventsView()->wdv(), col.get());
    EXPECT_EQ(col->cellPosition(), 1);
    EXPECT_EQ(col->eventsView()->cellPosition(), 0);
    col->setPositionInView(4);
    EXPECT_EQ(col->eventsView()->cellPosition(), 4);
    EXPECT_TRUE(col->isOffScreen());
    EXPECT_EQ(col->earliestEvent(), 24.0f);
    EXPECT_EQ(col->latestEvent(), 0.0f);

    EXPECT_EQ(col->date(), nullptr);
    EXPECT_EQ(col->day(), 0);
    EXPECT_EQ(col->birthdaysText(), QString());
    EXPECT_EQ(col->notesText(), QString());
    EXPECT_FALSE(col->hasNotes2());
    EXPECT_TRUE(col->events().empty());
    EXPECT_TRUE(col->fdevents().empty());
}

TEST_F(WeekdayViewGeometryTest, TheDayComesFromItsCell) {
    fullday(yvtest::makeCalendar(Calendar::kTypeBirthday), QStringLiteral("Ada"));
    fullday(work, QStringLiteral("Notes"), QStringLiteral("Zolt:Notes"));
    auto col = column(300);
    col->setYVCell(cell);
    EXPECT_EQ(col->dataCell(), cell);
    EXPECT_EQ(col->day(), kDay);
    EXPECT_EQ(col->month(), kMonth);
    EXPECT_EQ(col->year(), kYear);
    EXPECT_TRUE(col->date()->isSameDateAs(*cell->cellDate()));
    EXPECT_EQ(col->birthdaysText(), cell->birthdaysText());
    EXPECT_FALSE(col->birthdaysText().isEmpty());
    EXPECT_TRUE(col->hasNotes2());
}

// With hour 0 at the top (percentage 0) and the end of the day at the bottom
// (percentage 1) of a column showing 10 of the 24 hours.
TEST_F(WeekdayViewGeometryTest, HoursPercentagesAndPositionsConvertAtBothEnds) {
    auto col = column(525);  // 500 points of 50-point hours under the header
    struct Conversion {
        double hour, percent, maxPercent;
    };
    for (const Conversion c : {Conversion{0, 0, 0}, Conversion{3.5, 0.25, 0}, Conversion{7, 0.5, 0},
                               Conversion{10, 10.0 / 14, 0}, Conversion{14, 1, 4.0 / 14},
                               Conversion{17, 1, 0.5}, Conversion{24, 1, 1}}) {
        SCOPED_TRACE(testing::Message() << "hour " << c.hour);
        EXPECT_DOUBLE_EQ(col->scrollPercentForHour(c.hour), c.percent);
        EXPECT_DOUBLE_EQ(col->maxScrollPercentForHour(c.hour), c.maxPercent);
    }
    for (const double p : {0.0, 0.25, 0.5, 1.0})
        EXPECT_DOUBLE_EQ(col->hourForScrollPercent(p), p * 14);
    EXPECT_DOUBLE_EQ(col->scrollDiffForHalfHour(), 0.5 / 14);
    EXPECT_EQ(col->yPosForScrollPercent(0), -700);
    EXPECT_EQ(col->yPosForScrollPercent(0.5), -350);
    EXPECT_EQ(col->yPosForScrollPercent(1), 0);

    struct Visible {
        double percent, hour;
        bool visible;
    };
    for (const Visible v :
         {Visible{0, 0, true}, Visible{0, 9, true}, Visible{0, 9.5, false}, Visible{0, 10, false},
          Visible{0, 23, false}, Visible{1, 13.5, false}, Visible{1, 14, true},
          Visible{1, 23, true}, Visible{1, 23.5, false}, Visible{1, 24, false}}) {
        SCOPED_TRACE(testing::Message() << "percent " << v.percent << ", hour " << v.hour);
        col->setEventsViewYpos(col->yPosForScrollPercent(v.percent));
        EXPECT_EQ(col->hourIsVisible(v.hour), v.visible);
    }
    // Only the hours' place changes.
    EXPECT_EQ(col->eventsView()->frame(), QRectF(0, 0, 120, 1200));
}

TEST_F(WeekdayViewGeometryTest, WhenAllHoursFitEveryPercentageIsZeroAndNothingScrolls) {
    // 1225 points hold exactly 24 hours of 50 points; 1500 points hold 24 hours
    // of 61 points with 11 to spare; 2000 points hold 24 of 82 with 7 to spare.
    struct Case {
        double height, hourHeight, yPos;
    };
    for (const Case c : {Case{1225, 50, 0}, Case{1500, 61, 11}, Case{2000, 82, 7}}) {
        SCOPED_TRACE(testing::Message() << c.height << " points");
        auto col = column(c.height);
        ASSERT_EQ(WeekdayView::hourHeight(), c.hourHeight);
        for (const double hour : {0.0, 0.5, 12.0, 23.0, 24.0}) {
            EXPECT_EQ(col->scrollPercentForHour(hour), 0.0) << hour;
            EXPECT_EQ(col->maxScrollPercentForHour(hour), 0.0) << hour;
        }
        for (const double p : {0.0, 0.5, 1.0}) {
            EXPECT_EQ(col->hourForScrollPercent(p), 0.0) << p;
            EXPECT_EQ(col->yPosForScrollPercent(p), c.yPos) << p;
        }
        EXPECT_EQ(col->scrollDiffForHalfHour(), 0.0);
        // Hour 0 right under the title row, all the day's hours visible.
        col->setEventsViewYpos(col->yPosForScrollPercent(0));
        EXPECT_EQ(24 * c.hourHeight + col->eventsView()->frame().y(), c.height - 25);
        EXPECT_TRUE(col->hourIsVisible(0));
        EXPECT_TRUE(col->hourIsVisible(23));
    }
}

TEST_F(WeekdayViewGeometryTest, ATimedEventIsSeenCutByTheHeaderAndTheVisibleHours) {
    const auto event = timed(work, "09:00", "10:00", QStringLiteral("Box"));
    auto col = column(525);
    col->setYVCell(cell);
    // Hour 0 at the top: hours y 700 to 1200 of the hour area are in the
    // column, its top 26 points under the header.
    col->setEventsViewYpos(col->yPosForScrollPercent(0));
    struct Case {
        const char* what;
        QRectF hitBox, seen;
    };
    const Case cases[] = {
        {"inside", QRectF(5, 800, 50, 100), QRectF(5, 800, 50, 100)},
        {"cut at the bottom", QRectF(5, 650, 50, 100), QRectF(5, 700, 50, 50)},
        {"below the band", QRectF(5, 500, 50, 100), QRectF(5, 700, 50, 0)},
        {"under the header", QRectF(5, 1150, 50, 50), QRectF(5, 1150, 50, 24)},
        {"above the band", QRectF(5, 1180, 50, 10), QRectF(5, 1174, 50, 0)},
        {"taller than the band", QRectF(5, 600, 50, 700), QRectF(5, 700, 50, 474)},
    };
    const EventDayPtr record = recordOf(event);
    ASSERT_TRUE(record);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        record->setHitX(c.hitBox.x());
        record->setHitY(c.hitBox.y());
        record->setHitW(c.hitBox.width());
        record->setHitH(c.hitBox.height());
        EXPECT_EQ(col->visibleRectForEvent(record), c.seen);
    }
    EXPECT_EQ(col->visibleRectForEvent(nullptr), QRectF());
}

TEST_F(WeekdayViewGeometryTest, AFulldayEntryIsSeenInItsRowOfTheHeader) {
    struct Case {
        int entries;
        int entry;
        double y;  // of the row; -1: not seen
    };
    const Case cases[] = {
        {3, 0, 43},  // the first entry has the top row
        {3, 2, 7},
        {1, 0, 7},
        // 20 entries, 14 rows: the first 13 in their rows, the rest behind the
        // lowest row that sums them up.
        {20, 0, 241},
        {20, 12, 25},
        {20, 13, 7},
        {20, 19, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "entry " << c.entry << " of " << c.entries);
        cell = yvtest::makeCell(kYear, kMonth, kDay);
        std::vector<calstore::EventPtr> events;
        for (int i = 0; i < c.entries; ++i)
            events.push_back(fullday(work, QStringLiteral("Entry %1").arg(i)));
        auto col = column(300);
        col->setYVCell(cell);
        ASSERT_EQ(col->fdevents().size(), size_t(c.entries));
        EXPECT_EQ(col->visibleRectForEvent(recordOf(events[c.entry])), QRectF(10, c.y, 100, 18));
    }
}

TEST_F(WeekdayViewGeometryTest, AFulldayEntryTheHeaderDoesNotListIsNotSeen) {
    const auto listed = fullday(work, QStringLiteral("Listed"));
    const auto holiday =
        fullday(yvtest::makeCalendar(Calendar::kTypeHoliday), QStringLiteral("Holiday"));
    auto col = column(300);
    col->setYVCell(cell);
    EXPECT_EQ(col->visibleRectForEvent(recordOf(holiday)), QRectF());
    const EventDayPtr record = recordOf(listed);
    EXPECT_NE(col->visibleRectForEvent(record), QRectF());

    // Removed from the day: no longer listed.
    cell->removeEventWithUID(listed->uid());
    col->eventlistChanged();
    EXPECT_EQ(col->visibleRectForEvent(record), QRectF());
    // Without any full-day entry.
    col->setYVCell(nullptr);
    EXPECT_EQ(col->visibleRectForEvent(record), QRectF());
}

TEST_F(WeekdayViewGeometryTest, TheHolidayColourIsDerivedFromTheWeekendColour) {
    struct Case {
        QColor weekend;
        double hue, saturation, brightness;
    };
    const Case cases[] = {
        // Bright enough: darker by 0.2.
        {kit::Color::hsb(0.5, 0.3, 0.9, 0.7), 0.5, 0.3, 0.7},
        {kit::Color::hsb(0.5, 0.9, 0.3, 1.0), 0.5, 0.9, 0.1},
        // Too dark: more saturated, unless it is saturated already.
        {kit::Color::hsb(0.25, 0.5, 0.1, 1.0), 0.25, 0.7, 0.1},
        {kit::Color::hsb(0.25, 0.9, 0.1, 1.0), 0.25, 0.9, 0.1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.weekend.name().toStdString());
        setWeekPref(QStringLiteral("Weekend BackgroundColor"), appPref::colorString(c.weekend));
        const QColor holiday = WeekdayView::textAttribsHoliday().color;
        // The stored colour has 8-bit channels, coarse for dark colours.
        EXPECT_NEAR(kit::Color::hueComponent(holiday), c.hue, 0.03);
        EXPECT_NEAR(kit::Color::saturationComponent(holiday), c.saturation, 0.03);
        EXPECT_NEAR(kit::Color::brightnessComponent(holiday), c.brightness, 0.03);
        EXPECT_NEAR(holiday.alphaF(), c.weekend.alphaF(), 0.01);
    }
}

TEST_F(WeekdayViewGeometryTest, SettingsAreReadFromBothPreferenceGroups) {
    setWeekPref(QStringLiteral("Show Marks As Fullday Events"), false);
    EXPECT_FALSE(WeekdayView::showFulldayMarks());
    setWeekPref(QStringLiteral("Show Marks As Fullday Events"), true);
    EXPECT_TRUE(WeekdayView::showFulldayMarks());
    setPref(QStringLiteral("AppPref General"), QStringLiteral("Workday Starts At"), 7.5);
    WeekdayView::updatePreferences();
    EXPECT_DOUBLE_EQ(WeekdayView::workdayStart(), 7.5);
    // The day names of the titles, entry 7 for a column without a day.
    ASSERT_EQ(WeekdayView::cachedDayNames().size(), 8);
    EXPECT_EQ(WeekdayView::cachedDayNames()[3], QStringLiteral("Wednesday"));
    EXPECT_EQ(WeekdayView::cachedShortDayNames()[0], QStringLiteral("Su"));
    EXPECT_FALSE(WeekdayView::cachedDayNames()[7].isEmpty());
}

TEST_F(WeekdayViewGeometryTest, ANarrowColumnUsesTheNarrowDateForm) {
    const double wide =
        WeekdayView::titleBigTextAttribs().sizeOfString(WeekdayView::cachedDayNames()[3]).width();
    auto col = column(300, std::ceil(wide) + 10);
    col->setFrame(QRectF(0, 0, std::ceil(wide) + 10, 300));
    EXPECT_FALSE(col->useNarrowText());
    col->setFrame(QRectF(0, 0, std::floor(wide) + 2, 300));
    EXPECT_TRUE(col->useNarrowText());
}

}  // namespace
