#include "platform/store/SeriesReader.h"

#include "platform/store/Libical.h"
#include "platform/store/StoreTime.h"
#include "platform/store/ZoneTable.h"

#include <QCryptographicHash>
#include <QHash>
#include <QSet>
#include <QTimeZone>

#include <libical/ical.h>

#include <algorithm>
#include <memory>
#include <mutex>

namespace calstore::detail {

using namespace civil;

namespace {

// Deeper nesting than any real calendar file has; a hostile file nesting
// thousands of components deep is refused before libical sees it.
constexpr int kMaxNesting = 16;
// Years up to which a VTIMEZONE's observances are laid out.
constexpr int kLastZoneYear = 2200;

struct ComponentDeleter {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using ComponentHandle = std::unique_ptr<icalcomponent, ComponentDeleter>;

QString text(const char* s) {
    return s ? QString::fromUtf8(s) : QString();
}

// Longer content lines than real files hold (attachments included): libical's
// line reader takes time growing with the square of a line's length.
constexpr qsizetype kMaxLineLength = 1024 * 1024;
// Observances and their extra onsets in a file's zone definitions; real ones
// have a few dozen, and each costs libical memory and the store a walk.
constexpr int kMaxZoneParts = 2000;
// UTC offsets beyond a day are no clock on Earth.
constexpr int kMaxZoneOffset = 24 * 3600 - 1;

// What the store checks of a file before libical reads it: whether it is
// safe to hand over, and the recurrence rules of its events as written (libical
// reads "INTERVAL=1e14" as 1 and forgets what it cannot hold).
struct Prescan {
    QString problem;
    QList<QByteArray> eventRules;  // RRULE and EXRULE values of the events, in order
};

bool startsWithName(const QByteArray& line, const char* name) {
    const qsizetype n = qsizetype(qstrlen(name));
    if (line.size() <= n || qstrnicmp(line.constData(), name, n) != 0) return false;
    return line.at(n) == ':' || line.at(n) == ';';
}

// The value of a content line: what follows the first colon outside quotes.
QByteArray valueOf(const QByteArray& line) {
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line.at(i);
        if (c == '"') quoted = !quoted;
        if (c == ':' && !quoted) return line.mid(i + 1);
    }
    return {};
}

Prescan prescan(const QByteArray& data) {
    Prescan out;
    QList<QByteArray> stack;
    int zoneParts = 0;
    QByteArray logical;
    auto finish = [&](const QByteArray& line) {
        if (line.size() > kMaxLineLength) {
            out.problem = QStringLiteral("has a line longer than %1 bytes").arg(kMaxLineLength);
            return;
        }
        if (line.size() >= 6 && qstrnicmp(line.constData(), "BEGIN:", 6) == 0) {
            const QByteArray name = line.mid(6).trimmed().toUpper();
            if (stack.size() >= kMaxNesting) {
                out.problem = QStringLiteral("nests its components too deeply");
                return;
            }
            if (stack.contains("VTIMEZONE") && (name == "STANDARD" || name == "DAYLIGHT"))
                ++zoneParts;
            stack.push_back(name);
        } else if (line.size() >= 4 && qstrnicmp(line.constData(), "END:", 4) == 0) {
            if (!stack.isEmpty()) stack.pop_back();
        } else if (stack.size() == 2 && stack.at(1) == "VEVENT" &&
                   (startsWithName(line, "RRULE") || startsWithName(line, "EXRULE"))) {
            out.eventRules.push_back(valueOf(line));
        } else if (stack.contains("VTIMEZONE") && startsWithName(line, "RDATE")) {
            zoneParts += int(valueOf(line).count(',')) + 1;
        }
        if (zoneParts > kMaxZoneParts)
            out.problem = QStringLiteral("has time zone definitions with more than %1 onsets")
                              .arg(kMaxZoneParts);
    };
    qsizetype pos = 0;
    while (pos < data.size() && out.problem.isEmpty()) {
        qsizetype end = data.indexOf('\n', pos);
        if (end < 0) end = data.size();
        qsizetype stop = end;
        if (stop > pos && data.at(stop - 1) == '\r') --stop;
        const char first = data.at(pos);
        if ((first == ' ' || first == '\t') && stop > pos) {
            // A folded continuation of the line before.
            if (logical.size() <= kMaxLineLength)
                logical.append(data.constData() + pos + 1, stop - pos - 1);
            else if (stop - pos > 1)
                logical.append('x');
        } else {
            if (!logical.isNull()) finish(logical);
            logical = QByteArray(data.constData() + pos, stop - pos);
            if (logical.isNull()) logical = QByteArray("");
        }
        pos = end + 1;
    }
    if (out.problem.isEmpty() && !logical.isNull()) finish(logical);
    return out;
}

// Why a rule's text cannot be used as written: a part out of range or not a
// number, an empty part, or no frequency. Empty when it is fine.
QString ruleTextProblem(const QByteArray& value) {
    const QByteArray rule = value.trimmed();
    if (rule.isEmpty()) return QStringLiteral("is empty");
    bool hasFrequency = false;
    auto numberIn = [](const QByteArray& text, qint64 low, qint64 high, bool zeroAllowed) {
        QByteArray t = text;
        if (t.startsWith('+') || t.startsWith('-')) t = t.mid(1);
        if (t.isEmpty() || t.size() > 12) return false;
        for (char c : t)
            if (c < '0' || c > '9') return false;
        const qint64 v = text.toLongLong();
        if (v == 0 && !zeroAllowed) return false;
        return v >= low && v <= high;
    };
    for (const QByteArray& part : rule.split(';')) {
        const qsizetype eq = part.indexOf('=');
        const QByteArray name = (eq < 0 ? part : part.left(eq)).trimmed().toUpper();
        const QByteArray v = eq < 0 ? QByteArray() : part.mid(eq + 1).trimmed();
        if (name.isEmpty()) continue;
        if (v.isEmpty()) return QStringLiteral("has an empty %1").arg(QString::fromLatin1(name));
        const QString shown = QString::fromUtf8(part.left(64));
        bool ok = true;
        if (name == "FREQ") {
            hasFrequency = true;
        } else if (name == "INTERVAL") {
            ok = !v.startsWith('-') && !v.startsWith('+') && numberIn(v, 1, 32767, false);
        } else if (name == "COUNT") {
            ok = !v.startsWith('-') && numberIn(v, 1, 2147483647, false);
        } else {
            struct Range {
                const char* name;
                int low, high;
                bool signedValues;
            };
            static const Range ranges[] = {
                {"BYSECOND", 0, 60, false},     {"BYMINUTE", 0, 59, false},
                {"BYHOUR", 0, 23, false},       {"BYMONTHDAY", -31, 31, true},
                {"BYYEARDAY", -366, 366, true}, {"BYWEEKNO", -53, 53, true},
                {"BYSETPOS", -366, 366, true},  {"BYMONTH", 1, 12, false},
            };
            for (const Range& r : ranges) {
                if (name != r.name) continue;
                for (QByteArray item : v.split(',')) {
                    item = item.trimmed();
                    if (name == "BYMONTH" && item.endsWith('L')) item.chop(1);  // leap months
                    if (!r.signedValues && (item.startsWith('-') || item.startsWith('+')))
                        ok = false;
                    if (!numberIn(item, r.low, r.high, !r.signedValues)) ok = false;
                }
            }
            if (name == "BYDAY") {
                for (QByteArray item : v.split(',')) {
                    item = item.trimmed().toUpper();
                    if (item.size() < 2) {
                        ok = false;
                        continue;
                    }
                    static const QByteArray days[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
                    const QByteArray code = item.right(2);
                    if (std::find(std::begin(days), std::end(days), code) == std::end(days))
                        ok = false;
                    const QByteArray n = item.left(item.size() - 2);
                    if (!n.isEmpty() && !numberIn(n, -53, 53, false)) ok = false;
                }
            }
        }
        if (!ok) return QStringLiteral("has %1 out of range").arg(shown);
    }
    if (!hasFrequency) return QStringLiteral("has no FREQ");
    return {};
}

qint64 wallOf(const icaltimetype& t) {
    qint64 w = daysFromCivil(t.year, t.month, t.day) * kSecondsPerDay;
    if (!t.is_date) w += t.hour * 3600 + t.minute * 60 + t.second;
    return w;
}

bool plausible(const icaltimetype& t) {
    return !icaltime_is_null_time(t) && t.year >= 1 && t.year <= 9999 && t.month >= 1 &&
           t.month <= 12 && t.day >= 1 && t.day <= 31 && t.hour >= 0 && t.hour < 24 &&
           t.minute >= 0 && t.minute < 60 && t.second >= 0 && t.second <= 60;
}

QDateTime utcDateTime(const icaltimetype& t) {
    if (!plausible(t)) return {};
    return QDateTime::fromSecsSinceEpoch(wallOf(t), Qt::UTC);
}

// Zone names are looked up as files of the system's zone database, so a TZID
// from a file only gets there when it is a plain name ("Europe/Berlin",
// "Etc/GMT+5"): nothing that climbs out of the database or names a device.
bool looksLikeZoneName(const QByteArray& id) {
    if (id.isEmpty() || id.size() > 64 || id.startsWith('/') || id.contains("..")) return false;
    for (char c : id) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        (c >= '0' && c <= '9') || c == '/' || c == '_' || c == '-' || c == '+';
        if (!ok) return false;
    }
    return true;
}

// The zones of one file: TZIDs resolve to the system's zone of that name when
// it has one, else to the file's own VTIMEZONE, else to a known zone hidden in
// the TZID (prefixed names, Windows names). Resolutions are cached process-wide.
class ZoneResolver final {
public:
    explicit ZoneResolver(icalcomponent* calendar) {
        for (icalcomponent* c =
                 icalcomponent_get_first_component(calendar, ICAL_VTIMEZONE_COMPONENT);
             c; c = icalcomponent_get_next_component(calendar, ICAL_VTIMEZONE_COMPONENT)) {
            icalproperty* p = icalcomponent_get_first_property(c, ICAL_TZID_PROPERTY);
            if (p) definitions_.insert(text(icalproperty_get_tzid(p)), c);
        }
    }

