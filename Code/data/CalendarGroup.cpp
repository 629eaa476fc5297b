#include "data/CalendarGroup.h"

#include "data/Calendar.h"
#include "data/EMarker.h"

#include <algorithm>

CalendarGroup::CalendarGroup(const QString& name, int type)
    : shortName_(name), longName_(name), type_(type) {}

CalendarGroup::CalendarGroup(const QString& name, int type, const QString& origName)
    : CalendarGroup(name, type) {
    longName_ = origName;
}

const QList<SourceListItemPtr> CalendarGroup::elements() const {
    foundation::Guard guard(lock_);
    return unsharedCopy(elements_);
}

const QList<CalendarPtr> CalendarGroup::calendars() const {
    QList<CalendarPtr> result;
    for (const auto& element : elements())
        if (auto calendar = sourceItemAs<Calendar>(element)) result.append(calendar);
    return result;
}

const QList<EMarkerPtr> CalendarGroup::markers() const {
    QList<EMarkerPtr> result;
    for (const auto& element : elements())
        if (auto marker = sourceItemAs<EMarker>(element)) result.append(marker);
    return result;
}

QStringList CalendarGroup::elementNames() const {
    QStringList names;
    if (holdsCalendars()) {
        for (const auto& calendar : calendars()) names.append(calendar->title());
    } else if (holdsMarkers()) {
        for (const auto& marker : markers()) names.append(marker->title());
    }
    return names;
}

int CalendarGroup::count() const {
    foundation::Guard guard(lock_);
    return int(elements_.size());
}

void CalendarGroup::addElement(const SourceListItemPtr& element) {
    if (!element) return;
    foundation::Guard guard(lock_);
    elements_.append(element);
}

void CalendarGroup::removeElement(const SourceListItemPtr& element) {
    foundation::Guard guard(lock_);
    elements_.removeAll(element);
}

void CalendarGroup::exchangeObjectAtIndexWithObjectAtIndex(int first, int second) {
    foundation::Guard guard(lock_);
    const int n = int(elements_.size());
    if (first < 0 || second < 0 || first >= n || second >= n) return;
    elements_.swapItemsAt(first, second);
}

void CalendarGroup::moveObjectFromIndexToIndex(int from, int to) {
    foundation::Guard guard(lock_);
    if (from == to) return;
    const int target = to > from ? to - 1 : to;
    if (target == from) return;
    const int n = int(elements_.size());
    if (from < 0 || from >= n || target < 0 || target >= n) return;
    const SourceListItemPtr moved = elements_.takeAt(from);
    elements_.insert(target, moved);
}

void CalendarGroup::sort() {
    if (!holdsCalendars() && !holdsMarkers()) return;
    foundation::Guard guard(lock_);
    const auto sequence = [](const SourceListItemPtr& item) {
        if (auto calendar = sourceItemAs<Calendar>(item)) return calendar->sequenceNumber();
        if (auto marker = sourceItemAs<EMarker>(item)) return marker->sequenceNumber();
        return 0;
    };
    std::stable_sort(elements_.begin(), elements_.end(),
                     [&](const SourceListItemPtr& a, const SourceListItemPtr& b) {
                         return sequence(a) < sequence(b);
                     });
}

void CalendarGroup::removeICalendarWithUid(const QString& uid) {
    if (!holdsCalendars()) return;
    foundation::Guard guard(lock_);
    const int index = indexOfICalendarWithUid(uid);
    if (index >= 0) elements_.removeAt(index);
}

int CalendarGroup::indexOfICalendarWithUid(const QString& uid) const {
    if (!holdsCalendars()) return -1;
    foundation::Guard guard(lock_);
    for (int i = 0; i < elements_.size(); ++i) {
        const auto calendar = sourceItemAs<Calendar>(elements_.at(i));
        if (calendar && calendar->uid() == uid) return i;
    }
    return -1;
}

int CalendarGroup::indexOfItem(const SourceListItemPtr& item) const {
    foundation::Guard guard(lock_);
    return int(elements_.indexOf(item));
}

void CalendarGroup::updateICalendarWithUidWithData(const QString& uid,
                                                   const calstore::CalendarPtr& calendar) {
    if (auto element = calendarWithUID(uid)) element->setCalendar(calendar);
}

CalendarGroupPtr CalendarGroup::calendarGroupWithName(const QString& name) const {
    for (const auto& element : elements()) {
        const auto group = sourceItemAs<CalendarGroup>(element);
        if (!group) continue;
        if (group->shortName() == name) return group;
        if (auto inner = group->calendarGroupWithName(name)) return inner;
    }
    return nullptr;
}

CalendarPtr CalendarGroup::calendarWithUID(const QString& uid) const {
    if (!holdsCalendars()) return nullptr;
    for (const auto& calendar : calendars())
        if (calendar->uid() == uid) return calendar;
    return nullptr;
}

CalendarPtr CalendarGroup::calendarWithName(const QString& name) const {
    if (!holdsCalendars()) return nullptr;
    for (const auto& calendar : calendars())
        if (calendar->title() == name) return calendar;
    return nullptr;
}

CalendarPtr CalendarGroup::firstCalendarInList() const {
    if (!holdsCalendars()) return nullptr;
    for (const auto& calendar : calendars())
        if (calendar->calendarType() == Calendar::kTypeNormal) return calendar;
    return nullptr;
}

EMarkerPtr CalendarGroup::markerWithUID(const QString& uid) const {
    if (!holdsMarkers()) return nullptr;
    for (const auto& marker : markers())
        if (marker->uID() == uid) return marker;
    return nullptr;
}

EMarkerPtr CalendarGroup::markerWithName(const QString& name) const {
    if (!holdsMarkers()) return nullptr;
    for (const auto& marker : markers())
        if (marker->title() == name) return marker;
    return nullptr;
}

bool CalendarGroup::nameHasDuplicateAside(const QString& name,
                                          const SourceListItemPtr& element) const {
    if (!holdsCalendars() && !holdsMarkers()) return false;
    for (const auto& other : elements()) {
        if (other == element) continue;
        if (auto calendar = sourceItemAs<Calendar>(other)) {
            if (calendar->title() == name) return true;
        } else if (auto marker = sourceItemAs<EMarker>(other)) {
            if (marker->title() == name) return true;
        }
    }
    return false;
}

std::optional<QMap<QString, QString>> CalendarGroup::allMarkerCalendars() const {
    if (!holdsCalendars()) return std::nullopt;
    QMap<QString, QString> result;
    for (const auto& calendar : calendars())
        if (calendar->calendarType() == Calendar::kTypeMarker)
            result.insert(calendar->uid(), calendar->title());
    return result;
}
