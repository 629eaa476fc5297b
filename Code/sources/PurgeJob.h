#pragma once

#include "platform/store/Calendar.h"
#include "platform/store/Event.h"

#include <QDateTime>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <vector>

// The work of the purge sheet, apart from its window: which spans of which
// years are searched, which events of a calendar are chosen by their
// location, and their removal from the store with the announcements that
// follow. Runs on whatever thread calls run() (the sheet's job thread).
class PurgeJob final {
public:
    // The time types of the sheet's pop-up, by item index.
    enum TimeType { kUpToDate = 0, kFromDate = 1, kAllYears = 2 };
    static constexpr int kYearsAround = 20;

    // What the sheet's controls held when Purge was pressed.
    struct Choice {
        int timeType = kAllYears;
        QDateTime date;  // the chosen moment; not used for all years
        bool marks = true;
        bool notes = true;
        bool events = false;
    };

    struct TimeSpan {
        QDateTime start;
        QDateTime end;
        bool operator==(const TimeSpan&) const = default;
    };

    // The spans the store is asked for, one calendar year (or part of one) at
    // a time, in the user's calendar: the twenty whole years before (after)
    // the chosen date's year and then that year up to (from) the date itself;
    // for all years the forty-one years around `currentYear`.
    static std::vector<TimeSpan> spans(const Choice& choice, int currentYear);

    // Whether an event with that location is chosen: a mark is "Zolt:" and a
    // 32-character marker identifier, a notes event has "Zolt:Notes", an
    // ordinary event does not begin with "Zolt:" (no location counts as
    // ordinary). Other "Zolt:" locations are never chosen.
    static bool chooses(const QString& location, const Choice& choice);

    // Progress, told on the job's thread in this order: found(n) after each
    // series or single event found, removing(total) once the search is done,
    // removed(done, total) after each of them was handled (done counts it).
    struct Progress {
        std::function<void(int found)> found;
        std::function<void(int total)> removing;
        std::function<void(int done, int total)> removed;
    };

    // Searches the calendar over the spans and removes what the choice takes.
    // A single event goes whole. A repeating series goes whole for all years
    // or when none of its occurrences lies outside the chosen range;
    // otherwise only its part in the range goes: from the date on the series
    // ends before its first occurrence in the range, up to the date it begins
    // again with its first occurrence after the date (a new series carries
    // that part on). Each series is handled once.
    //
    // Every event the store removed is announced as "Event Data Changed"
    // ("deleted", sender `sender`) after its removal. Answers the change map
    // (UID to event change code): 3 for what went, 2 for a series that was
    // cut or whose removal failed (it is read again), 1 for the series that
    // carries a kept part on. A failed removal is logged and the job goes on.
    static QVariantMap run(const calstore::CalendarPtr& calendar, const Choice& choice,
                           int currentYear, const Progress& progress, const void* sender);

private:
    struct Found;
    static std::vector<Found> find(const calstore::CalendarPtr& calendar, const Choice& choice,
                                   int currentYear, const Progress& progress);
    static void purgeSeries(const Found& found, const Choice& choice, int currentYear,
                            QVariantMap& changes, const void* sender);
};
