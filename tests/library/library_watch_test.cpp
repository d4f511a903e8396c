// The library watch over real folders with real inotify, with a tag reader
// that takes a file's text as its title ("!" marks unreadable) and counts reads.
#include "library/library_watch.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>

#include "core/status_log.h"
#include "support/test_support.h"
#include "support/wait.h"

namespace sonvaro {
namespace {

namespace fs = std::filesystem;
using test::WaitUntil;
using test::WriteFile;

constexpr auto kFollowTime = std::chrono::seconds(2);

// A library watched over a temp folder's "lib/", stopped at the end.
class WatchedLibrary {
  public:
    explicit WatchedLibrary(std::vector<LibraryEntry> entries = {}, size_t maxWatches = 0,
                            std::function<bool(const std::string&)> isSilent = {}) {
        fs::create_directories(root);
        library.entries = std::move(entries);
        log.SetOpen(true);
        workers.SetLibraryFolder(root);
        options.maxWatches = maxWatches;
        options.isSilent = std::move(isSilent);
        options.log = &log;
        options.onWatching = [this](const LibraryWatchReport& report) {
            std::lock_guard lock(mutex);
            reports.push_back(report);
        };
    }
    ~WatchedLibrary() { StopLibraryThreads(workers); }

    // Starts the watch and waits until it is set up.
    void Start() {
        StartLibraryWatch(library, workers, options, [this](TrackInfo& info) {
            {
                std::lock_guard lock(mutex);
                ++reads[info.path];
            }
            if (beforeRead) beforeRead(info.path);
            const std::string text = test::ReadFile(info.path);
            if (text.empty() || text[0] == '!') return 0;
            info.title = text;
            return 1;
        });
        ASSERT_TRUE(WaitUntil([&] { return Reports() > 0; }));
    }
    size_t Reports() {
        std::lock_guard lock(mutex);
        return reports.size();
    }
    LibraryWatchReport LastReport() {
        std::lock_guard lock(mutex);
        return reports.back();
    }
    int Reads(const std::string& path) {
        std::lock_guard lock(mutex);
        return reads[path];
    }

    // The entry at `path`, nullopt when there is none.
    std::optional<LibraryEntry> Entry(const std::string& path) {
        std::lock_guard lock(library.libraryLock);
        for (const LibraryEntry& e : library.entries)
            if (e.info.path == path) return e;
        return std::nullopt;
    }
    bool Shows(const std::string& path, const std::string& title) {
        const auto e = Entry(path);
        return e && e->info.title == title;
    }
    size_t Size() {
        std::lock_guard lock(library.libraryLock);
        return library.entries.size();
    }
    size_t LogLinesWith(const std::string& text) {
        size_t n = 0;
        for (const std::string& line : log.LinesSince(0)) n += line.find(text) != std::string::npos;
        return n;
    }

