#include "playback/level_display.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <limits>
#include <string>

namespace sonvaro {
namespace {

constexpr int32_t kBack = 0x102030;
constexpr int32_t kFore = 0xC0D0E0;
constexpr int W = LevelDisplay::kWidth, H = LevelDisplay::kHeight;

// Height of the foreground run standing on the bottom edge in column x.
int BarHeight(const LevelDisplay& d, int x) {
    int h = 0;
    while (h < H && d.Pixel(x, H - 1 - h) == static_cast<uint32_t>(kFore)) ++h;
    for (int y = 0; y < H - h; ++y)
        if (d.Pixel(x, y) != static_cast<uint32_t>(kBack)) return -1;  // not a clean bar
    return h;
}

TEST(LevelDisplayShade, ClampsEachComponent) {
    EXPECT_EQ(LevelDisplay::Shade(0xFFFFFF, -160), 0x5F5F5F);
    EXPECT_EQ(LevelDisplay::Shade(0x0000FF, 20), 0x1414FF);
    EXPECT_EQ(LevelDisplay::Shade(0x102030, -0x20), 0x000010);
}

TEST(LevelDisplaySpectrum, SilenceGivesSixteenOnePixelBars) {
    LevelDisplay d;
    std::array<float, 128> fft{};
    d.PaintSpectrum(fft, kBack, kFore);
    for (int k = 0; k < 16; ++k) {
        for (int x = 8 * k; x < 8 * k + 7; ++x) EXPECT_EQ(BarHeight(d, x), 1) << "column " << x;
        EXPECT_EQ(BarHeight(d, 8 * k + 7), 0) << "gap after bar " << k;
    }
    EXPECT_EQ(BarHeight(d, W - 1), 0);  // bar 15 ends at column 126

    fft.fill(std::numeric_limits<float>::quiet_NaN());
    d.PaintSpectrum(fft, kBack, kFore);
    EXPECT_EQ(BarHeight(d, 0), 1);
    EXPECT_EQ(BarHeight(d, 126), 1);
}

TEST(LevelDisplaySpectrum, BarsScaleByTheSquareRootOfTheLoudestBin) {
    LevelDisplay d;
    std::array<float, 128> fft{};
    fft[10] = 0.8f;    // bar 2 only
    fft[30] = 0.2f;    // bar 7 only; a quarter of the peak is half the height
    fft[64] = 0.072f;  // shared edge of bars 15 and 16 -> only bar 15 exists
    d.PaintSpectrum(fft, kBack, kFore);
    EXPECT_EQ(BarHeight(d, 16), 50);
    EXPECT_EQ(BarHeight(d, 56), 25);
    EXPECT_EQ(BarHeight(d, 48), 1);
    EXPECT_EQ(BarHeight(d, 120), 15);  // 50 * sqrt(0.09)
    EXPECT_EQ(BarHeight(d, 127), 0);
}

TEST(LevelDisplaySpectrum, ABinOnTheEdgeBetweenTwoBarsShowsOnBoth) {
    LevelDisplay d;
    std::array<float, 128> fft{};
    fft[20] = 1.0f;  // bins 16..20 are bar 4, 20..24 bar 5
    d.PaintSpectrum(fft, kBack, kFore);
    EXPECT_EQ(BarHeight(d, 32), 50);
    EXPECT_EQ(BarHeight(d, 40), 50);
    EXPECT_EQ(BarHeight(d, 24), 1);
    EXPECT_EQ(BarHeight(d, 48), 1);
}

struct BlockBox {
    int x, y, w, h;
};
constexpr BlockBox kLeft[9] = {{63, 22, 1, 4},  {60, 21, 2, 6},  {56, 20, 3, 8},
                               {51, 19, 4, 10}, {45, 18, 5, 12}, {38, 17, 6, 14},
                               {30, 16, 7, 16}, {21, 15, 8, 18}, {11, 14, 9, 20}};
constexpr BlockBox kRight[9] = {{64, 22, 1, 4},  {66, 21, 2, 6},  {69, 20, 3, 8},
                                {73, 19, 4, 10}, {78, 18, 5, 12}, {84, 17, 6, 14},
                                {91, 16, 7, 16}, {99, 15, 8, 18}, {108, 14, 9, 20}};

// Whether block k (1..9) of one side is drawn lit, unlit, or is damaged (-1).
int BlockState(const LevelDisplay& d, const BlockBox& b, int k) {
    uint32_t lit = LevelDisplay::Shade(kFore, -180 + 20 * k);
    uint32_t unlit = LevelDisplay::Shade(kBack, 25 + 5 * k);
    uint32_t first = d.Pixel(b.x, b.y);
    if (first != lit && first != unlit) return -1;
    for (int y = b.y; y < b.y + b.h; ++y)
        for (int x = b.x; x < b.x + b.w; ++x)
            if (d.Pixel(x, y) != first) return -1;
    // One pixel outside the box, above it, is background.
    if (d.Pixel(b.x, b.y - 1) != static_cast<uint32_t>(kBack)) return -1;
    return first == lit ? 1 : 0;
}

int LitBlocks(const LevelDisplay& d, const BlockBox (&side)[9]) {
    int lit = 0;
    for (int k = 1; k <= 9; ++k) {
        int state = BlockState(d, side[k - 1], k);
        EXPECT_NE(state, -1) << "block " << k;
        lit += state == 1;
        if (state == 1 && k > 1) {
            EXPECT_EQ(BlockState(d, side[k - 2], k - 1), 1) << "lit block " << k << " above a dark one";
        }
    }
    return lit;
}

TEST(LevelDisplayMeter, BlocksLightAtMultiplesOf3640) {
    LevelDisplay d;
    d.PaintLevel(32768 | (3639u << 16), kBack, kFore);
    EXPECT_EQ(LitBlocks(d, kLeft), 9);
    EXPECT_EQ(LitBlocks(d, kRight), 0);

    d.PaintLevel(3640 | (32760u << 16), kBack, kFore);
    EXPECT_EQ(LitBlocks(d, kLeft), 1);
    EXPECT_EQ(LitBlocks(d, kRight), 9);

    d.PaintLevel((4 * 3640 + 5) | ((8 * 3640u - 1) << 16), kBack, kFore);
    EXPECT_EQ(LitBlocks(d, kLeft), 4);
    EXPECT_EQ(LitBlocks(d, kRight), 7);
    EXPECT_EQ(d.Pixel(0, 0), static_cast<uint32_t>(kBack));
    EXPECT_EQ(d.Pixel(127, 49), static_cast<uint32_t>(kBack));
    EXPECT_EQ(d.Pixel(10, 24), static_cast<uint32_t>(kBack));
    EXPECT_EQ(d.Pixel(117, 24), static_cast<uint32_t>(kBack));
}

TEST(LevelDisplayMeter, AFailedLevelReadLightsNothing) {
    LevelDisplay d;
    d.PaintLevel(0xFFFFFFFF, kBack, kFore);
    EXPECT_EQ(LitBlocks(d, kLeft), 0);
    EXPECT_EQ(LitBlocks(d, kRight), 0);
}

TEST(LevelDisplayDraw, OtherTypesAndBlankShowOnlyTheBackground) {
    LevelDisplay d;
    ASSERT_TRUE(d.Draw(0, 2, kBack, kFore, 1000));
    for (uint32_t px : d.image()) ASSERT_EQ(px, static_cast<uint32_t>(kBack));
    d.Blank(0x00FF00);
    for (uint32_t px : d.image()) ASSERT_EQ(px, 0x00FF00u);
    // Colours are 24-bit; stray high bits never reach the image.
    d.Blank(static_cast<int32_t>(0xFF123456));
    EXPECT_EQ(d.Pixel(5, 5), 0x123456u);
}

TEST(LevelDisplayDraw, DrawsAtMostEvery50MillisecondsAcrossTheTickWrap) {
    LevelDisplay d;
    const uint32_t start = 0xFFFFFFF0u;
    EXPECT_TRUE(d.Draw(0, 2, 1, kFore, start));
    EXPECT_FALSE(d.Draw(0, 2, 2, kFore, start + 49));  // wraps to 0x21
    EXPECT_EQ(d.Pixel(0, 0), 1u) << "a refused drawing changed the image";
    EXPECT_TRUE(d.Draw(0, 2, 3, kFore, start + 50));
    EXPECT_EQ(d.Pixel(0, 0), 3u);
    EXPECT_FALSE(d.Draw(0, 2, 4, kFore, start + 50));
    // Blanking does not reset the interval.
    d.Blank(5);
    EXPECT_FALSE(d.Draw(0, 2, 6, kFore, start + 99));
    EXPECT_TRUE(d.Draw(0, 2, 6, kFore, start + 100));
}

std::string SilentFile() {
    std::string dir = SONVARO_FIXTURES "/playback";
    std::string path = dir + "/silence.wav";
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || st.st_size == 0) {
        std::system(("mkdir -p '" + dir + "'").c_str());
        std::string cmd = "sox -n -r 44100 -c 2 -b 16 '" + path + "' trim 0 3 >/dev/null 2>&1";
        if (std::system(cmd.c_str()) != 0) ADD_FAILURE() << "cannot make " << path;
    }
    return path;
}

class LevelDisplayEngine : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr)) << BASS_ErrorGetCode(); }
    void TearDown() override { BASS_Free(); }
};

