#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QSignalSpy>
#include <QSlider>
#include <QSplitter>
#include <QTest>

#include "support/ui_harness.h"
#include "ui/list_view.h"
#include "ui/log_window.h"

namespace sonvaro::test {
namespace {

TEST_F(MainWindowTest, CommandsReachTheirOperations) {
    SetPlaylist({{"c", "x", 3}, {"a", "z", 1}, {"b", "y", 2}});
    Settings& s = app->data.settings;

    window->RunCommand(Command::SortTitle);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"a", "b", "c"}));
    window->RunCommand(Command::SortArtist);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"c", "b", "a"}));
    window->RunCommand(Command::SortNumber);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"a", "b", "c"}));

    Select({1});
    window->RunCommand(Command::Remove);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(window->Model()->rowCount(), 2);

    window->RunCommand(Command::SelectAll);
    EXPECT_EQ(window->SelectedRows(), (std::vector<int>{0, 1}));
    window->RunCommand(Command::RemoveAll);
    EXPECT_TRUE(app->data.playlist.empty());
    EXPECT_EQ(window->Model()->rowCount(), 0);

    const int8_t recording = s.NETStream_SaveFile;
    s.NETStream_SavePath = home.path();  // recording needs a folder
    window->RunCommand(Command::RecordRadio);
    EXPECT_NE(s.NETStream_SaveFile, recording);

    // The toggles are read by the playback logic through the settings.
    window->Action(Command::Repeat)->trigger();
    window->Action(Command::Random)->trigger();
    EXPECT_EQ(s.Misc_Repeat, 1);
    EXPECT_EQ(s.Misc_Random, 1);
    window->Action(Command::Repeat)->trigger();
    EXPECT_EQ(s.Misc_Repeat, 0);

    QSignalSpy exits(window.get(), &MainWindow::exitRequested);
    window->RunCommand(75);  // the number a hotkey or a task stores
    EXPECT_EQ(exits.count(), 1);
}

TEST_F(MainWindowTest, AClickOnThePositionSliderJumpsThere) {
    const std::string tone = home / "tone.wav";
    ASSERT_EQ(std::system(("sox -n -r 44100 -c 2 -b 16 '" + tone + "' synth 20 sine 440").c_str()), 0);
    ASSERT_EQ(app->control.PlayFile(tone), 1);
    app->PlayerTick();
    auto* slider = window->findChild<QSlider*>(QStringLiteral("positionSlider"));
    ASSERT_NE(slider, nullptr);
    ASSERT_TRUE(slider->isEnabled());
    slider->resize(400, slider->height());
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, QPoint(300, slider->height() / 2));
    // Three quarters of the groove: about 15 s of 20, not one page step on.
    EXPECT_NEAR(app->control.PositionSeconds(), 15.0, 1.0);
    EXPECT_NEAR(slider->value(), 750, 30);
}

TEST_F(MainWindowTest, ADragWhilePausedShowsTheNewPositionInTheTimeField) {
    const std::string tone = home / "tone.wav";
    ASSERT_EQ(std::system(("sox -n -r 44100 -c 2 -b 16 '" + tone + "' synth 20 sine 440").c_str()), 0);
    ASSERT_EQ(app->control.PlayFile(tone), 1);
    app->PlayerTick();
    app->control.Pause();
    ASSERT_EQ(app->control.Status(), PlaybackStatus::Paused);
    EXPECT_EQ(window->InfoFieldText(10), QStringLiteral("00:00:00"));
    QSlider* slider = window->PositionSlider();
    slider->resize(400, slider->height());
    const int y = slider->height() / 2;
    QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, QPoint(100, y));
    QTest::mouseMove(slider, QPoint(200, y));
    QTest::mouseMove(slider, QPoint(300, y));
    QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, QPoint(300, y));
    ASSERT_NEAR(app->control.PositionSeconds(), 15.0, 1.0);
    const QString shown =
        QStringLiteral("00:00:%1").arg(qRound(app->control.PositionSeconds()), 2, 10, QLatin1Char('0'));
    EXPECT_EQ(window->InfoFieldText(10), shown);
    app->PlayerTick();  // still paused: the tick leaves it
    EXPECT_EQ(window->InfoFieldText(10), shown);
    EXPECT_EQ(app->control.Status(), PlaybackStatus::Paused);
}

