// The centre year page's context menu: the selection block inserted, refreshed
// and removed by tags, marker states and the commands they choose, the delete
// submenu carrying calendars by UID through the confirmation sheet, and the
// display toggles written to the year view's settings.

#include "YearViewPageWorld.h"

#include "platform/kit/Animation.h"
#include "platform/kit/Menu.h"
#include "platform/kit/MenuItem.h"
#include "platform/kit/Sheet.h"
#include "shell/MainSplitView.h"
#include "yearview/YearViewScroller.h"

#include <gtest/gtest.h>

using namespace yvpage;
using yvtest::makeAllDay;
using S = YearViewScroller;

namespace {

class YearViewContextMenuTest : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        kit::Animation::setInstantForTesting(true);
        YearViewScroller::Services s;
        s.startPopulatingView = [](YearView*) {};
        s.populateView = [](YearView* page) { page->model()->threadedUpdateViewOffscreen(); };
        YearViewScroller::changeServices([&](auto& installed) { installed = s; });
        window = std::make_unique<kit::Window>(QRectF(100, 100, 900, 700));
        auto* split = new MainSplitView(QRectF(0, 0, 900, 700));
        window->setContentView(split);
        auto* yearPane = new kit::View(QRectF(0, 0, 900, 400));
        auto* week = new kit::View(QRectF(0, 400, 900, 300));
        split->addSubview(yearPane);
        split->addSubview(week);
        split->awakeFromNib();
        scroller = new YearViewScroller(yearPane->bounds());
        yearPane->addSubview(scroller);
        scroller->setWeekSubview(week);
        scroller->setSplitSuperview(split);
        scroller->setYearSubviews();
        window->makeKeyAndOrderFront();
        page = scroller->yearView(1);
        ASSERT_TRUE(page);
        render(page);
        menu = scroller->contextMenu();
        ASSERT_TRUE(menu);
    }
    void TearDown() override {
        YearViewScroller::changeServices([](auto& installed) { installed = {}; });
        kit::Animation::setInstantForTesting(false);
        window.reset();
        PageTest::TearDown();
    }
    void select(std::initializer_list<std::pair<int, int>> days) {
        page->deHighlightAll();
        for (const auto& [day, month] : days)
            page->setHighlightStatusForDayMonthHighlight(day, month, 1);
    }
    // One opening and closing of the menu.
    void open() {
        menu->willOpen();
        menu->didClose();
    }
    std::vector<int> tags() const {
        std::vector<int> out;
        for (kit::MenuItem* item : menu->itemArray()) out.push_back(item->tag());
        return out;
    }
    kit::MenuItem* subItem(int tag, const QString& title) const {
        kit::Menu* sub = menu->itemWithTag(tag)->submenu();
        return sub->itemWithTitle(title);
    }
    static QString mark(const QString& uid) { return QStringLiteral("Zolt:") + uid; }

    YearViewScroller* scroller = nullptr;
    YearView* page = nullptr;
    kit::Menu* menu = nullptr;
};

TEST_F(YearViewContextMenuTest, TheSelectionBlockFollowsTheSelection) {
    const std::vector<int> fixed{S::kTagShowEvents,    S::kTagColorizeEvents, S::kTagShowHolidays,
                                 S::kTagShowBirthdays, S::kTagShowNotes,      S::kTagCustomizeView};
    open();
    EXPECT_EQ(tags(), fixed);

    const int year = page->year();
    select({{4, 5}});
    open();
    std::vector<int> one = fixed;
    for (int t : {S::kTagEditNotes, S::kTagMarkAs, S::kTagRemoveMarks, S::kTagMarkSeparator,
                  S::kTagDeleteEvents, S::kTagDeleteSeparator})
        one.push_back(t);
    EXPECT_EQ(tags(), one);

    select({{4, 5}, {5, 5}, {6, 5}});
    open();
    std::vector<int> several = one;
    several.erase(several.begin() + 6);
    EXPECT_EQ(tags(), several);
    EXPECT_EQ(menu->itemWithTag(S::kTagDeleteEvents)->submenu()->numberOfItems(),
              1 + int(delegate->calendarSources->allCalendars().size()));

    select({});
    open();
    EXPECT_EQ(tags(), fixed);
    EXPECT_EQ(page->year(), year);
}

