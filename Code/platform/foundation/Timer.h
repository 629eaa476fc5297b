#pragma once

#include <QObject>

#include <functional>

class QTimer;

namespace foundation {

// A repeating or one-shot timer on the thread that made it (the main thread in
// practice). `restart` starts the interval again from now, which is what the
// views' delayed actions (hover delays, quiet periods) need.
class Timer final {
public:
    Timer();
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
    QTimer* timer_;
    std::function<void()> action_;
};

}  // namespace foundation
