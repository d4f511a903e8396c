#include "companions/tracker_placement.h"

#include <gtest/gtest.h>

namespace sonvaro::test {
namespace {

TrackInfo Track() {
    TrackInfo t;
    t.artist = "A";
    t.title = "B";
    t.album = "Alb";
    t.genre = "Jazz";
    t.year = 1999;
    t.comment = "c";
    t.trackNumber = -1;
    return t;
}

TEST(TrackerPattern, PlaceholdersInAnyCaseAndEveryOccurrence) {
    const TrackInfo t = Track();
    EXPECT_EQ(FillTrackerPattern("%ARTI|%TITL", &t), "A|B");
    EXPECT_EQ(FillTrackerPattern("%arti - %Titl - %aRTi", &t), "A - B - A");
    EXPECT_EQ(FillTrackerPattern("%ALBM %GNRE %YEAR %CMNT %TRCK", &t), "Alb Jazz 1999 c -1");
}

TEST(TrackerPattern, PreviewSamples) {
    EXPECT_EQ(FillTrackerPattern("%ARTI|%TITL|%ALBM|%GNRE|%YEAR|%CMNT|%TRCK", nullptr),
              "Beispielartist|Beispieltitel|Beispielalbum|Beispielgenre|Jahr|Das ist ein Kommentar|Track");
}

TEST(TrackerPattern, TagHoldingALaterPlaceholderIsReplacedAgainButNotAnEarlierOne) {
    TrackInfo t = Track();
    t.artist = "x%TITLy";  // %TITL comes after %ARTI
    t.title = "%ARTI";     // %ARTI was replaced already
    EXPECT_EQ(FillTrackerPattern("%ARTI", &t), "x%ARTIy");
    t.artist = "%ARTI%ARTI";  // the same placeholder is not searched in its own value
    EXPECT_EQ(FillTrackerPattern("%ARTI", &t), "%ARTI%ARTI");
}

TEST(TrackerPattern, UnknownUnterminatedAndHugePatterns) {
    const TrackInfo t = Track();
    EXPECT_EQ(FillTrackerPattern("%XYZW %ART %", &t), "%XYZW %ART %");
    EXPECT_EQ(FillTrackerPattern("100% %%ARTI%", &t), "100% %A%");
    EXPECT_EQ(FillTrackerPattern("", &t), "");
    // 2,000 placeholders whose value holds 400 more of a later one would be
    // 4 MB after one step and more after the next: the text stops at the limit.
    TrackInfo chain = t;
    chain.artist.clear();
    chain.title.clear();
    for (int i = 0; i < 400; ++i) chain.artist += "%TITL";
    for (int i = 0; i < 400; ++i) chain.title += "%ALBM";
    std::string pattern;
    for (int i = 0; i < 2000; ++i) pattern += "%ARTI";
    const std::string out = FillTrackerPattern(pattern, &chain);
    EXPECT_LE(out.size(), 65536u);
    EXPECT_GT(out.size(), 60000u);
}

TEST(TrackerLines, SplitsAtBarsAndKeepsAnEmptyLastLine) {
    EXPECT_EQ(TrackerLines("A|B"), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(TrackerLines("one line"), (std::vector<std::string>{"one line"}));
    EXPECT_EQ(TrackerLines("A|"), (std::vector<std::string>{"A", ""}));
    EXPECT_EQ(TrackerLines("||"), (std::vector<std::string>{"", "", ""}));
    EXPECT_EQ(TrackerLines(""), (std::vector<std::string>{""}));
}

TEST(TrackerLayout, MinimumSizeAndCentredLabel) {
    // Two short lines: the minimum 200 x 50; the label 30 x 28 in the middle.
    TrackerLayout l = LayoutTracker({30, 12}, 14, {20, 200, 50});
    EXPECT_EQ(l.width, 200);
    EXPECT_EQ(l.height, 50);
    EXPECT_EQ(l.labelWidth, 30);
    EXPECT_EQ(l.labelHeight, 28);
    EXPECT_EQ(l.labelX, 85);
    EXPECT_EQ(l.labelY, 11);
    // Wide and tall text: text + spacing, each half truncated on its own.
    l = LayoutTracker({301, 7, 0}, 15, {20, 200, 50});
    EXPECT_EQ(l.width, 321);
    EXPECT_EQ(l.height, 65);
    EXPECT_EQ(l.labelX, 160 - 150);
    EXPECT_EQ(l.labelY, 32 - 22);
    // An empty last line still counts for the height.
    EXPECT_EQ(LayoutTracker({40, 0}, 30, {20, 0, 0}).height, 80);
}

TEST(TrackerLayout, HostileSizesStayInRange) {
    const TrackerLayout l =
        LayoutTracker(std::vector<int32_t>(10000, 2000000000), 2000000000, {2000000000, -5, -5});
    EXPECT_GT(l.width, 0);
    EXPECT_GT(l.height, 0);
    EXPECT_LE(l.width, 1 << 20);
    const TrackerLayout n = LayoutTracker({}, 15, {-100, -1, -1});
    EXPECT_EQ(n.width, 0);
    EXPECT_EQ(n.height, 0);
}

TEST(TrackerCorner, EachCornerWithGapInsideTheWorkArea) {
    const ScreenRect work{0, 0, 1920, 1050};  // a panel below
    EXPECT_EQ(CornerPosition(1, 8, work, 200, 50)->x, 8);
    EXPECT_EQ(CornerPosition(1, 8, work, 200, 50)->y, 8);
    EXPECT_EQ(CornerPosition(2, 8, work, 200, 50)->x, 1712);
    EXPECT_EQ(CornerPosition(2, 8, work, 200, 50)->y, 8);
    EXPECT_EQ(CornerPosition(3, 8, work, 200, 50)->x, 1712);
    EXPECT_EQ(CornerPosition(3, 8, work, 200, 50)->y, 992);
    EXPECT_EQ(CornerPosition(4, 0, work, 200, 50)->x, 0);
    EXPECT_EQ(CornerPosition(4, 0, work, 200, 50)->y, 1000);
    // A panel at the top or a second screen: the left and top edges count too.
    const ScreenRect right{1920, 32, 3840, 1080};
    EXPECT_EQ(CornerPosition(1, 8, right, 200, 50)->x, 1928);
    EXPECT_EQ(CornerPosition(1, 8, right, 200, 50)->y, 40);
    EXPECT_EQ(CornerPosition(3, 1000, right, 200, 50)->x, 2640);
}

TEST(TrackerCorner, OutOfRangeCornerOrGapPlacesNothing) {
    const ScreenRect work{0, 0, 1920, 1080};
    EXPECT_FALSE(CornerPosition(0, 8, work, 200, 50));
    EXPECT_FALSE(CornerPosition(5, 8, work, 200, 50));
    EXPECT_FALSE(CornerPosition(3, -1, work, 200, 50));
    EXPECT_FALSE(CornerPosition(3, 1001, work, 200, 50));
}

TEST(TrackerTimer, ClosesOnTheFirstCheckAtOrAfterTheDisplayTime) {
    TrackerTimer t;
    EXPECT_FALSE(t.Due(5000, 5000));  // never shown
    t.Shown(1000);
    EXPECT_FALSE(t.Due(1000, 5000));
    EXPECT_FALSE(t.Due(5999, 5000));
    EXPECT_TRUE(t.Due(6000, 5000));
    // A new track restarts the time.
    t.Shown(5990);
    EXPECT_FALSE(t.Due(6000, 5000));
    EXPECT_TRUE(t.Due(10990, 5000));
    // Across the wrap of the 32-bit tick.
    t.Shown(0xFFFFFF00u);
    EXPECT_FALSE(t.Due(0x00000100u, 5000));
    EXPECT_TRUE(t.Due(0xFFFFFF00u + 5000u, 5000));
    // 0 or a negative time: at the first check.
    EXPECT_TRUE(t.Due(0xFFFFFF00u, 0));
    EXPECT_TRUE(t.Due(0xFFFFFF00u, -7));
    t.Closed();
    EXPECT_FALSE(t.Due(0xFFFFFF00u + 9000u, 5000));
}

}  // namespace
}  // namespace sonvaro::test
