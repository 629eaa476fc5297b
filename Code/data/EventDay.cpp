#include "data/EventDay.h"

#include "data/Calendar.h"
#include "data/MyDate.h"

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

}  // namespace

bool EventDay::isMarkLocation(const QString& location) {
    return location.startsWith(kZoltPrefix, Qt::CaseSensitive);
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

    // An event that ends at the midnight beginning the day belongs to the day before.
    if (end == dayStart) return nullptr;
    const MyDate startDate(event->startDate());
    const MyDate endDate(event->endDate());
    if (endDate.hourNum() == 0 && endDate.minuteNum() == 0 && endDate.dayNum() == day.dayNum() &&
        endDate.monthNum() == day.monthNum() && endDate.yearNum() == day.yearNum())
        return nullptr;

    auto record = std::make_shared<EventDay>();
    record->isInDragging_ = false;
    record->isNew_ = false;
    record->extendsPrevDay_ = start < dayStart;
    record->extendsNextDay_ = end > dayEnd;

    if (start > dayStart) {
        const double hours = startDate.hourNum() + startDate.minuteNum() / 60.0;
        record->startPercent_ = float(workdayFraction(hours, workdayStart, workdayEnd));
        record->sortPercent_ = float(hours / 24.0);
    }
    if (event->isAllDay()) record->sortPercent_ = 0.0f;

    double endFraction = 1.0;
    if (end < dayEnd)
        endFraction = workdayFraction(endDate.hourNum() + endDate.minuteNum() / 60.0, workdayStart,
                                      workdayEnd);
    record->endPercent_ = float(endFraction);

    record->isMark_ = isMarkLocation(event->location());
    record->fulldayEvent_ = event->isAllDay();
    record->event_ = event;
    record->calendar_ = calendar;
    return record;
}
