// Peaking equaliser bands (RBJ cookbook biquads, bandwidth in octaves or Q).
// Gain changes glide in small steps so that moving a slider never clicks.
#include <immintrin.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "engine/bass_fx.h"
#include "engine/effect/effect.h"

namespace sonvaro::audio {
namespace {

constexpr std::size_t kStep = 64;  // frames between coefficient updates while gliding
constexpr float kGlideDb = 0.25f;  // per step
// An equalizer window has ten; the limit keeps the product of the bands' b0
// (each 0.18 to 5.6) well inside float range.
constexpr std::size_t kMaxBands = 32;

class PeakEq final : public Effect {
  public:
    explicit PeakEq(unsigned rate) : rate_(rate), wide_(HasAvx2Fma()) {}

    void Process(float* x, std::size_t frames) override {
        for (std::size_t at = 0; at < frames; at += kStep) {
            std::size_t n = std::min(kStep, frames - at);
            bool changed = stagesDirty_;
            for (auto& [id, b] : bands_) {
                if (b.current != b.p.fGain) {
                    b.current += std::clamp(b.p.fGain - b.current, -kGlideDb, kGlideDb);
                    Design(b);
                    changed = true;
                }
            }
            if (bands_.empty()) return;
            if (bands_.size() != layoutBands_) {
                // Bands move between groups when one is added: old states would not fit them.
                layoutBands_ = bands_.size();
                for (auto& z : z_) z.fill(0.0f);
            }
            if (changed) LoadStages();
            Run(x + at * 2, n);
            stagesDirty_ = false;
        }
    }

    bool SetParameters(const void* params) override {
        const auto* p = static_cast<const BASS_BFX_PEAKEQ*>(params);
        if (p->lBand < 0 || !(p->fCenter > 0) || !std::isfinite(p->fGain)) return false;
        if (bands_.size() >= kMaxBands && !bands_.contains(p->lBand)) return false;
        auto [it, fresh] = bands_.try_emplace(p->lBand);
        Band& b = it->second;
        b.p = *p;
        b.p.fGain = std::clamp(p->fGain, -15.0f, 15.0f);
        if (fresh) b.current = 0.0f;  // a new band fades in from flat
        Design(b);
        stagesDirty_ = true;
        return true;
    }

    bool GetParameters(void* params) const override {
        auto* p = static_cast<BASS_BFX_PEAKEQ*>(params);
        auto it = bands_.find(p->lBand);
        if (it == bands_.end()) return false;
        *p = it->second.p;
        return true;
    }

    void Reset() override {
        for (auto& z : z_) z.fill(0.0f);
        carry_.fill(0.0f);
    }

  private:
    struct Band {
        BASS_BFX_PEAKEQ p{};
        float current = 0;
        float b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    };

    void Design(Band& b) const {
        double f = std::min<double>(b.p.fCenter, rate_ * 0.49);
        double w0 = 2 * M_PI * f / rate_;
        double sn = std::sin(w0), cs = std::cos(w0);
        double alpha;
        if (b.p.fQ > 0)
            alpha = sn / (2 * b.p.fQ);
        else {
            double bw = b.p.fBandwidth > 0 ? b.p.fBandwidth : 1.0;
            alpha = sn * std::sinh(std::log(2.0) / 2 * bw * w0 / sn);
        }
        double A = std::pow(10.0, b.current / 40.0);
        double a0 = 1 + alpha / A;
        b.b0 = static_cast<float>((1 + alpha * A) / a0);
        b.b1 = static_cast<float>(-2 * cs / a0);
        b.b2 = static_cast<float>((1 - alpha * A) / a0);
        b.a1 = b.b1;
        b.a2 = static_cast<float>((1 - alpha / A) / a0);
    }

    // The cascade runs as a wavefront: each side's bands are dealt out to four
    // groups in order, one group per SSE lane (left in one register, right in
    // another, or the two halves of one AVX register), and every group works
    // one sample behind the group before it, taking what that group gave on
    // the previous sample. So a frame's work is four independent filter chains
    // of a quarter of the bands each, moved on by one in-lane shift, and the
    // sound comes out three samples late, which nobody hears.
    //
    // Each stage runs with its b0 taken out (y = v + z1 instead of
    // y = b0 * v + z1), so the chain from one sample to the next is an
    // addition per stage rather than a multiply-add. The signal between
    // stages is then scaled by the product of the b0 so far ("through"),
    // which the output puts back. When coefficients change, the states are
    // rescaled by the old over the new product, so the filters go on as the
    // plain form would.
    static constexpr int kGroups = 4;
    static constexpr std::size_t kMaxStages = 8;
    static_assert(kMaxBands <= kGroups * kMaxStages);
    using Lanes = std::array<float, 8>;  // left groups 0..3, right groups 0..3
    struct Stage {
        Lanes b1, b2, a1, a2;  // b1 and b2 over b0
    };

