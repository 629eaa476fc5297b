// The purge's search spans, its choice by location, and its removals on a
// temporary store: single events, series inside and across the range, and a
// removal the store refuses.
#include "sources/PurgeJob.h"

#include "data/WritersTestSupport.h"
#include "data/YearViewEventLoaderTestSupport.h"
#include "platform/foundation/Log.h"

#include <QFile>
#include <QTimeZone>

#include <gtest/gtest.h>

using loadertest::LoaderTest;
using writerstest::ChangeRecorder;
using writerstest::describe;
using writerstest::describeReport;

namespace {

QDateTime atBerlin(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second),
                     QTimeZone(QByteArrayLiteral("Europe/Berlin")));
}

QString text(const QDateTime& date) {
    return date.toTimeZone(QTimeZone(QByteArrayLiteral("Europe/Berlin")))
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString text(const PurgeJob::TimeSpan& span) {
    return text(span.start) + QStringLiteral(" - ") + text(span.end);
}

PurgeJob::Choice choice(int timeType, bool marks, bool notes, bool events) {
    PurgeJob::Choice c;
    c.timeType = timeType;
    c.date = atBerlin(2020, 3, 15, 10, 0);
    c.marks = marks;
    c.notes = notes;
    c.events = events;
    return c;
}

const QString kMarkLocation = QStringLiteral("Zolt:0123456789ABCDEF0123456789ABCDEF");

// --- Spans --------------------------------------------------------------------------------

struct SpanCase {
    const char* name;
    int timeType;
    size_t count;
    const char* first;
    const char* secondLast;
    const char* last;
};
void PrintTo(const SpanCase& c, std::ostream* os) {
    *os << c.name;
}

class PurgeSpansTest : public ::testing::TestWithParam<SpanCase> {
protected:
    ScopedUserCalendar calendar{"Europe/Berlin", 2, 4};
};

TEST_P(PurgeSpansTest, YearsAreAskedOneAtATimeAndTheBaseYearUpToOrFromTheDate) {
    const SpanCase& c = GetParam();
    // The current year counts only for all years; the picker's date is ignored then.
    const auto spans = PurgeJob::spans(choice(c.timeType, true, true, true), 2026);
    ASSERT_EQ(spans.size(), c.count);
    EXPECT_EQ(text(spans.front()), QString::fromLatin1(c.first));
    EXPECT_EQ(text(spans[spans.size() - 2]), QString::fromLatin1(c.secondLast));
    EXPECT_EQ(text(spans.back()), QString::fromLatin1(c.last));
    for (size_t i = 1; i + 1 < spans.size(); ++i)
        EXPECT_LT(spans[i - 1].start, spans[i].start) << "whole years ascend";
}

INSTANTIATE_TEST_SUITE_P(Purge, PurgeSpansTest,
                         ::testing::Values(SpanCase{"UpToTheDate", PurgeJob::kUpToDate, 21,
                                                    "2000-01-01 00:00:00 - 2000-12-31 23:59:59",
                                                    "2019-01-01 00:00:00 - 2019-12-31 23:59:59",
                                                    "2020-01-01 00:00:00 - 2020-03-15 10:00:00"},
                                           SpanCase{"FromTheDate", PurgeJob::kFromDate, 21,
                                                    "2021-01-01 00:00:00 - 2021-12-31 23:59:59",
                                                    "2040-01-01 00:00:00 - 2040-12-31 23:59:59",
                                                    "2020-03-15 10:00:00 - 2020-12-31 23:59:59"},
                                           SpanCase{"AllYears", PurgeJob::kAllYears, 41,
                                                    "2006-01-01 00:00:00 - 2006-12-31 23:59:59",
                                                    "2045-01-01 00:00:00 - 2045-12-31 23:59:59",
                                                    "2046-01-01 00:00:00 - 2046-12-31 23:59:59"}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Choice by location ----------------------------------------------------------------------

TEST(PurgeChoice, MarksNotesAndOrdinaryEventsAreToldApartByTheirLocation) {
    struct Case {
        QString location;
        bool marks, notes, events;  // chosen with only that box on
    };
    const Case cases[] = {
        {kMarkLocation, true, false, false},
        {QStringLiteral("Zolt:Notes"), false, true, false},
        {QStringLiteral("Zolt:0123456789"), false, false, false},  // neither mark nor ordinary
        {QStringLiteral("Zolt:") + QString(33, u'A'), false, false, false},
        {QString(), false, false, true},  // no location: an ordinary event
        {QStringLiteral("Room 4"), false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.location.toStdString());
        EXPECT_EQ(PurgeJob::chooses(c.location, choice(0, true, false, false)), c.marks);
        EXPECT_EQ(PurgeJob::chooses(c.location, choice(0, false, true, false)), c.notes);
        EXPECT_EQ(PurgeJob::chooses(c.location, choice(0, false, false, true)), c.events);
        EXPECT_EQ(PurgeJob::chooses(c.location, choice(0, true, true, true)),
                  c.marks || c.notes || c.events);
        EXPECT_FALSE(PurgeJob::chooses(c.location, choice(0, false, false, false)));
    }
}

// --- On a store ------------------------------------------------------------------------------

class PurgeJobTest : public LoaderTest {
protected:
    QVariantMap purge(const PurgeJob::Choice& c) {
        PurgeJob::Progress progress;
        progress.found = [this](int n) { found << n; };
        progress.removing = [this](int total) { totals << total; };
        progress.removed = [this](int done, int total) {
            removed << QStringLiteral("%1/%2").arg(done).arg(total);
        };
        return PurgeJob::run(calendarNamed(QStringLiteral("Work"))->calendar(), c, 2026, progress,
                             &sender);
    }
    bool stored(const QString& uid) const { return !eventsWithUID(uid).isEmpty(); }
    // The occurrences' starts of the UID as the files on disk have them now.
    QStringList onDisk(const QString& uid) const {
        const auto reread = calstore::Store::openAt(dir.file(QStringLiteral("store")));
        QStringList starts;
        for (const auto& e : reread->eventsWithPredicate(
                 calstore::Store::eventPredicateWithStartDateEndDateUIDCalendars(
                     atBerlin(2000, 1, 1), atBerlin(2100, 1, 1), uid, reread->calendars())))
            starts << text(e->startDate()).left(10);
        return starts;
    }
    QStringList announced() const {
        QStringList texts;
        for (const auto& n : changes.posted()) {
            EXPECT_EQ(n.object, &sender);
            texts << describe(n.userInfo);
        }
        return texts;
    }

    void writeLocated(const QString& uid, const QString& day, const QString& location) {
        QStringList lines{QStringLiteral("DTSTART;VALUE=DATE:%1").arg(day)};
        if (!location.isNull()) lines << QStringLiteral("LOCATION:") + location;
        writeEvent(QStringLiteral("work"), uid, lines);
    }

    const char sender = 0;
    foundation::LogCapture log;
    ChangeRecorder changes;
    QList<int> found;
    QList<int> totals;
    QStringList removed;
};

TEST_F(PurgeJobTest, OnlyTheChosenKindsInTheChosenYearsGo) {
    writeLocated(QStringLiteral("mark"), QStringLiteral("20150601"), kMarkLocation);
    writeLocated(QStringLiteral("notes"), QStringLiteral("20150602"), QStringLiteral("Zolt:Notes"));
    writeLocated(QStringLiteral("odd"), QStringLiteral("20150603"),
                 QStringLiteral("Zolt:0123456789"));
    writeLocated(QStringLiteral("plain"), QStringLiteral("20150604"), QString());
    writeLocated(QStringLiteral("late"), QStringLiteral("20200316"), QString());  // after D
    writeLocated(QStringLiteral("early"), QStringLiteral("19990601"),
                 QString());  // before the years
    writeTimed(QStringLiteral("home"), QStringLiteral("other"), QStringLiteral("20150604T100000"),
               QStringLiteral("20150604T110000"));
    open();

    // Marks and notes, as the sheet opens.
    EXPECT_EQ(describeReport(purge(choice(PurgeJob::kUpToDate, true, true, false))),
              QStringLiteral("mark:3 notes:3"));
    EXPECT_EQ(announced(), (QStringList{QStringLiteral("changes=deleted, event=null, uid=mark"),
                                        QStringLiteral("changes=deleted, event=null, uid=notes")}));
    EXPECT_EQ(removed, (QStringList{QStringLiteral("1/2"), QStringLiteral("2/2")}));
    // Then the ordinary events up to the date.
    EXPECT_EQ(describeReport(purge(choice(PurgeJob::kUpToDate, false, false, true))),
              QStringLiteral("plain:3"));
    for (const char* uid : {"odd", "late", "other"})
        EXPECT_TRUE(stored(QString::fromLatin1(uid))) << uid;
    EXPECT_TRUE(QFile::exists(dir.file(QStringLiteral("store/work/early.ics"))));
    EXPECT_FALSE(stored(QStringLiteral("plain")));

    // Nothing chosen: nothing found, an empty map.
    EXPECT_TRUE(purge(choice(PurgeJob::kAllYears, false, false, false)).isEmpty());
    EXPECT_EQ(totals.back(), 0);
}

TEST_F(PurgeJobTest, AnEventFoundInTwoSpansIsRemovedOnce) {
    // New Year's Eve into New Year's Day 2020: in 2019's span and in 2020's part.
    writeTimed(QStringLiteral("work"), QStringLiteral("party"), QStringLiteral("20191231T200000"),
               QStringLiteral("20200101T020000"));
    open();
    EXPECT_EQ(describeReport(purge(choice(PurgeJob::kUpToDate, false, false, true))),
              QStringLiteral("party:3"));
    EXPECT_EQ(found, QList<int>{1});
    EXPECT_EQ(announced().size(), 1);
    EXPECT_FALSE(log.contains(QStringLiteral("ERROR"))) << log.lines().join(u'\n').toStdString();
}

struct SeriesCase {
    const char* name;
    int timeType;
    const char* report;     // "new" stands for the UID of a series carrying a part on
    const char* remaining;  // the starts on disk, of "weekly" and of a new series
};
void PrintTo(const SeriesCase& c, std::ostream* os) {
    *os << c.name;
}

class PurgeSeriesTest : public PurgeJobTest, public ::testing::WithParamInterface<SeriesCase> {};

// A weekly series from 2 to 30 March 2020 crosses D (15 March 10:00); a
// second one lies wholly in 2019.
TEST_P(PurgeSeriesTest, ASeriesGoesWholeOnlyWhenAllOfItIsInTheRange) {
    const SeriesCase& c = GetParam();
    writeEvent(
        QStringLiteral("work"), QStringLiteral("weekly"),
        {QStringLiteral("DTSTART:20200302T090000Z"), QStringLiteral("DTEND:20200302T100000Z"),
         QStringLiteral("RRULE:FREQ=WEEKLY;COUNT=5")});
    writeEvent(
        QStringLiteral("work"), QStringLiteral("inside"),
        {QStringLiteral("DTSTART:20190107T090000Z"), QStringLiteral("DTEND:20190107T100000Z"),
         QStringLiteral("RRULE:FREQ=WEEKLY;COUNT=3")});
    open();
    const QVariantMap report = purge(choice(c.timeType, false, false, true));

    QString newUid;
    for (auto it = report.cbegin(); it != report.cend(); ++it)
        if (it.key() != QLatin1String("weekly") && it.key() != QLatin1String("inside"))
            newUid = it.key();
    // The expected report in the map's own order, whatever the new UID is.
    QVariantMap expected;
    for (const QString& entry : QString::fromLatin1(c.report).split(u' ', Qt::SkipEmptyParts)) {
        const QStringList parts = entry.split(u':');
        expected.insert(parts[0] == QLatin1String("new") ? newUid : parts[0], parts[1].toInt());
    }
    EXPECT_EQ(describeReport(report), describeReport(expected));
    // Each series once: found, handled and, where it went, announced once.
    EXPECT_EQ(found.size(), totals.back());
    EXPECT_EQ(stored(QStringLiteral("inside")), !report.contains(QStringLiteral("inside")));
    QStringList remaining = onDisk(QStringLiteral("weekly"));
    if (!newUid.isEmpty()) remaining << onDisk(newUid);
    EXPECT_EQ(remaining.join(u' '), QString::fromLatin1(c.remaining));
    EXPECT_EQ(announced().size(), std::count_if(report.cbegin(), report.cend(),
                                                [](const QVariant& v) { return v.toInt() == 3; }));
    EXPECT_FALSE(log.contains(QStringLiteral("ERROR"))) << log.lines().join(u'\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Purge, PurgeSeriesTest,
    ::testing::Values(
        // The part after the date is carried on by a new series.
        SeriesCase{"UpToTheDate", PurgeJob::kUpToDate, "inside:3 new:1 weekly:3",
                   "2020-03-16 2020-03-23 2020-03-30"},
        // The series ends before its first occurrence after the date.
        SeriesCase{"FromTheDate", PurgeJob::kFromDate, "weekly:2", "2020-03-02 2020-03-09"},
        SeriesCase{"AllYears", PurgeJob::kAllYears, "inside:3 weekly:3", ""}),
    [](const auto& info) { return std::string(info.param.name); });

// A removal the store refuses (another program changed the file after it was
// read) is logged, is not announced, and the views read the event again.
TEST_F(PurgeJobTest, ARefusedRemovalIsNeitherAnnouncedNorDropped) {
    writeLocated(QStringLiteral("kept"), QStringLiteral("20150601"), QString());
    writeLocated(QStringLiteral("gone"), QStringLiteral("20150602"), QString());
    open();
    // Changed on disk after the store read it.
    writeLocated(QStringLiteral("kept"), QStringLiteral("20150601"), QStringLiteral("Changed"));
    EXPECT_EQ(describeReport(purge(choice(PurgeJob::kAllYears, false, false, true))),
              QStringLiteral("gone:3 kept:2"));
    EXPECT_EQ(announced(), QStringList{QStringLiteral("changes=deleted, event=null, uid=gone")});
    EXPECT_EQ(onDisk(QStringLiteral("kept")).size(), 1);
    EXPECT_TRUE(log.contains(QStringLiteral("ERROR: deleting event failed!")));
    EXPECT_EQ(removed.last(), QStringLiteral("2/2"));
}

}  // namespace
