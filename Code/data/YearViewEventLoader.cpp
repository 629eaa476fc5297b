// The loader class: the cache of year loaders, the progress of all jobs, and the
// job frame every background job of the class runs in.

#include "data/YearViewEventLoader.h"

#include "data/CalendarSources.h"
#include "data/LRUEntry.h"
#include "data/MyEventStore.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/store/StoreError.h"

#include <QHash>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <exception>
#include <limits>
#include <thread>

namespace {

// The class-wide state lives as long as the process: job threads may still be
// running while the program exits, so none of it is ever destroyed.

struct LoaderCache {
    foundation::Lock lock;
    std::unique_ptr<QHash<QString, LRUEntryPtr>> YVEL_activeLoaders;  // made on first use
    double lastStamp = 0.0;
};

LoaderCache& loaderCache() {
    static auto* cache = new LoaderCache;
    return *cache;
}

// What the indicator was last told to show, so that a change is handed over
// only when it shows: a job of 50,000 tasks moves the bar 200 times, not 50,000.
struct Shown {
    bool known = false;
    bool indeterminate = true;
    bool animating = false;
    double value = 0.0;
};

struct Progress {
    foundation::Lock lock;
    std::shared_ptr<LoaderProgressSink> sink;
    qint32 YVEL_tasksToDo = 0;
    qint32 YVEL_tasksDone = 0;
    Shown shown;
};

Progress& progress() {
    static auto* state = new Progress;
    return *state;
}

struct ModelRoot {
    foundation::Lock lock;
    std::shared_ptr<CalendarSources> sources;
};

ModelRoot& modelRoot() {
    static auto* root = new ModelRoot;
    return *root;
}

// Seconds since 1 January 2001 00:00 UTC.
double nowSinceReferenceDate() {
    using namespace std::chrono;
    const double since1970 = duration<double>(system_clock::now().time_since_epoch()).count();
    return since1970 - 978307200.0;
}

// Hands a change of the indicator to the main thread without waiting. Called
// under the progress lock, so changes reach the indicator in the order the
// counts changed.
void toIndicator(std::function<void(LoaderProgressSink&)> change) {
    auto sink = progress().sink;
    if (!sink) return;
    foundation::onMain([sink = std::move(sink), change = std::move(change)] { change(*sink); });
}

// Brings the indicator to what the counts say: the share done while tasks are
// announced, else a busy bar. Under the progress lock.
void showCountsLocked() {
    Progress& p = progress();
    const bool indeterminate = p.YVEL_tasksToDo <= 0;
    const double value =
        indeterminate ? 0.0 : double(p.YVEL_tasksDone) / double(p.YVEL_tasksToDo) * 100.0;
    const Shown before = p.shown;
    Shown& now = p.shown;
    now.known = true;
    now.indeterminate = indeterminate;
    now.animating = indeterminate;
    const bool stateChanged =
        !before.known || before.indeterminate != indeterminate || before.animating != now.animating;
    const bool valueShows =
        !indeterminate && (stateChanged || std::abs(value - before.value) >= 0.5);
    if (valueShows) now.value = value;
    if (!stateChanged && !valueShows) return;
    toIndicator([indeterminate, value, stateChanged, valueShows](LoaderProgressSink& sink) {
        if (indeterminate) {
            sink.setProgressIndeterminate(true);
            sink.startProgressAnimation();
            return;
        }
        if (stateChanged) {
            sink.stopProgressAnimation();
            sink.setProgressIndeterminate(false);
        }
        if (valueShows) sink.setProgressValue(value);
    });
}

}  // namespace

// --- Loaders of years -------------------------------------------------------------

YearViewEventLoader::YearViewEventLoader(int year)
    : firstDayInYear_(MyDate::dateWithDayMonthYear(1, 1, year)), year_(year) {}

YearViewEventLoader::~YearViewEventLoader() = default;

YearViewEventLoaderPtr YearViewEventLoader::newEventLoaderForYear(int year) {
    return YearViewEventLoaderPtr(new YearViewEventLoader(year));
}

