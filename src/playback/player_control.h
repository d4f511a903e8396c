#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "playback/player_state.h"

namespace sonvaro {

class ChannelPlayer;
class PlaylistPlayback;
class PlayerDisplay;
struct Settings;

// The playback operations every caller uses — the window's buttons and
// menus, the tray, the headless player, the remote control, MPRIS, hotkeys
// and scheduled tasks — so that each does exactly the same thing.
class PlayerControl {
  public:
    PlayerControl(ChannelPlayer& player, PlaylistPlayback& playback, Settings& settings,
                  PlayerDisplay& display);

    // "Wiedergabe": resumes a paused track (1), restarts the current one when
    // no row is selected (2), else plays the selected row or row 0 (0).
    int PlaySelected();
    // A playlist row; true when it started.
    bool PlayRow(int32_t row);
    // A file or address outside the playlist; 1 when a file started.
    int PlayFile(const std::string& path);
    // A library entry: a file, a station, or a station's .m3u/.pls given by
    // address, which plays the first station it names. 1 when a file started.
    int PlayLibraryEntry(const std::string& path);
    // How such a list is fetched (see PlaylistEditor::SetAddressReader).
    void SetStationListReader(std::function<std::optional<std::string>(const std::string&)> reader) {
        readList_ = std::move(reader);
    }
    void TogglePause();
    // Starts or resumes; a track that already plays goes on (never restarts).
    void Play();
    // Pauses a playing track; anything else stays as it is.
    void Pause();
    PlaybackStatus Status() const;
    void Stop();
    void Next();
    void Previous();
    // The position slider: `value` 0..1000 of the length, applied once the button is up.
    void Seek(int32_t value, bool buttonDown = false);
    // Seconds into the current track, held to 0..its length; false when it
    // cannot seek (a stream, or nothing plays).
    bool SeekTo(double seconds);
    // Moves by `seconds` (negative: back); past the end acts as the end of the
    // track: the next playlist row, or stop for a single file.
    bool SeekBy(double seconds);
    double PositionSeconds() const;

    // 0..100, stored as Misc_Volume and applied to the playing channel.
    void SetVolume(int32_t percent);
    int32_t Volume() const;
    // Mute goes to 0 and remembers the volume it left; unmute brings it back.
    void ToggleMute();
    bool Muted() const;

    // The two playback modes, stored as Misc_Repeat and Misc_Random.
    void SetRepeat(bool on);
    void SetRandom(bool on);
    bool Repeat() const;
    bool Random() const;

  private:
    ChannelPlayer& player_;
    PlaylistPlayback& playback_;
    Settings& settings_;
    PlayerDisplay& display_;
    int32_t volumeBeforeMute_ = 0;
    std::function<std::optional<std::string>(const std::string&)> readList_;
};

}  // namespace sonvaro
