#pragma once

// What the loader tests share: a year page that keeps its 12 x 31 day cells the
// way the year view's page does (days a month lacks are ignored, a full load
// replaces a loaded page's contents, the loaded flag), a progress strip that
// records what it was told and on which thread, and a fixture with a
// temporary store, the model read from it, and the user's calendar fixed.

#include "ScopedUserCalendar.h"
#include "data/CalendarSources.h"
#include "data/EventDay.h"
#include "data/LoaderProgressSink.h"
#include "data/YearViewEventLoader.h"
#include "data/YearViewTarget.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/store/Store.h"
#include "support/TestSupport.h"

#include <QDate>
#include <QStringList>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace loadertest {

// Holds a job at a point until the test lets it go on.
class Gate {
public:
    // Called by the job: notes that it got here and waits for open().
    void pass() {
        std::unique_lock<std::mutex> lock(mutex_);
        reached_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
    }
    void open() {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    bool reached() {
        std::lock_guard<std::mutex> lock(mutex_);
        return reached_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool reached_ = false;
    bool open_ = false;
};

class TestPage final : public YearViewTarget {
public:
    explicit TestPage(int year) : year_(year) {}

    int year() const override { return year_; }

    void threadedAddEventFromCalendarForDayInMonthInFullLoading(const calstore::EventPtr& event,
                                                                const CalendarPtr& calendar,
                                                                int day, int month,
                                                                bool fullLoading) override {
        if (beforeAdd) beforeAdd();
        std::lock_guard<std::mutex> lock(mutex_);
        if (!exists(day, month)) return;
        if (fullLoading && loaded_) {
            for (auto& cell : cells_) cell.clear();
            loaded_ = false;
        }
        auto record = std::make_shared<EventDay>();
        record->setEvent(event);
        record->setCalendar(calendar);
        cells_[index(day, month)].push_back(record);
        ++adds_;
    }

    void threadedRemoveCalendarForDayInMonth(const CalendarPtr& calendar, int day,
                                             int month) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!exists(day, month)) return;
        std::erase_if(cells_[index(day, month)],
                      [&](const EventDayPtr& r) { return r->calendar() == calendar; });
    }

    void threadedRemoveEventUIDFromDayInMonth(const QString& uid, int day, int month) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!exists(day, month)) return;
        std::erase_if(cells_[index(day, month)],
                      [&](const EventDayPtr& r) { return r->event()->uid() == uid; });
    }

    void threadedUpdateView() override {
        std::lock_guard<std::mutex> lock(mutex_);
        loaded_ = true;
        ++updates_;
    }

    void threadedShowPartialLoad() override { ++partialLoads_; }

    void threadedUpdateViewOffscreen() override {
        std::lock_guard<std::mutex> lock(mutex_);
        loaded_ = true;
        ++offscreenUpdates_;
    }

    void invalidateEvents() override {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& cell : cells_) cell.clear();
        loaded_ = false;
        ++invalidations_;
    }

    EventListPtr eventsForDayAndMonth(int day, int month) const override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!exists(day, month)) return std::make_shared<const EventList>();
        return std::make_shared<const EventList>(cells_[index(day, month)]);
    }

    // The days ("MM-dd") holding an entry of the UID, once per entry, in order.
    QStringList daysOf(const QString& uid) const {
        std::lock_guard<std::mutex> lock(mutex_);
        QStringList days;
        for (int month = 1; month <= 12; ++month)
            for (int day = 1; day <= 31; ++day) {
                if (!exists(day, month)) continue;
                for (const EventDayPtr& r : cells_[index(day, month)])
                    if (r->event()->uid() == uid)
                        days << QDate(year_, month, day).toString(QStringLiteral("MM-dd"));
            }
        return days;
    }
    int entryCount() const {
        std::lock_guard<std::mutex> lock(mutex_);
        int count = 0;
        for (const auto& cell : cells_) count += int(cell.size());
        return count;
    }
    bool loaded() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return loaded_;
    }
    int updates() const { return updates_; }
    int offscreenUpdates() const { return offscreenUpdates_; }
    int partialLoads() const { return partialLoads_; }
    int invalidations() const { return invalidations_; }

    // Runs before each add, outside the page's lock (on the job's thread).
    std::function<void()> beforeAdd;

private:
    bool exists(int day, int month) const {
        return month >= 1 && month <= 12 && day >= 1 && day <= 31 &&
               QDate(year_, month, day).isValid();
    }
    static size_t index(int day, int month) { return size_t((month - 1) * 31 + (day - 1)); }

    const int year_;
    mutable std::mutex mutex_;
    std::array<EventList, 12 * 31> cells_;
    bool loaded_ = false;
    int adds_ = 0;
    std::atomic<int> updates_{0};
    std::atomic<int> offscreenUpdates_{0};
    std::atomic<int> partialLoads_{0};
    std::atomic<int> invalidations_{0};
};

