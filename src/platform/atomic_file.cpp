#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace sonvaro {
namespace {

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

// A data file kept as a symbolic link (as dotfile managers do) is replaced at
// the link's target; renaming over the link itself would cut it off.
std::string FollowLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::string target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<size_t>(n) >= target.size()) return path;
        target.resize(static_cast<size_t>(n));
        path = target.front() == '/' || FolderOf(path) == "." ? target : FolderOf(path) + target;
    }
    return path;
}

}  // namespace

AtomicFile::AtomicFile(std::string finalPath, std::string tempPath)
    : finalPath_(FollowLinks(std::move(finalPath))), tempPath_(std::move(tempPath)) {
    if (tempPath_.empty()) tempPath_ = finalPath_ + ".tmp";
}

AtomicFile::~AtomicFile() {
    Discard();
}

bool AtomicFile::Open() {
    Discard();
    failed_ = false;
    fd_ = ::open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return fd_ >= 0;
}

void AtomicFile::Write(std::string_view bytes) {
    if (fd_ < 0 || failed_) return;
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            failed_ = true;
            return;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
}

bool AtomicFile::Commit() {
    if (fd_ < 0) return false;
    bool ok = !failed_ && ::fsync(fd_) == 0;
    ok = (::close(fd_) == 0) && ok;
    fd_ = -1;
    if (!ok || ::rename(tempPath_.c_str(), finalPath_.c_str()) != 0) {
        ::unlink(tempPath_.c_str());
        return false;
    }
    // Make the rename itself durable.
    const int dir = ::open(FolderOf(finalPath_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

void AtomicFile::Discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
        ::unlink(tempPath_.c_str());
    }
}

void RemoveStaleTemporary(const std::string& path) {
    ::unlink((FollowLinks(path) + ".tmp").c_str());
}

bool WriteFileAtomically(const std::string& path, std::string_view content) {
    AtomicFile file(path);
    if (!file.Open()) return false;
    file.Write(content);
    return file.Commit();
}

}  // namespace sonvaro
