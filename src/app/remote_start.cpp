#include "app/remote_start.h"

#include <QSocketNotifier>
#include <QTimer>

#include "app/console_ports.h"
#include "platform/end_signals.h"
#include "session/application.h"
#include "ui/main_window.h"

namespace sonvaro {

std::unique_ptr<RemoteControl> StartRemoteControl(Application& app, RemoteWindowPort& window,
                                                  InstanceClaim& instance) {
    if (instance.state() != InstanceClaim::State::First) {
        app.log.LogStatus("Fernsteuerung nicht verfügbar: " + instance.error());
        return nullptr;
    }
    app.log.LogStatus("Fernsteuerung: " + instance.path());
    if (!instance.note().empty()) app.log.LogStatus(instance.note());
    return std::make_unique<RemoteControl>(app, window, instance.ListenDescriptor());
}

void HeadlessRemoteWindow::SelectRow(int32_t row) {
    view_.Select(row);
}

void HeadlessRemoteWindow::RequestExit() {
    exitRequested = true;
    view_.StopAdding();
}

class WindowedRemote::Port : public RemoteWindowPort {
  public:
    Port(MainWindow& window, std::function<void()> requestExit)
        : window_(window), requestExit_(std::move(requestExit)) {}
    void ShowWindow() override {
        if (window_.isHidden() || window_.isMinimized()) window_.ToggleShowHide();
    }
    void HideWindow() override {
        if (window_.isVisible() && !window_.isMinimized()) window_.ToggleShowHide();
    }
    void SelectRow(int32_t row) override { window_.SelectPlaylistRow(row); }
    void OpenAbout() override { window_.RunCommand(Command::About); }
    void OpenSettings() override { window_.RunCommand(Command::Settings); }
    void OpenEffects() override { window_.RunCommand(Command::Equalizer); }
    // The question may be asked: the sender has its answer first.
    void RequestExit() override { QTimer::singleShot(0, &window_, requestExit_); }

  private:
    MainWindow& window_;
    std::function<void()> requestExit_;
};

WindowedRemote::WindowedRemote(Application& app, MainWindow& window, InstanceClaim& instance,
                               std::function<void()> requestExit)
    : window_(window), port_(std::make_unique<Port>(window, std::move(requestExit))) {
    remote_ = StartRemoteControl(app, *port_, instance);
    if (!remote_) return;
    window.SetListenerSource([this] { return remote_->Listeners(); });
    notifier_ = std::make_unique<QSocketNotifier>(remote_->WakeDescriptor(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, &window,
                     [this] { remote_->ProcessPending(); });
}

WindowedRemote::~WindowedRemote() {
    window_.SetListenerSource({});
    notifier_.reset();
    remote_.reset();
}

}  // namespace sonvaro
