// The kit's guards against misuse: focus and first responder kept in step with
// Qt's keyboard focus, QWidget's own visibility calls kept in step with the
// kit's hidden state, the kit's events reaching hosted Qt widgets as Qt input,
// secure and search text fields, window notifications, the drawing destination,
// tinting, and the main-thread guard of the mutators.

#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Button.h"
#include "platform/kit/Event.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Image.h"
#include "platform/kit/Menu.h"
#include "platform/kit/TextField.h"
#include "platform/kit/View.h"
#include "platform/kit/Window.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <utility>
#include <vector>

using namespace kit;
using testsupport::colorNear;
using testsupport::pixel;

namespace {

// A view that takes the keyboard and records what reaches it.
class KeyView : public View {
public:
    using View::View;
    bool acceptsFirstResponder() override { return true; }
    bool becomeFirstResponder() override {
        ++becomes;
        return true;
    }
    void keyDown(const Event& e) override { keys += e.characters(); }
    void mouseDown(const Event&) override { ++downs; }
    int becomes = 0, downs = 0;
    QString keys;
};

// A text field that counts becoming first responder.
class CountingField : public TextField {
public:
    using TextField::TextField;
    bool becomeFirstResponder() override {
        ++becomes;
        return TextField::becomeFirstResponder();
    }
    int becomes = 0;
};

// Records where it is drawn to.
class DestinationView : public View {
public:
    DestinationView(const QRectF& frame, std::vector<Graphics::Destination>* seen)
        : View(frame), seen_(seen) {}
    void drawRect(Graphics& g, const QRectF&) override { seen_->push_back(g.destination()); }

private:
    std::vector<Graphics::Destination>* seen_;
};

// Types through Qt's delivery: key presses go to the widget with the keyboard
// focus, as the window system's keys do.
void typeIntoFocus(const QString& text) {
    for (const QChar c : text) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(focus, &press);
    }
}

struct FieldWindow {
    Window window{QRectF(100, 100, 300, 120)};
    KeyView* other = new KeyView(QRectF(10, 10, 100, 40));
    CountingField* first = new CountingField(QRectF(10, 70, 120, 24));
    CountingField* second = new CountingField(QRectF(150, 70, 120, 24));
    FieldWindow() {
        window.contentView()->addSubview(other);
        window.contentView()->addSubview(first);
        window.contentView()->addSubview(second);
        window.makeKeyAndOrderFront();
        // Qt gives keyboard focus only inside the active window.
        EXPECT_TRUE(testsupport::waitUntil([&] { return window.widget()->isActiveWindow(); }));
    }
    ~FieldWindow() { window.orderOut(); }
};

}  // namespace

TEST(Focus, MakingAFieldFirstResponderPutsTheKeyboardIntoItsLineEdit) {
    FieldWindow f;
    ASSERT_TRUE(f.window.makeFirstResponder(f.first));
    EXPECT_EQ(f.first->becomes, 1);
    EXPECT_EQ(QApplication::focusWidget(), f.first->lineEdit());
    typeIntoFocus("Dentist");
    EXPECT_EQ(f.first->stringValue(), "Dentist");

    // A view that is not a control keeps the keyboard itself.
    ASSERT_TRUE(f.window.makeFirstResponder(f.other));
    typeIntoFocus("xy");
    EXPECT_EQ(f.other->keys, "xy");
    EXPECT_EQ(f.first->stringValue(), "Dentist");
}

TEST(Focus, TheKeyboardGivenToAHostedWidgetMakesItsControlFirstResponder) {
    FieldWindow f;
    f.window.makeFirstResponder(f.other);
    struct Case {
        const char* name;
        std::function<void()> move;
        CountingField* expected;
    };
    const Case cases[] = {
        {"click into the second field",
         [&] { f.second->lineEdit()->setFocus(Qt::MouseFocusReason); }, f.second},
        {"tab back to the first", [&] { f.first->lineEdit()->setFocus(Qt::TabFocusReason); },
         f.first},
    };
    for (const Case& c : cases) {
        const int before = c.expected->becomes;
        c.move();
        EXPECT_EQ(f.window.firstResponder(), c.expected) << c.name;
        EXPECT_EQ(c.expected->becomes, before + 1) << c.name;
    }
    // Keys the window routes reach the field that has the keyboard.
    f.window.sendEvent(Event::keyEvent(EventType::KeyDown, KeyCodes::H, "h"));
    EXPECT_EQ(f.first->stringValue(), "h");
}

