// The sync pane: naming a new configuration file, the validity test of a
// chosen one, the ask and can't-read sheets after the file panel, reading the
// settings again into the views, the cloud checkbox, and the question on the
// main window when the file changed on disk.

#include "PrefsTestSupport.h"
#include "platform/foundation/CloudStore.h"
#include "platform/foundation/Log.h"
#include "platform/kit/Alert.h"
#include "platform/kit/Button.h"
#include "platform/kit/OpenPanel.h"
#include "platform/kit/Panel.h"
#include "platform/kit/Sheet.h"
#include "platform/kit/TextField.h"
#include "prefs/LxPrefsController.h"
#include "prefs/PrefSync.h"
#include "weekview/WeekdayView.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>

namespace {

using namespace prefstest;
using foundation::Defaults;

class PrefSyncTest : public PrefsTest {
protected:
    void SetUp() override {
        PrefsTest::SetUp();
        sync = PrefSync::shared();
    }
    void TearDown() override {
        for (kit::Alert* alert : {sync->gui_askToLoadPanel.data(), sync->gui_cantReadPanel.data()})
            if (alert && kit::Sheet::sheetParent(alert->window()))
                kit::Sheet::endSheet(alert->window(), kit::Alert::SecondButtonReturn);
        prefs.reset();
        PrefsTest::TearDown();
    }

    // A configuration file of `version` holding `groups`.
    QString writeConfig(const QString& name, const QString& version,
                        const QVariantMap& groups = {}) {
        QVariantMap config = groups;
        config.insert(AppDelegate::kApplicationVersion, version);
        const QString path = dir.file(name);
        EXPECT_TRUE(foundation::PropertyList::writeFile(path, config));
        return path;
    }

    // The preferences window on the sync pane.
    void showSyncPane() {
        prefs = std::make_unique<LxPrefsController>();
        prefs->showPanes({"Sync"}, "Sync");
        ASSERT_EQ(prefs->currentPane(), sync);
    }

    // Opens the file panel and ends it on `path` (or with the new-file button).
    void choose(const QString& path, bool newFile = false) {
        sync->browsePressed(nullptr);
        ASSERT_TRUE(sync->panel);
        if (!path.isEmpty()) {
            sync->panel->setDirectory(QFileInfo(path).absolutePath());
            sync->panel->fileDialog()->selectFile(path);
        }
        if (newFile)
            sync->createNewFile(nullptr);
        else
            sync->panel->ok();
    }

    PrefSync* sync = nullptr;
    std::unique_ptr<LxPrefsController> prefs;
};

TEST_F(PrefSyncTest, ANewFileTakesTheFirstFreeName) {
    EXPECT_EQ(PrefSync::findUniqueFilenameAtURL(dir.path()), dir.file("ZoltConfig.plist"));
    dir.write("ZoltConfig.plist", "x");
    EXPECT_EQ(PrefSync::findUniqueFilenameAtURL(dir.path()), dir.file("ZoltConfig-1.plist"));
    dir.write("ZoltConfig-1.plist", "x");
    dir.write("ZoltConfig-2.plist", "x");
    EXPECT_EQ(PrefSync::findUniqueFilenameAtURL(dir.path()), dir.file("ZoltConfig-3.plist"));
    EXPECT_EQ(PrefSync::configPathForChosenFile("/a/shared"), "/a/shared.plist");
    EXPECT_EQ(PrefSync::configPathForChosenFile("/a/shared.plist"), "/a/shared.plist");
}

TEST_F(PrefSyncTest, TheValidityTestNeedsAReadableDictionaryOfThisVersion) {
    const QString unreadable = writeConfig("locked.plist", "2.4");
    QFile::setPermissions(unreadable, QFileDevice::Permissions());
    dir.write("config.txt", foundation::PropertyList::toXml(
                                QVariantMap{{AppDelegate::kApplicationVersion, "2.4"}}));
    dir.write("broken.plist", "not a property list");
    struct Case {
        QString path;
        bool valid;
        bool logs;
    };
    const std::vector<Case> cases = {
        {dir.file("missing.plist"), false, false},
        {"relative.plist", false, false},
        {unreadable, QFileInfo(unreadable).isReadable(), false},  // root reads anything
        {dir.file("config.txt"), false, false},
        {dir.file("broken.plist"), false, true},
        {writeConfig("minor.plist", "2.5"), false, true},
        {writeConfig("major.plist", "3.4"), false, true},
        {writeConfig("match.plist", "2.4.7"), true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        foundation::LogCapture log;
        EXPECT_EQ(PrefSync::checkAndTryToRead(c.path), c.valid);
        EXPECT_EQ(log.contains("ERROR: external config file not in correct format"), c.logs);
    }
}

TEST_F(PrefSyncTest, AValidFileIsStoredAndOfferedForLoadingAfterThePanel) {
    showSyncPane();
    const QString good = writeConfig("shared.plist", "2.4");
    choose(good);
    EXPECT_EQ(Defaults::standard().stringForKey(AppDelegate::kExternalConfigurationFile), good);
    EXPECT_EQ(sync->gui_filePath->stringValue(), good);
    // Not at once: the file panel's sheet goes first.
    EXPECT_FALSE(sync->gui_askToLoadPanel);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !sync->gui_askToLoadPanel.isNull(); }));
    EXPECT_GE(clock.elapsed(), PrefSync::kSheetDelayMs - 20);
    EXPECT_EQ(kit::Sheet::attachedSheet(prefs->preferencesWindow()),
              sync->gui_askToLoadPanel->window());
    sync->cancelRead(nullptr);
    EXPECT_EQ(kit::Sheet::attachedSheet(prefs->preferencesWindow()), nullptr);
}

