// Browsing by artist and album: how names are grouped, counted and ordered,
// the filter, and the tracks a choice stands for.
#include "library/library_browse.h"

#include <gtest/gtest.h>

#include "library/library_search.h"

namespace sonvaro {
namespace {

LibraryEntry Track(const std::string& path, const std::string& title, const std::string& artist,
                   const std::string& album, int16_t year = 0, int16_t number = -1) {
    LibraryEntry e;
    e.info.path = path;
    e.info.title = title;
    e.info.artist = artist;
    e.info.album = album;
    e.info.year = year;
    e.info.trackNumber = number;
    return e;
}

void Fill(Library& lib) {
    lib.entries = {
        Track("/m/b2.mp3", "Second", "Bert", "Later", 2001, 2),
        Track("/m/a1.mp3", "One", " anna ", "Debut", 0, 1),
        Track("/m/b1.mp3", "First", "Bert", "Later", 2001, 1),
        Track("/m/b3.mp3", "Old", "BERT", "early", 1990, 1),
        Track("/m/a2.mp3", "Two", "Anna", "debut ", 1999, 2),
        Track("/m/x.mp3", "Nameless", "", "", 0, 1),
        Track("/m/o.mp3", "Ölig", "Ödön", "Öl", 0, 1),
        Track("http://radio.example/live", "Radio", "Station", "Live"),
        Track("/m/b4.mp3", "Loose", "Bert", "", 1985, 3),
    };
}

std::string Shown(const BrowseIndex& index) {
    std::string out;
    for (const BrowseArtist& artist : index.artists) {
        out += artist.name + "(" + std::to_string(artist.tracks) + "):";
        for (const BrowseAlbum& album : artist.albums)
            out += " " + album.name + "/" + std::to_string(album.year) + "/" + std::to_string(album.tracks);
        out += "\n";
    }
    return out;
}

std::vector<std::string> Titles(Library& lib, const BrowseChoice& choice) {
    SearchRequest request;
    request.mode = SearchMode::Browse;
    request.browse = choice;
    std::vector<std::string> out;
    const auto result = SearchLibrary(lib, request);
    for (const SearchRow& row : result->rows) out.emplace_back(result->Text(row, RowField::Title));
    return out;
}

TEST(LibraryBrowse, NamesAreGroupedTrimmedAndCaseBlindInTheirFirstSpellingAndSorted) {
    Library lib;
    Fill(lib);
    const BrowseIndex index = BrowseLibrary(lib, "");
    // Albums by year, those without one last; the first year met counts; no name last; no stations.
    EXPECT_EQ(Shown(index),
              "anna(2): Debut/1999/2\n"
              "Bert(4): /1985/1 early/1990/1 Later/2001/2\n"
              "Ödön(1): Öl/0/1\n"
              "(1): /0/1\n");
    EXPECT_EQ(index.tracks, 8u);
    EXPECT_EQ(index.artists[0].key, "anna");
    EXPECT_EQ(index.artists[0].albums[0].firstPath, "/m/a1.mp3");
}

TEST(LibraryBrowse, AlbumsWithoutAYearComeAfterThoseWithOne) {
    Library lib;
    lib.entries = {Track("/m/1.mp3", "a", "X", "Zed", 0), Track("/m/2.mp3", "b", "X", "Bee", 2005),
                   Track("/m/3.mp3", "c", "X", "Aye", 0), Track("/m/4.mp3", "d", "X", "Cee", 1970)};
    EXPECT_EQ(Shown(BrowseLibrary(lib, "")), "X(4): Cee/1970/1 Bee/2005/1 Aye/0/1 Zed/0/1\n");
}

TEST(LibraryBrowse, TheFilterKeepsTracksWhoseTitleArtistOrAlbumHoldEveryTerm) {
    Library lib;
    Fill(lib);
    EXPECT_EQ(Shown(BrowseLibrary(lib, "bert LATER")), "Bert(2): Later/2001/2\n");
    EXPECT_EQ(Shown(BrowseLibrary(lib, "  old ")), "BERT(1): early/1990/1\n");
    EXPECT_EQ(Shown(BrowseLibrary(lib, "öl")), "Ödön(1): Öl/0/1\n");
    // A station's name is never found.
    EXPECT_TRUE(BrowseLibrary(lib, "radio").artists.empty());
    EXPECT_TRUE(BrowseLibrary(lib, "nothing such").artists.empty());
}

TEST(LibraryBrowse, AChoiceListsItsTracksInTheBrowsersOrder) {
    Library lib;
    Fill(lib);
    // An artist's albums as the tree has them (by year), each by track number.
    EXPECT_EQ(Titles(lib, {"", std::string("bert"), std::nullopt}),
              (std::vector<std::string>{"Loose", "Old", "First", "Second"}));
    EXPECT_EQ(Titles(lib, {"", std::string("bert"), std::string("later")}),
              (std::vector<std::string>{"First", "Second"}));
    // The nameless artist's tracks; the album without a name.
    EXPECT_EQ(Titles(lib, {"", std::string(""), std::nullopt}), (std::vector<std::string>{"Nameless"}));
    EXPECT_EQ(Titles(lib, {"", std::string("bert"), std::string("")}), (std::vector<std::string>{"Loose"}));
    // Nothing chosen: every track that passes the filter, artist by artist; never a station.
    EXPECT_EQ(Titles(lib, {"o", std::nullopt, std::nullopt}),
              (std::vector<std::string>{"One", "Two", "Loose", "Old", "Second"}));
    EXPECT_EQ(Titles(lib, {"radio", std::nullopt, std::nullopt}), (std::vector<std::string>{}));
}

}  // namespace
}  // namespace sonvaro
