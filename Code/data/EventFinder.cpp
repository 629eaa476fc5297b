#include "data/EventFinder.h"

#include "data/CalendarSources.h"
#include "data/MyDate.h"
#include "data/MyEventStore.h"
#include "data/YearViewEventLoader.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/store/StoreError.h"

#include <algorithm>
#include <mutex>

namespace {

struct PagesProviderSlot {
    std::mutex mutex;
    EventFinder::YearPagesProvider provider;
};
PagesProviderSlot& pagesProviderSlot() {
    static auto* slot = new PagesProviderSlot;
    return *slot;
}

// Hits handed to the main thread in one call at most.
constexpr size_t kHitBatch = 256;

bool containsText(const QString& field, const QString& text) {
    return !field.isEmpty() && field.contains(text, Qt::CaseInsensitive);
}

}  // namespace

void EventFinder::setYearPagesProvider(YearPagesProvider provider) {
    PagesProviderSlot& slot = pagesProviderSlot();
    std::lock_guard<std::mutex> guard(slot.mutex);
    slot.provider = std::move(provider);
}

std::shared_ptr<EventFinder> EventFinder::sharedEventFinder() {
    // Never destroyed: a job may still report while the program exits.
    static auto* shared = new std::shared_ptr<EventFinder>(std::make_shared<EventFinder>());
    return *shared;
}

void EventFinder::setStoreQuery(StoreQuery query) {
    foundation::Guard guard(lock_);
    storeQuery_ = std::move(query);
}

void EventFinder::setController(EventFinderController* controller) {
    foundation::Guard guard(lock_);
    controller_ = controller;
}

void EventFinder::setSearchOptions(const QVariantMap& options) {
    foundation::Guard guard(lock_);
    searchOptions_ = appPref::fromMap(options);
    ++criteriaVersion_;
}

QVariantMap EventFinder::searchOptions() const {
    foundation::Guard guard(lock_);
    return searchOptions_.toVariantMap();
}

std::vector<EventDayPtr> EventFinder::workingSet() const {
    foundation::Guard guard(lock_);
    return workingSet_;
}

void EventFinder::startFinding(const QString& text) {
    {
        foundation::Guard guard(lock_);
        if (!controller_ || text.isEmpty()) return;
    }
    // The jobs test the stop flag after every record, so this wait is short.
    if (workers_ > 0 || isRunning_) {
        shouldStop_ = true;
        while (workers_ > 0 || isRunning_) foundation::sleepFor(0.000001);
    }
    workers_ = 0;
    const std::uint64_t generation = ++generation_;
    bool quick = false;
    {
        foundation::Guard guard(lock_);
        searchString_ = text;
        ++criteriaVersion_;
        quick = searchOptions_.boolForKey(kQuickSearchMode);
    }
    // The pages are asked for here, on the main thread; the job only reads
    // their day lists, which hand out snapshots.
    std::vector<YearViewTargetPtr> pages;
    if (quick) {
        PagesProviderSlot& slot = pagesProviderSlot();
        YearPagesProvider provider;
        {
            std::lock_guard<std::mutex> guard(slot.mutex);
            provider = slot.provider;
        }
        if (provider) pages = provider();
    }
    isRunning_ = true;
    shouldStop_ = false;
    auto self = shared_from_this();
    foundation::startThread([self, generation, quick, pages] {
        if (quick)
            self->quickFind(generation, pages);
        else
            self->calendarFind(generation);
    });
}

void EventFinder::narrowSearch(const QString& text) {
    {
        foundation::Guard guard(lock_);
        searchString_ = text;
        ++criteriaVersion_;
    }
    ++workers_;
    auto self = shared_from_this();
    const std::uint64_t generation = generation_;
    foundation::startThread([self, generation] { self->narrowSearchResults(generation); });
}

void EventFinder::cancel() {
    if (isActive()) shouldStop_ = true;
    // Whatever the stopped jobs still report belongs to a search nobody waits for.
    ++generation_;
}

void EventFinder::report(std::uint64_t generation,
                         std::function<void(EventFinderController&)> call) {
    auto self = shared_from_this();
    foundation::onMain([self, generation, call = std::move(call)] {
        if (self->generation_ != generation) return;
        EventFinderController* controller = nullptr;
        {
            foundation::Guard guard(self->lock_);
            controller = self->controller_;
        }
        if (controller) call(*controller);
    });
}

