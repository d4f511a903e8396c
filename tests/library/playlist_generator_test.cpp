// The generator's rules: filters, the shuffle, the count and time limits.
#include "library/playlist_generator.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace sonvaro {
namespace {

LibraryEntry Song(const std::string& path, const std::string& artist, const std::string& genre,
                  int32_t length, int16_t plays = 0, int32_t lastPlayed = 0) {
    LibraryEntry e;
    e.info.path = path;
    e.info.artist = artist;
    e.info.genre = genre;
    e.info.length = length;
    e.playCount = plays;
    e.lastPlayed = lastPlayed;
    return e;
}

void FillSongs(Library& lib, int n, int32_t length) {
    for (int i = 0; i < n; ++i)
        lib.entries.push_back(Song("/m/" + std::to_string(i) + ".mp3", "A", "Rock", length));
}

std::vector<std::string> Generate(Library& lib, const GeneratorRequest& request, size_t already = 0) {
    std::mt19937 random(42);
    const auto picks = FindGeneratorPicks(lib, request, random);
    if (!picks) return {"not enough"};
    std::vector<std::string> playlist(already, "old");
    AddGeneratorPicks(
        *picks, request, [&] { return playlist.size(); },
        [&](const std::string& path) { playlist.push_back(path); });
    return std::vector<std::string>(playlist.begin() + static_cast<ptrdiff_t>(already), playlist.end());
}

TEST(PlaylistGenerator, InputErrors) {
    GeneratorRequest r;
    r.byCount = true;
    r.count = 0;
    ASSERT_TRUE(GeneratorInputError(r));
    EXPECT_EQ(GeneratorInputError(r)->substr(0, 55), "Bitte geben Sie einen Wert größer 0 bei 'Anzahl' ein.");
    r.count = -2;
    EXPECT_TRUE(GeneratorInputError(r));
    r.count = -1;
    EXPECT_FALSE(GeneratorInputError(r));
    r.byCount = false;
    r.durationSeconds = 0;
    EXPECT_EQ(GeneratorInputError(r),
              std::optional<std::string>("Bitte geben Sie die Gesamtdauer der Wiedergabeliste ein."));
}

TEST(PlaylistGenerator, CountMinusOneTakesEveryMatchShuffled) {
    Library lib;
    FillSongs(lib, 40, 200);
    GeneratorRequest r;
    r.byCount = true;
    r.count = -1;
    std::vector<std::string> got = Generate(lib, r);
    ASSERT_EQ(got.size(), 40u);
    std::vector<std::string> inOrder;
    for (const auto& e : lib.entries) inOrder.push_back(e.info.path);
    EXPECT_NE(got, inOrder);  // shuffled (seed 42)
    std::sort(got.begin(), got.end());
    std::sort(inOrder.begin(), inOrder.end());
    EXPECT_EQ(got, inOrder);
}

TEST(PlaylistGenerator, AddingToTenEntriesWithCount25AddsFifteen) {
    Library lib;
    FillSongs(lib, 30, 200);
    GeneratorRequest r;
    r.byCount = true;
    r.count = 25;
    r.addToPlaylist = true;
    EXPECT_EQ(Generate(lib, r, 10).size(), 15u);
    EXPECT_EQ(Generate(lib, r, 0).size(), 25u);
    r.count = 31;
    EXPECT_EQ(Generate(lib, r), std::vector<std::string>{"not enough"});
}

TEST(PlaylistGenerator, ThirtyMinutesOfFourMinuteTitlesIsEight) {
    Library lib;
    FillSongs(lib, 20, 240);
    GeneratorRequest r;
    r.durationSeconds = 30 * 60;
    EXPECT_EQ(Generate(lib, r).size(), 8u);
    r.durationSeconds = 20 * 240 + 1;
    EXPECT_EQ(Generate(lib, r), std::vector<std::string>{"not enough"});
}

TEST(PlaylistGenerator, TermsGenresAndPlayedFilters) {
    Library lib;
    lib.entries = {Song("/m/a.mp3", "Rockers", "Jazz", 100, 1, 50), Song("/m/pop/b.mp3", "X", "Metal", 100),
                   Song("/m/c.mp3", "Y", "Pop", 100, 2, 0), Song("/m/d.mp3", "Z", "jazz", 100, 0, 60)};
    GeneratorRequest r;
    r.byCount = true;
    r.count = -1;
    r.useTerms = true;
    r.terms = "  ROCK|pop  ";
    auto got = Generate(lib, r);
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, (std::vector<std::string>{"/m/a.mp3", "/m/pop/b.mp3"}));
    // Blanks beside the bar stay part of the terms.
    EXPECT_EQ(GeneratorTerms(" Rock | pop "), (std::vector<std::string>{"rock ", " pop"}));
    r.terms = "rock | pop";
    EXPECT_EQ(Generate(lib, r), std::vector<std::string>{"not enough"});  // "rock " and " pop" occur nowhere

    r.useTerms = false;
    r.useGenres = true;
    r.genres = {"Jazz"};
    got = Generate(lib, r);
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, (std::vector<std::string>{"/m/a.mp3", "/m/d.mp3"}));
    r.playedOnly = true;  // d was never counted, c has no date
    EXPECT_EQ(Generate(lib, r), std::vector<std::string>{"/m/a.mp3"});
    // Terms and genres together: both must hold.
    r.playedOnly = false;
    r.useTerms = true;
    r.terms = "pop";
    EXPECT_EQ(Generate(lib, r), std::vector<std::string>{"not enough"});
    r.genres = {"Metal"};
    EXPECT_EQ(Generate(lib, r), std::vector<std::string>{"/m/pop/b.mp3"});
}

TEST(PlaylistGenerator, GenreChoiceWithoutGenresFindsNothing) {
    Library lib;
    FillSongs(lib, 5, 240);
    GeneratorRequest r;
    r.useGenres = true;
    r.durationSeconds = 60;
    EXPECT_EQ(Generate(lib, r), std::vector<std::string>{"not enough"});
    r.byCount = true;
    r.count = -1;  // even "all of them" of nothing changes no playlist
    EXPECT_EQ(Generate(lib, r), std::vector<std::string>{"not enough"});
}

}  // namespace
}  // namespace sonvaro
