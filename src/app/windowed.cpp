#include "app/windowed.h"

#include <QApplication>
#include <QByteArray>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <memory>

#include "app/process_end.h"
#include "app/remote_start.h"
#include "desktop/mpris_service.h"
#include "desktop/qt_translations.h"
#include "platform/app_folders.h"
#include "platform/display_probe.h"
#include "platform/end_signals.h"
#include "session/application.h"
#include "ui/desktop_companions.h"
#include "ui/main_window.h"
#include "ui/qt_messages.h"
#include "ui/splash_window.h"

namespace sonvaro {
namespace {

bool WaylandPluginInstalled() {
    const QString folder = QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms/");
    return QFileInfo::exists(folder + QStringLiteral("libqwayland-generic.so")) ||
           QFileInfo::exists(folder + QStringLiteral("libqwayland-egl.so"));
}

}  // namespace

bool CanOpenWindow(std::string* why) {
    const DisplayReach reach = ProbeDisplays();
    if (why) *why = reach.x11Problem;
    const QByteArray chosen = qgetenv("QT_QPA_PLATFORM");
    if (!chosen.isEmpty()) {
        // Qt takes the first entry of a ";" list that opens; "xcb:option" carries options.
        for (const QByteArray& entry : chosen.split(';')) {
            const QByteArray name = entry.split(':').constFirst();
            if (name == "xcb") {
                if (reach.x11) return true;
            } else if (name.startsWith("wayland")) {
                if (reach.wayland) return true;
            } else if (!name.isEmpty()) {
                return true;  // offscreen, vnc, eglfs, ...: not a server we can ask
            }
        }
        return false;
    }
    // Qt's own order may try Wayland first, but it falls back to X when that fails.
    if (reach.x11) return true;
    if (reach.wayland && WaylandPluginInstalled()) {
        qputenv("QT_QPA_PLATFORM", "wayland");
        return true;
    }
    return false;
}

int RunWindowed(int argc, char** argv, const std::vector<std::string>& files, EndSignals& endSignals,
                InstanceClaim* instance) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sonvaro"));
    QApplication::setDesktopFileName(QStringLiteral("sonvaro"));
    QApplication::setQuitOnLastWindowClosed(false);
    InstallQtGermanTranslations();  // without the file the standard dialogs stay English

    QtMessages messages;
    SplashWindow splash;
    auto windowOwner = std::make_unique<MainWindow>();
    MainWindow& window = *windowOwner;
    messages.SetParent(&window);
    DesktopCompanions companions;
    Application app(
        ApplicationPorts{messages, splash, window, window, window, &window, &window, companions.Tracker()},
        GetAppDataFolder(), SystemClock());
    window.Attach(app);

    bool ended = false;
    std::function<void(bool)> exit = [&](bool mayAsk) {
        if (ended) return;
        // A folder walk or search that lets events through ends first (as on
        // Escape); it uses the engine.
        if (window.Busy()) {
            window.StopBusyWork();
            QTimer::singleShot(50, &window, [&exit, mayAsk] { exit(mayAsk); });
            return;
        }
        if (app.RequestExit(mayAsk) != 0) return;
        ended = true;
        messages.CloseQuestions();  // an unanswered update question goes with the window
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    };
    QObject::connect(&window, &MainWindow::exitRequested, &window, [&] { exit(true); });
    companions.Attach(app, window, [&exit] { exit(true); });
    companions.TrackerPopupWindow().SetCoverLoader(window.Covers());
    app.startUpdateCheck = [&companions] { companions.Updates()->Start(false); };

    // SIGTERM (the session ending), SIGINT and SIGHUP end the player as "Beenden"
    // does, without the question. One during start-up waits until the event loop
    // runs; the notifier is off until then, or the splash's event passes would
    // hear the unread signal again and again.
    QSocketNotifier endNotifier(endSignals.Descriptor(), QSocketNotifier::Read);
    endNotifier.setEnabled(false);
    // The update check starts during start-up; what it has to say waits for the main window.
    companions.Updates()->Hold();
    app.StartUp(files.empty() ? std::string() : files.front());
    for (size_t i = 1; i < files.size(); ++i) app.editor.AddPath(files[i]);
    std::unique_ptr<WindowedRemote> remote;
    if (instance) remote = std::make_unique<WindowedRemote>(app, window, *instance, [&exit] { exit(true); });
    auto raise = [&window] {
        if (window.isHidden() || window.isMinimized()) window.ToggleShowHide();
        window.raise();
        window.activateWindow();
    };
    // Queued like the remote quit: the caller has its answer before a question is asked.
    auto quit = [&window, &exit] { QTimer::singleShot(0, &window, [&exit] { exit(true); }); };
    std::unique_ptr<MprisService> mpris = MprisService::Start(app, raise, quit);
    bool endHeard = false;
    QObject::connect(&endNotifier, &QSocketNotifier::activated, &window, [&] {
        endSignals.Consume();
        // The fade-out and the saves take a moment: the terminal hears at once that the end was heard.
        if (!endHeard) std::fputs("Beende..\n", stderr);
        endHeard = true;
        exit(false);
    });
    endNotifier.setEnabled(true);
    QTimer tick, autosave;
    QObject::connect(&tick, &QTimer::timeout, &window, [&] {
        if (!ended) app.PlayerTick();
    });
    QObject::connect(&autosave, &QTimer::timeout, &window, [&] {
        if (!ended) app.AutosaveTick();
    });
    tick.start(50);
    autosave.start(250);
    window.FinishStartUp();
    QTimer::singleShot(0, &window, [&companions] { companions.Updates()->Release(); });
    const int code = QCoreApplication::exec();
    // A session that ends the event loop without our exit still saves everything.
    if (!ended) app.RequestExit(false);
    if (app.LibraryWorkersLetGo()) EndProcessNow(code);
    mpris.reset();
    remote.reset();
    messages.SetParent(nullptr);
    windowOwner.reset();  // before the Application its windows talk to
    return code;
}

}  // namespace sonvaro
