#include "sources/PurgeJob.h"

#include "data/EventDay.h"
#include "data/MyDate.h"
#include "data/MyEventStore.h"
#include "data/YearViewEventLoader.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"

#include <QHash>

namespace {

using Loader = YearViewEventLoader;

// A marker event's location: the prefix and a 32-character marker identifier.
constexpr int kMarkLocationLength = 37;

QDateTime startOfYear(int year) {
    return MyDate::dateWithDayMonthYear(1, 1, year)->nsDate();
}

QDateTime endOfYear(int year) {
    return MyDate::dateWithDayMonthYear(1, 1, year)->lastDayInYear()->endOfDay()->nsDate();
}

// The base year's years on the searched side of it, ascending.
std::pair<int, int> wholeYears(const PurgeJob::Choice& choice, int baseYear) {
    switch (choice.timeType) {
        case PurgeJob::kUpToDate:
            return {baseYear - PurgeJob::kYearsAround, baseYear - 1};
        case PurgeJob::kFromDate:
            return {baseYear + 1, baseYear + PurgeJob::kYearsAround};
        default:
            return {baseYear - PurgeJob::kYearsAround, baseYear + PurgeJob::kYearsAround};
    }
}

int baseYearOf(const PurgeJob::Choice& choice, int currentYear) {
    return choice.timeType == PurgeJob::kAllYears ? currentYear : MyDate(choice.date).yearNum();
}

void announceDeleted(const QString& uid, const void* sender) {
    foundation::NotificationCenter::defaultCenter().post(
        Loader::eventDataChangedNotification, sender,
        {{Loader::kEventKey, QVariant::fromValue(calstore::EventPtr())},
         {Loader::kChangesKey, QStringLiteral("deleted")},
         {Loader::kUIDKey, uid}});
}

// The series of that UID as the store holds it now (its first occurrence).
calstore::EventPtr storedSeries(const QString& uid) {
    try {
        return MyEventStore::eventWithUIDOccurrence(uid, QDateTime());
    } catch (const std::exception&) {
        return nullptr;
    }
}

}  // namespace

// One series (or single event) found: its earliest occurrence found, which
// stands for it in the removal.
struct PurgeJob::Found {
    calstore::EventPtr earliest;
};

std::vector<PurgeJob::TimeSpan> PurgeJob::spans(const Choice& choice, int currentYear) {
    const int base = baseYearOf(choice, currentYear);
    const auto [first, last] = wholeYears(choice, base);
    std::vector<TimeSpan> result;
    for (int year = first; year <= last; ++year)
        result.push_back({startOfYear(year), endOfYear(year)});
    if (choice.timeType == kUpToDate) result.push_back({startOfYear(base), choice.date});
    if (choice.timeType == kFromDate) result.push_back({choice.date, endOfYear(base)});
    return result;
}

bool PurgeJob::chooses(const QString& location, const Choice& choice) {
    const bool ours = location.startsWith(EventDay::kZoltPrefix);
    if (choice.marks && ours && location.size() == kMarkLocationLength) return true;
    if (choice.notes && location == Loader::kNotesLocation) return true;
    return choice.events && !ours;
}

std::vector<PurgeJob::Found> PurgeJob::find(const calstore::CalendarPtr& calendar,
                                            const Choice& choice, int currentYear,
                                            const Progress& progress) {
    std::vector<Found> found;
    QHash<QString, size_t> indexOfUid;
    for (const TimeSpan& span : spans(choice, currentYear)) {
        const auto events =
            Loader::queryGuarded(MyEventStore::eventPredicateWithStartDateEndDateCalendars(
                span.start, span.end, {calendar}));
        if (!events) continue;  // logged; the other spans still count
        for (const calstore::EventPtr& event : *events) {
            if (!event || !chooses(event->location(), choice)) continue;
            // A series is found through many occurrences; it is handled once,
            // from its earliest one in the range.
            const auto known = indexOfUid.constFind(event->uid());
            if (known != indexOfUid.cend()) {
                Found& entry = found[*known];
                if (event->startDate() < entry.earliest->startDate()) entry.earliest = event;
                continue;
            }
            indexOfUid.insert(event->uid(), found.size());
            found.push_back({event});
            if (progress.found) progress.found(int(found.size()));
        }
    }
    return found;
}

