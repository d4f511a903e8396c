// What a desktop user meets in the first minutes: Delete in the lists, drops
// anywhere on the window, menu pictures without an icon theme, a window that
// comes back on the screen, the help page, and a desktop without a tray.
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QSignalSpy>
#include <QSlider>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QUrl>
#include <functional>

#include "desktop/help_file.h"
#include "support/ui_harness.h"
#include "ui/about_window.h"
#include "ui/docking.h"
#include "ui/library_controller.h"
#include "ui/library_model.h"
#include "ui/log_window.h"
#include "ui/qt_text.h"
#include "ui/radio_log_window.h"

namespace sonvaro::test {
namespace {

TEST_F(MainWindowTest, DeleteRemovesTheSelectedPlaylistRowsOnly) {
    window->SwitchLayout(1);
    SetPlaylist({{"a", "", 0}, {"b", "", 0}, {"c", "", 0}, {"d", "", 0}});
    ListView* list = window->PlaylistList();
    Select({1, 3});
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(window->Model()->rowCount(), 2);

    list->clearSelection();
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"a", "c"}));
    // Another key with Delete is not the remove command.
    Select({0});
    QTest::keyClick(list, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"a", "c"}));
    EXPECT_TRUE(messages.boxes.empty());
}

TEST_F(MainWindowTest, DeleteInTheLibraryRemovesOnlyAStationAndOnlyAfterTheQuestion) {
    window->SwitchLayout(2);
    {
        std::lock_guard lock(app->data.library.libraryLock);
        LibraryEntry track;
        track.info.path = "/m/a.mp3";
        track.info.title = "A";
        app->data.library.entries.push_back(track);
        LibraryEntry station;
        station.info.path = "http://radio.example/live";
        station.info.title = "Radio";
        app->data.library.entries.push_back(station);
    }
    LibraryController& view = *window->LibraryView();
    ListView* list = window->LibraryList();
    auto selectFirst = [&] {
        list->clearSelection();
        list->selectionModel()->select(view.Model().index(0, 1),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    };
    auto libraryPaths = [&] {
        std::lock_guard lock(app->data.library.libraryLock);
        std::vector<std::string> paths;
        for (const LibraryEntry& e : app->data.library.entries) paths.push_back(e.info.path);
        return paths;
    };

    // The files mirror the music folder: nothing to delete there, nothing asked.
    view.Search(SearchMode::All);
    ASSERT_EQ(view.Model().rowCount(), 1);
    selectFirst();
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(view.Model().rowCount(), 1);
    EXPECT_EQ(libraryPaths().size(), 2u);
    EXPECT_TRUE(messages.boxes.empty());

    view.Search(SearchMode::Stations);
    ASSERT_EQ(view.Model().rowCount(), 1);
    selectFirst();
    messages.answer = false;
    QTest::keyClick(list, Qt::Key_Delete);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text, "Möchten Sie 'Radio' wirklich entfernen?");
    EXPECT_EQ(libraryPaths().size(), 2u);
    messages.answer = true;
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(view.Model().rowCount(), 0);
    EXPECT_EQ(libraryPaths(), (std::vector<std::string>{"/m/a.mp3"}));
}

class WholeWindowDropTest : public MainWindowTest {
  protected:
    // Drops one new file on `widget`; true when it reached the playlist.
    bool DropFileOn(QWidget* widget) {
        const auto file = music / ("t" + std::to_string(dropped++) + ".wav");
        std::filesystem::copy_file(ToneFile(1), file);
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(ToQt(file))});
        const size_t before = app->data.playlist.size();
        if (!DragAndDrop(widget, mime)) return false;
        return app->data.playlist.size() == before + 1 && app->data.playlist.back().info.path == file;
    }
    TempDir music;
    int dropped = 0;
};

TEST_F(WholeWindowDropTest, FilesDroppedAnywhereOnTheWindowJoinThePlaylistInEveryLayout) {
    for (int layout : {0, 1, 2}) {
        SCOPED_TRACE(layout);
        window->SwitchLayout(layout);
        EXPECT_TRUE(DropFileOn(window->InfoField(2)));
        EXPECT_TRUE(DropFileOn(window->PositionSlider()));
        EXPECT_TRUE(DropFileOn(window->findChild<QToolBar*>(QStringLiteral("Main 1"))));
        if (layout == 1) {
            EXPECT_TRUE(DropFileOn(window->PlaylistList()->viewport()));
        }
        if (layout == 2) {
            EXPECT_TRUE(DropFileOn(window->LibraryList()->viewport()));
            QLineEdit* search = window->findChild<QLineEdit*>(QStringLiteral("librarySearch"));
            EXPECT_TRUE(DropFileOn(search));
            EXPECT_EQ(search->text(), QString());  // the name did not land in the field
        }
        if (layout != 0) {
            EXPECT_TRUE(DropFileOn(window->statusBar()));
        }
    }
    EXPECT_EQ(window->Model()->rowCount(), int(app->data.playlist.size()));

    // Text that is no file list is refused, and adds nothing.
    QMimeData text;
    text.setText(QStringLiteral("just words"));
    const size_t before = app->data.playlist.size();
    EXPECT_FALSE(DragAndDrop(window->InfoField(2), text));
    EXPECT_EQ(app->data.playlist.size(), before);
}

