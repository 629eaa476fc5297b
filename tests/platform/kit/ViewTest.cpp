// View geometry: frames and bounds in both directions of y, Qt widget geometry,
// conversions, autoresizing, the hierarchy, notifications and live resize.

#include "KitTestViews.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Font.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Screen.h"
#include "platform/kit/TextAttributes.h"
#include "platform/kit/Window.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QPainter>

#include <gtest/gtest.h>

#include <thread>

using namespace kit;
using kittest::DrawingView;

TEST(ViewGeometry, QtGeometryFollowsTheFrameWithYUpwardsOrDownwards) {
    DrawingView up(QRectF(0, 0, 200, 100), false);
    DrawingView down(QRectF(0, 0, 200, 100), true);
    auto* a = new DrawingView(QRectF(10, 20, 50, 40), false);
    auto* b = new DrawingView(QRectF(10, 20, 50, 40), false);
    up.addSubview(a);
    down.addSubview(b);
    EXPECT_EQ(a->geometry(), QRect(10, 40, 50, 40));  // 100 - 20 - 40 from the top
    EXPECT_EQ(b->geometry(), QRect(10, 20, 50, 40));
    // The superview's height changes: the unflipped child keeps its distance
    // from the bottom edge, so its widget moves.
    up.setAutoresizesSubviews(false);
    up.setFrameSize(QSizeF(200, 150));
    EXPECT_EQ(a->frame(), QRectF(10, 20, 50, 40));
    EXPECT_EQ(a->geometry(), QRect(10, 90, 50, 40));
    // A fractional frame keeps its fraction; the widget covers the whole pixels.
    a->setFrame(QRectF(10.5, 20.25, 50, 40));
    EXPECT_EQ(a->frame(), QRectF(10.5, 20.25, 50, 40));
    EXPECT_EQ(a->geometry(), QRect(10, 89, 51, 41));
}

TEST(ViewGeometry, ConversionsBetweenFlippedAndUnflippedViews) {
    Window window(QRectF(300, 200, 200, 100));
    View* content = window.contentView();
    auto* flipped = new DrawingView(QRectF(10, 20, 50, 40), true);
    auto* inner = new DrawingView(QRectF(5, 5, 10, 10), false);
    content->addSubview(flipped);
    flipped->addSubview(inner);
    // The flipped view's origin is its top left corner: (10, 60) in the content view.
    EXPECT_EQ(flipped->convertPointToView(QPointF(0, 0), content), QPointF(10, 60));
    EXPECT_EQ(content->convertPointToView(QPointF(10, 60), flipped), QPointF(0, 0));
    EXPECT_EQ(flipped->convertRectToView(QRectF(0, 0, 10, 5), content), QRectF(10, 55, 10, 5));
    // inner (unflipped) at (5, 5, 10, 10) in the flipped view: its origin is its
    // lower left corner, 15 points below the flipped view's top.
    EXPECT_EQ(inner->convertPointToView(QPointF(0, 0), nullptr), QPointF(15, 45));
    EXPECT_EQ(inner->convertPointFromView(QPointF(15, 45), nullptr), QPointF(0, 0));
    EXPECT_EQ(inner->convertPointToView(QPointF(2, 3), flipped), QPointF(7, 12));
    EXPECT_EQ(inner->convertSizeToView(QSizeF(4, 6), flipped), QSizeF(4, 6));
    // Screen: the window's frame origin is added.
    EXPECT_EQ(inner->convertRectToScreen(QRectF(0, 0, 1, 1)), QRectF(315, 245, 1, 1));
    EXPECT_EQ(inner->convertPointFromScreen(QPointF(315, 245)), QPointF(0, 0));
    // Bounds origins shift a view's coordinates.
    flipped->setBoundsOrigin(QPointF(0, 10));
    EXPECT_EQ(flipped->convertPointToView(QPointF(0, 10), content), QPointF(10, 60));
    EXPECT_EQ(inner->convertPointToView(QPointF(0, 0), nullptr), QPointF(15, 55));
}

