#pragma once

#include <QString>

namespace bench {

// Writes a deterministic sample store (a vdir) for benchmarks and comparisons:
// `events` event series spread over five calendars and the years 2020 to 2027,
// the same files for the same count and seed on every run.
//
// The mix: single timed events, all-day and multi-day events (all-day and
// timed), and repeating events (daily, weekly, monthly, yearly; with COUNT, with
// UNTIL and without end), some with EXDATEs and changed occurrences; times in
// Europe/Berlin and America/New_York (each file carrying its VTIMEZONE), in UTC
// and floating. Every rule's start is one of its own occurrences, so that every
// iCalendar reader agrees on what the rule gives.
class SampleStore final {
public:
    // Writes into `root` (made when missing; existing calendar folders of the same
    // names are replaced). Answers false when a file cannot be written.
    static bool write(const QString& root, int events, unsigned seed = 1);
    // The sample store of a size under the temporary folder, written on first
    // use and kept (reused while its stamp matches) for every benchmark run.
    static QString cachedRoot(int events);
};

}  // namespace bench
