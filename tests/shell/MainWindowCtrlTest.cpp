// The main window controller: the window it builds, the enabling of its toolbar
// and menu items, the title on today's date, the Add menu from the calendar
// groups, the key hand-off to popups, the progress strip's slides, printing the
// week into a PDF, and the commands it forwards to the views.

#include "data/CalendarSources.h"
#include "data/YearViewEventLoader.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Animation.h"
#include "platform/kit/Application.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Menu.h"
#include "platform/kit/MenuItem.h"
#include "platform/kit/PrintInfo.h"
#include "platform/kit/Sheet.h"
#include "platform/kit/Toolbar.h"
#include "platform/kit/ToolbarItem.h"
#include "platform/store/Store.h"
#include "shell/AppDelegate.h"
#include "shell/MainWindowCtrl.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <thread>

using foundation::Defaults;
using foundation::LogCapture;

namespace {

// What the fake views were asked, in order, across all of them.
QStringList calls;

// The year area: answers which panes are open and records what it is told.
class FakeYearArea : public kit::View {
    Q_OBJECT
public:
    using kit::View::View;
    bool yearOpen = true;
    bool weekOpen = true;
    QPointer<kit::View> page;
    bool eventsOnMainThread = false;

    Q_INVOKABLE bool yearViewVisible() const { return yearOpen; }
    Q_INVOKABLE bool weekViewVisible() const { return weekOpen; }
    Q_INVOKABLE kit::View* currentYearView() const { return page; }
    Q_INVOKABLE void setYearSubviews() { calls << "area.setYearSubviews"; }
    Q_INVOKABLE void loadPreferences() { calls << "area.loadPreferences"; }
    Q_INVOKABLE void setWeekSubview(kit::View*) { calls << "area.setWeekSubview"; }
    Q_INVOKABLE void setSplitSuperview(kit::View*) { calls << "area.setSplitSuperview"; }
    Q_INVOKABLE void windowDidResize() { calls << "area.windowDidResize"; }
    Q_INVOKABLE void showWeekView(QObject*) { calls << "area.showWeekView"; }
    Q_INVOKABLE void showYearView(QObject*) { calls << "area.showYearView"; }
    Q_INVOKABLE void ensureWeekViewVisibility() { calls << "area.ensureWeekViewVisibility"; }
    Q_INVOKABLE void moveViewsToYear(int year) {
        calls << QStringLiteral("area.moveViewsToYear %1").arg(year);
    }
    Q_INVOKABLE void eventsUpdated(const QVariantMap& changes) {
        eventsOnMainThread = foundation::isMainThread();
        calls << QStringLiteral("area.eventsUpdated %1").arg(changes.keys().join(','));
    }
    Q_INVOKABLE void calendarsRemoved(const std::vector<CalendarPtr>& calendars) {
        calls << QStringLiteral("area.calendarsRemoved %1").arg(calendars.size());
    }
};

// A year page: the first responder of the window, with its year.
class FakePage : public kit::View {
    Q_OBJECT
public:
    using kit::View::View;
    QList<int> keys;
    bool acceptsFirstResponder() override { return true; }
    void keyDown(const kit::Event& e) override { keys << e.keyCode(); }
    Q_INVOKABLE int year() const { return 2031; }
    Q_INVOKABLE void invalidateEvents() { calls << "page.invalidateEvents"; }
};

class FakeWeekView : public kit::View {
    Q_OBJECT
public:
    using kit::View::View;
    bool canCreate = true;
    MyDatePtr reference = MyDate::dateWithDayMonthYear(9, 6, 2031);
    Q_INVOKABLE bool canCreateNewEvent() const { return canCreate; }
    Q_INVOKABLE void createNewEvent() { calls << "week.createNewEvent"; }
    Q_INVOKABLE void loadPreferences() { calls << "week.loadPreferences"; }
    Q_INVOKABLE void applicationFinishedLaunching() {
        calls << "week.applicationFinishedLaunching";
    }
    Q_INVOKABLE void repositionViewsDuringResize() { calls << "week.repositionViewsDuringResize"; }
    Q_INVOKABLE void forcedRedraw() { calls << "week.forcedRedraw"; }
    Q_INVOKABLE void cmiShow5dayWeek(QObject*) { calls << "week.cmiShow5dayWeek"; }
    Q_INVOKABLE MyDatePtr referenceDate() const { return reference; }
    Q_INVOKABLE void moveToWeekOf(const MyDatePtr& date) {
        calls
            << QStringLiteral("week.moveToWeekOf %1.%2.").arg(date->dayNum()).arg(date->monthNum());
    }
};

class FakeSourceView : public kit::View {
    Q_OBJECT
public:
    using kit::View::View;
    std::shared_ptr<CalendarSources> sources;
    QPointer<QObject> lastSender;
    Q_INVOKABLE void setCalendarSources(const std::shared_ptr<CalendarSources>& s) { sources = s; }
    Q_INVOKABLE void setWindowKeyStatus(bool key) {
        calls << QStringLiteral("source.setWindowKeyStatus %1").arg(key);
    }
    Q_INVOKABLE void cmiNewCalendar(QObject* sender) {
        lastSender = sender;
        calls << "source.cmiNewCalendar";
    }
};

// Stands for the week's print view: draws a word, records the steps.
class FakePrintView : public kit::View {
    Q_OBJECT
public:
    using kit::View::View;
    QSizeF adjustedTo;
    void drawRect(kit::Graphics& g, const QRectF&) override {
        g.setFillColor(QColor(200, 220, 255));
        g.fillRect(bounds());
        g.drawString(QStringLiteral("WeekOfPrinting"), QPointF(40, 40),
                     kit::TextAttributes(kit::Font::systemFont(36), Qt::black));
    }
    Q_INVOKABLE void openCacheWin() { calls << "print.openCacheWin"; }
    Q_INVOKABLE void loadCacheImage() { calls << "print.loadCacheImage"; }
    Q_INVOKABLE void adjustSizeTo(const QSizeF& size) {
        adjustedTo = size;
        calls << "print.adjustSizeTo";
    }
    Q_INVOKABLE void purgeCacheImage() { calls << "print.purgeCacheImage"; }
};

// Answers Info and Edit for its focus object.
class FocusController : public QObject {
    Q_OBJECT
public:
    QVariant got;
    Q_INVOKABLE void menuCommandEdit(const QVariant& object) {
        got = object;
        calls << "focus.menuCommandEdit";
    }
    Q_INVOKABLE void menuCommandInformation(const QVariant& object) {
        got = object;
        calls << "focus.menuCommandInformation";
    }
};

// A controller over fakes of the later parts, with a delegate of its own for
// today's date and the model root.
class MainWindowCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        Defaults::resetStandard(dir.file(QStringLiteral("Defaults.plist")));
        calls.clear();
        delegate = std::make_unique<AppDelegate>();
        delegate->today = MyDate::dateWithDayMonthYear(5, 3, 2031);
        MainWindowCtrl::Services s;
        s.makeYearScroller = [this](const QRectF& f) {
            area = new FakeYearArea(f);
            page = new FakePage(QRectF(0, 0, f.width(), f.height()));
            area->addSubview(page);
            area->page = page;
            return area.data();
        };
        s.makeWeekView = [this](const QRectF& f) { return (week = new FakeWeekView(f)).data(); };
        s.makeSourceView = [this](const QRectF& f) {
            return (source = new FakeSourceView(f)).data();
        };
        s.setViewsToRedraw = [](int n) { calls << QStringLiteral("setViewsToRedraw %1").arg(n); };
        s.startPopulatingView = [](kit::View*) { calls << "startPopulatingView"; };
        s.dayPopupKeyPressed = [this](const kit::Event& e) -> std::optional<kit::Event> {
            calls << QStringLiteral("popup %1").arg(e.keyCode());
            if (popupTakes.contains(e.keyCode())) return std::nullopt;
            return e;
        };
        s.calSourceHoverKeyPressed = [this](const kit::Event& e) -> std::optional<kit::Event> {
            calls << QStringLiteral("hover %1").arg(e.keyCode());
            if (hoverTakes.contains(e.keyCode())) return std::nullopt;
            return e;
        };
        s.printViewForWeekView = [this](kit::View* weekView, const QSizeF& size) {
            calls << QStringLiteral("print.make %1x%2").arg(size.width()).arg(size.height());
            printedWeek = weekView;
            return (printView = new FakePrintView(QRectF(0, 0, 960, 680))).data();
        };
        s.dayPopupOriginatingViewMoved = [] { calls << "moved day popup"; };
        s.notesPopupOriginatingViewMoved = [] { calls << "moved notes popup"; };
        s.notesHoverOriginatingViewMoved = [] { calls << "moved notes hover"; };
        s.eventHoverOriginatingViewMoved = [] { calls << "moved event hover"; };
        s.calSourceHoverOriginatingViewMoved = [] { calls << "moved calendar hover"; };
        MainWindowCtrl::changeServices([&](auto& installed) { installed = std::move(s); });
        kit::Animation::setInstantForTesting(true);
    }
    void TearDown() override {
        controller.reset();
        MainWindowCtrl::changeServices([](auto& installed) { installed = {}; });
        kit::Animation::setInstantForTesting(false);
        delegate.reset();
        calstore::Store::setDefaultStore(nullptr);
        Defaults::resetStandard();
    }

    MainWindowCtrl* make() {
        controller = std::make_unique<MainWindowCtrl>();
        controller->window();
        return controller.get();
    }
    MainWindowCtrl* launched() {
        make()->applicationFinishedLaunching();
        return controller.get();
    }
    bool toolbarEnabled(const char* identifier) {
        kit::ToolbarItem* item = controller->window()->toolbar()->itemWithIdentifier(identifier);
        return item && item->validate();
    }
    bool menuEnabled(int tag) {
        kit::MenuItem* item = controller->menuItemWithTag(tag);
        return item && item->validate();
    }

    // A store with a local calendar, a subscription and an account group.
    void loadModel() {
        dir.write("store/home/displayname", "Home");
        dir.write("store/home/zolt-calendar.json", R"({"type": "local", "items": "events"})");
        dir.write("store/sports/displayname", "Sports");
        dir.write("store/sports/zolt-calendar.json",
                  R"({"type": "subscription", "items": "events"})");
        dir.write("store/team/displayname", "Team");
        dir.write("store/team/zolt-calendar.json",
                  R"({"type": "calendar-server", "items": "events", "group": "acct-1"})");
        dir.write("store/zolt-groups.json", R"({"groups": [
            {"uid": "acct-1", "type": "calendar-server", "title": "Work account",
             "principalURL": "https://cal.example.com/p/me/"}]})");
        calstore::Store::setDefaultStore(calstore::Store::openAt(dir.file("store")));
        delegate->calendarSources = std::make_shared<CalendarSources>();
        delegate->calendarSources->loadCalendarsFromICal();
        delegate->calendarSources->loadMarkers();
    }

    testsupport::TempDir dir;
    std::unique_ptr<AppDelegate> delegate;
    std::unique_ptr<MainWindowCtrl> controller;
    QPointer<FakeYearArea> area;
    QPointer<FakePage> page;
    QPointer<FakeWeekView> week;
    QPointer<FakeSourceView> source;
    QPointer<FakePrintView> printView;
    QPointer<kit::View> printedWeek;
    QList<int> popupTakes, hoverTakes;
};

}  // namespace