void EventFinder::addHit(std::uint64_t generation, const EventDayPtr& eventDay) {
    foundation::Guard guard(lock_);
    workingSet_.push_back(eventDay);
    if (pendingGeneration_ != generation) reportPendingHitsLocked();
    pendingGeneration_ = generation;
    pendingHits_.push_back(eventDay);
    if (pendingHits_.size() >= kHitBatch) reportPendingHitsLocked();
}

void EventFinder::reportPendingHitsLocked() {
    if (pendingHits_.empty()) return;
    std::vector<EventDayPtr> hits;
    hits.swap(pendingHits_);
    report(pendingGeneration_,
           [hits = std::move(hits)](EventFinderController& c) { c.searchFoundEvents(hits); });
}

void EventFinder::reportPendingHits() {
    foundation::Guard guard(lock_);
    reportPendingHitsLocked();
}

void EventFinder::endOfSearchJob(std::uint64_t generation) {
    reportPendingHits();
    // A narrowing job still running reports the completion when it ends.
    if (workers_ < 1) report(generation, [](EventFinderController& c) { c.searchComplete(); });
    isRunning_ = false;
}

EventFinder::Criteria EventFinder::criteria() const {
    foundation::Guard guard(lock_);
    // The typed accessors store the default of a missing key in our copy.
    appPref options = searchOptions_;
    Criteria c;
    c.text = searchString_;
    c.filterEventType = options.boolForKey(kFilterForEventType);
    c.eventType = options.intForKey(kEventType);
    c.filterRecurrence = options.boolForKey(kFilterForRecurrenceType);
    c.recurrenceType = options.intForKey(kRecurrenceType);
    c.filterCalendar = options.boolForKey(kFilterForCalendar);
    const QVariant title = options.object(kCalendar);
    if (title.isValid()) c.calendarTitle = title.toString();
    const QString uid = options.object(kCalendarUID).toString();
    if (c.filterCalendar && !uid.isEmpty()) {
        const auto sources = YearViewEventLoader::calendarSources();
        if (sources && sources->calendarWithUID(uid)) c.calendarUID = uid;
    }
    c.inTitle = options.boolForKey(kSearchInTitle);
    c.inLocation = options.boolForKey(kSearchInLocation);
    c.inAttendees = options.boolForKey(kSearchInAttendees);
    c.inNotes = options.boolForKey(kSearchInNotes);
    c.inUid = options.boolForKey(kSearchInUid);
    return c;
}

void EventFinder::refresh(Criteria& c, int& version) const {
    const int now = criteriaVersion_;
    if (now == version) return;
    version = now;
    c = criteria();
}

bool EventFinder::internalEventPassesFilter(const EventDayPtr& eventDay) const {
    return passes(criteria(), eventDay);
}

bool EventFinder::passes(const Criteria& c, const EventDayPtr& r) {
    if (!r || !r->event()) return false;
    const calstore::Event& event = *r->event();
    const std::shared_ptr<Calendar>& calendar = r->calendar();
    if (c.filterEventType) {
        switch (c.eventType) {
            case 0:
                if (!r->fulldayEvent()) return false;
                break;
            case 1:
                if (!calendar || calendar->calendarType() != Calendar::kTypeBirthday) return false;
                break;
            case 2:
                if (!calendar || calendar->calendarType() != Calendar::kTypeHoliday) return false;
                break;
            case 3:
                if (!r->isMark()) return false;
                break;
            case 4:
                if (event.location() != EventDay::kZoltPrefix + QStringLiteral("Notes"))
                    return false;
                break;
            default:
                break;
        }
    }
    if (c.filterRecurrence) {
        const auto& rule = event.recurrenceRule();
        if (c.recurrenceType == 0) {
            if (rule) return false;
        } else if (c.recurrenceType >= 1 && c.recurrenceType <= 4) {
            if (!rule || int(rule->recurrenceType()) != c.recurrenceType - 1) return false;
        }
    }
    if (c.filterCalendar) {
        if (!calendar) return false;
        if (!c.calendarUID.isEmpty()) {
            if (calendar->uid() != c.calendarUID) return false;
        } else if (!c.calendarTitle || calendar->title() != *c.calendarTitle) {
            return false;
        }
    }
    if (c.text.isEmpty()) return false;
    if (c.inTitle && containsText(event.title(), c.text)) return true;
    if (c.inLocation && !EventDay::isMarkLocation(event.location()) &&
        containsText(event.location(), c.text))
        return true;
    if (c.inAttendees) {
        for (const calstore::AttendeePtr& attendee : event.attendees()) {
            if (!attendee) continue;
            if (containsText(attendee->commonName(), c.text) ||
                containsText(attendee->address().toString(), c.text))
                return true;
        }
    }
    if (c.inNotes && containsText(event.notes(), c.text)) return true;
    if (c.inUid && containsText(event.uid(), c.text)) return true;
    return false;
}

