#pragma once
#include <string>

namespace sonvaro {

class EndSignals;

// The windowed player; returns the process exit code.
int RunWindowed(int argc, char** argv, const std::string& playFile, EndSignals& endSignals);

// True when a window can be opened: the platform Qt would pick answers (a
// stale $DISPLAY or a dead Wayland socket would end the process inside Qt).
// With only Wayland reachable and no platform chosen, chooses Wayland.
bool CanOpenWindow();

}  // namespace sonvaro
