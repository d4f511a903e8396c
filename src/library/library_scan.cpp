#include "library/library_scan.h"

#include <algorithm>
#include <vector>

#include "core/messages.h"
#include "core/text.h"
#include "platform/file_info.h"
#include "platform/folder_walk.h"

namespace sonvaro {

namespace {

bool SamePathNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && EqualsNoCase(a, b);
}

// The first entry whose path equals `path` case-insensitively; -1 when none.
// Sizes are compared first: the folding runs only for real candidates.
ptrdiff_t FindEntryNoCase(const Library& library, std::string_view path) {
    const auto& entries = library.entries;
    for (size_t i = 0; i < entries.size(); ++i)
        if (SamePathNoCase(entries[i].info.path, path)) return static_cast<ptrdiff_t>(i);
    return -1;
}

}  // namespace

void LibraryPathIndex::CatchUp(const Library& library) {
    const auto& entries = library.entries;
    if (library.removals != removals_ || entries.size() < indexed_) {
        positions_.clear();
        indexed_ = 0;
        removals_ = library.removals;
    }
    for (; indexed_ < entries.size(); ++indexed_)
        positions_.emplace(FoldCase(entries[indexed_].info.path), indexed_);  // the first one stays
}

ptrdiff_t LibraryPathIndex::Find(const Library& library, std::string_view path) {
    CatchUp(library);
    const auto it = positions_.find(FoldCase(path));
    return it == positions_.end() ? -1 : static_cast<ptrdiff_t>(it->second);
}

std::string LibraryRootOf(std::string_view configured) {
    std::string root(configured);
    if (!root.empty() && root.back() != '/') root += '/';
    return root;
}

bool InLibraryFolder(std::string_view path, std::string_view root) {
    return StartsWithNoCase(FolderOf(path), root);
}

AddOutcome AddFileToLibrary(Library& library, const std::string& path, std::string_view root,
                            const TrackReadFn& read, LibraryPathIndex* index) {
    if (!InLibraryFolder(path, root)) return AddOutcome::Outside;
    TrackInfo info;
    info.path = path;
    if (read(info) != 1) return AddOutcome::Unreadable;
    info.path = path;
    std::lock_guard lock(library.libraryLock);
    const ptrdiff_t found = index ? index->Find(library, path) : FindEntryNoCase(library, path);
    if (found >= 0) {
        // The stored spelling of the path stays; the statistics stay.
        LibraryEntry& entry = library.entries[static_cast<size_t>(found)];
        info.path = entry.info.path;
        entry.info = std::move(info);
        return AddOutcome::Updated;
    }
    if (library.entries.size() >= kLibraryCapacity) return AddOutcome::Full;
    LibraryEntry entry;
    entry.info = std::move(info);
    library.entries.push_back(std::move(entry));
    return AddOutcome::Added;
}

size_t ValidateLibrary(Library& library, std::string_view root) {
    const std::string foldedRoot = FoldCase(root);
    std::lock_guard lock(library.libraryLock);
    auto& entries = library.entries;
    const size_t before = entries.size();
    const size_t removed = std::erase_if(entries, [&](const LibraryEntry& entry) {
        const std::string& path = entry.info.path;
        if (IsStreamAddress(path)) return false;
        if (!StartsWithNoCase(FolderOf(path), foldedRoot)) return true;
        return !IsNonEmptyFile(path);
    });
    if (removed > 0) ++library.removals;
    return before - entries.size();
}

std::string LibraryLimitText() {
    return "Ihre Medienbibliothek hat das Limit von '" +
           DecimalText(static_cast<long long>(kLibraryCapacity)) +
           "' erreicht.\nEs werden keine weiteren Dateien hinzugefügt!";
}

size_t RunLibraryScan(Library& library, WorkerState& workers, const ScanOptions& options,
                      const TrackReadFn& read) {
    const auto stop = [&] { return workers.stopRequested.load() != 0; };
    FolderWalkOptions walk;
    walk.shouldStop = stop;

    // Listing first gives an honest percentage; the list walk reads no tags,
    // and the files are then read from the list, without a second walk.
    workers.SetStatusText("Erzeuge Ordnerliste..");
    std::vector<std::string> files;
    WalkFolder(options.root, walk, [&](const std::string& file) {
        // Only the sub-folders of the library folder are scanned.
        if (FolderOf(file) != options.root) files.push_back(file);
    });

    size_t done = 0;
    std::string lastFolder;
    LibraryPathIndex index;
    for (const std::string& file : files) {
        if (stop()) break;
        const std::string_view folder = FolderOf(file);
        if (folder != lastFolder) {
            lastFolder = folder;
            workers.SetStatusText(lastFolder);
        }
        workers.progress = static_cast<int8_t>(std::min<size_t>(100, done * 100 / files.size()));
        AddFileToLibrary(library, file, options.root, read, &index);
        ++done;
        if (options.cpuFriendly && options.sleep && !stop()) options.sleep(25);
    }
    return done;
}

