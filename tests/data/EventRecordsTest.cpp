#include "data/Birthday.h"
#include "data/Calendar.h"
#include "data/EventDay.h"
#include "data/MyDate.h"
#include "data/RectObj.h"

#include "data/ScopedUserCalendar.h"

#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

class EventRecordsTest : public ::testing::Test {
protected:
    ScopedUserCalendar calendar_{"Europe/Berlin", 2, 4};

    static QDateTime at(int day, int hour, int minute = 0, int second = 0) {
        return QDateTime(QDate(2024, 3, day), QTime(hour, minute, second),
                         QTimeZone("Europe/Berlin"));
    }
    static calstore::EventPtr event(const QDateTime& start, const QDateTime& end,
                                    bool allDay = false, const QString& location = QString()) {
        auto e = std::make_shared<calstore::Event>();
        e->setStartDate(start);
        e->setEndDate(end);
        e->setIsAllDay(allDay);
        e->setLocation(location);
        return e;
    }
    // 12 March 2024, 00:00.
    static MyDatePtr day() { return MyDate::dateWithDayMonthYear(12, 3, 2024); }
};

TEST_F(EventRecordsTest, MarkFlagAndMarkerIdentifierFollowTheLocation) {
    const QString id = QStringLiteral("0123456789ABCDEF0123456789ABCDEF");
    struct Case {
        QString location;
        bool isMark;
        QString markerID;
    };
    const Case cases[] = {
        {QStringLiteral("Zolt:") + id, true, id},
        {QStringLiteral("Zolt:"), true, QString()},
        {QStringLiteral("Zolt:Notes"), true, QStringLiteral("Notes")},
        {QStringLiteral("zolt:") + id, false, QString()},
        {QStringLiteral(" Zolt:") + id, false, QString()},
        {QString(), false, QString()},
        {QStringLiteral("Room 4"), false, QString()},
    };
    for (const Case& c : cases) {
        const auto e = event(at(12, 0), at(12, 23, 59, 59), true, c.location);
        const auto hit = EventDay::eventDayFromCalEvent(e);
        EXPECT_EQ(hit->isMark(), c.isMark) << c.location.toStdString();
        EXPECT_EQ(hit->markerID(), c.markerID) << c.location.toStdString();
        EXPECT_TRUE(hit->fulldayEvent());
        EXPECT_FALSE(hit->isNew());
        EXPECT_EQ(hit->calendar(), nullptr);
        EXPECT_EQ(hit->event(), e);
        EXPECT_EQ(hit->sortPercent(), 0.0f);

        // The records of the day cells flag marks the same way.
        const auto listed = EventDay::eventDayForDay(e, nullptr, *day(), 8, 18);
        ASSERT_TRUE(listed);
        EXPECT_EQ(listed->isMark(), c.isMark) << c.location.toStdString();
    }
}

