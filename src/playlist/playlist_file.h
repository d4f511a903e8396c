#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "playlist/playlist.h"

namespace sonvaro {

class Messages;
class PlaylistDisplay;
class StatusLog;
struct Settings;

// " " + number of entries + " [" + total of the positive lengths as a duration + "]".
std::string PlaylistSummaryText(const Playlist& playlist);

// Entries of a PlayList.dat text, in file order; entries whose file is missing,
// a folder or empty are dropped. Nullopt when the identifier line is wrong.
std::optional<Playlist> ParsePlaylistFile(std::string_view text);

// The bytes of PlayList.dat for a playlist; entries whose file is missing,
// a folder or empty (streams too) are left out, and so are paths the file
// cannot hold (listed in `unstorable` when given).
std::string PlaylistFileText(const Playlist& playlist, std::vector<std::string>* unstorable = nullptr);

// Replaces the playlist with PlayList.dat (nothing read when Misc_AutoPlayList
// is 0 or less, but the playlist is emptied all the same). A file with another
// first line is kept as "<file>.bad".
void LoadPlaylistFile(Playlist& playlist, const std::string& filePath, const Settings& settings,
                      PlaylistDisplay* display, StatusLog* log = nullptr);

// Writes the whole playlist through a temporary file. A failure leaves the old
// file intact and shows the error box when reportErrors is set. True when written.
// `failure` (when given) receives why a save failed. A file the user made
// read-only is left as it is without the error box.
bool SavePlaylistFile(const Playlist& playlist, const std::string& filePath, const Settings& settings,
                      bool reportErrors, Messages& messages, StatusLog& log, std::string* failure = nullptr);

}  // namespace sonvaro
