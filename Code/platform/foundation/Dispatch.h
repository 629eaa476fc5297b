#pragma once

#include <functional>

namespace foundation {

// True on the GUI thread (or when no application object exists yet).
bool isMainThread();

// Queues `fn` to run on the main thread and returns at once.
void onMain(std::function<void()> fn);

// Runs `fn` on the main thread and returns when it has run; runs it directly when
// called on the main thread. Never call it from a job the main thread may wait for.
void onMainAndWait(std::function<void()> fn);

// Queues `fn` to run on the main thread after the event being handled now.
void afterCurrentEvent(std::function<void()> fn);

// Guards an operation that only the main thread may do (the GUI kit's
// mutators): called on another thread it logs "oops, <operation> called off the
// main thread" and aborts, so that the fault shows where it is made. The check
// is a thread-local look-up; builds configured with ZOLT_RELEASE leave it out.
#ifdef ZOLT_RELEASE
inline void requireMainThread(const char*) {}
#else
void requireMainThread(const char* operation);
#endif

}  // namespace foundation
