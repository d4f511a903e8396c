// Library search modes, the text search, albums, autocomplete, and the row
// operations that must act on their own entry after the library has changed.
#include "library/library_search.h"

#include <gtest/gtest.h>

#include "library/library_rows.h"

namespace sonvaro {
namespace {

LibraryEntry Track(const std::string& path, const std::string& title, const std::string& artist,
                   const std::string& album, const std::string& genre = {}, const std::string& comment = {}) {
    LibraryEntry e;
    e.info.path = path;
    e.info.title = title;
    e.info.artist = artist;
    e.info.album = album;
    e.info.genre = genre;
    e.info.comment = comment;
    return e;
}

std::vector<std::string> Titles(const SearchResult& r) {
    std::vector<std::string> out;
    for (const auto& row : r.rows) out.emplace_back(r.Text(row, RowField::Title));
    return out;
}

void Fill(Library& lib) {
    lib.entries = {
        Track("/m/1.mp3", "Blue Moon", "Anna", "Nights", "Jazz", "live"),
        Track("/m/2.mp3", "Red Sun", "Bert", "Days ", "Rock"),
        Track("/m/3.mp3", "Moon River", "Carla", "nights", "Pop", "studio"),
        Track("http://radio.example/a", "Radio A", "", "", "News"),
        Track("/m/ÄRGER.mp3", "Ärger", "Dora", "Ärger", "Punk"),
    };
}

SearchResult Find(Library& lib, SearchMode mode, const std::string& text = {}, uint8_t in = kSearchEverything,
                  const std::string& album = {}) {
    return *SearchLibrary(lib, {mode, text, album, in});
}

TEST(LibrarySearch, TwoWordsMayMatchDifferentFieldsAndTermsIgnoreCase) {
    Library lib;
    Fill(lib);
    EXPECT_EQ(Titles(Find(lib, SearchMode::Text, "moon ANNA")), (std::vector<std::string>{"Blue Moon"}));
    EXPECT_EQ(Titles(Find(lib, SearchMode::Text, "  moon  ")),
              (std::vector<std::string>{"Blue Moon", "Moon River"}));
    // The last two letters of a genre; folded letters beyond ASCII.
    EXPECT_EQ(Titles(Find(lib, SearchMode::Text, "ZZ")), (std::vector<std::string>{"Blue Moon"}));
    EXPECT_EQ(Titles(Find(lib, SearchMode::Text, "ck")), (std::vector<std::string>{"Red Sun"}));
    EXPECT_EQ(Titles(Find(lib, SearchMode::Text, "ärger")), (std::vector<std::string>{"Ärger"}));
    // Two spaces make an empty term, which matches everything.
    EXPECT_EQ(Titles(Find(lib, SearchMode::Text, "moon  river")), (std::vector<std::string>{"Moon River"}));
    // Stations never appear in a text search.
    EXPECT_TRUE(Find(lib, SearchMode::Text, "radio").rows.empty());
}

TEST(LibrarySearch, FieldOptionsChooseWhereTermsAreLookedFor) {
    Library lib;
    Fill(lib);
    EXPECT_EQ(Titles(Find(lib, SearchMode::Text, "studio", kSearchComment)),
              (std::vector<std::string>{"Moon River"}));
    EXPECT_TRUE(Find(lib, SearchMode::Text, "studio", kSearchEverything & ~kSearchComment).rows.empty());
    // Without the comment the title search is unchanged.
    EXPECT_EQ(Titles(Find(lib, SearchMode::Text, "moon", kSearchEverything & ~kSearchComment)),
              (std::vector<std::string>{"Blue Moon", "Moon River"}));
    EXPECT_EQ(Titles(Find(lib, SearchMode::Text, "3.mp3", kSearchPath)),
              (std::vector<std::string>{"Moon River"}));
    EXPECT_TRUE(Find(lib, SearchMode::Text, "moon", 0).rows.empty());
    // A term never spans the end of one field and the start of the next.
    EXPECT_TRUE(Find(lib, SearchMode::Text, "annanights", kSearchArtist | kSearchAlbum).rows.empty());
}

TEST(LibrarySearch, PlayedModesOrderAndFilter) {
    Library lib;
    Fill(lib);
    lib.entries[0].playCount = 2;
    lib.entries[0].lastPlayed = 500;
    lib.entries[2].playCount = 5;
    lib.entries[2].lastPlayed = 100;
    lib.entries[3].playCount = 9;  // a station
    lib.entries[4].lastPlayed = 900;
    lib.entries[1].flags = 1;
    EXPECT_EQ(Titles(Find(lib, SearchMode::MostPlayed)),
              (std::vector<std::string>{"Moon River", "Blue Moon"}));
    EXPECT_EQ(Titles(Find(lib, SearchMode::LastPlayed)),
              (std::vector<std::string>{"Ärger", "Blue Moon", "Moon River"}));
    EXPECT_EQ(Titles(Find(lib, SearchMode::NeverPlayed)), (std::vector<std::string>{"Red Sun"}));
    EXPECT_EQ(Titles(Find(lib, SearchMode::Bookmarks)), (std::vector<std::string>{"Red Sun"}));
    EXPECT_EQ(Titles(Find(lib, SearchMode::All)),
              (std::vector<std::string>{"Blue Moon", "Red Sun", "Moon River", "Ärger"}));
    const SearchResult stations = Find(lib, SearchMode::Stations);
    ASSERT_EQ(stations.rows.size(), 1u);
    EXPECT_EQ(stations.Text(stations.rows[0], RowField::Address), "http://radio.example/a");
}

TEST(LibrarySearch, AlbumsAreDistinctTrimmedSortedAndKeptByAnAlbumSearch) {
    Library lib;
    Fill(lib);
    const SearchResult all = Find(lib, SearchMode::All);
    EXPECT_EQ(all.albums, (std::vector<std::string>{"Days", "Nights", "Ärger"}));
    const SearchResult nights = Find(lib, SearchMode::Album, {}, kSearchEverything, "NIGHTS");
    EXPECT_EQ(Titles(nights), (std::vector<std::string>{"Blue Moon", "Moon River"}));
    EXPECT_FALSE(nights.albumsRebuilt);
    EXPECT_EQ(Titles(Find(lib, SearchMode::Album, {}, kSearchEverything, "Days")),
              (std::vector<std::string>{"Red Sun"}));

    Library empty;
    EXPECT_FALSE(SearchLibrary(empty, {SearchMode::All, {}, {}, kSearchEverything}).has_value());
}

TEST(LibrarySearch, HostileSearchTextsAreHarmless) {
    Library lib;
    Fill(lib);
    EXPECT_TRUE(Find(lib, SearchMode::Text, std::string(10000, 'x')).rows.empty());
    EXPECT_EQ(Find(lib, SearchMode::Text, std::string(10000, ' ')).rows.size(), 4u);  // blank: no term
    EXPECT_TRUE(Find(lib, SearchMode::Text, std::string("a\0b", 3)).rows.empty());
}

TEST(LibraryAutocomplete, CompletesInLibraryOrderAndNeverOnDelete) {
    Library lib;
    Fill(lib);
    Autocomplete complete;
    EXPECT_EQ(complete.Complete(lib, "mo", kSearchEverything), std::optional<std::string>("Moon River"));
    EXPECT_EQ(complete.Complete(lib, "m", kSearchEverything), std::nullopt);  // a deletion
    EXPECT_EQ(complete.Complete(lib, "ca", kSearchEverything), std::optional<std::string>("Carla"));
    EXPECT_EQ(complete.Complete(lib, "car", kSearchTitle), std::nullopt);  // artist not enabled
    EXPECT_EQ(complete.Complete(lib, "jazzy", kSearchEverything), std::nullopt);
    // The whole field typed over with a new first letter (after a search) completes again.
    EXPECT_EQ(complete.Complete(lib, "c", kSearchEverything), std::optional<std::string>("Carla"));
    EXPECT_EQ(complete.Complete(lib, "c", kSearchEverything), std::nullopt);  // the completion deleted
    complete.Reset();
    EXPECT_EQ(complete.Complete(lib, "ärg", kSearchEverything), std::optional<std::string>("Ärger"));
    complete.Reset();
    EXPECT_EQ(complete.Complete(lib, "B", kSearchGenre | kSearchArtist), std::optional<std::string>("Bert"));
    complete.Reset();
    EXPECT_EQ(complete.Complete(lib, "/m", kSearchPath), std::nullopt);  // the path is never completed
}

TEST(LibraryRows, ActionsFollowTheirOwnEntryAfterABackgroundRemoval) {
    Library lib;
    Fill(lib);
    const SearchResult shown = Find(lib, SearchMode::All);
    // The background refresh removes the first entry: every later index shifts.
    lib.entries.erase(lib.entries.begin());
    ASSERT_TRUE(SetRowBookmark(lib, shown.rows[1], true));
    EXPECT_EQ(lib.entries[0].info.title, "Red Sun");
    EXPECT_EQ(lib.entries[0].flags, 1);
    EXPECT_EQ(lib.entries[1].flags, 0);
    LibraryEntry current;
    ASSERT_TRUE(CurrentEntry(lib, shown.rows[2], current));
    EXPECT_EQ(current.info.path, "/m/3.mp3");
    ASSERT_TRUE(RemoveRowEntry(lib, shown.rows[3]));
    EXPECT_EQ(lib.entries.back().info.path, "http://radio.example/a");
    // The removed entry's row acts on nothing.
    EXPECT_FALSE(SetRowBookmark(lib, shown.rows[0], true));
    EXPECT_FALSE(RemoveRowEntry(lib, shown.rows[0]));
    EXPECT_EQ(lib.entries.size(), 3u);
    ASSERT_TRUE(SetRowBookmark(lib, shown.rows[1], false));
    EXPECT_EQ(lib.entries[0].flags, 0);
}

TEST(LibraryRows, ShowTheirEntrysValuesAndKnowItAfterTheListChanged) {
    Library lib;
    Fill(lib);
    lib.entries[2].playCount = 4;
    lib.entries[2].info.trackNumber = 9;
    lib.entries[2].info.length = 245;
    const SearchResult shown = Find(lib, SearchMode::Text, "moon");
    ASSERT_EQ(shown.rows.size(), 2u);
    const SearchRow& river = shown.rows[1];
    EXPECT_EQ(shown.Text(river, RowField::Title), "Moon River");
    EXPECT_EQ(shown.Text(river, RowField::Artist), "Carla");
    EXPECT_EQ(shown.Text(river, RowField::Album), "nights");
    EXPECT_EQ(shown.Text(river, RowField::Genre), "Pop");
    EXPECT_EQ(shown.Text(river, RowField::Address), "");  // only stations show their address
    EXPECT_EQ(river.playCount, 4);
    EXPECT_EQ(river.trackNumber, 9);
    EXPECT_EQ(river.length, 245);

    // The entry is removed and its file added again by a scan: a new entry, not the row's.
    lib.entries.erase(lib.entries.begin() + 2);
    lib.entries.insert(lib.entries.begin(), Track("/m/0.mp3", "New", "", ""));
    LibraryEntry readded = Track("/m/3.mp3", "Moon River", "Carla", "nights");
    lib.entries.push_back(readded);
    LibraryEntry current;
    EXPECT_FALSE(CurrentEntry(lib, river, current));
    // The other row's entry moved one place back and is still found.
    ASSERT_TRUE(CurrentEntry(lib, shown.rows[0], current));
    EXPECT_EQ(current.info.path, "/m/1.mp3");
    // A second search gives each entry its own identity.
    const SearchResult all = Find(lib, SearchMode::All);
    for (size_t a = 0; a < all.rows.size(); ++a)
        for (size_t b = a + 1; b < all.rows.size(); ++b) EXPECT_NE(all.rows[a].id, all.rows[b].id);
}

TEST(LibraryStations, HttpAndHttpsOnceEachNothingElse) {
    Library lib;
    EXPECT_EQ(AddRadioStation(lib, "http://a.example/live"), StationAdd::Added);
    EXPECT_EQ(AddRadioStation(lib, "HTTP://A.example/LIVE"), StationAdd::Duplicate);
    EXPECT_EQ(AddRadioStation(lib, "https://b.example/live.mp3"), StationAdd::Added);
    EXPECT_EQ(AddRadioStation(lib, "ftp://c.example/x"), StationAdd::Invalid);
    EXPECT_EQ(AddRadioStation(lib, "http://"), StationAdd::Invalid);
    EXPECT_EQ(AddRadioStation(lib, "https://"), StationAdd::Invalid);
    EXPECT_EQ(AddRadioStation(lib, "/home/x.mp3"), StationAdd::Invalid);
    EXPECT_EQ(AddRadioStation(lib, "http://x/" + std::string(10000, 'q')), StationAdd::Added);
    ASSERT_EQ(lib.entries.size(), 3u);
    EXPECT_EQ(lib.entries[1].info.trackNumber, 0);
    EXPECT_EQ(lib.entries[1].info.title, "");
    EXPECT_EQ(Find(lib, SearchMode::Stations).rows.size(), 3u);
    EXPECT_TRUE(Find(lib, SearchMode::All).rows.empty());
}

}  // namespace
}  // namespace sonvaro