    void setNotes(QStringList* notes) { notes_ = notes; }
    // Whether the TZID names a definition refused (and reported) for its offsets.
    bool refused(const QString& tzid) const { return refused_.contains(tzid); }

    void addDefinitionsFrom(icalcomponent* calendar) {
        ZoneResolver more(calendar);
        for (auto it = more.definitions_.constBegin(); it != more.definitions_.constEnd(); ++it)
            if (!definitions_.contains(it.key())) definitions_.insert(it.key(), it.value());
    }

    std::shared_ptr<const ZoneTable> resolve(const QString& tzid) {
        auto local = resolved_.constFind(tzid);
        if (local != resolved_.constEnd()) return *local;
        auto zone = lookUp(tzid);
        resolved_.insert(tzid, zone);
        return zone;
    }

private:
    static std::mutex& cacheMutex() {
        static std::mutex m;
        return m;
    }
    static QHash<QString, std::shared_ptr<const ZoneTable>>& systemCache() {
        static QHash<QString, std::shared_ptr<const ZoneTable>> cache;
        return cache;
    }
    static QHash<QByteArray, std::shared_ptr<const ZoneTable>>& definedCache() {
        static QHash<QByteArray, std::shared_ptr<const ZoneTable>> cache;
        return cache;
    }

    static std::shared_ptr<const ZoneTable> systemZone(const QString& id) {
        {
            std::lock_guard<std::mutex> lock(cacheMutex());
            auto it = systemCache().constFind(id);
            if (it != systemCache().constEnd()) return *it;
        }
        std::shared_ptr<const ZoneTable> table;
        const QByteArray ianaId = id.toUtf8();
        if (looksLikeZoneName(ianaId)) {
            if (ianaId == "UTC" || ianaId == "Etc/UTC" || ianaId == "GMT" || ianaId == "Z") {
                table = ZoneTable::utc();
            } else {
                // Only names of the zone database: Qt also takes any word as a
                // zone of its own (read as UTC), which would hide the file's
                // definition of that TZID.
                if (QTimeZone::isTimeZoneIdAvailable(ianaId)) {
                    QTimeZone zone(ianaId);
                    if (zone.isValid()) table = ZoneTable::forTimeZone(zone);
                }
            }
        }
        std::lock_guard<std::mutex> lock(cacheMutex());
        systemCache().insert(id, table);
        return table;
    }

