#include "playlist/playlist_editing.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

#include "core/status_log.h"
#include "engine/bass.h"
#include "engine/http_transfer.h"
#include "playback/playlist_rows.h"
#include "playlist/playlist_display.h"
#include "playlist/playlist_export.h"
#include "settings/settings.h"
#include "support/fixtures.h"
#include "support/loopback_server.h"
#include "support/tag_fixtures.h"
#include "support/test_support.h"
#include "support/wait.h"
#include "tags/tag_writer.h"
#include "tags/track_info_reader.h"

namespace sonvaro {
namespace {

class EngineEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { BASS_Init(0, 44100, 0, nullptr, nullptr); }
    void TearDown() override { BASS_Free(); }
};
const auto* const kEngine = ::testing::AddGlobalTestEnvironment(new EngineEnvironment);

class CountingView : public PlaylistDisplay {
  public:
    void PlaylistReset() override { ++resets; }
    void FitPlaylistColumns() override { ++fits; }
    void SetPlaylistSummary(const std::string& text) override { summary = text, ++summaries; }
    void RowAppended() override { ++appended; }
    bool EscapePressed() override { return --escapeAfter == 0; }
    int resets = 0, fits = 0, appended = 0, summaries = 0, escapeAfter = -1;
    std::string summary;
};

class EditingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        wav = fixtures::Path("sine.wav");
        mod = fixtures::Path("tune.mod");
    }
    std::vector<std::string> Paths() const {
        std::vector<std::string> out;
        for (const auto& e : playlist) out.push_back(e.info.path);
        return out;
    }
    std::string wav, mod;
    test::TempDir dir;
    Playlist playlist;
    Settings settings;
    TagReader tags;
    CountingView view;
    PlaylistEditor editor{playlist, settings, tags, view};
};

TEST_F(EditingTest, AddFolderWalksInNameOrder) {
    std::filesystem::create_directories(dir / "x");
    for (const char* name : {"b.wav", "Zed.wav", "a.wav", "\xC3\x84rger.wav", "c.wav"})
        std::filesystem::copy_file(wav, dir / name);
    std::filesystem::copy_file(wav, dir / "x/inner.wav");
    test::WriteFile(dir / "notes.txt", "not audio");
    test::WriteFile(dir / "broken.mp3", std::string(2048, '\x55'));
    std::filesystem::copy_file(mod, dir / "tune.mod");
    test::WriteFile(dir / "list.m3u", "#EXTM3U\n" + wav + "\n");

    // Case folded ("Zed" after "c", "Ä" folded to "ä", after every ASCII letter), then bytes.
    editor.AddFolder(dir.path(), false);
    EXPECT_EQ(Paths(),
              (std::vector<std::string>{dir / "a.wav", dir / "b.wav", dir / "c.wav",
                                        wav,  // list.m3u, imported, never an entry itself
                                        dir / "tune.mod", dir / "Zed.wav", dir / "\xC3\x84rger.wav"}));
    const auto module = std::find_if(playlist.begin(), playlist.end(),
                                     [&](const PlaylistEntry& e) { return e.info.path == dir / "tune.mod"; });
    ASSERT_NE(module, playlist.end());
    EXPECT_EQ(module->info.channelType, 0x20000);
    EXPECT_GT(module->info.length, 0);

    // Sub-folders take their place in the same order.
    playlist.clear();
    view.summaries = 0;
    editor.AddFolder(dir.path(), true);
    EXPECT_EQ(Paths(),
              (std::vector<std::string>{dir / "a.wav", dir / "b.wav", dir / "c.wav", wav, dir / "tune.mod",
                                        dir / "x/inner.wav", dir / "Zed.wav", dir / "\xC3\x84rger.wav"}));
    // One refresh of the summary for the whole walk, not one per file.
    EXPECT_EQ(view.summaries, 1);
}

