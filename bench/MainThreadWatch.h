#pragma once

// Watching the main thread from a benchmark: how long it leaves a question
// unanswered, and running its event loop until a condition holds.

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A thread that asks the main thread for an answer every millisecond: the
// longest wait for one is the longest the window could not answer.
class StallWatch final {
public:
    StallWatch() : thread_([this] { run(); }) {}
    ~StallWatch() {
        stop_ = true;
        thread_.join();
    }
    StallWatch(const StallWatch&) = delete;
    StallWatch& operator=(const StallWatch&) = delete;
    // The longest wait since the last call.
    double takeLongest() { return longest_.exchange(0); }

private:
    void run() {
        while (!stop_) {
            const auto start = Clock::now();
            auto answered = std::make_shared<std::atomic<bool>>(false);
            QMetaObject::invokeMethod(
                qApp, [answered] { *answered = true; }, Qt::QueuedConnection);
            while (!*answered && !stop_)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            const double waited = msSince(start);
            double seen = longest_.load();
            while (waited > seen && !longest_.compare_exchange_weak(seen, waited)) {
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    std::atomic<bool> stop_{false};
    std::atomic<double> longest_{0};
    std::thread thread_;
};

// Runs the event loop until `done` holds, then `settleMs` longer for the work
// it handed to the main thread; false when it never held within `limitMs`.
// The loop sleeps between looks, so that the measuring takes no core from the
// program.
inline bool runUntil(const std::function<bool()>& done, double settleMs = 300,
                     double limitMs = 120000) {
    const auto start = Clock::now();
    QEventLoop loop;
    QTimer tick;
    bool held = false;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (done()) {
            held = true;
            loop.quit();
        } else if (msSince(start) > limitMs) {
            loop.quit();
        }
    });
    tick.start(2);
    loop.exec();
    tick.stop();
    if (!held) return false;
    if (settleMs > 0) {
        QTimer::singleShot(int(settleMs), &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

}  // namespace bench
