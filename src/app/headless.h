#pragma once
#include <string>
#include <vector>

namespace sonvaro {

// The player without a window: start-up with console ports, the arguments
// (files, folders, M3U/PLS playlists, stream addresses) as a new playlist
// played from its first row (none: the saved playlist), then the timers until
// SIGINT or SIGTERM run the orderly shut-down. Returns the exit code.
int RunHeadless(const std::vector<std::string>& arguments);

}  // namespace sonvaro
