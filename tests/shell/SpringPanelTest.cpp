// The spring panel: its place beside the reference rectangle on a screen whose
// origin is not (0, 0), re-aiming while open, the blocking spring animations, and
// the box and anchor its view draws.

#include "ShellTestViews.h"
#include "platform/kit/Animation.h"
#include "platform/kit/Screen.h"
#include "platform/kit/View.h"
#include "platform/kit/Window.h"
#include "shell/SpringPanel.h"
#include "shell/SpringPanelView.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QObject>
#include <QPainter>
#include <QResizeEvent>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

using kit::Animation;
using shelltest::ranEventLoop;

namespace {

// The main screen at (0, 0), and a second one left of it and 200 points higher.
const QRectF kMainScreen(0, 0, 1600, 1000);
const QRectF kLeftScreen(-1200, 200, 1200, 800);

// Counts the closings the panel announces.
class CloseCounter : public QObject {
    Q_OBJECT
public:
    int closes = 0;
    Q_INVOKABLE void windowWillClose(QObject*) { ++closes; }
};

// Two screens, animations that end at once.
class SpringPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        kit::Screen::setFramesForTesting({kMainScreen, kLeftScreen});
        Animation::setInstantForTesting(true);
    }
    void TearDown() override {
        Animation::setInstantForTesting(false);
        kit::Screen::setFramesForTesting({});
    }
};

}  // namespace

