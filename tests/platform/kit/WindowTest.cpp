// Windows and their controllers: frames and their autosave, placement, key and
// main state told to the delegate, closing once, bars on top of the content,
// toolbar validation, offscreen windows.

#include "KitTestViews.h"
#include "platform/foundation/Defaults.h"
#include "platform/kit/Animation.h"
#include "platform/kit/Application.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/OffscreenWindow.h"
#include "platform/kit/Panel.h"
#include "platform/kit/Screen.h"
#include "platform/kit/Toolbar.h"
#include "platform/kit/ToolbarItem.h"
#include "platform/kit/View.h"
#include "platform/kit/Window.h"
#include "platform/kit/WindowController.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace kit;

namespace {

// Records what a window tells its delegate, as "<title>:<operation>".
class Recorder : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void windowDidBecomeKey(QObject* w) { note(w, "becomeKey"); }
    Q_INVOKABLE void windowDidResignKey(QObject* w) { note(w, "resignKey"); }
    Q_INVOKABLE void windowDidBecomeMain(QObject* w) { note(w, "becomeMain"); }
    Q_INVOKABLE void windowDidResignMain(QObject* w) { note(w, "resignMain"); }
    Q_INVOKABLE void windowDidResize(QObject* w) { note(w, "resize"); }
    Q_INVOKABLE void windowDidMove(QObject* w) { note(w, "move"); }
    Q_INVOKABLE void windowWillClose(QObject* w) {
        note(w, "willClose");
        // Closing again from inside the notice must not notify again.
        if (closeAgain) static_cast<Window*>(w)->close();
    }
    Q_INVOKABLE bool windowShouldClose(QObject*) { return mayClose; }
    void note(QObject* w, const char* what) {
        calls << static_cast<Window*>(w)->title() + ":" + what;
    }
    QStringList calls;
    bool closeAgain = false;
    bool mayClose = true;
};

// Takes the toolbar's actions and disables "TBWeek" while `weekShown`.
class ToolbarTarget : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void toolbarGotoWeek(QObject* sender) { senders << sender; }
    Q_INVOKABLE void toolbarShowToday(QObject* sender) { senders << sender; }
    Q_INVOKABLE bool validateToolbarItem(QObject* item) {
        auto* i = static_cast<ToolbarItem*>(item);
        return !(i->itemIdentifier() == "TBWeek" && weekShown);
    }
    bool weekShown = false;
    QList<QObject*> senders;
};

class Controller : public WindowController {
    Q_OBJECT
public:
    int loads = 0, didLoads = 0;

protected:
    Window* loadWindow() override {
        ++loads;
        auto* w = new Window(QRectF(50, 60, 320, 240));
        w->setTitle("Loaded");
        return w;
    }
    void windowDidLoad() override { ++didLoads; }
};

ToolbarItem* toolbarItem(const QString& id, const QByteArray& action, QObject* target) {
    auto* item = new ToolbarItem(id);
    item->setLabel(id);
    item->setAction(action);
    item->setTarget(target);
    return item;
}

}  // namespace

TEST(Window, FrameIsInScreenCoordinatesAndKeepsWithinItsSizeLimits) {
    Window w(QRectF(100, 200, 400, 300));
    EXPECT_TRUE(equalRects(w.frame(), QRectF(100, 200, 400, 300)));
    // y grows upwards: the Qt top edge is the screen height less the frame's top.
    const QRectF qt = Screen::toQtRect(w.frame());
    EXPECT_EQ(w.widget()->geometry().topLeft(), qt.topLeft().toPoint());
    EXPECT_TRUE(equalRects(w.contentView()->frame(), QRectF(0, 0, 400, 300)));

    w.setMinSize(QSizeF(200, 150));
    w.setMaxSize(QSizeF(800, 600));
    struct Case {
        QSizeF asked, got;
    };
    const Case cases[] = {{{100, 100}, {200, 150}},
                          {{500, 400}, {500, 400}},
                          {{900, 900}, {800, 600}},
                          {{100, 900}, {200, 600}}};
    for (const Case& c : cases) {
        w.setFrame(QRectF(QPointF(10, 20), c.asked));
        EXPECT_TRUE(equalSizes(w.frame().size(), c.got))
            << c.asked.width() << "x" << c.asked.height();
        EXPECT_TRUE(equalSizes(w.contentView()->frame().size(), c.got));
    }
}

