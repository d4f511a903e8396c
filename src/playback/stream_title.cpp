#include "playback/stream_title.h"

#include "core/text.h"

namespace sonvaro {

StreamTitle ParseStreamTitle(std::string_view text) {
    std::string_view value = text.size() > 12 ? text.substr(12) : std::string_view();
    value = value.substr(0, value.find(';'));
    if (!value.empty() && value.front() == '\'') {
        value.remove_prefix(1);
        if (!value.empty() && value.back() == '\'') value.remove_suffix(1);
    }
    StreamTitle out;
    const size_t first = value.find('-');
    out.artist = std::string(TrimSpaces(value.substr(0, first)));
    if (first != std::string_view::npos) {
        std::string_view rest = value.substr(first + 1);
        out.title = std::string(TrimSpaces(rest.substr(0, rest.find('-'))));
    }
    return out;
}

}  // namespace sonvaro
