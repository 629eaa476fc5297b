#pragma once

// What the tests of the jobs on marks and days share: the loader tests' store
// with two more calendars for marks ("marks" and "marks2"), markers defined in
// the settings and loaded into the model, a year page filled from the store
// that notes what the store held when the job asked for its redraw, a progress
// strip that keeps every value it was shown, and a reading of the store files
// by a store opened afresh.

#include "YearViewEventLoaderTestSupport.h"
#include "data/CalendarSources.h"
#include "data/EMarker.h"
#include "data/LoaderProgressSink.h"
#include "data/YearViewEventLoader.h"
#include "platform/foundation/Defaults.h"
#include "platform/store/Store.h"
#include "support/TestSupport.h"

#include <QStringList>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>

namespace markjobs {

// Marker identifiers: 32 characters each.
inline const QString kTypeEight = QStringLiteral("8888888888888888888888888888888A");
inline const QString kTypeNine = QStringLiteral("9999999999999999999999999999999A");
inline const QString kTypeSeven = QStringLiteral("7777777777777777777777777777777A");
inline const QString kTwoA = QStringLiteral("2222222222222222222222222222222A");
inline const QString kTwoB = QStringLiteral("2222222222222222222222222222222B");
inline const QString kGone = QStringLiteral("DEADDEADDEADDEADDEADDEADDEADDEAD");  // no marker

inline QStringList sorted(QStringList list) {
    std::sort(list.begin(), list.end());
    return list;
}

inline QString markLocation(const QString& markerUID) {
    return QStringLiteral("Zolt:") + markerUID;
}

// A page of the loader tests that also runs a hook when a job asks for its redraw.
class ObservedPage final : public YearViewTarget {
public:
    explicit ObservedPage(int year) : page(std::make_shared<loadertest::TestPage>(year)) {}

    int year() const override { return page->year(); }
    void threadedAddEventFromCalendarForDayInMonthInFullLoading(const calstore::EventPtr& event,
                                                                const CalendarPtr& calendar,
                                                                int day, int month,
                                                                bool fullLoading) override {
        page->threadedAddEventFromCalendarForDayInMonthInFullLoading(event, calendar, day, month,
                                                                     fullLoading);
    }
    void threadedRemoveCalendarForDayInMonth(const CalendarPtr& calendar, int day,
                                             int month) override {
        page->threadedRemoveCalendarForDayInMonth(calendar, day, month);
    }
    void threadedRemoveEventUIDFromDayInMonth(const QString& uid, int day, int month) override {
        page->threadedRemoveEventUIDFromDayInMonth(uid, day, month);
    }
    void threadedUpdateView() override {
        if (onUpdate) onUpdate();
        page->threadedUpdateView();
    }
    void threadedUpdateViewOffscreen() override { page->threadedUpdateViewOffscreen(); }
    void invalidateEvents() override { page->invalidateEvents(); }
    EventListPtr eventsForDayAndMonth(int day, int month) const override {
        return page->eventsForDayAndMonth(day, month);
    }

    // The locations (or titles, for events that are not ours) of the day's
    // entries, sorted.
    QStringList day(int day, int month) const {
        QStringList out;
        const auto entries = page->eventsForDayAndMonth(day, month);
        for (const EventDayPtr& entry : *entries) {
            const QString& location = entry->event()->location();
            out << (location.isEmpty() ? entry->event()->title() : location);
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    // The UIDs of the day's entries, as they stand.
    QStringList uidsOn(int day, int month) const {
        QStringList out;
        const auto entries = page->eventsForDayAndMonth(day, month);
        for (const EventDayPtr& entry : *entries) out << entry->event()->uid();
        return out;
    }

    std::shared_ptr<loadertest::TestPage> page;
    // Runs on the job's thread when the job asks for the redraw.
    std::function<void()> onUpdate;
};

// A progress strip that keeps the values it was shown: "busy" for the busy
// bar, else the share done in whole percent.
class ValueSink final : public LoaderProgressSink {
public:
    void showProgressView() override {}
    void hideProgressView() override {}
    void setProgressIndeterminate(bool value) override {
        if (value) note(QStringLiteral("busy"));
    }
    void setProgressValue(double percent) override { note(QString::number(qRound(percent))); }
    void startProgressAnimation() override {}
    void stopProgressAnimation() override {}

    QStringList shown() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return shown_;
    }
    void clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        shown_.clear();
    }

private:
    void note(const QString& what) {
        std::lock_guard<std::mutex> lock(mutex_);
        shown_ << what;
    }
    mutable std::mutex mutex_;
    QStringList shown_;
};

// What the strip shows for one batch of `tasks` tasks finished one by one:
// 0, then each share short of the whole, then the busy bar again.
inline QStringList batch(int tasks) {
    QStringList out;
    for (int done = 0; done < tasks; ++done)
        out << QString::number(qRound(double(done) / double(tasks) * 100.0));
    out << QStringLiteral("busy");
    return out;
}

struct MarkerDef {
    QString uid;
    QString title;
    int type;
    QString calendar;  // the marker store's identifier
    double first = 0;  // applied span, seconds since 1970; 0: 2030-01-01 on both ends
    double last = 0;
};

class MarkJobsTest : public loadertest::LoaderTest {
protected:
    void SetUp() override {
        LoaderTest::SetUp();
        addCalendar(QStringLiteral("marks"), QStringLiteral("Marks"));
        addCalendar(QStringLiteral("marks2"), QStringLiteral("Other marks"));
        sink = std::make_shared<ValueSink>();
        YearViewEventLoader::setProgressIndicatorAndTextField(sink);
    }

