// The main window with its real year area: the week view exchanged through the
// year scroller, the year/week split view and the controller; the bar's year
// and week buttons; the toolbar's year and week items after a change of panes;
// the Edit and Information key equivalents after their menu was opened with
// nothing selected; and the services each part sets for itself.

#include "YearViewPageWorld.h"
#include "platform/kit/Animation.h"
#include "platform/kit/Menu.h"
#include "platform/kit/MenuItem.h"
#include "platform/kit/Toolbar.h"
#include "platform/kit/ToolbarItem.h"
#include "shell/MainSplitView.h"
#include "shell/MainWindowCtrl.h"
#include "yearview/YearViewScroller.h"

#include <QTest>
#include <QToolButton>

namespace {

using namespace yvpage;

// A week view of another display mode; counts the redraws it is asked for.
class ReplacementWeekView : public kit::View {
    Q_OBJECT
public:
    using kit::View::View;
    int redraws = 0;
    Q_INVOKABLE void forcedRedraw() { ++redraws; }
};

class MainWindowYearAreaTest : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        kit::Animation::setInstantForTesting(true);
        // A controller left by an earlier test would take the pages' focus.
        MainWindowCtrl::resetSharedWinController();
        YearViewScroller::changeServices([](YearViewScroller::Services& s) {
            s.startPopulatingView = [](YearView*) {};
            s.populateView = [](YearView* page) { page->model()->threadedUpdateViewOffscreen(); };
        });
        MainWindowCtrl::changeServices([](MainWindowCtrl::Services& s) {
            s.makeYearScroller = [](const QRectF& frame) -> kit::View* {
                return new YearViewScroller(frame);
            };
        });
        controller = std::make_unique<MainWindowCtrl>();
        controller->window();
        controller->applicationFinishedLaunching();
        kit::Window* w = controller->window();
        w->makeKeyAndOrderFront();
        w->widget()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w->widget()));
        scroller = qobject_cast<YearViewScroller*>(controller->calYearScroller());
        ASSERT_TRUE(scroller);
        split = controller->yearWeekSplitView();
    }
    void TearDown() override {
        controller.reset();
        MainWindowCtrl::changeServices([](auto& installed) { installed = {}; });
        YearViewScroller::changeServices([](auto& installed) { installed = {}; });
        kit::Animation::setInstantForTesting(false);
        PageTest::TearDown();
    }

    QWidget* windowWidget() const { return controller->window()->widget(); }

    std::unique_ptr<MainWindowCtrl> controller;
    YearViewScroller* scroller = nullptr;
    MainSplitView* split = nullptr;
};

