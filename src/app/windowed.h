#pragma once
#include <string>
#include <vector>

namespace sonvaro {

class EndSignals;
class InstanceClaim;

// The windowed player: the first file plays, the others are added to the
// playlist. Returns the process exit code.
int RunWindowed(int argc, char** argv, const std::vector<std::string>& files, EndSignals& endSignals,
                InstanceClaim* instance = nullptr);

// True when a window can be opened: the platform Qt would pick answers (a
// stale $DISPLAY or a dead Wayland socket would end the process inside Qt).
// With only Wayland reachable and no platform chosen, chooses Wayland.
bool CanOpenWindow(std::string* why = nullptr);

}  // namespace sonvaro
