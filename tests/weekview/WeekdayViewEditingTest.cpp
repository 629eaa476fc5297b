// Editing with the mouse in the columns of a real week view over a temporary
// store: the press decision, hit tests, full-day list clicks, double clicks,
// edge drags, drawing a new event, adding a full-day event and the New Event
// command. Presses are scripted through the window's modal loop: the moves,
// the release or the Escape key are queued in the window before the press.
// Every write is checked in the store.

#include "weekview/WeekViewStoreFixture.h"

#include "data/Calendar.h"
#include "data/CalendarSources.h"
#include "data/YearViewEventLoader.h"
#include "data/YearViewEventLoaderTestSupport.h"
#include "platform/kit/Event.h"
#include "platform/kit/Perform.h"
#include "platform/kit/Window.h"
#include "platform/store/Store.h"
#include "shell/MainWindowCtrl.h"
#include "support/TestSupport.h"
#include "yearview/YearView.h"
#include "yearview/YearViewModel.h"

#include <QDir>
#include <QTimeZone>

#include <set>

using namespace wvtest;

namespace {

class WeekdayViewEditingTest : public WeekViewStoreFixture {};

const QDate kWednesday(2011, 6, 15);

}  // namespace

TEST_F(WeekdayViewEditingTest, ThePressDecidesBetweenClickDragsAndTheWeekDrag) {
    writeTimed(QStringLiteral("meet"), kWednesday, "10:00", "11:00");
    writeTimed(QStringLiteral("other"), kWednesday.addDays(1), "14:00", "15:00");
    open();
    enum class Sel { Other, Meet, None };
    struct Case {
        const char* what;
        bool onEvent;
        std::vector<QPointF> moves;  // from the press point
        bool cancel;
        Sel selection;
        bool endMoved;  // the event's end dragged an hour later
        int created;
        bool weekDrag;  // the week view's drag takes the press over
    };
    // clang-format off
    const Case cases[] = {
        {"released at once on the event: a click", true, {}, false, Sel::Meet, false, 0, false},
        {"released on empty space: a click on nothing", false, {}, false, Sel::None, false, 0, false},
        // The drag selects the event for its handles and afterwards returns
        // to the selection it replaced.
        {"1 point sideways on the event drags it", true, {{1, 0}}, false, Sel::Other, true, 0, false},
        {"1 point sideways on empty space is the week's drag", false, {{1, 0}}, false, Sel::None, false, 0, true},
        {"2 points down wait", false, {{0, -2}}, false, Sel::None, false, 0, false},
        {"3 points down draw a new event", false, {{0, -3}}, false, Sel::Meet, false, 1, false},
        {"equal movement waits", false, {{3, -3}}, false, Sel::None, false, 0, false},
        {"Escape cancels", false, {{0, -2}}, true, Sel::Other, false, 0, false},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        showWeek(kWednesday);
        WeekdayView* wed = column(kWednesday);
        const EventDayPtr meet = recordOf(wed, QStringLiteral("meet"));
        const EventDayPtr other = recordOf(column(kWednesday.addDays(1)), QStringLiteral("other"));
        ASSERT_TRUE(meet && other);
        view->selectEvent(other);
        const std::set<QString> before = uids();
        const QString meetBefore = span(eventsWithUID(QStringLiteral("meet")).value(0));

        // On the event: its end handle; on empty space: 16:10.
        const QPointF p = c.onEvent ? inWindow(wed, meet->hitX() + 20, meet->hitY() + 2)
                                    : atHour(wed, 16 + 1 / 6.0);
        std::vector<kit::Event> then;
        for (const QPointF& m : c.moves) then.push_back(drag(p + m));
        if (c.endMoved) then.push_back(drag(p - QPointF(0, WeekdayView::hourHeight())));
        then.push_back(c.cancel ? escape() : up(p));
        press(wed, p, then);

        const Sel now = view->selection() == other     ? Sel::Other
                        : view->selection() == nullptr ? Sel::None
                                                       : Sel::Meet;
        const EventDayPtr selected = view->selection();
        if (c.created) {
            const auto created = newEvents(before);
            ASSERT_EQ(created.size(), c.created);
            EXPECT_EQ(span(created[0]), QStringLiteral("15. 16:00-15. 17:00"));
            EXPECT_EQ(selected && selected->event() ? selected->event()->uid() : QString(),
                      created[0]->uid());
        } else {
            EXPECT_TRUE(newEvents(before).isEmpty());
            EXPECT_EQ(now, c.selection);
        }
        const QString meetAfter = span(eventsWithUID(QStringLiteral("meet")).value(0));
        EXPECT_EQ(meetAfter != meetBefore, c.endMoved) << meetAfter.toStdString();
        if (c.endMoved) EXPECT_EQ(meetAfter, QStringLiteral("15. 10:00-15. 12:00"));
        // Whoever took the press read its release; the week view's drag moved
        // no day for a point.
        EXPECT_FALSE(window->nextEventMatchingMask(kit::EventMasks::LeftMouseUp, 0).has_value());
        if (c.weekDrag) {
            EXPECT_EQ(dateOf(view->referenceDate()), kWednesday.addDays(-2));
            EXPECT_EQ(view->dotOffset(), 0.0);
        }
        // Restore the store for the next case.
        for (const calstore::EventPtr& e : newEvents(before)) {
            QFile::remove(dir.file(QStringLiteral("store/work/%1.ics").arg(e->uid())));
        }
        if (c.endMoved) writeTimed(QStringLiteral("meet"), kWednesday, "10:00", "11:00");
        store->rescan();
    }
}