// Every menu item that has a picture shows it on a desktop without an icon theme.
TEST_F(MainWindowTest, MenuItemsShowTheirPicturesWithoutAnIconTheme) {
    const QString theme = QIcon::themeName();
    QIcon::setThemeName(QStringLiteral("sonvaro-test-no-such-theme"));
    MainWindow bare;
    QIcon::setThemeName(theme);
    // Only these carry no picture.
    const QStringList plain = {QStringLiteral("Verstecken"), QStringLiteral("Linksbündig"),
                               QStringLiteral("Zentriert"), QStringLiteral("Rechtsbündig")};
    int seen = 0;
    std::function<void(QMenu*)> walk = [&](QMenu* menu) {
        for (QAction* action : menu->actions()) {
            if (action->isSeparator()) continue;
            ++seen;
            if (!plain.contains(action->text())) {
                EXPECT_FALSE(action->icon().pixmap(16, 16).isNull()) << FromQt(action->text());
            }
            if (action->menu()) walk(action->menu());
        }
    };
    for (PopupMenu m : {PopupMenu::Playlist, PopupMenu::Open, PopupMenu::Tray, PopupMenu::Header})
        walk(bare.Menu(m));
    EXPECT_GT(seen, 40);
}

TEST(KeepInWorkArea, AWindowLargerThanTheAreaKeepsItsTitleBarOnIt) {
    const QRect area(0, 30, 960, 510);  // a 1920x1080 screen at scale 2, panel on top
    EXPECT_EQ(KeepInsideArea(QRect(400, 300, 1280, 960), area), QPoint(0, 30));
    EXPECT_EQ(KeepInsideArea(QRect(-50, 100, 1280, 300), area), QPoint(0, 100));
    EXPECT_EQ(KeepInsideArea(QRect(900, 500, 300, 200), area), QPoint(660, 340));
}

// A place and size stored on a larger (or less scaled) screen.
class StoredOffScreenTest : public MainWindowTest {
  protected:
    StoredOffScreenTest() {
        ini =
            "WinSizeMain_SizeType=1\nWinSizeMain_WinW_Second=2400\nWinSizeMain_WinH_Second=1800\n"
            "[WinSize]\nWinSize_X1=1500\nWinSize_Y1=900\n";
    }
};

TEST_F(StoredOffScreenTest, MainWindowComesBackInsideTheWorkArea) {
    const QRect area = window->screen()->availableGeometry();
    ASSERT_LT(area.width(), 1500);  // the stored place is off this screen
    const QRect outer = window->frameGeometry();
    EXPECT_GE(outer.left(), area.left());
    EXPECT_GE(outer.top(), area.top());
    EXPECT_LE(outer.right(), area.right());
    EXPECT_LE(outer.bottom(), area.bottom());
}

// Catches what the desktop would open in the browser.
class UrlCatcher : public QObject {
    Q_OBJECT
  public slots:
    void open(const QUrl& url) { urls << url; }

  public:
    QList<QUrl> urls;
};

TEST(HelpFile, FoundBesideTheBuiltProgramAndInAnInstalledTree) {
    const QString built = QFileInfo(QStringLiteral(SONVARO_BINARY)).absolutePath();
    const QString page = FindHelpFile(built);
    EXPECT_EQ(page, QFileInfo(built + QStringLiteral("/help/index.html")).canonicalFilePath());
    EXPECT_NE(ReadFile(FromQt(page)).find("<h2 id=\"tasten\">"), std::string::npos);

    // A package tree unpacked anywhere, as DESTDIR leaves it.
    TempDir dest;
    std::filesystem::create_directories(dest / "usr/bin");
    std::filesystem::create_directories(dest / "usr/share/sonvaro/help");
    WriteFile(dest / "usr/share/sonvaro/help/index.html", "<html>Hilfe</html>");
    EXPECT_EQ(FindHelpFile(ToQt(dest / "usr/bin")), ToQt(dest / "usr/share/sonvaro/help/index.html"));

    // A folder is no help page.
    TempDir empty;
    std::filesystem::create_directories(empty / "bin/help/index.html");
    if (!QFileInfo::exists(InstalledHelpFile())) {
        EXPECT_EQ(FindHelpFile(ToQt(empty / "bin")), QString());
    }
}

