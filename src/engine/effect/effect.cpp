#include "engine/effect/effect.h"

#include "engine/bass_fx.h"

namespace sonvaro::audio {

std::unique_ptr<Effect> CreatePeakEq(unsigned rate);
std::unique_ptr<Effect> CreateEcho(unsigned rate);
std::unique_ptr<Effect> CreateFlanger(unsigned rate);
std::unique_ptr<Effect> CreateReverb(unsigned rate);
std::unique_ptr<Effect> CreateVolume(unsigned rate);

std::unique_ptr<Effect> CreateEffect(std::uint32_t type, unsigned rate) {
    switch (type) {
        case BASS_FX_BFX_PEAKEQ:
            return CreatePeakEq(rate);
        case BASS_FX_DX8_ECHO:
            return CreateEcho(rate);
        case BASS_FX_DX8_FLANGER:
            return CreateFlanger(rate);
        case BASS_FX_DX8_REVERB:
            return CreateReverb(rate);
        case BASS_FX_BFX_VOLUME:
            return CreateVolume(rate);
        default:
            return nullptr;
    }
}

}  // namespace sonvaro::audio
