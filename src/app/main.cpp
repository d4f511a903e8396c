#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/headless.h"
#include "app/info_command.h"
#include "app/remote_client.h"
#include "app/windowed.h"
#include "companions/update_check.h"
#include "core/numbers.h"
#include "platform/end_signals.h"
#include "platform/fault_handler.h"
#include "platform/instance_socket.h"

int main(int argc, char** argv) {
    sonvaro::InstallFaultHandler();
    const sonvaro::CommandLine line =
        sonvaro::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (line.mode) {
        case sonvaro::RunMode::Refused:
            std::fprintf(stderr, "%s\n", line.error.c_str());
            if (line.showUsage) std::fputs(sonvaro::UsageText(), stderr);
            return 2;
        case sonvaro::RunMode::Help:
            std::fputs(sonvaro::UsageText(), stdout);
            return 0;
        case sonvaro::RunMode::Version:
            std::printf("Sonvaro %s\n", sonvaro::VersionText(sonvaro::kInstalledVersion).c_str());
            return 0;
        case sonvaro::RunMode::HasWindow:
            return sonvaro::CanOpenWindow() ? 0 : 1;
        case sonvaro::RunMode::Info:
            return sonvaro::RunInfo(line.files, stdout, stderr);
        case sonvaro::RunMode::Remote:
            return sonvaro::RunRemoteCommand(line.files);
        case sonvaro::RunMode::Window:
        case sonvaro::RunMode::Headless:
            break;
    }
    // Before any thread exists, so that every thread inherits the blocked set.
    sonvaro::EndSignals endSignals;
    // One player per user: a second start hands its files to the first.
    sonvaro::InstanceClaim instance;
    if (instance.state() == sonvaro::InstanceClaim::State::Running) {
        // Waiting on a busy player, Ctrl-C or SIGTERM ends this start at once.
        endSignals.Release();
        return sonvaro::HandOverToRunningPlayer(instance.path(), line.files);
    }
    // Said where the user sees it: the log window is not open yet.
    if (!instance.note().empty()) std::fprintf(stderr, "Sonvaro: %s\n", instance.note().c_str());
    if (instance.state() == sonvaro::InstanceClaim::State::Unavailable)
        std::fprintf(stderr, "Sonvaro: kein zweiter Start möglich, Fernsteuerung aus: %s\n",
                     instance.error().c_str());
    if (line.mode == sonvaro::RunMode::Window) {
        std::string why;
        if (sonvaro::CanOpenWindow(&why))
            return sonvaro::RunWindowed(argc, argv, line.files, endSignals, &instance);
        if (why.empty())
            std::fputs("Sonvaro: keine Anzeige erreichbar, starte ohne Fenster.\n", stderr);
        else
            std::fprintf(stderr, "Sonvaro: keine Anzeige erreichbar (%s), starte ohne Fenster.\n",
                         why.c_str());
    }
    return sonvaro::RunHeadless(line.files, line.stay, endSignals, &instance);
}
