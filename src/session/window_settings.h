// The main window's part of the settings: what loading them does to it at
// once, and which "WinSizeMain" fields its size goes into.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "settings/settings.h"

namespace sonvaro {

// What loading the settings does at once to the main window. The windowed
// player implements it; the headless player has no window and passes null.
class SettingsWindowPort {
  public:
    virtual ~SettingsWindowPort() = default;
    // The desktop's highlight colours (0x00BBGGRR), the defaults of GUI_ColorSB/ST.
    virtual std::optional<std::pair<int32_t, int32_t>> HighlightColours() { return std::nullopt; }
    // Slot 1 as stored: centre on the primary screen when both coordinates are -1.
    virtual void PlaceMainWindow(const WindowSlot& slot) = 0;
    // Current layout "none", then the stored one, so it is always built afresh.
    virtual void SwitchLayout(int32_t layout) = 0;
    virtual void SetMainWindowOnTop(bool onTop) = 0;
    virtual void ApplyOpacity(bool enabled, int32_t value) = 0;
    virtual void ApplyInfoColours(int32_t background, int32_t foreground) = 0;
    // The volume slider, then the playing channel.
    virtual void SetVolume(int32_t percent) = 0;
    virtual void SetRepeatRandom(bool repeat, bool random) = 0;
    virtual void ApplyPlaylistColumns(const ColumnLayout<kPlaylistColumnCount>& layout) = 0;
    virtual void ApplyLibraryColumns(const ColumnLayout<kLibraryColumnCount>& layout) = 0;
    // Before a save: window slots, main-window size and splitters, column layouts
    // as they stand now (StoreMainWindowSize helps with the layout rules).
    virtual void StoreWindowState(Settings& settings) = 0;
};

// Reads Sonvaro.ini as LoadSettings does, the desktop's highlight colours
// standing in for those the file does not set, then applies the window
// effects of the settings through `window` when there is one.
void LoadSettingsIntoWindow(Settings& settings, const std::string& iniPath, SettingsWindowPort* window);

// The window effects of freshly loaded settings, in order: place, layout, on
// top, opacity, colours, volume, repeat and random, column layouts.
void ApplyWindowSettings(const Settings& settings, SettingsWindowPort& window);

// Left edge or top of a window centred on the screen (integer halves).
inline int32_t CentredOffset(int32_t screen, int32_t window) {
    return screen / 2 - window / 2;
}

// The main-window values of "WinSizeMain" when a layout is left or the
// settings are saved: the size and splitters go into the fields of `layout`
// (numbered as WinSizeMain_SizeType).
void StoreMainWindowSize(Settings& settings, int32_t layout, int32_t width, int32_t height, int32_t splitter1,
                         int32_t splitter2);

}  // namespace sonvaro
