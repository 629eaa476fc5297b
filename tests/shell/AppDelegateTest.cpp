#include "platform/foundation/CloudStore.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PropertyList.h"
#include "shell/AppDelegate.h"
#include "shell/MainWindowCtrl.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using foundation::Defaults;
using foundation::LogCapture;
using foundation::PropertyList;

namespace {

// A delegate over fresh settings in a temporary folder, claiming version 1.2.
class AppDelegateTest : public ::testing::Test {
protected:
    void SetUp() override {
        Defaults::resetStandard(dir.file(QStringLiteral("Defaults.plist")));
        foundation::CloudStore::resetDefaultStore();
        delegate = std::make_unique<AppDelegate>();
        AppDelegate::setAppVersionForTesting(QStringLiteral("1.2"));
    }
    void TearDown() override {
        delegate.reset();
        foundation::CloudStore::resetDefaultStore();
        Defaults::resetStandard();
    }
    Defaults& defaults() { return Defaults::standard(); }
    QString configPath() const { return dir.file(QStringLiteral("ZoltConfig.plist")); }
    void writeConfig(const QVariantMap& config) {
        ASSERT_TRUE(PropertyList::writeFile(configPath(), config));
    }
    void useExternalFile(bool allGroups) {
        defaults().setBool(AppDelegate::kUseExternalMarkerConfig, true);
        defaults().setBool(AppDelegate::kUseExternalConfig, allGroups);
        defaults().setObject(AppDelegate::kExternalConfigurationFile, configPath());
    }
    static QVariantMap group(const QString& key, const QVariant& value) { return {{key, value}}; }

