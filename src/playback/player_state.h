#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "core/track_info.h"
#include "playlist/playlist.h"
#include "tags/replay_gain_tags.h"

namespace sonvaro {

enum PlaySource : int32_t {
    kSourceNone = 0,
    kSourceSingle = 1,  // a single file, or stopped: no automatic advance
    kSourcePlaylist = 2,
    kSourceLibrary = 3,
    kSourceRadio = 4,
};

// What the current channel is doing, as remote front ends report it.
enum class PlaybackStatus : int32_t { Stopped = 0, Playing = 1, Paused = 2 };

// The ten info fields of the player: a caption beside each value.
enum class InfoField : int {
    TitleCaption = 1,
    Title = 2,
    ArtistCaption = 3,
    Artist = 4,
    AlbumCaption = 5,
    Album = 6,
    GenreCaption = 7,
    Genre = 8,
    LengthCaption = 9,
    Position = 10,
};

// What a channel slot is doing with its volume.
enum class SlotFade : int32_t {
    None = 0,
    FadingOut = 4,  // the tick stops the channel once it is silent
};

// The now-playing record. Only the ui thread touches it.
struct PlayerState {
    int32_t currentSlot = 1;
    std::string currentPath;
    TrackRange currentRange;  // the part of currentPath that plays
    std::array<uint32_t, 2> slotChannel{};
    std::array<SlotFade, 2> slotFade{};
    std::array<float, 2> slotVolume{};
    int32_t position = 0;  // seconds
    int32_t seeking = 0;
    int32_t playSource = kSourceNone;
    int32_t markedRow = 0;
    std::array<std::string, 5> labels;
    TrackInfo info;             // info.length -1: no known length
    ReplayGainTags replayGain;  // the current track's, for a restart
    // A failure the user should see (a station that could not be reached) and
    // the tick it came at; see ChannelPlayer::ShowNotice.
    std::string notice;
    uint32_t noticeTick = 0;

    // What the screen shows now, so each control is written only on change.
    std::array<std::string, 11> shownFields;  // 1..10
    int32_t shownSlider = -1;
    int shownSliderEnabled = -1;
    bool levelShown = false;

    uint32_t CurrentChannel() const { return slotChannel[currentSlot]; }
};

}  // namespace sonvaro