TEST_F(MainWindowTest, HelpCommandOpensThePageOrNamesWhereItShouldBe) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/help");
    const bool installed = QFileInfo::exists(InstalledHelpFile());
    if (!installed) {
        window->RunCommand(Command::Help);
        ASSERT_EQ(messages.boxes.size(), 1u);
        EXPECT_EQ(messages.boxes[0].text.rfind("Hilfe konnte nicht geöffnet werden\n'", 0), 0u);
        EXPECT_NE(messages.boxes[0].text.find("/sonvaro/help/index.html'"), std::string::npos);
        EXPECT_EQ(messages.boxes[0].title, "Hinweis");
        EXPECT_TRUE(catcher.urls.isEmpty());
    }
    QDir().mkpath(beside);
    WriteFile(FromQt(beside) + "/index.html", "<html>Hilfe</html>");
    const QUrl expected = QUrl::fromLocalFile(QFileInfo(beside).canonicalFilePath() + "/index.html");
    window->RunCommand(Command::Help);
    QDir(beside).removeRecursively();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls[0], expected);
    EXPECT_EQ(messages.boxes.size(), installed ? 0u : 1u);
}

// Every item of a menu and its sub-menus, by text.
QAction* FindItem(QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions()) {
        if (action->text() == text) return action;
        if (action->menu())
            if (QAction* inner = FindItem(action->menu(), text)) return inner;
    }
    return nullptr;
}

// The menu a right click on `widget` opens, as the desktop delivers the click.
QMenu* RightClickMenu(QWidget* widget) {
    const QPoint at = widget->rect().center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at));
    QApplication::sendEvent(widget, &click);
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

// A desktop without a tray (this test's offscreen one, GNOME as installed):
// what the tray menu offers is a right click on the window away, F1 opens
// the help from any of the player's windows, and neither the toggle nor
// minimising hides the player out of reach, whatever Misc_TaskBar says.
TEST_F(MainWindowTest, WithoutATrayEveryWayBackStaysOnTheWindow) {
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    app->data.settings.Misc_TaskBar = 0;
    window->SwitchLayout(1);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

    const auto run = [&](QWidget* where, const char* item) {
        QMenu* menu = RightClickMenu(where);
        if (!menu) return false;
        QAction* action = FindItem(menu, QString::fromUtf8(item));
        if (action) action->trigger();
        menu->close();
        return action != nullptr;
    };
    // Over the track information, the status bar and the volume slider.
    ASSERT_TRUE(run(window->InfoField(4), "Log"));
    EXPECT_TRUE(window->Tools().Log() && window->Tools().Log()->isVisible());
    ASSERT_TRUE(run(window->StatusField(3), "Radio Log"));
    EXPECT_TRUE(window->Tools().RadioLog() && window->Tools().RadioLog()->isVisible());
    ASSERT_TRUE(run(window->InfoField(1), "Informationen"));
    EXPECT_TRUE(window->Tools().About() && window->Tools().About()->isVisible());
    QMenu* menu = RightClickMenu(window->VolumeSlider());
    ASSERT_TRUE(menu);
    EXPECT_TRUE(FindItem(menu, QStringLiteral("Hilfe")));
    EXPECT_TRUE(FindItem(menu, QStringLiteral("Beenden")));
    menu->close();

    // F1 in the main window and in a tool window.
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/help");
    QDir().mkpath(beside);
    WriteFile(FromQt(beside) + "/index.html", "<html>Hilfe</html>");
    QTest::keyClick(window.get(), Qt::Key_F1);
    window->Tools().Log()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window->Tools().Log()));
    QTest::keyClick(window->Tools().Log(), Qt::Key_F1);
    QDir(beside).removeRecursively();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_EQ(catcher.urls.size(), 2);

    // "Verstecken" minimises: the task bar still shows the player.
    window->RunCommand(Command::ShowHide);
    EXPECT_TRUE(window->isMinimized());
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->Tools().Log()->isVisible());
    window->RunCommand(Command::ShowHide);
    EXPECT_FALSE(window->isMinimized());
    // So does the window's own minimise button.
    window->setWindowState(Qt::WindowMinimized);
    QApplication::processEvents();
    EXPECT_TRUE(window->isVisible());

    // "Beenden" from the window's menu ends the player.
    QSignalSpy exits(window.get(), &MainWindow::exitRequested);
    ASSERT_TRUE(run(window->InfoField(2), "Beenden"));
    EXPECT_EQ(exits.count(), 1);
}

}  // namespace
}  // namespace sonvaro::test

#include "window_manners_test.moc"
