// Internet radio end to end against stations the tests start on 127.0.0.1:
// the player taking over, names and titles, the track log, the library entry,
// recordings and their file names, and failed connections.
#include "playback/radio_player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "playback/radio_recorder.h"
#include "playback/stream_title.h"
#include "support/loopback_server.h"
#include "support/player_harness.h"
#include "support/wait.h"
#include "tags/size_text.h"

namespace sonvaro::test {
namespace {

namespace fs = std::filesystem;
using support::LoopbackServer;

// 5 s of a 1 kHz tone at 128 kbit/s, made once.
const std::string& RadioMp3() {
    static const std::string bytes = [] {
        const std::string path = std::string(SONVARO_FIXTURES) + "/player/radio.mp3";
        if (!fs::exists(path)) {
            fs::create_directories(fs::path(path).parent_path());
            const std::string cmd =
                "sox -n -r 44100 -c 2 -b 16 -t wav - synth 5 sine 1000 vol 0.5 2>/dev/null | "
                "lame --quiet -b 128 - '" +
                path + ".tmp' && mv '" + path + ".tmp' '" + path + "'";
            if (std::system(cmd.c_str()) != 0) ADD_FAILURE() << cmd;
        }
        return support::ReadWholeFile(path);
    }();
    return bytes;
}

// 2 s of a 1 kHz tone as Ogg Vorbis with ARTIST and TITLE comments, made once.
std::string RadioOgg(const std::string& artist, const std::string& title) {
    const std::string path = std::string(SONVARO_FIXTURES) + "/player/radio " + artist + " " + title + ".ogg";
    if (!fs::exists(path)) {
        fs::create_directories(fs::path(path).parent_path());
        const std::string cmd =
            "sox -n -r 44100 -c 2 -b 16 -t wav - synth 2 sine 1000 vol 0.5 2>/dev/null | "
            "oggenc -Q -q 2 -a '" +
            artist + "' -t '" + title + "' -o '" + path +
            ".tmp' - && "
            "mv '" +
            path + ".tmp' '" + path + "'";
        if (std::system(cmd.c_str()) != 0) ADD_FAILURE() << cmd;
    }
    return support::ReadWholeFile(path);
}

using test::WaitUntil;

std::vector<std::string> FilesIn(const fs::path& folder) {
    std::vector<std::string> names;
    if (fs::exists(folder))
        for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class RadioTest : public PlayerTest {
  protected:
    void SetUp() override {
        PlayerTest::SetUp();
        BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 3000);
        BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 1);
        BASS_SetConfigPtr(BASS_CONFIG_NET_PROXY, "");
        mp3 = RadioMp3();
        ASSERT_GT(mp3.size(), 60000u);
        folder =
            fs::temp_directory_path() / ("sonvaro-radio-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder / "rec");
    }
    void TearDown() override {
        PlayerTest::TearDown();
        fs::remove_all(folder);
    }

    // Ticks the player as the application does until `done` (bounded in wall-clock time).
    bool TickUntil(const std::function<bool()>& done) {
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done()) {
            if (std::chrono::steady_clock::now() > until) return false;
            Mix(50);
            radio.Drain();
            player.PlayerTick();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    bool Logged(const std::string& text) {
        for (const std::string& line : log.LinesSince(0))
            if (line.find(text) != std::string::npos) return true;
        return false;
    }
    void Record(int8_t saveName) {
        settings.NETStream_SaveFile = 1;
        settings.NETStream_SavePath = (folder / "rec").string() + "/";
        settings.NETStream_SaveName = saveName;
    }
    // Plays `url` until the station has taken over the player.
    void Tune(const std::string& url) {
        EXPECT_EQ(player.PlayChannel(url, kSourcePlaylist), 0);
        ASSERT_TRUE(TickUntil([&] {
            return player.State().playSource == kSourceRadio && player.State().CurrentChannel() != 0 &&
                   player.State().CurrentChannel() == radio.RadioChannel();
        }));
    }
    // Waits until the station's channel ended and freed itself.
    bool StationEnded() {
        const DWORD channel = radio.RadioChannel();
        return TickUntil([&] { return Logged("StopChannel: " + std::to_string(channel)); });
    }

    std::string mp3;
    fs::path folder;
};

// A playlist with a station row between two tracks, the list advancing as the application's tick does.
class StationRowTest : public RadioTest {
  protected:
    bool Sounding() {
        for (uint32_t c : player.State().slotChannel)
            if (c && BASS_ChannelIsActive(c) == BASS_ACTIVE_PLAYING) return true;
        return false;
    }
    // Ticks through `ms` of audio.
    void Ticks(int ms) {
        for (int t = 0; t < ms; t += 50) {
            Mix(50);
            radio.Drain();
            player.PlayerTick();
        }
    }
};

TEST_F(StationRowTest, AStationThatDoesNotAnswerIsOneAttemptAndTheListGoesOn) {
    LoopbackServer slow([](LoopbackServer::Connection& c) {
        c.WaitRelease();
        c.Send("HTTP/1.0 404 Not Found\r\n\r\n");
    });
    for (const std::string& path : {ToneFile(1), slow.Url("/live"), ToneFile(1)}) editor.AddToPlaylist(path);
    ASSERT_EQ(playlist.size(), 3u);
    ASSERT_TRUE(playback.PlayRow(0));
    ASSERT_TRUE(TickUntil([&] { return slow.Requests().size() == 1; }));
    // Two seconds of ticks while it connects: no second connection, nothing else starts.
    Ticks(2000);
    EXPECT_EQ(slow.Requests().size(), 1u);
    EXPECT_FALSE(Sounding());
    EXPECT_EQ(settings.statistics.PlayStart, 1);
    // It fails: the row after it plays, as after a title that cannot be played.
    slow.Release();
    ASSERT_TRUE(TickUntil([&] { return Sounding(); }));
    EXPECT_EQ(player.State().markedRow, 2);
    EXPECT_EQ(slow.Requests().size(), 1u);
    EXPECT_EQ(settings.statistics.PlayStart, 2);
}

TEST_F(StationRowTest, AStationRowReachedByNextOrShuffleTakesOverOnce) {
    LoopbackServer station([&](LoopbackServer::Connection& c) {
        c.WaitRelease();
        c.Send("ICY 200 OK\r\nicy-name: Zeile FM\r\n\r\n" + mp3);
    });
    for (int shuffle : {0, 1}) {
        SCOPED_TRACE(shuffle);
        playlist.clear();
        settings.Misc_Random = shuffle;
        settings.statistics.PlayStart = 0;
        for (const std::string& path : {ToneFile(1), station.Url("/row")}) editor.AddToPlaylist(path);
        const size_t before = station.Requests().size();
        ASSERT_TRUE(playback.PlayRow(0));
        ASSERT_TRUE(TickUntil([&] { return station.Requests().size() == before + 1; }));
        Ticks(1000);
        station.Release();
        ASSERT_TRUE(TickUntil([&] { return player.State().playSource == kSourceRadio; }));
        EXPECT_EQ(player.State().info.title, "Zeile FM");
        EXPECT_EQ(station.Requests().size(), before + 1);
        EXPECT_EQ(settings.statistics.PlayStart, 2);  // the track and the station, once
        player.Stop();
        ASSERT_TRUE(TickUntil([&] { return !Sounding(); }));
        BASS_StreamFree(radio.RadioChannel());
    }
}

TEST(StreamTitleTest, ArtistAndTitleFromTheMetadataText) {
    StreamTitle t = ParseStreamTitle("StreamTitle='Band - Song';StreamUrl='';");
    EXPECT_EQ(t.artist, "Band");
    EXPECT_EQ(t.title, "Song");
    t = ParseStreamTitle("streamtitle='Artist - Song - Live';");
    EXPECT_EQ(t.artist, "Artist");
    EXPECT_EQ(t.title, "Song") << "a title with a further \"-\" is cut there";
    t = ParseStreamTitle("StreamTitle='Just Words';");
    EXPECT_EQ(t.artist, "Just Words");
    EXPECT_EQ(t.title, "");
    t = ParseStreamTitle("STREAMTITLE=Plain-Text;x");
    EXPECT_EQ(t.artist, "Plain");
    EXPECT_EQ(t.title, "Text");
    t = ParseStreamTitle("StreamTitle=");
    EXPECT_EQ(t.artist, "");
}

TEST(RecordingNameTest, ServerTextCannotLeaveTheFolderOrGrowWithoutBound) {
    const int64_t day = 1704672000;  // 2024-01-08
    EXPECT_EQ(RecordingFileName({" Band ", " Song ", "FM"}, 0, day), "[01.08.24] Band - Song.mp3");
    EXPECT_EQ(RecordingFileName({"", "", ""}, 0, day),
              "[01.08.24] Unbekannter Artist - Unbekannter Titel.mp3");
    EXPECT_EQ(RecordingFileName({"Just Words", "", ""}, 0, day),
              "[01.08.24] Just Words - Unbekannter Titel.mp3");
    EXPECT_EQ(RecordingFileName({"a", "b", ""}, 1, day), "[01.08.24] Unbekannter Sender.mp3");
    EXPECT_EQ(RecordingFileName({"a", "b", "Radio Eins"}, 1, day), "[01.08.24] Radio Eins.mp3");
    EXPECT_EQ(RecordingFileName({"a", "b", "c"}, 2, day), "[01.08.24] .mp3");
    EXPECT_EQ(RecordingFileName({"Band", "Song", "FM", ".ogg"}, 0, day), "[01.08.24] Band - Song.ogg");
    EXPECT_EQ(RecordingFileName({"Band", "Song", "FM", ".opus"}, 1, day), "[01.08.24] FM.opus");

    EXPECT_EQ(RecordingFileName({"../../.bashrc", "x", ""}, 0, day), "[01.08.24] _._.._.bashrc - x.mp3");
    EXPECT_EQ(SafeNamePart("a\\b/c\nd\x7f"
                           "e"),
              "a_b_c_d_e");
    // Two 2,000-byte parts of two-byte characters: the whole name fits in 255
    // bytes, no character is split, the extension stays.
    std::string umlauts;
    for (int i = 0; i < 1000; ++i) umlauts += "\xC3\xA4";
    const std::string longName = RecordingFileName({umlauts, umlauts, "", ".ogg"}, 0, day);
    EXPECT_LE(longName.size(), 255u);
    EXPECT_GE(longName.size(), 253u);
    EXPECT_EQ(longName.substr(longName.size() - 4), ".ogg");
    EXPECT_EQ(longName.rfind("[01.08.24] \xC3\xA4", 0), 0u);
    EXPECT_EQ(longName.substr(longName.size() - 6, 2), "\xC3\xA4");
    EXPECT_EQ(SafeNamePart(".."), "_.");
    EXPECT_EQ(SafeNamePart(std::string(300, 'x')).size(), 200u);
    // 199 ASCII bytes and a two-byte letter: the letter is dropped whole, not split.
    EXPECT_EQ(SafeNamePart(std::string(199, 'x') + "\xC3\xA4" + "tail"), std::string(199, 'x'));
}

TEST(RecordingNameTest, ExtensionSaysWhatTheStationSends) {
    EXPECT_EQ(RecordingExtension(BASS_CTYPE_STREAM_MP3), ".mp3");
    EXPECT_EQ(RecordingExtension(BASS_CTYPE_STREAM_MP2), ".mp3");
    EXPECT_EQ(RecordingExtension(BASS_CTYPE_STREAM_OGG), ".ogg");
    EXPECT_EQ(RecordingExtension(BASS_CTYPE_STREAM_OPUS), ".opus");
    EXPECT_EQ(RecordingExtension(BASS_CTYPE_STREAM_AAC), ".aac");
    EXPECT_EQ(RecordingExtension(BASS_CTYPE_STREAM_FLAC), ".flac");
    EXPECT_EQ(RecordingExtension(0), ".mp3");
}

TEST_F(RadioTest, StationTakesOverWithNameGenreTitlesLogAndLibrary) {
    const std::string later = "StreamTitle='Artist - Song - Live';";
    const std::string framed = support::WithIcyMeta(mp3, 8192, [&](size_t block) -> std::string {
        if (block == 0) return "StreamTitle='Band - Song';StreamUrl='';";
        return block == 4 ? later : "";
    });
    const size_t cut = framed.find(later) - 1;
    LoopbackServer server([&](LoopbackServer::Connection& c) {
        c.Send("ICY 200 OK\r\nicy-name: Radio Eins\r\nicy-genre: Pop\r\nicy-metaint: 8192\r\n\r\n" +
               framed.substr(0, cut));
        c.WaitRelease();
        c.Send(framed.substr(cut));
    });
    const std::string url = server.Url("/live");
    library.entries.push_back({});
    library.entries.back().info.path = "HTTP://127.0.0.1:" + std::to_string(server.Port()) + "/LIVE";
    library.entries.push_back({});
    library.entries.back().info.path = "http://127.0.0.1:1/other";

    Tune(url);
    const PlayerState& state = player.State();
    EXPECT_EQ(state.currentPath, url);
    EXPECT_EQ(state.info.title, "Radio Eins");
    EXPECT_EQ(state.info.genre, "Pop");
    EXPECT_EQ(state.info.artist, "Band");
    EXPECT_EQ(state.info.album, "Song");
    EXPECT_EQ(state.labels[0], "Name:");
    EXPECT_EQ(state.info.length, -1) << "no length: the tick marks it";
    EXPECT_TRUE(Logged("Internetstreaming succes.."));
    EXPECT_EQ(settings.statistics.PlayStart, 1);
    EXPECT_EQ(library.entries[0].playCount, 1);
    EXPECT_EQ(library.entries[0].info.title, "Radio Eins");
    EXPECT_EQ(library.entries[0].info.genre, "Pop");
    EXPECT_EQ(library.entries[0].lastPlayed, static_cast<int32_t>(now));
    EXPECT_EQ(library.entries[1].playCount, 0);
    EXPECT_TRUE(radio.TrackLog().Tracks().empty());

    server.Release();
    ASSERT_TRUE(TickUntil([&] { return state.info.artist == "Artist"; }));
    EXPECT_EQ(state.info.album, "Song");
    EXPECT_EQ(state.info.title, "Radio Eins");
    const auto tracks = radio.TrackLog().Tracks();
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0].artist, "Artist");
    EXPECT_EQ(tracks[0].title, "Song");

