// The week view's selection, driven through the view and its columns: the
// marks in every column, the hover it closes, the focus object it gives the
// main window, keeping and reverting, deselecting by UID, opening the
// details, and a press in a column.

#include "weekview/WeekViewTestSupport.h"

#include "platform/kit/Event.h"
#include "platform/kit/Window.h"
#include "shell/MainWindowCtrl.h"
#include "weekview/WDEventsView.h"
#include "weekview/WDHeaderView.h"
#include "weekview/WeekdayView.h"

#include <QMetaObject>

using namespace wvtest;

namespace {

class WeekViewSelectionTest : public WeekViewTest {
protected:
    void SetUp() override {
        WeekViewTest::SetUp();
        MainWindowCtrl::resetSharedWinController();
        controller = std::make_unique<MainWindowCtrl>();
        controller->window();  // loading its window makes it the shared one
        WeekView::changeServices([this](WeekView::Services& s) {
            s.eventHoverCloseWindow = [this](QObject*) { ++hoverCloses; };
            s.eventHoverShowWindow = [this](const EventDayPtr& e, const QRectF& r,
                                            kit::View* anchor) {
                shown = e;
                shownRect = r;
                shownAnchor = anchor;
            };
        });
    }
    void TearDown() override {
        controller.reset();
        MainWindowCtrl::resetSharedWinController();
        WeekViewTest::TearDown();
    }

    // Adds a store event to the cells of the days it touches in June 2011
    // and answers the records, one per day.
    std::vector<EventDayPtr> addEvent(int firstDay, int lastDay, int fromHour, int toHour,
                                      const QString& title, bool allDay = false,
                                      const QString& location = QString()) {
        calstore::EventPtr event =
            allDay
                ? yvtest::makeEvent(yvtest::at(2011, 6, firstDay),
                                    yvtest::at(2011, 6, lastDay, 23, 59, 59), title, location, true)
                : yvtest::makeEvent(yvtest::at(2011, 6, firstDay, fromHour),
                                    yvtest::at(2011, 6, lastDay, toHour), title, location);
        std::vector<EventDayPtr> records;
        for (int d = firstDay; d <= lastDay; ++d) {
            YearViewCellPtr cell = yearArea->cellForDate(day(2011, 6, d));
            cell->addEventFromCalendar(event, calendar);
            for (const EventDayPtr& r : *cell->events())
                if (r->event() == event) records.push_back(r);
        }
        return records;
    }

    // The week of 13 to 19 June 2011.
    std::unique_ptr<WeekView> week() { return drawnWeek(day(2011, 6, 15)); }

    static bool allSelected(const std::vector<EventDayPtr>& records, bool selected) {
        for (const EventDayPtr& r : records)
            if (r->isSelected() != selected || (selected && r->blinkingFactor() != 1.0f))
                return false;
        return true;
    }

    CalendarPtr calendar =
        yvtest::makeCalendar(Calendar::kTypeNormal, true, Qt::blue, QStringLiteral("Work"));
    std::unique_ptr<MainWindowCtrl> controller;
    int hoverCloses = 0;
    EventDayPtr shown;
    QRectF shownRect;
    kit::View* shownAnchor = nullptr;
};

}  // namespace

TEST_F(WeekViewSelectionTest, AnEventOfThreeDaysIsHighlightedInEachColumn) {
    for (bool allDay : {false, true}) {
        SCOPED_TRACE(allDay ? "full-day" : "timed");
        const auto trip = addEvent(14, 16, 10, 12, QStringLiteral("Trip"), allDay);
        const auto other = addEvent(15, 15, 8, 9, QStringLiteral("Other"));
        ASSERT_EQ(trip.size(), 3u);
        auto view = week();
        view->selectEvent(trip[1]);
        EXPECT_TRUE(allSelected(trip, true));
        EXPECT_FALSE(other[0]->isSelected());
        EXPECT_TRUE(WeekdayView::eventSelected());
        EXPECT_EQ(view->selection(), trip[1]);
        EXPECT_EQ(view->numberOfSelectedEvents(), 1);
        // The focus object is the event, answered by the week view.
        EXPECT_EQ(controller->currentGlobalObjectController(), view.get());
        EXPECT_EQ(controller->currentGlobalObject().value<EventDayPtr>(), trip[1]);

        view->selectEvent(other[0]);
        EXPECT_TRUE(allSelected(trip, false));
        EXPECT_TRUE(other[0]->isSelected());

        view->selectEvent(nullptr);
        EXPECT_FALSE(other[0]->isSelected());
        EXPECT_FALSE(WeekdayView::eventSelected());
        EXPECT_EQ(view->numberOfSelectedEvents(), 0);
        EXPECT_FALSE(controller->hasFocus());
        yearArea->cells.clear();
    }
}

