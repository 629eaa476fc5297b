// The page curl of a display-mode change: a click in the corner curls the
// view as shown over the new view drawn as into an image; the frames run
// from the one picture to the other, and are saved to be looked at.

#include "weekview/WeekViewStoreFixture.h"

#include "platform/foundation/Defaults.h"
#include "platform/kit/Animation.h"
#include "weekview/WeekViewScroller.h"
#include "weekview/WeekdayView.h"

#include <QPainter>

using namespace wvtest;

namespace {

const QDate kWednesday(2011, 6, 15);

QImage premultiplied(const QImage& image) {
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// Pixels where `frame` shows the new picture where it differs from the old.
int revealed(const QImage& frame, const QImage& from, const QImage& to) {
    const QImage f = premultiplied(frame), a = premultiplied(from), b = premultiplied(to);
    int n = 0;
    for (int y = 0; y < f.height(); ++y)
        for (int x = 0; x < f.width(); ++x)
            n += b.pixel(x, y) != a.pixel(x, y) && f.pixel(x, y) == b.pixel(x, y) ? 1 : 0;
    return n;
}

class WeekViewCurlTest : public WeekViewStoreFixture {
protected:
    void SetUp() override {
        WeekViewStoreFixture::SetUp();
        kit::Animation::setInstantForTesting(true);
        WeekView::setPageCurlObserver(
            [this](WeekView& v, const QImage& from, const QImage& to, const kit::Animation& a) {
                ++curls;
                this->from = from;
                this->to = to;
                duration = a.duration();
                curve = a.animationCurve();
                curling = v.inPageCurl() && v.gui_vScroller()->isHidden();
                for (double t : {0.0, 0.25, 0.5, 0.75, 1.0}) frames.push_back(v.pageCurlFrame(t));
            });
        open();
    }
    void TearDown() override {
        WeekView::setPageCurlObserver(nullptr);
        kit::Animation::setInstantForTesting(false);
        WeekViewStoreFixture::TearDown();
    }
    void clickCorner() {
        const double sw = view->gui_vScroller()->bounds().width();
        const QPointF corner(view->bounds().width() - sw - 12, 12);
        view->mouseDown(
            mouse(kit::EventType::LeftMouseDown, view->convertPointToView(corner, nullptr)));
    }

    int curls = 0;
    QImage from, to;
    std::vector<QImage> frames;
    double duration = 0;
    kit::Animation::Curve curve = kit::Animation::Curve::Linear;
    bool curling = false;
};

TEST_F(WeekViewCurlTest, AClickInTheCornerCurlsIntoTheNextMode) {
    setWeekPref(QStringLiteral("Show RelativeInYear"), true);
    showWeek(kWednesday);
    clickCorner();
    ASSERT_EQ(curls, 1);
    auto* fresh = qobject_cast<WeekView*>(yearArea->exchanged.data());
    ASSERT_TRUE(fresh);
    EXPECT_NE(fresh, view);
    EXPECT_EQ(fresh->displayMode(), WeekView::kWeek5Day);
    EXPECT_EQ(fresh->viewSet().size(), 5u);
    EXPECT_EQ(foundation::Defaults::standard()
                  .dictionaryForKey(QStringLiteral("AppPref WeekView"))
                  .value(QStringLiteral("Display Mode"))
                  .toInt(),
              2);
    EXPECT_EQ(duration, 1.0);
    EXPECT_EQ(curve, kit::Animation::Curve::EaseInOut);
    EXPECT_TRUE(curling);
    EXPECT_FALSE(view->inPageCurl());

    // Both pictures at the view's size; the old one as shown (the top line
    // and the bar of the year's weeks), the new one as drawn into an image.
    ASSERT_EQ(from.size(), to.size());
    ASSERT_EQ(from.size(), view->bounds().size().toSize());
    EXPECT_LT(qRed(from.pixel(500, 0)), 200);
    EXPECT_GT(qRed(to.pixel(500, 0)), 250);
    const int barRow = int(view->bounds().height() - (std::floor(700 - 20.0) + 4));
    int barDiffers = 0;
    for (int x = 60; x < 900; ++x) barDiffers += from.pixel(x, barRow) != to.pixel(x, barRow);
    EXPECT_GT(barDiffers, 400);

    // Time 0 is the old picture, time 1 the new one; the new one shows
    // more and more in between, from the bottom right corner on.
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(premultiplied(frames[0]), premultiplied(from));
    EXPECT_EQ(premultiplied(frames[4]), premultiplied(to));
    int previous = 0;
    for (size_t i = 1; i < 4; ++i) {
        const int changed = revealed(frames[i], from, to);
        EXPECT_GT(changed, previous) << i;
        previous = changed;
    }
    const QImage quarter = premultiplied(frames[1]);
    const int w = quarter.width(), h = quarter.height();
    EXPECT_EQ(quarter.pixel(w - 3, h - 3), premultiplied(to).pixel(w - 3, h - 3));
    EXPECT_EQ(quarter.pixel(3, 3), premultiplied(from).pixel(3, 3));

    QImage strip(w, h * 3, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::black);
    QPainter p(&strip);
    for (int i = 1; i <= 3; ++i) p.drawImage(0, h * (i - 1), frames[size_t(i)]);
    p.end();
    testsupport::saveForInspection(strip, QStringLiteral("weekview-curl-frames"));
}

TEST_F(WeekViewCurlTest, TheCornerCyclesTheModesAndAStoredFiveGoesToTheWeek) {
    const int cases[][2] = {{1, 2}, {2, 3}, {3, 4}, {4, 1}, {5, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        setWeekPref(QStringLiteral("Display Mode"), c[0]);
        showWeek(kWednesday);
        view->setDisplayMode(c[0]);
        yearArea->exchanged = nullptr;
        clickCorner();
        auto* fresh = qobject_cast<WeekView*>(yearArea->exchanged.data());
        ASSERT_TRUE(fresh);
        EXPECT_EQ(fresh->displayMode(), c[1]);
    }
    EXPECT_EQ(curls, 5);
}

// A view that shows nothing (its pane collapsed) changes its mode without
// waiting for a curl no one sees.
TEST_F(WeekViewCurlTest, AHiddenViewChangesWithoutACurl) {
    showWeek(kWednesday);
    view->setHidden(true);
    view->nextDisplayMode();
    EXPECT_EQ(curls, 0);
    auto* fresh = qobject_cast<WeekView*>(yearArea->exchanged.data());
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->displayMode(), WeekView::kWeek5Day);
}

// The frame the curling view draws is the frame of the animation's time.
TEST_F(WeekViewCurlTest, TheViewDrawsOnlyTheCurlWhileItRuns) {
    showWeek(kWednesday);
    QImage drawn, expected;
    WeekView::setPageCurlObserver(
        [&](WeekView& v, const QImage&, const QImage&, const kit::Animation& a) {
            auto& animation = const_cast<kit::Animation&>(a);
            animation.setCurrentProgress(0.5);
            drawn = v.renderToImage();
            expected = v.pageCurlFrame(animation.currentValue());
        });
    clickCorner();
    ASSERT_FALSE(drawn.isNull());
    EXPECT_EQ(premultiplied(drawn), premultiplied(expected));
}

}  // namespace