// The progress strip and its indicator as the calls left them.
class RecordingSink final : public LoaderProgressSink {
public:
    void showProgressView() override {
        note([&] { shown = true; }, "show");
    }
    void hideProgressView() override {
        note([&] { shown = false; }, "hide");
    }
    void setProgressIndeterminate(bool value) override {
        note([&] { indeterminate = value; }, value ? "busy" : "bar");
    }
    void setProgressValue(double percent) override {
        note([&] { value = percent; }, "value");
    }
    void startProgressAnimation() override {
        note([&] { animating = true; }, "start");
    }
    void stopProgressAnimation() override {
        note([&] { animating = false; }, "stop");
    }

    // Read on the main thread, where every call arrives.
    bool shown = false;
    bool indeterminate = true;
    bool animating = false;
    double value = 0.0;
    QStringList calls;
    int callsOffMain = 0;

private:
    template <typename Change>
    void note(Change change, const char* name) {
        if (!foundation::isMainThread()) ++callsOffMain;
        change();
        calls << QString::fromLatin1(name);
    }
};

// The text of an event file: a VEVENT with the UID (also its title) and the
// given property lines.
inline QByteArray eventFile(const QString& uid, const QStringList& properties) {
    QStringList lines{QStringLiteral("BEGIN:VCALENDAR"),
                      QStringLiteral("VERSION:2.0"),
                      QStringLiteral("PRODID:-//Zolt//Tests//EN"),
                      QStringLiteral("BEGIN:VEVENT"),
                      QStringLiteral("UID:") + uid,
                      QStringLiteral("DTSTAMP:20240101T000000Z"),
                      QStringLiteral("SUMMARY:") + uid};
    lines << properties << QStringLiteral("END:VEVENT") << QStringLiteral("END:VCALENDAR");
    return (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

// A temporary store with two calendars ("work" and "home"), the model loaded
// from it, and the user's calendar in Berlin with ISO weeks.
class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        foundation::Defaults::resetStandard(dir.file(QStringLiteral("Defaults.plist")));
        addCalendar(QStringLiteral("work"), QStringLiteral("Work"));
        addCalendar(QStringLiteral("home"), QStringLiteral("Home"));
    }

    void TearDown() override {
        YearViewEventLoader::setCalendarSources(nullptr);
        if (sources) foundation::NotificationCenter::defaultCenter().removeObserver(sources.get());
        sources.reset();
        YearViewEventLoader::setProgressIndicatorAndTextField(nullptr);
        // Leave no announced task for the next test.
        YearViewEventLoader::tasksDone(YearViewEventLoader::taskCounts().toDo);
        testsupport::waitUntil([] { return false; }, 0.05);  // runs queued main-thread work
        calstore::Store::setDefaultStore(nullptr);
        foundation::Defaults::resetStandard();
    }

    void addCalendar(const QString& folder, const QString& title) {
        dir.write(QStringLiteral("store/%1/displayname").arg(folder), title.toUtf8());
        dir.write(QStringLiteral("store/%1/color").arg(folder), QByteArrayLiteral("#3366CC"));
    }

    // One event file: a VEVENT with the UID and the given property lines.
    void writeEvent(const QString& folder, const QString& uid, const QStringList& properties) {
        dir.write(QStringLiteral("store/%1/%2.ics").arg(folder, uid), eventFile(uid, properties));
    }
    // A timed event in UTC ("yyyyMMddTHHmmss").
    void writeTimed(const QString& folder, const QString& uid, const QString& start,
                    const QString& end) {
        writeEvent(
            folder, uid,
            {QStringLiteral("DTSTART:%1Z").arg(start), QStringLiteral("DTEND:%1Z").arg(end)});
    }
    // An all-day event; `end` is the day after the last ("yyyyMMdd").
    void writeAllDay(const QString& folder, const QString& uid, const QString& start,
                     const QString& end) {
        writeEvent(folder, uid,
                   {QStringLiteral("DTSTART;VALUE=DATE:%1").arg(start),
                    QStringLiteral("DTEND;VALUE=DATE:%1").arg(end)});
    }

    // Opens the store as the process's store and hands the model to the loaders.
    void open() {
        store = calstore::Store::openAt(dir.file(QStringLiteral("store")));
        calstore::Store::setDefaultStore(store);
        sources = std::make_shared<CalendarSources>();
        sources->loadCalendarsFromICal();
        YearViewEventLoader::setCalendarSources(sources);
    }

    // The store's events of the UID in the years 2000 to 2100.
    QList<calstore::EventPtr> eventsWithUID(const QString& uid) const {
        return store->eventsWithPredicate(
            calstore::Store::eventPredicateWithStartDateEndDateUIDCalendars(
                QDateTime(QDate(2000, 1, 1), QTime(0, 0), QTimeZone::utc()),
                QDateTime(QDate(2100, 1, 1), QTime(0, 0), QTimeZone::utc()), uid,
                store->calendars()));
    }

    CalendarPtr calendarNamed(const QString& title) const {
        return sources ? sources->calendarWithName(title) : nullptr;
    }

    static bool finished(const YearViewEventLoaderPtr& loader) {
        return testsupport::waitUntil([&] { return !loader->isRunning(); });
    }

    ScopedUserCalendar berlin{"Europe/Berlin", 2, 4};
    testsupport::TempDir dir;
    calstore::StorePtr store;
    std::shared_ptr<CalendarSources> sources;
};

}  // namespace loadertest
