#include "data/EventDay.h"

#include "data/Calendar.h"
#include "data/MyDate.h"
#include "platform/foundation/CivilDate.h"
#include "platform/foundation/UserCalendar.h"
#include "platform/store/ZoneTable.h"

#include <algorithm>

namespace {

constexpr qint64 kSecondsPerDay = 86400;

// A time of day (hours) as a fraction of the workday, limited to 0..1. A workday
// that ends at or before its start has no inside: times before its start lie
// before it, every other time after it.
double workdayFraction(double hours, double workdayStart, double workdayEnd) {
    const double span = workdayEnd - workdayStart;
    const double fraction =
        span > 0.0 ? (hours - workdayStart) / span : (hours < workdayStart ? 0.0 : 1.0);
    return std::clamp(fraction, 0.0, 1.0);
}

// A point in time read on the user's wall clock: its day (days since 1970) and
// the hours into that day.
struct WallReading {
    qint64 dayNumber = 0;
    int hour = 0;
    int minute = 0;
};

WallReading wallReading(qint64 utcSecs, const calstore::ZoneTable& zone) {
    const qint64 wall = zone.wallFromUtc(utcSecs);
    const qint64 dayNumber = foundation::civil::floorDiv(wall, kSecondsPerDay);
    const qint64 secondOfDay = wall - dayNumber * kSecondsPerDay;
    return {dayNumber, int(secondOfDay / 3600), int(secondOfDay / 60 % 60)};
}

// The table of the user's zone. Asking the system's zone database for each of a
// year's day entries would cost more than the rest of filling a page; the table
// is built once per zone and agrees with it.
std::shared_ptr<const calstore::ZoneTable> userZoneTable() {
    return calstore::ZoneTable::forTimeZone(foundation::UserCalendar::current().timeZone());
}

// The table of the innermost UserZoneScope of this thread; null outside scopes.
thread_local const calstore::ZoneTable* scopedZone = nullptr;

}  // namespace

EventDay::UserZoneScope::UserZoneScope() : zone_(userZoneTable()), outer_(scopedZone) {
    scopedZone = zone_.get();
}

EventDay::UserZoneScope::~UserZoneScope() {
    scopedZone = outer_;
}

EventDay::~EventDay() = default;

EventDay::EventDay(const EventDay& other)
    : event_(other.event_),
      calendar_(other.calendar_),
      shown_(other.shown_ ? std::make_unique<Shown>(*other.shown_) : nullptr),
      sortPercent_(other.sortPercent_),
      startPercent_(other.startPercent_),
      endPercent_(other.endPercent_),
      isNew_(other.isNew_),
      isMark_(other.isMark_),
      fulldayEvent_(other.fulldayEvent_),
      extendsPrevDay_(other.extendsPrevDay_),
      extendsNextDay_(other.extendsNextDay_) {}

EventDay& EventDay::operator=(const EventDay& other) {
    if (this != &other) {
        EventDay copy(other);
        event_ = std::move(copy.event_);
        calendar_ = std::move(copy.calendar_);
        shown_ = std::move(copy.shown_);
        sortPercent_ = copy.sortPercent_;
        startPercent_ = copy.startPercent_;
        endPercent_ = copy.endPercent_;
        isNew_ = copy.isNew_;
        isMark_ = copy.isMark_;
        fulldayEvent_ = copy.fulldayEvent_;
        extendsPrevDay_ = copy.extendsPrevDay_;
        extendsNextDay_ = copy.extendsNextDay_;
    }
    return *this;
}

const EventDay::Shown& EventDay::shown() const {
    static const Shown none;
    return shown_ ? *shown_ : none;
}

bool EventDay::isMarkLocation(const QString& location) {
    return location.startsWith(kZoltPrefix, Qt::CaseSensitive);
}

bool EventDay::sameOccurrence(const EventDayPtr& a, const EventDayPtr& b) {
    if (a == b) return true;
    if (!a || !b || !a->event() || !b->event()) return false;
    return a->event()->uid() == b->event()->uid() &&
           a->event()->startDate() == b->event()->startDate();
}

QString EventDay::markerID() const {
    if (!event_) return QString();
    const QString& location = event_->location();
    if (!isMarkLocation(location)) return QString();
    return location.mid(kZoltPrefix.size());
}

EventDayPtr EventDay::eventDayFromCalEvent(const calstore::EventPtr& event) {
    auto record = std::make_shared<EventDay>();
    record->isNew_ = false;
    record->isMark_ = event && isMarkLocation(event->location());
    record->fulldayEvent_ = event && event->isAllDay();
    record->event_ = event;
    return record;
}

EventDayPtr EventDay::eventDayForDay(const calstore::EventPtr& event,
                                     const std::shared_ptr<Calendar>& calendar, const MyDate& day,
                                     double workdayStart, double workdayEnd) {
    if (!event) return nullptr;
    const qint64 dayStart = day.nsDate().toSecsSinceEpoch();
    const qint64 dayEnd = dayStart + kSecondsPerDay;
    const qint64 start = event->startDate().toSecsSinceEpoch();
    const qint64 end = event->endDate().toSecsSinceEpoch();

    // An event that begins before the day and ends at the midnight beginning it
    // belongs to the day before. One that begins at that midnight is the day's,
    // however short: an instant belongs to the day it lies in.
    const bool startsBefore = start < dayStart;
    if (startsBefore && end <= dayStart) return nullptr;
    std::shared_ptr<const calstore::ZoneTable> ownZone;
    const calstore::ZoneTable* zone = scopedZone;
    if (!zone) {
        ownZone = userZoneTable();
        zone = ownZone.get();
    }
    const WallReading startDate = wallReading(start, *zone);
    const WallReading endDate = wallReading(end, *zone);
    if (startsBefore && endDate.hour == 0 && endDate.minute == 0 &&
        endDate.dayNumber ==
            foundation::civil::daysFromCivil(day.yearNum(), day.monthNum(), day.dayNum()))
        return nullptr;

    auto record = std::make_shared<EventDay>();
    record->isNew_ = false;
    record->extendsPrevDay_ = start < dayStart;
    record->extendsNextDay_ = end > dayEnd;

    if (start > dayStart) {
        const double hours = startDate.hour + startDate.minute / 60.0;
        record->startPercent_ = float(workdayFraction(hours, workdayStart, workdayEnd));
        record->sortPercent_ = float(hours / 24.0);
    }
    if (event->isAllDay()) record->sortPercent_ = 0.0f;

    double endFraction = 1.0;
    if (end < dayEnd)
        endFraction =
            workdayFraction(endDate.hour + endDate.minute / 60.0, workdayStart, workdayEnd);
    record->endPercent_ = float(endFraction);

    record->isMark_ = isMarkLocation(event->location());
    record->fulldayEvent_ = event->isAllDay();
    record->event_ = event;
    record->calendar_ = calendar;
    return record;
}
