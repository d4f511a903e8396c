#include "platform/instance_socket.h"

#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/app_folders.h"

namespace sonvaro {
namespace {

bool FillAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

// A folder only we may enter: created 0700, or found so (not a link, ours, no one else's access).
bool PrivateFolder(const std::string& folder, std::string* error) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        if (error) *error = folder + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() ||
        (st.st_mode & 077) != 0) {
        if (error) *error = folder + " gehört nicht allein diesem Benutzer";
        return false;
    }
    return true;
}

// The socket in `folder` (ending in "/"); empty when the name does not fit an address.
std::string SocketIn(const std::string& folder, std::string* error) {
    const std::string path = folder + "sonvaro.sock";
    if (path.size() >= sizeof(sockaddr_un::sun_path)) {
        if (error) *error = path + ": Pfad zu lang für einen Socket";
        return {};
    }
    return path;
}

// $XDG_CACHE_HOME or ~/.cache: nobody but the user can make a folder there.
std::string CacheFolder() {
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache == '/') return cache;
    if (const char* home = std::getenv("HOME"); home && *home == '/') return std::string(home) + "/.cache";
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_dir && *pw->pw_dir == '/')
        return std::string(pw->pw_dir) + "/.cache";
    return {};
}

std::string UserName() {
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name && *pw->pw_name) return pw->pw_name;
    return std::to_string(::geteuid());
}

}  // namespace

std::string InstanceSocketPath(std::string* error, std::string* note) {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        std::string folder = runtime;
        if (folder.back() != '/') folder += '/';
        return SocketIn(folder, error);
    }
    // A shared temporary folder: anyone may take our name there first.
    const std::string shared = GetTempFolder() + "sonvaro-" + UserName();
    std::string why;
    if (PrivateFolder(shared, &why))
        if (std::string path = SocketIn(shared + "/", &why); !path.empty()) return path;
    // Then a folder under our own home, where nobody else can make one.
    const std::string cache = CacheFolder();
    std::string cacheWhy = "kein Cache-Ordner";
    if (!cache.empty()) {
        ::mkdir(cache.c_str(), 0700);  // a fresh account may have none yet
        const std::string folder = cache + "/sonvaro";
        if (PrivateFolder(folder, &cacheWhy)) {
            if (std::string path = SocketIn(folder + "/", &cacheWhy); !path.empty()) {
                if (note) *note = why + "; Socket stattdessen: " + path;
                return path;
            }
        }
    }
    if (error) *error = why + "; " + cacheWhy;
    return {};
}

InstanceClaim::InstanceClaim(std::string socketPath) {
    path_ = socketPath.empty() ? InstanceSocketPath(&error_, &note_) : std::move(socketPath);
    if (path_.empty()) return;
    const std::string lockPath = path_ + ".lock";
    lockFd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd_ < 0) {
        error_ = lockPath + ": " + std::strerror(errno);
        return;
    }
    if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        state_ = State::Running;
        ::close(lockFd_);
        lockFd_ = -1;
        return;
    }
    // Ours now. A player that answers without the lock (its lock file was
    // removed) still counts as running; a socket nobody answers on is stale.
    if (const int probe = ConnectToInstance(path_); probe >= 0) {
        ::close(probe);
        state_ = State::Running;
        ::close(lockFd_);
        lockFd_ = -1;
        return;
    }
    ::unlink(path_.c_str());
    sockaddr_un address;
    FillAddress(path_, address);
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const mode_t oldMask = ::umask(0177);  // the socket is born 0600: no window for others
    const bool bound =
        listenFd_ >= 0 && ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::umask(oldMask);
    if (!bound || ::chmod(path_.c_str(), 0600) != 0 || ::listen(listenFd_, 64) != 0) {
        error_ = path_ + ": " + std::strerror(errno);
        if (listenFd_ >= 0) ::close(listenFd_);
        listenFd_ = -1;
        ::close(lockFd_);
        lockFd_ = -1;
        return;
    }
    state_ = State::First;
}

InstanceClaim::~InstanceClaim() {
    if (state_ != State::First) return;
    ::unlink(path_.c_str());  // while the lock is held, so no newer player's socket goes
    if (listenFd_ >= 0) ::close(listenFd_);
    ::close(lockFd_);
}

