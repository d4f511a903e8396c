#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/remote_record.h"
#include "platform/instance_socket.h"

namespace sonvaro {

class Application;

// What remote commands do to the window; the headless player has none and
// keeps only the playlist selection.
class RemoteWindowPort {
  public:
    virtual ~RemoteWindowPort() = default;
    virtual void ShowWindow() = 0;            // when hidden or minimised
    virtual void HideWindow() = 0;            // when visible
    virtual void SelectRow(int32_t row) = 0;  // -1 clears the selection
    virtual void OpenAbout() = 0;
    virtual void OpenSettings() = 0;
    virtual void OpenEffects() = 0;
    // The quit road with its question; runs after the sender has its answer.
    virtual void RequestExit() = 0;
};

// Codes of the command record. 19 is ours: a second start hands over every
// file after the first with it, and they are added to the playlist.
enum class RemoteCode : int32_t {
    Register = 0,
    Unregister = 1,
    Exit = 2,
    Show = 3,
    Hide = 4,
    Play = 5,
    PlayFile = 6,
    Next = 7,
    Previous = 8,
    Pause = 9,
    Stop = 10,
    Volume = 11,
    SelectRow = 14,
    About = 16,
    Settings = 17,
    Effects = 18,
    AddFile = 19,
};

// A program that registered for notifications; its "window" is its connection.
struct ListenerWindow {
    uint64_t window = 0;
    uint8_t kind = 0;
    std::string name, info;
};

// The player's side of the socket: records arrive on the server's thread
// and wait in a queue until the ui thread runs them between its other work
// (ProcessPending, when WakeDescriptor is readable); every sender gets its
// answer afterwards. A record whose sender has gone by then is dropped
// unrun: a client that gave up must not see its command happen later.
// Listener notifications are queued per connection and never wait for the listener.
class RemoteControl {
  public:
    RemoteControl(Application& app, RemoteWindowPort& window, int listenFd);
    ~RemoteControl();
    RemoteControl(const RemoteControl&) = delete;
    RemoteControl& operator=(const RemoteControl&) = delete;

    int WakeDescriptor() const { return wake_.Descriptor(); }
    // Runs waiting commands (a bounded batch, so the player's tick keeps its
    // pace; the descriptor stays readable while more wait) and drops the
    // listeners of closed connections.
    void ProcessPending();

    // 1 for every record it takes, whatever the code.
    int HandleRemoteCommand(const RemoteRecord& record, uint64_t sender = 0);
    void DropDeadListeners();
    std::vector<ListenerWindow> Listeners() const;

  private:
    class Listener;
    struct Pending {
        uint64_t connection;
        bool command;
        RemoteRecord record;
    };
    void Received(uint64_t connection, const uint8_t* data, size_t size);
    void Closed(uint64_t connection);
    void Register(uint64_t connection, const RemoteRecord& record);
    void Unregister(uint64_t connection);

    Application& app_;
    RemoteWindowPort& window_;
    WakeSignal wake_;
    // Server thread and ui thread.
    std::mutex mutex_;
    std::deque<Pending> pending_;
    std::map<uint64_t, size_t> waiting_;  // per connection: records not yet answered
    bool connectionsClosed_ = false;
    // Server thread only.
    std::map<uint64_t, FrameReader> readers_;
    // Ui thread only.
    std::vector<std::unique_ptr<Listener>> listeners_;
    bool running_ = false, again_ = false;
    // Last, so that its thread stops before the rest goes.
    std::unique_ptr<LocalServer> server_;
};

}  // namespace sonvaro
