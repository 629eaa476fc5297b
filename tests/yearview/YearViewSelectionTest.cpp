// The year page's selection primitives and the commands on selected days, and
// what the page asks of the year area that holds it.

#include "YearViewPageWorld.h"

#include "platform/foundation/Dispatch.h"

#include <QThread>

#include <gtest/gtest.h>

#include <thread>

using namespace yvpage;
using yvtest::makeAllDay;

namespace {

// Stands in for the year area: records the operations the page asks of it.
class AreaStandIn : public kit::View {
    Q_OBJECT
public:
    AreaStandIn() : kit::View(QRectF(0, 0, 1000, 700)) {}
    Q_INVOKABLE void showWeekView(QObject* sender) { calls << QStringLiteral("showWeekView"); }
    Q_INVOKABLE void showWeekOfDay(const QVariant& date) {
        calls << QStringLiteral("showWeekOfDay");
        week = date.value<MyDatePtr>();
    }
    Q_INVOKABLE void updateWeekView() {
        calls << QStringLiteral("updateWeekView");
        onMain = foundation::isMainThread();
    }
    QStringList calls;
    MyDatePtr week;
    bool onMain = false;
};

class YearViewSelectionTest : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        page = makePage(2024);
        area = new AreaStandIn;
        window->contentView()->addSubview(area);
        page->removeFromSuperview();
        area->addSubview(page);
        render(page);
    }
    void select(std::initializer_list<std::pair<int, int>> days) {
        for (const auto& [day, month] : days)
            page->setHighlightStatusForDayMonthHighlight(day, month, 1);
    }
    static QString mark(const QString& uid) { return QStringLiteral("Zolt:") + uid; }

    YearView* page = nullptr;
    AreaStandIn* area = nullptr;
};

TEST_F(YearViewSelectionTest, RangesRunFromTheAnchorInEitherDirection) {
    struct Case {
        int anchorDay, anchorMonth, day, month;
        int first, firstMonth, last, lastMonth;  // the range expected
    };
    for (const Case c : {Case{30, 1, 2, 3, 30, 1, 2, 3}, Case{5, 3, 20, 2, 20, 2, 5, 3},
                         Case{9, 4, 3, 4, 3, 4, 9, 4}, Case{3, 4, 9, 4, 3, 4, 9, 4}}) {
        SCOPED_TRACE(testing::Message() << c.anchorDay << "." << c.anchorMonth);
        page->deHighlightAll();
        click(page, c.anchorDay, c.anchorMonth);  // the anchor
        page->highlightUpToDayMonth(c.day, c.month);
        const QDate first(2024, c.firstMonth, c.first), last(2024, c.lastMonth, c.last);
        int expected = 0;
        for (QDate d(2024, 1, 1); d.year() == 2024; d = d.addDays(1)) {
            const bool inside = d >= first && d <= last;
            expected += inside;
            EXPECT_EQ(page->isHighlightedForDayMonth(d.day(), d.month()), inside)
                << d.toString().toStdString();
        }
        EXPECT_EQ(page->numberOfSelectedDays(), expected);
    }
}

TEST_F(YearViewSelectionTest, HighlightAllAndDeHighlightAll) {
    page->highlightAll();
    EXPECT_EQ(page->numberOfSelectedDays(), 366);
    page->deHighlightAll();
    EXPECT_EQ(page->numberOfSelectedDays(), 0);
    select({{4, 4}});
    EXPECT_FALSE(page->setHighlightStatusForDayMonthHighlight(31, 4, 1));
    page->deHighlightAll();
    EXPECT_EQ(page->numberOfSelectedDays(), 0);
    EXPECT_FALSE(page->isHighlightedForDayMonth(4, 4));
}

TEST_F(YearViewSelectionTest, MarkStateCountsEachMarkerOncePerDay) {
    fillFromThread(page, {{makeAllDay(2024, 5, 1, "V", mark(kMarkerShade)), markers},
                          {makeAllDay(2024, 5, 1, "V", mark(kMarkerShade)), markers},
                          {makeAllDay(2024, 5, 2, "V", mark(kMarkerShade)), markers},
                          {makeAllDay(2024, 5, 1, "G", mark(kMarkerDot)), markers},
                          {makeAllDay(2024, 5, 2, "G", mark(kMarkerDot)), markers},
                          {makeAllDay(2024, 5, 3, "G", mark(kMarkerDot)), markers},
                          {makeAllDay(2024, 5, 3, "X", mark(QString(32, u'D'))), markers},
                          {makeAllDay(2024, 5, 3, "N", QStringLiteral("Zolt:Notes")), markers}});
    select({{1, 5}, {2, 5}, {3, 5}});
    const QVariantMap state = page->markStateOfSelection();
    EXPECT_EQ(state, (QVariantMap{{kMarkerShade, -1}, {kMarkerDot, 1}}));
    page->deHighlightAll();
    EXPECT_TRUE(page->markStateOfSelection().isEmpty());
}