    std::shared_ptr<const ZoneTable> lookUp(const QString& tzid) {
        if (auto zone = systemZone(tzid)) return zone;
        if (icalcomponent* definition = definitions_.value(tzid)) {
            if (!offsetsPlausible(definition)) {
                refused_.insert(tzid);
                if (notes_)
                    *notes_ << QStringLiteral(
                                   "has a time zone \"%1\" with a UTC offset of a day "
                                   "or more; its times are read as local time")
                                   .arg(tzid);
                return nullptr;
            }
            if (auto zone = fromDefinition(tzid, definition)) return zone;
        }
        // "/mozilla.org/20050126_1/America/New_York",
        // "/softwarestudio.org/Olson_20011030_5/Europe/Berlin"
        for (qsizetype slash = tzid.indexOf(QLatin1Char('/')); slash >= 0;
             slash = tzid.indexOf(QLatin1Char('/'), slash + 1)) {
            const QString tail = tzid.mid(slash + 1);
            if (tail.contains(QLatin1Char('/')))
                if (auto zone = systemZone(tail)) return zone;
        }
        const QByteArray windows = QTimeZone::windowsIdToDefaultIanaId(tzid.toUtf8());
        if (!windows.isEmpty())
            if (auto zone = systemZone(QString::fromUtf8(windows))) return zone;
        return nullptr;
    }

    static bool offsetsPlausible(icalcomponent* definition) {
        for (icalcomponent* o = icalcomponent_get_first_component(definition, ICAL_ANY_COMPONENT);
             o; o = icalcomponent_get_next_component(definition, ICAL_ANY_COMPONENT)) {
            for (icalproperty* p = icalcomponent_get_first_property(o, ICAL_ANY_PROPERTY); p;
                 p = icalcomponent_get_next_property(o, ICAL_ANY_PROPERTY)) {
                int offset = 0;
                if (icalproperty_isa(p) == ICAL_TZOFFSETFROM_PROPERTY)
                    offset = icalproperty_get_tzoffsetfrom(p);
                else if (icalproperty_isa(p) == ICAL_TZOFFSETTO_PROPERTY)
                    offset = icalproperty_get_tzoffsetto(p);
                if (offset > kMaxZoneOffset || offset < -kMaxZoneOffset) return false;
            }
        }
        return true;
    }

    // A zone laid out from a VTIMEZONE's observances: each onset (DTSTART, the
    // RRULE's occurrences, RDATEs) is a transition to its TZOFFSETTO.
    static std::shared_ptr<const ZoneTable> fromDefinition(const QString& tzid,
                                                           icalcomponent* definition) {
        const char* ical = icalcomponent_as_ical_string(definition);
        const QByteArray key =
            QCryptographicHash::hash(QByteArray(ical ? ical : ""), QCryptographicHash::Sha1);
        {
            std::lock_guard<std::mutex> lock(cacheMutex());
            auto it = definedCache().constFind(key);
            if (it != definedCache().constEnd()) return *it;
        }
        std::vector<ZoneTable::Transition> transitions;
        int initialOffset = 0;
        qint64 earliest = std::numeric_limits<qint64>::max();
        const qint64 lastWall = daysFromCivil(kLastZoneYear, 1, 1) * kSecondsPerDay;
        for (icalcomponent* o = icalcomponent_get_first_component(definition, ICAL_ANY_COMPONENT);
             o; o = icalcomponent_get_next_component(definition, ICAL_ANY_COMPONENT)) {
            const icalcomponent_kind kind = icalcomponent_isa(o);
            if (kind != ICAL_XSTANDARD_COMPONENT && kind != ICAL_XDAYLIGHT_COMPONENT) continue;
            icalproperty* start = icalcomponent_get_first_property(o, ICAL_DTSTART_PROPERTY);
            icalproperty* from = icalcomponent_get_first_property(o, ICAL_TZOFFSETFROM_PROPERTY);
            icalproperty* to = icalcomponent_get_first_property(o, ICAL_TZOFFSETTO_PROPERTY);
            if (!start || !from || !to) continue;
            const icaltimetype startTime = icalvalue_get_datetime(icalproperty_get_value(start));
            if (!plausible(startTime)) continue;
            const int offsetFrom = icalproperty_get_tzoffsetfrom(from);
            const int offsetTo = icalproperty_get_tzoffsetto(to);
            const qint64 startWall = wallOf(startTime);
            std::vector<qint64> onsets{startWall};
            for (icalproperty* p = icalcomponent_get_first_property(o, ICAL_ANY_PROPERTY); p;
                 p = icalcomponent_get_next_property(o, ICAL_ANY_PROPERTY)) {
                const icalproperty_kind pk = icalproperty_isa(p);
                if (pk == ICAL_RRULE_PROPERTY) {
                    auto spec = RuleSpec::fromLibical(icalproperty_get_rrule(p), QString());
                    if (!spec) continue;
                    RecurrenceExpander walk(*spec, startWall, false);
                    walk.setStepLimit(Series::kMaxStepsPerQuery);
                    for (int n = 0; n < 1000; ++n) {
                        auto w = walk.next(lastWall);
                        if (!w) break;
                        if (spec->count > 0 && n >= spec->count) break;
                        if (spec->until) {
                            const qint64 limit = spec->until->kind == Timing::Kind::Utc
                                                     ? spec->until->wall + offsetFrom
                                                     : spec->until->wall;
                            if (*w > limit) break;
                        }
                        onsets.push_back(*w);
                    }
                } else if (pk == ICAL_RDATE_PROPERTY) {
                    const icaldatetimeperiodtype r = icalproperty_get_rdate(p);
                    if (plausible(r.time)) onsets.push_back(wallOf(r.time));
                }
            }
            for (qint64 w : onsets) {
                transitions.push_back({w - offsetFrom, offsetTo});
                if (w - offsetFrom < earliest) {
                    earliest = w - offsetFrom;
                    initialOffset = offsetFrom;
                }
            }
        }
        if (transitions.empty()) return nullptr;
        auto table = ZoneTable::fromTransitions(tzid, initialOffset, std::move(transitions));
        std::lock_guard<std::mutex> lock(cacheMutex());
        definedCache().insert(key, table);
        return table;
    }

