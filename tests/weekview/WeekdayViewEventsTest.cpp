// The day column's event lists: the overlap layout of a day's entries, which
// full-day entries the header lists, and the look-ups of a column's records.

#include "WeekdayViewTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace wdvtest;

namespace {

// One entry of a day: a timed event from `from` (on `startDay` days away) to
// `to`, or a full-day entry, of a calendar of `type`, shown or not.
struct Entry {
    const char* title;
    const char* from = "00:00";
    const char* to = "00:00";
    bool fullday = false;
    int type = Calendar::kTypeNormal;
    bool shown = true;
    const char* location = "";
    int startDay = 0;
};
Entry at(const char* title, const char* from, const char* to, bool shown = true) {
    return Entry{title, from, to, false, Calendar::kTypeNormal, shown};
}
// A timed event that began at `from` the day before.
Entry sinceDayBefore(const char* title, const char* from, const char* to) {
    Entry e = at(title, from, to);
    e.startDay = -1;
    return e;
}
Entry allDay(const char* title, int type = Calendar::kTypeNormal, const char* location = "",
             bool shown = true) {
    return Entry{title, "00:00", "00:00", true, type, shown, location};
}

// A timed event as laid out: title, indent, place in its group, group size.
struct Laid {
    std::string title;
    int indent, index, count;
    bool operator==(const Laid&) const = default;
};
void PrintTo(const Laid& l, std::ostream* os) {
    *os << l.title << " (indent " << l.indent << ", " << l.index << " of " << l.count << ")";
}

class WeekdayViewEventsTest : public ColumnTest {
protected:
    void add(const Entry& e) {
        auto calendar = yvtest::makeCalendar(e.type, e.shown);
        const QString title = QString::fromLatin1(e.title);
        if (e.fullday)
            fullday(calendar, title, QString::fromLatin1(e.location));
        else
            timed(calendar, e.from, e.to, title, e.startDay);
    }
    static std::vector<Laid> laidOut(const WeekdayView::DayLayout& layout) {
        std::vector<Laid> out;
        for (const auto& t : layout.events)
            out.push_back({t.record->event()->title().toStdString(), t.indentLevel,
                           t.indexAtSameTime, t.eventsAtSameTime});
        return out;
    }
    static std::vector<std::string> titles(const std::vector<EventDayPtr>& records) {
        std::vector<std::string> out;
        for (const auto& r : records) out.push_back(r->event()->title().toStdString());
        return out;
    }
};

TEST_F(WeekdayViewEventsTest, SortEventsGroupsIndentsAndListsTheFulldayEntries) {
    struct Case {
        const char* what;
        std::vector<Entry> day;  // in the cell's order
        bool showMarks;
        std::vector<Laid> timed;
        std::vector<std::string> fulldays;
    };
    const Case cases[] = {
        {"starts within 20 minutes share one group",
         {at("A", "09:00", "10:00"), at("B", "09:10", "10:00"), at("C", "09:15", "10:00")},
         true,
         {{"A", 0, 0, 3}, {"B", 0, 1, 3}, {"C", 0, 2, 3}},
         {}},
        {"a start 20 minutes later begins a group; ended events do not indent",
         {at("A", "09:00", "09:20"), at("B", "09:20", "10:00")},
         true,
         {{"A", 0, 0, 1}, {"B", 0, 0, 1}},
         {}},
        {"a group that begins while an event runs is indented",
         {at("A", "09:00", "10:00"), at("B", "09:20", "10:00")},
         true,
         {{"A", 0, 0, 1}, {"B", 1, 0, 1}},
         {}},
        {"an event that ended before a group's start no longer indents it",
         {at("A", "09:00", "11:00"), at("B", "10:00", "10:30"), at("C", "11:00", "12:00")},
         true,
         {{"A", 0, 0, 1}, {"B", 1, 0, 1}, {"C", 0, 0, 1}},
         {}},
        {"the cell's order is sorted by start",
         {at("C", "11:00", "12:00"), at("A", "09:00", "11:00"), at("B", "10:00", "10:30")},
         true,
         {{"A", 0, 0, 1}, {"B", 1, 0, 1}, {"C", 0, 0, 1}},
         {}},
        {"a hidden event between two shown ones neither shows nor counts",
         {at("A", "09:00", "10:00"), at("Hidden", "09:05", "10:00", false),
          at("C", "09:10", "10:00")},
         true,
         {{"A", 0, 0, 2}, {"C", 0, 1, 2}},
         {}},
        {"an event at midnight beside a holiday, the notes and a full-day entry",
         {at("Early", "00:00", "01:00"), allDay("Holiday", Calendar::kTypeHoliday),
          allDay("Notes", Calendar::kTypeNormal, "Zolt:Notes"), allDay("Trip")},
         true,
         {{"Early", 0, 0, 1}},
         {"Trip"}},
        {"events starting together keep the cell's order",
         {at("Second", "09:00", "10:00"), at("First", "09:00", "10:00")},
         true,
         {{"Second", 0, 0, 2}, {"First", 0, 1, 2}},
         {}},
        {"an event from the day before indents the day's first group",
         {sinceDayBefore("Night", "09:00", "01:00"), at("Breakfast", "00:10", "00:40")},
         true,
         {{"Night", 0, 0, 1}, {"Breakfast", 1, 0, 1}},
         {}},
        {"marks are listed when the setting asks for it",
         {allDay("Mark", Calendar::kTypeMarker, "Zolt:AAAA"),
          allDay("Ada", Calendar::kTypeBirthday),
          allDay("Hidden", Calendar::kTypeNormal, "", false), allDay("Trip")},
         true,
         {},
         {"Mark", "Trip"}},
        {"and not otherwise",
         {allDay("Mark", Calendar::kTypeMarker, "Zolt:AAAA"), allDay("Trip")},
         false,
         {},
         {"Trip"}},
        {"an empty day", {}, true, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cell = yvtest::makeCell(kYear, kMonth, kDay);
        for (const Entry& e : c.day) add(e);
        const auto layout = WeekdayView::sortEvents(*cell->events(), c.showMarks);
        EXPECT_EQ(laidOut(layout), c.timed);
        EXPECT_EQ(titles(layout.fdevents), c.fulldays);
    }
}

TEST_F(WeekdayViewEventsTest, SortEventsLeavesTheRecordsAlone) {
    const auto a = timed(work, "09:00", "10:00", QStringLiteral("A"));
    const auto b = timed(work, "09:05", "10:00", QStringLiteral("B"));
    for (const EventDayPtr& r : *cell->events()) {
        r->setIndentLevel(7);
        r->setIndexAtSameTime(7);
        r->setEventsAtSameTime(7);
    }
    const auto before = cell->events();
    const auto layout = WeekdayView::sortEvents(*before, true);
    ASSERT_EQ(layout.events.size(), 2u);
    EXPECT_EQ(layout.events[1].eventsAtSameTime, 2);
    for (const EventDayPtr& r : *cell->events()) {
        EXPECT_EQ(r->indentLevel(), 7);
        EXPECT_EQ(r->indexAtSameTime(), 7);
        EXPECT_EQ(r->eventsAtSameTime(), 7);
    }
    EXPECT_EQ(cell->events(), before);
}

TEST_F(WeekdayViewEventsTest, TheColumnKeepsTheLayoutOnItsRecordsAndTheHeaderFollows) {
    const auto a = timed(work, "09:00", "10:00", QStringLiteral("A"));
    const auto b = timed(home, "09:10", "10:00", QStringLiteral("B"));
    const auto c = timed(work, "09:30", "11:00", QStringLiteral("C"));
    const auto trip = fullday(home, QStringLiteral("Trip"));
    auto col = column(300);
    col->setYVCell(cell);
    ASSERT_EQ(col->events().size(), 3u);
    EXPECT_EQ(col->events()[0], recordOf(a));
    EXPECT_EQ(col->events()[1], recordOf(b));
    EXPECT_EQ(col->events()[2], recordOf(c));
    EXPECT_EQ(recordOf(b)->indexAtSameTime(), 1);
    EXPECT_EQ(recordOf(b)->eventsAtSameTime(), 2);
    EXPECT_EQ(recordOf(c)->indentLevel(), 1);
    ASSERT_EQ(col->fdevents().size(), 1u);
    EXPECT_EQ(col->fdevents()[0], recordOf(trip));
    EXPECT_EQ(col->headerView()->collapsedHeight(), 54);

    // Hiding a calendar: its events go, the group shrinks, the header with them.
    home->setSelected(false);
    col->eventlistChanged();
    ASSERT_EQ(col->events().size(), 2u);
    EXPECT_EQ(recordOf(a)->eventsAtSameTime(), 1);
    EXPECT_TRUE(col->fdevents().empty());
    EXPECT_EQ(col->headerView()->collapsedHeight(), 26);

    // A column left without a day shows nothing of the last one.
    home->setSelected(true);
    col->setYVCell(nullptr);
    EXPECT_TRUE(col->events().empty());
    EXPECT_TRUE(col->fdevents().empty());
    EXPECT_EQ(col->headerView()->collapsedHeight(), 26);
}

TEST_F(WeekdayViewEventsTest, ContainsEventAsksForTheVeryRecord) {
    const auto event = timed(work, "09:00", "10:00", QStringLiteral("A"));
    const auto trip = fullday(work, QStringLiteral("Trip"));
    const auto holiday =
        fullday(yvtest::makeCalendar(Calendar::kTypeHoliday), QStringLiteral("Holiday"));
    auto col = column(300);
    col->setYVCell(cell);

    // Another record of the same event on the same day is not this column's.
    auto twin = yvtest::makeCell(kYear, kMonth, kDay);
    twin->addEventFromCalendar(event, work);
    struct Case {
        const char* what;
        EventDayPtr record;
        bool contained;
    };
    for (const Case& c :
         {Case{"timed", recordOf(event), true}, Case{"full-day", recordOf(trip), true},
          Case{"not listed", recordOf(holiday), false},
          Case{"an equal record", twin->events()->front(), false}, Case{"none", nullptr, false}}) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(col->containsEvent(c.record), c.contained);
    }
}

TEST_F(WeekdayViewEventsTest, EventDayForCalEventFindsTheTimedOccurrenceOnly) {
    const auto event = timed(work, "09:00", "10:00", QStringLiteral("Weekly"));
    const auto trip = fullday(work, QStringLiteral("Trip"));
    auto col = column(300);
    col->setYVCell(cell);

    // The store answers a copy of the occurrence; another occurrence of the
    // same series has the same UID and another start.
    const auto copy = std::make_shared<calstore::Event>(*event);
    auto nextWeek = std::make_shared<calstore::Event>(*event);
    nextWeek->setStartDate(event->startDate().addDays(7));
    nextWeek->setEndDate(event->endDate().addDays(7));
    struct Case {
        const char* what;
        calstore::EventPtr event;
        EventDayPtr found;
    };
    for (const Case& c :
         {Case{"the occurrence", copy, recordOf(event)},
          Case{"another occurrence", nextWeek, nullptr}, Case{"a full-day entry", trip, nullptr},
          Case{"none", nullptr, nullptr}}) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(col->eventDayForCalEvent(c.event), c.found);
    }
}

}  // namespace