// Two threads read the folder's tagged files. The first file is held up (a
// save of it in progress) until the second has been read and the third is
// held up as well: the rows still come in name order, each with its own tags.
TEST_F(EditingTest, AFolderReadOnTwoThreadsKeepsNameOrderAndEachFilesTags) {
    std::vector<std::string> files;
    for (int i = 0; i < 24; ++i) {
        const char* kind = i % 3 == 0 ? "mp3" : i % 3 == 1 ? "flac" : "ogg";
        const std::string folder = dir / ("CD " + std::to_string(i / 8 + 1));
        std::filesystem::create_directories(folder);
        files.push_back(test::CopyOf(test::TagFixture(std::string("tagged.") + kind),
                                     folder + "/" + std::to_string(10 + i) + "." + kind));
        TagEdits edits{files.back()};
        edits.title = "Stück " + std::to_string(i);
        ASSERT_TRUE(WriteTags(tags, edits));
    }
    auto heldFirst = std::make_unique<TagFileLocks::Guard>(tags.fileLocks.Write(files[0]));
    auto heldThird = std::make_unique<TagFileLocks::Guard>(tags.fileLocks.Write(files[2]));
    std::atomic<bool> bothHeldUp{false};
    std::thread release([&] {
        bothHeldUp = test::WaitUntil([&] { return tags.fileLocks.Waiting() == 2; });
        heldFirst.reset();
        heldThird.reset();
    });
    editor.SetReadThreads(2);
    editor.AddFolder(dir.path(), true);
    release.join();
    EXPECT_TRUE(bothHeldUp) << "the files were not read on two threads";
    ASSERT_EQ(Paths(), files);
    for (size_t i = 0; i < files.size(); ++i) EXPECT_EQ(playlist[i].info.title, "Stück " + std::to_string(i));
}

TEST_F(EditingTest, FolderLinksAreFollowedOnceAndLoopsEnd) {
    std::filesystem::create_directories(dir / "music/sub");
    std::filesystem::copy_file(wav, dir / "music/a.wav");
    std::filesystem::copy_file(wav, dir / "music/sub/b.wav");
    std::filesystem::copy_file(wav, dir / "outside.wav");
    std::filesystem::create_directory_symlink(".", dir / "music/self");
    std::filesystem::create_directory_symlink("..", dir / "music/sub/up");
    std::filesystem::create_directory_symlink(dir / "music", dir / "music/sub/again");
    std::filesystem::create_symlink(dir / "outside.wav", dir / "music/link.wav");
    std::filesystem::create_symlink(dir / "nowhere.wav", dir / "music/dangling.wav");
    editor.AddFolder(dir / "music", true);
    EXPECT_EQ(Paths(), (std::vector<std::string>{dir / "music/a.wav", dir / "music/link.wav",
                                                 dir / "music/sub/b.wav"}));
}

TEST_F(EditingTest, PlaylistCyclesOfEverySpellingEnd) {
    StatusLog log;
    log.SetOpen(true);
    PlaylistEditor logged{playlist, settings, tags, view, &log};
    std::filesystem::create_directories(dir / "x");
    std::filesystem::copy_file(wav, dir / "x/b.wav");
    // Itself under "./", under "../x/", through a link, and two lists naming each other.
    test::WriteFile(dir / "x/a.m3u", "#EXTM3U\n./a.m3u\nb.wav\n../x/a.m3u\nlink.m3u\nother.m3u\n");
    std::filesystem::create_symlink("a.m3u", dir / "x/link.m3u");
    test::WriteFile(dir / "x/other.m3u", "#EXTM3U\n" + dir.path() + "x/a.m3u\nb.wav\n");
    logged.AddToPlaylist(dir / "x/a.m3u");
    EXPECT_EQ(Paths(), (std::vector<std::string>{dir / "x/b.wav", dir / "x/b.wav"}));
    const auto lines = log.LinesSince(0);
    EXPECT_EQ(std::count_if(
                  lines.begin(), lines.end(),
                  [](const std::string& l) { return l.find("enthält sich selbst") != std::string::npos; }),
              4);

    // A chain of 20 lists, each naming the next and a track: 16 levels are read.
    playlist.clear();
    for (int i = 0; i < 20; ++i)
        test::WriteFile(dir / ("n" + std::to_string(i) + ".m3u"),
                        "#EXTM3U\nn" + std::to_string(i + 1) + ".m3u\nx/b.wav\n");
    logged.AddToPlaylist(dir / "n0.m3u");
    EXPECT_EQ(playlist.size(), 16u);
    EXPECT_NE(log.LinesSince(0).back().find("zu tief verschachtelt"), std::string::npos);
}

