// DX8-style reverb: parallel damped combs into series all-passes per side
// (the Schroeder/Moorer structure), with the comb feedback chosen so that the
// tail decays by 60 dB over the reverb time at mid frequencies. The wet part
// is scaled by the comb bank's power gain, so its level hardly depends on the
// reverb time, and it is added to the untouched dry signal.
#include <immintrin.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "engine/bass_fx.h"
#include "engine/effect/delay_line.h"
#include "engine/effect/effect.h"

namespace sonvaro::audio {
namespace {

constexpr int kCombs = 8;
constexpr int kAllpasses = 4;
constexpr int kCombTune[kCombs] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr int kAllpassTune[kAllpasses] = {556, 441, 341, 225};
constexpr int kSpread = 23;  // extra all-pass length on the right side
constexpr float kAllpassGain = 0.5f;
// Wet level against a broadband input of the same power at 0 dB mix: a steady
// tone comes out about +0.5 dB over dry (the two add as unrelated signals).
constexpr float kWetLevel = 0.25f;
// The set reverb time holds here; the damping only shortens what lies above.
constexpr double kReferenceHz = 500.0;
// The sum of dry and wet is kept below this: a hot input must not clip
// because of the reverb alone.
constexpr float kCeiling = 0.98f;

class Reverb final : public Effect {
  public:
    explicit Reverb(unsigned rate) : rate_(rate), wide_(HasAvx2()) {
        double scale = rate / 44100.0;
        // All delay lines share one write position and a power-of-two size.
        for (int i = 0; i < kCombs; ++i) combLen_[i] = static_cast<std::size_t>(kCombTune[i] * scale) + 1;
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < kAllpasses; ++i)
                apLen_[c * kAllpasses + i] =
                    static_cast<std::size_t>((kAllpassTune[i] + c * kSpread) * scale) + 1;
        size_ = PowerOfTwoAtLeast(*std::max_element(combLen_.begin(), combLen_.end()) + 1);
        mask_ = size_ - 1;
        combs_.assign(size_ * kCombs, 0.0f);
        allpasses_.assign(size_ * 2 * kAllpasses, 0.0f);
        p_ = {0, 0, 1000, 0.001f};
        release_ = static_cast<float>(1 - std::exp(-1.0 / (0.1 * rate)));  // guard recovers over ~100 ms
        Apply();
        appliedWet_ = wetGain_;
    }

    static constexpr std::size_t kPart = 256;  // frames per Run; a mix level change glides over one

    void Process(float* x, std::size_t frames) override {
        for (std::size_t at = 0; at < frames; at += kPart) Run(x + at * 2, std::min(kPart, frames - at));
    }