bool StartLibraryScan(Library& library, WorkerState& workers, ScanOptions options, TrackReadFn read,
                      Messages& messages) {
    if (workers.scanRunning) return false;  // also one let go that has not ended yet
    if (workers.scanThread.joinable()) {
        if (workers.scanRunning) return false;
        workers.scanThread.join();  // the last scan has ended; collect it
    }
    bool full;
    {
        std::lock_guard lock(library.libraryLock);
        full = library.entries.size() >= kLibraryCapacity;
    }
    if (full) messages.HintBox(LibraryLimitText());
    if (options.root.empty() || !IsDirectory(options.root)) return false;
    if (options.root.back() != '/') options.root += '/';

    workers.SetStatusText("Suche ungültige Einträge..");
    ValidateLibrary(library, options.root);
    workers.SetStatusText("Starte Scannvorgang..");
    workers.progress = 0;
    workers.stopRequested = 0;
    workers.scanRunning = true;
    workers.busy = true;
    workers.scanThread =
        std::thread([&library, &workers, options = std::move(options), read = std::move(read)] {
            RunLibraryScan(library, workers, options, read);
            workers.SetStatusText({});
            workers.progress = 0;
            workers.busy = false;
            workers.ThreadEnded(workers.scanRunning);
        });
    return true;
}

void StopLibraryScan(WorkerState& workers) {
    workers.stopRequested = 1;
}

std::string BackgroundCheckName(std::string_view path) {
    const std::string_view name = FileNameOf(path);
    if (name.size() <= 50) return std::string(name);
    return std::string(name.substr(0, 47)) + "...";
}

bool BackgroundRefreshStep(Library& library, WorkerState& workers, const TrackReadFn& read) {
    std::string path;
    int32_t index;
    {
        std::lock_guard lock(library.libraryLock);
        const auto count = static_cast<int64_t>(library.entries.size());
        if (count == 0) return false;
        index = workers.backgroundIndex;
        index = (index >= 0 && index < count - 1) ? index + 1 : 0;
        workers.backgroundIndex = index;
        path = library.entries[static_cast<size_t>(index)].info.path;
    }
    workers.SetBackgroundText(BackgroundCheckName(path));
    if (IsStreamAddress(path)) return true;  // stations are never re-read

    // Read outside the lock; the entry is found again by its path afterwards,
    // since another thread may have changed the list meanwhile.
    TrackInfo fresh;
    fresh.path = path;
    const uint32_t resets = workers.engineResets.load();
    const int result = read(fresh);
    if (result == 2) return true;
    // During shut-down, or while the engine is set up anew (a new device or
    // rate), a read fails for want of the engine, not of the file: no removal.
    if (result == 0 && (workers.shuttingDown || workers.EngineResetDuring(resets))) return true;

    std::lock_guard lock(library.libraryLock);
    auto& entries = library.entries;
    size_t at = static_cast<size_t>(index);
    if (at >= entries.size() || entries[at].info.path != path) {
        at = entries.size();
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i].info.path == path) {
                at = i;
                break;
            }
        if (at == entries.size()) return true;  // removed meanwhile
    }
    if (result == 1) {
        TrackInfo& info = entries[at].info;
        const int32_t channelType = info.channelType;
        fresh.path = info.path;
        info = std::move(fresh);
        info.channelType = channelType;
        return true;
    }
    entries.erase(entries.begin() + static_cast<ptrdiff_t>(at));
    ++library.removals;
    if (static_cast<int64_t>(at) <= workers.backgroundIndex && workers.backgroundIndex > 0)
        --workers.backgroundIndex;
    return true;
}

void StartBackgroundRefresh(Library& library, WorkerState& workers, BackgroundOptions options,
                            TrackReadFn read) {
    if (workers.backgroundThread.joinable()) return;
    workers.shuttingDown = false;
    workers.backgroundRunning = true;
    // The first step is due one spacing after the start.
    const uint32_t start = options.tick();
    workers.backgroundThread = std::thread(
        [&library, &workers, options = std::move(options), read = std::move(read), last = start]() mutable {
            while (!workers.shuttingDown) {
                const uint32_t now = options.tick();
                // Unsigned difference: the wrap of the millisecond counter is harmless.
                if (now - last >= static_cast<uint32_t>(options.spacing.count()) && !workers.scanRunning &&
                    workers.backgroundOn) {
                    last = now;
                    BackgroundRefreshStep(library, workers, read);
                }
                workers.WaitForStop(options.poll, workers.shuttingDown);
            }
            workers.ThreadEnded(workers.backgroundRunning);
        });
}

bool StopLibraryThreads(WorkerState& workers, std::chrono::milliseconds limit) {
    workers.stopRequested = 1;
    workers.shuttingDown = true;
    workers.NotifyStop();
    const bool scanEnded = workers.JoinWithin(workers.scanThread, workers.scanRunning, limit);
    const bool backgroundEnded =
        workers.JoinWithin(workers.backgroundThread, workers.backgroundRunning, limit);
    return scanEnded && backgroundEnded;
}

}  // namespace sonvaro