// The week view of a new display mode takes the old one's place in the split
// view (so in the window) and with the controller, and redraws at once.
TEST_F(MainWindowYearAreaTest, TheWeekViewIsExchangedThroughTheScrollerAndTheSplitView) {
    QPointer<kit::View> old = controller->currentWeekView();
    ASSERT_TRUE(old);
    auto* replacement = new ReplacementWeekView(old->frame());
    scroller->exchangeWeekSubviewTo(replacement);
    ASSERT_EQ(split->subviews().size(), 2u);
    EXPECT_EQ(split->subviews()[1], replacement);
    EXPECT_EQ(split->lowerSubview(), replacement);
    EXPECT_EQ(replacement->window(), controller->window());
    EXPECT_EQ(replacement->frame(), old->frame());
    EXPECT_EQ(controller->currentWeekView(), replacement);
    EXPECT_EQ(scroller->currentWeekView(), replacement);
    EXPECT_EQ(replacement->redraws, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(old);  // the old week view is released
}

// Clicked with the mouse, the bar's buttons show the year only or the week
// only, as the View menu's items do.
TEST_F(MainWindowYearAreaTest, TheBarButtonsShowTheYearOrTheWeekOnly) {
    const double height = split->frame().height();
    QTest::mouseClick(controller->yearButton()->hostedWidget(), Qt::LeftButton);
    settle();
    EXPECT_FALSE(scroller->weekViewVisible());
    EXPECT_EQ(split->upperSubview()->frame().height(), height);
    EXPECT_FALSE(controller->yearButton()->isEnabled());

    QTest::mouseClick(controller->weekButton()->hostedWidget(), Qt::LeftButton);
    settle();
    EXPECT_FALSE(scroller->yearViewVisible());
    EXPECT_TRUE(scroller->weekViewVisible());
    EXPECT_EQ(split->upperSubview()->frame().height(), YearViewScroller::kBarHeight);
    EXPECT_FALSE(controller->weekButton()->isEnabled());
}

// The toolbar is validated when the click is handled, while the panes still
// move; once they have moved, its year and week items follow the new panes.
TEST_F(MainWindowYearAreaTest, TheToolbarFollowsThePanesOnceTheyHaveMoved) {
    kit::Animation::setInstantForTesting(false);  // the panes move for real
    kit::Toolbar* toolbar = controller->window()->toolbar();
    ASSERT_TRUE(toolbar);
    auto* weekButton = toolbar->widget()->findChild<QToolButton*>(QStringLiteral("TBWeek"));
    ASSERT_TRUE(weekButton);
    QTest::mouseClick(weekButton, Qt::LeftButton);
    settle();
    ASSERT_FALSE(scroller->yearViewVisible());
    EXPECT_FALSE(toolbar->itemWithIdentifier(QStringLiteral("TBWeek"))->isEnabled());
    EXPECT_TRUE(toolbar->itemWithIdentifier(QStringLiteral("TBYear"))->isEnabled());
}

// Edit and Information work by their keys after their menu was last opened
// with nothing selected.
TEST_F(MainWindowYearAreaTest, KeyEquivalentsAreValidatedWhenTheKeyIsPressed) {
    kit::MenuItem* edit = controller->menuItemWithTag(MainWindowCtrl::kTagEdit);
    ASSERT_TRUE(edit && edit->menu());
    edit->menu()->popup(QPoint(0, 0));
    settle();
    edit->menu()->hide();
    settle();
    EXPECT_FALSE(edit->isEnabled());

    YearView* page = scroller->yearView(1);
    page->setHighlightStatusForDayMonthHighlight(4, 5, 1);
    ASSERT_TRUE(controller->hasFocus());
    QTest::keyClick(windowWidget(), Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(log->count("dayPopupShow"), 1);
    QTest::keyClick(windowWidget(), Qt::Key_E, Qt::ControlModifier);
    settle();
    EXPECT_FALSE(scroller->yearViewVisible());  // Edit on a day shows its week

    // With nothing selected the keys do nothing.
    YearViewCell::deselectAll();
    controller->setCurrentGlobalObjectWithController(QVariant(), nullptr);
    QTest::keyClick(windowWidget(), Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(log->count("dayPopupShow"), 1);
}

// Each part sets its own entries of a services table; what the others set
// stays.
TEST_F(MainWindowYearAreaTest, EachPartSetsItsOwnServicesAndKeepsTheOthers) {
    YearView::connectLoaderJobs();
    YearView::changeServices(
        [](YearView::Services& s) { s.dayPopupWindowOpen = [] { return true; }; });
    EXPECT_TRUE(YearView::services().startMarkingDays);
    EXPECT_TRUE(YearView::services().dayPopupWindowOpen);

    YearViewScroller::changeServices(
        [](YearViewScroller::Services& s) { s.eventHoverCloseWindow = [](QObject*) {}; });
    EXPECT_TRUE(YearViewScroller::services().populateView);
    EXPECT_TRUE(YearViewScroller::services().eventHoverCloseWindow);

    MainWindowCtrl::changeServices([](MainWindowCtrl::Services& s) { s.showFindPanel = [] {}; });
    EXPECT_TRUE(MainWindowCtrl::services().makeYearScroller);
    EXPECT_TRUE(MainWindowCtrl::services().showFindPanel);

    int about = 0, help = 0;
    delegate->changeServices([&](AppDelegate::Services& s) { s.showAbout = [&] { ++about; }; });
    delegate->changeServices([&](AppDelegate::Services& s) { s.showHelp = [&] { ++help; }; });
    delegate->menuAbout(nullptr);
    delegate->menuHelp(nullptr);
    EXPECT_EQ(about, 1);
    EXPECT_EQ(help, 1);
}

}  // namespace

#include "MainWindowYearAreaTest.moc"
