#include "library/cover_finder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/tag_fixtures.h"
#include "support/test_support.h"
#include "tags/track_info_reader.h"

namespace sonvaro {
namespace {

const std::string kJpeg("\xFF\xD8\xFF\xE0", 4);

TEST(PreferredCoverName, OrderOfNamesAndExtensions) {
    EXPECT_EQ(PreferredCoverName({"album.jpg", "front.png", "folder.webp", "cover.jpeg"}), "cover.jpeg");
    EXPECT_EQ(PreferredCoverName({"album.jpg", "front.png", "folder.webp"}), "folder.webp");
    EXPECT_EQ(PreferredCoverName({"album.jpg", "front.png"}), "front.png");
    EXPECT_EQ(PreferredCoverName({"track.mp3", "album.jpg"}), "album.jpg");
    // Any letter case; two names that differ by case only are two files: byte order picks.
    EXPECT_EQ(PreferredCoverName({"song.mp3", "Folder.JPG"}), "Folder.JPG");
    EXPECT_EQ(PreferredCoverName({"cover.jpg", "COVER.JPG", "Cover.Png"}), "COVER.JPG");
    // Other names and extensions are no cover.
    EXPECT_EQ(PreferredCoverName({"cover.gif", "cover.jpg.bak", "covers.jpg", "my cover.jpg", "cover", ".jpg",
                                  "scan-front.png", "cover.", "folder.bmp"}),
              "");
    EXPECT_EQ(PreferredCoverName({}), "");
}

class Finder : public ::testing::Test {
  protected:
    std::string Track(const std::string& name) {
        return test::CopyOf(test::TagFixture("untagged.mp3"), dir_ / name);
    }
    test::TempDir dir_;
    TagReader reader_;
    CoverFinder finder_{reader_};
};

TEST_F(Finder, FolderPictureBesideTheTrack) {
    const std::string track = Track("01.mp3");
    EXPECT_FALSE(finder_.Find(track));
    // The lookup of a folder without a picture is kept, so a picture added
    // later is seen by a new finder only.
    test::WriteFile(dir_ / "Front.JPG", kJpeg + "front");
    EXPECT_FALSE(finder_.Find(track));
    CoverFinder fresh(reader_);
    const auto found = fresh.Find(track);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->picture.data, kJpeg + "front");
    EXPECT_EQ(found->file, dir_ / "Front.JPG");

    // A better name is kept out by the cache until the kept file is gone.
    test::WriteFile(dir_ / "cover.png", kJpeg + "cover");
    EXPECT_EQ(fresh.Find(track)->picture.data, kJpeg + "front");
    std::filesystem::remove(dir_ / "Front.JPG");
    EXPECT_EQ(fresh.Find(track)->picture.data, kJpeg + "cover");
}

TEST_F(Finder, EmbeddedPictureBeforeTheFolderFile) {
    test::WriteFile(dir_ / "cover.jpg", kJpeg + "folder file");
    // An MP3 with an ID3v2 APIC front cover written by ffmpeg.
    const std::string png = dir_ / "red.png";
    ASSERT_EQ(
        std::system(("ffmpeg -v error -y -f lavfi -i color=red:s=8x8 -frames:v 1 '" + png + "'").c_str()), 0);
    const std::string tagged = dir_ / "tagged.mp3";
    const std::string command =
        "ffmpeg -v error -y -i '" + test::TagFixture("untagged.mp3") + "' -i '" + png +
        "' -map 0 -map 1 -c copy -id3v2_version 3 -metadata:s:v comment='Cover (front)' '" + tagged + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const auto embedded = finder_.Find(tagged);
    ASSERT_TRUE(embedded);
    EXPECT_EQ(embedded->picture.data, test::ReadFile(png));
    EXPECT_EQ(embedded->file, "");
    // Its neighbour without one shows the folder's picture.
    const auto folder = finder_.Find(Track("02.mp3"));
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->picture.data, kJpeg + "folder file");
}

TEST_F(Finder, UnusableFolderFilesArePassedOver) {
    const std::string track = Track("01.mp3");
    // A folder called cover.jpg, an empty folder.png, an oversized front.png: album.jpg is the picture.
    std::filesystem::create_directory(dir_ / "cover.jpg");
    test::WriteFile(dir_ / "folder.png", "");
    test::WriteFile(dir_ / "front.png", kJpeg + std::string(kMaxCoverBytes, 'x'));
    test::WriteFile(dir_ / "album.jpg", kJpeg + "album");
    EXPECT_EQ(finder_.FolderCoverFile(dir_.path()), dir_ / "album.jpg");
    EXPECT_EQ(finder_.Find(track)->picture.data, kJpeg + "album");
    EXPECT_FALSE(ReadPictureFile(dir_ / "front.png"));
    EXPECT_FALSE(ReadPictureFile(dir_ / "folder.png"));
    EXPECT_FALSE(ReadPictureFile(dir_ / "cover.jpg"));

    // Stream addresses and empty paths have no picture.
    EXPECT_FALSE(finder_.Find("http://example.invalid/cover.jpg"));
    EXPECT_FALSE(finder_.Find(""));
}

TEST_F(Finder, KeepsABoundedNumberOfFolders) {
    test::WriteFile(dir_ / "album.jpg", kJpeg);
    const std::string first = dir_.path();
    EXPECT_EQ(finder_.FolderCoverFile(first), first + "album.jpg");
    test::WriteFile(dir_ / "cover.jpg", kJpeg);
    EXPECT_EQ(finder_.FolderCoverFile(first), first + "album.jpg");  // kept
    for (std::size_t i = 0; i < CoverFinder::kMaxFolders; ++i)
        EXPECT_EQ(finder_.FolderCoverFile(dir_ / ("none" + std::to_string(i) + "/")), "");
    // The first folder was dropped as the least recently used: looked at anew.
    EXPECT_EQ(finder_.FolderCoverFile(first), first + "cover.jpg");
}

}  // namespace
}  // namespace sonvaro
