#include <chrono>
#include <thread>

#include "core/clock.h"
#include "library/library_scan.h"
#include "library/library_watch.h"
#include "session/application.h"

namespace sonvaro {

int Application::ReadLibraryTrack(TrackInfo& info) {
    return tags.ReadTrackInfo(info);
}

void Application::FinishLibraryLoad() {
    libraryLoad_.Wait();
    if (!libraryWorkersStarted_) StartLibraryWorkers();
}

void Application::StartLibraryWorkers() {
    libraryWorkersStarted_ = true;
    if (shuttingDown_) return;
    const Settings& s = data.settings;
    workers.backgroundIndex = s.MediaLib_BGIndex;
    workers.backgroundOn = s.MediaLib_BackgroundScan == 1;
    player.SetAddToLibraryHandler([this](const std::string& path) {
        AddFileToLibrary(data.library, path, LibraryRootOf(data.settings.MediaLib_Path),
                         [this](TrackInfo& info) { return ReadLibraryTrack(info); });
    });
    // An unreachable folder is left alone (said when it was found so).
    const std::string root = LibraryRootOf(s.MediaLib_Path);
    const bool startCheck = s.MediaLib_StartCheck != 0;
    // Without an engine every read fails, and the refresh would take that for
    // vanished files: it only runs when tags can be read.
    if (!engine.running) {
        if (startCheck && ValidateLibrary(data.library, root).outcome == Validation::NoFileReachable)
            log.LogStatus(kNoFileReachableText);
        return;
    }
    BackgroundOptions options;
    options.tick = clock.tick;
    // A step is due every 2.5 s: looking five times as often is enough, and
    // each wake-up costs a player that plays for hours.
    options.poll = std::chrono::milliseconds(500);
    options.log = &log;
    options.startCheck = startCheck;
    options.startCheckRoot = root;
    StartBackgroundRefresh(data.library, workers, std::move(options),
                           [this](TrackInfo& info) { return ReadLibraryTrack(info); });
    // Changes on disk show at once; the refresh stays for what the watch cannot see.
    LibraryWatchOptions watch;
    watch.log = &log;
    StartLibraryWatch(data.library, workers, std::move(watch),
                      [this](TrackInfo& info) { return ReadLibraryTrack(info); });
}

void Application::StopLibraryWorkers() {
    if (!StopLibraryThreads(workers, std::chrono::milliseconds(2500))) libraryWorkersLetGo_ = true;
    data.settings.MediaLib_BGIndex = workers.backgroundIndex;
}

bool Application::StartLibraryScan() {
    if (!engine.running || shuttingDown_) return false;
    ScanOptions options;
    options.root = LibraryRootOf(data.settings.MediaLib_Path);
    options.log = &log;
    // The folder may just have been chosen: the refresh looks for it from now on.
    workers.SetLibraryFolder(data.settings.MediaLib_Path);
    options.cpuFriendly = data.settings.MediaLib_CPU != 0;
    options.sleep = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
    return sonvaro::StartLibraryScan(
        data.library, workers, std::move(options), [this](TrackInfo& info) { return ReadLibraryTrack(info); },
        ports.messages);
}

void Application::StopLibraryScan() {
    sonvaro::StopLibraryScan(workers);
}

}  // namespace sonvaro
