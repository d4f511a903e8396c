// Scanning, validation and the background refresh over real folders, with a
// tag reader that takes a file's text as its title ("!" marks unreadable).
#include "library/library_scan.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <mutex>

#include "core/status_log.h"
#include "core/text.h"
#include "support/test_support.h"
#include "support/wait.h"

namespace sonvaro {
namespace {

using test::TempDir;
using test::WriteFile;

int TextReader(TrackInfo& info) {
    const std::string text = test::ReadFile(info.path);
    if (text.empty() || text[0] == '!') return 0;
    info.title = text;
    info.channelType = 7;
    return 1;
}

LibraryEntry Entry(const std::string& path, const std::string& title = {}) {
    LibraryEntry e;
    e.info.path = path;
    e.info.title = title;
    return e;
}

std::vector<std::string> Paths(Library& library) {
    std::vector<std::string> out;
    for (const auto& e : library.entries) out.push_back(e.info.path);
    return out;
}

ScanOptions FastScan(const std::string& root) {
    return {root, false, {}};
}

TEST(LibraryScan, OnlySubFoldersInNameOrderAndUnreadableFilesSkipped) {
    TempDir dir;
    WriteFile(dir / "top.mp3", "top");  // directly in the library folder: not scanned
    std::filesystem::create_directories(dir / "b/inner");
    std::filesystem::create_directories(dir / "a");
    WriteFile(dir / "b/inner/2.mp3", "two");
    WriteFile(dir / "b/1.mp3", "one");
    WriteFile(dir / "a/z.mp3", "zed");
    WriteFile(dir / "a/cover.jpg", "!picture");
    WriteFile(dir / "a/empty.mp3", "");
    Library library;
    WorkerState workers;
    EXPECT_EQ(RunLibraryScan(library, workers, FastScan(dir.path()), TextReader), 5u);
    EXPECT_EQ(Paths(library),
              (std::vector<std::string>{dir / "a/z.mp3", dir / "b/1.mp3", dir / "b/inner/2.mp3"}));
    EXPECT_EQ(library.entries[0].info.title, "zed");
}

TEST(LibraryScan, FilesOnlyDirectlyInTheFolderAddNothing) {
    TempDir dir;
    WriteFile(dir / "a.mp3", "a");
    WriteFile(dir / "b.mp3", "b");
    Library library;
    WorkerState workers;
    RunLibraryScan(library, workers, FastScan(dir.path()), TextReader);
    EXPECT_TRUE(library.entries.empty());
}

// Names that differ only in capitals are two files here: each keeps its own
// entry, tags and statistics through a scan, validation, adding and playing.
TEST(LibraryScan, CaseTwinsAreTwoEntriesEachWithItsOwnTags) {
    TempDir dir;
    std::filesystem::create_directories(dir / "Sub");
    WriteFile(dir / "Sub/Song.mp3", "upper");
    WriteFile(dir / "Sub/song.mp3", "lower");
    Library library;
    LibraryEntry old = Entry(dir / "Sub/song.mp3", "old title");
    old.playCount = 4;
    old.flags = 1;
    library.entries.push_back(old);
    WorkerState workers;
    EXPECT_EQ(RunLibraryScan(library, workers, FastScan(dir.path()), TextReader), 2u);
    ASSERT_EQ(Paths(library), (std::vector<std::string>{dir / "Sub/song.mp3", dir / "Sub/Song.mp3"}));
    EXPECT_EQ(library.entries[0].info.title, "lower");
    EXPECT_EQ(library.entries[0].playCount, 4);
    EXPECT_EQ(library.entries[0].flags, 1);
    EXPECT_EQ(library.entries[1].info.title, "upper");
    EXPECT_EQ(library.entries[1].playCount, 0);

    EXPECT_EQ(ValidateLibrary(library, dir.path()).removed, 0u);
    ASSERT_EQ(library.entries.size(), 2u);

    WriteFile(dir / "Sub/Song.mp3", "upper again");
    EXPECT_EQ(AddFileToLibrary(library, dir / "Sub/Song.mp3", dir.path(), TextReader), AddOutcome::Updated);
    EXPECT_EQ(library.entries[1].info.title, "upper again");
    EXPECT_EQ(library.entries[0].info.title, "lower");
    EXPECT_EQ(UpdatePlayedEntries(library, dir / "Sub/Song.mp3", library.entries[1].info, 99), 1u);
    EXPECT_EQ(library.entries[1].playCount, 1);
    EXPECT_EQ(library.entries[0].playCount, 4);
    // A name in other capitals is another file, not yet in the library.
    WriteFile(dir / "Sub/SONG.mp3", "shout");
    EXPECT_EQ(AddFileToLibrary(library, dir / "Sub/SONG.mp3", dir.path(), TextReader), AddOutcome::Added);
    EXPECT_EQ(library.entries.size(), 3u);

    // The library folder is matched byte for byte too.
    EXPECT_TRUE(InLibraryFolder("/Musik/a/x.mp3", "/Musik/"));
    EXPECT_FALSE(InLibraryFolder("/musik/a/x.mp3", "/Musik/"));
    EXPECT_EQ(AddFileToLibrary(library, dir / "Sub/song.mp3", FoldCase(dir / "SUB/"), TextReader),
              AddOutcome::Outside);
}

TEST(LibraryScan, AddingRespectsTheFolderTheLimitAndUnreadableFiles) {
    TempDir dir;
    WriteFile(dir / "a.mp3", "a");
    WriteFile(dir / "bad.mp3", "!");
    Library library;
    EXPECT_EQ(AddFileToLibrary(library, dir / "a.mp3", "/somewhere/else/", TextReader), AddOutcome::Outside);
    EXPECT_EQ(AddFileToLibrary(library, dir / "bad.mp3", "", TextReader), AddOutcome::Unreadable);
    // An empty library folder takes files from anywhere (playing adds them).
    EXPECT_EQ(AddFileToLibrary(library, dir / "a.mp3", "", TextReader), AddOutcome::Added);

    library.entries.clear();
    library.entries.resize(100000, Entry("/x"));
    library.entries[5] = Entry(dir / "a.mp3");
    WriteFile(dir / "b.mp3", "b");
    EXPECT_EQ(AddFileToLibrary(library, dir / "b.mp3", "", TextReader), AddOutcome::Full);
    EXPECT_EQ(AddFileToLibrary(library, dir / "a.mp3", "", TextReader), AddOutcome::Updated);
    EXPECT_EQ(library.entries.size(), 100000u);
    EXPECT_EQ(library.entries[5].info.title, "a");
}

TEST(LibraryScan, FullLibraryShowsTheLimitOnceAndStillRefreshes) {
    TempDir dir;
    std::filesystem::create_directories(dir / "s");
    WriteFile(dir / "s/a.mp3", "fresh");
    WriteFile(dir / "s/b.mp3", "b");
    Library library;
    library.entries.resize(99999, Entry(dir / "s/filler.mp3"));
    WriteFile(dir / "s/filler.mp3", "filler");
    library.entries.push_back(Entry(dir / "s/a.mp3", "stale"));
    WorkerState workers;
    test::RecordingMessages messages;
    ASSERT_TRUE(StartLibraryScan(library, workers, FastScan(dir.path()), TextReader, messages));
    ASSERT_TRUE(test::WaitUntil([&] { return !workers.scanRunning; }));
    workers.scanThread.join();
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text,
              "Ihre Medienbibliothek hat das Limit von '100000' erreicht.\nEs werden keine weiteren Dateien "
              "hinzugefügt!");
    EXPECT_EQ(messages.boxes[0].title, "Hinweis");
    EXPECT_EQ(library.entries.size(), 100000u);
    EXPECT_EQ(library.entries.back().info.title, "fresh");
}

TEST(LibraryScan, MissingFolderDoesNothingAtAllAndSaysSo) {
    Library library;
    library.entries.push_back(Entry("/gone/file.mp3"));
    WorkerState workers;
    test::RecordingMessages messages;
    StatusLog log;
    log.SetOpen(true);
    ScanOptions options = FastScan("/no/such/folder/");
    options.log = &log;
    EXPECT_FALSE(StartLibraryScan(library, workers, options, TextReader, messages));
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text, "Medienbibliothek nicht erreichbar: '/no/such/folder/'");
    EXPECT_EQ(messages.boxes[0].title, "Hinweis");
    ASSERT_EQ(log.LineCount(), 1u);
    EXPECT_EQ(log.LinesSince(0)[0].substr(11), "Medienbibliothek nicht erreichbar: '/no/such/folder/'");
    // No folder set: nothing to scan and nothing to say.
    EXPECT_FALSE(StartLibraryScan(library, workers, FastScan(""), TextReader, messages));
    EXPECT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(library.entries.size(), 1u);  // not validated either
    EXPECT_FALSE(workers.scanThread.joinable());
}

