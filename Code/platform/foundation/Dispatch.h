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

}  // namespace foundation
