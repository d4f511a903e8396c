// The library layout on the real window: searching, the row menus acting on
// their own entries, stations, adding to the playlist, and the scan command.
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>

#include "support/tag_fixtures.h"
#include "support/ui_harness.h"
#include "support/wait.h"
#include "ui/generator_window.h"
#include "ui/library_browser.h"
#include "ui/library_controller.h"
#include "ui/library_model.h"
#include "ui/qt_text.h"

namespace sonvaro::test {
namespace {

class LibraryViewTest : public MainWindowTest {
  protected:
    LibraryController& View() { return *window->LibraryView(); }
    LibraryModel& Rows() { return View().Model(); }
    QLineEdit* Field() { return window->findChild<QLineEdit*>(QStringLiteral("librarySearch")); }
    void SetLibrary(const std::vector<std::tuple<std::string, std::string, std::string>>& tracks) {
        std::lock_guard lock(app->data.library.libraryLock);
        app->data.library.entries.clear();
        for (const auto& [path, title, artist] : tracks) {
            LibraryEntry e;
            e.info.path = path;
            e.info.title = title;
            e.info.artist = artist;
            app->data.library.entries.push_back(e);
        }
    }
    std::vector<std::string> Column(int column) {
        std::vector<std::string> out;
        for (int r = 0; r < Rows().rowCount(); ++r)
            out.push_back(FromQt(Rows().index(r, column).data().toString()));
        return out;
    }
    void SelectRow(int row) {
        window->LibraryList()->clearSelection();
        window->LibraryList()->selectionModel()->select(
            Rows().index(row, 1), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
};

// A library saved by an earlier run, in a folder that is there.
class StoredLibraryViewTest : public LibraryViewTest {
  protected:
    StoredLibraryViewTest() {
        std::filesystem::create_directories(home / "music");
        std::filesystem::create_directories(home / "Sonvaro");
        std::string file = "SV-F-MLV1\r\n";
        for (const std::string name : {"a", "b", "c"}) {
            const std::string path = home / ("music/" + name + ".mp3");
            WriteFile(path, "x");
            file += "ETY:" + path + "|Lied " + name + "|\r\n";
        }
        WriteFile(home / "Sonvaro/MediaLibary.dat", file);
        ini = "MediaLib_Path=" + (home / "music/") + "\n";
    }
};

TEST_F(StoredLibraryViewTest, TheViewAndTheCountShowTheLibraryFromTheStart) {
    ASSERT_EQ(app->data.library.entries.size(), 3u);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"Lied a", "Lied b", "Lied c"}));
    EXPECT_EQ(FromQt(window->StatusField(2)->text()), " 3");
}

// The window does not wait for a big library file: the view and the count
// show it once it is read, without a search by hand.
class LateLibraryViewTest : public LibraryViewTest {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(home / "Sonvaro");
        std::string file = "SV-F-MLV1\r\n";
        for (int i = 0; i < 30000; ++i) file += "ETY:/musik/" + std::to_string(100000 + i) + ".mp3|Lied|\r\n";
        WriteFile(home / "Sonvaro/MediaLibary.dat", file);
        waitForLibrary = false;
        LibraryViewTest::SetUp();
    }
};

TEST_F(LateLibraryViewTest, TheViewAndTheCountShowALibraryReadAfterTheWindowOpened) {
    EXPECT_TRUE(WaitUntil([&] {
        QCoreApplication::processEvents();
        window->BusyTick();
        return Rows().rowCount() == 30000 && window->StatusField(2)->text() == QStringLiteral(" 30000");
    }));
    EXPECT_EQ(Rows().rowCount(), 30000);
    EXPECT_EQ(FromQt(window->StatusField(2)->text()), " 30000");
    EXPECT_EQ(Column(1).front(), "Lied");
}

