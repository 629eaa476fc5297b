// The about window: the version and date texts, the filled window, and the
// update check's spinner.

#include "PrefsTestSupport.h"
#include "platform/kit/Button.h"
#include "platform/kit/ProgressIndicator.h"
#include "platform/kit/TextField.h"
#include "platform/kit/TextView.h"
#include "prefs/AboutWinController.h"

namespace {

using namespace prefstest;

class AboutWinControllerTest : public PrefsTest {
protected:
    void TearDown() override {
        AboutWinController::resetSharedWinControllerForTesting();
        PrefsTest::TearDown();
    }
};

TEST_F(AboutWinControllerTest, VersionTexts) {
    const std::pair<QString, QString> cases[] = {
        {"2.1.357", "2.1 (build 357)"}, {"2.1", "2.1 (build 0)"},   {"v2.1", "0.0 (build 0)"},
        {"", "0.0 (build 0)"},          {"3.x.9", "3.0 (build 0)"},
    };
    for (const auto& [version, text] : cases)
        EXPECT_EQ(AboutWinController::stringFromVersionString(version), text)
            << version.toStdString();
}

TEST_F(AboutWinControllerTest, DateTextsFollowTheFirstLanguage) {
    const MyDatePtr date = MyDate::dateWithDayMonthYear(5, 3, 2013);
    const std::pair<QVariant, QString> cases[] = {
        {QVariantList{"en", "de"}, "3/5/2013"},
        {QVariantList{"en-GB"}, "5.3.2013"},
        {QVariantList{"de", "en"}, "5.3.2013"},
        {QVariantList{}, "5.3.2013"},
    };
    for (const auto& [languages, text] : cases) {
        foundation::Defaults::standard().setObject(QStringLiteral("AppleLanguages"), languages);
        EXPECT_EQ(AboutWinController::stringFromMyDate(*date), text);
    }
}

TEST_F(AboutWinControllerTest, ShowsTheFilledWindowAndTheSpinnerStopsAfterTheCheck) {
    AboutWinController* about = AboutWinController::sharedWinController();
    EXPECT_EQ(AboutWinController::sharedWinController(), about);
    about->showWindow();
    EXPECT_TRUE(about->window()->isVisible());
    EXPECT_TRUE(about->gui_version->stringValue().startsWith("2.4 (build 1) - "));
    EXPECT_TRUE(about->gui_textview->string().contains("libical"));
    EXPECT_TRUE(about->gui_progress->isHidden());
    testsupport::saveForInspection(about->window()->contentView()->renderToImage(),
                                   QStringLiteral("about-window"));

    about->gui_checkUpdates->performClick();
    EXPECT_FALSE(about->gui_progress->isHidden());
    EXPECT_TRUE(testsupport::waitUntil([&] { return about->gui_progress->isHidden(); }));
    EXPECT_FALSE(about->gui_progress->isAnimating());
    EXPECT_EQ(delegate->sparkleUpdater->delegate(), nullptr);
}

}  // namespace
