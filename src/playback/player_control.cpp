#include "playback/player_control.h"

#include <algorithm>

#include "core/text.h"
#include "playback/channel_player.h"
#include "playback/player_ports.h"
#include "playback/playlist_playback.h"
#include "playlist/playlist_import.h"
#include "settings/settings.h"

namespace sonvaro {

PlayerControl::PlayerControl(ChannelPlayer& player, PlaylistPlayback& playback, Settings& settings,
                             PlayerDisplay& display)
    : player_(player), playback_(playback), settings_(settings), display_(display) {}

int PlayerControl::PlaySelected() {
    return playback_.PlaySelected();
}

bool PlayerControl::PlayRow(int32_t row) {
    return playback_.PlayRow(row);
}

int PlayerControl::PlayFile(const std::string& path) {
    return player_.PlayChannel(path, kSourceSingle);
}

int PlayerControl::PlayLibraryEntry(const std::string& path) {
    const std::string folded = FoldCase(path);
    const bool m3u = folded.ends_with(".m3u"), pls = folded.ends_with(".pls");
    if (!IsStreamAddress(path) || !(m3u || pls)) return PlayFile(path);
    const auto text = readList_ ? readList_(path) : std::nullopt;
    if (!text) return 0;
    std::string first;
    const AddPathFn take = [&first](const std::string& address) {
        if (first.empty()) first = address;
    };
    if (m3u)
        ReadM3UText(path, *text, take);
    else
        ReadPLSText(path, *text, take);
    return first.empty() ? 0 : PlayFile(first);
}

void PlayerControl::TogglePause() {
    player_.TogglePause();
}

void PlayerControl::Play() {
    if (player_.Status() != PlaybackStatus::Playing) playback_.PlaySelected();
}

void PlayerControl::Pause() {
    if (player_.Status() == PlaybackStatus::Playing) player_.TogglePause();
}

PlaybackStatus PlayerControl::Status() const {
    return player_.Status();
}

void PlayerControl::Stop() {
    player_.Stop();
}

void PlayerControl::Next() {
    playback_.PlayNext();
}

void PlayerControl::Previous() {
    playback_.PlayPrevious();
}

void PlayerControl::Seek(int32_t value, bool buttonDown) {
    player_.SeekFromSlider(value, buttonDown);
}

bool PlayerControl::SeekTo(double seconds) {
    return player_.SeekToSeconds(seconds);
}

bool PlayerControl::SeekBy(double seconds) {
    const int32_t length = player_.State().info.length;
    if (length <= 0 || player_.State().currentPath.empty()) return false;
    const double target = player_.PositionSeconds() + seconds;
    if (target >= length) {
        // What the end of the track would do: the next row, or stop for a single file.
        if (player_.State().playSource == kSourcePlaylist)
            Next();
        else
            Stop();
        return true;
    }
    return player_.SeekToSeconds(target);
}

double PlayerControl::PositionSeconds() const {
    return player_.PositionSeconds();
}

void PlayerControl::SetVolume(int32_t percent) {
    percent = std::clamp(percent, 0, 100);
    const bool changed = settings_.Misc_Volume != percent;
    settings_.Misc_Volume = percent;
    player_.SetChannelVolume(-1);
    if (changed) display_.SetVolumeSlider(percent);
}

int32_t PlayerControl::Volume() const {
    return settings_.Misc_Volume;
}

void PlayerControl::ToggleMute() {
    if (settings_.Misc_Volume == 0) {
        SetVolume(volumeBeforeMute_);
    } else {
        volumeBeforeMute_ = settings_.Misc_Volume;
        SetVolume(0);
    }
}

bool PlayerControl::Muted() const {
    return settings_.Misc_Volume == 0;
}

void PlayerControl::SetRepeat(bool on) {
    settings_.Misc_Repeat = on ? 1 : 0;
    display_.SetModeButtons(Repeat(), Random());
}

void PlayerControl::SetRandom(bool on) {
    settings_.Misc_Random = on ? 1 : 0;
    display_.SetModeButtons(Repeat(), Random());
}

bool PlayerControl::Repeat() const {
    return settings_.Misc_Repeat != 0;
}

bool PlayerControl::Random() const {
    return settings_.Misc_Random != 0;
}

}  // namespace sonvaro