// A loopback port nobody listens on: bound to learn a free one, then closed.
int RefusingPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return -1;
    close(fd);
    return ntohs(address.sin_port);
}

TEST_F(MainWindowTest, AStationThatRefusesTheConnectionSaysSoInTheWindow) {
    const int port = RefusingPort();
    ASSERT_GT(port, 0);
    const std::string station = "http://127.0.0.1:" + std::to_string(port) + "/live";
    PlaylistEntry e;
    e.info.path = station;
    e.info.title = station;
    app->data.playlist.push_back(e);
    window->PlaylistReset();
    window->SwitchLayout(1);
    Select({0});
    QTest::keyClick(window->PlaylistList(), Qt::Key_Return);
    const QString said =
        QStringLiteral("Sender nicht erreichbar: '%1' (").arg(QString::fromStdString(station));
    // The player tick hands the connection's outcome over, as the windowed player's timer does.
    const auto titleFieldBecomes = [&](auto wanted) {
        return WaitFor(
            [&] {
                app->PlayerTick();
                return wanted(window->InfoFieldText(2));
            },
            10000);
    };
    const auto saysItFailed = [&](const QString& field) { return field.startsWith(said); };
    EXPECT_TRUE(titleFieldBecomes(saysItFailed)) << window->InfoFieldText(2).toStdString();
    for (int i = 0; i < 5; ++i) app->PlayerTick();  // the idle ticks leave it there
    EXPECT_TRUE(window->InfoFieldText(2).startsWith(said)) << window->InfoFieldText(2).toStdString();
    EXPECT_TRUE(window->InfoFieldText(2).endsWith(QLatin1Char(')')));

    // A title that starts takes the field at once.
    const std::string tone = home / "tone.wav";
    ASSERT_EQ(std::system(("sox -n -r 44100 -c 2 -b 16 '" + tone + "' synth 30 sine 440").c_str()), 0);
    ASSERT_EQ(app->control.PlayFile(tone), 1);
    app->PlayerTick();
    const QString title = QString::fromStdString(app->player.State().info.title);
    EXPECT_FALSE(title.isEmpty());
    EXPECT_EQ(window->InfoFieldText(2), title);

    // A station that fails while the title plays on: the notice shows over it
    // for a few seconds, then the title takes the field back.
    Select({0});
    QTest::keyClick(window->PlaylistList(), Qt::Key_Return);
    EXPECT_TRUE(titleFieldBecomes(saysItFailed)) << window->InfoFieldText(2).toStdString();
    EXPECT_TRUE(titleFieldBecomes([&](const QString& field) { return field == title; }))
        << window->InfoFieldText(2).toStdString();
    app->control.Stop();
    for (int i = 0; i < 3; ++i) app->PlayerTick();
    EXPECT_EQ(window->InfoFieldText(2), QString());
}

TEST_F(MainWindowTest, RecordingWithoutAFolderSaysWhereToChooseOneAndStaysOff) {
    Settings& s = app->data.settings;
    s.NETStream_SavePath.clear();
    s.NETStream_SaveFile = 0;
    window->RunCommand(Command::RecordRadio);
    EXPECT_EQ(s.NETStream_SaveFile, 0);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_NE(messages.boxes[0].text.find("Einstellungen > Internet Radio > Ziel-Ordner"), std::string::npos);

    s.NETStream_SavePath = home.path();
    window->RunCommand(Command::RecordRadio);
    EXPECT_EQ(s.NETStream_SaveFile, 1);
    s.NETStream_SavePath.clear();
    window->RunCommand(Command::RecordRadio);  // switching off asks nothing
    EXPECT_EQ(s.NETStream_SaveFile, 0);
    EXPECT_EQ(messages.boxes.size(), 1u);
}

