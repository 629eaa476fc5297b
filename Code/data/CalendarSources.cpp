#include "data/CalendarSources.h"

#include "data/MyEventStore.h"
#include "data/OutlineViewSpacer.h"
#include "data/SourceListOutline.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/Localized.h"

#include <optional>

using foundation::Defaults;
using foundation::Guard;

namespace {

QString localGroupName() {
    return foundation::localized(QStringLiteral("csCalendarGroupNameLocal"),
                                 QStringLiteral("Local"));
}

QString subscriptionGroupName() {
    return foundation::localized(QStringLiteral("csCalendarGroupNameSubscription"),
                                 QStringLiteral("Subscriptions"));
}

QString remindersGroupName() {
    return foundation::localized(QStringLiteral("csCalendarGroupNameReminders"),
                                 QStringLiteral("Reminders"));
}

// A preference group as it is stored now; an absent group gives nothing.
std::optional<appPref> savedGroup(const QString& name) {
    const QVariant value = Defaults::standard().objectForKey(name);
    if (value.typeId() != QMetaType::QVariantMap) return std::nullopt;
    return appPref::fromMap(value.toMap());
}

// The store calendar's settings, as "AppPref Calendars" keeps them for it.
QVariantMap calendarEntry(const Calendar& calendar, const calstore::Calendar& storeCalendar,
                          int sequence) {
    appPref entry;
    entry.setObject(QStringLiteral("Name"), storeCalendar.title());
    entry.setBoolForKey(calendar.isSelected(), QStringLiteral("Selected"));
    entry.setIntForKey(calendar.calendarType(), QStringLiteral("Calendar Type"));
    entry.setObject(QStringLiteral("CalStore Type"), storeCalendar.type());
    entry.setIntForKey(sequence, QStringLiteral("Sequence"));
    return entry.toVariantMap();
}

}  // namespace

CalendarSources::CalendarSources() : iCalStore(MyEventStore::defaultCalendarStore()) {}

CalendarSources::~CalendarSources() {
    foundation::NotificationCenter::defaultCenter().removeObserver(this);
}

bool CalendarSources::readShowReminders() {
    // A copy: a missing key reads as off and is not written back.
    appPref general = appPref::fromMap(Defaults::standard().dictionaryForKey(kGeneralPrefs));
    return general.boolForKey(kShowReminders);
}

// --- Loading -------------------------------------------------------------------------

void CalendarSources::loadCalendarsFromICal() {
    std::optional<appPref> saved = savedGroup(kCalendarsPrefs);
    {
        Guard guard(lock_);
        showReminderCalendars_ = readShowReminders();
    }
    prepareCalendarGroups();

    const QList<calstore::CalendarPtr> storeCalendars = MyEventStore::calendars();
    QSet<QString> storeUIDs;
    for (const auto& storeCalendar : storeCalendars) storeUIDs.insert(storeCalendar->uid());

    for (const auto& storeCalendar : storeCalendars) {
        auto calendar = std::make_shared<Calendar>(storeCalendar);
        if (saved) restoreCalendarSettings(calendar, *saved, storeUIDs);
        sortCalendarIntoGroups(calendar);
    }
    finishLoadingCalendarsFromICal();
}

