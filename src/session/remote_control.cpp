#include "session/remote_control.h"

#include <algorithm>
#include <chrono>

#include "core/text.h"
#include "platform/file_info.h"
#include "playback/player_ports.h"
#include "session/application.h"

namespace sonvaro {
namespace {

// Records one connection may have waiting before we stop reading from it:
// a burst is taken in steps instead of piling up in memory.
constexpr size_t kMaxWaitingPerConnection = 64;
// Commands run in one pass before the player's own timers get a turn.
constexpr auto kBatchTime = std::chrono::milliseconds(10);
constexpr size_t kMaxFramePayload = 64 * 1024;

}  // namespace

class RemoteControl::Listener : public PlayerListener {
  public:
    Listener(LocalServer& server, ListenerWindow window) : server_(server), window(std::move(window)) {}
    // Any thread; only queues.
    void Notify(ListenerCode code, const std::string& text) override {
        server_.Send(window.window, EncodeNotification(static_cast<int32_t>(code), text));
    }
    LocalServer& server_;
    ListenerWindow window;
};

RemoteControl::RemoteControl(Application& app, RemoteWindowPort& window, int listenFd)
    : app_(app), window_(window) {
    server_ = std::make_unique<LocalServer>(
        listenFd, LocalServer::Handlers{
                      [this](uint64_t c, const uint8_t* d, size_t n) { Received(c, d, n); },
                      [this](uint64_t c) { Closed(c); },
                  });
    server_->Start();
}

RemoteControl::~RemoteControl() {
    for (auto& l : listeners_) app_.listeners.Remove(l.get());
    server_.reset();
}

void RemoteControl::Received(uint64_t connection, const uint8_t* data, size_t size) {
    FrameReader& reader = readers_.try_emplace(connection, kMaxFramePayload).first->second;
    size_t added = 0;
    std::lock_guard lock(mutex_);
    const bool usable = reader.Feed(data, size, [&](Frame&& frame) {
        Pending p{connection, false, {}};
        p.command = CommandFromFrame(frame, p.record);
        pending_.push_back(std::move(p));
        ++added;
    });
    if (!usable) server_->Close(connection);
    if (added == 0) return;
    server_->Touch(connection);
    if ((waiting_[connection] += added) >= kMaxWaitingPerConnection) server_->PauseReading(connection, true);
    wake_.Signal();
}

void RemoteControl::Closed(uint64_t connection) {
    readers_.erase(connection);
    std::lock_guard lock(mutex_);
    connectionsClosed_ = true;
    wake_.Signal();
}

void RemoteControl::ProcessPending() {
    wake_.Consume();
    if (running_) {  // events let through by a running command: the outer pass goes on
        again_ = true;
        return;
    }
    running_ = true;
    again_ = false;
    const auto until = std::chrono::steady_clock::now() + kBatchTime;
    bool closed = false;
    for (;;) {
        Pending p;
        {
            std::lock_guard lock(mutex_);
            closed = closed || connectionsClosed_;
            connectionsClosed_ = false;
            if (pending_.empty()) break;
            if (std::chrono::steady_clock::now() > until) {
                wake_.Signal();  // the rest in the next pass
                break;
            }
            p = std::move(pending_.front());
            pending_.pop_front();
        }
        // A sender that gave up waiting (and said "es läuft kein Player") has
        // closed its end: what it asked for must not happen behind its back.
        if (server_->IsOpen(p.connection)) {
            const int result = p.command ? HandleRemoteCommand(p.record, p.connection) : 0;
            server_->Send(p.connection, EncodeAnswer(result));
        }
        std::lock_guard lock(mutex_);
        const auto it = waiting_.find(p.connection);
        if (it == waiting_.end()) continue;
        const int left = --it->second;
        if (left == 0) waiting_.erase(it);
        if (left + 1 == kMaxWaitingPerConnection) server_->PauseReading(p.connection, false);
    }
    if (closed) DropDeadListeners();
    running_ = false;
    if (again_) wake_.Signal();
}

int RemoteControl::HandleRemoteCommand(const RemoteRecord& r, uint64_t sender) {
    PlayerControl& control = app_.control;
    switch (static_cast<RemoteCode>(r.code)) {
        case RemoteCode::Register:
            Register(sender, r);
            break;
        case RemoteCode::Unregister:
            Unregister(sender);
            break;
        case RemoteCode::Exit:
            window_.RequestExit();
            break;
        case RemoteCode::Show:
            window_.ShowWindow();
            break;
        case RemoteCode::Hide:
            window_.HideWindow();
            break;
        case RemoteCode::Play:
            control.PlaySelected();
            break;
        case RemoteCode::PlayFile:
            // Handed over by a second start, whose terminal has gone: the log says
            // why it cannot play (the player says so itself for a file it cannot read).
            if (IsNonEmptyFile(r.text1))
                control.PlayFile(r.text1);
            else
                app_.log.LogStatus("Nicht abspielbar: '" + r.text1 + "' (" + UnplayableReason(r.text1) + ")");
            break;
        case RemoteCode::Next:
            control.Next();
            break;
        case RemoteCode::Previous:
            control.Previous();
            break;
        case RemoteCode::Pause:
            control.TogglePause();
            break;
        case RemoteCode::Stop:
            control.Stop();
            break;
        case RemoteCode::Volume:
            control.SetVolume(std::clamp(r.param1, 0, 100));
            break;
        case RemoteCode::SelectRow: {
            const int32_t rows = static_cast<int32_t>(app_.data.playlist.size());
            if (rows == 0) break;
            window_.SelectRow(r.param1 == -1 ? -1 : std::clamp(r.param1, 0, rows - 1));
            break;
        }
        case RemoteCode::About:
            window_.OpenAbout();
            break;
        case RemoteCode::Settings:
            window_.OpenSettings();
            break;
        case RemoteCode::Effects:
            window_.OpenEffects();
            break;
        case RemoteCode::AddFile:
            app_.editor.AddPath(r.text1);
            break;
        default:
            break;  // 12, 13, 15 and unknown codes: taken, nothing to do
    }
    return 1;
}

void RemoteControl::Register(uint64_t connection, const RemoteRecord& r) {
    if (connection == 0 || !server_->IsOpen(connection)) return;
    ListenerWindow w{connection, static_cast<uint8_t>(r.param2 & 0xFF), std::string(TrimSpaces(r.text1)),
                     std::string(TrimSpaces(r.text2))};
    server_->KeepOpen(connection);
    listeners_.push_back(std::make_unique<Listener>(*server_, std::move(w)));
    app_.listeners.Add(listeners_.back().get());
}

void RemoteControl::Unregister(uint64_t connection) {
    const auto it = std::find_if(listeners_.begin(), listeners_.end(),
                                 [&](const auto& l) { return l->window.window == connection; });
    if (it == listeners_.end()) return;
    app_.listeners.Remove(it->get());  // no notification runs on it after this
    listeners_.erase(it);
}

void RemoteControl::DropDeadListeners() {
    for (auto it = listeners_.begin(); it != listeners_.end();) {
        if (server_->IsOpen((*it)->window.window)) {
            ++it;
            continue;
        }
        app_.listeners.Remove(it->get());
        it = listeners_.erase(it);
    }
    std::lock_guard lock(mutex_);
    std::erase_if(waiting_, [&](const auto& w) { return !server_->IsOpen(w.first); });
}

std::vector<ListenerWindow> RemoteControl::Listeners() const {
    std::vector<ListenerWindow> list;
    for (const auto& l : listeners_) list.push_back(l->window);
    return list;
}

}  // namespace sonvaro
