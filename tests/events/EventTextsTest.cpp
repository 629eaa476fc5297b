// The event texts, table by table: date ranges in both orders, single dates,
// ordinals, list joining, weekday and month lists, days-in-month phrases,
// endings and repetition sentences of every kind, for the editor's working
// rule and for a stored rule as the details view shows it.

#include "data/ScopedUserCalendar.h"
#include "events/EventTexts.h"
#include "platform/foundation/Defaults.h"
#include "support/TestSupport.h"

#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

QDateTime berlin(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second),
                     QTimeZone(QByteArrayLiteral("Europe/Berlin")));
}

class EventTextsTest : public ::testing::Test {
protected:
    ScopedUserCalendar calendar{"Europe/Berlin", 2, 4};
    const EventTexts english{{QStringLiteral("en"), false}};
    const EventTexts dayFirst{{QStringLiteral("de"), false}};
    const EventTexts details{{QStringLiteral("en"), true}};
};

struct RangeCase {
    const char* what;
    QDateTime start, end;
    bool fullday;
    const char* english;
    const char* dayFirst;
};

TEST_F(EventTextsTest, DateRangesInBothOrders) {
    const RangeCase cases[] = {
        {"one full day", berlin(2011, 6, 13), berlin(2011, 6, 14), true, "Monday, June 13, 2011",
         "Monday, 13. June 2011"},
        {"two full days name the second, not the day after", berlin(2011, 6, 13),
         berlin(2011, 6, 15), true, "Monday, June 13 - Tuesday, June 14, 2011",
         "Monday, 13. June - Tuesday, 14. June 2011"},
        {"the store's end inside the last day", berlin(2011, 6, 13),
         berlin(2011, 6, 14, 23, 59, 59), true, "Monday, June 13 - Tuesday, June 14, 2011",
         "Monday, 13. June - Tuesday, 14. June 2011"},
        {"over the year's end", berlin(2011, 12, 31), berlin(2012, 1, 2), true,
         "Saturday, December 31, 2011 - Sunday, January 1, 2012",
         "Saturday, 31. December 2011 - Sunday, 1. January 2012"},
        {"the year's last day", berlin(2011, 12, 31), berlin(2012, 1, 1), true,
         "Saturday, December 31, 2011", "Saturday, 31. December 2011"},
        {"timed, one day", berlin(2011, 6, 13, 9, 5), berlin(2011, 6, 13, 10, 30), false,
         "Monday, June 13, 2011, 9:05 - 10:30", "Monday, 13. June 2011, 9:05 - 10:30"},
        {"timed, two days", berlin(2011, 6, 13, 10, 30), berlin(2011, 6, 14, 9, 5), false,
         "Jun 13, 2011, 10:30 - Jun 14, 2011, 9:05", "13. Jun 2011, 10:30 - 14. Jun 2011, 9:05"},
        {"timed, midnight and a padded minute", berlin(2011, 12, 31, 0, 0),
         berlin(2012, 1, 1, 0, 9), false, "Dec 31, 2011, 0:00 - Jan 1, 2012, 0:09",
         "31. Dec 2011, 0:00 - 1. Jan 2012, 0:09"},
    };
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(english.determineDatesTextForStartAndEndIsFullday(c.start, c.end, c.fullday),
                  QString::fromUtf8(c.english));
        EXPECT_EQ(dayFirst.determineDatesTextForStartAndEndIsFullday(c.start, c.end, c.fullday),
                  QString::fromUtf8(c.dayFirst));
    }
}

TEST_F(EventTextsTest, OnlyExactlyEnglishOrdersMonthFirst) {
    const QDateTime start = berlin(2011, 6, 13), end = berlin(2011, 6, 14);
    for (const char* language : {"en-US", "en_GB", "EN", "de", ""}) {
        SCOPED_TRACE(language);
        const EventTexts texts{{QString::fromLatin1(language), false}};
        EXPECT_EQ(texts.determineDatesTextForStartAndEndIsFullday(start, end, true),
                  QStringLiteral("Monday, 13. June 2011"));
    }
}

TEST_F(EventTextsTest, LanguageComesFromThePreferredLanguages) {
    testsupport::TempDir dir;
    foundation::Defaults::resetStandard(dir.file(QStringLiteral("Defaults.plist")));
    foundation::Defaults::standard().setObject(
        QStringLiteral("AppleLanguages"), QVariantList{QStringLiteral("fr"), QStringLiteral("en")});
    EXPECT_EQ(EventTexts::preferredLanguage(), QStringLiteral("fr"));
    foundation::Defaults::resetStandard();
}