TEST_F(LevelDisplayEngine, SilentChannelDrawsOnePixelBarsAndNoBlocks) {
    std::string path = SilentFile();
    DWORD channel = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    ASSERT_NE(channel, 0u) << BASS_ErrorGetCode();
    ASSERT_TRUE(BASS_ChannelPlay(channel, TRUE));

    LevelDisplay d;
    ASSERT_TRUE(d.Draw(channel, 0, kBack, kFore, 100));
    for (int k = 0; k < 16; ++k) EXPECT_EQ(BarHeight(d, 8 * k + 3), 1) << "bar " << k;
    EXPECT_EQ(BarHeight(d, 127), 0);

    ASSERT_TRUE(d.Draw(channel, 1, kBack, kFore, 150));
    EXPECT_EQ(LitBlocks(d, kLeft), 0);
    EXPECT_EQ(LitBlocks(d, kRight), 0);
}

TEST_F(LevelDisplayEngine, MissingChannelDrawsLikeSilence) {
    LevelDisplay d;
    ASSERT_TRUE(d.Draw(12345, 0, kBack, kFore, 0));
    EXPECT_EQ(BarHeight(d, 0), 1);
    ASSERT_TRUE(d.Draw(12345, 1, kBack, kFore, 50));
    EXPECT_EQ(LitBlocks(d, kLeft), 0);
    EXPECT_EQ(LitBlocks(d, kRight), 0);
}

}  // namespace
}  // namespace sonvaro
