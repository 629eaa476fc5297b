// The event search: its filters, the quick search over the year pages, the
// spans of a store search, narrowing, cancelling, and reports of a replaced
// search dropped on the main thread.

#include "YearViewEventLoaderTestSupport.h"
#include "data/EventFinder.h"
#include "data/MyEventStore.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UserCalendar.h"
#include "platform/store/StoreError.h"

#include <chrono>
#include <functional>
#include <thread>

using namespace loadertest;

namespace {

// Records the calls, in order, as "found UID", "invalid UID" and "complete".
class Recorder final : public EventFinderController {
public:
    void searchFoundEvent(const EventDayPtr& r) override {
        calls << QStringLiteral("found ") + r->event()->uid();
    }
    void invalidateFoundEvent(const EventDayPtr& r) override {
        calls << QStringLiteral("invalid ") + r->event()->uid();
    }
    void searchComplete() override { calls << QStringLiteral("complete"); }
    QStringList calls;
};

// A page that lets a test hold the search as it reads a day.
class HeldPage final : public YearViewTarget {
public:
    explicit HeldPage(std::shared_ptr<TestPage> page) : page_(std::move(page)) {}
    int year() const override { return page_->year(); }
    void threadedAddEventFromCalendarForDayInMonthInFullLoading(const calstore::EventPtr& e,
                                                                const CalendarPtr& c, int d, int m,
                                                                bool f) override {
        page_->threadedAddEventFromCalendarForDayInMonthInFullLoading(e, c, d, m, f);
    }
    void threadedRemoveCalendarForDayInMonth(const CalendarPtr& c, int d, int m) override {
        page_->threadedRemoveCalendarForDayInMonth(c, d, m);
    }
    void threadedRemoveEventUIDFromDayInMonth(const QString& u, int d, int m) override {
        page_->threadedRemoveEventUIDFromDayInMonth(u, d, m);
    }
    void threadedUpdateView() override {}
    void threadedUpdateViewOffscreen() override {}
    void invalidateEvents() override {}
    EventListPtr eventsForDayAndMonth(int day, int month) const override {
        if (day == 2 && month == 1) gate.pass();
        return page_->eventsForDayAndMonth(day, month);
    }
    mutable Gate gate;

private:
    std::shared_ptr<TestPage> page_;
};

// Waits without running the main thread's queue, so that the reports the
// jobs hand to it meanwhile stay queued.
bool waitHoldingReports(const std::function<bool()>& done, double seconds = 5.0) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

QVariantMap allFields(bool quick = true) {
    return {{EventFinder::kQuickSearchMode, quick}, {EventFinder::kSearchInTitle, true},
            {EventFinder::kSearchInLocation, true}, {EventFinder::kSearchInAttendees, true},
            {EventFinder::kSearchInNotes, true},    {EventFinder::kSearchInUid, true}};
}

class EventFinderTest : public LoaderTest {
protected:
    void SetUp() override {
        LoaderTest::SetUp();
        finder->setController(&recorder);
        finder->setSearchOptions(allFields());
        EventFinder::setYearPagesProvider(
            [this] { return std::vector<YearViewTargetPtr>(pages.begin(), pages.end()); });
    }
    void TearDown() override {
        finder->cancel();
        testsupport::waitUntil([this] { return !finder->isActive(); });
        EventFinder::setYearPagesProvider(nullptr);
        LoaderTest::TearDown();
    }

    // The store's occurrences of the UID as the store search would make them.
    EventDayPtr record(const QString& uid) {
        const auto events = eventsWithUID(uid);
        EXPECT_FALSE(events.isEmpty()) << uid.toStdString();
        if (events.isEmpty()) return nullptr;
        EventDayPtr r = EventDay::eventDayFromCalEvent(events.first());
        r->setCalendar(sources->calendarWithUID(events.first()->calendar()->uid()));
        return r;
    }
    // Adds the event's first occurrence to a page on the day.
    void show(const std::shared_ptr<TestPage>& page, const QString& uid, int day, int month) {
        const EventDayPtr r = record(uid);
        page->threadedAddEventFromCalendarForDayInMonthInFullLoading(r->event(), r->calendar(), day,
                                                                     month, false);
    }
    bool waitForCompletion() {
        const bool done = testsupport::waitUntil([this] {
            return recorder.calls.contains(QStringLiteral("complete")) && !finder->isActive();
        });
        testsupport::waitUntil([] { return false; }, 0.05);  // any late report
        return done;
    }

