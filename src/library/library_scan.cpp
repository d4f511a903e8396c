#include "library/library_scan.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "core/ports/messages.h"
#include "core/read_ahead.h"
#include "core/status_log.h"
#include "core/text.h"
#include "platform/file_info.h"
#include "platform/folder_walk.h"

namespace sonvaro {

namespace {

// The first entry whose path is `path`, byte for byte; -1 when none.
ptrdiff_t FindEntry(const Library& library, std::string_view path) {
    const auto& entries = library.entries;
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].info.path == path) return static_cast<ptrdiff_t>(i);
    return -1;
}

// True when a file entry other than `except` names a file that is there
// (false as well once the program shuts down).
// The paths are taken a few at a time under the lock and looked at outside
// it, so the view never waits for a disk. Usually the first one answers.
bool AnotherFileReachable(Library& library, const std::string& except, const WorkerState& workers) {
    std::vector<std::string> batch;
    size_t next = 0;
    while (!workers.shuttingDown) {
        batch.clear();
        {
            std::lock_guard lock(library.libraryLock);
            const auto& entries = library.entries;
            for (; next < entries.size() && batch.size() < 64; ++next) {
                const std::string& path = entries[next].info.path;
                if (!IsStreamAddress(path) && path != except) batch.push_back(path);
            }
        }
        if (batch.empty()) return false;
        for (const std::string& path : batch)
            if (IsNonEmptyFile(path)) return true;
    }
    return false;  // shutting down: nothing is removed then anyway
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
        positions_.emplace(entries[indexed_].info.path, indexed_);  // the first one stays
}

ptrdiff_t LibraryPathIndex::Find(const Library& library, std::string_view path) {
    CatchUp(library);
    const auto it = positions_.find(std::string(path));
    return it == positions_.end() ? -1 : static_cast<ptrdiff_t>(it->second);
}

std::string LibraryRootOf(std::string_view configured) {
    std::string root(configured);
    if (!root.empty() && root.back() != '/') root += '/';
    return root;
}

bool InLibraryFolder(std::string_view path, std::string_view root) {
    return FolderOf(path).starts_with(root);
}

bool LibraryFolderReachable(std::string_view folder) {
    return folder.empty() || IsDirectory(std::string(folder));
}

std::string LibraryUnreachableText(std::string_view folder) {
    return "Medienbibliothek nicht erreichbar: '" + std::string(folder) + "'";
}

namespace {

// A file read (info.path set back to the path it was read under) into its
// entry or a new one.
AddOutcome StoreTrack(Library& library, TrackInfo info, LibraryPathIndex* index) {
    const std::string& path = info.path;
    std::lock_guard lock(library.libraryLock);
    if (library.loading) {
        // A file played right after the start: added to the stored entries once they are read.
        library.afterLoad.push_back([info = std::move(info)](Library& loaded) mutable {
            const ptrdiff_t at = FindEntry(loaded, info.path);
            if (at >= 0)
                loaded.entries[static_cast<size_t>(at)].info = std::move(info);
            else if (loaded.entries.size() < kLibraryCapacity)
                loaded.entries.push_back(LibraryEntry{std::move(info)});
        });
        return AddOutcome::Added;
    }
    const ptrdiff_t found = index ? index->Find(library, path) : FindEntry(library, path);
    if (found >= 0) {
        // The statistics stay.
        LibraryEntry& entry = library.entries[static_cast<size_t>(found)];
        entry.info = std::move(info);
        return AddOutcome::Updated;
    }
    if (library.entries.size() >= kLibraryCapacity) return AddOutcome::Full;
    LibraryEntry entry;
    entry.info = std::move(info);
    library.entries.push_back(std::move(entry));
    return AddOutcome::Added;
}

}  // namespace

AddOutcome AddFileToLibrary(Library& library, const std::string& path, std::string_view root,
                            const TrackReadFn& read, LibraryPathIndex* index) {
    if (!InLibraryFolder(path, root)) return AddOutcome::Outside;
    TrackInfo info;
    info.path = path;
    if (read(info) != 1) return AddOutcome::Unreadable;
    info.path = path;
    return StoreTrack(library, std::move(info), index);
}

