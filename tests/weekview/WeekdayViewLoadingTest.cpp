// A day column over a year page that the real loaders fill from a store on
// disk: the column takes the day's cell, and when a job changes the day on
// its own thread the column's lists follow, changed on the main thread only.

#include "WeekdayViewTestSupport.h"
#include "data/YearViewEventLoader.h"
#include "yearview/YearViewPageWorld.h"

#include <QPointer>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using namespace yvpage;

// Stands in for the year area: a finished job's page update reaches the week
// view through it.
class YearArea final : public kit::View {
    Q_OBJECT

public:
    using kit::View::View;
    Q_INVOKABLE void updateWeekView() {
        if (column) column->threadedUpdateView();
    }
    QPointer<WeekdayView> column;
};

const QByteArray kIcsHead =
    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VEVENT\r\n";
const QByteArray kIcsTail = "DTSTAMP:20240101T000000Z\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";

QByteArray timedIcs(const char* uid, const char* title, const char* from, const char* to) {
    return kIcsHead + "UID:" + uid + "\r\nSUMMARY:" + title + "\r\nDTSTART:20240305T" + from +
           "00\r\nDTEND:20240305T" + to + "00\r\n" + kIcsTail;
}

class WeekdayViewLoadingTest : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        ASSERT_TRUE(dir.write(QStringLiteral("store/work/w1.ics"),
                              timedIcs("w1", "Standup", "0900", "1000")));
        ASSERT_TRUE(dir.write(QStringLiteral("store/work/w2.ics"),
                              timedIcs("w2", "Review", "0910", "0940")));
        ASSERT_TRUE(dir.write(QStringLiteral("store/home/h1.ics"),
                              kIcsHead +
                                  "UID:h1\r\nSUMMARY:Trip\r\nDTSTART;VALUE=DATE:20240305\r\n"
                                  "DTEND;VALUE=DATE:20240306\r\n" +
                                  kIcsTail));
        calstore::Store::setDefaultStore(
            calstore::Store::openAt(dir.file(QStringLiteral("store"))));
        YearView::changeServices([](YearView::Services& s) { s = {}; });
        YearView::connectLoaderJobs();
        YearViewEventLoader::setCalendarSources(delegate->calendarSources);
        WeekdayView::loadPreferences();
    }
    void TearDown() override {
        testsupport::waitUntil([] { return YearViewEventLoader::taskCounts().toDo == 0; }, 10);
        YearViewEventLoader::setCalendarSources(nullptr);
        PageTest::TearDown();
    }

    // The page of 2024 inside a stand-in year area, loaded by the real loader,
    // and a column showing 5 March from it.
    void loadDay() {
        page = makePage(2024);
        page->removeFromSuperview();
        area = new YearArea(QRectF(0, 0, 1000, 623));
        window->contentView()->addSubview(area);
        area->addSubview(page);
        render(page);
        ASSERT_TRUE(testsupport::waitUntil([this] { return page->eventsLoaded(); }, 10));
        col = WeekdayView::initWithFrame(QRectF(0, 0, 120, 500));
        window->contentView()->addSubview(col);
        area->column = col;
        col->setYVCell(page->cellForDayAndMonth(5, 3));
    }

    static std::vector<QString> titles(const std::vector<EventDayPtr>& records) {
        std::vector<QString> out;
        for (const auto& r : records) out.push_back(r->event()->title());
        return out;
    }

    YearView* page = nullptr;
    YearArea* area = nullptr;
    WeekdayView* col = nullptr;
};

TEST_F(WeekdayViewLoadingTest, TheColumnShowsTheLoadedDayAndFollowsAMarkingJob) {
    loadDay();
    ASSERT_EQ(titles(col->events()),
              (std::vector<QString>{QStringLiteral("Standup"), QStringLiteral("Review")}));
    EXPECT_EQ(col->events()[1]->eventsAtSameTime(), 2);
    EXPECT_EQ(col->events()[1]->indexAtSameTime(), 1);
    EXPECT_EQ(titles(col->fdevents()), std::vector<QString>{QStringLiteral("Trip")});

    // The marking job adds the mark on its own thread and has the page, and
    // through the year area the column, brought up to date.
    page->setHighlightStatusForDayMonthHighlight(5, 3, 1);
    page->markSelectionAs(kMarkerShade);  // "Vacation"
    ASSERT_TRUE(testsupport::waitUntil([this] { return col->fdevents().size() == 2; }, 10));
    EXPECT_EQ(titles(col->fdevents()),
              (std::vector<QString>{QStringLiteral("Trip"), QStringLiteral("Vacation")}));
    EXPECT_EQ(col->headerView()->expandedHeight(), 2 * 18 + 36);
    EXPECT_EQ(col->events().size(), 2u);
}

TEST_F(WeekdayViewLoadingTest, AnUpdateAskedOnAJobThreadChangesTheColumnOnTheMainThread) {
    loadDay();
    const EventDayPtr standup = col->events().at(0);
    std::thread job([this] {
        page->threadedRemoveEventUIDFromDayInMonth(QStringLiteral("w2"), 5, 3);
        col->threadedUpdateView();
    });
    job.join();
    // The job only asked: the lists are as they were until the main thread runs.
    EXPECT_EQ(col->events().size(), 2u);
    EXPECT_EQ(standup->eventsAtSameTime(), 2);

    ASSERT_TRUE(testsupport::waitUntil([this] { return col->events().size() == 1; }, 5));
    EXPECT_EQ(col->events()[0], standup);
    EXPECT_EQ(standup->eventsAtSameTime(), 1);
}

TEST_F(WeekdayViewLoadingTest, TheListsFollowAJobThatKeepsChangingTheDay) {
    loadDay();
    const auto model = page->model();
    const auto event = yvtest::makeEvent(yvtest::at(2024, 3, 5, 9, 5), yvtest::at(2024, 3, 5, 11),
                                         QStringLiteral("Flicker"));
    std::atomic<bool> done{false};
    QPointer<WeekdayView> column(col);
    WeekdayView* target = col;
    std::thread job([&, model] {
        for (int i = 0; i < 200; ++i) {
            if (i % 2 == 0)
                model->threadedAddEventFromCalendarForDayInMonthInFullLoading(event, work, 5, 3,
                                                                              false);
            else
                model->threadedRemoveEventUIDFromDayInMonth(event->uid(), 5, 3);
            target->threadedUpdateView();
        }
        done = true;
    });
    // The main thread keeps reading the column while the job runs.
    int reads = 0;
    testsupport::waitUntil(
        [&] {
            for (const EventDayPtr& r : col->events()) reads += r->eventsAtSameTime() > 0;
            return done.load();
        },
        20);
    job.join();
    settle();
    ASSERT_TRUE(column);
    EXPECT_GT(reads, 0);
    // 200 changes: the event was added and removed again.
    const auto layout = WeekdayView::sortEvents(*col->dataCell()->events(), true);
    ASSERT_EQ(col->events().size(), layout.events.size());
    EXPECT_EQ(titles(col->events()),
              (std::vector<QString>{QStringLiteral("Standup"), QStringLiteral("Review")}));
    EXPECT_EQ(col->events()[0]->eventsAtSameTime(), 2);
}

}  // namespace

#include "WeekdayViewLoadingTest.moc"
