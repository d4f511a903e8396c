#include "playlist/cue_sheet.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/status_log.h"
#include "core/text.h"
#include "playlist/playlist_display.h"
#include "playlist/playlist_editing.h"
#include "playlist/playlist_file.h"
#include "settings/settings.h"
#include "support/fixtures.h"
#include "support/test_support.h"
#include "tags/track_info_reader.h"

namespace sonvaro {
namespace {

std::vector<int> Numbers(const CueSheet& sheet) {
    std::vector<int> out;
    for (const CueTrack& t : sheet.tracks) out.push_back(t.number);
    return out;
}

TEST(CueSheetParse, TracksTakeTheirTimesTextsAndFileFromTheSheet) {
    const CueSheet sheet = ParseCueSheet(
        "\xEF\xBB\xBFREM GENRE Rock\r\nPERFORMER \"Die Band\"\r\nTITLE \"Das Album\"\r\n"
        "FILE \"CD 1.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n    TITLE \"Eins\"\r\n    INDEX 01 00:00:00\r\n"
        "  TRACK 02 AUDIO\r\n    TITLE Zwei\r\n    PERFORMER \"Gast\"\r\n    INDEX 00 00:01:00\r\n"
        "    INDEX 01 00:02:37\r\nFILE /abs/other.flac WAVE\r\n  TRACK 03 AUDIO\n    INDEX 01 61:00:74\n"
        "  TRACK 04 MODE1/2352\n    INDEX 01 62:00:00\n",
        "/music/");
    EXPECT_EQ(sheet.title, "Das Album");
    EXPECT_EQ(sheet.performer, "Die Band");
    ASSERT_EQ(Numbers(sheet), (std::vector<int>{1, 2, 3}));  // the data track is no audio
    EXPECT_EQ(sheet.tracks[0].file, "/music/CD 1.wav");
    EXPECT_EQ(sheet.tracks[0].performer, "Die Band");
    EXPECT_EQ(sheet.tracks[0].start, 0);
    EXPECT_EQ(sheet.tracks[0].end, 2 * 75 + 37);  // the next INDEX 01, not INDEX 00
    EXPECT_EQ(sheet.tracks[1].title, "Zwei");
    EXPECT_EQ(sheet.tracks[1].performer, "Gast");
    EXPECT_EQ(sheet.tracks[1].end, -1);  // the last of its file: to the file's end
    EXPECT_EQ(sheet.tracks[2].file, "/abs/other.flac");
    EXPECT_EQ(sheet.tracks[2].start, (61 * 60) * 75 + 74);
    EXPECT_TRUE(sheet.problems.empty());
    EXPECT_EQ(FormatCueTime(sheet.tracks[2].start), "61:00:74");
}

TEST(CueSheetParse, Windows1252TextIsConvertedAndTheFileNameKeptAsBytes) {
    const CueSheet sheet = ParseCueSheet(
        "PERFORMER \"Mot\xF6rhead\"\nFILE \"\xC4rger.wav\" WAVE\nTRACK 01 AUDIO\nTITLE \"Caf\xE9 "
        "\x80\"\nINDEX 01 00:00:00\n",
        "/m/");
    ASSERT_EQ(sheet.tracks.size(), 1u);
    EXPECT_EQ(sheet.performer, "Mot\xC3\xB6rhead");
    EXPECT_EQ(sheet.tracks[0].title, "Caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(sheet.tracks[0].file, "/m/\xC4rger.wav");
    // Valid UTF-8 stays as it is.
    EXPECT_EQ(ParseCueSheet("TITLE \"Gr\xC3\xBC\xC3\x9F\x65\"\n", "").title, "Gr\xC3\xBC\xC3\x9F\x65");
}

TEST(CueSheetParse, TracksThatMakeNoSenseAreLeftOutWithAReason) {
    // Tracks before any FILE, a track without INDEX 01, a track that starts
    // before the one before it, and a bad time.
    const CueSheet sheet = ParseCueSheet(
        "TRACK 01 AUDIO\nINDEX 01 00:00:00\nFILE a.wav WAVE\nTRACK 02 AUDIO\nINDEX 01 00:10:00\n"
        "TRACK 03 AUDIO\nINDEX 01 00:05:00\nTRACK 04 AUDIO\nINDEX 00 00:20:00\nTRACK 05 AUDIO\n"
        "INDEX 01 00:61:00\nTRACK 06 AUDIO\nINDEX 01 00:30:00\nTRACK 07 AUDIO\nINDEX 01 00:30:00\n",
        "/m/");
    EXPECT_EQ(Numbers(sheet), (std::vector<int>{2, 6}));
    EXPECT_EQ(sheet.tracks[0].end, 30 * 75);
    EXPECT_EQ(sheet.tracks[1].end, -1);
    // One line per reason, however many tracks it met.
    EXPECT_EQ(sheet.problems,
              (std::vector<std::string>{
                  "CUE: Tracks ohne FILE ausgelassen",
                  "CUE: 2 Tracks ohne INDEX 01, ausgelassen (zuerst Track 4)",
                  "CUE: 2 Tracks nicht nach dem vorigen Track der Datei, ausgelassen (zuerst Track 3)",
              }));
}

TEST(CueSheetParse, GarbageGivesNoTracksAndManyTracksAreCut) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) % 256);
    garbage += "\nTRACK\nINDEX\nFILE\nTRACK 99999999999999 AUDIO\nINDEX 01 ::\nFILE \"\nTITLE \"\n";
    EXPECT_TRUE(ParseCueSheet(garbage, "/").tracks.empty());
    EXPECT_TRUE(ParseCueSheet("", "/").tracks.empty());

