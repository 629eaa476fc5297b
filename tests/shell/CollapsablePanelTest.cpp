// The collapsible pane in a real window: collapsing, disclosing and changing the
// content's height keep the window's top edge and the views above the pane on
// screen and move the views below with the bottom edge; clicks on the header
// band, the delegate, the disclosure button during a change, and the drawing of
// the header and the pane.

#include "ShellTestViews.h"
#include "platform/kit/Animation.h"
#include "platform/kit/Button.h"
#include "platform/kit/Event.h"
#include "platform/kit/TextField.h"
#include "platform/kit/Window.h"
#include "shell/CollapsablePanel.h"
#include "shell/CollapsablePanelHead.h"
#include "support/TestSupport.h"

#include <QObject>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using kit::Animation;
using kit::Event;
using kit::EventType;
using shelltest::PaneView;
using shelltest::ranEventLoop;

namespace {

// Records what the pane looks like each time it reports a change.
class ToggleRecorder : public QObject {
    Q_OBJECT
public:
    struct Call {
        QObject* pane;
        bool collapsed;
        int buttonState;
    };
    std::vector<Call> calls;
    Q_INVOKABLE void collapsablePanelToggled(QObject* sender) {
        auto* pane = qobject_cast<CollapsablePanel*>(sender);
        calls.push_back(
            {sender, pane && pane->isCollapsed(),
             pane && pane->disclosureButton() ? pane->disclosureButton()->state() : 99});
    }
};

// A window of 300 by 300 points at (100, 100): a view below the pane (0 to 100),
// the pane (100 to 221, a 20-point header and 100 points of content) and a view
// above it (221 to 300). Its minimum height is 250.
class CollapsablePanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        Animation::setInstantForTesting(true);
        window.setMinSize(QSizeF(200, 250));
        window.contentView()->addSubview(below);
        window.contentView()->addSubview(pane);
        window.contentView()->addSubview(above);
        above->setAutoresizingMask(kit::View::MinYMargin | kit::View::WidthSizable);
        below->setAutoresizingMask(kit::View::MaxYMargin);
        window.makeKeyAndOrderFront();
    }
    void TearDown() override { Animation::setInstantForTesting(false); }

    // Where a view is on screen.
    QRectF onScreen(kit::View* view) const {
        return window.convertRectToScreen(view->convertRectToView(view->bounds(), nullptr));
    }
    // A mouse event at a point of the window.
    void mouse(EventType type, const QPointF& at, unsigned flags = 0) {
        window.sendEvent(Event::mouseEvent(type, at, flags, 1, &window));
    }

    kit::Window window{QRectF(100, 100, 300, 300)};
    PaneView* below = new PaneView(QRectF(0, 0, 300, 100), QColor(Qt::green));
    CollapsablePanel* pane =
        new CollapsablePanel(QRectF(0, 100, 300, 121), QStringLiteral("Dates"));
    PaneView* above = new PaneView(QRectF(0, 221, 300, 79), QColor(Qt::blue));
    const QPointF headerMiddle{150, 211};
};

}  // namespace

