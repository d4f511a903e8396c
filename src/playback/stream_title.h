#pragma once
#include <string>
#include <string_view>

namespace sonvaro {

struct StreamTitle {
    std::string artist;  // before the first "-"
    std::string title;   // between the first and the second "-"
};

// `text` begins with "StreamTitle=" in any case, e.g. "StreamTitle='Band - Song';StreamUrl='';".
StreamTitle ParseStreamTitle(std::string_view text);

}  // namespace sonvaro