void CalendarSources::prepareCalendarGroups() {
    // The store is asked first, outside the lock, so that the lock is never held
    // while the store works.
    const std::optional<QList<MyStoreGroupPtr>> storeGroups = MyEventStore::groups();
    bool subscriptions = false, reminders = false;
    if (storeGroups) {
        for (const auto& storeCalendar : MyEventStore::calendars()) {
            subscriptions = subscriptions ||
                            storeCalendar->type() == calstore::CalendarTypeSubscription ||
                            storeCalendar->type() == calstore::CalendarTypeBirthday;
            reminders = reminders || MyEventStore::calendarIsReminder(storeCalendar);
        }
    }

    Guard guard(lock_);
    iCalGroup = std::make_shared<CalendarGroup>(localGroupName().toUpper(),
                                                CalendarGroup::kTypeLocal, localGroupName());
    listOfSources_.append(std::make_shared<OutlineViewSpacer>());
    listOfSources_.append(iCalGroup);
    if (!storeGroups) return;  // without account groups every calendar is local

    const auto addGroup = [&](const QString& key, const QString& title, int type, bool listed) {
        const auto group = std::make_shared<CalendarGroup>(title.toUpper(), type, title);
        allCalGroups.insert(key, group);
        if (!listed) return;
        listOfSources_.append(std::make_shared<OutlineViewSpacer>());
        listOfSources_.append(group);
    };
    for (const auto& storeGroup : *storeGroups) {
        if (storeGroup->groupType() == 1)
            addGroup(storeGroup->uid(), storeGroup->title(), CalendarGroup::kTypeCalendarServer,
                     true);
        else if (storeGroup->groupType() == 4)
            addGroup(storeGroup->uid(), storeGroup->title(), CalendarGroup::kTypeMailServer, true);
    }
    if (subscriptions)
        addGroup(calstore::CalendarTypeSubscription, subscriptionGroupName(),
                 CalendarGroup::kTypeSubscriptions, true);
    if (reminders)
        addGroup(kRemindersGroupKey, remindersGroupName(), CalendarGroup::kTypeReminders,
                 showReminderCalendars_);
}

void CalendarSources::restoreCalendarSettings(const CalendarPtr& calendar, appPref& saved,
                                              const QSet<QString>& storeUIDs) {
    const auto restoreFrom = [&](appPref& entry) {
        calendar->setSelected(entry.boolForKey(QStringLiteral("Selected")));
        calendar->setCalendarType(entry.intForKey(QStringLiteral("Calendar Type")));
        calendar->setSequenceNumber(entry.intForKey(QStringLiteral("Sequence")));
    };

    const QString uid = calendar->uid();
    if (std::optional<appPref> own = saved.dictForKey(uid); own && !own->isEmpty()) {
        restoreFrom(*own);
        return;
    }

    // A calendar whose identifier changed (an account set up again, a calendar
    // imported anew) finds its settings by title and store type. Entries of
    // calendars that are still in the store belong to those: taking them over
    // would also hand their markers to this calendar.
    const QString title = calendar->title();
    const QString storeType = calendar->calendarOSType();
    for (const QString& key : saved.keys()) {
        if (storeUIDs.contains(key)) continue;
        std::optional<appPref> entry = saved.dictForKey(key);
        if (!entry) continue;
        const QString name = entry->object(QStringLiteral("Name")).toString();
        const QString savedType = entry->object(QStringLiteral("CalStore Type")).toString();
        const bool matches =
            savedType.isEmpty() ? name == title : (name == title && savedType == storeType);
        if (!matches) continue;
        restoreFrom(*entry);
        Guard guard(lock_);
        calIDtranslation_.insert(key, uid);
        return;
    }
}

void CalendarSources::sortCalendarIntoGroups(const CalendarPtr& calendar) {
    if (!calendar) return;
    const calstore::CalendarPtr storeCalendar = calendar->calendar();
    const QString storeType = calendar->calendarOSType();

    // The store's answers first, outside the lock; the first rule that applies
    // chooses the group.
    QString groupKey;
    bool reminder = false;
    if (storeType == calstore::CalendarTypeSubscription ||
        storeType == calstore::CalendarTypeBirthday) {
        groupKey = calstore::CalendarTypeSubscription;
    } else if (storeCalendar && MyEventStore::calendarIsReminder(storeCalendar)) {
        groupKey = kRemindersGroupKey;
        reminder = true;
    } else if (storeCalendar && MyEventStore::calendarIsSubscribed(storeCalendar)) {
        groupKey = calstore::CalendarTypeSubscription;
    } else if (storeCalendar) {
        if (const MyStoreGroupPtr storeGroup = MyEventStore::groupOfCalendar(storeCalendar))
            groupKey = storeGroup->uid();
    }

    CalendarGroupPtr group;
    {
        Guard guard(lock_);
        if (showReminderCalendars_ || !reminder) allCalendars_.append(calendar);
        group = groupKey.isNull() ? nullptr : allCalGroups.value(groupKey);
        if (!group) group = iCalGroup;
        if (!group) return;  // before the groups were built
        calendar->setSourceStore(group->shortName());
        group->addElement(calendar);
    }
}

