#pragma once
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QProcess>
#include <QTest>
#include <filesystem>
#include <memory>

#include "session/application.h"
#include "support/player_harness.h"
#include "support/quiet_ports.h"
#include "support/test_support.h"
#include "ui/list_view.h"
#include "ui/main_window.h"
#include "ui/playlist_model.h"

namespace sonvaro::test {

// One QApplication for the whole test program (offscreen under ctest). It
// ends with the test run (QtEnvironment), not among the exit handlers, where
// Qt's own clean-up would find its statics gone.
inline QApplication*& QtAppPointer() {
    static QApplication* app = nullptr;
    return app;
}
class QtEnvironment : public ::testing::Environment {
  public:
    void TearDown() override {
        delete QtAppPointer();
        QtAppPointer() = nullptr;
    }
};
inline ::testing::Environment* const kQtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);
inline QApplication& QtApp() {
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    if (!QtAppPointer()) QtAppPointer() = new QApplication(argc, argv);
    return *QtAppPointer();
}

// Lets events run until the condition holds, at most `ms` milliseconds.
template <typename F>
bool WaitFor(F condition, int ms = 3000) {
    return QTest::qWaitFor(condition, ms);
}

// A session bus of the test's own, ended with the test.
struct PrivateSessionBus {
    bool Start() {
        daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                     QStringLiteral("--print-address")});
        if (!daemon.waitForStarted() || !WaitFor([&] { return daemon.canReadLine(); }, 5000)) return false;
        address = QString::fromUtf8(daemon.readLine()).trimmed();
        return true;
    }
    ~PrivateSessionBus() {
        daemon.terminate();
        daemon.waitForFinished();
    }
    QProcess daemon;
    QString address;
};

// A drag over `widget` and a drop there as the desktop delivers them: to the
// nearest widget from there up that takes drops. False when no widget takes
// it or the drag is refused.
inline bool DragAndDrop(QWidget* widget, const QMimeData& mime) {
    while (widget && !widget->acceptDrops()) widget = widget->parentWidget();
    if (!widget) return false;
    const QPoint at = widget->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &drop);
    return drop.isAccepted();
}

// The real main window on the real Application, with the silent device, a
// temporary data folder and recorded message boxes.
class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QtApp();
        std::filesystem::create_directories(home / "Sonvaro");
        WriteFile(home / "Sonvaro/Sonvaro.ini",
                  "[Preferences]\nBASS_QutputDevice=0\nBASS_FadeIn=0\nBASS_FadeOut=0\n" + ini);
        Open();
    }
    void TearDown() override { Close(); }

    // Ends the player as "Beenden" does (everything saved) and starts it again
    // on the same folder, as the user's next start.
    void Restart() {
        Close();
        Open();
    }
    void Open() {
        window = std::make_unique<MainWindow>();
        app = std::make_unique<Application>(ApplicationPorts{messages, splash, *window, *window, *window,
                                                             window.get(), window.get(), nullptr},
                                            home.path(), SystemClock());
        window->Attach(*app);
        app->StartUp();
        if (waitForLibrary) app->FinishLibraryLoad();
        window->FinishStartUp();
    }
    void Close() {
        app->RequestExit(false);
        window.reset();  // its log window lets go of the Application's status log
        app.reset();
    }

    // Entries straight into the playlist: title, artist, track number.
    void SetPlaylist(const std::vector<std::tuple<std::string, std::string, int>>& rows) {
        app->data.playlist.clear();
        for (const auto& [title, artist, number] : rows) {
            PlaylistEntry e;
            e.info.path = "/nowhere/" + title + ".mp3";
            e.info.title = title;
            e.info.artist = artist;
            e.info.trackNumber = static_cast<int16_t>(number);
            app->data.playlist.push_back(e);
        }
        window->PlaylistReset();
    }
    std::vector<std::string> Titles() const {
        std::vector<std::string> titles;
        for (const auto& e : app->data.playlist) titles.push_back(e.info.title);
        return titles;
    }
    void Select(std::initializer_list<int> rows) {
        window->PlaylistList()->clearSelection();
        for (int row : rows)
            window->PlaylistList()->selectionModel()->select(
                window->Model()->index(row, 1), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    std::string ini;
    // False: the window opens while the library's data file is still being read, as on a user's start.
    bool waitForLibrary = true;
    TempDir home;
    RecordingMessages messages;
    NoSplash splash;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<Application> app;
};

}  // namespace sonvaro::test
