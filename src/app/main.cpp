#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/headless.h"
#include "app/info_command.h"
#include "app/remote_client.h"
#include "platform/instance_socket.h"
#include "platform/end_signals.h"
#include "platform/fault_handler.h"
#include "app/windowed.h"

namespace {

void PrintHelp() {
    std::puts(
        "Aufruf: sonvaro [DATEI]\n"
        "       sonvaro --headless [DATEI...]\n"
        "       sonvaro --info DATEI...\n"
        "       sonvaro --remote BEFEHL [ARGUMENT]   (sonvaro --remote --help)\n"
        "\n"
        "  --headless   ohne Fenster spielen; endet mit SIGINT oder SIGTERM (mit Speichern)\n"
        "  --info       zeigt, was der Player aus jeder Datei liest, und endet\n"
        "  --help       diese Hilfe\n"
        "  --version    Programmversion");
}

// Without any of these Qt cannot open a window and would abort.
bool DisplayNamed() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (const char* value = std::getenv(name); value && *value) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    sonvaro::InstallFaultHandler();
    bool headless = false;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            PrintHelp();
            return 0;
        }
        if (arg == "--version") {
            std::puts("Sonvaro 1.09");
            return 0;
        }
        if (arg == "--has-window") return DisplayNamed() ? sonvaro::CheckWindowPlatform(argc, argv) : 1;
        if (arg == "--headless") {
            headless = true;
            continue;
        }
        if (arg == "--remote") return sonvaro::RunRemoteCommand({argv + i + 1, argv + argc});
        if (arg == "--info") {
            std::vector<std::string> infoFiles(argv + i + 1, argv + argc);
            if (infoFiles.empty()) {
                PrintHelp();
                return 2;
            }
            return sonvaro::RunInfo(infoFiles, stdout);
        }
        files.push_back(arg);
    }
    // Before any thread exists, so that every thread inherits the blocked set.
    sonvaro::EndSignals endSignals;
    // One player per user: a second start hands its files to the first.
    sonvaro::InstanceClaim instance;
    if (instance.state() == sonvaro::InstanceClaim::State::Running)
        return sonvaro::HandOverToRunningPlayer(instance.path(), files);
    if (!headless) {
        if (DisplayNamed())
            return sonvaro::RunWindowed(argc, argv, files, endSignals, &instance);
        std::fputs("Sonvaro: keine Anzeige gefunden, starte ohne Fenster.\n", stderr);
    }
    return sonvaro::RunHeadless(files, endSignals, &instance);
}