TEST(Window, FrameAutosaveRestoresTheSavedFrameAndSavesEveryChange) {
    const QString name = "WindowTestMain";
    const QString key = Window::frameDefaultsKey(name);
    EXPECT_EQ(key, "NSWindow Frame WindowTestMain");
    foundation::Defaults::standard().removeObject(key);
    {
        Window first(QRectF(100, 100, 400, 300));
        // First start: nothing saved, so nothing applied; the caller centres.
        EXPECT_FALSE(first.setFrameAutosaveName(name));
        first.center();
        first.setFrame(QRectF(120, 140, 500, 350));
    }
    EXPECT_EQ(foundation::Defaults::standard().stringForKey(key),
              stringFromRect(QRectF(120, 140, 500, 350)));
    Window second(QRectF(0, 0, 200, 100));
    EXPECT_TRUE(second.setFrameAutosaveName(name));
    EXPECT_TRUE(equalRects(second.frame(), QRectF(120, 140, 500, 350)));

    // A garbled saved frame is not applied.
    foundation::Defaults::standard().setObject(key, QStringLiteral("{{1, 2}, {0, nonsense}}"));
    Window third(QRectF(5, 6, 200, 100));
    EXPECT_FALSE(third.setFrameUsingName(name));
    EXPECT_TRUE(equalRects(third.frame(), QRectF(5, 6, 200, 100)));
}

TEST(Window, CentresOnItsScreenAndKnowsThatScreen) {
    Window w(QRectF(0, 0, 300, 200));
    const QRectF screen = w.screenFrame();
    ASSERT_FALSE(screen.isEmpty());
    w.center();
    EXPECT_NEAR(midX(w.frame()), midX(screen), 1.0);
    EXPECT_GE(midY(w.frame()), midY(screen) - 1.0);  // never below the middle
    EXPECT_TRUE(containsRect(screen, w.frame()));
    // Far away from every screen it is on none.
    w.setFrameOrigin(QPointF(-100000, -100000));
    EXPECT_TRUE(w.screenFrame().isEmpty());
}

TEST(Window, TellsItsDelegateOfResizesAndMovesAndAnimatesToTheEndFrame) {
    Recorder r;
    Window w(QRectF(100, 100, 200, 100));
    w.setTitle("W");
    w.setDelegate(&r);
    w.setFrame(QRectF(100, 100, 250, 100));
    w.setFrameOrigin(QPointF(130, 100));
    EXPECT_EQ(r.calls, QStringList({"W:resize", "W:move"}));
    w.orderFront();
    Animation::setInstantForTesting(true);
    w.setFrameDisplayAnimate(QRectF(10, 20, 300, 200), true, true);
    Animation::setInstantForTesting(false);
    EXPECT_TRUE(equalRects(w.frame(), QRectF(10, 20, 300, 200)));
    w.orderOut();
}

