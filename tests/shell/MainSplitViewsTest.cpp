// The main window's two split views: the source list's limits and kept width,
// the year area's kept height, the exchange of the week view, live resizes passed
// on, and positions saved and restored under the window's autosave names.

#include "ShellTestViews.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Application.h"
#include "platform/kit/Event.h"
#include "platform/kit/Window.h"
#include "shell/MainSourceSplitView.h"
#include "shell/MainSplitView.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>

#include <gtest/gtest.h>

using foundation::Defaults;
using kit::Event;
using kit::EventType;
using shelltest::PaneView;

namespace {

// The main window's arrangement: the source list beside the year and week area,
// which holds the year area above the week view.
struct MainWindowScene {
    kit::Window window;
    MainSourceSplitView* source;
    PaneView* sourceList;
    MainSplitView* yearWeek;
    PaneView* yearArea;
    PaneView* weekView;

    MainWindowScene(double width, double height, double listWidth = 200, double yearHeight = 300)
        : window(QRectF(100, 100, width, height)) {
        source = new MainSourceSplitView(QRectF(0, 0, width, height));
        window.setContentView(source);
        sourceList = new PaneView(QRectF(0, 0, listWidth, height), QColor(Qt::white));
        const double rightWidth = width - listWidth - 1;
        yearWeek = new MainSplitView(QRectF(listWidth + 1, 0, rightWidth, height));
        source->addSubview(sourceList);
        source->addSubview(yearWeek);
        yearArea = new PaneView(QRectF(0, 0, rightWidth, yearHeight), QColor(Qt::white));
        weekView =
            new PaneView(QRectF(0, yearHeight, rightWidth, height - yearHeight), QColor(Qt::white));
        yearWeek->addSubview(yearArea);
        yearWeek->addSubview(weekView);
        source->awakeFromNib();
        yearWeek->awakeFromNib();
        window.makeKeyAndOrderFront();
    }
    // The main window controller's part: the autosave names restore the positions.
    void useAutosaveNames() {
        source->setPositionAutosaveName(QStringLiteral("MainWindowMainSplitter"));
        yearWeek->setPositionAutosaveName(QStringLiteral("YearWeekSplitter"));
    }
    void dragSourceDivider(double from, double to) {
        auto at = [&](double x) { return source->convertPointToView(QPointF(x, 10), nullptr); };
        kit::Application::shared().postEvent(
            Event::mouseEvent(EventType::LeftMouseDragged, at(to), 0, 1, &window));
        kit::Application::shared().postEvent(
            Event::mouseEvent(EventType::LeftMouseUp, at(to), 0, 1, &window));
        window.sendEvent(Event::mouseEvent(EventType::LeftMouseDown, at(from), 0, 1, &window));
    }
    double listWidth() const { return sourceList->frame().width(); }
};

class MainSplitViewsTest : public ::testing::Test {
protected:
    void SetUp() override { Defaults::resetStandard(dir.file(QStringLiteral("Defaults.plist"))); }
    void TearDown() override { Defaults::resetStandard(); }
    testsupport::TempDir dir;
};

}  // namespace

TEST_F(MainSplitViewsTest, AtWakeUpEachIsItsOwnDelegateAndHoldsItsPanes) {
    MainWindowScene scene(800, 600);
    EXPECT_TRUE(scene.source->isVertical());
    EXPECT_FALSE(scene.yearWeek->isVertical());
    EXPECT_EQ(scene.source->delegate(), static_cast<WsSplitViewDelegate*>(scene.source));
    EXPECT_EQ(scene.yearWeek->delegate(), static_cast<WsSplitViewDelegate*>(scene.yearWeek));
    EXPECT_EQ(scene.source->leftSubview(), scene.sourceList);
    EXPECT_EQ(scene.source->rightSubview(), scene.yearWeek);
    EXPECT_EQ(scene.yearWeek->upperSubview(), scene.yearArea);
    EXPECT_EQ(scene.yearWeek->lowerSubview(), scene.weekView);
    EXPECT_EQ(scene.source->dividerRects(), std::vector<QRectF>{QRectF(200, 0, 1, 600)});
}

TEST_F(MainSplitViewsTest, TheSourceListIsDraggedBetween155AndTheRightPanes250) {
    struct Case {
        double width;  // of the window
        double to;     // where the mouse goes from the divider
        double listWidth;
    };
    const std::vector<Case> cases = {
        {800, 300.5, 300},
        {800, 40.5, 155},
        {800, 600.5, 549},
        // Narrower than 155 + 250 + 1: the limits cross and the whole width is open.
        {400, -20.5, 0},
        {400, 300.5, 300},
        {400, 450.5, 399},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("width %1 to %2").arg(c.width).arg(c.to).toStdString());
        MainWindowScene scene(c.width, 500, 200);
        scene.dragSourceDivider(200.5, c.to);
        EXPECT_EQ(scene.listWidth(), c.listWidth);
        EXPECT_EQ(scene.source->dividerRects()[0].x(), c.listWidth);
        // Never collapsed: the panes stay on either side of the divider.
        EXPECT_FALSE(scene.source->isSubviewCollapsed(scene.sourceList));
        EXPECT_FALSE(scene.source->isSubviewCollapsed(scene.yearWeek));
        EXPECT_EQ(scene.yearWeek->frame(),
                  QRectF(c.listWidth + 1, 0, c.width - c.listWidth - 1, 500));
    }
}