TEST(LibraryScan, LinkLoopsUnreadableFoldersAndLongPathsEndCleanly) {
    TempDir dir;
    std::filesystem::create_directories(dir / "a/b");
    WriteFile(dir / "a/b/t.mp3", "t");
    std::filesystem::create_directory_symlink(dir / "a", dir / "a/b/loop");
    std::filesystem::create_directories(dir / "locked");
    WriteFile(dir / "locked/x.mp3", "x");
    ::chmod((dir / "locked").c_str(), 0);
    // A path of about 4,000 bytes: 16 nested folders of 240-byte names.
    std::string deep = dir.path() + "d";
    std::filesystem::create_directories(deep);
    for (int i = 0; i < 16; ++i) {
        deep += "/" + std::string(240, static_cast<char>('a' + i));
        std::filesystem::create_directories(deep);
    }
    WriteFile(deep + "/deep.mp3", "deep");
    Library library;
    WorkerState workers;
    RunLibraryScan(library, workers, FastScan(dir.path()), TextReader);
    ::chmod((dir / "locked").c_str(), 0755);
    std::vector<std::string> expected{dir / "a/b/t.mp3", deep + "/deep.mp3"};
    if (::geteuid() == 0) expected.push_back(dir / "locked/x.mp3");  // root reads any folder
    EXPECT_EQ(Paths(library), expected);
    EXPECT_GT(library.entries[1].info.path.size(), 3850u);
}

