// The event editor: its registry, opening and closing (new-event mode with
// the store files), following store changes, the panes and their collapsed
// summaries, the full-day switch, and how the window looks.

#include "events/EditorTestSupport.h"
#include "events/MyDatePicker.h"
#include "platform/kit/Animation.h"
#include "platform/kit/Button.h"
#include "platform/kit/DatePicker.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/TextField.h"
#include "platform/kit/TextView.h"
#include "platform/kit/Window.h"
#include "shell/CollapsablePanel.h"
#include "shell/CollapsablePanelHead.h"
#include "support/TestSupport.h"
#include "weekview/WeekView.h"

#include <QCoreApplication>
#include <QFile>
#include <QPainter>
#include <QTest>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

using writerstest::ChangeRecorder;
using writerstest::ScopedHooks;

namespace {

using editortest::atBerlin;
using editortest::EventConfigControllerTest;

// -- Registry

TEST_F(EventConfigControllerTest, OneEditorPerUIDAndAnOpenEditorKeepsItsEvent) {
    const auto first = memoryEvent();
    EventConfigController* editor = editorFor(first);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->eventUID(), first->uid());
    EXPECT_NE(editor->gui_datePane, nullptr);  // the window is built with the controller

    // Another object of the same UID (another occurrence): the same editor,
    // which takes it while closed ...
    auto second = std::make_shared<calstore::Event>(*first);
    second->setTitle(QStringLiteral("Second"));
    EXPECT_EQ(EventConfigController::controllerForEvent(second), editor);
    EXPECT_EQ(editor->event(), second);

    // ... and keeps what it shows while open; showing it again changes nothing.
    editor->showWindow();
    ASSERT_TRUE(editor->windowOpen());
    editor->gui_title->setStringValue(QStringLiteral("typed by the user"));
    auto third = std::make_shared<calstore::Event>(*first);
    EXPECT_EQ(EventConfigController::controllerForEvent(third), editor);
    EXPECT_EQ(editor->event(), second);
    editor->showWindow();
    editor->showWindowForNew();
    EXPECT_EQ(editor->gui_title->stringValue(), QStringLiteral("typed by the user"));
    EXPECT_FALSE(editor->isEventNew());

    EXPECT_EQ(EventConfigController::controllerForEvent(nullptr), nullptr);
}

TEST_F(EventConfigControllerTest, CollectionStartsAtTenAndKeepsOpenEditors) {
    std::vector<EventConfigController*> editors;
    for (int i = 0; i < 9; ++i) editors.push_back(editorFor(memoryEvent()));
    editors[2]->showWindow();
    editors[5]->showWindow();
    ASSERT_EQ(EventConfigController::numberOfRegisteredControllers(), 9);

    // The tenth is added without collecting.
    editors.push_back(editorFor(memoryEvent()));
    EXPECT_EQ(EventConfigController::numberOfRegisteredControllers(), 10);

    // With ten registered, a new UID first drops every closed editor.
    const auto eleventh = memoryEvent();
    editorFor(eleventh);
    EXPECT_EQ(EventConfigController::numberOfRegisteredControllers(), 3);
    EXPECT_EQ(EventConfigController::registeredControllerForUID(editors[2]->eventUID()),
              editors[2]);
    EXPECT_EQ(EventConfigController::registeredControllerForUID(editors[5]->eventUID()),
              editors[5]);
    EXPECT_NE(EventConfigController::registeredControllerForUID(eleventh->uid()), nullptr);
    EXPECT_EQ(EventConfigController::registeredControllerForUID(editors[0]->eventUID()), nullptr);
    // A request for a registered UID never collects.
    EventConfigController::controllerForEvent(eleventh);
    EXPECT_EQ(EventConfigController::numberOfRegisteredControllers(), 3);
}

TEST_F(EventConfigControllerTest, ADroppedEditorNoLongerFollowsTheStore) {
    const auto event = memoryEvent();
    QPointer<EventConfigController> editor = editorFor(event);
    editor->showWindow();
    EventConfigController::removeControllerForEvent(event);
    EXPECT_EQ(EventConfigController::registeredControllerForUID(event->uid()), nullptr);
    EventConfigController::removeControllerForEvent(event);  // not registered: nothing
    // Until it is gone, store changes of its event leave it alone.
    foundation::NotificationCenter::defaultCenter().post(
        YearViewEventLoader::eventDataChangedNotification, nullptr,
        {{YearViewEventLoader::kChangesKey, QStringLiteral("deleted")},
         {YearViewEventLoader::kEventKey, QVariant::fromValue(event)}});
    ASSERT_TRUE(editor);
    EXPECT_TRUE(editor->windowOpen());
    editor->closeWindow();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(editor);
    made.clear();
}

