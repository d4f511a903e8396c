// An effect in a channel's chain. Effects run on the mixing thread on blocks
// of interleaved stereo float at the output rate; parameters are set from any
// thread under the channel's lock, so Process never races a change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace sonvaro::audio {

class Effect {
  public:
    virtual ~Effect() = default;
    virtual void Process(float* stereo, std::size_t frames) = 0;
    virtual bool SetParameters(const void* params) = 0;
    virtual bool GetParameters(void* params) const = 0;
    virtual void Reset() = 0;
};

// nullptr for effect types we do not have.
std::unique_ptr<Effect> CreateEffect(std::uint32_t type, unsigned rate);

}  // namespace sonvaro::audio