TEST_F(PrefSyncTest, AFileThatFailsTheTestKeepsThePreviousPath) {
    const QString previous = writeConfig("previous.plist", "2.4");
    Defaults::standard().setObject(AppDelegate::kExternalConfigurationFile, previous);
    showSyncPane();
    choose(writeConfig("other.plist", "9.0"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !sync->gui_cantReadPanel.isNull(); }));
    EXPECT_FALSE(sync->gui_askToLoadPanel);
    EXPECT_EQ(Defaults::standard().stringForKey(AppDelegate::kExternalConfigurationFile), previous);
    EXPECT_EQ(sync->gui_filePath->stringValue(), previous);
    sync->understoodCantRead(nullptr);
    EXPECT_EQ(kit::Sheet::attachedSheet(prefs->preferencesWindow()), nullptr);
}

TEST_F(PrefSyncTest, TheNewFileButtonNamesAFileInTheFolderShown) {
    dir.write("ZoltConfig.plist", "taken");
    showSyncPane();
    choose(dir.file("ZoltConfig.plist"), true);
    const QString expected = dir.file("ZoltConfig-1.plist");
    EXPECT_EQ(Defaults::standard().stringForKey(AppDelegate::kExternalConfigurationFile), expected);
    EXPECT_EQ(sync->gui_filePath->stringValue(), expected);
    EXPECT_FALSE(sync->gui_createNotice->isHidden());
    // Nothing to ask about: the file is written when the settings are next saved.
    testsupport::waitUntil([] { return false; }, 0.3);
    EXPECT_FALSE(sync->gui_askToLoadPanel);
    EXPECT_FALSE(sync->gui_cantReadPanel);
}

TEST_F(PrefSyncTest, LoadingTheFileAppliesItsSettingsToTheViews) {
    makeMainWindow();
    QVariantMap week = group(AppDelegate::kWeekView);
    week.insert("Weekend Use Color", true);
    week.insert("Weekend BackgroundColor", "9 99 199 1.000000");
    const QString path = writeConfig("shared.plist", "2.4", {{AppDelegate::kWeekView, week}});
    Defaults::standard().setBool(AppDelegate::kUseExternalMarkerConfig, true);
    Defaults::standard().setBool(AppDelegate::kUseExternalConfig, true);
    showSyncPane();
    choose(path);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !sync->gui_askToLoadPanel.isNull(); }));
    sync->gui_askToLoadPanel->buttons().front()->performClick();
    EXPECT_FALSE(sync->gui_askToLoadPanel);
    EXPECT_EQ(kit::Sheet::attachedSheet(prefs->preferencesWindow()), nullptr);
    EXPECT_TRUE(WeekdayView::useWeekendColor());
    EXPECT_EQ(WeekdayView::weekendBGColor().rgb(), QColor(9, 99, 199).rgb());
}