TEST_F(WeekdayViewEditingTest, TheHitTestTakesTheBoxDrawnLastBordersIncluded) {
    writeTimed(QStringLiteral("long"), kWednesday, "09:00", "12:00");
    writeTimed(QStringLiteral("inner"), kWednesday, "10:00", "11:00");
    open();
    showWeek(kWednesday);
    WeekdayView* wed = column(kWednesday);
    const EventDayPtr longer = recordOf(wed, QStringLiteral("long"));
    const EventDayPtr inner = recordOf(wed, QStringLiteral("inner"));
    ASSERT_TRUE(longer && inner);
    const double y0 = wed->eventsView()->frame().y();
    auto pt = [&](double x, double y) { return QPointF(x, y0 + y); };
    // The indented box lies over the longer one.
    EXPECT_EQ(wed->eventAtLocation(pt(inner->hitX() + 1, inner->hitY() + 5)), inner);
    EXPECT_EQ(wed->eventAtLocation(pt(inner->hitX(), inner->hitY())), inner);  // corner
    EXPECT_EQ(
        wed->eventAtLocation(pt(inner->hitX() + inner->hitW(), inner->hitY() + inner->hitH())),
        inner);
    EXPECT_EQ(wed->eventAtLocation(pt(longer->hitX() + 1, longer->hitY() + 2)), longer);
    EXPECT_EQ(wed->eventAtLocation(pt(longer->hitX() - 1, longer->hitY() + 2)), nullptr);
    EXPECT_EQ(wed->eventAtLocation(pt(longer->hitX() + 1, longer->hitY() + longer->hitH() + 1)),
              nullptr);
}

