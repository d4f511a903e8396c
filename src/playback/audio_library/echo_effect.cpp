// DX8-style echo: a feedback delay per side, optionally swapping sides on
// every repeat. A delay change crossfades between the old and new tap.
// The loop gain stays below 1 even at 100 % feedback, and what goes back into
// the line is softly saturated, so repeats of in-phase material level off
// instead of growing without end.
#include <algorithm>
#include <cmath>
#include <vector>

#include "playback/audio_library/bass_fx.h"
#include "playback/audio_library/effect.h"

namespace sonvaro::audio {
namespace {

constexpr std::size_t kFade = 256;
constexpr float kMaxLoopGain = 0.98f; // at 100 % feedback
constexpr float kKnee = 0.5f;         // the line is linear up to here, and never exceeds 1

float Saturate(float v) {
    float a = std::fabs(v);
    if (a <= kKnee) return v;
    return std::copysign(kKnee + (1 - kKnee) * std::tanh((a - kKnee) / (1 - kKnee)), v);
}

class Echo final : public Effect {
public:
    explicit Echo(unsigned rate) : rate_(rate), size_(RoundUp(rate * 2 + rate / 10)), mask_(size_ - 1) {
        line_[0].assign(size_, 0.0f);
        line_[1].assign(size_, 0.0f);
        p_ = {50, 50, 500, 500, FALSE};
        Apply();
        for (int c = 0; c < 2; ++c) oldDelay_[c] = delay_[c];
    }

    void Process(float* x, std::size_t frames) override {
        float wet = p_.fWetDryMix / 100.0f, dry = 1.0f - wet;
        float fb = p_.fFeedback / 100.0f * kMaxLoopGain;
        float* l = line_[0].data();
        float* r = line_[1].data();
        std::size_t pos = pos_;
        for (std::size_t i = 0; i < frames; ++i) {
            float yl = l[(pos - delay_[0]) & mask_];
            float yr = r[(pos - delay_[1]) & mask_];
            if (fade_ < kFade) {
                // A new delay takes over from the old one gradually.
                float mix = static_cast<float>(fade_++) / kFade;
                yl = yl * mix + l[(pos - oldDelay_[0]) & mask_] * (1 - mix);
                yr = yr * mix + r[(pos - oldDelay_[1]) & mask_] * (1 - mix);
            }
            float inl = x[2 * i], inr = x[2 * i + 1];
            l[pos] = Saturate(inl + fb * (p_.lPanDelay ? yr : yl));
            r[pos] = Saturate(inr + fb * (p_.lPanDelay ? yl : yr));
            x[2 * i] = inl * dry + yl * wet;
            x[2 * i + 1] = inr * dry + yr * wet;
            pos = (pos + 1) & mask_;
        }
        pos_ = pos;
    }

    bool SetParameters(const void* params) override {
        BASS_DX8_ECHO p = *static_cast<const BASS_DX8_ECHO*>(params);
        if (!std::isfinite(p.fWetDryMix) || !std::isfinite(p.fFeedback) || !std::isfinite(p.fLeftDelay) ||
            !std::isfinite(p.fRightDelay))
            return false;
        p.fWetDryMix = std::clamp(p.fWetDryMix, 0.0f, 100.0f);
        p.fFeedback = std::clamp(p.fFeedback, 0.0f, 100.0f);
        p.fLeftDelay = std::clamp(p.fLeftDelay, 1.0f, 2000.0f);
        p.fRightDelay = std::clamp(p.fRightDelay, 1.0f, 2000.0f);
        oldDelay_[0] = delay_[0];
        oldDelay_[1] = delay_[1];
        p_ = p;
        Apply();
        if (delay_[0] != oldDelay_[0] || delay_[1] != oldDelay_[1]) fade_ = 0;
        return true;
    }

    bool GetParameters(void* params) const override {
        *static_cast<BASS_DX8_ECHO*>(params) = p_;
        return true;
    }

    void Reset() override {
        std::fill(line_[0].begin(), line_[0].end(), 0.0f);
        std::fill(line_[1].begin(), line_[1].end(), 0.0f);
    }

private:
    void Apply() {
        delay_[0] = static_cast<std::size_t>(std::lround(p_.fLeftDelay * rate_ / 1000.0));
        delay_[1] = static_cast<std::size_t>(std::lround(p_.fRightDelay * rate_ / 1000.0));
    }

    static std::size_t RoundUp(std::size_t n) {
        std::size_t p = 1;
        while (p < n) p <<= 1;
        return p;
    }

    unsigned rate_;
    std::size_t size_, mask_;
    std::vector<float> line_[2];
    std::size_t pos_ = 0;
    std::size_t delay_[2] = {1, 1}, oldDelay_[2] = {1, 1};
    std::size_t fade_ = kFade;
    BASS_DX8_ECHO p_{};
};

} // namespace

std::unique_ptr<Effect> CreateEcho(unsigned rate) { return std::make_unique<Echo>(rate); }

} // namespace sonvaro::audio
