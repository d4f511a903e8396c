// Where a track's picture comes from: the picture in its tags, else a picture
// file beside it (cover.*, folder.*, front.*, album.*).
#pragma once
#include <cstddef>
#include <cstdint>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "tags/cover_art.h"

namespace sonvaro {

class TagReader;

struct FoundCover {
    CoverPicture picture;
    std::string file;  // the picture file it was read from; empty when it came from the tags
};

// The picture file among `names` of one folder: a base name of cover, folder,
// front, album (in that order of preference) with the extension jpg, jpeg,
// png or webp, all in any letter case; of equally good names the first in
// byte order. Empty when there is none.
std::string PreferredCoverName(const std::vector<std::string>& names);

// Safe to use from several threads. Which picture file a folder holds is
// looked up once per folder and kept (for the most recently used folders); a
// kept file that has gone is looked up again.
class CoverFinder {
  public:
    static constexpr std::size_t kMaxFolders = 1024;
    // Folders with more entries are only looked at for their first ones.
    static constexpr std::size_t kMaxFolderEntries = 20000;

    explicit CoverFinder(TagReader& reader) : reader_(reader) {}

    // The track's picture; nullopt when it has none (a stream address has none).
    std::optional<FoundCover> Find(const std::string& trackPath, uint32_t channelType = 0);
    // The picture file beside the tracks of `folder` (ending in "/"): the
    // best-named non-empty regular file within the size limit; empty for none.
    std::string FolderCoverFile(const std::string& folder);

  private:
    TagReader& reader_;
    std::mutex lock_;
    // Most recently used first.
    std::list<std::pair<std::string, std::string>> folders_;
    std::unordered_map<std::string_view, std::list<std::pair<std::string, std::string>>::iterator> index_;
};

// Reads a picture file of at most kMaxCoverBytes; nullopt when it is larger,
// empty, no regular file or cannot be read.
std::optional<std::string> ReadPictureFile(const std::string& path);

}  // namespace sonvaro