ValidationResult ValidateLibrary(Library& library, std::string_view root, const std::function<bool()>& stop) {
    if (!LibraryFolderReachable(root)) return {Validation::FolderUnreachable, 0};
    // 100,000 look-ups take a fifth of a second on a local disk, far longer on a
    // share: the paths are copied, and looked at without the lock.
    std::vector<std::string> paths;
    {
        std::lock_guard lock(library.libraryLock);
        paths.reserve(library.entries.size());
        for (const LibraryEntry& entry : library.entries)
            if (!IsStreamAddress(entry.info.path)) paths.push_back(entry.info.path);
    }
    std::unordered_set<std::string_view> gone;
    size_t goneEntries = 0;
    for (size_t i = 0; i < paths.size(); ++i) {
        if (stop && i % 256 == 0 && stop()) return {};
        if (InLibraryFolder(paths[i], root) && IsNonEmptyFile(paths[i])) continue;
        gone.insert(paths[i]);
        ++goneEntries;
    }
    if (gone.empty()) return {};
    if (goneEntries == paths.size()) return {Validation::NoFileReachable, 0};
    std::lock_guard lock(library.libraryLock);
    auto& entries = library.entries;
    const auto kept = std::remove_if(entries.begin(), entries.end(), [&](const LibraryEntry& entry) {
        return !IsStreamAddress(entry.info.path) && gone.contains(entry.info.path);
    });
    const auto removed = static_cast<size_t>(entries.end() - kept);
    if (removed == 0) return {};
    entries.erase(kept, entries.end());
    ++library.removals;
    return {Validation::Checked, removed};
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

    // At full speed the files are read on two threads while this one puts
    // them into the library in name order; the gentle pace reads one file at
    // a time here and rests after each.
    const unsigned threads = options.cpuFriendly ? 0
                             : options.readers   ? options.readers
                                                 : TrackReadAhead::DefaultThreads();
    TrackReadAhead ahead(read, threads, kScanReadWindow, stop);
    size_t done = 0;
    std::string lastFolder;
    LibraryPathIndex index;
    auto takeOne = [&] {
        TrackReadAhead::Item item = ahead.Take();
        if (!item.read) return;  // stopped before it was read
        const std::string_view folder = FolderOf(item.info.path);
        if (folder != lastFolder) {
            lastFolder = folder;
            workers.SetStatusText(lastFolder);
        }
        workers.progress = static_cast<int8_t>(std::min<size_t>(100, done * 100 / files.size()));
        if (item.result == 1) StoreTrack(library, std::move(item.info), &index);
        ++done;
        if (options.cpuFriendly && options.sleep && !stop()) options.sleep(25);
    };
    for (std::string& file : files) {
        if (stop()) break;
        if (ahead.Full()) takeOne();
        if (stop()) break;
        ahead.Give(std::move(file));
    }
    while (!ahead.Empty() && !stop()) takeOne();
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
        const auto lock = LockLoadedLibrary(library);
        full = library.entries.size() >= kLibraryCapacity;
    }
    if (full) messages.HintBox(LibraryLimitText());
    if (options.root.empty()) return false;
    if (!LibraryFolderReachable(options.root)) {
        // The entries stay as they are: a scan of a missing folder would find nothing.
        const std::string text = LibraryUnreachableText(options.root);
        if (options.log) options.log->LogStatus(text);
        messages.HintBox(text);
        return false;
    }
    if (options.root.back() != '/') options.root += '/';

    workers.SetStatusText("Suche ungültige Einträge..");
    if (ValidateLibrary(library, options.root).outcome == Validation::NoFileReachable && options.log)
        options.log->LogStatus(kNoFileReachableText);
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
    // Counted in letters and cut between them, never inside one.
    size_t letters = 0, cut = name.size();
    for (size_t i = 0; i < name.size(); ++i) {
        if ((static_cast<unsigned char>(name[i]) & 0xC0) == 0x80) continue;  // inside a letter
        if (letters++ == 47) cut = i;
    }
    if (letters <= 50) return std::string(name);
    return std::string(name.substr(0, cut)) + "...";
}

bool BackgroundRefreshStep(Library& library, WorkerState& workers, const TrackReadFn& read, StatusLog* log) {
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
    if (result == 1) {
        workers.noFileReachable = false;
        if (workers.libraryFolderMissing && LibraryFolderReachable(workers.LibraryFolder()))
            workers.libraryFolderMissing = false;
    } else {
        // A vanished library folder, or no file left at all, is a drive that
        // went away: the entries wait for it.
        const std::string folder = workers.LibraryFolder();
        if (!LibraryFolderReachable(folder)) {
            if (!workers.libraryFolderMissing.exchange(true) && log)
                log->LogStatus(LibraryUnreachableText(folder));
            return true;
        }
        workers.libraryFolderMissing = false;
        if (workers.noFileReachable || !AnotherFileReachable(library, path, workers)) {
            if (workers.shuttingDown) return true;
            if (!workers.noFileReachable.exchange(true) && log) log->LogStatus(kNoFileReachableText);
            return true;
        }
    }

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
            if (options.startCheck &&
                ValidateLibrary(library, options.startCheckRoot, [&] { return workers.shuttingDown.load(); })
                        .outcome == Validation::NoFileReachable &&
                options.log)
                options.log->LogStatus(kNoFileReachableText);
            while (!workers.shuttingDown) {
                const uint32_t now = options.tick();
                // Unsigned difference: the wrap of the millisecond counter is harmless.
                if (now - last >= static_cast<uint32_t>(options.spacing.count()) && !workers.scanRunning &&
                    workers.backgroundOn) {
                    last = now;
                    BackgroundRefreshStep(library, workers, read, options.log);
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
    const bool watchEnded = workers.JoinWithin(workers.watchThread, workers.watchRunning, limit);
    return scanEnded && backgroundEnded && watchEnded;
}

}  // namespace sonvaro