TEST_F(YearViewContextMenuTest, MarkerItemsShowTheirStateAndChooseMarkOrRemove) {
    const int y = page->year();
    fillFromThread(page, {{makeAllDay(y, 5, 4, "V", mark(kMarkerShade)), markers},
                          {makeAllDay(y, 5, 5, "V", mark(kMarkerShade)), markers},
                          {makeAllDay(y, 5, 4, "G", mark(kMarkerDot)), markers},
                          {makeAllDay(y, 5, 5, "G", mark(kMarkerDot)), markers},
                          {makeAllDay(y, 5, 6, "G", mark(kMarkerDot)), markers}});
    select({{4, 5}, {5, 5}, {6, 5}});
    open();
    kit::MenuItem* vacation = subItem(S::kTagMarkAs, QStringLiteral("Vacation"));
    kit::MenuItem* gym = subItem(S::kTagMarkAs, QStringLiteral("Gym"));
    kit::MenuItem* travel = subItem(S::kTagMarkAs, QStringLiteral("Travel"));
    ASSERT_TRUE(vacation && gym && travel);
    EXPECT_EQ(vacation->state(), kit::MenuItem::Mixed);
    EXPECT_EQ(gym->state(), kit::MenuItem::On);
    EXPECT_EQ(travel->state(), kit::MenuItem::Off);
    EXPECT_TRUE(menu->itemWithTag(S::kTagMarkAs)->isEnabled());

    EXPECT_TRUE(vacation->performAction());
    EXPECT_EQ(log->count("startMarkingDays"), 1);
    EXPECT_EQ(log->lastDays.size(), 3u);
    EXPECT_TRUE(gym->performAction());
    EXPECT_EQ(log->count("startRemovingMarksOfMarker"), 1);
    EXPECT_TRUE(menu->itemWithTag(S::kTagRemoveMarks)->performAction());
    EXPECT_EQ(log->count("startRemovingAllMarksFromDays"), 1);
}

// Two markers titled alike: each item stands for its own marker by UID, with
// its own state, and marks or unmarks with it.
TEST_F(YearViewContextMenuTest, MarkerItemsStandForTheirMarkerByUID) {
    delegate->calendarSources->markerWithUID(kMarkerBar)->setTitle(QStringLiteral("Gym"));
    const int y = page->year();
    fillFromThread(page, {{makeAllDay(y, 5, 4, "G", mark(kMarkerDot)), markers}});
    select({{4, 5}});
    open();
    kit::Menu* sub = menu->itemWithTag(S::kTagMarkAs)->submenu();
    kit::MenuItem* dot = sub->itemAtIndex(sub->indexOfItemWithRepresentedObject(kMarkerDot));
    kit::MenuItem* bar = sub->itemAtIndex(sub->indexOfItemWithRepresentedObject(kMarkerBar));
    ASSERT_TRUE(dot && bar);
    EXPECT_EQ(dot->title(), bar->title());
    EXPECT_EQ(dot->state(), kit::MenuItem::On);
    EXPECT_EQ(bar->state(), kit::MenuItem::Off);

    EXPECT_TRUE(bar->performAction());
    EXPECT_EQ(log->count("startMarkingDays"), 1);
    EXPECT_EQ(log->lastText, kMarkerBar);
    EXPECT_TRUE(dot->performAction());
    EXPECT_EQ(log->count("startRemovingMarksOfMarker"), 1);
    EXPECT_EQ(log->lastText, kMarkerDot);
}

