#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "playlist/playlist.h"

namespace sonvaro {

constexpr size_t kLibraryCapacity = 100000;

struct LibraryEntry {
    TrackInfo info;
    int32_t lastPlayed = 0;  // local seconds; 0 = never
    int16_t playCount = 0;
    int8_t flags = 0;  // bit 0: bookmark
    // The entry's identity for search rows, given when a search first shows
    // it (0: none yet). Never stored in the file; stays while the entry is
    // updated or moves, and no other entry of the library gets it again.
    uint64_t id = 0;
};

// The media library. Every reader and writer, on any thread, holds
// libraryLock while it walks or changes `entries`.
struct Library {
    std::mutex libraryLock;
    std::vector<LibraryEntry> entries;
    // Counts every removal or replacement of entries (appends do not count),
    // so an index of positions knows when it went stale.
    uint64_t removals = 0;
    uint64_t lastId = 0;  // the last LibraryEntry::id given
    // Moves each time the library watch has changed entries, so that a view
    // knows to search again; read without the lock.
    std::atomic<uint64_t> diskChanges{0};

    // While the data file is read on a thread of its own (see LibraryLoad),
    // `entries` holds nothing of it yet: changes that must not be lost wait in
    // afterLoad, writers that need the whole library wait for `loadedSignal`.
    // Both under libraryLock.
    bool loading = false;
    std::vector<std::function<void(Library&)>> afterLoad;
    std::condition_variable loadedSignal;
};

// The library's lock, taken once the data file is read (at once when no read runs).
std::unique_lock<std::mutex> LockLoadedLibrary(Library& library);

// Runs `change` under the lock, now, or right after the data file is read
// when a read runs (so that it is made to the stored entries, not lost).
void ChangeLibrary(Library& library, std::function<void(Library&)> change);

// Marks every entry whose path equals `path` (byte for byte; a station's
// address in any case) as played now and
// refreshes its tags, bit rate and channels from `info` (path, rate, length
// and type kept). Takes the lock itself.
// Returns the number of entries updated (0 when the change waits for the data
// file's read: see ChangeLibrary).
size_t UpdatePlayedEntries(Library& library, std::string_view path, const TrackInfo& info, int64_t now);

}  // namespace sonvaro