TEST(Visibility, QWidgetsOwnCallsKeepTheKitsHiddenStateSoHitTestingFollows) {
    View root(QRectF(0, 0, 200, 100));
    auto* child = new KeyView(QRectF(20, 20, 50, 50));
    root.addSubview(child);
    const QPointF inside(30, 30);
    ASSERT_EQ(root.hitTest(inside), child);

    struct Case {
        const char* name;
        std::function<void()> call;
        bool hidden;
    };
    const Case cases[] = {
        {"hide", [&] { child->QWidget::hide(); }, true},
        {"show", [&] { child->QWidget::show(); }, false},
        {"setVisible(false)", [&] { static_cast<QWidget*>(child)->setVisible(false); }, true},
        {"setVisible(true)", [&] { static_cast<QWidget*>(child)->setVisible(true); }, false},
        {"QWidget::setHidden", [&] { static_cast<QWidget*>(child)->setHidden(true); }, true},
        {"kit setHidden", [&] { child->setHidden(false); }, false},
    };
    for (const Case& c : cases) {
        c.call();
        EXPECT_EQ(child->isHidden(), c.hidden) << c.name;
        EXPECT_EQ(root.hitTest(inside), c.hidden ? &root : child) << c.name;
    }

    // Moving a shown view between superviews (Qt hides a widget it reparents)
    // leaves it shown.
    View other(QRectF(0, 0, 200, 100));
    root.QWidget::show();
    other.QWidget::show();
    other.addSubview(child);
    EXPECT_FALSE(child->isHidden());
    EXPECT_TRUE(child->isVisible());
    root.QWidget::hide();
    other.QWidget::hide();
}

TEST(InputPaths, TheKitsEventsReachAHostedWidgetAsQtInput) {
    FieldWindow f;
    // A click into the field puts the caret there and the keyboard into it.
    f.first->setStringValue("abc");
    const QPointF inField(f.first->frame().x() + 110, f.first->frame().y() + 12);
    f.window.sendEvent(Event::mouseEvent(EventType::LeftMouseDown, inField));
    f.window.sendEvent(Event::mouseEvent(EventType::LeftMouseUp, inField));
    EXPECT_EQ(f.window.firstResponder(), f.first);
    EXPECT_EQ(f.first->lineEdit()->cursorPosition(), 3);
    // Keys, special ones included, are Qt key presses in the line edit.
    f.window.sendEvent(Event::keyEvent(EventType::KeyDown, KeyCodes::Delete,
                                       QString(QChar(KeyCharacters::Delete))));
    f.window.sendEvent(Event::keyEvent(EventType::KeyDown, KeyCodes::LeftArrow,
                                       QString(QChar(KeyCharacters::LeftArrow))));
    f.window.sendEvent(Event::keyEvent(EventType::KeyDown, KeyCodes::X, "x"));
    EXPECT_EQ(f.first->stringValue(), "axb");
    // What the widget does not take goes on along the responder chain, once.
    auto* catcher = new KeyView(QRectF(0, 0, 300, 120));
    f.window.contentView()->addSubview(catcher, View::Ordering::Below, nullptr);
    auto* field = new TextField(QRectF(10, 10, 100, 24));
    catcher->addSubview(field);
    f.window.makeFirstResponder(field);
    f.window.sendEvent(Event::keyEvent(EventType::KeyDown, KeyCodes::UpArrow,
                                       QString(QChar(KeyCharacters::UpArrow))));
    EXPECT_EQ(catcher->keys, QString(QChar(KeyCharacters::UpArrow)));
}

