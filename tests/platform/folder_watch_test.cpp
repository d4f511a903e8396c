// The folder watch over real folders with real inotify.
#include "platform/folder_watch.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "support/test_support.h"

namespace sonvaro {
namespace {

namespace fs = std::filesystem;
using Kind = FolderChange::Kind;

// Reads until a change of `kind` at `path` came (at most 5 s); returns all read.
std::vector<FolderChange> ReadUntil(FolderWatch& watch, Kind kind, const std::string& path,
                                    WatchAddResult* added = nullptr) {
    std::vector<FolderChange> all;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < until) {
        WatchAddResult found;
        for (FolderChange& c : watch.Read(std::chrono::milliseconds(50), &found)) all.push_back(std::move(c));
        if (added && found.limitReached) *added = found;
        for (const FolderChange& c : all)
            if (c.kind == kind && c.path == path) return all;
    }
    ADD_FAILURE() << "no change of kind " << static_cast<int>(kind) << " at " << path;
    return all;
}

bool Has(const std::vector<FolderChange>& changes, Kind kind, const std::string& path,
         const std::string& from = {}) {
    for (const FolderChange& c : changes)
        if (c.kind == kind && c.path == path && c.from == from) return true;
    return false;
}

TEST(FolderWatch, FilesAndFoldersCreatedWrittenMovedAndRemoved) {
    test::TempDir dir;
    fs::create_directories(dir / "a");
    fs::create_directories(dir / "out");
    FolderWatch watch;
    ASSERT_TRUE(watch.IsOpen());
    const WatchAddResult set = watch.WatchTree(dir / "a");
    EXPECT_EQ(set.added, 1u);
    EXPECT_FALSE(set.limitReached);

    test::WriteFile(dir / "a/1.mp3", "x");
    ReadUntil(watch, Kind::File, dir / "a/1.mp3");
    fs::rename(dir / "a/1.mp3", dir / "a/2.mp3");
    ReadUntil(watch, Kind::Moved, dir / "a/2.mp3");

    // A folder made with files in it: watched at once, its files reported
    // whether they came before the watch or after.
    fs::create_directories(dir / "a/new/deep");
    test::WriteFile(dir / "a/new/deep/3.mp3", "x");
    ReadUntil(watch, Kind::File, dir / "a/new/deep/3.mp3");
    EXPECT_EQ(watch.WatchCount(), 3u);
    EXPECT_TRUE(watch.StillThere(dir / "a/new/deep/"));

    // A folder renamed within the tree: later changes carry the new name.
    fs::rename(dir / "a/new", dir / "a/renamed");
    auto got = ReadUntil(watch, Kind::Moved, dir / "a/renamed/");
    EXPECT_TRUE(Has(got, Kind::Moved, dir / "a/renamed/", dir / "a/new/"));
    test::WriteFile(dir / "a/renamed/deep/4.mp3", "x");
    ReadUntil(watch, Kind::File, dir / "a/renamed/deep/4.mp3");
    EXPECT_TRUE(watch.StillThere(dir / "a/renamed/deep/"));
    EXPECT_FALSE(watch.StillThere(dir / "a/new/deep/"));

    // Moved out of the tree: gone, and no longer watched.
    fs::rename(dir / "a/renamed", dir / "out/away");
    ReadUntil(watch, Kind::Gone, dir / "a/renamed/");
    EXPECT_EQ(watch.WatchCount(), 1u);
    // Moved in from outside: its files are reported as arriving.
    fs::rename(dir / "out/away", dir / "a/back");
    ReadUntil(watch, Kind::File, dir / "a/back/deep/3.mp3");

    fs::remove(dir / "a/2.mp3");
    ReadUntil(watch, Kind::Gone, dir / "a/2.mp3");
    fs::remove_all(dir / "a/back");
    got = ReadUntil(watch, Kind::Gone, dir / "a/back/");
    EXPECT_EQ(watch.WatchCount(), 1u);

    // The root renamed away: lost, and nothing is watched any more.
    fs::rename(dir / "a", dir / "b");
    ReadUntil(watch, Kind::Lost, dir / "a/");
    EXPECT_EQ(watch.WatchCount(), 0u);
    EXPECT_FALSE(watch.StillThere(dir / "a/"));
}

// A file being written is reported when it is closed, not while half there;
// a link is whole at once.
TEST(FolderWatch, AFileIsReportedWhenWrittenALinkAtOnce) {
    test::TempDir dir;
    fs::create_directories(dir / "a");
    test::WriteFile(dir / "outside.mp3", "x");
    FolderWatch watch;
    watch.WatchTree(dir / "a");
    const int fd = ::open((dir / "a/song.mp3").c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "half", 4), 4);
    fs::create_hard_link(dir / "outside.mp3", dir / "a/hard.mp3");
    auto got = ReadUntil(watch, Kind::File, dir / "a/hard.mp3");
    EXPECT_FALSE(Has(got, Kind::File, dir / "a/song.mp3"));
    ::close(fd);
    ReadUntil(watch, Kind::File, dir / "a/song.mp3");
    fs::create_symlink(dir / "outside.mp3", dir / "a/soft.mp3");
    ReadUntil(watch, Kind::File, dir / "a/soft.mp3");
}

