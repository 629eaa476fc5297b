// The event editor reached from the main window's week view through the week
// view's editor entries, as the week view's menu and its drawing of a new
// event call them: the main window is built as the program builds it, over a
// store whose events the loaders read.

#include "data/MyDate.h"
#include "events/EventConfigController.h"
#include "platform/kit/Animation.h"
#include "platform/kit/Button.h"
#include "platform/kit/DatePicker.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Matrix.h"
#include "platform/kit/PopUpButton.h"
#include "platform/kit/SegmentedControl.h"
#include "platform/kit/TextField.h"
#include "shell/CollapsablePanel.h"
#include "shell/CollapsablePanelHead.h"
#include "shell/MainWindowCtrl.h"
#include "support/MainWindowPanes.h"
#include "weekview/WeekView.h"
#include "weekview/WeekdayView.h"
#include "WeekWindowWorld.h"
#include "yearview/YearViewPageWorld.h"
#include "yearview/YearViewScroller.h"

#include <QCoreApplication>
#include <QFile>
#include <QPainter>
#include <QTimeZone>

namespace {

using namespace yvpage;
using eventswindow::atBerlin;

class EditorInMainWindowTest : public eventswindow::WeekWindowWorld {
protected:
    void SetUp() override {
        WeekWindowWorld::SetUp();
        // A timed event of the shown week (today is 15 March 2024).
        auto meeting = calstore::Event::event();
        meeting->setCalendar(work->calendar());
        meeting->setTitle(QStringLiteral("Planning meeting"));
        meeting->setLocation(QStringLiteral("Room 4, second floor"));
        meeting->setStartDate(atBerlin(2024, 3, 13, 9, 5));
        meeting->setEndDate(atBerlin(2024, 3, 13, 10, 30));
        ASSERT_TRUE(YearViewEventLoader::storeNewlyCreatedEventOnCalOnView(meeting, work, nullptr));
        meetingUID = meeting->uid();
        // A repeating event of the same day, on its month's second Wednesday.
        auto review = calstore::Event::event();
        review->setCalendar(work->calendar());
        review->setTitle(QStringLiteral("Monthly review"));
        review->setStartDate(atBerlin(2024, 3, 13, 14, 0));
        review->setEndDate(atBerlin(2024, 3, 13, 15, 0));
        review->setRecurrenceRule(
            calstore::RecurrenceRule::
                initMonthlyRecurrenceWithIntervalForDayOfTheWeekForWeekOfTheMonthEnd(1, 4, 2, {}));
        ASSERT_TRUE(YearViewEventLoader::storeNewlyCreatedEventOnCalOnView(review, work, nullptr));
        editedUID = review->uid();
        openWindow([this] { return weekRecord() && weekRecord(editedUID); });
    }
    void TearDown() override { tearDownWindow({meetingUID, editedUID}); }
    // The meeting's entry in its week column, once the loader has filled the day.
    EventDayPtr weekRecord(const QString& uid = {}) const {
        if (!week) return nullptr;
        for (WeekdayView* column : week->viewSet())
            for (const EventDayPtr& record : column->events())
                if (record && record->event() &&
                    record->event()->uid() == (uid.isEmpty() ? meetingUID : uid))
                    return record;
        return nullptr;
    }
    WeekdayView* columnOf(const EventDayPtr& record) const {
        for (WeekdayView* column : week->viewSet())
            for (const EventDayPtr& r : column->events())
                if (r == record) return column;
        return nullptr;
    }
    // The main window with the editor drawn over it, as a person sees them.
    QImage screenshot(EventConfigController* editor) const {
        QImage main = controller->window()->widget()->grab().toImage();
        const QImage over = editor->window()->widget()->grab().toImage();
        QPainter painter(&main);
        const QPoint at((main.width() - over.width()) / 2,
                        std::max(0, (main.height() - over.height()) / 2));
        painter.fillRect(QRect(at + QPoint(4, 4), over.size()), QColor(0, 0, 0, 60));
        painter.drawImage(at, over);
        return main;
    }