TEST_F(WeekdayViewEditingTest, DoubleClicksOpenEditOrCreateInTheHalfHourSlot) {
    writeTimed(QStringLiteral("meet"), kWednesday, "08:00", "09:00");
    open();
    struct Case {
        double hour;
        const char* created;
    };
    const Case cases[] = {{10.25, "16. 10:00-16. 11:00"},
                          {10.75, "16. 10:30-16. 11:30"},
                          {23 + 10 / 60.0, "16. 23:00-16. 23:59"},
                          {23 + 40 / 60.0, "16. 23:30-16. 23:59"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.created);
        showWeek(kWednesday);
        WeekdayView* thu = column(kWednesday.addDays(1));
        const std::set<QString> before = uids();
        press(thu, atHour(thu, c.hour), {}, 0, 2);
        const auto created = newEvents(before);
        ASSERT_EQ(created.size(), 1);
        EXPECT_EQ(span(created[0]), QString::fromLatin1(c.created));
        EXPECT_EQ(created[0]->title(), QStringLiteral("New Event"));
        // Stored, selected and no longer new: the creation is over.
        const EventDayPtr selected = view->selection();
        ASSERT_TRUE(selected);
        EXPECT_EQ(selected->event()->uid(), created[0]->uid());
        EXPECT_FALSE(selected->isNew());
        // No editor to finish the creation: it ends with the store write.
        EXPECT_FALSE(controller->isCurrentlyInCreation(created[0]->uid()));
        QFile::remove(dir.file(QStringLiteral("store/work/%1.ics").arg(created[0]->uid())));
        store->rescan();
    }

    // On an event a double click opens its details; with Command, or Alt and
    // Shift, it only selects it for the editor.
    showWeek(kWednesday);
    WeekdayView* wed = column(kWednesday);
    const EventDayPtr meet = recordOf(wed, QStringLiteral("meet"));
    const std::set<QString> before = uids();
    press(wed, atHour(wed, 8.5), {}, 0, 2);
    EXPECT_EQ(shown, meet);
    for (unsigned flags :
         {kit::ModifierFlags::Command, kit::ModifierFlags::Option | kit::ModifierFlags::Shift}) {
        shown = nullptr;
        view->selectEvent(nullptr);
        press(wed, atHour(wed, 8.5), {}, flags, 2);
        EXPECT_EQ(shown, nullptr);
        EXPECT_EQ(view->selection(), meet);
    }
    EXPECT_TRUE(newEvents(before).isEmpty());
}

TEST_F(WeekdayViewEditingTest, EdgeDragsSnapToQuarterHoursAndWriteOnlyChanges) {
    struct Case {
        const char* what;
        const char* from;
        const char* to;
        bool start;
        double hours;
        const char* expected;
        bool written;
    };
    const Case cases[] = {
        {"start of 10-11 two hours down", "10:00", "11:00", true, 2, "10:30-11:00", true},
        {"end of 10-11 two hours up", "10:00", "11:00", false, -2, "10:00-10:30", true},
        {"start of 10:10-13:10 an hour down snaps as shown", "10:10", "13:10", true, 1,
         "11:15-13:10", true},
        {"start of 10:10-11:10 as far down as it goes", "10:10", "11:10", true, 5, "10:45-11:10",
         true},
        {"end of 22-23 three hours down", "22:00", "23:00", false, 3, "22:00-23:59", true},
        {"start above the top of the day", "01:00", "03:00", true, -2, "00:00-03:00", true},
        {"start dragged to 23:45", "19:00", "26:00", true, 4.75, "23:30-02:00", true},
        {"jitter on an on-grid edge", "10:00", "11:00", true, 0.1, "10:00-11:00", false},
        {"jitter on an off-grid edge writes the shown quarter", "10:10", "11:10", true, 0.1,
         "10:15-11:10", true},
        {"end at midnight an hour up", "22:00", "24:00", false, -1, "22:00-23:00", true},
        {"end at midnight dragged down stays", "22:00", "24:00", false, 1, "22:00-00:00", false},
    };
    // One case a week, from the week of 13 June on.
    for (size_t i = 0; i < std::size(cases); ++i)
        writeTimed(QStringLiteral("case%1").arg(i), kWednesday.addDays(7 * int(i)), cases[i].from,
                   cases[i].to);
    open();
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.what);
        const QString uid = QStringLiteral("case%1").arg(i);
        const QDate d = kWednesday.addDays(7 * int(i));
        showWeek(d);
        WeekdayView* col = column(d);
        const EventDayPtr r = recordOf(col, uid);
        ASSERT_TRUE(r);
        const QByteArray before = file(uid);
        dragEdge(col, r, c.start, c.hours);
        const calstore::EventPtr e = eventsWithUID(uid).value(0);
        ASSERT_TRUE(e);
        EXPECT_EQ(e->startDate().toTimeZone(berlin()).toString(QStringLiteral("HH:mm")) +
                      QStringLiteral("-") +
                      e->endDate().toTimeZone(berlin()).toString(QStringLiteral("HH:mm")),
                  QString::fromLatin1(c.expected));
        EXPECT_EQ(e->startDate().toTimeZone(berlin()).date(), d);
        EXPECT_EQ(file(uid) != before, c.written);
        EXPECT_EQ(col->currentlyDraggedEvent(), nullptr);
        EXPECT_EQ(view->selection(), r);
    }
}