TEST_F(EditingTest, LocalPathsAreStoredAbsolute) {
    const std::string before = std::filesystem::current_path();
    std::filesystem::create_directories(dir / "here");
    std::filesystem::copy_file(wav, dir / "here/song.wav");
    std::filesystem::current_path(dir / "here");
    editor.AddToPlaylist("song.wav");
    editor.AddToPlaylist("./song.wav");
    editor.AddDroppedItems("song.wav\n.\n");
    std::filesystem::current_path(before);
    EXPECT_EQ(Paths(), (std::vector<std::string>(4, dir / "here/song.wav")));
}

// The files are read ahead of the rows: Escape ends the walk and the adding
// at once, and what was added is the start of the folder in name order.
TEST_F(EditingTest, EscapeEndsTheWalk) {
    // Links within one folder of the test: the fixture may lie on another file system.
    std::filesystem::copy_file(wav, dir / "seed.wav");
    std::filesystem::create_directories(dir / "music");
    std::vector<std::string> names;
    for (int i = 0; i < 40; ++i) {
        names.push_back(dir / ("music/" + std::to_string(10 + i) + ".wav"));
        std::filesystem::create_hard_link(dir / "seed.wav", names.back());
    }
    view.escapeAfter = 36;  // pressed before the 36th entry of the walk
    editor.AddFolder(dir / "music", true);
    EXPECT_TRUE(editor.AddingStopped());
    ASSERT_FALSE(playlist.empty()) << "the rows taken before Escape stay";
    ASSERT_LT(playlist.size(), 35u);
    EXPECT_EQ(Paths(), std::vector<std::string>(names.begin(), names.begin() + playlist.size()));
}

TEST_F(EditingTest, AddingAcceptsFilesAndStreamsWithFreshKeys) {
    editor.AddToPlaylist(wav);
    editor.AddToPlaylist(wav);
    editor.AddToPlaylist("http://radio.example/live");
    editor.AddToPlaylist(dir / "missing.wav");
    ASSERT_EQ(playlist.size(), 3u);
    EXPECT_EQ(playlist[2].info.path, "http://radio.example/live");
    EXPECT_EQ(view.appended, 3);
    EXPECT_EQ(view.summary, " 3 [00:00:06]");
    test::WriteFile(dir / "dropped.txt", "");
    editor.AddDroppedItems(wav + "\n" + dir.path() + "\n" + dir / "dropped.txt" + "\n");
    EXPECT_EQ(playlist.size(), 4u);
}

// What the command line and remote control name: a folder (as deep as the
// setting says), a station in any case, a file; a path that cannot be opened
// (as root a socket is the one file that cannot), an empty or a missing file
// is turned down before anything is tried, so the caller can say why.
TEST_F(EditingTest, AddPathTakesFoldersStationsAndFilesThatOpen) {
    std::filesystem::create_directories(dir / "music/inner");
    std::filesystem::copy_file(wav, dir / "music/a.wav");
    std::filesystem::copy_file(wav, dir / "music/inner/b.wav");
    settings.Misc_RecursiveFolder = 0;
    EXPECT_TRUE(editor.AddPath(dir / "music"));
    settings.Misc_RecursiveFolder = 1;
    EXPECT_TRUE(editor.AddPath(dir / "music"));
    EXPECT_TRUE(editor.AddPath("HTTP://radio.example/live"));
    EXPECT_TRUE(editor.AddPath(wav));
    EXPECT_EQ(Paths(),
              (std::vector<std::string>{dir / "music/a.wav", dir / "music/a.wav", dir / "music/inner/b.wav",
                                        "HTTP://radio.example/live", wav}));

    const std::string socketPath = dir / "socket.wav";
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    test::WriteFile(dir / "empty.wav", "");
    EXPECT_FALSE(editor.AddPath(socketPath));
    EXPECT_FALSE(editor.AddPath(dir / "empty.wav"));
    EXPECT_FALSE(editor.AddPath(dir / "missing.wav"));
    EXPECT_EQ(playlist.size(), 5u);
}

