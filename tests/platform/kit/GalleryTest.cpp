// Renders views into images and checks pixels where the geometry says they are
// drawn. Every render is saved for a person to look at.

#include "KitTestViews.h"
#include "platform/kit/Color.h"
#include "platform/kit/Font.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/Image.h"
#include "platform/kit/TextLayout.h"
#include "platform/kit/Window.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPainter>

#include <gtest/gtest.h>

#include <thread>

using namespace kit;
using kittest::DrawingView;
using testsupport::colorNear;
using testsupport::pixel;
using testsupport::saveForInspection;

namespace {

const QColor kWhite(255, 255, 255), kRed(255, 0, 0), kBlue(0, 0, 255), kGreen(0, 255, 0);

void whiteBackground(Graphics& g, const QRectF& r) {
    g.setFillColor(kWhite);
    g.fillRect(r);
}

// An image of `size` points: its upper half red, its lower half blue.
QImage twoToneImage(const QSize& size) {
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(kBlue);
    QPainter p(&img);
    p.fillRect(QRect(0, 0, size.width(), size.height() / 2), kRed);
    return img;
}

}  // namespace

TEST(Gallery, SameRectangleLandsAtOppositeEndsOfFlippedAndUnflippedViews) {
    for (bool flipped : {false, true}) {
        DrawingView v(QRectF(0, 0, 100, 80), flipped, [](Graphics& g) {
            whiteBackground(g, QRectF(0, 0, 100, 80));
            g.setFillColor(kRed);
            g.fillRect(QRectF(10, 10, 30, 20));
        });
        const QImage img = v.renderToImage();
        saveForInspection(img, flipped ? "gallery-rect-flipped" : "gallery-rect-unflipped");
        ASSERT_EQ(img.size(), QSize(100, 80));
        // y 10..30 is image rows 50..69 when y grows upwards, rows 10..29 when down.
        const int top = flipped ? 10 : 50, bottom = flipped ? 29 : 69;
        EXPECT_TRUE(colorNear(pixel(img, 10, top), kRed));
        EXPECT_TRUE(colorNear(pixel(img, 39, bottom), kRed));
        EXPECT_TRUE(colorNear(pixel(img, 25, top - 1), kWhite));
        EXPECT_TRUE(colorNear(pixel(img, 25, bottom + 1), kWhite));
        EXPECT_TRUE(colorNear(pixel(img, 9, top), kWhite));
        EXPECT_TRUE(colorNear(pixel(img, 40, top), kWhite));
    }
}

TEST(Gallery, GradientAtTwoHundredSeventyDegreesPutsItsFirstColourOnTop) {
    const Gradient grad(kRed, kBlue);
    // Unflipped at 270 degrees, and flipped at 90: both run from the top down.
    for (bool flipped : {false, true}) {
        DrawingView v(QRectF(0, 0, 60, 100), flipped, [&](Graphics& g) {
            g.drawGradient(grad, QRectF(0, 0, 60, 100), flipped ? 90 : 270);
        });
        const QImage img = v.renderToImage();
        saveForInspection(img, flipped ? "gallery-gradient90-flipped" : "gallery-gradient270");
        EXPECT_TRUE(colorNear(pixel(img, 30, 0), kRed, 12));
        EXPECT_TRUE(colorNear(pixel(img, 30, 99), kBlue, 12));
        const QColor mid = pixel(img, 30, 50);
        EXPECT_NEAR(mid.red(), 128, 12);
        EXPECT_NEAR(mid.blue(), 128, 12);
        EXPECT_EQ(pixel(img, 2, 20), pixel(img, 57, 20));  // no change across
    }
}

TEST(Gallery, GradientAtZeroRunsLeftToRightAndStopsBlend) {
    const Gradient grad({kRed, kGreen, kBlue}, {0.0, 0.5, 1.0});
    DrawingView v(QRectF(0, 0, 101, 20), false,
                  [&](Graphics& g) { g.drawGradient(grad, QRectF(0, 0, 101, 20), 0); });
    const QImage img = v.renderToImage();
    saveForInspection(img, "gallery-gradient0-three-stops");
    EXPECT_TRUE(colorNear(pixel(img, 0, 10), kRed, 12));
    EXPECT_TRUE(colorNear(pixel(img, 50, 10), kGreen, 12));
    EXPECT_TRUE(colorNear(pixel(img, 100, 10), kBlue, 12));
    EXPECT_TRUE(colorNear(grad.interpolatedColorAtLocation(0.25), QColor(128, 128, 0), 2));
}