// Two calendars titled alike and one titled like the "all calendars" entry:
// each deletes from itself, named by UID.
TEST_F(YearViewContextMenuTest, TheDeleteSubmenuCarriesCalendarsByUID) {
    home->setTitle(QStringLiteral("Work"));
    holidays->setTitle(QStringLiteral("From All Calendars"));
    select({{4, 5}, {9, 5}});
    open();
    kit::Menu* sub = menu->itemWithTag(S::kTagDeleteEvents)->submenu();
    struct Case {
        int index;
        QString expected;
        QString phrase;
    };
    const Case cases[] = {{sub->indexOfItemWithTag(S::kTagDeleteFromAll), QStringLiteral("(all)"),
                           QStringLiteral("from all calendars")},
                          {sub->indexOfItemWithRepresentedObject(QStringLiteral("work")),
                           QStringLiteral("work"), QStringLiteral("“Work”")},
                          {sub->indexOfItemWithRepresentedObject(QStringLiteral("home")),
                           QStringLiteral("home"), QStringLiteral("“Work”")},
                          {sub->indexOfItemWithRepresentedObject(QStringLiteral("holidays")),
                           QStringLiteral("holidays"), QStringLiteral("“From All Calendars”")}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected.toStdString());
        ASSERT_GE(c.index, 0);
        const int before = log->count("startDeletingEventsFromDays");
        ASSERT_TRUE(sub->itemAtIndex(c.index)->performAction());
        ASSERT_TRUE(scroller->deleteEventsSheet());
        EXPECT_TRUE(scroller->deleteEventsText().contains(c.phrase));
        // Cancel deletes nothing.
        scroller->deleteEventsCancel(nullptr);
        EXPECT_FALSE(scroller->deleteEventsSheet());
        EXPECT_EQ(log->count("startDeletingEventsFromDays"), before);
        ASSERT_TRUE(sub->itemAtIndex(c.index)->performAction());
        scroller->deleteEventsOk(nullptr);
        EXPECT_FALSE(kit::Sheet::attachedSheet(window.get()));
        ASSERT_EQ(log->count("startDeletingEventsFromDays"), before + 1);
        EXPECT_EQ(log->lastText, c.expected);
        EXPECT_EQ(log->lastDays.size(), 2u);
    }
}

TEST_F(YearViewContextMenuTest, TogglesFlipTheirSettingAndKeepTheRestOfTheGroup) {
    auto& defaults = foundation::Defaults::standard();
    const QString group = QStringLiteral("AppPref YearView");
    const std::pair<int, const char*> toggles[] = {
        {S::kTagShowEvents, "Event Show Events"},
        {S::kTagColorizeEvents, "Event Use CalendarColor"},
        {S::kTagShowHolidays, "Show Holiday Text"},
        {S::kTagShowBirthdays, "Show Birthdays"},
        {S::kTagShowNotes, "Show Notes Hints"}};
    scroller->loadPreferences();
    for (const auto& [tag, key] : toggles) {
        SCOPED_TRACE(key);
        const QString k = QString::fromLatin1(key);
        QVariantMap prefs = defaults.dictionaryForKey(group);
        const bool before = prefs.value(k).toBool();
        kit::MenuItem* item = menu->itemWithTag(tag);
        EXPECT_EQ(item->state(), before ? kit::MenuItem::On : kit::MenuItem::Off);
        // Changed elsewhere meanwhile: kept.
        prefs.insert(QStringLiteral("Written Elsewhere"), k);
        defaults.setObject(group, prefs);
        ASSERT_TRUE(item->performAction());
        const QVariantMap after = defaults.dictionaryForKey(group);
        EXPECT_EQ(after.value(k).toBool(), !before);
        EXPECT_EQ(after.value(QStringLiteral("Written Elsewhere")).toString(), k);
        EXPECT_EQ(item->state(), before ? kit::MenuItem::Off : kit::MenuItem::On);
    }
}

}  // namespace
