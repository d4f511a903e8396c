// Spectrum and level of what is being heard.
#include <algorithm>
#include <cmath>

#include "support.h"
#include "support/fixtures.h"

namespace {

using support::OfflineEngine;

TEST_F(OfflineEngine, SpectrumOfFullScaleSinePeaksInItsBin) {
    // The fixture is at half scale; twice the volume makes it full scale.
    HSTREAM h = BASS_StreamCreateFile(FALSE, fixtures::Path("sine.wav").c_str(), 0, 0, 0);
    ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
    Pull(0.2);
    float fft[128];
    ASSERT_NE(BASS_ChannelGetData(h, fft, BASS_DATA_FFT256), static_cast<DWORD>(-1));
    int peak = static_cast<int>(std::max_element(fft, fft + 128) - fft);
    EXPECT_EQ(peak, static_cast<int>(std::lround(1000.0 * 256 / support::kRate)));
    EXPECT_GE(fft[peak] * 2, 0.5f);  // doubled: the fixture is at half scale
    EXPECT_LE(fft[peak] * 2, 1.0f);
    EXPECT_LT(fft[40], fft[peak] * 0.01f);
}

TEST_F(OfflineEngine, SpectrumAndLevelFollowWhatIsHeard) {
    HSTREAM h = BASS_StreamCreateFile(FALSE, fixtures::Path("clicks.wav").c_str(), 0, 0, 0);
    ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
    Pull(0.5);  // between bursts: silence (with the fixture's dither)
    float fft[128];
    ASSERT_NE(BASS_ChannelGetData(h, fft, BASS_DATA_FFT256), static_cast<DWORD>(-1));
    EXPECT_LT(*std::max_element(fft, fft + 128), 1e-4f);
    EXPECT_LE(BASS_ChannelGetLevel(h) & 0xFFFF, 4u);
    Pull(0.503);  // just after the burst at 1.0 s
    DWORD level = BASS_ChannelGetLevel(h);
    EXPECT_NEAR(level & 0xFFFF, 0.9 * 32768, 400);
    EXPECT_NEAR(level >> 16, 0.9 * 32768, 400);
}

TEST_F(OfflineEngine, LevelIsPerSide) {
    HSTREAM h = BASS_StreamCreateFile(FALSE, fixtures::Path("sine.wav").c_str(), 0, 0, 0);
    ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
    BASS_ChannelSetAttribute(h, BASS_ATTRIB_PAN, 1.0f);
    Pull(0.1);
    // The meter shows the channel's signal before volume and pan, as BASS does.
    DWORD level = BASS_ChannelGetLevel(h);
    EXPECT_NEAR(level & 0xFFFF, 16384, 100);
    EXPECT_NEAR(level >> 16, 16384, 100);
    BASS_ChannelStop(h);
    EXPECT_EQ(BASS_ChannelGetLevel(h), static_cast<DWORD>(-1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOPLAY);
}

}  // namespace
