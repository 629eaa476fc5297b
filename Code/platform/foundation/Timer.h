#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <vector>

class QTimer;

namespace foundation {

class ManualClock;

// A repeating or one-shot timer on the thread that made it (the main thread in
// practice). `restart` starts the interval again from now, which is what the
// views' delayed actions (hover delays, quiet periods) need.
//
// A timer made on a ManualClock counts that clock's time instead of the event
// loop's: it fires only when the clock is advanced past its moment, so that
// tests can step through delays without waiting for them.
class Timer final {
public:
    explicit Timer(ManualClock* clock = nullptr);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void start(double seconds, bool repeats, std::function<void()> action);
    void restart();  // same interval and action, counted from now
    void stop();
    bool isActive() const;
    double interval() const;

    static Timer* scheduled(double seconds, bool repeats, std::function<void()> action,
                            QObject* owner);  // deleted with its owner

private:
    friend class ManualClock;
    void arm();

    QTimer* timer_ = nullptr;  // none on a manual clock
    ManualClock* clock_ = nullptr;
    std::function<void()> action_;
    // On a manual clock: the interval, whether it repeats, whether it is
    // pending, when it falls due and the order it was armed in.
    double interval_ = 0.0;
    bool repeats_ = false;
    bool active_ = false;
    double due_ = 0.0;
    std::uint64_t order_ = 0;
};

// Time that passes only when it is told to. The timers made on it fire in the
// order they fall due, each at its own moment, as `advance` passes them;
// timers armed by an action fire within the same advance when they fall due
// before its end. Timers still alive when the clock goes stop for good.
class ManualClock final {
public:
    ManualClock() = default;
    ~ManualClock();
    ManualClock(const ManualClock&) = delete;
    ManualClock& operator=(const ManualClock&) = delete;

    double now() const { return now_; }
    void advance(double seconds);

private:
    friend class Timer;
    std::vector<Timer*> timers_;
    double now_ = 0.0;
    std::uint64_t armed_ = 0;
};

}  // namespace foundation