    // A quick search for "hit" (shown on 1 and 5 January 2011) held as it
    // reads 2 January, its reports still queued; null when it never got there.
    std::shared_ptr<HeldPage> quickSearchHeldOnSecondJanuary() {
        writeTimed(QStringLiteral("work"), QStringLiteral("hit"), QStringLiteral("20110101T090000"),
                   QStringLiteral("20110101T100000"));
        open();
        auto inner = std::make_shared<TestPage>(2011);
        show(inner, QStringLiteral("hit"), 1, 1);
        show(inner, QStringLiteral("hit"), 5, 1);
        auto held = std::make_shared<HeldPage>(inner);
        pages = {held};
        finder->startFinding(QStringLiteral("hit"));
        if (!waitHoldingReports([&] { return held->gate.reached(); })) return nullptr;
        return held;
    }

    std::shared_ptr<EventFinder> finder = std::make_shared<EventFinder>();
    Recorder recorder;
    std::vector<std::shared_ptr<YearViewTarget>> pages;
};

TEST_F(EventFinderTest, FiltersAndFieldsDecideWhichRecordsPass) {
    writeEvent(
        QStringLiteral("work"), QStringLiteral("dinner"),
        {QStringLiteral("DTSTART:20110307T180000Z"), QStringLiteral("DTEND:20110307T200000Z"),
         QStringLiteral("LOCATION:Harbour Hall"), QStringLiteral("DESCRIPTION:bring Wine"),
         QStringLiteral("ATTENDEE;CN=Alice Smith:mailto:bob@example.org")});
    writeEvent(
        QStringLiteral("work"), QStringLiteral("weekly"),
        {QStringLiteral("DTSTART:20110307T090000Z"), QStringLiteral("DTEND:20110307T100000Z"),
         QStringLiteral("RRULE:FREQ=WEEKLY;COUNT=5")});
    writeEvent(
        QStringLiteral("work"), QStringLiteral("daily"),
        {QStringLiteral("DTSTART:20110307T090000Z"), QStringLiteral("DTEND:20110307T100000Z"),
         QStringLiteral("RRULE:FREQ=DAILY;COUNT=5")});
    writeAllDay(QStringLiteral("home"), QStringLiteral("trip"), QStringLiteral("20110307"),
                QStringLiteral("20110309"));
    writeEvent(QStringLiteral("home"), QStringLiteral("marker"),
               {QStringLiteral("DTSTART;VALUE=DATE:20110307"),
                QStringLiteral("DTEND;VALUE=DATE:20110308"), QStringLiteral("LOCATION:Zolt:abc")});
    writeEvent(
        QStringLiteral("home"), QStringLiteral("note"),
        {QStringLiteral("DTSTART;VALUE=DATE:20110307"), QStringLiteral("DTEND;VALUE=DATE:20110308"),
         QStringLiteral("LOCATION:Zolt:Notes")});
    open();
    calendarNamed(QStringLiteral("Home"))->setCalendarType(Calendar::kTypeHoliday);
    const QString homeUID = calendarNamed(QStringLiteral("Home"))->uid();

    struct Case {
        const char* name;
        QVariantMap options;  // on top of all fields searched
        QString text;
        QString uid;
        bool passes;
    };
    const Case cases[] = {
        {"title ignoring case", {}, QStringLiteral("DINN"), QStringLiteral("dinner"), true},
        {"location", {}, QStringLiteral("harbour"), QStringLiteral("dinner"), true},
        {"attendee name", {}, QStringLiteral("alice"), QStringLiteral("dinner"), true},
        {"attendee address", {}, QStringLiteral("bob@EXAMPLE"), QStringLiteral("dinner"), true},
        {"notes", {}, QStringLiteral("wine"), QStringLiteral("dinner"), true},
        {"notes off",
         {{EventFinder::kSearchInNotes, false}},
         QStringLiteral("wine"),
         QStringLiteral("dinner"),
         false},
        {"uid",
         {{EventFinder::kSearchInTitle, false}},
         QStringLiteral("inne"),
         QStringLiteral("dinner"),
         true},
        {"no field",
         {{EventFinder::kSearchInTitle, false},
          {EventFinder::kSearchInLocation, false},
          {EventFinder::kSearchInAttendees, false},
          {EventFinder::kSearchInNotes, false},
          {EventFinder::kSearchInUid, false}},
         QStringLiteral("dinner"),
         QStringLiteral("dinner"),
         false},
        {"marker not by its location",
         {{EventFinder::kSearchInUid, false}},
         QStringLiteral("Zolt:"),
         QStringLiteral("marker"),
         false},
        {"marker by its title",
         {{EventFinder::kFilterForEventType, true}, {EventFinder::kEventType, 3}},
         QStringLiteral("mark"),
         QStringLiteral("marker"),
         true},
        {"type 3 passes notes",
         {{EventFinder::kFilterForEventType, true}, {EventFinder::kEventType, 3}},
         QStringLiteral("note"),
         QStringLiteral("note"),
         true},
        {"type 3 fails plain",
         {{EventFinder::kFilterForEventType, true}, {EventFinder::kEventType, 3}},
         QStringLiteral("dinner"),
         QStringLiteral("dinner"),
         false},
        {"type 4 notes",
         {{EventFinder::kFilterForEventType, true}, {EventFinder::kEventType, 4}},
         QStringLiteral("note"),
         QStringLiteral("note"),
         true},
        {"type 4 fails marker",
         {{EventFinder::kFilterForEventType, true}, {EventFinder::kEventType, 4}},
         QStringLiteral("marker"),
         QStringLiteral("marker"),
         false},
        {"type 0 all-day",
         {{EventFinder::kFilterForEventType, true}, {EventFinder::kEventType, 0}},
         QStringLiteral("trip"),
         QStringLiteral("trip"),
         true},
        {"type 0 timed",
         {{EventFinder::kFilterForEventType, true}, {EventFinder::kEventType, 0}},
         QStringLiteral("dinner"),
         QStringLiteral("dinner"),
         false},
        {"type 2 holiday store",
         {{EventFinder::kFilterForEventType, true}, {EventFinder::kEventType, 2}},
         QStringLiteral("trip"),
         QStringLiteral("trip"),
         true},
        {"type 1 not birthday",
         {{EventFinder::kFilterForEventType, true}, {EventFinder::kEventType, 1}},
         QStringLiteral("trip"),
         QStringLiteral("trip"),
         false},
        {"type 9 restricts nothing",
         {{EventFinder::kFilterForEventType, true}, {EventFinder::kEventType, 9}},
         QStringLiteral("dinner"),
         QStringLiteral("dinner"),
         true},
        {"recurrence 2 weekly",
         {{EventFinder::kFilterForRecurrenceType, true}, {EventFinder::kRecurrenceType, 2}},
         QStringLiteral("weekly"),
         QStringLiteral("weekly"),
         true},
        {"recurrence 2 not daily",
         {{EventFinder::kFilterForRecurrenceType, true}, {EventFinder::kRecurrenceType, 2}},
         QStringLiteral("daily"),
         QStringLiteral("daily"),
         false},
        {"recurrence 2 not single",
         {{EventFinder::kFilterForRecurrenceType, true}, {EventFinder::kRecurrenceType, 2}},
         QStringLiteral("dinner"),
         QStringLiteral("dinner"),
         false},
        {"recurrence 0 single",
         {{EventFinder::kFilterForRecurrenceType, true}, {EventFinder::kRecurrenceType, 0}},
         QStringLiteral("dinner"),
         QStringLiteral("dinner"),
         true},
        {"calendar by title",
         {{EventFinder::kFilterForCalendar, true},
          {EventFinder::kCalendar, QStringLiteral("Work")}},
         QStringLiteral("dinner"),
         QStringLiteral("dinner"),
         true},
        {"other calendar title",
         {{EventFinder::kFilterForCalendar, true},
          {EventFinder::kCalendar, QStringLiteral("Home")}},
         QStringLiteral("dinner"),
         QStringLiteral("dinner"),
         false},
        {"no calendar key",
         {{EventFinder::kFilterForCalendar, true}},
         QStringLiteral("dinner"),
         QStringLiteral("dinner"),
         false},
        {"UID wins over a stale title",
         {{EventFinder::kFilterForCalendar, true},
          {EventFinder::kCalendar, QStringLiteral("Work")},
          {EventFinder::kCalendarUID, homeUID}},
         QStringLiteral("trip"),
         QStringLiteral("trip"),
         true},
        {"UID of no calendar: title",
         {{EventFinder::kFilterForCalendar, true},
          {EventFinder::kCalendar, QStringLiteral("Work")},
          {EventFinder::kCalendarUID, QStringLiteral("gone")}},
         QStringLiteral("dinner"),
         QStringLiteral("dinner"),
         true},
    };
    for (const Case& c : cases) {
        QVariantMap options = allFields();
        for (auto it = c.options.begin(); it != c.options.end(); ++it)
            options[it.key()] = it.value();
        finder->setSearchOptions(options);
        // Narrowing an empty set of hits sets the text a search would hold.
        finder->narrowSearch(c.text);
        testsupport::waitUntil([this] { return !finder->isActive(); });
        EXPECT_EQ(finder->internalEventPassesFilter(record(c.uid)), c.passes) << c.name;
    }
}

TEST_F(EventFinderTest, QuickSearchFindsEachDayShownInTheThreePagesOnce) {
    writeTimed(QStringLiteral("work"), QStringLiteral("MEETING"), QStringLiteral("20110307T090000"),
               QStringLiteral("20110307T100000"));
    writeTimed(QStringLiteral("work"), QStringLiteral("lunch"), QStringLiteral("20110307T120000"),
               QStringLiteral("20110307T130000"));
    open();
    auto past = std::make_shared<TestPage>(2010);
    auto current = std::make_shared<TestPage>(2011);
    auto future = std::make_shared<TestPage>(2012);
    pages = {past, current, future};
    show(current, QStringLiteral("MEETING"), 7, 3);
    show(current, QStringLiteral("MEETING"), 8, 3);
    show(current, QStringLiteral("lunch"), 7, 3);
    show(future, QStringLiteral("MEETING"), 1, 1);
    show(past, QStringLiteral("MEETING"), 31, 12);

    finder->startFinding(QStringLiteral("meet"));
    ASSERT_TRUE(waitForCompletion());
    EXPECT_EQ(recorder.calls,
              (QStringList{QStringLiteral("found MEETING"), QStringLiteral("found MEETING"),
                           QStringLiteral("found MEETING"), QStringLiteral("found MEETING"),
                           QStringLiteral("complete")}));
    EXPECT_EQ(finder->workingSet().size(), 4u);

    // Nothing searched: no hit, but the end is reported.
    recorder.calls.clear();
    QVariantMap none = allFields();
    for (const QString& key :
         {EventFinder::kSearchInTitle, EventFinder::kSearchInLocation,
          EventFinder::kSearchInAttendees, EventFinder::kSearchInNotes, EventFinder::kSearchInUid})
        none[key] = false;
    finder->setSearchOptions(none);
    finder->startFinding(QStringLiteral("meet"));
    ASSERT_TRUE(waitForCompletion());
    EXPECT_EQ(recorder.calls, QStringList{QStringLiteral("complete")});
}

TEST_F(EventFinderTest, NoControllerOrEmptyTextStartsNothing) {
    open();
    finder->startFinding(QString());
    auto lone = std::make_shared<EventFinder>();
    lone->startFinding(QStringLiteral("x"));
    EXPECT_FALSE(finder->isActive());
    EXPECT_FALSE(lone->isActive());
    testsupport::waitUntil([] { return false; }, 0.05);
    EXPECT_TRUE(recorder.calls.isEmpty());
}

TEST_F(EventFinderTest, StoreSearchQueriesEachYearOfTheRange) {
    writeTimed(QStringLiteral("work"), QStringLiteral("newyear"), QStringLiteral("20101231T220000"),
               QStringLiteral("20110101T020000"));
    open();
    QStringList spans;
    QStringList calendarsAsked;
    finder->setStoreQuery([&spans, &calendarsAsked](const calstore::EventPredicate& p) {
        spans << p.startDate.toTimeZone(foundation::UserCalendar::current().timeZone())
                         .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                     QStringLiteral(" .. ") +
                     p.endDate.toTimeZone(foundation::UserCalendar::current().timeZone())
                         .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        calendarsAsked = p.calendarUIDs;
        return MyEventStore::eventsWithPredicate(p);
    });
    QVariantMap options = allFields(false);
    options[EventFinder::kSearchFrom] = appPref::dateString(15, 11, 2010);
    options[EventFinder::kSearchTo] = appPref::dateString(10, 2, 2012);
    finder->setSearchOptions(options);
    finder->startFinding(QStringLiteral("newyear"));
    ASSERT_TRUE(waitForCompletion());
    EXPECT_EQ(spans, (QStringList{QStringLiteral("2010-11-15 00:00:00 .. 2010-12-31 23:59:00"),
                                  QStringLiteral("2011-01-01 00:00:00 .. 2011-12-31 23:59:00"),
                                  QStringLiteral("2012-01-01 00:00:00 .. 2012-02-10 23:59:00")}));
    EXPECT_EQ(calendarsAsked.size(), 2);
    // Spanning the turn of the year, it is found in each year's query.
    EXPECT_EQ(recorder.calls,
              (QStringList{QStringLiteral("found newyear"), QStringLiteral("found newyear"),
                           QStringLiteral("complete")}));
    ASSERT_EQ(finder->workingSet().size(), 2u);
    EXPECT_EQ(finder->workingSet().front()->calendar(), calendarNamed(QStringLiteral("Work")));
}

TEST_F(EventFinderTest, AFailingYearIsLoggedAndTheSearchGoesOn) {
    writeTimed(QStringLiteral("work"), QStringLiteral("found"), QStringLiteral("20110307T090000"),
               QStringLiteral("20110307T100000"));
    open();
    foundation::LogCapture log;
    finder->setStoreQuery([](const calstore::EventPredicate& p) {
        if (p.startDate.toTimeZone(foundation::UserCalendar::current().timeZone()).date().year() ==
            2010)
            throw calstore::StoreError(QStringLiteral("disk gone"));
        return MyEventStore::eventsWithPredicate(p);
    });
    QVariantMap options = allFields(false);
    options[EventFinder::kSearchFrom] = appPref::dateString(1, 6, 2010);
    options[EventFinder::kSearchTo] = appPref::dateString(1, 6, 2011);
    finder->setSearchOptions(options);
    finder->startFinding(QStringLiteral("found"));
    ASSERT_TRUE(waitForCompletion());
    EXPECT_TRUE(
        log.contains(QStringLiteral("ERROR: querying events failed with exception disk gone")));
    EXPECT_EQ(recorder.calls,
              (QStringList{QStringLiteral("found found"), QStringLiteral("complete")}));
}

TEST_F(EventFinderTest, NarrowingWithdrawsExactlyTheFailingHitsAndCompletesOnce) {
    for (const char* uid : {"alpha", "alphabet", "alpine", "balpha"})
        writeTimed(QStringLiteral("work"), QString::fromLatin1(uid),
                   QStringLiteral("20110307T090000"), QStringLiteral("20110307T100000"));
    open();
    auto current = std::make_shared<TestPage>(2011);
    pages = {current};
    for (const char* uid : {"alpha", "alphabet", "alpine", "balpha"})
        show(current, QString::fromLatin1(uid), 7, 3);
    QVariantMap options = allFields();
    options[EventFinder::kSearchInUid] = false;
    finder->setSearchOptions(options);
    finder->startFinding(QStringLiteral("al"));
    ASSERT_TRUE(waitForCompletion());
    recorder.calls.clear();

    // Three narrowings held until all have begun: one completion, after the last.
    Gate gate;
    finder->beforeNarrowing = [&gate] { gate.pass(); };
    finder->narrowSearch(QStringLiteral("alp"));
    finder->narrowSearch(QStringLiteral("alph"));
    finder->narrowSearch(QStringLiteral("ALPHAB"));
    gate.open();
    ASSERT_TRUE(waitForCompletion());
    finder->beforeNarrowing = nullptr;
    QStringList invalid = recorder.calls.filter(QStringLiteral("invalid"));
    invalid.sort();
    invalid.removeDuplicates();
    EXPECT_EQ(invalid,
              (QStringList{QStringLiteral("invalid alpha"), QStringLiteral("invalid alpine"),
                           QStringLiteral("invalid balpha")}));
    EXPECT_EQ(recorder.calls.count(QStringLiteral("complete")), 1);
    EXPECT_EQ(recorder.calls.last(), QStringLiteral("complete"));
    ASSERT_EQ(finder->workingSet().size(), 1u);
    EXPECT_EQ(finder->workingSet().front()->event()->uid(), QStringLiteral("alphabet"));
}

TEST_F(EventFinderTest, CancelStopsAQuickSearchAndDropsItsLateReports) {
    const auto held = quickSearchHeldOnSecondJanuary();
    ASSERT_TRUE(held);
    finder->cancel();
    held->gate.open();
    ASSERT_TRUE(testsupport::waitUntil([this] { return !finder->isActive(); }));
    testsupport::waitUntil([] { return false; }, 0.05);
    // The hit of 1 January was reported before the cancel reached the main
    // thread's queue; it belongs to a search nobody waits for any more.
    EXPECT_TRUE(recorder.calls.isEmpty()) << recorder.calls.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(finder->workingSet().size(), 1u);  // stopped before 5 January
}

TEST_F(EventFinderTest, AHitWithdrawnWhileTheSearchRunsReachesTheListBeforeItsWithdrawal) {
    // The search holds on 2 January with the hit of the 1st not yet reported.
    const auto held = quickSearchHeldOnSecondJanuary();
    ASSERT_TRUE(held);
    finder->narrowSearch(QStringLiteral("hitx"));
    ASSERT_TRUE(waitHoldingReports([this] { return finder->workingSet().empty(); }));
    held->gate.open();
    ASSERT_TRUE(waitForCompletion());
    ASSERT_GE(recorder.calls.size(), 2);
    EXPECT_EQ(recorder.calls.mid(0, 2),
              (QStringList{QStringLiteral("found hit"), QStringLiteral("invalid hit")}));
    EXPECT_EQ(recorder.calls.count(QStringLiteral("found hit")), 1);  // not the 5th
}

TEST_F(EventFinderTest, CancelStopsAStoreSearchAfterTheCurrentEvent) {
    for (const char* uid : {"s1", "s2"})
        writeTimed(QStringLiteral("work"), QString::fromLatin1(uid),
                   QStringLiteral("20110307T090000"), QStringLiteral("20110307T100000"));
    open();
    Gate gate;
    finder->setStoreQuery([&gate](const calstore::EventPredicate& p) {
        gate.pass();
        return MyEventStore::eventsWithPredicate(p);
    });
    QVariantMap options = allFields(false);
    options[EventFinder::kSearchFrom] = appPref::dateString(1, 1, 2011);
    options[EventFinder::kSearchTo] = appPref::dateString(1, 6, 2013);
    finder->setSearchOptions(options);
    finder->startFinding(QStringLiteral("s"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return gate.reached(); }));
    finder->cancel();
    gate.open();
    ASSERT_TRUE(testsupport::waitUntil([this] { return !finder->isActive(); }));
    EXPECT_EQ(finder->workingSet().size(), 1u);
    testsupport::waitUntil([] { return false; }, 0.05);
    EXPECT_TRUE(recorder.calls.isEmpty());
}