TEST_F(SpringPanelTest, OptimalPositionFlipsAndClampsOnTheScreenHoldingTheAnchor) {
    struct Case {
        const char* what;
        int desired;
        QRectF reference;
        QSizeF panel;
        QPointF origin;
        int actual;
    };
    // The left screen: x from -1200 to 0, y from 200 to 1000.
    const QSizeF p(300, 200);
    const std::vector<Case> cases = {
        {"left with room", 1, {-600, 500, 40, 20}, p, {-900, 410}, 1},
        {"left without room goes right", 1, {-1100, 500, 40, 20}, p, {-1060, 410}, 2},
        {"left flips right even past the right edge", 1, {-1150, 500, 1100, 20}, p, {-50, 410}, 2},
        {"left near the top keeps 22 points free", 1, {-600, 950, 40, 20}, p, {-900, 778}, 1},
        {"left near the bottom", 1, {-600, 210, 40, 20}, p, {-900, 200}, 1},
        {"left, taller than the screen: the top clamp wins",
         1,
         {-600, 500, 40, 20},
         {300, 790},
         {-900, 188},
         1},
        {"right with room", 2, {-600, 500, 40, 20}, p, {-560, 410}, 2},
        {"right near the right edge goes left", 2, {-200, 500, 40, 20}, p, {-500, 410}, 1},
        {"right, left side exactly at the edge: stays and reaches past",
         2,
         {-900, 500, 850, 20},
         p,
         {-50, 410},
         2},
        {"right near the top keeps 22 points free", 2, {-600, 990, 40, 10}, p, {-560, 778}, 2},
        {"up with room", 3, {-600, 500, 40, 20}, p, {-730, 520}, 3},
        {"up near the top goes below", 3, {-600, 900, 40, 20}, p, {-730, 700}, 4},
        {"up may reach the top edge: no margin", 3, {-600, 780, 40, 20}, p, {-730, 800}, 3},
        {"up near the right edge", 3, {-100, 500, 40, 20}, p, {-300, 520}, 3},
        {"up near the left edge", 3, {-1190, 500, 40, 20}, p, {-1200, 520}, 3},
        {"up, wider than the screen: the left clamp wins",
         3,
         {-600, 500, 40, 20},
         {1300, 200},
         {-1200, 520},
         3},
        {"down with room", 4, {-600, 500, 40, 20}, p, {-730, 300}, 4},
        {"down near the bottom goes above", 4, {-600, 350, 40, 20}, p, {-730, 370}, 3},
        {"down without room above reaches under the screen",
         4,
         {-600, 350, 40, 20},
         {300, 700},
         {-730, -350},
         4},
        {"down, above exactly filling the screen: stays",
         4,
         {-600, 350, 40, 20},
         {300, 630},
         {-730, -280},
         4},
        {"no direction is down", 0, {-600, 500, 40, 20}, p, {-730, 300}, 4},
        {"an unknown direction is down", 7, {-600, 500, 40, 20}, p, {-730, 300}, 4},
        {"on the main screen, left without room", 1, {10, 500, 40, 20}, p, {50, 410}, 2},
        {"anchor on no screen: the main one, never a zero-size one",
         1,
         {2000, 500, 40, 20},
         p,
         {1300, 410},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SpringPanel panel(QRectF(QPointF(5, 5), c.panel));
        panel.setOpeningDirection(c.desired);
        panel.setReferenceRectOnScreen(c.reference);
        EXPECT_EQ(panel.optimalPanelPosition(), c.origin);
        EXPECT_EQ(panel.actualOpeningDirection(), c.actual);
        EXPECT_EQ(panel.panelView()->openingDirection(), c.actual);
        // The anchor, in the panel's coordinates, is where the panel will be.
        EXPECT_EQ(panel.panelView()->springOrigin(), panel.anchorPoint() - c.origin);
        EXPECT_EQ(panel.frame().topLeft(), QPointF(5, 5)) << "computing moves nothing";
    }
}

TEST_F(SpringPanelTest, PositionPanelMovesToTheOptimalPlace) {
    SpringPanel panel(QRectF(0, 0, 300, 200));
    panel.setOpeningDirection(SpringPanel::Right);
    panel.setReferenceRectOnScreen(QRectF(-600, 500, 40, 20));
    panel.positionPanel();
    EXPECT_EQ(panel.frame(), QRectF(-560, 410, 300, 200));
    // The anchor point sits on the left edge, in the middle.
    EXPECT_EQ(panel.anchorPoint(), QPointF(-560, 510));
    EXPECT_EQ(panel.panelView()->springOrigin(), QPointF(0, 100));
}

TEST_F(SpringPanelTest, ReaimingKeepsThePanelWhileTheAnchorIs44PointsFromTheEnds) {
    // Open to the right of a rectangle: the left edge, x = -560, y from 410 to 610,
    // takes anchors from y = 454 to y = 566.
    struct Case {
        const char* what;
        QRectF reference;  // its anchor: the middle of its right edge
        bool stays;
    };
    const std::vector<Case> cases = {
        {"44 points below the top end", {-600, 556, 40, 20}, true},
        {"43 points below the top end", {-600, 557, 40, 20}, false},
        {"44 points above the bottom end", {-600, 444, 40, 20}, true},
        {"43 points above the bottom end", {-600, 443, 40, 20}, false},
        {"off the edge sideways", {-601, 500, 40, 20}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SpringPanel panel(QRectF(0, 0, 300, 200));
        panel.setOpeningDirection(SpringPanel::Right);
        panel.setReferenceRectOnScreen(QRectF(-600, 500, 40, 20));
        panel.positionPanel();
        panel.setReferenceRectOnScreen(c.reference);
        panel.positionPanelKeepingAnchorAnimateMove(true, true);
        const QPointF anchor = panel.anchorPoint();
        if (c.stays) {
            EXPECT_EQ(panel.frame().topLeft(), QPointF(-560, 410));
        } else {
            const float y = float(c.reference.y()) + (20.0f - 200.0f) / 2;
            EXPECT_EQ(panel.frame().topLeft(), QPointF(c.reference.x() + 40, y));
        }
        // Either way the triangle points at the new anchor.
        EXPECT_EQ(panel.panelView()->springOrigin(), anchor - panel.frame().topLeft());
    }
}

TEST_F(SpringPanelTest, ReaimingRepositionsAPanelThatNoLongerFitsItsScreen) {
    SpringPanel panel(QRectF(0, 0, 300, 200));
    panel.setOpeningDirection(SpringPanel::Up);
    panel.setReferenceRectOnScreen(QRectF(-600, 780, 40, 20));
    panel.positionPanel();  // up to the top edge of the screen, margin or not
    ASSERT_EQ(panel.frame().topLeft(), QPointF(-730, 800));
    EXPECT_FALSE(panel.panelFitsScreen());
    // The anchor lies on the panel's bottom edge, yet the panel is placed afresh:
    // an open panel keeps out of the top 22 points.
    panel.setReferenceRectOnScreen(QRectF(-590, 780, 40, 20));
    ASSERT_TRUE(panel.anchorPointMatchesPanelPosition(panel.anchorPoint()));
    panel.positionPanelKeepingAnchorAnimateMove(true, false);
    EXPECT_EQ(panel.frame().topLeft(), QPointF(-720, 800));

    // Left of the screen's left edge does not fit either (the screen's own edge,
    // not x = 0).
    panel.setFrameOrigin(QPointF(-1201, 500));
    EXPECT_FALSE(panel.panelFitsScreen());
    panel.setFrameOrigin(QPointF(-1200, 500));
    EXPECT_TRUE(panel.panelFitsScreen());
}

TEST_F(SpringPanelTest, ARepositioningToTheSamePlaceDoesNotAnimate) {
    Animation::setInstantForTesting(false);
    SpringPanel panel(QRectF(0, 0, 300, 200));
    panel.setOpeningDirection(SpringPanel::Down);
    panel.setReferenceRectOnScreen(QRectF(-600, 500, 40, 20));
    panel.positionPanel();
    // Without keeping, the optimal origin is where the panel is already.
    EXPECT_FALSE(ranEventLoop([&] { panel.positionPanelKeepingAnchorAnimateMove(false, true); }));
    EXPECT_EQ(panel.frame().topLeft(), QPointF(-730, 300));
    // A real move slides, blocking.
    panel.setReferenceRectOnScreen(QRectF(-500, 500, 40, 20));
    EXPECT_TRUE(ranEventLoop([&] { panel.positionPanelKeepingAnchorAnimateMove(false, true); }));
    EXPECT_EQ(panel.frame().topLeft(), QPointF(-630, 300));
    // Unanimated, it moves at once.
    panel.setReferenceRectOnScreen(QRectF(-400, 500, 40, 20));
    EXPECT_FALSE(ranEventLoop([&] { panel.positionPanelKeepingAnchorAnimateMove(false, false); }));
    EXPECT_EQ(panel.frame().topLeft(), QPointF(-530, 300));
}

TEST_F(SpringPanelTest, OpensAndClosesAsBlockingSpringsEndingWithTheFullFrame) {
    for (const bool fade : {false, true}) {
        SCOPED_TRACE(fade ? "faded" : "plain");
        SpringPanel panel(QRectF(0, 0, 300, 200));
        auto* label = new kit::View(QRectF(30, 30, 100, 20));
        auto* hiddenOne = new kit::View(QRectF(30, 80, 100, 20));
        hiddenOne->setHidden(true);
        panel.panelView()->addSubview(label);
        panel.panelView()->addSubview(hiddenOne);
        CloseCounter counter;
        panel.setDelegate(&counter);
        panel.setOpeningDirection(SpringPanel::Left);
        panel.setReferenceRectOnScreen(QRectF(-600, 500, 40, 20));
        panel.positionPanel();
        const QRectF full = panel.frame();

        // While it springs the view shows its snapshot, its subviews hidden.
        std::vector<QRectF> frames;
        std::vector<bool> springing;
        Animation::setInstantForTesting(false);
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            frames.push_back(panel.frame());
            springing.push_back(panel.panelView()->inLiveSpring() && label->isHidden());
        });
        probe.start(5);
        panel.springOpenWithFadeIn(fade);
        probe.stop();
        Animation::setInstantForTesting(true);
        ASSERT_FALSE(frames.empty()) << "the opening blocks in an animation";
        for (size_t i = 0; i < frames.size(); ++i) {
            EXPECT_TRUE(springing[i]);
            EXPECT_LE(frames[i].width(), full.width());
        }
        EXPECT_TRUE(panel.isVisible());
        EXPECT_EQ(panel.frame(), full);
        EXPECT_DOUBLE_EQ(panel.alphaValue(), 1.0);
        EXPECT_FALSE(panel.panelView()->inLiveSpring());
        EXPECT_FALSE(label->isHidden());
        EXPECT_TRUE(hiddenOne->isHidden()) << "a hidden subview stays hidden";
        EXPECT_EQ(label->frame(), QRectF(30, 30, 100, 20)) << "subviews keep their frames";

        panel.springCloseWithFadeOut(fade);
        EXPECT_FALSE(panel.isVisible());
        EXPECT_TRUE(panel.isClosed());
        EXPECT_EQ(counter.closes, 1);
        EXPECT_EQ(panel.frame(), full) << "the next opening has the full size";
        EXPECT_FALSE(label->isHidden());
        EXPECT_EQ(label->frame(), QRectF(30, 30, 100, 20));

        // Closing a closed panel changes nothing.
        panel.springCloseWithFadeOut(fade);
        EXPECT_EQ(counter.closes, 1);
        EXPECT_EQ(panel.frame(), full);
    }
}

