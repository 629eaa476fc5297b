// Animations: blocking and non-blocking runs, curves, progress marks, the test
// switch, and view and window animations of frames and fades.

#include "KitTestViews.h"
#include "platform/kit/Animation.h"
#include "platform/kit/ScreenUpdates.h"
#include "platform/kit/ViewAnimation.h"
#include "platform/kit/Window.h"
#include "support/TestSupport.h"

#include <QTimer>

#include <gtest/gtest.h>

using namespace kit;
using kittest::DrawingView;

TEST(Animation, BlockingViewAnimationMovesTheFrameAndReturnsWhenDoneWhileTimersFire) {
    Window window(QRectF(100, 100, 300, 200));
    auto* v = new DrawingView(QRectF(0, 0, 50, 50), false);
    window.contentView()->addSubview(v);
    window.orderFront();
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(5);

    ViewAnimation anim({{v, std::nullopt, QRectF(200, 100, 80, 60), ViewAnimation::Effect::None}});
    anim.setDuration(0.2);
    anim.setAnimationCurve(Animation::Curve::Linear);
    anim.setAnimationBlockingMode(Animation::BlockingMode::Blocking);
    std::vector<double> seen;
    std::vector<QRectF> frames;
    anim.progressHook = [&](Animation&, double p) {
        seen.push_back(p);
        frames.push_back(v->frame());
    };
    anim.startAnimation();
    ticker.stop();

    EXPECT_FALSE(anim.isAnimating());
    EXPECT_EQ(anim.currentProgress(), 1.0);
    EXPECT_EQ(v->frame(), QRectF(200, 100, 80, 60));
    EXPECT_GT(ticks, 0);  // the rest of the application went on meanwhile
    ASSERT_GE(seen.size(), 2u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.back(), 1.0);
    // Steps in between put the view on the line from start to end.
    const QRectF mid = frames[frames.size() / 2];
    const double p = seen[seen.size() / 2];
    if (p < 1.0) {
        EXPECT_NEAR(mid.x(), 200 * p, 1e-6);
        EXPECT_NEAR(mid.width(), 50 + 30 * p, 1e-6);
    }
}

TEST(Animation, NonBlockingAnimationReturnsAtOnceAndEndsOnTheEventLoop) {
    Animation anim(0.05, Animation::Curve::EaseIn);
    anim.setAnimationBlockingMode(Animation::BlockingMode::Nonblocking);
    bool ended = false;
    anim.didEnd = [&](Animation&) { ended = true; };
    anim.startAnimation();
    EXPECT_TRUE(anim.isAnimating());
    EXPECT_FALSE(ended);
    EXPECT_TRUE(testsupport::waitUntil([&] { return ended; }));
    EXPECT_EQ(anim.currentValue(), 1.0);
}

TEST(Animation, CurvesRunFromZeroToOneAndShapeTheMiddle) {
    using C = Animation::Curve;
    for (C c : {C::Linear, C::EaseIn, C::EaseOut, C::EaseInOut}) {
        EXPECT_EQ(Animation::curveValue(c, 0.0), 0.0);
        EXPECT_EQ(Animation::curveValue(c, 1.0), 1.0);
    }
    EXPECT_EQ(Animation::curveValue(C::Linear, 0.3), 0.3);
    EXPECT_LT(Animation::curveValue(C::EaseIn, 0.3), 0.3);
    EXPECT_GT(Animation::curveValue(C::EaseOut, 0.3), 0.3);
    EXPECT_LT(Animation::curveValue(C::EaseInOut, 0.1), 0.1);  // slow start
    EXPECT_GT(Animation::curveValue(C::EaseInOut, 0.9), 0.9);  // slow end
    EXPECT_NEAR(Animation::curveValue(C::EaseInOut, 0.5), 0.5, 1e-12);
}

TEST(Animation, ProgressMarksAreReportedOnceEachInOrder) {
    Animation anim(0.05, Animation::Curve::Linear);
    anim.setProgressMarks({1.0, 0.25, 0.5});
    std::vector<double> reached;
    anim.didReachProgressMark = [&](Animation&, double m) { reached.push_back(m); };
    anim.startAnimation();
    EXPECT_EQ(reached, (std::vector<double>{0.25, 0.5, 1.0}));
    // Setting the progress by hand reports the marks passed.
    reached.clear();
    anim.setCurrentProgress(0.0);
    anim.setCurrentProgress(0.6);
    EXPECT_EQ(reached, (std::vector<double>{0.25, 0.5}));
}

