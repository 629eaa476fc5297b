// The week view's event menu and its commands: the edit and delete items that
// come and go with the selection, the show toggles, the display-mode commands
// that replace the view, and the Info and Edit commands.

#include "weekview/WeekViewTestSupport.h"

#include "weekview/WeekViewPrint.h"

#include "data/CalendarSources.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Event.h"
#include "platform/kit/Menu.h"
#include "platform/kit/MenuItem.h"

#include <QCoreApplication>

using namespace wvtest;

namespace {

class WeekViewMenusTest : public WeekViewTest {
protected:
    // A timed event of Wednesday 15 June 2011 in the view's column of that day.
    EventDayPtr eventOnWednesday(WeekView& view) {
        yearArea->cellForDate(day(2011, 6, 15))
            ->addEventFromCalendar(
                yvtest::makeEvent(yvtest::at(2011, 6, 15, 10, 0), yvtest::at(2011, 6, 15, 11, 0),
                                  QStringLiteral("Review")),
                work);
        for (WeekdayView* column : view.viewSet()) {
            if (dateOf(column->date()) != QDate(2011, 6, 15)) continue;
            column->eventlistChanged();
            return column->events().empty() ? nullptr : column->events().front();
        }
        return nullptr;
    }
    static QVariant weekPref(const QString& key) {
        return foundation::Defaults::standard()
            .dictionaryForKey(QStringLiteral("AppPref WeekView"))
            .value(key);
    }
    static std::vector<int> tags(kit::Menu* menu) {
        std::vector<int> all;
        for (kit::MenuItem* item : menu->itemArray()) all.push_back(item->tag());
        return all;
    }

    CalendarPtr work =
        yvtest::makeCalendar(Calendar::kTypeNormal, true, Qt::blue, QStringLiteral("Work"));
};

}  // namespace

TEST_F(WeekViewMenusTest, EventItemsComeOnceWithASelectionAndGoWithTheirSeparator) {
    auto view = makeView(1000, 700, 1, day(2011, 6, 15));
    kit::Menu* menu = view->contextMenu();
    ASSERT_TRUE(menu);
    const std::vector<int> plain = tags(menu);
    const EventDayPtr event = eventOnWednesday(*view);
    ASSERT_TRUE(event);

    view->selectEvent(event);
    menu->willOpen();
    menu->didClose();
    menu->willOpen();
    menu->didClose();
    std::vector<int> expected = plain;
    expected.insert(
        expected.begin() + WeekView::kEventItemsIndex,
        {WeekView::kTagEditEvent, WeekView::kTagDeleteEvent, WeekView::kTagEventItemsSeparator});
    EXPECT_EQ(tags(menu), expected);
    EXPECT_TRUE(menu->itemAtIndex(WeekView::kEventItemsIndex + 2)->isSeparatorItem());
    EXPECT_TRUE(menu->itemWithTag(WeekView::kTagEditEvent)->validate());

    view->selectEvent(nullptr);
    menu->willOpen();
    menu->didClose();
    EXPECT_EQ(tags(menu), plain);
}

TEST_F(WeekViewMenusTest, ShowTogglesWriteTheGroupAndReachTheColumns) {
    struct Case {
        int tag;
        const char* key;
        bool (*columnsRead)();
    };
    const Case cases[] = {
        {WeekView::kTagShowColors, "Event Use CalendarColor", &WeekdayView::useCalendarColors},
        {WeekView::kTagShowHolidays, "Show Holidays", &WeekdayView::showHolidays},
        {WeekView::kTagShowBirthdays, "Show Birthdays", &WeekdayView::showBirthdays},
    };
    setWeekPref(QStringLiteral("Accelerate Scroll"), 2.5);
    auto view = makeView(1000, 700, 1, day(2011, 6, 15));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        const QString key = QString::fromLatin1(c.key);
        kit::MenuItem* item = view->showToggleItem(c.tag);
        ASSERT_TRUE(item);
        const bool before = weekPref(key).toBool();
        EXPECT_EQ(item->state() == kit::MenuItem::On, before);
        for (const bool expected : {!before, before}) {
            ASSERT_TRUE(item->performAction());
            EXPECT_EQ(weekPref(key).toBool(), expected);
            EXPECT_EQ(item->state() == kit::MenuItem::On, expected);
            EXPECT_EQ(c.columnsRead(), expected);
        }
    }
    // The rest of the group is kept.
    EXPECT_EQ(weekPref(QStringLiteral("Accelerate Scroll")).toDouble(), 2.5);
}

