#pragma once
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "core/text.h"
#include "platform/end_signals.h"
#include "playback/player_ports.h"
#include "playlist/playlist_display.h"
#include "session/application.h"

namespace sonvaro {

// Start-up status texts on standard output.
class ConsoleSplash : public SplashPort {
  public:
    void Open() override {}
    void SetStatus(const std::string& text) override {
        std::printf("%s\n", TerminalText(text).c_str()), std::fflush(stdout);
    }
    void WaitMinimumTime() override {}  // nothing to look at: no reason to wait
    void Close() override {}
};

// The now-playing line: "artist – title  time", for a station "artist – song
// (station)  time"; rewritten in place on a terminal, one plain line per
// track otherwise. "Gestoppt" when the list has ended.
class ConsolePlayerDisplay : public PlayerDisplay {
  public:
    explicit ConsolePlayerDisplay(std::FILE* out);
    void SetInfoField(int field, const std::string& text) override;
    void SetPositionSlider(int32_t) override {}
    void EnablePositionSlider(bool) override {}
    void SetPauseButton(bool pressed) override;
    void SetMuteButton(bool) override {}
    void SetTrayToolTip(const std::string&) override {}
    void ShowLevelImage(const LevelDisplay&) override {}
    bool ShowsLevel() const override { return false; }
    void ShowStopped();

  private:
    void Print();
    std::FILE* out_;
    bool terminal_;
    bool paused_ = false;
    bool station_ = false;  // the first caption names a station
    std::string title_, artist_, album_, time_, printedTrack_;
};

// No view to redraw, nothing selected; an end signal (or a remote quit)
// plays the Escape key's part, so a long folder walk or list import stops at
// once. While one runs, `pump` serves what the headless loop serves between
// its turns (the remote socket, the session bus).
class ConsolePlaylistView : public PlaylistDisplay {
  public:
    explicit ConsolePlaylistView(const EndSignals& endSignals) : endSignals_(endSignals) {}
    void PlaylistReset() override {}
    void FitPlaylistColumns() override {}
    void SetPlaylistSummary(const std::string&) override {}
    void SetEventPump(std::function<void()> pump) { pump_ = std::move(pump); }
    void ProcessPendingEvents() override;
    bool EscapePressed() override { return stopAdding_ || endSignals_.Pending(); }
    void StopAdding() { stopAdding_ = true; }
    // Only remote control selects a row (-1: none).
    void Select(int row) { selected_ = row < 0 ? std::vector<int>{} : std::vector<int>{row}; }
    std::vector<int> SelectedRows() const override { return selected_; }

  private:
    const EndSignals& endSignals_;
    std::vector<int> selected_;
    std::function<void()> pump_;
    std::chrono::steady_clock::time_point lastPump_{};
    bool stopAdding_ = false;
};

class ConsoleShutdown : public ShutdownPort {
  public:
    void CloseWindows() override {}
    void RemoveTrayIcon() override {}
    void CloseLog() override {}
};

}  // namespace sonvaro