TEST_F(CollapsablePanelTest, CollapsingAndDisclosingKeepTheTopEdgeAndTheViewsAbove) {
    const QRectF aboveOnScreen = onScreen(above);
    const QRectF belowInWindow = below->frame();
    pane->setCollapsed(true);
    // 100 points of content and the line under them go.
    EXPECT_EQ(window.frame(), QRectF(100, 201, 300, 199));
    EXPECT_EQ(window.minSize(), QSizeF(200, 149));
    EXPECT_EQ(pane->frame(), QRectF(0, 100, 300, 20));
    EXPECT_EQ(onScreen(above), aboveOnScreen);
    EXPECT_EQ(below->frame(), belowInWindow) << "moves with the bottom edge";
    EXPECT_EQ(pane->header()->frame(), QRectF(0, 0, 300, 20));
    EXPECT_TRUE(pane->contentView()->isHidden());
    EXPECT_TRUE(pane->isCollapsed());
    EXPECT_TRUE(pane->header()->isCollapsed());
    EXPECT_EQ(pane->disclosureButton()->state(), kit::Button::Off);
    // The masks and the window's own resizing are as they were.
    EXPECT_EQ(above->autoresizingMask(), unsigned(kit::View::MinYMargin | kit::View::WidthSizable));
    EXPECT_EQ(below->autoresizingMask(), unsigned(kit::View::MaxYMargin));
    EXPECT_TRUE(window.contentView()->autoresizesSubviews());
    EXPECT_FALSE(pane->inAnimation());

    pane->setCollapsed(false);
    EXPECT_EQ(window.frame(), QRectF(100, 100, 300, 300));
    EXPECT_EQ(window.minSize(), QSizeF(200, 250));
    EXPECT_EQ(pane->frame(), QRectF(0, 100, 300, 121));
    EXPECT_EQ(pane->contentView()->frame(), QRectF(0, 1, 300, 100));
    EXPECT_EQ(onScreen(above), aboveOnScreen);
    EXPECT_EQ(above->frame(), QRectF(0, 221, 300, 79));
    EXPECT_FALSE(pane->contentView()->isHidden());
    EXPECT_EQ(pane->disclosureButton()->state(), kit::Button::On);
}

TEST_F(CollapsablePanelTest, AViewOverlappingThePaneByOnePointStillCountsAsAbove) {
    // The pane's top edge is at 221.
    auto* onePointDown = new PaneView(QRectF(0, 220, 50, 10));
    auto* twoPointsDown = new PaneView(QRectF(60, 219, 50, 10));
    window.contentView()->addSubview(onePointDown);
    window.contentView()->addSubview(twoPointsDown);
    const QRectF fixedOnScreen = onScreen(onePointDown);
    const QRectF movingOnScreen = onScreen(twoPointsDown);
    pane->setCollapsed(true);
    EXPECT_EQ(onScreen(onePointDown), fixedOnScreen);
    EXPECT_EQ(onScreen(twoPointsDown), movingOnScreen.translated(0, 101));
    EXPECT_EQ(twoPointsDown->frame(), QRectF(60, 219, 50, 10));
}

TEST_F(CollapsablePanelTest, AChangeThatStartsAtItsTargetHeightLeavesTheWindowAlone) {
    // A collapsed pane that grew with its window back to its disclosed height:
    // the disclosure starts where it ends, and nothing may be divided by that
    // zero change.
    pane->setAutoresizingMask(kit::View::HeightSizable);
    pane->setCollapsedState(true);
    window.setFrame(QRectF(100, 100, 300, 300));
    ASSERT_EQ(pane->frame(), QRectF(0, 100, 300, 121));
    pane->setCollapsed(false);
    EXPECT_EQ(window.frame(), QRectF(100, 100, 300, 300));
    EXPECT_EQ(above->frame(), QRectF(0, 221, 300, 79));
    EXPECT_EQ(pane->frame(), QRectF(0, 100, 300, 121));
    EXPECT_FALSE(pane->isCollapsed());
}

