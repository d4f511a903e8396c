#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sonvaro {

// How a folder tree is walked. Names within one folder are visited in the
// order of `sortKey` (then bytes); an empty key function means byte order.
struct FolderWalkOptions {
    bool recursive = true;
    std::function<std::string(std::string_view name)> sortKey;
    // Asked before each entry; true ends the whole walk at once.
    std::function<bool()> shouldStop;
};

// Calls `onFile` with the path of every regular file below `folder` (links
// followed), files and sub-folders interleaved in name order, depth first.
// Each real folder (device + inode) is entered once, so link loops end;
// unreadable folders and entries that vanish mid-walk are skipped. Sockets,
// pipes and devices are never handed out (opening a pipe can block).
// Returns false when `shouldStop` ended the walk.
bool WalkFolder(std::string folder, const FolderWalkOptions& options,
                const std::function<void(const std::string& file)>& onFile);

// The names in one folder (without "." and ".."), in no order; at most
// `limit` of them, so a huge folder costs bounded memory. Empty when the
// folder cannot be read.
std::vector<std::string> FolderEntryNames(const std::string& folder, std::size_t limit);

}  // namespace sonvaro
