// The year area: its three pages after every change of year, the order in
// which pages load, slides and rebuilds, page drags and phased-scroll swipes,
// the snapping of the year/week bar, the view buttons, and the page indicator.

#include "YearViewPageWorld.h"
#include "platform/foundation/Defaults.h"
#include "platform/kit/Animation.h"
#include "platform/kit/Application.h"
#include "platform/kit/Image.h"
#include "platform/kit/ImageView.h"
#include "shell/MainSplitView.h"
#include "yearview/YVPIAnimation.h"
#include "yearview/YVPageIndicator.h"
#include "yearview/YearViewScroller.h"

#include <QMenu>

#include <set>
#include <thread>

using kit::Event;
using kit::EventType;

namespace {

class ScrollerTest : public yvpage::PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        kit::Animation::setInstantForTesting(true);
        YearViewScroller::Services s;
        s.startPopulatingView = [this](YearView* page) { started.push_back(page->year()); };
        s.populateView = [this](YearView* page) {
            populated.push_back(page->year());
            page->model()->threadedUpdateViewOffscreen();
        };
        YearViewScroller::changeServices([&](auto& installed) { installed = s; });
        build(700, 400);
    }
    void TearDown() override {
        YearViewScroller::changeServices([](auto& installed) { installed = {}; });
        kit::Animation::setInstantForTesting(false);
        window.reset();
        PageTest::TearDown();
    }

    // The year and week area: the year pane (holding the scroller) above a
    // week pane, in a split view of `height` points.
    void build(double height, double yearHeight) {
        window = std::make_unique<kit::Window>(QRectF(100, 100, 900, height));
        split = new MainSplitView(QRectF(0, 0, 900, height));
        window->setContentView(split);
        yearPane = new kit::View(QRectF(0, 0, 900, yearHeight));
        week = new kit::View(QRectF(0, yearHeight, 900, height - yearHeight));
        split->addSubview(yearPane);
        split->addSubview(week);
        split->awakeFromNib();
        scroller = new YearViewScroller(yearPane->bounds());
        scroller->setAutoresizingMask(kit::View::WidthSizable | kit::View::HeightSizable);
        yearPane->addSubview(scroller);
        // On the bar as in the main window: the right handle's image, the two
        // buttons beside the left handle.
        handle = new kit::ImageView(QRectF(900 - 43, 0, 43, 23));
        yearButton = new kit::View(QRectF(47, 0, 28, 23));
        weekButton = new kit::View(QRectF(77, 0, 28, 23));
        yearPane->addSubview(handle);
        yearPane->addSubview(yearButton);
        yearPane->addSubview(weekButton);
        scroller->setWeekSubview(week);
        scroller->setSplitSuperview(split);
        scroller->setRightSplitButton(handle);
        scroller->setYearButton(yearButton);
        scroller->setWeekButton(weekButton);
        scroller->setContextMenu(&menu);
        scroller->setYearSubviews();
        window->makeKeyAndOrderFront();
    }

    std::vector<YearView*> pagesInView() const {
        std::vector<YearView*> out;
        for (kit::View* v : scroller->subviews())
            if (auto* page = qobject_cast<YearView*>(v)) out.push_back(page);
        return out;
    }

    // The pages show Y-1, Y, Y+1 side by side, only the centre one visible and
    // with the menu, all three below the indicator.
    void expectThreePages(int year) {
        ASSERT_EQ(pagesInView().size(), 3u);
        const double w = scroller->frame().width();
        const double h = scroller->frame().height();
        for (int slot = 0; slot < 3; ++slot) {
            YearView* page = scroller->yearView(slot);
            ASSERT_TRUE(page);
            EXPECT_EQ(page->year(), year - 1 + slot);
            EXPECT_EQ(page->isVisible(), slot == 1);
            EXPECT_EQ(page->menu(), slot == 1 ? &menu : nullptr);
            EXPECT_EQ(page->frame(), QRectF(w * (slot - 1), 23, w, h - 23));
            EXPECT_EQ(page->superview(), scroller);
        }
        EXPECT_EQ(scroller->subviews().back(), scroller->pageIndicator());
        EXPECT_EQ(scroller->lastViewDragDirection(), 0);
    }

    QPointF inWindow(double x, double y) const {
        return scroller->convertPointToView(QPointF(x, y), nullptr);
    }

    // A page drag from the middle of the year title by the given steps.
    void drag(const std::vector<double>& steps, bool escape = false) {
        const QPointF start =
            inWindow(scroller->frame().width() / 2, scroller->frame().height() - 8);
        auto& app = kit::Application::shared();
        for (double dx : steps)
            app.postEvent(Event::mouseEvent(EventType::LeftMouseDragged, start + QPointF(dx, 0), 0,
                                            1, window.get()));
        if (escape)
            app.postEvent(Event::keyEvent(EventType::KeyDown, kit::KeyCodes::Escape,
                                          QStringLiteral("\x1b"), 0, false, QString(),
                                          window.get()));
        else
            app.postEvent(Event::mouseEvent(EventType::LeftMouseUp,
                                            start + QPointF(steps.empty() ? 0 : steps.back(), 0), 0,
                                            1, window.get()));
        window->sendEvent(Event::mouseEvent(EventType::LeftMouseDown, start, 0, 1, window.get()));
        settle();
    }

    std::set<YearView*> pageSet() const {
        auto v = pagesInView();
        return {v.begin(), v.end()};
    }

    QMenu menu;
    MainSplitView* split = nullptr;
    kit::View* yearPane = nullptr;
    kit::View* week = nullptr;
    kit::ImageView* handle = nullptr;
    kit::View* yearButton = nullptr;
    kit::View* weekButton = nullptr;
    YearViewScroller* scroller = nullptr;
    std::vector<int> started;
    std::vector<int> populated;
};

