// Versions of the decoder libraries as the settings list them: major * 100 + minor.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace sonvaro::audio {

inline std::uint32_t PackedVersion(std::uint32_t major, std::uint32_t minor) {
    return major * 100 + std::min<std::uint32_t>(minor, 99);
}

// "1.4.2" and the like.
inline std::uint32_t VersionOfText(const char* text) {
    char* end = nullptr;
    const unsigned long major = std::strtoul(text, &end, 10);
    const unsigned long minor = end && *end == '.' ? std::strtoul(end + 1, nullptr, 10) : 0;
    return PackedVersion(static_cast<std::uint32_t>(major), static_cast<std::uint32_t>(minor));
}

}  // namespace sonvaro::audio