TEST_F(WeekdayViewEditingTest, AnEventEndingAtMidnightKeepsItsHandlesAfterADrag) {
    writeTimed(QStringLiteral("late"), kWednesday, "21:00", "24:00");
    open();
    showWeek(kWednesday);
    WeekdayView* wed = column(kWednesday);
    const EventDayPtr r = recordOf(wed, QStringLiteral("late"));
    ASSERT_TRUE(r);
    dragEdge(wed, r, true, 1);  // the start to 22:00
    EXPECT_EQ(span(eventsWithUID(QStringLiteral("late")).value(0)),
              QStringLiteral("15. 22:00-16. 00:00"));
    // The frame runs from the bottom of the day up two hours, with both handles.
    const QRectF frame = wed->eventsView()->selectionRect();
    const double hh = WeekdayView::hourHeight();
    EXPECT_EQ(frame.y(), 0.5);
    EXPECT_EQ(frame.height(), 2 * hh);
    EXPECT_EQ(wed->eventsView()->operationForDragAtPoint(QPointF(frame.x() + 5, 2)),
              WDEventsView::DragEnd);
    EXPECT_EQ(wed->eventsView()->operationForDragAtPoint(QPointF(frame.x() + 5, 2 * hh - 1)),
              WDEventsView::DragStart);
}

TEST_F(WeekdayViewEditingTest, EscapeAndARepeatingEventsOccurrence) {
    writeTimed(QStringLiteral("weekly"), kWednesday, "10:00", "11:00",
               {QStringLiteral("RRULE:FREQ=WEEKLY;COUNT=3")});
    open();
    showWeek(kWednesday.addDays(7));
    WeekdayView* col = column(kWednesday.addDays(7));
    EventDayPtr r = recordOf(col, QStringLiteral("weekly"));
    ASSERT_TRUE(r);
    const QByteArray before = file(QStringLiteral("weekly"));
    dragEdge(col, r, false, 1, /*cancel=*/true);
    EXPECT_EQ(file(QStringLiteral("weekly")), before);

    dragEdge(col, r, false, 1);
    QStringList spans;
    for (const calstore::EventPtr& e : eventsWithUID(QStringLiteral("weekly"))) spans << span(e);
    spans.sort();
    EXPECT_EQ(spans, (QStringList{QStringLiteral("15. 10:00-15. 11:00"),
                                  QStringLiteral("22. 10:00-22. 12:00"),
                                  QStringLiteral("29. 10:00-29. 11:00")}));
}

TEST_F(WeekdayViewEditingTest, WritesGoToTheYearPageOfTheColumnsDay) {
    const QDate newYear(2012, 1, 1);  // Sunday of a week that begins in 2011
    writeTimed(QStringLiteral("party"), newYear, "10:00", "11:00");
    open();
    showWeek(newYear);
    WeekdayView* sunday = column(newYear);
    const EventDayPtr r = recordOf(sunday, QStringLiteral("party"));
    ASSERT_TRUE(r);
    dragEdge(sunday, r, false, 1);
    auto* pages = qobject_cast<PagesScroller*>(controller->calYearScroller());
    ASSERT_TRUE(pages);
    const auto listed = pages->future->model()->eventsForDayAndMonth(1, 1);
    ASSERT_EQ(listed->size(), 1u);
    EXPECT_EQ(span(listed->front()->event()), QStringLiteral("01. 10:00-01. 12:00"));
    EXPECT_TRUE(pages->current->model()->eventsForDayAndMonth(1, 1)->empty());
}