TEST(LibraryScan, StopRequestEndsAScanAndShutDownWaitIsBounded) {
    TempDir dir;
    std::filesystem::create_directories(dir / "s");
    for (int i = 0; i < 200; ++i) WriteFile(dir / ("s/" + std::to_string(1000 + i) + ".mp3"), "x");
    Library library;
    WorkerState workers;
    test::RecordingMessages messages;
    std::atomic<int> reads{0};
    std::atomic<bool> release{false};
    // The reader blocks on the third file until released: a scan stuck in one read.
    const TrackReadFn slow = [&](TrackInfo& info) {
        if (++reads == 3)
            while (!release) std::this_thread::yield();
        return TextReader(info);
    };
    ScanOptions options{dir.path(), true, [](int) {}};
    ASSERT_TRUE(StartLibraryScan(library, workers, options, slow, messages));
    ASSERT_TRUE(test::WaitUntil([&] { return reads >= 3; }));
    EXPECT_TRUE(workers.busy);
    // A thread stuck longer than the limit is let go: the wait returns.
    EXPECT_FALSE(workers.JoinWithin(workers.scanThread, workers.scanRunning, std::chrono::milliseconds(50)));
    EXPECT_FALSE(workers.scanThread.joinable());
    StopLibraryScan(workers);
    release = true;
    // Read under the state's lock: only then may the state be freed after it.
    ASSERT_TRUE(workers.JoinWithin(workers.scanThread, workers.scanRunning, std::chrono::seconds(10)));
    EXPECT_EQ(reads, 3);  // nothing read after the stop
    EXPECT_FALSE(workers.busy);
}

