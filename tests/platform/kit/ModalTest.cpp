// Sheets, modal loops, panels and alerts: who takes input while a window is held
// back, return codes, floating panels that refuse key status and hide while the
// application is inactive.

#include "platform/foundation/Log.h"
#include "platform/kit/Alert.h"
#include "platform/kit/Application.h"
#include "platform/kit/Button.h"
#include "platform/kit/Event.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/ModalSession.h"
#include "platform/kit/Panel.h"
#include "platform/kit/Sheet.h"
#include "platform/kit/TextField.h"
#include "platform/kit/View.h"
#include "platform/kit/Window.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace kit;

namespace {

// Counts the clicks that reach it, also those that make its window key.
class ClickView : public View {
public:
    explicit ClickView(const QRectF& f) : View(f) {}
    bool acceptsFirstMouse(const Event&) override { return true; }
    void mouseDown(const Event&) override { ++downs; }
    int downs = 0;
};

// A window with one view over all of it and a push button in its corner.
struct TestWindow {
    explicit TestWindow(const QRectF& frame, const QString& title) : window(frame) {
        window.setTitle(title);
        view = new ClickView(QRectF(0, 0, frame.width(), frame.height()));
        window.contentView()->addSubview(view);
        button = new Button(QRectF(10, 10, 80, 28));
        button->setTitle("Go");
        button->setActionHandler([this](QObject*) { ++actions; });
        window.contentView()->addSubview(button);
        window.orderFront();
    }
    // A click as the kit's own event, and one as the window system's on the button.
    void click() { window.sendEvent(Event::mouseEvent(EventType::LeftMouseDown, {200, 150})); }
    void clickButton() {
        QWidget* w = button->hostedWidget();
        const QPointF at(w->width() / 2.0, w->height() / 2.0);
        QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &press);
        QApplication::sendEvent(w, &release);
    }
    Window window;
    ClickView* view = nullptr;
    Button* button = nullptr;
    int actions = 0;
};

class SheetDelegate : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void deleteEventsDidEndSheetReturnCodeContextInfo(QObject* sheet, int code,
                                                                  QVariant context) {
        sheets << sheet;
        codes << code;
        contexts << context;
        static_cast<Window*>(sheet)->orderOut();
    }
    QList<QObject*> sheets;
    QList<int> codes;
    QVariantList contexts;
};

// Runs `fn` once the event loop of a modal loop has started.
void soon(std::function<void()> fn) {
    QTimer::singleShot(0, qApp, std::move(fn));
}

}  // namespace

TEST(Sheet, BeginsAtTheTopOfItsWindowHoldsItBackAndEndsWithTheReturnCode) {
    TestWindow main(QRectF(100, 100, 400, 300), "Main");
    TestWindow other(QRectF(600, 100, 300, 300), "Other");
    Window sheet(QRectF(0, 0, 200, 100));
    sheet.setTitle("Sheet");

    Window* endedSheet = nullptr;
    int endedCode = 0, ends = 0;
    ASSERT_TRUE(Sheet::beginSheet(&sheet, &main.window, [&](Window* s, int code) {
        ++ends;
        endedSheet = s;
        endedCode = code;
    }));
    // Non-blocking: we are here while it is up.
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_TRUE(sheet.isKeyWindow());
    EXPECT_EQ(Sheet::attachedSheet(&main.window), &sheet);
    EXPECT_EQ(Sheet::sheetParent(&sheet), &main.window);
    EXPECT_DOUBLE_EQ(midX(sheet.frame()), midX(main.window.frame()));
    EXPECT_DOUBLE_EQ(maxY(sheet.frame()), maxY(main.window.frame()));

    // The window under it takes no clicks, from the kit or from the window system;
    // other windows do.
    main.click();
    main.clickButton();
    other.click();
    other.clickButton();
    EXPECT_EQ(main.view->downs, 0);
    EXPECT_EQ(main.actions, 0);
    EXPECT_EQ(other.view->downs, 1);
    EXPECT_EQ(other.actions, 1);

    // One sheet at a time.
    {
        foundation::LogCapture log;
        Window second(QRectF(0, 0, 100, 50));
        EXPECT_FALSE(Sheet::beginSheet(&second, &main.window));
        EXPECT_FALSE(Sheet::beginSheet(&sheet, &other.window));
        EXPECT_TRUE(log.contains("sheet"));
    }

    sheet.makeKeyWindow();  // the click in the other window took key status
    Sheet::endSheet(&sheet, 7);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(endedSheet, &sheet);
    EXPECT_EQ(endedCode, 7);
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_EQ(Sheet::attachedSheet(&main.window), nullptr);
    EXPECT_TRUE(main.window.isKeyWindow());
    main.click();
    main.clickButton();
    EXPECT_EQ(main.view->downs, 1);
    EXPECT_EQ(main.actions, 1);
    // Ending again does nothing.
    Sheet::endSheet(&sheet, 8);
    EXPECT_EQ(ends, 1);
    main.window.orderOut();
    other.window.orderOut();
}

