// The page curl: exact pictures at both ends, the three layers in between, and
// frames saved to be looked at.

#include "platform/kit/PageCurl.h"
#include "support/TestSupport.h"

#include <QPainter>

#include <gtest/gtest.h>

using namespace kit;
using testsupport::saveForInspection;

namespace {

// A picture in one colour with a dark bar across its left part, so that the
// back side shows as a mirror image.
QImage page(const QColor& color, const QColor& bar) {
    QImage img(240, 160, QImage::Format_ARGB32_Premultiplied);
    img.fill(color);
    QPainter p(&img);
    p.fillRect(QRect(10, 20, 60, 120), bar);
    return img;
}

bool isBackSide(QRgb c) {
    // Washed out towards light grey: no channel below 150.
    return qRed(c) >= 150 && qGreen(c) >= 150 && qBlue(c) >= 150;
}

}  // namespace

TEST(PageCurl, EndsAreExactAndTheMiddleShowsOldBackAndNew) {
    const QImage oldPage = page(QColor(200, 30, 30), QColor(20, 20, 20));
    const QImage newPage = page(QColor(30, 60, 200), QColor(250, 250, 250));
    for (double angle : {0.0, 0.785398, 2.5}) {
        PageCurl::Options o;
        o.angle = angle;
        o.radius = 30;
        o.shading = 0.6;
        const QImage start = PageCurl::render(oldPage, newPage, 0, o);
        const QImage end = PageCurl::render(oldPage, newPage, 1, o);
        EXPECT_EQ(start, oldPage) << angle;
        EXPECT_EQ(end, newPage) << angle;

        QImage strip(240 * 5, 160, QImage::Format_ARGB32_Premultiplied);
        QPainter p(&strip);
        for (int i = 0; i < 5; ++i)
            p.drawImage(240 * i, 0, PageCurl::render(oldPage, newPage, i / 4.0, o));
        p.end();
        saveForInspection(strip, QStringLiteral("pagecurl-angle-%1").arg(angle));
    }

    // From the right edge. A quarter of the way, the left is still the old
    // picture; halfway, the sheet rolled over covers the left with its back,
    // the roll sits in the middle and the right is the new picture.
    PageCurl::Options o;
    o.angle = 0;
    o.radius = 20;
    o.shading = 0;
    const QImage quarter = PageCurl::render(oldPage, newPage, 0.25, o);
    const QImage mid = PageCurl::render(oldPage, newPage, 0.5, o);
    ASSERT_EQ(mid.size(), oldPage.size());
    EXPECT_EQ(quarter.pixel(5, 80), oldPage.pixel(5, 80));
    EXPECT_EQ(quarter.pixel(235, 80), newPage.pixel(235, 80));
    EXPECT_TRUE(isBackSide(mid.pixel(5, 80)));
    EXPECT_EQ(mid.pixel(235, 80), newPage.pixel(235, 80));
    int back = 0;
    for (int x = 0; x < 240; ++x) back += isBackSide(mid.pixel(x, 10)) ? 1 : 0;
    EXPECT_GT(back, 60);
    // Shading darkens the roll but leaves the flat old part alone.
    o.shading = 1;
    EXPECT_EQ(PageCurl::render(oldPage, newPage, 0.25, o).pixel(5, 80), oldPage.pixel(5, 80));
    EXPECT_NE(PageCurl::render(oldPage, newPage, 0.5, o), mid);

    EXPECT_TRUE(PageCurl::render(oldPage, QImage(10, 10, QImage::Format_RGB32), 0.5, o).isNull());
}

TEST(PageCurl, BacksideShadingPictureAndExtent) {
    const QImage oldPage = page(QColor(200, 30, 30), QColor(20, 20, 20));
    const QImage newPage = page(QColor(30, 60, 200), QColor(250, 250, 250));
    PageCurl::Options o;
    o.angle = 0;
    o.radius = 20;
    o.shading = 0;

    // The back of the sheet shows the backside picture, not the old one.
    QImage green(oldPage.size(), QImage::Format_ARGB32_Premultiplied);
    green.fill(QColor(0, 160, 0));
    o.backside = green;
    const QImage mid = PageCurl::render(oldPage, newPage, 0.5, o);
    EXPECT_GT(qGreen(mid.pixel(5, 80)), qRed(mid.pixel(5, 80)));
    o.backside = QImage(10, 10, QImage::Format_RGB32);
    EXPECT_TRUE(PageCurl::render(oldPage, newPage, 0.5, o).isNull());
    o.backside = QImage();

    // The roll is lit by the shading picture: a dark one shades it, a white
    // one leaves it as it is; the flat parts are the same with either.
    o.shading = 1;
    QImage white(32, 32, QImage::Format_ARGB32);
    white.fill(Qt::white);
    QImage dark = white;
    dark.fill(QColor(60, 60, 60));
    o.shadingImage = white;
    const QImage lit = PageCurl::render(oldPage, newPage, 0.5, o);
    o.shadingImage = dark;
    const QImage shaded = PageCurl::render(oldPage, newPage, 0.5, o);
    long litSum = 0, shadedSum = 0;
    for (int x = 0; x < 240; ++x) {
        litSum += qGray(lit.pixel(x, 80));
        shadedSum += qGray(shaded.pixel(x, 80));
    }
    EXPECT_LT(shadedSum, litSum);
    EXPECT_EQ(lit.pixel(5, 80), shaded.pixel(5, 80));
    EXPECT_EQ(lit.pixel(235, 80), shaded.pixel(235, 80));

    // Only the extent turns; outside it the frame is transparent, inside it
    // runs from the old picture to the new one.
    o.shadingImage = QImage();
    o.extent = QRectF(40, 20, 160, 120);
    for (double t : {0.0, 1.0}) {
        const QImage frame = PageCurl::render(oldPage, newPage, t, o);
        EXPECT_EQ(qAlpha(frame.pixel(10, 10)), 0) << t;
        EXPECT_EQ(frame.pixel(100, 80), (t == 0 ? oldPage : newPage).pixel(100, 80)) << t;
    }
}
