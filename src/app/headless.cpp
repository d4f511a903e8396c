#include "app/headless.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "app/console_messages.h"
#include "app/console_ports.h"
#include "app/info_command.h"
#include "app/process_end.h"
#include "app/remote_start.h"
#include "desktop/mpris_service.h"
#include "platform/app_folders.h"
#include "platform/end_signals.h"
#include "platform/file_info.h"
#include "platform/terminal.h"
#include "session/application.h"

namespace sonvaro {
namespace {

// The command line's files as a temporary playlist (the saved one stays on
// disk as it is); each argument that adds nothing is named on stderr. False
// when an end signal came while they were being added.
bool AddArguments(Application& app, const std::vector<std::string>& arguments) {
    if (arguments.empty()) return true;
    app.data.playlistTemporary = true;
    app.data.playlist.clear();
    for (const std::string& arg : arguments) {
        const size_t before = app.data.playlist.size();
        if (!app.editor.AddPath(arg)) {
            std::fprintf(stderr, "sonvaro: %s: %s\n", arg.c_str(), UnplayableReason(arg).c_str());
            continue;
        }
        if (app.editor.AddingStopped()) return false;
        if (app.data.playlist.size() != before) continue;
        // A list on a server that could not be had says why; a body that is no list is no known format.
        const std::string why = IsDirectory(arg) ? "keine abspielbaren Dateien im Ordner"
                                : !app.editor.AddressFailure().empty() ? app.editor.AddressFailure()
                                                                       : "Format nicht erkannt";
        std::fprintf(stderr, "sonvaro: %s: %s\n", arg.c_str(), why.c_str());
    }
    return true;
}

constexpr int kTickMs = 50;         // the player's tick
constexpr int kSteadyTickMs = 250;  // while a file plays on with nothing due (ChannelPlayer::SteadyFor)

bool PlayFirstPlayableRow(Application& app) {
    for (size_t row = 0; row < app.data.playlist.size(); ++row) {
        if (app.control.PlayRow(static_cast<int32_t>(row))) return true;
        // A station connects on a thread of its own: not playing yet, but not
        // unplayable either. Should it not answer, the list goes on after it.
        if (app.radio.Connecting() > 0) return true;
    }
    return false;
}

bool Sounding(const Application& app) {
    const PlayerState& state = app.player.State();
    return state.slotChannel[0] || state.slotChannel[1];
}

// Nothing sounds and no station is being connected to.
bool Idle(const Application& app) {
    const PlayerState& state = app.player.State();
    return !state.slotChannel[0] && !state.slotChannel[1] && app.radio.Connecting() <= 0;
}

// One key of the terminal; false for "q".
bool HandleKey(Application& app, int key) {
    switch (key) {
        case ' ':
            app.control.TogglePause();
            break;
        case 'n':
            app.control.Next();
            break;
        case 'p':
            app.control.Previous();
            break;
        case '+':
        case '=':
            app.control.SetVolume(std::min(100, app.control.Volume() + 5));
            break;
        case '-':
            app.control.SetVolume(std::max(0, app.control.Volume() - 5));
            break;
        case 'q':
            return false;
        default:
            break;
    }
    return true;
}

}  // namespace

int RunHeadless(const std::vector<std::string>& arguments, bool stay, EndSignals& endSignals,
                InstanceClaim* instance) {
    ConsoleMessages messages;
    ConsoleSplash splash;
    ConsolePlayerDisplay display(stdout);
    ConsolePlaylistView view(endSignals);
    ConsoleShutdown shutdown;
    Application app(ApplicationPorts{messages, splash, display, view, shutdown}, GetAppDataFolder(),
                    SystemClock());
    app.StartUp();
    std::printf("Sonvaro (ohne Fenster): %s\n", app.data.dataFolder.c_str());
    TerminalKeys keys;
    if (keys.Active())
        std::printf(
            "Tasten: Leertaste Pause/Weiter, n/p n\xC3\xA4"
            "chster/voriger Titel, +/- Lautst\xC3\xA4rke, q Beenden\n");
    std::fflush(stdout);
    HeadlessRemoteWindow remoteWindow(view);
    const auto remote = instance ? StartRemoteControl(app, remoteWindow, *instance) : nullptr;

    // The session bus is served from Qt's event queue, which the loop below
    // drains at every turn (at least every 50 ms).
    static int qtArgc = 1;
    static char qtName[] = "sonvaro";
    static char* qtArgv[] = {qtName, nullptr};
    QCoreApplication qapp(qtArgc, qtArgv);
    bool quit = false;
    const auto mpris = MprisService::Start(app, {}, [&quit, &view] {
        quit = true;
        view.StopAdding();
    });
    // A long import (a folder, station lists on slow servers) keeps the socket
    // and the session bus served; their commands run in between.
    view.SetEventPump([&remote] {
        if (remote) remote->ProcessPending();
        QCoreApplication::processEvents();
    });

    bool playing = false, heard = false;
    if (!endSignals.Pending() && AddArguments(app, arguments)) {
        playing = PlayFirstPlayableRow(app);
        heard = Sounding(app);
        if (!playing && !stay && !endSignals.Pending()) {
            std::fputs("sonvaro: nichts Abspielbares \xE2\x80\x93 Ende.\n", stderr);
            app.RequestExit(false);
            if (app.LibraryWorkersLetGo()) EndProcessNow(1);
            return 1;
        }
    }

    // The loop waits in Qt's event loop, so that a call on the session bus is
    // served the moment it arrives; the descriptors below wake it as well and
    // say which of them has something. Each turn is a wake-up of the process,
    // most of what playing costs: one per tick, no polls of its own.
    // One timer for the whole run (not one started per turn), precise: a
    // coarse one may fire a little early, which would cost a second turn per tick.
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    bool signalled = false, keyReady = false, remoteReady = false;
    std::vector<std::unique_ptr<QSocketNotifier>> wakers;
    const auto watch = [&wakers](int fd, bool& ready) {
        if (fd < 0) return;
        wakers.push_back(std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read));
        QObject::connect(wakers.back().get(), &QSocketNotifier::activated, [&ready] { ready = true; });
    };
    watch(endSignals.Descriptor(), signalled);
    watch(keys.Descriptor(), keyReady);
    if (remote) watch(remote->WakeDescriptor(), remoteReady);