    void LoadStages() {
        std::vector<const Band*> list;
        for (const auto& [id, b] : bands_) list.push_back(&b);
        const std::size_t per = (list.size() + kGroups - 1) / kGroups;
        stages_.resize(per);
        z_.resize(per, {});
        std::vector<Lanes> through(per);
        for (int side = 0; side < 2; ++side) {
            double product = 1;
            for (int g = 0; g < kGroups; ++g) {
                const int lane = side * kGroups + g;
                for (std::size_t s = 0; s < per; ++s) {
                    const std::size_t index = static_cast<std::size_t>(g) * per + s;
                    const Band* b = index < list.size() ? list[index] : nullptr;
                    const bool on = b && (b->p.lChannel == BASS_BFX_CHANALL ||
                                          (b->p.lChannel & (side ? BASS_BFX_CHAN2 : BASS_BFX_CHAN1)));
                    Stage& st = stages_[s];
                    const double b0 = on ? b->b0 : 1.0;
                    st.b1[lane] = on ? static_cast<float>(b->b1 / b0) : 0.0f;
                    st.b2[lane] = on ? static_cast<float>(b->b2 / b0) : 0.0f;
                    st.a1[lane] = on ? b->a1 : 0.0f;
                    st.a2[lane] = on ? b->a2 : 0.0f;
                    product *= b0;
                    through[s][lane] = static_cast<float>(product);
                }
            }
        }
        // A state holds its true value over the product through its stage;
        // what is in flight between groups, over the product through its group.
        if (through_.size() == per)
            for (std::size_t s = 0; s < per; ++s)
                for (int lane = 0; lane < 8; ++lane) {
                    const float k = through_[s][lane] / through[s][lane];
                    z_[s][lane] *= k;
                    z_[s][8 + lane] *= k;
                }
        if (!through_.empty())
            for (int lane = 0; lane < 8; ++lane) carry_[lane] *= through_.back()[lane] / through.back()[lane];
        through_ = std::move(through);
        gain_[0] = through_.back()[kGroups - 1];
        gain_[1] = through_.back()[2 * kGroups - 1];
    }

    // One stage on four lanes.
    static __m128 NarrowStage(const Stage& st, int o, __m128 v, __m128& z1, __m128& z2) {
        const __m128 y = _mm_add_ps(v, z1);
        z1 = _mm_sub_ps(_mm_add_ps(_mm_mul_ps(_mm_loadu_ps(st.b1.data() + o), v), z2),
                        _mm_mul_ps(_mm_loadu_ps(st.a1.data() + o), y));
        z2 = _mm_sub_ps(_mm_mul_ps(_mm_loadu_ps(st.b2.data() + o), v),
                        _mm_mul_ps(_mm_loadu_ps(st.a2.data() + o), y));
        return y;
    }

    // Group 0 takes the input, every other group what the one before gave on the previous sample.
    static __m128 NarrowShift(__m128 carry, const float* in) {
        return _mm_move_ss(_mm_shuffle_ps(carry, carry, _MM_SHUFFLE(2, 1, 0, 0)), _mm_load_ss(in));
    }

    // With the stage count known at compile time the states live in registers.
    template <std::size_t N>
    void RunNarrow(float* x, std::size_t n) {
        const Stage* st = stages_.data();
        __m128 carry[2] = {_mm_loadu_ps(carry_.data()), _mm_loadu_ps(carry_.data() + 4)};
        {
            __m128 z1[2][N], z2[2][N];
            for (std::size_t s = 0; s < N; ++s)
                for (int side = 0; side < 2; ++side)
                    z1[side][s] = _mm_loadu_ps(z_[s].data() + 4 * side),
                    z2[side][s] = _mm_loadu_ps(z_[s].data() + 8 + 4 * side);
            for (std::size_t i = 0; i < n; ++i)
                for (int side = 0; side < 2; ++side) {
                    __m128 v = NarrowShift(carry[side], x + 2 * i + side);
#pragma GCC unroll 8
                    for (std::size_t s = 0; s < N; ++s)
                        v = NarrowStage(st[s], 4 * side, v, z1[side][s], z2[side][s]);
                    carry[side] = v;
                    x[2 * i + side] = _mm_cvtss_f32(_mm_shuffle_ps(v, v, 3)) * gain_[side];
                }
            for (std::size_t s = 0; s < N; ++s)
                for (int side = 0; side < 2; ++side)
                    _mm_storeu_ps(z_[s].data() + 4 * side, z1[side][s]),
                        _mm_storeu_ps(z_[s].data() + 8 + 4 * side, z2[side][s]);
        }
        _mm_storeu_ps(carry_.data(), carry[0]);
        _mm_storeu_ps(carry_.data() + 4, carry[1]);
    }

