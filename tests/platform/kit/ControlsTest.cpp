// Controls: button states and clicks, images while disabled, text fields and
// their delegate, progress bars driven from other threads, image scaling,
// boxes; and the workspace.

#include "KitTestViews.h"
#include "platform/foundation/Log.h"
#include "platform/kit/Box.h"
#include "platform/kit/Button.h"
#include "platform/kit/Event.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/ProgressIndicator.h"
#include "platform/kit/TextField.h"
#include "platform/kit/Window.h"
#include "platform/kit/Workspace.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <thread>

using namespace kit;
using testsupport::colorNear;
using testsupport::pixel;

namespace {

class FieldDelegate : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void controlTextDidChange(QObject* field) {
        changes << static_cast<TextField*>(field)->stringValue();
    }
    Q_INVOKABLE void controlTextDidEndEditing(QObject*) { ++ends; }
    QStringList changes;
    int ends = 0;
};

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void open(const QUrl& url) { urls << url; }
    QList<QUrl> urls;
};

QImage filled(const QSize& size, const QColor& color) {
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(color);
    return img;
}

}  // namespace

TEST(Controls, ButtonClicksMoveTheStateOnAndSendTheAction) {
    struct Case {
        const char* name;
        Button::Type type;
        bool allowsMixed;
        int start;
        std::vector<int> afterClicks;
    };
    const Case cases[] = {
        {"push", Button::Type::Push, false, Button::Off, {Button::Off, Button::Off}},
        {"checkbox", Button::Type::Checkbox, false, Button::Off, {Button::On, Button::Off}},
        {"mixed checkbox",
         Button::Type::Checkbox,
         true,
         Button::Mixed,
         {Button::On, Button::Off, Button::On}},
        {"disclosure", Button::Type::Disclosure, false, Button::Off, {Button::On, Button::Off}},
        {"mixed disclosure",
         Button::Type::Disclosure,
         true,
         Button::Mixed,
         {Button::On, Button::Off}},
    };
    for (const Case& c : cases) {
        Button b(QRectF(0, 0, 120, 24), c.type);
        b.setTitle(c.name);
        b.setAllowsMixedState(c.allowsMixed);
        b.setState(c.start);
        EXPECT_EQ(b.state(), c.start) << c.name;
        QList<int> seen;
        QObject* sender = nullptr;
        b.setActionHandler([&](QObject* s) {
            sender = s;
            seen << b.state();  // the state has moved on when the action comes
        });
        QList<int> expected;
        for (int s : c.afterClicks) {
            b.performClick();
            EXPECT_EQ(b.state(), s) << c.name;
            EXPECT_EQ(b.objectValue().toInt(), s) << c.name;
            expected << s;
        }
        EXPECT_EQ(seen, expected) << c.name;
        EXPECT_EQ(sender, &b) << c.name;
    }
}

TEST(Controls, MixedStateNeedsPermissionAndShowsInTheQtWidget) {
    Button box(QRectF(0, 0, 120, 24), Button::Type::Checkbox);
    box.setState(Button::Mixed);
    EXPECT_EQ(box.state(), Button::On);  // not allowed: taken as on
    box.setAllowsMixedState(true);
    box.setState(Button::Mixed);
    auto* check = qobject_cast<QCheckBox*>(box.hostedWidget());
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(check->checkState(), Qt::PartiallyChecked);
    box.setAllowsMixedState(false);
    EXPECT_EQ(box.state(), Button::On);
    EXPECT_EQ(check->checkState(), Qt::Checked);

    Button disclosure(QRectF(0, 0, 20, 20), Button::Type::Disclosure);
    auto* arrow = qobject_cast<QToolButton*>(disclosure.hostedWidget());
    ASSERT_NE(arrow, nullptr);
    EXPECT_EQ(arrow->arrowType(), Qt::RightArrow);
    disclosure.setState(Button::On);
    EXPECT_EQ(arrow->arrowType(), Qt::DownArrow);
}