TEST(Gallery, TextAtAPointStandsUprightOnItsSideOfThePoint) {
    const TextAttributes attrs(Font::boldSystemFont(40), Color::black());
    const QSizeF size = attrs.sizeOfString("T");
    ASSERT_GT(size.width(), 10);
    ASSERT_GT(size.height(), 30);
    for (bool flipped : {false, true}) {
        DrawingView v(QRectF(0, 0, 120, 120), flipped, [&](Graphics& g) {
            whiteBackground(g, QRectF(0, 0, 120, 120));
            g.drawString("T", QPointF(20, 30), attrs);
        });
        const QImage img = v.renderToImage();
        saveForInspection(img, flipped ? "gallery-text-flipped" : "gallery-text-unflipped");
        const kittest::InkBox ink = kittest::inkBox(img);
        ASSERT_GE(ink.top, 0);
        // Where y grows upwards the text's box stands on the point (image row 90)
        // and reaches up; where it grows downwards it hangs from row 30.
        const double boxTop = flipped ? 30 : 90 - size.height();
        const double boxBottom = flipped ? 30 + size.height() : 90;
        EXPECT_GE(ink.top, boxTop - 1);
        EXPECT_LE(ink.bottom, boxBottom + 1);
        EXPECT_GE(ink.left, 19);
        // Upright: the bar of the T is at the top of the ink, the stem below it.
        EXPECT_GT(kittest::darkInRow(img, ink.top + 1),
                  2 * kittest::darkInRow(img, ink.bottom - 1));
    }
}

TEST(Gallery, TextInARectangleWrapsAndDrawsOnlyWholeLinesThatFit) {
    const TextAttributes attrs(Font::systemFont(12), Color::black());
    const double line = AttributedString("Xg", attrs).size().height();
    const QString text = "one two three four five six seven eight nine ten eleven twelve";
    // Room for two and a half lines: two are drawn, starting at the top edge.
    const QRectF box(10, 10, 80, line * 2.5);
    AttributedString s(text, attrs);
    TextLayout layout;
    layout.setText(s);
    layout.setContainerSize(box.size());
    EXPECT_EQ(layout.lineCount(), 2);
    EXPECT_LT(layout.characterCountThatFits(), text.size());
    EXPECT_NEAR(s.boundingRectWithSize(box.size()).height(), 2 * line, 0.5);
    DrawingView v(QRectF(0, 0, 100, 100), false, [&](Graphics& g) {
        whiteBackground(g, QRectF(0, 0, 100, 100));
        g.drawString(text, box, attrs);
    });
    const QImage img = v.renderToImage();
    saveForInspection(img, "gallery-text-rect");
    const kittest::InkBox ink = kittest::inkBox(img);
    const double top = 100 - maxY(box);  // the box's top edge in image rows
    EXPECT_GE(ink.top, top - 1);
    EXPECT_LE(ink.bottom, top + 2 * line + 1);  // no third line, not even a part
    EXPECT_LE(ink.right, 90);                   // nothing leaves the box
    EXPECT_GT(ink.bottom - ink.top, line);      // two lines
}

TEST(Gallery, TruncatingAndRightAlignedParagraphsKeepToOneLine) {
    ParagraphStyle tail;
    tail.lineBreakMode = LineBreakMode::TruncatingTail;
    const TextAttributes attrs(Font::systemFont(12), Color::black(), tail);
    const AttributedString s("a long title that cannot fit the narrow box", attrs);
    const QRectF r = s.boundingRectWithSize(QSizeF(60, 200));
    EXPECT_LE(r.width(), 60.5);
    EXPECT_NEAR(r.height(), AttributedString("X", attrs).size().height(), 0.5);

    ParagraphStyle right;
    right.alignment = TextAlignment::Right;
    right.lineBreakMode = LineBreakMode::Clipping;
    const TextAttributes rattrs(Font::systemFont(12), Color::black(), right);
    DrawingView v(QRectF(0, 0, 100, 30), false, [&](Graphics& g) {
        whiteBackground(g, QRectF(0, 0, 100, 30));
        g.drawString("12", QRectF(0, 0, 100, 30), rattrs);
    });
    const QImage img = v.renderToImage();
    saveForInspection(img, "gallery-text-right-aligned");
    const kittest::InkBox ink = kittest::inkBox(img);
    EXPECT_GE(ink.right, 94);  // pressed against the right edge
    EXPECT_GT(ink.left, 70);
}

