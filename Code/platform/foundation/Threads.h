#pragma once

#include <cstddef>
#include <functional>
#include <mutex>

namespace foundation {

// Object locks are recursive, as the system's locking assumes.
using Lock = std::recursive_mutex;
using Guard = std::lock_guard<std::recursive_mutex>;

// Starts `job` on a new detached thread. The job must hold (shared_ptr) whatever it uses.
// An exception leaving the job is logged, never left to end the program.
void startThread(std::function<void()> job);

// Waits up to `seconds` until every job started by startThread has ended, and
// answers whether they all did. The program calls it before its application
// object goes, so that no job still draws text or images while Qt shuts down.
// Only for the main thread, and only where no job waits for the main thread.
bool waitForThreads(double seconds);

// Calls `fn(i)` for every i in [0, count) on the calling thread and helper
// threads, one per core, and returns when all calls have ended. The calls run
// in no set order and at the same time: `fn` must only touch what belongs to
// its index. The first exception a call throws is thrown again here, once
// every call has ended.
void forEachIndexInParallel(size_t count, const std::function<void(size_t)>& fn);

// Sleeps the calling thread.
void sleepFor(double seconds);

}  // namespace foundation