TEST(Window, KeyAndMainStateAreToldToTheDelegatesAndPanelsNeverBecomeMain) {
    Recorder r;
    Window a(QRectF(100, 100, 200, 100)), b(QRectF(150, 150, 200, 100));
    Panel titled(QRectF(200, 200, 100, 80), Panel::Titled);
    Panel borderless(QRectF(220, 220, 100, 80), Panel::Borderless);
    a.setTitle("A");
    b.setTitle("B");
    titled.setTitle("P");
    borderless.setTitle("Q");
    for (Window* w : std::initializer_list<Window*>{&a, &b, &titled, &borderless})
        w->setDelegate(&r);

    a.makeKeyAndOrderFront();
    EXPECT_TRUE(a.isKeyWindow());
    EXPECT_TRUE(a.isMainWindow());
    b.makeKeyAndOrderFront();
    titled.makeKeyAndOrderFront();
    EXPECT_TRUE(titled.isKeyWindow());
    EXPECT_TRUE(b.isMainWindow());  // the panel took key, not main
    // A borderless panel does not take key status: the key window stays.
    borderless.makeKeyAndOrderFront();
    EXPECT_TRUE(borderless.isVisible());
    EXPECT_TRUE(titled.isKeyWindow());
    EXPECT_FALSE(borderless.isKeyWindow());

    const QStringList expected = {"A:becomeKey",  "A:becomeMain", "A:resignKey", "B:becomeKey",
                                  "A:resignMain", "B:becomeMain", "B:resignKey", "P:becomeKey"};
    EXPECT_EQ(r.calls.mid(0, expected.size()), expected);
    // Nothing from the borderless panel.
    EXPECT_FALSE(r.calls.join(",").contains("Q:"));

    // A click in the borderless panel does not make it key either.
    auto* v = new View(QRectF(0, 0, 100, 80));
    borderless.contentView()->addSubview(v);
    borderless.sendEvent(Event::mouseEvent(EventType::LeftMouseDown, QPointF(10, 10)));
    borderless.sendEvent(Event::mouseEvent(EventType::LeftMouseUp, QPointF(10, 10)));
    EXPECT_TRUE(titled.isKeyWindow());

    // Ordering the main window out leaves no main window.
    b.orderOut();
    EXPECT_EQ(Application::shared().mainWindow(), nullptr);
    for (Window* w : std::initializer_list<Window*>{&a, &b, &titled, &borderless}) w->orderOut();
}

TEST(Window, ClosingTellsTheDelegateOnceEvenWhenClosedAgainMeanwhile) {
    Recorder r;
    r.closeAgain = true;
    Window w(QRectF(100, 100, 200, 100));
    w.setTitle("W");
    w.setDelegate(&r);
    w.makeKeyAndOrderFront();
    r.calls.clear();
    w.close();
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.isClosed());
    EXPECT_EQ(r.calls.count("W:willClose"), 1);
    // Shown again, it closes again.
    w.orderFront();
    w.close();
    EXPECT_EQ(r.calls.count("W:willClose"), 2);

    // The close button asks first.
    w.orderFront();
    r.mayClose = false;
    w.performClose();
    EXPECT_TRUE(w.isVisible());
    r.mayClose = true;
    w.performClose();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(r.calls.count("W:willClose"), 3);
}

TEST(Window, ShowingAndHidingTheToolbarKeepsTheContentSizeWhereTheFrameCanChange) {
    Window w(QRectF(100, 100, 400, 300));
    auto* toolbar = new Toolbar("Main");
    toolbar->addItem(toolbarItem("TBToday", "toolbarShowToday", nullptr));
    w.setToolbar(toolbar);
    const QRectF framed = w.frame();
    const double barHeight = framed.height() - 300;
    EXPECT_GT(barHeight, 0);
    EXPECT_TRUE(equalSizes(w.contentView()->frame().size(), QSizeF(400, 300)));
    EXPECT_DOUBLE_EQ(maxY(framed), 400.0);  // the top edge stays

    // Hiding: the window shrinks below its top edge; the content keeps its size.
    w.toggleToolbarShown();
    EXPECT_FALSE(toolbar->isVisible());
    EXPECT_DOUBLE_EQ(w.frame().height(), 300.0);
    EXPECT_DOUBLE_EQ(maxY(w.frame()), 400.0);
    EXPECT_TRUE(equalSizes(w.contentView()->frame().size(), QSizeF(400, 300)));

    // A window that cannot grow keeps its height; the content gives up the room.
    w.setMaxSize(QSizeF(1000, 300));
    w.toggleToolbarShown();
    EXPECT_TRUE(toolbar->isVisible());
    EXPECT_DOUBLE_EQ(w.frame().height(), 300.0);
    EXPECT_DOUBLE_EQ(w.contentView()->frame().height(), 300.0 - barHeight);
    w.setMaxSize(QSizeF(16777215, 16777215));

    // The toolbar sits above the content view.
    const QRect bar = toolbar->widget()->geometry();
    EXPECT_EQ(bar.top(), 0);
    EXPECT_EQ(w.contentView()->geometry().top(), bar.bottom() + 1);
}