TEST(Sheet, EndOperationByNameGetsTheSheetTheCodeAndTheContext) {
    TestWindow main(QRectF(100, 100, 400, 300), "Main");
    Window sheet(QRectF(0, 0, 200, 100));
    SheetDelegate delegate;
    ASSERT_TRUE(Sheet::beginSheetModalForWindow(&sheet, &main.window, &delegate,
                                                "deleteEventsDidEndSheetReturnCodeContextInfo",
                                                QStringLiteral("ctx")));
    Sheet::endSheet(&sheet);
    EXPECT_EQ(delegate.sheets, QList<QObject*>({&sheet}));
    EXPECT_EQ(delegate.codes, QList<int>({ModalSession::Stop}));
    EXPECT_EQ(delegate.contexts, QVariantList({QStringLiteral("ctx")}));
    EXPECT_FALSE(sheet.isVisible());

    // A handler that begins the sheet again keeps it up.
    ASSERT_TRUE(Sheet::beginSheet(&sheet, &main.window,
                                  [&](Window* s, int) { Sheet::beginSheet(s, &main.window); }));
    Sheet::endSheet(&sheet, 1);
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(Sheet::attachedSheet(&main.window), &sheet);
    Sheet::endSheet(&sheet, 1);
    EXPECT_FALSE(sheet.isVisible());
    main.window.orderOut();
}

TEST(ModalSession, OnlyTheModalWindowAndPanelsThatWorkWhenModalTakeInput) {
    TestWindow main(QRectF(100, 100, 400, 300), "Main");
    Window modal(QRectF(200, 200, 300, 200));
    auto* modalView = new ClickView(QRectF(0, 0, 300, 200));
    modal.contentView()->addSubview(modalView);
    Panel working(QRectF(600, 100, 200, 200), Panel::Titled);
    working.setWorksWhenModal(true);
    auto* workingView = new ClickView(QRectF(0, 0, 200, 200));
    working.contentView()->addSubview(workingView);
    Panel idle(QRectF(600, 400, 200, 200), Panel::Titled);
    auto* idleView = new ClickView(QRectF(0, 0, 200, 200));
    idle.contentView()->addSubview(idleView);
    working.orderFront();
    idle.orderFront();

    soon([&] {
        EXPECT_EQ(ModalSession::modalWindow(), &modal);
        EXPECT_TRUE(modal.isKeyWindow());
        main.click();
        main.clickButton();
        const Event click = Event::mouseEvent(EventType::LeftMouseDown, {20, 20});
        modal.sendEvent(click);
        working.sendEvent(click);
        idle.sendEvent(click);
        ModalSession::stopModalWithCode(42);
        ModalSession::stopModal();  // the loop has been stopped: nothing more
    });
    EXPECT_EQ(ModalSession::runModalForWindow(&modal), 42);
    EXPECT_FALSE(ModalSession::isRunning());
    EXPECT_EQ(main.view->downs, 0);
    EXPECT_EQ(main.actions, 0);
    EXPECT_EQ(modalView->downs, 1);
    EXPECT_EQ(workingView->downs, 1);
    EXPECT_EQ(idleView->downs, 0);
    // Afterwards everyone takes input again.
    main.click();
    EXPECT_EQ(main.view->downs, 1);

    // A window that goes away ends its loop.
    auto* doomed = new Window(QRectF(0, 0, 100, 100));
    soon([doomed] { delete doomed; });
    EXPECT_EQ(ModalSession::runModalForWindow(doomed), ModalSession::Abort);
    // Stopping with no loop running is harmless.
    ModalSession::stopModal();
    for (Window* w : std::initializer_list<Window*>{&main.window, &modal, &working, &idle})
        w->orderOut();
}

TEST(ModalSession, ClosingOrOrderingOutTheModalWindowEndsOnlyItsOwnLoop) {
    for (const bool closeIt : {true, false}) {
        Window outer(QRectF(100, 100, 300, 200));
        Window inner(QRectF(150, 150, 200, 100));
        int innerCode = 0;
        bool outerRunningAfterInner = false;
        // A fallback so that a loop that is not ended does not hang the run.
        QTimer rescue;
        rescue.setSingleShot(true);
        QObject::connect(&rescue, &QTimer::timeout, [] { ModalSession::abortModal(); });
        rescue.start(5000);
        soon([&] {
            soon([&] {
                EXPECT_EQ(ModalSession::modalWindow(), &inner);
                if (closeIt)
                    inner.close();
                else
                    inner.orderOut();
                // The caller means the inner loop, which has ended: the outer
                // one goes on.
                ModalSession::stopModalWithCode(7);
            });
            innerCode = ModalSession::runModalForWindow(&inner);
            outerRunningAfterInner = ModalSession::modalWindow() == &outer;
            soon([] { ModalSession::stopModalWithCode(9); });
        });
        EXPECT_EQ(ModalSession::runModalForWindow(&outer), 9) << closeIt;
        EXPECT_EQ(innerCode, ModalSession::Abort) << closeIt;
        EXPECT_TRUE(outerRunningAfterInner) << closeIt;
        outer.orderOut();
    }
}