TEST_F(EventFinderTest, ANewSearchDropsTheReportsOfTheOneItReplaced) {
    for (const char* uid : {"old", "new"})
        writeTimed(QStringLiteral("work"), QString::fromLatin1(uid),
                   QStringLiteral("20110307T090000"), QStringLiteral("20110307T100000"));
    open();
    auto current = std::make_shared<TestPage>(2011);
    pages = {current};
    show(current, QStringLiteral("old"), 7, 3);
    show(current, QStringLiteral("new"), 8, 3);
    finder->startFinding(QStringLiteral("old"));
    // The first search's reports are still queued when the second starts.
    ASSERT_TRUE(waitHoldingReports([this] { return !finder->isActive(); }));
    finder->startFinding(QStringLiteral("new"));
    ASSERT_TRUE(waitForCompletion());
    EXPECT_EQ(recorder.calls,
              (QStringList{QStringLiteral("found new"), QStringLiteral("complete")}));
}

TEST_F(EventFinderTest, StartNarrowAndCancelRaceWithoutHarm) {
    writeTimed(QStringLiteral("work"), QStringLiteral("racer"), QStringLiteral("20110307T090000"),
               QStringLiteral("20110307T100000"));
    open();
    auto current = std::make_shared<TestPage>(2011);
    pages = {current};
    for (int day = 1; day <= 28; ++day) show(current, QStringLiteral("racer"), day, 2);
    for (int round = 0; round < 30; ++round) {
        finder->startFinding(QStringLiteral("ra"));
        finder->narrowSearch(QStringLiteral("rac"));
        if (round % 3 == 0) finder->cancel();
        finder->narrowSearch(QStringLiteral("racx"));
    }
    finder->startFinding(QStringLiteral("racer"));
    recorder.calls.clear();
    ASSERT_TRUE(waitForCompletion());
    EXPECT_EQ(recorder.calls.count(QStringLiteral("found racer")), 28);
    EXPECT_EQ(recorder.calls.count(QStringLiteral("complete")), 1);
}

}  // namespace
