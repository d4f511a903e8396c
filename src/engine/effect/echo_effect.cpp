// DX8-style echo: a feedback delay per side, optionally swapping sides on
// every repeat. A delay change crossfades between the old and new tap.
// The loop gain stays below 1 even at 100 % feedback, and what goes back into
// the line is softly saturated, so repeats of in-phase material level off
// instead of growing without end.
#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/bass_fx.h"
#include "engine/effect/delay_line.h"
#include "engine/effect/effect.h"

namespace sonvaro::audio {
namespace {

constexpr std::size_t kFade = 256;
constexpr float kMaxLoopGain = 0.98f;  // at 100 % feedback
constexpr float kKnee = 0.5f;          // the line is linear up to here, and never exceeds 1

float Saturate(float v) {
    float a = std::fabs(v);
    if (a <= kKnee) return v;
    return std::copysign(kKnee + (1 - kKnee) * std::tanh((a - kKnee) / (1 - kKnee)), v);
}

class Echo final : public Effect {
  public:
    explicit Echo(unsigned rate) : rate_(rate), ring_(rate * 2 + rate / 10) {
        p_ = {50, 50, 500, 500, FALSE};
        Apply();
        for (int c = 0; c < 2; ++c) oldDelay_[c] = delay_[c];
    }

    void Process(float* x, std::size_t frames) override {
        const float wet = p_.fWetDryMix / 100.0f, dry = 1.0f - wet;
        const float fb = p_.fFeedback / 100.0f * kMaxLoopGain;
        const bool swap = p_.lPanDelay != 0;
        std::size_t i = 0;
        // While a delay change fades, frame by frame; it lasts kFade frames.
        for (; i < frames && fade_ < kFade; ++i) FadingFrame(x + 2 * i, wet, dry, fb, swap);
        // Then in runs no longer than the shorter delay: within one, every tap
        // reads what was written before the run, so the loop has no carried
        // dependency and vectorises. Runs also stop where a read or the write
        // would wrap around the line.
        float* l = ring_.line[0].data();
        float* r = ring_.line[1].data();
        const std::size_t minDelay = std::min(delay_[0], delay_[1]);
        while (i < frames) {
            const std::size_t pos = ring_.pos;
            const std::size_t readL = (pos - delay_[0]) & ring_.mask, readR = (pos - delay_[1]) & ring_.mask;
            std::size_t n =
                std::min({frames - i, minDelay, ring_.size - pos, ring_.size - readL, ring_.size - readR});
            const float* yl = l + readL;
            const float* yr = r + readR;
            const float* backL = swap ? yr : yl;  // what feeds each line
            const float* backR = swap ? yl : yr;
            float* wl = l + pos;
            float* wr = r + pos;
            float* xs = x + 2 * i;
            // Four frames at a time: the lines are planar, the block interleaved.
            const __m128 vfb = _mm_set1_ps(fb), vdry = _mm_set1_ps(dry), vwet = _mm_set1_ps(wet);
            const __m128 absMask = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
            __m128 peak = _mm_setzero_ps();
            std::size_t k = 0;
            for (; k + 4 <= n; k += 4) {
                const __m128 bl = _mm_loadu_ps(backL + k), br = _mm_loadu_ps(backR + k);
                const __m128 tl = _mm_loadu_ps(yl + k), tr = _mm_loadu_ps(yr + k);
                const __m128 in0 = _mm_loadu_ps(xs + 2 * k), in1 = _mm_loadu_ps(xs + 2 * k + 4);
                const __m128 v0 = _mm_add_ps(in0, _mm_mul_ps(vfb, _mm_unpacklo_ps(bl, br)));
                const __m128 v1 = _mm_add_ps(in1, _mm_mul_ps(vfb, _mm_unpackhi_ps(bl, br)));
                _mm_storeu_ps(wl + k, _mm_shuffle_ps(v0, v1, _MM_SHUFFLE(2, 0, 2, 0)));
                _mm_storeu_ps(wr + k, _mm_shuffle_ps(v0, v1, _MM_SHUFFLE(3, 1, 3, 1)));
                peak = _mm_max_ps(peak, _mm_max_ps(_mm_and_ps(v0, absMask), _mm_and_ps(v1, absMask)));
                _mm_storeu_ps(xs + 2 * k,
                              _mm_add_ps(_mm_mul_ps(in0, vdry), _mm_mul_ps(_mm_unpacklo_ps(tl, tr), vwet)));
                _mm_storeu_ps(xs + 2 * k + 4,
                              _mm_add_ps(_mm_mul_ps(in1, vdry), _mm_mul_ps(_mm_unpackhi_ps(tl, tr), vwet)));
            }
            alignas(16) float peaks[4];
            _mm_store_ps(peaks, peak);
            float loud = std::max(std::max(peaks[0], peaks[1]), std::max(peaks[2], peaks[3]));
            for (; k < n; ++k) {
                const float inl = xs[2 * k], inr = xs[2 * k + 1];
                const float vl = inl + fb * backL[k], vr = inr + fb * backR[k];
                wl[k] = vl;
                wr[k] = vr;
                loud = std::max(loud, std::max(std::fabs(vl), std::fabs(vr)));
                xs[2 * k] = inl * dry + yl[k] * wet;
                xs[2 * k + 1] = inr * dry + yr[k] * wet;
            }
            // The soft ceiling, only on runs that reach the knee.
            if (loud > kKnee) {
                for (std::size_t k = 0; k < n; ++k) {
                    wl[k] = Saturate(wl[k]);
                    wr[k] = Saturate(wr[k]);
                }
            }
            ring_.pos = (pos + n) & ring_.mask;
            i += n;
        }
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

    void Reset() override { ring_.Clear(); }

  private:
    void FadingFrame(float* x, float wet, float dry, float fb, bool swap) {
        // A new delay takes over from the old one gradually.
        const float* l = ring_.line[0].data();
        const float* r = ring_.line[1].data();
        std::size_t pos = ring_.pos;
        float mix = static_cast<float>(fade_++) / kFade;
        float yl = l[(pos - delay_[0]) & ring_.mask] * mix + l[(pos - oldDelay_[0]) & ring_.mask] * (1 - mix);
        float yr = r[(pos - delay_[1]) & ring_.mask] * mix + r[(pos - oldDelay_[1]) & ring_.mask] * (1 - mix);
        float inl = x[0], inr = x[1];
        ring_.line[0][pos] = Saturate(inl + fb * (swap ? yr : yl));
        ring_.line[1][pos] = Saturate(inr + fb * (swap ? yl : yr));
        x[0] = inl * dry + yl * wet;
        x[1] = inr * dry + yr * wet;
        ring_.pos = (pos + 1) & ring_.mask;
    }

    void Apply() {
        delay_[0] = static_cast<std::size_t>(std::lround(p_.fLeftDelay * rate_ / 1000.0));
        delay_[1] = static_cast<std::size_t>(std::lround(p_.fRightDelay * rate_ / 1000.0));
    }

    unsigned rate_;
    StereoDelayLine ring_;
    std::size_t delay_[2] = {1, 1}, oldDelay_[2] = {1, 1};
    std::size_t fade_ = kFade;
    BASS_DX8_ECHO p_{};
};

}  // namespace

std::unique_ptr<Effect> CreateEcho(unsigned rate) {
    return std::make_unique<Echo>(rate);
}

}  // namespace sonvaro::audio