TEST(Controls, DisabledButtonsDoNothingAndShowTheirDisabledImage) {
    Button b(QRectF(0, 0, 40, 30));
    b.setBordered(false);
    b.setImage(filled(QSize(16, 16), Qt::red));
    b.setDisabledImage(filled(QSize(16, 16), Qt::blue));
    int actions = 0;
    b.setActionHandler([&](QObject*) { ++actions; });

    QImage img = b.renderToImage();
    testsupport::saveForInspection(img, "controls-button-enabled");
    EXPECT_TRUE(colorNear(pixel(img, 20, 15), Qt::red, 30));
    b.setEnabled(false);
    img = b.renderToImage();
    testsupport::saveForInspection(img, "controls-button-disabled");
    EXPECT_TRUE(colorNear(pixel(img, 20, 15), Qt::blue, 30));
    b.performClick();
    EXPECT_EQ(actions, 0);
    b.setEnabled(true);
    b.performClick();
    EXPECT_EQ(actions, 1);

    b.setImageNamed("NoSuchImageAnywhere");
    EXPECT_EQ(b.imageName(), "NoSuchImageAnywhere");
}

TEST(Controls, AButtonInAWindowIsClickedByTheKitsOwnEvents) {
    Window w(QRectF(100, 100, 200, 100));
    auto* b = new Button(QRectF(20, 20, 80, 30));
    w.contentView()->addSubview(b);
    w.makeKeyAndOrderFront();
    int actions = 0;
    b->setActionHandler([&](QObject*) { ++actions; });
    struct Case {
        QPointF down, up;
        int expected;
    };
    const Case cases[] = {{{30, 30}, {40, 35}, 1}, {{30, 30}, {150, 80}, 1}, {{5, 5}, {30, 30}, 1}};
    for (const Case& c : cases) {
        w.sendEvent(Event::mouseEvent(EventType::LeftMouseDown, c.down));
        w.sendEvent(Event::mouseEvent(EventType::LeftMouseUp, c.up));
        EXPECT_EQ(actions, c.expected);  // released outside, or pressed elsewhere: no click
    }
    w.orderOut();
}

TEST(Controls, TextFieldsTellTheirDelegateAsTheUserTypesAndSendTheActionOnReturn) {
    TextField field(QRectF(0, 0, 200, 22));
    FieldDelegate delegate;
    field.setDelegate(&delegate);
    int actions = 0;
    field.setActionHandler([&](QObject*) { ++actions; });
    field.setStringValue("Notes");  // code's own changes are not the user's
    EXPECT_TRUE(delegate.changes.isEmpty());
    QLineEdit* edit = field.lineEdit();
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), "Notes");

    edit->setFocus();
    edit->end(false);
    kittest::typeText(edit, "!?");
    EXPECT_EQ(delegate.changes, QStringList({"Notes!", "Notes!?"}));
    EXPECT_EQ(field.stringValue(), "Notes!?");
    QKeyEvent ret(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QApplication::sendEvent(edit, &ret);
    EXPECT_EQ(actions, 1);
    EXPECT_GE(delegate.ends, 1);
}

TEST(Controls, LabelsAreQtLabelsThatWrapWhenAsked) {
    std::unique_ptr<TextField> label(TextField::labelWithString(
        "Delete the events of 3 days from all calendars?", QRectF(0, 0, 120, 60)));
    EXPECT_FALSE(label->isEditable());
    ASSERT_NE(label->label(), nullptr);
    EXPECT_EQ(label->lineEdit(), nullptr);
    EXPECT_EQ(label->label()->text(), label->stringValue());
    EXPECT_FALSE(label->label()->wordWrap());
    label->setWraps(true);
    EXPECT_TRUE(label->label()->wordWrap());
    label->setTextColor(QColor(255, 255, 255));
    EXPECT_EQ(label->label()->palette().color(QPalette::WindowText), QColor(255, 255, 255));
    // Made editable, it becomes a line edit with the same text.
    label->setEditable(true);
    ASSERT_NE(label->lineEdit(), nullptr);
    EXPECT_EQ(label->lineEdit()->text(), label->stringValue());
}

