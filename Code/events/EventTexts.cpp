#include "events/EventTexts.h"

#include "platform/foundation/Defaults.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/LocalizedFormat.h"

#include <algorithm>
#include <array>

namespace {

QString word(const QString& key) {
    return foundation::localized(key, QString());
}

QString word(const char* key) {
    return word(QString::fromLatin1(key));
}

// The name tables, read once from the string table.
struct NameTables {
    std::array<QString, 8> days, shortDays;
    std::array<QString, 12> months, shortMonths;
};

const NameTables& names() {
    static const NameTables tables = [] {
        NameTables t;
        for (int i = 0; i < 8; ++i) {
            t.days[size_t(i)] = word(QStringLiteral("dayText%1").arg(i));
            t.shortDays[size_t(i)] = word(QStringLiteral("shortDayText%1").arg(i));
        }
        for (int i = 0; i < 12; ++i) {
            t.months[size_t(i)] = word(QStringLiteral("monthText%1").arg(i + 1));
            t.shortMonths[size_t(i)] = word(QStringLiteral("shortMonthText%1").arg(i + 1));
        }
        return t;
    }();
    return tables;
}

QString dayName(const MyDate& d) {
    return names().days[size_t(std::clamp(d.weekdayNum(), 0, 6))];
}
QString monthName(const MyDate& d) {
    return names().months[size_t(std::clamp(d.monthNum() - 1, 0, 11))];
}
QString shortMonthName(const MyDate& d) {
    return names().shortMonths[size_t(std::clamp(d.monthNum() - 1, 0, 11))];
}
QString num(int value) {
    return QString::number(value);
}
QString timeOf(const MyDate& d) {
    return EventTexts::timeText(d.hourNum(), d.minuteNum());
}

// Names of list items under a key prefix: the long one for fewer than three
// items, the short one from three on.
QString namesJoined(const QList<int>& items, const char* longPrefix, const char* shortPrefix,
                    int low, int high, int offset) {
    const QString prefix = QString::fromLatin1(items.size() < 3 ? longPrefix : shortPrefix);
    QStringList parts;
    for (int item : items) parts << word(prefix + num(std::clamp(item + offset, low, high)));
    return EventTexts::joinList(parts);
}

}  // namespace

QString EventTexts::preferredLanguage() {
    const QStringList languages = foundation::Defaults::standard().preferredLanguages();
    return languages.isEmpty() ? QString() : languages.first();
}

QString EventTexts::timeText(int hour, int minute) {
    return minute < 10 ? QStringLiteral("%1:0%2").arg(hour).arg(minute)
                       : QStringLiteral("%1:%2").arg(hour).arg(minute);
}