    QHash<QString, icalcomponent*> definitions_;
    QHash<QString, std::shared_ptr<const ZoneTable>> resolved_;
    QSet<QString> refused_;
    QStringList* notes_ = nullptr;
};

class ComponentReader final {
public:
    ComponentReader(ZoneResolver& zones, QStringList& notes, QList<QByteArray> rawRules)
        : zones_(zones), notes_(notes), rawRules_(std::move(rawRules)) {}

    // A date or date-time value of a property, on the clock its TZID names.
    std::optional<Timing> timing(icalproperty* p, const icaltimetype& t) {
        if (!plausible(t)) return std::nullopt;
        if (t.day > daysInMonth(t.year, t.month)) {
            impossibleDate_ = QStringLiteral("%1-%2-%3")
                                  .arg(t.year, 4, 10, QLatin1Char('0'))
                                  .arg(t.month, 2, 10, QLatin1Char('0'))
                                  .arg(t.day, 2, 10, QLatin1Char('0'));
            return std::nullopt;
        }
        Timing out;
        out.wall = wallOf(t);
        if (t.is_date) {
            out.kind = Timing::Kind::Date;
            return out;
        }
        if (icaltime_is_utc(t)) {
            out.kind = Timing::Kind::Utc;
            return out;
        }
        icalparameter* tz = icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER);
        const QString tzid = tz ? text(icalparameter_get_tzid(tz)) : QString();
        if (tzid.isEmpty()) {
            out.kind = Timing::Kind::Floating;
            return out;
        }
        out.zone = zones_.resolve(tzid);
        if (!out.zone) {
            if (!zones_.refused(tzid))
                notes_ << QStringLiteral("has an unknown time zone \"%1\", read as local time")
                              .arg(tzid);
            out.kind = Timing::Kind::Floating;
        } else if (out.zone == ZoneTable::utc()) {
            out.kind = Timing::Kind::Utc;
            out.zone.reset();
        } else {
            out.kind = Timing::Kind::Zoned;
        }
        return out;
    }

    std::optional<Timing> timingOfValue(icalproperty* p) {
        icalvalue* v = icalproperty_get_value(p);
        if (!v) return std::nullopt;
        switch (icalvalue_isa(v)) {
            case ICAL_DATE_VALUE:
                return timing(p, icalvalue_get_date(v));
            case ICAL_DATETIME_VALUE:
                return timing(p, icalvalue_get_datetime(v));
            case ICAL_DATETIMEPERIOD_VALUE:
                return timing(p, icalvalue_get_datetimeperiod(v).time);
            default:
                return std::nullopt;
        }
    }

    static QString partstatText(icalparameter_partstat s) {
        switch (s) {
            case ICAL_PARTSTAT_ACCEPTED:
                return AttendeeStatusAccepted;
            case ICAL_PARTSTAT_DECLINED:
                return AttendeeStatusDeclined;
            case ICAL_PARTSTAT_TENTATIVE:
                return AttendeeStatusTentative;
            case ICAL_PARTSTAT_DELEGATED:
                return AttendeeStatusDelegated;
            case ICAL_PARTSTAT_COMPLETED:
                return QStringLiteral("COMPLETED");
            case ICAL_PARTSTAT_INPROCESS:
                return QStringLiteral("IN-PROCESS");
            default:
                return AttendeeStatusNeedsAction;
        }
    }

    static QString roleText(icalparameter_role r) {
        switch (r) {
            case ICAL_ROLE_CHAIR:
                return AttendeeRoleChair;
            case ICAL_ROLE_OPTPARTICIPANT:
                return AttendeeRoleOptional;
            case ICAL_ROLE_NONPARTICIPANT:
                return AttendeeRoleNonParticipant;
            default:
                return AttendeeRoleRequired;
        }
    }