void CalendarSources::finishLoadingCalendarsFromICal() {
    for (const auto& group : calendarGroupsLocalFirst()) group->sort();
    // A store still reading the calendars' events reads them in the order the
    // year pages take them.
    if (iCalStore) {
        QStringList order;
        for (const auto& calendar : allCalendars()) order << calendar->uid();
        iCalStore->readEventsFirst(order);
    }
    saveCalendarConfig();
    startObservingStoreChanges();

    if (observingCalendars_.exchange(true)) return;
    foundation::NotificationCenter::defaultCenter().addObserver(
        this, calendarSelectionChangedNotification, nullptr,
        [this](const foundation::Notification& n) { calendarSelectionChange(n); });
}

void CalendarSources::loadMarkers() {
    std::optional<appPref> saved = savedGroup(kMarkersPrefs);
    auto group = std::make_shared<CalendarGroup>(kMarkersGroupName, CalendarGroup::kTypeMarkers);
    const QHash<QString, QString> translation = calIDtranslation();

    if (saved) {
        for (const QString& key : saved->keys()) {
            std::optional<appPref> entry = saved->dictForKey(key);
            if (!entry) continue;
            auto marker = std::make_shared<EMarker>(key);
            marker->setTitle(entry->object(QStringLiteral("Name")).toString());
            marker->setSelected(entry->boolForKey(QStringLiteral("Selected")));
            marker->setNotes(entry->object(QStringLiteral("Description")).toString());
            marker->setColor(entry->colorForKey(QStringLiteral("Color")));
            marker->setMarkerType(entry->intForKey(QStringLiteral("Type")));
            marker->setCalendarUID(entry->object(QStringLiteral("Calendar")).toString());
            // A missing date is no date: read as 0 it would stretch the span back to 1970.
            for (const QString& date : {QStringLiteral("First"), QStringLiteral("Last")})
                if (entry->contains(date)) marker->appliedToDate(entry->doubleForKey(date));
            marker->setSequenceNumber(entry->intForKey(QStringLiteral("Sequence")));
            marker->setNotNew();

            const QString translated = translation.value(marker->calendarUID());
            if (!translated.isEmpty()) marker->setCalendarUID(translated);

            if (const CalendarPtr calendar = calendarWithUID(marker->calendarUID())) {
                if (calendar->calendarType() != Calendar::kTypeMarker)
                    marker->setErrorMsg(foundation::localized(
                        QStringLiteral("markerErrorBadCalendar"),
                        QStringLiteral("The calendar of this marker is no marker calendar.")));
            } else {
                marker->setCalendarUID(QStringLiteral(""));
            }
            group->addElement(marker);
        }
    }
    group->sort();

    {
        Guard guard(lock_);
        markersGroup_ = group;
        listOfSources_.append(std::make_shared<OutlineViewSpacer>());
        listOfSources_.append(group);
    }
    saveMarkerConfig();

    if (observingMarkers_.exchange(true)) return;
    foundation::NotificationCenter::defaultCenter().addObserver(
        this, markerSelectionChangedNotification, nullptr,
        [this](const foundation::Notification& n) { markerSelectionChange(n); });
}

// --- Configuration ---------------------------------------------------------------------

void CalendarSources::saveCalendarConfig() {
    // The whole save holds the lock: the lists cannot change under it, and two
    // saves never overtake each other with older pictures.
    Guard guard(lock_);
    QVariantMap record;
    for (const auto& group : calendarGroupsLocalFirst()) {
        int sequence = 0;
        for (const auto& calendar : group->calendars()) {
            // A calendar just started in its sheet has no store calendar, and
            // no identifier, yet.
            if (const calstore::CalendarPtr storeCalendar = calendar->calendar())
                record.insert(storeCalendar->uid(),
                              calendarEntry(*calendar, *storeCalendar, sequence));
            ++sequence;
        }
    }
    Defaults::standard().setObject(kCalendarsPrefs, record);
}

