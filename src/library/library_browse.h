#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "library/library.h"

namespace sonvaro {

// The library's files by artist, then album. Names are trimmed and grouped
// without regard to case; the first spelling met in library order is shown.
// A key is the folded, trimmed name ("" for a file without one).
struct BrowseAlbum {
    std::string name, key;
    int16_t year = 0;  // the first year met among its tracks; 0 when none has one
    uint32_t tracks = 0;
    std::string firstPath;  // one of its files, for its cover
};

struct BrowseArtist {
    std::string name, key;
    uint32_t tracks = 0;
    std::vector<BrowseAlbum> albums;  // by year (those without one last), then by name
};

struct BrowseIndex {
    std::vector<BrowseArtist> artists;  // by folded name; no name last
    uint32_t tracks = 0;
};

// The artists and albums of the files whose title, artist or album holds
// every space-separated term of `filter` (case-insensitively; stations never).
// One pass under the library lock.
BrowseIndex BrowseLibrary(Library& library, std::string_view filter);

// Which tracks a choice in the browser stands for: every one that passes the
// filter, one artist's, or one album of one artist's.
struct BrowseChoice {
    std::string filter;
    std::optional<std::string> artistKey, albumKey;
};

// Whether `info` (not a station) belongs to `choice`; `terms` are the filter's
// SearchTerms, `scratch` a reused buffer.
bool InBrowseChoice(const TrackInfo& info, const BrowseChoice& choice, const std::vector<std::string>& terms,
                    std::string& scratch);

// The key of a name as the browser groups it.
std::string BrowseKey(std::string_view name);

}  // namespace sonvaro
