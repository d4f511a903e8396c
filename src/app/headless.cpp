#include "app/headless.h"

#include <csignal>
#include <cstdio>

#include "app/console_messages.h"
#include "app/player_data.h"
#include "core/data_folder.h"
#include "core/status_log.h"
#include "platform/app_folders.h"

namespace sonvaro {

int RunHeadless() {
    // Block the ending signals before anything else so that none is lost while loading.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGINT);
    sigaddset(&endSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);

    ConsoleMessages messages;
    StatusLog log;
    const std::string appData = GetAppDataFolder();
    EnsureDataFolder(appData, messages);
    PlayerData data(DataFolderPath(appData));
    data.LoadAll(nullptr, nullptr);
    ++data.settings.statistics.AppStart;

    size_t libraryCount;
    {
        std::lock_guard lock(data.library.libraryLock);
        libraryCount = data.library.entries.size();
    }
    std::printf("Sonvaro (ohne Fenster): %s, Medienbibliothek %zu, Wiedergabeliste %zu\n",
                data.dataFolder.c_str(), libraryCount, data.playlist.size());
    std::fflush(stdout);

    int signal = 0;
    while (sigwait(&endSignals, &signal) != 0) {
    }
    data.SaveAll(messages, log);
    return 0;
}

}  // namespace sonvaro
