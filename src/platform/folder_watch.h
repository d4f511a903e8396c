#pragma once
#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace sonvaro {

// One change below a watched tree. File paths are whole; folder paths end in "/".
struct FolderChange {
    enum class Kind {
        File,      // a file appeared, was written or was moved in: look at it
        Gone,      // a file or folder was removed or moved out of the tree
        Moved,     // renamed within the tree, from `from` to `path`
        Lost,      // the root itself went away (unmounted, removed, renamed): no watch is left
        Overflow,  // the kernel dropped changes: what the tree holds must be looked at again
    };
    Kind kind = Kind::File;
    std::string path;
    std::string from;  // Moved only
    bool folder = false;
};

struct FolderWatchOptions {
    // The most folders this watch holds; 0: as many as the kernel grants
    // (fs.inotify.max_user_watches). Reaching it counts as the kernel's ENOSPC.
    size_t maxWatches = 0;
    // Asked before each folder and entry of a walk; true ends the walk.
    std::function<bool()> shouldStop;
    // True for a folder on a file system that does not report changes made
    // elsewhere; unset: the statfs type says (network and FUSE file systems).
    std::function<bool(const std::string& folder)> isSilent;
};

// What setting up watches found.
struct WatchAddResult {
    size_t added = 0;
    bool limitReached = false;   // a folder could not be watched: no watch left
    std::string firstUnwatched;  // the first folder the limit left out
    std::string firstSilent;     // the first folder on a file system without notifications
    bool stopped = false;        // shouldStop ended the walk
};

// Folder change notification (inotify) over one tree: each real folder
// (device + inode) is watched once under its first name in name order, links
// followed, as the folder walk visits them. Not thread-safe: one thread sets
// it up and reads it.
class FolderWatch {
  public:
    explicit FolderWatch(FolderWatchOptions options = {});
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // False when the kernel gave no notification handle (then nothing is watched).
    bool IsOpen() const { return fd_ >= 0; }

    // Watches `root` and every folder below it. Stops at the first folder the
    // limit refuses: the folders after it would be refused as well.
    WatchAddResult WatchTree(std::string root);

    // Waits up to `timeout` for changes. A folder that appears is watched at
    // once and the files already in it are reported as File; `added` (when
    // given) hears what that watching found.
    std::vector<FolderChange> Read(std::chrono::milliseconds timeout, WatchAddResult* added = nullptr);

    // True while `folder` (ending in "/") is watched and still the same folder
    // (device and inode): not removed, unmounted or renamed away.
    bool StillThere(const std::string& folder) const;

    size_t WatchCount() const { return byWd_.size(); }
    const std::string& Root() const { return root_; }

  private:
    using FolderId = std::pair<dev_t, ino_t>;
    struct Watched {
        std::string path;
        FolderId id;
    };
    struct PendingMove {
        uint32_t cookie;
        std::string path;
        bool folder;
        int age;
    };

    bool Stop() const { return options_.shouldStop && options_.shouldStop(); }
    // Watches `folder` and below; the files found go to `files` when given.
    // False when the walk ended (stopped, or the limit was reached).
    bool WalkAndWatch(const std::string& folder, dev_t parentDevice, int depth, WatchAddResult& result,
                      std::vector<std::string>* files);
    void Forget(int wd);
    void ForgetTree(const std::string& folder, bool removeFromKernel);
    void RenameTree(const std::string& from, const std::string& to);
    // `created`: by IN_CREATE rather than moved in.
    void Arrived(const std::string& path, bool created, std::vector<FolderChange>& out,
                 WatchAddResult& added);
    void HandleEvent(int wd, uint32_t mask, uint32_t cookie, const char* name, std::vector<FolderChange>& out,
                     WatchAddResult& added);

    FolderWatchOptions options_;
    int fd_ = -1;
    std::string root_;
    std::unordered_map<int, Watched> byWd_;
    std::map<std::string, int> byPath_;  // ordered: a folder's sub-folders follow it
    std::map<FolderId, int> byId_;
    std::vector<PendingMove> pending_;
    bool limitReached_ = false;
};

// fs.inotify.max_user_watches: the watches one user may hold across all
// programs; 0 when it cannot be read.
size_t UserWatchLimit();

// True for the statfs type of a file system whose changes made elsewhere are
// not notified (NFS, SMB/CIFS, FUSE, 9P, Ceph, AFS and the like).
bool IsSilentFileSystemType(int64_t type);

}  // namespace sonvaro
