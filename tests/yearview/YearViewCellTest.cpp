// The day cell's record list and the day facts derived from it, the class-wide
// selection and settings.

#include "YearViewTestSupport.h"

#include "data/EventDay.h"
#include "platform/kit/Cell.h"

#include <gtest/gtest.h>

using namespace yvtest;

namespace {

class YearViewCellList : public CellTest {};

struct PositionCase {
    const char* name;
    QDateTime start;
    QDateTime end;
    bool allDay;
    bool listed;
    float startPercent, endPercent, sortPercent;
    bool extendsPrev, extendsNext;
};

}  // namespace

TEST_F(YearViewCellList, RecordsTakeTheirPlaceInTheDayAndTheWorkday) {
    // Workday hours 8 to 18 are the factory values; the day is 15 March 2011.
    const PositionCase cases[] = {
        {"ends at the midnight that begins the day", at(2011, 3, 14, 10), at(2011, 3, 15), false,
         false, 0, 0, 0, false, false},
        {"ends one minute into the day", at(2011, 3, 14, 10), at(2011, 3, 15, 0, 1), false, true, 0,
         0, 0, true, false},
        {"starts before the workday", at(2011, 3, 15, 7), at(2011, 3, 15, 9), false, true, 0, 0.1f,
         7.0f / 24, false, false},
        {"ends after the workday", at(2011, 3, 15, 17), at(2011, 3, 15, 23), false, true, 0.9f, 1,
         17.0f / 24, false, false},
        {"runs into the next day", at(2011, 3, 15, 12), at(2011, 3, 16, 2), false, true, 0.4f, 1,
         0.5f, false, true},
        {"all day", at(2011, 3, 15), at(2011, 3, 15, 23, 59, 59), true, true, 0, 1, 0, false,
         false},
        {"two days all day, first day", at(2011, 3, 15), at(2011, 3, 16, 23, 59, 59), true, true, 0,
         1, 0, false, true},
    };
    const auto calendar = makeCalendar(Calendar::kTypeNormal);
    for (const PositionCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto cell = makeCell(2011, 3, 15);
        cell->addEventFromCalendar(makeEvent(c.start, c.end, c.name, QString(), c.allDay),
                                   calendar);
        const auto list = cell->events();
        ASSERT_EQ(list->size(), c.listed ? 1u : 0u);
        if (!c.listed) continue;
        const EventDayPtr& r = list->front();
        EXPECT_NEAR(r->startPercent(), c.startPercent, 1e-5);
        EXPECT_NEAR(r->endPercent(), c.endPercent, 1e-5);
        EXPECT_NEAR(r->sortPercent(), c.sortPercent, 1e-5);
        EXPECT_EQ(r->extendsPrevDay(), c.extendsPrev);
        EXPECT_EQ(r->extendsNextDay(), c.extendsNext);
        EXPECT_EQ(r->fulldayEvent(), c.allDay);
        EXPECT_EQ(r->calendar(), calendar);
        EXPECT_FALSE(r->isNew());
        EXPECT_FALSE(r->isInDragging());
    }
}

TEST_F(YearViewCellList, AWorkdayThatEndsWhereItStartsCountsAsTheWholeDay) {
    setPref(QStringLiteral("AppPref General"), QStringLiteral("Workday Starts At"), 9.0);
    setPref(QStringLiteral("AppPref General"), QStringLiteral("Workday Ends At"), 9.0);
    auto cell = makeCell(2011, 3, 15);
    cell->addEventFromCalendar(makeEvent(at(2011, 3, 15, 6), at(2011, 3, 15, 12)),
                               makeCalendar(Calendar::kTypeNormal));
    const EventDayPtr r = cell->events()->front();
    EXPECT_FLOAT_EQ(r->startPercent(), 0.25f);
    EXPECT_FLOAT_EQ(r->endPercent(), 0.5f);
}

