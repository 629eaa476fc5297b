#include "shell/AppDelegate.h"

#include "data/CalendarSources.h"
#include "data/MyEventStore.h"
#include "data/YearViewEventLoader.h"
#include "data/appPref.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/CloudStore.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/MainThreadObserver.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PropertyList.h"
#include "platform/kit/ProgressIndicator.h"
#include "platform/store/Store.h"
#include "shell/MainWindowCtrl.h"

#include <QFileInfo>
#include <QProcess>

using foundation::Defaults;
using foundation::log;

namespace {
AppDelegate* _theAppDelegate = nullptr;
QString _appVersion;
QString _appDateString = QStringLiteral("01-10-12");
MyDatePtr _appDate;

// The groups that travel with the external configuration: always the first two,
// the others only with "Use External Config".
const QStringList& markerGroups() {
    static const QStringList g{AppDelegate::kCalendars, AppDelegate::kMarkers};
    return g;
}
const QStringList& otherGroups() {
    static const QStringList g{AppDelegate::kGeneral, AppDelegate::kYearView,
                               AppDelegate::kWeekView, AppDelegate::kSearchOptions};
    return g;
}

// Scans "major.minor" (further parts ignored); what does not scan stays 0.
std::pair<int, int> majorMinor(const QString& text) {
    foundation::Scanner s(text);
    int major = 0, minor = 0;
    if (s.scanInt(&major) && s.scanString(QStringLiteral("."))) s.scanInt(&minor);
    return {major, minor};
}
}  // namespace

AppDelegate::AppDelegate() {
    _theAppDelegate = this;
    today = MyDate::date();
    sparkleUpdater = new foundation::Updater(this);
    clock_ = [] { return MyDate::date(); };
}

AppDelegate::~AppDelegate() {
    foundation::NotificationCenter::defaultCenter().removeObserver(this);
    if (_theAppDelegate == this) _theAppDelegate = nullptr;
}

AppDelegate* AppDelegate::obj() {
    return _theAppDelegate;
}

QString AppDelegate::appVersion() {
    return _appVersion;
}

MyDatePtr AppDelegate::appBuildDate() {
    return _appDate;
}

// The generation of the desktop the application runs on; this platform is
// always the newest the system knows.
int AppDelegate::currentOS() {
    return 4;
}

void AppDelegate::setAppVersionForTesting(const QString& version) {
    _appVersion = version;
}

void AppDelegate::awakeFromNib() {
    _appVersion = foundation::Bundle::infoValue(QStringLiteral("CFBundleVersion")).toString();
    const QVariant built = foundation::Bundle::infoValue(QStringLiteral("BuildDate"));
    if (built.isValid()) _appDateString = built.toString();
    _appDate = dateFromString(_appDateString);
    log(QStringLiteral("Running Zolt version %1, built %2").arg(_appVersion, _appDateString));
    minuteTicks = 0;
}

MyDatePtr AppDelegate::dateFromString(const QString& text) const {
    foundation::Scanner s(text);
    s.setCharactersToBeSkipped(QString());
    int day = 0, month = 0, year = 0;
    if (s.scanInt(&day) && s.scanString(QStringLiteral(".")) && s.scanInt(&month) &&
        s.scanString(QStringLiteral(".")))
        s.scanInt(&year);
    if (day < 1 || day > 31 || month < 1 || month > 12) return nullptr;
    return MyDate::date()->dateByYearMonthDay(year, month, day);
}

void AppDelegate::minuteTick() {
    if (++minuteTicks >= 5) {
        foundation::NotificationCenter::defaultCenter().post(kFiveMinuteTick, this);
        minuteTicks = 0;
    }
    const MyDatePtr now = clock_();
    const MyDatePtr seen = today;
    if (!seen || now->dayNum() != seen->dayNum() || now->monthNum() != seen->monthNum() ||
        now->yearNum() != seen->yearNum()) {
        today = now;
        foundation::NotificationCenter::defaultCenter().post(kCurrentDateChanged, this);
    }
    detectExternalConfigUpdates();
}

void AppDelegate::checkForSetupAssistance() {
    auto ask = [](const std::function<bool()>& f) { return f ? f() : true; };
    // All three are asked, whatever the first answers.
    const bool marker = ask(services_.markerStoreDefined);
    const bool holiday = ask(services_.holidayStoreDefined);
    const bool birthday = ask(services_.birthdayStoreDefined);
    if (!marker || !holiday || !birthday) {
        if (services_.openSetupSheetOnMainWindow)
            services_.openSetupSheetOnMainWindow();
        else
            log(QStringLiteral("WARNING: no setup assistant to open"));
    }
}

