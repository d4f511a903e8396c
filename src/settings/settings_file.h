#pragma once
#include <optional>
#include <string>

#include "settings/settings.h"

namespace sonvaro {

class Messages;
class StatusLog;

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

// Reads Sonvaro.ini into `settings` (missing file, group or key: the default)
// and applies its window effects through `window` when there is one.
void LoadSettings(Settings& settings, const std::string& iniPath, SettingsWindowPort* window);

// The parsing half of LoadSettings, with the load-time checks.
Settings SettingsFromText(std::string_view text);

// The exact bytes that SaveSettings writes.
std::string SettingsFileText(const Settings& settings);

// Writes the file through a temporary file; on failure shows the error box when
// showError is set and leaves the previous file intact. True when written.
// `failure` (when given) receives why a save failed. A file the user made
// read-only is left as it is without the error box.
bool SaveSettings(const Settings& settings, const std::string& iniPath, bool showError, Messages& messages,
                  StatusLog& log, std::string* failure = nullptr);

// Left edge or top of a window centred on the screen (integer halves).
inline int32_t CentredOffset(int32_t screen, int32_t window) {
    return screen / 2 - window / 2;
}

// The main-window values of "WinSizeMain" as they stand when saving: the current
// size and splitters go into the fields of the layout that is shown.
void StoreMainWindowSize(Settings& settings, int32_t width, int32_t height, int32_t splitter1,
                         int32_t splitter2);

}  // namespace sonvaro
