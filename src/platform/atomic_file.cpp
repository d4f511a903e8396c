#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

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

AtomicFile::AtomicFile(std::string finalPath, FileVisibility visibility, std::string tempPath)
    : finalPath_(FollowLinks(std::move(finalPath))), tempPath_(std::move(tempPath)), visibility_(visibility) {
    if (tempPath_.empty()) tempPath_ = finalPath_ + ".tmp";
}

AtomicFile::~AtomicFile() {
    Discard();
}

void AtomicFile::Fail(int error) {
    failed_ = true;
    if (error_.empty()) error_ = std::strerror(error);
}

bool AtomicFile::Open() {
    Discard();
    failed_ = readOnly_ = false;
    error_.clear();
    // The mode bits, not access(): root may write anything, yet the user's choice stands.
    struct stat st {};
    if (::stat(finalPath_.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) {
        readOnly_ = failed_ = true;
        error_ = "schreibgeschützt, bleibt unverändert";
        return false;
    }
    // The new file takes the temporary's mode with the rename: a private file
    // that was readable by others before is tightened here.
    const mode_t mode = visibility_ == FileVisibility::Private ? 0600 : 0666;
    ::unlink(tempPath_.c_str());  // exclusive below: never write through something planted
    fd_ = ::open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd_ < 0) {
        Fail(errno);
        return false;
    }
    if (visibility_ == FileVisibility::Private) ::fchmod(fd_, 0600);  // whatever the umask
    return true;
}

void AtomicFile::Write(std::string_view bytes) {
    if (fd_ < 0 || failed_) return;
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail(errno);
            return;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
}

bool AtomicFile::Commit() {
    if (fd_ < 0) return false;
    bool ok = !failed_;
    if (ok && ::fsync(fd_) != 0) {
        Fail(errno);
        ok = false;
    }
    if (::close(fd_) != 0 && ok) {
        Fail(errno);
        ok = false;
    }
    fd_ = -1;
    if (ok && ::rename(tempPath_.c_str(), finalPath_.c_str()) != 0) {
        Fail(errno);
        ok = false;
    }
    if (!ok) {
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

bool WriteFileAtomically(const std::string& path, std::string_view content, FileVisibility visibility) {
    AtomicFile file(path, visibility);
    if (!file.Open()) return false;
    file.Write(content);
    return file.Commit();
}

bool EnsurePrivateFolder(const std::string& folder) {
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    // Parents as usual (the configuration folder may be missing on a fresh account), the last one private.
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0755);
    ::mkdir(path.c_str(), 0700);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    // Our own folder, opened up by an older run or the umask: others have no business in it.
    if (st.st_uid == ::geteuid() && (st.st_mode & 077) != 0) ::chmod(path.c_str(), st.st_mode & 0700);
    return true;
}

}  // namespace sonvaro