TEST(ViewGeometry, ScreenCoordinatesMirrorQtsGlobalOnes) {
    const QRectF screen = Screen::mainFrame();
    ASSERT_GT(screen.height(), 0);
    EXPECT_EQ(Screen::toQtRect(QRectF(10, 0, 100, 50)), QRectF(10, screen.height() - 50, 100, 50));
    EXPECT_EQ(Screen::fromQtRect(Screen::toQtRect(QRectF(1, 2, 3, 4))), QRectF(1, 2, 3, 4));
    Window window(QRectF(40, 30, 120, 80));
    const QRect g = window.widget()->geometry();
    EXPECT_EQ(g, QRect(40, int(screen.height()) - 110, 120, 80));
}

TEST(ViewGeometry, AutoresizingSharesTheChangeAmongFlexibleParts) {
    // The superview grows from 200 x 100 to 300 x 150; the child starts at
    // (20, 10, 100, 50), so its margins are 20 and 80 across, 10 and 40 up.
    struct Case {
        unsigned mask;
        QRectF expected;
    } cases[] = {
        {View::NotSizable, QRectF(20, 10, 100, 50)},
        {View::WidthSizable, QRectF(20, 10, 200, 50)},
        {View::MinXMargin, QRectF(120, 10, 100, 50)},
        {View::MinXMargin | View::MaxXMargin, QRectF(40, 10, 100, 50)},  // 20:80 of 100
        {View::WidthSizable | View::MaxXMargin, QRectF(20, 10, 155.555555555555, 50)},
        {View::HeightSizable, QRectF(20, 10, 100, 100)},
        {View::MinYMargin, QRectF(20, 60, 100, 50)},
        {View::WidthSizable | View::HeightSizable, QRectF(20, 10, 200, 100)},
    };
    for (const Case& c : cases) {
        DrawingView parent(QRectF(0, 0, 200, 100), false);
        auto* child = new DrawingView(QRectF(20, 10, 100, 50), false);
        parent.addSubview(child);
        child->setAutoresizingMask(c.mask);
        parent.setFrameSize(QSizeF(300, 150));
        EXPECT_NEAR(child->frame().x(), c.expected.x(), 1e-6) << c.mask;
        EXPECT_NEAR(child->frame().y(), c.expected.y(), 1e-6) << c.mask;
        EXPECT_NEAR(child->frame().width(), c.expected.width(), 1e-6) << c.mask;
        EXPECT_NEAR(child->frame().height(), c.expected.height(), 1e-6) << c.mask;
    }
    // Not when the superview does not autoresize its subviews.
    DrawingView parent(QRectF(0, 0, 200, 100), false);
    auto* child = new DrawingView(QRectF(20, 10, 100, 50), false);
    parent.addSubview(child);
    child->setAutoresizingMask(View::WidthSizable);
    parent.setAutoresizesSubviews(false);
    parent.setFrameSize(QSizeF(300, 150));
    EXPECT_EQ(child->frame(), QRectF(20, 10, 100, 50));
}

TEST(ViewGeometry, ResizeSubviewsCanBeTakenOverAndFrameChangesArePosted) {
    class Stack : public DrawingView {
    public:
        using DrawingView::DrawingView;
        void resizeSubviewsWithOldSize(const QSizeF& old) override { olds.push_back(old); }
        std::vector<QSizeF> olds;
    };
    Stack v(QRectF(0, 0, 100, 100), false);
    int posted = 0;
    foundation::NotificationCenter::defaultCenter().addObserver(
        &posted, View::frameDidChangeNotification(), &v,
        [&](const foundation::Notification&) { ++posted; });
    v.setFrameOrigin(QPointF(5, 5));
    EXPECT_EQ(posted, 0);  // not posting yet
    v.setPostsFrameChangedNotifications(true);
    v.setFrameSize(QSizeF(120, 80));
    v.setFrameSize(QSizeF(120, 80));  // no change, no notice
    v.setFrameOrigin(QPointF(6, 6));
    EXPECT_EQ(posted, 2);
    ASSERT_EQ(v.olds.size(), 1u);  // only size changes resize subviews
    EXPECT_EQ(v.olds[0], QSizeF(100, 100));
    foundation::NotificationCenter::defaultCenter().removeObserver(&posted);
}

