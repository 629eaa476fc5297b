#pragma once

#include <memory>

namespace calstore {
class Store;
}

namespace calstore::detail {

// Finds what other programs changed under the store's root: watches the root
// and the calendar folders on the main thread, and rescans (on a job of its
// own) after each burst of changes and now and then, comparing every file's
// identity on disk with the index. What it finds goes into the index and out
// as the store's change notifications; the store's own writes, which the index
// knows already, never show up as changes.
class StoreWatcher final {
public:
    // A burst of file events is looked at once it has been quiet this long.
    static constexpr int kQuietMilliseconds = 200;
    // Edits made in place do not show in the folders; a rescan this often finds them.
    static constexpr int kRescanMilliseconds = 30000;

    static void start(Store& store);
    static void stop(Store& store);
    // Rescans on a job of its own, soon; several requests meanwhile give one rescan.
    static void schedule(Store& store);
    static bool rescan(Store& store);
    // Watches the current calendar folders (main thread).
    static void updatePaths(Store& store);
};

}  // namespace calstore::detail
