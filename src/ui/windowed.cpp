#include "ui/windowed.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <functional>
#include <memory>

#include "app/application.h"
#include "platform/app_folders.h"
#include "ui/main_window.h"
#include "ui/qt_messages.h"
#include "ui/splash_window.h"

namespace sonvaro {
namespace {

int signalPipe[2] = {-1, -1};

void OnEndSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

int CheckWindowPlatform(int argc, char** argv) {
    // Qt ends the process itself when no platform plug-in can be opened.
    QGuiApplication probe(argc, argv);
    return 0;
}

int RunWindowed(int argc, char** argv, const std::string& playFile) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sonvaro"));
    QApplication::setDesktopFileName(QStringLiteral("sonvaro"));
    QApplication::setQuitOnLastWindowClosed(false);

    QtMessages messages;
    SplashWindow splash;
    auto windowOwner = std::make_unique<MainWindow>();
    MainWindow& window = *windowOwner;
    messages.SetParent(&window);
    Application app(ApplicationPorts{messages, splash, window, window, window, &window, &window, nullptr},
                    GetAppDataFolder(), SystemClock());
    window.Attach(app);

    bool ended = false;
    std::function<void(bool)> exit = [&](bool mayAsk) {
        if (ended) return;
        // A folder walk or search that lets events through finishes first; it uses the engine.
        if (window.Busy()) {
            QTimer::singleShot(50, &window, [&exit, mayAsk] { exit(mayAsk); });
            return;
        }
        if (app.RequestExit(mayAsk) != 0) return;
        ended = true;
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    };
    QObject::connect(&window, &MainWindow::exitRequested, &window, [&] { exit(true); });

    // SIGTERM (the session ending) and SIGINT end the player as "Beenden" does, without the question.
    // A signal during start-up waits in the pipe until the event loop runs.
    ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe);
    QSocketNotifier endSignals(signalPipe[0], QSocketNotifier::Read);
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    app.StartUp(playFile);
    QObject::connect(&endSignals, &QSocketNotifier::activated, &window, [&] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &byte, 1);
        exit(false);
    });
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
    const int code = QCoreApplication::exec();
    // A session that ends the event loop without our exit still saves everything.
    if (!ended) app.RequestExit(false);
    messages.SetParent(nullptr);
    windowOwner.reset();  // before the Application its windows talk to
    return code;
}

}  // namespace sonvaro
