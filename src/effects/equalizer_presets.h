// The ten fixed equalizer bands and the nineteen named presets.
#pragma once
#include <array>
#include <cstdint>
#include <string_view>

namespace sonvaro {

constexpr int kEqualizerBandCount = 10;
constexpr int kEqualizerPresetCount = 19;

// Band step 120 is 0 dB; every step is a tenth of a dB.
constexpr int32_t kEqualizerFlatStep = 120;
constexpr int32_t kEqualizerMaxStep = 240;

struct EqualizerPreset {
    std::string_view caption;
    std::array<int32_t, kEqualizerBandCount> steps;
};

extern const std::array<float, kEqualizerBandCount> kEqualizerBandCentres;  // Hz
extern const std::array<std::string_view, kEqualizerBandCount> kEqualizerBandCaptions;
extern const std::array<EqualizerPreset, kEqualizerPresetCount> kEqualizerPresets;

// Gain in dB of a band step: 0 -> -12, 120 -> 0, 240 -> +12.
inline float EqualizerGainOfStep(int32_t step) {
    return static_cast<float>(step) / 10.0f - 12.0f;
}

}  // namespace sonvaro
