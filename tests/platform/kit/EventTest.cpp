// Drives views with synthetic events (and a few real Qt events, to check the
// mapping) through a window's routing.

#include "KitTestViews.h"
#include "platform/kit/Application.h"
#include "platform/kit/ContextMenu.h"
#include "platform/kit/Cursor.h"
#include "platform/kit/TrackingArea.h"
#include "platform/kit/Window.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>

using namespace kit;

namespace {

// Records what reaches it; accepts first responder.
class Recorder : public kittest::DrawingView {
public:
    explicit Recorder(const QRectF& frame, bool flipped = false) : DrawingView(frame, flipped) {}
    bool acceptsFirstResponder() override { return acceptsFirst; }
    void mouseDown(const Event& e) override { note("down", e); }
    void mouseDragged(const Event& e) override { note("drag", e); }
    void mouseUp(const Event& e) override { note("up", e); }
    void mouseMoved(const Event& e) override { note("moved", e); }
    void mouseEntered(const Event& e) override {
        note("entered:" + e.userData().value("name").toString(), e);
    }
    void mouseExited(const Event& e) override {
        note("exited:" + e.userData().value("name").toString(), e);
    }
    void scrollWheel(const Event& e) override {
        if (passScroll) return View::scrollWheel(e);
        note("scroll", e);
    }
    void keyDown(const Event& e) override {
        if (passKeys) return View::keyDown(e);
        note("key", e);
    }
    void touchesBeganWithEvent(const Event& e) override { note("touches-began", e); }
    void touchesMovedWithEvent(const Event& e) override { note("touches-moved", e); }
    void touchesEndedWithEvent(const Event& e) override { note("touches-ended", e); }
    void rightMouseDown(const Event& e) override {
        note("right", e);
        View::rightMouseDown(e);
    }

    void note(const QString& what, const Event& e) {
        log << what;
        events.push_back(e);
    }
    QStringList log;
    std::vector<Event> events;
    bool acceptsFirst = true;
    bool passScroll = false;
    bool passKeys = false;
};

// A window of 200 by 200 points, key and on screen, with a recorder at
// (50, 50, 100, 100) inside an unflipped content view that records too.
struct Fixture {
    Window window{QRectF(100, 100, 200, 200)};
    Recorder* content = new Recorder(QRectF(0, 0, 200, 200));
    Recorder* view = new Recorder(QRectF(50, 50, 100, 100));
    Fixture() {
        content->acceptsFirst = false;
        window.setContentView(content);
        content->addSubview(view);
        window.makeKeyAndOrderFront();
    }
    void send(EventType t, QPointF at, unsigned flags = 0, int clicks = 1) {
        window.sendEvent(Event::mouseEvent(t, at, flags, clicks));
    }
};

Event key(int code, const QString& chars, unsigned flags = 0) {
    return Event::keyEvent(EventType::KeyDown, code, chars, flags);
}

}  // namespace

TEST(Events, MouseDownDragAndUpGoToTheViewThatTookThePress) {
    Fixture f;
    const unsigned flags = ModifierFlags::Shift | ModifierFlags::Command;
    f.send(EventType::LeftMouseDown, QPointF(60, 70), flags, 2);
    f.send(EventType::LeftMouseDragged, QPointF(300, 5));  // far outside: still the view's
    f.send(EventType::LeftMouseUp, QPointF(300, 5));
    ASSERT_EQ(f.view->log, QStringList({"down", "drag", "up"}));
    EXPECT_TRUE(f.content->log.isEmpty());
    const Event& down = f.view->events[0];
    EXPECT_EQ(down.clickCount(), 2);
    EXPECT_EQ(down.modifierFlags(), flags);
    EXPECT_TRUE(down.hasModifier(ModifierFlags::Shift));
    EXPECT_FALSE(down.hasModifier(ModifierFlags::Option));
    EXPECT_EQ(f.view->convertPointFromView(down.locationInWindow(), nullptr), QPointF(10, 20));
    // One event number for the press and everything that follows it.
    EXPECT_GT(down.eventNumber(), 0);
    EXPECT_EQ(f.view->events[1].eventNumber(), down.eventNumber());
    EXPECT_EQ(f.view->events[2].eventNumber(), down.eventNumber());
    EXPECT_EQ(f.window.firstResponder(), f.view);

    f.send(EventType::LeftMouseDown, QPointF(10, 10));  // outside the view
    EXPECT_EQ(f.content->log, QStringList({"down"}));
    EXPECT_GT(f.content->events[0].eventNumber(), down.eventNumber());
    EXPECT_EQ(f.window.firstResponder(), f.view);  // the content view declines
}

