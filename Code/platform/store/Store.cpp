#include "platform/store/Store.h"

#include "platform/store/Capabilities.h"
#include "platform/store/EventAccess.h"
#include "platform/store/ManagedCalendar.h"
#include "platform/store/ManagedEvent.h"
#include "platform/store/ManagedGroup.h"
#include "platform/store/StoreSnapshot.h"
#include "platform/store/StoreTime.h"
#include "platform/store/StoreWatcher.h"
#include "platform/store/StoreWriter.h"
#include "platform/store/ZoneTable.h"

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Threads.h"

#include <QDir>
#include <QJsonObject>
#include <QStandardPaths>

#include <algorithm>
#include <chrono>
#include <limits>
#include <mutex>

namespace calstore {

namespace {

QStringList uidsOf(const QList<CalendarPtr>& calendars) {
    QStringList uids;
    for (const auto& c : calendars)
        if (c && !uids.contains(c->uid())) uids << c->uid();
    return uids;
}

}  // namespace

Store::Store(const QString& rootPath)
    : snapshot_((detail::StoreSnapshot::tidy(rootPath), detail::StoreSnapshot::load(rootPath))) {}

Store::Store(const QString& rootPath, ReadLater)
    : snapshot_(detail::StoreSnapshot::assemble(rootPath, {}, QJsonObject())) {
    loaded_ = false;
    calendarsKnown_ = false;
}

std::shared_ptr<Store> Store::openInBackground(const QString& rootPath) {
    auto store = std::make_shared<Store>(QDir::cleanPath(rootPath), ReadLater{});
    store->readInBackground(false);
    return store;
}

namespace {

std::mutex beforeReadingEventsMutex;
std::function<void(const QString&)> beforeReadingEvents;

}  // namespace

void Store::setBeforeReadingEventsForTesting(std::function<void(const QString&)> hook) {
    std::lock_guard<std::mutex> lock(beforeReadingEventsMutex);
    beforeReadingEvents = std::move(hook);
}

// The calendars come first, from their small files, so that the model and the
// window can be built on the whole list; their events follow calendar by
// calendar, in the order the model asks for (readEventsFirst), else in the
// store's, so that a page taking them in its order as they arrive has work in
// hand while the rest is read.
void Store::readInBackground(bool watch) {
    std::shared_ptr<Store> self = shared_from_this();
    foundation::startThread([self, watch] {
        const QString root = self->snapshot()->root;
        detail::StoreSnapshot::tidy(root);
        QHash<QString, std::shared_ptr<const detail::CalendarFolder>> folders;
        for (const QString& path : detail::StoreSnapshot::calendarFolderPaths(root)) {
            auto folder = detail::StoreSnapshot::loadFolderSettings(path);
            // Without our attributes only the files tell whether the calendar
            // holds events or tasks; it keeps what they tell now.
            if (!folder->declaresItems())
                folder->calendar.setHoldsTasks(detail::StoreSnapshot::holdsOnlyTasks(path));
            const QString uid = folder->calendar.uid();
            folders.insert(uid, std::move(folder));
        }
        const QJsonObject groupsFile = detail::StoreSnapshot::readGroupsFile(root);
        auto assembled = [&] {
            return detail::StoreSnapshot::assemble(root, {folders.cbegin(), folders.cend()},
                                                   groupsFile);
        };
        QStringList storeOrder;
        {
            foundation::Guard guard(self->writeLock_);
            auto first = assembled();
            for (const auto& folder : first->calendars) storeOrder << folder->calendar.uid();
            self->setSnapshot(std::move(first));
            std::lock_guard<std::mutex> lock(self->loadedMutex_);
            self->awaitedEvents_ = QSet<QString>(storeOrder.cbegin(), storeOrder.cend());
            self->calendarsKnown_ = true;
        }
        foundation::onMain([self] {
            foundation::NotificationCenter::defaultCenter().post(calendarsKnownNotification,
                                                                 self.get());
        });

        for (qsizetype left = storeOrder.size(); left > 0; --left) {
            QString uid;
            {
                std::lock_guard<std::mutex> lock(self->loadedMutex_);
                for (const QString& wanted : self->eventsOrder_ + storeOrder) {
                    if (!self->awaitedEvents_.contains(wanted)) continue;
                    uid = wanted;
                    break;
                }
            }
            std::function<void(const QString&)> hook;
            {
                std::lock_guard<std::mutex> lock(beforeReadingEventsMutex);
                hook = beforeReadingEvents;
            }
            if (hook) hook(uid);
            auto folder = std::make_shared<detail::CalendarFolder>(*folders.value(uid));
            detail::StoreSnapshot::loadFolderItems(*folder, nullptr, true);
            folders.insert(uid, std::move(folder));
            {
                foundation::Guard guard(self->writeLock_);
                // The index has the events before anyone is told they are in.
                self->setSnapshot(assembled());
                std::lock_guard<std::mutex> lock(self->loadedMutex_);
                self->awaitedEvents_.remove(uid);
                ++self->eventArrivals_;
            }
            self->loadedChanged_.notify_all();
        }
        {
            std::lock_guard<std::mutex> lock(self->loadedMutex_);
            self->loaded_ = true;
        }
        self->loadedChanged_.notify_all();
        foundation::onMain([self, watch] {
            if (watch) self->startWatching();
            foundation::NotificationCenter::defaultCenter().post(storeLoadedNotification,
                                                                 self.get());
        });
    });
}

void Store::readEventsFirst(const QStringList& calendarUids) {
    std::lock_guard<std::mutex> lock(loadedMutex_);
    eventsOrder_ = calendarUids;
}

void Store::waitUntilLoaded() const {
    if (loaded_) return;
    std::unique_lock<std::mutex> lock(loadedMutex_);
    loadedChanged_.wait(lock, [this] { return loaded_.load(); });
}

Store::EventsProgress Store::eventsProgress() const {
    std::lock_guard<std::mutex> lock(loadedMutex_);
    return {awaitedEvents_, eventArrivals_};
}

void Store::waitForEventsAfter(const EventsProgress& progress, double seconds) const {
    if (progress.awaited.isEmpty()) return;
    std::unique_lock<std::mutex> lock(loadedMutex_);
    loadedChanged_.wait_for(lock, std::chrono::duration<double>(seconds),
                            [&] { return loaded_.load() || eventArrivals_ != progress.arrivals; });
}

std::shared_ptr<Store> Store::openAt(const QString& rootPath) {
    return std::make_shared<Store>(QDir::cleanPath(rootPath));
}

QString Store::defaultRootPath() {
    const QString explicitRoot = qEnvironmentVariable("ZOLT_STORE_DIR");
    if (!explicitRoot.isEmpty()) return QDir::cleanPath(explicitRoot);
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty()) data = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(data + QStringLiteral("/zolt/calendars"));
}

