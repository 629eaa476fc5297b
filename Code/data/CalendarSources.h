#pragma once

#include "data/Calendar.h"
#include "data/CalendarGroup.h"
#include "data/EMarker.h"
#include "data/PrefGroups.h"
#include "data/SourceListItem.h"
#include "data/appPref.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Threads.h"
#include "platform/foundation/Timer.h"
#include "platform/store/Store.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QRectF>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QObject;
class SourceListOutline;
class YearViewEventLoader;
class YearViewTarget;

// The one owner of every Calendar, EMarker and CalendarGroup, made by the
// application delegate at start-up and held for the life of the application.
// It sorts the store's calendars into the groups of the source list, restores
// and saves their settings ("AppPref Calendars") and the marker definitions
// ("AppPref Markers"), and answers the look-ups of the loaders, views, sheets
// and the setup assistant.
//
// The object's lock guards its lists; every change to them and both
// configuration saves hold it, so a save started on a background thread by a
// selection change reads a consistent picture while the main thread edits the
// groups. The lists are handed out as const copies, which never detach from the
// shared originals while they are iterated. Hold the object by shared_ptr: the
// background saves keep it alive.
class CalendarSources final : public std::enable_shared_from_this<CalendarSources> {
public:
    // The settings groups this object reads and writes.
    static inline const QString& kGeneralPrefs = PrefGroups::general;
    static inline const QString& kCalendarsPrefs = PrefGroups::calendars;
    static inline const QString& kMarkersPrefs = PrefGroups::markers;
    static inline const QString kShowReminders = QStringLiteral("Show Reminders");

    // Posted by the source list when calendars or markers are shown or hidden,
    // and when a calendar's type or colour changed.
    static inline const QString calendarSelectionChangedNotification =
        QStringLiteral("Calendar Selection Changed");
    static inline const QString markerSelectionChangedNotification =
        QStringLiteral("Marker Selection Changed");
    static inline const QString calendarTypeOrColorChangedNotification =
        QStringLiteral("Calendar TypeOrColor Changed");

    // The key of the reminders group among allCalendarGroups(), and the short
    // name of the markers group.
    static inline const QString kRemindersGroupKey = QStringLiteral("Reminders");
    static inline const QString kMarkersGroupName = QStringLiteral("MARKERS");

    // The windows built after the model: its sheets, the day popup, the
    // calendar hover and the calendar-server probe. Each entry is set by the
    // part that builds the window; an unset entry does nothing (a question
    // answers false). Main thread only.
    struct Services {
        std::function<void()> closeDayPopup;
        // The calendar and marker hover, shown beside a row of the list (the
        // row's rectangle in the list).
        std::function<bool()> hoverWindowOpen;
        std::function<void()> hoverCloseWindow;
        std::function<void(const CalendarPtr&, const QRectF&, SourceListOutline*)>
            hoverShowForCalendar;
        std::function<void(const EMarkerPtr&, const QRectF&, SourceListOutline*)>
            hoverShowForMarker;
        // The row moved under the open hover (the list scrolled or resized).
        std::function<void(const QRectF&)> hoverUpdateAnchor;
        // The sheets, each on the main window.
        std::function<void(const CalendarPtr&)> openCalendarSheet;
        std::function<void(const EMarkerPtr&)> openMarkerSheet;
        std::function<void(const CalendarPtr&)> openBirthdaySheet;
        std::function<void(const CalendarPtr&)> openHolidaySheet;
        std::function<void(const CalendarPtr&)> openPurgeSheet;
        std::function<void(const CalendarPtr&)> openCalendarDeleteSheet;
        std::function<void(const EMarkerPtr&)> openMarkerDeleteSheet;
        // The year page shown in the main window (null when there is none): the
        // jobs on a marker's marks start on a loader of its year.
        std::function<std::shared_ptr<YearViewTarget>()> currentYearPage;
        // The calendar-server probe for an account configuration (the map form
        // of the account sheet's configuration). The questions answer later,
        // on the main thread, unless the context object went.
        using ProbeAnswer = std::function<void(bool)>;
        std::function<void(const QVariantMap&, QObject*, ProbeAnswer)> serverValid;
        // May complete the configuration (a port of 0 becomes 80).
        std::function<void(QVariantMap&, QObject*, ProbeAnswer)> serverReachable;
        // Starts the server check; the reply is "" for success, else a message.
        std::function<void(const QVariantMap&, QObject*, std::function<void(const QString&)>)>
            serverConfigCheck;
        // Ends the check: finished (false) or abandoned (true).
        std::function<void(const QVariantMap&, bool)> endServerCheck;
    };
    static void changeServices(const std::function<void(Services&)>& change);
    static const Services& services();

