// Header names, schemes and metadata keys compare without regard to ASCII
// case; header values and playlist lines lose surrounding blanks.
#pragma once

#include <cctype>
#include <string>
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

inline std::string Trim(const std::string& s) {
    const std::size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return {};
    const std::size_t b = s.find_last_not_of(" \t\r\n");
    return s.substr(a, b - a + 1);
}

}  // namespace sonvaro::audio
