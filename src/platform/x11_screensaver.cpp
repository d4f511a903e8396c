#include "platform/x11_screensaver.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace sonvaro {

X11ScreenSaverState::X11ScreenSaverState(const std::string& display) {
    Display* d = XOpenDisplay(display.empty() ? nullptr : display.c_str());
    if (!d) return;
    int event = 0, error = 0;
    if (!XScreenSaverQueryExtension(d, &event, &error)) {
        XCloseDisplay(d);
        return;
    }
    display_ = d;
}

X11ScreenSaverState::~X11ScreenSaverState() {
    if (display_) XCloseDisplay(static_cast<Display*>(display_));
}

bool X11ScreenSaverState::Active() {
    if (!display_) return false;
    Display* d = static_cast<Display*>(display_);
    XScreenSaverInfo info{};
    if (!XScreenSaverQueryInfo(d, DefaultRootWindow(d), &info)) return false;
    return info.state == ScreenSaverOn;
}

}  // namespace sonvaro
