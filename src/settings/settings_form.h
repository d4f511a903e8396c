#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/settings.h"

namespace sonvaro {

// The pending values of the settings dialog, in the units its controls show
// (seconds, minutes, list positions). The window copies its controls into one
// of these; filling, the change check and the storing work on it alone.
struct SettingsForm {
    // "Bass"
    int32_t device = -1;  // list position = engine device number; -1 none chosen
    int32_t rate = 1;     // 0 48000 Hz .. 4 8000 Hz
    int32_t fadeIn = 2, fadeOut = 5;
    std::string soundFont;
    // "Internet Radio"
    bool saveFile = false;
    std::string savePath;
    bool nameAfterStation = false;  // "Radioname"; otherwise "Interpret/Titel"
    int32_t timeOut = 5;
    std::string proxy;
    // "Oberfläche"
    bool onTop = false, opacity = false;
    int32_t opacityValue = 220;
    bool magnetic = true;
    int32_t magneticValue = 10;
    bool autoWidthPlaylist = false, autoWidthLibrary = false;
    std::string lengthFormat;
    bool autoComplete = true;
    // Trackinfo background, Trackinfo text, selection background, selection text (0x00BBGGRR).
    std::array<int32_t, 4> colours{};
    // "Shortcuts"
    bool mediaKeys = true, globalKeys = false;
    std::array<HotkeyFields, kHotkeyCount> hotkeys{};
    // "Tracker"
    bool trackerOn = true;
    int32_t trackerGap = 8, trackerSpacing = 20, trackerSeconds = 5;
    int32_t trackerCorner = 2;  // list position: 0 "Oben Links" .. 3 "Unten Links"
    int32_t trackerAlign = 0;
    std::string trackerText;
    int32_t trackerBack = 0, trackerFore = 0xFFFFFF;
    std::string trackerMinWidth, trackerMinHeight;  // number fields hold text
    bool trackerCover = false;
    // "Medienbibliothek"
    std::string libraryPath;
    bool libraryCpu = true, libraryAddPlay = false, libraryBackground = true, libraryStartCheck = true;
    // "Aufgaben"
    int32_t taskSeconds = 2;
    // "Sonstiges"
    bool clipboard = false, autoPlaylist = true;
    bool autoSaveSettings = true, autoSavePlaylist = true, autoSaveLibrary = true;
    int32_t autoSaveMinutes = 5;
    bool recursiveFolder = true, endQuestion = false, taskBar = true, updateCheck = true;

    bool operator==(const SettingsForm&) const = default;
};

// Control ranges of the dialog.
struct FormRange {
    int32_t min, max;
};
inline constexpr FormRange kFadeRange{0, 10};
inline constexpr FormRange kRadioTimeOutRange{1, 25};
inline constexpr FormRange kOpacityRange{40, 240};
inline constexpr FormRange kMagneticRange{6, 36};
inline constexpr FormRange kTrackerGapRange{1, 50};
inline constexpr FormRange kTrackerSpacingRange{10, 100};
inline constexpr FormRange kTrackerSecondsRange{1, 25};
inline constexpr FormRange kTaskSecondsRange{0, 60};
inline constexpr FormRange kAutoSaveMinutesRange{2, 240};
inline constexpr int kRateCount = 5;

// The controls as FillSettingsControls sets them from the settings; values
// outside a control's range show at its nearest end, colours keep 24 bits.
// `deviceCount`: the engine's output devices; a stored device outside them
// shows no choice.
SettingsForm FormFromSettings(const Settings& settings, int32_t deviceCount);

// True when any control differs from its setting ("Übernehmen" enabled).
inline bool FormDiffers(const SettingsForm& form, const Settings& settings, int32_t deviceCount) {
    return !(form == FormFromSettings(settings, deviceCount));
}

// What storing a form asks of the rest of the program, beyond the settings.
struct FormEffects {
    bool proxy = false;  // hand NETStream_Proxy to the engine
    bool onTop = false, opacity = false;
    bool fitPlaylist = false, fitLibrary = false;
    bool closeTracker = false;
    bool recording = false;  // the recording button's picture follows NETStream_SaveFile
};

// Applying the dialog ("OK" or "Übernehmen"): every setting takes its
// control's value (scaled back to the stored unit). Texts lose line breaks, which a
// one-line setting cannot hold. Does not touch the engine device and rate.
FormEffects StoreForm(const SettingsForm& form, Settings& settings);

// Captions that follow their sliders.
std::string FadeInCaption(int32_t seconds);
std::string FadeOutCaption(int32_t seconds);
std::string RadioTimeOutCaption(int32_t seconds);
std::string TrackerTimeCaption(int32_t seconds);
std::string TaskTimeOutCaption(int32_t seconds);

// The sound-font choice: an ".sf2" file, the extension in any letter case.
bool IsSoundFontName(std::string_view path);

// The number a Tracker number field stores: its leading decimal number, 0 for none.
int32_t FieldNumber(std::string_view text);

}  // namespace sonvaro