TEST_F(EventTextsTest, SingleDateText) {
    EXPECT_EQ(EventTexts::determineDateTextFor(berlin(2011, 6, 13, 9, 5)),
              QStringLiteral("9:05, Jun 13, 2011"));
    EXPECT_EQ(EventTexts::determineDateTextFor(berlin(2011, 12, 31, 23, 30)),
              QStringLiteral("23:30, Dec 31, 2011"));
    EXPECT_TRUE(EventTexts::determineDateTextFor(QDateTime()).isNull());
}

TEST_F(EventTextsTest, OrdinalsOneToThirtyOne) {
    for (int n = 1; n <= 31; ++n) {
        const int last = n % 10;
        const char* suffix = last == 1 ? "st" : last == 2 ? "nd" : last == 3 ? "rd" : "th";
        EXPECT_EQ(EventTexts::textForNumber(n), QString::number(n) + QString::fromLatin1(suffix));
    }
    // A negative remainder takes the general suffix.
    EXPECT_EQ(EventTexts::textForNumber(-1), QStringLiteral("-1th"));
}

TEST_F(EventTextsTest, ListJoining) {
    EXPECT_EQ(EventTexts::joinList({}), QString());
    EXPECT_EQ(EventTexts::joinList({"a"}), QStringLiteral("a"));
    EXPECT_EQ(EventTexts::joinList({"a", "b"}), QStringLiteral("a and b"));
    EXPECT_EQ(EventTexts::joinList({"a", "b", "c"}), QStringLiteral("a, b, and c"));
    EXPECT_EQ(EventTexts::joinList({"a", "b", "c", "d"}), QStringLiteral("a, b, c, and d"));
}

TEST_F(EventTextsTest, WeekdayAndMonthLists) {
    const QDateTime monday = berlin(2011, 6, 13, 9, 0);
    const struct {
        std::optional<QList<int>> items;
        const char* weekdays;
        const char* months;
    } cases[] = {
        {std::nullopt, "Monday", ""},
        {QList<int>{}, "Monday", ""},
        {QList<int>{2}, "Monday", " in February"},
        {QList<int>{2, 4}, "Monday and Wednesday", " in February and April"},
        {QList<int>{1, 2, 7}, "Su, Mo, and Sa", " in Jan, Feb, and Jul"},
        // Out of range: weekdays clamp to Sunday and Saturday, months to January and December.
        {QList<int>{0, 13}, "Sunday and Saturday", " in January and December"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EventTexts::weekdaysForArray(c.items, monday), QString::fromLatin1(c.weekdays));
        EXPECT_EQ(EventTexts::monthsForArray(c.items), QString::fromLatin1(c.months));
    }
}

LocalRecurrenceRule withNth(QList<std::pair<int, int>> entries) {
    LocalRecurrenceRule rule;
    QList<MyNthWeekDayPtr> list;
    for (auto [weekday, week] : entries) list << MyNthWeekDay::objWithNthAndWeekday(week, weekday);
    rule.nthWeekDaysOfTheMonth = list;
    return rule;
}

TEST_F(EventTextsTest, DaysInMonthPhrases) {
    LocalRecurrenceRule days;
    days.daysOfTheMonth = QList<int>{1, 15};
    EXPECT_EQ(EventTexts::daysInMonthForRule(days), QStringLiteral("1st and 15th of the month"));
    EXPECT_EQ(EventTexts::daysInMonthForRule(withNth({{6, -1}})),
              QStringLiteral("last Friday of the month"));
    EXPECT_EQ(EventTexts::daysInMonthForRule(withNth({{3, 2}})),
              QStringLiteral("2nd Tuesday of the month"));
    EXPECT_EQ(EventTexts::daysInMonthForRule(withNth({{2, 1}, {4, 3}, {6, -1}})),
              QStringLiteral("1st Mo, 3rd We, and last Fr of the month"));
    // Week 0 ("every such weekday") cannot be said here: the whole phrase gives way.
    EXPECT_EQ(EventTexts::daysInMonthForRule(withNth({{2, 1}, {3, 0}})),
              QStringLiteral("days this editor cannot show"));
    LocalRecurrenceRule none;
    none.daysOfTheMonth = QList<int>{};
    EXPECT_EQ(EventTexts::daysInMonthForRule(none), QString());
}

TEST_F(EventTextsTest, Endings) {
    const MyDatePtr june30 = MyDate::dateWithNSDate(berlin(2011, 6, 30, 12));
    EXPECT_EQ(EventTexts::endingTextUsingDateWithDateWithCount(true, june30, 0),
              QStringLiteral("on Jun 30, 2011"));
    EXPECT_EQ(EventTexts::endingTextUsingDateWithDateWithCount(false, nullptr, 1),
              QStringLiteral("after 1 occurrence"));
    EXPECT_EQ(EventTexts::endingTextUsingDateWithDateWithCount(false, nullptr, 2),
              QStringLiteral("after 2 occurrences"));
    EXPECT_EQ(EventTexts::endingTextFor(std::nullopt), QString());
    EXPECT_EQ(
        EventTexts::endingTextFor(calstore::RecurrenceEnd::recurrenceEndWithOccurrenceCount(7)),
        QStringLiteral("after 7 occurrences"));
}