YearViewEventLoaderPtr YearViewEventLoader::eventLoaderForYear(int year) {
    LoaderCache& cache = loaderCache();
    foundation::Guard guard(cache.lock);
    if (!cache.YVEL_activeLoaders)
        cache.YVEL_activeLoaders = std::make_unique<QHash<QString, LRUEntryPtr>>();
    auto& entries = *cache.YVEL_activeLoaders;
    const QString key = QString::number(year);
    if (const auto hit = entries.constFind(key); hit != entries.constEnd())
        return (*hit)->linkedObject();

    const YearViewEventLoaderPtr loader = newEventLoaderForYear(year);
    // Every entry gets a later stamp than the ones before it, even within one
    // tick of the clock, so the oldest entry is always the one cached first and
    // the loader just made is never the one dropped.
    double stamp = nowSinceReferenceDate();
    if (stamp <= cache.lastStamp)
        stamp = std::nextafter(cache.lastStamp, std::numeric_limits<double>::infinity());
    cache.lastStamp = stamp;
    entries.insert(key, std::make_shared<LRUEntry>(key, loader, stamp));

    if (entries.size() > kMaxCachedLoaders) {
        double minimum = stamp;
        QString candidate = key;
        for (const LRUEntryPtr& entry : std::as_const(entries)) {
            if (entry->lastUsed() < minimum) {
                minimum = entry->lastUsed();
                candidate = entry->keyStr();
            }
        }
        if (const LRUEntryPtr evicted = entries.take(candidate); evicted && evicted->linkedObject())
            evicted->linkedObject()->stopPopulating();
    }
    return loader;
}

// --- The model ---------------------------------------------------------------------

void YearViewEventLoader::setCalendarSources(const std::shared_ptr<CalendarSources>& sources) {
    foundation::Guard guard(modelRoot().lock);
    modelRoot().sources = sources;
}

std::shared_ptr<CalendarSources> YearViewEventLoader::calendarSources() {
    foundation::Guard guard(modelRoot().lock);
    return modelRoot().sources;
}

// --- Progress ------------------------------------------------------------------------

void YearViewEventLoader::setProgressIndicatorAndTextField(
    const std::shared_ptr<LoaderProgressSink>& sink) {
    Progress& p = progress();
    foundation::Guard guard(p.lock);
    p.sink = sink;
    p.shown = Shown{};
}

void YearViewEventLoader::beginActivity() {
    Progress& p = progress();
    foundation::Guard guard(p.lock);
    toIndicator([](LoaderProgressSink& sink) { sink.showProgressView(); });
    showCountsLocked();
}

void YearViewEventLoader::endActivity() {
    Progress& p = progress();
    foundation::Guard guard(p.lock);
    if (p.YVEL_tasksToDo != 0) return;
    p.shown.animating = false;
    toIndicator([](LoaderProgressSink& sink) {
        sink.stopProgressAnimation();
        sink.hideProgressView();
    });
}

void YearViewEventLoader::addTasksToDo(int count) {
    Progress& p = progress();
    foundation::Guard guard(p.lock);
    p.YVEL_tasksToDo = std::max(0, p.YVEL_tasksToDo + count);
    showCountsLocked();
}

void YearViewEventLoader::tasksDone(int count) {
    Progress& p = progress();
    foundation::Guard guard(p.lock);
    p.YVEL_tasksDone = std::max(0, p.YVEL_tasksDone + count);
    if (p.YVEL_tasksDone >= p.YVEL_tasksToDo) {
        // All announced tasks are done (or more were reported than announced).
        p.YVEL_tasksDone = 0;
        p.YVEL_tasksToDo = 0;
    }
    showCountsLocked();
}

YearViewEventLoader::TaskCounts YearViewEventLoader::taskCounts() {
    Progress& p = progress();
    foundation::Guard guard(p.lock);
    return TaskCounts{p.YVEL_tasksToDo, p.YVEL_tasksDone};
}

// --- Job frame ---------------------------------------------------------------------------

void YearViewEventLoader::launchJob(void (YearViewEventLoader::*worker)()) {
    ++runningJobs_;
    foundation::startThread([self = shared_from_this(), worker] {
        beginActivity();
        self->runWorker(worker);
        endActivity();
        --self->runningJobs_;
    });
}

void YearViewEventLoader::runWorker(void (YearViewEventLoader::*worker)()) {
    try {
        (this->*worker)();
    } catch (const calstore::StoreError& error) {
        foundation::log(QStringLiteral("oops, loader job for year %1 ended with exception %2")
                            .arg(year_)
                            .arg(error.reason()));
    } catch (const std::exception& error) {
        foundation::log(QStringLiteral("oops, loader job for year %1 ended with exception %2")
                            .arg(year_)
                            .arg(QString::fromUtf8(error.what())));
    }
}

QDateTime YearViewEventLoader::yearStart() const {
    return firstDayInYear_->nsDate();
}

QDateTime YearViewEventLoader::yearEnd() const {
    // The store's spans end exclusive: up to the first moment of the next year,
    // so an event starting in the year's last second is found too.
    return MyDate::dateWithDayMonthYear(1, 1, year_ + 1)->nsDate();
}

std::optional<QList<calstore::EventPtr>> YearViewEventLoader::queryGuarded(
    const calstore::EventPredicate& predicate) {
    QString reason;
    try {
        return MyEventStore::eventsWithPredicate(predicate);
    } catch (const calstore::StoreError& error) {
        reason = error.reason();
    } catch (const std::exception& error) {
        reason = QString::fromUtf8(error.what());
    }
    foundation::log(QStringLiteral("ERROR: querying calendar failed with exception ") + reason);
    return std::nullopt;
}