TEST_F(CollapsablePanelTest, ChangingTheContentHeightDisclosesFirstAndMovesTheWindowWithIt) {
    auto* field = new PaneView(QRectF(10, 70, 50, 20));
    pane->addToContentView(field);  // 10 points under the content's top
    pane->setCollapsedState(true);
    ToggleRecorder recorder;
    pane->setDelegate(&recorder);
    const QRectF aboveOnScreen = onScreen(above);

    pane->changeContentHeightBy(30);
    ASSERT_EQ(recorder.calls.size(), 1u) << "disclosed first";
    EXPECT_FALSE(pane->isCollapsed());
    EXPECT_EQ(pane->frame(), QRectF(0, 100, 300, 151));
    EXPECT_EQ(pane->contentView()->frame(), QRectF(0, 1, 300, 130));
    EXPECT_EQ(field->frame(), QRectF(10, 100, 50, 20)) << "keeps its distance to the top";
    EXPECT_EQ(window.frame(), QRectF(100, 70, 300, 330));
    EXPECT_EQ(window.minSize(), QSizeF(200, 280));
    EXPECT_EQ(onScreen(above), aboveOnScreen);

    pane->changeContentHeightBy(-30);
    EXPECT_EQ(pane->frame(), QRectF(0, 100, 300, 121));
    EXPECT_EQ(field->frame(), QRectF(10, 70, 50, 20));
    EXPECT_EQ(window.frame(), QRectF(100, 100, 300, 300));
    EXPECT_EQ(window.minSize(), QSizeF(200, 250));
    EXPECT_FALSE(pane->contentView()->autoresizesSubviews()) << "only during the change";

    // A change of 0 only discloses.
    pane->setCollapsedState(true);
    pane->changeContentHeightBy(0);
    EXPECT_FALSE(pane->isCollapsed());
    EXPECT_EQ(window.frame(), QRectF(100, 100, 300, 300));
    EXPECT_EQ(pane->contentView()->frame(), QRectF(0, 1, 300, 100));
    EXPECT_EQ(recorder.calls.size(), 3u);
}

TEST_F(CollapsablePanelTest, OnlyTheAnimatedChangesBlockInAnAnimation) {
    Animation::setInstantForTesting(false);
    EXPECT_FALSE(ranEventLoop([&] { pane->setCollapsedState(true); }));
    EXPECT_TRUE(pane->isCollapsed());
    EXPECT_TRUE(pane->usesAnimation()) << "left as it was";
    EXPECT_EQ(window.frame(), QRectF(100, 201, 300, 199));
    EXPECT_TRUE(ranEventLoop([&] { pane->setCollapsed(false); }));
    EXPECT_EQ(window.frame(), QRectF(100, 100, 300, 300));
    pane->setUsesAnimation(false);
    EXPECT_FALSE(ranEventLoop([&] { pane->setCollapsed(true); }));
    // A height change animates whatever the pane says; its disclosure does not.
    EXPECT_TRUE(ranEventLoop([&] { pane->changeContentHeightBy(10); }));
    EXPECT_EQ(window.frame(), QRectF(100, 90, 300, 310));
}

TEST_F(CollapsablePanelTest, ShiftHeldAsTheChangeBeginsStretchesIt) {
    struct Case {
        unsigned flags;
        double duration;
    };
    for (const Case& c : {Case{0, 0.15}, Case{kit::ModifierFlags::Shift, 1.2}}) {
        SCOPED_TRACE(c.flags);
        const bool was = pane->isCollapsed();
        // The header's middle wherever the last change left the pane.
        const QPointF header(150, pane->frame().y() + pane->frame().height() - 10);
        mouse(EventType::LeftMouseDown, header, c.flags);
        mouse(EventType::LeftMouseUp, header, c.flags);
        EXPECT_NE(pane->isCollapsed(), was);
        EXPECT_DOUBLE_EQ(pane->changeDuration(), c.duration);
    }
}

TEST_F(CollapsablePanelTest, AHeaderClickCountsOnlyWhenReleasedInsideTheBand) {
    const QPointF outside(150, 150);  // in the content area
    mouse(EventType::LeftMouseDown, headerMiddle);
    EXPECT_TRUE(pane->isHeaderPressed());
    EXPECT_TRUE(pane->header()->isHeaderPressed());
    mouse(EventType::LeftMouseDragged, outside);
    EXPECT_FALSE(pane->header()->isHeaderPressed());
    mouse(EventType::LeftMouseUp, outside);
    EXPECT_FALSE(pane->isCollapsed());
    EXPECT_EQ(window.frame(), QRectF(100, 100, 300, 300));

    // Dragged back in before the release, it counts; at the header's own edge too.
    mouse(EventType::LeftMouseDown, QPointF(298, 219.5));
    mouse(EventType::LeftMouseDragged, outside);
    mouse(EventType::LeftMouseDragged, headerMiddle);
    EXPECT_TRUE(pane->header()->isHeaderPressed());
    mouse(EventType::LeftMouseUp, headerMiddle);
    EXPECT_TRUE(pane->isCollapsed());
    EXPECT_FALSE(pane->isHeaderPressed());
    EXPECT_FALSE(pane->header()->isHeaderPressed());

    // A press in the content area is no header click.
    pane->setCollapsedState(false);
    mouse(EventType::LeftMouseDown, outside);
    mouse(EventType::LeftMouseUp, headerMiddle);
    EXPECT_FALSE(pane->isCollapsed());
}

