#include "platform/foundation/Threads.h"

#include <chrono>
#include <thread>

namespace foundation {

void startThread(std::function<void()> job) { std::thread(std::move(job)).detach(); }

void sleepFor(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

}  // namespace foundation
