#pragma once
// A private Xvfb for the tests that need a real X server, and xdotool against it.
// -noreset: by default the server resets whenever its last client leaves and
// hangs up on a client that connects meanwhile: the player's display probe
// right after one of the test's xdotool calls then found no display.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

extern char** environ;

namespace sonvaro::test {

// An Xvfb of its own, on the display number it chose; stopped at the end.
class PrivateXServer {
  public:
    PrivateXServer() {
        int fds[2];
        if (pipe(fds) != 0) return;
        const std::string fd = std::to_string(fds[1]);
        const char* argv[] = {"Xvfb",     "-displayfd", fd.c_str(), "-nolisten",  "tcp",
                              "-noreset", "-screen",    "0",        "640x480x24", nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&pid_, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = 0;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        // It writes its display number once it accepts clients.
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        while (pid_ != 0 && poll(&p, 1, 10000) == 1) {
            char c = 0;
            if (read(fds[0], &c, 1) != 1 || c == '\n') break;
            number += c;
        }
        close(fds[0]);
        if (!number.empty()) name_ = ":" + number;
    }
    ~PrivateXServer() {
        if (pid_ == 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    const std::string& Name() const { return name_; }
    // Runs xdotool against this server; true when it succeeded.
    bool Xdotool(const std::string& args) const {
        return std::system(("DISPLAY=" + name_ + " xdotool " + args).c_str()) == 0;
    }

    // Runs xdotool against this server; what it printed ("" when it failed).
    std::string XdotoolOutput(const std::string& args) const {
        std::string out;
        FILE* pipe = popen(("DISPLAY=" + name_ + " xdotool " + args + " 2>/dev/null").c_str(), "r");
        if (!pipe) return out;
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
        if (pclose(pipe) != 0) out.clear();
        return out;
    }

  private:
    pid_t pid_ = 0;
    std::string name_;
};

}  // namespace sonvaro::test
