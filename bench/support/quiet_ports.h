#pragma once
// Ports that show nothing, for benchmarks that drive the player without a screen.
#include <string>

#include "playback/player_ports.h"
#include "playlist/playlist_display.h"

namespace sonvaro::bench {

struct QuietDisplay : PlayerDisplay {
    void SetInfoField(int, const std::string&) override {}
    void SetPositionSlider(int32_t) override {}
    void EnablePositionSlider(bool) override {}
    void SetPauseButton(bool) override {}
    void SetMuteButton(bool) override {}
    void SetTrayToolTip(const std::string&) override {}
    void ShowLevelImage(const LevelDisplay&) override {}
};

struct QuietView : PlaylistDisplay {
    void PlaylistReset() override {}
    void FitPlaylistColumns() override {}
    void SetPlaylistSummary(const std::string&) override {}
};

}  // namespace sonvaro::bench
