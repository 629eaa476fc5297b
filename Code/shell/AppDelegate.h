#pragma once

#include "data/MyDate.h"
#include "data/PrefGroups.h"
#include "platform/foundation/Timer.h"
#include "platform/foundation/Updater.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>

class CalendarSources;

// The one application object: runs start-up and shutdown, owns the model root,
// loads the settings with their factory values, keeps the synced preference
// groups in step with an external configuration file or the cloud store, and runs
// the minute timer that announces five-minute ticks and the change of the day.
class AppDelegate final : public QObject {
    Q_OBJECT
public:
    // What the delegate asks of the preferences, setup, about and help windows,
    // which are built on top of the shell and hook themselves in at start-up.
    struct Services {
        std::function<bool()> markerStoreDefined;
        std::function<bool()> holidayStoreDefined;
        std::function<bool()> birthdayStoreDefined;
        std::function<void()> openSetupSheetOnMainWindow;
        std::function<void()> showAbout;
        std::function<void()> showHelp;
        // Pane order, then the pane to show.
        std::function<void(const QStringList&, const QString&)> showPreferences;
        // Hands a changed external configuration file to the sync pane; false when
        // there is no pane.
        std::function<bool()> externalConfigChanged;
    };

    // Top-level settings and the preference groups.
    static inline const QString kUseICloudConfig = QStringLiteral("Use iCloud Config");
    static inline const QString kUseExternalMarkerConfig =
        QStringLiteral("Use External MarkerConfig");
    static inline const QString kUseExternalConfig = QStringLiteral("Use External Config");
    static inline const QString kExternalConfigurationFile =
        QStringLiteral("External Configuration File");
    static inline const QString kLiveUpdate = QStringLiteral("Live Update From External Config");
    static inline const QString kCheckConfigAtStartup = QStringLiteral("Check Config at Startup");
    static inline const QString kCalendarApplication = QStringLiteral("Calendar Application");
    static inline const QString kApplicationVersion = QStringLiteral("Application Version");
    static inline const QString& kGeneral = PrefGroups::general;
    static inline const QString& kCalendars = PrefGroups::calendars;
    static inline const QString& kMarkers = PrefGroups::markers;
    static inline const QString& kYearView = PrefGroups::yearView;
    static inline const QString& kWeekView = PrefGroups::weekView;
    static inline const QString& kSearchOptions = PrefGroups::searchOptions;

    static inline const QString kFiveMinuteTick = QStringLiteral("Application 5Minute Tick");
    static inline const QString kCurrentDateChanged =
        QStringLiteral("Application CurrentDate Changed");

    AppDelegate();  // init: becomes the one delegate
    ~AppDelegate() override;

    static AppDelegate* obj();
    static QString appVersion();
    static MyDatePtr appBuildDate();
    static int currentOS();

    void awakeFromNib();
    MyDatePtr dateFromString(const QString& text) const;
    void minuteTick();
    void checkForSetupAssistance();
    void loadPreferences();
    bool versionMatchesApplication(const QString& version) const;
    void updatePreferencesWithFactoryDefaults(const QVariantMap& factory);
    void menuAbout(QObject* sender);
    void menuAssistant(QObject* sender);
    void menuPreferences(QObject* sender);
    void menuHelp(QObject* sender);
    void detectExternalConfigUpdates();
    void updateFromiCloud();
    void applicationWillFinishLaunching();
    // Shows the main window. When the store is still reading its files, the
    // window shows at once and the calendars, markers and pages follow once it
    // has read them (see launchFinished).
    void applicationDidFinishLaunching();
    // Whether the start-up is complete: the calendars are loaded and the
    // window is wired to them.
    bool launchFinished() const { return launchFinished_; }
    bool applicationShouldTerminateAfterLastWindowClosed() const { return true; }
    bool applicationShouldTerminate() const { return true; }  // never delays a quit
    void applicationWillTerminate();

    // Each part built later sets its own entries and leaves the others as
    // they are.
    void changeServices(const std::function<void(Services&)>& change) { change(services_); }
    // The parts that open these windows (the source list's Edit Sources) call
    // through here.
    const Services& services() const { return services_; }
    // The clock the minute step reads; tests replace it.
    void setClock(std::function<MyDatePtr()> clock) { clock_ = std::move(clock); }
    // For tests: the version this application claims to be.
    static void setAppVersionForTesting(const QString& version);

    // Fields the rest of the system reads directly.
    foundation::Timer minuteTimer;
    int minuteTicks = 0;
    QString externalConfigModTime;  // null until start-up looked, "" when no file
    AtomicDatePtr today;            // replaced at midnight, read from any thread
    std::shared_ptr<CalendarSources> calendarSources;
    foundation::Updater* sparkleUpdater = nullptr;

private:
    static QString modificationText(const QString& path);
    // Sets the user's groups from a configuration read elsewhere; groups and
    // calendar or marker records of the wrong kind are reported and never
    // replace the user's own. `missingRemoves`: a group the source lacks is
    // removed, so that the factory one applies.
    void takeGroups(const QVariantMap& source, const QString& sourceName, const QStringList& groups,
                    bool missingRemoves);
    void launchCalendarApplication();
    void loadSources();
    void finishLaunching();

    Services services_;
    std::function<MyDatePtr()> clock_;
    bool observingCloud_ = false;
    // The external file could not be read at start-up: it is not written this run.
    bool externalConfigSuspended_ = false;
    bool sourcesLoaded_ = false;
    bool launchFinished_ = false;
};
