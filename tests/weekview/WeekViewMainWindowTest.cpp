// The week view in the real main window, started as the program starts over a
// temporary store: the toolbar's New Event item, a click that selects an
// event and enables Info and Edit, and events created and changed with the
// mouse, each checked in the store.

#include "weekview/WeekViewWindowWorld.h"

#include "platform/kit/Event.h"
#include "platform/kit/Toolbar.h"
#include "platform/kit/ToolbarItem.h"
#include "weekview/WDEventsView.h"

#include <set>

namespace {

class WeekViewMainWindowTest : public wvwindow::WindowWorld {
protected:
    void SetUp() override {
        wvwindow::WindowWorld::SetUp();
        if (HasFatalFailure()) return;
        // Hour 11 at the top, the scroller and its labels along.
        week->scrollWheelProgress(week->viewSet().front()->scrollPercentForHour(11));
    }

    calstore::StorePtr store() const { return calstore::Store::defaultStore(); }
    QList<calstore::EventPtr> weekEvents() const {
        const QDateTime from(QDate::currentDate().addDays(-8), QTime(0, 0));
        return store()->eventsWithPredicate(
            calstore::Store::eventPredicateWithStartDateEndDateCalendars(from, from.addDays(16),
                                                                         store()->calendars()));
    }
    // The events whose UIDs are not in `before`, as "HH:mm-HH:mm".
    QStringList newSpans(const std::set<QString>& before) const {
        QStringList spans;
        for (const calstore::EventPtr& e : weekEvents())
            if (!before.count(e->uid()))
                spans << e->startDate().toLocalTime().toString(QStringLiteral("HH:mm-")) +
                             e->endDate().toLocalTime().toString(QStringLiteral("HH:mm"));
        spans.sort();
        return spans;
    }
    std::set<QString> uids() const {
        std::set<QString> all;
        for (const calstore::EventPtr& e : weekEvents()) all.insert(e->uid());
        return all;
    }
    // A point at an hour of a column, in window coordinates.
    static QPointF atHour(WeekdayView* c, double hour, double x = 40) {
        return c->convertPointToView(
            QPointF(x, c->eventsView()->frame().y() + (24 - hour) * WeekdayView::hourHeight()),
            nullptr);
    }
    kit::Event mouse(kit::EventType type, const QPointF& p, int clicks = 1) {
        return kit::Event::mouseEvent(type, p, 0, clicks, window);
    }
    // A press, the moves and the release, as the window takes them from the
    // user: the press's modal loop takes what follows it. The second press of
    // a double click decides at once, and its release comes after it.
    void gesture(const std::vector<QPointF>& points, int clicks = 1) {
        const kit::Event release = mouse(kit::EventType::LeftMouseUp, points.back(), clicks);
        if (clicks > 1) {
            window->sendEvent(mouse(kit::EventType::LeftMouseDown, points.front(), clicks));
            window->sendEvent(release);
            return;
        }
        for (size_t i = 1; i < points.size(); ++i)
            window->postEvent(mouse(kit::EventType::LeftMouseDragged, points[i]));
        window->postEvent(release);
        window->sendEvent(mouse(kit::EventType::LeftMouseDown, points.front(), clicks));
    }
};

}  // namespace