TEST(Window, ToolbarItemsAreValidatedThroughTheTargetAndSendTheirAction) {
    ToolbarTarget target;
    Window w(QRectF(100, 100, 400, 300));
    auto* toolbar = new Toolbar("Main");
    ToolbarItem* today = toolbarItem("TBToday", "toolbarShowToday", &target);
    ToolbarItem* week = toolbarItem("TBWeek", "toolbarGotoWeek", &target);
    ToolbarItem* nobody = toolbarItem("TBOther", "toolbarNobodyHasThis", &target);
    toolbar->addItem(today);
    toolbar->addItem(new ToolbarItem(ToolbarItem::flexibleSpaceIdentifier()));
    toolbar->addItem(week);
    toolbar->addItem(nobody);
    w.setToolbar(toolbar);
    EXPECT_EQ(toolbar->itemWithIdentifier("TBWeek"), week);

    target.weekShown = true;
    toolbar->validateVisibleItems();
    EXPECT_TRUE(today->isEnabled());
    EXPECT_FALSE(week->isEnabled());
    EXPECT_FALSE(nobody->isEnabled());
    // The buttons follow.
    auto* todayButton = toolbar->widget()->findChild<QToolButton*>("TBToday");
    auto* weekButton = toolbar->widget()->findChild<QToolButton*>("TBWeek");
    ASSERT_TRUE(todayButton && weekButton);
    EXPECT_FALSE(weekButton->isEnabled());
    EXPECT_TRUE(todayButton->isEnabled());
    EXPECT_EQ(todayButton->text(), "TBToday");

    EXPECT_FALSE(week->performAction());
    todayButton->click();
    EXPECT_EQ(target.senders, QList<QObject*>({today}));
    // The window becoming key validates again.
    target.weekShown = false;
    w.makeKeyAndOrderFront();
    EXPECT_TRUE(week->isEnabled());
    EXPECT_TRUE(week->performAction());
    EXPECT_EQ(target.senders.size(), 2);
    w.orderOut();
}

TEST(Window, ControllerLoadsItsWindowOnceAndFollowsItInTheResponderChain) {
    Controller c;
    EXPECT_FALSE(c.isWindowLoaded());
    Window* w = c.window();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(c.window(), w);
    EXPECT_EQ(c.loads, 1);
    EXPECT_EQ(c.didLoads, 1);
    EXPECT_EQ(w->nextResponder(), &c);
    c.showWindow();
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->isKeyWindow());
    EXPECT_TRUE(w->isMainWindow());
    c.close();
    EXPECT_FALSE(w->isVisible());
}

TEST(Window, OffscreenWindowLaysOutAndDrawsItsViewsWithoutShowingThem) {
    OffscreenWindow w(QRectF(0, 0, 120, 80));
    auto* v = new kittest::DrawingView(QRectF(0, 0, 60, 40), false, [](Graphics& g) {
        g.setFillColor(QColor(255, 0, 0));
        g.fillRect(QRectF(0, 0, 60, 40));
    });
    w.contentView()->addSubview(v);
    w.orderFront();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.isKeyWindow());
    const QImage img = w.cacheImage();
    ASSERT_EQ(img.size(), QSize(120, 80));
    // The red view fills the lower left corner (y grows upwards).
    EXPECT_TRUE(testsupport::colorNear(testsupport::pixel(img, 5, 75), QColor(255, 0, 0)));
    EXPECT_FALSE(testsupport::colorNear(testsupport::pixel(img, 5, 5), QColor(255, 0, 0)));
    w.orderOut();
}

#include "WindowTest.moc"

// A quit ends the event loop while panels are open: windows only hide when asked
// to close, and that must not turn the quit into closing one of them.
TEST(Window, TerminateEndsTheEventLoopWhileWindowsAreOpen) {
    Window main(QRectF(100, 100, 300, 200), Window::Titled | Window::Closable);
    Window panel(QRectF(150, 150, 200, 100), Window::Titled | Window::Closable);
    main.makeKeyAndOrderFront();
    panel.makeKeyAndOrderFront();
    bool aboutToQuit = false;
    const QMetaObject::Connection told =
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, [&] { aboutToQuit = true; });
    QTimer::singleShot(0, qApp, [] { Application::terminate(); });
    // Should the quit be refused, this ends the loop with another answer.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    watchdog.start(10000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_TRUE(aboutToQuit);
    EXPECT_TRUE(panel.isVisible());
    QObject::disconnect(told);
}