TEST_F(ScrollerTest, BuildsThePagesAroundTodaysYear) {
    expectThreePages(2024);
    EXPECT_EQ(scroller->currentYearView(), scroller->yearView(1));
    EXPECT_EQ(scroller->pastYearView(), scroller->yearView(0));
    EXPECT_EQ(scroller->futureYearView(), scroller->yearView(2));
    EXPECT_EQ(scroller->cellForDate(MyDate::dateWithDayMonthYear(3, 5, 2025)),
              scroller->yearView(2)->cellForDayAndMonth(3, 5));
    EXPECT_FALSE(scroller->cellForDate(MyDate::dateWithDayMonthYear(3, 5, 2026)));
}

TEST_F(ScrollerTest, YearChangesSlideAndRotateOrReplaceThePages) {
    struct Case {
        int year;
        int newPages;  // pages not in the view before
        bool formerCentreKept;
    };
    const Case cases[] = {
        {2025, 1, true}, {2024, 1, true}, {2028, 3, false}, {2025, 3, false}, {2025, 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.year);
        const auto before = pageSet();
        YearView* formerCentre = scroller->yearView(1);
        started.clear();
        scroller->moveViewsToYear(c.year);
        expectThreePages(c.year);
        int fresh = 0;
        for (YearView* page : pagesInView()) fresh += before.count(page) ? 0 : 1;
        EXPECT_EQ(fresh, c.newPages);
        EXPECT_EQ(pageSet().count(formerCentre) == 1, c.formerCentreKept);
        // The centre page's loading waits for the end of the event.
        EXPECT_TRUE(started.empty());
        settle();
        if (c.newPages > 0 && !scroller->yearView(1)->eventsLoaded())
            EXPECT_EQ(started, std::vector<int>{c.year});
    }
}

TEST_F(ScrollerTest, LoadingTakesTheShownPageFirstThenItsSiblings) {
    // ensureYearIsShown fills the first unloaded page before it returns: the
    // centre, then the left, then the right page.
    scroller->ensureYearIsShown(2030);
    EXPECT_EQ(populated, std::vector<int>{2030});
    EXPECT_TRUE(scroller->yearView(1)->eventsLoaded());
    scroller->ensureYearIsShown(2030);
    EXPECT_EQ(populated, (std::vector<int>{2030}));
    scroller->moveViewsToYearThreaded(2030, false);  // same year: nothing loads
    EXPECT_EQ(populated.size(), 1u);
    // Next year: the former centre (loaded) goes left, the new centre loads.
    scroller->ensureYearIsShown(2031);
    EXPECT_EQ(populated, (std::vector<int>{2030, 2031}));
    // Previous year twice from a loaded pair: the centre is loaded, the left
    // page is the first without events.
    scroller->moveViewsToYearThreaded(2030, false);
    EXPECT_EQ(populated, (std::vector<int>{2030, 2031, 2029}));
}

