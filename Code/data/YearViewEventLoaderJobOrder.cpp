#include "data/YearViewEventLoaderJobOrder.h"

#include <condition_variable>
#include <mutex>

namespace {

// Lives as long as the process: job threads may still run while it exits.
struct Line {
    std::mutex mutex;
    std::condition_variable changed;
    quint64 nextTurn = 0;
    // Per stage, the turn that may enter it now.
    std::array<quint64, 2> current{0, 0};
};

Line& line() {
    static auto* state = new Line;
    return *state;
}

size_t indexOf(YearViewEventLoaderJobOrder::Stage stage) {
    return size_t(stage);
}

}  // namespace

quint64 YearViewEventLoaderJobOrder::takeTurn() {
    Line& l = line();
    std::lock_guard<std::mutex> lock(l.mutex);
    return l.nextTurn++;
}

YearViewEventLoaderJobOrder::YearViewEventLoaderJobOrder(quint64 turn) : turn_(turn) {}

YearViewEventLoaderJobOrder::~YearViewEventLoaderJobOrder() {
    leave(Stage::Page);
    leave(Stage::Store);
}

void YearViewEventLoaderJobOrder::enter(Stage stage) {
    const size_t i = indexOf(stage);
    if (entered_[i]) return;
    Line& l = line();
    std::unique_lock<std::mutex> lock(l.mutex);
    l.changed.wait(lock, [&] { return l.current[i] == turn_; });
    entered_[i] = true;
}

void YearViewEventLoaderJobOrder::leave(Stage stage) {
    const size_t i = indexOf(stage);
    if (left_[i]) return;
    enter(stage);
    Line& l = line();
    {
        std::lock_guard<std::mutex> lock(l.mutex);
        l.current[i] = turn_ + 1;
        left_[i] = true;
    }
    l.changed.notify_all();
}
