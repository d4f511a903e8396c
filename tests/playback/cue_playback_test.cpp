// A CUE row plays exactly its samples of the file, and consecutive rows join
// without a gap or an overlap.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "../support/fixtures.h"
#include "support/player_harness.h"
#include "support/test_support.h"

namespace sonvaro::test {
namespace {

constexpr int64_t kFrames = 3 * 44100;
// INDEX 01 00:01:10 and 00:02:01: 85 and 151 CUE frames of 588 samples.
constexpr int64_t kSecond = 85 * 588, kThird = 151 * 588;

// 16-bit stereo WAV whose frame i holds the number i + 1: the low 14 bits
// left, the rest right. Silence (0, 0) is no frame of it.
std::string CountingWav() {
    std::string data;
    for (int64_t i = 0; i < kFrames; ++i) {
        const int16_t lr[2] = {static_cast<int16_t>((i + 1) & 0x3FFF), static_cast<int16_t>((i + 1) >> 14)};
        data.append(reinterpret_cast<const char*>(lr), sizeof lr);
    }
    auto u32 = [](uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [](uint16_t v) { return std::string(reinterpret_cast<const char*>(&v), 2); };
    return "RIFF" + u32(36 + static_cast<uint32_t>(data.size())) + "WAVEfmt " + u32(16) + u16(1) + u16(2) +
           u32(44100) + u32(44100 * 4) + u16(4) + u16(16) + "data" + u32(static_cast<uint32_t>(data.size())) +
           data;
}

class CuePlayback : public PlayerTest {
  protected:
    void SetUp() override {
        PlayerTest::SetUp();
        settings.Misc_Volume = 100;
        fixtures::Write("counting.wav", CountingWav());
        const std::string sheet =
            fixtures::Write("counting.cue",
                            "TITLE \"Zahlen\"\nFILE \"counting.wav\" WAVE\n"
                            "TRACK 01 AUDIO\nTITLE \"Eins\"\nINDEX 01 00:00:00\n"
                            "TRACK 02 AUDIO\nTITLE \"Zwei\"\nINDEX 00 00:01:00\nINDEX 01 00:01:10\n"
                            "TRACK 03 AUDIO\nTITLE \"Drei\"\nINDEX 01 00:02:01\n");
        AddFiles({sheet});
        ASSERT_EQ(playlist.size(), 3u);
        keepHeard = true;
    }
    // The frame numbers heard, silence left out.
    std::vector<int64_t> HeardFrames() const {
        std::vector<int64_t> out;
        for (size_t i = 0; i + 1 < heard.size(); i += 2) {
            const auto low = std::lround(heard[i] * 32768.0), high = std::lround(heard[i + 1] * 32768.0);
            if (low || high) out.push_back(high * 16384 + low);
        }
        return out;
    }
    static bool Counts(const std::vector<int64_t>& frames, int64_t from, int64_t to) {
        if (frames.size() != static_cast<size_t>(to - from)) return false;
        for (size_t i = 0; i < frames.size(); ++i)
            if (frames[i] != from + static_cast<int64_t>(i) + 1) return false;
        return true;
    }
};

TEST_F(CuePlayback, ARowPlaysExactlyItsSamplesAndCountsFromItsStart) {
    const PlaylistEntry row = playlist[1];
    ASSERT_EQ(player.PlayChannel(row.info.path, kSourceSingle, row.range, &row.info), 1);
    const uint32_t channel = player.State().CurrentChannel();
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(channel, BASS_ChannelGetLength(channel, BASS_POS_BYTE)),
                static_cast<double>(kThird - kSecond) / 44100, 1e-9);
    Run(300);
    EXPECT_EQ(display.fields[static_cast<int>(InfoField::Title)], "Zwei");
    EXPECT_TRUE(player.SeekToSeconds(0.1));  // from the row's start, not the file's
    heard.clear();
    Run(1200);
    const auto frames = HeardFrames();
    EXPECT_TRUE(Counts(frames, kSecond + 4410, kThird))
        << frames.size() << " frames, first " << (frames.empty() ? -1 : frames.front()) << ", last "
        << (frames.empty() ? -1 : frames.back());
}

TEST_F(CuePlayback, TheRowsOfASheetPlayAsTheWholeFileAndTheTitleFollows) {
    ASSERT_TRUE(playback.PlayRow(0));
    std::vector<std::string> titles;
    for (int t = 0; t < 3500; t += 50) {
        Mix(50);
        player.PlayerTick();
        const std::string& title = display.fields[static_cast<int>(InfoField::Title)];
        if (titles.empty() || titles.back() != title) titles.push_back(title);
    }
    const auto frames = HeardFrames();
    EXPECT_TRUE(Counts(frames, 0, kFrames))
        << frames.size() << " frames, first " << (frames.empty() ? -1 : frames.front()) << ", last "
        << (frames.empty() ? -1 : frames.back());
    EXPECT_EQ(titles, (std::vector<std::string>{"Eins", "Zwei", "Drei", ""}));
}

TEST_F(CuePlayback, NextAndPreviousMoveBetweenRows) {
    ASSERT_TRUE(playback.PlayRow(0));
    Run(200);
    heard.clear();
    playback.PlayNext();
    EXPECT_EQ(view.markedRows, std::set<int>{1});
    Run(100);
    // The row's start at the command (the row before is cut, not faded: its
    // last few milliseconds may still sound under the first ones).
    const auto frames = HeardFrames();
    ASSERT_EQ(frames.size(), 4410u);
    EXPECT_EQ(frames.back(), kSecond + 4410);
    playback.PlayPrevious();
    EXPECT_EQ(view.markedRows, std::set<int>{0});
    Run(100);
    EXPECT_EQ(display.fields[static_cast<int>(InfoField::Title)], "Eins");
}

}  // namespace
}  // namespace sonvaro::test