TEST_F(MainSplitViewsTest, AGrowingWindowWidensTheRightPaneAndHeightensTheWeekView) {
    MainWindowScene scene(800, 600, 200, 300);
    scene.window.setContentSize(QSizeF(900, 700));
    EXPECT_EQ(scene.sourceList->frame(), QRectF(0, 0, 200, 700));
    EXPECT_EQ(scene.yearWeek->frame(), QRectF(201, 0, 699, 700));
    EXPECT_EQ(scene.yearArea->frame(), QRectF(0, 0, 699, 300));
    EXPECT_EQ(scene.weekView->frame(), QRectF(0, 300, 699, 400));
    scene.window.setContentSize(QSizeF(700, 500));
    EXPECT_EQ(scene.sourceList->frame(), QRectF(0, 0, 200, 500));
    EXPECT_EQ(scene.yearArea->frame(), QRectF(0, 0, 499, 300));
    EXPECT_EQ(scene.weekView->frame(), QRectF(0, 300, 499, 200));
}

TEST_F(MainSplitViewsTest, TheYearAndWeekDividerCannotBeHitAndTheSplitterMovesOnlyByCall) {
    MainWindowScene scene(800, 600, 200, 300);
    EXPECT_EQ(scene.yearWeek->wsGetDividerAtMajCoord(300.0f), WsSplitView::notFound);
    const QPointF onBoundary = scene.yearWeek->convertPointToView(QPointF(100, 300), nullptr);
    scene.yearWeek->mouseDown(
        Event::mouseEvent(EventType::LeftMouseDown, onBoundary, 0, 1, &scene.window));
    EXPECT_FALSE(kit::Application::shared().isTracking());
    EXPECT_EQ(scene.yearArea->frame(), QRectF(0, 0, 599, 300));

    scene.yearWeek->setSplitterPositionAnimate(420, false);
    EXPECT_EQ(scene.yearArea->frame(), QRectF(0, 0, 599, 420));
    EXPECT_EQ(scene.weekView->frame(), QRectF(0, 420, 599, 180));
}

TEST_F(MainSplitViewsTest, AnExchangedWeekViewBecomesTheLowerPaneWithItsOwnFrame) {
    MainWindowScene scene(800, 600, 200, 400);
    QPointer<PaneView> old = scene.weekView;
    auto* replacement = new PaneView(QRectF(0, 400, 599, 249));  // heightened to 249
    scene.yearWeek->exchangeWeekSubviewTo(replacement);
    ASSERT_EQ(scene.yearWeek->subviews().size(), 2u);
    EXPECT_EQ(scene.yearWeek->subviews()[0], scene.yearArea);
    EXPECT_EQ(scene.yearWeek->subviews()[1], replacement);
    EXPECT_EQ(scene.yearWeek->lowerSubview(), replacement);
    EXPECT_EQ(replacement->frame(), QRectF(0, 400, 599, 249));  // until the next layout
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(old.isNull());

    // Live resizes reach both panes, the new week view included.
    scene.yearWeek->viewWillStartLiveResize();
    scene.yearWeek->viewDidEndLiveResize();
    EXPECT_EQ(scene.yearArea->calls, QStringList({"will", "did"}));
    EXPECT_EQ(replacement->calls, QStringList({"will", "did"}));

    scene.window.setContentSize(QSizeF(800, 650));
    EXPECT_EQ(replacement->frame(), QRectF(0, 400, 599, 250));
}

TEST_F(MainSplitViewsTest, SavedPositionsThatFitTheWindowComeBackUnchanged) {
    {
        MainWindowScene scene(800, 600);
        scene.useAutosaveNames();
        scene.dragSourceDivider(200.5, 260.5);
        scene.yearWeek->setSplitterPositionAnimate(350, false);
        scene.window.setContentSize(QSizeF(820, 640));  // a layout saves both
        ASSERT_EQ(scene.listWidth(), 260);
        ASSERT_EQ(scene.yearArea->frame().height(), 350);
    }
    const Defaults& defaults = Defaults::standard();
    EXPECT_TRUE(defaults.objectForKey(QStringLiteral("MySplitView Position MainWindowMainSplitter"))
                    .isValid());
    EXPECT_TRUE(
        defaults.objectForKey(QStringLiteral("MySplitView Position YearWeekSplitter")).isValid());

    MainWindowScene scene(820, 640);  // made with its interface-file sizes
    scene.useAutosaveNames();
    EXPECT_EQ(scene.sourceList->frame(), QRectF(0, 0, 260, 640));
    EXPECT_EQ(scene.yearWeek->frame(), QRectF(261, 0, 559, 640));
    EXPECT_EQ(scene.yearArea->frame(), QRectF(0, 0, 559, 350));
    EXPECT_EQ(scene.weekView->frame(), QRectF(0, 350, 559, 290));
}

TEST_F(MainSplitViewsTest, TheSourceDividerIsALightGreyLine) {
    MainWindowScene scene(400, 100, 150, 50);
    const QImage image = scene.source->renderToImage();
    EXPECT_TRUE(testsupport::colorNear(testsupport::pixel(image, 150, 50), QColor(170, 170, 170)));
    EXPECT_TRUE(testsupport::colorNear(testsupport::pixel(image, 149, 50), QColor(Qt::white)));
    EXPECT_TRUE(testsupport::colorNear(testsupport::pixel(image, 151, 50), QColor(Qt::white)));
}