    ASSERT_TRUE(StationEnded()) << "the server's end frees the channel";
    EXPECT_EQ(radio.TrackLog().ReceivedBytes(), static_cast<int64_t>(mp3.size()));
    EXPECT_EQ(radio.TrackLog().CounterText(), SizeText(static_cast<int64_t>(mp3.size()), 2, true));
    EXPECT_TRUE(FilesIn(folder / "rec").empty()) << "recording is off";
}

TEST_F(RadioTest, AThinBufferShowsItsFillInsteadOfTheTitle) {
    LoopbackServer server([&](LoopbackServer::Connection& c) {
        c.Send("ICY 200 OK\r\nicy-name: Duenn FM\r\n\r\n" + mp3.substr(0, 70000));
        c.WaitRelease();
        c.Send(mp3.substr(70000));
    });
    Tune(server.Url("/thin"));
    // Playing eats what came; nothing follows until the server goes on.
    ASSERT_TRUE(TickUntil([&] { return display.fields[2].rfind("Bufferung.. [", 0) == 0; }))
        << display.fields[2];
    const std::string shown = display.fields[2];
    ASSERT_EQ(shown.back(), ']');
    const int percent = std::stoi(shown.substr(13));
    EXPECT_GE(percent, 0);
    EXPECT_LT(percent, 50);
    EXPECT_EQ(shown, "Bufferung.. [" + std::to_string(percent) + "%]");
    server.Release();
    ASSERT_TRUE(TickUntil([&] { return display.fields[2] == "Duenn FM"; })) << display.fields[2];
}

TEST_F(RadioTest, StationWithoutNameShowsItsAddress) {
    LoopbackServer server([&](LoopbackServer::Connection& c) {
        c.Send("ICY 200 OK\r\nicy-metaint: 4096\r\n\r\n" + support::WithIcyMeta(mp3, 4096, [](size_t b) {
                   return b == 0 ? "StreamTitle='Just Words';" : "";
               }));
    });
    Tune(server.Url("/x"));
    EXPECT_EQ(player.State().info.title, server.Url("/x"));
    EXPECT_EQ(player.State().info.artist, "Just Words");
    EXPECT_EQ(player.State().info.album, "");
    EXPECT_EQ(player.State().info.genre, "");
}

TEST_F(RadioTest, EachTitleIsRecordedIntoItsOwnFileWithoutMetadata) {
    Record(0);
    const std::string second = "StreamTitle='Band - Two';";
    const std::string framed = support::WithIcyMeta(mp3, 4096, [&](size_t block) -> std::string {
        if (block == 0) return "StreamTitle='Band - One';";
        return block == 6 ? second : "";
    });
    const size_t cut = framed.find(second) - 1;  // at that block's length byte
    LoopbackServer server([&](LoopbackServer::Connection& c) {
        c.Send("ICY 200 OK\r\nicy-name: Recorder FM\r\nicy-metaint: 4096\r\n\r\n" + framed.substr(0, cut));
        c.WaitRelease();
        c.Send(framed.substr(cut));
    });
    Tune(server.Url());
    server.Release();
    ASSERT_TRUE(StationEnded());
    EXPECT_EQ(radio.TrackLog().Tracks().size(), 1u);
    const auto files = FilesIn(folder / "rec");
    ASSERT_EQ(files, (std::vector<std::string>{"[01.08.24] Band - One.mp3", "[01.08.24] Band - Two.mp3"}));
    const std::string one = support::ReadWholeFile((folder / "rec" / files[0]).string());
    const std::string two = support::ReadWholeFile((folder / "rec" / files[1]).string());
    EXPECT_TRUE(one == mp3.substr(0, 7 * 4096)) << "split where the server put the new title: " << one.size();
    EXPECT_TRUE(one + two == mp3) << "the recorded bytes are the audio the server sent, in order";
}

TEST_F(RadioTest, OggStationTitlesReachDisplayLogAndRecordingNamedOgg) {
    Record(0);
    const std::string one = RadioOgg("Band A", "Song One");
    const std::string two = RadioOgg("Band B", "Song Two");
    ASSERT_GT(one.size(), 4000u);
    LoopbackServer server([&](LoopbackServer::Connection& c) {
        c.Send("HTTP/1.0 200 OK\r\nContent-Type: application/ogg\r\nicy-name: Ogg FM\r\n\r\n" + one);
        c.WaitRelease();
        c.Send(two);
    });
    Tune(server.Url("/stream.ogg"));
    EXPECT_EQ(player.State().info.title, "Ogg FM");
    EXPECT_EQ(player.State().info.artist, "Band A");
    EXPECT_EQ(player.State().info.album, "Song One");
    server.Release();
    ASSERT_TRUE(TickUntil([&] { return player.State().info.artist == "Band B"; }));
    EXPECT_EQ(player.State().info.album, "Song Two");
    const auto tracks = radio.TrackLog().Tracks();
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0].artist, "Band B");
    EXPECT_EQ(tracks[0].title, "Song Two");

    ASSERT_TRUE(StationEnded());
    const auto files = FilesIn(folder / "rec");
    ASSERT_EQ(files, (std::vector<std::string>{"[01.08.24] Band A - Song One.ogg",
                                               "[01.08.24] Band B - Song Two.ogg"}));
    EXPECT_TRUE(support::ReadWholeFile((folder / "rec" / files[0]).string()) == one)
        << "the first song, whole";
    EXPECT_TRUE(support::ReadWholeFile((folder / "rec" / files[1]).string()) == two)
        << "starts with its own headers";
}