void CalendarSources::saveMarkerConfig() {
    Guard guard(lock_);
    if (!markersGroup_) return;
    QVariantMap record;
    int sequence = 0;
    for (const auto& marker : markersGroup_->markers()) {
        appPref entry;
        entry.setBoolForKey(marker->isSelected(), QStringLiteral("Selected"));
        entry.setObject(QStringLiteral("Name"), marker->title());
        entry.setObject(QStringLiteral("Description"), marker->notes());
        entry.setColorForKey(marker->color(), QStringLiteral("Color"));
        entry.setIntForKey(marker->markerType(), QStringLiteral("Type"));
        const QString calendarUID = marker->calendarUID();
        entry.setObject(QStringLiteral("Calendar"),
                        calendarUID.isNull() ? QStringLiteral("") : calendarUID);
        entry.setDoubleForKey(marker->earliestMarkerApplied(), QStringLiteral("First"));
        entry.setDoubleForKey(marker->latestMarkerApplied(), QStringLiteral("Last"));
        entry.setIntForKey(sequence++, QStringLiteral("Sequence"));
        record.insert(marker->uID(), entry.toVariantMap());
    }
    Defaults::standard().setObject(kMarkersPrefs, record);
}

void CalendarSources::calendarSelectionChange(const foundation::Notification&) {
    const std::shared_ptr<CalendarSources> self = weak_from_this().lock();
    if (!self) {
        saveCalendarConfig();
        return;
    }
    foundation::startThread([self] { self->saveCalendarConfig(); });
}

void CalendarSources::markerSelectionChange(const foundation::Notification&) {
    const std::shared_ptr<CalendarSources> self = weak_from_this().lock();
    if (!self) {
        saveMarkerConfig();
        return;
    }
    foundation::startThread([self] { self->saveMarkerConfig(); });
}

void CalendarSources::checkShowReminders() {
    const bool show = readShowReminders();
    SourceListOutline* view = nullptr;
    {
        Guard guard(lock_);
        if (show == showReminderCalendars_) return;
        const CalendarGroupPtr reminders = allCalGroups.value(kRemindersGroupKey);
        if (reminders) {
            const qsizetype index = listOfSources_.indexOf(reminders);
            if (show && index < 0) {
                // Before the markers group, which stays the last one.
                const qsizetype at = std::max<qsizetype>(0, listOfSources_.size() - 1);
                listOfSources_.insert(at, reminders);
                listOfSources_.insert(at + 1, std::make_shared<OutlineViewSpacer>());
            } else if (!show && index >= 0) {
                listOfSources_.removeAt(index);
                if (index < listOfSources_.size()) listOfSources_.removeAt(index);
            }
            for (const auto& calendar : reminders->calendars()) {
                allCalendars_.removeAll(calendar);
                if (show) allCalendars_.append(calendar);
            }
        }
        showReminderCalendars_ = show;
        view = theOutlineView;
    }
    if (view) view->reloadData();
    foundation::NotificationCenter::defaultCenter().post(calendarSelectionChangedNotification,
                                                         this);
}

// --- Look-ups ---------------------------------------------------------------------------

const QList<CalendarGroupPtr> CalendarSources::calendarGroupsLocalFirst() const {
    Guard guard(lock_);
    QList<CalendarGroupPtr> groups;
    if (iCalGroup) groups.append(iCalGroup);
    for (const auto& group : allCalGroups) groups.append(group);
    return groups;
}

const QList<CalendarPtr> CalendarSources::allCalendars() const {
    Guard guard(lock_);
    return unsharedCopy(allCalendars_);
}

QStringList CalendarSources::configuredMarkerNames() const {
    const CalendarGroupPtr markers = markersGroup();
    return markers ? markers->elementNames() : QStringList();
}

QStringList CalendarSources::configuredCalendarNames() const {
    QStringList names;
    for (const auto& calendar : allCalendars()) names.append(calendar->title());
    return names;
}

QMap<QString, QString> CalendarSources::allMarkerCalendars() const {
    QMap<QString, QString> result;
    for (const auto& group : calendarGroupsLocalFirst()) {
        const auto stores = group->allMarkerCalendars();
        if (!stores) continue;
        for (auto it = stores->cbegin(); it != stores->cend(); ++it)
            result.insert(it.key(), it.value());
    }
    return result;
}

CalendarPtr CalendarSources::calendarWithUID(const QString& uid) const {
    for (const auto& group : calendarGroupsLocalFirst())
        if (CalendarPtr calendar = group->calendarWithUID(uid)) return calendar;
    return nullptr;
}