    std::string many = "FILE a.wav WAVE\n";
    for (int i = 0; i < 10005; ++i)
        many += "TRACK 01 AUDIO\nINDEX 01 " + std::to_string(i / 4500) + ":" + std::to_string(i / 75 % 60) +
                ":" + std::to_string(i % 75) + "\n";
    const CueSheet cut = ParseCueSheet(many, "/");
    EXPECT_EQ(cut.tracks.size(), kMaxCueTracks);
    ASSERT_EQ(cut.problems.size(), 1u);
    EXPECT_NE(cut.problems[0].find("10000"), std::string::npos);
}

TEST(CueSheetRead, ALargeSheetAndAMissingAudioFileAreSaidSo) {
    test::TempDir dir;
    test::WriteFile(dir / "big.cue", "REM " + std::string(kMaxCueSheetBytes, 'x') + "\n");
    const CueSheet big = ReadCueSheet(dir / "big.cue");
    EXPECT_TRUE(big.tracks.empty());
    ASSERT_EQ(big.problems.size(), 1u);
    EXPECT_NE(big.problems[0].find("zu gro"), std::string::npos);

    test::WriteFile(dir / "gone.cue",
                    "FILE gone.wav WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
                    "TRACK 02 AUDIO\nINDEX 01 00:01:00\n");
    const CueSheet gone = ReadCueSheet(dir / "gone.cue");
    EXPECT_TRUE(gone.tracks.empty());
    ASSERT_EQ(gone.problems.size(), 1u);  // the file once, not per track
    EXPECT_NE(gone.problems[0].find(dir / "gone.wav"), std::string::npos);

    // Thousands of missing files: ten named, the rest counted.
    std::string many;
    for (int i = 0; i < 5000; ++i)
        many += "FILE f" + std::to_string(i) + ".wav WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n";
    test::WriteFile(dir / "many.cue", many);
    const CueSheet lost = ReadCueSheet(dir / "many.cue");
    EXPECT_TRUE(lost.tracks.empty());
    ASSERT_EQ(lost.problems.size(), 11u);
    EXPECT_EQ(lost.problems.back(), "CUE: 4990 weitere Audiodateien fehlen");
}

class NoView : public PlaylistDisplay {
  public:
    void PlaylistReset() override {}
    void FitPlaylistColumns() override {}
    void SetPlaylistSummary(const std::string&) override {}
};

class CueAdding : public ::testing::Test {
  protected:
    void SetUp() override {
        log.SetOpen(true);
        std::filesystem::create_directories(dir / "album");
        std::filesystem::copy_file(fixtures::Path("sine.wav"), dir / "album/album.wav");  // 3 s
        sheet = dir / "album/album.cue";
        test::WriteFile(sheet,
                        "PERFORMER \"Die Band\"\nTITLE \"Das Album\"\nFILE \"album.wav\" WAVE\n"
                        "TRACK 01 AUDIO\nTITLE \"Eins\"\nINDEX 01 00:00:00\n"
                        "TRACK 02 AUDIO\nTITLE \"Zwei\"\nPERFORMER \"Gast\"\nINDEX 01 00:01:50\n");
    }
    test::TempDir dir;
    std::string sheet;
    Playlist playlist;
    Settings settings;
    TagReader tags;
    NoView view;
    StatusLog log;
    PlaylistEditor editor{playlist, settings, tags, view, &log};
};