    static AttendeePtr attendee(icalproperty* p) {
        const QString address = text(icalproperty_get_attendee(p));
        QString name, status = AttendeeStatusNeedsAction, role = AttendeeRoleRequired;
        if (icalparameter* cn = icalproperty_get_first_parameter(p, ICAL_CN_PARAMETER))
            name = text(icalparameter_get_cn(cn));
        if (icalparameter* ps = icalproperty_get_first_parameter(p, ICAL_PARTSTAT_PARAMETER))
            status = partstatText(icalparameter_get_partstat(ps));
        if (icalparameter* rp = icalproperty_get_first_parameter(p, ICAL_ROLE_PARAMETER))
            role = roleText(icalparameter_get_role(rp));
        // "mailto:" alone stands for an attendee known only by name.
        const bool noAddress = address.compare(QStringLiteral("mailto:"), Qt::CaseInsensitive) == 0;
        return std::make_shared<Attendee>(noAddress ? QUrl() : QUrl(address), name, status, role);
    }

    struct EventParts {
        Component component;
        std::vector<RuleSpec> rules;
        std::vector<RuleSpec> exceptionRules;
        std::vector<ExtraDate> extraDates;
        std::vector<Timing> exceptionDates;
        bool hasRecurrenceId = false;
    };

    // Adds a rule as libical read it, checked against the rule as written
    // (which libical may have read otherwise); false when there is no rule.
    bool addRule(EventParts& out, bool exception, std::optional<RuleSpec> spec) {
        const QByteArray written =
            ruleIndex_ < rawRules_.size() ? rawRules_.at(ruleIndex_) : QByteArray();
        ++ruleIndex_;
        const QString writtenProblem = written.isNull() ? QString() : ruleTextProblem(written);
        if (!writtenProblem.isEmpty()) {
            // Kept as written, so that a save does not change it, but not expanded.
            if (!spec) spec = RuleSpec();
            spec->text = QString::fromUtf8(written);
            spec->libical.reset();
            spec->problem = writtenProblem;
        }
        if (!spec) return false;
        if (!spec->problem.isEmpty())
            notes_ << (exception ? QStringLiteral("has an exception rule it cannot use (it %1); it "
                                                  "excludes nothing")
                                 : QStringLiteral("has a recurrence rule it cannot use (it %1); "
                                                  "only its first occurrence is shown"))
                          .arg(spec->problem);
        (exception ? out.exceptionRules : out.rules).push_back(*spec);
        return true;
    }

    // Reads one VEVENT; answers the problem when it cannot be used.
    QString event(icalcomponent* c, EventParts& out) {
        Component& comp = out.component;
        std::optional<Timing> start, end;
        std::optional<icaldurationtype> duration;
        QDateTime lastModified, dtstamp;
        for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_ANY_PROPERTY); p;
             p = icalcomponent_get_next_property(c, ICAL_ANY_PROPERTY)) {
            switch (icalproperty_isa(p)) {
                case ICAL_DTSTART_PROPERTY:
                    impossibleDate_.clear();
                    start = timingOfValue(p);
                    if (!start && !impossibleDate_.isEmpty())
                        return QStringLiteral("has a start on a day that does not exist (%1)")
                            .arg(impossibleDate_);
                    if (!start) return QStringLiteral("has an unreadable start");
                    break;
                case ICAL_DTEND_PROPERTY:
                    impossibleDate_.clear();
                    end = timingOfValue(p);
                    if (!end && !impossibleDate_.isEmpty())
                        return QStringLiteral("has an end on a day that does not exist (%1)")
                            .arg(impossibleDate_);
                    break;
                case ICAL_DURATION_PROPERTY:
                    duration = icalproperty_get_duration(p);
                    break;
                case ICAL_RECURRENCEID_PROPERTY:
                    comp.recurrenceId = timingOfValue(p);
                    out.hasRecurrenceId = true;
                    if (!comp.recurrenceId)
                        return QStringLiteral("has an unreadable recurrence identifier");
                    break;
                case ICAL_SUMMARY_PROPERTY:
                    comp.details.title = text(icalproperty_get_summary(p));
                    break;
                case ICAL_LOCATION_PROPERTY:
                    comp.details.location = text(icalproperty_get_location(p));
                    break;
                case ICAL_DESCRIPTION_PROPERTY:
                    comp.details.notes = text(icalproperty_get_description(p));
                    break;
                case ICAL_URL_PROPERTY:
                    comp.details.url = QUrl(text(icalproperty_get_url(p)));
                    break;
                case ICAL_LASTMODIFIED_PROPERTY:
                    lastModified = utcDateTime(icalproperty_get_lastmodified(p));
                    break;
                case ICAL_DTSTAMP_PROPERTY:
                    dtstamp = utcDateTime(icalproperty_get_dtstamp(p));
                    break;
                case ICAL_ATTENDEE_PROPERTY:
                    comp.details.attendees << attendee(p);
                    break;
                case ICAL_RRULE_PROPERTY:
                case ICAL_EXRULE_PROPERTY: {
                    const bool exception = icalproperty_isa(p) == ICAL_EXRULE_PROPERTY;
                    const icalrecurrencetype r =
                        exception ? icalproperty_get_exrule(p) : icalproperty_get_rrule(p);
                    if (!addRule(
                            out, exception,
                            RuleSpec::fromLibical(r, text(icalproperty_get_value_as_string(p)))))
                        return QStringLiteral("has an unreadable recurrence rule");
                    break;
                }
                case ICAL_RDATE_PROPERTY: {
                    icalvalue* v = icalproperty_get_value(p);
                    if (!v) break;
                    ExtraDate extra;
                    auto at = timingOfValue(p);
                    if (!at) return QStringLiteral("has an unreadable RDATE");
                    extra.start = *at;
                    if (icalvalue_isa(v) == ICAL_DATETIMEPERIOD_VALUE) {
                        const icalperiodtype period = icalvalue_get_datetimeperiod(v).period;
                        if (!icaltime_is_null_time(period.start)) {
                            extra.start = timing(p, period.start).value_or(extra.start);
                            if (!icaltime_is_null_time(period.end)) {
                                extra.periodEnd = timing(p, period.end);
                            } else {
                                const icaldurationtype d = period.duration;
                                extra.periodDuration = Duration{
                                    d.is_neg ? 0 : qint64(d.days) + 7 * qint64(d.weeks),
                                    d.is_neg ? 0
                                             : qint64(d.hours) * 3600 + d.minutes * 60 + d.seconds};
                            }
                        }
                    }
                    out.extraDates.push_back(extra);
                    break;
                }
                case ICAL_XLICERROR_PROPERTY: {
                    // libical drops a value it cannot parse and leaves this note; a
                    // dropped timing or rule would show the event wrongly.
                    const QString error = text(icalproperty_get_xlicerror(p));
                    // libical drops a rule without a value; it stands as written.
                    for (const char* name : {"RRULE", "EXRULE"}) {
                        if (!error.contains(
                                QStringLiteral("for %1 property").arg(QLatin1String(name))))
                            continue;
                        addRule(out, qstrcmp(name, "EXRULE") == 0, std::nullopt);
                    }
                    static const char* const needed[] = {"DTSTART", "DTEND",        "DURATION",
                                                         "RRULE",   "EXRULE",       "RDATE",
                                                         "EXDATE",  "RECURRENCE-ID"};
                    for (const char* name : needed)
                        if (error.contains(
                                QStringLiteral(" in %1 property").arg(QLatin1String(name))))
                            return QStringLiteral("has an unreadable %1").arg(QLatin1String(name));
                    break;
                }
                case ICAL_EXDATE_PROPERTY: {
                    impossibleDate_.clear();
                    auto at = timingOfValue(p);
                    if (!at && !impossibleDate_.isEmpty()) {
                        notes_ << QStringLiteral(
                                      "has an EXDATE on a day that does not exist (%1); "
                                      "it excludes nothing")
                                      .arg(impossibleDate_);
                        break;
                    }
                    if (!at) return QStringLiteral("has an unreadable EXDATE");
                    out.exceptionDates.push_back(*at);
                    break;
                }
                default:
                    break;
            }
        }
        if (!start) {
            // A changed occurrence may leave its start to the recurrence identifier.
            if (!comp.recurrenceId) return QStringLiteral("has an event without a start");
            start = comp.recurrenceId;
        }
        comp.start = *start;
        comp.details.stamp = lastModified.isValid() ? lastModified : dtstamp;
        comp.details.hasAlarm =
            icalcomponent_get_first_component(c, ICAL_VALARM_COMPONENT) != nullptr;