TEST_F(EventRecordsTest, WorkdayPositionsOfTimedAllDayMultiDayAndOutOfHoursEvents) {
    struct Case {
        const char* name;
        QDateTime start, end;
        bool allDay;
        float startPercent, endPercent, sortPercent;
        bool extendsPrev, extendsNext;
    };
    const Case cases[] = {
        {"timed, starts before the workday", at(12, 7), at(12, 9), false, 0.0f, 0.1f, 7 / 24.0f,
         false, false},
        {"timed, ends after the workday", at(12, 17), at(12, 23), false, 0.9f, 1.0f, 17 / 24.0f,
         false, false},
        {"timed, with minutes", at(12, 10, 30), at(12, 12, 45), false, 0.25f, 0.475f, 10.5f / 24.0f,
         false, false},
        {"early morning, before the workday", at(12, 5), at(12, 6), false, 0.0f, 0.0f, 5 / 24.0f,
         false, false},
        {"evening, after the workday", at(12, 20), at(12, 21, 30), false, 1.0f, 1.0f, 20 / 24.0f,
         false, false},
        {"all day", at(12, 0), at(12, 23, 59, 59), true, 0.0f, 1.0f, 0.0f, false, false},
        {"two all-day days, on the first", at(12, 0), at(13, 23, 59, 59), true, 0.0f, 1.0f, 0.0f,
         false, true},
        {"two all-day days, on the second", at(11, 0), at(12, 23, 59, 59), true, 0.0f, 1.0f, 0.0f,
         true, false},
        {"timed over three days, the middle one", at(11, 15), at(13, 10), false, 0.0f, 1.0f, 0.0f,
         true, true},
        {"from the day before, ending at 00:01", at(11, 10), at(12, 0, 1), false, 0.0f, 0.0f, 0.0f,
         true, false},
        {"into the next day", at(12, 16), at(13, 2), false, 0.8f, 1.0f, 16 / 24.0f, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto e = event(c.start, c.end, c.allDay);
        const auto r = EventDay::eventDayForDay(e, nullptr, *day(), 8, 18);
        ASSERT_TRUE(r);
        EXPECT_NEAR(r->startPercent(), c.startPercent, 1e-6);
        EXPECT_NEAR(r->endPercent(), c.endPercent, 1e-6);
        EXPECT_NEAR(r->sortPercent(), c.sortPercent, 1e-6);
        EXPECT_EQ(r->extendsPrevDay(), c.extendsPrev);
        EXPECT_EQ(r->extendsNextDay(), c.extendsNext);
        EXPECT_EQ(r->fulldayEvent(), c.allDay);
        EXPECT_FALSE(r->isNew());
        EXPECT_FALSE(r->isInDragging());
    }
}

TEST_F(EventRecordsTest, AnEventEndingAtTheMidnightBeginningTheDayIsNotListed) {
    EXPECT_FALSE(EventDay::eventDayForDay(event(at(11, 10), at(12, 0)), nullptr, *day(), 8, 18));
    EXPECT_FALSE(
        EventDay::eventDayForDay(event(at(11, 10), at(12, 0, 0, 30)), nullptr, *day(), 8, 18));
    EXPECT_FALSE(EventDay::eventDayForDay(nullptr, nullptr, *day(), 8, 18));
}

TEST_F(EventRecordsTest, AnEventBeginningAtTheDaysMidnightIsListedHoweverShort) {
    struct Case {
        const char* name;
        QDateTime start, end;
    };
    const Case cases[] = {
        {"an instant at midnight", at(12, 0), at(12, 0)},
        {"30 seconds from midnight", at(12, 0), at(12, 0, 0, 30)},
        {"a minute from midnight", at(12, 0), at(12, 0, 1)},
        {"an instant at noon", at(12, 12), at(12, 12)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r = EventDay::eventDayForDay(event(c.start, c.end), nullptr, *day(), 8, 18);
        ASSERT_TRUE(r);
        EXPECT_FALSE(r->extendsPrevDay());
        EXPECT_FALSE(r->extendsNextDay());
    }
}

TEST_F(EventRecordsTest, ListedRecordsCarryTheirCalendar) {
    auto calendar = std::make_shared<Calendar>();
    const auto r = EventDay::eventDayForDay(event(at(12, 9), at(12, 10)), calendar, *day(), 8, 18);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->calendar(), calendar);
}

// A day column's state on a record (overlap layout, hit box, selection, drag,
// blink) starts cleared, is kept by the record, and goes with a copy (the drag
// preview) without the copy's changes reaching the original.
TEST_F(EventRecordsTest, ColumnStateStartsClearedAndCopiesWithTheRecord) {
    const auto r = EventDay::eventDayForDay(event(at(12, 9), at(12, 10)), nullptr, *day(), 8, 18);
    ASSERT_TRUE(r);
    EXPECT_FALSE(r->isSelected());
    EXPECT_FALSE(r->isInDragging());
    EXPECT_EQ(r->indentLevel(), 0);
    EXPECT_EQ(r->hitW(), 0.0f);
    EXPECT_EQ(r->dragStart(), QPointF());
    r->setIsSelected(false);  // a clearing change on a cleared record keeps it cleared
    EXPECT_FALSE(r->isSelected());

    r->setIsSelected(true);
    r->setIndentLevel(2);
    r->setEventsAtSameTime(3);
    r->setHitX(4.5f);
    r->setHitH(20.0f);
    r->setDragStartX(7.0f);
    r->setDragStartY(8.0f);
    r->setBlinkingFactor(0.5f);
    auto preview = std::make_shared<EventDay>(*r);
    preview->setIsInDragging(true);
    preview->setHitX(99.0f);
    for (const auto& record : {r, preview}) {
        EXPECT_TRUE(record->isSelected());
        EXPECT_EQ(record->indentLevel(), 2);
        EXPECT_EQ(record->eventsAtSameTime(), 3);
        EXPECT_EQ(record->hitH(), 20.0f);
        EXPECT_EQ(record->dragStart(), QPointF(7.0, 8.0));
        EXPECT_EQ(record->blinkingFactor(), 0.5f);
        EXPECT_EQ(record->event(), r->event());
        EXPECT_EQ(record->startPercent(), r->startPercent());
    }
    EXPECT_FALSE(r->isInDragging());
    EXPECT_EQ(r->hitX(), 4.5f);
    EXPECT_TRUE(preview->isInDragging());
    EXPECT_EQ(preview->hitX(), 99.0f);
}

TEST_F(EventRecordsTest, AWorkdayWithoutLengthGivesPositionsInsideZeroToOne) {
    // A user may set the workday to end where it starts; the positions must stay
    // numbers the views can draw.
    const auto before =
        EventDay::eventDayForDay(event(at(12, 7), at(12, 8)), nullptr, *day(), 9, 9);
    const auto after =
        EventDay::eventDayForDay(event(at(12, 10), at(12, 11)), nullptr, *day(), 9, 9);
    const auto reversed =
        EventDay::eventDayForDay(event(at(12, 10), at(12, 11)), nullptr, *day(), 18, 8);
    ASSERT_TRUE(before && after && reversed);
    EXPECT_EQ(before->startPercent(), 0.0f);
    EXPECT_EQ(before->endPercent(), 0.0f);
    EXPECT_EQ(after->startPercent(), 1.0f);
    EXPECT_EQ(after->endPercent(), 1.0f);
    for (float v : {reversed->startPercent(), reversed->endPercent()}) {
        EXPECT_GE(v, 0.0f);
        EXPECT_LE(v, 1.0f);
    }
}

TEST_F(EventRecordsTest, BirthdaysCompareByDateAndDescribeThemselves) {
    Birthday early, late, same;
    early.setDate(1000.0);
    late.setDate(2000.0);
    same.setDate(1000.0);
    EXPECT_EQ(early.compare(late), -1);
    EXPECT_EQ(late.compare(early), 1);
    EXPECT_EQ(early.compare(same), 0);

    Birthday row;
    row.setTitle(QStringLiteral("Ann %1"));
    row.setIsNew(true);
    row.setIsFromPrevYear(true);
    const MyDatePtr date = MyDate::dateWithDayMonthYear(5, 6, 2024);
    row.setDate(date->timeIntervalSince1970());
    EXPECT_EQ(row.description(),
              QStringLiteral("BD new:1 chg:0 prv:1 'Ann %1' on ") + date->description());
}

TEST_F(EventRecordsTest, RectObjKeepsItsRectangleAsGiven) {
    RectObj r(QRectF(-5, -7.5, 0, 0));
    EXPECT_EQ(r.rect(), QRectF(-5, -7.5, 0, 0));
    r.setRect(QRectF(1, 2, -3, 4));
    EXPECT_EQ(r.rect().x(), 1);
    EXPECT_EQ(r.rect().width(), -3);
    EXPECT_EQ(r.rect().height(), 4);
}

}  // namespace