TEST_F(CueAdding, ASheetAddsOneRowPerTrackWithItsPartOfTheFile) {
    editor.AddToPlaylist(sheet);
    ASSERT_EQ(playlist.size(), 2u);
    const TrackInfo& one = playlist[0].info;
    EXPECT_EQ(one.path, dir / "album/album.wav");
    EXPECT_EQ(one.title, "Eins");
    EXPECT_EQ(one.artist, "Die Band");
    EXPECT_EQ(one.album, "Das Album");
    EXPECT_EQ(one.trackNumber, 1);
    EXPECT_EQ(one.length, 2);  // 1.67 s
    EXPECT_EQ(playlist[0].range, (TrackRange{0, 125}));
    EXPECT_EQ(playlist[1].info.title, "Zwei");
    EXPECT_EQ(playlist[1].info.artist, "Gast");
    EXPECT_EQ(playlist[1].info.length, 1);  // 1.33 s to the file's end
    EXPECT_EQ(playlist[1].range, (TrackRange{125, -1}));
    EXPECT_GT(playlist[1].info.sampleRate, 0);  // the file's properties
}

TEST_F(CueAdding, AFolderWalkAddsTheAudioFileOnlyThroughItsSheet) {
    // "album.cue" comes before "album.wav", "zz.cue" after "a.wav".
    std::filesystem::copy_file(fixtures::Path("sine.wav"), dir / "album/a.wav");
    test::WriteFile(dir / "album/zz.cue",
                    "FILE a.wav WAVE\nTRACK 01 AUDIO\nTITLE \"Nur\"\nINDEX 01 00:01:00\n");
    std::filesystem::copy_file(fixtures::Path("sine.wav"), dir / "album/single.wav");
    settings.Misc_RecursiveFolder = 1;
    ASSERT_TRUE(editor.AddPath(dir.path()));
    std::vector<std::string> rows;
    for (const PlaylistEntry& e : playlist)
        rows.push_back(std::string(FileNameOf(e.info.path)) + (e.range.Whole() ? "" : ":" + e.info.title));
    EXPECT_EQ(rows,
              (std::vector<std::string>{"album.wav:Eins", "album.wav:Zwei", "single.wav", "a.wav:Nur"}));

    // Added on its own, later, the audio file is a row of its own again.
    editor.AddToPlaylist(dir / "album/album.wav");
    EXPECT_EQ(playlist.size(), 5u);
    EXPECT_TRUE(playlist.back().range.Whole());
}

TEST_F(CueAdding, RowsSurviveASaveAndAReaderOfFourteenFieldsSeesTheWholeFile) {
    editor.AddToPlaylist(sheet);
    editor.AddToPlaylist(dir / "album/album.wav");
    ASSERT_EQ(playlist.size(), 3u);
    const std::string text = PlaylistFileText(playlist);
    const auto reloaded = ParsePlaylistFile(text);
    ASSERT_TRUE(reloaded);
    ASSERT_EQ(reloaded->size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ((*reloaded)[i].range, playlist[i].range) << i;
        EXPECT_EQ((*reloaded)[i].info.title, playlist[i].info.title) << i;
        EXPECT_EQ((*reloaded)[i].info.path, playlist[i].info.path) << i;
    }
    // The row's part follows the fourteen fields; a whole file's line has nothing more.
    const size_t second = text.find("ETY:", text.find("ETY:") + 1);
    const std::string line = text.substr(second, text.find("\r\n", second) - second);
    EXPECT_EQ(std::count(line.begin(), line.end(), '|'), 16);
    EXPECT_TRUE(line.ends_with("|125|-1|")) << line;
    const std::string last = text.substr(text.rfind("ETY:"));
    EXPECT_EQ(std::count(last.begin(), last.end(), '|'), 14);
    // Damaged parts play the whole file.
    // Fields 3 to 14 empty, then an end before the start, and a negative start.
    const std::string fields = "|t" + std::string(13, '|');
    const std::string damaged = "SV-F-PLV1\r\nETY:" + dir / "album/album.wav" + fields +
                                "50|20|\r\nETY:" + dir / "album/album.wav" + fields + "-5||\r\n";
    const auto read = ParsePlaylistFile(damaged);
    ASSERT_TRUE(read && read->size() == 2u);
    EXPECT_TRUE((*read)[0].range.Whole());
    EXPECT_TRUE((*read)[1].range.Whole());
}

}  // namespace
}  // namespace sonvaro