// Files that arrive or go on disk while the player runs show in the view
// without a search by hand, and the selection stays on its track.
TEST_F(StoredLibraryViewTest, ChangesOnDiskShowInTheViewWithinTwoSeconds) {
    ASSERT_TRUE(WaitUntil([&] { return app->workers.watching.load(); }));
    SelectRow(1);
    const auto shows = [&](int rows) {
        return WaitUntil(
            [&] {
                QCoreApplication::processEvents();
                window->BusyTick();
                return Rows().rowCount() == rows;
            },
            std::chrono::seconds(2));
    };
    std::filesystem::create_directories(home / "music/album");
    CopyOf(TagFixture("tagged.mp3"), home / "music/album/neu.mp3");
    ASSERT_TRUE(shows(4));
    const QModelIndexList selected = window->LibraryList()->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(Rows().index(selected[0].row(), 1).data().toString(), QStringLiteral("Lied b"));
    std::filesystem::remove(home / "music/album/neu.mp3");
    EXPECT_TRUE(shows(3));
}

// The library's columns as the user leaves them come back at the next start
// from their CMNW_ML_, CMNI_ML_ and CMNA_ML_ keys: widths, the order dragged
// and the alignment set with the header's right-click menu.
TEST_F(StoredLibraryViewTest, ColumnWidthsOrderAndAlignmentComeBackAtTheNextStart) {
    window->SwitchLayout(2);
    QHeaderView* head = window->LibraryList()->header();
    const int firstStart[] = {0, 250, 100, 80, 100, 100, 80, 100, 100, 80};
    for (int i = 1; i < 10; ++i) EXPECT_EQ(head->sectionSize(i), firstStart[i]) << "column " << i;
    EXPECT_EQ(head->sectionSize(0), 0);

    head->resizeSection(1, 171);
    head->resizeSection(7, 42);
    head->moveSection(head->visualIndex(2), 1);  // "Interpret" before "Titel"
    const auto align = [&](int column, const char* item) {
        const QPoint at(head->sectionViewportPosition(column) + head->sectionSize(column) / 2,
                        head->height() / 2);
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, head->viewport()->mapToGlobal(at));
        QApplication::sendEvent(head->viewport(), &click);
        QMenu* menu = window->Menu(PopupMenu::Header);
        if (!menu->isVisible()) return false;
        for (QAction* action : menu->actions())
            if (action->text() == QString::fromUtf8(item)) action->trigger();
        menu->close();
        return true;
    };
    ASSERT_TRUE(align(3, "Rechtsbündig"));  // "Album"
    ASSERT_TRUE(align(5, "Zentriert"));     // "Länge"
    EXPECT_TRUE(Rows().index(0, 3).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight);

    Restart();
    const std::string ini = ReadFile(home / "Sonvaro/Sonvaro.ini");
    for (const char* line :
         {"CMNW_ML_1 = 171\r\n", "CMNW_ML_7 = 42\r\n", "CMNI_ML_1 = 2\r\n", "CMNI_ML_2 = 1\r\n",
          "CMNA_ML_3 = 1\r\n", "CMNA_ML_5 = 2\r\n", "CMNA_ML_4 = 0\r\n"})
        EXPECT_NE(ini.find(line), std::string::npos) << line;
    head = window->LibraryList()->header();
    EXPECT_EQ(head->sectionSize(1), 171);
    EXPECT_EQ(head->sectionSize(7), 42);
    EXPECT_EQ(head->sectionSize(2), 100);
    EXPECT_EQ(head->sectionSize(0), 0);
    EXPECT_EQ(head->logicalIndex(0), 0);
    EXPECT_EQ(head->logicalIndex(1), 2);
    EXPECT_EQ(head->logicalIndex(2), 1);
    EXPECT_EQ(head->logicalIndex(3), 3);
    ASSERT_EQ(Rows().rowCount(), 3);
    EXPECT_TRUE(Rows().index(0, 3).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight);
    EXPECT_TRUE(Rows().index(2, 5).data(Qt::TextAlignmentRole).toInt() & Qt::AlignHCenter);
    EXPECT_TRUE(Rows().headerData(5, Qt::Horizontal, Qt::TextAlignmentRole).toInt() & Qt::AlignHCenter);
    EXPECT_TRUE(Rows().index(0, 1).data(Qt::TextAlignmentRole).toInt() & Qt::AlignLeft);
}

