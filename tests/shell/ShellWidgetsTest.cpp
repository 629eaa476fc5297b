// The small widgets of the main window: containers that pass live resizes on,
// bottom buttons with their own disabled images, the progress strip's
// background, and the main window's toolbar toggle.

#include "ShellTestViews.h"
#include "platform/kit/Image.h"
#include "platform/kit/Toolbar.h"
#include "platform/kit/ToolbarItem.h"
#include "shell/BottomButton.h"
#include "shell/CSUProgressView.h"
#include "shell/EmptyContainerView.h"
#include "shell/MainWindow.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using shelltest::PaneView;

namespace {

// Counts the calls the main window makes on its delegate.
class ToggleDelegate : public QObject {
    Q_OBJECT
public:
    int relayouts = 0;
    Q_INVOKABLE void toolbarToggledWithoutWindowResize() { ++relayouts; }
};

// Pixels of `image` within `tolerance` of `color`.
int countNear(const QImage& image, const QColor& color, int tolerance = 10) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (testsupport::colorNear(image.pixelColor(x, y), color, tolerance)) ++n;
    return n;
}

}  // namespace

TEST(EmptyContainerView, PassesLiveResizesToItsFirstSubviewOnly) {
    EmptyContainerView empty(QRectF(0, 0, 100, 100));
    empty.viewWillStartLiveResize();  // nobody to tell: nothing happens
    empty.viewDidEndLiveResize();

    EmptyContainerView container(QRectF(0, 0, 100, 100));
    auto* first = new PaneView(QRectF(0, 0, 100, 50));
    auto* second = new PaneView(QRectF(0, 50, 100, 50));
    container.addSubview(first);
    container.addSubview(second);
    container.viewWillStartLiveResize();
    container.viewDidEndLiveResize();
    EXPECT_EQ(first->calls, QStringList({"will", "did"}));
    EXPECT_TRUE(second->calls.isEmpty());
}

TEST(BottomButton, DrawsItsDisabledCompanionImageWhileDisabled) {
    const QColor ink(0x4e, 0x56, 0x60), faint(0xb4, 0xba, 0xc1);  // of the two images
    ASSERT_FALSE(kit::Image::named("YearButton_Disabled").isNull());
    EXPECT_EQ(BottomButton::disabledImageNameFor("Add"), "Add_Disabled");

    BottomButton button(QRectF(0, 0, 28, 23));
    button.setImageNamed("YearButton");
    EXPECT_EQ(button.imageName(), "YearButton");
    const QImage enabled = button.renderToImage();
    button.setEnabled(false);
    const QImage disabled = button.renderToImage();
    button.setEnabled(true);
    const QImage again = button.renderToImage();
    testsupport::saveForInspection(disabled, "bottom-button-disabled");

    EXPECT_GT(countNear(enabled, ink), 20);
    EXPECT_EQ(countNear(enabled, faint), 0);
    EXPECT_GT(countNear(disabled, faint), 20);
    EXPECT_EQ(countNear(disabled, ink), 0);
    EXPECT_EQ(again, enabled);

    // Without a companion the platform's disabled look applies.
    button.setImageNamed("Notes");
    EXPECT_TRUE(button.disabledImage().isNull());
}

TEST(CSUProgressView, FillsItselfWithTheColourOfTheWindowsMainState) {
    CSUProgressView strip(QRectF(0, 0, 60, 20));
    EXPECT_TRUE(strip.windowKeyStatus());
    struct Case {
        bool key;
        QColor color;
    };
    for (const Case& c : {Case{false, QColor::fromRgbF(0.91f, 0.91f, 0.91f)},
                          Case{true, QColor::fromRgbF(0.839f, 0.867f, 0.898f)}}) {
        strip.setWindowKeyStatus(c.key);
        EXPECT_EQ(strip.windowKeyStatus(), c.key);
        const QImage image = strip.renderToImage();
        EXPECT_TRUE(testsupport::colorNear(testsupport::pixel(image, 1, 1), c.color, 2));
        EXPECT_TRUE(testsupport::colorNear(testsupport::pixel(image, 58, 18), c.color, 2));
    }
    strip.setBackgroundColor(Qt::red);
    EXPECT_TRUE(testsupport::colorNear(testsupport::pixel(strip.renderToImage(), 30, 10), Qt::red));
}

TEST(MainWindow, ATogglingThatKeepsTheWindowsHeightRelaysThePanesOnce) {
    struct Case {
        bool heightHeld;
        int relayouts;
    };
    for (const Case& c : {Case{true, 1}, Case{false, 0}}) {
        SCOPED_TRACE(c.heightHeld ? "height held" : "height free");
        MainWindow window(QRectF(100, 100, 600, 400));
        ToggleDelegate delegate;
        window.setDelegate(&delegate);
        auto* toolbar = new kit::Toolbar("T");
        auto* item = new kit::ToolbarItem("TBToday");
        item->setLabel("Today");
        toolbar->addItem(item);
        window.setToolbar(toolbar);
        const double height = window.frame().height();
        if (c.heightHeld) {
            window.setMinSize(QSizeF(100, height));
            window.setMaxSize(QSizeF(4000, height));
        }
        window.toggleToolbarShown();
        EXPECT_FALSE(toolbar->isVisible());
        EXPECT_EQ(window.frame().height() == height, c.heightHeld);
        EXPECT_EQ(delegate.relayouts, c.relayouts);
        window.toggleToolbarShown();
        EXPECT_EQ(delegate.relayouts, 2 * c.relayouts);
    }
}

#include "ShellWidgetsTest.moc"
