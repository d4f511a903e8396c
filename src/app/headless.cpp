#include "app/headless.h"

#include <cstdio>

#include "session/application.h"
#include "app/console_messages.h"
#include "app/console_ports.h"
#include "app/remote_start.h"
#include "platform/app_folders.h"
#include "platform/end_signals.h"
#include "platform/file_info.h"

namespace sonvaro {
namespace {

// The command line's files as a temporary playlist (the saved one stays on
// disk as it is). False when an end signal came while they were being added.
bool AddArguments(Application& app, const std::vector<std::string>& arguments) {
    if (arguments.empty()) return true;
    app.data.playlistTemporary = true;
    app.data.playlist.clear();
    for (const std::string& arg : arguments) {
        if (IsDirectory(arg)) app.editor.AddFolder(arg, app.data.settings.Misc_RecursiveFolder != 0);
        else app.editor.AddToPlaylist(arg);
        if (app.editor.AddingStopped()) return false;
    }
    return true;
}

void PlayFirstPlayableRow(Application& app) {
    for (size_t row = 0; row < app.data.playlist.size(); ++row)
        if (app.control.PlayRow(static_cast<int32_t>(row))) break;
}

}  // namespace

int RunHeadless(const std::vector<std::string>& arguments, EndSignals& endSignals, InstanceClaim* instance) {
    ConsoleMessages messages;
    ConsoleSplash splash;
    ConsolePlayerDisplay display(stdout);
    ConsolePlaylistView view(endSignals);
    ConsoleShutdown shutdown;
    Application app(ApplicationPorts{messages, splash, display, view, shutdown}, GetAppDataFolder(), SystemClock());
    app.StartUp();
    std::printf("Sonvaro (ohne Fenster): %s\n", app.data.dataFolder.c_str());
    std::fflush(stdout);
    HeadlessRemoteWindow remoteWindow(view);
    const auto remote = instance ? StartRemoteControl(app, remoteWindow, *instance) : nullptr;
    if (!endSignals.Pending() && AddArguments(app, arguments)) PlayFirstPlayableRow(app);

    uint32_t nextTick = app.clock.tick(), nextAutosave = nextTick;
    while (!endSignals.Pending() && !remoteWindow.exitRequested) {
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
        WaitForEndOrCommand(endSignals, remote.get(), wait);
    }
    std::printf("\n");
    app.RequestExit(false);
    return 0;
}

}  // namespace sonvaro