TEST_F(LibraryViewTest, TheAddStationQuestionIsWideEnoughForItsTitleAndAddsTheAddress) {
    int width = 0;
    QString title;
    QTimer::singleShot(0, [&] {
        auto* ask = window->findChild<QInputDialog*>(QStringLiteral("addStationDialog"));
        if (!ask) {  // never leave a question open: the test would wait for ever
            if (QWidget* open = QApplication::activeModalWidget()) open->close();
            ADD_FAILURE() << "no question";
            return;
        }
        width = ask->width();
        title = ask->windowTitle();
        ask->setTextValue(QStringLiteral("http://radio.example/neu"));
        ask->accept();
    });
    View().AddStation(QString());
    EXPECT_EQ(title, QString::fromUtf8("Internet Radio hinzufügen"));
    EXPECT_GE(width, QFontMetrics(QApplication::font()).horizontalAdvance(title) + 160);
    ASSERT_EQ(app->data.library.entries.size(), 1u);
    EXPECT_EQ(app->data.library.entries[0].info.path, "http://radio.example/neu");
}

TEST_F(LibraryViewTest, TextSearchFillsTheViewCountAndEmptiesTheField) {
    SetLibrary({{"/m/a.mp3", "Blue Moon", "Anna"},
                {"/m/b.mp3", "Red Sun", "Bert"},
                {"/m/c.mp3", "Moon", "Carl"},
                {"http://radio.example/x", "Radio", ""}});
    QTest::keyClicks(Field(), "moo");
    // Completed to the first title in library order, the rest selected.
    EXPECT_EQ(FromQt(Field()->text()), "Moon");
    Field()->setText("moon");
    auto* button = window->findChild<QPushButton*>(QStringLiteral("librarySearchButton"));
    ASSERT_TRUE(button->isEnabled());
    button->click();
    EXPECT_EQ(Column(1), (std::vector<std::string>{"Blue Moon", "Moon"}));
    EXPECT_EQ(Column(2), (std::vector<std::string>{"Anna", "Carl"}));
    EXPECT_EQ(FromQt(window->StatusField(2)->text()), " 2");
    EXPECT_TRUE(Field()->text().isEmpty());
    EXPECT_FALSE(button->isEnabled());

    auto* mode = window->findChild<QComboBox*>(QStringLiteral("libraryMode"));
    mode->setCurrentIndex(5);
    emit mode->activated(5);
    EXPECT_EQ(Column(2), (std::vector<std::string>{"http://radio.example/x"}));
    EXPECT_EQ(Rows().headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Adresse"));
}

TEST_F(LibraryViewTest, AutocompleteTakesTheFirstTitleAndNotOnDelete) {
    SetLibrary({{"/m/a.mp3", "Zebra", "x"}, {"/m/b.mp3", "Moonlight", "y"}, {"/m/c.mp3", "Moon", "z"}});
    QTest::keyClicks(Field(), "mo");
    EXPECT_EQ(FromQt(Field()->text()), "Moonlight");
    EXPECT_EQ(FromQt(Field()->selectedText()), "onlight");
    QTest::keyClick(Field(), Qt::Key_Backspace);  // removes the selection
    EXPECT_EQ(FromQt(Field()->text()), "Mo");
    QTest::keyClick(Field(), Qt::Key_Backspace);
    EXPECT_EQ(FromQt(Field()->text()), "M");
}

TEST_F(LibraryViewTest, RowActionsHitTheirOwnTrackAfterABackgroundRemoval) {
    SetLibrary({{"/m/a.mp3", "A", ""}, {"/m/b.mp3", "B", ""}, {"/m/c.mp3", "C", ""}});
    View().Search(SearchMode::All);
    {
        // The background refresh found a.mp3 gone.
        std::lock_guard lock(app->data.library.libraryLock);
        app->data.library.entries.erase(app->data.library.entries.begin());
    }
    SelectRow(2);
    window->RunCommand(Command::SetBookmark);
    EXPECT_EQ(app->data.library.entries[0].flags, 0);
    EXPECT_EQ(app->data.library.entries[1].flags, 1);  // C, the row's own track
    View().Search(SearchMode::Bookmarks);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"C"}));
    SelectRow(0);
    window->RunCommand(Command::RemoveBookmark);
    EXPECT_EQ(Rows().rowCount(), 0);  // gone from the bookmark view at once
    EXPECT_EQ(app->data.library.entries[1].flags, 0);
}