namespace {

struct DefaultHolder {
    std::mutex mutex;
    std::shared_ptr<Store> store;
};

DefaultHolder& defaultHolder() {
    static auto* holder = new DefaultHolder;  // outlives every static destructor
    return *holder;
}

}  // namespace

std::shared_ptr<Store> Store::defaultStore() {
    auto& h = defaultHolder();
    std::shared_ptr<Store> store;
    {
        std::lock_guard<std::mutex> lock(h.mutex);
        if (h.store) return h.store;
        h.store = openAt(defaultRootPath());
        store = h.store;
    }
    store->startWatching();
    return store;
}

std::shared_ptr<Store> Store::openDefaultStoreInBackground() {
    auto& h = defaultHolder();
    std::shared_ptr<Store> store;
    {
        std::lock_guard<std::mutex> lock(h.mutex);
        if (h.store) return h.store;
        h.store = std::make_shared<Store>(defaultRootPath(), ReadLater{});
        store = h.store;
    }
    // The folders are watched once the index knows what they hold.
    store->readInBackground(true);
    return store;
}

void Store::setDefaultStore(const std::shared_ptr<Store>& store) {
    auto& h = defaultHolder();
    std::lock_guard<std::mutex> lock(h.mutex);
    h.store = store;
}

std::shared_ptr<const detail::StoreSnapshot> Store::snapshot() const {
    foundation::Guard guard(lock_);
    return snapshot_;
}

void Store::setSnapshot(std::shared_ptr<const detail::StoreSnapshot> snapshot) {
    foundation::Guard guard(lock_);
    snapshot_ = std::move(snapshot);
}

