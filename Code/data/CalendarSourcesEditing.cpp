// What the calendar and marker sheets hand back, deletions, the setup
// assistant's calendars and markers, and the consistency check.
#include "data/CalendarSources.h"
#include "data/MainWindowHooks.h"
#include "data/SourceListOutline.h"
#include "data/YearViewEventLoader.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"

#include <QDate>

#include <exception>

using foundation::Guard;

namespace {

bool colorsDiffer(const QColor& a, const QColor& b) {
    return a.rgba64() != b.rgba64();
}

// The colour of a calendar the setup assistant makes, by calendar type.
QColor assistantColorForType(int type) {
    switch (type) {
        case Calendar::kTypeHoliday:
            return QColor::fromRgbF(1, 1, 0);
        case Calendar::kTypeBirthday:
            return QColor::fromRgbF(1, 0.5, 0);
        case Calendar::kTypeMarker:
            return QColor::fromRgbF(0.5, 0, 0.5);
        default:
            return QColor::fromRgbF(0, 1, 0);
    }
}

QString storeMessage(const QString& error) {
    return error.isEmpty() ? QStringLiteral("The calendar could not be saved.") : error;
}

}  // namespace

void CalendarSources::reloadOutline() {
    if (SourceListOutline* view = outlineView()) view->reloadData();
}

void CalendarSources::expandInOutline(const CalendarGroupPtr& group) {
    if (SourceListOutline* view = outlineView(); view && group) view->expandSourceItem(group);
}

void CalendarSources::postTypeOrColorChanged() {
    foundation::NotificationCenter::defaultCenter().post(calendarTypeOrColorChangedNotification,
                                                         this);
}

bool CalendarSources::saveStoreCalendar(const CalendarPtr& calendar) {
    QString error;
    const calstore::CalendarPtr stored = calendar->calendar();
    if (stored && iCalStore && iCalStore->saveCalendar(stored, &error)) {
        calendar->setUpdateError(QString());
        return true;
    }
    calendar->setUpdateError(storeMessage(error));
    return false;
}

YearViewEventLoaderPtr CalendarSources::loaderForCurrentPage(YearViewTargetPtr* page) const {
    *page = services().currentYearPage ? services().currentYearPage() : nullptr;
    const int year = *page ? (*page)->year() : QDate::currentDate().year();
    return YearViewEventLoader::newEventLoaderForYear(year);
}

// --- Marker stores ------------------------------------------------------------------

void CalendarSources::checkAllMarkers() {
    const CalendarGroupPtr group = markersGroup();
    if (!group) return;
    for (const auto& marker : group->markers()) {
        const CalendarPtr store = calendarWithUID(marker->calendarUID());
        if (!store)
            marker->setCalendarUID(QString(""));
        else if (store->calendarType() != Calendar::kTypeMarker)
            marker->setErrorMsg(foundation::localized(QStringLiteral("markerErrorBadCalendar")));
        else
            marker->setErrorMsg(QString(""));
    }
}

// --- The calendar sheet ------------------------------------------------------------------