TEST(InputPaths, AButtonIsPressedAndReleasedThroughItsQtWidget) {
    Window w(QRectF(100, 100, 200, 100));
    auto* disclosure = new Button(QRectF(20, 20, 30, 30), Button::Type::Disclosure);
    w.contentView()->addSubview(disclosure);
    w.makeKeyAndOrderFront();
    auto* tool = qobject_cast<QToolButton*>(disclosure->hostedWidget());
    ASSERT_NE(tool, nullptr);
    w.sendEvent(Event::mouseEvent(EventType::LeftMouseDown, {30, 30}));
    EXPECT_TRUE(tool->isDown());  // the Qt widget itself is pressed
    w.sendEvent(Event::mouseEvent(EventType::LeftMouseUp, {30, 30}));
    EXPECT_FALSE(tool->isDown());
    EXPECT_EQ(disclosure->state(), Button::On);
    w.orderOut();
}

TEST(TextFieldModes, SecureFieldsHideTheTextAndSearchFieldsSendAsTheUserTypes) {
    TextField secret(QRectF(0, 0, 160, 24));
    secret.setSecure(true);
    secret.setStringValue("hunter2");
    EXPECT_EQ(secret.lineEdit()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(secret.lineEdit()->displayText().size(), 7);
    EXPECT_NE(secret.lineEdit()->displayText(), "hunter2");
    EXPECT_EQ(secret.stringValue(), "hunter2");

    TextField search(QRectF(0, 0, 160, 24));
    QStringList sent;
    search.setActionHandler([&](QObject*) { sent << search.stringValue(); });
    search.lineEdit()->setFocus();
    QKeyEvent a(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QApplication::sendEvent(search.lineEdit(), &a);
    EXPECT_TRUE(sent.isEmpty());  // a plain field waits for Return
    search.setSendsActionWhileTyping(true);
    search.setShowsClearButton(true);
    EXPECT_TRUE(search.lineEdit()->isClearButtonEnabled());
    QKeyEvent b(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, "b");
    QApplication::sendEvent(search.lineEdit(), &b);
    EXPECT_EQ(sent, QStringList{"ab"});
    // The clear button empties the field and sends.
    search.setSendsActionWhileTyping(false);
    auto* clear = search.lineEdit()->findChild<QToolButton*>();
    ASSERT_NE(clear, nullptr);
    clear->click();
    EXPECT_EQ(search.stringValue(), "");
    EXPECT_EQ(sent, QStringList({"ab", ""}));
}

TEST(WindowNotifications, AreObservedByOthersWithTheWindowAsObject) {
    Window w(QRectF(100, 100, 200, 100));
    Window other(QRectF(400, 100, 200, 100));
    QStringList seen;
    auto& center = foundation::NotificationCenter::defaultCenter();
    int observer = 0;
    for (const QString& name :
         {Window::didResizeNotification(), Window::didMoveNotification(),
          Window::willCloseNotification(), Window::didBecomeKeyNotification(),
          Window::didResignKeyNotification(), Window::didBecomeMainNotification(),
          Window::didResignMainNotification()})
        center.addObserver(&observer, name, &w,
                           [&seen](const foundation::Notification& n) { seen << n.name; });
    w.makeKeyAndOrderFront();
    w.setFrame(QRectF(100, 100, 250, 100));
    w.setFrame(QRectF(120, 100, 250, 100));
    other.makeKeyAndOrderFront();
    w.close();
    center.removeObserver(&observer);
    other.orderOut();
    EXPECT_EQ(seen, QStringList({"WindowDidBecomeKey", "WindowDidBecomeMain", "WindowDidResize",
                                 "WindowDidMove", "WindowDidResignKey", "WindowDidResignMain",
                                 "WindowWillClose"}));
}

TEST(GraphicsDestination, TellsScreenImageAndPrintApart) {
    QImage image(10, 10, QImage::Format_ARGB32_Premultiplied);
    {
        Graphics g(image);
        EXPECT_EQ(g.destination(), Graphics::Destination::Image);
        EXPECT_FALSE(g.isDrawingToScreen());
    }
    QTemporaryDir dir;
    QPdfWriter pdf(dir.filePath("page.pdf"));
    {
        QPainter p(&pdf);
        Graphics g(p, false);
        EXPECT_EQ(g.destination(), Graphics::Destination::Print);
    }
    // A view drawing in its window draws to the screen; rendered, into an image.
    std::vector<Graphics::Destination> seen;
    Window w(QRectF(100, 100, 60, 60));
    auto* v = new DestinationView(QRectF(0, 0, 60, 60), &seen);
    w.contentView()->addSubview(v);
    w.makeKeyAndOrderFront();
    v->setNeedsDisplay();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !seen.empty(); }));
    EXPECT_EQ(seen.back(), Graphics::Destination::Screen);
    v->renderToImage();
    EXPECT_EQ(seen.back(), Graphics::Destination::Image);
    w.orderOut();
}

