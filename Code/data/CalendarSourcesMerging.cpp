// The merging of changes that other programs make in the store: event changes
// collected per UID and handed on after a quiet period, calendar changes
// applied to the groups at once.

#include "data/CalendarSources.h"

#include "data/MainWindowHooks.h"
#include "data/MyDate.h"
#include "data/MyEventStore.h"
#include "data/SourceListOutline.h"
#include "data/YearViewEventLoader.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/store/StoreError.h"

#include <QMetaObject>

#include <exception>

using calstore::Store;
using foundation::Guard;

namespace {

// Asks the week view to drop its selection when it is the event of that UID.
// The week view is built after the model, so it is asked by operation name.
void deselectInWeekView(QObject* weekView, const QString& uid) {
    if (!weekView || weekView->metaObject()->indexOfMethod("deselectEventWithUID(QString)") < 0)
        return;
    QMetaObject::invokeMethod(weekView, "deselectEventWithUID", Qt::DirectConnection,
                              Q_ARG(QString, uid));
}

// The store's events of the UID in the span; none after logging when the store
// raised.
QList<calstore::EventPtr> eventsWithUID(const QString& uid, const QDateTime& from,
                                        const QDateTime& to) {
    QString reason;
    try {
        return MyEventStore::eventsWithPredicate(
            MyEventStore::eventPredicateWithStartDateEndDateUIDCalendars(
                from, to, uid, MyEventStore::calendars()));
    } catch (const calstore::StoreError& error) {
        reason = error.reason();
    } catch (const std::exception& error) {
        reason = QString::fromUtf8(error.what());
    }
    foundation::log(QStringLiteral("ERROR: querying calendar failed with exception ") + reason);
    return {};
}

}  // namespace

void CalendarSources::TimerOnMainDeleter::operator()(foundation::Timer* timer) const {
    if (!timer) return;
    if (foundation::isMainThread())
        delete timer;
    else
        foundation::onMain([timer] { delete timer; });
}

void CalendarSources::startObservingStoreChanges() {
    if (!iCalStore || observingStore_.exchange(true)) return;
    auto& center = foundation::NotificationCenter::defaultCenter();
    const void* store = iCalStore.get();
    center.addObserver(this, Store::eventsChangedExternallyNotification, store,
                       [this](const foundation::Notification& n) { iCalEventChanges(n); });
    center.addObserver(this, Store::calendarsChangedExternallyNotification, store,
                       [this](const foundation::Notification& n) { iCalCalendarChanges(n); });
}

// --- Event changes ----------------------------------------------------------------------

void CalendarSources::iCalEventChanges(const foundation::Notification& notification) {
    // The quiet period's timer and the week view live on the main thread.
    if (!foundation::isMainThread()) {
        std::weak_ptr<CalendarSources> weak = weak_from_this();
        foundation::onMain([weak, notification] {
            if (const auto self = weak.lock()) self->iCalEventChanges(notification);
        });
        return;
    }

    const std::shared_ptr<MainWindowHooks> hooks = MainWindowHooks::shared();
    QObject* weekView = hooks ? hooks->currentWeekView() : nullptr;
    const QVariantMap& info = notification.userInfo;
    // Later lists override earlier ones for a UID named in several.
    QVariantMap batch;
    for (const QString& uid : info.value(Store::deletedRecordsKey).toStringList()) {
        deselectInWeekView(weekView, uid);
        batch.insert(uid, YearViewEventLoader::kEventDeleted);
    }
    for (const QString& uid : info.value(Store::insertedRecordsKey).toStringList())
        batch.insert(uid, YearViewEventLoader::kEventInserted);
    for (const QString& uid : info.value(Store::updatedRecordsKey).toStringList()) {
        // The week view's own event being created: its saves come back as updates.
        if (hooks && hooks->isCurrentlyInCreation(uid)) continue;
        deselectInWeekView(weekView, uid);
        batch.insert(uid, YearViewEventLoader::kEventChanged);
    }
    if (batch.isEmpty()) return;  // a pending delivery keeps its time

    addEventsToUpdateList(batch);

    // Every change postpones the delivery to a quiet period after it.
    if (!delayedUpdateTimer) delayedUpdateTimer.reset(new foundation::Timer);
    delayedUpdateTimer->stop();
    std::weak_ptr<CalendarSources> weak = weak_from_this();
    const bool shared = !weak.expired();
    delayedUpdateTimer->start(kQuietPeriodSeconds, false, [weak, shared, this] {
        if (!shared) {
            delayedConsolidatedUpdate();  // the timer goes with the object
            return;
        }
        if (const auto self = weak.lock()) self->delayedConsolidatedUpdate();
    });
}

void CalendarSources::addEventsToUpdateList(const QVariantMap& changes) {
    Guard guard(lock_);
    if (!consolidatedUpdateList) consolidatedUpdateList.emplace();
    for (auto it = changes.cbegin(); it != changes.cend(); ++it)
        consolidatedUpdateList->insert(it.key(), it.value());
}