TEST(FolderWatch, EachRealFolderOnceInNameOrderUpToTheLimit) {
    test::TempDir dir;
    for (const char* sub : {"m/c", "m/a/x", "m/b"}) fs::create_directories(dir / sub);
    fs::create_directory_symlink(dir / "m", dir / "m/a/loop");  // a cycle
    fs::create_directory_symlink(dir / "m/b", dir / "m/bb");    // a second name
    {
        FolderWatch watch;
        const WatchAddResult all = watch.WatchTree(dir / "m");
        EXPECT_EQ(all.added, 5u);  // m, a, a/x, b, c
        EXPECT_FALSE(all.limitReached);
    }
    // The limit stops the walk at the first folder refused, in name order.
    FolderWatchOptions capped;
    capped.maxWatches = 3;
    FolderWatch watch(capped);
    const WatchAddResult some = watch.WatchTree(dir / "m");
    EXPECT_EQ(some.added, 3u);
    EXPECT_TRUE(some.limitReached);
    EXPECT_EQ(some.firstUnwatched, dir / "m/b/");
    EXPECT_EQ(watch.WatchCount(), 3u);
    EXPECT_TRUE(watch.StillThere(dir / "m/a/x/"));
    EXPECT_FALSE(watch.StillThere(dir / "m/b/"));
    // A folder that appears later is refused as well, and said so; the files
    // of watched folders are still reported.
    fs::create_directories(dir / "m/a/y");
    test::WriteFile(dir / "m/a/x/1.mp3", "x");
    WatchAddResult later;
    ReadUntil(watch, Kind::File, dir / "m/a/x/1.mp3", &later);
    EXPECT_TRUE(later.limitReached);
    EXPECT_EQ(later.firstUnwatched, dir / "m/a/y/");
    EXPECT_EQ(watch.WatchCount(), 3u);
}

TEST(FolderWatch, FileSystemsWithoutNotificationsAreNamed) {
    EXPECT_TRUE(IsSilentFileSystemType(0x6969));       // NFS
    EXPECT_TRUE(IsSilentFileSystemType(0xFF534D42));   // CIFS
    EXPECT_TRUE(IsSilentFileSystemType(0x65735546));   // FUSE
    EXPECT_FALSE(IsSilentFileSystemType(0xEF53));      // ext4
    EXPECT_FALSE(IsSilentFileSystemType(0x01021994));  // tmpfs

    test::TempDir dir;
    fs::create_directories(dir / "m/share/x");
    FolderWatchOptions options;
    options.isSilent = [&](const std::string& folder) { return folder.find("/share/") != std::string::npos; };
    FolderWatch watch(options);
    // The question is asked for the root and where the device changes: a
    // silent root is found, a silent sub-folder on the same device is not asked.
    EXPECT_EQ(watch.WatchTree(dir / "m/share").firstSilent, dir / "m/share/");
    FolderWatch local(options);
    EXPECT_EQ(local.WatchTree(dir / "m").firstSilent, "");
    EXPECT_EQ(local.WatchCount(), 3u);
}

TEST(FolderWatch, AStopRequestEndsTheSetUp) {
    test::TempDir dir;
    for (const char* sub : {"m/a", "m/b", "m/c"}) fs::create_directories(dir / sub);
    int asked = 0;
    FolderWatchOptions options;
    options.shouldStop = [&] { return ++asked > 2; };
    FolderWatch watch(options);
    const WatchAddResult result = watch.WatchTree(dir / "m");
    EXPECT_TRUE(result.stopped);
    EXPECT_LT(watch.WatchCount(), 4u);
}

}  // namespace
}  // namespace sonvaro
