#include "platform/file_info.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace sonvaro {

std::optional<int64_t> RegularFileSize(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return static_cast<int64_t>(st.st_size);
}

std::optional<FileStamp> RegularFileStamp(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return FileStamp{static_cast<int64_t>(st.st_size),
                     static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

std::optional<FileLookup> LookUpFile(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileLookup{{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)},
                      S_ISREG(st.st_mode) ? static_cast<int64_t>(st.st_size) : -1};
}

std::optional<FileIdentity> FileIdentityOf(const std::string& path) {
    const auto found = LookUpFile(path);
    return found ? std::optional<FileIdentity>(found->identity) : std::nullopt;
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

FileAccess CheckFileAccess(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return FileAccess::Missing;
    if (S_ISDIR(st.st_mode)) return FileAccess::Folder;
    // Non-blocking, so that a named pipe without a writer does not hold us here.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return FileAccess::Unreadable;
    ::close(fd);
    if (S_ISREG(st.st_mode) && st.st_size == 0) return FileAccess::Empty;
    return FileAccess::Readable;
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

std::string CurrentFolder() {
    std::string folder(4096, '\0');
    while (!::getcwd(folder.data(), folder.size())) {
        if (errno != ERANGE) return {};
        folder.resize(folder.size() * 2);
    }
    folder.resize(std::strlen(folder.c_str()));
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

std::string JoinPath(const std::string& folder, std::string_view relative) {
    while (relative.substr(0, 2) == "./") {
        relative.remove_prefix(2);
        while (!relative.empty() && relative.front() == '/') relative.remove_prefix(1);
    }
    if (relative == ".") relative = {};
    return folder + std::string(relative);
}

std::string AbsolutePath(const std::string& path) {
    if (path.empty() || path.front() == '/') return path;
    return JoinPath(CurrentFolder(), path);
}

std::string CanonicalPath(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return AbsolutePath(path);
    std::string result(resolved);
    std::free(resolved);
    return result;
}

bool CreateFolder(const std::string& path) {
    if (IsDirectory(path)) return true;
    return ::mkdir(path.c_str(), 0755) == 0 || IsDirectory(path);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string data;
    // One spare byte so that a file read to its end needs no second allocation.
    data.resize(st.st_size > 0 ? static_cast<size_t>(st.st_size) + 1 : 4096);
    size_t have = 0;
    for (;;) {
        if (have == data.size()) data.resize(data.size() + 65536);  // grows when the file grew
        const ssize_t n = ::read(fd, data.data() + have, data.size() - have);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        have += static_cast<size_t>(n);
    }
    ::close(fd);
    data.resize(have);
    return data;
}

std::string UnplayableReason(const std::string& path) {
    switch (CheckFileAccess(path)) {
        case FileAccess::Missing:
            return "Datei nicht gefunden";
        case FileAccess::Folder:
            return "ist ein Ordner";
        case FileAccess::Empty:
            return "Datei ist leer";
        case FileAccess::Unreadable:
            return "Datei kann nicht gelesen werden (keine Berechtigung?)";
        case FileAccess::Readable:
            break;
    }
    return "Format nicht erkannt";
}

}  // namespace sonvaro