TEST(Events, HitTestingFollowsFlippedEdgesHiddenViewsAndOrder) {
    Fixture f;
    auto* above = new Recorder(QRectF(100, 50, 50, 50));
    f.content->addSubview(above);
    EXPECT_EQ(f.content->hitTest(QPointF(120, 60)), above);  // the later subview wins
    above->setHidden(true);
    EXPECT_EQ(f.content->hitTest(QPointF(120, 60)), f.view);
    // In a view whose y grows upwards the lower edge belongs to the view below.
    EXPECT_EQ(f.content->hitTest(QPointF(60, 50)), f.content);
    EXPECT_EQ(f.content->hitTest(QPointF(60, 150)), f.view);
    EXPECT_EQ(f.content->hitTest(QPointF(150, 60)), f.content);
}

TEST(Events, TrackingAreasReportEnteringAndLeavingInOrder) {
    Fixture f;
    const unsigned opts =
        TrackingArea::MouseEnteredAndExited | TrackingArea::MouseMoved | TrackingArea::ActiveAlways;
    auto a = TrackingArea::create(QRectF(0, 0, 50, 100), opts, f.view, {{"name", "A"}});
    auto b = TrackingArea::create(QRectF(50, 0, 50, 100), opts, f.view, {{"name", "B"}});
    f.view->addTrackingArea(a);
    f.view->addTrackingArea(b);
    f.send(EventType::MouseMoved, QPointF(20, 20));    // outside the view
    f.send(EventType::MouseMoved, QPointF(60, 60));    // in A
    f.send(EventType::MouseMoved, QPointF(70, 60));    // still in A
    f.send(EventType::MouseMoved, QPointF(120, 60));   // A to B
    f.send(EventType::MouseMoved, QPointF(190, 190));  // out
    EXPECT_EQ(f.view->log, QStringList({"entered:A", "moved", "moved", "exited:A", "entered:B",
                                        "moved", "exited:B"}));
    EXPECT_EQ(f.view->events[0].trackingArea(), a);
    EXPECT_EQ(f.view->events[3].trackingArea(), a);
    EXPECT_EQ(f.view->events[4].trackingArea(), b);

    // An area removed while the pointer is in it sends no exit.
    f.view->log.clear();
    f.send(EventType::MouseMoved, QPointF(60, 60));
    f.view->removeTrackingArea(a);
    f.send(EventType::MouseMoved, QPointF(10, 10));
    EXPECT_EQ(f.view->log, QStringList({"entered:A", "moved"}));
}

TEST(Events, TrackingAreasFollowTheViewAndItsWindowKeyState) {
    Fixture f;
    auto area =
        TrackingArea::create(QRectF(),
                             TrackingArea::MouseEnteredAndExited | TrackingArea::ActiveInKeyWindow |
                                 TrackingArea::InVisibleRect,
                             f.view, {{"name", "V"}});
    f.view->addTrackingArea(area);
    f.send(EventType::MouseMoved, QPointF(60, 60));
    f.view->setFrameOrigin(QPointF(100, 100));  // moves away from under the pointer
    f.send(EventType::MouseMoved, QPointF(60, 60));
    f.send(EventType::MouseMoved, QPointF(110, 110));
    EXPECT_EQ(f.view->log, QStringList({"entered:V", "exited:V", "entered:V"}));
    // Not key: the area is not followed.
    Window other(QRectF(400, 100, 50, 50));
    other.makeKeyAndOrderFront();
    f.view->log.clear();
    f.send(EventType::MouseMoved, QPointF(10, 10));
    EXPECT_TRUE(f.view->log.isEmpty());
}