    CalendarSources();  // takes the store's default store object
    ~CalendarSources();
    CalendarSources(const CalendarSources&) = delete;
    CalendarSources& operator=(const CalendarSources&) = delete;

    // --- Loading, once, in this order --------------------------------------------
    // Builds the groups and sorts every store calendar into them with its saved
    // settings; saves "AppPref Calendars".
    void loadCalendarsFromICal();
    // Builds the markers group from "AppPref Markers" and saves it again.
    void loadMarkers();
    // Puts a calendar into its group (also for calendars that appear later).
    void sortCalendarIntoGroups(const CalendarPtr& calendar);

    // --- Configuration -------------------------------------------------------------
    // Replace the two records whole. New calendars without a store calendar are
    // not written.
    void saveCalendarConfig();
    void saveMarkerConfig();
    // The observers of the two selection notifications: each starts its save on a
    // new background thread and returns at once.
    void calendarSelectionChange(const foundation::Notification& notification);
    void markerSelectionChange(const foundation::Notification& notification);
    // Re-reads "Show Reminders" and shows or hides the reminders group.
    void checkShowReminders();

    // --- Look-ups --------------------------------------------------------------------
    const QList<CalendarPtr> allCalendars() const;
    QStringList configuredMarkerNames() const;
    QStringList configuredCalendarNames() const;
    // Identifier to title of every marker store.
    QMap<QString, QString> allMarkerCalendars() const;
    CalendarPtr calendarWithUID(const QString& uid) const;
    CalendarPtr calendarWithName(const QString& name) const;
    CalendarGroupPtr groupOfCalendar(const CalendarPtr& calendar) const;
    // The default calendar for new events.
    CalendarPtr firstCalendarInList() const;
    CalendarPtr firstMarkerCalendar() const;
    EMarkerPtr markerWithName(const QString& name) const;
    EMarkerPtr markerWithUID(const QString& uid) const;
    // The local group's name, then the long name of every other calendar group.
    QStringList knownCalendarGroupNames() const;
    // Every group but the local and the markers group, by key.
    QMap<QString, CalendarGroupPtr> allCalendarGroups() const;

    // The source list's selection.
    CalendarPtr selectedCalendar() const;
    bool calendarIsSelected() const;
    int typeOfSelectedCalendar() const;  // 0 without a selected calendar
    bool markerIsSelected() const;
    void ensureCalendarIsSelected(const SourceListItemPtr& item);

    // --- Commands of the source list (main thread) ------------------------------------
    // Information on the selected row: the birthday or holiday sheet of such a
    // calendar, else the hover (the edit sheet with Option held).
    void entryDoubleClick(bool optionHeld);
    void showInformation() { entryDoubleClick(false); }
    // The edit sheet of the selected row.
    void entryEdit();
    // The purge sheet of the selected calendar.
    void purgeEvents();
    // The delete sheet of the selected row.
    void deleteEntry();
    // A new calendar in the local group (a new marker) with the first free title,
    // selected and handed to its sheet. Nothing without a sheet to finish it.
    void newCalendar();
    void newMarker();
    // The sheet of a new calendar or marker was cancelled: it goes again.
    void removeEditedCalendar();
    void removeEditedMarker();
    CalendarPtr editedCalendar() const { return editedCalendar_; }
    EMarkerPtr editedMarker() const { return editedMarker_; }
    // A title edited in place. An empty title changes nothing; a taken one is
    // made unique in the group. A calendar whose title is locked keeps it, and
    // one whose store refuses the new title keeps the old one with the store's
    // message as its update error. Answers whether the title was taken.
    bool updateNameOf(const SourceListItemPtr& item, const QString& title);
    // A birthday calendar of the platform and subscriptions keep the title the
    // store gives them.
    bool titleIsLocked(const CalendarPtr& calendar) const;
    // `base` when no element of the group but `passOver` has it, else the first
    // free of "base-1", "base-2", ...
    static QString firstFreeTitle(const CalendarGroupPtr& group, const QString& base,
                                  const SourceListItemPtr& passOver);