    void Run(float* x, std::size_t frames) {
        // One bank of eight combs hears the mono input; each side then takes the
        // sum through its own all-pass chain (different lengths), which is what
        // makes the two sides differ.
        const float gain = inGain_ * 0.5f;  // the combs hear the mono sum
        // A new mix level glides over the chunk instead of stepping.
        float wetGain = appliedWet_;
        const float wetStep = (wetGain_ - appliedWet_) / static_cast<float>(frames);
        appliedWet_ = wetGain_;
        // Locals: stores into the delay lines could alias members, so the
        // compiler would reload every member after each store.
        const std::size_t mask = mask_, size = size_;
        std::size_t apLen[2 * kAllpasses];
        std::copy(apLen_.begin(), apLen_.end(), apLen);
        float* aps = allpasses_.data();
        const std::size_t p0 = pos_;
        float guard = guard_;
        bool held = guard < 1.0f;
        const float release = release_;
        alignas(32) float sums[kPart];  // what the comb bank gives, frame by frame
        alignas(32) float ins[kPart];
        for (std::size_t i = 0; i < frames; ++i) ins[i] = (x[2 * i] + x[2 * i + 1]) * gain;
        // Each comb has its own line, all written at one position. Taken in
        // runs no longer than the shortest comb, a run reads only what was
        // written before it; runs also stop where a line would wrap.
        for (std::size_t i = 0; i < frames;) {
            const std::size_t w = (p0 + i) & mask;
            std::size_t n = std::min(frames - i, size - w), read[kCombs];
            for (int k = 0; k < kCombs; ++k) {
                read[k] = (w - combLen_[k]) & mask;
                n = std::min({n, size - read[k], combLen_[k]});
            }
            std::size_t done = wide_ ? CombsWide(ins + i, sums + i, n, w, read) : 0;
            CombsNarrow(ins + i + done, sums + i + done, n - done, w + done, read, done);
            i += n;
        }
        pos_ = (p0 + frames) & mask;

        // Each side through its own all-pass chain. A true all-pass (flat
        // magnitude): it smears without colouring the level. Taken in runs no
        // longer than the line, a run reads only what was written before it,
        // so each stage runs over four frames at a time.
        alignas(16) float v[2][kPart];
        const __m128 apGain = _mm_set1_ps(kAllpassGain);
        for (int c = 0; c < 2; ++c) {
            std::copy(sums, sums + frames, v[c]);
            for (int k = 0; k < kAllpasses; ++k) {
                const int j = c * kAllpasses + k;
                float* line = aps + static_cast<std::size_t>(j) * size;
                for (std::size_t i = 0; i < frames;) {
                    const std::size_t w = (p0 + i) & mask, r = (p0 + i - apLen[j]) & mask;
                    const std::size_t n = std::min({frames - i, apLen[j], size - w, size - r});
                    float* a = v[c] + i;
                    std::size_t f = wide_ ? AllpassWide(line + r, line + w, a, n) : 0;
                    for (; f + 4 <= n; f += 4) {
                        const __m128 b = _mm_loadu_ps(line + r + f);
                        const __m128 wv = _mm_add_ps(_mm_loadu_ps(a + f), _mm_mul_ps(b, apGain));
                        _mm_storeu_ps(line + w + f, wv);
                        _mm_storeu_ps(a + f, _mm_sub_ps(b, _mm_mul_ps(wv, apGain)));
                    }
                    for (; f < n; ++f) {
                        const float b = line[r + f];
                        const float wv = a[f] + b * kAllpassGain;
                        line[w + f] = wv;
                        a[f] = b - wv * kAllpassGain;
                    }
                    i += n;
                }
            }
        }

        std::size_t i = 0;
        if (!held && wetStep == 0.0f) {
            // The usual case: no glide and nothing held back, so four frames at a
            // time until one would pass the ceiling; from there frame by frame.
            const __m128 g = _mm_set1_ps(wetGain), ceiling = _mm_set1_ps(kCeiling);
            const __m128 absMask = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
            for (; i + 4 <= frames; i += 4) {
                const __m128 l = _mm_loadu_ps(v[0] + i), r = _mm_loadu_ps(v[1] + i);
                const __m128 a = _mm_add_ps(_mm_loadu_ps(x + 2 * i), _mm_mul_ps(_mm_unpacklo_ps(l, r), g));
                const __m128 b =
                    _mm_add_ps(_mm_loadu_ps(x + 2 * i + 4), _mm_mul_ps(_mm_unpackhi_ps(l, r), g));
                const __m128 over = _mm_or_ps(_mm_cmpgt_ps(_mm_and_ps(a, absMask), ceiling),
                                              _mm_cmpgt_ps(_mm_and_ps(b, absMask), ceiling));
                if (_mm_movemask_ps(over)) break;
                _mm_storeu_ps(x + 2 * i, a);
                _mm_storeu_ps(x + 2 * i + 4, b);
            }
        }
        for (; i < frames; ++i) {
            const float g = wetGain * guard;
            const float outL = x[2 * i] + v[0][i] * g, outR = x[2 * i + 1] + v[1][i] * g;
            if (std::fabs(outL) > kCeiling || std::fabs(outR) > kCeiling) {
                for (int c = 0; c < 2; ++c) {
                    float& out = x[2 * i + static_cast<std::size_t>(c)];
                    const float wet = v[c][i] * wetGain * guard;
                    if (std::fabs(out + wet) > kCeiling && wet * out >= 0 && wet != 0) {
                        // Only the wet part yields: it may take the sum up to the
                        // ceiling (or to the dry sample, if that is already louder).
                        const float room = std::max(kCeiling - std::fabs(out), 0.0f);
                        guard *= room / std::fabs(wet);
                    }
                }
                x[2 * i] += v[0][i] * wetGain * guard;
                x[2 * i + 1] += v[1][i] * wetGain * guard;
                held = true;
            } else {
                x[2 * i] = outL;
                x[2 * i + 1] = outR;
            }
            wetGain += wetStep;
            if (held) guard += (1 - guard) * release;
        }
        guard_ = guard > 0.9999f ? 1.0f : guard;
    }

