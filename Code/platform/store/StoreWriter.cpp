#include "platform/store/StoreWriter.h"

#include "platform/store/EventAccess.h"
#include "platform/store/StoreIntent.h"
#include "platform/store/StoreTime.h"

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Log.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

namespace calstore::detail {

using namespace civil;
using Doc = IcsDocument;
using Comp = IcsDocument::Component;
using CompPtr = IcsDocument::ComponentPtr;
using Param = IcsDocument::Parameter;
using PropPtr = std::shared_ptr<IcsDocument::Property>;

namespace {

QByteArray digits(qint64 n, int width) {
    return QByteArray::number(n).rightJustified(width, '0');
}

QByteArray dateText(qint64 days) {
    int y = 0, m = 0, d = 0;
    civilFromDays(days, &y, &m, &d);
    return digits(y, 4) + digits(m, 2) + digits(d, 2);
}

QByteArray wallText(qint64 wall) {
    const qint64 s = secondsOfDayOfWall(wall);
    return dateText(daysOfWall(wall)) + 'T' + digits(s / 3600, 2) + digits(s / 60 % 60, 2) +
           digits(s % 60, 2);
}

struct TimeValue {
    QByteArray value;
    QList<Param> parameters;
};

TimeValue formatTime(const TimeForm& form, qint64 utc, bool date, const ZoneTable& local) {
    if (date) return {dateText(daysOfWall(local.wallFromUtc(utc))), {Param{"VALUE", {"DATE"}}}};
    // A wall time that reads back as another instant (the repeated hour when the
    // clock goes back) is written in UTC, which reads back unchanged.
    switch (form.kind) {
        case Timing::Kind::Utc:
            return {wallText(utc) + 'Z', {}};
        case Timing::Kind::Zoned: {
            const qint64 wall = form.zone->wallFromUtc(utc);
            if (form.zone->utcFromWall(wall) != utc) return {wallText(utc) + 'Z', {}};
            return {wallText(wall), {Param{"TZID", {form.tzid}}}};
        }
        default: {
            const qint64 wall = local.wallFromUtc(utc);
            if (local.utcFromWall(wall) != utc) return {wallText(utc) + 'Z', {}};
            return {wallText(wall), {}};
        }
    }
}

// "yyyyMMdd" or "yyyyMMddThhmmss[Z]" on the given clock.
std::optional<qint64> parseTimeText(QByteArray text, const ZoneTable& clock, bool* isDate) {
    text = text.trimmed();
    const int slash = int(text.indexOf('/'));  // a period: its start
    if (slash >= 0) text.truncate(slash);
    auto number = [&](int from, int length, bool* ok) { return text.mid(from, length).toInt(ok); };
    bool ok1 = false, ok2 = false, ok3 = false;
    if (text.size() < 8) return std::nullopt;
    const int y = number(0, 4, &ok1), m = number(4, 2, &ok2), d = number(6, 2, &ok3);
    if (!ok1 || !ok2 || !ok3 || m < 1 || m > 12 || d < 1 || d > 31) return std::nullopt;
    const qint64 days = daysFromCivil(y, m, d);
    if (text.size() == 8) {
        if (isDate) *isDate = true;
        return clock.utcFromWall(days * kSecondsPerDay);
    }
    if (text.size() < 15 || text[8] != 'T') return std::nullopt;
    const int hh = number(9, 2, &ok1), mm = number(11, 2, &ok2), ss = number(13, 2, &ok3);
    if (!ok1 || !ok2 || !ok3) return std::nullopt;
    const qint64 wall = days * kSecondsPerDay + hh * 3600 + mm * 60 + ss;
    if (isDate) *isDate = false;
    if (text.endsWith('Z')) return wall;
    return clock.utcFromWall(wall);
}

QByteArray newUid() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toLatin1();
}

bool sameAttendees(const QList<AttendeePtr>& a, const QList<AttendeePtr>& b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i] == b[i]) continue;
        if (!a[i] || !b[i]) return false;
        if (a[i]->address() != b[i]->address() || a[i]->commonName() != b[i]->commonName() ||
            a[i]->status() != b[i]->status() || a[i]->role() != b[i]->role())
            return false;
    }
    return true;
}

bool sameRule(const std::optional<RecurrenceRule>& a, const std::optional<RecurrenceRule>& b) {
    if (a.has_value() != b.has_value()) return false;
    return !a || *a == *b;
}

QString addressText(const QUrl& url) {
    return url.isEmpty() ? QStringLiteral("mailto:") : url.toString(QUrl::FullyEncoded);
}

QString addressKey(const QByteArray& value) {
    QString v = QString::fromUtf8(value).trimmed();
    if (v.startsWith(QStringLiteral("mailto:"), Qt::CaseInsensitive)) v = v.mid(7);
    return v.toLower();
}

// Gives the component exactly these attendees, reusing the line of an attendee
// with the same address (or, without one, the same name) so that what the
// model does not hold of it (RSVP, CUTYPE, delegation ...) stays.
void rewriteAttendees(Comp& comp, const QList<AttendeePtr>& attendees) {
    QList<PropPtr> old = comp.properties("ATTENDEE");
    qsizetype position = -1;
    for (size_t i = 0; i < comp.items.size(); ++i)
        if (comp.items[i].property && comp.items[i].property->name == "ATTENDEE") {
            position = qsizetype(i);
            break;
        }
    comp.removeAll("ATTENDEE");
    std::vector<Comp::Item> fresh;
    for (const auto& a : attendees) {
        if (!a) continue;
        const QString address = addressText(a->address());
        const QString key = addressKey(address.toUtf8());
        PropPtr match;
        for (qsizetype i = 0; i < old.size(); ++i) {
            const bool same =
                a->address().isEmpty()
                    ? addressKey(old[i]->value).isEmpty() &&
                          Doc::unescapeText(old[i]->parameterValue("CN")) == a->commonName()
                    : addressKey(old[i]->value) == key;
            if (same) {
                match = old.takeAt(i);
                break;
            }
        }
        auto p = std::make_shared<IcsDocument::Property>();
        if (match) *p = *match;
        p->name = "ATTENDEE";
        p->value = address.toUtf8();
        p->setParameter("CN", Doc::parameterText(a->commonName()));
        p->setParameter("PARTSTAT", Doc::parameterText(a->status()));
        p->setParameter("ROLE", Doc::parameterText(a->role()));
        p->changed();
        fresh.push_back(Comp::Item{p, nullptr});
    }
    if (position < 0) {
        for (const auto& item : fresh) comp.add(item.property);
    } else {
        position = std::min<qsizetype>(position, qsizetype(comp.items.size()));
        comp.items.insert(comp.items.begin() + position, fresh.begin(), fresh.end());
    }
}

void setText(Comp& comp, const QByteArray& name, const QString& value) {
    if (value.isEmpty())
        comp.removeAll(name);
    else
        comp.set(name, Doc::escapeText(value));
}

// Whether the series a copy was read from is the version the store holds: a
// save over any other version would undo what changed since.
bool sameVersion(const Series& read, const Series& current, QString* why) {
    if (&read == &current || (read.path == current.path && read.stamp.hash == current.stamp.hash))
        return true;
    *why = QStringLiteral(
        "it was changed since this copy of it was read (by another program or another save); "
        "it was left as it is: reload it and try again");
    return false;
}

// The values of date lists (EXDATE, RDATE) with their instants, one entry per value.
struct ListedTime {
    PropPtr property;
    QByteArray text;
    std::optional<qint64> utc;
};

}  // namespace

// --- Set-up and shared pieces ------------------------------------------------------------

StoreWriter::StoreWriter(Store& s, std::shared_ptr<const StoreSnapshot> snapshot)
    : store(s),
      snap(std::move(snapshot)),
      zone(storeTimeZone()),
      local(ZoneTable::forTimeZone(zone)),
      now(wallText(QDateTime::currentSecsSinceEpoch()) + 'Z') {}

StoreWriter::~StoreWriter() {
    ++store.writeGeneration_;
}

QString StoreWriter::folderNameFor(const QString& uid) {
    QString out;
    const QByteArray utf8 = uid.toUtf8();
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '@' || c == '+' ||
                           c == '=' || (c == '.' && i > 0);
        if (plain)
            out += QLatin1Char(c);
        else
            out += QStringLiteral("%%1").arg(uchar(c), 2, 16, QLatin1Char('0')).toUpper();
    }
    if (out.size() > 160)
        out = out.left(120) + QLatin1Char('-') +
              QString::fromLatin1(
                  QCryptographicHash::hash(utf8, QCryptographicHash::Sha1).toHex().left(16));
    if (out.isEmpty()) out = QStringLiteral("%00");
    return out;
}

