#include "platform/foundation/Defaults.h"
#include "platform/foundation/Updater.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace foundation;

namespace {
struct Recorder final : UpdaterDelegate {
    int reports = 0;
    void updaterDidFinishLoadingAppcast(Updater*, const QByteArray&) override { ++reports; }
};
}  // namespace

TEST(Updater, SettingsLiveInTheDefaultsAndACheckWithoutFeedStillReports) {
    testsupport::TempDir dir;
    Defaults::resetStandard(dir.file(QStringLiteral("Defaults.plist")));
    Updater updater;
    EXPECT_FALSE(updater.automaticallyChecksForUpdates());
    EXPECT_DOUBLE_EQ(updater.updateCheckInterval(), 86400.0);
    updater.setAutomaticallyChecksForUpdates(true);
    updater.setAutomaticallyDownloadsUpdates(true);
    updater.setUpdateCheckInterval(604800);
    EXPECT_TRUE(Defaults::standard().boolForKey(Updater::automaticChecksKey));
    EXPECT_TRUE(updater.automaticallyDownloadsUpdates());
    EXPECT_DOUBLE_EQ(updater.updateCheckInterval(), 604800.0);

    Recorder recorder;
    updater.setDelegate(&recorder);
    updater.checkForUpdates();
    EXPECT_EQ(recorder.reports, 0);  // reported after the current event, like a real load
    EXPECT_TRUE(testsupport::waitUntil([&] { return recorder.reports == 1; }));
    Defaults::resetStandard();
}
