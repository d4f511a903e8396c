// A queued channel starts at the frame after its predecessor's last one: two
// halves of one tone play back as the whole tone.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "../support/fixtures.h"
#include "engine/bass.h"
#include "engine/engine.h"
#include "support.h"

namespace {

constexpr long kCut = 89434;                     // where the halves were cut
constexpr long kToneFrames = 4 * 44100;          // the whole tone
constexpr double kQuantum = 1.0 / 32768 + 1e-7;  // one step of 16-bit audio

class Gapless : public support::OfflineEngine {
  protected:
    static DWORD Open(const std::string& fixture) {
        const DWORD h = BASS_StreamCreateFile(FALSE, fixtures::Path(fixture).c_str(), 0, 0, 0);
        EXPECT_NE(h, 0u) << fixture << ": " << BASS_ErrorGetCode();
        return h;
    }
    // The two files played as one: the second queued behind the first.
    static std::vector<float> PlayJoined(const std::string& first, const std::string& second,
                                         double seconds) {
        const DWORD a = Open(first), b = Open(second);
        EXPECT_TRUE(BASS_ChannelPlay(a, FALSE));
        EXPECT_TRUE(BASS_ChannelPlayNext(a, b)) << BASS_ErrorGetCode();
        return Pull(seconds);
    }
    static std::vector<float> Whole(double seconds) {
        const DWORD whole = Open("tone.wav");
        EXPECT_TRUE(BASS_ChannelPlay(whole, FALSE));
        auto out = Pull(seconds);
        BASS_StreamFree(whole);
        return out;
    }
    // Frames in [from, to) where the two differ by more than `tolerance`.
    static long Differing(const std::vector<float>& a, const std::vector<float>& b, long from, long to,
                          double tolerance) {
        long n = 0;
        for (long f = from; f < to; ++f)
            for (int c = 0; c < 2; ++c)
                if (std::abs(a[2 * f + c] - b[2 * f + c]) > tolerance) ++n;
        return n;
    }
    // The longest run of frames near silence in [from, to): a 997 Hz tone at
    // 0.5 passes zero in about one frame.
    static long LongestQuiet(const std::vector<float>& s, long from, long to) {
        long longest = 0, run = 0;
        for (long f = from; f < to; ++f) {
            run = std::abs(s[2 * f]) < 0.02f ? run + 1 : 0;
            longest = std::max(longest, run);
        }
        return longest;
    }
};

TEST_F(Gapless, TwoFlacHalvesSoundAsTheWholeToneToTheSample) {
    const auto whole = Whole(4.2);
    const auto joined = PlayJoined("tone_a.flac", "tone_b.flac", 4.2);
    EXPECT_EQ(Differing(whole, joined, 0, kToneFrames, kQuantum), 0);
    EXPECT_EQ(Differing(whole, joined, kCut - 8, kCut + 8, kQuantum), 0) << "at the join";
    // Both end where the tone ends.
    EXPECT_EQ(Differing(whole, joined, kToneFrames, kToneFrames + 4410, 0.0), 0);
}

TEST_F(Gapless, AtAnotherSpeedOneRateConverterGoesOnAcrossTheJoin) {
    // Both halves resampled: a converter started afresh at the join would
    // hear silence before the second half, and the tone would dip there.
    const float speed = 44100 * 1.07f;
    const DWORD whole = Open("tone.wav");
    BASS_ChannelSetAttribute(whole, BASS_ATTRIB_FREQ, speed);
    ASSERT_TRUE(BASS_ChannelPlay(whole, FALSE));
    const auto reference = Pull(4.0);
    BASS_StreamFree(whole);
    const DWORD a = Open("tone_a.flac"), b = Open("tone_b.flac");
    BASS_ChannelSetAttribute(a, BASS_ATTRIB_FREQ, speed);
    BASS_ChannelSetAttribute(b, BASS_ATTRIB_FREQ, speed);
    ASSERT_TRUE(BASS_ChannelPlay(a, FALSE));
    ASSERT_TRUE(BASS_ChannelPlayNext(a, b));
    const auto joined = Pull(4.0);
    const long join = static_cast<long>(kCut / 1.07);
    EXPECT_EQ(Differing(reference, joined, join - 2000, join + 2000, 1e-4), 0);
}

TEST_F(Gapless, TheSecondChannelIsStoppedUntilTheJoinAndEndsThere) {
    const DWORD a = Open("tone_a.flac"), b = Open("tone_b.flac");
    ASSERT_TRUE(BASS_ChannelPlay(a, FALSE));
    ASSERT_TRUE(BASS_ChannelPlayNext(a, b));
    EXPECT_EQ(BASS_ChannelIsActive(b), BASS_ACTIVE_STOPPED);
    Pull(2.0);  // 88200 frames: the first half still plays
    EXPECT_EQ(BASS_ChannelIsActive(b), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(BASS_ChannelGetPosition(b, BASS_POS_BYTE), 0u);
    Pull(0.1);
    EXPECT_EQ(BASS_ChannelIsActive(a), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(BASS_ChannelIsActive(b), BASS_ACTIVE_PLAYING);
    const double heard = BASS_ChannelBytes2Seconds(b, BASS_ChannelGetPosition(b, BASS_POS_BYTE));
    EXPECT_NEAR(heard, (2.1 * 44100 - kCut) / 44100, 0.02);
}

TEST_F(Gapless, AnUndoneOrStoppedSuccessorDoesNotStart) {
    {
        const DWORD a = Open("tone_a.flac"), b = Open("tone_b.flac");
        ASSERT_TRUE(BASS_ChannelPlay(a, FALSE));
        ASSERT_TRUE(BASS_ChannelPlayNext(a, b));
        ASSERT_TRUE(BASS_ChannelPlayNext(a, 0));
        const auto out = Pull(2.5);
        EXPECT_EQ(BASS_ChannelIsActive(b), BASS_ACTIVE_STOPPED);
        EXPECT_LT(support::Peak(std::vector<float>(out.begin() + 2 * (kCut + 600), out.end()), 0), 1e-6);
    }
    {
        const DWORD a = Open("tone_a.flac"), b = Open("tone_b.flac");
        ASSERT_TRUE(BASS_ChannelPlay(a, FALSE));
        ASSERT_TRUE(BASS_ChannelPlayNext(a, b));
        ASSERT_TRUE(BASS_ChannelStop(b));
        Pull(2.5);
        EXPECT_EQ(BASS_ChannelIsActive(b), BASS_ACTIVE_STOPPED);
        EXPECT_EQ(BASS_ChannelGetPosition(b, BASS_POS_BYTE), 0u);
    }
}

TEST_F(Gapless, RefusedWhenTheEndIsMixedOrTheSuccessorHasPlayed) {
    const DWORD a = Open("tone_a.flac"), b = Open("tone_b.flac"), c = Open("tone_b.flac");
    ASSERT_TRUE(BASS_ChannelPlay(b, FALSE));
    Pull(0.1);
    ASSERT_TRUE(BASS_ChannelPlay(a, FALSE));
    EXPECT_FALSE(BASS_ChannelPlayNext(a, b));  // it has played
    EXPECT_FALSE(BASS_ChannelPlayNext(a, a));
    Pull(2.1);  // a has ended
    EXPECT_FALSE(BASS_ChannelPlayNext(a, c));
    EXPECT_EQ(BASS_ChannelIsActive(c), BASS_ACTIVE_STOPPED);
}

TEST_F(Gapless, Mp3HalvesJoinWithoutTheEncodersDelayAndPadding) {
    const auto whole = Whole(4.2);
    const auto joined = PlayJoined("tone_a.mp3", "tone_b.mp3", 4.2);
    // Lossy, but in step with the whole tone: a delay or padding left in would
    // shift the second half by about a thousand frames (and open a gap).
    EXPECT_EQ(Differing(whole, joined, kCut - 2048, kCut + 2048, 0.05), 0);
    EXPECT_EQ(Differing(whole, joined, 4410, kToneFrames - 4410, 0.05), 0);
    EXPECT_LE(LongestQuiet(joined, 1000, kToneFrames - 1000), 2);
}

TEST_F(Gapless, AFileAtAnotherRateFollowsWithoutAGap) {
    const auto joined = PlayJoined("tone_a.flac", "tone_48k.flac", 4.5);
    EXPECT_LE(LongestQuiet(joined, 1000, kCut + 2 * 44100 - 1000), 2);
    // Two seconds at 48 kHz last two seconds here.
    EXPECT_NEAR(support::FirstAbove(
                    std::vector<float>(joined.begin() + 2 * (kCut + 88200 + 200), joined.end()), 0.01f),
                -1, 0);
}

}  // namespace

namespace {

// The same on a device in real time: the decoding thread fills the queued
// channel while the mixing thread plays the first (the sanitizer runs watch it).
TEST(GaplessInRealTime, TheQueuedChannelTakesOverOnTheNoSoundDevice) {
    ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
    const DWORD a = BASS_StreamCreateFile(FALSE, fixtures::Path("tone_a.flac").c_str(), 0, 0, 0);
    const DWORD b = BASS_StreamCreateFile(FALSE, fixtures::Path("tone_b.flac").c_str(), 0, 0, 0);
    ASSERT_TRUE(a && b);
    ASSERT_TRUE(BASS_ChannelPlay(a, FALSE));
    ASSERT_TRUE(BASS_ChannelSetPosition(a, BASS_ChannelSeconds2Bytes(a, 1.5), BASS_POS_BYTE));
    ASSERT_TRUE(BASS_ChannelPlayNext(a, b));
    EXPECT_TRUE(support::WaitFor([&] { return BASS_ChannelIsActive(a) == BASS_ACTIVE_STOPPED; }));
    EXPECT_EQ(BASS_ChannelIsActive(b), BASS_ACTIVE_PLAYING);
    EXPECT_TRUE(support::WaitFor(
        [&] { return BASS_ChannelBytes2Seconds(b, BASS_ChannelGetPosition(b, BASS_POS_BYTE)) > 0.2; }));
    BASS_Free();
}

// A pause is heard at once, and the position it reports is the one the
// listener is left at: it does not move on while the device plays out.
TEST(PauseInRealTime, ThePositionIsSettledWhenThePauseReturns) {
    ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
    const DWORD a = BASS_StreamCreateFile(FALSE, fixtures::Path("tone.wav").c_str(), 0, 0, 0);
    ASSERT_TRUE(a);
    ASSERT_TRUE(BASS_ChannelPlay(a, FALSE));
    const auto seconds = [&] {
        return BASS_ChannelBytes2Seconds(a, BASS_ChannelGetPosition(a, BASS_POS_BYTE));
    };
    ASSERT_TRUE(support::WaitFor([&] { return seconds() > 0.3; }));
    ASSERT_TRUE(BASS_ChannelPause(a));
    const double paused = seconds();
    EXPECT_GT(paused, 0.3);
    EXPECT_LT(paused, 1.5);
    // The device goes on for a fifth of a second (with silence, or with what was mixed ahead).
    const auto heard = sonvaro::audio::Engine::Get().HeardClock();
    ASSERT_TRUE(
        support::WaitFor([&] { return sonvaro::audio::Engine::Get().HeardClock() > heard + 44100 / 5; }));
    EXPECT_EQ(seconds(), paused);
    ASSERT_TRUE(BASS_ChannelPlay(a, FALSE));
    EXPECT_TRUE(support::WaitFor([&] { return seconds() > paused + 0.1; }));
    BASS_Free();
}

}  // namespace
