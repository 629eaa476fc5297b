// Scrollers and scroll views: the scroller's knob, values and parts; scroll
// points in flipped and unflipped documents; paging, knob drags and wheel events
// through a window.

#include "KitTestViews.h"
#include "platform/kit/ClipView.h"
#include "platform/kit/Event.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/Scroller.h"
#include "platform/kit/Window.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QWheelEvent>

#include <gtest/gtest.h>

using namespace kit;
using kittest::DrawingView;
using Part = Scroller::Part;

namespace {

// A view that keeps the wheel events that reach it.
class WheelCatcher : public View {
public:
    using View::View;
    void scrollWheel(const Event& e) override { deltas.push_back(e.scrollingDeltaY()); }
    std::vector<double> deltas;
};

// A view that hands the wheel events it receives to a scroll view elsewhere.
class WheelForwarder : public View {
public:
    WheelForwarder(const QRectF& frame, ScrollView* to) : View(frame), to_(to) {}
    void scrollWheel(const Event& e) override { to_->scrollWheel(e); }

private:
    ScrollView* to_;
};

// A scroller that follows every change of its value, as a list's scroller keeps
// a hover anchored to the rows.
class FollowingScroller : public Scroller {
public:
    void setDoubleValue(double value) override {
        Scroller::setDoubleValue(value);
        seen.push_back(doubleValue());
    }
    std::vector<double> seen;
};

::testing::AssertionResult sameRect(const QRectF& a, const QRectF& b) {
    if (equalRects(a, b)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.x() << ", " << a.y() << ", " << a.width()
                                         << ", " << a.height() << ") is not (" << b.x() << ", "
                                         << b.y() << ", " << b.width() << ", " << b.height() << ")";
}

// A scroll view of 100 by 100 points over a document 100 wide and `height` high.
struct Scrolled {
    ScrollView scroll{QRectF(0, 0, 100, 100)};
    DrawingView* doc;
    Scrolled(bool flipped, double height = 400)
        : doc(new DrawingView(QRectF(0, 0, 100, height), flipped)) {
        scroll.setDocumentView(doc);
    }
    QPointF origin() const { return scroll.contentView()->bounds().topLeft(); }
    double value() const { return scroll.verticalScroller()->doubleValue(); }
};

}  // namespace

TEST(Scroller, KnobLengthAndPlaceFollowProportionAndValue) {
    struct Case {
        QRectF frame;
        Scroller::Style style;
        double proportion, value;
        QRectF knob;
    };
    const Case cases[] = {
        // Vertical, no arrows: value 0 puts the knob at the top (y upwards).
        {{0, 0, 11, 200}, Scroller::Style::Overlay, 0.5, 0.0, {0, 100, 11, 100}},
        {{0, 0, 11, 200}, Scroller::Style::Overlay, 0.5, 0.5, {0, 50, 11, 100}},
        {{0, 0, 11, 200}, Scroller::Style::Overlay, 0.5, 1.0, {0, 0, 11, 100}},
        // A tiny proportion still gives a knob that can be taken.
        {{0, 0, 11, 200}, Scroller::Style::Overlay, 0.01, 0.0, {0, 182, 11, 18}},
        // Legacy: an arrow of the scroller's width at each end shortens the slot.
        {{0, 0, 15, 200}, Scroller::Style::Legacy, 0.5, 0.0, {0, 100, 15, 85}},
        {{0, 0, 15, 200}, Scroller::Style::Legacy, 0.5, 1.0, {0, 15, 15, 85}},
        // Horizontal: value 0 at the left end.
        {{0, 0, 200, 11}, Scroller::Style::Overlay, 0.25, 0.0, {0, 0, 50, 11}},
        {{0, 0, 200, 11}, Scroller::Style::Overlay, 0.25, 1.0, {150, 0, 50, 11}},
        // The whole range in sight: no knob.
        {{0, 0, 11, 200}, Scroller::Style::Overlay, 1.0, 0.0, {}},
    };
    for (const Case& c : cases) {
        Scroller s(c.frame);
        s.setScrollerStyle(c.style);
        s.setKnobProportion(c.proportion);
        s.setDoubleValue(c.value);
        EXPECT_TRUE(sameRect(s.rectForPart(Part::Knob), c.knob))
            << "proportion " << c.proportion << " value " << c.value;
    }
}

TEST(Scroller, PointsGiveValuesAndParts) {
    Scroller s(QRectF(0, 0, 11, 200));
    s.setKnobProportion(0.5);
    s.setDoubleValue(0.5);  // the knob covers y 50 to 150
    struct ValueCase {
        double y, value;
    };
    for (const ValueCase c : {ValueCase{150, 0.0}, {100, 0.5}, {75, 0.75}, {10, 1.0}, {190, 0.0}})
        EXPECT_DOUBLE_EQ(s.valueForPoint(QPointF(5, c.y)), c.value) << "y " << c.y;

    struct PartCase {
        QPointF at;
        Part part;
    };
    for (const PartCase c : {PartCase{{5, 175}, Part::DecrementPage},
                             {{5, 100}, Part::Knob},
                             {{5, 50}, Part::Knob},
                             {{5, 25}, Part::IncrementPage},
                             {{20, 100}, Part::NoPart}})
        EXPECT_EQ(s.testPart(c.at), c.part) << c.at.x() << ", " << c.at.y();

    Scroller legacy(QRectF(0, 0, 15, 200));
    legacy.setScrollerStyle(Scroller::Style::Legacy);
    legacy.setKnobProportion(0.5);
    EXPECT_EQ(legacy.testPart(QPointF(7, 195)), Part::DecrementLine);
    EXPECT_EQ(legacy.testPart(QPointF(7, 5)), Part::IncrementLine);
    legacy.setArrowsPosition(Scroller::ArrowsPosition::None);
    EXPECT_EQ(legacy.testPart(QPointF(7, 5)), Part::IncrementPage);

    // A scroller that cannot be used has no parts.
    s.setEnabled(false);
    EXPECT_EQ(s.testPart(QPointF(5, 100)), Part::NoPart);
    s.setEnabled(true);
    s.setKnobProportion(1.0);
    EXPECT_EQ(s.testPart(QPointF(5, 100)), Part::NoPart);
}

TEST(ScrollView, ScrollPointsInFlippedAndUnflippedDocuments) {
    // The clip view's origin is the document's visible lower left corner when it
    // is unflipped and its upper left corner when flipped; the scroller reads 0
    // with the document's top in sight either way.
    struct Case {
        bool flipped;
        QPointF asked;
        double originY, value;
    };
    const Case cases[] = {
        {false, {0, 0}, 0, 1.0},     {false, {0, 150}, 150, 0.5}, {false, {0, 300}, 300, 0.0},
        {false, {0, 350}, 300, 0.0}, {false, {0, -50}, 0, 1.0},   {false, {30, 60}, 60, 0.8},
        {true, {0, 0}, 0, 0.0},      {true, {0, 150}, 150, 0.5},  {true, {0, 300}, 300, 1.0},
        {true, {0, 350}, 300, 1.0},  {true, {0, -50}, 0, 0.0},    {true, {30, 60}, 60, 0.2},
    };
    for (const Case& c : cases) {
        Scrolled s(c.flipped);
        EXPECT_EQ(s.scroll.contentView()->isFlipped(), c.flipped);
        EXPECT_DOUBLE_EQ(s.scroll.verticalScroller()->knobProportion(), 0.25);
        EXPECT_TRUE(s.doc->scrollPoint(c.asked));
        const QString what = QStringLiteral("%1 (%2, %3)")
                                 .arg(c.flipped ? "flipped" : "unflipped")
                                 .arg(c.asked.x())
                                 .arg(c.asked.y());
        // The document is no wider than the clip view: x stays 0.
        EXPECT_TRUE(equalPoints(s.origin(), QPointF(0, c.originY))) << what.toStdString();
        EXPECT_NEAR(s.value(), c.value, 1e-9) << what.toStdString();
        EXPECT_TRUE(sameRect(s.scroll.documentVisibleRect(), QRectF(0, c.originY, 100, 100)))
            << what.toStdString();
        // And back: the value gives the same scroll point.
        EXPECT_TRUE(equalPoints(s.scroll.scrollPointForValue(c.value), s.origin()))
            << what.toStdString();
    }
}

TEST(ScrollView, DocumentsStartAtTheirTopAndShortOnesHideTheScroller) {
    for (bool flipped : {false, true}) {
        Scrolled tall(flipped);
        EXPECT_DOUBLE_EQ(tall.value(), 0.0);
        EXPECT_DOUBLE_EQ(maxY(tall.scroll.documentVisibleRect()), flipped ? 100 : 400);
        EXPECT_FALSE(tall.scroll.verticalScroller()->isHidden());

        Scrolled shortDoc(flipped, 60);
        // Against the clip view's top edge: an unflipped document sits 40 points up.
        EXPECT_TRUE(equalPoints(shortDoc.origin(), QPointF(0, flipped ? 0 : -40)));
        EXPECT_TRUE(shortDoc.scroll.verticalScroller()->isHidden());
        EXPECT_TRUE(shortDoc.doc->scrollPoint(QPointF(0, 0)));
        EXPECT_TRUE(equalPoints(shortDoc.origin(), QPointF(0, flipped ? 0 : -40)));
        // Growing past the clip view brings the scroller back; without auto-hide it stays.
        shortDoc.doc->setFrameSize(QSizeF(100, 200));
        EXPECT_FALSE(shortDoc.scroll.verticalScroller()->isHidden());
        EXPECT_DOUBLE_EQ(shortDoc.scroll.verticalScroller()->knobProportion(), 0.5);
        shortDoc.doc->setFrameSize(QSizeF(100, 50));
        EXPECT_TRUE(shortDoc.scroll.verticalScroller()->isHidden());
        shortDoc.scroll.setAutohidesScrollers(false);
        EXPECT_FALSE(shortDoc.scroll.verticalScroller()->isHidden());
    }
}

TEST(ScrollView, LegacyScrollersTakeTheirWidthAndOverlayScrollersLieOverTheContent) {
    Scrolled s(true);
    EXPECT_DOUBLE_EQ(s.scroll.contentSize().width(), 100);
    EXPECT_TRUE(sameRect(s.scroll.verticalScroller()->frame(), QRectF(89, 0, 11, 100)));
    s.scroll.setScrollerStyle(Scroller::Style::Legacy);
    EXPECT_DOUBLE_EQ(s.scroll.contentSize().width(), 85);
    EXPECT_TRUE(sameRect(s.scroll.verticalScroller()->frame(), QRectF(85, 0, 15, 100)));
    s.scroll.setHasVerticalScroller(false);
    EXPECT_DOUBLE_EQ(s.scroll.contentSize().width(), 100);
    EXPECT_TRUE(s.scroll.verticalScroller()->isHidden());
}

TEST(ScrollView, ScrollRectToVisibleMovesAsLittleAsItTakes) {
    for (bool flipped : {false, true}) {
        Scrolled s(flipped);
        // From the top, show a band 20 points high starting 250 points down.
        const double top = flipped ? 250 : 400 - 250 - 20;
        EXPECT_TRUE(s.doc->scrollRectToVisible(QRectF(0, top, 10, 20)));
        const QRectF seen = s.scroll.documentVisibleRect();
        // The band's far edge lands on the clip view's bottom edge.
        EXPECT_DOUBLE_EQ(flipped ? maxY(seen) : seen.y(), flipped ? 270 : top);
        EXPECT_FALSE(s.doc->scrollRectToVisible(QRectF(0, top, 10, 20)));
    }
}

TEST(ScrollView, PagingAndDraggingTheKnobScrollTheDocument) {
    Window w(QRectF(100, 100, 200, 200));
    auto* content = new View(QRectF(0, 0, 200, 200));
    w.setContentView(content);
    auto* scroll = new ScrollView(QRectF(0, 0, 100, 100));
    auto* follower = new FollowingScroller;
    scroll->setVerticalScroller(follower);
    auto* doc = new DrawingView(QRectF(0, 0, 100, 400), false);
    scroll->setDocumentView(doc);
    content->addSubview(scroll);
    w.makeKeyAndOrderFront();
    auto origin = [&] { return scroll->contentView()->bounds().y(); };
    ASSERT_DOUBLE_EQ(origin(), 300);

    // A click below the knob pages down by the clip view's height less 10 points.
    w.sendEvent(Event::mouseEvent(EventType::LeftMouseDown, QPointF(94, 20)));
    w.sendEvent(Event::mouseEvent(EventType::LeftMouseUp, QPointF(94, 20)));
    EXPECT_EQ(follower->hitPart(), Part::IncrementPage);
    EXPECT_DOUBLE_EQ(origin(), 210);
    EXPECT_DOUBLE_EQ(follower->doubleValue(), 0.3);

    // Take the knob by its centre (the knob is 25 long, its top at 77.5) and drag
    // it 37.5 points down: its top ends at 40, value 0.8.
    follower->seen.clear();
    w.postEvent(Event::mouseEvent(EventType::LeftMouseDragged, QPointF(94, 45)));
    w.postEvent(Event::mouseEvent(EventType::LeftMouseDragged, QPointF(94, 27.5)));
    w.postEvent(Event::mouseEvent(EventType::LeftMouseUp, QPointF(94, 27.5)));
    w.sendEvent(Event::mouseEvent(EventType::LeftMouseDown, QPointF(94, 65)));
    EXPECT_EQ(follower->hitPart(), Part::Knob);
    EXPECT_NEAR(follower->doubleValue(), 0.8, 1e-9);
    EXPECT_NEAR(origin(), 60, 1e-9);
    EXPECT_GE(follower->seen.size(), 2u);

    // Option-click in the slot jumps there: the knob's centre under the pointer.
    w.postEvent(Event::mouseEvent(EventType::LeftMouseUp, QPointF(94, 87.5)));
    w.sendEvent(
        Event::mouseEvent(EventType::LeftMouseDown, QPointF(94, 87.5), ModifierFlags::Option));
    EXPECT_EQ(follower->hitPart(), Part::KnobSlot);
    EXPECT_NEAR(follower->doubleValue(), 0.0, 1e-9);
    EXPECT_NEAR(origin(), 300, 1e-9);
}

TEST(ScrollView, WheelEventsScrollFromTheDocumentFromElsewhereAndFromQt) {
    Window w(QRectF(100, 100, 300, 200));
    auto* content = new WheelCatcher(QRectF(0, 0, 300, 200));
    w.setContentView(content);
    auto* scroll = new ScrollView(QRectF(0, 0, 100, 100));
    auto* doc = new DrawingView(QRectF(0, 0, 100, 400), true);
    scroll->setDocumentView(doc);
    content->addSubview(scroll);
    auto* forwarder = new WheelForwarder(QRectF(150, 0, 100, 100), scroll);
    content->addSubview(forwarder);
    w.makeKeyAndOrderFront();
    auto origin = [&] { return scroll->contentView()->bounds().y(); };

    // Three lines down over the document (ten points a line).
    w.sendEvent(Event::scrollEvent(QPointF(50, 50), 0, -3));
    EXPECT_DOUBLE_EQ(origin(), 30);
    // Precise deltas are points; beyond the ends the document stops.
    w.sendEvent(
        Event::scrollEvent(QPointF(50, 50), 0, 12, EventPhase::Changed, EventPhase::None, true));
    EXPECT_DOUBLE_EQ(origin(), 18);
    w.sendEvent(Event::scrollEvent(QPointF(50, 50), 0, -1000));
    EXPECT_DOUBLE_EQ(origin(), 300);
    EXPECT_DOUBLE_EQ(scroll->verticalScroller()->doubleValue(), 1.0);
    // Over another view that hands its wheel events to the scroll view.
    w.sendEvent(Event::scrollEvent(QPointF(200, 50), 0, 5));
    EXPECT_DOUBLE_EQ(origin(), 250);
    EXPECT_TRUE(content->deltas.empty());

    // A Qt wheel turn over the document's widget (in its pixels, the part in sight):
    // three notches up are three lines.
    const QPointF at(50, 300);
    QWheelEvent turn(at, doc->mapToGlobal(at), QPoint(), QPoint(0, 360), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(doc, &turn);
    EXPECT_DOUBLE_EQ(origin(), 220);

    // A document that fits has nothing to scroll: the event goes on up the chain.
    doc->setFrameSize(QSizeF(100, 80));
    w.sendEvent(Event::scrollEvent(QPointF(50, 50), 0, -2));
    ASSERT_EQ(content->deltas.size(), 1u);
    EXPECT_DOUBLE_EQ(content->deltas[0], -20);
}
