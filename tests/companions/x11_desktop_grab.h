#pragma once
#include <string>

namespace sonvaro::test {

// Another X client holding a passive grab on one key, as a desktop's
// media-key handler does. Kept apart: Xlib's macros clash with the tests'.
class DesktopKeyGrab {
  public:
    DesktopKeyGrab(const std::string& display, const char* keysymName);
    ~DesktopKeyGrab();
    bool Held() const { return held_; }

  private:
    void* display_ = nullptr;
    bool held_ = false;
};

}  // namespace sonvaro::test