bool Store::fail(QString* error, const QString& what, const QString& why) const {
    const QString text = QStringLiteral("Could not %1: %2.").arg(what, why);
    foundation::log(QStringLiteral("ERROR: ") + text);
    if (error) *error = text;
    return false;
}

QString Store::rootPath() const {
    return snapshot()->root;
}

QStringList Store::skippedFiles() const {
    return snapshot()->skippedFiles;
}

QList<CalendarPtr> Store::calendars() const {
    const auto s = snapshot();
    QList<CalendarPtr> out;
    out.reserve(qsizetype(s->calendars.size()));
    for (const auto& folder : s->calendars) out << std::make_shared<Calendar>(folder->calendar);
    return out;
}

CalendarPtr Store::calendarWithUID(const QString& uid) const {
    const auto s = snapshot();
    const auto* folder = s->calendar(uid);
    return folder ? std::make_shared<Calendar>(folder->calendar) : nullptr;
}

EventPredicate Store::eventPredicateWithStartDateEndDateCalendars(
    const QDateTime& startDate, const QDateTime& endDate, const QList<CalendarPtr>& calendars) {
    return EventPredicate{startDate, endDate, QString(), uidsOf(calendars)};
}

EventPredicate Store::eventPredicateWithStartDateEndDateUIDCalendars(
    const QDateTime& startDate, const QDateTime& endDate, const QString& uid,
    const QList<CalendarPtr>& calendars) {
    return EventPredicate{startDate, endDate, uid, uidsOf(calendars)};
}

QList<EventPtr> Store::eventsWithPredicate(const EventPredicate& predicate) const {
    QList<EventPtr> out;
    if (!predicate.startDate.isValid() || !predicate.endDate.isValid()) return out;
    const qint64 from = predicate.startDate.toSecsSinceEpoch();
    const qint64 to = predicate.endDate.toSecsSinceEpoch();
    if (to <= from) return out;

    const auto s = snapshot();
    const QTimeZone zone = storeTimeZone();
    const auto local = ZoneTable::forTimeZone(zone);

    struct Found {
        qint64 start;
        int calendarPosition;
        EventPtr event;
    };
    std::vector<Found> found;
    std::vector<detail::Occurrence> occurrences;
    detail::EventBatch batch(zone);
    QStringList seen;
    for (const QString& uid : predicate.calendarUIDs) {
        if (seen.contains(uid)) continue;
        seen << uid;
        const int position = s->calendarIndex.value(uid, -1);
        if (position < 0) continue;
        const auto& folder = s->calendars[size_t(position)];
        if (folder->calendar.holdsTasks()) continue;
        CalendarPtr calendar;  // one copy shared by this query's events of the calendar

        auto expand = [&](const std::shared_ptr<const detail::Series>& series) {
            occurrences.clear();
            detail::Series::Cut cut = detail::Series::Cut::None;
            const bool complete =
                series->occurrencesIn(from, to, *local, kMaxOccurrencesPerQuery, occurrences, &cut);
            if (!complete && !series->capReported.exchange(true)) {
                foundation::log(
                    cut == detail::Series::Cut::Work
                        ? QStringLiteral("WARNING: calendar file %1 has a rule that takes too "
                                         "long to expand; its later occurrences are left out")
                              .arg(series->path)
                        : QStringLiteral("WARNING: calendar file %1 has a rule giving more than "
                                         "%2 occurrences in one query; the rest are left out")
                              .arg(series->path)
                              .arg(kMaxOccurrencesPerQuery));
            }
            if (occurrences.empty()) return;
            if (!calendar) calendar = std::make_shared<Calendar>(folder->calendar);
            for (const auto& o : occurrences)
                found.push_back({o.startUtc, position,
                                 detail::EventAccess::make(series, o, calendar, batch, *local)});
        };
        if (!predicate.uid.isEmpty()) {
            if (auto series = folder->seriesByUid.value(predicate.uid)) expand(series);
        } else {
            for (const auto& series : folder->series) expand(series);
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        if (a.start != b.start) return a.start < b.start;
        if (a.calendarPosition != b.calendarPosition)
            return a.calendarPosition < b.calendarPosition;
        return a.event->uid() < b.event->uid();
    });
    out.reserve(qsizetype(found.size()));
    for (auto& f : found) out << std::move(f.event);
    return out;
}

