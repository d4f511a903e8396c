#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "settings/settings.h"

namespace sonvaro {

class Messages;
class StatusLog;

// Reads Sonvaro.ini into `settings` (missing file, group or key: the default).
// `highlight`: the desktop's highlight colours (0x00BBGGRR), the defaults of
// GUI_ColorSB/ST when the file does not set them.
void LoadSettings(Settings& settings, const std::string& iniPath,
                  std::optional<std::pair<int32_t, int32_t>> highlight = std::nullopt);

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

}  // namespace sonvaro
