#include "app/command_line.h"

namespace sonvaro {
namespace {

CommandLine Refuse(std::string error) {
    CommandLine refused;
    refused.mode = RunMode::Refused;
    refused.error = std::move(error);
    return refused;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    bool modeGiven = false, optionsEnded = false;
    auto setMode = [&](RunMode mode) {
        if (modeGiven && line.mode != mode) return false;
        line.mode = mode;
        modeGiven = true;
        return true;
    };
    for (const std::string& arg : arguments) {
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            line.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        // Help and version answer at once, whatever else stands on the line.
        if (arg == "--help" || arg == "-h") return CommandLine{RunMode::Help};
        if (arg == "--version") return CommandLine{RunMode::Version};
        // Everything after it belongs to the remote command, options included.
        if (arg == "--remote") {
            CommandLine remote{RunMode::Remote};
            remote.files.assign(&arg + 1, arguments.data() + arguments.size());
            return remote;
        }
        RunMode mode;
        if (arg == "--headless")
            mode = RunMode::Headless;
        else if (arg == "--info")
            mode = RunMode::Info;
        else if (arg == "--has-window")
            mode = RunMode::HasWindow;
        else if (arg == "--stay") {
            line.stay = true;
            continue;
        } else {
            return Refuse("sonvaro: unbekannte Option \xE2\x80\x9E" + arg +
                          "\xE2\x80\x9C (\xE2\x80\x9Esonvaro --help\xE2\x80\x9C zeigt alle)");
        }
        if (!setMode(mode))
            return Refuse("sonvaro: \xE2\x80\x9E" + arg +
                          "\xE2\x80\x9C passt nicht zu einer anderen Betriebsart (\xE2\x80\x9Esonvaro "
                          "--help\xE2\x80\x9C zeigt alle)");
    }
    if (line.mode == RunMode::Info && line.files.empty()) {
        CommandLine refused = Refuse("sonvaro: --info braucht mindestens eine Datei");
        refused.showUsage = true;
        return refused;
    }
    return line;
}

const char* UsageText() {
    return "Aufruf: sonvaro [--stay] [DATEI]                Fenster; ohne erreichbare Anzeige wie "
           "--headless\n"
           "       sonvaro --headless [--stay] [DATEI...]  ohne Fenster spielen; endet am Listenende\n"
           "       sonvaro --info DATEI...                 zeigt, was der Player aus jeder Datei liest\n"
           "       sonvaro --remote BEFEHL [ARGUMENT]      ein Befehl an den laufenden Player (--remote "
           "--help)\n"
           "       sonvaro --has-window                    Status 0, wenn sich ein Fenster \xC3\xB6"
           "ffnen l\xC3\xA4sst\n"
           "       sonvaro --help                          diese Hilfe\n"
           "       sonvaro --version                       Programmversion\n"
           "\n"
           "  --stay  ohne Fenster auch nach dem Listenende weiterlaufen (Ende mit q, Strg+C, SIGTERM)\n"
           "  --      beendet die Optionen: jedes weitere Argument ist eine Datei\n";
}

}  // namespace sonvaro