TEST_F(ScrollerTest, CollapsedYearPaneRebuildsThePagesAndFillsTheCentreAtOnce) {
    scroller->showWeekView(nullptr);
    ASSERT_TRUE(scroller->splitterIsUpFlag());
    const auto before = pageSet();
    scroller->moveViewsToYear(2040);
    expectThreePages(2040);
    for (YearView* page : pagesInView()) EXPECT_EQ(before.count(page), 0u);
    EXPECT_EQ(populated, std::vector<int>{2040});
    settle();
    EXPECT_TRUE(started.empty());
}

TEST_F(ScrollerTest, DraggingThePagesTurnsTheYearOnlyPastTheThreshold) {
    struct Case {
        const char* name;
        std::vector<double> steps;
        bool escape;
        int year;
    };
    const Case cases[] = {
        {"39 right springs back", {10, 39}, false, 2024},
        {"40 right shows the previous year", {10, 40}, false, 2023},
        {"past 40 and back a little springs back", {60, 55}, false, 2023},
        {"45 left shows the next year", {-10, -45}, false, 2024},
        {"Escape takes it back", {-10, -200}, true, 2024},
        {"a click changes nothing", {}, false, 2024},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        drag(c.steps, c.escape);
        expectThreePages(c.year);
        EXPECT_EQ(scroller->pageIndicator()->currentOffset(), 0.0);
    }
}

TEST_F(ScrollerTest, PhasedHorizontalScrollSwipesThePages) {
    const QPointF at = inWindow(scroller->frame().width() / 2, scroller->frame().height() - 8);
    const auto scroll = [&](double dx, unsigned phase) {
        window->sendEvent(
            Event::scrollEvent(at, dx, 0, phase, kit::EventPhase::None, true, 0, window.get()));
    };
    // 30 points: too little, the pages come back.
    scroll(10, kit::EventPhase::Began);
    scroll(20, kit::EventPhase::Changed);
    ASSERT_TRUE(testsupport::waitUntil([&] {
        QCoreApplication::processEvents();
        return !scroller->touchRedrawActive() && scroller->touchLastSwipeDeltaX() == 30;
    }));
    EXPECT_EQ(scroller->yearView(1)->frame().x(), 30);
    scroll(0, kit::EventPhase::Ended);
    expectThreePages(2024);
    EXPECT_FALSE(scroller->isTrackingTouches());

    // 60 points to the left: the next year.
    scroll(-20, kit::EventPhase::Began);
    scroll(-40, kit::EventPhase::Changed);
    ASSERT_TRUE(testsupport::waitUntil([&] {
        QCoreApplication::processEvents();
        return !scroller->touchRedrawActive() && scroller->touchLastSwipeDeltaX() == -60;
    }));
    scroll(0, kit::EventPhase::Ended);
    expectThreePages(2025);
}