namespace {

// Runs a tracking loop of its own on mouse-down, as dragging code does.
class Tracker : public Recorder {
public:
    using Recorder::Recorder;
    void mouseDown(const Event& e) override {
        note("down", e);
        const EventMask mask =
            EventMasks::LeftMouseDragged | EventMasks::LeftMouseUp | EventMasks::KeyDown;
        for (;;) {
            std::optional<Event> next = window()->nextEventMatchingMask(mask, timeout);
            if (!next) {
                log << "timeout";
                break;
            }
            if (next->type() == EventType::LeftMouseUp) {
                note("loop-up", *next);
                break;
            }
            if (next->type() == EventType::KeyDown) {
                if (next->keyCode() == KeyCodes::Escape) {
                    note("loop-escape", *next);
                    break;
                }
                continue;  // other keys do nothing while tracking
            }
            note("loop-drag", *next);
        }
    }
    double timeout = 5.0;
};

}  // namespace

TEST(Events, TrackingLoopTakesQueuedDragsUntilTheMouseGoesUp) {
    Fixture f;
    auto* t = new Tracker(QRectF(0, 0, 40, 40));
    f.view->addSubview(t);
    f.window.postEvent(Event::mouseEvent(EventType::LeftMouseDragged, QPointF(60, 60)));
    f.window.postEvent(key(KeyCodes::A, "a"));
    f.window.postEvent(Event::mouseEvent(EventType::LeftMouseDragged, QPointF(70, 65)));
    f.window.postEvent(Event::mouseEvent(EventType::LeftMouseUp, QPointF(70, 65)));
    f.send(EventType::LeftMouseDown, QPointF(55, 55));
    EXPECT_EQ(t->log, QStringList({"down", "loop-drag", "loop-drag", "loop-up"}));
    EXPECT_EQ(t->events[2].locationInWindow(), QPointF(70, 65));
    EXPECT_FALSE(Application::shared().isTracking());
}

TEST(Events, TrackingLoopWaitsForEventsAndEndsOnEscapeWhileTimersFire) {
    Fixture f;
    auto* t = new Tracker(QRectF(0, 0, 40, 40));
    f.view->addSubview(t);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(1);
    // The events arrive while the loop waits: a drag, a movement the loop does not
    // ask for, and Escape.
    QTimer::singleShot(20, [&] {
        f.send(EventType::LeftMouseDragged, QPointF(60, 60));
        f.send(EventType::MouseMoved, QPointF(61, 61));
    });
    QTimer::singleShot(40, [&] { f.window.sendEvent(key(KeyCodes::Escape, "\x1b")); });
    f.send(EventType::LeftMouseDown, QPointF(55, 55));
    ticker.stop();
    EXPECT_EQ(t->log, QStringList({"down", "loop-drag", "loop-escape"}));
    EXPECT_GT(ticks, 0);
    // The movement waited in the queue and is routed once the loop is over.
    f.view->acceptsFirst = true;
    f.window.setAcceptsMouseMovedEvents(true);
    f.window.makeFirstResponder(f.view);
    EXPECT_TRUE(testsupport::waitUntil([&] { return f.view->log.contains("moved"); }, 2.0));
}

TEST(Events, TrackingLoopGivesUpAfterItsTimeout) {
    Fixture f;
    auto* t = new Tracker(QRectF(0, 0, 40, 40));
    t->timeout = 0.02;
    f.view->addSubview(t);
    f.send(EventType::LeftMouseDown, QPointF(55, 55));
    EXPECT_EQ(t->log, QStringList({"down", "timeout"}));
}

