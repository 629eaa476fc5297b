#include "platform/foundation/CloudStore.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PropertyList.h"
#include "shell/AppDelegate.h"
#include "shell/MainWindowCtrl.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

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
    // The record of one calendar or marker in its group.
    static QVariantMap record(qint64 sequence) { return {{QStringLiteral("Sequence"), sequence}}; }

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
                 {AppDelegate::kCalendars, group(QStringLiteral("cal"), record(7))},
                 {AppDelegate::kYearView, group(QStringLiteral("theirs"), 1)}});
    LogCapture log;
    delegate->loadPreferences();
    EXPECT_TRUE(log.contains(QStringLiteral("Syncing in from external configuration...")));
    EXPECT_EQ(defaults().dictionaryForKey(AppDelegate::kCalendars),
              group(QStringLiteral("cal"), record(7)));
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

// An external file that cannot be read is kept under another name, named in
// the log with the reason, and not written over at quit; the user's groups stay.
TEST_F(AppDelegateTest, UnreadableExternalFilesAreMovedAsideAndNotWrittenThisRun) {
    struct Case {
        const char* name;
        QByteArray bytes;  // empty: a named pipe
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"garbage", "no plist here", "(not a property list)"},
        {"truncated", PropertyList::toXml(QVariantMap{{QStringLiteral("a"), 1}}).left(60), ""},
        {"not a dictionary", PropertyList::toXml(QVariantList{1, 2}),
         "it does not hold a dictionary"},
        {"named pipe", QByteArray(), "it is a named pipe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(configPath());
        defaults().setObject(AppDelegate::kCalendars, group(QStringLiteral("mine"), record(1)));
        useExternalFile(false);
        if (c.bytes.isEmpty())
            ASSERT_EQ(::mkfifo(QFile::encodeName(configPath()).constData(), 0600), 0);
        else
            ASSERT_TRUE(dir.write(QStringLiteral("ZoltConfig.plist"), c.bytes));
        auto delegateOfRun = std::make_unique<AppDelegate>();
        LogCapture log;
        delegateOfRun->loadPreferences();
        const QString line =
            QStringLiteral("WARNING: can't read external config file ") + configPath() + " (";
        ASSERT_TRUE(log.contains(line)) << log.lines().join('\n').toStdString();
        EXPECT_TRUE(log.contains(QLatin1String(c.reason)))
            << log.lines().join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(log.contains(QStringLiteral("moved it aside to ") + configPath() +
                                 QStringLiteral(".unreadable-")));
        EXPECT_FALSE(QFileInfo::exists(configPath()));
        const QStringList aside = QDir(dir.path())
                                      .entryList({QStringLiteral("ZoltConfig.plist.unreadable-*")},
                                                 QDir::AllEntries | QDir::System);
        ASSERT_EQ(aside.size(), 1);
        if (!c.bytes.isEmpty()) EXPECT_EQ(dir.read(aside.front()), c.bytes);
        QFile::remove(dir.file(aside.front()));
        EXPECT_EQ(defaults().dictionaryForKey(AppDelegate::kCalendars),
                  group(QStringLiteral("mine"), record(1)));
        delegateOfRun->applicationWillTerminate();
        EXPECT_FALSE(QFileInfo::exists(configPath()));
        EXPECT_TRUE(defaults().boolForKey(AppDelegate::kUseExternalMarkerConfig));
    }
}

// Groups and records of the wrong kind, from the file or the cloud, are
// reported and never replace the user's own.
TEST_F(AppDelegateTest, GroupsAndRecordsOfTheWrongKindAreIgnored) {
    const QVariantMap mine{{QStringLiteral("m1"), record(1)}, {QStringLiteral("m2"), record(2)}};
    const QVariantMap theirs{{QStringLiteral("m1"), QStringLiteral("broken")},
                             {QStringLiteral("m3"), qint64(5)},
                             {QStringLiteral("m4"), record(4)}};
    const QVariantMap merged{{QStringLiteral("m1"), record(1)}, {QStringLiteral("m4"), record(4)}};
    for (const bool cloudBranch : {false, true}) {
        SCOPED_TRACE(cloudBranch ? "cloud" : "file");
        defaults().setObject(AppDelegate::kMarkers, mine);
        defaults().setObject(AppDelegate::kCalendars, mine);
        const QVariantMap config{{AppDelegate::kApplicationVersion, QStringLiteral("1.2")},
                                 {AppDelegate::kMarkers, QStringLiteral("markers as text")},
                                 {AppDelegate::kCalendars, theirs}};
        QString source;
        if (cloudBranch) {
            defaults().setBool(AppDelegate::kUseICloudConfig, true);
            foundation::CloudStore* cloud = foundation::CloudStore::defaultStore();
            ASSERT_NE(cloud, nullptr);
            for (auto it = config.begin(); it != config.end(); ++it)
                cloud->setObject(it.key(), *it);
            ASSERT_TRUE(cloud->synchronize());
            source = QStringLiteral("cloud store file ") + cloud->path();
        } else {
            useExternalFile(false);
            writeConfig(config);
            source = QStringLiteral("external config file ") + configPath();
        }
        LogCapture log;
        delegate->loadPreferences();
        EXPECT_TRUE(log.contains(QStringLiteral("WARNING: ") + source + QStringLiteral(": \"") +
                                 AppDelegate::kMarkers + QStringLiteral("\" is not a dictionary")));
        EXPECT_TRUE(log.contains(QStringLiteral("record \"m1\" of \"") + AppDelegate::kCalendars));
        EXPECT_TRUE(log.contains(QStringLiteral("record \"m3\" of \"") + AppDelegate::kCalendars));
        EXPECT_EQ(defaults().dictionaryForKey(AppDelegate::kMarkers), mine);
        EXPECT_EQ(defaults().dictionaryForKey(AppDelegate::kCalendars), merged);
    }
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
    cloud->setObject(AppDelegate::kCalendars, group(QStringLiteral("cal"), record(3)));
    cloud->setObject(AppDelegate::kWeekView, group(QStringLiteral("Display Mode"), 2));
    ASSERT_TRUE(cloud->synchronize());
    LogCapture log;
    delegate->loadPreferences();
    EXPECT_TRUE(log.contains(QStringLiteral("Syncing in from iCloud...")));
    EXPECT_EQ(defaults().dictionaryForKey(AppDelegate::kCalendars),
              group(QStringLiteral("cal"), record(3)));
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
