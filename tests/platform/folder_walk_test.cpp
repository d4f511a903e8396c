#include "platform/folder_walk.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>
#include <filesystem>

#include "support/test_support.h"

namespace sonvaro {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Walk(const std::string& folder, const FolderWalkOptions& options = {}) {
    std::vector<std::string> files;
    WalkFolder(folder, options, [&](const std::string& f) { files.push_back(f); });
    return files;
}

TEST(FolderWalk, NameOrderDepthFirstAndOnlyRegularFiles) {
    test::TempDir dir;
    fs::create_directories(dir / "b/inner");
    for (const char* name : {"c.mp3", "B.mp3", "b/z.mp3", "b/inner/x.mp3", "a.mp3"})
        test::WriteFile(dir / name, "x");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);  // opening it would block
    // Byte order without a key: capitals first.
    EXPECT_EQ(Walk(dir.path()), (std::vector<std::string>{dir / "B.mp3", dir / "a.mp3", dir / "b/inner/x.mp3",
                                                          dir / "b/z.mp3", dir / "c.mp3"}));
    FolderWalkOptions folded;
    folded.recursive = false;
    folded.sortKey = [](std::string_view name) {
        std::string lower(name);
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return lower;
    };
    EXPECT_EQ(Walk(dir.path(), folded),
              (std::vector<std::string>{dir / "a.mp3", dir / "B.mp3", dir / "c.mp3"}));
}

TEST(FolderWalk, EachRealFolderOnceThroughAnyLinks) {
    test::TempDir dir;
    fs::create_directories(dir / "m/s");
    test::WriteFile(dir / "m/a.mp3", "x");
    test::WriteFile(dir / "m/s/b.mp3", "x");
    fs::create_directory_symlink(".", dir / "m/dot");
    fs::create_directory_symlink(".", dir / "m/dot2");
    fs::create_directory_symlink(dir / "m", dir / "m/s/back");
    fs::create_directory_symlink(dir / "m/s", dir / "m/t");  // the same folder under a second name
    EXPECT_EQ(Walk(dir / "m"), (std::vector<std::string>{dir / "m/a.mp3", dir / "m/s/b.mp3"}));
}

TEST(FolderWalk, VanishingEntriesAndAStopRequest) {
    test::TempDir dir;
    fs::create_directories(dir / "m/gone");
    for (const char* name : {"m/1.mp3", "m/2.mp3", "m/3.mp3", "m/gone/x.mp3"})
        test::WriteFile(dir / name, "x");
    std::vector<std::string> files;
    // Files and a folder removed while the walk is under way are skipped without error.
    WalkFolder(dir / "m", {}, [&](const std::string& f) {
        files.push_back(f);
        fs::remove(dir / "m/2.mp3");
        fs::remove_all(dir / "m/gone");
    });
    EXPECT_EQ(files, (std::vector<std::string>{dir / "m/1.mp3", dir / "m/3.mp3"}));

    int asked = 0;
    FolderWalkOptions stopping;
    stopping.shouldStop = [&] { return ++asked == 2; };
    files.clear();
    EXPECT_FALSE(WalkFolder(dir / "m", stopping, [&](const std::string& f) { files.push_back(f); }));
    EXPECT_EQ(files, std::vector<std::string>{dir / "m/1.mp3"});
    // Not a folder: nothing, and no failure.
    EXPECT_TRUE(WalkFolder(dir / "m/1.mp3", {}, [&](const std::string&) { ADD_FAILURE(); }));
}

}  // namespace
}  // namespace sonvaro