        if (duration && duration->is_neg && !end) {
            notes_ << QStringLiteral(
                "has a negative DURATION; the event is read as lasting no "
                "time");
        }
        if (comp.start.isDate()) {
            qint64 days = 1;
            if (end) {
                days = end->days() - comp.start.days();
                if (days < 0)
                    notes_ << QStringLiteral(
                        "has an end before its start; the event is read as "
                        "lasting one day");
            } else if (duration && !duration->is_neg) {
                days = duration->days + 7 * qint64(duration->weeks) +
                       (duration->hours || duration->minutes || duration->seconds ? 1 : 0);
            }
            comp.duration = Duration{std::max<qint64>(1, days), 0};
        } else if (end) {
            const ZoneTable& local = *ZoneTable::utc();  // only differences matter below
            qint64 seconds = 0;
            if ((end->kind == Timing::Kind::Floating || end->isDate()) &&
                comp.start.kind == Timing::Kind::Floating) {
                // Floating times keep their length on the wall clock.
                seconds = end->wall - comp.start.wall;
                comp.wallDuration = true;
            } else if (end->kind == comp.start.kind && end->zone == comp.start.zone) {
                // Same clock: the exact length follows from the two instants.
                const ZoneTable& clock = comp.start.clock(local);
                seconds = clock.utcFromWall(end->wall) - clock.utcFromWall(comp.start.wall);
            } else {
                seconds = end->utc(local) - comp.start.utc(local);
            }
            if (seconds < 0)
                notes_ << QStringLiteral(
                    "has an end before its start; the event is read as "
                    "lasting no time");
            comp.duration = Duration{0, std::max<qint64>(0, seconds)};
            comp.exactDuration = true;
        } else if (duration && !duration->is_neg) {
            comp.duration = Duration{
                qint64(duration->days) + 7 * qint64(duration->weeks),
                qint64(duration->hours) * 3600 + duration->minutes * 60 + duration->seconds};
        }
        return QString();
    }

    QString task(icalcomponent* c, TaskRecord& out) {
        QDateTime lastModified, dtstamp;
        for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_ANY_PROPERTY); p;
             p = icalcomponent_get_next_property(c, ICAL_ANY_PROPERTY)) {
            switch (icalproperty_isa(p)) {
                case ICAL_SUMMARY_PROPERTY:
                    out.title = text(icalproperty_get_summary(p));
                    break;
                case ICAL_DESCRIPTION_PROPERTY:
                    out.notes = text(icalproperty_get_description(p));
                    break;
                case ICAL_URL_PROPERTY:
                    out.url = QUrl(text(icalproperty_get_url(p)));
                    break;
                case ICAL_DUE_PROPERTY:
                    out.due = timingOfValue(p);
                    break;
                case ICAL_COMPLETED_PROPERTY:
                    out.completed = timingOfValue(p);
                    break;
                case ICAL_STATUS_PROPERTY:
                    out.completedStatus = icalproperty_get_status(p) == ICAL_STATUS_COMPLETED;
                    break;
                case ICAL_PRIORITY_PROPERTY:
                    out.priority = qBound(0, icalproperty_get_priority(p), 9);
                    break;
                case ICAL_LASTMODIFIED_PROPERTY:
                    lastModified = utcDateTime(icalproperty_get_lastmodified(p));
                    break;
                case ICAL_DTSTAMP_PROPERTY:
                    dtstamp = utcDateTime(icalproperty_get_dtstamp(p));
                    break;
                default:
                    break;
            }
        }
        out.stamped = lastModified.isValid() ? lastModified : dtstamp;
        return QString();
    }

