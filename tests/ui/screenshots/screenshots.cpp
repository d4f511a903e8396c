// Saves pictures of the three layouts, the splash and the tool windows for review (not a ctest
// test: run tests/ui/take-screenshots.sh, which starts it under xvfb-run).
#include <QApplication>
#include <QDir>
#include <QItemSelectionModel>
#include <QMenu>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "playback/radio_log.h"
#include "session/application.h"
#include "support/quiet_ports.h"
#include "support/test_support.h"
#include "ui/about_window.h"
#include "ui/autotagger_window.h"
#include "ui/effects_window.h"
#include "ui/file_info_window.h"
#include "ui/list_view.h"
#include "ui/main_window.h"
#include "ui/playlist_model.h"
#include "ui/radio_log_window.h"
#include "ui/settings/settings_window.h"
#include "ui/splash_window.h"

namespace {

using sonvaro::test::NoSplash;
void Settle() {
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
}

bool Save(QWidget* w, const QString& file) {
    Settle();
    const bool ok = w->grab().save(file);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(file));
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace sonvaro;
    QApplication qapp(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    QDir().mkpath(out);

    test::TempDir home;
    std::filesystem::create_directories(home / "Sonvaro");
    test::WriteFile(home / "Sonvaro/Sonvaro.ini", "[Preferences]\nBASS_QutputDevice=0\n");
    test::RecordingMessages messages;
    NoSplash noSplash;
    auto windowOwner = std::make_unique<MainWindow>();
    MainWindow& window = *windowOwner;
    Application app(ApplicationPorts{messages, noSplash, window, window, window, &window, &window, nullptr},
                    home.path(), SystemClock());
    window.Attach(app);
    app.StartUp();
    app.FinishLibraryLoad();
    const char* const titles[] = {"Morgenlicht",  "Über den Wolken", "Nachtzug",   "Regenlied",
                                  "Sommerwind",   "Alte Straßen",    "Leuchtturm", "Herbstblatt",
                                  "Stadtlichter", "Ferne Küste"};
    for (int i = 0; i < 24; ++i) {
        PlaylistEntry e;
        e.info.path = "/musik/titel" + std::to_string(i) + ".mp3";
        e.info.title = titles[i % 10];
        e.info.artist = i % 3 ? "Die Beispiele" : "Anna Muster";
        e.info.album = "Album " + std::to_string(1 + i / 6);
        e.info.trackNumber = static_cast<int16_t>(1 + i % 6);
        e.info.length = 150 + 17 * i;
        e.info.year = static_cast<int16_t>(1990 + i);
        e.info.channelType = 0x10005;
        app.data.playlist.push_back(e);
    }
    window.PlaylistReset();
    window.SetPlaylistSummary(" 24 [01:52:36]");
    window.SetRowMarked(2, true);
    // The playing row among selected ones still shows as playing.
    for (int row : {2, 3})
        window.PlaylistList()->selectionModel()->select(
            window.Model()->index(row, 1), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const char* const info[] = {
        "Titel:",  "Nachtzug", "Artist:",       "Anna Muster", "Album:",
        "Album 1", "Zeit:",    "01:12 / 03:24", "Info:",       "MP3 - 192 kbit/s - 44100 Hz"};
    for (int i = 0; i < 10; ++i) window.SetInfoField(i + 1, info[i]);
    window.FinishStartUp();

    bool ok = true;
    for (int layout : {0, 1, 2}) {
        window.SwitchLayout(layout);
        ok &= Save(&window, out + QStringLiteral("/layout%1.png").arg(layout));
    }
    window.SwitchLayout(1);
    window.UpdatePlaylistMenu();
    for (const auto& [menu, name] :
         {std::pair{sonvaro::PopupMenu::Playlist, "playlist"}, std::pair{sonvaro::PopupMenu::Tray, "tray"}}) {
        window.Menu(menu)->adjustSize();
        ok &= Save(window.Menu(menu), out + QStringLiteral("/menu-%1.png").arg(QLatin1String(name)));
    }
    window.RunCommand(sonvaro::Command::Equalizer);
    ok &= Save(window.Tools().Effects(), out + QStringLiteral("/effects.png"));
    window.Tools().Effects()->findChild<QTabWidget*>()->setCurrentIndex(1);
    ok &= Save(window.Tools().Effects(), out + QStringLiteral("/effects-2.png"));
    window.Tools().Effects()->findChild<QTabWidget*>()->setCurrentIndex(2);
    ok &= Save(window.Tools().Effects(), out + QStringLiteral("/effects-3.png"));
    window.Tools().Effects()->close();

    TrackInfo track = app.data.playlist[2].info;
    track.comment = "Live aufgenommen";
    track.genre = "Pop";
    track.bitrate = 192;
    track.sampleRate = 44100;
    track.channels = 2;
    auto* fileInfo = new FileInfoWindow(app.tags, app.playback, track, &window);
    fileInfo->show();
    ok &= Save(fileInfo, out + QStringLiteral("/file-info.png"));
    fileInfo->close();

    auto* tagger = new AutotaggerWindow(
        app.tags,
        {"/musik/Morgenlicht - Anna Muster.mp3", "/musik/Nachtzug - Die Beispiele.ogg", "/musik/track07.mp3"},
        &window);
    tagger->show();
    tagger->Preview();
    ok &= Save(tagger, out + QStringLiteral("/autotagger.png"));
    tagger->close();

    RadioTrackLog radioLog;
    radioLog.Reset(0);
    radioLog.SetReceivedBytes(3 * 1048576 + 524288);
    radioLog.Append({"Über den Wolken", "Anna Muster"});
    radioLog.Append({"Leuchtturm", "Die Beispiele"});
    auto* radio = new RadioLogWindow(radioLog, &window);
    radio->show();
    ok &= Save(radio, out + QStringLiteral("/radio-log.png"));
    radio->close();
    Settle();

    window.RunCommand(sonvaro::Command::Settings);
    for (int page = 0; page < kSettingsPageCount; ++page) {
        window.Tools().SettingsDialog()->ShowPage(static_cast<SettingsPage>(page));
        ok &= Save(window.Tools().SettingsDialog(), out + QStringLiteral("/settings-%1.png").arg(page));
    }
    window.Tools().SettingsDialog()->close();
    Settle();

    window.RunCommand(sonvaro::Command::About);
    ok &= Save(window.Tools().About(), out + QStringLiteral("/about.png"));
    window.Tools().About()->findChild<QTabWidget*>()->setCurrentIndex(1);
    ok &= Save(window.Tools().About(), out + QStringLiteral("/about-2.png"));
    window.Tools().About()->close();

    SplashWindow splash;
    splash.Open();
    splash.SetStatus("Lade Wiedergabeliste..");
    ok &= Save(&splash, out + QStringLiteral("/splash.png"));
    splash.Close();
    app.RequestExit(false);
    windowOwner.reset();
    return ok ? 0 : 1;
}