TEST_F(WeekdayViewEditingTest, DrawingANewEventFollowsFromItsEndLine) {
    open();
    struct Case {
        const char* what;
        std::vector<double> hours;  // where the pointer goes after the decision
        bool cancel;
        const char* stored;  // none when nothing is stored
    };
    const Case cases[] = {
        {"released above the end line keeps an hour", {14.7}, false, "15. 14:00-15. 15:00"},
        {"dragged below the end line follows from it", {14.7, 16}, false, "15. 14:00-15. 16:00"},
        {"Escape leaves nothing", {16}, true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        showWeek(kWednesday);
        WeekdayView* wed = column(kWednesday);
        const std::set<QString> before = uids();
        const QPointF p = atHour(wed, 14 + 1 / 6.0);
        std::vector<kit::Event> then{drag(p - QPointF(0, 3))};
        for (double h : c.hours) then.push_back(drag(atHour(wed, h)));
        then.push_back(c.cancel ? escape() : up(then.back().locationInWindow()));
        press(wed, p, then);
        const auto created = newEvents(before);
        if (!c.stored) {
            EXPECT_TRUE(created.isEmpty());
            EXPECT_EQ(view->selection(), nullptr);
            EXPECT_TRUE(wed->events().empty());
            EXPECT_EQ(QDir(dir.file(QStringLiteral("store/work"))).entryList({"*.ics"}).size(), 0);
            continue;
        }
        ASSERT_EQ(created.size(), 1);
        EXPECT_EQ(span(created[0]), QString::fromLatin1(c.stored));
        EXPECT_FALSE(controller->isCurrentlyInCreation(created[0]->uid()));
        // Once stored the drawn event is an ordinary one: Delete removes its file.
        const EventDayPtr selected = view->selection();
        ASSERT_TRUE(selected);
        EXPECT_FALSE(selected->isNew());
        view->keyDown(
            kit::Event::keyEvent(kit::EventType::KeyDown, kit::KeyCodes::Delete, QString()));
        EXPECT_TRUE(newEvents(before).isEmpty());
        EXPECT_EQ(QDir(dir.file(QStringLiteral("store/work"))).entryList({"*.ics"}).size(), 0);
    }
}

TEST_F(WeekdayViewEditingTest, AFullDayEventIsAddedStoredAndSelected) {
    open();
    showWeek(kWednesday);
    WeekdayView* fri = column(kWednesday.addDays(2));
    const std::set<QString> before = uids();
    fri->addFulldayEvent();
    const auto created = newEvents(before);
    ASSERT_EQ(created.size(), 1);
    EXPECT_TRUE(created[0]->isAllDay());
    EXPECT_EQ(created[0]->startDate().toTimeZone(berlin()).date(), kWednesday.addDays(2));
    EXPECT_EQ(created[0]->endDate().toTimeZone(berlin()).date(), kWednesday.addDays(2));
    const EventDayPtr selected = view->selection();
    ASSERT_TRUE(selected);
    EXPECT_EQ(selected->event()->uid(), created[0]->uid());
    EXPECT_TRUE(selected->fulldayEvent());
    EXPECT_FALSE(selected->isNew());
}

TEST_F(WeekdayViewEditingTest, AHiddenOrUnusualCalendarCreatesNothing) {
    open();
    struct Case {
        const char* what;
        std::function<void(Calendar&)> make;
    };
    const Case cases[] = {
        {"hidden", [](Calendar& c) { c.setSelected(false); }},
        {"birthdays", [](Calendar& c) { c.setCalendarType(3); }},
        {"holidays", [](Calendar& c) { c.setCalendarType(2); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.make(*work);
        showWeek(kWednesday);
        WeekdayView* wed = column(kWednesday);
        EXPECT_FALSE(view->canCreateNewEvent());
        view->createNewEvent();
        wed->addFulldayEvent();
        press(wed, atHour(wed, 15), {}, 0, 2);
        press(wed, atHour(wed, 15), {drag(atHour(wed, 15) - QPointF(0, 3)), up(atHour(wed, 17))});
        EXPECT_TRUE(allEvents().isEmpty());
        EXPECT_EQ(view->selection(), nullptr);
        work->setSelected(true);
        work->setCalendarType(Calendar::kTypeNormal);
    }
    EXPECT_TRUE(view->canCreateNewEvent());
}

TEST_F(WeekdayViewEditingTest, NewEventPutsAnHourAtNoonInTodaysColumnOrTheFirst) {
    open();
    const QDate today = dateOf(MyDate::date());
    for (const QDate& shownDay : {today, QDate(2011, 6, 15)}) {
        SCOPED_TRACE(shownDay.toString().toStdString());
        showWeek(shownDay);
        const QDate expected = shownDay == today ? today : dateOf(view->viewSet().front()->date());
        const std::set<QString> before = uids();
        // The shell asks by name.
        ASSERT_TRUE(kit::performReturning<bool>(view, "canCreateNewEvent").value_or(false));
        ASSERT_TRUE(kit::perform(view, "createNewEvent"));
        const auto created = newEvents(before);
        ASSERT_EQ(created.size(), 1);
        EXPECT_EQ(created[0]->startDate(), QDateTime(expected, QTime(12, 0), berlin()));
        EXPECT_EQ(created[0]->endDate(), QDateTime(expected, QTime(13, 0), berlin()));
    }
}

TEST_F(WeekdayViewEditingTest, FullDayRowsSelectOpenAndCloseTheOverflow) {
    setWeekPref(QStringLiteral("Show Marks As Fullday Events"), true);
    WeekdayView::updatePreferences();
    const QDate sat = kWednesday.addDays(3), sun = kWednesday.addDays(4);
    for (int i = 0; i < 20; ++i) writeAllDay(QStringLiteral("fd%1").arg(i, 2, 10, QChar('0')), sat);
    writeAllDay(QStringLiteral("mark"), sun,
                QStringLiteral("Zolt:0123456789abcdef0123456789abcdef"));
    writeAllDay(QStringLiteral("trip"), sun);
    open();
    showWeek(kWednesday);
    WeekdayView* full = column(sat);
    ASSERT_EQ(full->fdevents().size(), 20u);
    WDHeaderView* header = full->headerView();
    header->setCanDisplay(14);
    header->setHasMoreThanCanDisplay(true);
    header->setIsCollapsed(false);
    auto row = [&](WeekdayView* c, int r, int clicks, unsigned flags = 0) {
        const QPointF p = c->headerView()->convertPointToView(QPointF(30, 7 + r * 18 + 9), nullptr);
        c->mouseDownInFulldayList(mouse(kit::EventType::LeftMouseDown, p, flags, clicks));
    };
    // A press on the header's rows reaches the column; one on its title does
    // nothing.
    const auto pressHeader = [&](double y) {
        header->mouseDown(mouse(kit::EventType::LeftMouseDown,
                                header->convertPointToView(QPointF(30, y), nullptr)));
    };
    pressHeader(7 + 13 * 18 + 9);  // the highest row: the first entry
    EXPECT_EQ(view->selection(), full->fdevents()[0]);
    pressHeader(header->frame().height() - 10);
    EXPECT_EQ(view->selection(), full->fdevents()[0]);
    row(full, 13, 1);
    EXPECT_EQ(view->selection(), full->fdevents()[0]);
    row(full, 1, 1);  // above the overflow row: entry 12 of 20
    EXPECT_EQ(view->selection(), full->fdevents()[12]);
    row(full, 0, 1);  // the overflow row only closes the flap
    EXPECT_TRUE(header->isCollapsed());
    EXPECT_EQ(view->selection(), full->fdevents()[12]);

    WeekdayView* two = column(sun);
    ASSERT_EQ(two->fdevents().size(), 2u);
    const EventDayPtr highest = two->fdevents()[0], lowest = two->fdevents()[1];
    const EventDayPtr mark = highest->isMark() ? highest : lowest;
    const EventDayPtr trip = mark == highest ? lowest : highest;
    const int markRow = mark == highest ? 1 : 0, tripRow = 1 - markRow;
    row(two, markRow, 2);  // a mark opens nothing
    EXPECT_EQ(shown, nullptr);
    row(two, markRow, 1);  // but a click selects it
    EXPECT_EQ(view->selection(), mark);
    row(two, tripRow, 2);
    EXPECT_EQ(shown, trip);
    shown = nullptr;
    row(two, 5, 2);  // a double click on an empty row opens nothing
    EXPECT_EQ(shown, nullptr);
    row(two, tripRow, 2, kit::ModifierFlags::Option | kit::ModifierFlags::Shift);
    EXPECT_EQ(shown, nullptr);  // Option edits: the event is selected for the editor
    EXPECT_EQ(view->selection(), trip);
    row(two, 5, 1);  // a click on an empty row deselects
    EXPECT_EQ(view->selection(), nullptr);
}

TEST_F(WeekdayViewEditingTest, NewRecordsKeepTheirPositionsWithinTheDay) {
    open();
    struct Case {
        const char* what;
        double workdayStart, workdayEnd, hour;
        float startPercent, endPercent;
    };
    const Case cases[] = {
        {"inside the workday", 8, 18, 10, 0.2f, 0.3f},
        {"before the workday", 8, 18, 6, 0.0f, 0.0f},
        {"after the workday", 8, 18, 20, 1.0f, 1.0f},
        {"a workday without length is the whole day", 8, 8, 6, 0.25f, 7 / 24.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setGeneralPref(QStringLiteral("Workday Starts At"), c.workdayStart);
        setGeneralPref(QStringLiteral("Workday Ends At"), c.workdayEnd);
        WeekdayView::updatePreferences();
        showWeek(kWednesday);
        const EventDayPtr r = column(kWednesday)->createNewEventDataAtTimeInCalendar(c.hour, work);
        ASSERT_TRUE(r);
        EXPECT_FLOAT_EQ(r->startPercent(), c.startPercent);
        EXPECT_FLOAT_EQ(r->endPercent(), c.endPercent);
        EXPECT_TRUE(r->isNew());
    }
}

TEST_F(WeekdayViewEditingTest, TheBoxOfANightEventRunsFromTheTopOfTheDay) {
    writeTimed(QStringLiteral("night"), kWednesday.addDays(-1), "22:00", "26:00");
    open();
    showWeek(kWednesday);
    WeekdayView* wed = column(kWednesday);
    const EventDayPtr r = recordOf(wed, QStringLiteral("night"));
    ASSERT_TRUE(r);
    r->setHitY(0);
    r->setHitH(0);
    wed->recalcCursorRectForEvent(r);
    const double hh = WeekdayView::hourHeight();
    EXPECT_EQ(r->hitY(), std::floor(22 * hh + 0.5) + 0.5);  // 02:00
    EXPECT_EQ(r->hitH(), std::floor(2 * hh));               // up to the top
}

TEST_F(WeekdayViewEditingTest, AnEventMovedAcrossTheColumnsIsShownAndForgotten) {
    writeTimed(QStringLiteral("meet"), kWednesday, "10:00", "11:00");
    open();
    showWeek(kWednesday);
    WeekdayView* wed = column(kWednesday);
    WeekdayView* thu = column(kWednesday.addDays(1));
    const EventDayPtr meet = recordOf(wed, QStringLiteral("meet"));
    thu->setDraggedEvent(meet);
    EXPECT_TRUE(thu->containsEvent(meet));
    EXPECT_EQ(thu->currentlyDraggedEvent(), meet);
    thu->resetDraggedEvent();  // not Thursday's: dropped
    EXPECT_FALSE(thu->containsEvent(meet));
    EXPECT_EQ(thu->currentlyDraggedEvent(), nullptr);
    wed->setDraggedEvent(meet);
    wed->resetDraggedEvent();  // Wednesday's own: kept
    EXPECT_TRUE(wed->containsEvent(meet));
}

TEST_F(WeekdayViewEditingTest, TheDayOfTheClockChangeEndsAtItsMidnight) {
    // 27 March 2011 has 23 hours in Berlin: 86,400 seconds from its start
    // reach 1:00 of the next day.
    const QDate shortDay(2011, 3, 27);
    writeTimed(QStringLiteral("early"), shortDay.addDays(1), "00:30", "01:30");
    open();
    showWeek(shortDay);
    // Monday 28 March lies in the next week: the record is made as a column
    // would make it.
    auto early = std::make_shared<EventDay>();
    early->setEvent(eventsWithUID(QStringLiteral("early")).value(0));
    early->setCalendar(work);
    ASSERT_TRUE(early->event());
    WeekdayView* sunday = column(shortDay);
    sunday->setDraggedEvent(early);
    sunday->resetDraggedEvent();
    EXPECT_FALSE(sunday->containsEvent(early));
}