QString EventTexts::determineDatesTextForStartAndEndIsFullday(const QDateTime& start,
                                                              const QDateTime& end,
                                                              bool fullday) const {
    if (!start.isValid() || !end.isValid()) return QString();
    const MyDate s(start);
    const bool english = englishOrder();
    QString text;
    if (fullday) {
        const MyDate last(end.addSecs(-1));
        const bool sameYear = s.yearNum() == last.yearNum();
        const bool oneDay = last.isSameDateAs(s);
        if (english) {
            text = dayName(s) + QStringLiteral(", ") + monthName(s) + QLatin1Char(' ') +
                   num(s.dayNum());
            if (!sameYear) text += QStringLiteral(", ") + num(s.yearNum());
            if (!oneDay) {
                text += QStringLiteral(" - ") + dayName(last) + QStringLiteral(", ") +
                        monthName(last) + QLatin1Char(' ') + num(last.dayNum());
                if (!sameYear) text += QStringLiteral(", ") + num(last.yearNum());
            }
            if (sameYear) text += QStringLiteral(", ") + num(s.yearNum());
        } else {
            text = dayName(s) + QStringLiteral(", ") + num(s.dayNum()) + QStringLiteral(". ") +
                   monthName(s);
            if (!sameYear) text += QLatin1Char(' ') + num(s.yearNum());
            if (!oneDay) {
                text += QStringLiteral(" - ") + dayName(last) + QStringLiteral(", ") +
                        num(last.dayNum()) + QStringLiteral(". ") + monthName(last);
                if (!sameYear) text += QLatin1Char(' ') + num(last.yearNum());
            }
            if (sameYear) text += QLatin1Char(' ') + num(s.yearNum());
        }
        return text;
    }
    const MyDate e(end);
    if (s.isSameDateAs(e)) {
        if (english)
            return dayName(s) + QStringLiteral(", ") + monthName(s) + QLatin1Char(' ') +
                   num(s.dayNum()) + QStringLiteral(", ") + num(s.yearNum()) +
                   QStringLiteral(", ") + timeOf(s) + QStringLiteral(" - ") + timeOf(e);
        return dayName(s) + QStringLiteral(", ") + num(s.dayNum()) + QStringLiteral(". ") +
               monthName(s) + QLatin1Char(' ') + num(s.yearNum()) + QStringLiteral(", ") +
               timeOf(s) + QStringLiteral(" - ") + timeOf(e);
    }
    if (english)
        return shortMonthName(s) + QLatin1Char(' ') + num(s.dayNum()) + QStringLiteral(", ") +
               num(s.yearNum()) + QStringLiteral(", ") + timeOf(s) + QStringLiteral(" - ") +
               shortMonthName(e) + QLatin1Char(' ') + num(e.dayNum()) + QStringLiteral(", ") +
               num(e.yearNum()) + QStringLiteral(", ") + timeOf(e);
    return num(s.dayNum()) + QStringLiteral(". ") + shortMonthName(s) + QLatin1Char(' ') +
           num(s.yearNum()) + QStringLiteral(", ") + timeOf(s) + QStringLiteral(" - ") +
           num(e.dayNum()) + QStringLiteral(". ") + shortMonthName(e) + QLatin1Char(' ') +
           num(e.yearNum()) + QStringLiteral(", ") + timeOf(e);
}

QString EventTexts::determineDateTextFor(const QDateTime& date) {
    if (!date.isValid()) return QString();
    const MyDate d(date);
    return timeOf(d) + QStringLiteral(", ") + shortMonthName(d) + QLatin1Char(' ') +
           num(d.dayNum()) + QStringLiteral(", ") + num(d.yearNum());
}

QString EventTexts::determineAttendeesText(const QList<calstore::AttendeePtr>& attendees) {
    QStringList parts;
    for (const auto& attendee : attendees)
        if (attendee) parts << attendee->commonName();
    return parts.join(QStringLiteral(", "));
}

QString EventTexts::textForNumber(int number) {
    const char* suffix = "numberExtenderOther";
    switch (number % 10) {
        case 1:
            suffix = "numberExtender1";
            break;
        case 2:
            suffix = "numberExtender2";
            break;
        case 3:
            suffix = "numberExtender3";
            break;
        default:
            break;
    }
    return num(number) + word(suffix);
}

QString EventTexts::joinList(const QStringList& items) {
    QString text;
    const auto count = items.size();
    for (qsizetype k = 0; k < count; ++k) {
        if (k > 0 && k < count - 1)
            text += QStringLiteral(", ");
        else if (k > 0)
            text += word(count == 2 ? "enumSeparatorAnd" : "enumSeparatorCommaAnd");
        text += items[k];
    }
    return text;
}

QString EventTexts::weekdaysForArray(const std::optional<QList<int>>& days,
                                     const QDateTime& eventStart) {
    if (!days || days->isEmpty())
        return eventStart.isValid() ? dayName(MyDate(eventStart)) : QString();
    return namesJoined(*days, "dayText", "shortDayText", 0, 6, -1);
}

QString EventTexts::monthsForArray(const std::optional<QList<int>>& months) {
    if (!months || months->isEmpty()) return QString();
    return word("wveipRecurrenceIn") +
           namesJoined(*months, "monthText", "shortMonthText", 1, 12, 0);
}