private:
    ZoneResolver& zones_;
    QStringList& notes_;
    QList<QByteArray> rawRules_;  // the events' rules as written, in file order
    qsizetype ruleIndex_ = 0;
    QString impossibleDate_;  // the last date read that does not exist
};

// The model's reading of a series' rule; unrepresentable when the file says
// more than the model holds.
RecurrenceRule modelRuleOf(const Series& s) {
    const QTimeZone zone = storeTimeZone();
    const ZoneTable& local = *ZoneTable::forTimeZone(zone);
    const RuleSpec& r = s.rules.front();
    RecurrenceRule::End end;
    if (r.count > 0) {
        end = RecurrenceEnd::recurrenceEndWithOccurrenceCount(r.count);
    } else if (r.until) {
        const qint64 utc = r.until->kind == Timing::Kind::Utc
                               ? r.until->wall
                               : s.master->start.clock(local).utcFromWall(r.until->wall);
        end = RecurrenceEnd::recurrenceEndWithEndDate(QDateTime::fromSecsSinceEpoch(
            r.until->isDate() ? local.utcFromWall(r.until->wall) : utc, zone));
    }
    auto unrepresentable = [&] { return RecurrenceRule::unrepresentable(r.text, r.interval, end); };
    if (s.rules.size() != 1 || !s.exceptionRules.empty() || r.libical || !r.problem.isEmpty())
        return unrepresentable();

    bool nth = false;
    for (const auto& d : r.byDay)
        if (d.weekNumber != 0) nth = true;
    QList<int> months(r.byMonth.begin(), r.byMonth.end());
    QList<int> monthDays(r.byMonthDay.begin(), r.byMonthDay.end());
    RecurrenceRule rule;
    switch (r.frequency) {
        case Frequency::Daily:
            if (!r.byDay.empty() || !r.byMonth.empty() || !r.byMonthDay.empty())
                return unrepresentable();
            rule = RecurrenceRule::initDailyRecurrenceWithIntervalEnd(r.interval, end);
            break;
        case Frequency::Weekly: {
            if (nth || !r.byMonth.empty() || !r.byMonthDay.empty()) return unrepresentable();
            if (r.byDay.empty()) {
                rule = RecurrenceRule::initWeeklyRecurrenceWithIntervalEnd(r.interval, end);
            } else {
                QList<int> days;
                for (const auto& d : r.byDay) days << d.dayOfTheWeek;
                rule = RecurrenceRule::initWeeklyRecurrenceWithIntervalForDaysOfTheWeekEnd(
                    r.interval, days, end);
            }
            break;
        }
        case Frequency::Monthly:
            if (!r.byMonth.empty() || (!r.byDay.empty() && !r.byMonthDay.empty()) ||
                r.byDay.size() > 1)
                return unrepresentable();
            if (!r.byMonthDay.empty()) {
                rule = RecurrenceRule::initMonthlyRecurrenceWithIntervalForDaysOfTheMonthEnd(
                    r.interval, monthDays, end);
            } else if (!r.byDay.empty()) {
                rule = RecurrenceRule::
                    initMonthlyRecurrenceWithIntervalForDayOfTheWeekForWeekOfTheMonthEnd(
                        r.interval, r.byDay.front().dayOfTheWeek, r.byDay.front().weekNumber, end);
            } else {
                rule = RecurrenceRule::initMonthlyRecurrenceWithIntervalEnd(r.interval, end);
            }
            break;
        case Frequency::Yearly:
            if (!r.byMonthDay.empty() || r.byDay.size() > 1) return unrepresentable();
            if (!r.byDay.empty()) {
                // The model's yearly nth weekday counts within the given months.
                if (r.byMonth.empty()) return unrepresentable();
                rule = RecurrenceRule::
                    initYearlyRecurrenceWithIntervalForDayOfTheWeekForWeekOfTheMonthForMonthsOfTheYearEnd(
                        r.interval, r.byDay.front().dayOfTheWeek, r.byDay.front().weekNumber,
                        months, end);
            } else if (!r.byMonth.empty()) {
                rule = RecurrenceRule::initYearlyRecurrenceWithIntervalForMonthsOfTheYearEnd(
                    r.interval, months, end);
            } else {
                rule = RecurrenceRule::initYearlyRecurrenceWithIntervalEnd(r.interval, end);
            }
            break;
        default:
            return unrepresentable();
    }
    if (r.text.contains(QStringLiteral("WKST"), Qt::CaseInsensitive))
        rule.setFirstDayOfTheWeek(r.weekStart);
    rule.setOriginalText(r.text);
    return rule;
}

}  // namespace