LocalRecurrenceRule rule(int type, int interval) {
    LocalRecurrenceRule r;
    r.rule = true;
    r.recurrenceType = type;
    r.recurrenceInterval = interval;
    return r;
}

TEST_F(EventTextsTest, RecurrenceSentencesOfEveryKind) {
    const QDateTime monday = berlin(2011, 6, 13, 9, 0);
    LocalRecurrenceRule weeklyDays = rule(1, 1);
    weeklyDays.daysOfTheWeek = QList<int>{2, 4};
    LocalRecurrenceRule monthlyDay = rule(2, 1);
    monthlyDay.daysOfTheMonth = QList<int>{15};
    LocalRecurrenceRule yearlyLastFriday = withNth({{6, -1}});
    yearlyLastFriday.rule = true;
    yearlyLastFriday.recurrenceType = 3;
    yearlyLastFriday.monthsOfTheYear = QList<int>{6};
    LocalRecurrenceRule countEnd = rule(0, 1);
    countEnd.recurrenceEnd = true;
    countEnd.recurrenceEndOccurrenceCount = 5;
    LocalRecurrenceRule dateEnd = rule(3, 2);
    dateEnd.recurrenceEnd = true;
    dateEnd.recurrenceEndUsesEndDate = true;
    dateEnd.recurrenceEndEndDate = MyDate::dateWithNSDate(berlin(2015, 6, 13, 9));
    LocalRecurrenceRule notRepeating = rule(0, 1);
    notRepeating.rule = false;

    const struct {
        LocalRecurrenceRule rule;
        const char* text;
    } cases[] = {
        {rule(0, 1), "Daily"},
        {rule(0, 3), "Every 3rd day"},
        {weeklyDays, "Every Monday and Wednesday"},
        {rule(1, 2), "Every 2nd week on Monday"},
        {monthlyDay, "Monthly on the 15th of the month"},
        {rule(2, 2), "Every 2nd month"},
        {yearlyLastFriday, "Yearly in June on the last Friday of the month"},
        {rule(3, 1), "Yearly"},
        {countEnd, "Daily, ending after 5 occurrences"},
        {dateEnd, "Every 2nd year, ending on Jun 13, 2015"},
        {rule(7, 1), ""},
        {notRepeating, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(english.determineRecurrenceText(c.rule, monday), QString::fromLatin1(c.text));
    }
}

TEST_F(EventTextsTest, DetailsViewSaysTheStoredRuleWithItsPrefix) {
    const QDateTime monday = berlin(2011, 6, 13, 9, 0);
    EXPECT_EQ(details.determineRecurrenceTextForStoreRule(std::nullopt, monday), QString());
    const auto weekly =
        calstore::RecurrenceRule::initWeeklyRecurrenceWithIntervalForDaysOfTheWeekEnd(
            1, {2}, calstore::RecurrenceEnd::recurrenceEndWithEndDate(berlin(2011, 6, 30, 23)));
    EXPECT_EQ(details.determineRecurrenceTextForStoreRule(weekly, monday),
              QStringLiteral("Repeats: Every Monday, ending on Jun 30, 2011"));
    // No days in the stored rule: the shown event's own weekday.
    const auto everyOther =
        calstore::RecurrenceRule::initWeeklyRecurrenceWithIntervalEnd(2, std::nullopt);
    EXPECT_EQ(details.determineRecurrenceTextForStoreRule(everyOther, berlin(2011, 6, 15, 9)),
              QStringLiteral("Repeats: Every 2nd week on Wednesday"));
    const auto monthly = calstore::RecurrenceRule::
        initMonthlyRecurrenceWithIntervalForDayOfTheWeekForWeekOfTheMonthEnd(
            1, 6, -1, calstore::RecurrenceEnd::recurrenceEndWithOccurrenceCount(1));
    EXPECT_EQ(details.determineRecurrenceTextForStoreRule(monthly, monday),
              QStringLiteral(
                  "Repeats: Monthly on the last Friday of the month, ending after 1 occurrence"));
    // The editor's texts carry no prefix.
    EXPECT_EQ(english.determineRecurrenceTextForStoreRule(monthly, monday),
              QStringLiteral("Monthly on the last Friday of the month, ending after 1 occurrence"));
}

}  // namespace
