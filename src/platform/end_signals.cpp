#include "platform/end_signals.h"

#include <poll.h>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace sonvaro {

EndSignals::EndSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    fd_ = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
}

EndSignals::~EndSignals() {
    if (fd_ >= 0) ::close(fd_);
}

bool EndSignals::Wait(int timeoutMs) const {
    if (fd_ < 0) return false;
    pollfd pfd{fd_, POLLIN, 0};
    int n;
    do n = ::poll(&pfd, 1, timeoutMs);
    while (n < 0 && errno == EINTR);
    return n > 0;
}

bool EndSignals::Pending() const {
    return Wait(0);
}

void EndSignals::Release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

void EndSignals::Consume() {
    if (fd_ < 0) return;
    signalfd_siginfo info;
    while (::read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    }
}

}  // namespace sonvaro