EventPtr Store::eventWithUIDOccurrence(const QString& uid, const QDateTime& occurrence) const {
    const auto s = snapshot();
    const QTimeZone zone = storeTimeZone();
    const auto local = ZoneTable::forTimeZone(zone);
    for (const auto& folder : s->calendars) {
        const auto series = folder->seriesByUid.value(uid);
        if (!series) continue;
        const auto o = series->occurrenceAt(
            occurrence.isValid() ? std::optional<qint64>(occurrence.toSecsSinceEpoch())
                                 : std::nullopt,
            *local);
        if (!o) return nullptr;
        return detail::EventAccess::make(series, *o, std::make_shared<Calendar>(folder->calendar),
                                         zone, *local);
    }
    return nullptr;
}

TaskPredicate Store::taskPredicateWithCalendars(const QList<CalendarPtr>& calendars) {
    return TaskPredicate{TaskPredicate::Kind::All, QDateTime(), uidsOf(calendars)};
}

TaskPredicate Store::taskPredicateWithTasksCompletedSinceCalendars(
    const QDateTime& completedSince, const QList<CalendarPtr>& calendars) {
    return TaskPredicate{TaskPredicate::Kind::CompletedSince, completedSince, uidsOf(calendars)};
}

TaskPredicate Store::taskPredicateWithUncompletedTasks(const QList<CalendarPtr>& calendars) {
    return TaskPredicate{TaskPredicate::Kind::Uncompleted, QDateTime(), uidsOf(calendars)};
}

TaskPredicate Store::taskPredicateWithUncompletedTasksDueBeforeCalendars(
    const QDateTime& dueDate, const QList<CalendarPtr>& calendars) {
    return TaskPredicate{TaskPredicate::Kind::UncompletedDueBefore, dueDate, uidsOf(calendars)};
}

QList<TaskPtr> Store::tasksWithPredicate(const TaskPredicate& predicate) const {
    const auto s = snapshot();
    const QTimeZone zone = storeTimeZone();
    const auto local = ZoneTable::forTimeZone(zone);
    QList<TaskPtr> out;
    QStringList seen;
    for (const QString& uid : predicate.calendarUIDs) {
        if (seen.contains(uid)) continue;
        seen << uid;
        const auto* folder = s->calendar(uid);
        if (!folder) continue;
        const auto calendar = std::make_shared<Calendar>(folder->calendar);
        for (const auto& record : folder->tasks) {
            auto task = detail::TaskAccess::make(*record, calendar, zone, *local);
            bool keep = true;
            switch (predicate.kind) {
                case TaskPredicate::Kind::All:
                    break;
                case TaskPredicate::Kind::CompletedSince:
                    keep = task->isCompleted() &&
                           (!predicate.date.isValid() || task->completedDate() >= predicate.date);
                    break;
                case TaskPredicate::Kind::Uncompleted:
                    keep = !task->isCompleted();
                    break;
                case TaskPredicate::Kind::UncompletedDueBefore:
                    keep = !task->isCompleted() && task->dueDate().isValid() &&
                           task->dueDate() < predicate.date;
                    break;
            }
            if (keep) out << task;
        }
    }
    return out;
}

TaskPtr Store::taskWithUID(const QString& uid) const {
    const auto s = snapshot();
    const QTimeZone zone = storeTimeZone();
    const auto local = ZoneTable::forTimeZone(zone);
    for (const auto& folder : s->calendars) {
        if (const auto record = folder->tasksByUid.value(uid))
            return detail::TaskAccess::make(*record, std::make_shared<Calendar>(folder->calendar),
                                            zone, *local);
    }
    return nullptr;
}

// --- Writing -------------------------------------------------------------------------

namespace {

QString quoted(const QString& title) {
    return title.isEmpty() ? QStringLiteral("the untitled item")
                           : QStringLiteral("\"%1\"").arg(title);
}

}  // namespace

bool Store::saveCalendar(const CalendarPtr& calendar, QString* error) {
    if (!calendar)
        return fail(error, QStringLiteral("save the calendar"), QStringLiteral("none was given"));
    waitUntilLoaded();
    foundation::Guard guard(writeLock_);
    detail::StoreWriter writer(*this, snapshot());
    QString why;
    if (writer.saveCalendar(*calendar, &why)) return true;
    return fail(error, QStringLiteral("save the calendar %1").arg(quoted(calendar->title())), why);
}