TEST_F(CollapsablePanelTest, TheDelegateIsToldOncePerChangeWhileTheButtonShowsTheMixedState) {
    ToggleRecorder recorder;
    pane->setDelegate(&recorder);
    pane->setCollapsed(true);
    pane->setCollapsed(true);  // no change
    pane->disclosureTrianglePressed(nullptr);
    pane->setCollapsedState(false);  // no change
    ASSERT_EQ(recorder.calls.size(), 2u);
    EXPECT_EQ(recorder.calls[0].pane, pane);
    EXPECT_TRUE(recorder.calls[0].collapsed);
    EXPECT_EQ(recorder.calls[0].buttonState, kit::Button::Mixed);
    EXPECT_FALSE(recorder.calls[1].collapsed);
    EXPECT_EQ(recorder.calls[1].buttonState, kit::Button::Mixed);
    EXPECT_EQ(pane->disclosureButton()->state(), kit::Button::On);
}

TEST_F(CollapsablePanelTest, TheButtonAndTheLabelsFollowTheState) {
    auto* withData = new CollapsablePanel(QRectF(0, 0, 300, 60), QStringLiteral("Repeat"), true);
    EXPECT_EQ(withData->titleForCollapsedState(), QStringLiteral("Repeat"));
    EXPECT_EQ(withData->titleForDisclosedState(), QStringLiteral("Repeat"));
    EXPECT_EQ(withData->dataForCollapsedState(), QString());
    window.contentView()->addSubview(withData);
    withData->setTitleForCollapsedState(QStringLiteral("Repeat…"));
    withData->setDataForCollapsedState(QStringLiteral("every week"));
    EXPECT_EQ(withData->titleLabel()->stringValue(), QStringLiteral("Repeat")) << "disclosed";
    EXPECT_EQ(withData->dataLabel()->stringValue(), QString());
    withData->setCollapsedState(true);
    EXPECT_EQ(withData->titleLabel()->stringValue(), QStringLiteral("Repeat…"));
    EXPECT_EQ(withData->dataLabel()->stringValue(), QStringLiteral("every week"));
    withData->setDataForCollapsedState(QStringLiteral("every day"));
    EXPECT_EQ(withData->dataLabel()->stringValue(), QStringLiteral("every day"));

    // Clicking the triangle itself collapses and discloses too.
    pane->disclosureButton()->performClick();
    EXPECT_TRUE(pane->isCollapsed());
    EXPECT_EQ(pane->disclosureButton()->state(), kit::Button::Off);
    EXPECT_EQ(pane->titleLabel()->stringValue(), QStringLiteral("Dates"));
}

namespace {

int grey(const QImage& image, int x, int yFromBottom) {
    return testsupport::pixel(image, x, image.height() - 1 - yFromBottom).red();
}

}  // namespace