// The window system may report the size the panel shrank to after it closed
// (an X server does so late); the panel keeps the frame it was given, so that
// its next opening needs no help from its controller. An ordinary window takes
// such a report as a resize by the user.
TEST_F(SpringPanelTest, AShrunkSizeReportedAfterTheCloseIsNotTaken) {
    const auto reportSize = [](kit::Window& window, const QSize& size) {
        QWidget* widget = window.widget();
        const QSize old = widget->size();
        widget->setGeometry(QRect(widget->geometry().topLeft(), size));
        QResizeEvent event(size, old);
        QCoreApplication::sendEvent(widget, &event);
    };
    SpringPanel panel(QRectF(0, 0, 300, 200));
    panel.setOpeningDirection(SpringPanel::Right);
    panel.setReferenceRectOnScreen(QRectF(200, 500, 40, 20));
    panel.positionPanel();
    const QRectF full = panel.frame();
    for (int round = 0; round < 2; ++round) {
        panel.springOpenWithFadeIn(false);
        EXPECT_EQ(panel.frame(), full) << round;
        EXPECT_EQ(panel.widget()->size(), QSize(300, 200)) << round;
        panel.springCloseWithFadeOut(false);
        reportSize(panel, QSize(1, 1));
        EXPECT_EQ(panel.frame(), full) << round;
        EXPECT_EQ(panel.widget()->size(), QSize(300, 200)) << round;
        panel.positionPanel();
        EXPECT_EQ(panel.frame(), full) << round;
    }

    kit::Window plain(QRectF(0, 0, 300, 200));
    plain.orderFront();
    reportSize(plain, QSize(250, 150));
    EXPECT_EQ(plain.frame().size(), QSizeF(250, 150));
    plain.orderOut();
}

