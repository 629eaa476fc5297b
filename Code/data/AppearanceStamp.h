#pragma once

#include <atomic>
#include <cstdint>

// A count that grows whenever something that the drawing of days reads outside
// the days' own records changes: a calendar's or marker's colour, type or shown
// state, or the drawing settings. Pictures kept of earlier drawings compare it
// with the count they were drawn at to tell that they are out of date. Any thread.
namespace appearance {

inline std::atomic<std::uint64_t>& stampCounter() {
    static std::atomic<std::uint64_t> counter{0};
    return counter;
}
inline std::uint64_t stamp() {
    return stampCounter().load();
}
inline void changed() {
    stampCounter().fetch_add(1);
}

}  // namespace appearance
