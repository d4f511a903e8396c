#pragma once
// A channel player on the offline engine with recording ports and a clock the
// test moves: time passes only when the test mixes frames.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/status_log.h"
#include "effects/effect_chain.h"
#include "engine/bass.h"
#include "engine/output/offline_output.h"
#include "library/library.h"
#include "library/statistics.h"
#include "playback/channel_player.h"
#include "playback/level_display.h"
#include "playback/player_assembly.h"
#include "playback/playlist_playback.h"
#include "playlist/playlist_display.h"
#include "playlist/playlist_editing.h"
#include "settings/settings.h"
#include "tags/track_info_reader.h"

namespace sonvaro::test {

// A channel's volume attribute; -1 when it cannot be read.
inline float ChannelVolume(uint32_t channel) {
    float v = -1;
    BASS_ChannelGetAttribute(channel, BASS_ATTRIB_VOL, &v);
    return v;
}

// A sine tone WAV of the given seconds, made once with sox.
inline std::string ToneFile(int seconds, const std::string& name = "") {
    const std::string folder = std::string(SONVARO_FIXTURES) + "/player/";
    const std::string path = folder + (name.empty() ? "tone" + std::to_string(seconds) + "s.wav" : name);
    if (!std::filesystem::exists(path)) {
        std::filesystem::create_directories(folder);
        const std::string cmd = "sox -n -r 44100 -c 2 -b 16 '" + path + ".tmp.wav' synth " +
                                std::to_string(seconds) + " sine 440 vol 0.5 && mv '" + path + ".tmp.wav' '" +
                                path + "'";
        if (std::system(cmd.c_str()) != 0) ADD_FAILURE() << cmd;
    }
    return path;
}

class RecordingPlayerDisplay : public PlayerDisplay {
  public:
    void SetInfoField(int field, const std::string& text) override { fields[field] = text, ++writes; }
    void SetPositionSlider(int32_t value) override { slider = value; }
    void EnablePositionSlider(bool enabled) override { sliderEnabled = enabled; }
    void SetPauseButton(bool pressed) override { pause = pressed; }
    void SetMuteButton(bool muted) override { mute = muted; }
    void SetVolumeSlider(int32_t percent) override { volumeSlider = percent; }
    void SetModeButtons(bool r, bool s) override { repeat = r, random = s; }
    void SetTrayToolTip(const std::string& text) override { toolTip = text; }
    void ShowLevelImage(const LevelDisplay&) override { ++levelImages; }
    std::map<int, std::string> fields;
    int writes = 0, levelImages = 0;
    int32_t slider = -1, volumeSlider = -1;
    bool sliderEnabled = false, pause = false, mute = false, repeat = false, random = false;
    std::string toolTip;
};

class RecordingPlaylistView : public PlaylistDisplay {
  public:
    void PlaylistReset() override { ++resets; }
    void FitPlaylistColumns() override {}
    void SetPlaylistSummary(const std::string& text) override { summary = text; }
    void SetRowMarked(int row, bool marked) override {
        if (marked)
            markedRows.insert(row);
        else
            markedRows.erase(row);
    }
    std::vector<int> SelectedRows() const override { return selected; }
    std::vector<int> selected;
    std::set<int> markedRows;
    std::string summary;
    int resets = 0;
};

class RecordingClipboard : public Clipboard {
  public:
    void SetText(const std::string& t) override { text = t; }
    std::string text;
};

class PlayerTest : public ::testing::Test {
  protected:
    static constexpr unsigned kRate = 44100;

    void SetUp() override {
        ASSERT_TRUE(audio::InitOffline(kRate)) << BASS_ErrorGetCode();
        settings.BASS_FadeIn = 0;
        settings.BASS_FadeOut = 0;
        log.SetOpen(true);
    }
    void TearDown() override { BASS_Free(); }

    PlayerClock Clock() {
        return {[this] { return tick; }, [this] { return now; }, [this](int ms) { Mix(ms); }};
    }

    // Mixes `ms` of audio (what is heard moves on) and advances the tick clock.
    void Mix(int ms) {
        std::vector<float> frames(static_cast<size_t>(kRate) * ms / 1000 * 2);
        audio::PullOffline(frames.data(), frames.size() / 2);
        if (keepHeard) heard.insert(heard.end(), frames.begin(), frames.end());
        tick += static_cast<uint32_t>(ms);
    }
    // The RMS of the left channel between two times of `heard`, in seconds.
    double HeardRms(double from, double to) const {
        const size_t a = static_cast<size_t>(from * kRate), b = static_cast<size_t>(to * kRate);
        double sum = 0;
        for (size_t i = a; i < b && 2 * i < heard.size(); ++i) sum += heard[2 * i] * heard[2 * i];
        return b > a ? std::sqrt(sum / static_cast<double>(b - a)) : 0;
    }
    // Seconds of `heard` up to its last sample above `threshold`.
    double HeardUntil(float threshold = 1e-4f) const {
        for (size_t i = heard.size(); i-- > 0;)
            if (std::fabs(heard[i]) > threshold) return static_cast<double>(i / 2 + 1) / kRate;
        return 0;
    }
    // Runs the 50 ms player tick for `ms` of audio.
    void Run(int ms) {
        for (int t = 0; t < ms; t += 50) {
            Mix(50);
            player.PlayerTick();
        }
    }
    void AddFiles(const std::vector<std::string>& paths) {
        for (const auto& p : paths) editor.AddToPlaylist(p);
    }
    int ActiveChannels() {
        int n = 0;
        for (uint32_t c : player.State().slotChannel)
            if (c && BASS_ChannelIsActive(c) != BASS_ACTIVE_STOPPED) ++n;
        return n;
    }

    uint32_t tick = 100000;
    int64_t now = 1704672000 + 12 * 3600;  // 2024-01-08 12:00
    bool keepHeard = false;
    std::vector<float> heard;  // interleaved stereo, while keepHeard
    Settings settings;
    Library library;
    Playlist playlist;
    StatusLog log;
    RecordingPlayerDisplay display;
    RecordingPlaylistView view;
    RecordingClipboard clipboard;
    PlayerAssembly parts{settings, library, playlist,
                         log,      Clock(), PlayerAssemblyPorts{display, view, &clipboard}};
    TagReader& tags = parts.tags;
    StatisticsCounter& statistics = parts.statistics;
    EffectChain& effects = parts.effects;
    LevelDisplay& level = parts.level;
    ListenerList& listeners = parts.listeners;
    PlaylistEditor& editor = parts.editor;
    ChannelPlayer& player = parts.player;
    RadioPlayer& radio = parts.radio;
    PlaylistPlayback& playback = parts.playback;
    PlayerControl& control = parts.control;
};

}  // namespace sonvaro::test