TEST(ViewHierarchy, SubviewsKeepTheirOrderInQtsStacking) {
    DrawingView parent(QRectF(0, 0, 100, 100), false);
    auto* a = new DrawingView(QRectF(), false);
    auto* b = new DrawingView(QRectF(), false);
    auto* c = new DrawingView(QRectF(), false);
    auto* d = new DrawingView(QRectF(), false);
    parent.addSubview(a);
    parent.addSubview(b);
    parent.addSubview(c, View::Ordering::Below, b);
    parent.addSubview(d, View::Ordering::Above, a);
    const std::vector<View*> expected{a, d, c, b};
    EXPECT_EQ(parent.subviews(), expected);
    QList<QObject*> stacking;
    for (QObject* o : parent.children())
        if (qobject_cast<View*>(o)) stacking << o;
    EXPECT_EQ(stacking, QList<QObject*>({a, d, c, b}));
    // Moving a subview again reorders it without duplicating it.
    parent.addSubview(a);
    EXPECT_EQ(parent.subviews(), (std::vector<View*>{d, c, b, a}));
    a->removeFromSuperview();
    EXPECT_EQ(a->superview(), nullptr);
    EXPECT_EQ(a->parentWidget(), nullptr);
    EXPECT_EQ(parent.subviews().size(), 3u);
    parent.replaceSubview(c, a);
    EXPECT_EQ(parent.subviews(), (std::vector<View*>{d, a, b}));
    EXPECT_TRUE(a->isDescendantOf(&parent));
    EXPECT_FALSE(parent.isDescendantOf(a));
    parent.addSubview(&parent);  // refused
    b->addSubview(&parent);      // a cycle, refused
    EXPECT_EQ(parent.superview(), nullptr);
    c->deleteLater();
    delete d;  // a deleted subview leaves its superview's list
    EXPECT_EQ(parent.subviews(), (std::vector<View*>{a, b}));
}

TEST(ViewHierarchy, RemovingTheFirstResponderHandsItBackToTheWindow) {
    class Focusable : public DrawingView {
    public:
        using DrawingView::DrawingView;
        bool acceptsFirstResponder() override { return true; }
    };
    Window window;
    auto* v = new Focusable(QRectF(0, 0, 10, 10), false);
    window.contentView()->addSubview(v);
    EXPECT_EQ(v->window(), &window);
    EXPECT_TRUE(window.makeFirstResponder(v));
    EXPECT_EQ(window.firstResponder(), v);
    v->removeFromSuperview();
    EXPECT_EQ(v->window(), nullptr);
    EXPECT_EQ(window.firstResponder(), &window);
    delete v;
}

TEST(ViewHierarchy, VisibleRectIsClippedByTheSuperviews) {
    DrawingView parent(QRectF(0, 0, 100, 100), false);
    auto* child = new DrawingView(QRectF(80, -10, 50, 50), false);
    parent.addSubview(child);
    EXPECT_EQ(child->visibleRect(), QRectF(0, 10, 20, 40));
}

TEST(ViewDisplay, ANeededDisplayIsDrawnOnceTheEventLoopRuns) {
    Window window(QRectF(100, 100, 100, 100));
    auto* v = new DrawingView(QRectF(0, 0, 50, 50), false);
    window.contentView()->addSubview(v);
    window.orderFront();
    ASSERT_TRUE(testsupport::waitUntil([&] { return v->draws > 0; }));
    const int before = v->draws;
    v->setNeedsDisplayInRect(QRectF(0, 0, 5, 5));
    EXPECT_TRUE(v->needsDisplay());
    EXPECT_TRUE(testsupport::waitUntil([&] { return v->draws > before; }));
    EXPECT_FALSE(v->needsDisplay());
    const int now = v->draws;
    v->display();  // at once
    EXPECT_EQ(v->draws, now + 1);
}

