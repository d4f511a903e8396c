#include "playback/position_text.h"

#include <gtest/gtest.h>

#include "core/duration.h"

namespace sonvaro {
namespace {

TEST(PositionText, PlaceholdersInAnyCase) {
    EXPECT_EQ(PositionText("%PTIME / %FTIME", 65, 200), "00:01:05 / 00:03:20");
    EXPECT_EQ(PositionText("%ptime / %ftime", 65, 200), "00:01:05 / 00:03:20");
    EXPECT_EQ(PositionText("-%lTime", 65, 200), "-00:02:15");
    EXPECT_EQ(PositionText("%ppercent", 1, 3), "33%");
    EXPECT_EQ(PositionText("%LPERCENT", 1, 3), "67%");
    EXPECT_EQ(PositionText("%ptime %ptime", 5, 10), "00:00:05 00:00:05");
    EXPECT_EQ(PositionText("%ftime", 0, 90000), FormatDuration(90000));
}

TEST(PositionText, PositionAloneWithoutPatternOrLength) {
    EXPECT_EQ(PositionText("", 65, 200), "00:01:05");
    EXPECT_EQ(PositionText("%ftime %lpercent", 65, 0), "00:01:05");
    EXPECT_EQ(PositionText("%ftime %lpercent", 65, -1), "00:01:05");  // a radio stream
}

TEST(PositionText, OtherTextIsKept) {
    EXPECT_EQ(PositionText("Zeit", 65, 200), "Zeit");
    EXPECT_EQ(PositionText("100% %xtime %", 65, 200), "100% %xtime %");
    EXPECT_EQ(PositionText("%ptim", 65, 200), "%ptim");
    EXPECT_EQ(PositionText("Länge: %FTIME", 65, 200), "Länge: 00:03:20");
}

TEST(PositionText, AFilledInPercentNeverStartsAnotherPlaceholder) {
    EXPECT_EQ(PositionText("%ppercentlpercent", 1, 3), "33%lpercent");
    EXPECT_EQ(PositionText("%%ppercent", 1, 3), "%33%");
}

TEST(PositionSliderValue, ThousandthsOfTheLength) {
    EXPECT_EQ(PositionSliderValue(65, 200), 325);
    EXPECT_EQ(PositionSliderValue(1, 3), 333);
    EXPECT_EQ(PositionSliderValue(200, 200), 1000);
    EXPECT_EQ(PositionSliderValue(0, 200), 0);
    // 32-bit products would overflow here.
    EXPECT_EQ(PositionSliderValue(2'000'000'000, 2'100'000'000), 952);
}

TEST(PositionSliderValue, StaysInTheSliderRange) {
    EXPECT_EQ(PositionSliderValue(201, 200), 1000);  // rounding can put the position past the end
    EXPECT_EQ(PositionSliderValue(-1, 200), 0);
    EXPECT_EQ(PositionSliderValue(65, 0), 0);
    EXPECT_EQ(PositionSliderValue(65, -1), 0);
}

TEST(TrayToolTip, LongTitlesAreCutToFortySevenCharacters) {
    EXPECT_EQ(TrayToolTip("Song", "00:01:05"), "Song [00:01:05]");
    EXPECT_EQ(TrayToolTip("", "00:00:01"), " [00:00:01]");
    std::string fifty(50, 'a');
    EXPECT_EQ(TrayToolTip(fifty, "t"), fifty + " [t]");
    std::string fiftyOne(51, 'a');
    EXPECT_EQ(TrayToolTip(fiftyOne, "t"), std::string(47, 'a') + "... [t]");
}

TEST(TrayToolTip, CountsCharactersNotBytes) {
    auto repeat = [](std::string_view s, int n) {
        std::string out;
        for (int i = 0; i < n; ++i) out += s;
        return out;
    };
    // 50 two-byte letters are 100 bytes but still fit.
    EXPECT_EQ(TrayToolTip(repeat("ä", 50), "t"), repeat("ä", 50) + " [t]");
    EXPECT_EQ(TrayToolTip(repeat("ä", 51), "t"), repeat("ä", 47) + "... [t]");
    // The cut falls right before a three-byte character, never inside it.
    std::string mixed = std::string(46, 'x') + repeat("€", 10);
    EXPECT_EQ(TrayToolTip(mixed, "t"), std::string(46, 'x') + "€... [t]");
}

}  // namespace
}  // namespace sonvaro