QString StoreWriter::fileNameFor(const QString& uid, const QString& folder) {
    const QString base = folderNameFor(uid);
    QString name = base + QStringLiteral(".ics");
    // A name taken already (on a case-insensitive disk, also by a name that
    // differs only in case) gets the UID's hash.
    if (QFileInfo::exists(folder + QLatin1Char('/') + name))
        name =
            base + QLatin1Char('-') +
            QString::fromLatin1(
                QCryptographicHash::hash(uid.toUtf8(), QCryptographicHash::Sha1).toHex().left(12)) +
            QStringLiteral(".ics");
    return name;
}

IcsDocument::ComponentPtr StoreWriter::timeZoneComponent(const QTimeZone& tz) {
    auto c = std::make_shared<Comp>();
    c->name = "VTIMEZONE";
    c->set("TZID", tz.id());
    auto offsetText = [](int seconds) {
        const char sign = seconds < 0 ? '-' : '+';
        seconds = std::abs(seconds);
        QByteArray t =
            QByteArray(1, sign) + digits(seconds / 3600, 2) + digits(seconds / 60 % 60, 2);
        if (seconds % 60) t += digits(seconds % 60, 2);
        return t;
    };
    const int year = QDate::currentDate().year();
    const auto transitions = tz.transitions(QDateTime(QDate(year, 1, 1), QTime(0, 0), Qt::UTC),
                                            QDateTime(QDate(year + 1, 1, 1), QTime(0, 0), Qt::UTC));
    if (transitions.size() != 2) {
        const int offset = tz.offsetFromUtc(QDateTime::currentDateTimeUtc());
        auto o = std::make_shared<Comp>();
        o->name = "STANDARD";
        o->set("DTSTART", "19700101T000000");
        o->set("TZOFFSETFROM", offsetText(offset));
        o->set("TZOFFSETTO", offsetText(offset));
        c->addComponent(o);
        return c;
    }
    static const char* const days[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
    for (int i = 0; i < 2; ++i) {
        const auto& t = transitions[i];
        const int before = transitions[1 - i].offsetFromUtc;
        const qint64 wall = t.atUtc.toSecsSinceEpoch() + before;
        int y = 0, m = 0, d = 0;
        civilFromDays(daysOfWall(wall), &y, &m, &d);
        const int week = d + 7 > daysInMonth(y, m) ? -1 : (d - 1) / 7 + 1;
        // The same rule's onset in 1970, so that the rule covers the years
        // events are usually in (the zone's own name gives older changes).
        const int weekday = weekdayOfDays(daysOfWall(wall));
        qint64 onset = 0;
        if (week > 0) {
            const qint64 firstOfMonth = daysFromCivil(1970, m, 1);
            onset =
                firstOfMonth + floorMod(weekday - weekdayOfDays(firstOfMonth), 7) + 7 * (week - 1);
        } else {
            const qint64 lastOfMonth = daysFromCivil(1970, m, daysInMonth(1970, m));
            onset = lastOfMonth - floorMod(weekdayOfDays(lastOfMonth) - weekday, 7);
        }
        auto o = std::make_shared<Comp>();
        o->name = t.daylightTimeOffset > 0 ? "DAYLIGHT" : "STANDARD";
        o->set("DTSTART", wallText(onset * kSecondsPerDay + secondsOfDayOfWall(wall)));
        o->set("RRULE", "FREQ=YEARLY;BYMONTH=" + QByteArray::number(m) + ";BYDAY=" +
                            QByteArray::number(week) + days[weekdayOfDays(daysOfWall(wall)) - 1]);
        o->set("TZOFFSETFROM", offsetText(before));
        o->set("TZOFFSETTO", offsetText(t.offsetFromUtc));
        if (!t.abbreviation.isEmpty()) o->set("TZNAME", Doc::escapeText(t.abbreviation));
        c->addComponent(o);
    }
    return c;
}

bool StoreWriter::conflict(const QString& path, QString* why) {
    *why = QStringLiteral(
               "the file %1 was changed by another program since it was read; it was left "
               "as it is")
               .arg(path);
    store.scheduleRescan();
    return false;
}

bool StoreWriter::readSeriesText(const Series& series, QByteArray* text, QString* why) {
    FileStamp now;
    if (StoreSnapshot::readFile(series.path, text, &now) && now.hash == series.stamp.hash)
        return true;
    return conflict(series.path, why);
}

bool StoreWriter::commit(std::vector<FileChange>& changes, QString* why) {
    using foundation::CheckedWrite;
    auto conflict = [&](const QString& path) { return this->conflict(path, why); };
    // A read-only calendar takes no item, and gives none up: refused before
    // anything is written.
    for (const auto& c : changes) {
        const CalendarFolder* f = c.meta ? nullptr : snap->calendar(c.calendarUid);
        if (f && f->calendar.isReadOnly()) {
            *why = QStringLiteral("the calendar \"%1\" is read-only").arg(f->calendar.title());
            return false;
        }
    }
    // Nothing may have changed behind the store's back: a cheap look first, so
    // that a conflict is found before anything is written.
    for (const auto& c : changes) {
        FileStamp now;
        if (c.existed) {
            bool same = StoreSnapshot::identityOf(c.path, &now) && now.sameIdentity(c.stamp);
            if (!same && QFileInfo::exists(c.path)) {
                QByteArray bytes;
                same = StoreSnapshot::readFile(c.path, &bytes, &now) && now.hash == c.stamp.hash;
            }
            if (!same) return conflict(c.path);
        } else if (!c.remove && QFileInfo::exists(c.path)) {
            *why = QStringLiteral("there is a file %1 in the way").arg(c.path);
            return false;
        }
    }
    // Only files the store can read back are written.
    for (auto& c : changes) {
        if (c.remove || c.meta) continue;
        auto result = SeriesReader::read(c.text, c.tasks);
        if (!result.problem.isEmpty()) {
            *why = QStringLiteral("the new text of %1 could not be read back (it %2)")
                       .arg(c.path, result.problem);
            return false;
        }
        c.series = result.series;
        c.task = result.task;
    }
    // A write of several files is recorded first, so that it is made whole at
    // the next open should it be cut off.
    StoreIntent intent;
    if (changes.size() > 1) {
        std::vector<IntentChange> record;
        for (const auto& c : changes)
            record.push_back(IntentChange{c.path, c.existed ? c.stamp.hash : QByteArray(),
                                          c.existed ? c.oldText : QByteArray(), c.remove, c.text});
        if (!intent.begin(snap->root, record, why)) return false;
    }
    // New text first, removals last. Every file is checked against what was
    // read right where it is replaced; on a failure everything done goes back.
    std::vector<const FileChange*> done;
    auto rollBack = [&] {
        for (auto it = done.rbegin(); it != done.rend(); ++it) {
            const FileChange& c = **it;
            const QByteArray written =
                c.remove ? QByteArray()
                         : QCryptographicHash::hash(c.text, QCryptographicHash::Sha1);
            if (!c.existed)
                foundation::removeFileIfUnchanged(c.path, written);
            else
                foundation::replaceFileIfUnchanged(c.path, c.oldText, written);
        }
        intent.finish();
    };
    auto order = [&](bool removals) {
        for (auto& c : changes) {
            if (c.remove != removals) continue;
            QString error;
            const QByteArray expected = c.existed ? c.stamp.hash : QByteArray();
            const CheckedWrite result =
                c.remove ? foundation::removeFileIfUnchanged(c.path, expected, &error)
                         : foundation::replaceFileIfUnchanged(c.path, c.text, expected, &error);
            if (result != CheckedWrite::Done) {
                rollBack();
                if (result == CheckedWrite::Conflict && c.existed) return conflict(c.path);
                *why =
                    result == CheckedWrite::Conflict
                        ? error
                        : QStringLiteral("%1 could not be %2 (%3)")
                              .arg(c.path,
                                   c.remove ? QStringLiteral("removed") : QStringLiteral("written"),
                                   error);
                return false;
            }
            if (!c.remove) {
                FileStamp stamp;
                StoreSnapshot::identityOf(c.path, &stamp);
                stamp.size = c.text.size();
                stamp.hash = QCryptographicHash::hash(c.text, QCryptographicHash::Sha1);
                if (c.series) {
                    c.series->calendarUid = c.calendarUid;
                    c.series->path = c.path;
                    c.series->stamp = stamp;
                } else if (c.task) {
                    c.task->calendarUid = c.calendarUid;
                    c.task->path = c.path;
                    c.task->stamp = stamp;
                }
            }
            done.push_back(&c);
        }
        return true;
    };
    if (!order(false) || !order(true)) return false;
    intent.finish();

    // The index learns what was written before anyone can look at the files again.
    QHash<QString, std::shared_ptr<CalendarFolder>> changed;
    for (const auto& c : changes) {
        if (c.meta) continue;
        auto& folder = changed[c.calendarUid];
        if (!folder) {
            const CalendarFolder* old = snap->calendar(c.calendarUid);
            if (!old) continue;
            folder = std::make_shared<CalendarFolder>(*old);
        }
        if (!c.oldUid.isEmpty()) {
            if (c.tasks)
                folder->removeTask(c.oldUid);
            else
                folder->removeSeries(c.oldUid);
        }
        folder->skipped.remove(c.path);
        if (c.series) folder->putSeries(c.series);
        if (c.task) folder->putTask(c.task);
    }
    std::vector<std::shared_ptr<const CalendarFolder>> folders;
    for (const auto& f : snap->calendars) {
        auto it = changed.constFind(f->calendar.uid());
        folders.push_back(it != changed.constEnd() && *it ? *it : f);
    }
    snap = StoreSnapshot::assemble(snap->root, std::move(folders), snap->groupsFile);
    store.setSnapshot(snap);
    return true;
}

// --- Events ------------------------------------------------------------------------------

namespace {

// The parts of one series' file that a change works on.
struct SeriesFile {
    Doc doc;
    CompPtr calendar;  // the VCALENDAR holding the events
    CompPtr master;
    std::vector<std::pair<CompPtr, const Component*>> overrides;  // in the series' order
    TimeForm form;

    // The override whose recurrence identifier names the instant.
    CompPtr overrideAt(qint64 utc, const ZoneTable& local,
                       const Component** stored = nullptr) const {
        for (const auto& [comp, c] : overrides) {
            if (c->recurrenceId && Series::recurrenceInstant(*c->recurrenceId, local) == utc) {
                if (stored) *stored = c;
                return comp;
            }
        }
        return nullptr;
    }
};

std::shared_ptr<const ZoneTable> zoneNamed(const QByteArray& tzid, const TimeForm& form,
                                           const std::shared_ptr<const ZoneTable>& local) {
    if (tzid.isEmpty()) return local;
    if (tzid == form.tzid && form.zone) return form.zone;
    const QTimeZone tz(tzid);
    return tz.isValid() ? ZoneTable::forTimeZone(tz) : local;
}

bool openSeries(const Series& series, const QByteArray& text,
                const std::shared_ptr<const ZoneTable>& local, SeriesFile* out) {
    out->doc = Doc::parse(text);
    out->calendar = out->doc.firstCalendar();
    size_t next = 0;
    for (const auto& comp : out->doc.components("VEVENT")) {
        if (comp->property("RECURRENCE-ID")) {
            if (next >= series.overrides.size()) return false;
            out->overrides.push_back({comp, &series.overrides[next++]});
        } else {
            if (out->master) return false;
            out->master = comp;
        }
    }
    if (next != series.overrides.size() || (out->master != nullptr) != series.master.has_value())
        return false;
    // Find the VCALENDAR holding the master (or the first override).
    const CompPtr anchor = out->master
                               ? out->master
                               : (out->overrides.empty() ? nullptr : out->overrides.front().first);
    for (const auto& item : out->doc.top) {
        if (!item.component) continue;
        for (const auto& inner : item.component->items)
            if (inner.component == anchor) out->calendar = item.component;
    }
    const Component* reference = series.master ? &*series.master : out->overrides.front().second;
    const PropPtr start =
        (out->master ? out->master : out->overrides.front().first)->property("DTSTART");
    out->form.kind = reference->start.kind;
    out->form.zone = reference->start.zone;
    out->form.tzid = start ? start->parameterValue("TZID") : QByteArray();
    if (out->form.kind == Timing::Kind::Floating && !out->form.tzid.isEmpty()) {
        // An unknown zone, read on the local clock: written back the same way.
        out->form.kind = Timing::Kind::Zoned;
        out->form.zone = local;
    }
    return true;
}

// The event's times as the file will hold them.
struct Times {
    bool allDay = false;
    qint64 start = 0;  // instants; for all-day events their local midnights
    qint64 end = 0;    // exclusive
    qint64 startDay = 0;
    qint64 endDay = 0;  // exclusive
};

Times timesOf(const Event& e, const ZoneTable& local) {
    Times t;
    t.allDay = e.isAllDay();
    const qint64 start = e.startDate().toSecsSinceEpoch();
    const qint64 end = std::max(start, e.endDate().toSecsSinceEpoch());
    if (t.allDay) {
        t.startDay = daysOfWall(local.wallFromUtc(start));
        const qint64 lastDay = daysOfWall(local.wallFromUtc(std::max(start, end - 1)));
        t.endDay = std::max(t.startDay + 1, lastDay + 1);
        t.start = local.utcFromWall(t.startDay * kSecondsPerDay);
        t.end = local.utcFromWall(t.endDay * kSecondsPerDay);
    } else {
        t.start = start;
        t.end = end;
    }
    return t;
}

void writeTimes(Comp& comp, const TimeForm& form, const Times& t, const ZoneTable& local) {
    if (t.allDay) {
        comp.set("DTSTART", dateText(t.startDay), {Param{"VALUE", {"DATE"}}});
        comp.set("DTEND", dateText(t.endDay), {Param{"VALUE", {"DATE"}}});
    } else {
        const TimeValue s = formatTime(form, t.start, false, local);
        const TimeValue e = formatTime(form, t.end, false, local);
        comp.set("DTSTART", s.value, s.parameters);
        comp.set("DTEND", e.value, e.parameters);
    }
    comp.removeAll("DURATION");
}

void stampComponent(Comp& comp, const QByteArray& now) {
    comp.set("LAST-MODIFIED", now);
    comp.set("DTSTAMP", now);
    if (const PropPtr sequence = comp.property("SEQUENCE")) {
        bool ok = false;
        const int n = sequence->value.trimmed().toInt(&ok);
        sequence->value = QByteArray::number(ok ? n + 1 : 1);
        sequence->changed();
    }
}

// What the model holds besides the times, written where it differs from `stored`.
void writeDetails(Comp& comp, const Event& e, const Component* stored) {
    const Details none;
    const Details& d = stored ? stored->details : none;
    if (!stored || e.title() != d.title) setText(comp, "SUMMARY", e.title());
    if (!stored || e.location() != d.location) setText(comp, "LOCATION", e.location());
    if (!stored || e.notes() != d.notes) setText(comp, "DESCRIPTION", e.notes());
    if (!stored || e.url() != d.url) {
        if (e.url().isEmpty())
            comp.removeAll("URL");
        else
            comp.set("URL", e.url().toString(QUrl::FullyEncoded).toUtf8());
    }
    if (!sameAttendees(e.attendees(), d.attendees)) rewriteAttendees(comp, e.attendees());
}

// RRULE text with its end replaced by UNTIL (or without an end).
QByteArray ruleWithEnd(const QByteArray& rule, const QByteArray& endPart) {
    QList<QByteArray> parts;
    for (const QByteArray& part : rule.split(';')) {
        const QByteArray upper = part.trimmed().toUpper();
        if (upper.isEmpty() || upper.startsWith("COUNT=") || upper.startsWith("UNTIL=")) continue;
        parts << part;
    }
    if (!endPart.isEmpty()) parts << endPart;
    return parts.join(';');
}

// How many starts the rule gives before `beforeWall` (DTSTART counting as the first).
int startsBefore(const Series& series, size_t rule, qint64 beforeWall) {
    const qint64 start = series.master->start.wall;
    if (rule < series.countedStarts.size() && series.rules[rule].count > 0 &&
        series.rules[rule].count <= Series::kLaidOutCount) {
        const auto& list = series.countedStarts[rule];
        return 1 + int(std::lower_bound(list.begin(), list.end(), beforeWall) - list.begin());
    }
    RecurrenceExpander walk(series.rules[rule], start, series.master->start.isDate());
    int n = 1;
    while (auto w = walk.next(beforeWall - 1)) {
        if (*w >= beforeWall) break;
        if (*w != start) ++n;
        if (n > 1000000) break;
    }
    return n;
}

QList<ListedTime> listedTimes(const Comp& comp, const QByteArray& name, const TimeForm& form,
                              const std::shared_ptr<const ZoneTable>& local) {
    QList<ListedTime> out;
    for (const PropPtr& p : comp.properties(name)) {
        const auto clock = zoneNamed(p->parameterValue("TZID"), form, local);
        for (const QByteArray& value : p->value.split(',')) {
            bool date = false;
            out << ListedTime{p, value, parseTimeText(value, *clock, &date)};
        }
    }
    return out;
}

// Rewrites the values of EXDATE/RDATE lists: each kept value is mapped by
// `map` (none: dropped). Properties that lose every value go.
template <typename Map>
void rewriteLists(Comp& comp, const QByteArray& name, const TimeForm& oldForm,
                  const std::shared_ptr<const ZoneTable>& local, Map map) {
    for (const PropPtr& p : comp.properties(name)) {
        const auto clock = zoneNamed(p->parameterValue("TZID"), oldForm, local);
        QList<QByteArray> kept, inUtc;
        bool changed = false;
        QList<Param> parameters = p->parameters;
        for (const QByteArray& value : p->value.split(',')) {
            bool date = false;
            const auto utc = parseTimeText(value, *clock, &date);
            const std::optional<TimeValue> mapped = utc ? map(*utc, date, value) : std::nullopt;
            if (!utc) {
                kept << value;  // not understood: left alone
                continue;
            }
            if (!mapped) {
                changed = true;
                continue;
            }
            if (mapped->value != value || !mapped->parameters.isEmpty()) changed = true;
            if (mapped->value.endsWith('Z') && mapped->parameters.isEmpty() &&
                !p->parameterValue("TZID").isEmpty()) {
                // A UTC value cannot stand beside zoned ones: a line of its own.
                inUtc << mapped->value;
                changed = true;
                continue;
            }
            kept << mapped->value;
            if (!mapped->parameters.isEmpty()) parameters = mapped->parameters;
        }
        if (!changed) continue;
        if (!inUtc.isEmpty()) {
            auto utcLine = std::make_shared<IcsDocument::Property>();
            utcLine->name = name;
            utcLine->value = inUtc.join(',');
            comp.add(utcLine);
        }
        if (kept.isEmpty()) {
            comp.remove(p);
        } else {
            p->value = kept.join(',');
            if (parameters != p->parameters) {
                // The new form's parameters replace the old time parameters.
                QList<Param> others;
                for (const auto& param : p->parameters)
                    if (param.name != "TZID" && param.name != "VALUE") others << param;
                for (const auto& param : parameters)
                    if (param.name == "TZID" || param.name == "VALUE") others << param;
                p->parameters = others;
            }
            p->changed();
        }
    }
}

}  // namespace

bool StoreWriter::saveEvent(Event& e, Span span, QString* why) {
    const CalendarFolder* target = e.calendar() ? snap->calendar(e.calendar()->uid()) : nullptr;
    if (!target) {
        *why = e.calendar() ? QStringLiteral("its calendar \"%1\" is not in the store")
                                  .arg(e.calendar()->title())
                            : QStringLiteral("it has no calendar");
        return false;
    }
    if (target->calendar.holdsTasks()) {
        *why = QStringLiteral("its calendar \"%1\" holds tasks, not events")
                   .arg(target->calendar.title());
        return false;
    }
    if (!e.startDate().isValid() || !e.endDate().isValid()) {
        *why = QStringLiteral("it has no valid start and end");
        return false;
    }
    if (e.endDate() < e.startDate()) {
        *why = QStringLiteral("it ends before it starts");
        return false;
    }
    const Times t = timesOf(e, *local);

    std::vector<FileChange> changes;
    std::shared_ptr<const Series> current;
    QByteArray currentText;
    const CalendarFolder* home = nullptr;
    if (e.series()) {
        home = snap->calendar(e.series()->calendarUid);
        current = home ? home->seriesByUid.value(e.series()->uid) : nullptr;
        if (!current) {
            *why = QStringLiteral("it is no longer in the store");
            return false;
        }
        if (!sameVersion(*e.series(), *current, why)) return false;
        if (!readSeriesText(*current, &currentText, why)) return false;
    }

    // Where the event ends up, to give it back as stored.
    QString resultUid;
    const CalendarFolder* resultFolder = target;
    std::optional<qint64> resultOccurrence;

    auto newFile = [&](const QString& uid, const QByteArray& text) {
        FileChange c;
        c.calendarUid = target->calendar.uid();
        c.path = target->path + QLatin1Char('/') + fileNameFor(uid, target->path);
        c.text = text;
        return c;
    };
    // The file of the series the event was read from.
    auto existingFile = [&](const QByteArray& text, bool remove) {
        const Series& s = *current;
        FileChange c;
        c.calendarUid = s.calendarUid;
        c.path = s.path;
        c.existed = true;
        c.stamp = s.stamp;
        c.oldText = currentText;
        c.oldUid = s.uid;
        c.remove = remove;
        c.text = text;
        return c;
    };
    auto defaultForm = [&] {
        TimeForm f;
        const QByteArray id = zone.id();
        if (zone.isValid() && !id.isEmpty() && id != "UTC" &&
            QTimeZone::isTimeZoneIdAvailable(id)) {
            f.kind = Timing::Kind::Zoned;
            f.tzid = id;
            f.zone = local;
        }
        return f;
    };
    // A VCALENDAR for a new file, taking over the calendar-level lines and
    // zone definitions of `from` when given.
    auto newCalendar = [&](const CompPtr& from) {
        auto cal = std::make_shared<Comp>();
        cal->name = "VCALENDAR";
        if (from) {
            for (const auto& item : from->items) {
                if (item.property) {
                    auto p = std::make_shared<IcsDocument::Property>(*item.property);
                    p->changed();
                    cal->items.push_back(Comp::Item{p, nullptr});
                } else if (item.component && item.component->name == "VTIMEZONE") {
                    cal->items.push_back(Comp::Item{nullptr, item.component->clone()});
                }
            }
        } else {
            cal->set("VERSION", "2.0");
            cal->set("PRODID", "-//Zolt//Zolt Calendar//EN");
        }
        return cal;
    };
    auto ensureZone = [&](Comp& cal, const TimeForm& form) {
        if (form.kind != Timing::Kind::Zoned || form.tzid.isEmpty()) return;
        for (const auto& z : cal.components("VTIMEZONE")) {
            const PropPtr id = z->property("TZID");
            if (id && id->value == form.tzid) return;
        }
        const QTimeZone tz(form.tzid);
        if (!tz.isValid()) return;
        // Zone definitions go before the events.
        auto at = std::find_if(cal.items.begin(), cal.items.end(),
                               [](const Comp::Item& i) { return i.component != nullptr; });
        cal.items.insert(at, Comp::Item{nullptr, timeZoneComponent(tz)});
    };
    auto textOf = [](const CompPtr& cal) {
        Doc d;
        d.top.push_back(Comp::Item{nullptr, cal});
        return d.serialize();
    };

    // A new event: a file of its own.
    if (!current) {
        if (e.uid().isEmpty()) e.editCommon().uid = QString::fromLatin1(newUid());
        if (target->seriesByUid.contains(e.uid())) {
            *why = QStringLiteral("an event with the UID \"%1\" is already in the calendar \"%2\"")
                       .arg(e.uid(), target->calendar.title());
            return false;
        }
        const TimeForm form = defaultForm();
        auto cal = newCalendar(nullptr);
        if (!t.allDay) ensureZone(*cal, form);
        auto ev = std::make_shared<Comp>();
        ev->name = "VEVENT";
        ev->set("UID", Doc::escapeText(e.uid()));
        ev->set("DTSTAMP", now);
        ev->set("CREATED", now);
        ev->set("LAST-MODIFIED", now);
        writeTimes(*ev, form, t, *local);
        writeDetails(*ev, e, nullptr);
        if (e.recurrenceRule())
            ev->set("RRULE", e.recurrenceRule()->iCalendarText(t.allDay).toUtf8());
        cal->addComponent(ev);
        changes.push_back(newFile(e.uid(), textOf(cal)));
        resultUid = e.uid();
        resultOccurrence = t.start;
    } else {
        SeriesFile file;
        if (!openSeries(*current, currentText, local, &file) || !file.calendar) {
            *why = QStringLiteral("its file %1 is laid out in a way the store does not change")
                       .arg(current->path);
            return false;
        }
        const bool recurring = current->isRecurring() && file.master;
        const bool moving = home != target;
        const qint64 occ = e.occurrence().isValid() ? e.occurrence().toSecsSinceEpoch() : t.start;
        const auto stored = current->occurrenceAt(occ, *local);
        const qint64 masterStart =
            current->master
                ? (current->master->start.isDate()
                       ? local->utcFromWall(current->master->start.days() * kSecondsPerDay)
                       : current->master->start.utc(*local))
                : occ;
        const auto firstOccurrence = current->occurrenceAt(std::nullopt, *local);
        // Only the series' real first occurrence stands for the whole series: a
        // span never widens because the first could not be found.
        const bool first =
            recurring &&
            (occ == masterStart || (firstOccurrence && firstOccurrence->occurrenceUtc == occ));
        if (recurring && span == Span::FutureEvents && first) span = Span::AllEvents;
        const bool ruleChanged = !sameRule(e.recurrenceRule(), current->modelRule);

        // The change of start the user made to this occurrence, on the master's clock.
        const ZoneTable& clock = file.form.kind == Timing::Kind::Zoned ? *file.form.zone
                                 : file.form.kind == Timing::Kind::Utc ? *ZoneTable::utc()
                                                                       : *local;
        const qint64 storedStart = stored ? stored->startUtc : occ;
        const bool wasAllDay =
            current->master ? current->master->start.isDate() : (stored && stored->allDay);
        // Timed events keep their clock; an all-day series made timed takes the user's zone.
        const TimeForm newForm = file.form.kind == Timing::Kind::Date ? defaultForm() : file.form;
        auto shift = [&](qint64 utc) {
            // The same wall-clock move as this occurrence's start.
            const qint64 delta =
                (t.allDay ? local->wallFromUtc(t.start) : clock.wallFromUtc(t.start)) -
                (wasAllDay ? local->wallFromUtc(storedStart) : clock.wallFromUtc(storedStart));
            const ZoneTable& from = wasAllDay ? *local : clock;
            return from.utcFromWall(from.wallFromUtc(utc) + delta);
        };
        const bool timesMoved =
            t.allDay != wasAllDay || t.start != storedStart || (stored && t.end != stored->endUtc);
        // Rewrites the recurrence identifiers and exclusions of the occurrences
        // from `from` on (all when none) for the moved series.
        auto shiftExceptions = [&](Comp& master, std::optional<qint64> from) {
            rewriteLists(master, "EXDATE", file.form, local,
                         [&](qint64 utc, bool, const QByteArray&) -> std::optional<TimeValue> {
                             if (from && utc < *from) return std::nullopt;
                             return formatTime(newForm, shift(utc), t.allDay, *local);
                         });
            rewriteLists(master, "RDATE", file.form, local,
                         [&](qint64 utc, bool, const QByteArray&) -> std::optional<TimeValue> {
                             if (from && utc < *from) return std::nullopt;
                             return formatTime(newForm, shift(utc), t.allDay, *local);
                         });
        };
        auto shiftRecurrenceId = [&](Comp& comp, const Component* c) {
            if (!c->recurrenceId) return;
            const TimeValue v =
                formatTime(newForm, shift(Series::recurrenceInstant(*c->recurrenceId, *local)),
                           t.allDay, *local);
            comp.set("RECURRENCE-ID", v.value, v.parameters);
        };
        auto dropRecurrence = [](Comp& comp) {
            for (const char* name : {"RRULE", "RDATE", "EXDATE", "EXRULE", "RECURRENCE-ID"})
                comp.removeAll(name);
        };

        if (!recurring || span == Span::AllEvents) {
            // The whole series (or the single event).
            CompPtr comp = file.master;
            const Component* storedComp = current->master ? &*current->master : nullptr;
            if (!comp) {
                // A file of changed occurrences without their series.
                comp = file.overrideAt(occ, *local, &storedComp);
                if (!comp)
                    comp = file.overrides.front().first, storedComp = file.overrides.front().second;
            }
            if (recurring && timesMoved) {
                Times mt = t;
                if (t.allDay) {
                    mt.startDay = daysOfWall(local->wallFromUtc(shift(masterStart)));
                    mt.endDay = mt.startDay + (t.endDay - t.startDay);
                } else {
                    mt.start = shift(masterStart);
                    mt.end = mt.start + (t.end - t.start);
                }
                writeTimes(*comp, newForm, mt, *local);
                shiftExceptions(*comp, std::nullopt);
                for (auto& [o, c] : file.overrides) shiftRecurrenceId(*o, c);
                resultOccurrence = shift(occ);
            } else {
                if (timesMoved) writeTimes(*comp, newForm, t, *local);
                resultOccurrence = recurring ? occ : t.start;
                if (!recurring) resultOccurrence.reset();
            }
            if (!t.allDay) ensureZone(*file.calendar, newForm);
            writeDetails(*comp, e, storedComp);
            if (ruleChanged && file.master) {
                if (!e.recurrenceRule()) {
                    dropRecurrence(*comp);
                    for (auto& [o, c] : file.overrides) file.calendar->removeComponent(o);
                    resultOccurrence.reset();
                } else {
                    // A new repetition: what was changed or left out of the old one goes.
                    comp->set("RRULE", e.recurrenceRule()->iCalendarText(t.allDay).toUtf8());
                    comp->removeAll("EXDATE");
                    for (auto& [o, c] : file.overrides) file.calendar->removeComponent(o);
                }
            }
            stampComponent(*comp, now);
            // With span all, the occurrence edited on its own takes the details too.
            if (recurring && e.isDetached()) {
                const Component* oc = nullptr;
                if (CompPtr o = file.overrideAt(occ, *local, &oc); o && o != comp) {
                    writeDetails(*o, e, oc);
                    stampComponent(*o, now);
                }
            }
            const QByteArray text = file.doc.serialize();
            if (moving) {
                if (target->seriesByUid.contains(current->uid)) {
                    *why = QStringLiteral(
                               "an event with the UID \"%1\" is already in the calendar \"%2\"")
                               .arg(current->uid, target->calendar.title());
                    return false;
                }
                changes.push_back(newFile(current->uid, text));
                changes.push_back(existingFile({}, true));
            } else {
                changes.push_back(existingFile(text, false));
                resultFolder = home;
            }
            resultUid = current->uid;
        } else if (span == Span::ThisEvent) {
            if (!stored) {
                *why = QStringLiteral("the occurrence is no longer in the store");
                return false;
            }
            const Component* storedComp = nullptr;
            CompPtr existing = file.overrideAt(occ, *local, &storedComp);
            if (!moving) {
                CompPtr comp = existing;
                if (!comp) {
                    // A new changed occurrence, starting out as a copy of the series.
                    comp = file.master->clone();
                    dropRecurrence(*comp);
                    const TimeValue id = formatTime(file.form, occ, wasAllDay, *local);
                    comp->set("RECURRENCE-ID", id.value, id.parameters);
                    storedComp = &*current->master;
                    // Right after the last event of the file.
                    auto at = file.calendar->items.end();
                    for (auto it = file.calendar->items.begin(); it != file.calendar->items.end();
                         ++it)
                        if (it->component && it->component->name == "VEVENT") at = it + 1;
                    file.calendar->items.insert(at, Comp::Item{nullptr, comp});
                    writeTimes(*comp, newForm, t, *local);
                } else if (timesMoved) {
                    writeTimes(*comp, newForm, t, *local);
                }
                if (!t.allDay) ensureZone(*file.calendar, newForm);
                writeDetails(*comp, e, storedComp);
                stampComponent(*comp, now);
                changes.push_back(existingFile(file.doc.serialize(), false));
                resultUid = current->uid;
                resultFolder = home;
                resultOccurrence = occ;
            } else {
                // Out of the series into a single event of the other calendar.
                CompPtr single = (existing ? existing : file.master)->clone();
                if (!existing) storedComp = &*current->master;
                dropRecurrence(*single);
                const QByteArray uid = newUid();
                single->set("UID", uid);
                writeTimes(*single, newForm, t, *local);
                writeDetails(*single, e, storedComp);
                stampComponent(*single, now);
                auto cal = newCalendar(file.calendar);
                if (!t.allDay) ensureZone(*cal, newForm);
                cal->addComponent(single);
                changes.push_back(newFile(QString::fromLatin1(uid), textOf(cal)));
                if (existing) file.calendar->removeComponent(existing);
                const TimeValue x = formatTime(file.form, occ, wasAllDay, *local);
                auto exdate = std::make_shared<IcsDocument::Property>();
                exdate->name = "EXDATE";
                exdate->parameters = x.parameters;
                exdate->value = x.value;
                file.master->add(exdate);
                stampComponent(*file.master, now);
                changes.push_back(existingFile(file.doc.serialize(), false));
                resultUid = QString::fromLatin1(uid);
                resultOccurrence = t.start;
            }
        } else {
            // This and the future occurrences: the series ends before this one,
            // and a new series begins with it.
            const QByteArray uid = newUid();
            auto masterCopy = file.master->clone();
            // The old series stops the moment before.
            const QByteArray until =
                "UNTIL=" + (wasAllDay ? dateText(daysOfWall(local->wallFromUtc(occ)) - 1)
                                      : (file.form.kind == Timing::Kind::Floating
                                             ? wallText(local->wallFromUtc(occ) - 1)
                                             : wallText(occ - 1) + 'Z'));
            // The exclusions and extra dates from here on go to the new series.
            std::vector<std::pair<QByteArray, TimeValue>> carried;
            for (const char* name : {"EXDATE", "RDATE"})
                for (const ListedTime& lt : listedTimes(*file.master, name, file.form, local))
                    if (lt.utc && *lt.utc >= occ)
                        carried.push_back(
                            {name, formatTime(newForm, shift(*lt.utc), t.allDay, *local)});
            std::vector<int> remaining;
            const qint64 occWall = wasAllDay ? daysOfWall(local->wallFromUtc(occ)) * kSecondsPerDay
                                             : clock.wallFromUtc(occ);
            for (size_t i = 0; i < current->rules.size(); ++i)
                remaining.push_back(current->rules[i].count > 0
                                        ? current->rules[i].count -
                                              startsBefore(*current, i, occWall)
                                        : 0);
            for (const PropPtr& r : file.master->properties("RRULE")) {
                r->value = ruleWithEnd(r->value, until);
                r->changed();
            }
            rewriteLists(*file.master, "EXDATE", file.form, local,
                         [&](qint64 utc, bool, const QByteArray& v) -> std::optional<TimeValue> {
                             if (utc >= occ) return std::nullopt;
                             return TimeValue{v, {}};
                         });
            rewriteLists(*file.master, "RDATE", file.form, local,
                         [&](qint64 utc, bool, const QByteArray& v) -> std::optional<TimeValue> {
                             if (utc >= occ) return std::nullopt;
                             return TimeValue{v, {}};
                         });
            stampComponent(*file.master, now);
            std::vector<CompPtr> moved;
            for (auto& [o, c] : file.overrides) {
                if (!c->recurrenceId) continue;
                const qint64 at = Series::recurrenceInstant(*c->recurrenceId, *local);
                if (at < occ) continue;
                file.calendar->removeComponent(o);
                if (at == occ) continue;  // the new series' first occurrence stands for it
                auto copy = o->clone();
                copy->set("UID", uid);
                shiftRecurrenceId(*copy, c);
                moved.push_back(copy);
            }
            // The new series.
            dropRecurrence(*masterCopy);
            masterCopy->set("UID", uid);
            writeTimes(*masterCopy, newForm, t, *local);
            writeDetails(*masterCopy, e, &*current->master);
            if (ruleChanged) {
                if (e.recurrenceRule())
                    masterCopy->set("RRULE", e.recurrenceRule()->iCalendarText(t.allDay).toUtf8());
            } else {
                size_t i = 0;
                for (const auto& rule : current->rules) {
                    QByteArray text = rule.text.toUtf8();
                    if (rule.count > 0)
                        text = ruleWithEnd(
                            text, "COUNT=" + QByteArray::number(std::max(1, remaining[i])));
                    auto p = std::make_shared<IcsDocument::Property>();
                    p->name = "RRULE";
                    p->value = text;
                    masterCopy->add(p);
                    ++i;
                }
            }
            for (const auto& [name, v] : carried) {
                auto p = std::make_shared<IcsDocument::Property>();
                p->name = name;
                p->parameters = v.parameters;
                p->value = v.value;
                masterCopy->add(p);
            }
            stampComponent(*masterCopy, now);
            auto cal = newCalendar(file.calendar);
            if (!t.allDay) ensureZone(*cal, newForm);
            cal->addComponent(masterCopy);
            for (const auto& m : moved) cal->addComponent(m);
            changes.push_back(newFile(QString::fromLatin1(uid), textOf(cal)));
            changes.push_back(existingFile(file.doc.serialize(), false));
            resultUid = QString::fromLatin1(uid);
            resultOccurrence = t.start;
        }
    }

    // The folder belongs to the snapshot that the commit replaces: keep its
    // identity, not the pointer.
    const QString resultCalendarUid = resultFolder->calendar.uid();
    if (!commit(changes, why)) return false;

    // The event as stored.
    const CalendarFolder* folder = snap->calendar(resultCalendarUid);
    const auto series = folder ? folder->seriesByUid.value(resultUid) : nullptr;
    if (series) {
        const auto o = series->occurrenceAt(resultOccurrence, *local);
        if (o) {
            auto made = EventAccess::make(series, *o, std::make_shared<Calendar>(folder->calendar),
                                          zone, *local);
            e = *made;
        } else {
            e.editCommon().uid = resultUid;
            e.editCommon().series = series;
            e.editCommon().calendar = std::make_shared<Calendar>(folder->calendar);
        }
    }
    return true;
}

bool StoreWriter::removeEvent(Event& e, Span span, QString* why) {
    const CalendarFolder* home = e.series() ? snap->calendar(e.series()->calendarUid) : nullptr;
    const auto current = home ? home->seriesByUid.value(e.series()->uid) : nullptr;
    if (!current) {
        *why = e.series() ? QStringLiteral("it is no longer in the store")
                         : QStringLiteral("it is not in the store");
        return false;
    }
    if (!sameVersion(*e.series(), *current, why)) return false;
    std::vector<FileChange> changes;
    FileChange c;
    if (!readSeriesText(*current, &c.oldText, why)) return false;
    c.calendarUid = current->calendarUid;
    c.path = current->path;
    c.existed = true;
    c.stamp = current->stamp;
    c.oldUid = current->uid;

    const bool recurring = current->isRecurring() && current->master;
    const qint64 occ = e.occurrence().isValid() ? e.occurrence().toSecsSinceEpoch()
                                                : e.startDate().toSecsSinceEpoch();
    const auto firstOccurrence = current->occurrenceAt(std::nullopt, *local);
    const bool first = firstOccurrence && firstOccurrence->occurrenceUtc == occ;
    if (!recurring || span == Span::AllEvents || (span == Span::FutureEvents && first)) {
        if (!recurring && !current->master && current->overrides.size() > 1) {
            // Changed occurrences without their series: only this one goes.
            span = Span::ThisEvent;
        } else {
            c.remove = true;
            changes.push_back(c);
            return commit(changes, why);
        }
    }
    SeriesFile file;
    if (!openSeries(*current, c.oldText, local, &file) || !file.calendar) {
        *why = QStringLiteral("its file %1 is laid out in a way the store does not change")
                   .arg(current->path);
        return false;
    }
    const bool wasAllDay = current->master && current->master->start.isDate();
    if (span == Span::ThisEvent) {
        if (CompPtr o = file.overrideAt(occ, *local)) file.calendar->removeComponent(o);
        if (file.master) {
            const TimeValue x = formatTime(file.form, occ, wasAllDay, *local);
            auto exdate = std::make_shared<IcsDocument::Property>();
            exdate->name = "EXDATE";
            exdate->parameters = x.parameters;
            exdate->value = x.value;
            file.master->add(exdate);
            stampComponent(*file.master, now);
        }
        if (file.doc.components("VEVENT").isEmpty()) {
            c.remove = true;
            changes.push_back(c);
            return commit(changes, why);
        }
    } else {
        const QByteArray until =
            "UNTIL=" + (wasAllDay ? dateText(daysOfWall(local->wallFromUtc(occ)) - 1)
                                  : (file.form.kind == Timing::Kind::Floating
                                         ? wallText(local->wallFromUtc(occ) - 1)
                                         : wallText(occ - 1) + 'Z'));
        for (const PropPtr& r : file.master->properties("RRULE")) {
            r->value = ruleWithEnd(r->value, until);
            r->changed();
        }
        auto before = [&](qint64 utc, bool, const QByteArray& v) -> std::optional<TimeValue> {
            if (utc >= occ) return std::nullopt;
            return TimeValue{v, {}};
        };
        rewriteLists(*file.master, "EXDATE", file.form, local, before);
        rewriteLists(*file.master, "RDATE", file.form, local, before);
        for (auto& [o, oc] : file.overrides)
            if (oc->recurrenceId && Series::recurrenceInstant(*oc->recurrenceId, *local) >= occ)
                file.calendar->removeComponent(o);
        stampComponent(*file.master, now);
    }
    c.text = file.doc.serialize();
    changes.push_back(c);
    return commit(changes, why);
}

// --- Attendees ---------------------------------------------------------------------------

bool StoreWriter::writeAttendees(const ManagedObjectID& id, const QList<AttendeePtr>& attendees,
                                 QString* why) {
    const CalendarFolder* folder = snap->calendar(id.calendarUid);
    const auto current = folder ? folder->seriesByUid.value(id.uid) : nullptr;
    if (!current) {
        *why = QStringLiteral("the event is no longer in the store");
        return false;
    }
    QByteArray currentText;
    if (!readSeriesText(*current, &currentText, why)) return false;
    SeriesFile file;
    if (!openSeries(*current, currentText, local, &file)) {
        *why = QStringLiteral("its file %1 is laid out in a way the store does not change")
                   .arg(current->path);
        return false;
    }
    CompPtr comp = id.recurrenceId.isValid()
                       ? file.overrideAt(id.recurrenceId.toSecsSinceEpoch(), *local)
                       : file.master;
    if (!comp) {
        *why = QStringLiteral("the occurrence is no longer in the store");
        return false;
    }
    rewriteAttendees(*comp, attendees);
    stampComponent(*comp, now);
    FileChange c;
    c.calendarUid = current->calendarUid;
    c.path = current->path;
    c.existed = true;
    c.stamp = current->stamp;
    c.oldText = currentText;
    c.oldUid = current->uid;
    c.text = file.doc.serialize();
    std::vector<FileChange> changes{c};
    return commit(changes, why);
}

// --- Tasks -------------------------------------------------------------------------------

namespace {
// A change of the task file that the index holds for `record`: rewritten with
// `text`, or removed.
FileChange existingTaskFile(const QString& calendarUid, const TaskRecord& record,
                            const QByteArray& text, bool remove) {
    FileChange c;
    c.tasks = true;
    c.calendarUid = calendarUid;
    c.path = record.path;
    c.existed = true;
    c.stamp = record.stamp;
    c.oldText = record.text;
    c.oldUid = record.uid;
    c.remove = remove;
    c.text = text;
    return c;
}
}  // namespace

bool StoreWriter::saveTask(Task& task, QString* why) {
    const CalendarFolder* target =
        task.calendar() ? snap->calendar(task.calendar()->uid()) : nullptr;
    if (!target) {
        *why = task.calendar() ? QStringLiteral("its calendar \"%1\" is not in the store")
                                     .arg(task.calendar()->title())
                               : QStringLiteral("it has no calendar");
        return false;
    }
    if (!target->calendar.holdsTasks()) {
        *why = QStringLiteral("its calendar \"%1\" holds events, not tasks")
                   .arg(target->calendar.title());
        return false;
    }
    if (task.uid_.isEmpty()) task.uid_ = QString::fromLatin1(newUid());
    // Where the task is now: its own calendar first.
    std::shared_ptr<const TaskRecord> current = target->tasksByUid.value(task.uid_);
    const CalendarFolder* home = current ? target : nullptr;
    if (!current) {
        for (const auto& f : snap->calendars) {
            if (auto r = f->tasksByUid.value(task.uid_)) {
                current = r;
                home = f.get();
                break;
            }
        }
    }
    if (current && !task.readHash_.isEmpty() && task.readHash_ != current->stamp.hash) {
        *why = QStringLiteral(
            "it was changed since this copy of it was read (by another program or another save); "
            "it was left as it is: reload it and try again");
        return false;
    }
    Doc doc;
    CompPtr todo;
    if (current) {
        doc = Doc::parse(current->text);
        const auto todos = doc.components("VTODO");
        if (todos.size() != 1) {
            *why = QStringLiteral("its file %1 is laid out in a way the store does not change")
                       .arg(current->path);
            return false;
        }
        todo = todos.front();
    } else {
        auto cal = std::make_shared<Comp>();
        cal->name = "VCALENDAR";
        cal->set("VERSION", "2.0");
        cal->set("PRODID", "-//Zolt//Zolt Calendar//EN");
        todo = std::make_shared<Comp>();
        todo->name = "VTODO";
        todo->set("UID", Doc::escapeText(task.uid_));
        todo->set("CREATED", now);
        cal->addComponent(todo);
        doc.top.push_back(Comp::Item{nullptr, cal});
    }
    auto changed = [&](auto a, auto b) { return !current || a != b; };
    if (changed(task.title(), current ? current->title : QString()))
        setText(*todo, "SUMMARY", task.title());
    if (changed(task.notes(), current ? current->notes : QString()))
        setText(*todo, "DESCRIPTION", task.notes());
    if (changed(task.url(), current ? current->url : QUrl())) {
        if (task.url().isEmpty())
            todo->removeAll("URL");
        else
            todo->set("URL", task.url().toString(QUrl::FullyEncoded).toUtf8());
    }
    const qint64 dueUtc = task.dueDate().isValid() ? task.dueDate().toSecsSinceEpoch() : 0;
    const std::optional<qint64> storedDue =
        current && current->due ? std::optional<qint64>(current->due->utc(*local)) : std::nullopt;
    if (!task.dueDate().isValid()) {
        todo->removeAll("DUE");
    } else if (!storedDue || *storedDue != dueUtc) {
        const bool date = current && current->due && current->due->isDate();
        const TimeValue v = formatTime(TimeForm{}, dueUtc, date, *local);
        todo->set("DUE", v.value, v.parameters);
    }
    const bool wasCompleted = current && (current->completed || current->completedStatus);
    if (task.isCompleted()) {
        const qint64 at = task.completedDate().toSecsSinceEpoch();
        if (!current || !current->completed || current->completed->utc(*local) != at)
            todo->set("COMPLETED", wallText(at) + 'Z');
        if (!current || !current->completedStatus) todo->set("STATUS", "COMPLETED");
    } else if (wasCompleted) {
        todo->removeAll("COMPLETED");
        todo->set("STATUS", "NEEDS-ACTION");
    }
    if (changed(task.priority(), current ? current->priority : 0)) {
        if (task.priority() <= 0)
            todo->removeAll("PRIORITY");
        else
            todo->set("PRIORITY", QByteArray::number(qBound(1, task.priority(), 9)));
    }
    stampComponent(*todo, now);

    std::vector<FileChange> changes;
    if (current && home == target) {
        changes.push_back(
            existingTaskFile(target->calendar.uid(), *current, doc.serialize(), false));
    } else {
        FileChange c;
        c.tasks = true;
        c.calendarUid = target->calendar.uid();
        c.text = doc.serialize();
        c.path = target->path + QLatin1Char('/') + fileNameFor(task.uid_, target->path);
        changes.push_back(c);
        // Moved to another calendar: the new file first, then the old one goes.
        if (current) changes.push_back(existingTaskFile(home->calendar.uid(), *current, {}, true));
    }
    const QString targetCalendarUid = target->calendar.uid();  // target dies with the commit
    if (!commit(changes, why)) return false;
    const CalendarFolder* folder = snap->calendar(targetCalendarUid);
    if (const auto record = folder ? folder->tasksByUid.value(task.uid_) : nullptr)
        task =
            *TaskAccess::make(*record, std::make_shared<Calendar>(folder->calendar), zone, *local);
    return true;
}

bool StoreWriter::removeTask(Task& task, QString* why) {
    for (const auto& f : snap->calendars) {
        if (task.calendar() && f->calendar.uid() != task.calendar()->uid()) continue;
        if (auto r = f->tasksByUid.value(task.uid())) {
            if (!task.readHash_.isEmpty() && task.readHash_ != r->stamp.hash) {
                *why = QStringLiteral(
                    "it was changed since this copy of it was read; it was left as it is");
                return false;
            }
            std::vector<FileChange> changes{existingTaskFile(f->calendar.uid(), *r, {}, true)};
            return commit(changes, why);
        }
    }
    *why = QStringLiteral("it is not in the store");
    return false;
}

// --- Calendars and groups ----------------------------------------------------------------

namespace {

QByteArray colorText(const QColor& color) {
    QByteArray t =
        "#" + QByteArray::number((color.red() << 16) | (color.green() << 8) | color.blue(), 16)
                  .rightJustified(6, '0')
                  .toUpper();
    if (color.alpha() != 255)
        t += QByteArray::number(color.alpha(), 16).rightJustified(2, '0').toUpper();
    return t;
}

bool writeIfChanged(const QString& path, const QByteArray& data, QString* why) {
    QFile f(path);
    if (f.open(QIODevice::ReadOnly) && f.readAll() == data) return true;
    QString error;
    if (foundation::writeFileAtomically(path, data, &error)) return true;
    *why = QStringLiteral("%1 could not be written (%2)").arg(path, error);
    return false;
}

}  // namespace

bool StoreWriter::saveCalendar(Calendar& calendar, QString* why) {
    const CalendarFolder* existing = snap->calendar(calendar.uid());
    QString path;
    QJsonObject attributes;
    if (existing) {
        path = existing->path;
        attributes = existing->attributes;
    } else {
        if (calendar.uid().isEmpty()) calendar.setUid(QString::fromLatin1(newUid()));
        const QString name = folderNameFor(calendar.uid());
        path = snap->root + QLatin1Char('/') + name;
        if (QFileInfo::exists(path)) {
            *why = QStringLiteral("there is a folder %1 in the way").arg(path);
            return false;
        }
        if (!QDir().mkpath(path)) {
            *why = QStringLiteral("the folder %1 could not be made").arg(path);
            return false;
        }
        calendar.setUid(name);
        // New calendars belong to the local group whatever their type.
        if (StoreSnapshot::defaultGroupUid(calendar.type()) != Store::localGroupUID())
            attributes.insert(QStringLiteral("group"), Store::localGroupUID());
    }
    attributes.insert(QStringLiteral("type"), calendar.type());
    if (calendar.notes().isEmpty())
        attributes.remove(QStringLiteral("notes"));
    else
        attributes.insert(QStringLiteral("notes"), calendar.notes());
    if (calendar.order() >= 0)
        attributes.insert(QStringLiteral("order"), calendar.order());
    else
        attributes.remove(QStringLiteral("order"));
    attributes.insert(QStringLiteral("items"),
                      calendar.holdsTasks() ? QStringLiteral("tasks") : QStringLiteral("events"));
    if (existing && existing->calendar.holdsTasks() != calendar.holdsTasks() &&
        (!existing->series.empty() || !existing->tasks.empty())) {
        *why = QStringLiteral("it holds items, so it cannot change from events to tasks or back");
        return false;
    }
    // The metadata files that change, each checked against what was read and
    // all written as one.
    std::vector<FileChange> changes;
    const std::pair<QString, QByteArray> files[] = {
        {QStringLiteral("displayname"), calendar.title().toUtf8()},
        {QStringLiteral("color"), colorText(calendar.color())},
        {StoreSnapshot::attributesFileName(),
         QJsonDocument(attributes).toJson(QJsonDocument::Indented)}};
    bool ok = true;
    for (const auto& [name, data] : files) {
        FileChange c;
        c.meta = true;
        c.calendarUid = calendar.uid();
        c.path = path + QLatin1Char('/') + name;
        c.text = data;
        if (existing && existing->metaHashes.contains(name)) {
            c.existed = true;
            c.stamp.hash = existing->metaHashes.value(name);
            if (c.stamp.hash == QCryptographicHash::hash(data, QCryptographicHash::Sha1)) continue;
            QFile f(c.path);
            if (f.open(QIODevice::ReadOnly)) c.oldText = f.readAll();
        }
        changes.push_back(c);
    }
    if (!changes.empty()) ok = commit(changes, why);
    if (!ok) {
        if (!existing) QDir(path).removeRecursively();  // nothing half-made stays
        return false;
    }
    std::vector<std::shared_ptr<const CalendarFolder>> folders;
    bool replaced = false;
    for (const auto& f : snap->calendars) {
        if (f.get() == existing) {
            folders.push_back(StoreSnapshot::loadFolder(path, existing));
            replaced = true;
        } else {
            folders.push_back(f);
        }
    }
    if (!replaced) folders.push_back(StoreSnapshot::loadFolder(path, nullptr));
    snap = StoreSnapshot::assemble(snap->root, std::move(folders), snap->groupsFile);
    store.setSnapshot(snap);
    return true;
}

bool StoreWriter::removeCalendar(const Calendar& calendar, QString* why) {
    const CalendarFolder* folder = snap->calendar(calendar.uid());
    if (!folder) {
        *why = QStringLiteral("it is not in the store");
        return false;
    }
    // Nothing that changed since it was read is deleted.
    auto unchanged = [](const QString& path, const FileStamp& stamp) {
        FileStamp now;
        if (!StoreSnapshot::identityOf(path, &now)) return true;
        if (now.sameIdentity(stamp)) return true;
        QByteArray bytes;
        return StoreSnapshot::readFile(path, &bytes, &now) && now.hash == stamp.hash;
    };
    std::vector<std::pair<QString, FileStamp>> known;
    for (const auto& s : folder->series) known.push_back({QFileInfo(s->path).fileName(), s->stamp});
    for (const auto& t : folder->tasks) known.push_back({QFileInfo(t->path).fileName(), t->stamp});
    auto changedIn = [&](const QString& base) -> QString {
        for (const auto& [name, stamp] : known) {
            const QString path = base + QLatin1Char('/') + name;
            if (!unchanged(path, stamp)) return path;
        }
        return {};
    };
    const QString before = changedIn(folder->path);
    if (!before.isEmpty()) {
        *why = QStringLiteral("the file %1 was changed by another program since it was read")
                   .arg(before);
        store.scheduleRescan();
        return false;
    }
    // The folder leaves in one step, hidden; its files go from there.
    const QString name = QFileInfo(folder->path).fileName();
    QString aside;
    for (int n = 0;; ++n) {
        aside = snap->root + QStringLiteral("/.removed-") + name + QLatin1Char('-') +
                QString::number(QDateTime::currentSecsSinceEpoch()) +
                (n ? QLatin1Char('-') + QString::number(n) : QString());
        if (::renameat2(AT_FDCWD, QFile::encodeName(folder->path).constData(), AT_FDCWD,
                        QFile::encodeName(aside).constData(), RENAME_NOREPLACE) == 0)
            break;
        if (errno == EEXIST && n < 100) continue;
        *why = QStringLiteral("the folder %1 could not be moved aside (%2)")
                   .arg(folder->path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    // A change made just before the move is found where the folder is now.
    const QString during = changedIn(aside);
    if (!during.isEmpty()) {
        ::renameat2(AT_FDCWD, QFile::encodeName(aside).constData(), AT_FDCWD,
                    QFile::encodeName(folder->path).constData(), RENAME_NOREPLACE);
        *why = QStringLiteral("the file %1 was changed by another program since it was read")
                   .arg(QString(during).replace(aside, folder->path));
        store.scheduleRescan();
        return false;
    }
    QStringList files;
    for (const auto& [file, stamp] : known) files << aside + QLatin1Char('/') + file;
    for (const char* meta : {"displayname", "color"})
        files << aside + QLatin1Char('/') + QLatin1String(meta);
    files << aside + QLatin1Char('/') + StoreSnapshot::attributesFileName();
    for (const QString& f : files) ::unlink(QFile::encodeName(f).constData());
    foundation::removeStaleTemporaryFiles(aside, 0);
    if (!QDir().rmdir(aside))
        foundation::log(QStringLiteral("WARNING: the removed calendar's folder held files the "
                                       "store does not know; they were kept in %1")
                            .arg(aside));
    std::vector<std::shared_ptr<const CalendarFolder>> folders;
    for (const auto& f : snap->calendars)
        if (f.get() != folder) folders.push_back(f);
    snap = StoreSnapshot::assemble(snap->root, std::move(folders), snap->groupsFile);
    store.setSnapshot(snap);
    return true;
}

bool StoreWriter::saveGroup(const Group& group, QString* why) {
    if (!snap->group(group.uid())) {
        *why = QStringLiteral("the store has no group \"%1\"").arg(group.uid());
        return false;
    }
    QJsonArray list = snap->groupsFile.value(QStringLiteral("groups")).toArray();
    QJsonObject record;
    qsizetype at = -1;
    for (qsizetype i = 0; i < list.size(); ++i)
        if (list[i].toObject().value(QStringLiteral("uid")).toString() == group.uid()) {
            record = list[i].toObject();
            at = i;
            break;
        }
    record.insert(QStringLiteral("uid"), group.uid());
    record.insert(QStringLiteral("type"), snap->group(group.uid())->group.type());
    record.insert(QStringLiteral("title"), group.title());
    auto putText = [&](const char* key, const QString& value) {
        if (value.isEmpty())
            record.remove(QLatin1String(key));
        else
            record.insert(QLatin1String(key), value);
    };
    putText("serverURL", group.serverURL().toString(QUrl::FullyEncoded));
    putText("externalServerURL", group.externalServerURL().toString(QUrl::FullyEncoded));
    putText("email", group.emailAddress());
    putText("fullName", group.fullName());
    if (at >= 0)
        list[at] = record;
    else
        list.append(record);
    QJsonObject file = snap->groupsFile;
    file.insert(QStringLiteral("groups"), list);
    QString error;
    if (!foundation::writeFileAtomically(
            snap->root + QLatin1Char('/') + StoreSnapshot::groupsFileName(),
            QJsonDocument(file).toJson(QJsonDocument::Indented), &error)) {
        *why = error;
        return false;
    }
    snap = StoreSnapshot::assemble(snap->root, snap->calendars, file);
    store.setSnapshot(snap);
    return true;
}

bool StoreWriter::removeGroup(const Group& group, QString* why) {
    if (!snap->group(group.uid())) {
        *why = QStringLiteral("the store has no group \"%1\"").arg(group.uid());
        return false;
    }
    if (group.uid() == Store::localGroupUID()) {
        *why = QStringLiteral("the local group cannot be removed");
        return false;
    }
    // Its calendars move to the local group first: nothing is lost if the rest fails.
    std::vector<std::shared_ptr<const CalendarFolder>> folders;
    for (const auto& f : snap->calendars) {
        if (f->groupUid != group.uid()) {
            folders.push_back(f);
            continue;
        }
        QJsonObject attributes = f->attributes;
        attributes.insert(QStringLiteral("group"), Store::localGroupUID());
        if (!writeIfChanged(f->path + QLatin1Char('/') + StoreSnapshot::attributesFileName(),
                            QJsonDocument(attributes).toJson(QJsonDocument::Indented), why))
            return false;
        folders.push_back(StoreSnapshot::loadFolder(f->path, f.get()));
    }
    QJsonArray list;
    for (const QJsonValue& v : snap->groupsFile.value(QStringLiteral("groups")).toArray())
        if (v.toObject().value(QStringLiteral("uid")).toString() != group.uid()) list.append(v);
    QJsonObject file = snap->groupsFile;
    file.insert(QStringLiteral("groups"), list);
    QString error;
    if (!foundation::writeFileAtomically(
            snap->root + QLatin1Char('/') + StoreSnapshot::groupsFileName(),
            QJsonDocument(file).toJson(QJsonDocument::Indented), &error)) {
        *why = error;
        return false;
    }
    snap = StoreSnapshot::assemble(snap->root, std::move(folders), file);
    store.setSnapshot(snap);
    return true;
}

}  // namespace calstore::detail
