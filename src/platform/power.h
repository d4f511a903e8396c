#pragma once
#include <string>
#include <vector>

namespace sonvaro {

// Runs `systemctl --no-ask-password poweroff` and waits for it; true when it
// reported success. No password question on a terminal: a player started from
// one must not hang on it.
bool PowerOffWithSystemctl();

// Runs a program found on PATH with `args` and waits for it; its exit status,
// or -1 when it could not be started or did not exit normally.
int RunProgram(const std::string& program, const std::vector<std::string>& args);

}  // namespace sonvaro