TEST_F(LibraryViewTest, StationsAddedOnceHttpsTooAndRemovedAfterTheQuestion) {
    SetLibrary({{"/m/a.mp3", "A", ""}});
    View().AddStation(QStringLiteral("https://radio.example/live"));
    View().AddStation(QStringLiteral("HTTPS://RADIO.example/live"));
    View().AddStation(QStringLiteral("ftp://radio.example/live"));
    View().AddStation(QString(10000, 'h'));
    View().Search(SearchMode::Stations);
    EXPECT_EQ(Column(2), (std::vector<std::string>{"https://radio.example/live"}));
    SelectRow(0);
    messages.answer = false;
    window->RunCommand(Command::RemoveStation);
    EXPECT_EQ(Rows().rowCount(), 1);
    messages.answer = true;
    window->RunCommand(Command::RemoveStation);
    EXPECT_EQ(Rows().rowCount(), 0);
    EXPECT_EQ(app->data.library.entries.size(), 1u);
    EXPECT_EQ(messages.boxes.back().text, "Möchten Sie '' wirklich entfernen?");
    EXPECT_EQ(messages.boxes.back().title, "Entfernen");
}

TEST_F(LibraryViewTest, TwoStationsOfOneServerCanBeToldApartInTheAddressColumn) {
    const QString server = QStringLiteral("http://stream.radio-server.example.com:8000/programme/");
    View().AddStation(server + QStringLiteral("jazz"));
    View().AddStation(server + QStringLiteral("rock"));
    View().Search(SearchMode::Stations);
    window->SwitchLayout(2);
    window->show();
    ListView* list = window->LibraryList();
    ASSERT_TRUE(WaitFor([&] { return list->isVisible(); }));
    ASSERT_EQ(Rows().rowCount(), 2);
    list->header()->resizeSection(2, 150);
    list->clearSelection();
    list->setCurrentIndex(QModelIndex());
    const auto cell = [&](int row) {
        return list->viewport()->grab(list->visualRect(Rows().index(row, 2))).toImage();
    };
    ASSERT_FALSE(cell(0).isNull());
    EXPECT_NE(cell(0), cell(1));
}

TEST_F(LibraryViewTest, NewPlaylistAndAddingTakeTheRowsEntries) {
    WriteFile(home / "one.mp3", "1");
    WriteFile(home / "two.mp3", "2");
    SetLibrary({{home / "one.mp3", "One", ""}, {home / "two.mp3", "Two", ""}});
    SetPlaylist({{"Old", "", 1}});
    View().Search(SearchMode::All);
    SelectRow(1);
    window->RunCommand(Command::AddSelectionToPlaylist);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"Old", "Two"}));
    window->RunCommand(Command::NewPlaylistFromAll);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"One", "Two"}));
    // An empty view: "Neu" → "Alles" empties the playlist.
    View().Search(SearchMode::Bookmarks);
    window->RunCommand(Command::NewPlaylistFromAll);
    EXPECT_TRUE(Titles().empty());
}

TEST_F(LibraryViewTest, ScanCommandScansTheLibraryFolder) {
    std::filesystem::create_directories(home / "music/album");
    CopyOf(TagFixture("tagged.mp3"), home / "music/album/lied.mp3");
    CopyOf(TagFixture("tagged.mp3"), home / "music/direct.mp3");
    app->data.settings.MediaLib_Path = home / "music";
    app->data.settings.MediaLib_CPU = 0;
    window->RunCommand(Command::LibraryScan);
    ASSERT_TRUE(WaitUntil([&] { return !app->LibraryScanRunning(); }));
    window->BusyTick();
    std::lock_guard lock(app->data.library.libraryLock);
    ASSERT_EQ(app->data.library.entries.size(), 1u);
    EXPECT_EQ(app->data.library.entries[0].info.path, home / "music/album/lied.mp3");
}

