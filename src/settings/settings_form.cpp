#include "settings/settings_form.h"

#include <algorithm>

#include "core/numbers.h"
#include "core/text.h"

namespace sonvaro {
namespace {

int32_t Clamp(int64_t value, FormRange range) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, range.min, range.max));
}

int32_t Colour(int32_t value) {
    return value & 0xFFFFFF;
}

// A list position, or -1 when the stored value names no item.
int32_t Position(int32_t value, int32_t count) {
    return value >= 0 && value < count ? value : -1;
}

// A one-line setting cannot hold a line break: it would start a new key in the file.
std::string WithoutLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '\r' && c != '\n') out += c;
    return out;
}

std::string Trimmed(std::string_view text) {
    return std::string(TrimSpaces(WithoutLineBreaks(text)));
}

std::string SecondsCaption(const char* name, int32_t seconds, const char* unit, bool offAtZero) {
    if (offAtZero && seconds == 0) return std::string(name) + " (Aus)";
    return std::string(name) + " (" + std::to_string(seconds) + " " + unit + ")";
}

}  // namespace

SettingsForm FormFromSettings(const Settings& s, int32_t deviceCount) {
    SettingsForm f;
    f.device = Position(s.BASS_QutputDevice, deviceCount);
    f.rate = Position(s.BASS_OutputRate, kRateCount);
    f.fadeIn = Clamp(s.BASS_FadeIn, kFadeRange);
    f.fadeOut = Clamp(s.BASS_FadeOut, kFadeRange);
    f.soundFont = s.BASS_MidiSF2File;

    f.saveFile = s.NETStream_SaveFile != 0;
    f.savePath = s.NETStream_SavePath;
    f.nameAfterStation = s.NETStream_SaveName != 0;
    // The byte is stored signed; 200 s comes back as -56.
    f.timeOut = Clamp(static_cast<uint8_t>(s.NETStream_TimeOut), kRadioTimeOutRange);
    f.proxy = s.NETStream_Proxy;

    f.onTop = s.GUI_OnTop > 0;
    f.opacity = s.GUI_Opacity != 0;
    f.opacityValue = Clamp(s.GUI_OpacityValue, kOpacityRange);
    f.magnetic = s.GUI_Magnetic != 0;
    f.magneticValue = Clamp(s.GUI_MagneticValue, kMagneticRange);
    f.autoWidthPlaylist = s.GUI_AutoColumnWidthPL != 0;
    f.autoWidthLibrary = s.GUI_AutoColumnWidthML != 0;
    f.lengthFormat = s.GUI_LengthFormat;
    f.autoComplete = s.GUI_AutoComplete != 0;
    f.colours = {Colour(s.GUI_ColorB), Colour(s.GUI_ColorF), Colour(s.GUI_ColorSB), Colour(s.GUI_ColorST)};

    f.mediaKeys = s.HK_MediaKeys != 0;
    f.globalKeys = s.HK_Global != 0;
    f.hotkeys = s.hotkeys;

    f.trackerOn = s.Tracker_Enable != 0;
    f.trackerGap = Clamp(s.Tracker_Gap, kTrackerGapRange);
    f.trackerSpacing = Clamp(s.Tracker_Spacing, kTrackerSpacingRange);
    f.trackerSeconds = Clamp(s.Tracker_Time / 1000, kTrackerSecondsRange);
    f.trackerCorner = Position(s.Tracker_Corner - 1, 4);  // stored 1..4
    f.trackerAlign = Position(s.Tracker_Align, 3);
    f.trackerText = s.Tracker_Text;
    f.trackerBack = Colour(s.Tracker_BColor);
    f.trackerFore = Colour(s.Tracker_FColor);
    f.trackerMinWidth = std::to_string(s.Tracker_MinWidth);
    f.trackerMinHeight = std::to_string(s.Tracker_MinHeight);
    f.trackerCover = s.Tracker_Cover != 0;

    f.libraryPath = s.MediaLib_Path;
    f.libraryCpu = s.MediaLib_CPU != 0;
    f.libraryAddPlay = s.MediaLib_AddPlay != 0;
    f.libraryBackground = s.MediaLib_BackgroundScan != 0;
    f.libraryStartCheck = s.MediaLib_StartCheck != 0;

    f.taskSeconds = Clamp(s.Order_TimeOut / 1000, kTaskSecondsRange);

    f.clipboard = s.Misc_Clipboard > 0;
    f.autoPlaylist = s.Misc_AutoPlayList != 0;
    f.autoSaveSettings = s.Misc_AutoSave_PF != 0;
    f.autoSavePlaylist = s.Misc_AutoSave_PL != 0;
    f.autoSaveLibrary = s.Misc_AutoSave_ML != 0;
    f.autoSaveMinutes = Clamp(s.Misc_AutoSave_IV / 60000, kAutoSaveMinutesRange);
    f.recursiveFolder = s.Misc_RecursiveFolder != 0;
    f.endQuestion = s.Misc_EndQuestion != 0;
    f.taskBar = s.Misc_TaskBar != 0;
    f.updateCheck = s.Misc_StartUpdateCheck != 0;
    return f;
}