TEST(Panel, FloatsRefusesKeyAndHidesWhileTheApplicationIsInactive) {
    Window main(QRectF(100, 100, 400, 300));
    main.makeKeyAndOrderFront();
    Panel panel(QRectF(150, 150, 200, 120), Panel::Borderless);
    panel.setBackgroundColor(QColor(0, 0, 0, 0));
    panel.setFloatingPanel(true);
    panel.setHasShadow(false);
    panel.setHidesOnDeactivate(true);
    const Qt::WindowFlags flags = panel.widget()->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(flags & Qt::FramelessWindowHint);
    EXPECT_TRUE(flags & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(flags & Qt::NoDropShadowWindowHint);
    EXPECT_TRUE(panel.widget()->testAttribute(Qt::WA_TranslucentBackground));

    panel.makeKeyAndOrderFront();
    EXPECT_TRUE(panel.isVisible());
    EXPECT_FALSE(panel.isKeyWindow());
    EXPECT_TRUE(main.isKeyWindow());
    EXPECT_FALSE(panel.canBecomeMainWindow());
    // A panel allowed to become key takes it (the notes popup edits text).
    panel.setCanBecomeKeyWindow(true);
    EXPECT_FALSE(panel.widget()->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    panel.makeKeyWindow();
    EXPECT_TRUE(panel.isKeyWindow());
    EXPECT_TRUE(main.isMainWindow());
    panel.setCanBecomeKeyWindow(false);
    main.makeKeyWindow();

    emit qGuiApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_FALSE(panel.isVisible());
    EXPECT_FALSE(panel.isClosed());
    emit qGuiApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_TRUE(panel.isVisible());
    // A panel the user closed stays closed.
    panel.close();
    emit qGuiApp->applicationStateChanged(Qt::ApplicationInactive);
    emit qGuiApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_FALSE(panel.isVisible());
    main.orderOut();

    // A non-activating panel shows without taking the focus from the main window.
    Panel quiet(QRectF(0, 0, 100, 100), Panel::Borderless | Panel::NonactivatingPanel);
    EXPECT_TRUE(quiet.widget()->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(quiet.widget()->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(quiet.widget()->windowFlags() & Qt::FramelessWindowHint);
}

TEST(Alert, RunsModallyAndAnswersTheButtonClicked) {
    struct Case {
        QStringList buttons;
        int click;  // index of the button clicked
        int expected;
    };
    const Case cases[] = {
        {{}, 0, Alert::FirstButtonReturn},
        {{"Delete", "Cancel"}, 1, Alert::SecondButtonReturn},
        {{"Save", "Cancel", "Don't Save"}, 2, Alert::ThirdButtonReturn},
    };
    for (const Case& c : cases) {
        Alert alert;
        alert.setMessageText("Preferences");
        alert.setInformativeText("Preferences are not available for Zolt.");
        for (const QString& b : c.buttons) alert.addButtonWithTitle(b);
        soon([&] {
            ASSERT_GT(int(alert.buttons().size()), c.click);
            alert.buttons()[size_t(c.click)]->performClick();
        });
        EXPECT_EQ(alert.runModal(), c.expected);
        EXPECT_FALSE(alert.window()->isVisible());
        if (c.buttons.isEmpty()) EXPECT_EQ(alert.buttons()[0]->title(), "OK");
        EXPECT_EQ(alert.buttons()[0]->keyEquivalent(), "\r");
    }
}

TEST(Alert, AsASheetAnswersThroughItsHandlerAndFreesTheWindow) {
    TestWindow main(QRectF(100, 100, 400, 300), "Main");
    Alert alert;
    alert.setMessageText("Delete the events of 3 days?");
    alert.addButtonWithTitle("Delete");
    Button* cancel = alert.addButtonWithTitle("Cancel");
    EXPECT_EQ(cancel->keyEquivalent(), "\x1b");
    int answer = 0;
    ASSERT_TRUE(alert.beginSheetModalForWindow(&main.window, [&](int code) { answer = code; }));
    EXPECT_TRUE(alert.window()->isVisible());
    main.click();
    EXPECT_EQ(main.view->downs, 0);
    cancel->performClick();
    EXPECT_EQ(answer, Alert::SecondButtonReturn);
    EXPECT_FALSE(alert.window()->isVisible());
    main.click();
    EXPECT_EQ(main.view->downs, 1);
    main.window.orderOut();
}

#include "ModalTest.moc"
