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