    uint32_t nextTick = app.clock.tick(), nextAutosave = nextTick;
    ticker.start(kTickMs);
    while (!quit && !remoteWindow.exitRequested) {
        if (signalled && endSignals.Pending()) break;
        signalled = false;
        const uint32_t now = app.clock.tick();
        if (static_cast<int32_t>(now - nextTick) >= 0) {
            // A connection that ends during the tick is taken up by the next
            // one (the list goes on after a station that failed): not idle yet.
            const bool wasConnecting = app.radio.Connecting() > 0;
            app.PlayerTick();
            // A file that plays on with nothing due is looked at four times a
            // second (the shown time still moves each second): each tick is a
            // wake-up of the process, most of what playing costs.
            const int every = app.player.SteadyFor(0.5) ? kSteadyTickMs : kTickMs;
            if (every != ticker.interval()) {
                ticker.start(every);
                nextTick = now + every;
            } else {
                // On the timer's grid; after a stall (a long command) from now on.
                nextTick += every;
                if (static_cast<int32_t>(now - nextTick) >= 0) nextTick = now + every;
            }
            const bool idle = Idle(app) && !wasConnecting;
            heard = heard || Sounding(app);
            if (playing && idle) {
                display.ShowStopped();
                // With --stay the player waits for the next command; else the list's end is the run's end.
                if (!stay) break;
            }
            playing = !idle;
        }
        if (static_cast<int32_t>(now - nextAutosave) >= 0) {
            app.AutosaveTick();
            nextAutosave = now + 250;
        }
        if (keyReady) {
            keyReady = false;
            for (int key; (key = keys.ReadKey()) >= 0;)
                if (!HandleKey(app, key)) quit = true;
        }
        if (remoteReady) {
            remoteReady = false;
            remote->ProcessPending();
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        // Woken before the tick by a command (socket, bus, keys): what it changed shows at the next 50 ms.
        if (ticker.interval() != kTickMs && static_cast<int32_t>(app.clock.tick() - nextTick) < 0) {
            ticker.start(kTickMs);
            nextTick = app.clock.tick() + kTickMs;
        }
    }
    // The fade-out and the saves take a moment: say at once that the end was heard.
    std::printf(endSignals.Pending() || quit ? "\nBeende..\n" : "\n");
    const bool asked = endSignals.Pending() || quit || remoteWindow.exitRequested;
    std::fflush(stdout);
    // Stations that all failed to connect: nothing was playable after all.
    const int status = !asked && !stay && !heard ? 1 : 0;
    if (status != 0) std::fputs("sonvaro: nichts Abspielbares \xE2\x80\x93 Ende.\n", stderr);
    app.RequestExit(false);
    if (app.LibraryWorkersLetGo()) EndProcessNow(status);
    return status;
}

}  // namespace sonvaro
