#include "x11_screensaver_switch.h"

#include <X11/Xlib.h>

namespace sonvaro::test {

bool SwitchXScreenSaver(const std::string& display, bool on) {
    Display* d = XOpenDisplay(display.c_str());
    if (!d) return false;
    XForceScreenSaver(d, on ? ScreenSaverActive : ScreenSaverReset);
    XSync(d, False);
    XCloseDisplay(d);
    return true;
}

}  // namespace sonvaro::test
