// The week view's menus and commands in the real main window over a temporary
// store with two calendars and two markers: right clicks on a day's title and
// on a selected event, the marks and bulk deletions of a day checked in the
// store's files, the day jobs on the year pages, the main menu's mode items
// and the printed week.

#include "weekview/WeekViewWindowWorld.h"
#include "yearview/YearViewPageWorld.h"

#include "data/CalendarSources.h"
#include "data/EMarker.h"
#include "platform/kit/ContextMenu.h"
#include "platform/kit/Event.h"
#include "platform/kit/Menu.h"
#include "platform/kit/MenuItem.h"
#include "platform/kit/Perform.h"
#include "platform/kit/PrintInfo.h"
#include "weekview/WDEventsView.h"
#include "weekview/WDHeaderView.h"

#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString kMarkerA = QStringLiteral("AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA");
const QString kMarkerB = QStringLiteral("BBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBB");

class WeekViewMenusWindowTest : public wvwindow::WindowWorld {
protected:
    void SetUp() override {
        kit::ContextMenu::setHandlerForTesting(
            [this](QMenu* menu, const kit::Event&, kit::View*) { shownMenu = menu; });
        wvwindow::WindowWorld::SetUp();
        if (HasFatalFailure()) return;
        settle();
        today = todaysColumn();
        ASSERT_TRUE(today);
    }
    void TearDown() override {
        wvwindow::WindowWorld::TearDown();
        kit::ContextMenu::setHandlerForTesting({});
    }

    // Work and Home, a marker store with markers A and B; today two events in
    // Work, one in Home and two marks of A.
    void prepareStore() override {
        yvpage::writeCalendars(dir, {{"work", "Work", "#3366CC", 1},
                                     {"home", "Home", "#33AA44", 1},
                                     {"markers", "Markers", "#888888", 4}});
        foundation::Defaults::standard().setObject(
            CalendarSources::kMarkersPrefs,
            QVariantMap{{kMarkerA, yvpage::markerSettings(QStringLiteral("Alpha"),
                                                          QStringLiteral("90 170 250 0.8"), 4, 0)},
                        {kMarkerB, yvpage::markerSettings(QStringLiteral("Beta"),
                                                          QStringLiteral("230 60 60 1.0"), 8, 1)}});

        const auto store = calstore::Store::openAt(dir.file(QStringLiteral("store")));
        ASSERT_TRUE(store);
        const QDate day = QDate::currentDate();
        const auto add = [&](const char* calendar, const QString& title, int hour, bool allDay,
                             const QString& location = QString()) {
            auto event = calstore::Event::event();
            event->setTitle(title);
            event->setLocation(location);
            event->setIsAllDay(allDay);
            const QDateTime start(day, QTime(allDay ? 0 : hour, 0));
            event->setStartDate(start);
            event->setEndDate(allDay ? QDateTime(day, QTime(23, 59, 59)) : start.addSecs(3600));
            event->setCalendar(store->calendarWithUID(QString::fromLatin1(calendar)));
            QString error;
            ASSERT_TRUE(store->saveEvent(event, calstore::Span::ThisEvent, &error))
                << error.toStdString();
        };
        add("work", QStringLiteral("Review"), 9, false);
        add("work", QStringLiteral("Lunch"), 12, false);
        add("home", QStringLiteral("Plumber"), 17, false);
        add("markers", QStringLiteral("A1"), 0, true, QStringLiteral("Zolt:") + kMarkerA);
        add("markers", QStringLiteral("A2"), 0, true, QStringLiteral("Zolt:") + kMarkerA);
    }

    // The loaders have finished and their redraws have run.
    void settle() {
        ASSERT_TRUE(
            testsupport::waitUntil([] { return YearViewEventLoader::taskCounts().toDo == 0; }));
        foundation::waitForThreads(10.0);
        testsupport::waitUntil([] { return false; }, 0.3);
    }

