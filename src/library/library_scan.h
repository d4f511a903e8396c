#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/worker_state.h"
#include "library/library.h"

namespace sonvaro {

class Messages;
class StatusLog;

// Reads the tags and audio properties of info.path into `info`; returns 0
// (nothing read), 1 (a file) or 2 (a stream). TagReader::ReadTrackInfo in the player.
using TrackReadFn = std::function<int(TrackInfo& info)>;

// MediaLib_Path as a folder prefix: ending in "/" unless empty.
std::string LibraryRootOf(std::string_view configured);

// True when the folder part of `path` begins with `root`, byte for byte
// (two names that differ in capitals are two files); an empty root takes every path.
bool InLibraryFolder(std::string_view path, std::string_view root);

// False when MediaLib_Path names a folder that cannot be reached now (a drive
// not mounted, a share not up yet); an empty setting is no folder to miss.
bool LibraryFolderReachable(std::string_view folder);
// "Medienbibliothek nicht erreichbar: '<folder>'"
std::string LibraryUnreachableText(std::string_view folder);
// Said when validation or the refresh would leave no file entry at all.
inline constexpr std::string_view kNoFileReachableText =
    "Medienbibliothek: keine Datei erreichbar – nichts entfernt";

enum class AddOutcome { Outside, Unreadable, Updated, Added, Full };

// Where each path stands in the library, for a scan that adds
// many files: without it every file would look through the whole list. Use
// under the library lock; it follows appends and rebuilds after removals.
class LibraryPathIndex {
  public:
    ptrdiff_t Find(const Library& library, std::string_view path);

  private:
    void CatchUp(const Library& library);
    std::unordered_map<std::string, size_t> positions_;
    size_t indexed_ = 0;
    uint64_t removals_ = UINT64_MAX;
};

// Reads `path` and updates its entry (the same bytes) or appends a
// new one while the library holds fewer than kLibraryCapacity entries. The
// tags are read before the lock is taken, so the view never waits for a disk.
AddOutcome AddFileToLibrary(Library& library, const std::string& path, std::string_view root,
                            const TrackReadFn& read, LibraryPathIndex* index = nullptr);

enum class Validation {
    Checked,
    FolderUnreachable,  // root is set but not there: nothing was looked at
    NoFileReachable,    // every file entry would have gone: none was removed
};
struct ValidationResult {
    Validation outcome = Validation::Checked;
    size_t removed = 0;
};

// Removes entries whose files are gone, are folders or empty, or lie outside
// `root`; stations stay. A missing library folder or the loss of every file
// entry at once looks like an unplugged drive, not like deleted music: then
// nothing is removed. The files are looked at without the library lock held;
// when `stop` says so part-way, nothing is removed.
ValidationResult ValidateLibrary(Library& library, std::string_view root,
                                 const std::function<bool()>& stop = {});

// "Ihre Medienbibliothek hat das Limit von '100000' erreicht..." with a line break.
std::string LibraryLimitText();

// How many files a full-speed scan reads ahead of the one it puts into the library.
inline constexpr size_t kScanReadWindow = 64;

struct ScanOptions {
    std::string root;         // the library folder, ending in "/"
    bool cpuFriendly = true;  // one file at a time, a pause of 25 ms after each
    std::function<void(int ms)> sleep;
    StatusLog* log = nullptr;  // where an unreachable folder or a kept library is told
    unsigned readers = 0;      // at full speed: the threads that read (0: two where two cores are)
};

// The scan thread's body: every file below the sub-folders of root, in name
// order, each real folder once; files lying directly in root are left out.
// The files are read ahead (see ScanOptions), but put into the library in name
// order, so a stop leaves the first files in name order and no others.
// Publishes progress and the folder through `workers`; ends early when
// stopRequested is set. Returns the number of files handed to AddFileToLibrary.
size_t RunLibraryScan(Library& library, WorkerState& workers, const ScanOptions& options,
                      const TrackReadFn& read);

// Validates, then starts the scan thread. False (nothing started) when a scan
// runs, root is empty or root cannot be reached (then a hint box says so).
// The limit message is shown when the library is full.
bool StartLibraryScan(Library& library, WorkerState& workers, ScanOptions options, TrackReadFn read,
                      Messages& messages);
void StopLibraryScan(WorkerState& workers);

// The name shown for the checked file: its last part, cut to 47 bytes and "..."
// when longer than 50.
std::string BackgroundCheckName(std::string_view path);

// One step of the background refresh: the entry after `index` (wrapping) is
// re-read; a file that cannot be read any more is removed and `index` moves
// back so the walk goes on with the entry that followed. Nothing is removed
// while the library folder (workers.LibraryFolder()) is missing or no other
// file entry can be reached; `log` hears of each such state once. Returns
// false when the library is empty.
bool BackgroundRefreshStep(Library& library, WorkerState& workers, const TrackReadFn& read,
                           StatusLog* log = nullptr);

struct BackgroundOptions {
    std::function<uint32_t()> tick;  // milliseconds
    std::chrono::milliseconds spacing{2500};
    std::chrono::milliseconds poll{100};
    StatusLog* log = nullptr;
    // Whether the thread first checks the entries against `startCheckRoot`
    // (the start-up check, off the way to the first sound).
    bool startCheck = false;
    std::string startCheckRoot;
};

// Starts the background thread: a step every `spacing` while no scan runs and
// backgroundOn is set, until workers.shuttingDown.
void StartBackgroundRefresh(Library& library, WorkerState& workers, BackgroundOptions options,
                            TrackReadFn read);

// Shut-down: asks the scan, the refresh and the watch (library_watch.h) to end and waits for each at most
// `limit`. False when one was still busy and has been let go: it may still use the library and the workers'
// state, so they must stay alive until the process ends.
bool StopLibraryThreads(WorkerState& workers,
                        std::chrono::milliseconds limit = std::chrono::milliseconds(2500));

}  // namespace sonvaro
