#include "session/data_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_support.h"

namespace sonvaro {
namespace {

TEST(DataFolder, IsCreatedOrReported) {
    test::TempDir dir;
    test::RecordingMessages messages;
    const std::string appData = dir / "config/";  // missing parent too
    EXPECT_TRUE(EnsureDataFolder(appData, messages));
    EXPECT_TRUE(std::filesystem::is_directory(appData + "Sonvaro"));
    EXPECT_TRUE(messages.boxes.empty());

    test::WriteFile(dir / "blocker", "x");  // a file where a folder must go
    EXPECT_FALSE(EnsureDataFolder(dir / "blocker/", messages));
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].title, "Fehler");
    EXPECT_EQ(messages.boxes[0].text,
              "Verzeichnis konnte nicht erstellt werden\n'" + dir.path() + "blocker/Sonvaro/'");
}

}  // namespace
}  // namespace sonvaro