    // What the store's files hold for a day: the calendar folder and, for a
    // mark, its marker, read by a store opened anew.
    QStringList storedOn(const QDate& day) const {
        const auto store = calstore::Store::openAt(dir.file(QStringLiteral("store")));
        const QDateTime from(day, QTime(0, 0));
        QStringList found;
        for (const calstore::EventPtr& e : store->eventsWithPredicate(
                 calstore::Store::eventPredicateWithStartDateEndDateCalendars(
                     from, from.addDays(1), store->calendars()))) {
            const QString location = e->location();
            found << (e->calendar() ? e->calendar()->uid() : QString()) +
                         (location.startsWith(QStringLiteral("Zolt:"))
                              ? QStringLiteral(":") + location.mid(5, 1)
                              : QString());
        }
        found.sort();
        return found;
    }

    kit::Event rightClick(const QPointF& inWindow) {
        return kit::Event::mouseEvent(kit::EventType::RightMouseDown, inWindow, 0, 1, window);
    }
    // A right click on a column's title; answers the menu shown.
    kit::Menu* titleMenuOf(WeekdayView* column) {
        shownMenu = nullptr;
        WDHeaderView* header = column->headerView();
        const QRectF b = header->bounds();
        window->sendEvent(rightClick(header->convertPointToView(
            QPointF(b.center().x(), b.bottom() - WeekdayView::kTitleHeight / 2), nullptr)));
        auto* menu = qobject_cast<kit::Menu*>(shownMenu.data());
        if (menu) menu->willOpen();
        return menu;
    }
    static QStringList titlesOf(kit::Menu* menu) {
        QStringList titles;
        for (kit::MenuItem* item : menu->itemArray()) titles << item->title();
        return titles;
    }

    WeekdayView* today = nullptr;
    QPointer<QMenu> shownMenu;
};

}  // namespace

TEST_F(WeekViewMenusWindowTest, TitleMenuMarksUnmarksAndDeletesTheDayInTheStore) {
    const QDate day = QDate::currentDate();
    ASSERT_EQ(storedOn(day), (QStringList{"home", "markers:A", "markers:A", "work", "work"}));

    kit::Menu* menu = titleMenuOf(today);
    ASSERT_TRUE(menu);
    EXPECT_EQ(week->clickedDay(), today);
    kit::Menu* marks = week->gui_markDays()->submenu();
    ASSERT_EQ(marks->numberOfItems(), 2);
    EXPECT_TRUE(week->gui_markDays()->isEnabled());
    kit::MenuItem* alpha = marks->itemAtIndex(0);
    kit::MenuItem* beta = marks->itemAtIndex(1);
    EXPECT_EQ(alpha->representedObject().toString(), kMarkerA);
    EXPECT_EQ(alpha->state(), kit::MenuItem::On);
    EXPECT_EQ(beta->representedObject().toString(), kMarkerB);
    EXPECT_EQ(beta->state(), kit::MenuItem::Off);
    // The delete submenu: all calendars first, then each calendar by its UID.
    kit::Menu* remove = week->gui_remFromCals()->submenu();
    const QStringList configured = delegate->calendarSources->configuredCalendarNames();
    ASSERT_EQ(configured.size(), 3);
    EXPECT_EQ(titlesOf(remove), QStringList{QStringLiteral("From All Calendars")} + configured);
    EXPECT_EQ(remove->itemAtIndex(0)->tag(), WeekView::kTagDeleteFromAll);
    const int workAt = remove->indexOfItemWithRepresentedObject(QStringLiteral("work"));
    ASSERT_GT(workAt, 0);
    EXPECT_EQ(remove->itemAtIndex(workAt)->title(), QStringLiteral("Work"));

    // A chosen with its check mark takes A's marks away; B adds a mark.
    ASSERT_TRUE(alpha->performAction());
    settle();
    EXPECT_EQ(storedOn(day), (QStringList{"home", "work", "work"}));
    menu = titleMenuOf(today);
    ASSERT_TRUE(menu);
    ASSERT_TRUE(week->gui_markDays()->submenu()->itemAtIndex(1)->performAction());
    settle();
    EXPECT_EQ(storedOn(day), (QStringList{"home", "markers:B", "work", "work"}));
    menu = titleMenuOf(today);
    EXPECT_EQ(week->gui_markDays()->submenu()->itemAtIndex(1)->state(), kit::MenuItem::On);

    // Deleting the day's events of Work, then of every calendar.
    ASSERT_TRUE(week->gui_remFromCals()->submenu()->itemAtIndex(workAt)->performAction());
    settle();
    EXPECT_EQ(storedOn(day), (QStringList{"home", "markers:B"}));
    menu = titleMenuOf(today);
    ASSERT_TRUE(week->gui_remFromCals()->submenu()->itemAtIndex(0)->performAction());
    settle();
    EXPECT_EQ(storedOn(day), QStringList());
}

