#pragma once

namespace foundation {

// Hands the memory freed so far back to the system. Blocks freed on job threads
// stay with the allocator's arena of their thread, and the resident size keeps
// them; a job that has just let go of much (a page's year of entries) calls it,
// so that repeated reloads do not grow the process. Any thread; it takes a few
// milliseconds, so never on the main thread.
void releaseFreedMemory();

}  // namespace foundation