TEST_F(MainWindowTest, CommandsWaitWhileALongOperationRuns) {
    SetPlaylist({{"b", "", 0}, {"a", "", 0}});
    window->BeginBusy();
    window->RunCommand(Command::SortTitle);
    window->EndBusy();
    EXPECT_EQ(Titles(), (std::vector<std::string>{"b", "a"}));
}

TEST_F(MainWindowTest, EscapeIsSeenOnlyDuringALongOperation) {
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &escape);
    window->BeginBusy();  // a stale key from before does not end the new walk
    EXPECT_FALSE(window->EscapePressed());
    QApplication::sendEvent(window.get(), &escape);
    EXPECT_TRUE(window->EscapePressed());
    EXPECT_FALSE(window->EscapePressed());  // taken once
    window->EndBusy();
}

TEST_F(MainWindowTest, PlaylistMenuEnableRules) {
    const auto enabled = [this](int n) { return window->Action(n)->isEnabled(); };
    SetPlaylist({});
    window->UpdatePlaylistMenu();
    for (int n : {15, 28, 29, 32, 35, 30, 31, 33, 16, 17, 23, 24}) EXPECT_FALSE(enabled(n)) << n;
    EXPECT_TRUE(enabled(25));
    EXPECT_TRUE(enabled(26));

    SetPlaylist({{"a", "", 0}});
    window->UpdatePlaylistMenu();
    for (int n : {30, 31, 33}) EXPECT_TRUE(enabled(n)) << n;
    for (int n : {16, 20, 24}) EXPECT_FALSE(enabled(n)) << n;  // fewer than two rows
    EXPECT_FALSE(enabled(15));                                 // nothing selected

    SetPlaylist({{"a", "", 0}, {"b", "", 0}});
    Select({0});
    window->UpdatePlaylistMenu();
    for (int n : {15, 28, 29, 32, 34, 35, 36, 16, 17, 23, 24}) EXPECT_TRUE(enabled(n)) << n;
    EXPECT_FALSE(enabled(27));  // the library is empty: nothing to generate from

    window->RunCommand(Command::Generate);  // a disabled command does nothing and shows nothing
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_FALSE(window->Tools().Generator());
    app->data.library.entries.emplace_back();
    window->UpdatePlaylistMenu();
    EXPECT_TRUE(enabled(27));
}

TEST_F(MainWindowTest, MenusCarryTheirCommandsInOrder) {
    const auto numbers = [](QMenu* menu) {
        std::vector<int> out;
        for (QAction* a : menu->actions())
            out.push_back(a->isSeparator() ? -1 : a->menu() ? -2 : a->data().toInt());
        return out;
    };
    EXPECT_EQ(
        numbers(window->Menu(PopupMenu::Playlist)),
        (std::vector<int>{15, -1, 16, -2, 24, -1, 28, 29, -1, -2, 27, 30, -1, 31, 32, 33, -1, 34, 35, 36}));
    EXPECT_EQ(numbers(window->Menu(PopupMenu::Open)), (std::vector<int>{56, 57}));
    EXPECT_EQ(numbers(window->Menu(PopupMenu::Tray)),
              (std::vector<int>{58, -1, -2, 72, 71, 73, 69, -1, 64, 67, 68, -1, 70, 74, 66, -1, 75}));
    EXPECT_EQ(numbers(window->Menu(PopupMenu::Header)), (std::vector<int>{76, 77, 78}));
    EXPECT_EQ(window->Action(Command::Refresh)->text(), QStringLiteral("Aktuallisieren"));
    EXPECT_EQ(window->Action(Command::CopyFiles)->text(), QStringLiteral("Kopieren.."));
}