TEST_F(LibraryViewTest, GeneratorWindowFillsThePlaylistAndReportsItsErrors) {
    const std::string file = CopyOf(TagFixture("tagged.mp3"), home / "g.mp3");
    {
        std::lock_guard lock(app->data.library.libraryLock);
        for (int i = 0; i < 20; ++i) {
            LibraryEntry e;
            e.info.path = file;
            e.info.length = 240;
            app->data.library.entries.push_back(e);
        }
    }
    SetPlaylist({{"Old", "", 1}});
    window->UpdatePlaylistMenu();
    window->RunCommand(Command::Generate);
    GeneratorWindow* g = window->Tools().Generator();
    ASSERT_TRUE(g);
    EXPECT_EQ(g->duration->time(), QTime(0, 30));
    EXPECT_FALSE(g->count->isEnabled());
    g->byCount->setChecked(true);
    EXPECT_TRUE(g->count->isEnabled());
    EXPECT_FALSE(g->duration->isEnabled());
    g->count->setText(QStringLiteral("0"));
    EXPECT_EQ(g->Generate(), -1);
    EXPECT_EQ(messages.boxes.back().title, "Ungültige Eingabe");
    g->genreSwitch->setChecked(true);  // no genre chosen: nothing matches
    g->count->setText(QStringLiteral("-1"));
    EXPECT_EQ(g->Generate(), 0);
    EXPECT_EQ(messages.boxes.back().text,
              "Es konnten nicht genügend Einträge nach ihren Suchkriterien gefunden werden.");
    EXPECT_EQ(Titles(), (std::vector<std::string>{"Old"}));
    g->genreSwitch->setChecked(false);
    g->byTime->setChecked(true);
    g->createButton->click();
    EXPECT_EQ(app->data.playlist.size(), 8u);  // 30 minutes of 4-minute titles
    EXPECT_EQ(app->data.playlist[0].info.title, "Grüß Gott");
    EXPECT_TRUE(WaitFor([&] { return !window->Tools().Generator(); }));
}

// What the generator window shows each time its progress bar is painted.
struct GeneratorPaints : QObject {
    explicit GeneratorPaints(GeneratorWindow& g) : window(g) { g.progress->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            seen.push_back({window.progress->value(), window.progress->isVisible(),
                            window.createButton->isEnabled() || window.cancelButton->isEnabled(),
                            window.status->text()});
        return false;
    }
    struct Paint {
        int value;
        bool visible;
        bool anyButton;
        QString status;
    };
    GeneratorWindow& window;
    std::vector<Paint> seen;
};

TEST_F(LibraryViewTest, GeneratorShowsItsProgressAndHoldsItsButtonsWhileItWorks) {
    {
        std::lock_guard lock(app->data.library.libraryLock);
        for (int i = 0; i < 200; ++i) {
            LibraryEntry e;
            e.info.path = home / ("t" + std::to_string(i) + ".mp3");
            e.info.length = 1;
            app->data.library.entries.push_back(e);
        }
    }
    window->RunCommand(Command::Generate);
    GeneratorWindow* g = window->Tools().Generator();
    ASSERT_TRUE(g);
    ASSERT_TRUE(WaitFor([&] { return g->windowHandle() && g->windowHandle()->isExposed(); }));
    GeneratorPaints paints(*g);
    g->createButton->click();  // 200 seconds: too little for 30 minutes
    EXPECT_EQ(messages.boxes.back().title, "Hinweis");
    ASSERT_GE(paints.seen.size(), 2u);
    for (const auto& p : paints.seen) {
        EXPECT_TRUE(p.visible);
        EXPECT_FALSE(p.anyButton);
        EXPECT_EQ(p.status, QStringLiteral("Durchsuche Medienbibliothek.."));
    }
    EXPECT_EQ(paints.seen.front().value, 0);
    EXPECT_GE(paints.seen.back().value, 90);  // it grew to near the end, one step at a time
    EXPECT_GT(paints.seen.size(), 10u);
    // Afterwards the window is ready for another try.
    EXPECT_FALSE(g->progress->isVisible());
    EXPECT_EQ(g->progress->value(), 0);
    EXPECT_TRUE(g->createButton->isEnabled());
    EXPECT_TRUE(g->cancelButton->isEnabled());
    EXPECT_EQ(g->status->text(),
              QStringLiteral("Klicken Sie auf 'Erstellen' um eine Wiedergabeliste zu generieren."));
}

