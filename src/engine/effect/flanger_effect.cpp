// DX8-style flanger: a short delay swept by a sine or triangle LFO, with
// feedback and a phase offset between the sides.
#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/bass_fx.h"
#include "engine/effect/delay_line.h"
#include "engine/effect/effect.h"

namespace sonvaro::audio {
namespace {

class Flanger final : public Effect {
  public:
    explicit Flanger(unsigned rate) : rate_(rate), ring_(rate / 100 + 8) {
        p_ = {50, 100, -50, 0.25f, 1, 2, BASS_DX8_PHASE_ZERO};
    }

    void Process(float* x, std::size_t frames) override {
        float wet = p_.fWetDryMix / 100.0f, dry = 1.0f - wet;
        float fb = p_.fFeedback / 100.0f;
        static const double phases[5] = {-0.5, -0.25, 0.0, 0.25, 0.5};
        double offset = phases[std::min<DWORD>(p_.lPhase, 4)];
        double maxDelay = p_.fDelay * rate_ / 1000.0;
        double depth = p_.fDepth / 100.0;
        double step = p_.fFrequency / rate_;
        auto delayAt = [&](double ph) {
            ph -= std::floor(ph);
            double wave = p_.lWaveform == 0 ? 1.0 - 4.0 * std::fabs(ph - 0.5) : std::sin(2 * M_PI * ph);
            return 1.0 + maxDelay * (1.0 - depth * (0.5 - 0.5 * wave));
        };
        // The LFO moves slowly: evaluate it every kLfoStep frames and interpolate.
        constexpr std::size_t kLfoStep = 32;
        float* left = ring_.line[0].data();
        float* right = ring_.line[1].data();
        for (std::size_t at = 0; at < frames; at += kLfoStep) {
            std::size_t n = std::min(kLfoStep, frames - at);
            double next = lfo_ + step * static_cast<double>(n);
            // Read positions behind the write position, stepped linearly over the
            // chunk; each chunk starts where the last one ended.
            if (!haveStart_) {
                startL_ = delayAt(lfo_);
                startR_ = delayAt(lfo_ + offset);
                haveStart_ = true;
            }
            double endL = delayAt(next), endR = delayAt(next + offset);
            auto backL = static_cast<float>(startL_), backR = static_cast<float>(startR_);
            auto stepL = static_cast<float>((endL - startL_) / static_cast<double>(n));
            auto stepR = static_cast<float>((endR - startR_) / static_cast<double>(n));
            startL_ = endL;
            startR_ = endR;
            std::size_t pos = ring_.pos;
            float* io = x + at * 2;
            for (std::size_t i = 0; i < n; ++i) {
                float yl = Tap(left, pos, backL), yr = Tap(right, pos, backR);
                float inl = io[2 * i], inr = io[2 * i + 1];
                left[pos] = inl + fb * yl;
                right[pos] = inr + fb * yr;
                io[2 * i] = inl * dry + yl * wet;
                io[2 * i + 1] = inr * dry + yr * wet;
                pos = (pos + 1) & ring_.mask;
                backL += stepL;
                backR += stepR;
            }
            ring_.pos = pos;
            lfo_ = next - std::floor(next);
        }
    }

    // The delay line `back` samples behind `pos`, interpolated between samples.
    float Tap(const float* line, std::size_t pos, float back) const {
        auto whole = static_cast<std::size_t>(back);
        float frac = back - static_cast<float>(whole);
        std::size_t older = (pos + ring_.size - whole - 1) & ring_.mask;
        float a = line[older], b = line[(older + 1) & ring_.mask];
        return b + (a - b) * frac;
    }

    bool SetParameters(const void* params) override {
        BASS_DX8_FLANGER p = *static_cast<const BASS_DX8_FLANGER*>(params);
        if (!std::isfinite(p.fWetDryMix) || !std::isfinite(p.fDepth) || !std::isfinite(p.fFeedback) ||
            !std::isfinite(p.fFrequency) || !std::isfinite(p.fDelay))
            return false;
        p.fWetDryMix = std::clamp(p.fWetDryMix, 0.0f, 100.0f);
        p.fDepth = std::clamp(p.fDepth, 0.0f, 100.0f);
        p.fFeedback = std::clamp(p.fFeedback, -99.0f, 99.0f);
        p.fFrequency = std::clamp(p.fFrequency, 0.0f, 10.0f);
        p.fDelay = std::clamp(p.fDelay, 0.0f, 4.0f);
        p.lWaveform = p.lWaveform ? 1 : 0;
        p.lPhase = std::min<DWORD>(p.lPhase, 4);
        p_ = p;
        haveStart_ = false;
        return true;
    }

    bool GetParameters(void* params) const override {
        *static_cast<BASS_DX8_FLANGER*>(params) = p_;
        return true;
    }

    void Reset() override { ring_.Clear(); }

  private:
    unsigned rate_;
    StereoDelayLine ring_;
    double lfo_ = 0;
    double startL_ = 0, startR_ = 0;  // delays at the start of the next chunk
    bool haveStart_ = false;
    BASS_DX8_FLANGER p_{};
};

}  // namespace

std::unique_ptr<Effect> CreateFlanger(unsigned rate) {
    return std::make_unique<Flanger>(rate);
}

}  // namespace sonvaro::audio
