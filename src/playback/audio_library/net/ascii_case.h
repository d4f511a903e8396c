// Header names, schemes and metadata keys compare without regard to ASCII case.
#pragma once

#include <cctype>
#include <string_view>

namespace sonvaro::audio {

inline bool SameAsciiNoCase(char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

inline bool StartsNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (!SameAsciiNoCase(text[i], prefix[i])) return false;
    return true;
}

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && StartsNoCase(a, b);
}

}  // namespace sonvaro::audio