TEST_F(WeekViewMenusTest, WeeksOfTheYearBarGivesItsPointsBackAtOnce) {
    setWeekPref(QStringLiteral("Show RelativeInYear"), true);
    auto view = makeView(1000, 700, 1, day(2011, 6, 15));
    kit::MenuItem* item = view->showToggleItem(WeekView::kTagShowRelativeWeeks);
    ASSERT_TRUE(item);
    ASSERT_EQ(item->state(), kit::MenuItem::On);
    const double withBar = view->viewSet().front()->frame().height();
    const QImage barShown = view->renderToImage();

    ASSERT_TRUE(item->performAction());
    EXPECT_FALSE(weekPref(QStringLiteral("Show RelativeInYear")).toBool());
    EXPECT_FALSE(view->showRelativeInYear());
    EXPECT_EQ(view->viewSet().front()->frame().height(), withBar + WeekView::kRelativeBarRoom);
    const QImage barGone = view->renderToImage();
    testsupport::saveForInspection(barShown, QStringLiteral("week-menus-bar-shown"));
    testsupport::saveForInspection(barGone, QStringLiteral("week-menus-bar-gone"));
    EXPECT_NE(barShown, barGone);

    ASSERT_TRUE(item->performAction());
    EXPECT_TRUE(view->showRelativeInYear());
    EXPECT_EQ(view->viewSet().front()->frame().height(), withBar);
}

TEST_F(WeekViewMenusTest, ModeCommandWritesTheModeAndHandsOverADeafView) {
    auto view = makeView(1000, 700, 1, day(2011, 6, 15));
    kit::MenuItem mainItems[4];
    for (int mode = 1; mode <= 4; ++mode) view->setMainMenuModeItem(mode, &mainItems[mode - 1]);
    view->quickLoadPreferences();
    const EventDayPtr event = eventOnWednesday(*view);
    view->selectEvent(event);

    // The shown mode changes nothing.
    ASSERT_TRUE(view->gui_miItem(1)->performAction());
    EXPECT_EQ(yearArea->exchanged, nullptr);
    EXPECT_EQ(view->selection(), event);

    ASSERT_TRUE(view->gui_miItem(4)->performAction());
    EXPECT_EQ(weekPref(QStringLiteral("Display Mode")).toInt(), 4);
    EXPECT_EQ(view->selection(), nullptr);
    auto* fresh = qobject_cast<WeekView*>(yearArea->exchanged.data());
    ASSERT_TRUE(fresh);
    std::unique_ptr<WeekView> owned(fresh);
    EXPECT_EQ(fresh->displayMode(), 4);
    EXPECT_EQ(fresh->viewSet().size(), 5u);
    for (int mode = 1; mode <= 4; ++mode) {
        const int on = mode == 4 ? kit::MenuItem::On : kit::MenuItem::Off;
        EXPECT_EQ(mainItems[mode - 1].state(), on) << mode;
        EXPECT_EQ(fresh->gui_miItem(mode)->state(), on) << mode;
    }
    // The new view's menus act on it, not on the one it replaced.
    ASSERT_TRUE(fresh->contextMenu());
    EXPECT_EQ(fresh->gui_miItem(1)->target(), fresh);

    // Only the new view follows the notifications: a change of the shown
    // calendars clears a selection in it and leaves the old one alone.
    view->selectAndKeepEvent(event);
    const EventDayPtr freshEvent = eventOnWednesday(*fresh);
    ASSERT_TRUE(freshEvent);
    fresh->selectAndKeepEvent(freshEvent);
    foundation::NotificationCenter::defaultCenter().post(
        CalendarSources::calendarSelectionChangedNotification);
    QCoreApplication::processEvents();
    EXPECT_EQ(view->selection(), event);
    EXPECT_EQ(fresh->selection(), nullptr);
}

TEST_F(WeekViewMenusTest, NextModeCyclesThroughTheFourModes) {
    const std::pair<int, int> cases[] = {{1, 2}, {3, 4}, {4, 1}, {5, 1}};
    for (const auto& [from, to] : cases) {
        SCOPED_TRACE(from);
        yearArea->exchanged = nullptr;
        auto view = makeView(1000, 700, from, day(2011, 6, 15));
        view->nextDisplayMode();
        EXPECT_EQ(weekPref(QStringLiteral("Display Mode")).toInt(), to);
        auto* fresh = qobject_cast<WeekView*>(yearArea->exchanged.data());
        ASSERT_TRUE(fresh);
        std::unique_ptr<WeekView> owned(fresh);
        EXPECT_EQ(fresh->displayMode(), to);
    }
}