    // Sets the marker definitions the model loads at open().
    static void defineMarkers(const QList<MarkerDef>& markers) {
        QVariantMap record;
        int sequence = 0;
        for (const MarkerDef& m : markers) {
            const double newYear =
                QDateTime(QDate(2030, 1, 1), QTime(0, 0), QTimeZone("Europe/Berlin"))
                    .toSecsSinceEpoch();
            record.insert(m.uid,
                          QVariantMap{{QStringLiteral("Name"), m.title},
                                      {QStringLiteral("Selected"), true},
                                      {QStringLiteral("Description"), QString()},
                                      {QStringLiteral("Color"), QStringLiteral("255 0 0 1.0")},
                                      {QStringLiteral("Type"), qint64(m.type)},
                                      {QStringLiteral("Calendar"), m.calendar},
                                      {QStringLiteral("First"), m.first ? m.first : newYear},
                                      {QStringLiteral("Last"), m.last ? m.last : newYear},
                                      {QStringLiteral("Sequence"), qint64(sequence++)}});
        }
        foundation::Defaults::standard().setObject(CalendarSources::kMarkersPrefs, record);
    }

    // The usual markers: types 8, 9 and 7 and two of type 2, all in "marks".
    static void defineUsualMarkers() {
        const QString marks = QStringLiteral("marks");
        defineMarkers({{kTypeEight, QStringLiteral("Eight"), 8, marks},
                       {kTypeNine, QStringLiteral("Nine"), 9, marks},
                       {kTypeSeven, QStringLiteral("Seven"), 7, marks},
                       {kTwoA, QStringLiteral("Two A"), 2, marks},
                       {kTwoB, QStringLiteral("Two B"), 2, marks}});
    }

    void openWithMarkers() {
        open();
        sources->loadMarkers();
    }

    EMarkerPtr markerOf(const QString& uid) const { return sources->markerWithUID(uid); }

    // A mark (or any "Zolt:" event) of one day ("yyyyMMdd") in a folder.
    void writeMark(const QString& folder, const QString& uid, const QString& location,
                   const QString& day) {
        const QDate date = QDate::fromString(day, QStringLiteral("yyyyMMdd"));
        writeEvent(
            folder, uid,
            {QStringLiteral("LOCATION:") + location, QStringLiteral("DTSTART;VALUE=DATE:") + day,
             QStringLiteral("DTEND;VALUE=DATE:") +
                 date.addDays(1).toString(QStringLiteral("yyyyMMdd"))});
    }

    // A page of the year filled from the store, as the year view's would be.
    std::shared_ptr<ObservedPage> loadedPage(int year) {
        auto page = std::make_shared<ObservedPage>(year);
        YearViewEventLoader::newEventLoaderForYear(year)->populateView(page);
        return page;
    }

    static MyDatePtr day(int year, int month, int dayNum) {
        return MyDate::dateWithDayMonthYear(dayNum, month, year);
    }

    // Waits for the job and for what it handed to the main thread.
    static bool done(const YearViewEventLoaderPtr& loader) {
        const bool ended = testsupport::waitUntil([&] { return !loader->isRunning(); });
        testsupport::waitUntil([] { return false; }, 0.05);
        return ended;
    }

    // Every event in the store files, read by a store opened afresh, as
    // "folder yyyy-MM-dd location-or-title", sorted; only the events whose
    // location or title contains `filter`.
    QStringList storedEvents(const QString& filter = QString()) const {
        const auto fresh = calstore::Store::openAt(dir.file(QStringLiteral("store")));
        const auto events =
            fresh->eventsWithPredicate(calstore::Store::eventPredicateWithStartDateEndDateCalendars(
                QDateTime(QDate(2000, 1, 1), QTime(0, 0), QTimeZone::utc()),
                QDateTime(QDate(2100, 1, 1), QTime(0, 0), QTimeZone::utc()), fresh->calendars()));
        QStringList out;
        for (const auto& event : events) {
            const QString what = event->location().isEmpty() ? event->title() : event->location();
            if (!filter.isEmpty() && !what.contains(filter)) continue;
            out << QStringLiteral("%1 %2 %3")
                       .arg(event->calendar()->uid(),
                            event->startDate()
                                .toTimeZone(QTimeZone("Europe/Berlin"))
                                .toString(QStringLiteral("yyyy-MM-dd")),
                            what);
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    // The stored events of one UID, read afresh.
    QList<calstore::EventPtr> storedWithUID(const QString& uid) const {
        const auto fresh = calstore::Store::openAt(dir.file(QStringLiteral("store")));
        return fresh->eventsWithPredicate(
            calstore::Store::eventPredicateWithStartDateEndDateUIDCalendars(
                QDateTime(QDate(2000, 1, 1), QTime(0, 0), QTimeZone::utc()),
                QDateTime(QDate(2100, 1, 1), QTime(0, 0), QTimeZone::utc()), uid,
                fresh->calendars()));
    }

    std::shared_ptr<ValueSink> sink;
};

}  // namespace markjobs