// Drops a shared controller left by a test suite, so that every suite of this
// program starts without a main window (its split views hold their autosave
// names while they exist).
class DropSharedMainWindow : public ::testing::EmptyTestEventListener {
    void OnTestSuiteEnd(const ::testing::TestSuite&) override {
        MainWindowCtrl::resetSharedWinController();
    }
};
static const bool dropSharedMainWindowInstalled = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new DropSharedMainWindow);
    return true;
}();

TEST_F(MainWindowCtrlTest, TheWindowHoldsTheSourceListYearAndWeekAreasInItsSplitViews) {
    MainWindowCtrl* c = make();
    MainWindow* w = c->mainWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->contentView(), c->mainWindowSplitView());
    EXPECT_EQ(w->delegate(), c);
    EXPECT_EQ(c->mainWindowSplitView()->leftSubview(), c->leftViewContainer());
    EXPECT_EQ(c->mainWindowSplitView()->rightSubview(), c->yearWeekSplitView());
    EXPECT_EQ(c->yearWeekSplitView()->upperSubview(), c->topRightViewContainer());
    EXPECT_EQ(c->yearWeekSplitView()->lowerSubview(), week);
    EXPECT_EQ(c->mainWindowSplitView()->positionAutosaveName(), "MainWindowMainSplitter");
    EXPECT_EQ(c->yearWeekSplitView()->positionAutosaveName(), "YearWeekSplitter");
    EXPECT_EQ(w->frameAutosaveName(), "MainWindow");

    // The source view fills its container and holds the list above the strip;
    // the year area fills its container, the first of its subviews.
    EXPECT_EQ(c->calSourceView(), source);
    EXPECT_EQ(source->superview(), c->leftViewContainer());
    EXPECT_EQ(source->frame(), c->leftViewContainer()->bounds());
    EXPECT_EQ(c->calSourceListView()->superview(), source);
    EXPECT_EQ(c->progressView()->superview(), source);
    EXPECT_TRUE(c->progressView()->isHidden());
    EXPECT_EQ(c->calYearScroller(), area);
    EXPECT_EQ(c->topRightViewContainer()->subviews().front(), area);
    EXPECT_EQ(area->frame(), c->topRightViewContainer()->bounds());
    EXPECT_EQ(c->currentYearView(), page);
    EXPECT_EQ(c->currentWeekView(), week);
    // The year area was handed its parts.
    EXPECT_TRUE(calls.contains("area.setWeekSubview"));
    EXPECT_TRUE(calls.contains("area.setSplitSuperview"));

    QStringList identifiers;
    for (kit::ToolbarItem* item : w->toolbar()->items())
        if (!item->isSpaceOrSeparator()) identifiers << item->itemIdentifier();
    EXPECT_EQ(identifiers, QStringList({"TBToday", "TBYear", "TBWeek", "TBNewEvent", "TBNewCal",
                                        "TBEdit", "TBInfo", "TBFind", "TBPrint", "TBPrefs"}));
    for (kit::ToolbarItem* item : w->toolbar()->items())
        if (!item->isSpaceOrSeparator()) {
            EXPECT_FALSE(item->image().isNull()) << item->itemIdentifier().toStdString();
        }
    EXPECT_NE(w->menuBarWidget(), nullptr);
    EXPECT_NE(c->addMenu(), nullptr);
}

