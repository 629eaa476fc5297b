#pragma once

#include "platform/store/NthWeekDay.h"
#include "platform/store/Timing.h"

#include <QString>

#include <limits>
#include <memory>
#include <optional>
#include <vector>

struct icalrecurrencetype;

namespace calstore::detail {

enum class Frequency { Secondly, Minutely, Hourly, Daily, Weekly, Monthly, Yearly };

struct LibicalRule;

// One RRULE (or EXRULE) of a file in plain data.
struct RuleSpec {
    Frequency frequency = Frequency::Daily;
    int interval = 1;
    int count = 0;  // 0: not bounded by a count
    std::optional<Timing> until;
    int weekStart = 2;  // 1 Sunday .. 7 Saturday
    std::vector<int> byMonth;
    std::vector<int> byMonthDay;
    std::vector<NthWeekDay> byDay;
    // Parts only rules more frequent than daily take from here; for the others
    // libical reads them.
    std::vector<int> byYearDay;
    std::vector<int> byHour;
    std::vector<int> byMinute;
    std::vector<int> bySecond;
    // Set for rules with parts the store's own expansion does not cover (sub-daily
    // frequencies, BYSETPOS, BYWEEKNO, BYYEARDAY, BYHOUR ...): libical expands those.
    std::shared_ptr<const LibicalRule> libical;
    QString text;  // the value as read
    // Why the rule cannot be expanded (a part out of range, a form too costly
    // to expand); such a rule gives no occurrence besides DTSTART.
    QString problem;

    // Reads libical's form of a rule; none for a rule without a frequency.
    // `viaLibical` has libical expand even a rule the store could (for tests).
    static std::optional<RuleSpec> fromLibical(const icalrecurrencetype& rule, const QString& text,
                                               bool viaLibical = false);
    // The same from an RRULE value text.
    static std::optional<RuleSpec> fromText(const QString& text, bool viaLibical = false);
};

// Walks the occurrences one rule gives from a start, ascending, as wall-clock
// seconds on the start's clock. COUNT and UNTIL are left to the caller, which
// also decides about the start itself (RFC 5545 always counts DTSTART as the
// first occurrence, whether or not the rule produces it); the walk only yields
// what the rule produces at or after the start.
//
// The common rule forms (daily to yearly with BYMONTH, BYMONTHDAY and BYDAY) are
// computed here, period by period, and jump straight to the span asked for;
// everything else goes through libical's iterator under the libical lock.
class RecurrenceExpander final {
public:
    RecurrenceExpander(const RuleSpec& rule, qint64 startWall, bool dateOnly);
    ~RecurrenceExpander();
    RecurrenceExpander(const RecurrenceExpander&) = delete;
    RecurrenceExpander& operator=(const RecurrenceExpander&) = delete;

    // Skips ahead to occurrences at or after about `wall` (a few earlier ones may
    // still follow). Never moves back.
    void seek(qint64 wall);
    // The next occurrence; none when the rule has no more, or when the next lies
    // after `limitWall` (a later call with a higher limit goes on from there).
    std::optional<qint64> next(qint64 limitWall);
    // The work done so far: periods or days computed, or libical steps taken.
    qint64 steps() const { return steps_; }
    // Ends the walk once this much work is done; limited() then tells.
    void setStepLimit(qint64 limit) { stepLimit_ = limit; }
    bool limited() const { return limited_; }

private:
    qint64 periodFirstDay(qint64 k) const;
    qint64 periodForDay(qint64 day) const;
    void fillPeriod(qint64 k);
    void addMonthDays(int year, int month, bool limitByDay);
    void addWeekdaysBetween(qint64 first, qint64 last);
    void addWeekdaysOfMonth(int year, int month);
    void addWeekdaysOfYear(int year);
    bool matchesDayLimits(qint64 day, int year, int month, int dayOfMonth) const;
    std::optional<qint64> nextFromLibical(qint64 limitWall);
    std::optional<qint64> nextWithinDays(qint64 limitWall);
    void fillDay(qint64 day);
    bool dayMatches(qint64 day) const;
    bool overBudget();

    const RuleSpec& rule_;
    qint64 startWall_ = 0;
    qint64 startDay_ = 0;
    qint64 timeOfDay_ = 0;
    int startYear_ = 1970;
    int startMonth_ = 1;
    int startDayOfMonth_ = 1;
    int startWeekday_ = 5;
    qint64 firstWeekStart_ = 0;
    qint64 nextPeriod_ = 0;
    std::vector<qint64> days_;  // candidates of the current period
    size_t position_ = 0;
    bool exhausted_ = false;
    qint64 steps_ = 0;
    qint64 stepLimit_ = std::numeric_limits<qint64>::max();
    bool limited_ = false;
    // Rules more frequent than daily: the next day to lay out and its starts.
    qint64 nextDay_ = 0;
    std::vector<qint64> times_;

    bool dateOnly_ = false;
    void* libicalIterator_ = nullptr;
    std::optional<qint64> pending_;
};

}  // namespace calstore::detail
