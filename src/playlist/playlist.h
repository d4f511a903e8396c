#pragma once
#include <cstdint>
#include <vector>

#include "core/track_info.h"

namespace sonvaro {

struct PlaylistEntry {
    int16_t shuffleKey = 0;
    TrackInfo info;
};

// The playlist in display order: entry N is row N of the view.
using Playlist = std::vector<PlaylistEntry>;

}  // namespace sonvaro
