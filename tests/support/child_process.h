#pragma once
// A program the test starts on a private X server (a window manager, the
// player), with its output thrown away; killed at the end unless it ended.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace sonvaro::test {

class ChildProcess {
  public:
    // `env` comes before the test's own environment, so its entries win.
    ChildProcess(const std::string& display, std::vector<std::string> args, std::vector<std::string> env) {
        env.push_back("DISPLAY=" + display);
        for (char** e = environ; *e; ++e) env.emplace_back(*e);
        std::vector<char*> argv, envp;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = 0;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~ChildProcess() {
        if (pid_ == 0 || ended_) return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return pid_ != 0; }
    // True once it has ended; its exit status is then kept in `status`.
    bool Ended() {
        if (pid_ != 0 && !ended_ && waitpid(pid_, &status_, WNOHANG) == pid_) ended_ = true;
        return ended_;
    }
    // The exit code of a program that ended by itself, -1 otherwise.
    int ExitCode() const { return ended_ && WIFEXITED(status_) ? WEXITSTATUS(status_) : -1; }

  private:
    pid_t pid_ = 0;
    bool ended_ = false;
    int status_ = 0;
};

}  // namespace sonvaro::test