TEST(Events, RealQtPressAndReleaseReachATrackingLoop) {
    Fixture f;
    auto* t = new Tracker(QRectF(0, 0, 40, 40));
    f.view->addSubview(t);
    // Widget pixels of the tracker: its top left pixel is window point (50, 90).
    QCoreApplication::postEvent(t, new QMouseEvent(QEvent::MouseMove, QPointF(8, 5), QPointF(8, 5),
                                                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(
        t, new QMouseEvent(QEvent::MouseButtonRelease, QPointF(8, 5), QPointF(8, 5), Qt::LeftButton,
                           Qt::NoButton, Qt::NoModifier));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(4, 10), QPointF(4, 10), Qt::LeftButton,
                      Qt::LeftButton, Qt::ControlModifier | Qt::AltModifier);
    QCoreApplication::sendEvent(t, &press);
    ASSERT_EQ(t->log, QStringList({"down", "loop-drag", "loop-up"}));
    EXPECT_EQ(t->events[0].locationInWindow(), QPointF(54, 80));
    EXPECT_EQ(t->events[0].modifierFlags(), ModifierFlags::Command | ModifierFlags::Option);
    EXPECT_EQ(t->events[0].type(), EventType::LeftMouseDown);
    EXPECT_EQ(t->events[1].type(), EventType::LeftMouseDragged);
    EXPECT_EQ(t->events[2].locationInWindow(), QPointF(58, 85));
}

TEST(Events, RealQtClicksCountUpWhenQuickAndClose) {
    Fixture f;
    auto click = [&](QPointF at) {
        QMouseEvent press(QEvent::MouseButtonPress, at, at, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(f.view, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, at, Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(f.view, &release);
    };
    click(QPointF(10, 10));
    click(QPointF(11, 10));
    click(QPointF(11, 11));
    click(QPointF(80, 80));  // far away: a new first click
    ASSERT_EQ(f.view->events.size(), 8u);
    EXPECT_EQ(f.view->events[0].clickCount(), 1);
    EXPECT_EQ(f.view->events[2].clickCount(), 2);
    EXPECT_EQ(f.view->events[4].clickCount(), 3);
    EXPECT_EQ(f.view->events[5].clickCount(), 3);  // the release carries its press's count
    EXPECT_EQ(f.view->events[6].clickCount(), 1);
}

TEST(Events, ContextMenuOpensOnRightClickAndControlClick) {
    Fixture f;
    QMenu menu;
    f.view->setMenu(&menu);
    std::vector<std::pair<QMenu*, View*>> shown;
    ContextMenu::setHandlerForTesting(
        [&](QMenu* m, const Event&, View* v) { shown.emplace_back(m, v); });
    f.send(EventType::RightMouseDown, QPointF(60, 60));
    f.send(EventType::LeftMouseDown, QPointF(60, 60), ModifierFlags::Control);
    f.send(EventType::LeftMouseUp, QPointF(60, 60), ModifierFlags::Control);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], std::make_pair(&menu, static_cast<View*>(f.view)));
    EXPECT_EQ(shown[1].first, &menu);
    EXPECT_FALSE(f.view->log.contains("down"));  // the Control click was only the menu
    // Without a menu the right click goes up the responder chain.
    f.view->setMenu(nullptr);
    f.send(EventType::RightMouseDown, QPointF(60, 60));
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_EQ(f.content->log.count("right"), 1);
    ContextMenu::setHandlerForTesting({});
}

TEST(Events, KeysGoToTheFirstResponderThenUpTheChain) {
    Fixture f;
    f.window.makeFirstResponder(f.view);
    struct Case {
        int code;
        QString chars;
    } cases[] = {{KeyCodes::Space, " "},
                 {KeyCodes::Delete, QString(QChar(KeyCharacters::Delete))},
                 {KeyCodes::Escape, "\x1b"},
                 {KeyCodes::ForwardDelete, QString(QChar(KeyCharacters::ForwardDelete))},
                 {KeyCodes::LeftArrow, QString(QChar(KeyCharacters::LeftArrow))},
                 {KeyCodes::PageDown, QString(QChar(KeyCharacters::PageDown))}};
    for (const Case& c : cases) f.window.sendEvent(key(c.code, c.chars, ModifierFlags::Shift));
    ASSERT_EQ(f.view->events.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(f.view->events[i].keyCode(), cases[i].code);
        EXPECT_EQ(f.view->events[i].characters(), cases[i].chars);
        EXPECT_EQ(f.view->events[i].modifierFlags(), ModifierFlags::Shift);
    }
    f.view->passKeys = true;
    f.window.sendEvent(key(KeyCodes::A, "a"));
    EXPECT_EQ(f.content->log, QStringList({"key"}));
}

TEST(Events, LocalKeyMonitorSeesKeysFirstAndMayConsumeThem) {
    Fixture f;
    f.window.makeFirstResponder(f.view);
    QList<int> seen;
    const quint64 token = Application::shared().addLocalMonitorForEventsMatchingMask(
        EventMasks::KeyDown, [&](const Event& e) -> std::optional<Event> {
            seen << e.keyCode();
            if (e.keyCode() == KeyCodes::Space) return std::nullopt;  // consumed
            if (e.keyCode() == KeyCodes::UpArrow) {
                Event changed = e;
                changed.setKeyCode(KeyCodes::DownArrow);
                return changed;
            }
            return e;
        });
    f.window.sendEvent(key(KeyCodes::Space, " "));
    f.window.sendEvent(key(KeyCodes::UpArrow, QString(QChar(KeyCharacters::UpArrow))));
    f.send(EventType::LeftMouseDown, QPointF(60, 60));  // not a key: not offered
    Application::shared().removeMonitor(token);
    f.window.sendEvent(key(KeyCodes::B, "b"));
    EXPECT_EQ(seen, QList<int>({KeyCodes::Space, KeyCodes::UpArrow}));
    ASSERT_EQ(f.view->log, QStringList({"key", "down", "key"}));
    EXPECT_EQ(f.view->events[0].keyCode(), KeyCodes::DownArrow);
    EXPECT_EQ(f.view->events[2].keyCode(), KeyCodes::B);
}

TEST(Events, QtKeysMapToTheSystemsCodesCharactersAndModifiers) {
    Fixture f;
    f.window.makeFirstResponder(f.view);
    struct Case {
        int qtKey;
        Qt::KeyboardModifiers mods;
        QString text;
        int code;
        QString chars;
        unsigned flags;
    } cases[] = {
        {Qt::Key_Space, Qt::NoModifier, " ", 49, " ", 0},
        {Qt::Key_Backspace, Qt::NoModifier, "\b", 51, QString(QChar(0x7F)), 0},
        {Qt::Key_Escape, Qt::NoModifier, "\x1b", 53, "\x1b", 0},
        {Qt::Key_Delete, Qt::NoModifier, "", 117, QString(QChar(0xF728)), 0},
        {Qt::Key_Left, Qt::NoModifier, "", 123, QString(QChar(0xF702)), 0},
        {Qt::Key_Right, Qt::ShiftModifier, "", 124, QString(QChar(0xF703)), ModifierFlags::Shift},
        {Qt::Key_Down, Qt::NoModifier, "", 125, QString(QChar(0xF701)), 0},
        {Qt::Key_Up, Qt::NoModifier, "", 126, QString(QChar(0xF700)), 0},
        {Qt::Key_PageUp, Qt::NoModifier, "", 116, QString(QChar(0xF72C)), 0},
        {Qt::Key_PageDown, Qt::NoModifier, "", 121, QString(QChar(0xF72D)), 0},
        {Qt::Key_Return, Qt::NoModifier, "\r", 36, "\r", 0},
        {Qt::Key_A, Qt::NoModifier, "a", 0, "a", 0},
        {Qt::Key_A, Qt::ControlModifier, "\x01", 0, "a", ModifierFlags::Command},
        {Qt::Key_S, Qt::AltModifier, "s", 1, "s", ModifierFlags::Option},
        {Qt::Key_1, Qt::NoModifier, "1", 18, "1", 0},
    };
    for (const Case& c : cases) {
        QKeyEvent qe(QEvent::KeyPress, c.qtKey, c.mods, c.text);
        QCoreApplication::sendEvent(f.view, &qe);
    }
    ASSERT_EQ(f.view->events.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Event& e = f.view->events[i];
        EXPECT_EQ(e.type(), EventType::KeyDown) << i;
        EXPECT_EQ(e.keyCode(), cases[i].code) << i;
        EXPECT_EQ(e.characters(), cases[i].chars) << i;
        EXPECT_EQ(e.modifierFlags(), cases[i].flags) << i;
    }
    QKeyEvent shift(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_EQ(Event::fromQtKeyEvent(&shift).type(), EventType::FlagsChanged);
}

TEST(Events, ScrollWheelGoesToTheViewUnderThePointerThenUp) {
    Fixture f;
    f.window.sendEvent(Event::scrollEvent(QPointF(60, 60), 0, -2.5, EventPhase::Changed));
    f.view->passScroll = true;
    f.window.sendEvent(Event::scrollEvent(QPointF(60, 60), 1, 0));
    ASSERT_EQ(f.view->log, QStringList({"scroll"}));
    EXPECT_EQ(f.view->events[0].deltaY(), -2.5);
    EXPECT_EQ(f.view->events[0].phase(), EventPhase::Changed);
    EXPECT_EQ(f.view->events[0].scrollingDeltaY(), -25.0);  // lines of 10 points
    EXPECT_EQ(f.content->log, QStringList({"scroll"}));

    f.view->log.clear();
    f.view->passScroll = false;
    QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), QPoint(0, 12), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::ScrollUpdate, false);
    QCoreApplication::sendEvent(f.view, &wheel);
    ASSERT_EQ(f.view->events.size(), 2u);
    EXPECT_TRUE(f.view->events[1].hasPreciseScrollingDeltas());
    EXPECT_EQ(f.view->events[1].scrollingDeltaY(), 12.0);
}

