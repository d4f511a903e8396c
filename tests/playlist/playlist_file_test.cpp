#include "playlist/playlist_file.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/status_log.h"
#include "playlist/playlist_display.h"
#include "settings/settings.h"
#include "support/test_support.h"

namespace sonvaro {
namespace {

using test::ReadFile;
using test::WriteFile;

PlaylistEntry Entry(const std::string& path, const std::string& title = "", int32_t length = 0) {
    PlaylistEntry e;
    e.info.path = path;
    e.info.title = title;
    e.info.length = length;
    return e;
}

class PlaylistFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        song = dir / "a.mp3";
        WriteFile(song, "ID3");
        log.SetOpen(true);
    }
    test::TempDir dir;
    std::string song;
    Settings settings;
    test::RecordingMessages messages;
    StatusLog log;
};

TEST_F(PlaylistFileTest, WritesTheExampleLineByteForByte) {
    PlaylistEntry e = Entry(song, "Song", 205);
    e.info.artist = "Band";
    e.info.album = "Album";
    e.info.year = 2004;
    e.info.trackNumber = 3;
    e.info.genre = "Rock";
    e.info.bitrate = 192;
    e.info.sampleRate = 44100;
    e.info.channels = 2;
    e.shuffleKey = 1234;
    e.info.channelType = 65541;
    EXPECT_EQ(PlaylistFileText({e}),
              "SV-F-PLV1\r\nETY:" + song + "|Song|Band|Album|2004||3|Rock|192|44100|2|205|1234|65541|\r\n");
}

TEST_F(PlaylistFileTest, SkipsStreamsMissingAndEmptyFiles) {
    WriteFile(dir / "empty.mp3", "");
    const Playlist playlist{Entry(song),
                            Entry("http://radio.example/stream"),
                            Entry(dir / "gone.mp3"),
                            Entry(dir / "empty.mp3"),
                            Entry(dir.path()),
                            Entry(song)};
    const auto lines = test::SplitCrLf(PlaylistFileText(playlist));
    EXPECT_EQ(lines.size(), 3u);
    EXPECT_EQ(PlaylistFileText({}), "SV-F-PLV1\r\n");
}

TEST_F(PlaylistFileTest, CleansTextsAndRoundTripsNumbers) {
    PlaylistEntry e = Entry(song, "  A|B  ");
    e.info.comment = "line\r\nbreak";
    e.info.trackNumber = -1;
    e.info.sampleRate = 22050.0f;
    e.info.channels = -3;
    const std::string text = PlaylistFileText({e});
    EXPECT_NE(text.find("|A B|"), std::string::npos);
    EXPECT_NE(text.find("|line break|-1|"), std::string::npos);
    EXPECT_NE(text.find("|22050|-3|"), std::string::npos);
    const auto back = ParsePlaylistFile(text);
    ASSERT_TRUE(back && back->size() == 1);
    EXPECT_EQ((*back)[0].info.title, "A B");
    EXPECT_EQ((*back)[0].info.trackNumber, -1);
    EXPECT_EQ((*back)[0].info.sampleRate, 22050.0f);
    EXPECT_EQ((*back)[0].info.channels, -3);
}

TEST_F(PlaylistFileTest, ReadsWhatTheRulesAllow) {
    EXPECT_FALSE(ParsePlaylistFile("sv-f-plv1\r\nETY:" + song + "|\r\n"));  // identifier is case-sensitive
    EXPECT_FALSE(ParsePlaylistFile(" SV-F-PLV1\r\n"));
    const auto parsed = ParsePlaylistFile(
        "SV-F-PLV1\nety:" + song + "|T|\r  ETY:" + song +
        "|x|y|z|$10|c|%11|g|128|44100|2|300|7|65541|extra|  \rjunk\r\nETY:" + dir.path() + "gone.mp3|\n");
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->size(), 2u);
    const TrackInfo& shortLine = (*parsed)[0].info;
    EXPECT_EQ(shortLine.title, "T");
    EXPECT_EQ(shortLine.trackNumber, 0);  // missing field: 0, not -1
    EXPECT_EQ(shortLine.channelType, 0);
    const PlaylistEntry& full = (*parsed)[1];
    EXPECT_EQ(full.info.year, 16);
    EXPECT_EQ(full.info.trackNumber, 3);
    EXPECT_EQ(full.info.length, 300);
    EXPECT_EQ(full.shuffleKey, 7);
    EXPECT_EQ(full.info.channelType, 65541);
    // Text fields written by Windows tools load as Windows-1252; the path stays bytes.
    WriteFile(dir / "Gr\xFCn.mp3", "x");
    const auto legacy = ParsePlaylistFile("SV-F-PLV1\r\nETY:" + dir.path() +
                                          "Gr\xFCn.mp3|Gr\xFC\xDF|Gr\xC3\xBC\xC3\x9F|\r\n");
    ASSERT_TRUE(legacy && legacy->size() == 1);
    EXPECT_EQ((*legacy)[0].info.path, dir.path() + "Gr\xFCn.mp3");
    EXPECT_EQ((*legacy)[0].info.title, "Grüß");
    EXPECT_EQ((*legacy)[0].info.artist, "Grüß");  // a UTF-8 field of the same line stays as it is
}