// -- New-event mode

class NewEventTest : public EventConfigControllerTest {
protected:
    void SetUp() override {
        EventConfigControllerTest::SetUp();
        writeTimed(QStringLiteral("work"), QStringLiteral("drawn"),
                   QStringLiteral("20110613T070000"), QStringLiteral("20110613T080000"));
        open();
        event = stored(QStringLiteral("drawn"));
        ASSERT_NE(event, nullptr);
        week.reset(WeekView::initWithFrame(QRectF(0, 0, 700, 400)));
        hooks->weekView = week.get();
        auto record = std::make_shared<EventDay>();
        record->setEvent(event);
        week->selectEvent(record);
        ASSERT_NE(week->selection(), nullptr);
    }
    void TearDown() override {
        hooks->weekView = nullptr;
        week.reset();
        EventConfigControllerTest::TearDown();
    }
    bool fileExists() const {
        return QFile::exists(dir.file(QStringLiteral("store/work/drawn.ics")));
    }
    ScopedHooks hooks;
    ChangeRecorder changes;
    std::unique_ptr<WeekView> week;
    calstore::EventPtr event;
};

TEST_F(NewEventTest, OpensWithTheDatesPaneDisclosed) {
    EventConfigController* editor = editorFor(event);
    editor->showWindowForNew(week.get());
    EXPECT_TRUE(editor->windowOpen());
    EXPECT_TRUE(editor->isEventNew());
    for (CollapsablePanel* pane : editor->panes())
        EXPECT_EQ(pane->isCollapsed(), pane != editor->gui_datePane);
}

TEST_F(NewEventTest, ClosingUnsavedDeletesTheEventOnceAndClearsTheWeekSelection) {
    EventConfigController* editor = editorFor(event);
    editor->showWindowForNew(week.get());
    ASSERT_TRUE(fileExists());

    // The user closes the window.
    editor->window()->performClose();
    EXPECT_FALSE(editor->windowOpen());
    EXPECT_FALSE(editor->isEventNew());
    EXPECT_FALSE(fileExists());
    EXPECT_EQ(stored(QStringLiteral("drawn")), nullptr);
    EXPECT_EQ(week->selection(), nullptr);
    // The deletion was announced once; the announcement coming back to the
    // editor neither closed nor deleted again, and closing again does nothing.
    ASSERT_EQ(changes.posted().size(), 1u);
    editor->closeWindow();
    editor->windowWillClose();
    EXPECT_EQ(changes.posted().size(), 1u);
    EXPECT_EQ(EventConfigController::registeredControllerForUID(QStringLiteral("drawn")), editor);
}

TEST_F(NewEventTest, ASavedNewEventStays) {
    EventConfigController* editor = editorFor(event);
    editor->showWindowForNew(week.get());
    editor->eventWasSaved();
    editor->closeWindow();
    EXPECT_FALSE(editor->windowOpen());
    EXPECT_TRUE(fileExists());
    EXPECT_NE(stored(QStringLiteral("drawn")), nullptr);
    EXPECT_TRUE(changes.posted().empty());
}

// -- Store changes made elsewhere

