// A change is heard now, not after the mix lead: the ring drops what the
// device has not taken, and a channel mixes again from the frame heard
// there, without skipping or repeating a frame.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "engine/bass.h"
#include "engine/channel.h"
#include "engine/output/output.h"

namespace sonvaro::audio {
namespace {

constexpr unsigned kRate = 44100;
constexpr float kStep = 1e-6f;  // frame n of the ramp holds n * kStep

// Frame n holds n * kStep on both sides, so every output sample names its source frame.
class RampSource final : public Source {
  public:
    SourceFormat Format() const override { return {kRate, 2, BASS_CTYPE_STREAM_WAV_PCM}; }
    std::int64_t LengthFrames() const override { return kLength; }
    bool Prepare(bool) override { return true; }
    std::size_t Read(float* out, std::size_t frames) override {
        std::size_t n = 0;
        for (; n < frames && next_ < kLength; ++n, ++next_) out[2 * n] = out[2 * n + 1] = next_ * kStep;
        return n;
    }
    bool Seek(std::int64_t frame) override {
        next_ = frame;
        return true;
    }
    static constexpr std::int64_t kLength = 10 * kRate;

  private:
    std::int64_t next_ = 0;
};

class MixAgain : public ::testing::Test {
  protected:
    MixAgain() : channel(1, std::make_unique<RampSource>(), 0, kRate) {}

    // Mixes `frames` from output frame `at` (decoding as needed); the left side.
    std::vector<float> Mix(std::uint64_t at, std::size_t frames) {
        std::vector<float> block(frames * 2, 0.0f), left(frames);
        for (std::size_t done = 0; done < frames; done += 512)
            channel.MixInto(block.data() + done * 2, std::min<std::size_t>(512, frames - done), at + done,
                            true);
        for (std::size_t i = 0; i < frames; ++i) left[i] = block[2 * i];
        return left;
    }

