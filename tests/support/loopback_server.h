// A tiny TCP server on 127.0.0.1 for the network tests: each connection's
// request head is recorded and handed with the socket to the test's handler
// on a thread of its own. Stop() (and the destructor) wakes every handler
// that holds a connection open and waits for all of them, so no test leaves
// a thread or a socket behind.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace support {

class LoopbackServer {
  public:
    struct Connection {
        int fd;
        std::string request;  // request line and headers
        LoopbackServer& server;

        // False once the client is gone or the server stops.
        bool Send(const std::string& bytes) {
            std::size_t done = 0;
            while (done < bytes.size()) {
                if (server.stopping_) return false;
                pollfd p{fd, POLLOUT, 0};
                if (::poll(&p, 1, 50) <= 0) continue;
                ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
                if (n <= 0) return false;
                done += static_cast<std::size_t>(n);
            }
            return true;
        }
        // Sends at about `bytesPerSecond`, as a live station does.
        bool SendPaced(const std::string& bytes, std::size_t bytesPerSecond, std::size_t piece = 1024) {
            auto start = std::chrono::steady_clock::now();
            for (std::size_t at = 0; at < bytes.size(); at += piece) {
                if (!Send(bytes.substr(at, piece))) return false;
                auto due = start + std::chrono::microseconds((at + piece) * 1000000 / bytesPerSecond);
                if (server.WaitStop(due)) return false;
            }
            return true;
        }
        // Keeps the connection open without sending until the server stops or `limit` passes.
        void Hold(std::chrono::milliseconds limit = std::chrono::seconds(20)) {
            server.WaitStop(std::chrono::steady_clock::now() + limit);
        }
        // Blocks until the test calls Release() (or the server stops).
        void WaitRelease() {
            std::unique_lock lock(server.mutex_);
            server.wake_.wait_for(lock, std::chrono::seconds(20),
                                  [this] { return server.released_ || server.stopping_; });
        }
    };
    using Handler = std::function<void(Connection&)>;

    // `maxConnections`: a test never needs more, and a client in a loop cannot run away.
    explicit LoopbackServer(Handler handler, std::size_t maxConnections = 32)
        : handler_(std::move(handler)), maxConnections_(maxConnections) {
        listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listen_, 16);
        socklen_t len = sizeof a;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        accept_ = std::thread([this] { AcceptLoop(); });
    }
    ~LoopbackServer() { Stop(); }

    int Port() const { return port_; }
    std::string Url(const std::string& path = "/") const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

    void Release() {
        {
            std::lock_guard lock(mutex_);
            released_ = true;
        }
        wake_.notify_all();
    }
    std::vector<std::string> Requests() {
        std::lock_guard lock(mutex_);
        return requests_;
    }

    void Stop() {
        {
            std::lock_guard lock(mutex_);
            if (stopped_) return;
            stopped_ = true;
            stopping_ = true;
        }
        wake_.notify_all();
        if (accept_.joinable()) accept_.join();
        for (auto& t : workers_) t.join();
        ::close(listen_);
    }

  private:
    friend struct Connection;

    // True when the server stops before `until`.
    bool WaitStop(std::chrono::steady_clock::time_point until) {
        std::unique_lock lock(mutex_);
        return wake_.wait_until(lock, until, [this] { return stopping_.load(); });
    }

    void AcceptLoop() {
        while (!stopping_ && workers_.size() < maxConnections_) {
            pollfd p{listen_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            int fd = ::accept(listen_, nullptr, nullptr);
            if (fd < 0) continue;
            workers_.emplace_back([this, fd] { Serve(fd); });
        }
    }

    void Serve(int fd) {
        std::string request;
        char buf[4096];
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536 && !stopping_ &&
               std::chrono::steady_clock::now() < until) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0) break;
            request.append(buf, static_cast<std::size_t>(n));
        }
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        Connection c{fd, request, *this};
        if (!stopping_) handler_(c);
        ::shutdown(fd, SHUT_RDWR);
        ::close(fd);
    }

    Handler handler_;
    std::size_t maxConnections_;
    int listen_ = -1;
    int port_ = 0;
    std::thread accept_;
    std::vector<std::thread> workers_;  // accept thread only, until Stop joins them
    std::mutex mutex_;
    std::condition_variable wake_;
    std::atomic<bool> stopping_{false};
    bool stopped_ = false;
    bool released_ = false;
    std::vector<std::string> requests_;
};

// ICY framing: a metadata block after every `interval` audio bytes; `metaAt`
// gives the text for the block after each interval (empty: a zero length byte).
inline std::string WithIcyMeta(const std::string& audio, std::size_t interval,
                               const std::function<std::string(std::size_t block)>& metaAt) {
    std::string out;
    std::size_t block = 0;
    for (std::size_t at = 0; at < audio.size(); at += interval, ++block) {
        out += audio.substr(at, interval);
        if (at + interval > audio.size()) break;  // no block after a short tail
        std::string meta = metaAt(block);
        std::size_t units = (meta.size() + 15) / 16;
        meta.resize(units * 16, '\0');
        out += static_cast<char>(units);
        out += meta;
    }
    return out;
}

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace support
