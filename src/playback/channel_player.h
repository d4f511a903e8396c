#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "effects/effect_chain.h"
#include "playback/player_ports.h"
#include "playback/player_state.h"
#include "playlist/playlist.h"

namespace sonvaro {

class LevelDisplay;
class PlaylistDisplay;
class StatisticsCounter;
class StatusLog;
class TagReader;
struct Library;
struct Settings;

// Everything the channel player talks to. Pointers may be null where the
// program has no such thing (no clipboard or tracker without a desktop, no
// radio until it is set up).
struct ChannelPlayerParts {
    Settings& settings;
    Library& library;
    Playlist& playlist;
    TagReader& tags;
    StatusLog& log;
    StatisticsCounter& statistics;
    EffectChain& effects;
    LevelDisplay& level;
    PlayerDisplay& display;
    PlaylistDisplay& playlistView;
    ListenerList& listeners;
    PlayerClock clock;
    Clipboard* clipboard = nullptr;
    RadioPort* radio = nullptr;
    TrackerPopup* tracker = nullptr;
};

// The track that follows the playing one when nobody chooses.
struct UpcomingTrack {
    std::string path;
    int32_t row = -1;
    TrackRange range;  // the row's part of the file
    TrackInfo shown;   // the row's tags, for a part of a file
};

// Turns paths into playing channels over two cross-fading slots and follows
// them every 50 ms.
class ChannelPlayer {
  public:
    explicit ChannelPlayer(ChannelPlayerParts parts);

    PlayerState& State() { return state_; }
    const PlayerState& State() const { return state_; }

    // 1 when a file channel started; 0 otherwise (radio addresses are handed on).
    // A part of the file (a CUE track) plays as a track of its own and shows
    // `shown`, the row's tags, instead of the file's.
    int PlayChannel(const std::string& path, int32_t source, const TrackRange& range = {},
                    const TrackInfo* shown = nullptr);
    // The same track started again after the engine was set up anew: listeners
    // hear of it, but it is no new start for the statistics, the library's play
    // counts or the title popup. 1 when it started.
    int RestartChannel(const std::string& path, int32_t source);
    void FadeIn(uint32_t channel = 0);  // 0: the current channel
    // Slides the current channel to silence; with wait > 0 returns once it is
    // silent, gone, or the fade time + 1 s has passed.
    void FadeOut(int wait);
    void TogglePause();
    // level < 0: the volume slider's value (Misc_Volume).
    void SetChannelVolume(float level);
    // The position slider moved to `value` (0..1000); seeks when the button is released.
    void SeekFromSlider(int32_t value, bool buttonDown);
    // Moves the current channel to `seconds`, held to 0..its length; false
    // when it has no length (a stream) or nothing plays.
    bool SeekToSeconds(double seconds);
    // The current channel's position to the sample, 0 when nothing plays.
    double PositionSeconds() const;
    // A stalled stream counts as playing: it goes on once data arrives.
    PlaybackStatus Status() const;
    // The stop command: no automatic advance, fade out; the tick stops the channel.
    void Stop();
    void PlayerTick();
    // True while one file plays on steadily and nothing the tick does is due
    // within `seconds`: no fade or seek, the track's end (with its fade-out and
    // the preparation of the next track) further away. A front end without a
    // window may then tick less often.
    bool SteadyFor(double seconds);
    // Shows `text` in the title field: while nothing plays until a title
    // starts, over a playing title for a few seconds.
    void ShowNotice(const std::string& text);

    // The playing row's mark in the playlist view.
    void MarkRow(int32_t row);
    void UnmarkRow();
    bool RowMarked() const { return rowMarked_; }

    // Called at every idle tick (the next title of the playlist).
    void SetNextTitleHandler(std::function<void()> handler) { nextTitle_ = std::move(handler); }
    // Names the track that would follow the playing one; with both fades at 0
    // it is opened a few seconds ahead and starts at the sample after the
    // last one of the playing track.
    void SetUpcomingHandler(std::function<std::optional<UpcomingTrack>()> handler) {
        upcoming_ = std::move(handler);
    }
    // The next track set up ahead, 0 when none.
    uint32_t PreparedChannel() const { return prepared_.channel; }
    // A next track that has begun in the mix becomes the playing one now (a
    // user's command acts on it), not when the listener hears it.
    void SettleNext() { PromoteNext(false); }

    // Called for MediaLib_AddPlay with the path of each started file.
    void SetAddToLibraryHandler(std::function<void(const std::string&)> handler) {
        addToLibrary_ = std::move(handler);
    }

    // The engine's channel-freed notification; runs on an engine thread.
    static void StopChannel(uint32_t sync, uint32_t channel, uint32_t data, void* user);

  private:
    // PlayChannel's steps.
    // A stream, else a module; MIDI gets the chosen font.
    uint32_t OpenChannel(const std::string& path, const TrackRange& range);
    void TakeSlot(uint32_t channel);  // the old channel fades out in the other slot
    void ApplyEffects(uint32_t channel);
    void AnnounceTrack(const TrackInfo& info);  // listeners, clipboard, title popup
    // What every start shares: statistics, library, the now-playing record,
    // the slider, the announcement. No tags: the same track goes on with its own.
    // `shown` (a CUE row's) is shown instead of the file's tags, which the library keeps.
    void BeginTrack(uint32_t channel, const std::string& path, const TrackRange& range, int32_t source,
                    const TrackInfo* tags, const TrackInfo* shown);
    // The next track, set up ahead (channel_player_next.cpp).
    bool GaplessWanted() const;
    void PrepareNext(uint32_t channel);
    // untilHeard: only once the playing track's last sample has been heard.
    bool PromoteNext(bool untilHeard);
    void CancelNext();
    // PlayerTick's steps.
    bool FollowSlots();  // false when no channel is active
    void IdleTick();     // clears the display and asks for the next title
    void ShowTrackFields(uint32_t channel);
    void UpdatePositionDisplay();
    void FadeOutTowardsTheEnd(uint32_t channel);
    // Seconds until the mix reaches the end of `channel`, at the speed it plays; < 0 when unknown or there.
    static double SecondsLeftToMix(uint32_t channel);
    void ShowField(InfoField field, const std::string& text);
    void SetSlider(int32_t value);
    void EnableSlider(bool enabled);

    ChannelPlayerParts parts_;
    PlayerState state_;
    bool rowMarked_ = false;
    bool restarting_ = false;  // within RestartChannel
    int muteShown_ = -1;
    std::function<void()> nextTitle_;
    std::function<std::optional<UpcomingTrack>()> upcoming_;
    struct PreparedTrack {
        uint32_t channel = 0;
        uint32_t after = 0;  // the channel it follows
        std::string path;
        int32_t row = -1;
        TrackRange range;
        std::optional<TrackInfo> shown;
        TrackInfo info;              // tags read ahead
        uint64_t effectChanges = 0;  // the effects' Changes() when it was set up
        ReplayGainTags replayGain;
    };
    PreparedTrack prepared_;
    EffectChain preparedEffects_;
    uint32_t preparedFor_ = 0;  // the channel a next track was set up for (once per track)
    std::function<void(const std::string&)> addToLibrary_;
};

}  // namespace sonvaro