TEST_F(MainWindowCtrlTest, TheFirstStartCentresTheWindowAndLaterStartsRestoreItsFrame) {
    MainWindowCtrl* c = make();
    const QRectF screen = c->window()->screenFrame();
    const QRectF first = c->window()->frame();
    if (!screen.isEmpty()) EXPECT_NEAR(first.center().x(), screen.center().x(), 1.0);

    const QRectF moved(37, 61, 900, 640);
    c->window()->setFrame(moved);
    controller.reset();
    ASSERT_FALSE(Defaults::standard().stringForKey("NSWindow Frame MainWindow").isEmpty());
    EXPECT_EQ(make()->window()->frame(), moved);
}

TEST_F(MainWindowCtrlTest, TheTitleIsTodaysDateAndFollowsTheDayChange) {
    struct Case {
        int day, month, year;
        const char* title;
    };
    for (const Case& c : {Case{5, 3, 2031, "5. Mar. 2031"}, Case{31, 12, 1999, "31. Dec. 1999"},
                          Case{29, 2, 2024, "29. Feb. 2024"}}) {
        EXPECT_EQ(MainWindowCtrl::windowTitleForDate(
                      *MyDate::dateWithDayMonthYear(c.day, c.month, c.year)),
                  c.title);
    }
    MainWindowCtrl* c = launched();
    EXPECT_EQ(c->window()->title(), "5. Mar. 2031");
    delegate->today = MyDate::dateWithDayMonthYear(6, 3, 2031);
    foundation::NotificationCenter::defaultCenter().post(AppDelegate::kCurrentDateChanged,
                                                         delegate.get());
    EXPECT_EQ(c->window()->title(), "6. Mar. 2031");
}

