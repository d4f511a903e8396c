// What the desktop companions (title popup, scheduled task, hotkeys, update
// check) need of the main window; the main window implements it.
#pragma once
#include <cstdint>

#include "companions/hotkeys.h"

class QWidget;

namespace sonvaro {

class DesktopCompanions;
class ScheduledTask;
class UpdateCheckRunner;
class WebBrowser;

class CompanionsWindow {
  public:
    virtual ~CompanionsWindow() = default;
    virtual QWidget* PopupOwner() = 0;  // the title popup stays with it
    // A long operation lets window events through: media keys wait.
    virtual bool Busy() const = 0;
    virtual void RunHotkeyCommand(HotkeyCommand command) = 0;
    // The countdown window of a scheduled task.
    virtual void OpenTaskRun() = 0;
    virtual void CloseTaskRun() = 0;
    virtual void ShowTaskProgress(int32_t percent) = 0;
    // The commands behind "Aufgabe", "Neue Version", "Webseite" and "Feedback" come on with these.
    virtual void AttachCompanions(DesktopCompanions& companions) = 0;
    virtual void AttachTasks(ScheduledTask& tasks) = 0;
    virtual void AttachUpdates(UpdateCheckRunner& updates, WebBrowser& browser) = 0;
};

}  // namespace sonvaro
