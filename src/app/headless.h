#pragma once
#include <string>
#include <vector>

namespace sonvaro {

class EndSignals;
class InstanceClaim;

// The player without a window: start-up with console ports, the arguments
// (files, folders, M3U/PLS playlists, stream addresses) as a temporary
// playlist played from its first row (PlayList.dat is left as it is; without
// arguments the saved playlist plays), then the timers until SIGINT, SIGTERM
// or SIGHUP run the orderly shut-down. Returns the exit code.
// `stay`: keep running when the list ends. `instance`: the socket it answers
// remote commands on, when it is the first player.
int RunHeadless(const std::vector<std::string>& arguments, bool stay, EndSignals& endSignals,
                InstanceClaim* instance = nullptr);

}  // namespace sonvaro