TEST(LibraryValidation, KeepsStationsRemovesMovedVanishedEmptyAndFolders) {
    TempDir dir;
    std::filesystem::create_directories(dir / "lib/sub");
    std::filesystem::create_directories(dir / "outside");
    WriteFile(dir / "lib/sub/kept.mp3", "k");
    WriteFile(dir / "lib/sub/empty.mp3", "");
    WriteFile(dir / "outside/moved.mp3", "m");
    Library library;
    for (const std::string& p : {dir / "lib/sub/kept.mp3", std::string("HTTP://radio.example/live"),
                                 std::string("https://radio.example/x"), dir / "outside/moved.mp3",
                                 dir / "lib/sub/vanished.mp3", dir / "lib/sub/empty.mp3", dir / "lib/sub"})
        library.entries.push_back(Entry(p));
    EXPECT_EQ(ValidateLibrary(library, dir / "lib/").removed, 4u);
    EXPECT_EQ(Paths(library), (std::vector<std::string>{dir / "lib/sub/kept.mp3", "HTTP://radio.example/live",
                                                        "https://radio.example/x"}));
}

// An unplugged drive: the folder renamed away, or there but with none of the
// library's files in it. Play counts and bookmarks must survive until it is back.
TEST(LibraryValidation, AMissingFolderOrTheLossOfEveryFileRemovesNothing) {
    TempDir dir;
    std::filesystem::create_directories(dir / "lib/sub");
    WriteFile(dir / "lib/sub/a.mp3", "a");
    WriteFile(dir / "lib/sub/b.mp3", "b");
    Library library;
    for (const std::string& p : {dir / "lib/sub/a.mp3", std::string("http://radio.example/live"),
                                 dir / "lib/sub/b.mp3", dir / "lib/sub/gone.mp3"})
        library.entries.push_back(Entry(p));
    library.entries[0].playCount = 7;
    library.entries[0].flags = 1;
    const std::vector<std::string> all = Paths(library);

    std::filesystem::rename(dir / "lib", dir / "away");
    ValidationResult result = ValidateLibrary(library, dir / "lib/");
    EXPECT_EQ(result.outcome, Validation::FolderUnreachable);
    EXPECT_EQ(result.removed, 0u);
    EXPECT_EQ(Paths(library), all);
    EXPECT_FALSE(LibraryFolderReachable(dir / "lib/"));
    EXPECT_TRUE(LibraryFolderReachable(""));

    // The folder is there (an empty mount point) but no file is.
    std::filesystem::create_directories(dir / "lib/sub");
    result = ValidateLibrary(library, dir / "lib/");
    EXPECT_EQ(result.outcome, Validation::NoFileReachable);
    EXPECT_EQ(result.removed, 0u);
    EXPECT_EQ(Paths(library), all);
    EXPECT_EQ(library.entries[0].playCount, 7);

    // One file back: the others are really gone.
    std::filesystem::rename(dir / "away/sub/a.mp3", dir / "lib/sub/a.mp3");
    result = ValidateLibrary(library, dir / "lib/");
    EXPECT_EQ(result.outcome, Validation::Checked);
    EXPECT_EQ(result.removed, 2u);
    EXPECT_EQ(Paths(library), (std::vector<std::string>{dir / "lib/sub/a.mp3", "http://radio.example/live"}));
    EXPECT_EQ(library.entries[0].playCount, 7);
}

// The check runs beside the window and the player: the library stays usable
// while the files are looked at, and a stop part-way removes nothing.
TEST(LibraryValidation, LooksAtTheFilesWithoutTheLockAndAStopRemovesNothing) {
    TempDir dir;
    std::filesystem::create_directories(dir / "lib/sub");
    WriteFile(dir / "lib/sub/a.mp3", "a");
    Library library;
    for (const std::string& p : {dir / "lib/sub/a.mp3", dir / "lib/sub/gone.mp3", dir / "lib/sub/gone.mp3"})
        library.entries.push_back(Entry(p));
    const std::vector<std::string> all = Paths(library);
    EXPECT_EQ(ValidateLibrary(library, dir / "lib/", [] { return true; }).removed, 0u);
    EXPECT_EQ(Paths(library), all);

    bool lockFree = false;
    const auto meanwhile = [&] {
        // Added while the files are looked at: not looked at, so kept.
        if (!library.libraryLock.try_lock()) return false;
        lockFree = true;
        if (library.entries.size() == 3) library.entries.push_back(Entry(dir / "lib/sub/new.mp3"));
        library.libraryLock.unlock();
        return false;
    };
    const ValidationResult result = ValidateLibrary(library, dir / "lib/", meanwhile);
    EXPECT_TRUE(lockFree);
    EXPECT_EQ(result.removed, 2u);  // both entries of the same vanished file
    EXPECT_EQ(Paths(library), (std::vector<std::string>{dir / "lib/sub/a.mp3", dir / "lib/sub/new.mp3"}));
}

