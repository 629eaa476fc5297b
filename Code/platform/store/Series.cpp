#include "platform/store/Series.h"

#include <algorithm>
#include <limits>

namespace calstore::detail {

using namespace civil;

namespace {

constexpr qint64 kOpen = std::numeric_limits<qint64>::max() / 4;
// Every zone is within this many seconds of UTC (real ones stay within 26 hours).
constexpr qint64 kClockSlack = 2 * kSecondsPerDay;

bool overlaps(qint64 start, qint64 end, qint64 from, qint64 to) {
    if (start >= to) return false;
    if (end > from) return true;
    return end <= start && start >= from;  // an instant belongs to the span it lies in
}

qint64 lengthUpperBound(const Component& c) {
    return std::max<qint64>(0, c.duration.days) * kSecondsPerDay +
           std::max<qint64>(0, c.duration.seconds) + kSecondsPerDay;
}

// A start the rules, RDATEs or DTSTART produced, identified the way EXDATE and
// RECURRENCE-ID name it: by its instant, or by its day for all-day series.
struct Candidate {
    qint64 key = 0;
    qint64 wall = 0;  // on the master's clock
    const ExtraDate* extra = nullptr;
};

}  // namespace

QString Series::prepare() {
    QString note;
    lowWall = kOpen;
    highWall = -kOpen;
    auto include = [&](const Component& c) {
        lowWall = std::min(lowWall, c.start.wall);
        highWall = std::max(highWall, c.start.wall + lengthUpperBound(c));
        if (c.recurrenceId) lowWall = std::min(lowWall, c.recurrenceId->wall);
    };
    if (master) include(*master);
    for (const auto& o : overrides) include(o);
    countedStarts.assign(rules.size(), {});
    checkpoints.assign(rules.size(), {});
    if (!master) {
        lowWall -= kClockSlack;
        if (highWall < kOpen) highWall += kClockSlack;
        return note;
    }
    const qint64 start = master->start.wall;
    const qint64 length = lengthUpperBound(*master);
    for (const auto& e : extraDates) {
        lowWall = std::min(lowWall, e.start.wall);
        qint64 end = e.start.wall + length;
        if (e.periodEnd) end = std::max(end, e.periodEnd->wall);
        if (e.periodDuration)
            end = std::max(end, e.start.wall + e.periodDuration->days * kSecondsPerDay +
                                    e.periodDuration->seconds);
        highWall = std::max(highWall, end);
    }
    for (size_t i = 0; i < rules.size(); ++i) {
        const RuleSpec& rule = rules[i];
        qint64 last = kOpen;
        if (!rule.problem.isEmpty()) {
            last = start;  // only DTSTART
        } else if (rule.count > 0 && (rule.count <= kLaidOutCount || !rule.libical)) {
            // RFC 5545 counts DTSTART as the first occurrence even where the rule
            // itself would not give it. Short counts keep the rule's other starts;
            // long ones keep a checkpoint every so many starts, as far as a
            // bounded walk gets.
            const bool layOut = rule.count <= kLaidOutCount;
            RecurrenceExpander walk(rule, start, master->start.isDate());
            walk.setStepLimit(kMaxCountedWalk);
            std::vector<qint64>& list = countedStarts[i];
            qint64 remaining = rule.count;
            qint64 walked = 0;
            bool first = true, ended = false;
            std::optional<qint64> lastStart;
            while (walked < kMaxCountedWalk) {
                auto w = walk.next(kOpen);
                if (!w) {
                    ended = !walk.limited();
                    break;
                }
                if (first && *w != start) --remaining;
                first = false;
                if (!layOut && walked % kCheckpointEvery == 0)
                    checkpoints[i].push_back({*w, remaining});
                if (remaining-- <= 0) {
                    ended = true;
                    break;
                }
                ++walked;
                lastStart = *w;
                if (layOut && *w != start) list.push_back(*w);
            }
            if (ended) {
                last = lastStart ? std::max(start, *lastStart) : start;
            } else if (layOut) {
                // The rule gives too little, too rarely: what the walk found is all
                // that is shown.
                last = list.empty() ? start : list.back();
                note = QStringLiteral(
                    "has a counted recurrence rule that does not reach its "
                    "count in a bounded walk; later occurrences are left out");
            }
        }
        if (rule.until) last = std::min(last, rule.until->wall + kSecondsPerDay);
        highWall = last >= kOpen ? kOpen : std::max(highWall, last + length);
        if (highWall >= kOpen) break;
    }
    lowWall -= kClockSlack;
    if (highWall < kOpen) highWall += kClockSlack;
    return note;
}

bool Series::occurrencesIn(qint64 fromUtc, qint64 toUtc, const ZoneTable& local, int cap,
                           std::vector<Occurrence>& out, Cut* cut) const {
    if (cut) *cut = Cut::None;
    if (highWall < fromUtc - kClockSlack || lowWall >= toUtc + kClockSlack) return true;

    // Changed occurrences stand for themselves (also those whose original
    // occurrence the rule or an EXDATE no longer gives).
    auto emitComponent = [&](const Component& c, bool detached, std::optional<qint64> occurrence) {
        Occurrence o;
        o.component = &c;
        o.detached = detached;
        o.allDay = c.start.isDate();
        if (o.allDay) {
            const qint64 days = c.start.days();
            const qint64 length = std::max<qint64>(1, c.duration.days);
            o.startUtc = local.utcFromWall(days * kSecondsPerDay);
            o.endUtc = local.utcFromWall((days + length) * kSecondsPerDay);
        } else {
            const ZoneTable& clock = c.start.clock(local);
            o.startUtc = clock.utcFromWall(c.start.wall);
            o.endUtc = c.wallDuration ? clock.utcFromWall(c.start.wall + c.duration.seconds)
                       : c.exactDuration
                           ? o.startUtc + c.duration.seconds
                           : clock.utcFromWall(c.start.wall + c.duration.days * kSecondsPerDay) +
                                 c.duration.seconds;
        }
        o.occurrenceUtc = occurrence ? *occurrence : o.startUtc;
        if (overlaps(o.startUtc, o.endUtc, fromUtc, toUtc)) out.push_back(o);
    };

    for (const auto& c : overrides) {
        std::optional<qint64> occurrence;
        if (c.recurrenceId) {
            occurrence = c.recurrenceId->isDate()
                             ? local.utcFromWall(c.recurrenceId->days() * kSecondsPerDay)
                             : c.recurrenceId->utc(local);
        }
        emitComponent(c, master.has_value(), occurrence);
    }
    if (!master) return true;

    const Component& m = *master;
    const bool allDay = m.start.isDate();
    const ZoneTable& clock = m.start.clock(local);
    auto keyOfWall = [&](qint64 wall) {
        return allDay ? daysOfWall(wall) : clock.utcFromWall(wall);
    };
    auto keyOfTiming = [&](const Timing& t) {
        return allDay ? (t.kind == Timing::Kind::Date || t.kind == Timing::Kind::Floating
                             ? t.days()
                             : daysOfWall(clock.wallFromUtc(t.utc(local))))
                      : t.utc(local);
    };

    // The span on the master's clock within which a start can give an overlap,
    // and how far past its start an occurrence can reach.
    const qint64 length = lengthUpperBound(m);
    const qint64 nominalDays = std::max<qint64>(allDay ? 1 : 0, m.duration.days);
    const qint64 reach = nominalDays * kSecondsPerDay + std::max<qint64>(0, m.duration.seconds) +
                         (nominalDays > 0 ? 2 * 3600 : 0);  // days may be longer by a clock change
    const qint64 fromWall = fromUtc - length - kClockSlack;
    const qint64 toWall = toUtc + kClockSlack;

    // Where a rule's walk may begin: an hour before the earliest start that can
    // reach into the span, for clocks that are read twice in an hour.
    const qint64 seekWall = clock.wallFromUtc(fromUtc - reach) - 3600;

    std::vector<Candidate> candidates;
    if (m.start.wall >= fromWall && m.start.wall <= toWall)
        candidates.push_back({keyOfWall(m.start.wall), m.start.wall, nullptr});

    bool complete = true;
    Cut cutBy = Cut::None;
    qint64 spent = 0;
    int produced = 0;
    for (size_t ri = 0; ri < rules.size() && complete; ++ri) {
        const RuleSpec& rule = rules[ri];
        std::optional<qint64> untilUtc;
        std::optional<qint64> untilWall;
        if (rule.until) {
            if (rule.until->kind == Timing::Kind::Utc) {
                untilUtc = rule.until->wall;
            } else if (rule.until->isDate()) {
                untilWall = (rule.until->days() + 1) * kSecondsPerDay - 1;
            } else {
                untilWall = rule.until->wall;
            }
        }
        const qint64 limit = untilWall  ? std::min(toWall, *untilWall)
                             : untilUtc ? std::min(toWall, *untilUtc + kClockSlack)
                                        : toWall;
        // The starts come from the list laid out in advance, or from a walk that
        // counts from DTSTART or the last checkpoint before the span (counted
        // rules) or jumps to the span (the others).
        if (!rule.problem.isEmpty()) continue;
        const bool laidOut = rule.count > 0 && rule.count <= kLaidOutCount;
        const std::vector<qint64>& list = countedStarts[ri];
        auto at = std::lower_bound(list.begin(), list.end(), seekWall);
        std::optional<RecurrenceExpander> walk;
        qint64 remaining = rule.count;
        bool first = true;
        std::optional<qint64> resumeAt;
        if (!laidOut) {
            walk.emplace(rule, m.start.wall, allDay);
            walk->setStepLimit(std::max<qint64>(1, kMaxStepsPerQuery - spent));
            if (rule.count == 0) {
                walk->seek(seekWall);
            } else {
                const auto& marks = checkpoints[ri];
                auto after =
                    std::upper_bound(marks.begin(), marks.end(), seekWall,
                                     [](qint64 w, const Checkpoint& c) { return w < c.wall; });
                if (after != marks.begin()) {
                    const Checkpoint& mark = *(after - 1);
                    walk->seek(mark.wall);
                    resumeAt = mark.wall;
                    remaining = mark.remaining;
                    first = false;
                }
            }
        }
        while (true) {
            std::optional<qint64> wall;
            if (laidOut) {
                if (at == list.end() || *at > limit) break;
                wall = *at++;
            } else {
                wall = walk->next(limit);
                if (!wall) break;
                if (resumeAt && *wall < *resumeAt) continue;
                if (rule.count > 0) {
                    if (first && *wall != m.start.wall) --remaining;
                    first = false;
                    if (remaining-- <= 0) break;
                }
            }
            if (untilUtc && clock.utcFromWall(*wall) > *untilUtc) break;
            if (*wall == m.start.wall) continue;
            // Only starts that can reach into the span count against the cap.
            const qint64 startUtc = allDay ? local.utcFromWall(daysOfWall(*wall) * kSecondsPerDay)
                                           : clock.utcFromWall(*wall);
            if (startUtc + reach < fromUtc || startUtc >= toUtc) continue;
            if (produced >= cap) {
                complete = false;
                cutBy = Cut::Cap;
                break;
            }
            ++produced;
            candidates.push_back({keyOfWall(*wall), *wall, nullptr});
        }
        if (walk) {
            spent += walk->steps();
            if (walk->limited()) {
                complete = false;
                cutBy = Cut::Work;
            }
        }
    }
    for (const auto& e : extraDates) {
        const qint64 wall =
            allDay ? e.start.days() * kSecondsPerDay : clock.wallFromUtc(e.start.utc(local));
        if (wall < fromWall - kClockSlack || wall > toWall + kClockSlack) continue;
        candidates.push_back({keyOfTiming(e.start), wall, &e});
    }

    std::sort(candidates.begin(), candidates.end(),
              [](const Candidate& a, const Candidate& b) { return a.key < b.key; });
    candidates.erase(
        std::unique(candidates.begin(), candidates.end(),
                    [](const Candidate& a, const Candidate& b) { return a.key == b.key; }),
        candidates.end());

    // EXDATE and EXRULE take starts out; a date excludes every start on that day.
    std::vector<qint64> excluded;
    std::vector<qint64> excludedDays;
    for (const auto& x : exceptionDates) {
        if (x.isDate() && !allDay)
            excludedDays.push_back(x.days());
        else
            excluded.push_back(keyOfTiming(x));
    }
    for (const auto& rule : exceptionRules) {
        RecurrenceExpander walk(rule, m.start.wall, allDay);
        walk.setStepLimit(std::max<qint64>(1, kMaxStepsPerQuery - spent));
        if (rule.count == 0) walk.seek(seekWall);
        int remaining = rule.count;
        int steps = 0;
        while (steps++ < cap) {
            auto wall = walk.next(toWall);
            if (!wall) break;
            if (rule.count > 0 && remaining-- <= 0) break;
            if (rule.until && rule.until->kind == Timing::Kind::Utc &&
                clock.utcFromWall(*wall) > rule.until->wall)
                break;
            if (rule.until && rule.until->kind != Timing::Kind::Utc && *wall > rule.until->wall)
                break;
            excluded.push_back(keyOfWall(*wall));
        }
        spent += walk.steps();
        if (walk.limited()) {
            complete = false;
            cutBy = Cut::Work;
        }
    }
    std::sort(excluded.begin(), excluded.end());
    std::vector<qint64> overridden;
    for (const auto& c : overrides)
        if (c.recurrenceId) overridden.push_back(keyOfTiming(*c.recurrenceId));
    std::sort(overridden.begin(), overridden.end());

    for (const auto& cand : candidates) {
        if (std::binary_search(excluded.begin(), excluded.end(), cand.key)) continue;
        if (!excludedDays.empty() && std::find(excludedDays.begin(), excludedDays.end(),
                                               daysOfWall(cand.wall)) != excludedDays.end())
            continue;
        if (std::binary_search(overridden.begin(), overridden.end(), cand.key)) continue;
        Occurrence o;
        o.component = &m;
        o.allDay = allDay;
        if (allDay) {
            qint64 days = std::max<qint64>(1, m.duration.days);
            if (cand.extra && cand.extra->periodEnd)
                days = std::max<qint64>(1, cand.extra->periodEnd->days() - daysOfWall(cand.wall));
            else if (cand.extra && cand.extra->periodDuration)
                days = std::max<qint64>(1, cand.extra->periodDuration->days);
            o.startUtc = local.utcFromWall(daysOfWall(cand.wall) * kSecondsPerDay);
            o.endUtc = local.utcFromWall((daysOfWall(cand.wall) + days) * kSecondsPerDay);
        } else {
            o.startUtc = cand.key;
            if (cand.extra && cand.extra->periodEnd) {
                o.endUtc = cand.extra->periodEnd->utc(local);
            } else if (cand.extra && cand.extra->periodDuration) {
                o.endUtc = clock.utcFromWall(cand.wall +
                                             cand.extra->periodDuration->days * kSecondsPerDay) +
                           cand.extra->periodDuration->seconds;
            } else if (m.wallDuration) {
                o.endUtc = clock.utcFromWall(cand.wall + m.duration.seconds);
            } else if (m.exactDuration) {
                o.endUtc = o.startUtc + m.duration.seconds;
            } else {
                o.endUtc = clock.utcFromWall(cand.wall + m.duration.days * kSecondsPerDay) +
                           m.duration.seconds;
            }
        }
        o.occurrenceUtc = o.startUtc;
        if (overlaps(o.startUtc, o.endUtc, fromUtc, toUtc)) out.push_back(o);
    }
    if (cut) *cut = cutBy;
    return complete;
}

qint64 Series::recurrenceInstant(const Timing& recurrenceId, const ZoneTable& local) {
    return recurrenceId.isDate() ? local.utcFromWall(recurrenceId.days() * kSecondsPerDay)
                                 : recurrenceId.utc(local);
}

std::optional<Occurrence> Series::occurrenceAt(std::optional<qint64> occurrenceUtc,
                                               const ZoneTable& local) const {
    auto earliest = [](const std::vector<Occurrence>& list) {
        return *std::min_element(list.begin(), list.end(), [](const auto& a, const auto& b) {
            return a.startUtc < b.startUtc;
        });
    };
    std::vector<Occurrence> found;
    // The changed occurrences wherever they are now, and the first start.
    occurrencesIn(-kOpen, kOpen, local, 0, found);
    if (!isRecurring() || !master) {
        if (found.empty()) return std::nullopt;
        if (occurrenceUtc)
            for (const auto& o : found)
                if (o.occurrenceUtc == *occurrenceUtc) return o;
        return earliest(found);
    }
    const qint64 first = master->start.isDate()
                             ? local.utcFromWall(master->start.days() * kSecondsPerDay)
                             : master->start.utc(local);
    const qint64 at = occurrenceUtc ? *occurrenceUtc : first;
    for (const auto& o : found)
        if (o.occurrenceUtc == at) return o;
    found.clear();
    occurrencesIn(at, at + 1, local, 20000, found);
    for (const auto& o : found)
        if (o.occurrenceUtc == at) return o;
    if (occurrenceUtc) return std::nullopt;
    // The first start is excluded: the earliest occurrence after it. The rule's
    // excluded starts count towards the cap, so the windows grow from a day.
    for (qint64 days = 1; days <= 256 * 366; days *= 4) {
        found.clear();
        occurrencesIn(first, first + days * kSecondsPerDay, local, 20000, found);
        if (!found.empty()) return earliest(found);
    }
    return std::nullopt;
}

}  // namespace calstore::detail
