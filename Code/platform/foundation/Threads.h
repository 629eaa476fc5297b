#pragma once

#include <functional>
#include <mutex>

namespace foundation {

// Object locks are recursive, as the system's locking assumes.
using Lock = std::recursive_mutex;
using Guard = std::lock_guard<std::recursive_mutex>;

// Starts `job` on a new detached thread. The job must hold (shared_ptr) whatever it uses.
void startThread(std::function<void()> job);

// Sleeps the calling thread.
void sleepFor(double seconds);

}  // namespace foundation
