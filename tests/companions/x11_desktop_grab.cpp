#include "x11_desktop_grab.h"

#include <X11/Xlib.h>

namespace sonvaro::test {

DesktopKeyGrab::DesktopKeyGrab(const std::string& display, const char* keysymName) {
    Display* d = XOpenDisplay(display.c_str());
    display_ = d;
    if (!d) return;
    const KeyCode code = XKeysymToKeycode(d, XStringToKeysym(keysymName));
    if (code == 0) return;
    XGrabKey(d, code, 0, DefaultRootWindow(d), False, GrabModeAsync, GrabModeAsync);
    XSync(d, False);
    held_ = true;
}

DesktopKeyGrab::~DesktopKeyGrab() {
    if (display_) XCloseDisplay(static_cast<Display*>(display_));
}

}  // namespace sonvaro::test