TEST(Animation, StoppingFromAMarkEndsABlockingRunHalfWay) {
    Animation anim(5.0, Animation::Curve::Linear);  // would take long; stopped early
    anim.addProgressMark(0.01);
    bool stopped = false, ended = false;
    anim.didReachProgressMark = [&](Animation& a, double) { a.stopAnimation(); };
    anim.didStop = [&](Animation&) { stopped = true; };
    anim.didEnd = [&](Animation&) { ended = true; };
    anim.startAnimation();
    EXPECT_TRUE(stopped);
    EXPECT_FALSE(ended);
    EXPECT_LT(anim.currentProgress(), 1.0);
    // A new start continues from there; one after the end starts again from 0.
    const double from = anim.currentProgress();
    std::vector<double> seen;
    anim.progressHook = [&](Animation&, double p) { seen.push_back(p); };
    anim.didReachProgressMark = nullptr;
    anim.setDuration(0.03);
    anim.startAnimation();
    ASSERT_FALSE(seen.empty());
    EXPECT_GE(seen.front(), from);
    seen.clear();
    anim.startAnimation();
    ASSERT_FALSE(seen.empty());
    EXPECT_LT(seen.front(), 0.9);
}

TEST(Animation, TheTestSwitchFinishesEveryAnimationAtOnce) {
    Animation::setInstantForTesting(true);
    DrawingView v(QRectF(0, 0, 10, 10), false);
    ViewAnimation anim({{&v, std::nullopt, QRectF(90, 90, 10, 10), ViewAnimation::Effect::None}});
    anim.setDuration(60);
    std::vector<double> seen;
    anim.progressHook = [&](Animation&, double p) { seen.push_back(p); };
    anim.startAnimation();
    Animation::setInstantForTesting(false);
    EXPECT_EQ(seen, (std::vector<double>{1.0}));
    EXPECT_EQ(v.frame(), QRectF(90, 90, 10, 10));
}

TEST(Animation, FadesHideViewsAtTheEndAndShowThemFromTheStart) {
    DrawingView parent(QRectF(0, 0, 100, 100), false);
    auto* out = new DrawingView(QRectF(0, 0, 10, 10), false);
    auto* in = new DrawingView(QRectF(20, 0, 10, 10), false);
    parent.addSubview(out);
    parent.addSubview(in);
    in->setHidden(true);
    ViewAnimation anim({{out, std::nullopt, std::nullopt, ViewAnimation::Effect::FadeOut},
                        {in, std::nullopt, std::nullopt, ViewAnimation::Effect::FadeIn},
                        {nullptr, std::nullopt, QRectF(), ViewAnimation::Effect::None}});
    EXPECT_EQ(anim.viewAnimations().size(), 2u);  // the entry without a target is dropped
    std::vector<std::pair<double, double>> alphas;
    anim.progressHook = [&](Animation&, double) {
        alphas.emplace_back(out->alphaValue(), in->alphaValue());
    };
    anim.setDuration(0.05);
    anim.startAnimation();
    EXPECT_TRUE(out->isHidden());
    EXPECT_EQ(out->alphaValue(), 1.0);  // its opacity comes back for the next showing
    EXPECT_FALSE(in->isHidden());
    EXPECT_EQ(in->alphaValue(), 1.0);
    EXPECT_EQ(out->frame(), QRectF(0, 0, 10, 10));  // no frames given: not moved
    ASSERT_GE(alphas.size(), 2u);
    EXPECT_NEAR(alphas.front().first + alphas.front().second, 1.0, 1e-9);
}

TEST(Animation, WindowsMoveAndFadeOutOfSight) {
    Window window(QRectF(100, 100, 80, 60));
    window.orderFront();
    ViewAnimation anim({{&window, QRectF(100, 100, 80, 60), QRectF(150, 120, 40, 30),
                         ViewAnimation::Effect::FadeOut}});
    anim.setDuration(0.05);
    anim.startAnimation();
    EXPECT_EQ(window.frame(), QRectF(150, 120, 40, 30));
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.alphaValue(), 1.0);
}

TEST(ScreenUpdates, ImmediateDisplayWaitsUntilUpdatesAreEnabledAgain) {
    Window window(QRectF(100, 100, 100, 100));
    auto* v = new DrawingView(QRectF(0, 0, 50, 50), false);
    window.contentView()->addSubview(v);
    window.orderFront();
    ASSERT_TRUE(testsupport::waitUntil([&] { return v->draws > 0; }));
    const int before = v->draws;
    ScreenUpdates::disable();
    ScreenUpdates::disable();
    v->display();
    EXPECT_EQ(v->draws, before);
    ScreenUpdates::enable();
    EXPECT_EQ(v->draws, before);  // still one disable outstanding
    ScreenUpdates::enable();
    EXPECT_EQ(v->draws, before + 1);
    ScreenUpdates::enable();  // unbalanced: ignored
    EXPECT_TRUE(ScreenUpdates::areEnabled());
}