TEST_F(WeekViewMenusWindowTest, MarksItemIsDisabledWithoutMarkers) {
    foundation::Defaults::standard().setObject(CalendarSources::kMarkersPrefs, QVariantMap());
    delegate->calendarSources->loadMarkers();
    ASSERT_TRUE(delegate->calendarSources->configuredMarkerNames().isEmpty());
    ASSERT_TRUE(titleMenuOf(today));
    EXPECT_FALSE(week->gui_markDays()->isEnabled());
    EXPECT_EQ(week->gui_markDays()->submenu()->numberOfItems(), 0);
}

TEST_F(WeekViewMenusWindowTest, DayJobsRunOnThePageOfTheDaysYear) {
    // The week across New Year: its last days are on the following year's page.
    const int year = QDate::currentDate().year();
    const auto shownYear = [&] {
        return qobject_cast<YearView*>(controller->currentYearView())->year();
    };
    ASSERT_EQ(shownYear(), year);
    week->setReferenceDate(
        week->newReferenceDateForDay(MyDate::dateWithDayMonthYear(31, 12, year)));
    week->initViews();
    WeekdayView* newYear = nullptr;
    for (WeekdayView* c : week->viewSet())
        if (c->date() && c->date()->yearNum() == year + 1) newYear = c;
    ASSERT_TRUE(newYear);
    const QDate next(newYear->date()->yearNum(), newYear->date()->monthNum(),
                     newYear->date()->dayNum());
    ASSERT_TRUE(titleMenuOf(newYear));
    ASSERT_TRUE(week->gui_markDays()->submenu()->itemAtIndex(1)->performAction());
    settle();
    EXPECT_EQ(storedOn(next), QStringList{QStringLiteral("markers:B")});
    EXPECT_EQ(shownYear(), year);
    EXPECT_EQ(week->markStateOfDay(newYear), (QVariantMap{{kMarkerB, 1}}));

    // A day of a year no page shows: the year area goes there first.
    YearView* page = WeekView::yearPageShowingDay(MyDate::dateWithDayMonthYear(2, 1, year + 5));
    ASSERT_TRUE(page);
    EXPECT_EQ(page->year(), year + 5);
    EXPECT_EQ(shownYear(), year + 5);
}

TEST_F(WeekViewMenusWindowTest, SelectedEventOffersEditAndDeleteOnARightClick) {
    const EventDayPtr review = today->events().empty() ? nullptr : today->events().front();
    ASSERT_TRUE(review);
    week->selectEvent(review);
    shownMenu = nullptr;
    const QPointF at =
        today->eventsView()->convertPointToView(today->eventsView()->bounds().center(), nullptr);
    window->sendEvent(rightClick(at));
    auto* menu = qobject_cast<kit::Menu*>(shownMenu.data());
    ASSERT_EQ(menu, week->contextMenu());
    menu->willOpen();
    ASSERT_TRUE(menu->itemWithTag(WeekView::kTagEditEvent));
    ASSERT_TRUE(menu->itemWithTag(WeekView::kTagDeleteEvent));
    EXPECT_TRUE(menu->itemWithTag(WeekView::kTagEditEvent)->isEnabled());

    // Info and Edit in a view too low for them clear the focus.
    controller->setCurrentGlobalObjectWithController(QVariant::fromValue(review), week);
    week->setFrame(QRectF(week->frame().topLeft(), QSizeF(week->frame().width(), 200)));
    for (const char* command : {"menuCommandInformation", "menuCommandEdit"}) {
        controller->setCurrentGlobalObjectWithController(QVariant::fromValue(review), week);
        ASSERT_TRUE(kit::perform(controller, command, static_cast<QObject*>(nullptr)));
        EXPECT_EQ(controller->currentGlobalObjectController(), nullptr) << command;
        EXPECT_FALSE(controller->currentGlobalObject().isValid()) << command;
    }
}

