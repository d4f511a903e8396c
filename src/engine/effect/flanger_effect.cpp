// DX8-style flanger: a short delay swept by a sine or triangle LFO, with
// feedback and a phase offset between the sides.
#include <emmintrin.h>

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
    explicit Flanger(unsigned rate) : rate_(rate) {
        // One line of stereo frames, its length a power of two so that every
        // read is a masked index behind the write position.
        const std::size_t size = PowerOfTwoAtLeast(rate / 100 + 8);
        mask_ = size - 1;
        ring_.assign(size * 2, 0.0f);
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
        const __m128 vfb = _mm_set1_ps(fb), vdry = _mm_set1_ps(dry), vwet = _mm_set1_ps(wet);
        for (std::size_t at = 0; at < frames; at += kLfoStep) {
            std::size_t n = std::min(kLfoStep, frames - at);
            double next = lfo_ + step * static_cast<double>(n);
            // Read positions behind the write position, stepped linearly over the
            // chunk; each chunk starts where the last one ended.
            if (!haveStart_) {
                startL_ = delayAt(lfo_);
                startR_ = offset == 0 ? startL_ : delayAt(lfo_ + offset);
                haveStart_ = true;
            }
            double endL = delayAt(next), endR = offset == 0 ? endL : delayAt(next + offset);
            // Both sides side by side: lane 0 left, lane 1 right.
            __m128 back = _mm_setr_ps(static_cast<float>(startL_), static_cast<float>(startR_), 0.0f, 0.0f);
            const __m128 stepBack =
                _mm_setr_ps(static_cast<float>((endL - startL_) / static_cast<double>(n)),
                            static_cast<float>((endR - startR_) / static_cast<double>(n)), 0.0f, 0.0f);
            startL_ = endL;
            startR_ = endR;
            // With no phase offset both sides read at the same place: one index, two loads.
            pos_ = offset == 0 ? RunChunk<true>(x + at * 2, n, back, stepBack, vfb, vdry, vwet)
                               : RunChunk<false>(x + at * 2, n, back, stepBack, vfb, vdry, vwet);
            lfo_ = next - std::floor(next);
        }
    }

    // The line `back` frames behind the write position, between two frames:
    // whole and fraction, then the older and the newer frame of each side.
    template <bool SameBack>
    std::size_t RunChunk(float* io, std::size_t n, __m128 back, __m128 stepBack, __m128 vfb, __m128 vdry,
                         __m128 vwet) {
        float* ring = ring_.data();
        const std::size_t mask = mask_;
        std::size_t pos = pos_;
        for (std::size_t i = 0; i < n; ++i) {
            const __m128i whole = _mm_cvttps_epi32(back);
            const __m128 frac = _mm_sub_ps(back, _mm_cvtepi32_ps(whole));
            const std::size_t olderL = (pos - static_cast<std::size_t>(_mm_cvtsi128_si32(whole)) - 1) & mask;
            __m128 a, b;
            if constexpr (SameBack) {
                a = _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(ring + 2 * olderL)));
                b = _mm_castpd_ps(
                    _mm_load_sd(reinterpret_cast<const double*>(ring + 2 * ((olderL + 1) & mask))));
            } else {
                const std::size_t olderR =
                    (pos - static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(whole, 1))) - 1) &
                    mask;
                a = _mm_unpacklo_ps(_mm_load_ss(ring + 2 * olderL), _mm_load_ss(ring + 2 * olderR + 1));
                b = _mm_unpacklo_ps(_mm_load_ss(ring + 2 * ((olderL + 1) & mask)),
                                    _mm_load_ss(ring + 2 * ((olderR + 1) & mask) + 1));
            }
            const __m128 y = _mm_add_ps(b, _mm_mul_ps(_mm_sub_ps(a, b), frac));
            const __m128 in = _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(io + 2 * i)));
            _mm_storel_pi(reinterpret_cast<__m64*>(ring + 2 * pos), _mm_add_ps(in, _mm_mul_ps(vfb, y)));
            _mm_storel_pi(reinterpret_cast<__m64*>(io + 2 * i),
                          _mm_add_ps(_mm_mul_ps(in, vdry), _mm_mul_ps(y, vwet)));
            pos = (pos + 1) & mask;
            back = _mm_add_ps(back, stepBack);
        }
        return pos;
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

    void Reset() override { std::fill(ring_.begin(), ring_.end(), 0.0f); }

  private:
    unsigned rate_;
    std::vector<float> ring_;
    std::size_t mask_ = 0, pos_ = 0;
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