TEST(BackgroundRefresh, ResumesAfterTheStoredIndexAndWraps) {
    TempDir dir;
    Library library;
    for (const char* name : {"a", "b", "c"}) {
        WriteFile(dir / name, std::string("title ") + name);
        library.entries.push_back(Entry(dir / name));
    }
    WorkerState workers;
    workers.backgroundIndex = 1;
    ASSERT_TRUE(BackgroundRefreshStep(library, workers, TextReader));
    EXPECT_EQ(workers.backgroundIndex, 2);
    EXPECT_EQ(library.entries[2].info.title, "title c");
    EXPECT_EQ(library.entries[0].info.title, "");
    EXPECT_EQ(workers.BackgroundText(), "c");
    BackgroundRefreshStep(library, workers, TextReader);
    EXPECT_EQ(workers.backgroundIndex, 0);
    EXPECT_EQ(library.entries[0].info.title, "title a");
    workers.backgroundIndex = -7;  // a broken stored value starts over
    BackgroundRefreshStep(library, workers, TextReader);
    EXPECT_EQ(workers.backgroundIndex, 0);
}

TEST(BackgroundRefresh, DeletedFileGoesWithinOnePassStationsAndChannelTypeStay) {
    TempDir dir;
    Library library;
    for (const char* name : {"a", "b", "c", "d"}) {
        WriteFile(dir / name, name);
        library.entries.push_back(Entry(dir / name));
    }
    library.entries[1].info.channelType = 99;
    library.entries.insert(library.entries.begin() + 2, Entry("http://station/x", "Station"));
    std::filesystem::remove(dir / "c");
    WorkerState workers;
    workers.backgroundIndex = 4;  // the next step wraps to 0
    for (int i = 0; i < 5; ++i) BackgroundRefreshStep(library, workers, TextReader);
    EXPECT_EQ(Paths(library),
              (std::vector<std::string>{dir / "a", dir / "b", "http://station/x", dir / "d"}));
    EXPECT_EQ(library.entries[1].info.channelType, 99);
    EXPECT_EQ(library.entries[2].info.title, "Station");
    EXPECT_EQ(library.entries[3].info.title, "d");  // the entry after the removed one was not skipped
}

// Setting the engine up anew (a new device in the settings) makes reads fail
// for a moment; the files are fine and must stay in the library.
TEST(BackgroundRefresh, AReadThatFailsWhileTheEngineIsSetUpAnewRemovesNothing) {
    TempDir dir;
    Library library;
    WriteFile(dir / "a", "a");
    WriteFile(dir / "b", "b");
    library.entries.push_back(Entry(dir / "a"));
    library.entries.push_back(Entry(dir / "b"));
    WorkerState workers;
    const auto failDuringReset = [&](TrackInfo&) {
        workers.BeginEngineReset();
        workers.EndEngineReset();
        return 0;
    };
    BackgroundRefreshStep(library, workers, failDuringReset);
    workers.BeginEngineReset();
    BackgroundRefreshStep(library, workers, [](TrackInfo&) { return 0; });
    EXPECT_EQ(library.entries.size(), 2u);
    workers.EndEngineReset();
    BackgroundRefreshStep(library, workers, [](TrackInfo&) { return 0; });
    EXPECT_EQ(library.entries.size(), 1u);  // an unreadable file still goes
}

std::vector<std::string> LogTexts(const StatusLog& log) {
    std::vector<std::string> texts;
    for (const std::string& line : log.LinesSince(0)) texts.push_back(line.substr(11));
    return texts;
}

