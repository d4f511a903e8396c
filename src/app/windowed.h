#pragma once
#include <string>

namespace sonvaro {

class EndSignals;

// The windowed player; returns the process exit code.
int RunWindowed(int argc, char** argv, const std::string& playFile, EndSignals& endSignals);

// 0 when a Qt platform (a display) can be opened.
int CheckWindowPlatform(int argc, char** argv);

}  // namespace sonvaro
