#include "platform/power.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

extern char** environ;

namespace sonvaro {

int RunProgram(const std::string& program, const std::vector<std::string>& args) {
    std::vector<std::string> owned;
    owned.reserve(args.size() + 1);
    owned.push_back(program);
    owned.insert(owned.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : owned) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool PowerOffWithSystemctl() {
    return RunProgram("systemctl", {"--no-ask-password", "poweroff"}) == 0;
}

}  // namespace sonvaro
