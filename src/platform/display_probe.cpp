#include "platform/display_probe.h"

#include <wayland-client-core.h>
#include <xcb/xcb.h>

#include <cstdlib>

namespace sonvaro {
namespace {

bool Named(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value;
}

}  // namespace

DisplayReach ProbeDisplays() {
    DisplayReach reach;
    if (Named("DISPLAY")) {
        // xcb_connect reads $DISPLAY and the X authority itself and never
        // returns null: a failed connection is an object in an error state.
        xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
        reach.x11 = xcb_connection_has_error(connection) == 0;
        xcb_disconnect(connection);
    }
    // Without a runtime folder a relative socket name cannot be found (and the
    // client library would complain on stderr).
    const char* socket = std::getenv("WAYLAND_DISPLAY");
    if (Named("WAYLAND_DISPLAY") && (socket[0] == '/' || Named("XDG_RUNTIME_DIR"))) {
        if (wl_display* display = wl_display_connect(nullptr)) {
            // A socket file left by a dead compositor refuses the connect above;
            // a round trip proves that something speaks the protocol.
            reach.wayland = wl_display_roundtrip(display) >= 0;
            wl_display_disconnect(display);
        }
    }
    return reach;
}

}  // namespace sonvaro
