#pragma once
#include <cstdint>
#include <string>

namespace sonvaro {

// Turns the computer off. Failures are silent: the caller has nothing to do about them.
class PowerControl {
  public:
    virtual ~PowerControl() = default;
    virtual void PowerOff() = 0;
};

// Whether the desktop's screensaver is running now.
class ScreenSaver {
  public:
    virtual ~ScreenSaver() = default;
    virtual bool Running() = 0;
};

// The desktop's web browser.
class WebBrowser {
  public:
    virtual ~WebBrowser() = default;
    virtual void OpenAddress(const std::string& address) = 0;
};

// The whole keyboard's state, read once per poll; keys are named by the
// virtual-key codes of the hotkey key table (17 Ctrl, 18 Alt, 16 Shift, 65 "A",
// 112 "F1", 173..179 the media keys, ...).
class KeyState {
  public:
    virtual ~KeyState() = default;
    // Whether the keyboard can be read at all (not on Wayland, not without a display).
    virtual bool Available() const = 0;
    // Takes a new snapshot of the keyboard; Down answers from it.
    virtual void Refresh() = 0;
    virtual bool Down(int32_t virtualKey) const = 0;
};

}  // namespace sonvaro
