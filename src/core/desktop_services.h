#pragma once

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

}  // namespace sonvaro