TEST_F(NewEventTest, FollowsChangesOfItsOwnEventOnly) {
    EventConfigController* editor = editorFor(event);
    editor->showWindow(week.get());
    auto post = [](const QString& change, const calstore::EventPtr& e, const QString& uid = {},
                   const QString& oldUID = {}) {
        QVariantMap info{{YearViewEventLoader::kChangesKey, change},
                         {YearViewEventLoader::kEventKey, QVariant::fromValue(e)}};
        if (!uid.isEmpty()) info.insert(YearViewEventLoader::kUIDKey, uid);
        if (!oldUID.isEmpty()) info.insert(QStringLiteral("old-uid"), oldUID);
        foundation::NotificationCenter::defaultCenter().post(
            YearViewEventLoader::eventDataChangedNotification, nullptr, info);
    };
    // Another event's change is not the editor's business.
    post(QStringLiteral("deleted"), nullptr, QStringLiteral("other"));
    EXPECT_TRUE(editor->windowOpen());

    // New dates: the dates pane follows.
    auto moved = std::make_shared<calstore::Event>(*event);
    moved->setStartDate(atBerlin(2011, 6, 14, 9, 5));
    moved->setEndDate(atBerlin(2011, 6, 14, 10, 30));
    post(QStringLiteral("dates"), moved);
    EXPECT_TRUE(editor->windowOpen());
    EXPECT_EQ(editor->gui_datePane->dataForCollapsedState(),
              QStringLiteral("Tuesday, June 14, 2011, 9:05 - 10:30"));
    EXPECT_EQ(editor->event()->title(), event->title());

    // Replaced under another UID: closed and dropped from the registry.
    auto replacement = calstore::Event::event();
    post(QStringLiteral("updated"), replacement, replacement->uid(), QStringLiteral("drawn"));
    EXPECT_FALSE(editor->windowOpen());
    EXPECT_EQ(EventConfigController::registeredControllerForUID(QStringLiteral("drawn")), nullptr);
    made.clear();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(NewEventTest, DeletedElsewhereClosesAndANewEditorOnlyFollowsDeletion) {
    EventConfigController* editor = editorFor(event);
    editor->showWindowForNew(week.get());
    auto moved = std::make_shared<calstore::Event>(*event);
    moved->setStartDate(atBerlin(2011, 6, 20, 9));
    moved->setEndDate(atBerlin(2011, 6, 20, 10));
    foundation::NotificationCenter::defaultCenter().post(
        YearViewEventLoader::eventDataChangedNotification, nullptr,
        {{YearViewEventLoader::kChangesKey, QStringLiteral("dates")},
         {YearViewEventLoader::kEventKey, QVariant::fromValue(moved)}});
    EXPECT_EQ(editor->event(), event);
    // Deleted by another writer: the editor closes; the event is gone already
    // and nothing is deleted again.
    ASSERT_TRUE(YearViewEventLoader::deleteEventC(event));
    EXPECT_FALSE(editor->windowOpen());
    int deletions = 0;
    for (const auto& n : changes.posted())
        deletions +=
            n.userInfo.value(YearViewEventLoader::kChangesKey) == QStringLiteral("deleted");
    EXPECT_EQ(deletions, 1);
}

// Every kind of change, posted on the main thread and on a background thread
// (as the find panel's deletion and the purge post them): the editor takes it
// on the main thread.
class StoreChangeThreadTest : public NewEventTest, public ::testing::WithParamInterface<bool> {
protected:
    void deliver(const QString& change, const QString& uid, const QString& oldUID = {}) {
        QVariantMap info{
            {YearViewEventLoader::kChangesKey, change},
            {YearViewEventLoader::kEventKey, QVariant::fromValue(calstore::EventPtr())},
            {YearViewEventLoader::kUIDKey, uid}};
        if (!oldUID.isEmpty()) info.insert(YearViewEventLoader::kOldUIDKey, oldUID);
        auto post = [info] {
            foundation::NotificationCenter::defaultCenter().post(
                YearViewEventLoader::eventDataChangedNotification, nullptr, info);
        };
        if (GetParam()) {
            std::thread poster(post);
            poster.join();
        } else {
            post();
        }
        testsupport::waitUntil([] { return false; }, 0.05);  // runs what was queued
    }
};

TEST_P(StoreChangeThreadTest, EachKindOfChange) {
    const QString uid = QStringLiteral("drawn");
    EventConfigController* editor = editorFor(event);

    // Another event's deletion leaves the editor open.
    editor->showWindow();
    deliver(QStringLiteral("deleted"), QStringLiteral("other"));
    EXPECT_TRUE(editor->windowOpen());

    // New dates without an event: the dates pane is set from the event again,
    // and its warning goes; other entries stay.
    editor->gui_title->setStringValue(QStringLiteral("typed"));
    editor->gui_dpDates->setDateValue(atBerlin(2011, 7, 1, 9, 0));
    editor->gui_warningLabel->setHidden(false);
    deliver(QStringLiteral("dates"), uid);
    EXPECT_TRUE(editor->windowOpen());
    EXPECT_EQ(editor->gui_dpDates->dateValue(), event->startDate());
    EXPECT_TRUE(editor->gui_warningLabel->isHidden());
    EXPECT_EQ(editor->gui_title->stringValue(), QStringLiteral("typed"));
    editor->closeWindow();

    // A new event's editor follows nothing but its deletion.
    editor->showWindowForNew();
    editor->gui_dpDates->setDateValue(atBerlin(2011, 7, 1, 9, 0));
    deliver(QStringLiteral("dates"), uid);
    deliver(QStringLiteral("updated"), uid, uid);
    EXPECT_TRUE(editor->windowOpen());
    EXPECT_EQ(editor->gui_dpDates->dateValue(), atBerlin(2011, 7, 1, 9, 0));
    deliver(QStringLiteral("deleted"), uid);
    EXPECT_FALSE(editor->windowOpen());
    EXPECT_TRUE(fileExists());  // its deletion is someone else's

    // Replaced: closed and out of the registry; it goes once the loop runs.
    QPointer<EventConfigController> replaced = editor;
    editor->showWindow();
    deliver(QStringLiteral("updated"), uid, uid);
    EXPECT_FALSE(replaced && replaced->windowOpen());
    EXPECT_EQ(EventConfigController::registeredControllerForUID(uid), nullptr);
    made.clear();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(replaced);
}

INSTANTIATE_TEST_SUITE_P(Editor, StoreChangeThreadTest, ::testing::Bool(), [](const auto& info) {
    return std::string(info.param ? "Background" : "Main");
});

// -- Panes

TEST_F(EventConfigControllerTest, HeaderIconsStandForAlarmAndRepetition) {
    const QStringList alarm{QStringLiteral("BEGIN:VALARM"), QStringLiteral("ACTION:DISPLAY"),
                            QStringLiteral("TRIGGER:-PT15M"), QStringLiteral("END:VALARM")};
    const QStringList timed{QStringLiteral("DTSTART:20110613T070000Z"),
                            QStringLiteral("DTEND:20110613T080000Z")};
    const QString weekly = QStringLiteral("RRULE:FREQ=WEEKLY");
    writeEvent(QStringLiteral("work"), QStringLiteral("both"), timed + QStringList{weekly} + alarm);
    writeEvent(QStringLiteral("work"), QStringLiteral("rule"), timed + QStringList{weekly});
    writeEvent(QStringLiteral("work"), QStringLiteral("plain"), timed);
    open();
    const struct {
        const char* uid;
        bool alarmShown, ruleShown;
        double ruleShift;
        const char* summary;
    } cases[] = {
        {"both", true, true, -EventConfigController::kIconShift, "Every Monday"},
        {"rule", false, true, 0, "Every Monday"},
        {"plain", false, false, 0, "Does not repeat"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.uid);
        EventConfigController* editor = editorFor(stored(QString::fromLatin1(c.uid)));
        editor->showWindow();
        EXPECT_EQ(!editor->gui_alarmIcon->isHidden(), c.alarmShown);
        EXPECT_EQ(!editor->gui_recurrenceIcon->isHidden(), c.ruleShown);
        EXPECT_EQ(editor->gui_recurrenceIcon->frame(),
                  editor->gui_alarmIcon->frame().translated(c.ruleShift, 0));
        EXPECT_EQ(editor->gui_recurrencePane->dataForCollapsedState(),
                  QString::fromLatin1(c.summary));
        testsupport::saveForInspection(editor->window()->widget()->grab().toImage(),
                                       QStringLiteral("editor-icons-%1").arg(QLatin1String(c.uid)));
    }
}

TEST_F(EventConfigControllerTest, SummariesAreCutAfterFortyFiveCharacters) {
    const QString exact(45, QLatin1Char('x'));
    const QString longer = exact + QLatin1Char('y');
    auto event = memoryEvent();
    event->setLocation(longer);
    event->setNotes(exact);
    event->setUrl(QUrl(QStringLiteral("https://example.org/agenda")));
    EventConfigController* editor = editorFor(event);
    editor->showWindow();
    EXPECT_EQ(editor->gui_lpLocation->stringValue(), longer);
    EXPECT_EQ(editor->gui_locationPane->dataForCollapsedState(), exact + QStringLiteral("..."));
    EXPECT_EQ(editor->gui_notesPane->dataForCollapsedState(), exact);
    EXPECT_EQ(editor->gui_urlPane->dataForCollapsedState(),
              QStringLiteral("https://example.org/agenda"));
    EXPECT_EQ(editor->gui_attendeesPane->dataForCollapsedState(), QString());
    // Only collapsed panes show their summary; a pane collapsed by the user
    // gets it afresh from its field.
    editor->gui_locationPane->setCollapsedState(false);
    editor->gui_lpLocation->setStringValue(QStringLiteral("Room 4"));
    editor->gui_locationPane->setCollapsedState(true);
    EXPECT_EQ(editor->gui_locationPane->dataForCollapsedState(), QStringLiteral("Room 4"));
}

TEST_F(EventConfigControllerTest, AttendeeEntriesAndTheirSummary) {
    EventConfigController* editor = editorFor(memoryEvent());
    editor->showWindow();
    const QString longName(50, QLatin1Char('n'));
    const struct {
        const char* name;
        QString entry;
        QString summary;
        QStringList names;
    } cases[] = {
        {"two names",
         QStringLiteral("Ann, Bob"),
         QStringLiteral("Ann, Bob"),
         {QStringLiteral("Ann"), QStringLiteral("Bob")}},
        {"commas in a row and at the end",
         QStringLiteral("Ann,,Bob,"),
         QStringLiteral("Ann, Bob"),
         {QStringLiteral("Ann"), QStringLiteral("Bob")}},
        {"blanks and line breaks around items",
         QStringLiteral("  Ann Lee ,\n Bob  \t"),
         QStringLiteral("Ann Lee, Bob"),
         {QStringLiteral("Ann Lee"), QStringLiteral("Bob")}},
        {"only separators", QStringLiteral(" , ,"), QString(), {}},
        {"a long name", longName, longName.left(45) + QStringLiteral("..."), {longName}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        editor->gui_apAttendees->setStringValue(c.entry);
        editor->apUpdatePaneText();
        EXPECT_EQ(editor->gui_attendeesPane->dataForCollapsedState(), c.summary);
        QStringList names;
        for (const calstore::AttendeePtr& attendee : editor->attendeesList()) {
            names << attendee->commonName();
            EXPECT_TRUE(attendee->address().isEmpty());
        }
        EXPECT_EQ(names, c.names);
    }
}

TEST_F(EventConfigControllerTest, TheFocusLeavesAPaneThatCollapses) {
    EventConfigController* editor = editorFor(memoryEvent());
    editor->showWindow();
    kit::Window* window = editor->window();
    editor->gui_notesPane->setCollapsedState(false);
    editor->gui_locationPane->setCollapsedState(false);

    // Typing in the notes, the user collapses the notes pane: the title takes the keyboard.
    ASSERT_TRUE(window->makeFirstResponder(editor->gui_npNotes));
    editor->gui_npNotes->setString(QStringLiteral("Bring the slides"));
    editor->gui_notesPane->setCollapsedState(true);
    EXPECT_EQ(window->firstResponder(), editor->gui_title);
    EXPECT_EQ(editor->gui_notesPane->dataForCollapsedState(), QStringLiteral("Bring the slides"));

    // Collapsing a pane the focus is not in leaves the focus alone.
    ASSERT_TRUE(window->makeFirstResponder(editor->gui_lpLocation));
    editor->gui_urlPane->setCollapsedState(false);
    editor->gui_urlPane->setCollapsedState(true);
    EXPECT_EQ(window->firstResponder(), editor->gui_lpLocation);

    // Opening a pane changes neither focus nor summary.
    editor->gui_lpLocation->setStringValue(QStringLiteral("Room 4"));
    editor->gui_notesPane->setCollapsedState(false);
    EXPECT_EQ(window->firstResponder(), editor->gui_lpLocation);
    EXPECT_EQ(editor->gui_locationPane->dataForCollapsedState(), QString());

    EXPECT_TRUE(
        EventConfigController::viewContainsElement(editor->gui_notesPane, editor->gui_npNotes));
    EXPECT_FALSE(
        EventConfigController::viewContainsElement(editor->gui_notesPane, editor->gui_lpLocation));
}

// The icon: the "Event" image with the mask, tinted, over it. A mask made for
// twice the resolution (wider than 65 pixels) is halved first.
TEST_F(EventConfigControllerTest, TheIconTintsItsMaskAndHalvesAWideOne) {
    QImage icon(64, 64, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::white);
    icon.setDevicePixelRatio(2);
    // Masks white in their top-left quarter only.
    auto mask = [](int pixels) {
        QImage m(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
        m.fill(Qt::transparent);
        QPainter painter(&m);
        painter.fillRect(QRect(0, 0, pixels / 2, pixels / 2), Qt::white);
        painter.end();
        m.setDevicePixelRatio(2);
        return m;
    };
    const QColor red(220, 30, 30, 80);  // the colour's own alpha is not used
    for (int width : {128, 64}) {
        SCOPED_TRACE(width);
        const QImage made =
            EventConfigController::eventImageFromImagesWithColor(icon, mask(width), red);
        ASSERT_EQ(made.size(), icon.size());
        testsupport::saveForInspection(made.scaled(128, 128),
                                       QStringLiteral("editor-icon-mask-%1").arg(width));
        EXPECT_TRUE(testsupport::colorNear(testsupport::pixel(made, 10, 10), QColor(220, 30, 30)));
        // Halved, the 128-pixel mask's quarter covers 32 pixels, as the 64-pixel mask's does.
        EXPECT_TRUE(testsupport::colorNear(testsupport::pixel(made, 48, 48), Qt::white));
        EXPECT_TRUE(testsupport::colorNear(testsupport::pixel(made, 28, 28), QColor(220, 30, 30)));
    }
    const QImage real = EventConfigController::eventImageWithColor(QColor(40, 160, 60));
    testsupport::saveForInspection(real.scaled(256, 256), QStringLiteral("editor-event-icon"));
    // The frame is in the colour, the page stays white.
    EXPECT_TRUE(
        testsupport::colorNear(testsupport::pixel(real, 2 * 16, 2 * 27), QColor(40, 160, 60), 20));
    EXPECT_TRUE(testsupport::colorNear(testsupport::pixel(real, 2 * 20, 2 * 14), Qt::white, 20));
}

TEST_F(EventConfigControllerTest, FullDayRangeShowsItsLastDay) {
    auto event = memoryEvent();
    event->setIsAllDay(true);
    event->setStartDate(atBerlin(2011, 6, 13));
    event->setEndDate(atBerlin(2011, 6, 15));  // Monday to Tuesday
    EventConfigController* editor = editorFor(event);
    editor->showWindow();
    EXPECT_TRUE(editor->isFullday());
    EXPECT_EQ(editor->gui_dpDates->dateValue(), atBerlin(2011, 6, 13));
    EXPECT_EQ(MyDate(editor->gui_dpDates->dateValue().addSecs(
                         qint64(editor->gui_dpDates->timeInterval())))
                  .dayNum(),
              14);
    const QString summary = QStringLiteral("Monday, June 13 - Tuesday, June 14, 2011");
    EXPECT_EQ(editor->gui_datePane->dataForCollapsedState(), summary);
    editor->gui_datePane->setCollapsedState(false);
    editor->gui_datePane->setCollapsedState(true);
    EXPECT_EQ(editor->gui_datePane->dataForCollapsedState(), summary);
}

TEST_F(EventConfigControllerTest, ChangedEndTimeReachesTheSummaryWhenCollapsing) {
    EventConfigController* editor = editorFor(memoryEvent());
    editor->showWindowForNew();
    editor->gui_dpEndTime->setDateValue(atBerlin(2011, 6, 13, 11, 30));
    editor->gui_datePane->setCollapsedState(true);
    EXPECT_EQ(editor->gui_datePane->dataForCollapsedState(),
              QStringLiteral("Monday, June 13, 2011, 9:05 - 11:30"));
}

TEST_F(EventConfigControllerTest, FullDaySwitchShowsTheTimeBlockOnlyForTimedEvents) {
    EventConfigController* editor = editorFor(memoryEvent());
    editor->showWindowForNew();
    CollapsablePanel* pane = editor->gui_datePane;
    const double timed = pane->frame().height();
    ASSERT_GT(timed, EventConfigController::kTimeBlockPaneEdge);
    auto timeBlockHidden = [&] {
        int hidden = 0;
        for (kit::View* view : editor->timeBlock()) hidden += view->isHidden() ? 1 : 0;
        return hidden == 10 ? 1 : hidden == 0 ? 0 : -1;
    };
    EXPECT_EQ(timeBlockHidden(), 0);

    // The user ticks the box; then the switch runs again for the same state.
    QWidget* box = editor->gui_dpFullday->hostedWidget();
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    ASSERT_EQ(editor->gui_dpFullday->state(), kit::Button::On);
    for (int i = 0; i < 2; ++i) {
        if (i > 0) editor->dpClickFullday(editor->gui_dpFullday);
        EXPECT_EQ(pane->frame().height(), timed - EventConfigController::kTimeBlockHeight);
        EXPECT_EQ(timeBlockHidden(), 1);
    }
    testsupport::saveForInspection(editor->window()->widget()->grab().toImage(),
                                   QStringLiteral("editor-fullday"));
    editor->gui_dpFullday->setState(kit::Button::Off);
    for (int i = 0; i < 2; ++i) {
        editor->dpClickFullday(editor->gui_dpFullday);
        EXPECT_EQ(pane->frame().height(), timed);
        EXPECT_EQ(timeBlockHidden(), 0);
    }
    // A pane of exactly the edge's height is left alone either way.
    pane->changeContentHeightBy(float(EventConfigController::kTimeBlockPaneEdge - timed));
    ASSERT_EQ(pane->frame().height(), EventConfigController::kTimeBlockPaneEdge);
    for (int state : {kit::Button::On, kit::Button::Off}) {
        editor->gui_dpFullday->setState(state);
        editor->dpClickFullday(editor->gui_dpFullday);
        EXPECT_EQ(pane->frame().height(), EventConfigController::kTimeBlockPaneEdge);
    }
}

TEST_F(EventConfigControllerTest, ReopeningCollapsedFollowsTheFullDayFlag) {
    auto event = memoryEvent();
    EventConfigController* editor = editorFor(event);
    editor->showWindow();  // every pane collapsed, the event timed
    const double disclosedTimed = editor->datePaneDisclosedHeight();
    editor->closeWindow();

    auto allDay = std::make_shared<calstore::Event>(*event);
    allDay->setIsAllDay(true);
    allDay->setStartDate(atBerlin(2011, 6, 13));
    allDay->setEndDate(atBerlin(2011, 6, 14));
    EventConfigController::controllerForEvent(allDay);
    editor->showWindow();
    EXPECT_TRUE(editor->gui_datePane->isCollapsed());
    EXPECT_TRUE(editor->gui_dpTimes->isHidden());
    EXPECT_EQ(editor->datePaneDisclosedHeight(),
              disclosedTimed - EventConfigController::kTimeBlockHeight);
    EXPECT_EQ(editor->gui_datePane->dataForCollapsedState(),
              QStringLiteral("Monday, June 13, 2011"));
    // Disclosed, the pane has the full-day height.
    editor->gui_datePane->setCollapsedState(false);
    EXPECT_EQ(editor->gui_datePane->frame().height(),
              disclosedTimed - EventConfigController::kTimeBlockHeight);
}

TEST_F(EventConfigControllerTest, TimeFieldsAndTheClock) {
    EventConfigController* editor = editorFor(memoryEvent());
    editor->showWindowForNew();
    editor->gui_dpEndTime->setDateValue(atBerlin(2011, 6, 13, 10, 0));
    ASSERT_TRUE(editor->window()->makeFirstResponder(editor->gui_dpEndTime));
    EXPECT_EQ(MyDate(editor->gui_dpTimes->dateValue()).hourNum(), 10);
    // A click into the start field brings its time to the clock.
    editor->window()->widget()->activateWindow();
    QTest::mouseClick(editor->gui_dpStartTime->hostedWidget(), Qt::LeftButton);
    EXPECT_EQ(MyDate(editor->gui_dpTimes->dateValue()).hourNum(), 9);
    EXPECT_EQ(MyDate(editor->gui_dpTimes->dateValue()).minuteNum(), 5);
    editor->gui_dpTimes->setDateValue(atBerlin(2011, 6, 13, 8, 45));
    editor->setStartTime();
    EXPECT_EQ(editor->gui_dpStartTime->dateValue(), atBerlin(2011, 6, 13, 8, 45));
    // A picker of another editor is no business of this one.
    EventConfigController* other = editorFor(memoryEvent());
    editor->timePickerGotFocus(other->gui_dpStartTime);
    EXPECT_EQ(editor->gui_dpTimes->dateValue(), atBerlin(2011, 6, 13, 8, 45));
}

TEST_F(EventConfigControllerTest, OpeningHidesAnEarlierWarning) {
    EventConfigController* editor = editorFor(memoryEvent());
    editor->gui_warningIcon->setHidden(false);
    editor->gui_warningLabel->setHidden(false);
    editor->showWindow();
    EXPECT_TRUE(editor->gui_warningIcon->isHidden());
    EXPECT_TRUE(editor->gui_warningLabel->isHidden());
}

}  // namespace