TEST_F(WeekViewMenusTest, EditOpensTheEditorOfTheSelectedEventButNotOfAMark) {
    QObject editor;
    int shown = 0;
    calstore::EventPtr asked;
    WeekView::changeServices([&](WeekView::Services& s) {
        s.controllerForEvent = [&](const calstore::EventPtr& e) -> QObject* {
            asked = e;
            return &editor;
        };
        s.showWindow = [&](QObject* controller, QObject*) { shown += controller == &editor; };
    });
    auto view = makeView(1000, 700, 1, day(2011, 6, 15));
    view->cmiEditEvent(nullptr);
    EXPECT_EQ(shown, 0);

    const EventDayPtr event = eventOnWednesday(*view);
    view->selectEvent(event);
    view->menuCommandEdit(QVariant());
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(asked, event->event());

    // A view too low for the details opens nothing.
    view->setFrame(QRectF(0, 0, 1000, 200));
    view->menuCommandEdit(QVariant());
    EXPECT_EQ(shown, 1);

    view->setFrame(QRectF(0, 0, 1000, 700));
    event->setIsMark(true);
    view->cmiEditEvent(nullptr);
    EXPECT_EQ(shown, 1);
}

// -- The printed week

TEST_F(WeekViewMenusTest, PrintViewShowsTheLiveDaysFromSixAndHasNoMenus) {
    setWeekPref(QStringLiteral("Show RelativeInYear"), false);
    auto live = makeView(1000, 700, 2, day(2011, 6, 15));
    kit::MenuItem mainItem;
    live->setMainMenuModeItem(2, &mainItem);
    live->quickLoadPreferences();
    ASSERT_EQ(mainItem.state(), kit::MenuItem::On);
    eventOnWednesday(*live);
    live->scrollToHourAnimate(15, false);
    const double liveY = live->viewSet().front()->eventsView()->frame().y();

    std::unique_ptr<WeekViewPrint> print(
        WeekViewPrint::printViewForWeekView(live.get(), QSizeF(2400, 1700)));
    ASSERT_TRUE(print);
    EXPECT_EQ(print->frame(), QRectF(0, 0, 2400, 1700));
    EXPECT_EQ(print->contextMenu(), nullptr);
    EXPECT_EQ(print->gui_mainmiItem(2), nullptr);
    ASSERT_EQ(print->viewSet().size(), live->viewSet().size());
    for (size_t i = 0; i < print->viewSet().size(); ++i)
        EXPECT_EQ(print->viewSet()[i]->dataCell(), live->viewSet()[i]->dataCell());
    // Its preferences touch no item of the live view's menus.
    mainItem.setState(kit::MenuItem::Mixed);
    print->quickLoadPreferences();
    EXPECT_EQ(mainItem.state(), kit::MenuItem::Mixed);
    kit::Event click = kit::Event::mouseEvent(kit::EventType::RightMouseDown, QPointF(500, 300));
    EXPECT_EQ(print->menuForEvent(click), nullptr);

    print->openCacheWin();
    ASSERT_TRUE(print->offscreenWindow());
    EXPECT_EQ(print->shownHour(), WeekViewPrint::kFirstHour);
    WeekdayView* first = print->viewSet().front();
    // The page is high enough for the whole day: hour 6 shows as far down as
    // the hours can go.
    EXPECT_TRUE(first->hourIsVisible(6.0));
    EXPECT_EQ(first->eventsView()->frame().y(),
              first->yPosForScrollPercent(first->scrollPercentForHour(6.0)));
    print->loadCacheImage();
    EXPECT_FALSE(print->cachedView().isNull());
    EXPECT_TRUE(first->isHidden());
    // Paper described upright still gives a page across it.
    print->adjustSizeTo(QSizeF(595, 842));
    EXPECT_EQ(print->frame().size(), QSizeF(0.9 * 842, 0.9 * 595));
    int firstPage = 0, count = 0;
    ASSERT_TRUE(print->knowsPageRange(firstPage, count));
    EXPECT_EQ(std::make_pair(firstPage, count), std::make_pair(1, 1));
    EXPECT_EQ(print->rectForPage(1), print->frame());
    testsupport::saveForInspection(print->cachedView(), QStringLiteral("week-print-capture"));
    testsupport::saveForInspection(print->renderToImage(), QStringLiteral("week-print-page-view"));
    print->purgeCacheImage();

    // The live view keeps its hours.
    EXPECT_EQ(live->viewSet().front()->eventsView()->frame().y(), liveY);
}