TEST_F(EditingTest, SortIsStableAndByteWise) {
    auto entry = [](const char* title, int16_t track, int32_t length) {
        PlaylistEntry e;
        e.info.title = title;
        e.info.trackNumber = track;
        e.info.length = length;
        return e;
    };
    playlist = {entry("b", 2, 10), entry("Z", -1, 0), entry("a", 2, 5), entry("ä", -1, 7)};
    const auto moved = editor.SortPlaylist(4);
    std::vector<std::string> titles;
    for (const auto& e : playlist) titles.push_back(e.info.title);
    EXPECT_EQ(titles, (std::vector<std::string>{"Z", "ä", "b", "a"}));  // unknown first, ties keep order
    EXPECT_EQ(moved, (std::vector<size_t>{2, 0, 3, 1}));
    editor.SortPlaylist(1);
    titles.clear();
    for (const auto& e : playlist) titles.push_back(e.info.title);
    EXPECT_EQ(titles, (std::vector<std::string>{"Z", "a", "b", "ä"}));
    Playlist one{entry("x", 1, 1)};
    playlist = one;
    EXPECT_TRUE(editor.SortPlaylist(0).empty());  // one entry: no new key
    EXPECT_EQ(playlist[0].shuffleKey, one[0].shuffleKey);
}

TEST_F(EditingTest, SearchLooksOnlyInTheChosenFields) {
    playlist.resize(3);
    playlist[0].info = {.path = "/m/Liebe.mp3", .title = "Sommer", .artist = "Band"};
    playlist[1].info = {.path = "/m/x.mp3", .title = "Winter", .album = "LIEBE"};
    playlist[2].info = {.path = "/m/y.mp3", .title = "Herbst", .comment = "große Liebe"};
    EXPECT_TRUE(editor.SearchPlaylist("   ", SearchField::Everywhere).empty());
    const auto all = editor.SearchPlaylist(" liebe ", SearchField::Everywhere);
    ASSERT_EQ(all.size(), 2u);  // the path does not count
    EXPECT_EQ(all[0], (std::pair<size_t, std::string>{1, "Winter"}));
    EXPECT_EQ(editor.SearchPlaylist("liebe", SearchField::Comment).size(), 1u);
    EXPECT_TRUE(editor.SearchPlaylist("liebe", SearchField::Title).empty());
    EXPECT_EQ(editor.SearchPlaylist("GROSSE", SearchField::Comment).size(), 0u);
    EXPECT_EQ(editor.SearchPlaylist("GROßE", SearchField::Comment).size(), 1u);
}

TEST_F(EditingTest, CopyKeepsTheLaterOfTwoSameNames) {
    std::filesystem::create_directories(dir / "one");
    std::filesystem::create_directories(dir / "two");
    std::filesystem::create_directories(dir / "target");
    test::WriteFile(dir / "one/song.mp3", "first");
    test::WriteFile(dir / "two/song.mp3", "second");
    playlist.resize(3);
    playlist[0].info.path = dir / "one/song.mp3";
    playlist[1].info.path = dir / "missing.mp3";
    playlist[2].info.path = dir / "two/song.mp3";
    editor.CopyFiles({0, 1, 2}, dir / "target");
    EXPECT_EQ(test::ReadFile(dir / "target/song.mp3"), "second");
}

TEST(PlaylistRows, ShowOnlyPositiveNumbers) {
    TrackInfo info{.title = " Titel ", .artist = "A", .trackNumber = -1, .length = 0, .channelType = 0};
    EXPECT_EQ(PlaylistRowTexts(info), (std::array<std::string, 8>{"", "Titel", "A", "", "", "", "", ""}));
    info = {.title = "t", .year = 1999, .trackNumber = 7, .length = 3725, .channelType = 0x10005};
    EXPECT_EQ(PlaylistRowTexts(info),
              (std::array<std::string, 8>{"", "t", "", "", "7", "01:02:05", "1999", "MP3"}));
}

}  // namespace
}  // namespace sonvaro

