#pragma once
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

#include "companions/scheduled_task.h"
#include "ui/desktop_services.h"
#include "ui/tracker_window.h"

namespace sonvaro {

class Application;
class MainWindow;

// The windowed player's desktop companions: the title popup and the
// scheduled task with its 500 ms check and 25 ms countdown.
class DesktopCompanions : public QObject {
    Q_OBJECT
  public:
    DesktopCompanions() = default;
    // For ApplicationPorts, before the Application is built.
    TrackerPopup* Tracker() { return &tracker_; }
    TrackerWindow& TrackerPopupWindow() { return tracker_; }

    // After MainWindow::Attach. `requestExit`: the program's exit with its question.
    void Attach(Application& app, MainWindow& window, std::function<void()> requestExit,
                std::unique_ptr<PowerControl> power = std::make_unique<DesktopPowerControl>(),
                std::unique_ptr<ScreenSaver> screenSaver = std::make_unique<DesktopScreenSaver>());
    ScheduledTask* Task() { return task_.get(); }

  private:
    TrackerWindow tracker_;
    std::unique_ptr<PowerControl> power_;
    std::unique_ptr<ScreenSaver> screenSaver_;
    std::unique_ptr<ScheduledTask> task_;
    QTimer check_;
    QTimer countdown_;
};

}  // namespace sonvaro
