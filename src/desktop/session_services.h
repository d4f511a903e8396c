#pragma once
#include <QDBusConnection>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/ports/desktop_ports.h"

namespace sonvaro {

class X11ScreenSaverState;

// Powers off through logind (it asks the user for rights where the policy
// wants it); when logind answers with an error or is not there,
// `systemctl poweroff`. The call does not block the window.
class DesktopPowerControl : public PowerControl {
  public:
    DesktopPowerControl();
    // `fallBack` runs when logind fails; tests give one that powers nothing off.
    DesktopPowerControl(QDBusConnection bus, std::function<void()> fallBack)
        : bus_(std::move(bus)), fallBack_(std::move(fallBack)) {}
    void PowerOff() override;

  private:
    QDBusConnection bus_;
    std::function<void()> fallBack_;
};

// The desktop's screensaver state over the session bus (org.freedesktop.ScreenSaver).
// No answer within 200 ms counts as not running. Where the bus has no such
// service (or there is no bus) and the windows are on X11, the X server's
// screensaver state answers instead.
class DesktopScreenSaver : public ScreenSaver {
  public:
    explicit DesktopScreenSaver(QDBusConnection bus = QDBusConnection::sessionBus());
    // `x11Display`: the X server to ask when the bus cannot answer; empty: none.
    DesktopScreenSaver(QDBusConnection bus, std::string x11Display);
    ~DesktopScreenSaver() override;
    bool Running() override;

  private:
    QDBusConnection bus_;
    std::optional<std::string> x11Display_;
    std::unique_ptr<X11ScreenSaverState> x11_;  // opened at the first fall-back
};

// The desktop's browser (QDesktopServices); call on the window thread.
class DesktopWebBrowser : public WebBrowser {
  public:
    void OpenAddress(const std::string& address) override;
};

// The keyboard for the hotkeys: the X server's when the windows are on X11
// (not through XWayland: there the server sees keys only while one of its own
// windows has the focus); otherwise a keyboard that cannot be read.
std::unique_ptr<KeyState> MakeDesktopKeyState();

}  // namespace sonvaro