TEST(ViewLiveResize, AUsersResizeStartsAndEndsALiveResizeForEveryView) {
    class Watcher : public DrawingView {
    public:
        using DrawingView::DrawingView;
        void viewWillStartLiveResize() override { log << "start"; }
        void viewDidEndLiveResize() override { log << "end"; }
        QStringList log;
    };
    Window window(QRectF(100, 100, 200, 100));
    auto* outer = new Watcher(QRectF(0, 0, 100, 100), false);
    auto* inner = new Watcher(QRectF(0, 0, 10, 10), false);
    window.contentView()->addSubview(outer);
    outer->addSubview(inner);
    window.orderFront();
    window.setFrame(QRectF(100, 100, 220, 120));  // by code: no live resize
    QCoreApplication::processEvents();
    EXPECT_TRUE(outer->log.isEmpty());
    EXPECT_EQ(window.contentView()->frame(), QRectF(0, 0, 220, 120));

    window.widget()->resize(260, 140);  // as the user would
    EXPECT_TRUE(window.inLiveResize());
    EXPECT_TRUE(inner->inLiveResize());
    window.widget()->resize(280, 150);
    EXPECT_EQ(window.contentView()->frame().size(), QSizeF(280, 150));
    EXPECT_TRUE(testsupport::waitUntil([&] { return !window.inLiveResize(); }, 3.0));
    EXPECT_EQ(outer->log, QStringList({"start", "end"}));
    EXPECT_EQ(inner->log, QStringList({"start", "end"}));
    EXPECT_EQ(window.frame().size(), QSizeF(280, 150));
}