class RecordingDisplay : public PlaylistDisplay {
  public:
    void PlaylistReset() override { ++resets; }
    void FitPlaylistColumns() override { ++fits; }
    void SetPlaylistSummary(const std::string& text) override { summary = text; }
    int resets = 0, fits = 0;
    std::string summary;
};

TEST_F(PlaylistFileTest, LoadAndSaveFollowTheAutoPlayListSwitch) {
    const std::string file = dir / "PlayList.dat";
    Playlist playlist{Entry(song, "x", 3725), Entry(song, "y", -5), Entry("http://stream")};
    ASSERT_TRUE(SavePlaylistFile(playlist, file, settings, true, messages, log));
    EXPECT_NE(log.LinesSince(0).at(0).find("Schreibe Datei '" + file + "'"), std::string::npos);

    RecordingDisplay display;
    settings.GUI_AutoColumnWidthPL = 1;
    LoadPlaylistFile(playlist, file, settings, &display);
    EXPECT_EQ(playlist.size(), 2u);  // the stream is gone
    EXPECT_EQ(display.summary, " 2 [01:02:05]");
    EXPECT_EQ(display.fits, 1);

    settings.Misc_AutoPlayList = 0;
    LoadPlaylistFile(playlist, file, settings, &display);
    EXPECT_TRUE(playlist.empty());
    const std::string before = ReadFile(file);
    EXPECT_FALSE(SavePlaylistFile({Entry(song)}, file, settings, true, messages, log));
    EXPECT_EQ(ReadFile(file), before);
}

TEST_F(PlaylistFileTest, FailedSaveReportsOnlyWhenAsked) {
    const std::string file = dir / "PlayList.dat";
    WriteFile(file, "SV-F-PLV1\r\n");
    std::filesystem::create_directory(file + ".tmp");
    EXPECT_FALSE(SavePlaylistFile({Entry(song)}, file, settings, false, messages, log));
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_FALSE(SavePlaylistFile({Entry(song)}, file, settings, true, messages, log));
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text, "Playlist konnte nicht gespeichert werden");
    EXPECT_EQ(messages.boxes[0].icon, MessageIcon::Error);
    EXPECT_EQ(ReadFile(file), "SV-F-PLV1\r\n");
}

TEST_F(PlaylistFileTest, PathsRoundTripByteForByteOrAreLeftOut) {
    const std::string file = dir / "PlayList.dat";
    // Latin-1 bytes, spaces at both ends, a "|", a line break: every one a real file.
    const std::vector<std::string> keep = {dir / "caf\xE9.mp3", dir / " spaced .mp3",
                                           dir / (std::string(251, 'n') + ".mp3")};  // a 255-byte name
    const std::vector<std::string> refuse = {dir / "pipe|name.mp3", dir / "line\nbreak.mp3",
                                             dir / "cr\rname.mp3"};
    Playlist playlist;
    for (const auto* group : {&keep, &refuse})
        for (const std::string& path : *group) {
            WriteFile(path, "x");
            playlist.push_back(Entry(path, "Titel"));
        }
    ASSERT_TRUE(SavePlaylistFile(playlist, file, settings, true, messages, log));
    Playlist loaded;
    LoadPlaylistFile(loaded, file, settings, nullptr);
    ASSERT_EQ(loaded.size(), 3u);
    for (size_t i = 0; i < keep.size(); ++i) EXPECT_EQ(loaded[i].info.path, keep[i]);
    // Nothing stored under a changed name; the log says what was left out.
    EXPECT_EQ(ReadFile(file).find("pipe"), std::string::npos);
    const auto lines = log.LinesSince(0);
    for (const std::string& path : refuse)
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
            return l.find("Nicht gespeichert") != std::string::npos && l.find(path) != std::string::npos;
        })) << path;
}

TEST_F(PlaylistFileTest, AByteOrderMarkIsReadAndAForeignFileIsKeptAside) {
    const std::string file = dir / "PlayList.dat";
    WriteFile(file, "\xEF\xBB\xBFSV-F-PLV1\r\nETY:" + song + "|Mit Marke|\r\n");
    Playlist playlist;
    LoadPlaylistFile(playlist, file, settings, nullptr, &log);
    ASSERT_EQ(playlist.size(), 1u);
    EXPECT_EQ(playlist[0].info.title, "Mit Marke");
    EXPECT_FALSE(std::filesystem::exists(file + ".bad"));

    // Another first line: the file is kept before a save can write over it.
    const std::string foreign = "SV-F-PLV2\r\nETY:" + song + "|Neu|\r\n";
    WriteFile(file, foreign);
    LoadPlaylistFile(playlist, file, settings, nullptr, &log);
    EXPECT_TRUE(playlist.empty());
    EXPECT_EQ(ReadFile(file + ".bad"), foreign);
    EXPECT_NE(log.LinesSince(0).back().find(file + ".bad"), std::string::npos);
    ASSERT_TRUE(SavePlaylistFile(playlist, file, settings, true, messages, log));
    EXPECT_EQ(ReadFile(file + ".bad"), foreign);
    // A missing or empty file is nothing to keep.
    std::filesystem::remove(file + ".bad");
    WriteFile(file, "");
    LoadPlaylistFile(playlist, file, settings, nullptr, &log);
    EXPECT_FALSE(std::filesystem::exists(file + ".bad"));
}

}  // namespace
}  // namespace sonvaro
