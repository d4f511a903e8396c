// A plain gain, per side or for both. The first value set applies at once (a
// channel gets it before it sounds); a later change moves in a straight line
// over one block, so that changing it while playing never clicks.
#include <cmath>

#include "engine/bass_fx.h"
#include "engine/effect/effect.h"

namespace sonvaro::audio {
namespace {

constexpr float kMaxVolume = 1000.0f;

class Volume final : public Effect {
  public:
    void Process(float* x, std::size_t frames) override {
        if (frames == 0) return;
        for (int side = 0; side < 2; ++side) {
            const float from = current_[side], to = target_[side];
            if (from == 1.0f && to == 1.0f) continue;
            if (from == to) {
                for (std::size_t i = 0; i < frames; ++i) x[2 * i + side] *= to;
                continue;
            }
            const float step = (to - from) / static_cast<float>(frames);
            for (std::size_t i = 0; i < frames; ++i)
                x[2 * i + side] *= from + step * static_cast<float>(i + 1);
            current_[side] = to;
        }
    }

    bool SetParameters(const void* params) override {
        const auto* p = static_cast<const BASS_BFX_VOLUME*>(params);
        if (!std::isfinite(p->fVolume) || p->fVolume < 0.0f || p->fVolume > kMaxVolume) return false;
        p_ = *p;
        const bool all = p->lChannel == 0 || p->lChannel == BASS_BFX_CHANALL;
        for (int side = 0; side < 2; ++side) {
            if (all || (p->lChannel & (side ? BASS_BFX_CHAN2 : BASS_BFX_CHAN1))) target_[side] = p->fVolume;
            if (!set_) current_[side] = target_[side];
        }
        set_ = true;
        return true;
    }

    bool GetParameters(void* params) const override {
        *static_cast<BASS_BFX_VOLUME*>(params) = p_;
        return true;
    }

    void Reset() override { current_[0] = target_[0], current_[1] = target_[1]; }

  private:
    BASS_BFX_VOLUME p_{0, 1.0f};
    float current_[2] = {1.0f, 1.0f};
    float target_[2] = {1.0f, 1.0f};
    bool set_ = false;
};

}  // namespace

std::unique_ptr<Effect> CreateVolume(unsigned) {
    return std::make_unique<Volume>();
}

}  // namespace sonvaro::audio
