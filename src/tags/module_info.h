#pragma once
#include <cstddef>

#include "core/track_info.h"

namespace sonvaro {

class TagReader;

// ReadTrackInfo, and for what it cannot open (tracker modules are no streams)
// the module loader: type, rate, channels, length and the song name as title.
// The playlist roads use it, so modules can be added and refreshed; the
// library keeps to ReadTrackInfo. Returns a ReadResult; safe on several
// threads at once. `droppedFrames` as for ReadTrackInfo.
int ReadPlayableTrackInfo(TagReader& reader, TrackInfo& info, std::size_t* droppedFrames = nullptr);

}  // namespace sonvaro