TEST_F(ScrollerTest, SplitterSnapsEachPaneToItsMinimumOrCollapsesIt) {
    struct Case {
        const char* name;
        double height;    // of the split view
        double position;  // year pane before the release
        float direction;
        double expected;
        bool up, down;
    };
    const Case cases[] = {
        {"page 251 after a drag down reopens at 275", 700, 274, 1, 275, false, false},
        {"no room for the week pane: it collapses", 500, 274, 1, 500, false, true},
        {"page too small after a drag up: year pane collapses", 700, 200, -1, 23, true, false},
        {"week too small after a drag up: week gets 250", 700, 500, -1, 450, false, false},
        {"week too small, no room for the page: year collapses", 520, 300, -1, 23, true, false},
        {"week too small without direction: week collapses", 700, 500, 0, 700, false, true},
        {"both above their minimums: nothing moves", 700, 350, 1, 350, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.reset();
        build(c.height, c.position);
        split->setSplitterPositionAnimate(float(c.position), false);
        scroller->setLastSplitterDragDirection(c.direction);
        scroller->checkSplitterPosition();
        EXPECT_EQ(yearPane->frame().height(), c.expected);
        EXPECT_EQ(scroller->splitterIsUpFlag(), c.up);
        EXPECT_EQ(scroller->splitterIsDownFlag(), c.down);
    }
}

// The bar dragged by its left handle with the mouse: both panes follow it
// (the week pane neither covers the bar nor leaves a gap), and the snapping on
// release reads the heights the panes really have.
TEST_F(ScrollerTest, DraggingTheBarMovesBothPanesAndSnapsOnTheirRealHeights) {
    struct Case {
        const char* name;
        double down;  // how far the pointer moves down
        double year;  // the year pane's height afterwards
        bool weekCollapsed;
    };
    const Case cases[] = {
        {"down 50: the week pane gives way", 50, 450, false},
        {"up 100: the week pane follows", -100, 300, false},
        {"down 80: the week pane under 250 collapses", 80, 700, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.reset();
        build(700, 400);
        // The position is kept as soon as the drag ends, not at the next resize.
        const QString autosave = QStringLiteral("ScrollerTestYearWeek");
        WsSplitView::removePositionUsingName(autosave);
        ASSERT_TRUE(split->setPositionAutosaveName(autosave));
        const QPointF start = inWindow(10, 10);
        auto& app = kit::Application::shared();
        for (double step : {c.down / 2, c.down})
            app.postEvent(Event::mouseEvent(EventType::LeftMouseDragged, start - QPointF(0, step),
                                            0, 1, window.get()));
        app.postEvent(Event::mouseEvent(EventType::LeftMouseUp, start - QPointF(0, c.down), 0, 1,
                                        window.get()));
        window->sendEvent(Event::mouseEvent(EventType::LeftMouseDown, start, 0, 1, window.get()));
        settle();
        EXPECT_EQ(yearPane->frame(), QRectF(0, 0, 900, c.year));
        EXPECT_EQ(week->frame(), QRectF(0, c.year, 900, 700 - c.year));
        EXPECT_EQ(scroller->frame().height(), c.year);
        EXPECT_EQ(scroller->yearView(1)->frame().height(), c.year - 23);
        EXPECT_EQ(scroller->splitterIsDownFlag(), c.weekCollapsed);
        EXPECT_FALSE(scroller->splitterIsUpFlag());
        const QVariant saved = foundation::Defaults::standard().objectForKey(
            WsSplitView::wsDefaultsKeyForName(autosave));
        EXPECT_TRUE(saved.isValid());
        EXPECT_EQ(saved, QVariant(split->plistObjectWithSavedPosition()));
        split->setPositionAutosaveName(QString());
    }
}

// On a first start, with no frame change after the pages were built, the
// shown page follows the pointer; so does a page that becomes the shown one.
TEST_F(ScrollerTest, TheShownPageFollowsThePointerFromTheStart) {
    YearView* page = scroller->yearView(1);
    ASSERT_TRUE(page->viewArea());
    render(page);
    window->sendEvent(Event::mouseEvent(EventType::MouseMoved, dayCenterInWindow(page, 4, 7), 0, 0,
                                        window.get()));
    EXPECT_TRUE(page->cellForDayAndMonth(4, 7)->drawsCalendarWeek());
    scroller->moveViewsToYear(2025);
    settle();
    EXPECT_TRUE(scroller->yearView(1)->viewArea());
}

TEST_F(ScrollerTest, YearAndWeekButtonsFollowTheCollapsedPane) {
    // The handle's two images are the application's own, of the handle's size.
    for (const char* name : {"VerticalSplitButton", "VerticalSplitButton_disabled"}) {
        const QImage image = kit::Image::named(QString::fromLatin1(name));
        ASSERT_FALSE(image.isNull()) << name;
        EXPECT_EQ(kit::Image::sizeInPoints(image), QSizeF(43, 23)) << name;
    }
    // Dark grip lines on the usable handle, none on the disabled one.
    const auto darkPixels = [this] {
        const QImage shot = handle->renderToImage();
        int n = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                if (qAlpha(shot.pixel(x, y)) > 200 && qGray(shot.pixel(x, y)) < 150) ++n;
        return n;
    };
    scroller->updateRightSplitterHandle();
    EXPECT_GT(darkPixels(), 20);

    scroller->showYearView(nullptr);
    EXPECT_EQ(yearPane->frame().height(), 700);
    EXPECT_FALSE(scroller->weekViewVisible());
    EXPECT_FALSE(yearButton->isEnabled());
    EXPECT_TRUE(weekButton->isEnabled());
    EXPECT_EQ(handle->image(), kit::Image::named(QStringLiteral("VerticalSplitButton_disabled")));
    EXPECT_EQ(darkPixels(), 0);

    scroller->showWeekView(nullptr);
    EXPECT_EQ(yearPane->frame().height(), 23);
    EXPECT_FALSE(scroller->yearViewVisible());
    EXPECT_TRUE(yearButton->isEnabled());
    EXPECT_FALSE(weekButton->isEnabled());
    EXPECT_EQ(handle->image(), kit::Image::named(QStringLiteral("VerticalSplitButton")));

    scroller->ensureWeekViewVisibility();
    EXPECT_TRUE(scroller->splitterIsUpFlag());  // the week pane was already big enough
    EXPECT_TRUE(weekButton->isEnabled() == false);
}

TEST_F(ScrollerTest, DayRollOverIntoANewYearMovesThePages) {
    delegate->today = MyDate::dateWithDayMonthYear(16, 3, 2024);
    foundation::NotificationCenter::defaultCenter().post(AppDelegate::kCurrentDateChanged);
    expectThreePages(2024);
    // From the minute timer's thread the move runs on the main thread.
    delegate->today = MyDate::dateWithDayMonthYear(1, 1, 2025);
    std::atomic<bool> done{false};
    std::thread timer([&] {
        foundation::NotificationCenter::defaultCenter().post(AppDelegate::kCurrentDateChanged);
        done = true;
    });
    EXPECT_TRUE(testsupport::waitUntil([&] {
        QCoreApplication::processEvents();
        return done.load();
    }));
    timer.join();
    expectThreePages(2025);
}

TEST(YVPageIndicatorTest, OffsetFollowsTheDragWithinOneRing) {
    YVPageIndicator indicator(QRectF(0, 0, 300, 22));
    const std::pair<double, double> cases[] = {{2.5, -1}, {-3, 1}, {0.25, -0.25}, {0, 0}};
    for (auto [x, offset] : cases) {
        indicator.moveIndicatorTo(x);
        EXPECT_DOUBLE_EQ(indicator.currentOffset(), offset) << x;
    }
    indicator.centerIndicator();
    EXPECT_EQ(indicator.currentOffset(), 0);
}

TEST(YVPageIndicatorTest, AnimationCarriesTheDotOnOrBack) {
    YVPageIndicator indicator(QRectF(0, 0, 300, 22));
    YVPIAnimation animation;
    animation.setPageIndicator(&indicator);  // at 0: stays in the centre
    EXPECT_EQ(animation.width(), 0);
    animation.setCurrentProgress(1);
    EXPECT_EQ(indicator.currentOffset(), 0);

    indicator.moveIndicatorTo(-0.4);  // dot at 0.4
    animation.setPageIndicator(&indicator);
    animation.setAnimationReverts(true);
    animation.setCurrentProgress(0.5);
    EXPECT_NEAR(indicator.currentOffset(), 0.2, 1e-9);
    animation.setCurrentProgress(1);
    EXPECT_NEAR(indicator.currentOffset(), 0, 1e-9);

    indicator.moveIndicatorTo(0.3);  // dot at -0.3: on to the left ring
    animation.setPageIndicator(&indicator);
    animation.setCurrentProgress(1);
    EXPECT_EQ(indicator.currentOffset(), -1);
}

}  // namespace