bool AppDelegate::versionMatchesApplication(const QString& version) const {
    return majorMinor(version) == majorMinor(_appVersion);
}

void AppDelegate::updatePreferencesWithFactoryDefaults(const QVariantMap& factory) {
    Defaults& defaults = Defaults::standard();
    for (auto group = factory.constBegin(); group != factory.constEnd(); ++group) {
        if (group.value().typeId() != QMetaType::QVariantMap) continue;
        const QVariantMap factoryGroup = group.value().toMap();
        const QVariantMap userGroup = defaults.dictionaryForKey(group.key());
        QVariantMap upgraded = userGroup;
        bool changed = false;
        for (auto member = factoryGroup.constBegin(); member != factoryGroup.constEnd(); ++member) {
            if (userGroup.contains(member.key())) continue;
            log(QStringLiteral("Upgrading user preferences for %1/%2")
                    .arg(group.key(), member.key()));
            upgraded.insert(member.key(), member.value());
            changed = true;
        }
        if (changed) defaults.setObject(group.key(), upgraded);
    }
}

void AppDelegate::loadPreferences() {
    log(QStringLiteral("Loading preferences..."));
    Defaults& defaults = Defaults::standard();

    QString error;
    const QByteArray factoryData =
        foundation::Bundle::resourceData(QStringLiteral("UserDefaults"), QStringLiteral("plist"));
    const QVariant factory = factoryData.isEmpty()
                                 ? QVariant()
                                 : foundation::PropertyList::fromData(factoryData, &error);
    if (factory.typeId() == QMetaType::QVariantMap) {
        defaults.registerDefaults(factory.toMap());
        updatePreferencesWithFactoryDefaults(factory.toMap());
    } else {
        log(QStringLiteral("WARNING: no factory settings%1")
                .arg(error.isEmpty() ? QString() : QStringLiteral(": ") + error));
    }

    const bool useICloud = defaults.boolForKey(kUseICloudConfig);
    const bool useMarkerConfig = defaults.boolForKey(kUseExternalMarkerConfig);
    const bool useConfig = defaults.boolForKey(kUseExternalConfig);
    const QString path = defaults.stringForKey(kExternalConfigurationFile);

    if (useICloud) {
        log(QStringLiteral("shall read iCloud..."));
        foundation::CloudStore* cloud = foundation::CloudStore::defaultStore();
        if (!cloud) {
            log(QStringLiteral("WARNING: no access to iCloud"));
            return;
        }
        updateFromiCloud();
        if (!observingCloud_) {
            observingCloud_ = true;
            foundation::NotificationCenter::defaultCenter().addObserver(
                this, foundation::CloudStore::didChangeExternallyNotification, nullptr,
                [this](const foundation::Notification&) { updateFromiCloud(); });
        }
        return;
    }

    externalConfigModTime = QStringLiteral("");
    if (path.isEmpty() || !QFileInfo::exists(path)) return;
    const QString modified = modificationText(path);
    if (!modified.isEmpty()) externalConfigModTime = modified;

    if (!useMarkerConfig) return;

    const QVariant file = foundation::PropertyList::readFile(path, &error);
    if (file.typeId() != QMetaType::QVariantMap) {
        // Kept for the user under another name, and not written over at quit.
        const QString why =
            file.isValid() ? QStringLiteral("it does not hold a dictionary") : error;
        externalConfigSuspended_ = true;
        QString movedTo, moveError;
        if (foundation::PropertyList::moveUnreadableFileAside(path, &movedTo, &moveError))
            log(QStringLiteral("WARNING: can't read external config file %1 (%2); moved it aside "
                               "to %3, and it is not written this run")
                    .arg(path, why, movedTo));
        else
            log(QStringLiteral("WARNING: can't read external config file %1 (%2) nor move it "
                               "aside (%3); it is not written this run")
                    .arg(path, why, moveError));
        return;
    }
    externalConfigSuspended_ = false;
    const QVariantMap config = file.toMap();
    if (!versionMatchesApplication(config.value(kApplicationVersion).toString())) {
        log(QStringLiteral("ERROR: not reading external configuration due to version conflict."));
        MainWindowCtrl::sharedWinController()->setNeedsToShowErrorPanelExternalPrefs();
        // So that shutdown does not overwrite the other version's file.
        defaults.setBool(kUseExternalMarkerConfig, false);
        return;
    }
    log(QStringLiteral("Syncing in from external configuration..."));
    QStringList groups = markerGroups();
    if (useConfig) groups += otherGroups();
    takeGroups(config, QStringLiteral("external config file ") + path, groups, true);
}