    // --- What the sheets hand back (main thread) --------------------------------------
    // The calendar sheet's OK: {"title", "notes", "color", "type"}. Answers false
    // only when another calendar of the group has the title; the sheet then
    // stays open. A new calendar gets its store calendar here; one the store
    // refuses stays new, with the store's message as its update error.
    bool calendarUpdatedWithData(const QVariantMap& data);
    // The marker sheet's OK: {"title", "notes", "color", "type", "calendar"}
    // ("calendar" is the marker store's UID). A new marker store moves the
    // marker's marks there. Answers false only when the title is taken.
    bool markerUpdatedWithData(const QVariantMap& data);
    // The delete sheets' OK. A calendar leaves the store, the list and the year
    // pages with the markers it held; one the store keeps stays, with the
    // store's message as its update error.
    void deleteCalendar();
    void deleteMarkerAndMarks(bool removeMarks);
    // The consistency check: marks of markers no longer known leave the store.
    void removeOrphanedMarks();
    // A marker whose store is no marker store carries an error; one whose
    // store is gone has none.
    void checkAllMarkers();

    // --- The setup assistant ----------------------------------------------------------
    // A new local calendar of that type with the first free title; false when
    // the store did not take it (nothing is added then).
    bool newLocalCalendarWithName(const QString& name, int type);
    // Gives the calendar that type. False when no calendar has the title
    // (the first of that title is taken) or the UID.
    bool setCalendarWithName(const QString& name, int type);
    bool setCalendarWithUID(const QString& uid, int type);
    // A blue marker of type 1 in the first marker store; none without one.
    void newMarkerWithName(const QString& name);

    // --- The calendar-server probe, for the account sheet (main thread) --------------
    // Each forwards to the probe; without one the questions answer false.
    static void serverValid(const QVariantMap& conf, QObject* context, Services::ProbeAnswer done);
    static void serverReachable(QVariantMap& conf, QObject* context, Services::ProbeAnswer done);
    static void serverConfigCheckReplyToSelector(const QVariantMap& conf, QObject* replyTo,
                                                 std::function<void(const QString&)> reply);
    static void endServerConfigCheck(const QVariantMap& conf);
    static void killServerConfigCheck(const QVariantMap& conf);

    // --- What the source list and the later parts of the model work on --------------
    void setOutlineView(SourceListOutline* view);
    SourceListOutline* outlineView() const;
    // The top-level rows: a spacer before each group.
    const QList<SourceListItemPtr> listOfSources() const;
    CalendarGroupPtr localGroup() const;    // the local calendars
    CalendarGroupPtr markersGroup() const;  // null until loadMarkers()
    bool showReminderCalendars() const;
    // Saved calendar identifiers matched by name at loading, to the calendars'
    // current identifiers.
    QHash<QString, QString> calIDtranslation() const;
    calstore::StorePtr store() const { return iCalStore; }
    // The object's lock (also guards the pending store changes).
    foundation::Lock& lock() const { return lock_; }