bool CalendarSources::calendarUpdatedWithData(const QVariantMap& data) {
    const CalendarPtr calendar = editedCalendar_;
    if (!calendar) return true;
    const CalendarGroupPtr group = groupOfCalendar(calendar);
    if (!group && !allCalendars().contains(calendar)) {
        foundation::log(QStringLiteral("calendar???"));
        return true;
    }
    const QString title = data.value(QStringLiteral("title")).toString();
    if (group && group->nameHasDuplicateAside(title, calendar)) return false;

    const QString notes = data.value(QStringLiteral("notes")).toString();
    const QColor color = data.value(QStringLiteral("color")).value<QColor>();
    const int type = data.value(QStringLiteral("type")).toInt();
    const bool titleChanged = calendar->title() != title;
    const bool notesChanged = calendar->notes() != notes;
    const bool colorChanged = colorsDiffer(calendar->color(), color);
    const bool typeChanged = calendar->calendarType() != type;
    const bool isNew = calendar->isNew();

    if (isNew) calendar->setCalendar(calstore::Calendar::calendar());
    calendar->setColor(color);
    calendar->setTitle(title);
    calendar->setNotes(notes);
    calendar->setCalendarType(type);
    if (typeChanged) checkAllMarkers();
    if (titleChanged || colorChanged || notesChanged || isNew) {
        if (!saveStoreCalendar(calendar)) {
            foundation::log(QStringLiteral("oops, updating calendar to iCal failed"));
            // A calendar the store never took stays new: nothing is recorded
            // for a folder that does not exist.
            if (isNew) calendar->setIsDeleted();
        }
    }
    if (titleChanged || colorChanged || typeChanged || isNew) reloadOutline();
    if (colorChanged || typeChanged) postTypeOrColorChanged();
    if (typeChanged || isNew) saveCalendarConfig();
    editedCalendar_.reset();
    return true;
}

void CalendarSources::deleteCalendar() {
    const CalendarPtr calendar = editedCalendar_;
    if (!calendar) return;
    const CalendarGroupPtr group = groupOfCalendar(calendar);
    const QString uid = calendar->uid();
    QList<EMarkerPtr> heldMarkers;
    if (const CalendarGroupPtr markers = markersGroup())
        for (const auto& marker : markers->markers())
            if (marker->calendarUID() == uid) heldMarkers.append(marker);

    bool removed = false;
    try {
        QString error;
        const calstore::CalendarPtr stored = calendar->calendar();
        // A calendar that never reached the store only leaves the list.
        if (!stored || (iCalStore && iCalStore->removeCalendar(stored, &error))) {
            removed = true;
            calendar->setIsDeleted();
            if (SourceListOutline* view = outlineView()) view->deselectAllRows();
            Guard guard(lock_);
            if (group) group->removeElement(calendar);
            allCalendars_.removeAll(calendar);
            if (markersGroup_)
                for (const auto& marker : heldMarkers) markersGroup_->removeElement(marker);
        } else {
            foundation::log(QStringLiteral("ERROR: deleting calendar failed!"));
            calendar->setUpdateError(
                error.isEmpty() ? QStringLiteral("The calendar could not be deleted.") : error);
        }
    } catch (const std::exception& exception) {
        foundation::log(QStringLiteral("ERROR: deleting calendar failed with exception"));
        calendar->setUpdateError(QString::fromUtf8(exception.what()));
    }
    reloadOutline();
    // The year pages drop the events of a calendar that left the store.
    if (removed && !uid.isEmpty())
        if (const auto hooks = MainWindowHooks::shared()) hooks->calendarsRemoved({calendar});
    foundation::NotificationCenter::defaultCenter().post(calendarSelectionChangedNotification,
                                                         this);
    saveCalendarConfig();
    saveMarkerConfig();
}

// --- The marker sheet --------------------------------------------------------------------

bool CalendarSources::markerUpdatedWithData(const QVariantMap& data) {
    const EMarkerPtr marker = editedMarker_;
    if (!marker) return true;
    const QString title = data.value(QStringLiteral("title")).toString();
    const CalendarGroupPtr group = markersGroup();
    if (group && group->nameHasDuplicateAside(title, marker)) return false;

    marker->setNotNew();
    const QString oldStore = marker->calendarUID();
    const QString newStore = data.value(QStringLiteral("calendar")).toString();
    const QColor color = data.value(QStringLiteral("color")).value<QColor>();
    const int type = data.value(QStringLiteral("type")).toInt();
    const bool titleChanged = marker->title() != title;
    const bool storeChanged = oldStore != newStore;
    const bool colorChanged = colorsDiffer(marker->color(), color);
    const bool typeChanged = marker->markerType() != type;

    marker->setColor(color);
    marker->setTitle(title);
    marker->setNotes(data.value(QStringLiteral("notes")).toString());
    marker->setMarkerType(type);
    marker->setCalendarUID(newStore);
    marker->setErrorMsg(QString(""));
    if (titleChanged || colorChanged) reloadOutline();
    if (colorChanged || typeChanged) postTypeOrColorChanged();
    if (storeChanged) {
        YearViewTargetPtr page;
        loaderForCurrentPage(&page)->startMovingMarksFromCalFromView(
            marker, calendarWithUID(oldStore), page);
    }
    saveMarkerConfig();
    editedMarker_.reset();
    return true;
}