TEST(Events, TouchesReachTheViewThatAcceptsThemWithTheirIdentities) {
    Fixture f;
    auto* inner = new Recorder(QRectF(10, 10, 20, 20));
    f.view->addSubview(inner);
    f.view->setAcceptsTouchEvents(true);
    std::vector<Touch> touches{{1, TouchPhase::Began, QPointF(0.2, 0.5)},
                               {2, TouchPhase::Began, QPointF(0.4, 0.5)}};
    f.window.sendEvent(Event::touchEvent(QPointF(65, 65), touches));
    touches[0].phase = TouchPhase::Moved;
    touches[1].phase = TouchPhase::Ended;
    f.window.sendEvent(Event::touchEvent(QPointF(65, 65), touches));
    EXPECT_TRUE(inner->log.isEmpty());
    ASSERT_EQ(f.view->log, QStringList({"touches-began", "touches-moved", "touches-ended"}));
    const auto touching = f.view->events[1].touchesMatchingPhase(TouchPhase::Touching, f.view);
    ASSERT_EQ(touching.size(), 1u);
    EXPECT_EQ(touching[0].identity, 1);
}

TEST(Events, CursorRectanglesAndTheCursorStack) {
    class Grip : public Recorder {
    public:
        using Recorder::Recorder;
        void resetCursorRects() override {
            addCursorRect(QRectF(0, 0, 50, 100), Cursor::resizeUpDownCursor());
        }
    };
    Fixture f;
    auto* grip = new Grip(QRectF(0, 0, 100, 100));
    f.view->addSubview(grip);
    f.send(EventType::MouseMoved, QPointF(60, 60));
    EXPECT_EQ(f.window.currentCursor(), Cursor::resizeUpDownCursor());
    f.send(EventType::MouseMoved, QPointF(120, 60));
    EXPECT_EQ(f.window.currentCursor(), Cursor::arrowCursor());
    grip->setFrameOrigin(QPointF(50, 0));  // the rectangle moves with the view
    f.send(EventType::MouseMoved, QPointF(120, 60));
    EXPECT_EQ(f.window.currentCursor(), Cursor::resizeUpDownCursor());

    Cursor::closedHandCursor().push();
    EXPECT_EQ(Cursor::currentCursor(), Cursor::closedHandCursor());
    Cursor::hide();
    EXPECT_EQ(Cursor::currentCursor().shape(), Qt::BlankCursor);
    Cursor::unhide();
    Cursor::pop();
    Cursor::pop();  // one pop too many does nothing
    EXPECT_EQ(Cursor::stackDepth(), 0);
    EXPECT_EQ(Cursor::currentCursor(), Cursor::resizeUpDownCursor());
}