TEST_F(MainWindowCtrlTest, ToolbarAndMenuItemsFollowThePanesTheFocusAndTheWeekView) {
    using C = MainWindowCtrl;
    MainWindowCtrl* c = launched();
    FocusController focus;
    struct Case {
        bool yearOpen, weekOpen, focused, canCreate;
    };
    for (const Case& k : {Case{true, true, false, true}, Case{true, false, true, false},
                          Case{false, true, true, true}, Case{true, true, true, false}}) {
        SCOPED_TRACE(QStringLiteral("year %1 week %2 focus %3 create %4")
                         .arg(k.yearOpen)
                         .arg(k.weekOpen)
                         .arg(k.focused)
                         .arg(k.canCreate)
                         .toStdString());
        area->yearOpen = k.yearOpen;
        area->weekOpen = k.weekOpen;
        week->canCreate = k.canCreate;
        c->setCurrentGlobalObjectWithController(k.focused ? QVariant(7) : QVariant(),
                                                k.focused ? &focus : nullptr);
        EXPECT_TRUE(toolbarEnabled("TBToday"));
        EXPECT_EQ(toolbarEnabled("TBYear"), k.weekOpen);
        EXPECT_EQ(toolbarEnabled("TBWeek"), k.yearOpen);
        EXPECT_EQ(toolbarEnabled("TBEdit"), k.focused);
        EXPECT_EQ(toolbarEnabled("TBInfo"), k.focused);
        EXPECT_EQ(toolbarEnabled("TBNewEvent"), k.canCreate);
        for (const char* always : {"TBNewCal", "TBPrefs", "TBFind", "TBPrint"})
            EXPECT_TRUE(toolbarEnabled(always)) << always;

        EXPECT_EQ(menuEnabled(C::kTagEdit), k.focused);
        EXPECT_EQ(menuEnabled(C::kTagInformation), k.focused);
        EXPECT_EQ(menuEnabled(C::kTagNextYear), k.yearOpen);
        EXPECT_EQ(menuEnabled(C::kTagPrevYear), k.yearOpen);
        EXPECT_EQ(menuEnabled(C::kTagNextWeek), k.weekOpen);
        EXPECT_EQ(menuEnabled(C::kTagPrevWeek), k.weekOpen);
        EXPECT_EQ(menuEnabled(C::kTagNewEvent), k.canCreate);
        for (int tag : {C::kTagGotoToday, C::kTagPrint, C::kTagShowWeek, C::kTagFind,
                        C::kTagReloadData, C::kTagAbout, C::kTagQuit})
            EXPECT_TRUE(menuEnabled(tag)) << tag;
    }
    // An item the controller does not know is never enabled.
    kit::ToolbarItem stranger("TBStranger");
    EXPECT_FALSE(c->validateToolbarItem(&stranger));
    // A focus object without its controller is no focus.
    c->setCurrentGlobalObjectWithController(QVariant(7), nullptr);
    EXPECT_FALSE(toolbarEnabled("TBInfo"));
}

