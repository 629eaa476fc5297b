// The week view's own drawing, read from its pixels: the bar of the year's
// weeks (today's slot, the past, the shown week, the month lines, the hover
// label), the corner of each mode and the page indicator, on the screen and
// in a capture.

#include "weekview/WeekViewTestSupport.h"

#include "platform/kit/Event.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Image.h"

#include <QImage>

using namespace wvtest;

namespace {

constexpr int kW = 1000, kH = 700;

// The bar of a 1000 by 700 view: 52 weeks of 912 / 52 points from x 40.5,
// bottom at y 680.5.
constexpr double kLeft = 40.5, kSlot = 912.0 / 52, kBarMid = 684.5;

bool isWhite(QRgb c) {
    return qRed(c) > 250 && qGreen(c) > 250 && qBlue(c) > 250;
}

bool isGreyed(QRgb c) {
    return qAbs(qRed(c) - 223) < 8 && qRed(c) == qGreen(c) && qGreen(c) == qBlue(c);
}

class WeekViewDrawingTest : public WeekViewTest {
protected:
    void SetUp() override {
        WeekViewTest::SetUp();
        setWeekPref(QStringLiteral("Show RelativeInYear"), true);
    }

    // The view drawn as on the screen (or into a capture); its subviews are
    // not drawn.
    QImage draw(WeekView& view,
                kit::Graphics::Destination destination = kit::Graphics::Destination::Screen) {
        QImage image(kW, kH, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        kit::Graphics g(image);
        g.setDestination(destination);
        view.drawRect(g, view.bounds());
        return image;
    }
    // The pixel at a point of the view (y upwards).
    static QRgb at(const QImage& image, double x, double y) {
        return image.pixel(int(x), kH - 1 - int(y));
    }
    // The middle of week index k's slot in the bar.
    static double slotMid(int k) { return kLeft + (k + 0.5) * kSlot; }
};

}  // namespace

TEST_F(WeekViewDrawingTest, BarShowsTodayThePastAndTheShownWeek) {
    // Today is 15 June 2011, calendar week 24; the shown week is week 10.
    auto view = makeView(kW, kH, 1, day(2011, 3, 9));
    const QImage image = draw(*view);

    const QRgb today = at(image, slotMid(23), kBarMid);
    EXPECT_GT(qRed(today), 200);
    EXPECT_LT(qBlue(today), 110);
    EXPECT_TRUE(isGreyed(at(image, slotMid(3), kBarMid)));
    EXPECT_TRUE(isGreyed(at(image, slotMid(22), kBarMid)));
    EXPECT_TRUE(isWhite(at(image, slotMid(30), kBarMid)));
    // The shown week in the selection colour over the grey of the past.
    const QRgb shown = at(image, slotMid(9), kBarMid);
    EXPECT_GT(qBlue(shown) - qRed(shown), 30);
    // The grey top line along the top edge.
    EXPECT_FALSE(isWhite(at(image, 500, kH - 0.5)));
}

TEST_F(WeekViewDrawingTest, ShownWeekOfTodayShowsTodaysSlotOnly) {
    auto view = makeView(kW, kH);
    const QRgb today = at(draw(*view), slotMid(23), kBarMid);
    EXPECT_GT(qRed(today), 200);
    EXPECT_LT(qBlue(today), 110);
}

TEST_F(WeekViewDrawingTest, OtherYearsAreWhollyPastOrNotBegun) {
    auto past = makeView(kW, kH, 1, day(2010, 6, 16));
    const QImage pastImage = draw(*past);
    for (int k : {0, 23, 40, 50}) {
        if (k == 23) continue;  // the shown week
        EXPECT_TRUE(isGreyed(at(pastImage, slotMid(k), kBarMid))) << k;
    }
    // Without today's slot its week is greyed like the rest.
    EXPECT_FALSE(qRed(at(pastImage, slotMid(23), kBarMid)) > 200 &&
                 qBlue(at(pastImage, slotMid(23), kBarMid)) < 110);

    auto future = makeView(kW, kH, 1, day(2012, 6, 13));
    const QImage futureImage = draw(*future);
    for (int k : {0, 22, 40, 50}) EXPECT_TRUE(isWhite(at(futureImage, slotMid(k), kBarMid))) << k;
}

TEST_F(WeekViewDrawingTest, MonthLinesMarkTheFirstWeekOfEachMonth) {
    auto view = makeView(kW, kH, 1, day(2012, 6, 13));  // a future year: no grey over the lines
    const QImage image = draw(*view);
    const double slot = 912.0 / 52;  // 2012 has 52 weeks too
    auto lineAt = [&](int k) { return at(image, kLeft - 0.5 + std::floor(k * slot), kBarMid); };
    // Week index 4 holds 2 February (day 32), 8 holds 1 March.
    EXPECT_LT(qRed(lineAt(4)), 60);
    EXPECT_LT(qRed(lineAt(8)), 60);
    // Other weeks are parted by light lines.
    for (int k : {1, 2, 3, 5, 6}) {
        EXPECT_GT(qRed(lineAt(k)), 180) << k;
        EXPECT_LT(qRed(lineAt(k)), 240) << k;
    }
}

TEST_F(WeekViewDrawingTest, HoverLabelStandsOverWeeksNineToEleven) {
    auto view = makeView(kW, kH);
    view->mouseMoved(
        kit::Event::mouseEvent(kit::EventType::MouseMoved, QPointF(slotMid(9), kBarMid), 0));
    EXPECT_EQ(view->inCalWeekDrawing(), 10);
    const QImage image = draw(*view);
    auto inkBetween = [&](double from, double to) {
        int ink = 0;
        for (int x = int(from); x < int(to); ++x)
            for (int y = 690; y < 698; ++y) ink += isWhite(at(image, x, y)) ? 0 : 1;
        return ink;
    };
    const double left = kLeft + 8 * kSlot, right = kLeft + 11 * kSlot;
    EXPECT_GT(inkBetween(left, right), 10);
    EXPECT_EQ(inkBetween(kLeft, left - 1), 0);
    EXPECT_EQ(inkBetween(right + 1, kW - 60), 0);

    // The label is shown by one drawing; leaving the bar removes it too.
    EXPECT_EQ(view->inCalWeekDrawing(), 0);
    view->mouseMoved(
        kit::Event::mouseEvent(kit::EventType::MouseMoved, QPointF(slotMid(9), kBarMid), 0));
    view->mouseExited(
        kit::Event::enterExitEvent(kit::EventType::MouseExited, QPointF(0, 0), nullptr));
    EXPECT_EQ(view->inCalWeekDrawing(), 0);
    // Outside the bar nothing is hovered.
    view->mouseMoved(
        kit::Event::mouseEvent(kit::EventType::MouseMoved, QPointF(slotMid(9), kBarMid + 10), 0));
    EXPECT_EQ(view->inCalWeekDrawing(), 0);
}

TEST_F(WeekViewDrawingTest, CornerShowsTheNextModeOnTheScreenOnly) {
    auto corner = [&](int mode) {
        auto view = makeView(kW, kH, mode);
        return draw(*view).copy(kW - 50, kH - 50, 50, 50);
    };
    auto picture = [](const char* name) {
        QImage image(50, 50, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        kit::Graphics g(image);
        g.drawImage(kit::Image::named(QString::fromLatin1(name)), QRectF(0, 0, 50, 50));
        return image;
    };
    const std::pair<int, const char*> cases[] = {
        {1, "CurlWeek5"}, {2, "CurlNext7"}, {3, "CurlNext5"},
        {4, "CurlWeek7"}, {5, "CurlWeek7"}, {7, "CurlWeek7"},
    };
    for (const auto& [mode, name] : cases) EXPECT_EQ(corner(mode), picture(name)) << mode;
    EXPECT_NE(picture("CurlWeek5"), picture("CurlWeek7"));

    // A capture has neither the corner nor the bar and the top line.
    auto view = makeView(kW, kH);
    const QImage capture = draw(*view, kit::Graphics::Destination::Image);
    for (int x = kW - 50; x < kW; x += 5)
        for (int y = 0; y < 50; y += 5) ASSERT_TRUE(isWhite(at(capture, x, y))) << x << "," << y;
    EXPECT_TRUE(isWhite(at(capture, slotMid(23), kBarMid)));
    EXPECT_TRUE(isWhite(at(capture, 500, kH - 0.5)));
}

TEST_F(WeekViewDrawingTest, IndicatorDotFollowsTheDragOffset) {
    auto view = makeView(kW, kH);
    const double cx = kW * 0.5 - 1, cy = 11;
    QImage image = draw(*view);
    EXPECT_LT(qRed(at(image, cx, cy)), 120);
    EXPECT_TRUE(isWhite(at(image, cx + 16, cy)));       // inside a ring
    EXPECT_FALSE(isWhite(at(image, cx + 16 + 4, cy)));  // on the ring

    view->setDotOffset(1.0);
    image = draw(*view);
    EXPECT_LT(qRed(at(image, cx + 16, cy)), 120);
    EXPECT_TRUE(isWhite(at(image, cx, cy)));
    // The indicator is drawn into captures as well.
    EXPECT_LT(qRed(at(draw(*view, kit::Graphics::Destination::Image), cx + 16, cy)), 120);
}
