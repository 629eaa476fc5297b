#pragma once

#include "data/Calendar.h"

#include <QObject>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <mutex>
#include <vector>

// What the single-event writers and the merging of store changes ask of the
// main window controller, which is built later than the model and so is
// reached through this interface. The controller installs itself once its
// window exists (setShared) and uninstalls itself (setShared(nullptr)) before
// it goes away. Without one installed the model still writes the store and
// posts its notifications; it only has nobody to hand the change reports to.
class MainWindowHooks {
public:
    virtual ~MainWindowHooks() = default;

    // Event UID (text) to event change code (1 inserted, 2 changed, 3 deleted):
    // the year pages re-read those events. May be called on any thread (the
    // find panel deletes found events from a thread of its own); the
    // implementation hands the work to the main thread itself.
    virtual void eventsUpdated(const QVariantMap& updatedEvents) = 0;

    // Calendars that other programs removed from the store: the year pages drop
    // their events. Called on the main thread.
    virtual void calendarsRemoved(const std::vector<CalendarPtr>& calendars) = 0;

    // The week view shown now (it performs "deselectEventWithUID" with an event
    // UID by name); null when there is none. Main thread only.
    virtual QObject* currentWeekView() const = 0;

    // Whether this application is creating the event with that UID at the
    // moment (the week view between the start and the end of a creation). Any
    // thread.
    virtual bool isCurrentlyInCreation(const QString& uid) const = 0;

    // The one implementation; null when none is installed. Any thread.
    static void setShared(const std::shared_ptr<MainWindowHooks>& hooks) {
        Installed& installed = theInstalled();
        std::lock_guard<std::mutex> guard(installed.mutex);
        installed.hooks = hooks;
    }
    static std::shared_ptr<MainWindowHooks> shared() {
        Installed& installed = theInstalled();
        std::lock_guard<std::mutex> guard(installed.mutex);
        return installed.hooks;
    }

private:
    struct Installed {
        std::mutex mutex;
        std::shared_ptr<MainWindowHooks> hooks;
    };
    // Never destroyed: writers on job threads may still ask while the program exits.
    static Installed& theInstalled() {
        static auto* installed = new Installed;
        return *installed;
    }
};