TEST(Events, AClickInAWindowThatIsNotKeyOnlyActivatesItUnlessTheViewTakesFirstMouse) {
    class Eager : public Recorder {
    public:
        using Recorder::Recorder;
        bool acceptsFirstMouse(const Event&) override { return true; }
    };
    Fixture f;
    auto* eager = new Eager(QRectF(0, 0, 30, 30));
    f.content->addSubview(eager);
    Window other(QRectF(400, 100, 50, 50));
    other.makeKeyAndOrderFront();
    f.send(EventType::LeftMouseDown, QPointF(60, 60));
    EXPECT_TRUE(f.window.isKeyWindow());
    EXPECT_TRUE(f.view->log.isEmpty());
    other.makeKeyWindow();
    f.send(EventType::LeftMouseDown, QPointF(10, 10));
    EXPECT_EQ(eager->log, QStringList({"down"}));
}

TEST(Events, TheCurrentEventIsTheOneBeingHandled) {
    class Peek : public Recorder {
    public:
        using Recorder::Recorder;
        void mouseDown(const Event& e) override {
            current = Event::currentEvent();
            note("down", e);
        }
        Event current;
    };
    Fixture f;
    auto* peek = new Peek(QRectF(0, 0, 20, 20));
    f.view->addSubview(peek);
    f.send(EventType::LeftMouseDown, QPointF(55, 55), ModifierFlags::Shift, 3);
    EXPECT_EQ(peek->current.type(), EventType::LeftMouseDown);
    EXPECT_EQ(peek->current.clickCount(), 3);
    EXPECT_TRUE(peek->current.hasModifier(ModifierFlags::Shift));
    EXPECT_EQ(Event::currentEvent().type(), EventType::None);
}

