#pragma once
#include <QDBusConnection>
#include <functional>

#include "core/desktop_services.h"

namespace sonvaro {

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
// No answer within 200 ms counts as not running.
class DesktopScreenSaver : public ScreenSaver {
  public:
    explicit DesktopScreenSaver(QDBusConnection bus = QDBusConnection::sessionBus()) : bus_(std::move(bus)) {}
    bool Running() override;

  private:
    QDBusConnection bus_;
};

}  // namespace sonvaro
