#pragma once
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sonvaro {

// Size of a regular file (following links); nullopt for a missing path or a folder.
std::optional<int64_t> RegularFileSize(const std::string& path);

// A regular file's size and modification time (nanoseconds since the epoch):
// what tells that its contents may have changed. nullopt for anything else.
struct FileStamp {
    int64_t size = 0;
    int64_t modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;
};
std::optional<FileStamp> RegularFileStamp(const std::string& path);

// What tells one file from another however it is named (links, "./" and other
// spellings): its device and inode. nullopt for a path that names nothing.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    auto operator<=>(const FileIdentity&) const = default;
};
std::optional<FileIdentity> FileIdentityOf(const std::string& path);
// The identity and, for a regular file, its size (else -1), from one look.
struct FileLookup {
    FileIdentity identity;
    int64_t regularSize = -1;
};
std::optional<FileLookup> LookUpFile(const std::string& path);

// True when the path exists, is a regular file and holds at least one byte.
inline bool IsNonEmptyFile(const std::string& path) {
    const auto size = RegularFileSize(path);
    return size && *size > 0;
}

bool IsDirectory(const std::string& path);

// Why a path cannot be read as a file, Readable when it can (opened for reading).
enum class FileAccess { Readable, Missing, Folder, Empty, Unreadable };
FileAccess CheckFileAccess(const std::string& path);
// Why `path` cannot be played, in words for the user; "Format nicht erkannt"
// for a readable file.
std::string UnplayableReason(const std::string& path);

// True when anything (file, folder, dangling link aside) exists at the path.
bool PathExists(const std::string& path);

// The process's current folder, ending in "/"; empty when it cannot be read.
std::string CurrentFolder();

// `relative` appended to `folder` (which ends in "/"), leading "./" parts and a
// lone "." dropped; nothing else is changed (a path is bytes).
std::string JoinPath(const std::string& folder, std::string_view relative);

// A relative path made absolute against the current folder with JoinPath.
std::string AbsolutePath(const std::string& path);

// The path with every link and "." / ".." resolved; the absolute path itself
// when it cannot be resolved (a missing file).
std::string CanonicalPath(const std::string& path);

// Creates one folder level; true when it exists afterwards.
bool CreateFolder(const std::string& path);

// Reads a whole file; nullopt when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

}  // namespace sonvaro
