// The view animation: frames on whole points, completed descriptions, reuse, fast
// finishing, and fades of views (through snapshots) and windows.

#include "ShellTestViews.h"
#include "platform/kit/Window.h"
#include "shell/LxViewAnimation.h"
#include "support/TestSupport.h"

#include <QObject>

#include <gtest/gtest.h>

using kit::Animation;
using shelltest::PaneView;
using Effect = LxViewAnimation::Effect;

namespace {

// A white parent of 100 by 60 points with a red child at (20, 10, 40, 30).
struct FadeScene {
    PaneView parent{QRectF(0, 0, 100, 60), QColor(Qt::white)};
    PaneView* child = new PaneView(QRectF(20, 10, 40, 30), QColor(Qt::red));
    FadeScene() { parent.addSubview(child); }
    // The colour in the middle of the child, as the parent renders it.
    QColor middle(const QString& saveAs = QString()) {
        const QImage image = parent.renderToImage();
        if (!saveAs.isEmpty()) testsupport::saveForInspection(image, saveAs);
        return testsupport::pixel(image, 40, 35);
    }
};

}  // namespace

TEST(LxViewAnimation, StartsWithItsOwnDefaultsAndReportsTheEndMark) {
    PaneView view(QRectF(0, 0, 10, 10));
    LxViewAnimation animation({{&view, std::nullopt, QRectF(40, 0, 10, 10), Effect::None}});
    EXPECT_EQ(animation.duration(), 0.5);
    EXPECT_EQ(animation.animationCurve(), Animation::Curve::EaseInOut);
    EXPECT_EQ(animation.animationBlockingMode(), Animation::BlockingMode::Nonblocking);
    EXPECT_TRUE(animation.continuouslyUpdatesFadingViews());
    EXPECT_TRUE(animation.ordersOutFadedWindows());
    std::vector<double> marks;
    animation.didReachProgressMark = [&](Animation&, double mark) { marks.push_back(mark); };
    animation.setAnimationBlockingMode(Animation::BlockingMode::Blocking);
    animation.setDuration(0.05);
    animation.startAnimation();
    EXPECT_EQ(marks, std::vector<double>{1.0});
    EXPECT_EQ(view.frame(), QRectF(40, 0, 10, 10));
}

TEST(LxViewAnimation, OriginsLandOnWholePointsWhileSizesKeepTheirFraction) {
    PaneView view(QRectF(0, 0, 0, 0));
    LxViewAnimation animation({{&view, QRectF(0, 0, 0, 0), QRectF(5, -5, 5, 3), Effect::None}});
    // Halves go away from zero, in both directions.
    EXPECT_EQ(animation.frameForViewAtProgress(&view, 0.5), QRectF(3, -3, 2.5, 1.5));
    const QRectF fifth = animation.frameForViewAtProgress(&view, 0.2);
    EXPECT_EQ(fifth.topLeft(), QPointF(1, -1));
    EXPECT_DOUBLE_EQ(fifth.width(), 1.0);
    EXPECT_DOUBLE_EQ(fifth.height(), 0.6);
    EXPECT_EQ(animation.frameForViewAtProgress(&view, 1.0), QRectF(5, -5, 5, 3));
    PaneView stranger(QRectF(1, 1, 1, 1));
    EXPECT_EQ(animation.frameForViewAtProgress(&stranger, 0.5), QRectF());
    EXPECT_EQ(animation.originalFrameForView(&stranger), QRectF());
    EXPECT_EQ(animation.destinationFrameForView(&stranger), QRectF());

    // A step puts the curved value through the same arithmetic.
    animation.valueForProgress = [](Animation&, double p) { return p; };
    animation.setCurrentProgress(0.5);
    EXPECT_EQ(view.frame(), QRectF(3, -3, 2.5, 1.5));
}

TEST(LxViewAnimation, CompletesTheDescriptionAndDropsEntriesWithoutATarget) {
    PaneView parent(QRectF(0, 0, 200, 100));
    auto* a = new PaneView(QRectF(10, 10, 20, 20));
    auto* b = new PaneView(QRectF(50, 10, 20, 20));
    parent.addSubview(a);
    parent.addSubview(b);
    QObject notAView;
    LxViewAnimation animation({
        {&notAView, std::nullopt, QRectF(0, 0, 1, 1), Effect::None},
        {a, std::nullopt, std::nullopt, Effect::None},  // stays where it is
        {nullptr, std::nullopt, QRectF(0, 0, 1, 1), Effect::None},
        {b, std::nullopt, std::nullopt, Effect::FadeOut},
        {a, QRectF(0, 0, 5, 5), QRectF(90, 90, 5, 5), Effect::None},  // second entry: ignored
    });
    const auto& entries = animation.viewAnimations();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].target, a);
    EXPECT_EQ(*entries[0].startFrame, QRectF(10, 10, 20, 20));
    EXPECT_EQ(*entries[0].endFrame, QRectF(10, 10, 20, 20));
    EXPECT_EQ(entries[1].target, b);
    EXPECT_EQ(animation.originalFrameForView(a), QRectF(10, 10, 20, 20));
    EXPECT_EQ(animation.destinationFrameForView(a), QRectF(10, 10, 20, 20));

    animation.setCurrentProgress(0.5);
    EXPECT_EQ(a->frame(), QRectF(10, 10, 20, 20));  // both entries of a use the first one
    // The fade of b is keyed by its new place in the description.
    EXPECT_EQ(animation.fadeViewForIndex(3), nullptr);
    ASSERT_NE(animation.fadeViewForIndex(1), nullptr);
    EXPECT_EQ(animation.fadeViewForIndex(1)->frame(), b->frame());
    EXPECT_TRUE(b->isHidden());
}