// Every control gets at least the room it asks for, with the progress bar shown too.
void ExpectNothingSquashed(QWidget& window) {
    for (QWidget* w : window.findChildren<QWidget*>()) {
        // The layout's own items: inner parts of a control are its own business.
        if (!w->isVisible() || w->isWindow() ||
            (w->parentWidget() != &window && !qobject_cast<QGroupBox*>(w->parentWidget())))
            continue;
        const QSize need = w->minimumSizeHint();
        const QString name =
            QString::fromUtf8(w->metaObject()->className()) + QLatin1Char(' ') +
            (qobject_cast<QAbstractButton*>(w) ? qobject_cast<QAbstractButton*>(w)->text() : w->objectName());
        EXPECT_GE(w->width(), need.width()) << name.toStdString();
        EXPECT_GE(w->height(), need.height()) << name.toStdString();
        if (w->hasHeightForWidth()) {
            EXPECT_GE(w->height(), w->heightForWidth(w->width())) << name.toStdString();
        }
        EXPECT_TRUE(window.rect().contains(QRect(w->mapTo(&window, QPoint(0, 0)), w->size())))
            << name.toStdString();
    }
}

TEST_F(LibraryViewTest, GeneratorWindowAtItsSizeCutsNothing) {
    {
        std::lock_guard lock(app->data.library.libraryLock);
        app->data.library.entries.emplace_back();
    }
    window->show();
    window->RunCommand(Command::Generate);
    GeneratorWindow* g = window->Tools().Generator();
    ASSERT_TRUE(g);
    ASSERT_TRUE(WaitFor([&] { return g->isVisible(); }));
    EXPECT_GE(g->width(), 390);
    EXPECT_GE(g->height(), 373);
    ExpectNothingSquashed(*g);
    g->progress->show();  // as while it works: the window does not change its size
    ASSERT_TRUE(WaitFor([&] { return g->progress->isVisible() && g->progress->height() > 0; }));
    QApplication::sendPostedEvents();
    ExpectNothingSquashed(*g);
}

}  // namespace
}  // namespace sonvaro::test

namespace sonvaro::test {
namespace {

// Artist, album, title, number.
void SetAlbums(Library& library,
               const std::vector<std::tuple<std::string, std::string, std::string, int>>& tracks) {
    std::lock_guard lock(library.libraryLock);
    library.entries.clear();
    for (const auto& [artist, album, title, number] : tracks) {
        LibraryEntry e;
        e.info.path = "/m/" + title + ".mp3";
        e.info.title = title;
        e.info.artist = artist;
        e.info.album = album;
        e.info.trackNumber = static_cast<int16_t>(number);
        library.entries.push_back(e);
    }
}

TEST_F(LibraryViewTest, TheBrowserListsArtistsAndAlbumsAndTheViewShowsWhatIsChosen) {
    SetAlbums(app->data.library, {{"Bert", "Later", "Second", 2},
                                  {"Anna", "Debut", "One", 1},
                                  {"Bert", "Later", "First", 1},
                                  {"bert", "Early", "Old", 1}});
    auto* mode = window->findChild<QComboBox*>(QStringLiteral("libraryMode"));
    auto* albums = window->findChild<QComboBox*>(QStringLiteral("libraryAlbums"));
    ASSERT_EQ(mode->count(), 7);
    EXPECT_EQ(mode->itemText(6), QStringLiteral("Interpreten und Alben"));
    mode->setCurrentIndex(6);
    emit mode->activated(6);
    LibraryBrowser& browser = View().Browser();
    EXPECT_FALSE(browser.isHidden());
    EXPECT_TRUE(albums->isHidden());
    QTreeWidget* tree = browser.Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("Anna (1)"));
    EXPECT_EQ(tree->topLevelItem(1)->text(0), QStringLiteral("Bert (3)"));
    ASSERT_EQ(tree->topLevelItem(1)->childCount(), 2);
    EXPECT_EQ(tree->topLevelItem(1)->child(1)->text(0), QString::fromUtf8("Later · 2 Titel"));
    // Nothing chosen: every track.
    EXPECT_EQ(Rows().rowCount(), 4);