QString EventTexts::daysInMonthForRule(const LocalRecurrenceRule& rule) {
    if (rule.daysOfTheMonth && !rule.daysOfTheMonth->isEmpty()) {
        QStringList parts;
        for (int day : *rule.daysOfTheMonth) parts << textForNumber(day);
        return joinList(parts) + word("wveipRecurrenceOfMonth");
    }
    if (!rule.nthWeekDaysOfTheMonth || rule.nthWeekDaysOfTheMonth->isEmpty()) return QString();
    const QList<MyNthWeekDayPtr>& entries = *rule.nthWeekDaysOfTheMonth;
    const QString prefix =
        entries.size() < 3 ? QStringLiteral("dayText") : QStringLiteral("shortDayText");
    QStringList parts;
    for (const MyNthWeekDayPtr& entry : entries) {
        if (!entry) continue;
        if (entry->weekNumber() == 0) return word("wveipRecurrenceUnknownRule");
        const QString ordinal = entry->weekNumber() < 0 ? word("numberExtenderLast")
                                                        : textForNumber(entry->weekNumber());
        parts << ordinal + QLatin1Char(' ') +
                     word(prefix + num(std::clamp(entry->dayOfTheWeek() - 1, 0, 6)));
    }
    return joinList(parts) + word("wveipRecurrenceOfMonth");
}

QString EventTexts::endingTextUsingDateWithDateWithCount(bool usesDate, const MyDatePtr& date,
                                                         int count) {
    if (usesDate) {
        QString text = word("wveipRecurrenceEndingOn");
        if (!date) return text;
        if (word("ZoltLocale") == QLatin1String("EN"))
            return text + shortMonthName(*date) + QLatin1Char(' ') + num(date->dayNum()) +
                   QStringLiteral(", ") + num(date->yearNum());
        return text + num(date->dayNum()) + QStringLiteral(". ") + shortMonthName(*date) +
               QLatin1Char(' ') + num(date->yearNum());
    }
    if (count == 1) return word("wveipRecurrenceAfter1Occurrence");
    return foundation::formatLocalizedWith(word("wveipRecurrenceAfterNthOccurrence"), count);
}

QString EventTexts::endingTextFor(const std::optional<calstore::RecurrenceEnd>& end) {
    if (!end) return QString();
    return endingTextUsingDateWithDateWithCount(
        end->usesEndDate(), end->usesEndDate() ? MyDate::dateWithNSDate(end->endDate()) : nullptr,
        end->occurrenceCount());
}

QString EventTexts::determineRecurrenceText(const LocalRecurrenceRule& rule,
                                            const QDateTime& eventStart) const {
    if (!rule.rule) return QString();
    QString text = variant_.repeatsPrefix ? word("wveipRecurrenceRepeats") : QString();
    const int n = rule.recurrenceInterval;
    const auto every = [n](const char* once, const char* nth) {
        return n < 2 ? word(once) : foundation::formatLocalizedWith(word(nth), textForNumber(n));
    };
    const auto onDays = [&rule] {
        const QString days = daysInMonthForRule(rule);
        return days.isEmpty() ? QString() : word("wveipRecurrenceOn") + days;
    };
    switch (rule.recurrenceType) {
        case 0:
            text += every("wveipRecurrenceDaily", "wveipRecurrenceEveryNthDay");
            break;
        case 1:
            text += every("wveipRecurrenceEvery", "wveipRecurrenceEveryNthWeekOn") +
                    weekdaysForArray(rule.daysOfTheWeek, eventStart);
            break;
        case 2:
            text += every("wveipRecurrenceMonthly", "wveipRecurrenceEveryNthMonth") + onDays();
            break;
        case 3:
            text += every("wveipRecurrenceYearly", "wveipRecurrenceEveryNthYear") +
                    monthsForArray(rule.monthsOfTheYear) + onDays();
            break;
        default:
            break;
    }
    if (rule.recurrenceEnd)
        text += word("wveipRecurrenceEnding") +
                endingTextUsingDateWithDateWithCount(rule.recurrenceEndUsesEndDate,
                                                     rule.recurrenceEndEndDate,
                                                     rule.recurrenceEndOccurrenceCount);
    return text;
}

QString EventTexts::determineRecurrenceTextForStoreRule(
    const std::optional<calstore::RecurrenceRule>& rule, const QDateTime& eventStart) const {
    if (!rule) return QString();
    // The stored rule as it is: its own interval and end, not the editor's
    // corrections of them.
    LocalRecurrenceRule local = LocalRecurrenceRule::fromStoreRule(rule, eventStart);
    local.recurrenceInterval = rule->recurrenceInterval();
    QString text = determineRecurrenceText(local, eventStart);
    return text;
}
