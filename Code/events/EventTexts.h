#pragma once

#include "data/MyDate.h"
#include "events/LocalRecurrenceRule.h"
#include "platform/store/Attendee.h"
#include "platform/store/RecurrenceRule.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The words that describe an event: its dates, attendees and repetition. The
// event editor's collapsed panes and the event details view both build their
// texts here; they differ only in what an EventTexts is made with (the
// language of the date texts, and whether the repetition sentence begins with
// "Repeats"). Every word comes from the string table by key; the code adds
// digits, separators and the order of the pieces. Localised formats are
// filled by the safe formatter, so a malformed translation shows wrong text
// and nothing worse. Any thread; nothing is kept between calls.
class EventTexts final {
public:
    // What the editor's texts and the details view's texts differ in.
    struct Variant {
        // The first preferred language; exactly "en" orders dates month first,
        // anything else day first.
        QString language;
        // The details view starts its repetition sentence with
        // "wveipRecurrenceRepeats"; the editor does not.
        bool repeatsPrefix = false;
    };

    explicit EventTexts(Variant variant) : variant_(std::move(variant)) {}
    // The user's first preferred language (foundation's list).
    static QString preferredLanguage();
    const Variant& variant() const { return variant_; }
    bool englishOrder() const { return variant_.language == QLatin1String("en"); }

    // The dates of an event from `start` to `end`. A full-day event's end is
    // exclusive: its last day is the day of one second before `end`.
    QString determineDatesTextForStartAndEndIsFullday(const QDateTime& start, const QDateTime& end,
                                                      bool fullday) const;
    // A time and a date ("9:05, Jun 13, 2011"); a null text for no date.
    static QString determineDateTextFor(const QDateTime& date);
    // The attendees' names, joined by ", ".
    static QString determineAttendeesText(const QList<calstore::AttendeePtr>& attendees);

    // The number with its ordinal suffix, chosen by its last decimal digit.
    static QString textForNumber(int number);
    // Items joined by ", ", the last of two by "enumSeparatorAnd", the last of
    // more by "enumSeparatorCommaAnd".
    static QString joinList(const QStringList& items);
    // Weekday names (1 Sunday .. 7 Saturday); short names from three on. No
    // list, or an empty one, names the weekday of `eventStart`.
    static QString weekdaysForArray(const std::optional<QList<int>>& days,
                                    const QDateTime& eventStart);
    // "wveipRecurrenceIn" and the month names (1 .. 12); short names from three
    // on. Empty for no list or an empty one.
    static QString monthsForArray(const std::optional<QList<int>>& months);
    // The days of the month or the ordinal weekday the rule is restricted to,
    // "wveipRecurrenceUnknownRule" for an ordinal weekday of week 0, empty
    // without a restriction.
    static QString daysInMonthForRule(const LocalRecurrenceRule& rule);
    // How a repetition ends: on `date`, or after `count` occurrences.
    static QString endingTextUsingDateWithDateWithCount(bool usesDate, const MyDatePtr& date,
                                                        int count);
    // The same for a store rule's end; empty for none.
    static QString endingTextFor(const std::optional<calstore::RecurrenceEnd>& end);

    // The repetition sentence of a working rule; empty when it does not repeat.
    QString determineRecurrenceText(const LocalRecurrenceRule& rule,
                                    const QDateTime& eventStart) const;
    // The same for a store rule (the details view); empty for none.
    QString determineRecurrenceTextForStoreRule(const std::optional<calstore::RecurrenceRule>& rule,
                                                const QDateTime& eventStart) const;

    // "h:mm" with the hour unpadded.
    static QString timeText(int hour, int minute);

private:
    Variant variant_;
};