TEST_F(MainWindowCtrlTest, InfoAndEditGoToTheFocusControllerWithItsObject) {
    MainWindowCtrl* c = launched();
    FocusController focus;
    c->menuCommandInformation(nullptr);  // no focus: nothing
    EXPECT_TRUE(calls.filter("focus.").isEmpty());

    c->setCurrentGlobalObjectWithController(QVariant(QStringLiteral("3 days")), &focus);
    ASSERT_TRUE(c->menuItemWithTag(MainWindowCtrl::kTagInformation)->performAction());
    EXPECT_EQ(focus.got, QVariant(QStringLiteral("3 days")));
    c->window()->toolbar()->itemWithIdentifier("TBEdit")->performAction();
    EXPECT_EQ(calls.filter("focus."),
              QStringList({"focus.menuCommandInformation", "focus.menuCommandEdit"}));

    c->setCurrentGlobalObjectWithController(QVariant(), nullptr);
    EXPECT_FALSE(c->menuItemWithTag(MainWindowCtrl::kTagEdit)->performAction());
}

TEST_F(MainWindowCtrlTest, TheAddMenuListsEveryGroupAndOnlyTheLocalOneTakesANewCalendar) {
    loadModel();
    MainWindowCtrl* c = launched();
    c->updateAddMenuWithCalendarGroups();  // rebuilt, not added to
    const QStringList groups = delegate->calendarSources->knownCalendarGroupNames();
    ASSERT_GE(groups.size(), 3);
    ASSERT_EQ(c->addMenu()->numberOfItems(), groups.size());
    for (int i = 0; i < groups.size(); ++i) {
        kit::MenuItem* item = c->addMenu()->itemAtIndex(i);
        EXPECT_EQ(item->title(), QStringLiteral("New Calendar in %1...").arg(groups[i]));
        EXPECT_EQ(c->calendarGroupNameForMenuItem(item), groups[i]);
        EXPECT_EQ(item->validate(), groups[i] == "Local") << groups[i].toStdString();
    }
    EXPECT_EQ(source->sources, delegate->calendarSources);

    // The item stands for its group whatever its title says.
    kit::MenuItem* local = c->addMenu()->itemAtIndex(0);
    local->setTitle(QStringLiteral("New Calendar in Work account..."));
    ASSERT_TRUE(local->performAction());
    EXPECT_EQ(calls.filter("source."), QStringList({"source.cmiNewCalendar"}));
    EXPECT_EQ(source->lastSender, local);

    LogCapture log;
    c->menuCommandNewCalendar(c->addMenu()->itemAtIndex(groups.indexOf("Work account")));
    EXPECT_TRUE(log.contains("not yet supported: add calendar via CalDAV"));
    // Not from a plain Add menu item: nothing.
    kit::ToolbarItem toolbarItem("TBNewCal");
    c->menuCommandNewCalendar(&toolbarItem);
    kit::MenuItem stray(QStringLiteral("New Calendar in Local..."));
    c->menuCommandNewCalendar(&stray);
    EXPECT_EQ(calls.filter("source.cmiNewCalendar").size(), 1);
}

TEST_F(MainWindowCtrlTest, KeysGoToTheDayPopupThenTheCalendarHoverThenTheYearPage) {
    MainWindowCtrl* c = launched();
    c->window()->makeKeyAndOrderFront();
    ASSERT_EQ(c->window()->firstResponder(), static_cast<kit::Responder*>(page.data()));
    popupTakes = {123, 124, 125, 126, 49};  // the open popup takes arrows and Space
    hoverTakes = {53};                      // the open hover takes Escape
    struct Case {
        int key;
        QStringList asked;
        bool reachesPage;
    };
    for (const Case& k :
         {Case{124, {"popup 124"}, false}, Case{49, {"popup 49"}, false},
          Case{53, {"popup 53", "hover 53"}, false}, Case{0, {"popup 0", "hover 0"}, true}}) {
        calls.clear();
        page->keys.clear();
        kit::Application::shared().sendEvent(
            kit::Event::keyEvent(kit::EventType::KeyDown, k.key, "x", 0, false, "x", c->window()));
        EXPECT_EQ(calls, k.asked) << k.key;
        EXPECT_EQ(page->keys.contains(k.key), k.reachesPage) << k.key;
    }
}