    // The comb bank frame by frame, all eight combs side by side in two SSE
    // vectors: y is what comes back after the comb's length, the damping
    // low-pass takes the high end off it, and the input plus the damped
    // feedback goes into the line.
    void CombsNarrow(const float* ins, float* sums, std::size_t n, std::size_t w, const std::size_t* read,
                     std::size_t from) {
        const __m128 keep = _mm_set1_ps(1 - damp_), damp = _mm_set1_ps(damp_);
        __m128 f0 = _mm_loadu_ps(filter_.data()), f1 = _mm_loadu_ps(filter_.data() + 4);
        const __m128 fb0 = _mm_loadu_ps(feedback_.data()), fb1 = _mm_loadu_ps(feedback_.data() + 4);
        float* lines = combs_.data();
        const std::size_t size = size_;
        auto tap = [&](int k, std::size_t i) {
            return lines[static_cast<std::size_t>(k) * size + read[k] + from + i];
        };
        for (std::size_t i = 0; i < n; ++i) {
            const __m128 in = _mm_set1_ps(ins[i]);
            const __m128 y0 = _mm_setr_ps(tap(0, i), tap(1, i), tap(2, i), tap(3, i));
            const __m128 y1 = _mm_setr_ps(tap(4, i), tap(5, i), tap(6, i), tap(7, i));
            f0 = _mm_add_ps(_mm_mul_ps(y0, keep), _mm_mul_ps(f0, damp));
            f1 = _mm_add_ps(_mm_mul_ps(y1, keep), _mm_mul_ps(f1, damp));
            alignas(16) float out[kCombs];
            _mm_store_ps(out, _mm_add_ps(in, _mm_mul_ps(f0, fb0)));
            _mm_store_ps(out + 4, _mm_add_ps(in, _mm_mul_ps(f1, fb1)));
            for (int k = 0; k < kCombs; ++k) lines[static_cast<std::size_t>(k) * size + w + i] = out[k];
            __m128 t = _mm_add_ps(y0, y1);
            t = _mm_add_ps(t, _mm_movehl_ps(t, t));
            t = _mm_add_ss(t, _mm_shuffle_ps(t, t, 1));
            sums[i] = _mm_cvtss_f32(t);
        }
        _mm_storeu_ps(filter_.data(), f0);
        _mm_storeu_ps(filter_.data() + 4, f1);
    }

    static bool HasAvx2() { return __builtin_cpu_supports("avx2"); }

    __attribute__((target("avx2"), always_inline)) static inline void Transpose(__m256 r[8]) {
        __m256 t[8], u[8];
#pragma GCC unroll 8
        for (int i = 0; i < 4; ++i) {
            t[2 * i] = _mm256_unpacklo_ps(r[2 * i], r[2 * i + 1]);
            t[2 * i + 1] = _mm256_unpackhi_ps(r[2 * i], r[2 * i + 1]);
        }
#pragma GCC unroll 8
        for (int i = 0; i < 2; ++i) {
            u[4 * i] = _mm256_shuffle_ps(t[4 * i], t[4 * i + 2], _MM_SHUFFLE(1, 0, 1, 0));
            u[4 * i + 1] = _mm256_shuffle_ps(t[4 * i], t[4 * i + 2], _MM_SHUFFLE(3, 2, 3, 2));
            u[4 * i + 2] = _mm256_shuffle_ps(t[4 * i + 1], t[4 * i + 3], _MM_SHUFFLE(1, 0, 1, 0));
            u[4 * i + 3] = _mm256_shuffle_ps(t[4 * i + 1], t[4 * i + 3], _MM_SHUFFLE(3, 2, 3, 2));
        }
#pragma GCC unroll 8
        for (int i = 0; i < 4; ++i) {
            r[i] = _mm256_permute2f128_ps(u[i], u[i + 4], 0x20);
            r[i + 4] = _mm256_permute2f128_ps(u[i], u[i + 4], 0x31);
        }
    }

    // One all-pass stage over a run, eight frames at a time; returns how many it did.
    __attribute__((target("avx2"))) static std::size_t AllpassWide(const float* read, float* write, float* a,
                                                                   std::size_t n) {
        const __m256 g = _mm256_set1_ps(kAllpassGain);
        std::size_t f = 0;
        for (; f + 8 <= n; f += 8) {
            const __m256 b = _mm256_loadu_ps(read + f);
            const __m256 wv = _mm256_add_ps(_mm256_loadu_ps(a + f), _mm256_mul_ps(b, g));
            _mm256_storeu_ps(write + f, wv);
            _mm256_storeu_ps(a + f, _mm256_sub_ps(b, _mm256_mul_ps(wv, g)));
        }
        return f;
    }