    // === Merging of store changes made by other programs (CalendarSourcesMerging.cpp)
    // Event changes are merged per UID into one update list (1 inserted,
    // 2 updated, 3 deleted; the latest change of a UID wins) and delivered
    // kQuietPeriodSeconds after the last change that brought something: each
    // as "Event Data Changed" (sender: this object) and all together to the main
    // window's eventsUpdated. Calendar changes are applied to the groups at
    // once. Both handlers work on the main thread (the store posts there; from
    // another thread they hop to it).
    static constexpr double kQuietPeriodSeconds = 1.5;
    // Observes the store's event and calendar change notifications; called when
    // loading finishes. Once only.
    void startObservingStoreChanges();
    void iCalEventChanges(const foundation::Notification& notification);
    // Merges a batch (UID to code) into the update list, under the lock.
    void addEventsToUpdateList(const QVariantMap& changes);
    // Takes the update list away (a copy; the list is emptied). None before the
    // first change ever arrived.
    std::optional<QVariantMap> getUpdateList();
    // The quiet period's end: announces and hands on what the list holds.
    void delayedConsolidatedUpdate();
    // Posts "Event Data Changed" for each UID: "deleted" for code 3; "unknown"
    // with the event read again for codes 1 and 2, when the store has it within
    // two years from the first day of the current year.
    void updateOpenEventConfigDialogs(const QVariantMap& changes);
    void iCalCalendarChanges(const foundation::Notification& notification);
    // Takes the calendar of that UID out of whatever group holds it.
    void removeICalendarWithUid(const QString& uid);
    // Gives the calendar of that UID its store calendar as read again (the local
    // group first, then the others); nothing when no group holds it.
    void updateICalendarWithUidWithData(const QString& uid, const calstore::CalendarPtr& calendar);
    // === End of the merging of store changes ==========================================

private:
    void prepareCalendarGroups();
    void restoreCalendarSettings(const CalendarPtr& calendar, appPref& saved,
                                 const QSet<QString>& storeUIDs);
    void finishLoadingCalendarsFromICal();
    const QList<CalendarGroupPtr> calendarGroupsLocalFirst() const;
    SourceListItemPtr selectedItem() const;
    static bool readShowReminders();
    // The selected row for a command, the day popup closed first.
    SourceListItemPtr selectedItemClosingDayPopup();
    void appendAndEdit(const CalendarGroupPtr& group, const SourceListItemPtr& item);
    void deselectAndReload();
    void reloadOutline();
    void expandInOutline(const CalendarGroupPtr& group);
    void postTypeOrColorChanged();
    bool retypeCalendar(const CalendarPtr& calendar, int type);
    // Saves the store calendar; the update error tells the outcome.
    bool saveStoreCalendar(const CalendarPtr& calendar);
    // A new loader of the year of the current page (this year without one).
    std::shared_ptr<YearViewEventLoader> loaderForCurrentPage(
        std::shared_ptr<YearViewTarget>* page) const;

    mutable foundation::Lock lock_;
    QHash<QString, QString> calIDtranslation_;
    SourceListOutline* theOutlineView = nullptr;
    QList<SourceListItemPtr> listOfSources_;
    CalendarGroupPtr iCalGroup;
    CalendarGroupPtr markersGroup_;
    QMap<QString, CalendarGroupPtr> allCalGroups;
    QList<CalendarPtr> allCalendars_;
    calstore::StorePtr iCalStore;
    bool showReminderCalendars_ = false;
    std::atomic<bool> observingCalendars_{false};
    std::atomic<bool> observingMarkers_{false};
    // The calendar or marker a command works on (main thread).
    CalendarPtr editedCalendar_;
    EMarkerPtr editedMarker_;
    // --- Merging of store changes
    // The pending one-shot timer of the quiet period (made on first use; main
    // thread only, so no lock).
    // Timers belong to the main thread; the last owner of this object may let
    // it go on another one.
    struct TimerOnMainDeleter {
        void operator()(foundation::Timer* timer) const;
    };
    std::unique_ptr<foundation::Timer, TimerOnMainDeleter> delayedUpdateTimer;
    // UID to event change code; none until the first change arrives. Under lock_.
    std::optional<QVariantMap> consolidatedUpdateList;
    std::atomic<bool> observingStore_{false};
    // The calendar of that UID with the group holding it, whatever its group.
    std::pair<CalendarGroupPtr, CalendarPtr> findCalendarWithUid(const QString& uid) const;
};