TEST_F(WeekViewMenusWindowTest, MainMenuModeItemsReplaceTheWeekView) {
    struct Case {
        const char* command;
        int mode;
        size_t columns;
    };
    const Case cases[] = {{"menuCommandWeek5Day", 2, 5},
                          {"menuCommandWeekNext7", 3, 7},
                          {"menuCommandWeekNext5", 4, 5},
                          {"menuCommandWeek7Day", 1, 7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        QPointer<WeekView> old = qobject_cast<WeekView*>(controller->currentWeekView());
        ASSERT_TRUE(kit::perform(controller, c.command, static_cast<QObject*>(nullptr)));
        auto* fresh = qobject_cast<WeekView*>(controller->currentWeekView());
        ASSERT_TRUE(fresh);
        EXPECT_NE(fresh, old.data());
        EXPECT_EQ(fresh->displayMode(), c.mode);
        EXPECT_EQ(fresh->viewSet().size(), c.columns);
        if (old) EXPECT_EQ(old->superview(), nullptr);
        EXPECT_TRUE(fresh->window() == window);
        // The replaced view goes once the command has returned.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(old.isNull());
    }
    // The shown mode again changes nothing.
    WeekView* shown = qobject_cast<WeekView*>(controller->currentWeekView());
    ASSERT_TRUE(kit::perform(controller, "menuCommandWeek7Day", static_cast<QObject*>(nullptr)));
    EXPECT_EQ(controller->currentWeekView(), shown);
}

TEST_F(WeekViewMenusWindowTest, PrintGivesOneLandscapePageAndLeavesTheViewAsItWas) {
    const EventDayPtr review = today->events().empty() ? nullptr : today->events().front();
    ASSERT_TRUE(review);
    week->selectEvent(review);
    week->scrollWheelProgress(today->scrollPercentForHour(14));
    const double eventsY = today->eventsView()->frame().y();
    const int stateBefore = week->gui_mainmiItem(1) ? week->gui_mainmiItem(1)->state() : -2;

    const QString pdf = dir.file(QStringLiteral("week.pdf"));
    const kit::PrintInfo saved = kit::PrintInfo::shared();
    kit::PrintInfo info = saved;
    info.setJobDisposition(kit::PrintInfo::Disposition::Save);
    info.setSavePath(pdf);
    kit::PrintInfo::setShared(info);
    controller->menuCommandPrint(nullptr);
    kit::PrintInfo::setShared(saved);

    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    const QString text = QString::fromLatin1(bytes);
    const QRegularExpressionMatch box =
        QRegularExpression(QStringLiteral("/MediaBox\\s*\\[\\s*0 0 ([0-9.]+) ([0-9.]+)"))
            .match(text);
    ASSERT_TRUE(box.hasMatch());
    EXPECT_GT(box.captured(1).toDouble(), box.captured(2).toDouble());
    int pages = 0;
    for (auto it = QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)")).globalMatch(text);
         it.hasNext(); it.next())
        ++pages;
    EXPECT_EQ(pages, 1);
    // Kept beside the pictures of the other tests, to be looked at.
    const QDir output(QCoreApplication::applicationDirPath() + QStringLiteral("/test-output"));
    output.mkpath(QStringLiteral("."));
    const QString kept = output.filePath(QStringLiteral("week-print.pdf"));
    QFile::remove(kept);
    QFile::copy(pdf, kept);

    // The live view is as it was.
    EXPECT_EQ(week->selection(), review);
    EXPECT_EQ(today->eventsView()->frame().y(), eventsY);
    EXPECT_FALSE(today->isHidden());
    if (week->gui_mainmiItem(1)) EXPECT_EQ(week->gui_mainmiItem(1)->state(), stateBefore);
}
