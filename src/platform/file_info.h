#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace sonvaro {

// Size of a regular file (following links); nullopt for a missing path or a folder.
std::optional<int64_t> RegularFileSize(const std::string& path);

// True when the path exists, is a regular file and holds at least one byte.
inline bool IsNonEmptyFile(const std::string& path) {
    const auto size = RegularFileSize(path);
    return size && *size > 0;
}

bool IsDirectory(const std::string& path);

// Creates one folder level; true when it exists afterwards.
bool CreateFolder(const std::string& path);

// Reads a whole file; nullopt when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

}  // namespace sonvaro