TEST_F(PrefSyncTest, SettingsJustReadAreNotWrittenOverByThePaneShown) {
    makeMainWindow();
    QVariantMap general = group(AppDelegate::kGeneral);
    general.insert("Week Begins on Sunday", true);
    const QString path = writeConfig("shared.plist", "2.4", {{AppDelegate::kGeneral, general}});
    Defaults::standard().setObject(AppDelegate::kExternalConfigurationFile, path);
    Defaults::standard().setBool(AppDelegate::kUseExternalMarkerConfig, true);
    Defaults::standard().setBool(AppDelegate::kUseExternalConfig, true);
    setGroupKey(AppDelegate::kGeneral, "Week Begins on Sunday", false);

    prefs = std::make_unique<LxPrefsController>();
    prefs->showPanes(prefs->panesOrder(), "General");
    // The file changed elsewhere, and the user loads it with the window open.
    sync->externalConfigChanged();
    ASSERT_TRUE(sync->gui_askToLoadPanel);
    sync->okRead(nullptr);
    EXPECT_TRUE(group(AppDelegate::kGeneral).value("Week Begins on Sunday").toBool());
    prefs->preferencesWindow()->close();
    EXPECT_TRUE(group(AppDelegate::kGeneral).value("Week Begins on Sunday").toBool());
}

TEST_F(PrefSyncTest, TheCloudCheckboxTurnsTheCloudStoreOn) {
    foundation::CloudStore::resetDefaultStore();
    foundation::CloudStore* cloud = foundation::CloudStore::defaultStore();
    ASSERT_NE(cloud, nullptr);
    QVariantMap markers{{"cloud-marker", QVariantMap{{"Title", "From the cloud"}}}};
    cloud->setObject(AppDelegate::kApplicationVersion, "2.4");
    cloud->setObject(AppDelegate::kMarkers, markers);
    ASSERT_TRUE(cloud->synchronize());

    showSyncPane();
    EXPECT_TRUE(sync->gui_browse->isEnabled());
    sync->gui_synciCloud->performClick();
    for (kit::Control* c : {static_cast<kit::Control*>(sync->gui_syncExternally.data()),
                            static_cast<kit::Control*>(sync->gui_filePath.data()),
                            static_cast<kit::Control*>(sync->gui_browse.data()),
                            static_cast<kit::Control*>(sync->gui_detectFileChanges.data())})
        EXPECT_FALSE(c->isEnabled());
    EXPECT_TRUE(sync->gui_allConf->isEnabled());

    sync->okRead(nullptr);
    EXPECT_TRUE(Defaults::standard().boolForKey(AppDelegate::kUseICloudConfig));
    EXPECT_EQ(group(AppDelegate::kMarkers), markers);
    foundation::CloudStore::resetDefaultStore();
}

TEST_F(PrefSyncTest, AChangedFileIsOfferedOnTheMainWindowOnceItIsFree) {
    makeMainWindow();
    kit::Window* main = mainWindow->window();
    // Another sheet is up on the main window: the question waits for it.
    auto* other = new kit::Panel(QRectF(0, 0, 200, 100));
    ASSERT_TRUE(kit::Sheet::beginSheet(other, main));
    sync->externalConfigChanged();
    EXPECT_FALSE(sync->gui_askToLoadPanel);
    testsupport::waitUntil([] { return false; }, 0.7);
    EXPECT_FALSE(sync->gui_askToLoadPanel);
    kit::Sheet::endSheet(other);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !sync->gui_askToLoadPanel.isNull(); }));
    EXPECT_EQ(kit::Sheet::attachedSheet(main), sync->gui_askToLoadPanel->window());
    // A second change while the question is up asks nothing more.
    sync->externalConfigChanged();
    sync->cancelRead(nullptr);
    EXPECT_EQ(kit::Sheet::attachedSheet(main), nullptr);
    delete other;
}

}  // namespace