TEST_F(YearViewCellList, NotesHolidaysBirthdaysAndMarksAreTheDayFacts) {
    auto cell = makeCell(2011, 3, 15);
    const auto notesCal = makeCalendar(Calendar::kTypeMarker, true, QColor(Qt::red));
    const auto markerCal = makeCalendar(Calendar::kTypeMarker);
    const auto hiddenHolidays = makeCalendar(Calendar::kTypeHoliday, false);
    const auto holidays = makeCalendar(Calendar::kTypeHoliday);
    const auto hiddenBirthdays = makeCalendar(Calendar::kTypeBirthday, false);

    EXPECT_FALSE(cell->hasNotes2());
    cell->addEventFromCalendar(makeAllDay(2011, 3, 15, QStringLiteral("Notes"),
                                          QStringLiteral("Zolt:Notes"), QStringLiteral("Buy milk")),
                               notesCal);
    cell->addEventFromCalendar(makeAllDay(2011, 3, 15, QStringLiteral("Important"),
                                          QStringLiteral("Zolt:0123456789ABCDEF0123456789ABCDEF")),
                               markerCal);
    cell->addEventFromCalendar(makeAllDay(2011, 3, 15, QStringLiteral("Hidden holiday")),
                               hiddenHolidays);
    cell->addEventFromCalendar(makeAllDay(2011, 3, 15, QStringLiteral("Ann")), hiddenBirthdays);

    // The notes event is a mark by its location, but never one of the day's marks.
    EXPECT_TRUE(cell->events()->front()->isMark());
    EXPECT_TRUE(cell->hasNotes2());
    EXPECT_EQ(cell->notesText(), QStringLiteral("Buy milk"));
    EXPECT_EQ(cell->notesCalColor(), QColor(Qt::red));
    ASSERT_EQ(cell->zoltMarks().size(), 1u);
    EXPECT_EQ(cell->marksText(), QStringLiteral("Important"));

    // A hidden holiday store gives no holiday; a hidden birthday store still lists.
    EXPECT_FALSE(cell->dayHasHolidayEntry2());
    EXPECT_FALSE(cell->dayHasHolidayEntry());
    EXPECT_TRUE(cell->dayHasBirthdays3());
    EXPECT_FALSE(cell->dayHasBirthdays2());
    EXPECT_FALSE(cell->dayHasBirthdays());
    EXPECT_EQ(cell->birthdaysText(), QStringLiteral("Ann"));

    cell->addEventFromCalendar(makeAllDay(2011, 3, 15, QStringLiteral("Spring Day")), holidays);
    cell->addEventFromCalendar(makeAllDay(2011, 3, 15, QStringLiteral("Other Day")), holidays);
    EXPECT_TRUE(cell->dayHasHolidayEntry2());
    EXPECT_EQ(cell->holidayText(), QStringLiteral("Other Day"));  // the later one
    EXPECT_TRUE(cell->dayHasHolidayEntry());
    EXPECT_EQ(cell->holidayText(), QStringLiteral("Spring Day"));  // the first in the list
}

TEST_F(YearViewCellList, QueriesOfAnEmptyDayReportNothing) {
    auto cell = makeCell(2011, 3, 15);
    EXPECT_FALSE(cell->hasEventList());
    EXPECT_TRUE(cell->events()->empty());
    EXPECT_FALSE(cell->dayHasHolidayEntry());
    EXPECT_FALSE(cell->dayHasBirthdays());
    EXPECT_FALSE(cell->hasNotes());
    EXPECT_EQ(cell->holidayText(), QString());
    EXPECT_EQ(cell->birthdaysText(), QString());
    EXPECT_EQ(cell->notesText(), QString());
    EXPECT_EQ(cell->marksText(), QString());
    EXPECT_EQ(cell->notesEvent(), nullptr);
    EXPECT_TRUE(cell->zoltMarks().empty());
}

