#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/ports/desktop_ports.h"

namespace sonvaro {

// The keyboard of an X server, read whole with XQueryKeymap on every Refresh
// over a connection of its own. The hotkey table's virtual-key codes are
// found by their keysyms in the server's keyboard mapping (re-read every few
// seconds, so a layout change is followed). Works whatever window has the
// focus; nothing is grabbed.
//
// A media key that another program has grabbed (the desktop's media-key
// handler, which passes it on over MPRIS) never reads as down: the player
// would otherwise act twice on one press.
class X11KeyState : public KeyState {
  public:
    // `display`: an X display name; empty for $DISPLAY.
    explicit X11KeyState(const std::string& display = {});
    ~X11KeyState() override;
    X11KeyState(const X11KeyState&) = delete;
    X11KeyState& operator=(const X11KeyState&) = delete;

    bool Available() const override { return display_ != nullptr; }
    void Refresh() override;
    bool Down(int32_t virtualKey) const override;

    // The key codes a virtual key sits on (empty when the keyboard lacks it).
    std::vector<uint8_t> KeyCodes(int32_t virtualKey) const;
    bool MediaKeyTakenByDesktop(int32_t virtualKey) const;

  private:
    void ReadMapping();
    void ProbeMediaKeyGrabs();

    void* display_ = nullptr;  // Display*
    std::array<char, 32> keys_{};
    std::unordered_map<int32_t, std::vector<uint8_t>> codes_;
    std::unordered_map<int32_t, bool> mediaTaken_;
    int refreshes_ = 0;
};

}  // namespace sonvaro
