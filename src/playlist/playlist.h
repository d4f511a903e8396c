#pragma once
#include <cstdint>
#include <vector>

#include "core/track_info.h"

namespace sonvaro {

// The part of a file a row plays (a CUE sheet's track), in CUE frames of
// 1/75 s; end < 0 is the file's end. The default is the whole file.
struct TrackRange {
    int64_t start = 0;
    int64_t end = -1;
    bool Whole() const { return start == 0 && end < 0; }
    bool operator==(const TrackRange&) const = default;
};

struct PlaylistEntry {
    int16_t shuffleKey = 0;
    TrackInfo info;
    TrackRange range;
};

// The playlist in display order: entry N is row N of the view.
using Playlist = std::vector<PlaylistEntry>;

}  // namespace sonvaro