TEST_F(YearViewCellList, RemovingByIdentifierDropsEveryRecordAndRescans) {
    auto cell = makeCell(2011, 3, 15);
    const auto notesCal = makeCalendar(Calendar::kTypeMarker);
    const auto birthdays = makeCalendar(Calendar::kTypeBirthday);
    const auto holidays = makeCalendar(Calendar::kTypeHoliday);
    const auto notes =
        makeAllDay(2011, 3, 15, QStringLiteral("Notes"), QStringLiteral("Zolt:Notes"));
    const auto birthday = makeAllDay(2011, 3, 15, QStringLiteral("Ann"));
    const auto holiday = makeAllDay(2011, 3, 15, QStringLiteral("Spring Day"));
    const auto other = makeEvent(at(2011, 3, 15, 9), at(2011, 3, 15, 10));
    cell->addEventFromCalendar(notes, notesCal);
    cell->addEventFromCalendar(birthday, birthdays);
    cell->addEventFromCalendar(birthday, birthdays);  // listed twice
    cell->addEventFromCalendar(holiday, holidays);
    cell->addEventFromCalendar(other, makeCalendar(Calendar::kTypeNormal));
    ASSERT_EQ(cell->events()->size(), 5u);

    cell->removeEventWithUID(birthday->uid());
    EXPECT_EQ(cell->events()->size(), 3u);
    EXPECT_FALSE(cell->dayHasBirthdays3());
    EXPECT_TRUE(cell->hasNotes2());  // rescanned, still there
    cell->removeEventWithUID(holiday->uid());
    EXPECT_FALSE(cell->dayHasHolidayEntry2());
    cell->removeEventWithUID(notes->uid());
    EXPECT_FALSE(cell->hasNotes2());
    ASSERT_EQ(cell->events()->size(), 1u);
    EXPECT_EQ(cell->events()->front()->event(), other);
    cell->removeEventWithUID(QStringLiteral("no such uid"));
    EXPECT_EQ(cell->events()->size(), 1u);
}

TEST_F(YearViewCellList, RemovingACalendarMatchesTheObjectNotItsLook) {
    auto cell = makeCell(2011, 3, 15);
    const auto a = makeCalendar(Calendar::kTypeNormal, true, QColor(Qt::blue), QStringLiteral("A"));
    const auto twin =
        makeCalendar(Calendar::kTypeNormal, true, QColor(Qt::blue), QStringLiteral("A"));
    cell->addEventFromCalendar(makeEvent(at(2011, 3, 15, 9), at(2011, 3, 15, 10)), a);
    cell->addEventFromCalendar(makeEvent(at(2011, 3, 15, 11), at(2011, 3, 15, 12)), twin);
    cell->addEventFromCalendar(makeEvent(at(2011, 3, 15, 13), at(2011, 3, 15, 14)), a);
    cell->removeCalendar(a);
    ASSERT_EQ(cell->events()->size(), 1u);
    EXPECT_EQ(cell->events()->front()->calendar(), twin);
}

TEST_F(YearViewCellList, ReadersKeepTheirSnapshotWhileTheListChanges) {
    auto cell = makeCell(2011, 3, 15);
    const auto calendar = makeCalendar(Calendar::kTypeNormal);
    cell->addEventFromCalendar(makeEvent(at(2011, 3, 15, 9), at(2011, 3, 15, 10)), calendar);
    const auto before = cell->events();
    cell->addEventFromCalendar(makeEvent(at(2011, 3, 15, 11), at(2011, 3, 15, 12)), calendar);
    cell->invalidateEvents();
    EXPECT_EQ(before->size(), 1u);
    EXPECT_TRUE(cell->events()->empty());
    EXPECT_TRUE(cell->hasEventList());  // emptied, not dropped
}

TEST_F(YearViewCellList, InvalidatingKeepsTheFactsUntilTheNextRescan) {
    auto cell = makeCell(2011, 3, 15);
    cell->addEventFromCalendar(makeAllDay(2011, 3, 15, QStringLiteral("Ann")),
                               makeCalendar(Calendar::kTypeBirthday));
    cell->invalidateEvents();
    EXPECT_TRUE(cell->dayHasBirthdays3());
    EXPECT_FALSE(cell->dayHasBirthdays());
    EXPECT_FALSE(cell->dayHasBirthdays3());
}

