#include "session/window_settings.h"

#include "settings/settings_file.h"

namespace sonvaro {

void LoadSettingsIntoWindow(Settings& settings, const std::string& iniPath, SettingsWindowPort* window) {
    LoadSettings(settings, iniPath, window ? window->HighlightColours() : std::nullopt);
    if (window) ApplyWindowSettings(settings, *window);
}

void ApplyWindowSettings(const Settings& settings, SettingsWindowPort& window) {
    window.PlaceMainWindow(settings.Window(WindowId::Main));
    window.SwitchLayout(settings.WinSizeMain_SizeType);
    if (settings.GUI_OnTop > 0) window.SetMainWindowOnTop(true);
    window.ApplyOpacity(settings.GUI_Opacity != 0, settings.GUI_OpacityValue);
    window.ApplyInfoColours(settings.GUI_ColorB, settings.GUI_ColorF);
    window.SetVolume(settings.Misc_Volume);
    window.SetRepeatRandom(settings.Misc_Repeat != 0, settings.Misc_Random != 0);
    window.ApplyPlaylistColumns(settings.playlistColumns);
    window.ApplyLibraryColumns(settings.libraryColumns);
}

void StoreMainWindowSize(Settings& settings, int32_t layout, int32_t width, int32_t height, int32_t splitter1,
                         int32_t splitter2) {
    if (layout == 0) {
        settings.WinSizeMain_WinW_Normal = width;
    } else {
        settings.WinSizeMain_WinW_Second = width;
        settings.WinSizeMain_WinH_Second = height;
    }
    if (layout == 2) {
        settings.WinSizeMain_MediaLibSP1 = splitter1;
        settings.WinSizeMain_MediaLibSP2 = splitter2;
    }
}

}  // namespace sonvaro