TEST(Gallery, ImagesCompositeWithSourceInAndPlusDarker) {
    // Source-in: a colour fills only where the image already has pixels.
    QImage mask = Image::withSize(QSizeF(40, 40));
    {
        Graphics g(mask);
        g.setFillColor(Color::black());
        g.fillOval(QRectF(0, 0, 40, 40));
        g.setFillColor(kRed);
        g.fillRect(QRectF(0, 0, 40, 40), CompositingOperation::SourceIn);
    }
    saveForInspection(mask, "gallery-source-in");
    EXPECT_TRUE(colorNear(pixel(mask, 20, 20), kRed));
    EXPECT_EQ(pixel(mask, 1, 1).alpha(), 0);

    // Plus-darker: 0.8 grey under 0.5 grey gives 0.3; transparent source pixels
    // leave the destination alone.
    QImage half = Image::withSize(QSizeF(20, 40));
    half.fill(QColor(128, 128, 128));
    DrawingView v(QRectF(0, 0, 60, 40), false, [&](Graphics& g) {
        g.setFillColor(QColor(204, 204, 204));
        g.fillRect(QRectF(0, 0, 60, 40));
        g.drawImage(half, QRectF(0, 0, 20, 40), QRectF(), CompositingOperation::PlusDarker, 1.0);
        g.drawImage(mask, QRectF(20, 0, 40, 40), QRectF(), CompositingOperation::SourceOver, 1.0);
    });
    const QImage img = v.renderToImage();
    saveForInspection(img, "gallery-plus-darker");
    EXPECT_TRUE(colorNear(pixel(img, 10, 20), QColor(77, 77, 77), 3));
    EXPECT_TRUE(colorNear(pixel(img, 40, 20), kRed));
    EXPECT_TRUE(colorNear(pixel(img, 21, 1), QColor(204, 204, 204), 3));
}

TEST(Gallery, ImagesStayUprightUnlessAFlippedContextIsNotRespected) {
    const QImage picture = twoToneImage(QSize(20, 20));
    struct Case {
        bool flipped;
        bool respect;
        bool upright;
        const char* name;
    } cases[] = {{false, true, true, "gallery-image-unflipped"},
                 {true, true, true, "gallery-image-flipped"},
                 {true, false, false, "gallery-image-flipped-not-respected"}};
    for (const Case& c : cases) {
        DrawingView v(QRectF(0, 0, 40, 40), c.flipped, [&](Graphics& g) {
            g.drawImage(picture, QRectF(10, 10, 20, 20), QRectF(), CompositingOperation::SourceOver,
                        1.0, c.respect);
        });
        const QImage img = v.renderToImage();
        saveForInspection(img, c.name);
        EXPECT_TRUE(colorNear(pixel(img, 20, 12), c.upright ? kRed : kBlue)) << c.name;
        EXPECT_TRUE(colorNear(pixel(img, 20, 27), c.upright ? kBlue : kRed)) << c.name;
    }
    // A source rectangle counts from the image's bottom edge: its lower half is blue.
    DrawingView v(QRectF(0, 0, 20, 20), false, [&](Graphics& g) {
        g.drawImage(picture, QRectF(0, 0, 20, 20), QRectF(0, 0, 20, 10));
    });
    EXPECT_TRUE(colorNear(pixel(v.renderToImage(), 10, 5), kBlue));
}

