#include "platform/foundation/Timer.h"

#include <QTimer>

namespace foundation {

Timer::Timer() : timer_(new QTimer) {
    QObject::connect(timer_, &QTimer::timeout, [this] {
        if (action_) {
            auto action = action_;  // the action may stop or restart this timer
            action();
        }
    });
}

Timer::~Timer() { delete timer_; }

void Timer::start(double seconds, bool repeats, std::function<void()> action) {
    action_ = std::move(action);
    timer_->setSingleShot(!repeats);
    timer_->setTimerType(Qt::PreciseTimer);
    timer_->start(qMax(0, int(seconds * 1000.0 + 0.5)));
}

void Timer::restart() {
    if (action_) timer_->start();
}

void Timer::stop() { timer_->stop(); }

bool Timer::isActive() const { return timer_->isActive(); }

double Timer::interval() const { return timer_->interval() / 1000.0; }

Timer* Timer::scheduled(double seconds, bool repeats, std::function<void()> action,
                        QObject* owner) {
    auto* t = new Timer;
    QObject::connect(owner, &QObject::destroyed, [t] { delete t; });
    t->start(seconds, repeats, std::move(action));
    return t;
}

}  // namespace foundation