void AppDelegate::takeGroups(const QVariantMap& source, const QString& sourceName,
                             const QStringList& groups, bool missingRemoves) {
    Defaults& defaults = Defaults::standard();
    for (const QString& group : groups) {
        if (!source.contains(group)) {
            // A group the file lacks removes the user's own, so the factory one applies.
            if (missingRemoves) defaults.removeObject(group);
            continue;
        }
        const QVariant value = source.value(group);
        if (value.typeId() != QMetaType::QVariantMap) {
            log(QStringLiteral("WARNING: %1: \"%2\" is not a dictionary; the settings' own group "
                               "is kept")
                    .arg(sourceName, group));
            continue;
        }
        QVariantMap taken = value.toMap();
        if (group == kCalendars || group == kMarkers) {
            // Each member is the record of one calendar or marker.
            const QVariantMap own = defaults.dictionaryForKey(group);
            for (auto it = taken.begin(); it != taken.end();) {
                if (it.value().typeId() == QMetaType::QVariantMap) {
                    ++it;
                    continue;
                }
                log(QStringLiteral("WARNING: %1: record \"%2\" of \"%3\" is not a dictionary; "
                                   "it is ignored")
                        .arg(sourceName, it.key(), group));
                const QVariant mine = own.value(it.key());
                if (mine.typeId() == QMetaType::QVariantMap) {
                    it.value() = mine;
                    ++it;
                } else {
                    it = taken.erase(it);
                }
            }
        }
        defaults.setObject(group, taken);
    }
}

void AppDelegate::updateFromiCloud() {
    Defaults& defaults = Defaults::standard();
    if (!defaults.boolForKey(kUseICloudConfig)) return;
    const bool useConfig = defaults.boolForKey(kUseExternalConfig);
    foundation::CloudStore* cloud = foundation::CloudStore::defaultStore();
    const QVariantMap values = cloud ? cloud->dictionaryRepresentation() : QVariantMap();
    if (values.isEmpty()) {
        log(QStringLiteral("No configuration data found on iCloud."));
        return;
    }
    if (!versionMatchesApplication(values.value(kApplicationVersion).toString())) {
        log(QStringLiteral(
            "ERROR: not reading external iCloud configuration due to version conflict."));
        return;
    }
    log(QStringLiteral("Syncing in from iCloud..."));
    QStringList groups = markerGroups();
    if (useConfig) groups += otherGroups();
    takeGroups(values, QStringLiteral("cloud store file ") + cloud->path(), groups, false);
}

QString AppDelegate::modificationText(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return QString();
    return info.lastModified().toUTC().toString(Qt::ISODateWithMs);
}

void AppDelegate::detectExternalConfigUpdates() {
    Defaults& defaults = Defaults::standard();
    if (!defaults.boolForKey(kLiveUpdate)) return;
    const QString path = defaults.stringForKey(kExternalConfigurationFile);
    if (path.isEmpty()) return;
    const QString modified = modificationText(path);
    if (modified.isEmpty() || modified == externalConfigModTime) return;
    externalConfigModTime = modified;
    if (!services_.externalConfigChanged || !services_.externalConfigChanged())
        log(QStringLiteral("oops, no pref controller to load updated configuration"));
}

void AppDelegate::menuAbout(QObject*) {
    if (services_.showAbout) services_.showAbout();
}

void AppDelegate::menuAssistant(QObject*) {
    if (services_.openSetupSheetOnMainWindow) services_.openSetupSheetOnMainWindow();
}

void AppDelegate::menuPreferences(QObject*) {
    if (services_.showPreferences)
        services_.showPreferences(
            {QStringLiteral("General"), QStringLiteral("Sources"), QStringLiteral("YView"),
             QStringLiteral("WView"), QStringLiteral("Sync"), QStringLiteral("Updates")},
            QStringLiteral("General"));
}

void AppDelegate::menuHelp(QObject*) {
    if (services_.showHelp) services_.showHelp();
}

namespace {

// The model is built on the whole list of calendars; their events may still
// be coming, and the year pages take them as they arrive.
bool calendarsKnown() {
    const calstore::StorePtr store = MyEventStore::defaultCalendarStore();
    return !store || store->calendarsKnown();
}

}  // namespace