void EventFinder::quickFind(std::uint64_t generation, const std::vector<YearViewTargetPtr>& pages) {
    {
        foundation::Guard guard(lock_);
        workingSet_.clear();
    }
    int version = criteriaVersion_;
    Criteria c = criteria();
    for (const YearViewTargetPtr& page : pages) {
        if (!page) continue;
        for (int month = 1; month <= 12 && !shouldStop_; ++month) {
            for (int day = 1; day <= 31 && !shouldStop_; ++day) {
                const YearViewTarget::EventListPtr list = page->eventsForDayAndMonth(day, month);
                if (!list) continue;
                for (const EventDayPtr& record : *list) {
                    refresh(c, version);
                    if (passes(c, record)) addHit(generation, record);
                    if (shouldStop_) break;
                }
            }
            reportPendingHits();  // the month's hits show while the next is read
        }
        if (shouldStop_) break;
    }
    endOfSearchJob(generation);
}

void EventFinder::calendarFind(std::uint64_t generation) {
    MyDatePtr from;
    MyDatePtr to;
    StoreQuery query;
    {
        foundation::Guard guard(lock_);
        from = searchOptions_.dateForKey(kSearchFrom);
        to = searchOptions_.dateForKey(kSearchTo);
        query = storeQuery_;
        workingSet_.clear();
    }
    if (!query)
        query = [](const calstore::EventPredicate& p) {
            return MyEventStore::eventsWithPredicate(p);
        };
    const auto sources = YearViewEventLoader::calendarSources();
    QList<calstore::CalendarPtr> calendars;
    if (sources)
        for (const CalendarPtr& calendar : sources->allCalendars())
            if (calendar && calendar->calendar()) calendars << calendar->calendar();
    int version = criteriaVersion_;
    Criteria c = criteria();
    const int firstYear = from->yearNum();
    const int lastYear = to->yearNum();
    for (int year = firstYear; year <= lastYear && !shouldStop_; ++year) {
        const MyDatePtr startDay =
            year == firstYear ? from : MyDate::dateWithDayMonthYear(1, 1, year);
        const MyDatePtr endDay = year == lastYear ? to : MyDate::dateWithDayMonthYear(31, 12, year);
        const QDateTime start = startDay->startOfDay()->nsDate();
        const QDateTime end = endDay->endOfDay()->nsDate().addSecs(-59);  // 23:59:00
        QString failure;
        try {
            const QList<calstore::EventPtr> events = query(
                MyEventStore::eventPredicateWithStartDateEndDateCalendars(start, end, calendars));
            for (const calstore::EventPtr& event : events) {
                const EventDayPtr record = EventDay::eventDayFromCalEvent(event);
                if (record && sources && event && event->calendar())
                    record->setCalendar(sources->calendarWithUID(event->calendar()->uid()));
                refresh(c, version);
                if (passes(c, record)) addHit(generation, record);
                if (shouldStop_) break;
            }
        } catch (const calstore::StoreError& error) {
            failure = error.reason();
        } catch (const std::exception& error) {
            failure = QString::fromUtf8(error.what());
        }
        reportPendingHits();  // the year's hits show while the next is queried
        if (!failure.isNull())
            foundation::log(QStringLiteral("ERROR: querying events failed with exception ") +
                            failure);
    }
    endOfSearchJob(generation);
}

void EventFinder::narrowSearchResults(std::uint64_t generation) {
    if (beforeNarrowing) beforeNarrowing();
    int version = criteriaVersion_;
    Criteria c = criteria();
    const std::vector<EventDayPtr> copy = workingSet();
    for (const EventDayPtr& record : copy) {
        refresh(c, version);
        if (!passes(c, record)) {
            foundation::Guard guard(lock_);
            std::erase(workingSet_, record);
            reportPendingHitsLocked();  // the hit reaches the list before its withdrawal
            report(generation,
                   [record](EventFinderController& ctl) { ctl.invalidateFoundEvent(record); });
        }
        if (shouldStop_) break;
    }
    if (--workers_ < 1) {
        reportPendingHits();
        report(generation, [](EventFinderController& ctl) { ctl.searchComplete(); });
    }
}