TEST_F(WeekViewMainWindowTest, EventsAreCreatedSelectedAndResizedInTheWindow) {
    kit::Toolbar* toolbar = window->toolbar();
    ASSERT_TRUE(toolbar);
    kit::ToolbarItem* newEvent = toolbar->itemWithIdentifier(QStringLiteral("TBNewEvent"));
    kit::ToolbarItem* info = toolbar->itemWithIdentifier(QStringLiteral("TBInfo"));
    kit::ToolbarItem* edit = toolbar->itemWithIdentifier(QStringLiteral("TBEdit"));
    ASSERT_TRUE(newEvent && info && edit);
    WeekdayView* today = todaysColumn();
    ASSERT_TRUE(today);

    // New Event: an hour at noon today, stored and selected.
    std::set<QString> before = uids();
    toolbar->validateVisibleItems();
    ASSERT_TRUE(newEvent->isEnabled());
    ASSERT_TRUE(newEvent->performAction());
    EXPECT_EQ(newSpans(before), QStringList{QStringLiteral("12:00-13:00")});
    ASSERT_TRUE(week->selection());

    // The hours from 11 to about 15:45 are in sight. A click on empty space
    // clears the selection, one on the event selects
    // it and enables Info and Edit.
    testsupport::waitUntil([] { return false; }, 0.2);  // the views take the stored event
    for (WeekdayView* c : week->viewSet()) c->forceRedraw();
    gesture({atHour(today, 14.7)});
    toolbar->validateVisibleItems();
    EXPECT_EQ(week->selection(), nullptr);
    EXPECT_FALSE(info->isEnabled());
    gesture({atHour(today, 12.5)});
    ASSERT_TRUE(week->selection());
    toolbar->validateVisibleItems();
    EXPECT_TRUE(info->isEnabled());
    EXPECT_TRUE(edit->isEnabled());

    // The event's bottom edge an hour down.
    const EventDayPtr noon = week->selection();
    const QPointF bottom = atHour(today, 13 - 2 / WeekdayView::hourHeight());
    gesture({bottom, bottom + QPointF(1, 0), bottom - QPointF(0, WeekdayView::hourHeight())});
    EXPECT_EQ(newSpans(before), QStringList{QStringLiteral("12:00-14:00")});

    // A double click on empty space and a drag down on empty space.
    before = uids();
    gesture({atHour(today, 15.2)}, 2);
    EXPECT_EQ(newSpans(before), QStringList{QStringLiteral("15:00-16:00")});
    before = uids();
    gesture({atHour(today, 14.2), atHour(today, 14.3), atHour(today, 16)});
    EXPECT_EQ(newSpans(before), QStringList{QStringLiteral("14:00-16:00")});

    // The refreshed columns keep the drawn event selected.
    testsupport::waitUntil([&] { return week->firstViewContainingEvent(week->selection()); });
    ASSERT_TRUE(week->selection());
    EXPECT_TRUE(week->selection()->isSelected());
    EXPECT_TRUE(today->containsEvent(week->selection()));

    // The window with the drawn event selected.
    testsupport::waitUntil([] { return false; }, 0.2);
    week->forcedRedraw();
    testsupport::saveForInspection(window->contentView()->renderToImage(),
                                   QStringLiteral("week-main-window-edited"));
}

