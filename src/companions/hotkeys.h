#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "settings/settings.h"

namespace sonvaro {

class KeyState;
class PlayerControl;

// The keys a hotkey can use: its name in the settings page's key list and its
// virtual-key code. The index is what HK_<i>_MC stores.
struct KeyName {
    const char* name;
    int32_t virtualKey;
};
inline constexpr int kKeyCount = kHotkeyKeyCount;
extern const std::array<KeyName, kKeyCount> kKeyTable;

// The seventeen hotkey commands' names, by record index (the "Ereignis" column).
extern const std::array<const char*, kHotkeyCount> kHotkeyNames;

// Virtual-key codes the polling reads besides the key table.
namespace vk {
inline constexpr int32_t Shift = 16, Control = 17, Alt = 18;
inline constexpr int32_t VolumeMute = 173, VolumeDown = 174, VolumeUp = 175;
inline constexpr int32_t NextTrack = 176, PreviousTrack = 177, MediaStop = 178, PlayPause = 179;
}  // namespace vk

enum class HotkeyCommand : int {
    Previous = 0,
    Play = 1,
    Pause = 2,
    Stop = 3,
    Next = 4,
    Mute = 5,
    VolumeDown = 6,
    VolumeUp = 7,
    ShowHide = 8,
    Exit = 9,
    Settings = 10,
    Playlist = 11,
    Library = 12,
    SelectAll = 13,
    Remove = 14,
    CloseWindow = 15,
    Search = 16,
};

enum class MediaKey : int { Mute, VolumeUp, VolumeDown, Previous, PlayPause, Stop, Next };
inline constexpr int kMediaKeyCount = 7;

// The key's name for a stored key index; empty outside 0..83.
std::string_view KeyNameOf(int key);

// What the settings page shows for a hotkey: "Strg", "Alt", "Shift" and the
// key's name, those that apply, joined by " + " ("Strg + Shift + F10").
std::string HotkeyText(const HotkeyFields& hotkey);

// The combination in the desktop shortcut portal's trigger notation
// ("CTRL+SHIFT+p", "F10"); empty for a record that is off or has no key
// (a portal binds no modifier-only combination).
std::string PortalTrigger(const HotkeyFields& hotkey);

// The hotkeys and the media keys, polled on every pass of the main loop. A
// hotkey fires once, when its combination is let go (the first of its keys
// goes up); holding it never repeats. Mute and the track keys fire on
// release too; volume up and down on every press and, held, repeat as a
// typing key does (after kRepeatDelay passes, then every kRepeatEvery).
class HotkeyPoller {
  public:
    struct Actions {
        std::function<void(HotkeyCommand)> hotkey;
        std::function<void(MediaKey)> mediaKey;
    };
    // `settings`: HK_Global, HK_MediaKeys and the records, read at every pass.
    HotkeyPoller(const Settings& settings, KeyState& keys, Actions actions);

    // One pass: reads the keyboard once, then polls what the settings switch on.
    // Does nothing while the keyboard cannot be read or when called from
    // inside one of its own actions (a question box's event loop).
    void Poll();
    bool Held(int record) const { return record >= 0 && record < kHotkeyCount && held_[record]; }

    // In passes of the main loop (25 ms each): 500 ms, then every 50 ms.
    static constexpr int kRepeatDelay = 20;
    static constexpr int kRepeatEvery = 2;

  private:
    void PollHotkeys();
    void PollMediaKeys();

    const Settings& settings_;
    KeyState& keys_;
    Actions actions_;
    std::array<bool, kHotkeyCount> held_{};
    std::array<bool, kMediaKeyCount> mediaDown_{};
    std::array<int, kMediaKeyCount> heldPasses_{};
    bool polling_ = false;
};

// The playback commands through the facade: previous, play, pause, stop,
// next, mute, volume -2/+2. False for the window commands (8..16), which the
// window runs.
bool RunPlaybackHotkey(HotkeyCommand command, PlayerControl& control);

// A media key's action through the facade. Play/pause pauses a playing track
// and otherwise plays as "Wiedergabe" does.
void RunMediaKey(MediaKey key, PlayerControl& control);

}  // namespace sonvaro