TEST_F(MainWindowCtrlTest, TheStripSlidesInAndOutAndTheListGivesWay) {
    kit::Animation::setInstantForTesting(false);
    MainWindowCtrl* c = make();
    kit::View* strip = c->progressView();
    kit::View* list = c->calSourceListView();
    const double H = c->calSourceView()->bounds().height();
    const double h = MainWindowCtrl::kProgressStripHeight;
    const double w = c->calSourceView()->bounds().width();
    EXPECT_EQ(c->progressViewMoving(), 0);

    c->showProgressView();
    EXPECT_EQ(c->progressViewMoving(), 1);
    EXPECT_FALSE(strip->isHidden());
    EXPECT_EQ(list->frame(), QRectF(0, h, w, H - h));  // at once
    ASSERT_TRUE(c->progressAnimation()->isAnimating());
    EXPECT_NEAR(c->progressAnimation()->duration(), 0.3, 1e-9);
    // Half-way up, a hide starts the descent from where the strip is.
    ASSERT_TRUE(testsupport::waitUntil([&] { return strip->frame().y() > -h + 6; }));
    c->hideProgressView();
    const double from = strip->frame().y();
    EXPECT_EQ(c->progressViewMoving(), -1);
    EXPECT_EQ(list->frame(), QRectF(0, 0, w, H));
    EXPECT_EQ(
        kit::ViewAnimation::frameAtValue(c->progressAnimation()->viewAnimations().front(), 0).y(),
        from);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !c->progressAnimation()->isAnimating(); }));
    EXPECT_EQ(strip->frame(), QRectF(0, -h, w, h));

    // Up, and a second raise while it is up does nothing.
    c->showProgressView();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !c->progressAnimation()->isAnimating(); }));
    EXPECT_EQ(strip->frame(), QRectF(0, 0, w, h));
    c->showProgressView();
    EXPECT_FALSE(c->progressAnimation()->isAnimating());
    EXPECT_EQ(strip->frame(), QRectF(0, 0, w, h));
}

TEST_F(MainWindowCtrlTest, TheListTakesBackOnlyItsOwnRoomAboveTheColumnsBar) {
    MainWindowCtrl* c = make();
    kit::View* list = c->calSourceListView();
    const double H = c->calSourceView()->bounds().height();
    const double w = c->calSourceView()->bounds().width();
    const double bar = 23;
    list->setFrame(QRectF(0, bar, w, H - bar));  // the column keeps a bottom bar
    c->showProgressView();
    EXPECT_EQ(list->frame(), QRectF(0, MainWindowCtrl::kProgressStripHeight, w,
                                    H - MainWindowCtrl::kProgressStripHeight));
    c->hideProgressView();
    EXPECT_EQ(list->frame(), QRectF(0, bar, w, H - bar));
}

TEST_F(MainWindowCtrlTest, TheFirstLoweringAfterStartSlidesTheStripDown) {
    MainWindowCtrl* c = make();
    c->hideProgressView();
    EXPECT_EQ(c->progressViewMoving(), -1);
    EXPECT_EQ(c->progressView()->frame().y(), -MainWindowCtrl::kProgressStripHeight);
    EXPECT_EQ(c->calSourceListView()->frame().height(), c->calSourceView()->bounds().height());
}

TEST_F(MainWindowCtrlTest, JobsRaiseAndLowerTheStripOnTheMainThreadOnly) {
    MainWindowCtrl* c = make();
    YearViewEventLoader::setProgressIndicatorAndTextField(c->progressSink());
    std::thread job([c] { c->showProgressViewFromThread(); });
    job.join();
    EXPECT_EQ(c->progressViewMoving(), 0);  // handed over, not done on the job's thread
    ASSERT_TRUE(testsupport::waitUntil([&] { return c->progressViewMoving() == 1; }));

    // The loader's activity brackets drive it the same way.
    std::thread loaderJob([] { YearViewEventLoader::endActivity(); });
    loaderJob.join();
    ASSERT_TRUE(testsupport::waitUntil([&] { return c->progressViewMoving() == -1; }));
    std::thread again([] { YearViewEventLoader::beginActivity(); });
    again.join();
    ASSERT_TRUE(testsupport::waitUntil([&] { return c->progressViewMoving() == 1; }));
    YearViewEventLoader::endActivity();
    ASSERT_TRUE(testsupport::waitUntil([&] { return c->progressViewMoving() == -1; }));
    YearViewEventLoader::setProgressIndicatorAndTextField(nullptr);
}