    QString meetingUID;
    QString editedUID;  // a further event whose editor a test opened
};

// The week view's Edit command: the editor of the selected event, every pane
// collapsed with its summary.
TEST_F(EditorInMainWindowTest, EditOpensTheEditorOfTheSelectedEvent) {
    const EventDayPtr record = weekRecord();
    week->selectEvent(record);
    const auto& services = WeekView::services();
    ASSERT_TRUE(services.controllerForEvent && services.showWindow);
    QObject* controllerObject = services.controllerForEvent(record->event());
    services.showWindow(controllerObject, week);
    auto* editor = qobject_cast<EventConfigController*>(controllerObject);
    ASSERT_TRUE(editor);
    EXPECT_TRUE(editor->windowOpen());
    EXPECT_FALSE(editor->isEventNew());
    EXPECT_EQ(editor->gui_title->stringValue(), QStringLiteral("Planning meeting"));
    for (CollapsablePanel* pane : editor->panes()) EXPECT_TRUE(pane->isCollapsed());
    EXPECT_EQ(editor->gui_datePane->dataForCollapsedState(),
              QStringLiteral("Wednesday, March 13, 2024, 9:05 - 10:30"));
    EXPECT_EQ(editor->gui_locationPane->dataForCollapsedState(),
              QStringLiteral("Room 4, second floor"));
    testsupport::saveForInspection(screenshot(editor),
                                   QStringLiteral("editor-edit-over-main-window"));

    // Closing keeps the event.
    editor->closeWindow();
    EXPECT_TRUE(QFile::exists(dir.file(QStringLiteral("store/work/%1.ics").arg(meetingUID))));
}

// A drawn event opens the editor in new-event mode with the dates pane open;
// closed unsaved, the event leaves the store and the week's selection.
TEST_F(EditorInMainWindowTest, ADrawnEventOpensItInNewEventMode) {
    const EventDayPtr record = weekRecord();
    week->selectEvent(record);
    WeekdayView* column = columnOf(record);
    ASSERT_TRUE(column);
    // The column has the event as being created until its editor is done.
    controller->addCurrentCreationEventUID(meetingUID);
    const auto& services = WeekView::services();
    QObject* controllerObject = services.controllerForEvent(record->event());
    services.showWindowForNew(controllerObject, column);
    auto* editor = qobject_cast<EventConfigController*>(controllerObject);
    ASSERT_TRUE(editor && editor->windowOpen());
    EXPECT_TRUE(editor->isEventNew());
    EXPECT_FALSE(editor->gui_datePane->isCollapsed());
    EXPECT_FALSE(editor->gui_dpTimes->isHidden());
    testsupport::saveForInspection(editor->window()->widget()->grab().toImage(),
                                   QStringLiteral("editor-new-event"));
    testsupport::saveForInspection(screenshot(editor),
                                   QStringLiteral("editor-new-over-main-window"));

    const QString file = dir.file(QStringLiteral("store/work/%1.ics").arg(meetingUID));
    ASSERT_TRUE(QFile::exists(file));
    editor->window()->performClose();
    EXPECT_FALSE(editor->windowOpen());
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(week->selection(), nullptr);
    EXPECT_FALSE(controller->isCurrentlyInCreation(meetingUID));
}

// A repeating event opened from the week view shows its rule in the
// repetition pane; a changed rule's summary appears when the pane collapses.
TEST_F(EditorInMainWindowTest, TheRepetitionPaneShowsAndTakesTheRule) {
    ASSERT_TRUE(weekRecord(editedUID));

    const EventDayPtr record = weekRecord(editedUID);
    week->selectEvent(record);
    const auto& services = WeekView::services();
    QObject* controllerObject = services.controllerForEvent(record->event());
    services.showWindow(controllerObject, week);
    auto* editor = qobject_cast<EventConfigController*>(controllerObject);
    ASSERT_TRUE(editor && editor->windowOpen());
    CollapsablePanel* pane = editor->gui_recurrencePane;
    EXPECT_EQ(pane->dataForCollapsedState(),
              QStringLiteral("Monthly on the 2nd Wednesday of the month"));

    pane->setCollapsedState(false);
    RecurrenceControls& monthly = editor->gui_rpMonthly;
    EXPECT_EQ(editor->gui_rpPattern->selectedSegment(), 3);
    EXPECT_EQ(editor->currentRecurrenceSubview(), monthly.view);
    EXPECT_EQ(monthly.useDays->state(), kit::Button::On);
    EXPECT_EQ(monthly.daysType->selectedTag(), 2);
    EXPECT_EQ(monthly.numPopup->titleOfSelectedItem(), QStringLiteral("2nd"));
    EXPECT_EQ(monthly.weekdayPopup->titleOfSelectedItem(), QStringLiteral("Wednesday"));
    testsupport::saveForInspection(screenshot(editor),
                                   QStringLiteral("editor-monthly-over-main-window"));

    // The user makes it the last Wednesday, ending after 6 times.
    monthly.numPopup->selectItemAtIndex(EventConfigController::kLastOrdinalEntry);
    monthly.endingStyle->selectCellWithTag(2);
    monthly.endingStyle->sendAction();
    monthly.endingNum->setStringValue(QStringLiteral("6"));
    pane->setCollapsed(true);
    EXPECT_TRUE(editor->recurrenceChangedByUser());
    EXPECT_EQ(pane->dataForCollapsedState(),
              QStringLiteral("Monthly on the last Wednesday of the month, e..."));
    EXPECT_EQ(editor->workingRule().toStoreRule()->iCalendarText(),
              QStringLiteral("FREQ=MONTHLY;COUNT=6;BYDAY=-1WE"));
}

// "Show in Week": the week view goes to the event's week and highlights it.
TEST_F(EditorInMainWindowTest, ShowInWeekHighlightsTheEvent) {
    EventConfigController* editor =
        EventConfigController::controllerForEvent(weekRecord(editedUID)->event());
    editor->showWindow();
    controller->showWeekOfDay(MyDate::dateWithDayMonthYear(14, 2, 2024));
    ASSERT_TRUE(testsupport::waitUntil([this] {
        week = qobject_cast<WeekView*>(controller->currentWeekView());
        return week && !weekRecord(editedUID);
    }));

    editor->gui_findButton->performClick();
    ASSERT_TRUE(testsupport::waitUntil([this] {
        week = qobject_cast<WeekView*>(controller->currentWeekView());
        return week && weekRecord(editedUID);
    }));
    ASSERT_TRUE(week->selection());
    EXPECT_EQ(week->selection()->event()->uid(), editedUID);
    EXPECT_TRUE(editor->windowOpen());
}

// Saved from the editor, a change reaches the week and year views and the file.
TEST_F(EditorInMainWindowTest, ASavedEditShowsInBothViews) {
    const EventDayPtr record = weekRecord();
    week->selectEvent(record);
    auto* editor = qobject_cast<EventConfigController*>(
        WeekView::services().controllerForEvent(record->event()));
    ASSERT_TRUE(editor);
    editor->showWindow(week);

    // A malformed URL first: the warning, over the main window.
    editor->gui_upUrl->setStringValue(QStringLiteral("http://exa mple.org"));
    editor->gui_title->setStringValue(QStringLiteral("Planning meeting, moved to room 5"));
    editor->saveButton();
    ASSERT_TRUE(editor->windowOpen());
    EXPECT_FALSE(editor->gui_warningLabel->isHidden());
    testsupport::saveForInspection(screenshot(editor),
                                   QStringLiteral("editor-warning-over-main-window"));

    editor->gui_upUrl->setStringValue(QString());
    editor->saveButton();
    EXPECT_FALSE(editor->windowOpen());
    const QString title = QStringLiteral("Planning meeting, moved to room 5");
    EXPECT_TRUE(dir.read(QStringLiteral("store/work/%1.ics").arg(meetingUID))
                    .contains("SUMMARY:Planning meeting\\, moved to room 5"));
    EXPECT_TRUE(testsupport::waitUntil([&] {
        const EventDayPtr shown = weekRecord();
        return shown && shown->event()->title() == title;
    }));
    auto* year = qobject_cast<YearView*>(controller->currentYearView());
    ASSERT_TRUE(year);
    EXPECT_TRUE(testsupport::waitUntil([&] {
        for (const EventDayPtr& entry : *year->eventsForDayAndMonth(13, 3))
            if (entry->event()->uid() == meetingUID) return entry->event()->title() == title;
        return false;
    }));
    testsupport::saveForInspection(controller->window()->widget()->grab().toImage(),
                                   QStringLiteral("editor-saved-main-window"));
}

}  // namespace