TEST(LxViewAnimation, FadesThroughSnapshotsLaidOverTheView) {
    for (bool continuous : {false, true}) {
        SCOPED_TRACE(continuous ? "continuous" : "one snapshot");
        FadeScene scene;
        LxViewAnimation animation({{scene.child, std::nullopt, std::nullopt, Effect::FadeOut}});
        animation.setContinuouslyUpdateFadingViews(continuous);

        // The first step lays the snapshot over the view, directly above it, and
        // hides the view; the snapshot shows what the view drew.
        animation.setCurrentProgress(0.25);
        EXPECT_TRUE(scene.child->isHidden());
        kit::View* overlay = animation.fadeViewForIndex(0);
        ASSERT_NE(overlay, nullptr);
        ASSERT_EQ(scene.parent.subviews().size(), 2u);
        EXPECT_EQ(scene.parent.subviews()[1], overlay);
        EXPECT_TRUE(testsupport::colorNear(scene.middle(), QColor(Qt::red)));

        // Later steps composite the snapshot at the step's opacity over what lies
        // below; a change of the view shows only with continuous updates.
        animation.setCurrentProgress(0.5);
        EXPECT_TRUE(testsupport::colorNear(
            scene.middle(continuous ? QString() : QStringLiteral("fade-out-half")),
            QColor(255, 128, 128)));
        scene.child->color = QColor(Qt::blue);
        animation.setCurrentProgress(0.75);
        EXPECT_TRUE(testsupport::colorNear(
            scene.middle(), continuous ? QColor(191, 191, 255) : QColor(255, 191, 191)));

        // The end takes the overlay away; a view faded out stays hidden.
        animation.setCurrentProgress(1.0);
        EXPECT_EQ(animation.fadeViewForIndex(0), nullptr);
        EXPECT_EQ(scene.parent.subviews().size(), 1u);
        EXPECT_TRUE(scene.child->isHidden());
        EXPECT_TRUE(testsupport::colorNear(scene.middle(), QColor(Qt::white)));
    }
}

TEST(LxViewAnimation, FadingInShowsNothingFirstThenTheViewRisingToFullOpacity) {
    FadeScene scene;
    scene.child->color = QColor(Qt::blue);
    scene.child->setHidden(true);
    LxViewAnimation animation({{scene.child, std::nullopt, std::nullopt, Effect::FadeIn}});
    animation.setCurrentProgress(0.1);
    EXPECT_TRUE(testsupport::colorNear(scene.middle(), QColor(Qt::white)));
    animation.setCurrentProgress(0.5);
    EXPECT_TRUE(testsupport::colorNear(scene.middle(QStringLiteral("fade-in-half")),
                                       QColor(128, 128, 255)));
    animation.setCurrentProgress(1.0);
    EXPECT_FALSE(scene.child->isHidden());
    EXPECT_EQ(scene.parent.subviews().size(), 1u);
    EXPECT_TRUE(testsupport::colorNear(scene.middle(), QColor(Qt::blue)));
}

TEST(LxViewAnimation, AFadeWhoseOnlyStepIsTheEndLeavesNoOverlayBehind) {
    // An instant run (or a fast finish before the first frame) steps once, at the
    // end: views still end shown or hidden, with nothing laid over them.
    Animation::setInstantForTesting(true);
    FadeScene scene;
    auto* hiddenOne = new PaneView(QRectF(70, 10, 20, 20), QColor(Qt::green));
    hiddenOne->setHidden(true);
    scene.parent.addSubview(hiddenOne);
    LxViewAnimation animation({{scene.child, std::nullopt, std::nullopt, Effect::FadeOut},
                               {hiddenOne, std::nullopt, std::nullopt, Effect::FadeIn}});
    animation.startAnimation();
    Animation::setInstantForTesting(false);
    EXPECT_TRUE(scene.child->isHidden());
    EXPECT_FALSE(hiddenOne->isHidden());
    EXPECT_EQ(scene.parent.subviews().size(), 2u);
}