// The library folder renamed away while the player runs, then every file
// gone from a folder that is there: the refresh keeps every entry and says
// so once; once files can be read again, a really deleted one goes.
TEST(BackgroundRefresh, AMissingFolderOrNoReachableFileRemovesNothingAndSaysSoOnce) {
    TempDir dir;
    std::filesystem::create_directories(dir / "lib/sub");
    Library library;
    for (const char* name : {"a", "b", "c"}) {
        WriteFile(dir / ("lib/sub/" + std::string(name)), name);
        library.entries.push_back(Entry(dir / ("lib/sub/" + std::string(name))));
    }
    library.entries.push_back(Entry("http://station/x", "Station"));
    library.entries[1].playCount = 3;
    WorkerState workers;
    workers.SetLibraryFolder(dir / "lib/");
    StatusLog log;
    log.SetOpen(true);
    const std::vector<std::string> all = Paths(library);

    std::filesystem::rename(dir / "lib", dir / "away");
    for (int i = 0; i < 8; ++i) BackgroundRefreshStep(library, workers, TextReader, &log);
    EXPECT_EQ(Paths(library), all);
    EXPECT_EQ(LogTexts(log),
              (std::vector<std::string>{"Medienbibliothek nicht erreichbar: '" + dir.path() + "lib/'"}));

    // Back, but empty (a mount point without its drive).
    std::filesystem::create_directories(dir / "lib/sub");
    for (int i = 0; i < 8; ++i) BackgroundRefreshStep(library, workers, TextReader, &log);
    EXPECT_EQ(Paths(library), all);
    EXPECT_EQ(library.entries[1].playCount, 3);
    EXPECT_EQ(LogTexts(log),
              (std::vector<std::string>{"Medienbibliothek nicht erreichbar: '" + dir.path() + "lib/'",
                                        "Medienbibliothek: keine Datei erreichbar – nichts entfernt"}));

    // Two files come back; the third was deleted meanwhile and goes.
    std::filesystem::rename(dir / "away/sub/a", dir / "lib/sub/a");
    std::filesystem::rename(dir / "away/sub/b", dir / "lib/sub/b");
    for (int i = 0; i < 8; ++i) BackgroundRefreshStep(library, workers, TextReader, &log);
    EXPECT_EQ(Paths(library),
              (std::vector<std::string>{dir / "lib/sub/a", dir / "lib/sub/b", "http://station/x"}));
    EXPECT_EQ(library.entries[1].playCount, 3);
    EXPECT_EQ(log.LineCount(), 2u);

    // Gone again later: said again.
    std::filesystem::rename(dir / "lib", dir / "away2");
    for (int i = 0; i < 4; ++i) BackgroundRefreshStep(library, workers, TextReader, &log);
    EXPECT_EQ(library.entries.size(), 3u);
    EXPECT_EQ(log.LineCount(), 3u);
}

TEST(BackgroundRefresh, LongNamesAreCutAndTheThreadStepsOnItsClockAndStops) {
    EXPECT_EQ(BackgroundCheckName("/m/" + std::string(50, 'n')), std::string(50, 'n'));
    EXPECT_EQ(BackgroundCheckName("/m/" + std::string(51, 'n')), std::string(47, 'n') + "...");
    // Letters, not bytes: "ä" is two bytes and is never split.
    const auto umlauts = [](int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += "\xC3\xA4";
        return s;
    };
    EXPECT_EQ(BackgroundCheckName("/m/" + umlauts(50)), umlauts(50));
    EXPECT_EQ(BackgroundCheckName("/m/" + umlauts(51)), umlauts(47) + "...");
    EXPECT_EQ(BackgroundCheckName("/m/x" + umlauts(60)), "x" + umlauts(46) + "...");

    TempDir dir;
    WriteFile(dir / "a", "A");
    Library library;
    library.entries.push_back(Entry(dir / "a"));
    WorkerState workers;
    std::atomic<uint32_t> now{4294967000u};  // the counter wraps on the way
    BackgroundOptions options{[&] { return now.load(); }, std::chrono::milliseconds(2500),
                              std::chrono::milliseconds(1)};
    StartBackgroundRefresh(library, workers, options, TextReader);
    now = now + 2499;
    const auto title = [&] {
        std::lock_guard lock(library.libraryLock);
        return library.entries[0].info.title;
    };
    // Not due yet: give the thread many polls, then check that it did nothing.
    for (int i = 0; i < 20; ++i) workers.WaitForStop(std::chrono::milliseconds(1), workers.shuttingDown);
    EXPECT_EQ(title(), "");
    now = now + 1;
    EXPECT_TRUE(test::WaitUntil([&] { return title() == "A"; }));
    StopLibraryThreads(workers, std::chrono::milliseconds(2500));
    EXPECT_FALSE(workers.backgroundThread.joinable());
    EXPECT_FALSE(workers.backgroundRunning);
}

