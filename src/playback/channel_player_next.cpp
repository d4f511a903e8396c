// Playback without gaps: with both fades at 0 the next track of the list is
// opened and decoded a few seconds before the playing one ends, and the
// engine starts it at the sample after that one's last. What the user sees
// changes when the listener hears the new track, not when it is decoded.
#include <cmath>

#include "core/text.h"
#include "engine/bass.h"
#include "playback/channel_player.h"
#include "playback/replay_gain.h"
#include "settings/settings.h"
#include "tags/module_info.h"

namespace sonvaro {
namespace {

// Ahead enough for a slow disk or a long pre-scan, and short enough that a
// change to the list rarely meets a prepared track.
constexpr double kPrepareSeconds = 5.0;

}  // namespace

bool ChannelPlayer::GaplessWanted() const {
    return parts_.settings.BASS_FadeIn <= 0 && parts_.settings.BASS_FadeOut <= 0;
}

void ChannelPlayer::PrepareNext(uint32_t channel) {
    if (!upcoming_) return;
    if (!GaplessWanted() || state_.playSource != kSourcePlaylist || state_.info.length <= 0) {
        CancelNext();
        return;
    }
    const std::optional<UpcomingTrack> next = upcoming_();
    if (prepared_.channel) {
        if (next && next->path == prepared_.path && next->row == prepared_.row &&
            next->range == prepared_.range && prepared_.after == channel)
            return;
        CancelNext();  // the list, its order or the playing track changed under it
    }
    if (!next || IsStreamAddress(next->path) || preparedFor_ == channel) return;
    const double left = SecondsLeftToMix(channel);
    if (left < 0 || left > kPrepareSeconds) return;
    // One attempt per track: a file that cannot be played is met again, and
    // passed over, when the track ends.
    preparedFor_ = channel;
    const DWORD nextChannel = OpenChannel(next->path, next->range);
    if (!nextChannel) return;
    const ReplayGainTags gainTags = ReplayGainTagsOf(parts_.tags, next->path, nextChannel, parts_.settings);
    ApplyReplayGain(nextChannel, ReplayGainFactor(gainTags, parts_.settings));
    BASS_ChannelSetAttribute(nextChannel, BASS_ATTRIB_VOL, parts_.settings.Misc_Volume / 100.0f);
    float rate = 0;
    BASS_ChannelGetAttribute(nextChannel, BASS_ATTRIB_FREQ, &rate);
    preparedEffects_.SetChannel(nextChannel, rate);
    preparedEffects_.ApplyAll();
    if (!BASS_ChannelPlayNext(channel, nextChannel)) {
        // The end was mixed already: the track starts the usual way.
        preparedEffects_.SetChannel(0, 0);
        if (!BASS_StreamFree(nextChannel)) BASS_MusicFree(nextChannel);
        return;
    }
    prepared_.channel = nextChannel;
    prepared_.after = channel;
    prepared_.path = next->path;
    prepared_.row = next->row;
    prepared_.range = next->range;
    if (!next->range.Whole()) prepared_.shown = next->shown;
    prepared_.effectChanges = parts_.effects.Changes();
    prepared_.replayGain = gainTags;
    prepared_.info = TrackInfo{};
    prepared_.info.path = next->path;
    ReadPlayableTrackInfo(parts_.tags, prepared_.info);
}

bool ChannelPlayer::PromoteNext(bool untilHeard) {
    if (!prepared_.channel) return false;
    const DWORD active = BASS_ChannelIsActive(prepared_.channel);
    const bool before = BASS_ChannelIsActive(prepared_.after) != BASS_ACTIVE_STOPPED;
    if (active != BASS_ACTIVE_PLAYING && active != BASS_ACTIVE_STALLED) {
        // The track before it ended without handing over (stopped or freed).
        if (!before) CancelNext();
        return false;
    }
    if (untilHeard && before) return false;
    const PreparedTrack next = std::move(prepared_);
    prepared_ = {};
    UnmarkRow();
    // The track before has ended; the new one takes the other slot, as a start does.
    state_.currentSlot = 1 - state_.currentSlot;
    if (const DWORD old = state_.slotChannel[state_.currentSlot]; old && old != next.after)
        BASS_ChannelStop(old);
    state_.slotChannel[state_.currentSlot] = next.channel;
    state_.slotFade[state_.currentSlot] = SlotFade::None;
    state_.notice.clear();
    BASS_ChannelSetSync(next.channel, BASS_SYNC_FREE, 0, &ChannelPlayer::StopChannel, this);
    parts_.effects.TakeOver(preparedEffects_);
    // Effects changed while it waited: it gets them now.
    if (parts_.effects.Changes() != next.effectChanges) parts_.effects.ApplyAll();
    float rate = 0;
    BASS_ChannelGetAttribute(next.channel, BASS_ATTRIB_FREQ, &rate);
    state_.info.sampleRate = rate;
    BeginTrack(next.channel, next.path, next.range, kSourcePlaylist, &next.info,
               next.shown ? &*next.shown : nullptr);
    state_.replayGain = next.replayGain;
    if (next.row >= 0 && static_cast<size_t>(next.row) < parts_.playlist.size()) MarkRow(next.row);
    return true;
}

void ChannelPlayer::CancelNext() {
    preparedFor_ = 0;
    if (!prepared_.channel) return;
    BASS_ChannelPlayNext(prepared_.after, 0);
    // Freed without a word: it never was the playing track.
    if (!BASS_StreamFree(prepared_.channel)) BASS_MusicFree(prepared_.channel);
    preparedEffects_.SetChannel(0, 0);
    prepared_ = {};
}

}  // namespace sonvaro
