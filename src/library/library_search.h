#pragma once
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "library/library.h"
#include "library/library_browse.h"

namespace sonvaro {

// The items of the mode box, then the two searches started elsewhere.
enum class SearchMode : int {
    All = 0,          // "Datenbank"
    MostPlayed = 1,   // "Am meisten abgespielt"
    LastPlayed = 2,   // "Zuletzt abgespielt"
    NeverPlayed = 3,  // "Noch nie abgespielt"
    Bookmarks = 4,    // "Lesezeichen"
    Text = 5,         // the search field
    Album = 6,        // the album box
    Stations = 7,     // "Internet Stream"
    Browse = 8,       // what is chosen in the artist and album browser
};

// Bits of MediaLib_SearchIn.
enum SearchInBit : uint8_t {
    kSearchTitle = 1,
    kSearchArtist = 2,
    kSearchAlbum = 4,
    kSearchGenre = 8,
    kSearchComment = 16,
    kSearchPath = 32,
    kSearchEverything = 63,
};

struct SearchRequest {
    SearchMode mode = SearchMode::All;
    std::string text;   // mode Text: the field's text as typed
    std::string album;  // mode Album: the chosen album
    uint8_t searchIn = kSearchEverything;
    BrowseChoice browse;  // mode Browse
};

// The texts a row shows, in the order they are kept in SearchResult::texts.
enum class RowField { Title, Artist, Album, Genre, Address, Count };

// One row of the view: its entry's identity, where that entry was (only a
// hint: a removal may have staled it), and what the view shows of it, taken
// under the lock so that painting needs none. Its texts lie one after the
// other in the result's text store, from textAt on.
struct SearchRow {
    uint64_t id = 0;
    size_t indexHint = 0;
    size_t textAt = 0;
    uint32_t textSize[static_cast<int>(RowField::Count)] = {};
    int32_t length = 0;
    int32_t channelType = 0;
    int32_t lastPlayed = 0;
    int16_t trackNumber = 0;
    int16_t year = 0;
    int16_t playCount = 0;
};

struct SearchResult {
    SearchMode mode = SearchMode::All;
    std::vector<SearchRow> rows;
    std::string texts;  // the rows' texts
    // Distinct albums (trimmed, case-insensitively distinct), byte order.
    // Not rebuilt by an album search: the box keeps the previous list.
    std::vector<std::string> albums;
    bool albumsRebuilt = true;

    std::string_view Text(const SearchRow& row, RowField field) const;
    // Sets the row's shown values from `entry` (its address only for a station).
    void Fill(SearchRow& row, const LibraryEntry& entry);
};

// Runs one search under the library lock. nullopt when the library is empty
// (the view keeps what it shows).
std::optional<SearchResult> SearchLibrary(Library& library, const SearchRequest& request);

// True when every space-separated term of `foldedText` occurs in one of the
// fields chosen by `searchIn`.
bool MatchesText(const TrackInfo& info, const std::vector<std::string>& foldedTerms, uint8_t searchIn,
                 std::string& scratch);
std::vector<std::string> SearchTerms(std::string_view text);

// The library entry behind `row` now: the hinted index while it still is the
// row's entry, else wherever that entry went; -1 when it is gone. Call under
// the lock.
ptrdiff_t ResolveRow(const Library& library, const SearchRow& row);

// The search field's completion: the first value (title, artist, album,
// genre, comment, as enabled) in library order that starts with `typed`
// case-insensitively. Deleting characters never completes.
class Autocomplete {
  public:
    // nullopt when nothing is to be completed; otherwise the whole value (the
    // part after typed.size() bytes is what the field selects).
    std::optional<std::string> Complete(Library& library, std::string_view typed, uint8_t searchIn);
    void Reset() { lastTyped_.clear(); }

  private:
    // What was typed last: a text that starts it was made by deleting.
    std::string lastTyped_;
};

}  // namespace sonvaro
