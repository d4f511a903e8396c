// Peaking equaliser bands (RBJ cookbook biquads, bandwidth in octaves or Q).
// Gain changes glide in small steps so that moving a slider never clicks.
#include <immintrin.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <vector>

#include "engine/bass_fx.h"
#include "engine/effect/effect.h"

namespace sonvaro::audio {
namespace {

constexpr std::size_t kStep = 64;  // frames between coefficient updates while gliding
constexpr float kGlideDb = 0.25f;  // per step

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
                // Bands move between lanes when one is added: old states would not fit them.
                layoutBands_ = bands_.size();
                for (auto& z : wz_) z.fill(0.0f);
                std::fill(z_.begin(), z_.end(), Vec4{_mm_setzero_ps()});
            }
            if (wide_) {
                if (changed) LoadWideStages();
                RunWide(x + at * 2, n);
            } else {
                if (changed) LoadStages();
                RunStages(x + at * 2, n);
            }
            stagesDirty_ = false;
        }
    }

    bool SetParameters(const void* params) override {
        const auto* p = static_cast<const BASS_BFX_PEAKEQ*>(params);
        if (p->lBand < 0 || !(p->fCenter > 0) || !std::isfinite(p->fGain)) return false;
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
        std::fill(z_.begin(), z_.end(), Vec4{_mm_setzero_ps()});
        carry_ = _mm_setzero_ps();
        for (auto& z : wz_) z.fill(0.0f);
        wideCarry_.fill(0.0f);
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

    // The cascade runs four biquads side by side in one SSE register: lanes 0
    // and 1 take left and right through the first half of the bands, lanes 2
    // and 3 take them through the second half one sample later. That keeps
    // all four lanes busy and adds one sample of delay, which nobody hears.
    struct Stage {
        __m128 b0, b1, b2, a1, a2;
    };

    void LoadStages() {
        std::vector<const Band*> list;
        for (const auto& [id, b] : bands_) list.push_back(&b);
        std::size_t half = (list.size() + 1) / 2;
        stages_.resize(half);
        z_.resize(half * 2, Vec4{_mm_setzero_ps()});
        auto lane = [](const Band* b, bool right, float Band::*coef, float identity) {
            if (!b) return identity;
            bool on = b->p.lChannel == BASS_BFX_CHANALL ||
                      (b->p.lChannel & (right ? BASS_BFX_CHAN2 : BASS_BFX_CHAN1));
            return on ? b->*coef : identity;
        };
        for (std::size_t s = 0; s < half; ++s) {
            const Band* lo = list[s];
            const Band* hi = s + half < list.size() ? list[s + half] : nullptr;
            auto make = [&](float Band::*coef, float identity) {
                return _mm_setr_ps(lane(lo, false, coef, identity), lane(lo, true, coef, identity),
                                   lane(hi, false, coef, identity), lane(hi, true, coef, identity));
            };
            stages_[s] = {make(&Band::b0, 1), make(&Band::b1, 0), make(&Band::b2, 0), make(&Band::a1, 0),
                          make(&Band::a2, 0)};
        }
    }

    void RunStages(float* x, std::size_t n) {
        switch (stages_.size()) {
            case 1:
                return RunFixed<1>(x, n);
            case 2:
                return RunFixed<2>(x, n);
            case 3:
                return RunFixed<3>(x, n);
            case 4:
                return RunFixed<4>(x, n);
            case 5:
                return RunFixed<5>(x, n);
            case 6:
                return RunFixed<6>(x, n);
            default:
                return RunAny(x, n);
        }
    }

    // With the stage count known at compile time the filter states live in registers.
    template <std::size_t N>
    void RunFixed(float* x, std::size_t n) {
        __m128 z1[N], z2[N];
        for (std::size_t s = 0; s < N; ++s) z1[s] = z_[2 * s].v, z2[s] = z_[2 * s + 1].v;
        const Stage* st = stages_.data();
        __m128 carry = carry_;
        for (std::size_t i = 0; i < n; ++i) {
            __m128 in = _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(x + 2 * i)));
            __m128 v = _mm_movelh_ps(in, carry);
            for (std::size_t s = 0; s < N; ++s) {
                __m128 y = _mm_add_ps(_mm_mul_ps(st[s].b0, v), z1[s]);
                // Terms without y first: the chain from one sample to the next stays short.
                z1[s] = _mm_sub_ps(_mm_add_ps(_mm_mul_ps(st[s].b1, v), z2[s]), _mm_mul_ps(st[s].a1, y));
                z2[s] = _mm_sub_ps(_mm_mul_ps(st[s].b2, v), _mm_mul_ps(st[s].a2, y));
                v = y;
            }
            _mm_storeh_pi(reinterpret_cast<__m64*>(x + 2 * i), v);
            carry = v;
        }
        carry_ = carry;
        for (std::size_t s = 0; s < N; ++s) z_[2 * s].v = z1[s], z_[2 * s + 1].v = z2[s];
    }

    void RunAny(float* x, std::size_t n) {
        const std::size_t count = stages_.size();
        __m128 carry = carry_;
        for (std::size_t i = 0; i < n; ++i) {
            __m128 in = _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(x + 2 * i)));
            __m128 v = _mm_movelh_ps(in, carry);  // (L, R, first-half L, first-half R of the previous sample)
            for (std::size_t s = 0; s < count; ++s) {
                const Stage& st = stages_[s];
                __m128& z1 = z_[2 * s].v;
                __m128& z2 = z_[2 * s + 1].v;
                __m128 y = _mm_add_ps(_mm_mul_ps(st.b0, v), z1);
                z1 = _mm_sub_ps(_mm_add_ps(_mm_mul_ps(st.b1, v), z2), _mm_mul_ps(st.a1, y));
                z2 = _mm_sub_ps(_mm_mul_ps(st.b2, v), _mm_mul_ps(st.a2, y));
                v = y;
            }
            _mm_storeh_pi(reinterpret_cast<__m64*>(x + 2 * i), v);
            carry = v;
        }
        carry_ = carry;
    }

    // On CPUs with AVX2 and FMA the cascade runs eight biquads at once: four
    // groups of bands, each for left and right, every group one sample behind
    // the one before (three samples of delay in all).
    static bool HasAvx2Fma() { return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"); }

    // Wide state is kept as plain floats: only the functions built for AVX
    // may hold it in 256-bit registers.
    struct WideStage {
        float b0[8], b1[8], b2[8], a1[8], a2[8];
    };
    using Lanes = std::array<float, 8>;

    void LoadWideStages() {
        std::vector<const Band*> list;
        for (const auto& [id, b] : bands_) list.push_back(&b);
        std::size_t per = (list.size() + 3) / 4;
        wideStages_.resize(per);
        wz_.resize(per * 2, Lanes{});
        for (std::size_t s = 0; s < per; ++s) {
            auto fill = [&](float* lanes, float Band::*coef, float identity) {
                for (int g = 0; g < 4; ++g) {
                    std::size_t index = static_cast<std::size_t>(g) * per + s;
                    const Band* b = index < list.size() ? list[index] : nullptr;
                    for (int side = 0; side < 2; ++side) {
                        bool on = b && (b->p.lChannel == BASS_BFX_CHANALL ||
                                        (b->p.lChannel & (side ? BASS_BFX_CHAN2 : BASS_BFX_CHAN1)));
                        lanes[g * 2 + side] = on ? b->*coef : identity;
                    }
                }
            };
            WideStage& w = wideStages_[s];
            fill(w.b0, &Band::b0, 1), fill(w.b1, &Band::b1, 0), fill(w.b2, &Band::b2, 0);
            fill(w.a1, &Band::a1, 0), fill(w.a2, &Band::a2, 0);
        }
    }

    void RunWide(float* x, std::size_t n) {
        switch (wideStages_.size()) {
            case 1:
                return RunWideFixed<1>(x, n);
            case 2:
                return RunWideFixed<2>(x, n);
            case 3:
                return RunWideFixed<3>(x, n);
            case 4:
                return RunWideFixed<4>(x, n);
            case 5:
                return RunWideFixed<5>(x, n);
            case 6:
                return RunWideFixed<6>(x, n);
            case 7:
                return RunWideFixed<7>(x, n);
            case 8:
                return RunWideFixed<8>(x, n);
            default:  // more than 32 bands: not what an equaliser window makes
                for (auto& z : wz_) z.fill(0.0f);
                wide_ = false;
                LoadStages();
                return RunStages(x, n);
        }
    }

    template <std::size_t N>
    __attribute__((target("avx2,fma"))) void RunWideFixed(float* x, std::size_t n) {
        __m256 b0[N], b1[N], b2[N], a1[N], a2[N], z1[N], z2[N];
        for (std::size_t s = 0; s < N; ++s) {
            const WideStage& w = wideStages_[s];
            b0[s] = _mm256_loadu_ps(w.b0), b1[s] = _mm256_loadu_ps(w.b1), b2[s] = _mm256_loadu_ps(w.b2);
            a1[s] = _mm256_loadu_ps(w.a1), a2[s] = _mm256_loadu_ps(w.a2);
            z1[s] = _mm256_loadu_ps(wz_[2 * s].data()), z2[s] = _mm256_loadu_ps(wz_[2 * s + 1].data());
        }
        const __m256i shift = _mm256_setr_epi32(0, 1, 0, 1, 2, 3, 4, 5);
        __m256 carry = _mm256_loadu_ps(wideCarry_.data());
        for (std::size_t i = 0; i < n; ++i) {
            __m128 in = _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(x + 2 * i)));
            __m256 v =
                _mm256_blend_ps(_mm256_permutevar8x32_ps(carry, shift), _mm256_castps128_ps256(in), 0x03);
            for (std::size_t s = 0; s < N; ++s) {
                __m256 y = _mm256_fmadd_ps(b0[s], v, z1[s]);
                z1[s] = _mm256_fnmadd_ps(a1[s], y, _mm256_fmadd_ps(b1[s], v, z2[s]));
                z2[s] = _mm256_fnmadd_ps(a2[s], y, _mm256_mul_ps(b2[s], v));
                v = y;
            }
            _mm_storeh_pi(reinterpret_cast<__m64*>(x + 2 * i), _mm256_extractf128_ps(v, 1));
            carry = v;
        }
        _mm256_storeu_ps(wideCarry_.data(), carry);
        for (std::size_t s = 0; s < N; ++s)
            _mm256_storeu_ps(wz_[2 * s].data(), z1[s]), _mm256_storeu_ps(wz_[2 * s + 1].data(), z2[s]);
    }

    unsigned rate_;
    std::map<int, Band> bands_;
    std::vector<Stage> stages_;
    struct Vec4 {
        __m128 v;
    };
    std::vector<Vec4> z_;  // per stage: the two state registers
    __m128 carry_ = _mm_setzero_ps();
    bool wide_;
    bool stagesDirty_ = true;
    std::size_t layoutBands_ = 0;
    std::vector<WideStage> wideStages_;
    std::vector<Lanes> wz_;
    Lanes wideCarry_{};
};

}  // namespace

std::unique_ptr<Effect> CreatePeakEq(unsigned rate) {
    return std::make_unique<PeakEq>(rate);
}

}  // namespace sonvaro::audio