TEST(Controls, ProgressBarsTakeChangesFromOtherThreadsOnTheMainThreadInOrder) {
    ProgressIndicator bar(QRectF(0, 0, 200, 12));
    bar.setIndeterminate(false);
    bar.setMinValue(0);
    bar.setMaxValue(50);
    struct Case {
        double set;
        double expected;
    };
    for (const Case& c : {Case{25, 25}, Case{80, 50}, Case{-3, 0}}) {
        bar.setDoubleValue(c.set);
        EXPECT_DOUBLE_EQ(bar.doubleValue(), c.expected);
    }
    bar.incrementBy(10);
    EXPECT_DOUBLE_EQ(bar.doubleValue(), 10);
    EXPECT_EQ(bar.bar()->value(), bar.bar()->maximum() / 5);

    std::thread job([&bar] {
        for (int i = 1; i <= 20; ++i) bar.setDoubleValue(i);
        bar.incrementBy(5);
    });
    job.join();
    EXPECT_DOUBLE_EQ(bar.doubleValue(), 10);  // not yet: the changes wait for the main thread
    ASSERT_TRUE(testsupport::waitUntil([&] { return bar.doubleValue() == 25; }));

    bar.setIndeterminate(true);
    bar.setDisplayedWhenStopped(false);
    EXPECT_TRUE(bar.bar()->isHidden());
    bar.startAnimation();
    EXPECT_TRUE(bar.isAnimating());
    EXPECT_EQ(bar.bar()->maximum(), 0);  // Qt's busy bar
    EXPECT_FALSE(bar.bar()->isHidden());
    bar.stopAnimation();
    EXPECT_TRUE(bar.bar()->isHidden());
}

TEST(Controls, ImageViewsScaleAndCentreTheirImage) {
    struct Case {
        const char* name;
        ImageView::Scaling scaling;
        QSizeF view;
        QRectF expected;
    };
    // The image is 100 by 50 points.
    const Case cases[] = {
        {"down", ImageView::Scaling::ProportionallyDown, {50, 50}, {0, 12.5, 50, 25}},
        {"not up", ImageView::Scaling::ProportionallyDown, {200, 200}, {50, 75, 100, 50}},
        {"up", ImageView::Scaling::ProportionallyUpOrDown, {200, 200}, {0, 50, 200, 100}},
        {"axes", ImageView::Scaling::AxesIndependently, {50, 50}, {0, 0, 50, 50}},
        {"none", ImageView::Scaling::None, {50, 50}, {-25, 0, 100, 50}},
    };
    for (const Case& c : cases) {
        ImageView v(QRectF(QPointF(0, 0), c.view));
        v.setImage(filled(QSize(100, 50), Qt::green));
        v.setImageScaling(c.scaling);
        EXPECT_EQ(v.imageRect(), c.expected) << c.name;
    }
    ImageView v(QRectF(0, 0, 40, 40));
    v.setObjectValue(QVariant::fromValue(filled(QSize(40, 40), Qt::green)));
    const QImage img = v.renderToImage();
    EXPECT_TRUE(colorNear(pixel(img, 20, 20), Qt::green));
}

TEST(Controls, BoxesHoldTheirViewsInsideTheirBorder) {
    Box plain(QRectF(0, 0, 200, 100));
    EXPECT_EQ(plain.contentView()->frame(), QRectF(6, 6, 188, 88));
    Box titled(QRectF(0, 0, 200, 100));
    titled.setTitle("Display");
    EXPECT_LT(titled.borderRect().height(), 100);
    EXPECT_DOUBLE_EQ(titled.borderRect().y(), 0);  // the title takes the top
    EXPECT_LT(titled.contentView()->frame().height(), 88);
    titled.setFrame(QRectF(0, 0, 300, 150));
    EXPECT_DOUBLE_EQ(titled.contentView()->frame().width(), 288);
    Box line(QRectF(0, 0, 200, 3), Box::Type::Separator);
    EXPECT_TRUE(line.contentView()->isHidden());
    const QImage img = titled.renderToImage();
    testsupport::saveForInspection(img, "controls-box");
    EXPECT_FALSE(img.isNull());
}

TEST(Workspace, OpensAddressesThroughTheDesktopAndStartsPrograms) {
    foundation::LogCapture log;
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("zolt-test", &catcher, "open");
    EXPECT_TRUE(Workspace::openURL(QUrl("zolt-test://help/index")));
    QDesktopServices::unsetUrlHandler("zolt-test");
    EXPECT_EQ(catcher.urls, QList<QUrl>({QUrl("zolt-test://help/index")}));

    EXPECT_FALSE(Workspace::openURL(QUrl("no scheme here")));
    EXPECT_FALSE(Workspace::openFile("/no/such/file.ics"));
    EXPECT_FALSE(Workspace::launchApplication("no-such-program-for-zolt"));
    EXPECT_TRUE(log.contains("no such program"));
    EXPECT_TRUE(Workspace::launchApplication("true"));
    Workspace::beep();  // nothing to see headless, but it must not fail
}

#include "ControlsTest.moc"
