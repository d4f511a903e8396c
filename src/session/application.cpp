#include "session/application.h"

#include <chrono>
#include <thread>

#include "core/clock.h"
#include "core/ports/messages.h"
#include "engine/bass.h"
#include "engine/http_transfer.h"
#include "library/library_file.h"
#include "library/library_scan.h"
#include "platform/atomic_file.h"
#include "platform/file_info.h"
#include "playlist/playlist_display.h"
#include "playlist/playlist_file.h"
#include "session/data_folder.h"
#include "session/window_settings.h"
#include "settings/settings_file.h"

namespace sonvaro {

PlayerClock SystemClock() {
    return {&TickCount, &LocalSecondsNow,
            [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }};
}

Application::Application(ApplicationPorts p, std::string appData, PlayerClock c)
    : ports(p),
      clock(std::move(c)),
      appDataFolder(std::move(appData)),
      data(DataFolderPath(appDataFolder)),
      parts_(data.settings, data.library, data.playlist, log, clock,
             PlayerAssemblyPorts{p.playerDisplay, p.playlistView, p.clipboard, p.tracker}) {
    radio.SetRecordingFailedHandler([this](const std::string& text) { ports.messages.HintBox(text); });
}

Application::~Application() {
    // Channels call back into the player: the engine must go before it does.
    if (engine.running) BASS_Free();
}

void Application::StartUp(const std::string& playFile) {
    shuttingDown_ = false;
    ports.splash.Open();
    EnsureDataFolder(appDataFolder, ports.messages);
    // A save killed part-way leaves its temporary file behind; the data file itself is whole.
    for (const std::string& path : {data.SettingsPath(), data.LibraryPath(), data.PlaylistPath()})
        RemoveStaleTemporary(path);

    ports.splash.SetStatus("Lade Einstellungen..");
    LoadSettingsIntoWindow(data.settings, data.SettingsPath(), ports.settingsWindow);
    ports.splash.SetStatus("Lade Medienbibliothek..");
    // Read beside the rest of the start: its workers start once it is done.
    libraryLoad_.Start(data.library, data.LibraryPath(), &log);
    ports.splash.SetStatus("Lade Wiedergabeliste..");
    LoadPlaylistFile(data.playlist, data.PlaylistPath(), data.settings, &ports.playlistView, &log);
    const std::string& libraryFolder = data.settings.MediaLib_Path;
    workers.SetLibraryFolder(libraryFolder);
    if (!LibraryFolderReachable(libraryFolder)) {
        workers.libraryFolderMissing = true;
        log.LogStatus(LibraryUnreachableText(libraryFolder));
    }
    // The check itself runs on the library's background thread, once it starts
    // below: the first sound, the window and remote control do not wait for it.
    if (data.settings.MediaLib_StartCheck != 0) ports.splash.SetStatus("Überprüfe Medienbibliothek..");

    ports.splash.SetStatus("Initialisiere BASS..");
    InitAudioEngine(data.settings.BASS_QutputDevice, data.settings.BASS_OutputRate, data.settings, engine,
                    workers, ports.messages);
    if (engine.running) player.State().playSource = kSourceSingle;

    ports.splash.SetStatus("Erstelle Timer..");
    ports.splash.SetStatus("Initialisiere Netzwerkumgebung....");
    audio::InitNetworkLibrary();
    // Stations publish their addresses in small .m3u/.pls files on their servers.
    editor.SetAddressReader([](const std::string& address, const std::function<bool()>& keepWaiting) {
        audio::SmallText got = audio::FetchSmallText(address, keepWaiting);
        if (got.outcome != audio::SmallText::Outcome::Fetched)
            return PlaylistEditor::AddressText{{}, got.FailureText()};
        return PlaylistEditor::AddressText{std::move(got.body), {}};
    });
    control.SetStationListReader([](const std::string& address) -> std::optional<std::string> {
        audio::SmallText got = audio::FetchSmallText(address);
        if (got.outcome != audio::SmallText::Outcome::Fetched) return std::nullopt;
        return std::move(got.body);
    });

    ports.splash.SetStatus("Erstelle Programmoberfläche..");
    ports.playlistView.SetPlaylistSummary(PlaylistSummaryText(data.playlist));
    ports.playerDisplay.EnablePositionSlider(false);
    if (data.settings.statistics.AppStart < INT32_MAX) ++data.settings.statistics.AppStart;
    player.State().currentSlot = 1;
    player.SetChannelVolume(-1);

    if (data.settings.Misc_StartUpdateCheck != 0 && startUpdateCheck) startUpdateCheck();
    if (!playFile.empty() && IsNonEmptyFile(playFile)) player.PlayChannel(playFile, kSourceSingle);

    ports.splash.SetStatus("Starte..");
    ports.splash.WaitMinimumTime();
    ports.splash.Close();
}

void Application::AutosaveTick() {
    const uint32_t now = clock.tick();
    for (uint32_t* c : {&settingsClock_, &playlistClock_, &libraryClock_})
        if (*c == 0) *c = now;
    const Settings& s = data.settings;
    const auto due = [&](uint32_t since) {
        return static_cast<int64_t>(now - since) >= static_cast<int64_t>(s.Misc_AutoSave_IV);
    };
    // A failed autosave shows no box; the status log says why (once per cause).
    std::string failure;
    const auto note = [&](const std::string& path, bool ok) {
        saveReport_.Note(path, ok, failure);
        failure.clear();
    };
    if (s.Misc_AutoSave_PF != 0 && due(settingsClock_)) {
        log.LogStatus("Autosave Preferences..");
        if (ports.settingsWindow) ports.settingsWindow->StoreWindowState(data.settings);
        note(data.SettingsPath(),
             SaveSettings(data.settings, data.SettingsPath(), false, ports.messages, log, &failure));
        settingsClock_ = now;
    }
    if (s.Misc_AutoSave_PL != 0 && !data.playlistTemporary && due(playlistClock_)) {
        log.LogStatus("Autosave Playlist..");
        note(data.PlaylistPath(), SavePlaylistFile(data.playlist, data.PlaylistPath(), data.settings, false,
                                                   ports.messages, log, &failure));
        playlistClock_ = now;
    }
    if (s.Misc_AutoSave_ML != 0 && due(libraryClock_)) {
        log.LogStatus("Autosave Medialibary..");
        note(data.LibraryPath(),
             SaveLibraryFile(data.library, data.LibraryPath(), false, ports.messages, log, &failure));
        libraryClock_ = now;
    }
}

int Application::RequestExit(bool mayAsk) {
    if (mayAsk && data.settings.Misc_EndQuestion > 0 &&
        !ports.messages.Ask("Soll Sonvaro beendet werden?", "Beenden", MessageIcon::Question))
        return -1;
    shuttingDown_ = true;

    log.LogStatus("Close Windows..");
    ports.shutdown.CloseWindows();
    if (ports.tracker) ports.tracker->Close();

    log.LogStatus("Close Threads..");
    // The library is saved below: whole, with what was kept for after its read.
    libraryLoad_.Wait();
    StopLibraryWorkers();

    log.LogStatus("Fade Out..");
    if (engine.running && BASS_ChannelIsActive(player.State().CurrentChannel()) == BASS_ACTIVE_PLAYING)
        player.FadeOut(1);

    log.LogStatus("Bass Free..");
    BASS_Free();
    engine.running = false;

    log.LogStatus("Save Data..");
    if (ports.settingsWindow) ports.settingsWindow->StoreWindowState(data.settings);
    data.SaveAll(ports.messages, log, &saveReport_);

    ports.shutdown.RemoveTrayIcon();
    if (log.IsOpen()) log.LogStatus("Bye");
    ports.shutdown.CloseLog();
    return 0;
}

bool Application::RecordingFolderChosen(const std::string* folder) {
    if (!(folder ? *folder : data.settings.NETStream_SavePath).empty()) return true;
    ports.messages.HintBox(
        "Für die Aufnahme ist kein Ziel-Ordner gewählt.\nBitte unter Einstellungen > Internet Radio > "
        "Ziel-Ordner einen Ordner wählen.");
    return false;
}

bool Application::ToggleRecording() {
    int8_t& on = data.settings.NETStream_SaveFile;
    if (!on && !RecordingFolderChosen()) return false;
    on = on ? 0 : 1;
    return true;
}

}  // namespace sonvaro
