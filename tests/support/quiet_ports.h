#pragma once
// Ports that show and ask nothing, for tests and benchmarks that drive the
// player without a screen.
#include <cstdio>
#include <string>

#include "core/ports/messages.h"
#include "playback/player_ports.h"
#include "playlist/playlist_display.h"
#include "session/application.h"

namespace sonvaro::test {

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

struct NoSplash : SplashPort {
    void Open() override {}
    void SetStatus(const std::string&) override {}
    void WaitMinimumTime() override {}
    void Close() override {}
};

// Boxes go to standard error; every question is answered "Nein".
struct NoMessages : Messages {
    void Show(const std::string& text, const std::string&, MessageIcon) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    bool Ask(const std::string&, const std::string&, MessageIcon) override { return false; }
};

}  // namespace sonvaro::test
