#include "playback/player_assembly.h"

namespace sonvaro {

PlayerAssembly::PlayerAssembly(Settings& settings, Library& library, Playlist& playlist, StatusLog& log,
                               PlayerClock clock, PlayerAssemblyPorts ports)
    : statistics(settings),
      effects(settings),
      editor(playlist, settings, tags, ports.playlistView, &log),
      player(ChannelPlayerParts{settings, library, playlist, tags, log, statistics, effects, level,
                                ports.display, ports.playlistView, listeners, clock, ports.clipboard, &radio,
                                ports.tracker}),
      radio(RadioPlayerParts{player, settings, library, log, statistics, effects, clock}),
      playback(player, playlist, ports.playlistView, editor, settings, tags),
      control(player, playback, settings, ports.display) {
    player.SetNextTitleHandler([this] { playback.PlayNext(); });
    player.SetUpcomingHandler([this] { return playback.Upcoming(); });
}

}  // namespace sonvaro
