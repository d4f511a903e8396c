#pragma once
#include <QDBusConnection>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

#include "companions/hotkeys.h"
#include "companions/scheduled_task.h"
#include "desktop/session_services.h"
#include "desktop/shortcut_portal.h"
#include "desktop/update_check_runner.h"
#include "ui/companions_window.h"
#include "ui/tracker_window.h"

namespace sonvaro {

class Application;

// The windowed player's desktop companions: the title popup, the scheduled
// task with its 500 ms check and 25 ms countdown, and the hotkeys and media
// keys polled every 25 ms (a pass of the main loop).
//
// For the settings page: kHotkeyNames and kKeyTable (companions/hotkeys.h)
// fill the event list and the key choice (its first, empty item is key -1),
// HotkeyText shows a record, GlobalKeysAvailable says whether hotkeys can work
// on this desktop at all, ShowTrackerPreview is the "Vorschau" button. The
// page edits Settings::hotkeys, HK_Global and HK_MediaKeys directly; the next
// pass polls with the new values.
class DesktopCompanions : public QObject {
    Q_OBJECT
  public:
    DesktopCompanions() = default;
    // For ApplicationPorts, before the Application is built.
    TrackerPopup* Tracker() { return &tracker_; }
    TrackerWindow& TrackerPopupWindow() { return tracker_; }

    // After MainWindow::Attach. `requestExit`: the program's exit with its question.
    void Attach(Application& app, CompanionsWindow& window, std::function<void()> requestExit,
                std::unique_ptr<PowerControl> power = std::make_unique<DesktopPowerControl>(),
                std::unique_ptr<ScreenSaver> screenSaver = std::make_unique<DesktopScreenSaver>(),
                std::unique_ptr<KeyState> keys = MakeDesktopKeyState(),
                std::unique_ptr<WebBrowser> browser = std::make_unique<DesktopWebBrowser>());
    ScheduledTask* Task() { return task_.get(); }

    // The popup with sample words (real tags while a track plays); it stays
    // through a title change and closes after its display time.
    void ShowTrackerPreview() { tracker_.ShowPreview(); }
    // False where the keyboard cannot be read whatever window has the focus
    // (Wayland, no X display): the settings page says so. Media keys then
    // reach the player through MPRIS.
    bool GlobalKeysAvailable() const {
        return (keys_ && keys_->Available()) || (portal_ && portal_->Ready());
    }
    // Where the keyboard cannot be read: the hotkeys go to the desktop's
    // shortcut portal on `bus` instead (Attach does this on the session bus).
    void UseShortcutPortal(QDBusConnection bus);
    // The settings dialog stored new hotkeys: the portal binds them anew.
    void HotkeysChanged();
    HotkeyPoller* Hotkeys() { return hotkeys_.get(); }
    // "Neue Version" (interactive) and the check at start-up; null before Attach.
    UpdateCheckRunner* Updates() { return updates_.get(); }

  private:
    TrackerWindow tracker_;
    std::unique_ptr<PowerControl> power_;
    std::unique_ptr<ScreenSaver> screenSaver_;
    std::unique_ptr<ScheduledTask> task_;
    std::unique_ptr<KeyState> keys_;
    std::unique_ptr<HotkeyPoller> hotkeys_;
    std::unique_ptr<ShortcutPortal> portal_;
    Application* app_ = nullptr;
    CompanionsWindow* window_ = nullptr;
    QTimer keyPoll_;
    std::unique_ptr<WebBrowser> browser_;
    std::unique_ptr<UpdateCheckRunner> updates_;
    QTimer check_;
    QTimer countdown_;
};

}  // namespace sonvaro
