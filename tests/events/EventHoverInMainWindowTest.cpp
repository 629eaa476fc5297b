// The event hover and the delete sheet in the main window, wired as the
// program wires them: opening the hover from the week view (double click,
// Space, Info), its buttons, following a new record, the panel's size, and the
// sheet that asks before an event is deleted, checked in the store's files.

#include "data/WritersTestSupport.h"
#include "events/EventConfigController.h"
#include "events/EventHoverController.h"
#include "events/EventHoverView.h"
#include "events/EventSheetController.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Animation.h"
#include "platform/kit/Button.h"
#include "platform/kit/Event.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/Sheet.h"
#include "platform/kit/TextField.h"
#include "shell/HoverPanels.h"
#include "shell/MainWindowCtrl.h"
#include "shell/SpringPanel.h"
#include "support/MainWindowPanes.h"
#include "weekview/WDEventsView.h"
#include "weekview/WDHeaderView.h"
#include "weekview/WeekView.h"
#include "weekview/WeekdayView.h"
#include "WeekWindowWorld.h"
#include "yearview/YearViewPageWorld.h"
#include "yearview/YearViewScroller.h"

#include <QCoreApplication>
#include <QFile>
#include <QPainter>
#include <QTimeZone>

#include <cmath>

namespace {

using namespace yvpage;
using eventswindow::atBerlin;

kit::Event keyPress(int code) {
    return kit::Event::keyEvent(kit::EventType::KeyDown, code, QString());
}

class EventHoverInMainWindowTest : public eventswindow::WeekWindowWorld {
protected:
    void installMore() override {
        EventHoverController::installEntries();
        EventSheetController::installWeekViewEntries();
    }
    void SetUp() override {
        WeekWindowWorld::SetUp();
        // Today is 15 March 2024: a meeting, a repeating review and a birthday
        // in the week shown.
        meetingUID = store(work, QStringLiteral("Planning meeting"), atBerlin(2024, 3, 13, 9, 5),
                           atBerlin(2024, 3, 13, 10, 30), [](calstore::Event& e) {
                               e.setLocation(QStringLiteral("Room 4, second floor"));
                               e.setNotes(QStringLiteral("Bring the figures."));
                           });
        reviewUID =
            store(work, QStringLiteral("Monthly review"), atBerlin(2024, 3, 12, 14, 0),
                  atBerlin(2024, 3, 12, 15, 0), [](calstore::Event& e) {
                      e.setRecurrenceRule(
                          calstore::RecurrenceRule::initDailyRecurrenceWithIntervalEnd(1, {}));
                  });
        birthdayUID =
            store(birthdays, QStringLiteral("Ann Smith"), atBerlin(2024, 3, 14),
                  atBerlin(2024, 3, 14, 23, 59), [](calstore::Event& e) {
                      e.setIsAllDay(true);
                      e.setRecurrenceRule(
                          calstore::RecurrenceRule::initYearlyRecurrenceWithIntervalEnd(1, {}));
                  });

        openWindow([this] { return record(meetingUID) && record(reviewUID); });
    }
    void TearDown() override {
        EventSheetController::resetSharedWinController();
        EventHoverController::resetSharedWinController();
        EventHoverController::changeServices([](auto& installed) { installed = {}; });
        tearDownWindow({meetingUID, reviewUID});
    }