namespace {

// Fills its bounds in `color`, with a line of text and a round shape on top,
// and keeps the dirty rectangles it was asked to draw.
class CachedView : public View {
public:
    explicit CachedView(const QRectF& frame) : View(frame) {}
    void drawRect(Graphics& g, const QRectF& dirty) override {
        dirtyRects.push_back(dirty);
        g.setFillColor(color);
        g.fillRect(bounds());
        g.setFillColor(Qt::darkBlue);
        g.fillOval(QRectF(5.5, 4.25, 31, 17));
        g.drawString(QStringLiteral("Cached 17"), QPointF(8, 20),
                     TextAttributes(Font::systemFont(11), Qt::black));
    }
    QColor color = Qt::white;
    std::vector<QRectF> dirtyRects;
};

// The view painted as its window would paint it, into an image of `format`.
QImage painted(View& view, QImage::Format format = QImage::Format_ARGB32_Premultiplied) {
    QImage image(view.size(), format);
    image.fill(Qt::transparent);
    view.render(&image);
    return image.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

// Repaints copy the cached drawing; only what was marked is drawn again, and
// a copy equals a drawing on the spot pixel for pixel, in every target format.
// A canvas drawn on a job thread replaces the kept drawing: repaints copy it
// without drawing; a mark made after the canvas was taken has the whole view
// drawn again; a canvas taken for another geometry is refused.
TEST(ViewDisplay, ACanvasDrawnOnAnotherThreadReplacesTheKeptDrawing) {
    CachedView v(QRectF(0, 0, 80, 40));
    v.setCachesDrawing(true);
    EXPECT_TRUE(v.drawingCacheCanvas().image.isNull());  // nothing kept yet
    painted(v);
    // The job draws with a view of its own that only its drawRect reads.
    const auto drawnOnAThread = [&v](View::CacheCanvas canvas, QColor color) {
        CachedView job(v.frame());
        job.color = color;
        std::thread([&] {
            QPainter p(&canvas.image);
            p.setRenderHints(canvas.hints);
            p.setTransform(canvas.transform);
            Graphics g(p, false);
            job.drawRect(g, job.bounds());
        }).join();
        return canvas;
    };
    CachedView reference(QRectF(0, 0, 80, 40));
    reference.color = Qt::yellow;
    const QImage yellow = painted(reference);

    const size_t drawn = v.dirtyRects.size();
    v.color = Qt::yellow;
    ASSERT_TRUE(v.adoptDrawingCache(drawnOnAThread(v.drawingCacheCanvas(), Qt::yellow)));
    EXPECT_EQ(painted(v), yellow);
    EXPECT_EQ(v.dirtyRects.size(), drawn);

    const View::CacheCanvas early = v.drawingCacheCanvas();
    v.setNeedsDisplayInRect(QRectF(60, 5, 4, 4));
    painted(v);
    ASSERT_TRUE(v.adoptDrawingCache(drawnOnAThread(early, Qt::yellow)));
    painted(v);
    ASSERT_EQ(v.dirtyRects.size(), drawn + 2);
    EXPECT_EQ(v.dirtyRects.back(), v.bounds());

    const View::CacheCanvas before = v.drawingCacheCanvas();
    v.setFrameSize(QSizeF(90, 40));
    painted(v);
    EXPECT_FALSE(v.adoptDrawingCache(drawnOnAThread(before, Qt::red)));
    EXPECT_EQ(painted(v).pixelColor(70, 10), QColor(Qt::yellow));
}

TEST(ViewDisplay, ACachedDrawingIsCopiedUntilItsViewIsMarked) {
    CachedView v(QRectF(0, 0, 80, 40));
    const QImage direct = painted(v);
    const QImage directOpaque = painted(v, QImage::Format_RGB32);
    v.dirtyRects.clear();
    v.setCachesDrawing(true);
    EXPECT_EQ(painted(v), direct);
    EXPECT_EQ(painted(v), direct);
    EXPECT_EQ(v.dirtyRects.size(), 1u);
    EXPECT_EQ(painted(v, QImage::Format_RGB32), directOpaque);  // another format: drawn anew
    EXPECT_EQ(v.dirtyRects.size(), 2u);
    EXPECT_EQ(painted(v, QImage::Format_RGB32), directOpaque);
    EXPECT_EQ(v.dirtyRects.size(), 2u);

    // A change nobody marks stays unseen; a marked part is drawn with the view's
    // dirty rectangle around it, the rest copied.
    v.color = Qt::yellow;
    EXPECT_EQ(painted(v, QImage::Format_RGB32), directOpaque);
    v.setNeedsDisplayInRect(QRectF(60, 5, 4, 4));
    const QImage part = painted(v, QImage::Format_RGB32);
    ASSERT_EQ(v.dirtyRects.size(), 3u);
    EXPECT_TRUE(v.dirtyRects.back().contains(QRectF(60, 5, 4, 4)));
    EXPECT_LT(v.dirtyRects.back().width(), 10);
    EXPECT_EQ(part.pixelColor(62, 32), QColor(Qt::yellow));  // unflipped: y from the bottom
    EXPECT_EQ(part.pixelColor(70, 10), QColor(Qt::white));
    v.invalidateDrawingCache();
    const QImage all = painted(v, QImage::Format_RGB32);
    EXPECT_EQ(all.pixelColor(70, 10), QColor(Qt::yellow));
    v.setCachesDrawing(false);
    EXPECT_EQ(painted(v, QImage::Format_RGB32), all);

    // A new size draws everything; a frame with a fraction of a pixel is never cached.
    v.setCachesDrawing(true);
    painted(v);
    const size_t drawn = v.dirtyRects.size();
    v.setFrameSize(QSizeF(90, 40));
    painted(v);
    EXPECT_EQ(v.dirtyRects.size(), drawn + 1);
    EXPECT_EQ(v.dirtyRects.back(), v.bounds());
    v.setFrameSize(QSizeF(90.5, 40));
    painted(v);
    painted(v);
    EXPECT_EQ(v.dirtyRects.size(), drawn + 3);
}