TEST_F(WeekViewSelectionTest, TheHoverClosesOnlyWhenTheSelectionChanges) {
    const auto a = addEvent(15, 15, 9, 10, QStringLiteral("A"));
    const auto b = addEvent(15, 15, 11, 12, QStringLiteral("B"));
    auto view = week();
    struct Step {
        const char* what;
        EventDayPtr select;
        int closes;  // closes so far
    };
    const Step steps[] = {
        {"none while nothing is selected", nullptr, 1},
        {"the first event", a[0], 1},
        {"the same event again", a[0], 1},
        {"another event", b[0], 2},
        {"none", nullptr, 3},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        view->selectEvent(s.select);
        EXPECT_EQ(hoverCloses, s.closes);
    }
}

TEST_F(WeekViewSelectionTest, AMarkIsSelectedWithoutAFocusObject) {
    setWeekPref(QStringLiteral("Show Marks As Fullday Events"), true);
    WeekdayView::updatePreferences();
    const auto mark =
        addEvent(15, 15, 0, 0, QStringLiteral("Mark"), true, QStringLiteral("Zolt:mark1"));
    auto view = week();
    ASSERT_TRUE(mark[0]->isMark());
    view->selectEvent(mark[0]);
    EXPECT_EQ(view->selection(), mark[0]);
    EXPECT_TRUE(mark[0]->isSelected());
    EXPECT_FALSE(controller->hasFocus());
}

TEST_F(WeekViewSelectionTest, MarksMoveBetweenTheTimedAndFullDayListsWithTheSetting) {
    setWeekPref(QStringLiteral("Show Marks As Fullday Events"), false);
    WeekdayView::updatePreferences();
    // A mark of a marker calendar (the setting concerns only those).
    const CalendarPtr markers =
        yvtest::makeCalendar(Calendar::kTypeMarker, true, Qt::red, QStringLiteral("Marks"));
    const calstore::EventPtr event =
        yvtest::makeEvent(yvtest::at(2011, 6, 15), yvtest::at(2011, 6, 15, 23, 59, 59),
                          QStringLiteral("Mark"), QStringLiteral("Zolt:mark1"), true);
    const YearViewCellPtr cell = yearArea->cellForDate(day(2011, 6, 15));
    cell->addEventFromCalendar(event, markers);
    EventDayPtr mark;
    for (const EventDayPtr& r : *cell->events())
        if (r->event() == event) mark = r;
    ASSERT_TRUE(mark);
    auto view = week();
    WeekdayView* column = nullptr;
    for (WeekdayView* c : view->viewSet())
        if (c->dataCell() == cell) column = c;
    ASSERT_NE(column, nullptr);
    const auto listsAsFullday = [&] {
        const auto& fd = column->fdevents();
        return std::find(fd.begin(), fd.end(), mark) != fd.end();
    };
    EXPECT_FALSE(listsAsFullday());
    // The day's list is the same; only the setting changed.
    setWeekPref(QStringLiteral("Show Marks As Fullday Events"), true);
    view->updatePreferences();
    EXPECT_TRUE(listsAsFullday());
    setWeekPref(QStringLiteral("Show Marks As Fullday Events"), false);
    view->updatePreferences();
    EXPECT_FALSE(listsAsFullday());
}

TEST_F(WeekViewSelectionTest, AKeptSelectionIsRevertedToOnce) {
    const auto n = addEvent(15, 15, 9, 10, QStringLiteral("New"));
    const auto x = addEvent(16, 16, 9, 10, QStringLiteral("X"));
    auto view = week();

    // A reload clears the selection between the write and the revert.
    view->selectAndKeepEvent(n[0]);
    view->selectEvent(nullptr);
    view->revertSelection();
    EXPECT_EQ(view->selection(), n[0]);
    EXPECT_TRUE(n[0]->isSelected());
    view->revertSelection();
    EXPECT_EQ(view->selection(), nullptr);
    EXPECT_FALSE(n[0]->isSelected());

    // selectEvent records the selection it replaces.
    view->selectEvent(n[0]);
    view->selectEvent(x[0]);
    view->revertSelection();
    EXPECT_EQ(view->selection(), n[0]);
    EXPECT_FALSE(x[0]->isSelected());
}

