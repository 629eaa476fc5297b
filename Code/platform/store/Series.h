#pragma once

#include "platform/store/Attendee.h"
#include "platform/store/EventDetails.h"
#include "platform/store/RecurrenceExpander.h"
#include "platform/store/RecurrenceRule.h"
#include "platform/store/Timing.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>

#include <atomic>
#include <optional>
#include <vector>

namespace calstore::detail {

// A length: nominal days (which follow the wall clock across time changes) and
// exact seconds.
struct Duration {
    qint64 days = 0;
    qint64 seconds = 0;
};

// One VEVENT of a file: the series' master or an occurrence changed on its own.
struct Component {
    Timing start;
    Duration duration;
    bool exactDuration = false;  // from DTEND: the same number of seconds for every occurrence
    // Floating times: the length is one on the wall clock (01:00 to 09:00 stays
    // so across a change of the clock).
    bool wallDuration = false;
    std::optional<Timing> recurrenceId;
    Details details;
};

// An RDATE: an extra start, with its own length when given as a period.
struct ExtraDate {
    Timing start;
    std::optional<Timing> periodEnd;
    std::optional<Duration> periodDuration;
};

// What the file was like when it was read (or written by the store), to notice
// later changes: its identity on disk and a hash of its bytes.
struct FileStamp {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNsecs = 0;
    // The inode's change time: a file rewritten in place with its size and
    // modification time kept still shows here.
    qint64 changedNsecs = 0;
    QByteArray hash;  // SHA-1 of the bytes

    // Whether the file's identity on disk is the same (the hash is not compared).
    bool sameIdentity(const FileStamp& o) const {
        return device == o.device && inode == o.inode && size == o.size &&
               modifiedNsecs == o.modifiedNsecs && changedNsecs == o.changedNsecs;
    }
};

// One occurrence in a query span, before it becomes an Event.
struct Occurrence {
    const Component* component = nullptr;
    qint64 startUtc = 0;
    qint64 endUtc = 0;  // exclusive; for all-day events the midnight after the last day
    qint64 occurrenceUtc = 0;
    bool allDay = false;
    bool detached = false;
};

// One event series as read from its file: immutable once built, so that any
// number of queries may expand it at once without locks.
struct Series {
    QString uid;
    QString calendarUid;
    QString path;
    FileStamp stamp;

    std::optional<Component> master;
    std::vector<Component> overrides;
    std::vector<RuleSpec> rules;
    std::vector<RuleSpec> exceptionRules;
    std::vector<ExtraDate> extraDates;
    std::vector<Timing> exceptionDates;
    std::optional<RecurrenceRule> modelRule;

    // The starts a counted rule gives (at most its COUNT, from DTSTART), laid out
    // once when the series is read, so that queries need not walk from the start;
    // empty for other rules. One list per rule.
    std::vector<std::vector<qint64>> countedStarts;
    // For longer counted rules: every kCheckpointEvery-th start with the count
    // left before it, so that a query resumes the count near its span instead of
    // walking from DTSTART. One list per rule.
    struct Checkpoint {
        qint64 wall = 0;
        qint64 remaining = 0;
    };
    std::vector<std::vector<Checkpoint>> checkpoints;
    static constexpr int kCheckpointEvery = 2048;
    // The most starts of one counted rule laid out when the series is read.
    static constexpr qint64 kMaxCountedWalk = 4000000;

    // Wall-clock bounds of every start and end (any clock), for skipping the
    // series quickly; the upper one is open for rules without an end.
    qint64 lowWall = 0;
    qint64 highWall = 0;

    bool isRecurring() const { return !rules.empty() || !extraDates.empty(); }

    // Why an expansion stopped before its end.
    enum class Cut { None, Cap, Work };

    // Every occurrence that overlaps [fromUtc, toUtc), in no particular order.
    // Floating times and dates are read on `local`. At most `cap` come from the
    // rules, and the rules' walks do at most kMaxStepsPerQuery of work; answers
    // NO when either cut the list short (`cut` tells which).
    bool occurrencesIn(qint64 fromUtc, qint64 toUtc, const ZoneTable& local, int cap,
                       std::vector<Occurrence>& out, Cut* cut = nullptr) const;
    // The work one query may spend on the rules of one series: periods or days
    // laid out, or libical steps.
    static constexpr qint64 kMaxStepsPerQuery = 400000;

    // The occurrence the rules gave `occurrenceUtc` as its start (also when it
    // was changed and moved since); without one, the first occurrence. None
    // when there is no such occurrence.
    std::optional<Occurrence> occurrenceAt(std::optional<qint64> occurrenceUtc,
                                           const ZoneTable& local) const;
    // The instant a changed occurrence's recurrence identifier names.
    static qint64 recurrenceInstant(const Timing& recurrenceId, const ZoneTable& local);

    // Lays out the counted rules and sets the bounds; called once the series is
    // read. Answers what could not be laid out (empty when all went well).
    QString prepare();
    // Counted rules up to this many occurrences are laid out in advance.
    static constexpr int kLaidOutCount = 10000;

    mutable std::atomic<bool> capReported{false};
};

}  // namespace calstore::detail