std::optional<QList<calstore::EventPtr>> YearViewEventLoader::eventsOfCalendarInYear(
    const CalendarPtr& calendar) const {
    const calstore::CalendarPtr storeCalendar = calendar ? calendar->calendar() : nullptr;
    if (!storeCalendar) return std::nullopt;
    return queryGuarded(MyEventStore::eventPredicateWithStartDateEndDateCalendars(
        yearStart(), yearEnd(), {storeCalendar}));
}

namespace {

template <typename Write>
bool guardedWrite(const QString& words, Write write) {
    QString reason;
    try {
        QString error;
        if (write(&error)) return true;
        foundation::log(QStringLiteral("ERROR: ") + words + QStringLiteral(" failed!"));
        return false;
    } catch (const calstore::StoreError& error) {
        reason = error.reason();
    } catch (const std::exception& error) {
        reason = QString::fromUtf8(error.what());
    }
    foundation::log(QStringLiteral("ERROR: ") + words + QStringLiteral(" failed with exception ") +
                    reason);
    return false;
}

}  // namespace

bool YearViewEventLoader::saveEventGuarded(const calstore::EventPtr& event, const QString& words,
                                           calstore::Span span) {
    return guardedWrite(words, [&](QString* error) {
        return MyEventStore::saveEventSpanError(event, span, error);
    });
}

bool YearViewEventLoader::removeEventGuarded(const calstore::EventPtr& event, const QString& words,
                                             calstore::Span span) {
    return guardedWrite(words, [&](QString* error) {
        return MyEventStore::removeEventSpanError(event, span, error);
    });
}

YearViewEventLoader::YearDays::YearDays(int year, const foundation::UserCalendar& userCalendar) {
    const QDate first(year, 1, 1);
    const int count = first.daysInYear();
    starts_.reserve(size_t(count) + 1);
    days_.reserve(size_t(count));
    for (int i = 0; i <= count; ++i) {
        const QDate day = first.addDays(i);
        starts_.push_back(userCalendar.dateFromComponents(day.year(), day.month(), day.day())
                              .toMSecsSinceEpoch());
        if (i < count) days_.push_back({day.day(), day.month()});
    }
}

int YearViewEventLoader::YearDays::indexOf(qint64 msecsSinceEpoch) const {
    // The first day beginning after the instant is the one after the instant's day.
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), msecsSinceEpoch);
    return int(after - starts_.begin()) - 1;
}

int YearViewEventLoader::walkEventDays(const YearViewTargetPtr& view,
                                       const calstore::EventPtr& event, const CalendarPtr& calendar,
                                       const YearDays& days, bool fullLoading,
                                       bool pauseAfterEachAdd) const {
    if (!view || !event || !event->startDate().isValid()) return 0;
    const qint64 startMs = event->startDate().toMSecsSinceEpoch();
    const qint64 endMs =
        event->endDate().isValid() ? event->endDate().toMSecsSinceEpoch() : startMs;
    const int firstDay = days.indexOf(startMs);
    // The last day is the one holding the event's last second: an event that
    // ends at midnight is not on the day that midnight begins. An event that
    // ends before it starts is shown on its start day only.
    const int lastDay = endMs > startMs ? std::max(firstDay, days.indexOf(endMs - 1000)) : firstDay;
    // Only the days of the year are walked, however long before it the event began.
    const int from = std::max(firstDay, 0);
    const int to = std::min(lastDay, days.count() - 1);
    // Giving up the processor after every add would cost a system call per day
    // entry, tens of milliseconds for a large year; every few dozen adds the
    // main thread still gets its turn to draw.
    constexpr int kAddsBetweenPauses = 64;
    thread_local int addsSincePause = 0;
    int added = 0;
    for (int index = from; index <= to; ++index) {
        const YearDays::Day day = days.day(index);
        view->threadedAddEventFromCalendarForDayInMonthInFullLoading(event, calendar, day.day,
                                                                     day.month, fullLoading);
        ++added;
        if (pauseAfterEachAdd && ++addsSincePause >= kAddsBetweenPauses) {
            addsSincePause = 0;
            pauseAfterViewChange();
        }
    }
    return added;
}

int YearViewEventLoader::walkEventDays(const YearViewTargetPtr& view,
                                       const calstore::EventPtr& event, const CalendarPtr& calendar,
                                       bool fullLoading, bool pauseAfterEachAdd) const {
    return walkEventDays(view, event, calendar,
                         YearDays(year_, foundation::UserCalendar::current()), fullLoading,
                         pauseAfterEachAdd);
}

void YearViewEventLoader::pauseAfterViewChange() {
    // Giving up the processor is enough for the main thread to draw while a large
    // year loads; a real sleep would cost tens of microseconds per add.
    std::this_thread::yield();
}
