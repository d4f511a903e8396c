#pragma once
#include <string>

namespace sonvaro {

// The X server's own screensaver state (the MIT-SCREEN-SAVER extension, as
// xscreensaver and the server's blanking report it), over a connection of its
// own. For desktops without the org.freedesktop.ScreenSaver service.
class X11ScreenSaverState {
  public:
    // `display`: an X display name; empty for $DISPLAY.
    explicit X11ScreenSaverState(const std::string& display = {});
    ~X11ScreenSaverState();
    X11ScreenSaverState(const X11ScreenSaverState&) = delete;
    X11ScreenSaverState& operator=(const X11ScreenSaverState&) = delete;

    // A server answered and has the extension.
    bool Available() const { return display_ != nullptr; }
    // True while the screensaver is on (or the screen is blanked by it).
    bool Active();

  private:
    void* display_ = nullptr;  // Display*
};

}  // namespace sonvaro