TEST(Tint, MultipliesTheMaskByTheColourKeepingItsAlphaWithTheOptions) {
    // A mask of white, mid grey and half-transparent white.
    QImage mask(4, 1, QImage::Format_ARGB32);
    mask.setPixelColor(0, 0, QColor(255, 255, 255));
    mask.setPixelColor(1, 0, QColor(128, 128, 128));
    mask.setPixelColor(2, 0, QColor(255, 255, 255, 128));
    mask.setPixelColor(3, 0, QColor(0, 0, 0, 0));
    const QColor orange(255, 128, 0, 60);  // the colour's alpha is not used
    const QImage t = Image::tinted(mask, orange);
    EXPECT_TRUE(colorNear(t.pixelColor(0, 0), QColor(255, 128, 0), 2));
    EXPECT_TRUE(colorNear(t.pixelColor(1, 0), QColor(128, 64, 0), 2));
    EXPECT_EQ(t.pixelColor(2, 0).alpha(), 128);
    EXPECT_TRUE(colorNear(t.pixelColor(2, 0).toRgb(), QColor(255, 128, 0, 128), 3));
    EXPECT_EQ(t.pixelColor(3, 0).alpha(), 0);

    // The cap lowers a bright colour's brightness only.
    Image::TintOptions capped;
    capped.brightnessCap = 0.85;
    const QColor c = Image::tinted(mask, orange, capped).pixelColor(0, 0).toHsv();
    EXPECT_NEAR(c.valueF(), 0.85, 0.01);
    EXPECT_NEAR(c.hsvHueF(), orange.toHsv().hsvHueF(), 0.01);
    const QColor dark(40, 40, 100);
    EXPECT_TRUE(colorNear(Image::tinted(mask, dark, capped).pixelColor(0, 0), dark, 1));

    // An artwork of the resources tinted, for the eye.
    const QImage artwork = Image::named("TBNewCal", QSizeF(64, 64));
    ASSERT_FALSE(artwork.isNull());
    const QImage blue = Image::tinted(artwork, QColor(40, 110, 230), capped);
    testsupport::saveForInspection(blue, "tint-new-calendar-blue");
    EXPECT_EQ(blue.size(), artwork.size());

    // Wide masks are halved; a 64-pixel one is kept.
    Image::TintOptions halving;
    halving.halveWideMasks = true;
    for (const auto& [width, expected] : {std::pair{128, 64}, std::pair{64, 64}}) {
        QImage m(width, width, QImage::Format_ARGB32_Premultiplied);
        m.fill(Qt::white);
        EXPECT_EQ(Image::tinted(m, orange, halving).width(), expected) << width;
    }
}

#ifndef ZOLT_RELEASE
TEST(MainThreadDeathTest, TheKitsMutatorsOffTheMainThreadLogAndAbort) {
    View view(QRectF(0, 0, 10, 10));
    Window window(QRectF(0, 0, 50, 50));
    Menu menu;
    TextField field;
    struct Case {
        const char* operation;
        std::function<void()> call;
    };
    const Case cases[] = {
        {"View::setFrame", [&] { view.setFrame(QRectF(1, 1, 5, 5)); }},
        {"View::setHidden", [&] { view.setHidden(true); }},
        {"Window::setFrame", [&] { window.setFrame(QRectF(5, 5, 60, 60)); }},
        {"Menu::removeAllItems", [&] { menu.removeAllItems(); }},
        {"Control::setObjectValue", [&] { field.Control::setObjectValue(1); }},
    };
    for (const Case& c : cases) {
        EXPECT_DEATH(
            {
                std::thread t(c.call);
                t.join();
            },
            QStringLiteral("oops, %1 called off the main thread").arg(c.operation).toStdString())
            << c.operation;
    }
}
#endif
