#include "library/library_browse.h"

#include <algorithm>
#include <unordered_map>

#include "core/text.h"
#include "library/library_search.h"

namespace sonvaro {
namespace {

constexpr uint8_t kBrowseFields = kSearchTitle | kSearchArtist | kSearchAlbum;

bool Matches(const TrackInfo& info, const std::vector<std::string>& terms, std::string& scratch) {
    if (terms.size() == 1 && terms[0].empty()) return true;
    return MatchesText(info, terms, kBrowseFields, scratch);
}

// Groups met in library order, found again by key.
template <typename Group>
Group& GroupOf(std::vector<Group>& groups, std::unordered_map<std::string, size_t>& index,
               std::string_view name, std::string& key) {
    FoldCaseInto(name, key);
    const auto [at, added] = index.try_emplace(key, groups.size());
    if (added) {
        Group& g = groups.emplace_back();
        g.name.assign(name);
        g.key = key;
    }
    return groups[at->second];
}

}  // namespace

std::string BrowseKey(std::string_view name) {
    return FoldCase(TrimSpaces(name));
}

bool InBrowseChoice(const TrackInfo& info, const BrowseChoice& choice, const std::vector<std::string>& terms,
                    std::string& scratch) {
    if (IsStreamAddress(info.path)) return false;
    if (choice.artistKey && !EqualsNoCase(TrimSpaces(info.artist), *choice.artistKey)) return false;
    if (choice.albumKey && !EqualsNoCase(TrimSpaces(info.album), *choice.albumKey)) return false;
    return Matches(info, terms, scratch);
}

BrowseIndex BrowseLibrary(Library& library, std::string_view filter) {
    BrowseIndex result;
    const std::vector<std::string> terms = SearchTerms(filter);
    std::unordered_map<std::string, size_t> artistIndex;
    std::vector<std::unordered_map<std::string, size_t>> albumIndex;
    std::string scratch, key;
    {
        std::lock_guard lock(library.libraryLock);
        for (const LibraryEntry& entry : library.entries) {
            const TrackInfo& info = entry.info;
            if (IsStreamAddress(info.path) || !Matches(info, terms, scratch)) continue;
            BrowseArtist& artist = GroupOf(result.artists, artistIndex, TrimSpaces(info.artist), key);
            const auto artistAt = static_cast<size_t>(&artist - result.artists.data());
            if (albumIndex.size() <= artistAt) albumIndex.resize(artistAt + 1);
            BrowseAlbum& album = GroupOf(artist.albums, albumIndex[artistAt], TrimSpaces(info.album), key);
            if (album.tracks++ == 0) album.firstPath = info.path;
            if (album.year == 0 && info.year > 0) album.year = info.year;
            ++artist.tracks;
            ++result.tracks;
        }
    }
    // Named groups first, in the order of their keys; the nameless one last.
    const auto byKey = [](const auto& a, const auto& b) {
        if (a.key.empty() != b.key.empty()) return b.key.empty();
        return a.key < b.key;
    };
    for (BrowseArtist& artist : result.artists)
        std::sort(artist.albums.begin(), artist.albums.end(),
                  [&](const BrowseAlbum& a, const BrowseAlbum& b) {
                      if ((a.year > 0) != (b.year > 0)) return a.year > 0;
                      if (a.year != b.year) return a.year < b.year;
                      return byKey(a, b);
                  });
    std::sort(result.artists.begin(), result.artists.end(), byKey);
    return result;
}

}  // namespace sonvaro
