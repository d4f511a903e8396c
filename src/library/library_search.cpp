#include "library/library_search.h"

#include <algorithm>

#include "core/text.h"

namespace sonvaro {

std::vector<std::string> SearchTerms(std::string_view text) {
    const std::string folded = FoldCase(TrimSpaces(text));
    std::vector<std::string> terms;
    size_t start = 0;
    while (true) {
        const size_t space = folded.find(' ', start);
        terms.push_back(folded.substr(start, space - start));
        if (space == std::string::npos) break;
        start = space + 1;
    }
    return terms;
}

bool MatchesText(const TrackInfo& info, const std::vector<std::string>& foldedTerms, uint8_t searchIn,
                 std::string& scratch) {
    if ((searchIn & kSearchEverything) == 0) return false;
    const std::pair<uint8_t, const std::string*> fields[] = {
        {kSearchTitle, &info.title}, {kSearchArtist, &info.artist},   {kSearchAlbum, &info.album},
        {kSearchGenre, &info.genre}, {kSearchComment, &info.comment}, {kSearchPath, &info.path},
    };
    // Fields are folded when a term first needs them, each at most once per
    // entry, into one reused buffer ("\0" between them: a term never spans two).
    size_t begin[6], end[6];
    bool folded[6] = {};
    scratch.clear();
    for (const std::string& term : foldedTerms) {
        bool found = false;
        for (size_t f = 0; f < 6 && !found; ++f) {
            if (!(searchIn & fields[f].first)) continue;
            if (!folded[f]) {
                begin[f] = scratch.size();
                AppendFoldCase(scratch, *fields[f].second);
                end[f] = scratch.size();
                scratch += '\0';
                folded[f] = true;
            }
            found = std::string_view(scratch.data() + begin[f], end[f] - begin[f]).find(term) !=
                    std::string_view::npos;
        }
        if (!found) return false;
    }
    return true;
}

namespace {

bool Shown(const LibraryEntry& entry, SearchMode mode, const std::vector<std::string>& terms,
           const std::string& foldedAlbum, uint8_t searchIn, std::string& scratch) {
    const bool station = IsStreamAddress(entry.info.path);
    if (mode == SearchMode::Stations) return station;
    if (station) return false;
    switch (mode) {
        case SearchMode::All:
            return true;
        case SearchMode::MostPlayed:
            return entry.playCount > 0;
        case SearchMode::LastPlayed:
            return entry.lastPlayed > 0;
        case SearchMode::NeverPlayed:
            return entry.playCount == 0 && entry.lastPlayed == 0;
        case SearchMode::Bookmarks:
            return (entry.flags & 1) != 0;
        case SearchMode::Text:
            return MatchesText(entry.info, terms, searchIn, scratch);
        // Trimmed like the album box's items, so an album with a trailing space finds itself.
        case SearchMode::Album:
            return EqualsNoCase(TrimSpaces(entry.info.album), TrimSpaces(foldedAlbum));
        case SearchMode::Stations:
            break;
    }
    return false;
}

}  // namespace

std::optional<SearchResult> SearchLibrary(Library& library, const SearchRequest& request) {
    SearchResult result;
    result.mode = request.mode;
    result.albumsRebuilt = request.mode != SearchMode::Album;
    const std::vector<std::string> terms =
        request.mode == SearchMode::Text ? SearchTerms(request.text) : std::vector<std::string>{};
    const std::string foldedAlbum = FoldCase(request.album);
    std::string scratch;
    // Albums seen, folded, for the case-insensitive distinctness check.
    std::vector<std::pair<std::string, std::string>> albums;  // folded, as shown
    {
        std::lock_guard lock(library.libraryLock);
        if (library.entries.empty()) return std::nullopt;
        const auto& entries = library.entries;
        for (size_t i = 0; i < entries.size(); ++i) {
            const LibraryEntry& entry = entries[i];
            if (!Shown(entry, request.mode, terms, foldedAlbum, request.searchIn, scratch)) continue;
            result.rows.push_back({entry, i});
            if (result.albumsRebuilt) {
                const std::string_view album = TrimSpaces(entry.info.album);
                if (!album.empty()) albums.emplace_back(FoldCase(album), std::string(album));
            }
        }
    }
    if (request.mode == SearchMode::MostPlayed)
        std::stable_sort(result.rows.begin(), result.rows.end(), [](const SearchRow& a, const SearchRow& b) {
            return a.entry.playCount > b.entry.playCount;
        });
    if (request.mode == SearchMode::LastPlayed)
        std::stable_sort(result.rows.begin(), result.rows.end(), [](const SearchRow& a, const SearchRow& b) {
            return a.entry.lastPlayed > b.entry.lastPlayed;
        });
    if (result.albumsRebuilt) {
        // The first spelling met in library order stands for its folded group.
        std::stable_sort(albums.begin(), albums.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        albums.erase(std::unique(albums.begin(), albums.end(),
                                 [](const auto& a, const auto& b) { return a.first == b.first; }),
                     albums.end());
        for (auto& [folded, shown] : albums) result.albums.push_back(std::move(shown));
        std::sort(result.albums.begin(), result.albums.end());
    }
    return result;
}

ptrdiff_t ResolveRow(const Library& library, const SearchRow& row) {
    const auto& entries = library.entries;
    const std::string& path = row.entry.info.path;
    if (row.indexHint < entries.size() && entries[row.indexHint].info.path == path)
        return static_cast<ptrdiff_t>(row.indexHint);
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].info.path == path) return static_cast<ptrdiff_t>(i);
    return -1;
}

std::optional<std::string> Autocomplete::Complete(Library& library, std::string_view typed,
                                                  uint8_t searchIn) {
    const size_t n = typed.size();
    if (n <= lastLength_) {
        lastLength_ = n;
        return std::nullopt;
    }
    lastLength_ = n;
    if (n == 0 || (searchIn & (kSearchEverything & ~kSearchPath)) == 0) return std::nullopt;
    std::lock_guard lock(library.libraryLock);
    for (const LibraryEntry& entry : library.entries) {
        const TrackInfo& info = entry.info;
        const std::pair<uint8_t, const std::string*> fields[] = {
            {kSearchTitle, &info.title}, {kSearchArtist, &info.artist},   {kSearchAlbum, &info.album},
            {kSearchGenre, &info.genre}, {kSearchComment, &info.comment},
        };
        for (const auto& [bit, value] : fields)
            if ((searchIn & bit) && StartsWithNoCase(*value, typed)) return *value;
    }
    return std::nullopt;
}

}  // namespace sonvaro