TEST(Gallery, RoundedRectangleAndOvalLeaveTheirCornersEmpty) {
    DrawingView v(QRectF(0, 0, 200, 80), false, [](Graphics& g) {
        whiteBackground(g, QRectF(0, 0, 200, 80));
        g.setFillColor(kBlue);
        g.fillRoundedRect(QRectF(10, 10, 80, 60), 15, 15);
        g.fillOval(QRectF(110, 10, 80, 60));
        g.setStrokeColor(kRed);
        Path dashed;
        dashed.moveTo(QPointF(0, 75.5));
        dashed.relativeLineTo(QPointF(200, 0));
        dashed.setLineDash({4, 4}, 0);
        g.stroke(dashed);
    });
    const QImage img = v.renderToImage();
    saveForInspection(img, "gallery-rounded-oval");
    // Rounded rectangle: image rows 10..69, columns 10..89.
    EXPECT_TRUE(colorNear(pixel(img, 50, 40), kBlue));
    EXPECT_TRUE(colorNear(pixel(img, 50, 11), kBlue));
    EXPECT_TRUE(colorNear(pixel(img, 11, 11), kWhite));
    EXPECT_TRUE(colorNear(pixel(img, 88, 68), kWhite));
    // Oval: full width at its middle row, nothing in its bounding box's corners.
    EXPECT_TRUE(colorNear(pixel(img, 111, 40), kBlue, 40));
    EXPECT_TRUE(colorNear(pixel(img, 150, 11), kBlue, 40));
    EXPECT_TRUE(colorNear(pixel(img, 114, 14), kWhite));
    // The dashed line one point below the top: 4 on, 4 off.
    EXPECT_TRUE(colorNear(pixel(img, 2, 4), kRed, 60));
    EXPECT_TRUE(colorNear(pixel(img, 6, 4), kWhite, 60));
    EXPECT_TRUE(colorNear(pixel(img, 10, 4), kRed, 60));
}

TEST(Gallery, ShadowFallsBelowAndRightWhateverTheFlipping) {
    for (bool flipped : {false, true}) {
        DrawingView v(QRectF(0, 0, 60, 60), flipped, [](Graphics& g) {
            whiteBackground(g, QRectF(0, 0, 60, 60));
            g.saveGraphicsState();
            g.setShadow(QPointF(6, -6), 0, Color::black());
            g.setFillColor(kRed);
            g.fillRect(QRectF(10, 20, 30, 30));
            g.restoreGraphicsState();
            g.fillRect(QRectF(0, 0, 1, 1));  // no shadow after the restore
        });
        const QImage img = v.renderToImage();
        saveForInspection(img, flipped ? "gallery-shadow-flipped" : "gallery-shadow");
        const int top = flipped ? 20 : 10;  // the square's top row
        EXPECT_TRUE(colorNear(pixel(img, 25, top + 15), kRed));
        EXPECT_TRUE(colorNear(pixel(img, 43, top + 33), Color::black(), 12));  // below right
        EXPECT_TRUE(colorNear(pixel(img, 7, top - 3), kWhite));                // not above left
    }
}

TEST(Gallery, SubviewsDrawAboveTheirSuperviewAtTheirFrames) {
    DrawingView parent(QRectF(0, 0, 100, 100), false,
                       [](Graphics& g) { whiteBackground(g, QRectF(0, 0, 100, 100)); });
    auto* flippedChild = new DrawingView(QRectF(10, 10, 40, 30), true, [](Graphics& g) {
        g.setFillColor(kRed);
        g.fillRect(QRectF(0, 0, 40, 10));  // the child's top band
    });
    auto* hidden = new DrawingView(QRectF(60, 60, 30, 30), false, [](Graphics& g) {
        g.setFillColor(kBlue);
        g.fillRect(QRectF(0, 0, 30, 30));
    });
    auto* faint = new DrawingView(QRectF(60, 10, 30, 30), false, [](Graphics& g) {
        g.setFillColor(Color::black());
        g.fillRect(QRectF(0, 0, 30, 30));
    });
    parent.addSubview(flippedChild);
    parent.addSubview(hidden);
    parent.addSubview(faint);
    hidden->setHidden(true);
    faint->setAlphaValue(0.5);
    const QImage img = parent.renderToImage();
    saveForInspection(img, "gallery-subviews");
    // The child spans rows 60..89; its top band is rows 60..69.
    EXPECT_TRUE(colorNear(pixel(img, 20, 62), kRed));
    EXPECT_TRUE(colorNear(pixel(img, 20, 80), kWhite));
    EXPECT_TRUE(colorNear(pixel(img, 70, 20), kWhite));                    // hidden: nothing
    EXPECT_TRUE(colorNear(pixel(img, 70, 75), QColor(128, 128, 128), 3));  // half black
}

