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

// 0 when a Qt platform (a display) can be opened.
int CheckWindowPlatform(int argc, char** argv);

}  // namespace sonvaro
