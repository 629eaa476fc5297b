// The commands of the source list on the selected calendar or marker: the
// information and edit sheets, purge and delete, new calendars and markers, and
// renaming in place. The windows they open are reached through Services.
#include "data/CalendarSources.h"
#include "data/SourceListOutline.h"
#include "platform/foundation/Log.h"

using foundation::Guard;

namespace {

CalendarSources::Services& installedServices() {
    static CalendarSources::Services services;
    return services;
}

template <typename Fn, typename... Args>
void call(const Fn& fn, Args&&... args) {
    if (fn) fn(std::forward<Args>(args)...);
}

}  // namespace

void CalendarSources::changeServices(const std::function<void(Services&)>& change) {
    change(installedServices());
}

const CalendarSources::Services& CalendarSources::services() {
    return installedServices();
}

SourceListItemPtr CalendarSources::selectedItemClosingDayPopup() {
    const SourceListItemPtr item = selectedItem();
    if (item) call(services().closeDayPopup);
    return item;
}

void CalendarSources::entryDoubleClick(bool optionHeld) {
    const SourceListItemPtr item = selectedItemClosingDayPopup();
    SourceListOutline* view = outlineView();
    const QRectF rect = view ? view->rectOfSourceRow(view->selectedRow()) : QRectF();
    if (const CalendarPtr calendar = sourceItemAs<Calendar>(item)) {
        editedCalendar_ = calendar;
        if (calendar->calendarType() == Calendar::kTypeBirthday)
            call(services().openBirthdaySheet, calendar);
        else if (calendar->calendarType() == Calendar::kTypeHoliday)
            call(services().openHolidaySheet, calendar);
        else if (optionHeld)
            entryEdit();
        else
            call(services().hoverShowForCalendar, calendar, rect, view);
    } else if (const EMarkerPtr marker = sourceItemAs<EMarker>(item)) {
        editedMarker_ = marker;
        if (optionHeld)
            entryEdit();
        else
            call(services().hoverShowForMarker, marker, rect, view);
    }
}

void CalendarSources::entryEdit() {
    const SourceListItemPtr item = selectedItemClosingDayPopup();
    if (const CalendarPtr calendar = sourceItemAs<Calendar>(item)) {
        editedCalendar_ = calendar;
        call(services().openCalendarSheet, calendar);
    } else if (const EMarkerPtr marker = sourceItemAs<EMarker>(item)) {
        editedMarker_ = marker;
        call(services().openMarkerSheet, marker);
    }
}

void CalendarSources::purgeEvents() {
    const CalendarPtr calendar = selectedCalendar();
    if (!calendar) return;
    editedCalendar_ = calendar;
    call(services().closeDayPopup);
    call(services().openPurgeSheet, calendar);
}

void CalendarSources::deleteEntry() {
    const SourceListItemPtr item = selectedItemClosingDayPopup();
    if (const CalendarPtr calendar = sourceItemAs<Calendar>(item)) {
        editedCalendar_ = calendar;
        call(services().openCalendarDeleteSheet, calendar);
    } else if (const EMarkerPtr marker = sourceItemAs<EMarker>(item)) {
        editedMarker_ = marker;
        call(services().openMarkerDeleteSheet, marker);
    }
}

// --- New calendars and markers -------------------------------------------------------

QString CalendarSources::firstFreeTitle(const CalendarGroupPtr& group, const QString& base,
                                        const SourceListItemPtr& passOver) {
    if (!group || !group->nameHasDuplicateAside(base, passOver)) return base;
    for (int counter = 1;; ++counter) {
        const QString candidate = QStringLiteral("%1-%2").arg(base).arg(counter);
        if (!group->nameHasDuplicateAside(candidate, passOver)) return candidate;
    }
}

void CalendarSources::appendAndEdit(const CalendarGroupPtr& group, const SourceListItemPtr& item) {
    SourceListOutline* view = outlineView();
    if (view) view->expandSourceItem(group);
    {
        Guard guard(lock_);
        group->addElement(item);
        if (auto calendar = sourceItemAs<Calendar>(item)) allCalendars_.append(calendar);
    }
    if (!view) return;
    view->reloadData();
    view->expandSourceItem(group);
    const int row = view->rowForItem(item);
    if (row >= 0) view->selectRow(row);
    entryEdit();
}