TEST_F(SpringPanelTest, ClosingAPanelNeverOpenedChangesNothing) {
    SpringPanel panel(QRectF(20, 30, 300, 200));
    CloseCounter counter;
    panel.setDelegate(&counter);
    panel.setReferenceRectOnScreen(QRectF(-600, 500, 40, 20));
    EXPECT_FALSE(ranEventLoop([&] { panel.springCloseWithFadeOut(false); }));
    EXPECT_EQ(counter.closes, 0);
    EXPECT_EQ(panel.frame(), QRectF(20, 30, 300, 200));
    EXPECT_FALSE(panel.isVisible());
}

TEST_F(SpringPanelTest, IsABorderlessFloatingPanelThatBecomesKeyOnlyWhenAllowed) {
    SpringPanel panel(QRectF(0, 0, 300, 200), kit::Window::Titled | kit::Window::Resizable);
    EXPECT_EQ(panel.styleMask(), unsigned(kit::Window::Borderless));
    EXPECT_TRUE(panel.isFloatingPanel());
    EXPECT_FALSE(panel.hasShadow());
    EXPECT_TRUE(panel.hidesOnDeactivate());
    EXPECT_EQ(panel.backgroundColor().alpha(), 0);
    EXPECT_FALSE(panel.canBecomeKeyWindow());
    panel.setCanBecomeKeyWindow(true);
    EXPECT_TRUE(panel.canBecomeKeyWindow());
    EXPECT_EQ(panel.contentView(), panel.panelView());
    EXPECT_TRUE(panel.panelView()->drawsAnchor());
}

