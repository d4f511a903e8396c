#include "ui/desktop_companions.h"

#include "session/application.h"

namespace sonvaro {

void DesktopCompanions::Attach(Application& app, CompanionsWindow& window, std::function<void()> requestExit,
                               std::unique_ptr<PowerControl> power, std::unique_ptr<ScreenSaver> screenSaver,
                               std::unique_ptr<KeyState> keys, std::unique_ptr<WebBrowser> browser) {
    app_ = &app;
    window_ = &window;
    tracker_.Attach(app.data.settings, app.player.State(), window.PopupOwner(), app.clock.tick);
    window.AttachCompanions(*this);
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
    services.showCountdown = [&window](int32_t percent) { window.ShowTaskProgress(percent); };
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

    browser_ = std::move(browser);
    updates_ = std::make_unique<UpdateCheckRunner>(app.ports.messages, *browser_);
    window.AttachUpdates(*updates_, *browser_);

    keys_ = std::move(keys);
    HotkeyPoller::Actions actions;
    actions.hotkey = [&window](HotkeyCommand command) { window.RunHotkeyCommand(command); };
    actions.mediaKey = [&app, &window](MediaKey key) {
        if (!window.Busy() && !app.ShuttingDown()) RunMediaKey(key, app.control);
    };
    hotkeys_ = std::make_unique<HotkeyPoller>(app.data.settings, *keys_, std::move(actions));
    // Without a readable keyboard nothing wakes up for it.
    if (keys_->Available()) {
        keyPoll_.setInterval(25);
        connect(&keyPoll_, &QTimer::timeout, this, [this, &app] {
            if (!app.ShuttingDown()) hotkeys_->Poll();
        });
        keyPoll_.start();
    } else {
        UseShortcutPortal(QDBusConnection::sessionBus());
    }
}

void DesktopCompanions::UseShortcutPortal(QDBusConnection bus) {
    if (!app_ || !window_) return;
    portal_ = std::make_unique<ShortcutPortal>(std::move(bus));
    connect(portal_.get(), &ShortcutPortal::activated, this, [this](int record) {
        if (app_->data.settings.HK_Global == 0 || app_->ShuttingDown()) return;
        window_->RunHotkeyCommand(static_cast<HotkeyCommand>(record));
    });
    HotkeysChanged();
}

void DesktopCompanions::HotkeysChanged() {
    if (portal_ && app_->data.settings.HK_Global != 0) portal_->Bind(app_->data.settings.hotkeys);
}

}  // namespace sonvaro