    tree->setCurrentItem(tree->topLevelItem(1)->child(1));
    EXPECT_EQ(Column(1), (std::vector<std::string>{"First", "Second"}));
    tree->setCurrentItem(tree->topLevelItem(1));
    EXPECT_EQ(Column(1), (std::vector<std::string>{"Old", "First", "Second"}));
    EXPECT_EQ(FromQt(window->StatusField(2)->text()), " 3");
    // The rows are the library's own: the menus act on them.
    SelectRow(0);
    window->RunCommand(Command::SetBookmark);
    EXPECT_EQ(app->data.library.entries[3].flags, 1);

    // Typing filters the tree after a pause; the chosen artist stays chosen.
    QTest::keyClicks(browser.Filter(), "ear");
    ASSERT_TRUE(WaitUntil([&] {
        QCoreApplication::processEvents();
        return tree->topLevelItemCount() == 1;
    }));
    EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("bert (1)"));  // the spelling of what is left
    EXPECT_EQ(Column(1), (std::vector<std::string>{"Old"}));

    // Another mode gives the album box back; the search field is the one it was.
    mode->setCurrentIndex(0);
    emit mode->activated(0);
    EXPECT_TRUE(browser.isHidden());
    EXPECT_FALSE(albums->isHidden());
    EXPECT_EQ(Rows().rowCount(), 4);
}

TEST_F(LibraryViewTest, AnOpenedArtistShowsItsAlbumsCovers) {
    TempDir music;
    std::filesystem::create_directories(music / "Band/Platte");
    std::filesystem::create_directories(music / "Band/Ohne");
    WriteFile(music / "Band/Platte/1.mp3", "x");
    WriteFile(music / "Band/Ohne/1.mp3", "x");
    QImage red(64, 64, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(QString::fromStdString(music / "Band/Platte/cover.png")));
    {
        std::lock_guard lock(app->data.library.libraryLock);
        for (const char* album : {"Platte", "Ohne"}) {
            LibraryEntry e;
            e.info.path = music / ("Band/" + std::string(album) + "/1.mp3");
            e.info.title = album;
            e.info.artist = "Band";
            e.info.album = album;
            app->data.library.entries.push_back(e);
        }
    }
    auto* mode = window->findChild<QComboBox*>(QStringLiteral("libraryMode"));
    mode->setCurrentIndex(6);
    emit mode->activated(6);
    QTreeWidget* tree = View().Browser().Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* band = tree->topLevelItem(0);
    ASSERT_EQ(band->childCount(), 2);
    EXPECT_TRUE(band->child(1)->icon(0).isNull());
    band->setExpanded(true);
    ASSERT_TRUE(WaitUntil([&] {
        QCoreApplication::processEvents();
        return !band->child(1)->icon(0).isNull();
    }));
    EXPECT_EQ(band->child(1)->text(0).left(6), QStringLiteral("Platte"));
    EXPECT_TRUE(band->child(0)->icon(0).isNull());  // no picture: none shown
}

}  // namespace
}  // namespace sonvaro::test