TEST_F(MainWindowCtrlTest, PrintingWritesTheWeekOnOneLandscapePageOfAPdf) {
    const kit::PrintInfo saved = kit::PrintInfo::shared();
    kit::PrintInfo info;
    info.setJobDisposition(kit::PrintInfo::Disposition::Save);
    info.setSavePath(dir.file("week.pdf"));
    kit::PrintInfo::setShared(info);
    MainWindowCtrl* c = launched();
    calls.clear();
    LogCapture log;
    c->window()->toolbar()->itemWithIdentifier("TBPrint")->performAction();
    kit::PrintInfo::setShared(saved);

    const QSizeF paper = info.paperSize();
    EXPECT_TRUE(log.contains(QStringLiteral("print! %1 x %2")
                                 .arg(paper.width(), 0, 'f', 1)
                                 .arg(paper.height(), 0, 'f', 1)));
    EXPECT_EQ(printedWeek, week);
    EXPECT_EQ(calls,
              QStringList({"print.make 2400x1700", "print.openCacheWin", "print.loadCacheImage",
                           "print.adjustSizeTo", "print.purgeCacheImage"}));
    ASSERT_TRUE(QFile::exists(dir.file("week.pdf")));

    QProcess pdfinfo;
    pdfinfo.start(QStandardPaths::findExecutable("pdfinfo"), {dir.file("week.pdf")});
    ASSERT_TRUE(pdfinfo.waitForFinished(30000));
    const QString out = QString::fromUtf8(pdfinfo.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QRegularExpression(R"(Pages:\s+1\b)"))) << out.toStdString();
    const auto size = QRegularExpression(R"(Page size:\s+([\d.]+) x ([\d.]+))").match(out);
    ASSERT_TRUE(size.hasMatch()) << out.toStdString();
    EXPECT_GT(size.captured(1).toDouble(), size.captured(2).toDouble());  // landscape
    QProcess text;
    text.start(QStandardPaths::findExecutable("pdftotext"), {dir.file("week.pdf"), "-"});
    ASSERT_TRUE(text.waitForFinished(30000));
    EXPECT_TRUE(text.readAllStandardOutput().contains("WeekOfPrinting"));
}

TEST_F(MainWindowCtrlTest, CommandsGoToTheYearAreaAndTheWeekViewInOrder) {
    MainWindowCtrl* c = launched();
    EXPECT_EQ(calls.filter(QRegularExpression("Preferences|setYearSubviews|applicationFinished")),
              QStringList({"area.setYearSubviews", "area.loadPreferences", "week.loadPreferences",
                           "week.applicationFinishedLaunching"}));
    struct Case {
        int tag;
        QStringList expected;
    };
    const std::vector<Case> cases = {
        {MainWindowCtrl::kTagReloadData,
         {"page.invalidateEvents", "setViewsToRedraw 1", "startPopulatingView"}},
        {MainWindowCtrl::kTagWeek5Day, {"area.ensureWeekViewVisibility", "week.cmiShow5dayWeek"}},
        {MainWindowCtrl::kTagNextYear, {"area.moveViewsToYear 2032"}},
        {MainWindowCtrl::kTagPrevYear, {"area.moveViewsToYear 2030"}},
        {MainWindowCtrl::kTagNextWeek, {"week.moveToWeekOf 16.6."}},
        {MainWindowCtrl::kTagPrevWeek, {"week.moveToWeekOf 2.6."}},
        {MainWindowCtrl::kTagShowWeek, {"area.showWeekView"}},
        {MainWindowCtrl::kTagNewEvent, {"week.createNewEvent"}},
    };
    for (const Case& k : cases) {
        calls.clear();
        ASSERT_TRUE(c->menuItemWithTag(k.tag)->performAction()) << k.tag;
        EXPECT_EQ(calls, k.expected) << k.tag;
    }
    // The week view's display mode changed: the new one gets the commands.
    auto* replacement = new FakeWeekView(week->frame());
    c->exchangeWeekSubviewTo(replacement);
    EXPECT_EQ(c->currentWeekView(), replacement);
    c->exchangeWeekSubviewTo(week);
    delete replacement;

    calls.clear();
    c->windowDidMove(c->window());
    EXPECT_EQ(calls, QStringList({"moved day popup", "moved notes popup", "moved notes hover",
                                  "moved event hover", "moved calendar hover"}));
    calls.clear();
    c->toolbarToggledWithoutWindowResize();
    EXPECT_EQ(calls, QStringList({"area.windowDidResize", "week.repositionViewsDuringResize",
                                  "week.forcedRedraw"}));
}