TEST_F(MainWindowTest, MuteRemembersTheVolume) {
    window->VolumeSlider()->setValue(70);
    EXPECT_EQ(app->data.settings.Misc_Volume, 70);
    EXPECT_EQ(window->VolumeSlider()->toolTip(), QStringLiteral("70%"));
    window->RunCommand(Command::Mute);
    EXPECT_EQ(window->VolumeSlider()->value(), 0);
    EXPECT_EQ(app->data.settings.Misc_Volume, 0);
    EXPECT_TRUE(window->Action(Command::Mute)->isChecked());
    window->RunCommand(Command::Mute);
    EXPECT_EQ(window->VolumeSlider()->value(), 70);
    EXPECT_EQ(app->data.settings.Misc_Volume, 70);
    EXPECT_FALSE(window->Action(Command::Mute)->isChecked());
}

TEST_F(MainWindowTest, WheelMovesTheVolumeByFivePerNotch) {
    window->VolumeSlider()->setValue(50);
    QWheelEvent down(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -240), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(window.get(), &down);
    EXPECT_EQ(app->data.settings.Misc_Volume, 40);
}

// With a tray, Misc_TaskBar 0 hides the player there (tests/ui/tray_host_test.cpp);
// here, as without one, the toggle always keeps it in the task bar.
TEST_F(MainWindowTest, ShowHideToggleAndItsTrayText) {
    window->RunCommand(Command::Log);  // the log window stays where it is
    ASSERT_TRUE(window->Tools().Log() && window->Tools().Log()->isVisible());
    for (int taskBar : {1, 0}) {
        app->data.settings.Misc_TaskBar = taskBar;
        window->RunCommand(Command::ShowHide);
        EXPECT_TRUE(window->isMinimized()) << taskBar;
        EXPECT_TRUE(window->isVisible()) << taskBar;
        EXPECT_TRUE(window->Tools().Log()->isVisible()) << taskBar;
        EXPECT_EQ(window->Action(Command::ShowHide)->text(), QStringLiteral("Zeigen"));
        window->ToggleShowHide();
        EXPECT_FALSE(window->isMinimized()) << taskBar;
        EXPECT_EQ(window->Action(Command::ShowHide)->text(), QStringLiteral("Verstecken"));
    }
}

TEST_F(MainWindowTest, LayoutSwitchingStoresAndRestoresSizes) {
    Settings& s = app->data.settings;
    window->SwitchLayout(1);
    window->resize(760, 560);
    EXPECT_TRUE(WaitFor([&] { return window->size() == QSize(760, 560); }))
        << window->width() << "x" << window->height();

    window->RunCommand(Command::PlaylistLayout);  // the shown layout's button returns to layout 0
    EXPECT_EQ(window->CurrentLayout(), Layout::InfoOnly);
    EXPECT_EQ(s.WinSizeMain_WinW_Second, 760);
    EXPECT_EQ(s.WinSizeMain_WinH_Second, 560);
    EXPECT_EQ(window->minimumHeight(), window->maximumHeight());
    EXPECT_FALSE(window->PlaylistList()->isVisible());

    window->resize(555, window->height());
    EXPECT_TRUE(WaitFor([&] { return window->width() == 555; })) << window->width();
    window->RunCommand(Command::LibraryLayout);
    EXPECT_EQ(window->CurrentLayout(), Layout::Library);
    EXPECT_EQ(s.WinSizeMain_WinW_Normal, 555);
    EXPECT_TRUE(WaitFor([&] { return window->size() == QSize(760, 560); }))
        << window->width() << "x" << window->height();
    EXPECT_EQ(window->LibrarySplitter(1)->sizes().value(0), 85);
    EXPECT_EQ(window->LibrarySplitter(2)->sizes().value(0), 250);

    for (int n : {1, 2}) {
        QSplitter* splitter = window->LibrarySplitter(n);
        const int total = splitter->sizes().value(0) + splitter->sizes().value(1);
        const int first = n == 1 ? 120 : 280;
        splitter->setSizes({first, total - first});
    }
    window->RunCommand(Command::PlaylistLayout);
    EXPECT_EQ(window->CurrentLayout(), Layout::Playlist);
    EXPECT_EQ(s.WinSizeMain_MediaLibSP1, 120);
    EXPECT_EQ(s.WinSizeMain_MediaLibSP2, 280);
    EXPECT_TRUE(window->PlaylistList()->isVisible());

    window->RunCommand(Command::LibraryLayout);
    EXPECT_EQ(window->LibrarySplitter(1)->sizes().value(0), 120);
    EXPECT_EQ(window->LibrarySplitter(2)->sizes().value(0), 280);
}

