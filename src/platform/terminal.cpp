#include "platform/terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>

namespace sonvaro {

static_assert(sizeof(termios) <= 64, "TerminalKeys keeps a termios");

bool IsTerminal(std::FILE* stream) {
    return stream && ::isatty(::fileno(stream)) == 1;
}

TerminalKeys::TerminalKeys() {
    termios settings{};
    // Only in the foreground: a player started with "&" must not stop on SIGTTOU.
    if (::isatty(0) != 1 || ::tcgetpgrp(0) != ::getpgrp() || ::tcgetattr(0, &settings) != 0) return;
    std::memcpy(saved_, &settings, sizeof settings);
    settings.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    active_ = ::tcsetattr(0, TCSANOW, &settings) == 0;
}

TerminalKeys::~TerminalKeys() {
    if (!active_) return;
    termios settings{};
    std::memcpy(&settings, saved_, sizeof settings);
    ::tcsetattr(0, TCSANOW, &settings);
}

int TerminalKeys::ReadKey() {
    if (!active_) return -1;
    unsigned char key = 0;
    return ::read(0, &key, 1) == 1 ? key : -1;
}

unsigned WaitForInput(std::initializer_list<int> descriptors, int timeoutMs) {
    pollfd fds[8];
    nfds_t n = 0;
    for (int fd : descriptors)
        if (n < 8) fds[n++] = {fd, POLLIN, 0};  // a negative descriptor is skipped by poll
    if (::poll(fds, n, timeoutMs) <= 0) return 0;
    unsigned ready = 0;
    for (nfds_t i = 0; i < n; ++i)
        if (fds[i].revents) ready |= 1u << i;
    return ready;
}

}  // namespace sonvaro
