#include "platform/foundation/Timer.h"

#include <QTimer>

#include <algorithm>

namespace foundation {

Timer::Timer(ManualClock* clock) : clock_(clock) {
    if (clock_) {
        clock_->timers_.push_back(this);
        return;
    }
    timer_ = new QTimer;
    QObject::connect(timer_, &QTimer::timeout, [this] {
        if (action_) {
            auto action = action_;  // the action may stop or restart this timer
            action();
        }
    });
}

Timer::~Timer() {
    if (clock_) {
        auto& timers = clock_->timers_;
        timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
    }
    delete timer_;
}

void Timer::start(double seconds, bool repeats, std::function<void()> action) {
    action_ = std::move(action);
    interval_ = qMax(0.0, seconds);
    repeats_ = repeats;
    if (!timer_) {
        if (clock_) arm();
        return;
    }
    timer_->setSingleShot(!repeats);
    timer_->setTimerType(Qt::PreciseTimer);
    timer_->start(qMax(0, int(seconds * 1000.0 + 0.5)));
}

void Timer::arm() {
    active_ = true;
    due_ = clock_->now_ + interval_;
    order_ = ++clock_->armed_;
}

void Timer::restart() {
    if (!action_) return;
    if (timer_)
        timer_->start();
    else if (clock_)
        arm();
}

void Timer::stop() {
    if (timer_) timer_->stop();
    active_ = false;
}

bool Timer::isActive() const {
    return timer_ ? timer_->isActive() : active_;
}

double Timer::interval() const {
    return timer_ ? timer_->interval() / 1000.0 : interval_;
}

Timer* Timer::scheduled(double seconds, bool repeats, std::function<void()> action,
                        QObject* owner) {
    auto* t = new Timer;
    QObject::connect(owner, &QObject::destroyed, [t] { delete t; });
    t->start(seconds, repeats, std::move(action));
    return t;
}

ManualClock::~ManualClock() {
    for (Timer* t : timers_) {
        t->clock_ = nullptr;
        t->active_ = false;
    }
}

void ManualClock::advance(double seconds) {
    const double end = now_ + qMax(0.0, seconds);
    // Steps that add up to a timer's interval reach its moment, whatever the
    // rounding of their sum.
    constexpr double kSlack = 1e-9;
    for (;;) {
        // The next timer to fall due; an action may make, arm or delete timers.
        Timer* next = nullptr;
        for (Timer* t : timers_)
            if (t->active_ && t->due_ <= end + kSlack &&
                (!next || t->due_ < next->due_ ||
                 (t->due_ == next->due_ && t->order_ < next->order_)))
                next = t;
        if (!next) break;
        now_ = qMax(now_, next->due_);
        if (next->repeats_) {
            // A repeating timer without an interval would never let time pass.
            next->due_ += qMax(next->interval_, 0.001);
            next->order_ = ++armed_;
        } else {
            next->active_ = false;
        }
        auto action = next->action_;
        if (action) action();
    }
    now_ = qMax(now_, end);
}

}  // namespace foundation