TEST_F(MainWindowCtrlTest, ChangesFromJobThreadsReachTheYearAreaOnTheMainThread) {
    MainWindowCtrl* c = make();
    std::thread writer([c] {
        c->eventsUpdated({{QStringLiteral("uid-1"), 2}});
        c->calendarsRemoved({nullptr, nullptr});
    });
    writer.join();
    EXPECT_TRUE(calls.filter("area.events").isEmpty());
    ASSERT_TRUE(
        testsupport::waitUntil([] { return calls.filter("area.calendarsRemoved").size() == 1; }));
    EXPECT_TRUE(calls.contains("area.eventsUpdated uid-1"));
    EXPECT_TRUE(area->eventsOnMainThread);
}

TEST_F(MainWindowCtrlTest, EventsInCreationAreKnownUntilTheirCreationEnds) {
    MainWindowCtrl* c = make();
    EXPECT_FALSE(c->isCurrentlyInCreation("a"));  // before the list exists
    c->endCurrentCreatedEventUID("a");
    c->addCurrentCreationEventUID("a");
    c->addCurrentCreationEventUID("a");
    c->addCurrentCreationEventUID("b");
    EXPECT_TRUE(c->isCurrentlyInCreation("a"));
    c->endCurrentCreatedEventUID("a");  // the first entry only
    EXPECT_TRUE(c->isCurrentlyInCreation("a"));
    c->endCurrentCreatedEventUID("a");
    EXPECT_FALSE(c->isCurrentlyInCreation("a"));
    EXPECT_TRUE(c->isCurrentlyInCreation("b"));
    c->endCurrentCreatedEventUID("zzz");
    EXPECT_TRUE(c->isCurrentlyInCreation("b"));
}

TEST_F(MainWindowCtrlTest, AConfigurationConflictShowsTheErrorSheetOnceAfterLaunching) {
    MainWindowCtrl* c = make();
    c->setNeedsToShowErrorPanelExternalPrefs();
    c->applicationFinishedLaunching();
    EXPECT_EQ(kit::Sheet::attachedSheet(c->window()), nullptr);  // not before the window is up
    ASSERT_TRUE(testsupport::waitUntil([&] { return kit::Sheet::attachedSheet(c->window()); }));
    EXPECT_FALSE(c->needsToShowErrorPanelExternalPrefs());
    kit::Window* sheet = c->errorPanelExternalConfig();
    EXPECT_EQ(kit::Sheet::attachedSheet(c->window()), sheet);
    c->okErrorPanelExternalPrefs();
    EXPECT_EQ(kit::Sheet::attachedSheet(c->window()), nullptr);
    EXPECT_FALSE(sheet->isVisible());
    QCoreApplication::processEvents();
    EXPECT_EQ(kit::Sheet::attachedSheet(c->window()), nullptr);
}

TEST_F(MainWindowCtrlTest, TheStripAndTheSourceViewFollowTheWindowsMainState) {
    MainWindowCtrl* c = make();
    c->windowDidResignMain(c->window());
    EXPECT_FALSE(c->progressView()->windowKeyStatus());
    EXPECT_EQ(c->progressView()->backgroundColor(), CSUProgressView::nonKeyColor());
    c->windowDidBecomeMain(c->window());
    EXPECT_TRUE(c->progressView()->windowKeyStatus());
    EXPECT_EQ(calls.filter("source."),
              QStringList({"source.setWindowKeyStatus 0", "source.setWindowKeyStatus 1"}));
}

TEST_F(MainWindowCtrlTest, TheWholeWindowDrawnForInspection) {
    MainWindowCtrl::changeServices(
        [](auto& installed) { installed = {}; });  // the placeholders of the later parts
    MainWindowCtrl* c = make();
    c->window()->orderFront();
    c->showProgressView();
    const QImage shot = c->window()->widget()->grab().toImage();
    testsupport::saveForInspection(shot, "main-window");
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.height(), int(c->window()->frame().height()));
    // The source list's colour fills the column down to the raised strip.
    const QImage column = c->calSourceView()->renderToImage();
    EXPECT_TRUE(
        testsupport::colorNear(testsupport::pixel(column, 50, 20), CSUProgressView::keyColor()));
    EXPECT_TRUE(testsupport::colorNear(testsupport::pixel(column, 4, column.height() - 3),
                                       CSUProgressView::keyColor()));
}

#include "MainWindowCtrlTest.moc"