TEST_F(SpringPanelTest, WhereWindowsCannotPlaceThemselvesItOpensAsAPopupOfItsWindow) {
    kit::Panel::setDesktopPlacesWindowsForTesting(false);
    kit::Window owner(QRectF(-1000, 300, 600, 500));
    owner.orderFront();
    SpringPanel panel(QRectF(0, 0, 300, 200));
    panel.setOpeningDirection(SpringPanel::Right);
    panel.setReferenceRectOnScreen(QRectF(-900, 500, 40, 20));
    panel.positionPanel();
    panel.springOpenWithFadeIn(false);
    EXPECT_EQ(panel.parentWindow(), &owner);
    EXPECT_EQ(panel.widget()->windowType(), Qt::ToolTip);
    ASSERT_NE(panel.widget()->windowHandle(), nullptr);
    EXPECT_EQ(panel.widget()->windowHandle()->transientParent(), owner.widget()->windowHandle());
    EXPECT_EQ(panel.frame(), QRectF(-860, 410, 300, 200));
    panel.springCloseWithFadeOut(false);
    kit::Panel::setDesktopPlacesWindowsForTesting(std::nullopt);
}

TEST_F(SpringPanelTest, APanelOpenedBesideADayCellPointsAtIt) {
    // A window of cells on the main screen, and a panel opening right of one.
    kit::Window window(QRectF(100, 100, 400, 300));
    window.setBackgroundColor(QColor(Qt::white));
    std::vector<kit::View*> cells;
    for (int row = 0; row < 6; ++row)
        for (int column = 0; column < 7; ++column) {
            const QColor color =
                row == 3 && column == 1 ? QColor(255, 200, 80) : QColor(230, 235, 245);
            auto* cell =
                new shelltest::PaneView(QRectF(10 + column * 54, 10 + row * 46, 50, 42), color);
            window.contentView()->addSubview(cell);
            cells.push_back(cell);
        }
    window.orderFront();
    kit::View* cell = cells[3 * 7 + 1];
    const QRectF reference =
        window.convertRectToScreen(cell->convertRectToView(cell->bounds(), nullptr));
    ASSERT_EQ(reference, QRectF(164, 248, 50, 42));

    SpringPanel panel(QRectF(0, 0, 240, 160));
    auto* text = new shelltest::PaneView(QRectF(40, 40, 160, 80), QColor(90, 90, 90));
    panel.panelView()->addSubview(text);
    panel.setOpeningDirection(SpringPanel::Right);
    panel.setReferenceRectOnScreen(reference);
    panel.positionPanel();
    panel.springOpenWithFadeIn(false);
    ASSERT_EQ(panel.frame(), QRectF(214, 189, 240, 160));

    // Both windows drawn where they are on screen (y upwards), the panel on top.
    const QRectF all = window.frame().united(panel.frame());
    QImage screen(all.size().toSize(), QImage::Format_ARGB32_Premultiplied);
    screen.fill(QColor(60, 70, 90));
    {
        QPainter painter(&screen);
        const auto place = [&](kit::Window& w) {
            const QRectF f = w.frame();
            painter.drawImage(QPointF(f.x() - all.x(), all.y() + all.height() - f.y() - f.height()),
                              w.contentView()->renderToImage());
        };
        painter.fillRect(
            QRectF(window.frame().x() - all.x(),
                   all.y() + all.height() - window.frame().y() - window.frame().height(), 400, 300),
            Qt::white);
        place(window);
        place(panel);
    }
    testsupport::saveForInspection(screen, "spring-panel-beside-a-cell");
    // The anchor's tip touches the cell's right edge at its middle: 4 points to
    // its right the triangle darkens the white window; 4 points above the
    // triangle's reach it does not.
    const auto at = [&](double x, double y) {
        return testsupport::pixel(screen, int(x - all.x()), int(all.y() + all.height() - 1 - y));
    };
    EXPECT_LT(at(218, 269).red(), 120);
    EXPECT_GT(at(218, 278).red(), 200);
    panel.springCloseWithFadeOut(false);
}