bool Store::removeCalendar(const CalendarPtr& calendar, QString* error) {
    if (!calendar)
        return fail(error, QStringLiteral("remove the calendar"), QStringLiteral("none was given"));
    waitUntilLoaded();
    foundation::Guard guard(writeLock_);
    detail::StoreWriter writer(*this, snapshot());
    QString why;
    if (writer.removeCalendar(*calendar, &why)) return true;
    return fail(error, QStringLiteral("remove the calendar %1").arg(quoted(calendar->title())),
                why);
}

bool Store::saveEvent(const EventPtr& event, Span span, QString* error) {
    if (!event)
        return fail(error, QStringLiteral("save the event"), QStringLiteral("none was given"));
    waitUntilLoaded();
    foundation::Guard guard(writeLock_);
    detail::StoreWriter writer(*this, snapshot());
    QString why;
    if (writer.saveEvent(*event, span, &why)) return true;
    return fail(error, QStringLiteral("save the event %1").arg(quoted(event->title())), why);
}

bool Store::removeEvent(const EventPtr& event, Span span, QString* error) {
    if (!event)
        return fail(error, QStringLiteral("remove the event"), QStringLiteral("none was given"));
    waitUntilLoaded();
    foundation::Guard guard(writeLock_);
    detail::StoreWriter writer(*this, snapshot());
    QString why;
    if (writer.removeEvent(*event, span, &why)) return true;
    return fail(error, QStringLiteral("remove the event %1").arg(quoted(event->title())), why);
}

bool Store::saveTask(const TaskPtr& task, QString* error) {
    if (!task)
        return fail(error, QStringLiteral("save the task"), QStringLiteral("none was given"));
    waitUntilLoaded();
    foundation::Guard guard(writeLock_);
    detail::StoreWriter writer(*this, snapshot());
    QString why;
    if (writer.saveTask(*task, &why)) return true;
    return fail(error, QStringLiteral("save the task %1").arg(quoted(task->title())), why);
}

bool Store::removeTask(const TaskPtr& task, QString* error) {
    if (!task)
        return fail(error, QStringLiteral("remove the task"), QStringLiteral("none was given"));
    waitUntilLoaded();
    foundation::Guard guard(writeLock_);
    detail::StoreWriter writer(*this, snapshot());
    QString why;
    if (writer.removeTask(*task, &why)) return true;
    return fail(error, QStringLiteral("remove the task %1").arg(quoted(task->title())), why);
}

// --- Account groups ---------------------------------------------------------------------

QString Store::localGroupUID() {
    return detail::StoreSnapshot::defaultGroupUid(CalendarTypeLocal);
}

QList<GroupPtr> Store::groups() const {
    QList<GroupPtr> out;
    const auto s = snapshot();  // held while its groups are copied
    for (const auto& g : s->groups) out << std::make_shared<Group>(g.group);
    return out;
}

GroupPtr Store::groupWithUID(const QString& uid) const {
    const auto s = snapshot();
    const auto* g = s->group(uid);
    return g ? std::make_shared<Group>(g->group) : nullptr;
}

bool Store::saveGroup(const GroupPtr& group, QString* error) {
    if (!group)
        return fail(error, QStringLiteral("save the group"), QStringLiteral("none was given"));
    waitUntilLoaded();
    foundation::Guard guard(writeLock_);
    detail::StoreWriter writer(*this, snapshot());
    QString why;
    if (writer.saveGroup(*group, &why)) return true;
    return fail(error, QStringLiteral("save the group %1").arg(quoted(group->title())), why);
}

bool Store::removeGroup(const GroupPtr& group, QString* error) {
    if (!group)
        return fail(error, QStringLiteral("remove the group"), QStringLiteral("none was given"));
    waitUntilLoaded();
    foundation::Guard guard(writeLock_);
    detail::StoreWriter writer(*this, snapshot());
    QString why;
    if (writer.removeGroup(*group, &why)) return true;
    return fail(error, QStringLiteral("remove the group %1").arg(quoted(group->title())), why);
}

// --- Managed-object layer -------------------------------------------------------------------

