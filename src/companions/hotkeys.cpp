#include "companions/hotkeys.h"

#include "core/ports/desktop_ports.h"
#include "playback/player_control.h"

namespace sonvaro {

const std::array<KeyName, kKeyCount> kKeyTable = {{
    {"A", 65},
    {"B", 66},
    {"C", 67},
    {"D", 68},
    {"E", 69},
    {"F", 70},
    {"G", 71},
    {"H", 72},
    {"I", 73},
    {"J", 74},
    {"K", 75},
    {"L", 76},
    {"M", 77},
    {"N", 78},
    {"O", 79},
    {"P", 80},
    {"Q", 81},
    {"R", 82},
    {"S", 83},
    {"T", 84},
    {"U", 85},
    {"V", 86},
    {"W", 87},
    {"X", 88},
    {"Y", 89},
    {"Z", 90},
    {"0", 48},
    {"1", 49},
    {"2", 50},
    {"3", 51},
    {"4", 52},
    {"5", 53},
    {"6", 54},
    {"7", 55},
    {"8", 56},
    {"9", 57},
    {"F1", 112},
    {"F2", 113},
    {"F3", 114},
    {"F4", 115},
    {"F5", 116},
    {"F6", 117},
    {"F7", 118},
    {"F8", 119},
    {"F9", 120},
    {"F10", 121},
    {"F11", 122},
    {"F12", 123},
    {"F13", 124},
    {"F14", 125},
    {"F15", 126},
    {"F16", 127},
    {"F17", 128},
    {"F18", 129},
    {"F19", 130},
    {"F20", 131},
    {"F21", 132},
    {"F22", 133},
    {"F23", 134},
    {"F24", 135},
    {"Bild Hoch", 33},
    {"Bild Runter", 34},
    {"Pos 1", 36},
    {"Ende", 35},
    {"Einfügen", 45},
    {"Entfernen", 46},
    {"Cursor Hoch", 38},
    {"Cursor Runter", 40},
    {"Cursor Links", 37},
    {"Cursor Rechts", 39},
    {"Druck", 42},  // the old print key, not the snapshot key 44
    {"Rollen", 145},
    {"Pause", 19},
    {"Escape", 27},
    {"Löschen", 8},
    {"Return", 13},
    {"Addition", 107},
    {"Subtraktion", 109},
    {"Multiplikation", 106},
    {"Division", 111},
    {"Windows Links", 91},
    {"Windows Rechts", 92},
    {"Leertaste", 32},
    {"Tab", 9},
}};

const std::array<const char*, kHotkeyCount> kHotkeyNames = {
    "Vorheriger Titel",
    "Play",
    "Pause",
    "Stop",
    "Nächster Titel",
    "Stumm",
    "Lautstärke veringern",
    "Lautstärke erhöhen",
    "Minimieren/Anzeigen",
    "Beenden",
    "Einstellungen",
    "Wiedergabeliste",
    "Medienbibliothek",
    "Alles Auswählen",
    "Entfernen",
    "Fenster Schliessen",
    "Suche",
};

std::string_view KeyNameOf(int key) {
    return key >= 0 && key < kKeyCount ? kKeyTable[key].name : std::string_view();
}

std::string HotkeyText(const HotkeyFields& hotkey) {
    std::string text;
    const auto add = [&text](std::string_view part) {
        if (!text.empty()) text += " + ";
        text += part;
    };
    if (hotkey.ctrl) add("Strg");
    if (hotkey.alt) add("Alt");
    if (hotkey.shift) add("Shift");
    if (const std::string_view key = KeyNameOf(hotkey.key); !key.empty()) add(key);
    return text;
}

std::string PortalTrigger(const HotkeyFields& hotkey) {
    if (!hotkey.enabled || hotkey.key < 0 || hotkey.key >= kKeyCount) return {};
    // Keysym names of the key table from "Bild Hoch" (60) on.
    static constexpr const char* kNamed[kKeyCount - 60] = {
        "Prior",       "Next",      "Home",      "End",     "Insert", "Delete",
        "Up",          "Down",      "Left",      "Right",   "",       "Scroll_Lock",
        "Pause",       "Escape",    "BackSpace", "Return",  "KP_Add", "KP_Subtract",
        "KP_Multiply", "KP_Divide", "Super_L",   "Super_R", "space",  "Tab"};
    std::string key;
    if (hotkey.key < 26)
        key = std::string(1, static_cast<char>('a' + hotkey.key));
    else if (hotkey.key < 36)
        key = std::string(1, static_cast<char>('0' + hotkey.key - 26));
    else if (hotkey.key < 60)
        key = "F" + std::to_string(hotkey.key - 35);
    else
        key = kNamed[hotkey.key - 60];
    if (key.empty()) return {};  // "Druck": not the keyboard's Print (snapshot) key
    std::string trigger;
    if (hotkey.ctrl) trigger += "CTRL+";
    if (hotkey.alt) trigger += "ALT+";
    if (hotkey.shift) trigger += "SHIFT+";
    return trigger + key;
}

HotkeyPoller::HotkeyPoller(const Settings& settings, KeyState& keys, Actions actions)
    : settings_(settings), keys_(keys), actions_(std::move(actions)) {}

void HotkeyPoller::Poll() {
    if (polling_) return;
    const bool hotkeys = settings_.HK_Global != 0;
    const bool media = settings_.HK_MediaKeys != 0;
    // Switched off: forget what was held, so switching on again fires nothing stale.
    if (!hotkeys) held_.fill(false);
    if (!media) mediaDown_.fill(false);
    if ((!hotkeys && !media) || !keys_.Available()) return;
    polling_ = true;
    keys_.Refresh();
    if (hotkeys) PollHotkeys();
    if (media) PollMediaKeys();
    polling_ = false;
}

void HotkeyPoller::PollHotkeys() {
    const bool ctrl = keys_.Down(vk::Control);
    const bool alt = keys_.Down(vk::Alt);
    const bool shift = keys_.Down(vk::Shift);
    for (int i = 0; i < kHotkeyCount; ++i) {
        const HotkeyFields& h = settings_.hotkeys[i];
        if (!h.enabled) {
            held_[i] = false;
            continue;
        }
        // Modifiers outside the combination are not looked at.
        const bool keyPart = h.key < 0 || h.key >= kKeyCount || keys_.Down(kKeyTable[h.key].virtualKey);
        const bool pressed = (!h.ctrl || ctrl) && (!h.alt || alt) && (!h.shift || shift) && keyPart;
        if (pressed) {
            held_[i] = true;
        } else if (held_[i]) {
            held_[i] = false;
            if (actions_.hotkey) actions_.hotkey(static_cast<HotkeyCommand>(i));
        }
    }
}

void HotkeyPoller::PollMediaKeys() {
    struct Media {
        MediaKey key;
        int32_t code;
        bool onPress;
    };
    static constexpr Media kMedia[kMediaKeyCount] = {
        {MediaKey::Mute, vk::VolumeMute, false},      {MediaKey::VolumeUp, vk::VolumeUp, true},
        {MediaKey::VolumeDown, vk::VolumeDown, true}, {MediaKey::Previous, vk::PreviousTrack, false},
        {MediaKey::PlayPause, vk::PlayPause, false},  {MediaKey::Stop, vk::MediaStop, false},
        {MediaKey::Next, vk::NextTrack, false},
    };
    for (const Media& m : kMedia) {
        bool& was = mediaDown_[static_cast<int>(m.key)];
        int& passes = heldPasses_[static_cast<int>(m.key)];
        const bool down = keys_.Down(m.code);
        passes = down && was ? passes + 1 : 0;
        bool fire = !down && was;
        if (m.onPress)
            fire = (down && !was) || (passes >= kRepeatDelay && (passes - kRepeatDelay) % kRepeatEvery == 0);
        was = down;
        if (fire && actions_.mediaKey) actions_.mediaKey(m.key);
    }
}

bool RunPlaybackHotkey(HotkeyCommand command, PlayerControl& control) {
    switch (command) {
        case HotkeyCommand::Previous:
            control.Previous();
            return true;
        case HotkeyCommand::Play:
            control.PlaySelected();
            return true;
        case HotkeyCommand::Pause:
            control.TogglePause();
            return true;
        case HotkeyCommand::Stop:
            control.Stop();
            return true;
        case HotkeyCommand::Next:
            control.Next();
            return true;
        case HotkeyCommand::Mute:
            control.ToggleMute();
            return true;
        case HotkeyCommand::VolumeDown:
            control.SetVolume(control.Volume() - 2);
            return true;
        case HotkeyCommand::VolumeUp:
            control.SetVolume(control.Volume() + 2);
            return true;
        default:
            return false;
    }
}

void RunMediaKey(MediaKey key, PlayerControl& control) {
    switch (key) {
        case MediaKey::Mute:
            control.ToggleMute();
            break;
        case MediaKey::VolumeUp:
            control.SetVolume(control.Volume() + 2);
            break;
        case MediaKey::VolumeDown:
            control.SetVolume(control.Volume() - 2);
            break;
        case MediaKey::Previous:
            control.Previous();
            break;
        case MediaKey::PlayPause:
            // "Wiedergabe" would restart a playing track; the key's own label says pause.
            if (control.Status() == PlaybackStatus::Playing)
                control.TogglePause();
            else
                control.PlaySelected();
            break;
        case MediaKey::Stop:
            control.Stop();
            break;
        case MediaKey::Next:
            control.Next();
            break;
    }
}

}  // namespace sonvaro
