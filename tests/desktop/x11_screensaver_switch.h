#pragma once
#include <string>

namespace sonvaro::test {

// Turns the X server's screensaver on or off as its blanking would; false
// when the server cannot be reached. Apart from the tests: Xlib's macros clash.
bool SwitchXScreenSaver(const std::string& display, bool on);

}  // namespace sonvaro::test