void CalendarSources::newCalendar() {
    // Only the sheet turns the new calendar into a store calendar, or takes it
    // away again on Cancel; without it the row would stay half made.
    const CalendarGroupPtr group = localGroup();
    if (!group || !services().openCalendarSheet) return;
    auto calendar = std::make_shared<Calendar>();
    calendar->setTitle(firstFreeTitle(group, calendar->title(), nullptr));
    editedCalendar_ = calendar;
    appendAndEdit(group, calendar);
}

void CalendarSources::newMarker() {
    const CalendarGroupPtr group = markersGroup();
    if (!group || !services().openMarkerSheet) return;
    auto marker = std::make_shared<EMarker>();
    marker->setTitle(firstFreeTitle(group, marker->title(), nullptr));
    editedMarker_ = marker;
    appendAndEdit(group, marker);
}

void CalendarSources::removeEditedCalendar() {
    const CalendarPtr calendar = editedCalendar_;
    if (!calendar) return;
    const CalendarGroupPtr group = groupOfCalendar(calendar);
    {
        Guard guard(lock_);
        if (group) group->removeElement(calendar);
        allCalendars_.removeAll(calendar);
    }
    deselectAndReload();
}

void CalendarSources::removeEditedMarker() {
    const EMarkerPtr marker = editedMarker_;
    const CalendarGroupPtr group = markersGroup();
    if (!marker) return;
    if (group) {
        Guard guard(lock_);
        group->removeElement(marker);
    }
    deselectAndReload();
}

void CalendarSources::deselectAndReload() {
    if (SourceListOutline* view = outlineView()) {
        view->deselectAllRows();
        view->reloadData();
    }
}

// --- Renaming in place -----------------------------------------------------------------

bool CalendarSources::titleIsLocked(const CalendarPtr& calendar) const {
    if (!calendar) return false;
    const calstore::CalendarPtr stored = calendar->calendar();
    if (stored && stored->type() == calstore::CalendarTypeBirthday) return true;
    const CalendarGroupPtr group = groupOfCalendar(calendar);
    return group && group->type() == CalendarGroup::kTypeSubscriptions;
}

bool CalendarSources::updateNameOf(const SourceListItemPtr& item, const QString& title) {
    if (title.isEmpty()) return false;
    if (const CalendarPtr calendar = sourceItemAs<Calendar>(item)) {
        if (titleIsLocked(calendar)) return false;
        const QString old = calendar->title();
        calendar->setTitle(firstFreeTitle(groupOfCalendar(calendar), title, calendar));
        const calstore::CalendarPtr stored = calendar->calendar();
        if (!stored) return true;  // a new calendar: its sheet saves it
        if (saveStoreCalendar(calendar)) return true;
        // The list keeps showing what the store holds.
        calendar->setTitle(old);
        foundation::log(QStringLiteral("oops, updating calendar to iCal failed"));
        if (SourceListOutline* view = outlineView()) view->reloadData();
        return false;
    }
    if (const EMarkerPtr marker = sourceItemAs<EMarker>(item)) {
        marker->setTitle(firstFreeTitle(markersGroup(), title, marker));
        saveMarkerConfig();
        return true;
    }
    return false;
}

void CalendarSources::serverValid(const QVariantMap& conf, QObject* context,
                                  Services::ProbeAnswer done) {
    if (const auto& probe = services().serverValid) return probe(conf, context, std::move(done));
    if (done) done(false);
}

void CalendarSources::serverReachable(QVariantMap& conf, QObject* context,
                                      Services::ProbeAnswer done) {
    if (const auto& probe = services().serverReachable)
        return probe(conf, context, std::move(done));
    if (done) done(false);
}

void CalendarSources::serverConfigCheckReplyToSelector(const QVariantMap& conf, QObject* replyTo,
                                                       std::function<void(const QString&)> reply) {
    call(services().serverConfigCheck, conf, replyTo, std::move(reply));
}

void CalendarSources::endServerConfigCheck(const QVariantMap& conf) {
    call(services().endServerCheck, conf, false);
}

void CalendarSources::killServerConfigCheck(const QVariantMap& conf) {
    call(services().endServerCheck, conf, true);
}