TEST_F(RadioTest, StationNamedRecordingKeepsOneFilePerDay) {
    Record(1);
    LoopbackServer server([&](LoopbackServer::Connection& c) {
        c.Send("ICY 200 OK\r\nicy-name: Day FM\r\nicy-metaint: 4096\r\n\r\n" +
               support::WithIcyMeta(mp3, 4096, [](size_t b) {
                   return "StreamTitle='Band - Song " + std::to_string(b / 3) + "';";
               }));
    });
    Tune(server.Url());
    ASSERT_TRUE(StationEnded());
    EXPECT_EQ(FilesIn(folder / "rec"), std::vector<std::string>{"[01.08.24] Day FM.mp3"});
    EXPECT_TRUE(support::ReadWholeFile((folder / "rec" / "[01.08.24] Day FM.mp3").string()) == mp3);
}

TEST_F(RadioTest, HostileTitleIsRecordedInsideTheFolder) {
    Record(0);
    fs::create_directories(folder / "a" / "b" / "rec");
    settings.NETStream_SavePath = (folder / "a" / "b" / "rec").string();  // also without the final "/"
    LoopbackServer server([&](LoopbackServer::Connection& c) {
        c.Send("ICY 200 OK\r\nicy-metaint: 4096\r\n\r\n" + support::WithIcyMeta(mp3, 4096, [](size_t b) {
                   return b == 0 ? "StreamTitle='../../.bashrc - x';" : "";
               }));
    });
    Tune(server.Url());
    ASSERT_TRUE(StationEnded());
    EXPECT_EQ(FilesIn(folder / "a" / "b" / "rec"),
              std::vector<std::string>{"[01.08.24] _._.._.bashrc - x.mp3"});
    EXPECT_EQ(FilesIn(folder / "a" / "b"), std::vector<std::string>{"rec"});
    EXPECT_EQ(FilesIn(folder / "a"), std::vector<std::string>{"b"});
}

