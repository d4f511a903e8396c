#pragma once
#include <functional>
#include <string>

namespace sonvaro {

// Receives each path a playlist file names; the adding road (which may import
// a nested playlist in turn) sits behind it.
using AddPathFn = std::function<void(const std::string& path)>;

// Extended M3U: "#EXTM3U" header required; each other non-empty line that is no
// "#EXTINF:" line is a path, tried as it stands and then beside the playlist.
void ReadM3U(const std::string& file, const AddPathFn& add);

// PLS: every "File..=" line (prefix in any case) in line order.
void ReadPLS(const std::string& file, const AddPathFn& add);

}  // namespace sonvaro