int ConnectToInstance(const std::string& socketPath) {
    sockaddr_un address;
    if (!FillAddress(socketPath, address)) return -1;
    // Non-blocking: a local connect waits without end while the player's
    // queue is full; here it fails at once (EAGAIN) and the caller may retry.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    int rc;
    do rc = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    while (rc != 0 && errno == EINTR);
    if (rc != 0 || !PeerIsSameUser(fd)) {
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

namespace {
int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool WaitFor(int fd, short events, int timeoutMs) {
    pollfd pfd{fd, events, 0};
    int n;
    do n = ::poll(&pfd, 1, timeoutMs);
    while (n < 0 && errno == EINTR);
    return n == 1;
}
}  // namespace

bool SendWithin(int fd, std::string_view bytes, int timeoutMs) {
    while (!bytes.empty()) {
        if (!WaitFor(fd, POLLOUT, timeoutMs)) return false;
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

long ReceiveWithin(int fd, void* buffer, size_t size, int timeoutMs) {
    for (;;) {
        if (!WaitFor(fd, POLLIN, timeoutMs)) return -1;
        const ssize_t n = ::recv(fd, buffer, size, MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        return n;
    }
}

void CloseConnection(int fd) {
    if (fd >= 0) ::close(fd);
}

bool PeerIsSameUser(int fd) {
    ucred cred{};
    socklen_t length = sizeof cred;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &length) == 0 && cred.uid == ::geteuid();
}

WakeSignal::WakeSignal() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

WakeSignal::~WakeSignal() {
    if (fd_ >= 0) ::close(fd_);
}

void WakeSignal::Signal() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(fd_, &one, sizeof one);
}

void WakeSignal::Consume() {
    uint64_t value;
    [[maybe_unused]] const ssize_t n = ::read(fd_, &value, sizeof value);
}

LocalServer::LocalServer(int listenFd, Handlers handlers, size_t maxQueued, size_t maxConnections, int idleMs)
    : listenFd_(listenFd),
      handlers_(std::move(handlers)),
      maxQueued_(maxQueued),
      maxConnections_(std::max<size_t>(1, maxConnections)),
      idleMs_(idleMs) {
    ::fcntl(listenFd_, F_SETFL, ::fcntl(listenFd_, F_GETFL) | O_NONBLOCK);
}

void LocalServer::Start() {
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
}

LocalServer::~LocalServer() {
    stop_ = true;
    wake_.Signal();
    if (thread_.joinable()) thread_.join();
    std::lock_guard lock(mutex_);
    for (auto& [id, c] : connections_) {
        WriteTo(c);
        ::close(c.fd);
    }
}

bool LocalServer::Send(uint64_t connection, std::string_view bytes) {
    {
        std::lock_guard lock(mutex_);
        const auto it = connections_.find(connection);
        if (it == connections_.end() || it->second.dropped) return false;
        Connection& c = it->second;
        if (c.out.size() + bytes.size() > maxQueued_) {
            c.dropped = true;  // a reader this far behind has stopped reading
            c.out.clear();
        } else {
            c.out.append(bytes);
            c.lastUse = NowMs();
        }
    }
    wake_.Signal();
    return true;
}

void LocalServer::Close(uint64_t connection) {
    {
        std::lock_guard lock(mutex_);
        const auto it = connections_.find(connection);
        if (it != connections_.end()) it->second.dropped = true;
    }
    wake_.Signal();
}

void LocalServer::PauseReading(uint64_t connection, bool paused) {
    {
        std::lock_guard lock(mutex_);
        const auto it = connections_.find(connection);
        if (it != connections_.end()) it->second.paused = paused;
    }
    wake_.Signal();
}

bool LocalServer::IsOpen(uint64_t connection) const {
    std::lock_guard lock(mutex_);
    const auto it = connections_.find(connection);
    if (it == connections_.end() || it->second.dropped) return false;
    // The thread may not have read the end yet: ask the socket itself.
    pollfd pfd{it->second.fd, POLLRDHUP, 0};
    return ::poll(&pfd, 1, 0) == 0 || (pfd.revents & (POLLRDHUP | POLLHUP | POLLERR)) == 0;
}

void LocalServer::Touch(uint64_t connection) {
    std::lock_guard lock(mutex_);
    if (const auto it = connections_.find(connection); it != connections_.end()) it->second.lastUse = NowMs();
}

void LocalServer::KeepOpen(uint64_t connection) {
    std::lock_guard lock(mutex_);
    if (const auto it = connections_.find(connection); it != connections_.end()) it->second.keepOpen = true;
}

void LocalServer::Accept() {
    for (;;) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;
        if (!PeerIsSameUser(fd)) {
            ::close(fd);
            continue;
        }
        std::lock_guard lock(mutex_);
        size_t open = 0;
        Connection* idlest = nullptr;
        for (auto& [id, c] : connections_) {
            if (c.dropped) continue;
            ++open;
            if (!c.keepOpen && (!idlest || c.lastUse < idlest->lastUse)) idlest = &c;
        }
        if (open >= maxConnections_) {
            if (!idlest) {  // all listeners: the newcomer is turned away, nobody waits
                ::close(fd);
                continue;
            }
            idlest->dropped = true;
        }
        Connection& c = connections_[nextId_++];
        c.fd = fd;
        c.lastUse = NowMs();
    }
}

int LocalServer::DropIdle(int64_t now) {
    std::lock_guard lock(mutex_);
    int64_t next = -1;
    for (auto& [id, c] : connections_) {
        if (c.dropped || c.keepOpen) continue;
        const int64_t left = c.lastUse + idleMs_ - now;
        if (left <= 0)
            c.dropped = true;
        else if (next < 0 || left < next)
            next = left;
    }
    return static_cast<int>(next);
}

bool LocalServer::ReadFrom(uint64_t id, int fd) {
    uint8_t buffer[16 * 1024];
    for (int round = 0; round < 8; ++round) {  // then let the others have a turn
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            handlers_.received(id, buffer, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return true;
        return false;
    }
    return true;
}

bool LocalServer::WriteTo(Connection& c) {
    while (!c.out.empty()) {
        const ssize_t n = ::send(c.fd, c.out.data(), c.out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            c.out.erase(0, static_cast<size_t>(n));
            continue;
        }
        return n < 0 && (errno == EAGAIN || errno == EINTR);
    }
    return true;
}

void LocalServer::Run() {
    std::vector<pollfd> fds;
    std::vector<uint64_t> ids;
    while (!stop_) {
        const int timeout = DropIdle(NowMs());
        fds.clear();
        ids.clear();
        std::vector<uint64_t> ended;
        {
            std::lock_guard lock(mutex_);
            fds.push_back({wake_.Descriptor(), POLLIN, 0});
            // Always: a full house makes room for a newcomer (Accept), it never stops taking them.
            fds.push_back({listenFd_, POLLIN, 0});
            for (auto it = connections_.begin(); it != connections_.end();) {
                if (it->second.dropped) {
                    ::close(it->second.fd);
                    ended.push_back(it->first);
                    it = connections_.erase(it);
                    continue;
                }
                short events = it->second.paused ? 0 : POLLIN;
                if (!it->second.out.empty()) events |= POLLOUT;
                fds.push_back({it->second.fd, events, 0});
                ids.push_back(it->first);
                ++it;
            }
        }
        for (uint64_t id : ended) handlers_.closed(id);
        if (!ended.empty()) continue;
        if (::poll(fds.data(), fds.size(), timeout) < 0) continue;
        if (fds[0].revents) wake_.Consume();
        if (fds[1].revents) Accept();
        for (size_t i = 0; i < ids.size(); ++i) {
            const short revents = fds[i + 2].revents;
            if (!revents) continue;
            bool alive = true;
            if (revents & (POLLIN | POLLHUP | POLLERR)) alive = ReadFrom(ids[i], fds[i + 2].fd);
            std::lock_guard lock(mutex_);
            const auto it = connections_.find(ids[i]);
            if (it == connections_.end()) continue;
            if (alive && (revents & POLLOUT)) alive = WriteTo(it->second);
            if (!alive) it->second.dropped = true;
        }
    }
}

}  // namespace sonvaro
