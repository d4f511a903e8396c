#pragma once
#include <functional>
#include <string>

namespace sonvaro {

class StatusLog;

// Receives each path a playlist file names; the adding road (which may import
// a nested playlist in turn) sits behind it.
using AddPathFn = std::function<void(const std::string& path)>;

// Playlists nested deeper than this are not read (the status log says so).
constexpr size_t kMaxPlaylistNesting = 16;
// True when a playlist met now would be nested too deep (checked before a list
// on a server is fetched for nothing); says so in the status log.
bool PlaylistNestingFull(const std::string& file, StatusLog* log = nullptr);

// Extended M3U: each non-empty line that is no "#EXTINF:" line is an entry (see
// ResolvePlaylistEntry). Without the "#EXTM3U" header only stream addresses
// are taken: that is how stations publish their lists.
void ReadM3U(const std::string& file, const AddPathFn& add, StatusLog* log = nullptr);

// The same over a playlist's text fetched from `address` (a station's list):
// only stream addresses are taken from it, and an M3U needs no header.
void ReadM3UText(const std::string& address, const std::string& text, const AddPathFn& add,
                 StatusLog* log = nullptr);
void ReadPLSText(const std::string& address, const std::string& text, const AddPathFn& add,
                 StatusLog* log = nullptr);

// PLS: every "File..=" line (prefix in any case) in line order.
void ReadPLS(const std::string& file, const AddPathFn& add, StatusLog* log = nullptr);

// Where an entry line of the playlist `file` points: a stream address or an
// absolute path as it stands; a relative path beside the playlist first, then
// in the current folder, with "\" taken as "/" when the name as written does
// not exist (lists written by Windows tools). Always absolute for local names.
std::string ResolvePlaylistEntry(const std::string& file, const std::string& line);

}  // namespace sonvaro