CalendarPtr CalendarSources::calendarWithName(const QString& name) const {
    for (const auto& group : calendarGroupsLocalFirst())
        if (CalendarPtr calendar = group->calendarWithName(name)) return calendar;
    return nullptr;
}

CalendarGroupPtr CalendarSources::groupOfCalendar(const CalendarPtr& calendar) const {
    if (!calendar) return nullptr;
    for (const auto& group : calendarGroupsLocalFirst())
        if (group->indexOfItem(calendar) >= 0) return group;
    return nullptr;
}

CalendarPtr CalendarSources::firstCalendarInList() const {
    for (const auto& group : calendarGroupsLocalFirst())
        if (CalendarPtr calendar = group->firstCalendarInList()) return calendar;
    return nullptr;
}

CalendarPtr CalendarSources::firstMarkerCalendar() const {
    for (const auto& group : calendarGroupsLocalFirst())
        for (const auto& calendar : group->calendars())
            if (calendar->calendarType() == Calendar::kTypeMarker) return calendar;
    return nullptr;
}

EMarkerPtr CalendarSources::markerWithName(const QString& name) const {
    const CalendarGroupPtr markers = markersGroup();
    return markers ? markers->markerWithName(name) : nullptr;
}

EMarkerPtr CalendarSources::markerWithUID(const QString& uid) const {
    const CalendarGroupPtr markers = markersGroup();
    return markers ? markers->markerWithUID(uid) : nullptr;
}

QStringList CalendarSources::knownCalendarGroupNames() const {
    QStringList names{localGroupName()};
    Guard guard(lock_);
    for (const auto& group : allCalGroups) names.append(group->longName());
    return names;
}

QMap<QString, CalendarGroupPtr> CalendarSources::allCalendarGroups() const {
    Guard guard(lock_);
    QMap<QString, CalendarGroupPtr> copy;
    for (auto it = allCalGroups.cbegin(); it != allCalGroups.cend(); ++it)
        copy.insert(it.key(), it.value());
    return copy;
}

SourceListItemPtr CalendarSources::selectedItem() const {
    SourceListOutline* view = outlineView();
    if (!view) return nullptr;
    const int row = view->selectedRow();
    return row < 0 ? nullptr : view->itemAtRow(row);
}

CalendarPtr CalendarSources::selectedCalendar() const {
    return sourceItemAs<Calendar>(selectedItem());
}

bool CalendarSources::calendarIsSelected() const {
    return selectedCalendar() != nullptr;
}

int CalendarSources::typeOfSelectedCalendar() const {
    const CalendarPtr calendar = selectedCalendar();
    return calendar ? calendar->calendarType() : 0;
}

bool CalendarSources::markerIsSelected() const {
    return sourceItemAs<EMarker>(selectedItem()) != nullptr;
}

void CalendarSources::ensureCalendarIsSelected(const SourceListItemPtr& item) {
    SourceListOutline* view = outlineView();
    if (!view || !item) return;
    const int row = view->rowForItem(item);
    if (row >= 0) view->selectRow(row);
}

void CalendarSources::setOutlineView(SourceListOutline* view) {
    Guard guard(lock_);
    theOutlineView = view;
}

SourceListOutline* CalendarSources::outlineView() const {
    Guard guard(lock_);
    return theOutlineView;
}

const QList<SourceListItemPtr> CalendarSources::listOfSources() const {
    Guard guard(lock_);
    return unsharedCopy(listOfSources_);
}

CalendarGroupPtr CalendarSources::localGroup() const {
    Guard guard(lock_);
    return iCalGroup;
}

CalendarGroupPtr CalendarSources::markersGroup() const {
    Guard guard(lock_);
    return markersGroup_;
}

bool CalendarSources::showReminderCalendars() const {
    Guard guard(lock_);
    return showReminderCalendars_;
}

QHash<QString, QString> CalendarSources::calIDtranslation() const {
    Guard guard(lock_);
    QHash<QString, QString> copy;
    for (auto it = calIDtranslation_.cbegin(); it != calIDtranslation_.cend(); ++it)
        copy.insert(it.key(), it.value());
    return copy;
}
