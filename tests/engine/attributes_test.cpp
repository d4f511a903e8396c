// Volume, pan and frequency: set, slide on time, end a slide, and what the
// listener hears from each.
#include <cmath>

#include "support.h"
#include "support/fixtures.h"

namespace {

using support::OfflineEngine;

class Attributes : public OfflineEngine {
  protected:
    void SetUp() override {
        OfflineEngine::SetUp();
        h = BASS_StreamCreateFile(FALSE, fixtures::Path("sine.wav").c_str(), 0, 0, BASS_STREAM_PRESCAN);
        ASSERT_NE(h, 0u);
        ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
    }
    float Get(DWORD attrib) {
        float v = -99;
        EXPECT_TRUE(BASS_ChannelGetAttribute(h, attrib, &v));
        return v;
    }
    HSTREAM h = 0;
};

TEST_F(Attributes, VolumeSlideReachesItsTargetOnTime) {
    ASSERT_TRUE(BASS_ChannelSetAttribute(h, BASS_ATTRIB_VOL, 0.0f));
    ASSERT_TRUE(BASS_ChannelSlideAttribute(h, BASS_ATTRIB_VOL, 1.0f, 1000));
    EXPECT_TRUE(BASS_ChannelIsSliding(h, BASS_ATTRIB_VOL));
    auto first = Pull(0.5);
    EXPECT_NEAR(Get(BASS_ATTRIB_VOL), 0.5f, 0.02f);
    // The fade is audible: quiet at the start, louder at the end of the first half.
    std::vector<float> head(first.begin(), first.begin() + 2205 * 2),
        tail(first.end() - 2205 * 2, first.end());
    EXPECT_LT(support::Peak(head, 0), 0.05);
    EXPECT_NEAR(support::Peak(tail, 0), 0.25, 0.03);
    Pull(0.5);
    EXPECT_FLOAT_EQ(Get(BASS_ATTRIB_VOL), 1.0f);
    EXPECT_FALSE(BASS_ChannelIsSliding(h, BASS_ATTRIB_VOL));
    EXPECT_NEAR(support::Peak(Pull(0.1), 0), 0.5, 0.01);
}

TEST_F(Attributes, SetOrZeroTimeSlideEndsARunningSlide) {
    ASSERT_TRUE(BASS_ChannelSlideAttribute(h, BASS_ATTRIB_VOL, 0.0f, 2000));
    Pull(0.5);
    ASSERT_TRUE(BASS_ChannelSlideAttribute(h, BASS_ATTRIB_VOL, 0.6f, 0));
    EXPECT_FALSE(BASS_ChannelIsSliding(h, BASS_ATTRIB_VOL));
    EXPECT_FLOAT_EQ(Get(BASS_ATTRIB_VOL), 0.6f);
    Pull(1.0);
    EXPECT_FLOAT_EQ(Get(BASS_ATTRIB_VOL), 0.6f);

    ASSERT_TRUE(BASS_ChannelSlideAttribute(h, BASS_ATTRIB_VOL, 0.0f, 2000));
    Pull(0.2);
    ASSERT_TRUE(BASS_ChannelSetAttribute(h, BASS_ATTRIB_VOL, 0.3f));
    EXPECT_FALSE(BASS_ChannelIsSliding(h, BASS_ATTRIB_VOL));
    Pull(1.0);
    EXPECT_FLOAT_EQ(Get(BASS_ATTRIB_VOL), 0.3f);
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);
}

TEST_F(Attributes, PanMovesTheEnergy) {
    ASSERT_TRUE(BASS_ChannelSetAttribute(h, BASS_ATTRIB_PAN, -1.0f));
    Pull(0.05);  // let the gain ramp settle
    auto left = Pull(0.2);
    EXPECT_NEAR(support::Rms(left, 0), 0.5 / std::sqrt(2.0), 0.01);
    EXPECT_LT(support::Rms(left, 1), 1e-4);
    ASSERT_TRUE(BASS_ChannelSlideAttribute(h, BASS_ATTRIB_PAN, 0.5f, 200));
    Pull(0.25);
    EXPECT_FLOAT_EQ(Get(BASS_ATTRIB_PAN), 0.5f);
    auto right = Pull(0.2);
    EXPECT_NEAR(support::Rms(right, 0), 0.5 * 0.5 / std::sqrt(2.0), 0.01);
    EXPECT_NEAR(support::Rms(right, 1), 0.5 / std::sqrt(2.0), 0.01);
}

TEST_F(Attributes, HalfSpeedHalvesPitchAndDoublesDuration) {
    EXPECT_FLOAT_EQ(Get(BASS_ATTRIB_FREQ), 44100.0f);
    ASSERT_TRUE(BASS_ChannelSetAttribute(h, BASS_ATTRIB_FREQ, 22050.0f));
    auto out = Pull(1.0);
    std::vector<float> middle(out.begin() + 4410 * 2, out.end());
    EXPECT_NEAR(support::ToneAmplitude(middle, 500, 0), 0.5, 0.03);
    EXPECT_LT(support::ToneAmplitude(middle, 1000, 0), 0.02);
    // 1 s of output used 0.5 s of the file; the 3 s file lasts 6 s in all.
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(h, BASS_ChannelGetPosition(h, BASS_POS_BYTE)), 0.5, 0.01);
    Pull(4.9);
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);
    Pull(0.2);
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
}

TEST_F(Attributes, FrequencySlideGlidesWithoutGaps) {
    ASSERT_TRUE(BASS_ChannelSlideAttribute(h, BASS_ATTRIB_FREQ, 88200.0f, 500));
    auto out = Pull(0.5);
    EXPECT_FLOAT_EQ(Get(BASS_ATTRIB_FREQ), 88200.0f);
    // No dropouts while the ratio changes: every 10 ms window has the tone.
    for (std::size_t at = 2205; at + 441 <= out.size() / 2; at += 441) {
        std::vector<float> w(out.begin() + at * 2, out.begin() + (at + 441) * 2);
        ASSERT_GT(support::Peak(w, 0), 0.4) << "window at " << at;
    }
    auto fast = Pull(0.2);
    EXPECT_NEAR(support::ToneAmplitude(fast, 2000, 0), 0.5, 0.03);
}

TEST_F(Attributes, VolumeSlideToMinusOneStopsTheChannel) {
    ASSERT_TRUE(BASS_ChannelSlideAttribute(h, BASS_ATTRIB_VOL, -1.0f, 300));
    Pull(0.2);
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);
    Pull(0.2);
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
}

TEST_F(Attributes, UnknownAttributeAndBadHandleFail) {
    float v;
    EXPECT_FALSE(BASS_ChannelGetAttribute(h, 0x999, &v));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);
    EXPECT_FALSE(BASS_ChannelGetAttribute(h + 1000, BASS_ATTRIB_VOL, &v));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

}  // namespace