TEST(CollapsablePanelHead, DrawsAFlatBarWhileCollapsedAndTheGradientBarOtherwise) {
    struct Case {
        const char* what;
        bool collapsed, drawsWhileCollapsed, pressed, inAnimation;
        bool gradient;
        double pressedShade;  // 1, or 0.93 for the pressed look
    };
    const std::vector<Case> cases = {
        {"disclosed", false, false, false, false, true, 1.0},
        {"collapsed", true, false, false, false, false, 1.0},
        {"collapsed, drawing the bar", true, true, false, false, true, 1.0},
        {"disclosed and pressed", false, false, true, false, true, 0.93},
        {"collapsed and pressed", true, false, true, false, false, 0.93},
        {"pressed during a change", false, false, true, true, true, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CollapsablePanelHead head(QRectF(0, 0, 100, 20));
        head.setCollapsed(c.collapsed);
        head.setDrawsWhileCollapsed(c.drawsWhileCollapsed);
        head.setHeaderPressed(c.pressed);
        head.setInAnimation(c.inAnimation);
        const QImage image = head.renderToImage();
        const auto expect = [&](int y, double level) {
            EXPECT_NEAR(grey(image, 50, y), level * c.pressedShade * 255, 2.5) << "row " << y;
        };
        if (!c.gradient) {
            for (int y : {0, 10, 19}) expect(y, 0.91);
            continue;
        }
        expect(19, 0.659 * 0.97);  // the top line, washed
        expect(18, 0.925 * 0.97);
        expect(0, 0.612 * 0.97);  // the bottom line
        EXPECT_GT(grey(image, 50, 16), grey(image, 50, 3)) << "lighter at the top";
        EXPECT_NEAR(grey(image, 50, 10), (0.88 + 0.773) / 2 * 0.97 * c.pressedShade * 255, 4);
    }
}

TEST(CollapsablePanel, DrawsTheContentBackgroundAndTheBottomLine) {
    CollapsablePanel pane(QRectF(0, 0, 100, 60), QStringLiteral("Notes"));
    QImage image = pane.renderToImage();
    EXPECT_NEAR(grey(image, 50, 1), 156, 2) << "the bottom line";
    EXPECT_EQ(testsupport::pixel(image, 50, image.height() - 1 - 20).alpha(), 0)
        << "no content background unless asked";
    EXPECT_EQ(testsupport::pixel(image, 50, image.height() - 1).alpha(), 0)
        << "the lowest point stays clear";
    pane.setDrawsContentBackground(true);
    image = pane.renderToImage();
    EXPECT_NEAR(grey(image, 50, 20), 247, 2);
    EXPECT_NEAR(grey(image, 50, 1), 156, 2) << "the line over the background";
    pane.setContentBackgroundColor(QColor(200, 0, 0));
    EXPECT_TRUE(testsupport::colorNear(
        testsupport::pixel(pane.renderToImage(), 50, image.height() - 1 - 20), QColor(200, 0, 0)));
}

TEST(CollapsablePanel, ThreePanesInAWindowRender) {
    Animation::setInstantForTesting(true);
    kit::Window window(QRectF(200, 200, 320, 330));
    const char* titles[] = {"Date", "Repeat", "Notes"};
    double y = 330;
    std::vector<CollapsablePanel*> panes;
    for (const char* title : titles) {
        auto* pane =
            new CollapsablePanel(QRectF(0, y - 101, 320, 101), QString::fromUtf8(title), true, 170);
        pane->setDrawsContentBackground(true);
        pane->setDrawsTitlebarWhileCollapsed(false);
        auto* content = new PaneView(QRectF(20, 20, 200, 50), QColor(120, 160, 220));
        pane->addToContentView(content);
        window.contentView()->addSubview(pane);
        panes.push_back(pane);
        y -= 101;
    }
    window.orderFront();
    panes[1]->setDataForCollapsedState(QStringLiteral("every week"));
    panes[1]->setCollapsed(true);
    EXPECT_EQ(window.frame().height(), 330 - 81);
    EXPECT_EQ(panes[0]->frame(), QRectF(0, 148, 320, 101)) << "above: fixed on screen";
    EXPECT_EQ(panes[2]->frame(), QRectF(0, 27, 320, 101)) << "below: with the bottom edge";
    const QImage image = window.contentView()->renderToImage(2.0);
    testsupport::saveForInspection(image, "collapsible-panes");
    Animation::setInstantForTesting(false);
}

#include "CollapsablePanelTest.moc"
