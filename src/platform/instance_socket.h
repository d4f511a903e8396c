#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace sonvaro {

// The per-user socket of the running player: $XDG_RUNTIME_DIR/sonvaro.sock,
// else sonvaro.sock in a 0700 folder sonvaro-USER of the temporary folder
// that must be ours alone. When someone else holds that name (a folder or a
// link of theirs), the socket goes to the user's cache folder instead
// ($XDG_CACHE_HOME or ~/.cache, + sonvaro/), and `note` says so.
// Empty (and `error` says why) when none can be used.
std::string InstanceSocketPath(std::string* error = nullptr, std::string* note = nullptr);

// Holds the player's socket for the whole run. The first instance takes a
// lock file beside the socket, so two starts at the same moment cannot both
// win; a socket file nobody answers on (a crashed run) is replaced.
class InstanceClaim {
  public:
    enum class State { First, Running, Unavailable };

    // Claims `socketPath` (InstanceSocketPath() when empty).
    explicit InstanceClaim(std::string socketPath = {});
    ~InstanceClaim();
    InstanceClaim(const InstanceClaim&) = delete;
    InstanceClaim& operator=(const InstanceClaim&) = delete;

    State state() const { return state_; }
    const std::string& path() const { return path_; }
    const std::string& error() const { return error_; }
    // Set when the socket is not where it usually is, and why.
    const std::string& note() const { return note_; }
    // The listening socket while First; the server takes it over.
    int ListenDescriptor() const { return listenFd_; }

  private:
    State state_ = State::Unavailable;
    std::string path_, error_, note_;
    int lockFd_ = -1, listenFd_ = -1;
};

// A blocking stream connection to the player; -1 when none answers, also at
// once when its queue of connections is full (a player that does not accept).
int ConnectToInstance(const std::string& socketPath);

// Sends all of `bytes` within `timeoutMs`; false on a closed connection or time-out.
bool SendWithin(int fd, std::string_view bytes, int timeoutMs);
// Up to `size` bytes within `timeoutMs` (-1: no limit): > 0 read, 0 closed, -1 time-out or error.
long ReceiveWithin(int fd, void* buffer, size_t size, int timeoutMs);
void CloseConnection(int fd);

// True when the process at the other end of the connection runs as our user.
bool PeerIsSameUser(int fd);

// Wakes a thread that polls its descriptor; Signal never blocks.
class WakeSignal {
  public:
    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;
    int Descriptor() const { return fd_; }
    void Signal();
    void Consume();

  private:
    int fd_ = -1;
};

// Accepts same-user connections on a listening socket and moves their bytes
// on its own thread, so that no caller ever waits on a client: Send only
// queues. A connection whose queue grows past `maxQueued` is closed.
// Connections are kept only while they are in use: one that has been idle for
// `idleMs` (no Touch, nothing sent to it) is closed unless marked KeepOpen
// (a listener), and at `maxConnections` a new one takes the place of the one
// idle longest, so that idle clients can never lock others out.
class LocalServer {
  public:
    struct Handlers {
        // Both run on the server's thread.
        std::function<void(uint64_t connection, const uint8_t* data, size_t size)> received;
        std::function<void(uint64_t connection)> closed;
    };

    LocalServer(int listenFd, Handlers handlers, size_t maxQueued = 256 * 1024, size_t maxConnections = 128,
                int idleMs = 5000);
    // Starts the thread; the handlers may run from then on.
    void Start();
    ~LocalServer();  // sends what is queued where it can go without waiting, then closes all
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    // False when the connection is gone or has just been dropped for a full queue.
    bool Send(uint64_t connection, std::string_view bytes);
    void Close(uint64_t connection);
    // Stops taking bytes from a connection until resumed (the reader is behind).
    void PauseReading(uint64_t connection, bool paused);
    // False also when the other end has hung up and the server has not yet seen it.
    bool IsOpen(uint64_t connection) const;
    // The connection did something worth keeping it for (a whole record arrived).
    void Touch(uint64_t connection);
    // Never closed for being idle: a listener waits for notifications by design.
    void KeepOpen(uint64_t connection);

  private:
    struct Connection {
        int fd = -1;
        std::string out;
        bool paused = false;
        bool dropped = false;
        bool keepOpen = false;
        int64_t lastUse = 0;  // steady milliseconds
    };
    void Run();
    void Accept();
    // False when the connection ended.
    bool ReadFrom(uint64_t id, int fd);
    bool WriteTo(Connection& c);
    // Closes the idle connections; the milliseconds until the next may fall idle (-1: none).
    int DropIdle(int64_t now);

    int listenFd_;
    Handlers handlers_;
    size_t maxQueued_, maxConnections_;
    int idleMs_;
    WakeSignal wake_;
    mutable std::mutex mutex_;
    std::map<uint64_t, Connection> connections_;
    uint64_t nextId_ = 1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace sonvaro