TEST_F(RadioTest, NothingIsWrittenWhenRecordingIsOffOrTheFolderIsMissing) {
    LoopbackServer server(
        [&](LoopbackServer::Connection& c) { c.Send("ICY 200 OK\r\nicy-name: Quiet\r\n\r\n" + mp3); });
    Record(0);
    settings.NETStream_SavePath = (folder / "missing").string() + "/";
    Tune(server.Url());
    ASSERT_TRUE(StationEnded());
    EXPECT_FALSE(fs::exists(folder / "missing"));

    settings.NETStream_SaveFile = 0;
    settings.NETStream_SavePath = (folder / "rec").string() + "/";
    Tune(server.Url());
    ASSERT_TRUE(StationEnded());
    EXPECT_TRUE(FilesIn(folder / "rec").empty());
    EXPECT_EQ(radio.TrackLog().ReceivedBytes(), static_cast<int64_t>(mp3.size())) << "counted all the same";
}

TEST_F(RadioTest, ARecordingFolderThatCannotBeWrittenIsToldOnceAndTheStationPlaysOn) {
    std::vector<std::string> told;
    radio.SetRecordingFailedHandler([&](const std::string& text) { told.push_back(text); });
    LoopbackServer server(
        [&](LoopbackServer::Connection& c) { c.Send("ICY 200 OK\r\nicy-name: Quiet\r\n\r\n" + mp3); });
    Record(0);
    const std::string notAFolder = (folder / "file").string();
    std::ofstream(notAFolder) << "x";
    settings.NETStream_SavePath = notAFolder;
    Tune(server.Url());
    ASSERT_TRUE(StationEnded());
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], "Aufnahme nicht möglich: In den Ordner '" + notAFolder +
                           "' kann nicht geschrieben werden. Die Wiedergabe läuft weiter.");
    EXPECT_TRUE(Logged(told[0]));
    EXPECT_EQ(radio.TrackLog().ReceivedBytes(), static_cast<int64_t>(mp3.size())) << "played to its end";

    Tune(server.Url());  // the same folder again: already told
    ASSERT_TRUE(StationEnded());
    EXPECT_EQ(told.size(), 1u);
    settings.NETStream_SavePath = (folder / "rec").string() + "/";
    Tune(server.Url());
    ASSERT_TRUE(StationEnded());
    EXPECT_EQ(told.size(), 1u);
    EXPECT_EQ(FilesIn(folder / "rec").size(), 1u);
}