    QString store(const CalendarPtr& calendar, const QString& title, const QDateTime& start,
                  const QDateTime& end, const std::function<void(calstore::Event&)>& more) {
        auto event = calstore::Event::event();
        event->setCalendar(calendar->calendar());
        event->setTitle(title);
        event->setStartDate(start);
        event->setEndDate(end);
        more(*event);
        EXPECT_TRUE(
            YearViewEventLoader::storeNewlyCreatedEventOnCalOnView(event, calendar, nullptr));
        return event->uid();
    }
    // The entry of the UID in the week's columns (timed or full-day); with a
    // day of March, the one of that day.
    EventDayPtr record(const QString& uid, int day = 0) const {
        if (!week) return nullptr;
        for (WeekdayView* column : week->viewSet()) {
            if (day && column->date() && column->date()->dayNum() != day) continue;
            for (const auto* list : {&column->events(), &column->fdevents()})
                for (const EventDayPtr& r : *list)
                    if (r && r->event() && r->event()->uid() == uid) return r;
        }
        return nullptr;
    }
    // Birthdays stand in the day titles, not among the week's entries: the
    // hover shows them for the search results. The birthday's record, shown
    // beside Thursday's title.
    void showBirthday() {
        const auto events = calstore::Store::defaultStore()->eventsWithPredicate(
            calstore::Store::eventPredicateWithStartDateEndDateUIDCalendars(
                atBerlin(2024, 3, 1), atBerlin(2024, 4, 1), birthdayUID, {birthdays->calendar()}));
        ASSERT_EQ(events.size(), 1);
        auto entry = std::make_shared<EventDay>();
        entry->setEvent(events.first());
        entry->setCalendar(birthdays);
        entry->setFulldayEvent(true);
        WeekdayView* thursday = week->viewSet().at(3);
        hover()->showWindowForEventAtRectInView(entry, QRectF(0, 0, 60, 16),
                                                thursday->headerView());
    }
    WeekdayView* columnOf(const EventDayPtr& entry) const {
        for (WeekdayView* column : week->viewSet())
            for (const auto* list : {&column->events(), &column->fdevents()})
                for (const EventDayPtr& r : *list)
                    if (r == entry) return column;
        return nullptr;
    }
    QString fileOf(const CalendarPtr& calendar, const QString& uid) const {
        return dir.file(QStringLiteral("store/%1/%2.ics").arg(calendar->uid(), uid));
    }
    static EventHoverController* hover() { return EventHoverController::sharedWinController(); }
    static bool hoverOpen() {
        EventHoverController* made = EventHoverController::existingWinController();
        return made && made->windowOpen();
    }

    // The main window with a panel drawn over it where it stands on screen;
    // a sheet on the window background.
    QImage screenshot(kit::Window* over, bool sheet = false) const {
        kit::Window* main = controller->window();
        QImage image = main->widget()->grab().toImage();
        if (!over) return image;
        const QImage top = over->contentView()->renderToImage();
        const QRectF m = main->frame(), o = over->frame();
        QPainter painter(&image);
        const QPointF at(o.x() - m.x(), (m.y() + m.height()) - (o.y() + o.height()));
        if (sheet) painter.fillRect(QRectF(at, top.size()), QColor(236, 236, 236));
        painter.drawImage(at, top);
        return image;
    }

    QString meetingUID, reviewUID, birthdayUID;
};

}  // namespace

// -- The hover

TEST_F(EventHoverInMainWindowTest, ADoubleClickSpaceAndInfoOpenTheHoverBesideTheEvent) {
    const EventDayPtr meeting = record(meetingUID);
    WeekdayView* column = columnOf(meeting);
    ASSERT_TRUE(column);
    const QPointF inBox(meeting->hitX() + meeting->hitW() / 2,
                        column->eventsView()->frame().y() + meeting->hitY() + meeting->hitH() / 2);
    column->mouseDown(kit::Event::mouseEvent(kit::EventType::LeftMouseDown,
                                             column->convertPointToView(inBox, nullptr), 0, 2));
    ASSERT_TRUE(hoverOpen());
    EXPECT_EQ(hover()->event(), meeting);
    EXPECT_EQ(hover()->originatingView(), column->eventsView());
    EXPECT_FALSE(hover()->editButton()->isHidden());
    EXPECT_TRUE(hover()->weekButton()->isHidden());
    // The panel stands right of the box (the factory setting), its anchor at
    // the box's right edge.
    const QRectF box = hover()->panel()->referenceRect();
    const QRectF inWindow =
        column->eventsView()->convertRectToView(column->visibleRectForEvent(meeting), nullptr);
    EXPECT_EQ(box, controller->window()->convertRectToScreen(inWindow));
    ASSERT_TRUE(EventHoverController::defaultOpensToRight());
    EXPECT_EQ(hover()->panel()->actualOpeningDirection(), SpringPanel::Right);
    EXPECT_NEAR(hover()->panel()->frame().x(), box.x() + box.width(), 0.5);
    EXPECT_EQ(hover()->panel()->frame().height(), 200 + 81);
    EXPECT_EQ(hover()->detailsView()->title(), "Planning meeting");
    testsupport::saveForInspection(screenshot(hover()->panel()),
                                   QStringLiteral("event-hover-over-main-window"));

    // The main window moves: the hover follows its event.
    kit::Window* main = controller->window();
    main->setFrameOrigin(main->frame().topLeft() + QPointF(40, -30));
    controller->windowDidMove(nullptr);
    EXPECT_EQ(hover()->panel()->referenceRect(), box.translated(40, -30));
    // Beside the moved box, on whichever side the screen has room for it.
    const QRectF moved = box.translated(40, -30), panel = hover()->panel()->frame();
    EXPECT_TRUE(std::abs(panel.x() - (moved.x() + moved.width())) < 0.5 ||
                std::abs(panel.x() + panel.width() - moved.x()) < 0.5)
        << panel.x() << " " << moved.x();

    // Escape closes it, Space opens it for the selection, Info too.
    week->selectEvent(meeting);
    week->keyDown(keyPress(kit::KeyCodes::Escape));
    EXPECT_FALSE(hoverOpen());
    week->keyDown(keyPress(kit::KeyCodes::Space));
    EXPECT_TRUE(hoverOpen());
    week->keyDown(keyPress(kit::KeyCodes::Space));
    EXPECT_FALSE(hoverOpen());
    week->menuCommandInformation(QVariant());
    EXPECT_TRUE(hoverOpen());

    // Another popup opening closes it; its own announcement does not.
    foundation::NotificationCenter::defaultCenter().post(closeHoverPanelsNotification, hover());
    EXPECT_TRUE(hoverOpen());
    foundation::NotificationCenter::defaultCenter().post(closeHoverPanelsNotification, this);
    EXPECT_FALSE(hoverOpen());
}