    test::TempDir dir;
    const std::string root = dir / "lib/";
    Library library;
    WorkerState workers;
    StatusLog log;
    LibraryWatchOptions options;
    std::mutex mutex;
    std::vector<LibraryWatchReport> reports;
    std::map<std::string, int> reads;
    std::function<void(const std::string& path)> beforeRead;  // set before Start
};

LibraryEntry Stored(const std::string& path, const std::string& title, int16_t playCount = 0) {
    LibraryEntry e;
    e.info.path = path;
    e.info.title = title;
    e.playCount = playCount;
    return e;
}

TEST(LibraryWatch, FollowsFilesCreatedChangedMovedAndRemoved) {
    WatchedLibrary w;
    fs::create_directories(w.root + "a");
    fs::create_directories(w.root + "b");
    WriteFile(w.root + "a/old.mp3", "old");
    WriteFile(w.root + "a/keep.mp3", "keep");
    w.library.entries = {Stored(w.root + "a/old.mp3", "old", 5), Stored(w.root + "a/keep.mp3", "keep")};
    w.Start();
    EXPECT_EQ(w.LastReport().watches, 3u);
    const uint64_t changes = w.library.diskChanges;

    WriteFile(w.root + "a/new.mp3", "fresh");
    EXPECT_TRUE(WaitUntil([&] { return w.Shows(w.root + "a/new.mp3", "fresh"); }, kFollowTime));
    EXPECT_GT(w.library.diskChanges, changes);

    WriteFile(w.root + "a/new.mp3", "changed tags");
    EXPECT_TRUE(WaitUntil([&] { return w.Shows(w.root + "a/new.mp3", "changed tags"); }, kFollowTime));

    // Renamed within the library: the entry keeps its statistics and is not read again.
    fs::rename(w.root + "a/old.mp3", w.root + "b/renamed.mp3");
    EXPECT_TRUE(WaitUntil([&] { return w.Entry(w.root + "b/renamed.mp3").has_value(); }, kFollowTime));
    EXPECT_FALSE(w.Entry(w.root + "a/old.mp3"));
    EXPECT_EQ(w.Entry(w.root + "b/renamed.mp3")->playCount, 5);
    EXPECT_EQ(w.Reads(w.root + "b/renamed.mp3"), 0);

    // A whole folder renamed: every entry below follows.
    fs::rename(w.root + "b", w.root + "c");
    EXPECT_TRUE(WaitUntil([&] { return w.Entry(w.root + "c/renamed.mp3").has_value(); }, kFollowTime));
    EXPECT_EQ(w.Entry(w.root + "c/renamed.mp3")->playCount, 5);

    fs::remove(w.root + "a/new.mp3");
    EXPECT_TRUE(WaitUntil([&] { return !w.Entry(w.root + "a/new.mp3"); }, kFollowTime));

    // A file written in place, renamed over an entry (as downloaders and
    // editors save): the entry takes the new tags and keeps its statistics.
    WriteFile(w.root + "c/renamed.mp3.part", "replaced");
    fs::rename(w.root + "c/renamed.mp3.part", w.root + "c/renamed.mp3");
    EXPECT_TRUE(WaitUntil([&] { return w.Shows(w.root + "c/renamed.mp3", "replaced"); }, kFollowTime));
    EXPECT_EQ(w.Entry(w.root + "c/renamed.mp3")->playCount, 5);
    EXPECT_FALSE(w.Entry(w.root + "c/renamed.mp3.part"));

    // Files directly in the library folder are left out, as by the scan;
    // unreadable files never enter.
    WriteFile(w.root + "top.mp3", "top");
    WriteFile(w.root + "a/cover.jpg", "!picture");
    WriteFile(w.root + "a/marker.mp3", "marker");
    EXPECT_TRUE(WaitUntil([&] { return w.Entry(w.root + "a/marker.mp3").has_value(); }, kFollowTime));
    EXPECT_FALSE(w.Entry(w.root + "top.mp3"));
    EXPECT_FALSE(w.Entry(w.root + "a/cover.jpg"));
    EXPECT_EQ(w.Size(), 3u);  // keep, renamed, marker
}

TEST(LibraryWatch, ReadsAFileAgainOnlyWhenSizeOrTimeChanged) {
    WatchedLibrary w;
    fs::create_directories(w.root + "a");
    w.Start();
    WriteFile(w.root + "a/song.mp3", "song");
    ASSERT_TRUE(WaitUntil([&] { return w.Shows(w.root + "a/song.mp3", "song"); }, kFollowTime));
    const int reads = w.Reads(w.root + "a/song.mp3");
    // Opened for writing and closed without a change: no new read. A later
    // file shows the watch has taken everything before it.
    const int fd = ::open((w.root + "a/song.mp3").c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ::close(fd);
    WriteFile(w.root + "a/later.mp3", "later");
    ASSERT_TRUE(WaitUntil([&] { return w.Entry(w.root + "a/later.mp3").has_value(); }, kFollowTime));
    EXPECT_EQ(w.Reads(w.root + "a/song.mp3"), reads);
    WriteFile(w.root + "a/song.mp3", "longer song");
    EXPECT_TRUE(WaitUntil([&] { return w.Shows(w.root + "a/song.mp3", "longer song"); }, kFollowTime));
}

TEST(LibraryWatch, TakesABurstOfTwoThousandFiles) {
    WatchedLibrary w;
    w.Start();
    // Unpacked: each folder appears with its first file.
    for (int i = 0; i < 2000; ++i) {
        const std::string folder = w.root + "album/cd" + std::to_string(i / 1000 + 1) + "/";
        if (i % 1000 == 0) fs::create_directories(folder);
        WriteFile(folder + std::to_string(i) + ".mp3", "t" + std::to_string(i));
    }
    ASSERT_TRUE(WaitUntil([&] { return w.Size() == 2000; }, std::chrono::seconds(20)));
    EXPECT_TRUE(w.Shows(w.root + "album/cd2/1999.mp3", "t1999"));
    // One entry per file; each read once, or twice when caught half-written.
    std::set<std::string> paths;
    {
        std::lock_guard lock(w.library.libraryLock);
        for (const LibraryEntry& e : w.library.entries) paths.insert(e.info.path);
    }
    EXPECT_EQ(paths.size(), 2000u);
    int reads = 0;
    for (const std::string& p : paths) reads += w.Reads(p);
    EXPECT_LE(reads, 4000);
    // Removed as a whole (other entries stay, so it is not taken for a lost drive).
    fs::create_directories(w.root + "other");
    WriteFile(w.root + "other/stay.mp3", "stay");
    ASSERT_TRUE(WaitUntil([&] { return w.Size() == 2001; }, kFollowTime));
    fs::remove_all(w.root + "album");
    EXPECT_TRUE(WaitUntil([&] { return w.Size() == 1; }, std::chrono::seconds(5)));
}

// More changes than the kernel queues while the watch is busy: it watches
// afresh and takes every file the library does not hold yet.
TEST(LibraryWatch, ChangesDroppedByTheKernelAreCaughtUp) {
    WatchedLibrary w;
    fs::create_directories(w.root + "a");
    std::atomic<bool> reading{false}, go{false};
    struct Open {  // the watch is never left waiting, whatever fails
        std::atomic<bool>& go;
        ~Open() { go = true; }
    } open{go};
    w.beforeRead = [&](const std::string& path) {
        if (path.ends_with("/gate.mp3")) {
            reading = true;
            WaitUntil([&] { return go.load(); });
        }
    };
    w.Start();
    WriteFile(w.root + "a/gate.mp3", "gate");
    ASSERT_TRUE(WaitUntil([&] { return reading.load(); }));
    // Two changes per file (created, closed after writing): past what the
    // kernel queues (fs.inotify.max_queued_events).
    const size_t queued = std::stoul(test::ReadFile("/proc/sys/fs/inotify/max_queued_events"));
    if (queued > 100000) {
        GTEST_SKIP() << "the kernel queues " << queued << " changes";
    }
    const size_t files = queued / 2 + 1000;
    for (size_t i = 0; i < files; ++i) WriteFile(w.root + "a/" + std::to_string(i) + ".mp3", "m");
    go = true;
    EXPECT_TRUE(WaitUntil([&] { return w.Size() == files + 1; }, std::chrono::seconds(20)));
    EXPECT_EQ(w.Reports(), 2u);  // set up again after the overflow
}

TEST(LibraryWatch, AtTheWatchLimitSaysSoOnceAndFollowsWhatIsWatched) {
    WatchedLibrary w({}, 2);
    for (const char* sub : {"a", "b", "c"}) fs::create_directories(w.root + sub);
    w.Start();
    EXPECT_TRUE(w.LastReport().limitReached);
    EXPECT_EQ(w.LastReport().watches, 2u);  // lib and a
    fs::create_directories(w.root + "a/more");
    WriteFile(w.root + "a/1.mp3", "one");
    WriteFile(w.root + "b/2.mp3", "two");  // not watched: left to the refresh
    ASSERT_TRUE(WaitUntil([&] { return w.Entry(w.root + "a/1.mp3").has_value(); }, kFollowTime));
    EXPECT_FALSE(w.Entry(w.root + "b/2.mp3"));
    EXPECT_EQ(w.LogLinesWith("Überwachungsgrenze erreicht"), 1u);
    EXPECT_EQ(w.LogLinesWith("'" + w.root + "b/'"), 1u);
}

TEST(LibraryWatch, AFolderWithoutNotificationsIsSaidOnce) {
    WatchedLibrary w({}, 0, [](const std::string&) { return true; });
    w.Start();
    EXPECT_TRUE(w.LastReport().silent);
    EXPECT_EQ(w.LogLinesWith("meldet keine Änderungen"), 1u);
}

// A library folder renamed away is a drive gone, not music deleted: nothing
// is removed, and the watch comes back with the folder.
TEST(LibraryWatch, ALibraryFolderRenamedAwayRemovesNothing) {
    WatchedLibrary w;
    fs::create_directories(w.root + "a");
    WriteFile(w.root + "a/1.mp3", "one");
    WriteFile(w.root + "a/2.mp3", "two");
    w.library.entries = {Stored(w.root + "a/1.mp3", "one", 3), Stored(w.root + "a/2.mp3", "two")};
    w.workers.SetLibraryFolder(w.root.substr(0, w.root.size() - 1));  // as stored, without the "/"
    w.options.batch = std::chrono::milliseconds(1000);                // both changes in one batch
    w.Start();
    // Removed just before the folder went: by the time it is looked at, its
    // folder is no longer there as watched, so it stays for the refresh.
    fs::remove(w.root + "a/2.mp3");
    fs::rename(w.root, w.dir / "elsewhere");
    ASSERT_TRUE(
        WaitUntil([&] { return w.LogLinesWith("Medienbibliothek nicht erreichbar") == 1; }, kFollowTime));
    fs::remove(w.dir / "elsewhere/a/1.mp3");
    fs::rename(w.dir / "elsewhere", w.root);
    ASSERT_TRUE(WaitUntil([&] { return w.Reports() == 2; }, std::chrono::seconds(5)));
    WriteFile(w.root + "a/3.mp3", "three");
    EXPECT_TRUE(WaitUntil([&] { return w.Entry(w.root + "a/3.mp3").has_value(); }, kFollowTime));
    // 1.mp3 went while the folder was away: that is the refresh's to find.
    EXPECT_EQ(w.Size(), 3u);
    EXPECT_TRUE(w.Entry(w.root + "a/2.mp3"));
    EXPECT_EQ(w.Entry(w.root + "a/1.mp3")->playCount, 3);
}

TEST(LibraryWatch, RemovingEveryFileAtOnceRemovesNothing) {
    WatchedLibrary w;
    fs::create_directories(w.root + "a");
    WriteFile(w.root + "a/1.mp3", "one");
    WriteFile(w.root + "a/2.mp3", "two");
    w.library.entries = {Stored(w.root + "a/1.mp3", "one"), Stored(w.root + "a/2.mp3", "two")};
    w.Start();
    fs::remove_all(w.root + "a");
    // Whether both go in one batch or one after the other, the last file entry
    // is kept: losing all of them looks like a lost drive.
    ASSERT_TRUE(
        WaitUntil([&] { return w.LogLinesWith(std::string(kNoFileReachableText)) == 1; }, kFollowTime));
    EXPECT_GE(w.Size(), 1u);
}

TEST(LibraryWatch, AnUnmountedLibraryFolderRemovesNothing) {
    WatchedLibrary w;
    if (::geteuid() != 0 || ::mount("sonvaro", w.root.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "mounting a tmpfs needs root";
    struct Unmount {
        std::string at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{w.root};
    fs::create_directories(w.root + "a");
    WriteFile(w.root + "a/1.mp3", "one");
    WriteFile(w.root + "a/2.mp3", "two");
    w.library.entries = {Stored(w.root + "a/1.mp3", "one"), Stored(w.root + "a/2.mp3", "two")};
    w.Start();
    ASSERT_EQ(::umount2(w.root.c_str(), MNT_DETACH), 0);
    ASSERT_TRUE(
        WaitUntil([&] { return w.LogLinesWith("Medienbibliothek nicht erreichbar") == 1; }, kFollowTime));
    // The empty folder under the mount is watched instead; a file there is taken.
    ASSERT_TRUE(WaitUntil([&] { return w.Reports() == 2; }, std::chrono::seconds(5)));
    fs::create_directories(w.root + "b");
    WriteFile(w.root + "b/3.mp3", "three");
    EXPECT_TRUE(WaitUntil([&] { return w.Entry(w.root + "b/3.mp3").has_value(); }, kFollowTime));
    EXPECT_TRUE(w.Entry(w.root + "a/1.mp3"));
    EXPECT_TRUE(w.Entry(w.root + "a/2.mp3"));
}

}  // namespace
}  // namespace sonvaro
