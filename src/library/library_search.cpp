#include "library/library_search.h"

#include <algorithm>
#include <unordered_map>

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

bool Shown(const LibraryEntry& entry, const SearchRequest& request, const std::vector<std::string>& terms,
           const std::string& foldedAlbum, std::string& scratch) {
    const SearchMode mode = request.mode;
    const uint8_t searchIn = request.searchIn;
    if (mode == SearchMode::Browse) return InBrowseChoice(entry.info, request.browse, terms, scratch);
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
        case SearchMode::Browse:
            break;
    }
    return false;
}

// Tracks in the browser's order: artist (none last), the album's year (none
// last), album, track number (none last); otherwise in library order.
void SortAsBrowsed(SearchResult& result) {
    struct Rank {
        std::string artist, album;
        int year = INT16_MAX, track = INT16_MAX;
    };
    std::vector<Rank> ranks(result.rows.size());
    std::unordered_map<std::string, int> albumYears;  // artist '\0' album -> the first year met
    for (size_t i = 0; i < ranks.size(); ++i) {
        const SearchRow& row = result.rows[i];
        Rank& r = ranks[i];
        r.artist = BrowseKey(result.Text(row, RowField::Artist));
        r.album = BrowseKey(result.Text(row, RowField::Album));
        if (row.trackNumber >= 0) r.track = row.trackNumber;
        int& year = albumYears.try_emplace(r.artist + '\0' + r.album, INT16_MAX).first->second;
        if (year == INT16_MAX && row.year > 0) year = row.year;
    }
    for (Rank& r : ranks) r.year = albumYears[r.artist + '\0' + r.album];
    std::vector<size_t> order(ranks.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const Rank &x = ranks[a], &y = ranks[b];
        if (x.artist != y.artist)
            return x.artist.empty() != y.artist.empty() ? y.artist.empty() : x.artist < y.artist;
        if (x.year != y.year) return x.year < y.year;
        if (x.album != y.album)
            return x.album.empty() != y.album.empty() ? y.album.empty() : x.album < y.album;
        return x.track < y.track;
    });
    std::vector<SearchRow> sorted;
    sorted.reserve(order.size());
    for (size_t i : order) sorted.push_back(result.rows[i]);
    result.rows = std::move(sorted);
}

}  // namespace

std::string_view SearchResult::Text(const SearchRow& row, RowField field) const {
    size_t at = row.textAt;
    for (int f = 0; f < static_cast<int>(field); ++f) at += row.textSize[f];
    return std::string_view(texts).substr(at, row.textSize[static_cast<int>(field)]);
}

void SearchResult::Fill(SearchRow& row, const LibraryEntry& entry) {
    const TrackInfo& info = entry.info;
    row.textAt = texts.size();
    const bool station = mode == SearchMode::Stations;
    const std::string_view shown[] = {info.title, info.artist, info.album, info.genre,
                                      station ? std::string_view(info.path) : std::string_view()};
    for (int f = 0; f < static_cast<int>(RowField::Count); ++f) {
        // A text beyond 4 GiB cannot be a tag; it is cut.
        const size_t size = std::min<size_t>(shown[f].size(), UINT32_MAX);
        texts.append(shown[f].substr(0, size));
        row.textSize[f] = static_cast<uint32_t>(size);
    }
    row.length = info.length;
    row.channelType = info.channelType;
    row.lastPlayed = entry.lastPlayed;
    row.trackNumber = info.trackNumber;
    row.year = info.year;
    row.playCount = entry.playCount;
}

std::optional<SearchResult> SearchLibrary(Library& library, const SearchRequest& request) {
    SearchResult result;
    result.mode = request.mode;
    result.albumsRebuilt = request.mode != SearchMode::Album && request.mode != SearchMode::Browse;
    const std::vector<std::string> terms = request.mode == SearchMode::Text ? SearchTerms(request.text)
                                           : request.mode == SearchMode::Browse
                                               ? SearchTerms(request.browse.filter)
                                               : std::vector<std::string>{};
    const std::string foldedAlbum = FoldCase(request.album);
    std::string scratch;
    // Albums met, folded, with the first spelling met in library order.
    std::unordered_map<std::string, std::string> albums;
    std::string lastAlbum, foldedScratch;
    {
        std::lock_guard lock(library.libraryLock);
        if (library.entries.empty()) return std::nullopt;
        auto& entries = library.entries;
        for (size_t i = 0; i < entries.size(); ++i) {
            LibraryEntry& entry = entries[i];
            if (!Shown(entry, request, terms, foldedAlbum, scratch)) continue;
            if (entry.id == 0) entry.id = ++library.lastId;
            SearchRow& row = result.rows.emplace_back();
            row.id = entry.id;
            row.indexHint = i;
            result.Fill(row, entry);
            if (result.albumsRebuilt) {
                const std::string_view album = TrimSpaces(entry.info.album);
                // Neighbours mostly share their album: only a change is looked up.
                if (album.empty() || album == lastAlbum) continue;
                lastAlbum.assign(album);
                FoldCaseInto(album, foldedScratch);
                if (!albums.contains(foldedScratch)) albums.emplace(foldedScratch, lastAlbum);
            }
        }
    }
    if (request.mode == SearchMode::MostPlayed)
        std::stable_sort(result.rows.begin(), result.rows.end(),
                         [](const SearchRow& a, const SearchRow& b) { return a.playCount > b.playCount; });
    if (request.mode == SearchMode::LastPlayed)
        std::stable_sort(result.rows.begin(), result.rows.end(),
                         [](const SearchRow& a, const SearchRow& b) { return a.lastPlayed > b.lastPlayed; });
    if (request.mode == SearchMode::Browse) SortAsBrowsed(result);
    if (result.albumsRebuilt) {
        result.albums.reserve(albums.size());
        for (auto& [folded, shown] : albums) result.albums.push_back(std::move(shown));
        std::sort(result.albums.begin(), result.albums.end());
    }
    return result;
}

ptrdiff_t ResolveRow(const Library& library, const SearchRow& row) {
    const auto& entries = library.entries;
    if (row.id == 0) return -1;
    if (row.indexHint < entries.size() && entries[row.indexHint].id == row.id)
        return static_cast<ptrdiff_t>(row.indexHint);
    // A removal moves entries only towards the front.
    for (size_t i = std::min(row.indexHint, entries.size()); i-- > 0;)
        if (entries[i].id == row.id) return static_cast<ptrdiff_t>(i);
    for (size_t i = row.indexHint; i < entries.size(); ++i)
        if (entries[i].id == row.id) return static_cast<ptrdiff_t>(i);
    return -1;
}

std::optional<std::string> Autocomplete::Complete(Library& library, std::string_view typed,
                                                  uint8_t searchIn) {
    const size_t n = typed.size();
    // Deleting never completes; a new first letter typed over the whole field does.
    const bool deleted = std::string_view(lastTyped_).starts_with(typed);
    lastTyped_.assign(typed);
    if (deleted) return std::nullopt;
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