    Channel channel;
};

// The mixer takes its lead the moment a channel starts; the decoding thread may
// not get a core for a while on a busy machine. What Play and Queue decoded
// must cover the lead and as much again, or the start has a gap.
TEST_F(MixAgain, PlayAndQueueDecodeMoreThanTwiceTheMixLeadBeforeTheyReturn) {
    const auto lead = static_cast<std::size_t>(2 * kMixLeadSeconds * kRate);
    for (const bool queued : {false, true}) {
        Channel ch(1, std::make_unique<RampSource>(), 0, kRate);
        if (queued) {
            ASSERT_TRUE(ch.Queue());
            ASSERT_TRUE(ch.StartAfter(0, nullptr));
        } else {
            ch.Play(true, 0);
        }
        std::vector<float> block(lead * 2, 0.0f);
        for (std::size_t done = 0; done < lead; done += 512)
            ch.MixInto(block.data() + done * 2, std::min<std::size_t>(512, lead - done), done, false);
        std::size_t wrong = 0;
        for (std::size_t n = 0; n < lead; ++n) wrong += block[2 * n] != static_cast<float>(n) * kStep;
        EXPECT_EQ(wrong, 0u) << (queued ? "queued" : "played");
    }
}

TEST_F(MixAgain, GoesOnFromTheFrameHeardAtTheCutNeitherSkippingNorRepeating) {
    channel.Play(true, 0);
    Mix(0, 4096);  // 4096 frames mixed; the device has taken 1000 of them
    channel.RewindTo(1000);
    EXPECT_EQ(channel.Position(1000), 1000);
    const auto again = Mix(1000, 1024);
    EXPECT_FLOAT_EQ(again.front(), 1000 * kStep);
    EXPECT_FLOAT_EQ(again.back(), 2023 * kStep);
    // A second cut inside what was mixed again.
    channel.RewindTo(1500);
    EXPECT_FLOAT_EQ(Mix(1500, 512).front(), 1500 * kStep);
}

TEST_F(MixAgain, APauseAtTheCutResumesWithTheFrameHeardThere) {
    channel.Play(true, 0);
    Mix(0, 4096);
    ASSERT_TRUE(channel.Pause());
    channel.RewindTo(2500);
    EXPECT_EQ(channel.Position(2500), 2500);
    EXPECT_EQ(channel.Position(9000), 2500);  // the time stands while paused
    EXPECT_FLOAT_EQ(Mix(2500, 512).front(), 0.0f);
    channel.Play(false, 9000);
    const auto resumed = Mix(9000, 512);
    EXPECT_FLOAT_EQ(resumed.front(), 2500 * kStep);
    EXPECT_EQ(channel.Position(9000 + 512), 2500 + 512);
}

TEST_F(MixAgain, ANewVolumeGlidesFromTheGainHeardAtTheCut) {
    channel.Play(true, 0);
    Mix(0, 4096);
    ASSERT_TRUE(channel.SetAttribute(BASS_ATTRIB_VOL, 0.25f, 4096));
    channel.RewindTo(1000);
    const auto again = Mix(1000, 1024);
    // Full gain at the cut (no click), the new one a block later.
    EXPECT_NEAR(again[0] / (1000 * kStep), 1.0f, 0.01f);
    EXPECT_NEAR(again[600] / (1600 * kStep), 0.25f, 0.001f);
}

TEST_F(MixAgain, AFadeSetInWhatWasDroppedStartsAtTheCut) {
    channel.Play(true, 0);
    Mix(0, 4096);
    ASSERT_TRUE(channel.SlideAttribute(BASS_ATTRIB_VOL, 0.0f, 100, 4096));  // 4410 frames long
    channel.RewindTo(1000);
    const auto again = Mix(1000, 4410);
    EXPECT_NEAR(again[2205] / (3205 * kStep), 0.5f, 0.01f);  // halfway down after half the fade
    EXPECT_NEAR(again[4409], 0.0f, 1e-5f);
}

TEST_F(MixAgain, AnEndThatWasDroppedIsMixedAgain) {
    channel.Play(true, 0);
    ASSERT_TRUE(channel.SetPosition(RampSource::kLength - 2000, 0));
    auto last = Mix(0, 4096);
    EXPECT_TRUE(channel.Ending());
    EXPECT_FLOAT_EQ(last[1999], (RampSource::kLength - 1) * kStep);
    channel.RewindTo(1500);
    EXPECT_FALSE(channel.Ending());
    last = Mix(1500, 1024);
    EXPECT_FLOAT_EQ(last[0], (RampSource::kLength - 500) * kStep);
    EXPECT_FLOAT_EQ(last[499], (RampSource::kLength - 1) * kStep);
    EXPECT_FLOAT_EQ(last[500], 0.0f);
    EXPECT_TRUE(channel.Ending());
}

TEST_F(MixAgain, AChannelThatDidNotPlayAfterTheCutIsLeftAsItIs) {
    channel.Play(true, 0);
    Mix(0, 2048);
    ASSERT_TRUE(channel.Pause());
    channel.RewindTo(3000);  // paused before the cut: nothing of it was dropped
    EXPECT_EQ(channel.Position(3000), 2048);
}

TEST_F(MixAgain, ASuccessorStartedAfterTheCutWaitsForItsPredecessorAgain) {
    ASSERT_TRUE(channel.Queue());
    EXPECT_EQ(channel.Active(), static_cast<DWORD>(BASS_ACTIVE_STOPPED));
    EXPECT_TRUE(Mix(0, 1024) == std::vector<float>(1024, 0.0f)) << "queued: not mixed";
    ASSERT_TRUE(channel.StartAfter(1000, nullptr));
    Mix(1000, 3072);
    channel.RewindTo(800);  // the predecessor's end was dropped: it is mixed again
    EXPECT_EQ(channel.Active(), static_cast<DWORD>(BASS_ACTIVE_STOPPED));
    EXPECT_TRUE(Mix(800, 512) == std::vector<float>(512, 0.0f));
    ASSERT_TRUE(channel.StartAfter(1300, nullptr));
    const auto again = Mix(1300, 1024);
    EXPECT_FLOAT_EQ(again[0], 0.0f);
    EXPECT_FLOAT_EQ(again[1], kStep);
    EXPECT_FLOAT_EQ(again[1023], 1023 * kStep);
    // A cut after its start only takes it back within itself.
    channel.RewindTo(1800);
    EXPECT_EQ(channel.Active(), static_cast<DWORD>(BASS_ACTIVE_PLAYING));
    EXPECT_FLOAT_EQ(Mix(1800, 512)[0], 500 * kStep);
}

std::vector<float> Frames(float first, std::size_t n) {
    std::vector<float> out(n * 2);
    for (std::size_t i = 0; i < n; ++i) out[2 * i] = out[2 * i + 1] = first + static_cast<float>(i);
    return out;
}

TEST(FrameRingCut, TheConsumerDropsWhatItHasNotTakenAndTheMixGoesOnFromThere) {
    FrameRing ring(4096);
    ring.Push(Frames(0, 3000).data(), 3000);
    std::atomic<bool> stop{false};
    std::atomic<std::size_t> taken{0};
    std::vector<float> heard;
    std::thread device([&] {
        std::vector<float> period(256 * 2);
        while (!stop) {
            const std::size_t n = ring.Pop(period.data(), 256);
            heard.insert(heard.end(), period.begin(), period.begin() + static_cast<std::ptrdiff_t>(n * 2));
            taken += n;
        }
    });
    const auto from = ring.Cut(std::chrono::seconds(10), [] { return true; });
    ASSERT_TRUE(from.has_value());
    EXPECT_EQ(ring.Count(), 0u);
    ring.Push(Frames(static_cast<float>(*from), 300).data(), 300);
    ASSERT_TRUE([&] {
        for (int i = 0; i < 1000000 && taken < *from + 300; ++i) std::this_thread::yield();
        return taken == *from + 300;
    }());
    stop = true;
    device.join();
    // Every frame heard once, in order, across the cut.
    ASSERT_EQ(heard.size(), (*from + 300) * 2);
    for (std::size_t i = 0; i < heard.size() / 2; ++i) ASSERT_EQ(heard[2 * i], static_cast<float>(i)) << i;
}

TEST(FrameRingCut, WithoutAConsumerTheRingStaysAsItWas) {
    FrameRing ring(4096);
    ring.Push(Frames(0, 3000).data(), 3000);
    EXPECT_FALSE(ring.Cut(std::chrono::milliseconds(20), [] { return true; }).has_value());
    EXPECT_FALSE(ring.Cut(std::chrono::seconds(60), [] { return false; }).has_value());  // told to give up
    EXPECT_EQ(ring.Count(), 3000u);
    // A later pop does not cut.
    std::vector<float> out(100 * 2);
    EXPECT_EQ(ring.Pop(out.data(), 100), 100u);
    EXPECT_EQ(ring.Count(), 2900u);
}

}  // namespace
}  // namespace sonvaro::audio
