#pragma once

// What the day column tests share: the year view's cell world (a fixed
// calendar, the factory settings, an application delegate), the columns'
// settings read from them, and builders for a day's entries.

#include "weekview/WDEventsView.h"
#include "weekview/WDHeaderView.h"
#include "weekview/WeekdayView.h"
#include "yearview/YearViewTestSupport.h"

#include <QTime>

#ifdef ZOLT_HAS_SAMPLE_STORE
#include "SampleStore.h"
#include "platform/store/Store.h"
#include "support/TestSupport.h"

#include <map>
#endif

#include <memory>

namespace wdvtest {

// The day most tests show: Tuesday, 5 March 2024.
constexpr int kYear = 2024, kMonth = 3, kDay = 5;

inline QDateTime at(const char* hhmm, int dayOffset = 0) {
    const QTime t = QTime::fromString(QString::fromLatin1(hhmm), QStringLiteral("HH:mm"));
    return yvtest::at(kYear, kMonth, kDay + dayOffset, t.hour(), t.minute());
}

class ColumnTest : public yvtest::CellTest {
protected:
    void SetUp() override {
        yvtest::CellTest::SetUp();
        WeekdayView::loadPreferences();
        cell = yvtest::makeCell(kYear, kMonth, kDay);
    }

    // A column `height` points high.
    std::unique_ptr<WeekdayView> column(double height, double width = 120.0) {
        return std::unique_ptr<WeekdayView>(
            WeekdayView::initWithFrame(QRectF(0, 0, width, height)));
    }

    // Adds an event of the day (or from `startDay` days away) to the cell, as
    // a loader does, and answers its store event.
    calstore::EventPtr timed(const CalendarPtr& calendar, const char* from, const char* to,
                             const QString& title, int startDay = 0) {
        auto event = yvtest::makeEvent(at(from, startDay), at(to), title);
        cell->addEventFromCalendar(event, calendar);
        return event;
    }
    calstore::EventPtr fullday(const CalendarPtr& calendar, const QString& title,
                               const QString& location = QString()) {
        auto event = yvtest::makeAllDay(kYear, kMonth, kDay, title, location);
        cell->addEventFromCalendar(event, calendar);
        return event;
    }
    // The cell's record of a store event.
    EventDayPtr recordOf(const calstore::EventPtr& event) const {
        for (const EventDayPtr& r : *cell->events())
            if (r->event() == event) return r;
        return nullptr;
    }

    void setWeekPref(const QString& key, const QVariant& value) {
        QVariantMap map =
            foundation::Defaults::standard().dictionaryForKey(QStringLiteral("AppPref WeekView"));
        map.insert(key, value);
        foundation::Defaults::standard().setObject(QStringLiteral("AppPref WeekView"), map);
        WeekdayView::updatePreferences();
    }

    CalendarPtr work =
        yvtest::makeCalendar(Calendar::kTypeNormal, true, Qt::blue, QStringLiteral("Work"));
    CalendarPtr home =
        yvtest::makeCalendar(Calendar::kTypeNormal, true, Qt::green, QStringLiteral("Home"));
    YearViewCellPtr cell;
};

}  // namespace wdvtest

#ifdef ZOLT_HAS_SAMPLE_STORE
// A busy week of the benchmarks' sample store (1,500 series): Monday 4 to
// Sunday 10 March 2024, handed to day cells as the loaders do, each day with
// the occurrences that touch it.
struct BusySampleWeek {
    testsupport::TempDir dir;
    std::shared_ptr<calstore::Store> store;
    std::map<QString, CalendarPtr> calendars;
    QList<calstore::EventPtr> events;
    QDateTime weekStart = yvtest::at(2024, 3, 4);

    bool open() {
        if (!bench::SampleStore::write(dir.path(), 1500)) return false;
        store = calstore::Store::openAt(dir.path());
        if (!store) return false;
        for (const calstore::CalendarPtr& c : store->calendars())
            calendars[c->uid()] =
                yvtest::makeCalendar(Calendar::kTypeNormal, true, c->color(), c->title());
        events =
            store->eventsWithPredicate(calstore::Store::eventPredicateWithStartDateEndDateCalendars(
                weekStart, weekStart.addDays(7), store->calendars()));
        return true;
    }

    // Day `index` of the week (0 is Monday) into `cell`.
    void fillDay(const YearViewCellPtr& cell, int index) {
        const QDateTime from = weekStart.addDays(index), to = from.addDays(1);
        for (const calstore::EventPtr& e : events)
            if (e->endDate() > from && e->startDate() < to)
                cell->addEventFromCalendar(
                    e, calendars[e->calendar() ? e->calendar()->uid() : QString()]);
    }
};
#endif
