#pragma once

#include "data/Calendar.h"
#include "data/EventDay.h"
#include "platform/store/Event.h"

#include <QString>

#include <memory>
#include <vector>

// What the loader jobs change of one year page, without knowing the page's
// class: the page's threaded interface. The year page of the year view
// implements it (its shared page data, so that a job can hold it by shared_ptr
// while the widget comes and goes).
//
// Every operation may be called from any thread, several jobs at a time; the
// page takes care of its own locking and hands whatever it draws to the main
// thread without waiting. Days are 1..31 and months 1..12 of the page's year;
// a day outside that range, or one that its month does not have (30 February),
// is ignored.
class YearViewTarget {
public:
    // A day's entries as a list the caller may keep and walk while jobs change
    // the day.
    using EventList = std::vector<EventDayPtr>;
    using EventListPtr = std::shared_ptr<const EventList>;

    virtual ~YearViewTarget() = default;

    // The page's calendar year.
    virtual int year() const = 0;

    // Adds the event with its calendar to the day's cell. With `fullLoading` set
    // and the page counting as loaded, the page first drops the entries of all
    // its cells and counts as not loaded, so that a new full load replaces what
    // it showed instead of adding to it.
    virtual void threadedAddEventFromCalendarForDayInMonthInFullLoading(
        const calstore::EventPtr& event, const CalendarPtr& calendar, int day, int month,
        bool fullLoading) = 0;

    // Drops every entry of that calendar from the day's cell.
    virtual void threadedRemoveCalendarForDayInMonth(const CalendarPtr& calendar, int day,
                                                     int month) = 0;

    // Drops the entries of the event series with that UID from the day's cell.
    virtual void threadedRemoveEventUIDFromDayInMonth(const QString& uid, int day, int month) = 0;

    // A job has finished changing the page: the page counts as loaded, and the
    // main thread (without the job waiting) reloads the day popup, redraws the
    // page, updates the week view and, unless the year view's pending-redraw
    // count says otherwise, starts loading its sibling pages.
    virtual void threadedUpdateView() = 0;

    // A population waiting for calendars that the store is still reading has
    // added the others: the page is redrawn (without the job waiting); it does
    // not count as loaded yet.
    virtual void threadedShowPartialLoad() {}

    // An offscreen population has finished: the page counts as loaded, renders
    // itself into its cached picture (on the job's thread) and updates the
    // week view.
    virtual void threadedUpdateViewOffscreen() = 0;

    // Every cell drops its entries; the page counts as not loaded.
    virtual void invalidateEvents() = 0;

    // The day's entries as they stand now (never null; empty for a day that
    // does not exist). The jobs on marks and days read them to decide what to
    // change; they change the page only through the operations above.
    virtual EventListPtr eventsForDayAndMonth(int day, int month) const = 0;
};

using YearViewTargetPtr = std::shared_ptr<YearViewTarget>;
