// Data files from elsewhere can hold anything; loading must stay linear and safe.
#include <gtest/gtest.h>

#include <random>

#include "library/library_file.h"
#include "playlist/playlist_file.h"
#include "settings/settings_file.h"

namespace sonvaro {
namespace {

TEST(HostileInput, HugeLinesAndFieldCounts) {
    const std::string tenMegabyteLine = "ETY:" + std::string(10 * 1024 * 1024, 'x') + "|t|";
    const std::string manyFields = "ETY:/a|" + [] {
        std::string s;
        s.reserve(2000000);
        for (int i = 0; i < 1000000; ++i) s += "1|";
        return s;
    }();
    const auto library = ParseLibraryFile("SV-F-MLV1\r\n" + tenMegabyteLine + "\r\n" + manyFields + "\r\n");
    ASSERT_TRUE(library);
    // No file has a ten-megabyte name: that entry is left out, not renamed.
    ASSERT_EQ(library->size(), 1u);
    EXPECT_EQ((*library)[0].info.path, "/a");
    EXPECT_EQ((*library)[0].info.year, 1);

    const Settings s = SettingsFromText("[Preferences]\nMisc_Volume=" + std::string(100, '7') + "\n" +
                                        "NETStream_Proxy=" + std::string(10 * 1024 * 1024, 'p') + "\n");
    EXPECT_EQ(s.Misc_Volume, 100);  // saturated to 2147483647, then held to the slider's range
    EXPECT_EQ(s.NETStream_Proxy.size(), 10u * 1024 * 1024);
}

TEST(HostileInput, RandomBytesAndNulBytes) {
    std::mt19937 rng(7);
    for (int round = 0; round < 50; ++round) {
        std::string bytes(4096, '\0');
        for (char& c : bytes)
            c = static_cast<char>(rng() % (round % 2 ? 256 : 8) + (round % 2 ? 0 : '|' - 4));
        for (const std::string& text : {bytes, "SV-F-MLV1\r\n" + bytes, "SV-F-PLV1\n" + bytes}) {
            const auto library = ParseLibraryFile(text);
            if (library) {
                EXPECT_EQ(ParseLibraryFile(LibraryFileText(*library))->size(), library->size());
            }
            (void)ParsePlaylistFile(text);
            (void)SettingsFileText(SettingsFromText(text));
        }
    }
    const auto withNul = ParseLibraryFile(std::string("SV-F-MLV1\r\nETY:/a\0b|T\0|\r\n", 24));
    ASSERT_TRUE(withNul && withNul->size() == 1);
    EXPECT_EQ((*withNul)[0].info.path, std::string("/a\0b", 4));
}

}  // namespace
}  // namespace sonvaro
