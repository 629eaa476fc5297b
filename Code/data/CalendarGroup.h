#pragma once

#include "data/SourceListItem.h"
#include "platform/foundation/Threads.h"
#include "platform/store/Calendar.h"

#include <QImage>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class Calendar;
class EMarker;

// One section of the source list: the local calendars, one calendar-server or
// mail-server account, the subscriptions, the reminders or the markers, holding
// its calendars (or markers) in display order.
//
// The element list has a lock of its own, so a background save can take a copy
// of it while the main thread reorders it. Look-ups of calendars answer for
// groups of types 2 to 5 only, look-ups of markers for type 6 only.
class CalendarGroup final : public SourceListItem {
public:
    // Source group types.
    static constexpr int kTypeNone = 0;
    static constexpr int kTypeLocal = 2;
    static constexpr int kTypeCalendarServer = 3;
    static constexpr int kTypeMailServer = 4;
    static constexpr int kTypeSubscriptions = 5;
    static constexpr int kTypeMarkers = 6;
    static constexpr int kTypeReminders = 8;

    explicit CalendarGroup(const QString& name, int type = kTypeNone);  // initWithName:andType:
    CalendarGroup(const QString& name, int type, const QString& origName);

    QString shortName() const { return shortName_; }
    QString longName() const { return longName_; }
    QImage icon() const { return icon_; }
    // A copy. Const, so that iterating it never detaches from the group's list
    // while another thread changes that.
    const QList<SourceListItemPtr> elements() const;
    int type() const { return type_; }

    // The titles of the calendars or markers in order; empty for other types.
    QStringList elementNames() const;
    int count() const;
    void addElement(const SourceListItemPtr& element);
    void removeElement(const SourceListItemPtr& element);  // every occurrence
    void exchangeObjectAtIndexWithObjectAtIndex(int first, int second);
    // Moves one element so that it ends before the element that stood at `to`.
    void moveObjectFromIndexToIndex(int from, int to);
    // By sequence number, for calendar and marker groups.
    void sort();

    void removeICalendarWithUid(const QString& uid);
    int indexOfICalendarWithUid(const QString& uid) const;  // -1 when none
    int indexOfItem(const SourceListItemPtr& item) const;   // -1 when absent
    void updateICalendarWithUidWithData(const QString& uid, const calstore::CalendarPtr& calendar);
    // The first nested group of that short name, searched depth first.
    std::shared_ptr<CalendarGroup> calendarGroupWithName(const QString& name) const;
    std::shared_ptr<Calendar> calendarWithUID(const QString& uid) const;
    std::shared_ptr<Calendar> calendarWithName(const QString& name) const;
    // The first ordinary calendar.
    std::shared_ptr<Calendar> firstCalendarInList() const;
    std::shared_ptr<EMarker> markerWithUID(const QString& uid) const;
    std::shared_ptr<EMarker> markerWithName(const QString& name) const;
    // Whether an element other than `element` has exactly that title.
    bool nameHasDuplicateAside(const QString& name, const SourceListItemPtr& element) const;
    // Identifier to title of every marker store; nullopt for groups of other types.
    std::optional<QMap<QString, QString>> allMarkerCalendars() const;

    bool holdsCalendars() const { return type_ >= kTypeLocal && type_ <= kTypeSubscriptions; }
    bool holdsMarkers() const { return type_ == kTypeMarkers; }

    // The calendars (or markers) among the elements, in order.
    const QList<std::shared_ptr<Calendar>> calendars() const;
    const QList<std::shared_ptr<EMarker>> markers() const;

private:
    const QString shortName_;
    QString longName_;
    QImage icon_;
    const int type_;
    mutable foundation::Lock lock_;
    QList<SourceListItemPtr> elements_;
};

using CalendarGroupPtr = std::shared_ptr<CalendarGroup>;