TEST(LibraryShutDown, AScanStuckInAReadIsLetGoAndSaidSo) {
    TempDir dir;
    std::filesystem::create_directories(dir / "sub");
    WriteFile(dir / "sub/a", "A");
    // What a thread that was let go uses must outlive it: never freed here.
    struct Shared {
        Library library;
        WorkerState workers;
        std::mutex gate;
        std::atomic<bool> reading{false};
    };
    auto* shared = test::KeptForever(new Shared);
    std::unique_lock closed(shared->gate);
    auto stuck = [shared](TrackInfo& info) {
        shared->reading = true;
        std::lock_guard wait(shared->gate);  // a read on a disk that does not answer
        return TextReader(info);
    };
    test::RecordingMessages messages;
    ASSERT_TRUE(StartLibraryScan(shared->library, shared->workers, FastScan(dir.path()), stuck, messages));
    ASSERT_TRUE(test::WaitUntil([&] { return shared->reading.load(); }));
    // The wait is bounded, and the caller learns that the thread was let go.
    EXPECT_FALSE(StopLibraryThreads(shared->workers, std::chrono::milliseconds(20)));
    EXPECT_FALSE(shared->workers.scanThread.joinable());
    closed.unlock();
    EXPECT_TRUE(test::WaitUntil([&] { return !shared->workers.scanRunning.load(); }));
    // Nothing running: a shut-down reports every thread ended.
    WorkerState idle;
    EXPECT_TRUE(StopLibraryThreads(idle, std::chrono::milliseconds(20)));
}

TEST(LibraryScan, HundredThousandFilesEndAtTheLimitWithOneEntryEach) {
    TempDir dir;
    std::filesystem::create_directories(dir / "big");
    for (int i = 0; i < 100005; ++i) WriteFile(dir / ("big/" + std::to_string(1000000 + i) + ".mp3"), "t");
    Library library;
    library.entries.push_back(Entry(dir / "big/1000003.mp3"));  // met again
    WorkerState workers;
    EXPECT_EQ(RunLibraryScan(library, workers, FastScan(dir.path()), TextReader), 100005u);
    ASSERT_EQ(library.entries.size(), 100000u);
    EXPECT_EQ(library.entries[0].info.title, "t");
    EXPECT_EQ(library.entries[1].info.path, dir / "big/1000000.mp3");
    EXPECT_EQ(library.entries.back().info.path, dir / "big/1099999.mp3");  // 99,999 new ones fit
}

TEST(LibraryScan, PathIndexFollowsAppendsAndRemovalsByOthers) {
    Library library;
    for (const char* p : {"/m/a", "/m/b", "/m/c"}) library.entries.push_back(Entry(p));
    LibraryPathIndex index;
    EXPECT_EQ(index.Find(library, "/m/c"), 2);
    EXPECT_EQ(index.Find(library, "/M/C"), -1);  // another file
    library.entries.push_back(Entry("/m/d"));    // appended by playback
    EXPECT_EQ(index.Find(library, "/m/d"), 3);
    library.entries.erase(library.entries.begin());  // removed by the background refresh
    ++library.removals;
    library.entries.push_back(Entry("/m/e"));  // the count is back where it was
    EXPECT_EQ(index.Find(library, "/m/a"), -1);
    EXPECT_EQ(index.Find(library, "/m/d"), 2);
    EXPECT_EQ(index.Find(library, "/m/e"), 3);
}

}  // namespace
}  // namespace sonvaro
