#include "SampleStore.h"


#include <QDate>
#include <QDir>
#include <QFile>
#include <QStringList>

#include <map>
#include <random>

namespace bench {

namespace {

const char* const kBerlinZone =
    "BEGIN:VTIMEZONE\r\nTZID:Europe/Berlin\r\nBEGIN:DAYLIGHT\r\nTZOFFSETFROM:+0100\r\n"
    "TZOFFSETTO:+0200\r\nTZNAME:CEST\r\nDTSTART:19700329T020000\r\n"
    "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\nEND:DAYLIGHT\r\nBEGIN:STANDARD\r\n"
    "TZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nTZNAME:CET\r\nDTSTART:19701025T030000\r\n"
    "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n";

const char* const kNewYorkZone =
    "BEGIN:VTIMEZONE\r\nTZID:America/New_York\r\nBEGIN:DAYLIGHT\r\nTZOFFSETFROM:-0500\r\n"
    "TZOFFSETTO:-0400\r\nTZNAME:EDT\r\nDTSTART:20070311T020000\r\n"
    "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU\r\nEND:DAYLIGHT\r\nBEGIN:STANDARD\r\n"
    "TZOFFSETFROM:-0400\r\nTZOFFSETTO:-0500\r\nTZNAME:EST\r\nDTSTART:20071104T020000\r\n"
    "RRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n";

struct CalendarInfo {
    const char* folder;
    const char* title;
    const char* color;
};
const CalendarInfo kCalendars[] = {{"work", "Work", "#1f6fd0"},
                                   {"home", "Home", "#2e9e44"},
                                   {"sports", "Sports", "#e0801a"},
                                   {"family", "Family", "#b03ab8"},
                                   {"travel", "Travel", "#c8322c"}};

const char* const kDayCodes[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

enum class Clock { Berlin, NewYork, Utc, Floating };

// Draws from one generator so that a count and a seed always give the same store.
class Draw {
public:
    explicit Draw(unsigned seed) : rng_(seed) {}
    int range(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool chance(int percent) { return range(0, 99) < percent; }

private:
    std::mt19937 rng_;
};

QString dateText(const QDate& d) {
    return d.toString(QStringLiteral("yyyyMMdd"));
}

QString dateTimeText(const QDate& d, int minutes) {
    return dateText(d) + QString::asprintf("T%02d%02d00", minutes / 60, minutes % 60);
}

// A DTSTART-like property line for a wall-clock time on a clock.
QString timeProperty(const char* name, Clock clock, const QDate& d, int minutes) {
    switch (clock) {
        case Clock::Berlin:
            return QStringLiteral("%1;TZID=Europe/Berlin:%2")
                .arg(QLatin1String(name), dateTimeText(d, minutes));
        case Clock::NewYork:
            return QStringLiteral("%1;TZID=America/New_York:%2")
                .arg(QLatin1String(name), dateTimeText(d, minutes));
        case Clock::Utc:
            return QStringLiteral("%1:%2Z").arg(QLatin1String(name), dateTimeText(d, minutes));
        case Clock::Floating:
            return QStringLiteral("%1:%2").arg(QLatin1String(name), dateTimeText(d, minutes));
    }
    return {};
}

QString dateProperty(const char* name, const QDate& d) {
    return QStringLiteral("%1;VALUE=DATE:%2").arg(QLatin1String(name), dateText(d));
}

// 1 Sunday .. 7 Saturday
int weekdayOf(const QDate& d) {
    return d.dayOfWeek() % 7 + 1;
}

struct Event {
    QString uid;
    QStringList master;
    QList<QStringList> overrides;
    Clock clock = Clock::Floating;
};

Event makeEvent(Draw& draw, int index) {
    Event e;
    e.uid = QStringLiteral("sample-%1").arg(index, 6, 10, QLatin1Char('0'));
    const QDate first(2020, 1, 1);
    const QDate start = first.addDays(draw.range(0, int(first.daysTo(QDate(2027, 12, 31)))));
    const int minutes = draw.range(7 * 4, 20 * 4) * 15;
    const int clockPick = draw.range(0, 99);
    e.clock = clockPick < 45   ? Clock::Berlin
              : clockPick < 65 ? Clock::NewYork
              : clockPick < 80 ? Clock::Utc
                               : Clock::Floating;
    QStringList& p = e.master;
    p << QStringLiteral("SUMMARY:Sample event %1").arg(index);
    if (draw.chance(30)) p << QStringLiteral("LOCATION:Room %1").arg(draw.range(1, 40));

    const int kind = draw.range(0, 99);
    if (kind < 40) {  // single timed
        p << timeProperty("DTSTART", e.clock, start, minutes);
        p << QStringLiteral("DURATION:PT%1M").arg(draw.range(2, 12) * 15);
        return e;
    }
    if (kind < 50) {  // single all-day
        p << dateProperty("DTSTART", start) << dateProperty("DTEND", start.addDays(1));
        return e;
    }
    if (kind < 55) {  // several days, all-day
        p << dateProperty("DTSTART", start)
          << dateProperty("DTEND", start.addDays(draw.range(2, 6)));
        return e;
    }
    if (kind < 60) {  // several days, timed
        p << timeProperty("DTSTART", e.clock, start, minutes)
          << timeProperty("DTEND", e.clock, start.addDays(draw.range(1, 3)),
                          draw.range(6, 22) * 60);
        return e;
    }

    // Repeating.
    const bool allDay = draw.chance(20);
    if (allDay) {
        p << dateProperty("DTSTART", start) << dateProperty("DTEND", start.addDays(1));
    } else {
        p << timeProperty("DTSTART", e.clock, start, minutes);
        p << QStringLiteral("DURATION:PT%1M").arg(draw.range(2, 8) * 15);
    }
    QStringList rule;
    int stepDays = 0;  // for rules whose occurrences are plain steps of days
    const int freq = draw.range(0, 99);
    if (freq < 25) {
        const int interval = draw.range(1, 3);
        rule << QStringLiteral("FREQ=DAILY");
        if (interval > 1) rule << QStringLiteral("INTERVAL=%1").arg(interval);
        stepDays = interval;
    } else if (freq < 60) {
        const int interval = draw.range(1, 2);
        rule << QStringLiteral("FREQ=WEEKLY");
        if (interval > 1) rule << QStringLiteral("INTERVAL=%1").arg(interval);
        if (draw.chance(50)) {
            QStringList days{QLatin1String(kDayCodes[weekdayOf(start) - 1])};
            for (int extra = draw.range(1, 2); extra > 0; --extra) {
                const QString code = QLatin1String(kDayCodes[draw.range(0, 6)]);
                if (!days.contains(code)) days << code;
            }
            rule << QStringLiteral("BYDAY=") + days.join(QLatin1Char(','));
        } else {
            stepDays = 7 * interval;
        }
    } else if (freq < 85) {
        rule << QStringLiteral("FREQ=MONTHLY");
        if (draw.chance(50)) {
            if (start.day() <= 28) rule << QStringLiteral("BYMONTHDAY=%1").arg(start.day());
        } else {
            const bool last = start.day() + 7 > start.daysInMonth();
            const int nth = last ? -1 : (start.day() - 1) / 7 + 1;
            rule << QStringLiteral("BYDAY=%1%2")
                        .arg(nth)
                        .arg(QLatin1String(kDayCodes[weekdayOf(start) - 1]));
        }
    } else {
        rule << QStringLiteral("FREQ=YEARLY");
        if (draw.chance(50) && start.day() <= 28)
            rule << QStringLiteral("BYMONTH=%1").arg(start.month());
    }

    const int ending = draw.range(0, 99);
    int occurrences = 1000;  // the least the rule gives, as far as the changes below care
    if (ending < 40) {
        occurrences = draw.range(2, 60);
        rule.insert(1, QStringLiteral("COUNT=%1").arg(occurrences));
    } else if (ending < 70) {
        const QDate until = start.addDays(draw.range(30, 900));
        if (stepDays) occurrences = int(start.daysTo(until) / stepDays) + 1;
        if (allDay)
            rule.insert(1, QStringLiteral("UNTIL=") + dateText(until));
        else if (e.clock == Clock::Floating)
            rule.insert(1, QStringLiteral("UNTIL=") + dateTimeText(until, 23 * 60));
        else
            rule.insert(1,
                        QStringLiteral("UNTIL=") + dateTimeText(until, 12 * 60) + QLatin1Char('Z'));
    }
    p << QStringLiteral("RRULE:") + rule.join(QLatin1Char(';'));

    // Exclusions and changed occurrences, on rules whose occurrences are steps of days.
    if (stepDays && occurrences >= 6) {
        auto occurrence = [&](int k) { return start.addDays(qint64(k) * stepDays); };
        if (draw.chance(40)) {
            p << (allDay ? dateProperty("EXDATE", occurrence(1))
                         : timeProperty("EXDATE", e.clock, occurrence(1), minutes));
        }
        if (draw.chance(25)) {
            const QDate moved = occurrence(3);
            QStringList o;
            o << QStringLiteral("SUMMARY:Sample event %1 (moved)").arg(index);
            if (allDay) {
                o << dateProperty("RECURRENCE-ID", moved)
                  << dateProperty("DTSTART", moved.addDays(1))
                  << dateProperty("DTEND", moved.addDays(2));
            } else {
                o << timeProperty("RECURRENCE-ID", e.clock, moved, minutes)
                  << timeProperty("DTSTART", e.clock, moved, minutes + 60)
                  << QStringLiteral("DURATION:PT45M");
            }
            e.overrides << o;
        }
    }
    return e;
}

QByteArray fileText(const Event& e) {
    QString out =
        QStringLiteral("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Zolt//Sample store//EN\r\n");
    if (e.clock == Clock::Berlin) out += QLatin1String(kBerlinZone);
    if (e.clock == Clock::NewYork) out += QLatin1String(kNewYorkZone);
    auto component = [&](const QStringList& properties) {
        out += QStringLiteral("BEGIN:VEVENT\r\nUID:") + e.uid +
               QStringLiteral("\r\nDTSTAMP:20240101T000000Z\r\n");
        for (const QString& p : properties) out += p + QStringLiteral("\r\n");
        out += QStringLiteral("END:VEVENT\r\n");
    };
    component(e.master);
    for (const auto& o : e.overrides) component(o);
    out += QStringLiteral("END:VCALENDAR\r\n");
    return out.toUtf8();
}

bool writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

}  // namespace

bool SampleStore::write(const QString& root, int events, unsigned seed) {
    QDir rootDir(root);
    if (!rootDir.mkpath(QStringLiteral("."))) return false;
    for (const auto& c : kCalendars) {
        QDir folder(rootDir.filePath(QLatin1String(c.folder)));
        folder.removeRecursively();
        if (!rootDir.mkpath(QLatin1String(c.folder))) return false;
        if (!writeFile(folder.filePath(QStringLiteral("displayname")), c.title) ||
            !writeFile(folder.filePath(QStringLiteral("color")), c.color))
            return false;
    }
    Draw draw(seed);
    const int calendars = int(std::size(kCalendars));
    for (int i = 0; i < events; ++i) {
        const Event e = makeEvent(draw, i);
        // Most events go to the first calendars, as in a real store.
        const int pick = draw.range(0, 99);
        const int calendar = pick < 40   ? 0
                             : pick < 65 ? 1
                             : pick < 80 ? 2
                             : pick < 92 ? 3
                                         : calendars - 1;
        const QString path = rootDir.filePath(QLatin1String(kCalendars[calendar].folder)) +
                             QLatin1Char('/') + e.uid + QStringLiteral(".ics");
        if (!writeFile(path, fileText(e))) return false;
    }
    return true;
}

QString SampleStore::cachedRoot(int events) {
    static std::map<int, QString> roots;
    auto it = roots.find(events);
    if (it != roots.end()) return it->second;
    const QString root = QDir::tempPath() + QStringLiteral("/zolt-bench-store-%1").arg(events);
    const QByteArray stamp = "sample store v1\n";
    QFile stampFile(root + QStringLiteral("/.stamp"));
    if (!stampFile.open(QIODevice::ReadOnly) || stampFile.readAll() != stamp) {
        if (!write(root, events)) qFatal("cannot write the sample store");
        QFile out(root + QStringLiteral("/.stamp"));
        if (out.open(QIODevice::WriteOnly)) out.write(stamp);
    }
    roots[events] = root;
    return root;
}

}  // namespace bench