    // On CPUs with AVX2 and FMA one register holds both sides.
    static bool HasAvx2Fma() {
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    }

    __attribute__((target("avx2,fma"), always_inline)) static inline __m256 WideStage(const Stage& st,
                                                                                      __m256 v, __m256& z1,
                                                                                      __m256& z2) {
        const __m256 y = _mm256_add_ps(v, z1);
        z1 = _mm256_fnmadd_ps(_mm256_loadu_ps(st.a1.data()), y,
                              _mm256_fmadd_ps(_mm256_loadu_ps(st.b1.data()), v, z2));
        z2 = _mm256_fnmadd_ps(_mm256_loadu_ps(st.a2.data()), y,
                              _mm256_mul_ps(_mm256_loadu_ps(st.b2.data()), v));
        return y;
    }

    // Each half moves up one lane, the input entering at the bottom: left
    // comes in at lane 3 and right at lane 7 of `in`.
    __attribute__((target("avx2,fma"), always_inline)) static inline __m256 WideShift(__m256 carry,
                                                                                      const float* x,
                                                                                      __m256i spread) {
        const __m256 in = _mm256_permutevar8x32_ps(
            _mm256_castps128_ps256(_mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(x)))), spread);
        return _mm256_castsi256_ps(
            _mm256_alignr_epi8(_mm256_castps_si256(carry), _mm256_castps_si256(in), 12));
    }

    // Group 3 of each side is the output.
    __attribute__((target("avx2,fma"), always_inline)) static inline void WideOut(float* x, __m256 v,
                                                                                  __m256i pick, __m128 gain) {
        const __m128 out = _mm256_castps256_ps128(_mm256_permutevar8x32_ps(v, pick));
        _mm_storel_pi(reinterpret_cast<__m64*>(x), _mm_mul_ps(out, gain));
    }

    template <std::size_t N>
    __attribute__((target("avx2,fma"))) void RunWide(float* x, std::size_t n) {
        const Stage* st = stages_.data();
        const __m256i spread = _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1);
        const __m256i pick = _mm256_setr_epi32(3, 7, 3, 7, 3, 7, 3, 7);
        const __m128 gain = _mm_setr_ps(gain_[0], gain_[1], 0.0f, 0.0f);
        __m256 carry = _mm256_loadu_ps(carry_.data());
        {
            __m256 z1[N], z2[N];
            for (std::size_t s = 0; s < N; ++s)
                z1[s] = _mm256_loadu_ps(z_[s].data()), z2[s] = _mm256_loadu_ps(z_[s].data() + 8);
            for (std::size_t i = 0; i < n; ++i) {
                __m256 v = WideShift(carry, x + 2 * i, spread);
#pragma GCC unroll 8
                for (std::size_t s = 0; s < N; ++s) v = WideStage(st[s], v, z1[s], z2[s]);
                carry = v;
                WideOut(x + 2 * i, v, pick, gain);
            }
            for (std::size_t s = 0; s < N; ++s)
                _mm256_storeu_ps(z_[s].data(), z1[s]), _mm256_storeu_ps(z_[s].data() + 8, z2[s]);
        }
        _mm256_storeu_ps(carry_.data(), carry);
    }

    // Bands are limited to kGroups * kMaxStages, so one of these fits.
    template <bool Wide, std::size_t... N>
    void Dispatch(float* x, std::size_t n, std::index_sequence<N...>) {
        const std::size_t count = stages_.size();
        (void)((count == N + 1 && (Wide ? RunWide<N + 1>(x, n) : RunNarrow<N + 1>(x, n), true)) || ...);
    }

    void Run(float* x, std::size_t n) {
        if (wide_)
            Dispatch<true>(x, n, std::make_index_sequence<kMaxStages>());
        else
            Dispatch<false>(x, n, std::make_index_sequence<kMaxStages>());
    }

    unsigned rate_;
    std::map<int, Band> bands_;
    bool wide_;
    bool stagesDirty_ = true;
    std::size_t layoutBands_ = 0;
    std::vector<Stage> stages_;
    std::vector<std::array<float, 16>> z_;  // per stage: z1 and z2, each in Lanes order
    std::vector<Lanes> through_;            // per stage: product of b0 up to it
    float gain_[2] = {1, 1};                // the whole product, per side
    Lanes carry_{};                         // each group's last output
};

}  // namespace

std::unique_ptr<Effect> CreatePeakEq(unsigned rate) {
    return std::make_unique<PeakEq>(rate);
}

}  // namespace sonvaro::audio