TEST_F(YearViewSelectionTest, CommandsStartJobsOnceThePageWasDrawn) {
    YearView* side = makePage(2025);
    side->setHighlightStatusForDayMonthHighlight(7, 7, 1);
    side->markSelectionAs(kMarkerDot);
    side->removeAllMarks();
    side->deleteEventsFromCalendar(
        YearViewEventLoader::DeletionCalendars::calendarWithUID(QStringLiteral("work")));
    EXPECT_EQ(log->count("startMarkingDays") + log->count("startRemovingAllMarksFromDays") +
                  log->count("startDeletingEventsFromDays"),
              0);
    side->deHighlightAll();

    select({{7, 7}, {9, 7}});
    page->markSelectionAs(QString(32, u'F'));
    page->removeMarksOf(QString(32, u'F'));
    EXPECT_EQ(log->count("startMarkingDays") + log->count("startRemovingMarksOfMarker"), 0);
    page->markSelectionAs(kMarkerDot);
    ASSERT_EQ(log->count("startMarkingDays"), 1);
    ASSERT_EQ(log->lastDays.size(), 2u);
    EXPECT_EQ(log->lastDays[1]->dayNum(), 9);
    page->removeMarksOf(kMarkerDot);
    page->removeAllMarks();
    page->deleteEventsFromCalendar(
        YearViewEventLoader::DeletionCalendars::calendarWithUID(QStringLiteral("work")));
    EXPECT_EQ(log->count("startRemovingMarksOfMarker"), 1);
    EXPECT_EQ(log->count("startRemovingAllMarksFromDays"), 1);
    EXPECT_EQ(log->count("startDeletingEventsFromDays"), 1);
    EXPECT_EQ(log->lastText, QStringLiteral("work"));
}

TEST_F(YearViewSelectionTest, NotesNeedAMarkerStoreOrNotesOfTheDay) {
    EXPECT_TRUE(page->canEditNotesForSelection());  // a marker store exists
    page->editNotesForSelection();
    EXPECT_EQ(log->count("notesPopupShow"), 0);
    select({{12, 8}});
    page->editNotesForSelection();
    EXPECT_EQ(log->count("notesPopupShow"), 1);
    EXPECT_EQ(log->lastText, QString());
    EXPECT_FALSE(page->editNotesForDayMonthWithString(30, 2, QStringLiteral("x")));

    // Without a marker store only a day that has notes can take them.
    markers->setCalendarType(Calendar::kTypeNormal);
    ASSERT_FALSE(delegate->calendarSources->firstMarkerCalendar());
    EXPECT_FALSE(page->canEditNotesForSelection());
    EXPECT_FALSE(page->editNotesForDayMonthWithString(12, 8, QStringLiteral("x")));
    fillFromThread(page,
                   {{makeAllDay(2024, 8, 12, "N", QStringLiteral("Zolt:Notes"), "old"), markers}});
    EXPECT_TRUE(page->canEditNotesForSelection());
    EXPECT_TRUE(page->editNotesForDayMonthWithString(12, 8, QStringLiteral("x")));
    page->deHighlightAll();
    EXPECT_FALSE(page->canEditNotesForSelection());
}

TEST_F(YearViewSelectionTest, InfoAndEditActOnTheFirstSelectedDay) {
    page->menuCommandInformation(nullptr);
    page->menuCommandEdit(nullptr);
    EXPECT_EQ(log->count("dayPopupShow"), 0);
    EXPECT_TRUE(area->calls.isEmpty());

    select({{20, 10}, {3, 10}});
    page->menuCommandInformation(nullptr);
    EXPECT_EQ(log->lastCell, page->cellForDayAndMonth(20, 10));
    page->menuCommandEdit(nullptr);
    EXPECT_EQ(area->calls, (QStringList{"showWeekView", "showWeekOfDay"}));
    ASSERT_TRUE(area->week);
    EXPECT_EQ(area->week->dayNum(), 20);
    EXPECT_EQ(page->numberOfSelectedDays(), 0);  // switching to the week clears it
    EXPECT_EQ(log->count("dayPopupClose"), 1);

    // Not on a page lower than the year pane's minimum.
    select({{20, 10}});
    page->setFrame(QRectF(0, 23, 1000, 251));
    page->menuCommandInformation(nullptr);
    EXPECT_EQ(log->count("dayPopupShow"), 1);
}

TEST_F(YearViewSelectionTest, ThePopupMovesOnlyWithinThePagesYear) {
    page->advancePopupToDate(MyDate::dateWithDayMonthYear(2, 2, 2025));
    EXPECT_EQ(log->count("dayPopupShow"), 0);
    page->advancePopupToDate(MyDate::dateWithDayMonthYear(2, 2, 2024));
    EXPECT_EQ(log->lastCell, page->cellForDayAndMonth(2, 2));
    page->popupGotoWeek(MyDate::dateWithDayMonthYear(2, 2, 2024));
    EXPECT_EQ(area->calls, QStringList{"showWeekOfDay"});
}

TEST_F(YearViewSelectionTest, AFinishedJobUpdatesTheWeekViewOnTheMainThread) {
    std::thread job([model = page->model()] { model->threadedUpdateView(); });
    job.join();
    ASSERT_TRUE(testsupport::waitUntil([&] { return area->calls.contains("updateWeekView"); }));
    EXPECT_TRUE(area->onMain);
}

}  // namespace

#include "YearViewSelectionTest.moc"