TEST_F(EventHoverInMainWindowTest, EditOpensTheEditorOfTheEventShown) {
    week->openInfosForEvent(record(meetingUID));
    ASSERT_TRUE(hoverOpen());
    hover()->editButton()->performClick();
    EXPECT_FALSE(hoverOpen());
    EventConfigController* editor = EventConfigController::registeredControllerForUID(meetingUID);
    ASSERT_TRUE(editor);
    EXPECT_TRUE(editor->windowOpen());
}

// Marks, notes, holidays and marker-store events are not edited from the
// hover.
TEST_F(EventHoverInMainWindowTest, EditIsOfferedForOrdinaryEventsAndBirthdaysOnly) {
    const EventDayPtr meeting = record(meetingUID);
    kit::View* anchor = columnOf(meeting)->eventsView();
    const struct {
        const char* what;
        CalendarPtr calendar;
        QString location;
        bool editable;
    } cases[] = {
        {"ordinary", work, QStringLiteral("Room 4"), true},
        {"birthday", birthdays, QString(), true},
        {"holiday", holidays, QString(), false},
        {"marker store", markers, QString(), false},
        {"mark", work, QStringLiteral("Zolt:0123456789abcdef0123456789abcdef"), false},
        {"notes", work, QStringLiteral("Zolt:Notes"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto event = std::make_shared<calstore::Event>(*meeting->event());
        event->setLocation(c.location);
        auto entry = std::make_shared<EventDay>(*meeting);
        entry->setEvent(event);
        entry->setCalendar(c.calendar);
        hover()->showWindowForEventAtRectInView(entry, QRectF(10, 10, 50, 30), anchor);
        EXPECT_EQ(!hover()->editButton()->isHidden(), c.editable);
        hover()->closeWindow();
    }
}

// A birthday is edited in its list: the sheet of its calendar with its row.
TEST_F(EventHoverInMainWindowTest, EditOnABirthdayOpensTheBirthdayListAtItsRow) {
    CalendarPtr asked;
    QString row;
    showBirthday();
    ASSERT_TRUE(hoverOpen());
    EXPECT_FALSE(hover()->editButton()->isHidden());
    hover()->editButton()->performClick();  // unset: the hover only closes
    EXPECT_FALSE(hoverOpen());
    EXPECT_FALSE(EventConfigController::registeredControllerForUID(birthdayUID));

    EventHoverController::changeServices([&](EventHoverController::Services& s) {
        s.showBirthdayInSheet = [&](const CalendarPtr& calendar, const QString& title) {
            asked = calendar;
            row = title;
        };
    });
    showBirthday();
    hover()->editButton()->performClick();
    EXPECT_EQ(asked, birthdays);
    EXPECT_EQ(row, "Ann Smith");
    EXPECT_FALSE(EventConfigController::registeredControllerForUID(birthdayUID));
}

// The same record from another rectangle only moves the panel; another
// occurrence of the series is shown with its own dates, and Edit opens it.
TEST_F(EventHoverInMainWindowTest, AnotherOccurrenceRefillsTheHoverTheSameOneOnlyReaims) {
    const EventDayPtr tuesday = record(reviewUID, 12);
    const EventDayPtr thursday = record(reviewUID, 14);
    ASSERT_TRUE(tuesday && thursday && tuesday != thursday);
    week->openInfosForEvent(tuesday);
    ASSERT_TRUE(hoverOpen());
    const QString tuesdayDates = hover()->detailsView()->datesLine();
    QPointer<kit::TextView> title = hover()->detailsView()->titleView();
    const QRectF firstReference = hover()->panel()->referenceRect();

    hover()->showWindowForEventAtRectInView(tuesday, QRectF(10, 10, 40, 30),
                                            hover()->originatingView());
    EXPECT_EQ(hover()->detailsView()->titleView(), title.data());  // not refilled
    EXPECT_NE(hover()->panel()->referenceRect(), firstReference);

    week->openInfosForEvent(thursday);
    EXPECT_EQ(hover()->event(), thursday);
    EXPECT_NE(hover()->detailsView()->datesLine(), tuesdayDates);
    EXPECT_TRUE(hover()->detailsView()->datesLine().startsWith(QStringLiteral("Thursday")));
    hover()->editButton()->performClick();
    EventConfigController* editor = EventConfigController::registeredControllerForUID(reviewUID);
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->event()->startDate(), thursday->event()->startDate());
}

// The week button is only shown on request; it shows the week and highlights
// ordinary events only.
TEST_F(EventHoverInMainWindowTest, TheWeekButtonHighlightsOnlyOrdinaryEvents) {
    const EventDayPtr meeting = record(meetingUID);
    // The same event as if it stood in a holiday calendar.
    auto holiday = std::make_shared<EventDay>(*meeting);
    holiday->setCalendar(holidays);
    for (const auto& [entry, highlights] : {std::pair{meeting, true}, std::pair{holiday, false}}) {
        SCOPED_TRACE(highlights);
        week->selectEvent(nullptr);
        hover()->showWindowForEventAtRectInView(entry, QRectF(10, 10, 50, 30),
                                                columnOf(meeting)->eventsView());
        ASSERT_TRUE(hoverOpen());
        EXPECT_TRUE(hover()->weekButton()->isHidden());
        EXPECT_EQ(hover()->editButton()->isHidden(), !highlights);
        hover()->setShowWeekButton(true);
        EXPECT_FALSE(hover()->weekButton()->isHidden());
        hover()->weekButton()->performClick();
        EXPECT_EQ(week->selection() == meeting, highlights);
        hover()->closeWindow();
    }
}

TEST_F(EventHoverInMainWindowTest, ACardOf650PointsScrollsInA481PointPanel) {
    const EventDayPtr meeting = record(meetingUID);
    QStringList lines;
    for (int i = 1; i <= 44; ++i) lines << QStringLiteral("Point %1 of the agenda").arg(i);
    meeting->event()->setNotes(lines.join(u'\n'));
    week->openInfosForEvent(meeting);
    ASSERT_TRUE(hoverOpen());
    EventHoverView* card = hover()->detailsView();
    EXPECT_GT(card->innerHeight(), 600);
    EXPECT_EQ(card->frame(), QRectF(0, 0, 300, card->innerHeight()));
    EXPECT_EQ(hover()->scrollView()->frame(), QRectF(29, 54, 300, 400));
    EXPECT_EQ(hover()->panel()->frame().size(), QSizeF(355, 481));
    // The top of the card is in sight, and the week view's wheel scrolls it.
    EXPECT_NEAR(hover()->scrollView()->documentVisibleRect().y(), card->innerHeight() - 400, 0.5);
    testsupport::saveForInspection(screenshot(hover()->panel()),
                                   QStringLiteral("event-hover-scrolling"));
    EXPECT_TRUE(hover()->scrollNotify(kit::Event::scrollEvent(QPointF(), 0, -40)));
    EXPECT_LT(hover()->scrollView()->documentVisibleRect().y(), card->innerHeight() - 400);
    hover()->closeWindow();
    EXPECT_FALSE(hover()->scrollNotify(kit::Event::scrollEvent(QPointF(), 0, -40)));
}

// -- The delete sheet

TEST_F(EventHoverInMainWindowTest, TheDeleteSheetDeletesOnlyOnOkAndOnlyWhatItNamed) {
    const QString file = fileOf(work, meetingUID);
    ASSERT_TRUE(QFile::exists(file));
    week->selectEvent(record(meetingUID));
    week->openInfosForEvent(record(meetingUID));
    ASSERT_TRUE(hoverOpen());
    week->cmiDeleteEvent(nullptr);
    EventSheetController* sheet = EventSheetController::sharedWinController();
    ASSERT_TRUE(sheet->isSheetUp());
    EXPECT_FALSE(hoverOpen());  // the sheet closes the hover
    EXPECT_EQ(kit::Sheet::attachedSheet(controller->window()), sheet->sheet());
    EXPECT_EQ(sheet->textField()->stringValue(),
              "Do you really want to delete this event from the calendar “Work”? This cannot be "
              "undone.");
    testsupport::saveForInspection(screenshot(sheet->sheet(), true),
                                   QStringLiteral("event-delete-sheet-over-main-window"));

    sheet->cancelButton()->performClick();
    EXPECT_FALSE(sheet->isSheetUp());
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_TRUE(week->selection());

    // The selection cleared while the sheet is up: OK deletes nothing.
    week->cmiDeleteEvent(nullptr);
    ASSERT_TRUE(sheet->isSheetUp());
    week->selectEvent(nullptr);
    sheet->deleteButton()->performClick();
    EXPECT_FALSE(sheet->isSheetUp());
    EXPECT_TRUE(QFile::exists(file));

    // Another event selected meanwhile is not deleted either.
    week->selectEvent(record(meetingUID));
    week->cmiDeleteEvent(nullptr);
    week->selectEvent(record(reviewUID, 13));
    sheet->deleteButton()->performClick();
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_TRUE(QFile::exists(fileOf(work, reviewUID)));

    // OK on the event the sheet named deletes it.
    week->selectEvent(record(meetingUID));
    week->cmiDeleteEvent(nullptr);
    sheet->deleteButton()->performClick();
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(week->selection(), nullptr);
}

TEST_F(EventHoverInMainWindowTest, TheDeleteKeyAsksFirstForARepeatingEvent) {
    week->selectEvent(record(reviewUID, 13));
    week->keyDown(keyPress(kit::KeyCodes::Delete));
    EventSheetController* sheet = EventSheetController::existingWinController();
    ASSERT_TRUE(sheet && sheet->isSheetUp());
    EXPECT_TRUE(QFile::exists(fileOf(work, reviewUID)));
    sheet->deleteButton()->performClick();
    EXPECT_FALSE(QFile::exists(fileOf(work, reviewUID)));
}

TEST(EventDeleteImage, ACalendarColourWithAlphaGivesAnOpaqueTint) {
    const QImage image = EventSheetController::eventDeleteImageWithColor(QColor(200, 30, 30, 90));
    testsupport::saveForInspection(image, QStringLiteral("event-delete-image"));
    ASSERT_EQ(image.deviceIndependentSize(), QSizeF(64, 64));
    // Inside the page's coloured rim, outside its white sheet and the mark.
    const double scale = image.devicePixelRatio();
    const QColor rim = image.pixelColor(int(9 * scale), int(20 * scale));
    EXPECT_EQ(rim.alpha(), 255);
    EXPECT_GT(rim.red(), rim.green() + 60);
    EXPECT_GT(rim.red(), rim.blue() + 60);
    // The delete mark's red disc at the lower right.
    const QColor mark = image.pixelColor(int(47 * scale - 10), int(47 * scale - 10));
    EXPECT_EQ(mark.alpha(), 255);
}
