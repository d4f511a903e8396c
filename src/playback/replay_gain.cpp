#include "playback/replay_gain.h"

#include <algorithm>
#include <cmath>

#include "engine/bass.h"
#include "settings/settings.h"

namespace sonvaro {
namespace {

// Above the equalizer's and the effects' priorities (1 and 2): the gain runs
// first, so the equalizer shapes the normalised sound.
constexpr int kReplayGainPriority = 3;

}  // namespace

double ReplayGainFactor(const ReplayGainTags& tags, const Settings& settings) {
    std::optional<double> gain;
    std::optional<double> peak;
    switch (settings.ReplayGain_Mode) {
        case kReplayGainTrack:
            gain = tags.trackGain;
            peak = tags.trackPeak;
            break;
        case kReplayGainAlbum:
            if (tags.albumGain) {
                gain = tags.albumGain;
                // The album's peak is the highest of its tracks; this track's is a lower bound.
                peak = tags.albumPeak ? tags.albumPeak : tags.trackPeak;
            } else {
                gain = tags.trackGain;
                peak = tags.trackPeak;
            }
            break;
        default:
            return 1.0;
    }
    if (!gain) return 1.0;
    const int32_t preamp = std::clamp(settings.ReplayGain_Preamp, kReplayGainPreampMin, kReplayGainPreampMax);
    double factor = std::pow(10.0, (*gain + preamp / 10.0) / 20.0);
    if (settings.ReplayGain_NoClip != 0 && peak && *peak > 0 && factor * *peak > 1.0) factor = 1.0 / *peak;
    return factor;
}

ReplayGainTags ReplayGainTagsOf(TagReader& reader, const std::string& path, uint32_t channel,
                                const Settings& settings) {
    if (settings.ReplayGain_Mode != kReplayGainTrack && settings.ReplayGain_Mode != kReplayGainAlbum)
        return {};
    BASS_CHANNELINFO info{};
    if (!BASS_ChannelGetInfo(channel, &info)) return {};
    return ReadReplayGainTags(reader, path, info.ctype);
}

uint32_t ApplyReplayGain(uint32_t channel, double factor) {
    if (factor == 1.0 || !std::isfinite(factor) || factor < 0) return 0;
    const HFX fx = BASS_ChannelSetFX(channel, BASS_FX_BFX_VOLUME, kReplayGainPriority);
    if (fx == 0) return 0;
    const BASS_BFX_VOLUME volume{BASS_BFX_CHANALL, static_cast<float>(factor)};
    if (!BASS_FXSetParameters(fx, &volume)) {
        BASS_ChannelRemoveFX(channel, fx);
        return 0;
    }
    return fx;
}

}  // namespace sonvaro
