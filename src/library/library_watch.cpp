#include "library/library_watch.h"

#include <memory>
#include <optional>
#include <set>
#include <unordered_map>
#include <vector>

#include "core/status_log.h"
#include "core/text.h"
#include "platform/file_info.h"
#include "platform/folder_walk.h"
#include "platform/folder_watch.h"

namespace sonvaro {

std::string WatchLimitText(const std::string& folder) {
    return "Medienbibliothek: Überwachungsgrenze erreicht (fs.inotify.max_user_watches) – '" + folder +
           "' und weitere Ordner nur durch die Hintergrundaktualisierung";
}

std::string WatchSilentText(const std::string& folder) {
    return "Medienbibliothek: '" + folder +
           "' meldet keine Änderungen – dort nur durch die Hintergrundaktualisierung";
}

namespace {

using Clock = std::chrono::steady_clock;

// The folder holding `path` (a file, or a folder ending in "/"), up to its
// last "/": a name may hold any other byte.
std::string ParentFolder(std::string_view path) {
    if (path.ends_with('/')) path.remove_suffix(1);
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

// The size and modification time a file had when its tags were last read.
using Stamp = FileStamp;

class Watcher {
  public:
    Watcher(Library& library, WorkerState& workers, const LibraryWatchOptions& options,
            const TrackReadFn& read)
        : library_(library), workers_(workers), options_(options), read_(read) {}

    void Run() {
        while (!Stopping()) {
            const std::string wanted = LibraryRootOf(workers_.LibraryFolder());
            if (wanted != root_) {  // another library folder was chosen
                Unwatch();
                pending_.clear();
                root_ = wanted;
                nextTry_ = Clock::now();
                limitSaid_ = silentSaid_ = false;
            }
            if (!watch_ && !root_.empty() && Clock::now() >= nextTry_) {
                if (LibraryFolderReachable(root_))
                    SetUp();
                else
                    nextTry_ = Clock::now() + std::chrono::seconds(1);
            }
            if (watch_ && Clock::now() >= nextLook_) {
                // A drive mounted again over the folder, or another folder put
                // in its place, is not what the watch is on: watch it afresh.
                nextLook_ = Clock::now() + std::chrono::seconds(1);
                if (!watch_->StillThere(root_)) {
                    if (!pending_.empty()) Apply();
                    Unwatch();
                    continue;
                }
            }
            if (!watch_) {
                // Without a folder there is only the setting to look at again: each
                // wake-up costs a player that plays for hours.
                workers_.WaitForStop(std::chrono::milliseconds(root_.empty() ? 1000 : 100),
                                     workers_.shuttingDown);
                continue;
            }
            auto wait = std::chrono::milliseconds(100);
            if (!pending_.empty())
                wait = std::clamp(std::chrono::duration_cast<std::chrono::milliseconds>(
                                      batchStart_ + options_.batch - Clock::now()),
                                  std::chrono::milliseconds(0), wait);
            WatchAddResult added;
            std::vector<FolderChange> changes = watch_->Read(wait, &added);
            Say(added);
            for (FolderChange& change : changes) {
                if (pending_.empty()) batchStart_ = Clock::now();
                pending_.push_back(std::move(change));
            }
            if (!pending_.empty() && Clock::now() - batchStart_ >= options_.batch) Apply();
        }
    }

  private:
    bool Stopping() const { return workers_.shuttingDown; }

    void Unwatch() {
        watch_.reset();
        workers_.watching = false;
    }

    void SetUp() {
        const auto start = Clock::now();
        FolderWatchOptions watchOptions;
        watchOptions.maxWatches = options_.maxWatches != 0 ? options_.maxWatches : UserWatchLimit() / 2;
        watchOptions.shouldStop = [this] { return Stopping(); };
        watchOptions.isSilent = options_.isSilent;
        watch_ = std::make_unique<FolderWatch>(std::move(watchOptions));
        WatchAddResult result = watch_->WatchTree(root_);
        if (!watch_->IsOpen()) {  // no notification handle left for this user
            result.limitReached = true;
            result.firstUnwatched = root_;
        }
        if (result.stopped) return;
        workers_.watching = watch_->IsOpen();
        Say(result);
        if (options_.onWatching) {
            LibraryWatchReport report;
            report.root = root_;
            report.watches = watch_->WatchCount();
            report.limitReached = result.limitReached;
            report.silent = !result.firstSilent.empty();
            report.took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
            options_.onWatching(report);
        }
        if (!watch_->IsOpen()) {  // tried again now and then; said only once
            Unwatch();
            nextTry_ = Clock::now() + std::chrono::seconds(30);
        }
    }

    // Each state is said once per library folder.
    void Say(const WatchAddResult& result) {
        if (result.limitReached && !limitSaid_) {
            limitSaid_ = true;
            if (options_.log) options_.log->LogStatus(WatchLimitText(result.firstUnwatched));
        }
        if (!result.firstSilent.empty() && !silentSaid_) {
            silentSaid_ = true;
            if (options_.log) options_.log->LogStatus(WatchSilentText(result.firstSilent));
        }
    }

    // The batch in the order it came: removals are gathered and done in one
    // pass before a move and at the end; files are read last, so a file
    // written and renamed within the batch is read once, under its last name.
    void Apply() {
        std::vector<FolderChange> batch;
        batch.swap(pending_);
        bool lost = false, overflow = false;
        for (FolderChange& change : batch) {
            switch (change.kind) {
                case FolderChange::Kind::File:
                    gone_.erase(change.path);  // written anew after a removal
                    if (InLibraryFolder(change.path, root_)) toCheck_.insert(change.path);
                    break;
                case FolderChange::Kind::Gone:
                    if (change.folder)
                        EraseUnder(toCheck_, change.path);
                    else
                        toCheck_.erase(change.path);
                    gone_.insert(change.path);
                    break;
                case FolderChange::Kind::Moved:
                    RemoveGone();
                    Move(change);
                    break;
                case FolderChange::Kind::Lost:
                    lost = true;
                    break;
                case FolderChange::Kind::Overflow:
                    overflow = true;
                    break;
            }
        }
        RemoveGone();
        if (overflow && !lost) {
            // Changes were dropped: watch afresh and take what is new.
            Unwatch();
            SetUp();
            if (watch_) CatchUp();
        }
        ReadFiles();
        if (lost) {
            Unwatch();
            nextTry_ = Clock::now() + std::chrono::seconds(1);
            if (!workers_.libraryFolderMissing.exchange(true) && options_.log)
                options_.log->LogStatus(LibraryUnreachableText(workers_.LibraryFolder()));
        }
    }

    static void EraseUnder(std::set<std::string>& paths, const std::string& folder) {
        for (auto it = paths.lower_bound(folder); it != paths.end() && it->starts_with(folder);)
            it = paths.erase(it);
    }

    // True while the folder holding `path` and the library folder are both
    // still there as watched.
    bool StillThere(const std::string& path, std::unordered_map<std::string, bool>& seen) {
        const std::string folder = ParentFolder(path);
        for (const std::string& f : {root_, folder}) {
            auto [it, fresh] = seen.try_emplace(f, false);
            if (fresh) it->second = watch_ && watch_->StillThere(f);
            if (!it->second) return false;
        }
        return true;
    }

    void RemoveGone() {
        if (gone_.empty()) return;
        std::set<std::string, std::less<>> files, folders;
        std::unordered_map<std::string, bool> seen;
        for (const std::string& path : gone_)
            if (StillThere(path, seen)) (path.ends_with('/') ? folders : files).insert(path);
        gone_.clear();
        if (files.empty() && folders.empty()) return;
        const auto goes = [&](std::string_view path) {
            if (files.count(path)) return true;
            if (folders.empty()) return false;
            for (size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1))
                if (folders.count(path.substr(0, slash + 1))) return true;
            return false;
        };
        std::lock_guard lock(library_.libraryLock);
        auto& entries = library_.entries;
        std::vector<bool> remove(entries.size());
        size_t fileEntries = 0, removed = 0;
        for (size_t i = 0; i < entries.size(); ++i) {
            const std::string& path = entries[i].info.path;
            if (IsStreamAddress(path)) continue;
            ++fileEntries;
            if (goes(path)) remove[i] = true, ++removed;
        }
        if (removed == 0) return;
        if (removed == fileEntries) {  // looks like a drive going, not like deleted music
            if (!workers_.noFileReachable.exchange(true) && options_.log)
                options_.log->LogStatus(kNoFileReachableText);
            return;
        }
        size_t kept = 0;
        for (size_t i = 0; i < entries.size(); ++i) {
            if (remove[i]) {
                stamps_.erase(entries[i].info.path);
                continue;
            }
            if (kept != i) entries[kept] = std::move(entries[i]);
            ++kept;
        }
        entries.resize(kept);
        ++library_.removals;
        ++library_.diskChanges;
    }

    // A rename within the tree: the entries keep their statistics and tags
    // (a rename changes neither content nor modification time).
    void Move(const FolderChange& change) {
        const std::string& from = change.from;
        const std::string& to = change.path;
        bool renamed = false;
        {
            std::lock_guard lock(library_.libraryLock);
            auto& entries = library_.entries;
            if (change.folder) {
                for (LibraryEntry& entry : entries)
                    if (entry.info.path.starts_with(from)) {
                        entry.info.path = to + entry.info.path.substr(from.size());
                        renamed = true;
                    }
            } else {
                const ptrdiff_t at = index_.Find(library_, from);
                if (at >= 0) {
                    const ptrdiff_t replaced = index_.Find(library_, to);
                    entries[static_cast<size_t>(at)].info.path = to;
                    if (replaced >= 0) entries.erase(entries.begin() + replaced);  // the file moved over it
                    renamed = true;
                }
            }
            if (renamed) {
                ++library_.removals;  // positions by path are stale
                ++library_.diskChanges;
            }
        }
        // What was still to be read, and the stamps, follow the new names.
        const auto under = [&](const std::string& path) {
            return change.folder ? path.starts_with(from) : path == from;
        };
        std::vector<std::string> checks;
        for (auto it = toCheck_.lower_bound(from); it != toCheck_.end() && under(*it);) {
            checks.push_back(to + it->substr(from.size()));
            it = toCheck_.erase(it);
        }
        toCheck_.insert(checks.begin(), checks.end());
        std::vector<std::pair<std::string, Stamp>> stamps;
        if (!change.folder) stamps_.erase(to);
        for (auto it = stamps_.begin(); it != stamps_.end();) {
            if (!under(it->first)) {
                ++it;
                continue;
            }
            stamps.emplace_back(to + it->first.substr(from.size()), it->second);
            it = stamps_.erase(it);
        }
        for (auto& [path, stamp] : stamps) stamps_[path] = stamp;
        // A file that was not in the library arrives under its new name.
        if (!renamed && !change.folder && InLibraryFolder(to, root_)) toCheck_.insert(to);
    }

    // After dropped changes: every file below the sub-folders that the library
    // does not hold yet. Entries of vanished files are the refresh's matter.
    void CatchUp() {
        FolderWalkOptions walk;
        walk.shouldStop = [this] { return Stopping(); };
        WalkFolder(root_, walk, [&](const std::string& file) {
            if (ParentFolder(file) == root_) return;
            std::lock_guard lock(library_.libraryLock);
            if (index_.Find(library_, file) < 0) toCheck_.insert(file);
        });
    }

    void ReadFiles() {
        std::set<std::string> files;
        files.swap(toCheck_);
        size_t sinceShown = 0;
        for (const std::string& path : files) {
            if (Stopping()) return;
            const std::optional<Stamp> found = RegularFileStamp(path);
            if (!found || found->size == 0) continue;
            const Stamp stamp = *found;
            {
                std::lock_guard lock(library_.libraryLock);
                const bool known = index_.Find(library_, path) >= 0;
                if (!known && ParentFolder(path) == root_)
                    continue;  // as the scan: not directly in the folder
                const auto it = stamps_.find(path);
                if (known && it != stamps_.end() && it->second == stamp) continue;  // unchanged
            }
            const AddOutcome outcome = AddFileToLibrary(library_, path, root_, read_, &index_);
            if (outcome != AddOutcome::Added && outcome != AddOutcome::Updated) continue;
            if (stamps_.size() >= kLibraryCapacity)
                stamps_.clear();  // bounded: at worst a file is read again
            stamps_[path] = stamp;
            // A long burst shows as it goes.
            if (++sinceShown == 200) {
                sinceShown = 0;
                ++library_.diskChanges;
            }
        }
        if (sinceShown) ++library_.diskChanges;
    }

    Library& library_;
    WorkerState& workers_;
    const LibraryWatchOptions& options_;
    const TrackReadFn& read_;
    std::unique_ptr<FolderWatch> watch_;
    std::string root_;
    Clock::time_point nextTry_ = Clock::now();
    Clock::time_point nextLook_ = Clock::now();
    Clock::time_point batchStart_;
    std::vector<FolderChange> pending_;
    std::set<std::string> toCheck_;
    std::set<std::string> gone_;
    std::unordered_map<std::string, Stamp> stamps_;
    LibraryPathIndex index_;
    bool limitSaid_ = false, silentSaid_ = false;
};

}  // namespace

void StartLibraryWatch(Library& library, WorkerState& workers, LibraryWatchOptions options,
                       TrackReadFn read) {
    if (workers.watchThread.joinable()) return;
    workers.watchRunning = true;
    workers.watchThread =
        std::thread([&library, &workers, options = std::move(options), read = std::move(read)] {
            Watcher(library, workers, options, read).Run();
            workers.watching = false;
            workers.ThreadEnded(workers.watchRunning);
        });
}

}  // namespace sonvaro
