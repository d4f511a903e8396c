#include "app/windowed.h"

#include <QApplication>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <functional>
#include <memory>

#include "session/application.h"
#include "platform/app_folders.h"
#include "platform/end_signals.h"
#include "ui/main_window.h"
#include "ui/qt_messages.h"
#include "ui/splash_window.h"

namespace sonvaro {
int CheckWindowPlatform(int argc, char** argv) {
    // Qt ends the process itself when no platform plug-in can be opened.
    QGuiApplication probe(argc, argv);
    return 0;
}

int RunWindowed(int argc, char** argv, const std::string& playFile, EndSignals& endSignals) {
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
        // A folder walk or search that lets events through ends first (as on
        // Escape); it uses the engine.
        if (window.Busy()) {
            window.StopBusyWork();
            QTimer::singleShot(50, &window, [&exit, mayAsk] { exit(mayAsk); });
            return;
        }
        if (app.RequestExit(mayAsk) != 0) return;
        ended = true;
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    };
    QObject::connect(&window, &MainWindow::exitRequested, &window, [&] { exit(true); });

    // SIGTERM (the session ending), SIGINT and SIGHUP end the player as "Beenden"
    // does, without the question. One during start-up waits until the event loop runs.
    QSocketNotifier endNotifier(endSignals.Descriptor(), QSocketNotifier::Read);
    app.StartUp(playFile);
    QObject::connect(&endNotifier, &QSocketNotifier::activated, &window, [&] {
        endSignals.Consume();
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