void AppDelegate::applicationWillFinishLaunching() {
    loadPreferences();
    calendarSources = std::make_shared<CalendarSources>();
    YearViewEventLoader::setCalendarSources(calendarSources);
    // A store still reading its calendars knows none yet: they are loaded once
    // it knows them all, never from an empty or partial list that would forget
    // the user's settings of the others.
    if (calendarsKnown()) loadSources();
}

void AppDelegate::loadSources() {
    if (sourcesLoaded_) return;
    sourcesLoaded_ = true;
    calendarSources->loadCalendarsFromICal();
    calendarSources->loadMarkers();
}

void AppDelegate::applicationDidFinishLaunching() {
    if (calendarsKnown()) {
        loadSources();
        finishLaunching();
        return;
    }
    // The window shows while the store reads its calendars, with the progress
    // strip turning; the rest follows.
    MainWindowCtrl* controller = MainWindowCtrl::sharedWinController();
    controller->showWindow(this);
    controller->showProgressView();
    if (kit::ProgressIndicator* indicator = controller->progressIndicator()) {
        indicator->setIndeterminate(true);
        indicator->startAnimation();
    }
    const calstore::StorePtr store = MyEventStore::defaultCalendarStore();
    auto* observer = new QObject(this);
    auto calendarsRead = [this, observer] {
        if (launchFinished_) return;
        observer->deleteLater();
        MainWindowCtrl* controller = MainWindowCtrl::sharedWinController();
        if (kit::ProgressIndicator* indicator = controller->progressIndicator())
            indicator->stopAnimation();
        controller->hideProgressView();
        loadSources();
        finishLaunching();
    };
    foundation::MainThreadObserver::observe(
        observer, calstore::Store::calendarsKnownNotification, store.get(),
        [calendarsRead](const foundation::Notification&) { calendarsRead(); });
    // It may have known them before the observer was in place.
    if (store->calendarsKnown()) calendarsRead();
}

void AppDelegate::finishLaunching() {
    if (launchFinished_) return;
    launchFinished_ = true;
    MainWindowCtrl* controller = MainWindowCtrl::sharedWinController();
    controller->applicationFinishedLaunching();
    controller->showWindow(this);
    minuteTimer.start(60.0, true, [this] { minuteTick(); });
    sparkleUpdater->setSendsSystemProfile(false);

    // A copy: a missing member reads as off and is not stored back.
    appPref general = appPref::fromMap(Defaults::standard().dictionaryForKey(kGeneral));
    if (general.boolForKey(QStringLiteral("Launch iCal"))) launchCalendarApplication();

    if (Defaults::standard().boolForKey(kCheckConfigAtStartup)) checkForSetupAssistance();
}

void AppDelegate::launchCalendarApplication() {
    log(QStringLiteral("Launching iCal in background..."));
    // There is no one calendar application on this platform: the user names the
    // command to start. Its window is left to the desktop; errors are ignored.
    const QString command = Defaults::standard().stringForKey(kCalendarApplication).trimmed();
    if (command.isEmpty()) {
        log(QStringLiteral("WARNING: no calendar application configured"));
        return;
    }
    QStringList args = QProcess::splitCommand(command);
    const QString program = args.takeFirst();
    if (!QProcess::startDetached(program, args))
        log(QStringLiteral("WARNING: could not launch %1").arg(program));
}

void AppDelegate::applicationWillTerminate() {
    Defaults& defaults = Defaults::standard();
    // The cloud branch holds for one run only. Switched off before the last
    // synchronisation so that the change reaches the file.
    defaults.setBool(kUseICloudConfig, false);
    defaults.synchronize();

    if (!defaults.boolForKey(kUseExternalMarkerConfig)) return;
    const bool useConfig = defaults.boolForKey(kUseExternalConfig);
    const QString path = defaults.stringForKey(kExternalConfigurationFile);
    if (externalConfigSuspended_) {
        log(QStringLiteral("WARNING: external config file %1 not written: it could not be read "
                           "at start-up")
                .arg(path));
        return;
    }

    QVariantMap config;
    config.insert(kApplicationVersion, _appVersion);
    QStringList groups = markerGroups();
    if (useConfig) groups += otherGroups();
    for (const QString& group : groups) config.insert(group, defaults.dictionaryForKey(group));

    QString error;
    if (path.isEmpty() || !foundation::PropertyList::writeFile(path, config, &error))
        log(QStringLiteral("ERROR: writing auxiliary config file failed."));
}
