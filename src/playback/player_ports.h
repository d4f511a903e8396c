#pragma once
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace sonvaro {

class LevelDisplay;

// The main window's player controls as the player logic drives them. The
// logic calls each only when what it shows changes.
class PlayerDisplay {
  public:
    virtual ~PlayerDisplay() = default;
    // Info fields 1..10: captions 1, 3, 5, 7, 9 and values 2, 4, 6, 8, 10.
    virtual void SetInfoField(int field, const std::string& text) = 0;
    virtual void SetPositionSlider(int32_t value) = 0;  // 0..1000
    virtual void EnablePositionSlider(bool enabled) = 0;
    virtual void SetPauseButton(bool pressed) = 0;
    virtual void SetMuteButton(bool muted) = 0;
    // The volume changed through the control facade (0..100).
    virtual void SetVolumeSlider(int32_t /*percent*/) {}
    // Repeat and shuffle changed through the control facade.
    virtual void SetModeButtons(bool /*repeat*/, bool /*random*/) {}
    virtual void SetTrayToolTip(const std::string& text) = 0;
    // The level/spectrum picture after a drawing or a blanking.
    virtual void ShowLevelImage(const LevelDisplay& image) = 0;
    // False where no picture is shown (the headless player): the level and
    // spectrum are then not computed at all.
    virtual bool ShowsLevel() const { return true; }
};

class Clipboard {
  public:
    virtual ~Clipboard() = default;
    virtual void SetText(const std::string& text) = 0;
};

// Programs that registered for now-playing notifications (remote control).
// Notify may be called from an engine thread.
// What a listener is told: a field of each new track, or that playback stopped.
enum class ListenerCode : int {
    Title = 0,
    Artist = 1,
    Album = 2,
    Year = 3,
    Comment = 4,
    TrackNumber = 5,
    Genre = 6,
    Stopped = 10,
};

class PlayerListener {
  public:
    virtual ~PlayerListener() = default;
    virtual void Notify(ListenerCode code, const std::string& text) = 0;
};

class ListenerList {
  public:
    void Add(PlayerListener* listener) {
        std::lock_guard lock(mutex_);
        listeners_.push_back(listener);
    }
    void Remove(PlayerListener* listener) {
        std::lock_guard lock(mutex_);
        std::erase(listeners_, listener);
    }
    void NotifyAll(ListenerCode code, const std::string& text) {
        std::lock_guard lock(mutex_);
        for (PlayerListener* l : listeners_) l->Notify(code, text);
    }

  private:
    std::mutex mutex_;
    std::vector<PlayerListener*> listeners_;
};

// Opens internet radio addresses; the radio connection runs on its own thread.
class RadioPort {
  public:
    virtual ~RadioPort() = default;
    virtual void OpenStation(const std::string& address) = 0;
    // Stations still being connected to.
    virtual int Connecting() const = 0;
};

// The title popup shown on each new track.
class TrackerPopup {
  public:
    virtual ~TrackerPopup() = default;
    virtual void Show() = 0;
    // The settings dialog's "Vorschau": sample words unless a track is playing.
    virtual void ShowPreview() = 0;
    // Closes it unless it is a preview, which keeps its display time.
    virtual void CloseUnlessPinned() = 0;
    // Closes it whatever it shows (the program ends).
    virtual void Close() = 0;
};

// Where the player reads the time; tests inject their own.
struct PlayerClock {
    std::function<uint32_t()> tick;    // milliseconds, wrapping at 2^32
    std::function<int64_t()> now;      // local seconds
    std::function<void(int)> sleepMs;  // short pauses while waiting for a fade
};

}  // namespace sonvaro
