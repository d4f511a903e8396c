#include "app/headless.h"

#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

#include "app/application.h"
#include "app/console_messages.h"
#include "app/console_ports.h"
#include "platform/app_folders.h"
#include "platform/file_info.h"

namespace sonvaro {
namespace {

// Replaces the playlist with what the command line names and plays its first playable row.
void PlayArguments(Application& app, const std::vector<std::string>& arguments) {
    if (!arguments.empty()) {
        app.data.playlist.clear();
        for (const std::string& arg : arguments) {
            if (IsDirectory(arg)) app.editor.AddFolder(arg, app.data.settings.Misc_RecursiveFolder != 0);
            else app.editor.AddToPlaylist(arg);
        }
    }
    for (size_t row = 0; row < app.data.playlist.size(); ++row)
        if (app.playback.PlayRow(static_cast<int32_t>(row))) break;
}

}  // namespace

int RunHeadless(const std::vector<std::string>& arguments) {
    // Blocked before anything else, so that no ending signal is lost while starting.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGINT);
    sigaddset(&endSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);
    const int signals = signalfd(-1, &endSignals, SFD_CLOEXEC);

    ConsoleMessages messages;
    ConsoleSplash splash;
    ConsolePlayerDisplay display(stdout);
    ConsolePlaylistView view;
    ConsoleShutdown shutdown;
    Application app(ApplicationPorts{messages, splash, display, view, shutdown}, GetAppDataFolder(), SystemClock());
    app.StartUp();
    std::printf("Sonvaro (ohne Fenster): %s\n", app.data.dataFolder.c_str());
    std::fflush(stdout);
    PlayArguments(app, arguments);

    uint32_t nextTick = app.clock.tick(), nextAutosave = nextTick;
    for (;;) {
        const uint32_t now = app.clock.tick();
        if (static_cast<int32_t>(now - nextTick) >= 0) {
            app.PlayerTick();
            nextTick = now + 50;
        }
        if (static_cast<int32_t>(now - nextAutosave) >= 0) {
            app.AutosaveTick();
            nextAutosave = now + 250;
        }
        const int32_t wait = std::max<int32_t>(0, static_cast<int32_t>(nextTick - app.clock.tick()));
        pollfd pfd{signals, POLLIN, 0};
        if (poll(&pfd, 1, wait) > 0) break;
    }
    std::printf("\n");
    app.RequestExit(false);
    close(signals);
    return 0;
}

}  // namespace sonvaro
