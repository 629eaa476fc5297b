// The birthday hover: its size from the measured text, opening below the mark
// of a view in a window, moving without new text while open, closing.

#include "events/BirthdayHoverController.h"
#include "platform/kit/Animation.h"
#include "platform/kit/Font.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/TextAttributes.h"
#include "platform/kit/TextView.h"
#include "platform/kit/View.h"
#include "platform/kit/Window.h"
#include "shell/SpringPanel.h"
#include "shell/SpringPanelView.h"
#include "support/TestSupport.h"
#include "weekview/WeekView.h"
#include "yearview/YearViewScroller.h"

#include <gtest/gtest.h>

namespace {

class BirthdayHoverControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        kit::Animation::setInstantForTesting(true);
        window = std::make_unique<kit::Window>(QRectF(200, 200, 600, 400));
        mark = new kit::View(QRectF(300, 300, 18, 18));
        window->contentView()->addSubview(mark);
        window->orderFront();
        hover = BirthdayHoverController::sharedWinController();
    }
    void TearDown() override {
        hover->closeWindow();
        window.reset();
        kit::Animation::setInstantForTesting(false);
    }

    std::unique_ptr<kit::Window> window;
    kit::View* mark = nullptr;  // owned by the window
    BirthdayHoverController* hover = nullptr;
};

}  // namespace

TEST_F(BirthdayHoverControllerTest, ThePanelIsSizedToTheMeasuredText) {
    const QSizeF box = BirthdayHoverController::textBoxForMeasuredSize(QSizeF(120.4, 28.6));
    EXPECT_EQ(box, QSizeF(132, 29));
    EXPECT_EQ(BirthdayHoverController::panelSizeForTextBox(box), QSizeF(182, 89));

    // A real text: the panel and the scroll view follow its measured size.
    const QString text = QStringLiteral("Ada Lovelace (209)\nAlan Turing (99)\nGrace Hopper (105)");
    hover->setupEntries(text);
    const QSizeF measured =
        kit::TextAttributes(kit::Font::systemFont(kit::Font::smallSystemFontSize()), Qt::white)
            .sizeOfString(text);
    const QSizeF expected = BirthdayHoverController::textBoxForMeasuredSize(measured);
    EXPECT_EQ(hover->panel()->frame().size(),
              BirthdayHoverController::panelSizeForTextBox(expected));
    kit::ScrollView* scroll = hover->textView()->enclosingScrollView();
    ASSERT_TRUE(scroll);
    EXPECT_EQ(scroll->frame(), QRectF(QPointF(25, 30), expected));
    EXPECT_EQ(hover->textView()->string(), text);
    EXPECT_FALSE(hover->textView()->isEditable());
}

TEST_F(BirthdayHoverControllerTest, OpensBelowTheMarkMovesWhileOpenAndCloses) {
    const QRectF rect(0, 0, 18, 18);
    hover->showWindowForRectInViewWithString(rect, mark, QStringLiteral("Ada"));
    ASSERT_TRUE(hover->windowOpen());
    SpringPanel* panel = hover->panel();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(panel->canBecomeKeyWindow());
    EXPECT_EQ(panel->desiredOpeningDirection(), SpringPanel::Down);
    const QRectF onScreen = mark->convertRectToScreen(rect);
    EXPECT_EQ(panel->referenceRect(), onScreen);
    EXPECT_LE(kit::maxY(panel->frame()), kit::minY(onScreen)) << "below the mark";
    testsupport::saveForInspection(panel->widget()->grab().toImage(),
                                   QStringLiteral("birthday-hover"));

    // Shown again while open: it moves, its text stays.
    mark->setFrameOrigin(QPointF(100, 300));
    hover->showWindowForRectInViewWithString(rect, mark, QStringLiteral("Bob"));
    EXPECT_EQ(hover->textView()->string(), QStringLiteral("Ada"));
    EXPECT_EQ(panel->referenceRect(), mark->convertRectToScreen(rect));

    // The week header and the year area close it through their services.
    BirthdayHoverController::installServices();
    WeekView::services().birthdayHoverCloseWindow(mark);
    EXPECT_FALSE(hover->windowOpen());
    EXPECT_FALSE(panel->isVisible());
    hover->showWindowForRectInViewWithString(rect, mark, QStringLiteral("Cy"));
    EXPECT_EQ(hover->textView()->string(), QStringLiteral("Cy"));
    YearViewScroller::services().birthdayHoverCloseWindow(nullptr);
    EXPECT_FALSE(hover->windowOpen());
    WeekView::changeServices([](WeekView::Services& s) { s = {}; });
    YearViewScroller::changeServices([](YearViewScroller::Services& s) { s = {}; });

    // Closing the panel any other way leaves the hover closed too.
    hover->showWindowForRectInViewWithString(rect, mark, QStringLiteral("Di"));
    panel->close();
    EXPECT_FALSE(hover->windowOpen());
}