// Started again in the library layout, the window shows the library alone:
// the playlist stays hidden and the library list has the room it has after a
// switch between the layouts.
TEST_F(MainWindowTest, StartedInTheLibraryLayoutTheWindowShowsNoPlaylist) {
    window->SwitchLayout(2);
    window->resize(700, 560);
    Restart();
    ASSERT_EQ(window->CurrentLayout(), Layout::Library);
    EXPECT_FALSE(window->PlaylistList()->isVisible());
    ListView* library = window->LibraryList();
    ASSERT_TRUE(library->isVisible());
    ASSERT_TRUE(WaitFor([&] { return window->size() == QSize(700, 560); }))
        << window->width() << "x" << window->height();
    QApplication::processEvents();
    const int started = library->height();
    window->SwitchLayout(1);
    window->SwitchLayout(2);
    EXPECT_TRUE(WaitFor([&] { return library->height() == started; }, 1000))
        << "started with " << started << ", after the switch " << library->height();
    EXPECT_FALSE(window->PlaylistList()->isVisible());
}

TEST_F(MainWindowTest, LogWindowShowsOnlyLinesWrittenWhileOpen) {
    app->log.LogStatus("before");
    window->RunCommand(Command::Log);
    ASSERT_TRUE(window->Tools().Log());
    app->log.LogStatus("Bye");
    EXPECT_TRUE(WaitFor([&] { return window->Tools().Log()->Text().endsWith(QStringLiteral(" - Bye")); }));
    EXPECT_FALSE(window->Tools().Log()->Text().contains(QStringLiteral("before")));
    window->Tools().Log()->close();
    EXPECT_TRUE(WaitFor([&] { return !window->Tools().Log(); }));
    EXPECT_FALSE(app->log.IsOpen());
}

TEST_F(MainWindowTest, BusyPictureCyclesWhileTheLibraryScanRuns) {
    std::atomic<bool> finish{false};
    app->workers.scanRunning = true;  // what a running scan thread shows
    app->workers.scanThread = std::thread([&finish] {
        while (!finish) std::this_thread::yield();
    });
    std::vector<int> frames;
    for (int i = 0; i < 5; ++i) {
        window->BusyTick();
        frames.push_back(window->BusyFrame());
    }
    EXPECT_EQ(frames, (std::vector<int>{0, 1, 2, 3, 0}));
    finish = true;
    app->workers.scanThread.join();
    app->workers.scanRunning = false;
    window->BusyTick();
    EXPECT_EQ(window->BusyFrame(), -1);
}

TEST_F(MainWindowTest, PlayerDisplayWritesTheControls) {
    window->SetInfoField(2, "Titel eins");
    EXPECT_EQ(window->InfoFieldText(2), QStringLiteral("Titel eins"));
    window->SetPositionSlider(420);
    EXPECT_EQ(window->PositionSlider()->value(), 420);
    window->SetPauseButton(true);
    EXPECT_TRUE(window->Action(Command::Pause)->isChecked());
}

}  // namespace
}  // namespace sonvaro::test