namespace sonvaro {
namespace {

// The player's own way of fetching a list given by address.
PlaylistEditor::AddressReader FetchingReader() {
    return [](const std::string& address, const std::function<bool()>& keepWaiting) {
        audio::SmallText got = audio::FetchSmallText(address, keepWaiting);
        if (got.outcome != audio::SmallText::Outcome::Fetched)
            return PlaylistEditor::AddressText{{}, got.FailureText()};
        return PlaylistEditor::AddressText{std::move(got.body), {}};
    };
}

// Station lists: published as small .m3u/.pls files, often without a header.
TEST_F(EditingTest, StationListsAddTheirAddressesAsStreams) {
    test::WriteFile(dir / "station.m3u",
                    "http://radio.example/live\r\n" + wav + "\r\nhttps://radio.example/b\r\n");
    editor.AddToPlaylist(dir / "station.m3u");
    EXPECT_EQ(Paths(), (std::vector<std::string>{"http://radio.example/live", "https://radio.example/b"}));

    // An exported list holding streams reads back with them, in order.
    playlist.push_back({0, {}});
    playlist.back().info.path = wav;
    test::WriteFile(dir / "out.m3u", M3UText(playlist));
    test::WriteFile(dir / "out.pls", PLSText(playlist));
    for (const char* name : {"out.m3u", "out.pls"}) {
        Playlist again;
        PlaylistEditor reader{again, settings, tags, view};
        reader.AddToPlaylist(dir / name);
        ASSERT_EQ(again.size(), 3u) << name;
        EXPECT_EQ(again[0].info.path, "http://radio.example/live") << name;
        EXPECT_EQ(again[2].info.path, wav) << name;
    }
}

TEST_F(EditingTest, StationListGivenByAddressIsFetched) {
    support::LoopbackServer server([](support::LoopbackServer::Connection& c) {
        if (c.request.find("GET /live.mp3.m3u ") == 0)
            c.Send(
                "HTTP/1.0 200 OK\r\nContent-Type: audio/x-mpegurl\r\n\r\n"
                "#EXTM3U\r\n#EXTINF:-1,Test FM\r\nhttps://radio.example/live.mp3\r\nrelative.mp3\r\n");
        else if (c.request.find("GET /listen.pls ") == 0)
            c.Send(
                "HTTP/1.0 200 OK\r\n\r\n[playlist]\r\nFile1=http://radio.example/one\r\nFile2=/etc/passwd\r\n"
                "NumberOfEntries=2\r\n");
        else if (c.request.find("GET /huge.m3u ") == 0)
            c.Send("HTTP/1.0 200 OK\r\n\r\n" + std::string(300 * 1024, 'h'));
        else
            c.Send("HTTP/1.0 404 Not Found\r\n\r\n");
    });
    StatusLog log;
    log.SetOpen(true);
    PlaylistEditor withLog{playlist, settings, tags, view, &log};
    withLog.SetAddressReader(FetchingReader());
    withLog.AddToPlaylist(server.Url("/live.mp3.m3u"));
    withLog.AddToPlaylist(server.Url("/listen.pls"));
    withLog.AddToPlaylist(server.Url("/missing.m3u"));
    withLog.AddToPlaylist(server.Url("/huge.m3u"));
    // Only addresses come from a list on a server: no local file is named by one.
    EXPECT_EQ(Paths(),
              (std::vector<std::string>{"https://radio.example/live.mp3", "http://radio.example/one"}));
    int failures = 0;
    for (const std::string& line : log.LinesSince(0))
        failures += line.find("Playlist konnte nicht geladen werden") != std::string::npos;
    EXPECT_EQ(failures, 2);

    // Without a reader a list address adds nothing (it is no stream itself).
    playlist.clear();
    editor.AddToPlaylist(server.Url("/live.mp3.m3u"));
    EXPECT_TRUE(playlist.empty());
}

// Lists on a server whose entries are lists, each naming ten more: one adding
// operation fetches 64 of them at most, each once, depth first in their order.
TEST_F(EditingTest, StationListsNamingListsAreBoundedInRequests) {
    support::LoopbackServer server(
        [](support::LoopbackServer::Connection& c) {
            const size_t at = c.request.find("GET /l/");
            if (at != 0) return void(c.Send("HTTP/1.0 404 Not Found\r\n\r\n"));
            const long long n = std::atoll(c.request.c_str() + 7);
            std::string body = "http://radio.example/" + std::to_string(n) + "\n";
            // Past the bound the lists are empty: a player without one still ends.
            if (c.server.Requests().size() <= 80)
                for (int j = 1; j <= 10; ++j)
                    body += c.server.Url("/l/" + std::to_string(n * 10 + j) + ".m3u\n");
            // Every fourth list names the first one again: fetched once all the same.
            if (n % 4 == 3) body += c.server.Url("/l/0.m3u\n");
            c.Send("HTTP/1.0 200 OK\r\n\r\n" + body);
        },
        1000);
    StatusLog log;
    log.SetOpen(true);
    PlaylistEditor withLog{playlist, settings, tags, view, &log};
    withLog.SetAddressReader(FetchingReader());
    withLog.AddToPlaylist(server.Url("/l/0.m3u"));

    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 64u);
    // Depth first: the nesting bound (16 deep) turns the walk to the next sibling.
    EXPECT_EQ(requests[0].substr(0, 14), "GET /l/0.m3u H");
    EXPECT_EQ(requests[1].substr(0, 14), "GET /l/1.m3u H");
    EXPECT_EQ(requests[2].substr(0, 15), "GET /l/11.m3u H");
    ASSERT_EQ(playlist.size(), 64u);
    EXPECT_EQ(playlist[0].info.path, "http://radio.example/0");
    EXPECT_EQ(playlist[1].info.path, "http://radio.example/1");
    EXPECT_EQ(playlist[2].info.path, "http://radio.example/11");
    const std::vector<std::string> lines = log.LinesSince(0);
    EXPECT_EQ(
        std::count_if(lines.begin(), lines.end(),
                      [](const std::string& l) { return l.find("Zu viele Playlists") != std::string::npos; }),
        1);
}

TEST_F(EditingTest, StationListsAddTenThousandEntriesAtMostInAll) {
    support::LoopbackServer server([](support::LoopbackServer::Connection& c) {
        std::string body;
        if (c.request.find("GET /top.pls ") == 0) {
            body = "[playlist]\n";
            for (const char* name : {"a", "b", "c"})
                body += std::string("File1=") + c.server.Url("/") + name + ".m3u\n";
        } else {
            const char list = c.request[5];
            for (int k = 0; k < 4000; ++k)
                body += "http://r/" + std::string(1, list) + std::to_string(k) + "\n";
        }
        c.Send("HTTP/1.0 200 OK\r\n\r\n" + body);
    });
    editor.SetAddressReader(FetchingReader());
    editor.AddToPlaylist(server.Url("/top.pls"));
    ASSERT_EQ(playlist.size(), 10000u);
    EXPECT_EQ(playlist[0].info.path, "http://r/a0");
    EXPECT_EQ(playlist[3999].info.path, "http://r/a3999");
    EXPECT_EQ(playlist[4000].info.path, "http://r/b0");
    EXPECT_EQ(playlist[9999].info.path, "http://r/c1999");
    EXPECT_EQ(server.Requests().size(), 4u);
}

// While a list is fetched the caller's events are served; Escape cancels the
// fetch at once and no further list is asked for.
class HoldingView : public CountingView {
  public:
    void ProcessPendingEvents() override {
        if (fetching && server->Requests().size() == 2) ++servedWhileHeld;
    }
    bool EscapePressed() override { return servedWhileHeld > 0; }
    support::LoopbackServer* server = nullptr;
    bool fetching = false;  // inside the reader
    int servedWhileHeld = 0;
};

TEST_F(EditingTest, FetchingAListServesEventsAndEscapeCancelsIt) {
    std::atomic<bool> heldEnded{false};
    support::LoopbackServer server([&heldEnded](support::LoopbackServer::Connection& c) {
        if (c.request.find("GET /top.m3u ") == 0) {
            c.Send("HTTP/1.0 200 OK\r\n\r\n" + c.server.Url("/held.m3u") + "\n" + c.server.Url("/next.m3u") +
                   "\n");
        } else if (c.request.find("GET /held.m3u ") == 0) {
            // Held until the client goes away (bounded, for a client that never does).
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(15);
            char byte;
            for (pollfd p{c.fd, POLLIN, 0}; std::chrono::steady_clock::now() < until;)
                if (poll(&p, 1, 50) == 1 && recv(c.fd, &byte, 1, 0) <= 0) {
                    heldEnded = true;
                    break;
                }
        } else {
            c.Send("HTTP/1.0 200 OK\r\n\r\nhttp://radio.example/next\n");
        }
    });
    HoldingView holding;
    holding.server = &server;
    Playlist list;
    PlaylistEditor held{list, settings, tags, holding};
    held.SetAddressReader([&holding](const std::string& address, const std::function<bool()>& keepWaiting) {
        holding.fetching = true;
        PlaylistEditor::AddressText got = FetchingReader()(address, keepWaiting);
        holding.fetching = false;
        return got;
    });
    held.AddToPlaylist(server.Url("/top.m3u"));
    EXPECT_GE(holding.servedWhileHeld, 1);
    EXPECT_TRUE(held.AddingStopped());
    EXPECT_TRUE(list.empty());
    // The held connection was dropped by the cancel, not by the server's end.
    EXPECT_TRUE(test::WaitUntil([&] { return heldEnded.load(); }));
    EXPECT_EQ(server.Requests().size(), 2u);
}

// A list that cannot be had says why; a body that is no list adds nothing and says nothing.
TEST_F(EditingTest, AFailedListFetchSaysWhy) {
    support::LoopbackServer server([](support::LoopbackServer::Connection& c) {
        if (c.request.find("GET /huge.m3u ") == 0)
            c.Send("HTTP/1.0 200 OK\r\n\r\n" + std::string(300 * 1024, 'h'));
        else if (c.request.find("GET /page.m3u ") == 0)
            c.Send("HTTP/1.0 200 OK\r\n\r\n<html><body>Radio</body></html>\n");
        else
            c.Send("HTTP/1.0 404 Not Found\r\n\r\n");
    });
    std::string refused;
    {
        support::LoopbackServer gone([](support::LoopbackServer::Connection&) {});
        refused = gone.Url("/gone.m3u");
    }
    StatusLog log;
    log.SetOpen(true);
    PlaylistEditor withLog{playlist, settings, tags, view, &log};
    withLog.SetAddressReader(FetchingReader());
    const std::pair<std::string, std::string> cases[] = {
        {server.Url("/missing.m3u"), "HTTP 404"},
        {server.Url("/huge.m3u"), "zu groß"},
        {refused, "Verbindung fehlgeschlagen"},
        {server.Url("/page.m3u"), ""},
    };
    for (const auto& [address, why] : cases) {
        const size_t before = log.LinesSince(0).size();
        withLog.AddToPlaylist(address);
        EXPECT_EQ(withLog.AddressFailure(), why) << address;
        const std::vector<std::string> lines = log.LinesSince(before);
        if (why.empty()) {
            EXPECT_TRUE(lines.empty()) << address;
        } else {
            ASSERT_EQ(lines.size(), 1u) << address;
            EXPECT_NE(lines[0].find("Playlist konnte nicht geladen werden: '" + address + "' (" + why + ")"),
                      std::string::npos)
                << lines[0];
        }
    }
    EXPECT_TRUE(playlist.empty());
}

}  // namespace
}  // namespace sonvaro