TEST(Events, KeysTypedIntoPlainQtWidgetsReachMonitorsAndTrackingLoops) {
    Fixture f;
    auto* field = new QLineEdit(f.view);
    field->setGeometry(0, 0, 80, 20);
    field->show();
    QCoreApplication::processEvents();
    field->setFocus();
    QCoreApplication::processEvents();
    if (QApplication::focusWidget() != field) GTEST_SKIP() << "no keyboard focus on this platform";

    QList<int> seen;
    const quint64 token = Application::shared().addLocalMonitorForEventsMatchingMask(
        EventMasks::KeyDown, [&](const Event& e) -> std::optional<Event> {
            seen << e.keyCode();
            if (e.keyCode() == KeyCodes::Space) return std::nullopt;
            return e;
        });
    auto type = [&](int key, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(field, &press);
    };
    type(Qt::Key_A, "a");
    type(Qt::Key_Space, " ");  // consumed by the monitor: the field never sees it
    type(Qt::Key_B, "b");
    Application::shared().removeMonitor(token);
    EXPECT_EQ(seen, QList<int>({KeyCodes::A, KeyCodes::Space, KeyCodes::B}));
    EXPECT_EQ(field->text(), "ab");

    // While a tracking loop runs, Escape typed into the field ends the loop.
    auto* t = new Tracker(QRectF(0, 0, 40, 40));
    f.view->addSubview(t);
    QTimer::singleShot(10, [&] { type(Qt::Key_Escape, "\x1b"); });
    f.send(EventType::LeftMouseDown, QPointF(55, 55));
    EXPECT_EQ(t->log, QStringList({"down", "loop-escape"}));
}