TEST_F(WeekViewSelectionTest, DeselectingByUIDClearsOnlyThatEvent) {
    const auto a = addEvent(15, 15, 9, 10, QStringLiteral("A"));
    const auto b = addEvent(15, 15, 11, 12, QStringLiteral("B"));
    auto view = week();
    view->selectEvent(a[0]);
    // The store-change merging asks by this exact signature.
    ASSERT_TRUE(QMetaObject::invokeMethod(view.get(), "deselectEventWithUID", Qt::DirectConnection,
                                          Q_ARG(QString, b[0]->event()->uid())));
    EXPECT_EQ(view->selection(), a[0]);
    QMetaObject::invokeMethod(view.get(), "deselectEventWithUID", Qt::DirectConnection,
                              Q_ARG(QString, a[0]->event()->uid()));
    EXPECT_EQ(view->selection(), nullptr);
    EXPECT_FALSE(a[0]->isSelected());
}

TEST_F(WeekViewSelectionTest, TheDetailsOpenAtTheBoxOrTheHeader) {
    const auto timed = addEvent(16, 16, 9, 10, QStringLiteral("Timed"));
    const auto fullday = addEvent(16, 17, 0, 0, QStringLiteral("Trip"), true);
    auto view = week();
    WeekdayView* thursday = view->viewSet().at(3);

    view->openInfosForEvent(timed[0]);
    EXPECT_EQ(shown, timed[0]);
    EXPECT_EQ(shownAnchor, thursday->eventsView());
    EXPECT_EQ(shownRect, thursday->visibleRectForEvent(timed[0]));

    view->openInfosForEvent(fullday[0]);
    EXPECT_EQ(shownAnchor, thursday->headerView());

    // Info acts on the selection as it is now: none after a reload.
    shown = nullptr;
    view->menuCommandInformation(QVariant());
    EXPECT_EQ(shown, nullptr);
    view->selectEvent(timed[0]);
    view->menuCommandInformation(QVariant());
    EXPECT_EQ(shown, timed[0]);

    // An event no column shows opens nothing.
    shown = nullptr;
    view->openInfosForEvent(addEvent(1, 1, 9, 10, QStringLiteral("Elsewhere"))[0]);
    EXPECT_EQ(shown, nullptr);
}

TEST_F(WeekViewSelectionTest, APressInAColumnSelectsWhatLiesUnderIt) {
    const auto a = addEvent(15, 15, 9, 10, QStringLiteral("A"));
    auto view = week();
    WeekdayView* wednesday = view->viewSet().at(2);
    ASSERT_EQ(wednesday->hitRects().size(), 1u);
    const EventDayPtr e = a[0];
    // The middle of the box, in window coordinates of the column.
    const QPointF inBox(e->hitX() + e->hitW() / 2,
                        wednesday->eventsView()->frame().y() + e->hitY() + e->hitH() / 2);
    auto press = [&](const QPointF& p, int clicks) {
        wednesday->mouseDown(kit::Event::mouseEvent(
            kit::EventType::LeftMouseDown, wednesday->convertPointToView(p, nullptr), 0, clicks));
    };
    EXPECT_EQ(wednesday->eventAtLocation(inBox), e);
    press(inBox, 1);
    EXPECT_EQ(view->selection(), e);
    EXPECT_TRUE(wednesday->eventsView()->selectionActive());

    press(inBox, 2);  // a double click opens the details
    EXPECT_EQ(shown, e);

    press(QPointF(inBox.x(), inBox.y() + 200), 1);  // empty space deselects
    EXPECT_EQ(view->selection(), nullptr);
    EXPECT_FALSE(wednesday->eventsView()->selectionActive());
}

TEST_F(WeekViewSelectionTest, ChangingTheShownCalendarsClearsTheSelection) {
    const auto a = addEvent(15, 15, 9, 10, QStringLiteral("A"));
    auto view = week();
    view->selectEvent(a[0]);
    view->calendarSelectionChange();
    EXPECT_EQ(view->selection(), nullptr);
    EXPECT_FALSE(a[0]->isSelected());
}