QVariantMap PurgeJob::run(const calstore::CalendarPtr& calendar, const Choice& choice,
                          int currentYear, const Progress& progress, const void* sender) {
    QVariantMap changes;
    const std::vector<Found> found =
        calendar ? find(calendar, choice, currentYear, progress) : std::vector<Found>();
    const int total = int(found.size());
    if (progress.removing) progress.removing(total);
    int done = 0;
    for (const Found& entry : found) {
        purgeSeries(entry, choice, currentYear, changes, sender);
        if (progress.removed) progress.removed(++done, total);
    }
    return changes;
}

void PurgeJob::purgeSeries(const Found& found, const Choice& choice, int currentYear,
                           QVariantMap& changes, const void* sender) {
    const calstore::EventPtr& event = found.earliest;
    const QString uid = event->uid();
    const QString words = QStringLiteral("deleting event");
    // What went is announced after the store took it; what stays is read again.
    auto removed = [&](bool ok) {
        changes.insert(uid, ok ? Loader::kEventDeleted : Loader::kEventChanged);
        if (ok) announceDeleted(uid, sender);
    };

    if (!event->isRecurring() || choice.timeType == kAllYears) {
        removed(Loader::removeEventGuarded(event, words, calstore::Span::AllEvents));
        return;
    }

    if (choice.timeType == kFromDate) {
        // The series ends before its first occurrence in the range; one that
        // begins there goes whole.
        if (!Loader::removeEventGuarded(event, words, calstore::Span::FutureEvents)) {
            removed(false);
            return;
        }
        if (storedSeries(uid))
            changes.insert(uid, Loader::kEventChanged);
        else
            removed(true);
        return;
    }

    // Up to the date: the series goes whole when nothing of it follows the
    // date within the searched years; otherwise it begins again with its first
    // occurrence after the date.
    const int base = baseYearOf(choice, currentYear);
    const auto later =
        Loader::queryGuarded(MyEventStore::eventPredicateWithStartDateEndDateUIDCalendars(
            choice.date, endOfYear(base + kYearsAround), uid, {event->calendar()}));
    if (!later) {
        removed(false);
        return;
    }
    calstore::EventPtr firstAfter;
    for (const calstore::EventPtr& occurrence : *later)
        if (occurrence->startDate() >= choice.date) {
            firstAfter = occurrence;
            break;
        }
    if (!firstAfter) {
        removed(Loader::removeEventGuarded(event, words, calstore::Span::AllEvents));
        return;
    }
    const calstore::EventPtr series = storedSeries(uid);
    if (!series || series->occurrence() == firstAfter->occurrence()) {
        // Only occurrences moved before the date were found; the series itself
        // begins after it and stays as it is.
        foundation::log(QStringLiteral("oops, series %1 begins after the purge date").arg(uid));
        changes.insert(uid, Loader::kEventChanged);
        return;
    }
    // The later part becomes a series of its own first, so that nothing of it
    // is lost when the earlier part cannot be removed afterwards.
    const auto kept = std::make_shared<calstore::Event>(*firstAfter);
    if (!Loader::saveEventGuarded(kept, QStringLiteral("keeping the later part of a series"),
                                  calstore::Span::FutureEvents)) {
        removed(false);
        return;
    }
    changes.insert(kept->uid(), Loader::kEventInserted);
    const calstore::EventPtr earlier = storedSeries(uid);
    removed(earlier && Loader::removeEventGuarded(earlier, words, calstore::Span::AllEvents));
}
