#pragma once
#include <string>
#include <vector>

namespace sonvaro {

// What the command line asks for. A new mode gets its value here, its option
// in ParseCommandLine and one line in UsageText.
enum class RunMode {
    Window,     // the main window (headless when no display can be reached)
    Headless,   // --headless
    Info,       // --info FILE...
    Help,       // --help, -h
    Version,    // --version
    HasWindow,  // --has-window: exit 0 when a window could be opened
    Remote,     // --remote COMMAND [ARGUMENT]: one command to the running player (in `files`)
    Refused,    // a usage error; `error` says why, exit status 2
};

struct CommandLine {
    RunMode mode = RunMode::Window;
    std::vector<std::string> files;  // as given, bytes untouched
    bool stay = false;               // --stay: without a window, keep running when the list ends
    std::string error;               // one line, for RunMode::Refused
    bool showUsage = false;          // the usage follows the error
};

// Options may stand anywhere; "--" ends them, so "-x.mp3" after it is a file.
// A lone "-" is a file name too.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The usage: one line per mode and option.
const char* UsageText();

}  // namespace sonvaro
