#include "ui/desktop_companions.h"

#include "session/application.h"
#include "ui/main_window.h"
#include "ui/task_windows.h"

namespace sonvaro {

void DesktopCompanions::Attach(Application& app, MainWindow& window, std::function<void()> requestExit,
                               std::unique_ptr<PowerControl> power,
                               std::unique_ptr<ScreenSaver> screenSaver) {
    tracker_.Attach(app.data.settings, app.player.State(), &window, app.clock.tick);
    power_ = std::move(power);
    screenSaver_ = std::move(screenSaver);

    TaskServices services;
    services.tick = app.clock.tick;
    services.playbackEnded = [&app] {
        const PlayerState& s = app.player.State();
        return s.slotChannel[0] == 0 && s.slotChannel[1] == 0;
    };
    services.screenSaver = screenSaver_.get();
    services.execute = [&app, this, requestExit = std::move(requestExit)](int8_t action) {
        ExecuteTaskAction(action, app.control, *power_, requestExit);
    };
    services.openCountdown = [this, &window] {
        window.OpenTaskRun();
        countdown_.start();
    };
    services.closeCountdown = [&window] { window.CloseTaskRun(); };
    services.showCountdown = [&window](int32_t percent) {
        if (TaskRunWindow* run = window.TaskRun()) run->SetProgress(percent);
    };
    task_ = std::make_unique<ScheduledTask>(app.data.settings.Order_TimeOut, std::move(services));
    window.AttachTasks(*task_);

    countdown_.setInterval(25);
    connect(&countdown_, &QTimer::timeout, this, [this] {
        task_->CountdownTick();
        if (!task_->Counting()) countdown_.stop();
    });
    check_.setInterval(500);
    connect(&check_, &QTimer::timeout, this, [this, &app] {
        if (!app.ShuttingDown()) task_->CheckTrigger();
    });
    check_.start();
}

}  // namespace sonvaro