TEST(Gallery, BackgroundThreadDrawsTheSameImageFromModelData) {
    auto paint = [](QImage& img) {
        Graphics g(img);
        g.setFillColor(kWhite);
        g.fillRect(QRectF(0, 0, 120, 40));
        g.drawGradient(Gradient(kRed, kBlue), QRectF(0, 0, 30, 40), 270);
        g.drawString("Thread 2024", QPointF(35, 12),
                     TextAttributes(Font::systemFont(13), Color::black()));
    };
    QImage onMain = Image::withSize(QSizeF(120, 40));
    paint(onMain);
    QImage onJob = Image::withSize(QSizeF(120, 40));
    std::thread job([&] { paint(onJob); });
    job.join();
    saveForInspection(onJob, "gallery-background-thread");
    EXPECT_EQ(onMain, onJob);
    EXPECT_GE(kittest::inkBox(onJob).top, 0);
}

TEST(Gallery, PlainQtWidgetsInsideAViewAreRenderedWhereTheyStand) {
    DrawingView v(QRectF(0, 0, 120, 60), false,
                  [](Graphics& g) { whiteBackground(g, QRectF(0, 0, 120, 60)); });
    auto* block = new QWidget(&v);
    block->setGeometry(10, 5, 30, 20);  // pixels from the view's top left corner
    block->setAutoFillBackground(true);
    QPalette pal = block->palette();
    pal.setColor(QPalette::Window, kBlue);
    block->setPalette(pal);
    auto* label = new QLabel("Ty", &v);
    label->setGeometry(60, 30, 50, 25);
    label->setStyleSheet("color: black; font-size: 18px");
    block->show();
    label->show();
    const QImage img = v.renderToImage();
    saveForInspection(img, "gallery-qt-widgets");
    EXPECT_TRUE(colorNear(pixel(img, 25, 15), kBlue));
    EXPECT_TRUE(colorNear(pixel(img, 25, 30), kWhite));
    const kittest::InkBox ink = kittest::inkBox(img);
    EXPECT_GE(ink.top, 30);  // the label's text, not mirrored into the upper half
    EXPECT_GE(ink.left, 60);
}

TEST(Gallery, OnScreenPaintingMatchesTheOffscreenRendering) {
    Window window(QRectF(100, 100, 120, 80));
    auto* content = new DrawingView(QRectF(0, 0, 120, 80), false,
                                    [](Graphics& g) { whiteBackground(g, QRectF(0, 0, 120, 80)); });
    window.setContentView(content);
    auto* flipped = new DrawingView(QRectF(10, 20, 60, 40), true, [](Graphics& g) {
        g.setFillColor(kRed);
        g.fillRect(QRectF(0, 0, 60, 10));
        g.drawString("Hi", QPointF(5, 15), TextAttributes(Font::systemFont(13), Color::black()));
    });
    auto* fractional = new DrawingView(QRectF(80.5, 10, 30, 30), false, [](Graphics& g) {
        g.setFillColor(kBlue);
        g.fillOval(QRectF(0, 0, 30, 30));
    });
    content->addSubview(flipped);
    content->addSubview(fractional);
    window.orderFront();
    QCoreApplication::processEvents();
    const QImage onScreen =
        window.widget()->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage offscreen = content->renderToImage();
    saveForInspection(onScreen, "gallery-on-screen");
    ASSERT_EQ(onScreen.size(), offscreen.size());
    int differing = 0;
    for (int y = 0; y < onScreen.height(); ++y)
        for (int x = 0; x < onScreen.width(); ++x)
            differing += !colorNear(onScreen.pixelColor(x, y), offscreen.pixelColor(x, y), 40);
    EXPECT_LT(differing, 10);  // at most a few edge pixels blended differently
    EXPECT_TRUE(colorNear(pixel(onScreen, 30, 22), kRed));  // the flipped view's top band
}
