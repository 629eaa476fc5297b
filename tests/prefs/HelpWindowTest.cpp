// The help window: its pages, and back and forward along the history.
#include "platform/kit/Button.h"
#include "platform/kit/HelpBrowser.h"
#include "platform/kit/Window.h"
#include "prefs/HelpWinController.h"
#include "support/TestSupport.h"

#include <QTextBrowser>

#include <gtest/gtest.h>

namespace {

class HelpWindowTest : public ::testing::Test {
protected:
    void TearDown() override { HelpWinController::resetSharedWinControllerForTesting(); }

    static QString page() {
        return HelpWinController::sharedWinController()->browser()->currentURL().fileName();
    }
};

TEST_F(HelpWindowTest, BackAndForwardFollowTheHistory) {
    auto* help = HelpWinController::sharedWinController();
    help->showWindow();
    ASSERT_TRUE(help->window()->isVisible());
    EXPECT_EQ(page(), "index.html");
    EXPECT_FALSE(help->backButton()->isEnabled());
    EXPECT_FALSE(help->forwardButton()->isEnabled());

    // A sheet's Help button opens "storage" as a new entry of the history.
    help->showWindowWithFile("storage");
    EXPECT_EQ(page(), "storage.html");
    EXPECT_TRUE(help->backButton()->isEnabled());
    EXPECT_FALSE(help->forwardButton()->isEnabled());
    testsupport::saveForInspection(help->window()->widget()->grab().toImage(), "help-storage");

    help->goBack();
    EXPECT_EQ(page(), "index.html");
    EXPECT_FALSE(help->backButton()->isEnabled());
    EXPECT_TRUE(help->forwardButton()->isEnabled());
    help->goForward();
    EXPECT_EQ(page(), "storage.html");
    EXPECT_FALSE(help->forwardButton()->isEnabled());

    // Home loads the start page again, after the others.
    help->goHome();
    EXPECT_EQ(page(), "index.html");
    EXPECT_TRUE(help->backButton()->isEnabled());
    help->goBack();
    EXPECT_EQ(page(), "storage.html");
}

TEST_F(HelpWindowTest, AnUnknownPageIsReportedAndTheShownOneStays) {
    auto* help = HelpWinController::sharedWinController();
    help->showWindowWithFile("storage");
    foundation::LogCapture log;
    help->showWindowWithFile("nowhere");
    EXPECT_TRUE(log.contains("nowhere"));
    EXPECT_EQ(page(), "storage.html");
}

}  // namespace
