#include "session/settings_apply.h"

#include "engine/bass.h"
#include "playback/channel_player.h"
#include "playback/player_control.h"
#include "playback/player_ports.h"
#include "session/application.h"

namespace sonvaro {
namespace {

// The track that plays while the engine is set up again, to start it anew after.
struct PlayingTrack {
    PlaybackStatus status = PlaybackStatus::Stopped;
    std::string path;
    int32_t source = kSourceSingle;
    int32_t row = -1;
    double seconds = 0;
};

PlayingTrack Remember(Application& app) {
    PlayingTrack t;
    t.status = app.control.Status();
    const PlayerState& state = app.player.State();
    t.path = state.currentPath;
    t.source = state.playSource;
    t.row = state.markedRow;
    t.seconds = app.control.PositionSeconds();
    return t;
}

void Resume(Application& app, const PlayingTrack& t) {
    if (t.status == PlaybackStatus::Stopped || t.path.empty() || !app.engine.running) return;
    const bool sameRow = t.source == kSourcePlaylist && t.row >= 0 &&
                         static_cast<size_t>(t.row) < app.data.playlist.size() &&
                         app.data.playlist[static_cast<size_t>(t.row)].info.path == t.path;
    if (t.source == kSourceRadio) {
        app.player.PlayChannel(t.path, t.source);  // the station is connected anew
        return;
    }
    // Not a new start: no play count, statistics or title popup for it.
    if (app.player.RestartChannel(t.path, t.source) != 1) return;
    if (sameRow) app.player.MarkRow(t.row);
    app.control.SeekTo(t.seconds);
    if (t.status == PlaybackStatus::Paused) app.control.Pause();
}

int32_t DeviceCount(const Application& app) {
    return static_cast<int32_t>(app.engine.outputDevices.size());
}

}  // namespace

SettingsForm CurrentSettingsForm(const Application& app) {
    return FormFromSettings(app.data.settings, DeviceCount(app));
}

bool ApplySettings(Application& app, const SettingsForm& form, SettingsApplyPort& port) {
    Settings& s = app.data.settings;
    if (!FormDiffers(form, s, DeviceCount(app))) return false;

    // 1. Device and rate: only a real change sets the engine up again.
    const int32_t current = app.engine.running ? static_cast<int32_t>(BASS_GetDevice()) : -1;
    const bool deviceChanged =
        form.device >= 0 && (form.device != current || form.device != s.BASS_QutputDevice);
    const bool rateChanged = form.rate >= 0 && form.rate != s.BASS_OutputRate;
    if (deviceChanged || rateChanged) {
        const PlayingTrack playing = Remember(app);
        InitAudioEngine(form.device >= 0 ? form.device : s.BASS_QutputDevice,
                        form.rate >= 0 ? form.rate : s.BASS_OutputRate, s, app.engine, app.workers,
                        app.ports.messages);
        // The reset ended every channel: no automatic advance until something plays.
        app.player.State().playSource = kSourceSingle;
        Resume(app, playing);
    }

    // 2.-14. Every other setting, then what it changes on screen.
    const FormEffects e = StoreForm(form, s);
    if (e.recording) port.ShowRecording(s.NETStream_SaveFile != 0);
    if (e.proxy) BASS_SetConfigPtr(BASS_CONFIG_NET_PROXY, s.NETStream_Proxy.c_str());
    if (e.onTop) port.SetMainWindowOnTop(s.GUI_OnTop > 0);
    if (e.opacity) port.ApplyOpacityToAll(s.GUI_Opacity != 0, s.GUI_OpacityValue);
    if (e.fitPlaylist) port.FitPlaylistColumns();
    if (e.fitLibrary) port.FitLibraryColumns();
    port.ApplyColours(s);
    if (e.closeTracker && app.ports.tracker) app.ports.tracker->Close();
    app.workers.backgroundOn = s.MediaLib_BackgroundScan == 1;
    app.workers.SetLibraryFolder(s.MediaLib_Path);
    return true;
}

}  // namespace sonvaro