TEST_F(WeekViewMainWindowTest, TheWeekSlidesToOtherWeeksAndEventsMoveToOtherDays) {
    std::vector<double> slides;
    WeekView::setAnimationObserver([&](const kit::Animation& a) {
        if (qobject_cast<const WeekViewAnimation*>(&a)) slides.push_back(a.duration());
    });
    const MyDatePtr thisWeek = week->newReferenceDateForDay(MyDate::date());
    ASSERT_TRUE(week->referenceDate()->isSameDateAs(thisWeek));
    auto shownFirst = [&] { return week->viewSet().front()->date(); };

    // Next and previous week, then back to today at the short slide.
    controller->menuCommandNextWeek(nullptr);
    controller->menuCommandNextWeek(nullptr);
    controller->menuCommandPrevWeek(nullptr);
    EXPECT_TRUE(
        week->referenceDate()->isSameDateAs(thisWeek->dateByAddingYearsMonthsDays(0, 0, 7)));
    EXPECT_TRUE(shownFirst()->isSameDateAs(week->referenceDate()));
    controller->menuCommandGotoToday(nullptr);
    EXPECT_TRUE(week->referenceDate()->isSameDateAs(thisWeek));
    EXPECT_EQ(slides, (std::vector<double>{0.5, 0.5, 0.5, 0.1}));

    // A Command double click on a day of the shown year.
    auto* page = qobject_cast<YearView*>(controller->currentYearView());
    ASSERT_TRUE(page);
    const int month = MyDate::date()->monthNum() > 6 ? 3 : 9;
    const YearViewModel::Layout l = page->model()->layout();
    const QPointF day =
        page->convertPointToView(QPointF(l.dayCellStartX + (month - 0.5) * l.cellWidth,
                                         l.dayCellStartY - 14.5 * l.cellHeight),
                                 nullptr);
    window->sendEvent(kit::Event::mouseEvent(kit::EventType::LeftMouseDown, day,
                                             kit::ModifierFlags::Command, 2, window));
    window->sendEvent(kit::Event::mouseEvent(kit::EventType::LeftMouseUp, day,
                                             kit::ModifierFlags::Command, 2, window));
    const MyDatePtr target = MyDate::dateWithDayMonthYear(15, month, page->year());
    EXPECT_TRUE(week->referenceDate()->isSameDateAs(week->newReferenceDateForDay(target)));
    EXPECT_TRUE(shownFirst()->isSameDateAs(week->referenceDate()));
    EXPECT_EQ(slides.back(), 0.1);
    controller->menuCommandGotoToday(nullptr);
    WeekView::setAnimationObserver(nullptr);

    // An event dragged an hour down and to the neighbouring day.
    WeekdayView* today = todaysColumn();
    ASSERT_TRUE(today);
    std::set<QString> before = uids();
    kit::ToolbarItem* newEvent =
        window->toolbar()->itemWithIdentifier(QStringLiteral("TBNewEvent"));
    ASSERT_TRUE(newEvent && newEvent->performAction());
    ASSERT_EQ(newSpans(before), QStringList{QStringLiteral("12:00-13:00")});
    testsupport::waitUntil([] { return false; }, 0.2);
    for (WeekdayView* c : week->viewSet()) c->forceRedraw();
    const auto& columns = week->viewSet();
    const size_t index = size_t(std::find(columns.begin(), columns.end(), today) - columns.begin());
    WeekdayView* other = columns[index + 1 < columns.size() ? index + 1 : index - 1];
    gesture({atHour(today, 12.5), atHour(today, 12.52), atHour(other, 13.5)});
    const MyDatePtr otherDay = other->date();
    const QList<calstore::EventPtr> moved = [&] {
        QList<calstore::EventPtr> found;
        for (const calstore::EventPtr& e : weekEvents())
            if (!before.count(e->uid())) found << e;
        return found;
    }();
    ASSERT_EQ(moved.size(), 1);
    EXPECT_TRUE(MyDate::dateWithNSDate(moved.first()->startDate())->isSameDateAs(otherDay));
    EXPECT_EQ(newSpans(before), QStringList{QStringLiteral("13:00-14:00")});

    // The window after the move, and the row halfway through a slide to the
    // next week.
    testsupport::waitUntil(
        [&] { return other->containsEvent(week->eventDayForCalEvent(moved.first())); });
    week->forcedRedraw();
    testsupport::saveForInspection(window->contentView()->renderToImage(),
                                   QStringLiteral("week-main-window-moved"));
    const int off = 7;
    const std::vector<WeekdayView*> set = week->createSlideSetForRefDate(
        week->referenceDate()->dateByAddingYearsMonthsDays(0, 0, off), off);
    WeekViewAnimation halfway;
    halfway.setConfiguration(week->prepareAnimationConfigFor(set, off));
    for (WeekdayView* c : set) c->willStartLiveMove();
    halfway.setCurrentProgress(0.4);
    testsupport::saveForInspection(window->contentView()->renderToImage(),
                                   QStringLiteral("week-main-window-sliding"));
    for (WeekdayView* c : set) {
        c->didEndLiveMove();
        if (std::find(columns.begin(), columns.end(), c) == columns.end()) {
            c->removeFromSuperview();
            c->deleteLater();
        }
    }
    week->repositionViewsDuringResize();
}
