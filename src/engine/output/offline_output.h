// The offline output: the engine mixes only when asked, as fast as the caller
// pulls. Tests and benchmarks use it to get exact mixed frames without a clock.
#pragma once

#include <cstddef>

namespace sonvaro::audio {

// Like BASS_Init on a device of its own; fails as BASS_Init does.
bool InitOffline(unsigned rate);

// Mixes the next `frames` stereo frames (interleaved float) into `out`.
// Returns the frames written (0 when the engine is not in offline mode).
std::size_t PullOffline(float* out, std::size_t frames);

}  // namespace sonvaro::audio