    // The same arithmetic eight frames at a time: each comb's taps come as
    // one load from its own line and are turned into rows of eight combs per
    // frame for the filters, and back for the stores. The sum over the combs
    // adds the loaded vectors in the order the frame-by-frame sum does.
    // Returns how many frames it did (a multiple of eight).
    __attribute__((target("avx2"))) std::size_t CombsWide(const float* ins, float* sums, std::size_t n,
                                                          std::size_t w, const std::size_t* read) {
        const __m256 keep = _mm256_set1_ps(1 - damp_), damp = _mm256_set1_ps(damp_);
        const __m256 fb = _mm256_loadu_ps(feedback_.data());
        __m256 f = _mm256_loadu_ps(filter_.data());
        float* lines = combs_.data();
        const std::size_t size = size_;
        std::size_t i = 0;
        for (; i + 8 <= n; i += 8) {
            __m256 y[kCombs];
#pragma GCC unroll 8
            for (int k = 0; k < kCombs; ++k)
                y[k] = _mm256_loadu_ps(lines + static_cast<std::size_t>(k) * size + read[k] + i);
            const __m256 sum =
                _mm256_add_ps(_mm256_add_ps(_mm256_add_ps(y[0], y[4]), _mm256_add_ps(y[2], y[6])),
                              _mm256_add_ps(_mm256_add_ps(y[1], y[5]), _mm256_add_ps(y[3], y[7])));
            _mm256_storeu_ps(sums + i, sum);
            Transpose(y);
#pragma GCC unroll 8
            for (int j = 0; j < 8; ++j) {
                f = _mm256_add_ps(_mm256_mul_ps(y[j], keep), _mm256_mul_ps(f, damp));
                y[j] = _mm256_add_ps(_mm256_broadcast_ss(ins + i + j), _mm256_mul_ps(f, fb));
            }
            Transpose(y);
#pragma GCC unroll 8
            for (int k = 0; k < kCombs; ++k)
                _mm256_storeu_ps(lines + static_cast<std::size_t>(k) * size + w + i, y[k]);
        }
        _mm256_storeu_ps(filter_.data(), f);
        return i;
    }

    bool SetParameters(const void* params) override {
        BASS_DX8_REVERB p = *static_cast<const BASS_DX8_REVERB*>(params);
        if (!std::isfinite(p.fInGain) || !std::isfinite(p.fReverbMix) || !std::isfinite(p.fReverbTime) ||
            !std::isfinite(p.fHighFreqRTRatio))
            return false;
        p.fInGain = std::clamp(p.fInGain, -96.0f, 0.0f);
        p.fReverbMix = std::clamp(p.fReverbMix, -96.0f, 0.0f);
        p.fReverbTime = std::clamp(p.fReverbTime, 0.001f, 3000.0f);
        p.fHighFreqRTRatio = std::clamp(p.fHighFreqRTRatio, 0.001f, 0.999f);
        p_ = p;
        Apply();
        return true;
    }

    bool GetParameters(void* params) const override {
        *static_cast<BASS_DX8_REVERB*>(params) = p_;
        return true;
    }

    void Reset() override {
        std::fill(combs_.begin(), combs_.end(), 0.0f);
        std::fill(allpasses_.begin(), allpasses_.end(), 0.0f);
        filter_.fill(0.0f);
        guard_ = 1.0f;
    }

  private:
    void Apply() {
        inGain_ = std::pow(10.0f, p_.fInGain / 20.0f);
        damp_ = std::clamp(1.0f - p_.fHighFreqRTRatio, 0.0f, 0.6f);
        // The damping filter in each loop takes |lowpass(f)| per pass; the
        // feedback makes up for it at the reference frequency, so that is
        // where the tail takes the set time to fall by 60 dB. Below it loops
        // gain a little more, and stay under 1.
        const double w = 2 * M_PI * kReferenceHz / rate_;
        const double lowpass = (1 - damp_) / std::sqrt(1 - 2 * damp_ * std::cos(w) + double(damp_) * damp_);
        const double seconds = p_.fReverbTime / 1000.0;
        double power = 0;
        for (std::size_t j = 0; j < feedback_.size(); ++j) {
            double loop = std::pow(10.0, -3.0 * combLen_[j] / (rate_ * seconds));
            feedback_[j] = static_cast<float>(std::min(loop / lowpass, 0.995));
            power += 1 / (1 - loop * loop);  // a comb's power gain on broadband input
        }
        wetGain_ = p_.fReverbMix <= -96.0f ? 0.0f
                                           : kWetLevel * std::pow(10.0f, p_.fReverbMix / 20.0f) /
                                                 static_cast<float>(std::sqrt(power));
    }

    unsigned rate_;
    bool wide_;
    std::size_t size_ = 0, mask_ = 0, pos_ = 0;
    std::array<std::size_t, kCombs> combLen_{};
    std::array<std::size_t, 2 * kAllpasses> apLen_{};
    std::array<float, kCombs> filter_{}, feedback_{};
    std::vector<float> combs_, allpasses_;
    float inGain_ = 1, wetGain_ = 1, appliedWet_ = -1, damp_ = 0;
    float guard_ = 1, release_ = 0;  // wet gain held back to keep the sum under the ceiling
    BASS_DX8_REVERB p_{};
};

}  // namespace

std::unique_ptr<Effect> CreateReverb(unsigned rate) {
    return std::make_unique<Reverb>(rate);
}

}  // namespace sonvaro::audio
