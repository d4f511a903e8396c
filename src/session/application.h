#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/status_log.h"
#include "core/worker_state.h"
#include "library/cover_finder.h"
#include "library/library_load.h"
#include "playback/engine_setup.h"
#include "playback/player_assembly.h"
#include "session/player_data.h"
#include "session/save_report.h"

namespace sonvaro {

class Messages;
class PlaylistDisplay;
class SettingsWindowPort;

// The start-up splash and its status line; the headless player prints the texts.
class SplashPort {
  public:
    virtual ~SplashPort() = default;
    virtual void Open() = 0;
    virtual void SetStatus(const std::string& text) = 0;
    // Keeps taking events until the splash has been open for at least 1000 ms.
    virtual void WaitMinimumTime() = 0;
    virtual void Close() = 0;
};

// What the shut-down does to the windows.
class ShutdownPort {
  public:
    virtual ~ShutdownPort() = default;
    // Hide and disable the main window, close the tool windows but the log, close the popup.
    virtual void CloseWindows() = 0;
    virtual void RemoveTrayIcon() = 0;
    // When the log window is visible: its "Bye" line stays for a second; then it closes.
    virtual void CloseLog() = 0;
};

struct ApplicationPorts {
    Messages& messages;
    SplashPort& splash;
    PlayerDisplay& playerDisplay;
    PlaylistDisplay& playlistView;
    ShutdownPort& shutdown;
    SettingsWindowPort* settingsWindow = nullptr;
    Clipboard* clipboard = nullptr;
    TrackerPopup* tracker = nullptr;
};

// The process-wide state and its life: start-up, timers, autosave, shut-down.
// The windowed and the headless player each drive one of these.
class Application {
  public:
    Application(ApplicationPorts ports, std::string appDataFolder, PlayerClock clock);
    ~Application();

    // Start-up phase 2. `playFile`: a first command-line file, played as a single file.
    void StartUp(const std::string& playFile = {});

    // Timer callbacks, called on the ui thread.
    void PlayerTick() {  // every 50 ms
        radio.Drain();
        player.PlayerTick();
        if (!libraryWorkersStarted_ && libraryLoad_.Done()) StartLibraryWorkers();
    }
    void AutosaveTick();  // every 250 ms
    // False, after telling the user where to choose one, when recording a
    // station has no folder (`folder`, the stored one unless given) to write to.
    bool RecordingFolderChosen(const std::string* folder = nullptr);
    // The record button: switches NETStream_SaveFile over; switching it on
    // needs a folder (see above). True when the setting changed.
    bool ToggleRecording();

    // The library's worker threads (application_library.cpp).
    // Validates and starts a scan of MediaLib_Path; false when none started.
    bool StartLibraryScan();
    void StopLibraryScan();
    bool LibraryScanRunning() const { return workers.scanRunning; }
    // The library's data file is read on a thread of its own after the start;
    // its workers start on the first tick after. Returns once both are done.
    void FinishLibraryLoad();
    // True when the shut-down let a library thread go that did not end in
    // time (a read stuck on a slow disk): it still uses this Application, so
    // the process must end without destroying it (EndProcessNow).
    bool LibraryWorkersLetGo() const { return libraryWorkersLetGo_; }

    // The one shut-down road. Returns -1 when the user declined the question;
    // otherwise everything is saved and the caller ends the process with 0.
    int RequestExit(bool mayAsk = true);
    bool ShuttingDown() const { return shuttingDown_; }

    // Called once start-up is done, when Misc_StartUpdateCheck is on: starts
    // the update check on a thread of its own. The windowed player sets it;
    // none: no check.
    std::function<void()> startUpdateCheck;

    // Public parts: the front ends and the later subsystems reach them directly.
    ApplicationPorts ports;
    PlayerClock clock;
    std::string appDataFolder;
    StatusLog log;
    WorkerState workers;
    PlayerData data;
    AudioEngineState engine;

  private:
    PlayerAssembly parts_;

  public:
    // The assembly's parts under their own names.
    TagReader& tags = parts_.tags;
    StatisticsCounter& statistics = parts_.statistics;
    EffectChain& effects = parts_.effects;
    LevelDisplay& level = parts_.level;
    ListenerList& listeners = parts_.listeners;
    PlaylistEditor& editor = parts_.editor;
    ChannelPlayer& player = parts_.player;
    RadioPlayer& radio = parts_.radio;
    PlaylistPlayback& playback = parts_.playback;
    PlayerControl& control = parts_.control;
    // Where the tracks' pictures come from (safe from any thread).
    CoverFinder covers{tags};

  private:
    void StartLibraryWorkers();
    void StopLibraryWorkers();
    int ReadLibraryTrack(TrackInfo& info);

    LibraryLoad libraryLoad_;
    bool libraryWorkersStarted_ = false;
    SaveReport saveReport_{log};
    std::atomic<bool> shuttingDown_{false};
    bool libraryWorkersLetGo_ = false;
    uint32_t settingsClock_ = 0, playlistClock_ = 0, libraryClock_ = 0;
};

// The millisecond and local-time clocks of the running program.
PlayerClock SystemClock();

}  // namespace sonvaro
