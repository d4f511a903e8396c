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

const char* XcbErrorText(int error) {
    switch (error) {
        case XCB_CONN_ERROR:
            return "Verbindung fehlgeschlagen";
        case XCB_CONN_CLOSED_EXT_NOTSUPPORTED:
            return "Erweiterung fehlt";
        case XCB_CONN_CLOSED_MEM_INSUFFICIENT:
            return "kein Speicher";
        case XCB_CONN_CLOSED_REQ_LEN_EXCEED:
            return "Anfrage zu lang";
        case XCB_CONN_CLOSED_PARSE_ERR:
            return "Anzeigename ungültig";
        case XCB_CONN_CLOSED_INVALID_SCREEN:
            return "Bildschirm gibt es nicht";
        default:
            return "Verbindung abgelehnt";
    }
}

}  // namespace

DisplayReach ProbeDisplays() {
    DisplayReach reach;
    if (Named("DISPLAY")) {
        // xcb_connect reads $DISPLAY and the X authority itself and never
        // returns null: a failed connection is an object in an error state.
        xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
        const int error = xcb_connection_has_error(connection);
        reach.x11 = error == 0;
        if (error != 0)
            reach.x11Problem = std::string("X-Server ") + std::getenv("DISPLAY") + ": " + XcbErrorText(error);
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
