#include <QComboBox>
#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include "core/text.h"
#include "support/ui_harness.h"
#include "ui/folder_dialog.h"
#include "ui/list_view.h"
#include "ui/qt_text.h"
#include "ui/search_window.h"

namespace sonvaro::test {
namespace {

void ClickHeader(ListView* list, int column) {
    QHeaderView* head = list->header();
    const QPoint at(head->sectionViewportPosition(column) + head->sectionSize(column) / 2,
                    head->height() / 2);
    QTest::mouseClick(head->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

// What a cell shows on the screen.
QImage CellImage(ListView* list, const QModelIndex& index) {
    return list->viewport()->grab(list->visualRect(index)).toImage();
}

TEST_F(MainWindowTest, AMaximisedWindowsColumnsFillItAndStoreTheirOwnWidths) {
    window->SwitchLayout(1);
    SetPlaylist({{"a", "x", 1}});
    window->showMaximized();
    ListView* list = window->PlaylistList();
    QHeaderView* head = list->header();
    ASSERT_TRUE(WaitFor([&] { return window->isMaximized() && list->isVisible(); }));
    const int last = head->logicalIndex(head->count() - 1);
    ASSERT_TRUE(WaitFor([&] {
        return head->sectionViewportPosition(last) + head->sectionSize(last) == list->viewport()->width();
    })) << head->sectionViewportPosition(last) + head->sectionSize(last)
        << " of " << list->viewport()->width();
    EXPECT_GT(head->sectionSize(last), 80);
    window->StoreWindowState(app->data.settings);
    EXPECT_EQ(app->data.settings.playlistColumns.width[last], 80);
    EXPECT_EQ(app->data.settings.playlistColumns.width[1], 100);
    EXPECT_EQ(head->sectionViewportPosition(last) + head->sectionSize(last), list->viewport()->width());
}

TEST_F(MainWindowTest, TwoStationsOfOneServerCanBeToldApartInANarrowColumn) {
    window->SwitchLayout(1);
    const std::string server = "http://stream.radio-server.example.com:8000/programme/";
    SetPlaylist({{server + "jazz", "", 0}, {server + "rock", "", 0}});
    window->show();
    ListView* list = window->PlaylistList();
    ASSERT_TRUE(WaitFor([&] { return list->isVisible(); }));
    list->header()->resizeSection(1, 150);
    list->clearSelection();
    list->setCurrentIndex(QModelIndex());
    const QImage jazz = CellImage(list, window->Model()->index(0, 1));
    const QImage rock = CellImage(list, window->Model()->index(1, 1));
    ASSERT_FALSE(jazz.isNull());
    EXPECT_NE(jazz, rock);
    // The cut is in the middle: the start of the address is still there.
    SetPlaylist({{server + "jazz", "", 0}, {"http://other.example.net:8000/programme/jazz", "", 0}});
    EXPECT_NE(CellImage(list, window->Model()->index(0, 1)), CellImage(list, window->Model()->index(1, 1)));
    // Titles are still cut at their end.
    SetPlaylist({{std::string(60, 'a') + "1", "", 0}, {std::string(60, 'a') + "2", "", 0}});
    EXPECT_EQ(CellImage(list, window->Model()->index(0, 1)), CellImage(list, window->Model()->index(1, 1)));
}

TEST_F(MainWindowTest, HeaderClickSortsByThatColumn) {
    window->SwitchLayout(1);
    SetPlaylist({{"b", "y", 1}, {"c", "x", 3}, {"a", "z", 2}});
    ClickHeader(window->PlaylistList(), 2);  // "Interpret"
    EXPECT_EQ(Titles(), (std::vector<std::string>{"c", "b", "a"}));
    ClickHeader(window->PlaylistList(), 1);  // "Titel"
    EXPECT_EQ(Titles(), (std::vector<std::string>{"a", "b", "c"}));
    ClickHeader(window->PlaylistList(), 4);  // "Nummer"
    EXPECT_EQ(Titles(), (std::vector<std::string>{"b", "a", "c"}));
    EXPECT_EQ(window->Model()->data(window->Model()->index(0, 1), Qt::DisplayRole).toString(),
              QStringLiteral("b"));
}

TEST_F(MainWindowTest, AlignmentMenuAndTheProtectedFirstColumn) {
    SetPlaylist({{"a", "", 0}});
    PlaylistModel* model = window->Model();
    window->SetHeaderMenuColumn(window->PlaylistList(), 3);
    window->RunCommand(Command::AlignRight);
    EXPECT_EQ(model->Alignment(3), 1);
    EXPECT_TRUE(model->data(model->index(0, 3), Qt::TextAlignmentRole).toInt() & Qt::AlignRight);
    window->RunCommand(Command::AlignCenter);
    EXPECT_EQ(model->Alignment(3), 2);

    window->SetHeaderMenuColumn(window->PlaylistList(), 0);
    window->RunCommand(Command::AlignRight);
    EXPECT_EQ(model->Alignment(0), 0);

    QHeaderView* head = window->PlaylistList()->header();
    EXPECT_EQ(head->sectionResizeMode(0), QHeaderView::Fixed);
    head->resizeSection(0, 40);
    EXPECT_EQ(head->sectionSize(0), 0);

    // What the settings keep: alignment codes and widths, column 0 closed.
    head->resizeSection(2, 123);
    window->StoreWindowState(app->data.settings);
    EXPECT_EQ(app->data.settings.playlistColumns.align[3], 2);
    EXPECT_EQ(app->data.settings.playlistColumns.width[2], 123);
    EXPECT_EQ(app->data.settings.playlistColumns.width[0], 0);
}

TEST_F(MainWindowTest, PlayingRowWearsTheHighlightColoursAndFollowsRemovals) {
    SetPlaylist({{"a", "", 0}, {"b", "", 0}, {"c", "", 0}});
    app->data.settings.GUI_ColorSB = 0x0000FF;  // red, as 0x00BBGGRR
    app->data.settings.GUI_ColorST = 0x00FF00;
    PlaylistModel* model = window->Model();
    window->SetRowMarked(2, true);
    EXPECT_EQ(model->data(model->index(2, 1), Qt::BackgroundRole).value<QBrush>().color(), QColor(255, 0, 0));
    EXPECT_EQ(model->data(model->index(2, 1), Qt::ForegroundRole).value<QBrush>().color(), QColor(0, 255, 0));
    EXPECT_FALSE(model->data(model->index(1, 1), Qt::BackgroundRole).isValid());

    Select({0});
    window->RunCommand(Command::Remove);
    EXPECT_EQ(model->MarkedRow(), 1);
    EXPECT_EQ(model->data(model->index(1, 1), Qt::DisplayRole).toString(), QStringLiteral("c"));
    window->SetRowMarked(1, false);
    EXPECT_EQ(model->MarkedRow(), -1);
}

// What the cell of (row, column) looks like on the screen.
QImage CellPicture(ListView* list, int row, int column) {
    const QRect cell = list->visualRect(list->model()->index(row, column));
    return list->viewport()->grab(cell).toImage();
}

TEST_F(MainWindowTest, PlayingRowCarriesAPlaySymbolInItsFirstVisibleColumn) {
    window->SwitchLayout(1);
    SetPlaylist({{"same", "", 0}, {"same", "", 0}, {"same", "", 0}});
    PlaylistModel* model = window->Model();
    ListView* list = window->PlaylistList();
    window->SetRowMarked(1, true);
    EXPECT_FALSE(model->data(model->index(1, 1), Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_FALSE(model->data(model->index(0, 1), Qt::DecorationRole).isValid());
    EXPECT_FALSE(model->data(model->index(1, 2), Qt::DecorationRole).isValid());

    // Selected, the playing row still differs from selected rows with the same text.
    Select({0, 1, 2});
    list->selectionModel()->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
    ASSERT_TRUE(WaitFor([&] { return list->viewport()->isVisible(); }));
    EXPECT_EQ(CellPicture(list, 0, 1), CellPicture(list, 2, 1));
    EXPECT_NE(CellPicture(list, 0, 1), CellPicture(list, 1, 1));

    // "Album" dragged to the front takes the symbol; closing it hands the symbol on.
    QHeaderView* head = list->header();
    head->moveSection(head->visualIndex(3), 1);
    EXPECT_EQ(list->FirstVisibleColumn(), 3);
    EXPECT_FALSE(model->data(model->index(1, 3), Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_FALSE(model->data(model->index(1, 1), Qt::DecorationRole).isValid());
    head->resizeSection(3, 0);
    EXPECT_EQ(list->FirstVisibleColumn(), 1);
    EXPECT_FALSE(model->data(model->index(1, 1), Qt::DecorationRole).value<QIcon>().isNull());

    // The symbol follows the playing row, not the selection.
    window->SetRowMarked(2, true);
    EXPECT_FALSE(model->data(model->index(1, 1), Qt::DecorationRole).isValid());
    EXPECT_FALSE(model->data(model->index(2, 1), Qt::DecorationRole).value<QIcon>().isNull());
}

class DropTest : public MainWindowTest {
  protected:
    // a.wav and sub/c.wav, plus a text file that is no audio
    void MakeFolder() {
        std::filesystem::create_directories(music / "sub");
        std::filesystem::copy_file(ToneFile(1), music / "a.wav");
        std::filesystem::copy_file(ToneFile(1), music / "sub/c.wav");
        WriteFile(music / "notes.txt", "no audio");
    }
    void Drop(const QString& path) {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path), QUrl(QStringLiteral("http://example.org/stream"))});
        EXPECT_TRUE(DragAndDrop(window->PlaylistList()->viewport(), mime));
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : app->data.playlist) names.emplace_back(FileNameOf(e.info.path));
        std::sort(names.begin(), names.end());
        return names;
    }
    TempDir music;
};

TEST_F(DropTest, DroppedFolderUsesTheRecursiveSetting) {
    MakeFolder();
    app->data.settings.Misc_RecursiveFolder = 0;
    Drop(ToQt(music.path()));
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.wav"}));
    EXPECT_EQ(window->Model()->rowCount(), 1);

    app->data.playlist.clear();
    window->PlaylistReset();
    app->data.settings.Misc_RecursiveFolder = 1;
    Drop(ToQt(music.path()));
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.wav", "c.wav"}));
    EXPECT_EQ(window->Model()->rowCount(), 2);
}

TEST_F(DropTest, EscapeEndsTheFolderWalk) {
    for (int i = 0; i < 5; ++i)
        std::filesystem::copy_file(ToneFile(1), music / ("x" + std::to_string(i) + ".wav"));
    // Pressed while the first file is added; the walk looks before the next entry.
    QCoreApplication::postEvent(window.get(),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    Drop(ToQt(music.path()));
    EXPECT_EQ(app->data.playlist.size(), 1u);
}

TEST_F(DropTest, AddFolderDialogStartsFromTheSettingButUsesItsOwnBox) {
    MakeFolder();
    app->data.settings.Misc_RecursiveFolder = 1;
    window->RunCommand(Command::AddFolder);
    FolderDialog* dialog = window->Tools().AddFolderDialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Ordner Hinzufügen"));
    EXPECT_TRUE(dialog->Recursive());
    dialog->SetRecursive(false);
    dialog->SetFolder(ToQt(music.path()).chopped(1));
    ASSERT_TRUE(WaitFor([&] { return dialog->Folder() == ToQt(music.path()).chopped(1); }));
    dialog->Choose();
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.wav"}));
    EXPECT_EQ(app->data.settings.Misc_RecursiveFolder, 1);  // the box is not written back
}

TEST_F(DropTest, AddFolderDialogOpensAtTheMusicFolderElseAtHomeNeverAtTheRoot) {
    TempDir home;
    const std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    const std::string oldConfig = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
    setenv("HOME", home.path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(),
           1);  // no user-dirs.dirs: ~/Music is the music folder
    auto openedAt = [&] {
        window->RunCommand(Command::AddFolder);
        FolderDialog* dialog = window->Tools().AddFolderDialog();
        const QString folder = dialog ? dialog->Folder() : QString();
        if (dialog) dialog->reject();
        QCoreApplication::processEvents();
        return folder;
    };
    const QString withoutMusic = openedAt();
    std::filesystem::create_directories(home / "Music");
    const QString withMusic = openedAt();
    setenv("HOME", oldHome.c_str(), 1);
    if (oldConfig.empty())
        unsetenv("XDG_CONFIG_HOME");
    else
        setenv("XDG_CONFIG_HOME", oldConfig.c_str(), 1);
    EXPECT_EQ(withoutMusic, ToQt(home.path()).chopped(1));
    EXPECT_EQ(withMusic, ToQt(home / "Music"));
}

TEST_F(DropTest, ReturnAndDoubleClickPlayTheSelectedRow) {
    MakeFolder();
    window->SwitchLayout(1);
    app->editor.AddToPlaylist(music / "a.wav");
    app->editor.AddToPlaylist(music / "sub/c.wav");
    ASSERT_EQ(window->Model()->rowCount(), 2);
    ListView* list = window->PlaylistList();
    Select({1});
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(window->Model()->MarkedRow(), 1);
    EXPECT_EQ(app->player.State().markedRow, 1);

    Select({0});
    const QRect cell = list->visualRect(window->Model()->index(0, 1));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    EXPECT_EQ(window->Model()->MarkedRow(), 0);
    EXPECT_EQ(window->Model()->data(window->Model()->index(1, 1), Qt::BackgroundRole), QVariant());
}

TEST_F(MainWindowTest, SearchWindowFindsAndSelectsRows) {
    SetPlaylist({{"Morning", "Ann", 0}, {"Evening", "Bob", 0}, {"Night", "morningstar", 0}});
    window->RunCommand(Command::Search);
    SearchWindow* search = window->Tools().Search();
    ASSERT_TRUE(search);
    EXPECT_EQ(search->windowTitle(), QStringLiteral("Suche"));

    search->TextField()->setText(QStringLiteral("  MORNING "));
    search->Search();
    ASSERT_EQ(search->Results()->count(), 2);
    EXPECT_EQ(search->Results()->item(1)->text(), QStringLiteral("Night"));
    EXPECT_TRUE(search->TextField()->text().isEmpty());

    search->ResultClicked(1);
    EXPECT_EQ(window->SelectedRows(), (std::vector<int>{2}));

    search->FieldBox()->setCurrentIndex(1);  // "Titel" only
    search->TextField()->setText(QStringLiteral("morning"));
    search->Search();
    EXPECT_EQ(search->Results()->count(), 1);

    search->TextField()->setText(QStringLiteral("   "));  // blank: nothing happens, results stay
    search->Search();
    EXPECT_EQ(search->Results()->count(), 1);
}

}  // namespace
}  // namespace sonvaro::test
