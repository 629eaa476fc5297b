#pragma once

#include "platform/store/Event.h"
#include "platform/store/Series.h"
#include "platform/store/SeriesReader.h"
#include "platform/store/Task.h"

#include <QTimeZone>

#include <unordered_map>

namespace calstore {

namespace detail {

// The instants of queries as date-times in the store's zone. Making a
// date-time in a named zone asks the system's zone database, which costs far
// more than the rest of an event; the occurrences of a year share few distinct
// instants (the quarter hours of its days), so each is made once per thread
// and the events share it (a date-time is an implicitly shared value). The
// queries one after the other of a job (one per calendar of a page) find what
// the ones before them made.
class ZoneInstants final {
public:
    explicit ZoneInstants(const QTimeZone& zone) : made_(madeOnThisThread(zone)) {}
    const QDateTime& at(qint64 utcSecs) {
        auto it = made_.instants.find(utcSecs);
        if (it == made_.instants.end())
            it = made_.instants.emplace(utcSecs, QDateTime::fromSecsSinceEpoch(utcSecs, made_.zone))
                     .first;
        return it->second;
    }

private:
    struct Made {
        QTimeZone zone;
        std::unordered_map<qint64, QDateTime> instants;
    };
    // Enough for a few years of quarter hours; a thread that queries more
    // starts again rather than growing without end.
    static constexpr size_t kMaxKept = 1 << 16;

    static Made& madeOnThisThread(const QTimeZone& zone) {
        thread_local Made made;
        if (made.zone != zone || made.instants.size() > kMaxKept) {
            made.zone = zone;
            made.instants.clear();
        }
        return made;
    }

    Made& made_;
};

// What the events one query makes share: the instants, and the common part of
// the events of the component made last (a series' occurrences are made one
// after the other), so that a repeating event's occurrences hold one copy of
// their UID, calendar, texts and rule between them.
class EventBatch final {
public:
    explicit EventBatch(const QTimeZone& zone) : instants(zone) {}
    ZoneInstants instants;

    const std::shared_ptr<EventCommon>& common(const std::shared_ptr<const Series>& series,
                                               const Component* component,
                                               const CalendarPtr& calendar) {
        if (!common_ || common_->series != series || component_ != component ||
            common_->calendar != calendar) {
            auto made = std::make_shared<EventCommon>();
            made->uid = series->uid;
            made->calendar = calendar;
            // The series is immutable: the events point into it rather than
            // copying what every occurrence of the component has in common.
            made->details =
                SharedValue<Details>(std::shared_ptr<const Details>(series, &component->details));
            if (series->modelRule)
                made->rule = SharedValue<std::optional<RecurrenceRule>>(
                    std::shared_ptr<const std::optional<RecurrenceRule>>(series,
                                                                         &series->modelRule));
            made->series = series;
            common_ = std::move(made);
            component_ = component;
        }
        return common_;
    }

private:
    std::shared_ptr<EventCommon> common_;
    const Component* component_ = nullptr;
};

// Fills the fields of events and tasks that only the store sets.
class EventAccess final {
public:
    static EventPtr make(const std::shared_ptr<const Series>& series, const Occurrence& o,
                         const CalendarPtr& calendar, const QTimeZone& zone,
                         const ZoneTable& local) {
        EventBatch batch(zone);
        return make(series, o, calendar, batch, local);
    }

    static EventPtr make(const std::shared_ptr<const Series>& series, const Occurrence& o,
                         const CalendarPtr& calendar, EventBatch& batch,
                         const ZoneTable& local) {
        auto e = std::make_shared<Event>();
        e->common_ = batch.common(series, o.component, calendar);
        ZoneInstants& instants = batch.instants;
        e->allDay_ = o.allDay;
        e->start_ = instants.at(o.startUtc);
        if (o.allDay) {
            // All-day events end inside their last day.
            const qint64 lastMidnight = local.wallFromUtc(o.endUtc);
            e->end_ = instants.at(local.utcFromWall(lastMidnight - 1));
        } else {
            e->end_ = instants.at(o.endUtc);
        }
        if (o.occurrenceUtc == o.startUtc) {
            e->occurrenceIsStart_ = true;
        } else {
            // Few occurrences are moved from their start: each keeps its own.
            e->common_ = std::make_shared<EventCommon>(*e->common_);
            e->common_->occurrence = instants.at(o.occurrenceUtc);
        }
        e->detached_ = o.detached;
        return e;
    }
};

class TaskAccess final {
public:
    static TaskPtr make(const TaskRecord& r, const CalendarPtr& calendar, const QTimeZone& zone,
                        const ZoneTable& local) {
        auto t = std::make_shared<Task>();
        t->uid_ = r.uid;
        t->calendar_ = calendar;
        t->title_ = r.title;
        t->notes_ = r.notes;
        t->url_ = r.url;
        t->priority_ = r.priority;
        t->stamp_ = r.stamped;
        t->readHash_ = r.stamp.hash;
        if (r.due) t->due_ = QDateTime::fromSecsSinceEpoch(r.due->utc(local), zone);
        if (r.completed)
            t->completed_ = QDateTime::fromSecsSinceEpoch(r.completed->utc(local), zone);
        else if (r.completedStatus)
            t->completed_ =
                r.stamped.isValid() ? r.stamped : QDateTime::fromSecsSinceEpoch(0, zone);
        return t;
    }
};

}  // namespace detail

}  // namespace calstore