    testsupport::TempDir dir;
    testsupport::ScopedEnv cloudDir{"ZOLT_CLOUD_DIR", dir.file(QStringLiteral("cloud"))};
    std::unique_ptr<AppDelegate> delegate;
};

TEST_F(AppDelegateTest, FactoryUpgradeAddsOnlyMissingMembers) {
    defaults().setObject(QStringLiteral("G"), QVariantMap{{QStringLiteral("a"), 5}});
    defaults().setObject(QStringLiteral("Full"), QVariantMap{{QStringLiteral("x"), 1}});
    LogCapture log;
    delegate->updatePreferencesWithFactoryDefaults(
        {{QStringLiteral("G"),
          QVariantMap{
              {QStringLiteral("a"), 1}, {QStringLiteral("b"), 2}, {QStringLiteral("c"), 3}}},
         {QStringLiteral("Full"), QVariantMap{{QStringLiteral("x"), 9}}},
         {QStringLiteral("Top"), true}});
    const QVariantMap g = defaults().dictionaryForKey(QStringLiteral("G"));
    EXPECT_EQ(g.value(QStringLiteral("a")).toInt(), 5);  // the user's value stays
    EXPECT_EQ(g.value(QStringLiteral("b")).toInt(), 2);
    EXPECT_EQ(g.value(QStringLiteral("c")).toInt(), 3);
    EXPECT_EQ(log.lines(), QStringList({QStringLiteral("Upgrading user preferences for G/b"),
                                        QStringLiteral("Upgrading user preferences for G/c")}));
    EXPECT_EQ(defaults().dictionaryForKey(QStringLiteral("Full")).value(QStringLiteral("x")), 1);
    EXPECT_FALSE(defaults().objectForKey(QStringLiteral("Top")).isValid());  // not a group
}

TEST_F(AppDelegateTest, LoadingRegistersTheFactoryGroupsWithUsableValues) {
    delegate->loadPreferences();
    const QStringList groups{AppDelegate::kGeneral,  AppDelegate::kCalendars,
                             AppDelegate::kMarkers,  AppDelegate::kYearView,
                             AppDelegate::kWeekView, AppDelegate::kSearchOptions};
    for (const QString& g : groups)
        EXPECT_EQ(defaults().objectForKey(g).typeId(), QMetaType::QVariantMap) << g.toStdString();
    const QVariantMap week = defaults().dictionaryForKey(AppDelegate::kWeekView);
    EXPECT_GE(week.value(QStringLiteral("Display Mode")).toInt(), 1);
    EXPECT_LE(week.value(QStringLiteral("Display Mode")).toInt(), 4);
    const QVariantMap general = defaults().dictionaryForKey(AppDelegate::kGeneral);
    EXPECT_LT(general.value(QStringLiteral("Workday Starts At")).toDouble(),
              general.value(QStringLiteral("Workday Ends At")).toDouble());
    EXPECT_FALSE(general.value(QStringLiteral("Launch iCal")).toBool());
    EXPECT_FALSE(defaults().boolForKey(AppDelegate::kUseICloudConfig));
    EXPECT_EQ(delegate->externalConfigModTime, QStringLiteral(""));  // looked, no file
}

TEST_F(AppDelegateTest, ExternalFileReplacesGroupsWhenMajorAndMinorMatch) {
    defaults().setObject(AppDelegate::kMarkers, group(QStringLiteral("mine"), 1));
    defaults().setObject(AppDelegate::kYearView, group(QStringLiteral("mine"), 1));
    useExternalFile(false);
    writeConfig({{AppDelegate::kApplicationVersion, QStringLiteral("1.2.7")},
                 {AppDelegate::kCalendars, group(QStringLiteral("cal"), 7)},
                 {AppDelegate::kYearView, group(QStringLiteral("theirs"), 1)}});
    LogCapture log;
    delegate->loadPreferences();
    EXPECT_TRUE(log.contains(QStringLiteral("Syncing in from external configuration...")));
    EXPECT_EQ(defaults().dictionaryForKey(AppDelegate::kCalendars),
              group(QStringLiteral("cal"), 7));
    // The file lacks the marker group: the user's own goes, the factory one applies.
    EXPECT_FALSE(
        defaults().dictionaryForKey(AppDelegate::kMarkers).contains(QStringLiteral("mine")));
    // Without "Use External Config" the other groups are not read.
    EXPECT_TRUE(
        defaults().dictionaryForKey(AppDelegate::kYearView).contains(QStringLiteral("mine")));
    EXPECT_FALSE(delegate->externalConfigModTime.isEmpty());
}

TEST_F(AppDelegateTest, VersionConflictTurnsTheFileOffAndFlagsTheErrorSheet) {
    defaults().setObject(AppDelegate::kCalendars, group(QStringLiteral("mine"), 1));
    useExternalFile(true);
    writeConfig({{AppDelegate::kApplicationVersion, QStringLiteral("1.3")},
                 {AppDelegate::kCalendars, group(QStringLiteral("cal"), 7)}});
    const QByteArray before = [&] {
        QFile f(configPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    LogCapture log;
    delegate->loadPreferences();
    EXPECT_TRUE(log.contains(
        QStringLiteral("ERROR: not reading external configuration due to version conflict.")));
    EXPECT_TRUE(MainWindowCtrl::sharedWinController()->needsToShowErrorPanelExternalPrefs());
    EXPECT_FALSE(defaults().boolForKey(AppDelegate::kUseExternalMarkerConfig));
    EXPECT_EQ(defaults().dictionaryForKey(AppDelegate::kCalendars),
              group(QStringLiteral("mine"), 1));
    // Quitting afterwards leaves the other version's file alone.
    delegate->applicationWillTerminate();
    QFile f(configPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
}

TEST_F(AppDelegateTest, UnreadableExternalFileIsReported) {
    useExternalFile(false);
    ASSERT_TRUE(dir.write(QStringLiteral("ZoltConfig.plist"), "not a property list"));
    LogCapture log;
    delegate->loadPreferences();
    EXPECT_TRUE(
        log.contains(QStringLiteral("WARNING: can't read external config file (sandboxed?)")));
    EXPECT_EQ(dir.read(QStringLiteral("ZoltConfig.plist")), "not a property list");
}

TEST_F(AppDelegateTest, VersionMatchAndBuildDateParsing) {
    struct {
        const char* version;
        bool matches;
    } versions[] = {{"1.2", true}, {"1.2.7", true}, {"1.3", false}, {"2.2", false}, {"", false}};
    for (const auto& c : versions)
        EXPECT_EQ(delegate->versionMatchesApplication(QString::fromLatin1(c.version)), c.matches)
            << c.version;

    EXPECT_EQ(delegate->dateFromString(QStringLiteral("01-10-12")), nullptr);
    EXPECT_EQ(delegate->dateFromString(QStringLiteral("1.13.2012")), nullptr);
    const MyDatePtr d = delegate->dateFromString(QStringLiteral("24.12.2012"));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(QList<int>({d->dayNum(), d->monthNum(), d->yearNum()}), QList<int>({24, 12, 2012}));
}

TEST_F(AppDelegateTest, CloudBranchReadsTheSameKeysAndKeepsGroupsTheCloudLacks) {
    defaults().setBool(AppDelegate::kUseICloudConfig, true);
    defaults().setBool(AppDelegate::kUseExternalConfig, true);
    defaults().setObject(AppDelegate::kMarkers, group(QStringLiteral("mine"), 1));
    foundation::CloudStore* cloud = foundation::CloudStore::defaultStore();
    ASSERT_NE(cloud, nullptr);
    cloud->setObject(AppDelegate::kApplicationVersion, QStringLiteral("1.2"));
    cloud->setObject(AppDelegate::kCalendars, group(QStringLiteral("cal"), 3));
    cloud->setObject(AppDelegate::kWeekView, group(QStringLiteral("Display Mode"), 2));
    ASSERT_TRUE(cloud->synchronize());
    LogCapture log;
    delegate->loadPreferences();
    EXPECT_TRUE(log.contains(QStringLiteral("Syncing in from iCloud...")));
    EXPECT_EQ(defaults().dictionaryForKey(AppDelegate::kCalendars),
              group(QStringLiteral("cal"), 3));
    EXPECT_EQ(defaults().dictionaryForKey(AppDelegate::kWeekView),
              group(QStringLiteral("Display Mode"), 2));
    EXPECT_EQ(defaults().dictionaryForKey(AppDelegate::kMarkers), group(QStringLiteral("mine"), 1));
    EXPECT_TRUE(delegate->externalConfigModTime.isNull());  // no file was looked at

    cloud->setObject(AppDelegate::kApplicationVersion, QStringLiteral("2.0"));
    log.clear();
    delegate->updateFromiCloud();
    EXPECT_TRUE(log.contains(QStringLiteral(
        "ERROR: not reading external iCloud configuration due to version conflict.")));
}

TEST_F(AppDelegateTest, MinuteTickAnnouncesFiveMinutesAndTheNewDayOnce) {
    auto& nc = foundation::NotificationCenter::defaultCenter();
    int five = 0, dayChanges = 0;
    nc.addObserver(this, AppDelegate::kFiveMinuteTick, delegate.get(),
                   [&](const foundation::Notification&) { ++five; });
    nc.addObserver(this, AppDelegate::kCurrentDateChanged, delegate.get(),
                   [&](const foundation::Notification&) { ++dayChanges; });
    MyDatePtr now = MyDate::dateWithDayMonthYear(31, 12, 2026)->changeTimeToHourMinute(23, 58);
    delegate->today = now;
    delegate->setClock([&] { return now; });
    for (int i = 0; i < 4; ++i) delegate->minuteTick();
    EXPECT_EQ(five, 0);
    delegate->minuteTick();
    EXPECT_EQ(five, 1);
    EXPECT_EQ(dayChanges, 0);
    now = MyDate::dateWithDayMonthYear(1, 1, 2027)->changeTimeToHourMinute(0, 1);
    delegate->minuteTick();
    delegate->minuteTick();
    EXPECT_EQ(dayChanges, 1);
    EXPECT_EQ(delegate->today->yearNum(), 2027);
    nc.removeObserver(this);
}

TEST_F(AppDelegateTest, ChangedConfigurationFileGoesToTheSyncPane) {
    defaults().setBool(AppDelegate::kLiveUpdate, true);
    useExternalFile(false);
    writeConfig({{AppDelegate::kApplicationVersion, QStringLiteral("1.2")}});
    delegate->loadPreferences();
    int handed = 0;
    AppDelegate::Services services;
    services.externalConfigChanged = [&] {
        ++handed;
        return true;
    };
    delegate->changeServices([&](auto& installed) { installed = services; });
    delegate->detectExternalConfigUpdates();
    EXPECT_EQ(handed, 0);  // unchanged since start-up

    QFile f(configPath());
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.setFileTime(QDateTime::currentDateTimeUtc().addSecs(60), QFileDevice::FileModificationTime);
    f.close();
    delegate->detectExternalConfigUpdates();
    delegate->detectExternalConfigUpdates();
    EXPECT_EQ(handed, 1);

    delegate->changeServices([](auto& installed) { installed = {}; });
    f.open(QIODevice::ReadWrite);
    f.setFileTime(QDateTime::currentDateTimeUtc().addSecs(120), QFileDevice::FileModificationTime);
    f.close();
    LogCapture log;
    delegate->detectExternalConfigUpdates();
    EXPECT_TRUE(
        log.contains(QStringLiteral("oops, no pref controller to load updated configuration")));
}

TEST_F(AppDelegateTest, ShutdownWritesTheFileAndLeavesTheCloudBranchOff) {
    useExternalFile(false);
    defaults().setBool(AppDelegate::kUseICloudConfig, true);
    defaults().setObject(AppDelegate::kCalendars, group(QStringLiteral("cal"), 1));
    delegate->applicationWillTerminate();

    const QVariantMap written = PropertyList::readFile(configPath()).toMap();
    EXPECT_EQ(written.value(AppDelegate::kApplicationVersion).toString(), QStringLiteral("1.2"));
    EXPECT_EQ(written.value(AppDelegate::kCalendars).toMap(), group(QStringLiteral("cal"), 1));
    EXPECT_TRUE(written.contains(AppDelegate::kMarkers));
    EXPECT_FALSE(written.contains(AppDelegate::kGeneral));  // only with "Use External Config"

    // The switched-off cloud branch reached the settings file.
    Defaults reread(Defaults::standard().path());
    EXPECT_TRUE(reread.objectForKey(AppDelegate::kUseICloudConfig).isValid());
    EXPECT_FALSE(reread.boolForKey(AppDelegate::kUseICloudConfig));
}

TEST_F(AppDelegateTest, SetupAssistantOpensWhenAnyStoreIsMissingAfterAskingAll) {
    int asked = 0, opened = 0;
    AppDelegate::Services s;
    s.markerStoreDefined = [&] { return ++asked, false; };
    s.holidayStoreDefined = [&] { return ++asked, true; };
    s.birthdayStoreDefined = [&] { return ++asked, true; };
    s.openSetupSheetOnMainWindow = [&] { ++opened; };
    delegate->changeServices([&](auto& installed) { installed = s; });
    delegate->checkForSetupAssistance();
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(opened, 1);
}

}  // namespace
