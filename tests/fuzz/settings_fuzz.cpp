#include <cstdint>
#include <string_view>

#include "settings/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const sonvaro::Settings settings = sonvaro::SettingsFromText(text);
    // Whatever was read must write out and read back to the same file.
    const std::string once = sonvaro::SettingsFileText(settings);
    if (once != sonvaro::SettingsFileText(sonvaro::SettingsFromText(once))) __builtin_trap();
    return 0;
}
