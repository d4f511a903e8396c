#pragma once

#include <string>

namespace sonvaro {

// Which display servers answer. Opening a window on a server that does not
// answer ends the process inside the toolkit, so the player asks first.
struct DisplayReach {
    bool x11 = false;        // $DISPLAY names an X server that accepts us
    bool wayland = false;    // $WAYLAND_DISPLAY (or "wayland-0") names a live compositor socket
    std::string x11Problem;  // why the X server named by $DISPLAY did not accept us
};

// Connects to each named server and disconnects again.
DisplayReach ProbeDisplays();

}  // namespace sonvaro