TEST_F(YearViewCellList, ACellWithoutDateIgnoresEveryRecord) {
    YearViewCell cell;
    EXPECT_FALSE(cell.isValidDate());
    EXPECT_EQ(cell.dayName(), QString());
    cell.addEventFromCalendar(makeAllDay(2011, 3, 15), makeCalendar(Calendar::kTypeNormal));
    cell.userAddedNewEvent(std::make_shared<EventDay>());
    EXPECT_FALSE(cell.hasEventList());
    cell.setObjectValue(QVariant::fromValue(MyDate::dateWithDayMonthYear(1, 2, 2011)));
    EXPECT_TRUE(cell.isValidDate());
    cell.setObjectValue(QStringLiteral("not a date"));
    EXPECT_FALSE(cell.isValidDate());
}

TEST_F(YearViewCellList, UserAddedRecordsAreAppendedWithoutChangingFacts) {
    auto cell = makeCell(2011, 3, 15);
    auto record = std::make_shared<EventDay>();
    record->setEvent(
        makeAllDay(2011, 3, 15, QStringLiteral("Notes"), QStringLiteral("Zolt:Notes")));
    record->setIsNew(true);
    cell->userAddedNewEvent(record);
    ASSERT_EQ(cell->events()->size(), 1u);
    EXPECT_EQ(cell->events()->front(), record);
    EXPECT_FALSE(cell->hasNotes2());  // not scanned yet
}

TEST_F(YearViewCellList, TheSelectionFollowsTheHighlightAndNeverCountsBelowZero) {
    auto may3 = makeCell(2011, 5, 3);
    auto jan9 = makeCell(2011, 1, 9);
    EXPECT_EQ(YearViewCell::selectedDayMonth(), 0);
    EXPECT_EQ(YearViewCell::selectedDayDay(), 0);

    may3->setHighlighted(true);
    jan9->setHighlighted(true);
    may3->setHighlighted(true);  // already highlighted: nothing changes
    EXPECT_EQ(YearViewCell::selectCount(), 2);
    // The first one highlighted, not the earliest date.
    EXPECT_EQ(YearViewCell::selectedDayMonth(), 5);
    EXPECT_EQ(YearViewCell::selectedDayDay(), 3);

    // The page empties the selection and unhighlights its cells afterwards.
    YearViewCell::deselectAll();
    EXPECT_EQ(YearViewCell::selectCount(), 0);
    EXPECT_TRUE(may3->isHighlighted());
    may3->setHighlighted(false);
    jan9->setHighlighted(false);
    EXPECT_EQ(YearViewCell::selectCount(), 0);
    EXPECT_TRUE(YearViewCell::currentSelection().empty());

    // Removal is by the date object, not by an equal date of another cell.
    auto twin = makeCell(2011, 5, 3);
    may3->setHighlighted(true);
    twin->setHighlighted(false);
    EXPECT_EQ(YearViewCell::selectCount(), 1);
    twin->setHighlighted(true);
    may3->setHighlighted(false);
    ASSERT_EQ(YearViewCell::currentSelection().size(), 1u);
    EXPECT_EQ(YearViewCell::currentSelection().front(), twin->cellDate());
    twin->setHighlighted(false);
}

TEST_F(YearViewCellList, TheHolidayFontFollowsSmallDayTexts) {
    YearViewCell::setTextSize(10);
    EXPECT_DOUBLE_EQ(YearViewCell::holidayTextAttributes().font.pointSize(), 8.0);
    YearViewCell::setTextSize(6);
    EXPECT_NEAR(YearViewCell::holidayTextAttributes().font.pointSize(), 5.4, 1e-6);
    YearViewCell::setTextSize(10);
}