ManagedObjectContextPtr Store::managedObjectContextForCurrentThread() {
    // One context per thread and store, kept while both live.
    struct Entry {
        std::weak_ptr<Store> store;
        ManagedObjectContextPtr context;
    };
    thread_local std::vector<Entry> contexts;
    std::erase_if(contexts, [](const Entry& e) { return e.store.expired(); });
    for (const auto& e : contexts)
        if (e.store.lock().get() == this) return e.context;
    auto context = std::make_shared<ManagedObjectContext>(weak_from_this());
    contexts.push_back({weak_from_this(), context});
    return context;
}

namespace {

QString managedCalendarClass(const QString& type) {
    if (type == CalendarTypeSubscription) return Capabilities::ManagedSubscribedCalendarClass;
    if (type == CalendarTypeBirthday) return Capabilities::ManagedBirthdayCalendarClass;
    if (type == CalendarTypeCalendarServer) return Capabilities::ManagedServerCalendarClass;
    if (type == CalendarTypeMailServer) return Capabilities::ManagedMailCalendarClass;
    return Capabilities::ManagedLocalCalendarClass;
}

ManagedGroupPtr managedGroup(const detail::GroupRecord& g) {
    const ManagedObjectID id = g.group.managedObjectID();
    const QString& type = g.group.type();
    if (type == GroupTypeCalendarServer)
        return std::make_shared<ManagedGroup>(id, Capabilities::ManagedPrincipalClass, g.principal);
    if (type == GroupTypeSubscription)
        return std::make_shared<ManagedGroup>(id, Capabilities::ManagedSubscriptionGroupClass);
    if (type == GroupTypeMailServer)
        return std::make_shared<ManagedGroup>(id, Capabilities::ManagedMailGroupClass);
    if (type == GroupTypeLocal)
        return std::make_shared<ManagedGroup>(id, Capabilities::ManagedLocalGroupClass);
    return std::make_shared<ManagedGroup>(id, QStringLiteral("CalManagedGroup"));
}

}  // namespace

ManagedObjectPtr Store::managedObjectWithID(const ManagedObjectID& id) const {
    const auto s = snapshot();
    switch (id.entity) {
        case ManagedObjectID::Entity::Calendar: {
            const auto* folder = s->calendar(id.uid);
            if (!folder) return nullptr;
            const auto* group = s->group(folder->groupUid);
            return std::make_shared<ManagedCalendar>(id,
                                                     managedCalendarClass(folder->calendar.type()),
                                                     group ? managedGroup(*group) : nullptr);
        }
        case ManagedObjectID::Entity::Group: {
            const auto* group = s->group(id.uid);
            return group ? managedGroup(*group) : nullptr;
        }
        case ManagedObjectID::Entity::Event: {
            const auto* folder = s->calendar(id.calendarUid);
            const auto series = folder ? folder->seriesByUid.value(id.uid) : nullptr;
            if (!series) return nullptr;
            if (!id.recurrenceId.isValid())
                return series->master
                           ? std::make_shared<ManagedEvent>(id, series->master->details.attendees)
                           : nullptr;
            const auto local = ZoneTable::forTimeZone(storeTimeZone());
            const qint64 at = id.recurrenceId.toSecsSinceEpoch();
            for (const auto& c : series->overrides)
                if (c.recurrenceId &&
                    detail::Series::recurrenceInstant(*c.recurrenceId, *local) == at)
                    return std::make_shared<ManagedEvent>(id, c.details.attendees);
            return nullptr;
        }
        case ManagedObjectID::Entity::None:
            break;
    }
    return nullptr;
}

bool Store::writeAttendees(const ManagedObjectID& id, const QList<AttendeePtr>& attendees,
                           QString* error) {
    waitUntilLoaded();
    foundation::Guard guard(writeLock_);
    detail::StoreWriter writer(*this, snapshot());
    QString why;
    if (writer.writeAttendees(id, attendees, &why)) return true;
    return fail(error, QStringLiteral("write the attendees of the event \"%1\"").arg(id.uid), why);
}

// --- Changes from other programs ----------------------------------------------------------

Store::~Store() {
    detail::StoreWatcher::stop(*this);
}

void Store::startWatching() {
    detail::StoreWatcher::start(*this);
}

void Store::scheduleRescan() {
    detail::StoreWatcher::schedule(*this);
}

bool Store::rescan() {
    return detail::StoreWatcher::rescan(*this);
}

}  // namespace calstore