TEST(LxViewAnimation, FastFinishJumpsARunningAnimationToItsEndAndLeavesAStoppedOneAlone) {
    FadeScene scene;
    auto* mover = new PaneView(QRectF(0, 0, 10, 10));
    scene.parent.addSubview(mover);
    LxViewAnimation animation({{mover, std::nullopt, QRectF(80, 40, 20, 20), Effect::None},
                               {scene.child, std::nullopt, std::nullopt, Effect::FadeOut}});
    animation.setDuration(30);  // far longer than the test

    animation.fastFinishAnimation();  // not running: nothing at all
    EXPECT_EQ(mover->frame(), QRectF(0, 0, 10, 10));
    EXPECT_FALSE(scene.child->isHidden());
    EXPECT_EQ(animation.currentProgress(), 0.0);

    animation.startAnimation();  // non-blocking: returns at once
    ASSERT_TRUE(animation.isAnimating());
    // Let a few frames lay the snapshot over the child.
    testsupport::waitUntil([&] { return animation.fadeViewForIndex(1) != nullptr; }, 2.0);
    animation.fastFinishAnimation();
    EXPECT_FALSE(animation.isAnimating());
    EXPECT_EQ(animation.currentProgress(), 1.0);
    EXPECT_EQ(mover->frame(), QRectF(80, 40, 20, 20));
    EXPECT_TRUE(scene.child->isHidden());
    EXPECT_EQ(animation.fadeViewForIndex(1), nullptr);
    EXPECT_EQ(scene.parent.subviews().size(), 2u);
}

TEST(LxViewAnimation, WindowsFadeOutOfSightUnlessTheyAreToStay) {
    for (bool ordersOut : {true, false}) {
        SCOPED_TRACE(ordersOut ? "ordered out" : "kept on screen");
        kit::Window window(QRectF(100, 100, 80, 60));
        window.orderFront();
        LxViewAnimation animation(
            {{&window, std::nullopt, QRectF(150, 120, 80, 60), Effect::FadeOut}});
        animation.setOrdersOutFadedWindows(ordersOut);
        animation.setDuration(30);
        animation.startAnimation();
        animation.setCurrentProgress(0.25);
        EXPECT_DOUBLE_EQ(window.alphaValue(), 0.75);
        animation.fastFinishAnimation();
        EXPECT_EQ(window.frame(), QRectF(150, 120, 80, 60));
        EXPECT_EQ(window.alphaValue(), 0.0);
        EXPECT_EQ(window.isVisible(), !ordersOut);
    }
}

TEST(LxViewAnimation, AWindowFadingInComesOnScreenTransparentAndEndsOpaque) {
    kit::Window window(QRectF(100, 100, 80, 60));
    ASSERT_FALSE(window.isVisible());
    LxViewAnimation animation({{&window, std::nullopt, std::nullopt, Effect::FadeIn}});
    animation.setCurrentProgress(0.3);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.alphaValue(), 0.0);
    animation.setCurrentProgress(0.6);
    EXPECT_DOUBLE_EQ(window.alphaValue(), 0.6);
    animation.setCurrentProgress(1.0);
    EXPECT_EQ(window.alphaValue(), 1.0);
}

TEST(LxViewAnimation, AHeldAnimationReusedForANewDescriptionMovesOnlyTheNewTargets) {
    PaneView parent(QRectF(0, 0, 300, 100));
    auto* first = new PaneView(QRectF(0, 0, 10, 10));
    auto* second = new PaneView(QRectF(0, 50, 10, 10));
    parent.addSubview(first);
    parent.addSubview(second);
    LxViewAnimation animation({{first, std::nullopt, QRectF(100, 0, 10, 10), Effect::None}});
    animation.setAnimationBlockingMode(Animation::BlockingMode::Blocking);
    animation.setDuration(0.05);
    animation.startAnimation();
    ASSERT_EQ(first->frame(), QRectF(100, 0, 10, 10));

    first->setFrame(QRectF(7, 7, 10, 10));  // moved by someone else since
    if (animation.isAnimating()) animation.stopAnimation();
    animation.resetViewAnimations({{second, std::nullopt, QRectF(200, 50, 10, 10), Effect::None}});
    ASSERT_EQ(animation.viewAnimations().size(), 1u);
    animation.setDuration(0.05);
    animation.startAnimation();
    EXPECT_EQ(second->frame(), QRectF(200, 50, 10, 10));
    EXPECT_EQ(first->frame(), QRectF(7, 7, 10, 10));
}

TEST(LxViewAnimation, ResettingAfterAStoppedFadeTakesTheOverlayAway) {
    FadeScene scene;
    LxViewAnimation animation({{scene.child, std::nullopt, std::nullopt, Effect::FadeIn}});
    scene.child->setHidden(true);
    animation.setCurrentProgress(0.4);
    ASSERT_NE(animation.fadeViewForIndex(0), nullptr);
    animation.resetViewAnimations({});
    EXPECT_EQ(scene.parent.subviews().size(), 1u);
    EXPECT_FALSE(scene.child->isHidden());  // left as its fade would have ended
}
