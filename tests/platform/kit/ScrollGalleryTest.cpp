// A gallery of the scrolling and text views: scrollers of both styles and
// orientations, a scroll view over a drawn document, and text views plain and
// rich, standing alone and inside a scroll view. Rendered, saved for a person to
// look at, and checked where the geometry says the knobs and texts are.

#include "KitTestViews.h"
#include "platform/kit/ClipView.h"
#include "platform/kit/Color.h"
#include "platform/kit/Font.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/Scroller.h"
#include "platform/kit/TextView.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kit;
using kittest::DrawingView;
using testsupport::pixel;
using testsupport::saveForInspection;

namespace {

Scroller* scroller(const QRectF& frame, Scroller::Style style, double proportion, double value) {
    auto* s = new Scroller(frame);
    s->setScrollerStyle(style);
    s->setKnobProportion(proportion);
    s->setDoubleValue(value);
    return s;
}

// The brightness of the image pixel under `p` of `view`, for a root view of
// height `rootHeight` (y upwards).
int brightnessAt(const QImage& img, const View* view, const View* root, const QPointF& p) {
    const QPointF q = view->convertPointToView(p, root);
    return pixel(img, int(q.x()), int(root->bounds().height() - q.y())).lightness();
}

// The pixels inside the part `r` of `view` darker than `below` (or lighter than
// `-below` when it is negative).
int countIn(const QImage& img, const View* view, const View* root, const QRectF& r,
            int below = 110) {
    const QRectF q = view->convertRectToView(r, root);
    const double h = root->bounds().height();
    int n = 0;
    for (int y = int(h - maxY(q)); y < int(h - q.y()); ++y)
        for (int x = int(q.x()); x < int(maxX(q)); ++x) {
            const int l = pixel(img, x, y).lightness();
            n += below > 0 ? l < below : l > -below;
        }
    return n;
}

}  // namespace

TEST(Gallery, ScrollersScrollViewsAndTextViews) {
    DrawingView root(QRectF(0, 0, 460, 270), false, [](Graphics& g) {
        g.setFillColor(QColor(255, 255, 255));
        g.fillRect(QRectF(0, 0, 460, 270));
    });
    Scroller* overlay = scroller(QRectF(10, 20, 11, 230), Scroller::Style::Overlay, 0.3, 0.2);
    Scroller* legacy = scroller(QRectF(30, 20, 15, 230), Scroller::Style::Legacy, 0.3, 0.6);
    Scroller* across = scroller(QRectF(60, 10, 170, 15), Scroller::Style::Legacy, 0.4, 0.5);
    for (Scroller* s : {overlay, legacy, across}) root.addSubview(s);

    // A flipped document of coloured bands, 50 points each, scrolled to its middle.
    auto* bands = new DrawingView(QRectF(0, 0, 170, 600), true, [](Graphics& g) {
        for (int i = 0; i < 12; ++i) {
            g.setFillColor(QColor::fromHsv(i * 30, 90, 240));
            g.fillRect(QRectF(0, i * 50, 170, 50));
            g.drawString(QStringLiteral("band %1").arg(i), QPointF(8, i * 50 + 6),
                         TextAttributes(Font::systemFont(12), QColor(0, 0, 0)));
        }
    });
    auto* bandScroll = new ScrollView(QRectF(60, 40, 170, 210));
    bandScroll->setDocumentView(bands);
    bands->scrollPoint(QPointF(0, 200));
    root.addSubview(bandScroll);

    // Plain text in a legacy scroll view, grown to its text and scrolled a little.
    auto* notes = new TextView(QRectF(0, 0, 180, 10));
    notes->setVerticallyResizable(true);
    notes->setAutoresizingMask(View::WidthSizable);
    QStringList lines;
    for (int i = 1; i <= 14; ++i) lines << QStringLiteral("Note line %1").arg(i);
    notes->setString(lines.join('\n'));
    notes->setFont(Font::systemFont(11));
    auto* noteScroll = new ScrollView(QRectF(260, 140, 190, 110));
    noteScroll->setScrollerStyle(Scroller::Style::Legacy);
    noteScroll->setDocumentView(notes);
    noteScroll->scrollWheel(Event::scrollEvent(QPointF(), 0, -2));
    root.addSubview(noteScroll);

    // Rich text, centred, on a dark background with white text where the HTML
    // names no colour of its own, and wider lines.
    auto* rich = new TextView(QRectF(260, 20, 190, 105));
    rich->setTextColor(QColor(255, 255, 255));
    rich->setHtml(
        QStringLiteral("<p><b>Harvest Festival</b></p><p>with <i>music</i> and "
                       "<span style='color:#ffcc00'>lanterns</span> until late</p>"));
    rich->setBackgroundColor(QColor(60, 60, 70));
    rich->setAlignment(TextAlignment::Center);
    rich->setLineSpacing(4);
    rich->setEditable(false);
    root.addSubview(rich);

    const QImage img = root.renderToImage();
    saveForInspection(img, QStringLiteral("gallery-scroll-and-text"));

    // Knobs are darker than their slots, where the scrollers put them.
    for (Scroller* s : {overlay, legacy, across}) {
        const QPointF knob = s->rectForPart(Scroller::Part::Knob).center();
        EXPECT_LT(brightnessAt(img, s, &root, knob), 200) << s->frame().x();
        const Scroller::Part away = Scroller::Part::IncrementPage;
        const QRectF slot = s->rectForPart(away);
        ASSERT_FALSE(isEmptyRect(slot));
        EXPECT_GT(brightnessAt(img, s, &root, slot.center()), 220);
    }
    // The band scroll view shows bands 4 to 8 (y 200 to 410 of the document): the
    // band at the clip view's top is band 4's colour.
    const QColor top = pixel(img, 150, int(270 - 250 + 2));
    EXPECT_EQ(top.hsvHue(), QColor::fromHsv(4 * 30, 90, 240).hsvHue());
    // Text: ink in the notes' first lines in sight and light text on the dark card.
    EXPECT_GT(countIn(img, notes, &root, noteScroll->documentVisibleRect()), 50);
    const QRectF card = rich->bounds();
    const QPointF edge = rich->convertPointToView(QPointF(maxX(card) - 3, 3), &root);
    EXPECT_TRUE(
        testsupport::colorNear(pixel(img, int(edge.x()), int(270 - edge.y())), QColor(60, 60, 70)));
    EXPECT_GT(countIn(img, rich, &root, card, -200), 50);
}