namespace {

// The view of a 200 by 150 panel with its anchor at `origin` on the edge for
// `direction`, rendered.
QImage renderView(int direction, const QPointF& origin, bool drawsAnchor = true) {
    SpringPanelView view(QRectF(0, 0, 200, 150));
    view.setOpeningDirection(direction);
    view.setSpringOrigin(origin);
    view.setDrawsAnchor(drawsAnchor);
    return view.renderToImage();
}

// Whether the box colour (black at 0.75) is at a point given with y upwards.
bool dark(const QImage& image, double x, double y) {
    const QColor c = testsupport::pixel(image, int(x), image.height() - 1 - int(y));
    return c.alpha() > 170 && c.alpha() < 210 && c.red() < 20;
}
bool clear(const QImage& image, double x, double y) {
    return testsupport::pixel(image, int(x), image.height() - 1 - int(y)).alpha() == 0;
}

}  // namespace

TEST(SpringPanelView, DrawsTheBoxAndTheAnchorOnTheEdgeFacingTheTarget) {
    struct Case {
        const char* what;
        int direction;
        QPointF origin;
        QPointF insideTip;  // 6 points in from the tip
        bool drawn;
    };
    const std::vector<Case> cases = {
        {"right edge", 1, {200, 75}, {194, 75}, true},
        {"left edge", 2, {0, 75}, {6, 75}, true},
        {"bottom edge", 3, {100, 0}, {100, 6}, true},
        {"top edge", 4, {100, 150}, {100, 144}, true},
        {"left edge, 44 from the bottom", 2, {0, 44}, {6, 44}, true},
        {"left edge, 43 from the bottom", 2, {0, 43}, {6, 43}, false},
        {"right edge, 44 from the top", 1, {200, 106}, {194, 106}, true},
        {"right edge, 43 from the top", 1, {200, 107}, {194, 107}, false},
        {"top edge, 44 from the left", 4, {44, 150}, {44, 144}, true},
        {"top edge, 43 from the left", 4, {43, 150}, {43, 144}, false},
        {"bottom edge, 44 from the right", 3, {156, 0}, {156, 6}, true},
        {"bottom edge, 43 from the right", 3, {157, 0}, {157, 6}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QImage image = renderView(c.direction, c.origin);
        EXPECT_TRUE(dark(image, 100, 75)) << "the box";
        EXPECT_TRUE(clear(image, 4, 4)) << "outside the rounded corner";
        EXPECT_TRUE(clear(image, 18, 18)) << "inside the band, beyond the corner's curve";
        EXPECT_TRUE(dark(image, 30, 30));
        EXPECT_EQ(dark(image, c.insideTip.x(), c.insideTip.y()), c.drawn);
        if (!c.drawn) EXPECT_TRUE(clear(image, c.insideTip.x(), c.insideTip.y()));
    }
    // Without the anchor only the box is drawn.
    const QImage plain = renderView(4, QPointF(100, 150), false);
    EXPECT_TRUE(dark(plain, 100, 75));
    EXPECT_TRUE(clear(plain, 100, 144));
    testsupport::saveForInspection(renderView(4, QPointF(100, 150)), "spring-view-top-anchor");
}

TEST(SpringPanelView, DrawsNothingBelow48PointsAndOnlyTheSnapshotWhileSpringing) {
    SpringPanelView narrow(QRectF(0, 0, 47, 150));
    narrow.setOpeningDirection(4);
    narrow.setSpringOrigin(QPointF(23, 150));
    const QImage empty = narrow.renderToImage();
    for (int y = 0; y < empty.height(); y += 5)
        for (int x = 0; x < empty.width(); x += 5)
            ASSERT_EQ(testsupport::pixel(empty, x, y).alpha(), 0) << x << "," << y;

    // The snapshot is stretched with the view while the spring runs.
    SpringPanelView view(QRectF(0, 0, 200, 150));
    view.setOpeningDirection(4);
    view.setSpringOrigin(QPointF(100, 150));
    view.startSpring();
    view.setFrame(QRectF(0, 0, 100, 75));
    const QImage half = view.renderToImage();
    EXPECT_TRUE(dark(half, 50, 37)) << "the box, shrunk";
    EXPECT_TRUE(dark(half, 50, 72)) << "the anchor, shrunk with it";
    view.stopSpring();
    EXPECT_FALSE(view.inLiveSpring());
}

#include "SpringPanelTest.moc"
