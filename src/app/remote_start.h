#pragma once
#include <functional>
#include <memory>

#include "platform/instance_socket.h"
#include "session/remote_control.h"

class QSocketNotifier;

namespace sonvaro {

class Application;
class EndSignals;
class MainWindow;
class ConsolePlaylistView;

// The remote control of a first instance, or none (said once in the status log) when
// the socket could not be had.
std::unique_ptr<RemoteControl> StartRemoteControl(Application& app, RemoteWindowPort& window,
                                                  InstanceClaim& instance);

// The headless player: no window; the selection lives in its playlist view.
class HeadlessRemoteWindow : public RemoteWindowPort {
  public:
    explicit HeadlessRemoteWindow(ConsolePlaylistView& view) : view_(view) {}
    void ShowWindow() override {}
    void HideWindow() override {}
    void SelectRow(int32_t row) override;
    void OpenAbout() override {}
    void OpenSettings() override {}
    void OpenEffects() override {}
    // An import under way stops as on an end signal.
    void RequestExit() override;
    bool exitRequested = false;

  private:
    ConsolePlaylistView& view_;
};

// The windowed player's remote control, served from the Qt event loop.
class WindowedRemote {
  public:
    WindowedRemote(Application& app, MainWindow& window, InstanceClaim& instance,
                   std::function<void()> requestExit);
    ~WindowedRemote();

  private:
    class Port;
    MainWindow& window_;
    std::unique_ptr<Port> port_;
    std::unique_ptr<RemoteControl> remote_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace sonvaro
