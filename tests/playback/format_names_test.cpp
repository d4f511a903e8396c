#include "playback/format_names.h"

#include <gtest/gtest.h>

namespace sonvaro {
namespace {

TEST(FormatName, GivesLongAndShortNames) {
    EXPECT_EQ(FormatName(0x10005, true), "MPEG 1 Audio Layer 3");
    EXPECT_EQ(FormatName(0x10005, false), "MP3");
    EXPECT_EQ(FormatName(0x50003, false), "WAV");
    EXPECT_EQ(FormatName(0x10301, true), "Windows Media Audio");
    EXPECT_EQ(FormatName(0x100, false), "MO3");
    EXPECT_EQ(FormatName(0x10900, false), "FLAC");
    EXPECT_EQ(FormatName(0x10900, true), "Free Lossless Audio Codec");
    EXPECT_EQ(FormatName(0x11200, false), "OPUS");
}

TEST(FormatName, UnknownOrFlaggedCodesHaveNoName) {
    EXPECT_EQ(FormatName(0, true), "");
    EXPECT_EQ(FormatName(0, false), "");
    EXPECT_EQ(FormatName(0x2, true), "Aufnahme");
    EXPECT_EQ(FormatName(0x2, false), "");
    EXPECT_EQ(FormatName(0x20000 + 0x100, true), "");  // a module code with the MO3 bit
    EXPECT_EQ(FormatName(0x20003 + 0x100, false), "");
    EXPECT_EQ(FormatName(-1, true), "");
}

}  // namespace
}  // namespace sonvaro
