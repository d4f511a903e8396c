#include "library/cover_finder.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <vector>

#include "core/text.h"
#include "platform/file_info.h"
#include "platform/folder_walk.h"

namespace sonvaro {
namespace {

constexpr std::array<std::string_view, 4> kBaseNames = {"cover", "folder", "front", "album"};
constexpr std::array<std::string_view, 4> kExtensions = {"jpg", "jpeg", "png", "webp"};

// The rank of a picture file name (lower is better); nullopt for any other name.
std::optional<std::size_t> CoverRank(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return std::nullopt;
    const std::string_view base = name.substr(0, dot), extension = name.substr(dot + 1);
    if (std::none_of(kExtensions.begin(), kExtensions.end(),
                     [&](std::string_view e) { return EqualsAsciiNoCase(extension, e); }))
        return std::nullopt;
    for (std::size_t i = 0; i < kBaseNames.size(); ++i)
        if (EqualsAsciiNoCase(base, kBaseNames[i])) return i;
    return std::nullopt;
}

}  // namespace

std::string PreferredCoverName(const std::vector<std::string>& names) {
    const std::string* best = nullptr;
    std::size_t bestRank = kBaseNames.size();
    for (const std::string& name : names) {
        const auto rank = CoverRank(name);
        if (!rank) continue;
        if (*rank < bestRank || (*rank == bestRank && best && name < *best)) {
            best = &name;
            bestRank = *rank;
        }
    }
    return best ? *best : std::string();
}

std::optional<std::string> ReadPictureFile(const std::string& path) {
    const auto size = RegularFileSize(path);
    if (!size || *size <= 0 || static_cast<uint64_t>(*size) > kMaxCoverBytes) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    // Read no more than the limit even when the file grew since the size was taken.
    std::string bytes(static_cast<std::size_t>(*size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (bytes.empty()) return std::nullopt;
    return bytes;
}

std::string CoverFinder::FolderCoverFile(const std::string& folder) {
    {
        std::lock_guard guard(lock_);
        if (const auto it = index_.find(folder); it != index_.end()) {
            folders_.splice(folders_.begin(), folders_, it->second);
            const std::string& file = it->second->second;
            if (file.empty() || RegularFileSize(file)) return file;
        }
    }
    // Looked up outside the lock: a slow disk holds up no other caller.
    std::vector<std::string> names = FolderEntryNames(folder, kMaxFolderEntries);
    std::string file;
    while (!names.empty()) {
        const std::string name = PreferredCoverName(names);
        if (name.empty()) break;
        if (const auto size = RegularFileSize(folder + name);
            size && *size > 0 && static_cast<uint64_t>(*size) <= kMaxCoverBytes) {
            file = folder + name;
            break;
        }
        // A folder named cover.jpg, an empty or an oversized file: the next best.
        names.erase(std::find(names.begin(), names.end(), name));
    }
    std::lock_guard guard(lock_);
    if (const auto it = index_.find(folder); it != index_.end()) {
        it->second->second = file;
        return file;
    }
    folders_.emplace_front(folder, file);
    index_.emplace(folders_.front().first, folders_.begin());
    if (folders_.size() > kMaxFolders) {
        index_.erase(folders_.back().first);
        folders_.pop_back();
    }
    return file;
}

std::optional<FoundCover> CoverFinder::Find(const std::string& trackPath, uint32_t channelType) {
    if (trackPath.empty() || IsStreamAddress(trackPath)) return std::nullopt;
    if (auto embedded = ReadEmbeddedCover(reader_, trackPath, channelType))
        return FoundCover{std::move(*embedded), {}};
    const std::string folder(FolderOf(trackPath));
    if (folder.empty()) return std::nullopt;
    const std::string file = FolderCoverFile(folder);
    if (file.empty()) return std::nullopt;
    auto bytes = ReadPictureFile(file);
    if (!bytes) return std::nullopt;
    return FoundCover{CoverPicture{std::move(*bytes)}, file};
}

}  // namespace sonvaro
