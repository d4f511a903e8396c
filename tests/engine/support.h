// Shared helpers for the engine tests: an engine on the offline output, and
// small signal measurements on the frames it mixes.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "engine/bass.h"
#include "engine/output/offline_output.h"

namespace support {

constexpr unsigned kRate = 44100;

class OfflineEngine : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(sonvaro::audio::InitOffline(kRate)) << BASS_ErrorGetCode(); }
    void TearDown() override { BASS_Free(); }

    // Mixes `seconds` of output; stereo interleaved.
    static std::vector<float> Pull(double seconds) {
        std::vector<float> out(static_cast<std::size_t>(seconds * kRate) * 2);
        sonvaro::audio::PullOffline(out.data(), out.size() / 2);
        return out;
    }
};

// Amplitude of `freq` in one channel (0 left, 1 right, 2 mono mix) by correlation.
double ToneAmplitude(const std::vector<float>& stereo, double freq, int channel, unsigned rate = kRate);
double Rms(const std::vector<float>& stereo, int channel);
double Peak(const std::vector<float>& stereo, int channel);
// Dominant frequency by counting zero crossings of the left channel.
double ZeroCrossingFrequency(const std::vector<float>& stereo, unsigned rate = kRate);
// Index (frame) of the first sample whose magnitude reaches `threshold`, or -1.
long FirstAbove(const std::vector<float>& stereo, float threshold, std::size_t fromFrame = 0);

// Waits (bounded) until `done` holds; returns whether it did.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10));

}  // namespace support
