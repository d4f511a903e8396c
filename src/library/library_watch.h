#pragma once
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

#include "core/worker_state.h"
#include "library/library.h"
#include "library/library_scan.h"

namespace sonvaro {

class StatusLog;

// What one set-up of the watch over the library folder found.
struct LibraryWatchReport {
    std::string root;
    size_t watches = 0;  // folders watched
    bool limitReached = false;
    bool silent = false;  // a folder lies on a file system without notifications
    std::chrono::milliseconds took{0};
};

struct LibraryWatchOptions {
    // Changes are gathered this long after the first one, then taken together.
    std::chrono::milliseconds batch{300};
    // The most folders watched; 0: half of what the user may hold
    // (fs.inotify.max_user_watches), so other programs keep theirs.
    size_t maxWatches = 0;
    // Tests: which folders count as lying on a file system without notifications.
    std::function<bool(const std::string& folder)> isSilent;
    StatusLog* log = nullptr;
    // Called on the watch thread after each set-up.
    std::function<void(const LibraryWatchReport&)> onWatching;
};

// Starts the watch thread: while the player runs, files created, written,
// moved or removed below the library folder (workers.LibraryFolder()) are
// taken into the library within about a second. New files directly in the
// folder are left out, as the scan leaves them out. Tags are read only when a
// file's size or modification time differs from the last read, and outside the
// library lock. Removals happen only while the file's folder and the library
// folder are both still there as watched; a folder that is unmounted or renamed
// away removes nothing, and neither does a change that would leave no file
// entry at all. When the watch limit is reached or a folder's file system does
// not notify, the status log says so once and the background refresh remains.
// Each batch that changed entries moves library.diskChanges.
void StartLibraryWatch(Library& library, WorkerState& workers, LibraryWatchOptions options, TrackReadFn read);

// "Medienbibliothek: Überwachungsgrenze erreicht …"
std::string WatchLimitText(const std::string& folder);
// "Medienbibliothek: '<folder>' meldet keine Änderungen …"
std::string WatchSilentText(const std::string& folder);

}  // namespace sonvaro
