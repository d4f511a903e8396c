#pragma once
#include "effects/effect_chain.h"
#include "library/statistics.h"
#include "playback/channel_player.h"
#include "playback/level_display.h"
#include "playback/player_control.h"
#include "playback/player_ports.h"
#include "playback/playlist_playback.h"
#include "playback/radio_player.h"
#include "playlist/playlist_editing.h"
#include "tags/track_info_reader.h"

namespace sonvaro {

class StatusLog;
struct Library;
struct Settings;

// What the player shows things on; the pointers may be null.
struct PlayerAssemblyPorts {
    PlayerDisplay& display;
    PlaylistDisplay& playlistView;
    Clipboard* clipboard = nullptr;
    TrackerPopup* tracker = nullptr;
};

// The player's parts wired together once, for the application, the tests and
// the benchmarks alike: the channel player with its radio, the playlist's
// playback and editing, effects, levels, statistics and the control facade.
class PlayerAssembly {
  public:
    PlayerAssembly(Settings& settings, Library& library, Playlist& playlist, StatusLog& log,
                   PlayerClock clock, PlayerAssemblyPorts ports);
    PlayerAssembly(const PlayerAssembly&) = delete;
    PlayerAssembly& operator=(const PlayerAssembly&) = delete;

    TagReader tags;
    StatisticsCounter statistics;
    EffectChain effects;
    LevelDisplay level;
    ListenerList listeners;
    PlaylistEditor editor;
    ChannelPlayer player;
    RadioPlayer radio;
    PlaylistPlayback playback;
    PlayerControl control;
};

}  // namespace sonvaro