TEST_F(RadioTest, FailedConnectionLeavesThePreviousTrackPlayingSilently) {
    settings.BASS_FadeOut = 5;
    ASSERT_EQ(player.PlayChannel(ToneFile(30), kSourcePlaylist), 1);
    const DWORD file = player.State().CurrentChannel();
    LoopbackServer notFound([](LoopbackServer::Connection& c) { c.Send("HTTP/1.0 404 Not Found\r\n\r\n"); });
    std::string dead;
    {
        LoopbackServer gone([](LoopbackServer::Connection&) {});
        dead = gone.Url();
    }
    EXPECT_EQ(player.PlayChannel(notFound.Url(), kSourcePlaylist), 0);
    EXPECT_EQ(player.PlayChannel(dead, kSourcePlaylist), 0);
    ASSERT_TRUE(TickUntil([&] { return radio.Connecting() == 0; }));
    EXPECT_EQ(player.State().CurrentChannel(), file);
    EXPECT_EQ(BASS_ChannelIsActive(file), BASS_ACTIVE_PLAYING);
    EXPECT_EQ(player.State().playSource, kSourcePlaylist);
    EXPECT_FALSE(Logged("Internetstreaming"));
    EXPECT_EQ(radio.RadioChannel(), 0u);
    // Said in the status log, with the reason.
    EXPECT_TRUE(Logged("Sender nicht erreichbar: '" + dead + "' (Verbindung fehlgeschlagen)"));
    EXPECT_TRUE(Logged("Sender nicht erreichbar: '" + notFound.Url() + "' ("));
}

TEST_F(RadioTest, ShuttingTheEngineDownEndsAConnectionThatWaits) {
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 60000);
    LoopbackServer server([](LoopbackServer::Connection& c) { c.Hold(); });
    player.PlayChannel(server.Url(), kSourcePlaylist);
    ASSERT_TRUE(WaitUntil([&] { return server.Requests().size() == 1; }, std::chrono::seconds(5)));
    auto start = std::chrono::steady_clock::now();
    BASS_Free();
    EXPECT_TRUE(WaitUntil([&] { return radio.Connecting() == 0; }, std::chrono::seconds(5)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
}  // namespace sonvaro::test
