// Loudness normalisation of file channels by their ReplayGain tags, as the
// ReplayGain_* settings choose it. With the mode off, or no gain in the tags,
// a channel is left exactly as it is.
#pragma once
#include <cstdint>
#include <string>

#include "settings/settings.h"
#include "tags/replay_gain_tags.h"

namespace sonvaro {

class TagReader;

// The linear factor for a track: its track gain (mode 1), its album gain or
// else its track gain (mode 2), plus the pre-amp; with NoClip lowered so that
// factor x tagged peak stays at or below full scale. Exactly 1 when the mode
// is off or the tags hold no gain for it.
double ReplayGainFactor(const ReplayGainTags& tags, const Settings& settings);

// The tags of a file channel just opened (not yet playing); none for a mode
// that is off, so nothing is read then.
ReplayGainTags ReplayGainTagsOf(TagReader& reader, const std::string& path, uint32_t channel,
                                const Settings& settings);

// Puts the factor on a channel before it starts, as a volume effect that runs
// ahead of the equalizer and the other effects. A factor of exactly 1 adds
// nothing, so the channel sounds bit for bit as without. The effect's handle,
// or 0.
uint32_t ApplyReplayGain(uint32_t channel, double factor);

}  // namespace sonvaro