std::optional<QVariantMap> CalendarSources::getUpdateList() {
    Guard guard(lock_);
    if (!consolidatedUpdateList) return std::nullopt;
    QVariantMap taken;
    taken.swap(*consolidatedUpdateList);
    return taken;
}

void CalendarSources::delayedConsolidatedUpdate() {
    const QVariantMap changes = getUpdateList().value_or(QVariantMap());
    if (changes.isEmpty()) return;
    updateOpenEventConfigDialogs(changes);
    if (const auto hooks = MainWindowHooks::shared()) hooks->eventsUpdated(changes);
}

void CalendarSources::updateOpenEventConfigDialogs(const QVariantMap& changes) {
    auto& center = foundation::NotificationCenter::defaultCenter();
    const MyDatePtr from = MyDate::date()->firstDayInYear();
    const MyDatePtr to = from->dateByAddingYearsMonthsDays(2, 0, 0);
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        const QString& uid = it.key();
        const int code = it.value().toInt();
        if (code == YearViewEventLoader::kEventDeleted) {
            center.post(
                YearViewEventLoader::eventDataChangedNotification, this,
                {{YearViewEventLoader::kEventKey, QVariant::fromValue(calstore::EventPtr())},
                 {YearViewEventLoader::kChangesKey, QStringLiteral("deleted")},
                 {YearViewEventLoader::kUIDKey, uid}});
        } else if (code == YearViewEventLoader::kEventInserted ||
                   code == YearViewEventLoader::kEventChanged) {
            const QList<calstore::EventPtr> events =
                eventsWithUID(uid, from->nsDate(), to->nsDate());
            if (events.isEmpty()) continue;
            center.post(YearViewEventLoader::eventDataChangedNotification, this,
                        {{YearViewEventLoader::kEventKey, QVariant::fromValue(events.first())},
                         {YearViewEventLoader::kChangesKey, QStringLiteral("unknown")},
                         {YearViewEventLoader::kUIDKey, uid}});
        }
    }
}

// --- Calendar changes ---------------------------------------------------------------------

void CalendarSources::iCalCalendarChanges(const foundation::Notification& notification) {
    // The groups are shown by the source list, which lives on the main thread.
    if (!foundation::isMainThread()) {
        std::weak_ptr<CalendarSources> weak = weak_from_this();
        foundation::onMain([weak, notification] {
            if (const auto self = weak.lock()) self->iCalCalendarChanges(notification);
        });
        return;
    }

    // The store names all three lists with every change, most of them empty:
    // only calendars it really deleted, and that the model knows, are removed.
    const QVariantMap& info = notification.userInfo;
    std::vector<CalendarPtr> removed;
    for (const QString& uid : info.value(Store::deletedRecordsKey).toStringList()) {
        const CalendarPtr calendar = findCalendarWithUid(uid).second;
        if (!calendar) continue;
        removeICalendarWithUid(uid);
        {
            Guard guard(lock_);
            allCalendars_.removeAll(calendar);
        }
        removed.push_back(calendar);
    }

    for (const QString& uid : info.value(Store::insertedRecordsKey).toStringList()) {
        const calstore::CalendarPtr storeCalendar = MyEventStore::calendarWithUID(uid);
        if (!storeCalendar) continue;
        // A calendar the groups know already is not listed twice.
        if (findCalendarWithUid(uid).second) {
            updateICalendarWithUidWithData(uid, storeCalendar);
            continue;
        }
        sortCalendarIntoGroups(std::make_shared<Calendar>(storeCalendar));
    }

    for (const QString& uid : info.value(Store::updatedRecordsKey).toStringList()) {
        if (const calstore::CalendarPtr storeCalendar = MyEventStore::calendarWithUID(uid))
            updateICalendarWithUidWithData(uid, storeCalendar);
    }

    if (SourceListOutline* view = outlineView()) view->reloadData();

    // A rename or a new colour removes nothing and starts no job on the pages.
    if (removed.empty()) return;
    foundation::NotificationCenter::defaultCenter().post(calendarSelectionChangedNotification,
                                                         this);
    if (const auto hooks = MainWindowHooks::shared()) hooks->calendarsRemoved(removed);
}

std::pair<CalendarGroupPtr, CalendarPtr> CalendarSources::findCalendarWithUid(
    const QString& uid) const {
    // Every group that holds calendars, the reminders group too (whose look-ups
    // answer nothing), the local group first.
    for (const auto& group : calendarGroupsLocalFirst())
        for (const auto& calendar : group->calendars())
            if (calendar->uid() == uid) return {group, calendar};
    return {};
}

void CalendarSources::removeICalendarWithUid(const QString& uid) {
    const auto [group, calendar] = findCalendarWithUid(uid);
    if (!group) return;
    if (group->holdsCalendars())
        group->removeICalendarWithUid(uid);
    else
        group->removeElement(calendar);
}

void CalendarSources::updateICalendarWithUidWithData(const QString& uid,
                                                     const calstore::CalendarPtr& calendar) {
    const auto [group, known] = findCalendarWithUid(uid);
    if (!group || !calendar) return;
    if (group->holdsCalendars())
        group->updateICalendarWithUidWithData(uid, calendar);
    else
        known->setCalendar(calendar);
}