void CalendarSources::deleteMarkerAndMarks(bool removeMarks) {
    const EMarkerPtr marker = editedMarker_;
    if (!marker) return;
    if (const CalendarGroupPtr group = markersGroup()) {
        Guard guard(lock_);
        group->removeElement(marker);
    }
    reloadOutline();
    if (removeMarks) {
        YearViewTargetPtr page;
        loaderForCurrentPage(&page)->startRemovingMarksFromView(marker, page);
    }
    saveMarkerConfig();
}

void CalendarSources::removeOrphanedMarks() {
    const CalendarGroupPtr group = markersGroup();
    std::vector<EMarkerPtr> markers;
    if (group)
        for (const auto& marker : group->markers()) markers.push_back(marker);
    YearViewTargetPtr page;
    loaderForCurrentPage(&page)->startRemovingOrphanedMarksForMarkersAndView(markers, page);
}

// --- The setup assistant ---------------------------------------------------------------------

bool CalendarSources::newLocalCalendarWithName(const QString& name, int type) {
    const CalendarGroupPtr group = localGroup();
    auto calendar = std::make_shared<Calendar>();
    calendar->setTitle(firstFreeTitle(group, name, nullptr));
    calendar->setColor(assistantColorForType(type));
    calendar->setCalendarType(type);
    calendar->setCalendar(calstore::Calendar::calendar());
    calendar->setNotNew();
    if (!saveStoreCalendar(calendar)) {
        foundation::log(QStringLiteral("oops, assistant failed to create new local calendar"));
        return false;
    }
    expandInOutline(group);
    {
        Guard guard(lock_);
        if (group) group->addElement(calendar);
        allCalendars_.append(calendar);
    }
    reloadOutline();
    saveCalendarConfig();
    return true;
}

bool CalendarSources::setCalendarWithName(const QString& name, int type) {
    return retypeCalendar(calendarWithName(name), type);
}

bool CalendarSources::setCalendarWithUID(const QString& uid, int type) {
    return retypeCalendar(calendarWithUID(uid), type);
}

bool CalendarSources::retypeCalendar(const CalendarPtr& calendar, int type) {
    if (!calendar) {
        foundation::log(QStringLiteral("calendar???"));
        return false;
    }
    const int before = calendar->calendarType();
    calendar->setCalendarType(type);
    if (calendar->calendarType() != before) {
        checkAllMarkers();
        expandInOutline(groupOfCalendar(calendar));
        reloadOutline();
        postTypeOrColorChanged();
        saveCalendarConfig();
    }
    return true;
}

void CalendarSources::newMarkerWithName(const QString& name) {
    const CalendarGroupPtr group = markersGroup();
    const QString title = firstFreeTitle(group, name, nullptr);
    const CalendarPtr store = firstMarkerCalendar();
    if (!store || !group) {
        foundation::log(QStringLiteral("oops, no marker calendar???"));
        return;
    }
    auto marker = std::make_shared<EMarker>();
    marker->setTitle(title);
    marker->setColor(QColor::fromRgbF(0, 0, 1));
    marker->setMarkerType(1);
    marker->setCalendarUID(store->uid());
    marker->setErrorMsg(QString(""));
    marker->setNotNew();
    expandInOutline(group);
    {
        Guard guard(lock_);
        group->addElement(marker);
    }
    reloadOutline();
    saveMarkerConfig();
}
