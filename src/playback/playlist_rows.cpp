#include "playback/playlist_rows.h"

#include "core/duration.h"
#include "core/text.h"
#include "playback/format_names.h"

namespace sonvaro {

std::array<std::string, 8> PlaylistRowTexts(const TrackInfo& info) {
    auto positive = [](long long v) { return v >= 1 ? std::to_string(v) : std::string(); };
    return {std::string(),
            std::string(TrimSpaces(info.title)),
            std::string(TrimSpaces(info.artist)),
            std::string(TrimSpaces(info.album)),
            positive(info.trackNumber),
            info.length >= 1 ? FormatDuration(info.length) : std::string(),
            positive(info.year),
            info.channelType >= 1 ? FormatName(info.channelType, false) : std::string()};
}

}  // namespace sonvaro