FormEffects StoreForm(const SettingsForm& f, Settings& s) {
    FormEffects e;
    // Bass
    s.BASS_FadeIn = f.fadeIn;
    s.BASS_FadeOut = f.fadeOut;
    s.BASS_MidiSF2File = f.soundFont;  // paths are bytes: the dialog refused names the file cannot hold
    // Internet Radio
    e.recording = (s.NETStream_SaveFile != 0) != f.saveFile;
    s.NETStream_SaveFile = f.saveFile ? 1 : 0;
    s.NETStream_SavePath = f.savePath;
    s.NETStream_SaveName = f.nameAfterStation ? 1 : 0;
    s.NETStream_TimeOut = static_cast<int8_t>(f.timeOut);
    if (f.proxy != s.NETStream_Proxy) {
        s.NETStream_Proxy = Trimmed(f.proxy);
        e.proxy = true;
    }
    // Oberfläche
    if (f.onTop != (s.GUI_OnTop > 0)) {
        s.GUI_OnTop = f.onTop ? 1 : 0;
        e.onTop = true;
    }
    if (f.opacity != (s.GUI_Opacity != 0) || f.opacityValue != s.GUI_OpacityValue) {
        s.GUI_Opacity = f.opacity ? 1 : 0;
        s.GUI_OpacityValue = f.opacityValue;
        e.opacity = true;
    }
    s.GUI_Magnetic = f.magnetic ? 1 : 0;
    s.GUI_MagneticValue = f.magneticValue;
    if (f.autoWidthPlaylist != (s.GUI_AutoColumnWidthPL != 0)) {
        s.GUI_AutoColumnWidthPL = f.autoWidthPlaylist ? 1 : 0;
        e.fitPlaylist = f.autoWidthPlaylist;
    }
    if (f.autoWidthLibrary != (s.GUI_AutoColumnWidthML != 0)) {
        s.GUI_AutoColumnWidthML = f.autoWidthLibrary ? 1 : 0;
        e.fitLibrary = f.autoWidthLibrary;
    }
    // An empty pattern would show nothing at all; the loader makes the same choice.
    s.GUI_LengthFormat = Trimmed(f.lengthFormat);
    if (s.GUI_LengthFormat.empty()) s.GUI_LengthFormat = "%ptime";
    s.GUI_ColorB = Colour(f.colours[0]);
    s.GUI_ColorF = Colour(f.colours[1]);
    s.GUI_ColorSB = Colour(f.colours[2]);
    s.GUI_ColorST = Colour(f.colours[3]);
    // Shortcuts
    s.GUI_AutoComplete = f.autoComplete ? 1 : 0;
    s.HK_MediaKeys = f.mediaKeys ? 1 : 0;
    s.HK_Global = f.globalKeys ? 1 : 0;
    s.hotkeys = f.hotkeys;
    // Tracker
    s.Tracker_Enable = f.trackerOn ? 1 : 0;
    e.closeTracker = !f.trackerOn;
    s.Tracker_Gap = f.trackerGap;
    s.Tracker_Spacing = f.trackerSpacing;
    s.Tracker_MinWidth = FieldNumber(f.trackerMinWidth);
    s.Tracker_MinHeight = FieldNumber(f.trackerMinHeight);
    s.Tracker_Time = f.trackerSeconds * 1000;
    if (f.trackerCorner >= 0) s.Tracker_Corner = f.trackerCorner + 1;
    if (f.trackerAlign >= 0) s.Tracker_Align = f.trackerAlign;
    s.Tracker_Text = WithoutLineBreaks(f.trackerText);
    s.Tracker_BColor = Colour(f.trackerBack);
    s.Tracker_FColor = Colour(f.trackerFore);
    s.Tracker_Cover = f.trackerCover ? 1 : 0;
    // Medienbibliothek
    s.MediaLib_Path = f.libraryPath;
    s.MediaLib_CPU = f.libraryCpu ? 1 : 0;
    s.MediaLib_AddPlay = f.libraryAddPlay ? 1 : 0;
    s.MediaLib_BackgroundScan = f.libraryBackground ? 1 : 0;
    s.MediaLib_StartCheck = f.libraryStartCheck ? 1 : 0;
    // Aufgaben
    s.Order_TimeOut = f.taskSeconds * 1000;
    // Sonstiges
    s.Misc_Clipboard = f.clipboard ? 1 : 0;
    s.Misc_AutoPlayList = f.autoPlaylist ? 1 : 0;
    s.Misc_AutoSave_PF = f.autoSaveSettings ? 1 : 0;
    s.Misc_AutoSave_PL = f.autoSavePlaylist ? 1 : 0;
    s.Misc_AutoSave_ML = f.autoSaveLibrary ? 1 : 0;
    s.Misc_AutoSave_IV = f.autoSaveMinutes * 60 * 1000;
    s.Misc_EndQuestion = f.endQuestion ? 1 : 0;
    s.Misc_RecursiveFolder = f.recursiveFolder ? 1 : 0;
    // Minimising and the tray read it each time: it holds from now on.
    s.Misc_TaskBar = f.taskBar ? 1 : 0;
    s.Misc_StartUpdateCheck = f.updateCheck ? 1 : 0;
    return e;
}

std::string FadeInCaption(int32_t seconds) {
    return SecondsCaption("Einblenden", seconds, "Sekunden", true);
}
std::string FadeOutCaption(int32_t seconds) {
    return SecondsCaption("Ausblenden", seconds, "Sekunden", true);
}
std::string RadioTimeOutCaption(int32_t seconds) {
    return SecondsCaption("TimeOut", seconds, "Sekunden", true);
}
std::string TrackerTimeCaption(int32_t seconds) {
    return SecondsCaption("Einblendzeit", seconds, "Sekunden", false);
}
std::string TaskTimeOutCaption(int32_t seconds) {
    return SecondsCaption("TimeOut", seconds, "Sek.", true);
}

bool IsSoundFontName(std::string_view path) {
    if (path.size() < 4) return false;
    return FoldAscii(path.substr(path.size() - 4)) == ".sf2";
}

int32_t FieldNumber(std::string_view text) {
    return std::max<int32_t>(0, ParseCInteger32(text));
}

}  // namespace sonvaro
