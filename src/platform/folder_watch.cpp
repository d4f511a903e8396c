#include "platform/folder_watch.h"

#include <dirent.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>

namespace sonvaro {

namespace {

// What a folder's watch reports; the folder's own end is always reported too.
constexpr uint32_t kMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE |
                           IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
// Deeper trees are a loop of bind mounts or a prank, not music.
constexpr int kMaxDepth = 64;
// One Read takes at most this many buffers, so a flood cannot keep it.
constexpr int kMaxBuffersPerRead = 64;

// A folder's entries in name order, each with the type the folder listing
// gives (DT_UNKNOWN where the file system does not say).
std::vector<std::pair<std::string, unsigned char>> SortedNames(const std::string& folder) {
    std::vector<std::pair<std::string, unsigned char>> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view name = e->d_name;
        if (name != "." && name != "..") names.emplace_back(name, e->d_type);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool StatfsSilent(const std::string& folder) {
    struct statfs fs {};
    return ::statfs(folder.c_str(), &fs) == 0 && IsSilentFileSystemType(static_cast<int64_t>(fs.f_type));
}

}  // namespace

size_t UserWatchLimit() {
    std::FILE* file = std::fopen("/proc/sys/fs/inotify/max_user_watches", "re");
    if (!file) return 0;
    unsigned long long value = 0;
    if (std::fscanf(file, "%llu", &value) != 1) value = 0;
    std::fclose(file);
    return static_cast<size_t>(value);
}

bool IsSilentFileSystemType(int64_t type) {
    switch (static_cast<uint32_t>(type)) {
        case 0x6969:      // NFS
        case 0x517B:      // SMB
        case 0xFF534D42:  // CIFS
        case 0xFE534D42:  // SMB2
        case 0x65735546:  // FUSE (sshfs, rclone, …)
        case 0x01021997:  // 9P
        case 0x00C36400:  // Ceph
        case 0x5346414F:  // AFS
        case 0x6B414653:  // kAFS
        case 0x73757245:  // Coda
        case 0x564C:      // NCP
        case 0x01161970:  // GFS2
        case 0x7461636F:  // OCFS2
        case 0x0BD00BD0:  // Lustre
            return true;
        default:
            return false;
    }
}

FolderWatch::FolderWatch(FolderWatchOptions options) : options_(std::move(options)) {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
}

FolderWatch::~FolderWatch() {
    if (fd_ >= 0) ::close(fd_);  // drops every watch with it
}

WatchAddResult FolderWatch::WatchTree(std::string root) {
    WatchAddResult result;
    if (root.empty() || fd_ < 0) return result;
    if (root.back() != '/') root += '/';
    root_ = root;
    WalkAndWatch(root, 0, 0, result, nullptr);
    return result;
}

bool FolderWatch::WalkAndWatch(const std::string& folder, dev_t parentDevice, int depth,
                               WatchAddResult& result, std::vector<std::string>* files) {
    if (Stop()) {
        result.stopped = true;
        return false;
    }
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return true;
    const FolderId id{st.st_dev, st.st_ino};
    if (byId_.count(id) || depth > kMaxDepth) return true;  // a loop, or a second name of a folder

    const auto refuse = [&] {
        result.limitReached = limitReached_ = true;
        if (result.firstUnwatched.empty()) result.firstUnwatched = folder;
        return false;
    };
    if (options_.maxWatches != 0 && byWd_.size() >= options_.maxWatches) return refuse();
    const int wd = ::inotify_add_watch(fd_, folder.c_str(), kMask);
    if (wd < 0) return errno == ENOSPC ? refuse() : true;  // unreadable: skipped as the walk does
    if (byWd_.count(wd)) return true;
    byWd_[wd] = Watched{folder, id};
    byPath_[folder] = wd;
    byId_[id] = wd;
    ++result.added;
    // Only a folder on another device than its parent can be on another file system.
    if (result.firstSilent.empty() && (depth == 0 || st.st_dev != parentDevice) &&
        (options_.isSilent ? options_.isSilent(folder) : StatfsSilent(folder)))
        result.firstSilent = folder;

    for (const auto& [name, type] : SortedNames(folder)) {
        if (Stop()) {
            result.stopped = true;
            return false;
        }
        // Plain files need no look when only folders are wanted.
        if (type == DT_REG && !files) continue;
        const std::string path = folder + name;
        struct stat entry {};
        if (::stat(path.c_str(), &entry) != 0) continue;
        if (S_ISDIR(entry.st_mode)) {
            if (!WalkAndWatch(path + "/", st.st_dev, depth + 1, result, files)) return false;
        } else if (S_ISREG(entry.st_mode) && files) {
            files->push_back(path);
        }
    }
    return true;
}

void FolderWatch::Forget(int wd) {
    const auto it = byWd_.find(wd);
    if (it == byWd_.end()) return;
    const auto p = byPath_.find(it->second.path);
    if (p != byPath_.end() && p->second == wd) byPath_.erase(p);
    const auto i = byId_.find(it->second.id);
    if (i != byId_.end() && i->second == wd) byId_.erase(i);
    byWd_.erase(it);
}

void FolderWatch::ForgetTree(const std::string& folder, bool removeFromKernel) {
    std::vector<int> wds;
    for (auto it = byPath_.lower_bound(folder); it != byPath_.end() && it->first.starts_with(folder); ++it)
        wds.push_back(it->second);
    for (const int wd : wds) {
        if (removeFromKernel) ::inotify_rm_watch(fd_, wd);
        Forget(wd);
    }
}

void FolderWatch::RenameTree(const std::string& from, const std::string& to) {
    std::vector<std::pair<std::string, int>> moved;
    for (auto it = byPath_.lower_bound(from); it != byPath_.end() && it->first.starts_with(from);)
        moved.emplace_back(to + it->first.substr(from.size()), it->second), it = byPath_.erase(it);
    for (auto& [path, wd] : moved) {
        byWd_[wd].path = path;
        byPath_[path] = wd;
    }
}

void FolderWatch::Arrived(const std::string& path, bool created, std::vector<FolderChange>& out,
                          WatchAddResult& added) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return;  // gone again already
    if (S_ISREG(st.st_mode)) {
        // A file just created is being written: it is reported when closed
        // after writing. A link, hard or symbolic, is complete at once.
        struct stat own {};
        if (created && ::lstat(path.c_str(), &own) == 0 && S_ISREG(own.st_mode) && own.st_nlink == 1) return;
        out.push_back({FolderChange::Kind::File, path, {}, false});
        return;
    }
    if (!S_ISDIR(st.st_mode)) return;
    // Files may have arrived before the watch did: they are reported as found.
    std::vector<std::string> files;
    const std::string folder = path + "/";
    const auto parent = byPath_.find(std::string(folder.substr(0, path.rfind('/') + 1)));
    const dev_t parentDevice = parent != byPath_.end() ? byWd_[parent->second].id.first : st.st_dev;
    WalkAndWatch(folder, parentDevice, 1, added, &files);
    for (std::string& file : files) out.push_back({FolderChange::Kind::File, std::move(file), {}, false});
}

void FolderWatch::HandleEvent(int wd, uint32_t mask, uint32_t cookie, const char* name,
                              std::vector<FolderChange>& out, WatchAddResult& added) {
    if (mask & IN_Q_OVERFLOW) {
        out.push_back({FolderChange::Kind::Overflow, root_, {}, true});
        return;
    }
    if (mask & IN_IGNORED) {  // the kernel dropped the watch (folder gone, unmounted)
        Forget(wd);
        return;
    }
    const auto it = byWd_.find(wd);
    if (it == byWd_.end()) return;
    const std::string folder = it->second.path;
    if (mask & (IN_UNMOUNT | IN_DELETE_SELF | IN_MOVE_SELF)) {
        // A sub-folder's end is reported through its parent; the root has none.
        if (folder != root_) return;
        out.push_back({FolderChange::Kind::Lost, root_, {}, true});
        ForgetTree(root_, true);
        pending_.clear();
        return;
    }
    if (!name || !*name) return;
    const bool isFolder = (mask & IN_ISDIR) != 0;
    const std::string path = folder + name;
    if (mask & IN_MOVED_FROM) {
        pending_.push_back({cookie, isFolder ? path + "/" : path, isFolder, 0});
    } else if (mask & IN_MOVED_TO) {
        const auto from = std::find_if(pending_.begin(), pending_.end(),
                                       [&](const PendingMove& m) { return m.cookie == cookie; });
        if (from == pending_.end()) {
            Arrived(path, false, out, added);  // from outside the tree
            return;
        }
        const std::string to = from->folder ? path + "/" : path;
        if (from->folder) RenameTree(from->path, to);
        out.push_back({FolderChange::Kind::Moved, to, from->path, from->folder});
        pending_.erase(from);
    } else if (mask & IN_CREATE) {
        Arrived(path, true, out, added);
    } else if (mask & IN_CLOSE_WRITE) {
        if (!isFolder) out.push_back({FolderChange::Kind::File, path, {}, false});
    } else if (mask & IN_DELETE) {
        if (isFolder) ForgetTree(path + "/", true);
        out.push_back({FolderChange::Kind::Gone, isFolder ? path + "/" : path, {}, isFolder});
    }
}

std::vector<FolderChange> FolderWatch::Read(std::chrono::milliseconds timeout, WatchAddResult* added) {
    std::vector<FolderChange> out;
    WatchAddResult found;
    if (fd_ < 0) return out;
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(std::max<int64_t>(0, timeout.count()))) > 0) {
        alignas(inotify_event) char buffer[64 * 1024];
        for (int n = 0; n < kMaxBuffersPerRead; ++n) {
            const ssize_t got = ::read(fd_, buffer, sizeof buffer);
            if (got <= 0) break;  // EAGAIN: all taken
            for (ssize_t at = 0; at < got;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
                HandleEvent(e->wd, e->mask, e->cookie, e->len ? e->name : nullptr, out, found);
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
        }
    }
    // A move's two halves come together; one whose other half did not come
    // by the next read left the tree.
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (it->age++ == 0) {
            ++it;
            continue;
        }
        if (it->folder) ForgetTree(it->path, true);
        out.push_back({FolderChange::Kind::Gone, it->path, {}, it->folder});
        it = pending_.erase(it);
    }
    if (added) *added = found;
    return out;
}

bool FolderWatch::StillThere(const std::string& folder) const {
    const auto it = byPath_.find(folder);
    if (it == byPath_.end()) return false;
    struct stat st {};
    const auto wd = byWd_.find(it->second);
    return wd != byWd_.end() && ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           FolderId{st.st_dev, st.st_ino} == wd->second.id;
}

}  // namespace sonvaro