SeriesReader::Result SeriesReader::read(const QByteArray& data, bool tasks) {
    Result result;
    if (data.size() > kMaxFileSize) {
        result.problem = QStringLiteral("is larger than %1 bytes").arg(kMaxFileSize);
        return result;
    }
    Prescan scanned = prescan(data);
    if (!scanned.problem.isEmpty()) {
        result.problem = scanned.problem;
        return result;
    }

    // Parsing and reading the parsed components touch only this file's own
    // objects (libical keeps its error state and scratch buffers per thread), so
    // files are read on several threads at once; the lock is only taken once,
    // to set libical up before its first use.
    { foundation::Guard prepared(libicalLock()); }
    ComponentHandle root(icalparser_parse_string(data.constData()));
    if (!root) {
        result.problem = QStringLiteral("is not an iCalendar file");
        return result;
    }
    std::vector<icalcomponent*> calendars;
    if (icalcomponent_isa(root.get()) == ICAL_VCALENDAR_COMPONENT) {
        calendars.push_back(root.get());
    } else if (icalcomponent_isa(root.get()) == ICAL_XROOT_COMPONENT) {
        for (icalcomponent* c = icalcomponent_get_first_component(root.get(), ICAL_ANY_COMPONENT);
             c; c = icalcomponent_get_next_component(root.get(), ICAL_ANY_COMPONENT)) {
            if (icalcomponent_isa(c) != ICAL_VCALENDAR_COMPONENT) {
                result.problem = QStringLiteral("is not an iCalendar file");
                return result;
            }
            calendars.push_back(c);
        }
    }
    if (calendars.empty()) {
        result.problem = QStringLiteral("is not an iCalendar file");
        return result;
    }

    const icalcomponent_kind wanted = tasks ? ICAL_VTODO_COMPONENT : ICAL_VEVENT_COMPONENT;
    std::vector<icalcomponent*> items;
    for (icalcomponent* calendar : calendars) {
        for (icalcomponent* c = icalcomponent_get_first_component(calendar, ICAL_ANY_COMPONENT); c;
             c = icalcomponent_get_next_component(calendar, ICAL_ANY_COMPONENT)) {
            const icalcomponent_kind kind = icalcomponent_isa(c);
            if (kind == ICAL_VTIMEZONE_COMPONENT) continue;
            if (kind != wanted) {
                result.problem =
                    QStringLiteral("holds a %1 component, which this calendar does not take")
                        .arg(text(icalcomponent_kind_to_string(kind)));
                return result;
            }
            items.push_back(c);
        }
    }
    if (items.empty()) {
        result.problem = tasks ? QStringLiteral("holds no task") : QStringLiteral("holds no event");
        return result;
    }
    QString uid;
    for (icalcomponent* c : items) {
        icalproperty* p = icalcomponent_get_first_property(c, ICAL_UID_PROPERTY);
        const QString itemUid = p ? text(icalproperty_get_uid(p)) : QString();
        if (itemUid.isEmpty()) {
            result.problem = QStringLiteral("has a component without UID");
            return result;
        }
        if (!uid.isEmpty() && itemUid != uid) {
            result.problem = QStringLiteral("holds several UIDs");
            return result;
        }
        uid = itemUid;
    }

    ZoneResolver zones(calendars.front());
    for (size_t i = 1; i < calendars.size(); ++i) zones.addDefinitionsFrom(calendars[i]);
    zones.setNotes(&result.notes);
    ComponentReader reader(zones, result.notes, std::move(scanned.eventRules));
    for (icalcomponent* c : items) {
        if (icalcomponent_get_first_component(c, ICAL_VEVENT_COMPONENT) ||
            icalcomponent_get_first_component(c, ICAL_VTODO_COMPONENT)) {
            result.notes << QStringLiteral(
                "has an event or task nested inside another; the "
                "nested one is ignored");
            break;
        }
    }

    if (tasks) {
        if (items.size() > 1) {
            result.problem = QStringLiteral("holds several tasks");
            return result;
        }
        auto task = std::make_shared<TaskRecord>();
        task->uid = uid;
        task->text = data;
        result.problem = reader.task(items.front(), *task);
        if (result.problem.isEmpty()) result.task = task;
        return result;
    }

    auto series = std::make_shared<Series>();
    series->uid = uid;
    for (icalcomponent* c : items) {
        ComponentReader::EventParts parts;
        result.problem = reader.event(c, parts);
        if (!result.problem.isEmpty()) return result;
        if (parts.hasRecurrenceId) {
            series->overrides.push_back(std::move(parts.component));
            continue;
        }
        if (series->master) {
            result.problem = QStringLiteral("holds the same event twice");
            return result;
        }
        series->master = std::move(parts.component);
        series->rules = std::move(parts.rules);
        series->exceptionRules = std::move(parts.exceptionRules);
        series->extraDates = std::move(parts.extraDates);
        series->exceptionDates = std::move(parts.exceptionDates);
    }
    // Two changed versions of one occurrence: the later one in the file stands.
    std::vector<Component> changes;
    bool repeated = false;
    for (Component& c : series->overrides) {
        auto same = std::find_if(changes.begin(), changes.end(), [&](const Component& o) {
            return c.recurrenceId && o.recurrenceId &&
                   c.recurrenceId->wall == o.recurrenceId->wall &&
                   c.recurrenceId->kind == o.recurrenceId->kind &&
                   c.recurrenceId->zone == o.recurrenceId->zone;
        });
        if (same == changes.end()) {
            changes.push_back(std::move(c));
        } else {
            *same = std::move(c);
            repeated = true;
        }
    }
    if (repeated)
        result.notes << QStringLiteral(
            "changes one occurrence twice (the same RECURRENCE-ID); "
            "the later change is used");
    series->overrides = std::move(changes);
    if (series->master && !series->rules.empty()) series->modelRule = modelRuleOf(*series);
    const QString laidOut = series->prepare();
    if (!laidOut.isEmpty()) result.notes << laidOut;
    result.series = series;
    return result;
}

}  // namespace calstore::detail
