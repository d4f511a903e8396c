#include "ui/library_controller.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/text.h"
#include "library/library_commands.h"
#include "library/library_rows.h"
#include "library/library_scan.h"
#include "session/application.h"
#include "ui/library_browser.h"
#include "ui/library_model.h"
#include "ui/list_view.h"
#include "ui/qt_text.h"

namespace sonvaro {

namespace {

struct LibraryCommand {
    Command command;
    const char* text;
    bool checkable;
};

constexpr LibraryCommand kLibraryCommands[] = {
    {Command::LibraryPlay, "Wiedergabe", false},
    {Command::SetBookmark, "Lesezeichen setzen", false},
    {Command::RemoveBookmark, "Lesezeichen entfernen", false},
    {Command::NewPlaylistFromSelection, "Auswahl", false},
    {Command::NewPlaylistFromAll, "Alles", false},
    {Command::AddSelectionToPlaylist, "Auswahl", false},
    {Command::AddAllToPlaylist, "Alles", false},
    {Command::LibraryInformation, "Informationen", false},
    {Command::SearchInTitle, "Titel", true},
    {Command::SearchInArtist, "Artist", true},
    {Command::SearchInAlbum, "Album", true},
    {Command::SearchInGenre, "Genre", true},
    {Command::SearchInComment, "Kommentar", true},
    {Command::SearchInPath, "Pfad", true},
    {Command::SearchInAll, "Alle", false},
    {Command::SearchInNone, "Keine", false},
    {Command::AddStation, "Hinzufügen", false},
    {Command::RemoveStation, "Entfernen", false},
    {Command::StationInformation, "Informationen", false},
    {Command::LibraryScan, "Ordner scannen", false},
};

// The mode box's item after "Internet Stream".
constexpr int kBrowseItem = 6;

}  // namespace

LibraryController::LibraryController(Application& app, QWidget& window, Widgets widgets,
                                     InformationWindow information)
    : QObject(&window),
      app_(app),
      window_(window),
      w_(widgets),
      information_(std::move(information)),
      model_(new LibraryModel(this)),
      browser_(new LibraryBrowser(app.data.library, app.covers, w_.mode->parentWidget())) {
    w_.list->setModel(model_);
    // Under the mode and album boxes, taking the panel's height; shown by its mode item.
    if (auto* side = qobject_cast<QVBoxLayout*>(w_.mode->parentWidget()->layout()))
        side->insertWidget(side->indexOf(w_.albums) + 1, browser_, 100);
    browser_->setMinimumWidth(200);
    browser_->hide();
    connect(browser_, &LibraryBrowser::choiceChanged, this, [this] { Search(SearchMode::Browse); });
    w_.list->ProtectFirstColumn();
    BuildMenus();
    for (QWidget* widget : {static_cast<QWidget*>(w_.search), static_cast<QWidget*>(w_.options),
                            static_cast<QWidget*>(w_.mode), static_cast<QWidget*>(w_.albums)})
        widget->setEnabled(true);
    w_.searchButton->setEnabled(false);
    w_.options->setMenu(optionsMenu_);
    w_.options->setPopupMode(QToolButton::InstantPopup);
    w_.options->setText(QStringLiteral("…"));
    ShowSearchIn();

    connect(w_.search, &QLineEdit::textEdited, this, &LibraryController::CompleteSearchText);
    connect(w_.search, &QLineEdit::textChanged, this,
            [this](const QString& text) { w_.searchButton->setEnabled(!text.trimmed().isEmpty()); });
    connect(w_.search, &QLineEdit::returnPressed, this, [this] {
        if (!w_.search->text().trimmed().isEmpty()) Search(SearchMode::Text);
    });
    connect(w_.searchButton, &QPushButton::clicked, this, [this] { Search(SearchMode::Text); });
    connect(w_.mode, &QComboBox::activated, this, &LibraryController::ChooseMode);
    connect(w_.albums, &QComboBox::activated, this, [this](int) { Search(SearchMode::Album); });
    connect(w_.list, &ListView::rowActivated, this, [this] {
        if (lastMode_ != SearchMode::Stations || model_->rowCount() > 0) PlayRow();
    });
    connect(w_.list, &ListView::menuRequested, this, [this](QPoint pos) {
        (model_->Result().mode == SearchMode::Stations ? stationMenu_ : fileMenu_)->popup(pos);
    });
}

QAction* LibraryController::Action(Command command) const {
    for (QAction* a : actions_)
        if (a->data().toInt() == static_cast<int>(command)) return a;
    return nullptr;
}

void LibraryController::BuildMenus() {
    for (const LibraryCommand& c : kLibraryCommands) {
        auto* action = new QAction(QString::fromUtf8(c.text), this);
        action->setData(static_cast<int>(c.command));
        action->setCheckable(c.checkable);
        const Command command = c.command;
        connect(action, &QAction::triggered, this, [this, command] { Run(command); });
        actions_.push_back(action);
    }
    fileMenu_ = new QMenu(&window_);
    for (Command c : {Command::LibraryPlay, Command::SetBookmark, Command::RemoveBookmark})
        fileMenu_->addAction(Action(c));
    fileMenu_->addSeparator();
    QMenu* playlist = fileMenu_->addMenu(QStringLiteral("Wiedergabeliste  "));
    QMenu* fresh = playlist->addMenu(QStringLiteral("Neu  "));
    fresh->addAction(Action(Command::NewPlaylistFromSelection));
    fresh->addAction(Action(Command::NewPlaylistFromAll));
    QMenu* add = fileMenu_->addMenu(QString::fromUtf8("Hinzufügen  "));
    add->addAction(Action(Command::AddSelectionToPlaylist));
    add->addAction(Action(Command::AddAllToPlaylist));
    fileMenu_->addSeparator();
    fileMenu_->addAction(Action(Command::LibraryInformation));
    fileMenu_->addSeparator();
    fileMenu_->addAction(Action(Command::LibraryScan));

    stationMenu_ = new QMenu(&window_);
    for (Command c : {Command::AddStation, Command::RemoveStation, Command::StationInformation})
        stationMenu_->addAction(Action(c));

    optionsMenu_ = new QMenu(&window_);
    for (int n = static_cast<int>(Command::SearchInTitle); n <= static_cast<int>(Command::SearchInPath); ++n)
        optionsMenu_->addAction(Action(static_cast<Command>(n)));
    optionsMenu_->addSeparator();
    optionsMenu_->addAction(Action(Command::SearchInAll));
    optionsMenu_->addAction(Action(Command::SearchInNone));
    optionsMenu_->addSeparator();
    optionsMenu_->addAction(Action(Command::LibraryScan));
}

bool LibraryController::Run(Command command) {
    int8_t& searchIn = app_.data.settings.MediaLib_SearchIn;
    switch (command) {
        case Command::LibraryPlay:
            PlayRow();
            break;
        case Command::SetBookmark:
            SetBookmark(true);
            break;
        case Command::RemoveBookmark:
            SetBookmark(false);
            break;
        case Command::NewPlaylistFromSelection:
            AddRowsToPlaylist(true, true);
            break;
        case Command::NewPlaylistFromAll:
            AddRowsToPlaylist(true, false);
            break;
        case Command::AddSelectionToPlaylist:
            AddRowsToPlaylist(false, true);
            break;
        case Command::AddAllToPlaylist:
            AddRowsToPlaylist(false, false);
            break;
        case Command::LibraryInformation:
        case Command::StationInformation:
            ShowInformation();
            break;
        case Command::SearchInTitle:
        case Command::SearchInArtist:
        case Command::SearchInAlbum:
        case Command::SearchInGenre:
        case Command::SearchInComment:
        case Command::SearchInPath:
        case Command::SearchInAll:
        case Command::SearchInNone:
            searchIn = SearchInAfter(command, searchIn);
            ShowSearchIn();
            break;
        case Command::AddStation:
            AddStation();
            break;
        case Command::RemoveStation:
            RemoveStation();
            break;
        case Command::LibraryScan:
            ToggleScan();
            break;
        default:
            return false;
    }
    return true;
}

void LibraryController::ShowSearchIn() {
    const int searchIn = static_cast<uint8_t>(app_.data.settings.MediaLib_SearchIn);
    for (int n = 0; n < 6; ++n)
        Action(static_cast<Command>(static_cast<int>(Command::SearchInTitle) + n))
            ->setChecked(searchIn & (1 << n));
}

void LibraryController::Search(SearchMode mode) {
    SearchRequest request;
    request.mode = mode;
    request.searchIn = static_cast<uint8_t>(app_.data.settings.MediaLib_SearchIn);
    if (mode == SearchMode::Text) request.text = FromQt(w_.search->text());
    if (mode == SearchMode::Album) request.album = FromQt(w_.albums->currentText());
    if (mode == SearchMode::Browse) request.browse = browser_->Choice();
    // The browser stands in for the album box while its tracks are shown.
    browser_->setVisible(mode == SearchMode::Browse);
    w_.albums->setVisible(mode != SearchMode::Browse);
    RunSearch(request, false);
}

void LibraryController::RunSearch(const SearchRequest& request, bool again) {
    // A search cannot start another while it runs (events may be taken meanwhile).
    if (searching_ || app_.ShuttingDown()) return;
    searching_ = true;
    app_.workers.busy = true;
    w_.statusField->setText(QStringLiteral("Suche.."));
    std::vector<uint64_t> selected;
    if (again)
        for (int r : SelectedRows())
            if (const SearchRow* row = model_->Row(r)) selected.push_back(row->id);
    // Read first: a change that comes during the search is followed by another.
    const uint64_t changes = app_.data.library.diskChanges.load();
    std::optional<SearchResult> result = SearchLibrary(app_.data.library, request);
    diskChangesSeen_ = changes;
    if (result) {
        lastMode_ = request.mode;
        lastRequest_ = request;
        if (result->albumsRebuilt) {
            const QString chosen = w_.albums->currentText();
            w_.albums->clear();
            for (const std::string& album : result->albums) w_.albums->addItem(ToQt(album));
            w_.albums->setCurrentIndex(again ? w_.albums->findText(chosen) : -1);
        }
        model_->SetResult(std::move(*result));
        if (app_.data.settings.GUI_AutoColumnWidthML >= 1)
            for (int c = 1; c < model_->columnCount(); ++c) w_.list->resizeColumnToContents(c);
        if (request.mode == SearchMode::Text && !again) {
            w_.mode->setCurrentIndex(-1);
            w_.search->clear();
            w_.searchButton->setEnabled(false);
        }
        if (!selected.empty()) {
            std::sort(selected.begin(), selected.end());
            for (int r = 0; r < model_->rowCount(); ++r)
                if (std::binary_search(selected.begin(), selected.end(), model_->Row(r)->id))
                    w_.list->selectionModel()->select(
                        model_->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
        ShowCount();
    } else if (!lastRequest_) {
        // Nothing to show yet (the library file may still be being read):
        // the view follows once entries come.
        lastRequest_ = request;
    }
    app_.workers.busy = app_.workers.scanRunning.load();
    w_.statusField->clear();
    searching_ = false;
}

void LibraryController::ShowChosenView() {
    const int item = w_.mode->currentIndex();
    if (item >= 0) ChooseMode(item);
}

void LibraryController::ChooseMode(int item) {
    if (item == kBrowseItem) {
        browser_->Rebuild();
        Search(SearchMode::Browse);
        return;
    }
    Search(item == 5 ? SearchMode::Stations : static_cast<SearchMode>(item));
}

void LibraryController::ShowCount() {
    w_.countField->setText(' ' + QString::number(model_->rowCount()));
}

void LibraryController::CompleteSearchText(const QString& text) {
    const Settings& s = app_.data.settings;
    if (s.GUI_AutoComplete != 1 || s.MediaLib_SearchIn == 0) return;
    const std::string typed = FromQt(text);
    const auto value =
        completer_.Complete(app_.data.library, typed, static_cast<uint8_t>(s.MediaLib_SearchIn));
    if (!value) return;
    const QString whole = ToQt(*value);
    const int keep = static_cast<int>(text.size());
    w_.search->setText(whole);
    w_.search->setSelection(keep, static_cast<int>(whole.size()) - keep);
}

std::vector<int> LibraryController::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : w_.list->selectionModel()->selectedRows()) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int LibraryController::FirstSelectedRow() const {
    const std::vector<int> rows = SelectedRows();
    if (!rows.empty()) return rows.front();
    const QModelIndex current = w_.list->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void LibraryController::PlayRow() {
    const SearchRow* row = model_->Row(FirstSelectedRow());
    if (!row || app_.ShuttingDown()) return;
    LibraryEntry entry;
    if (!CurrentEntry(app_.data.library, *row, entry)) return;
    app_.control.PlayLibraryEntry(entry.info.path);
    // Its play count and date changed: show them.
    if (CurrentEntry(app_.data.library, *row, entry)) model_->RefreshRow(FirstSelectedRow(), entry);
}

void LibraryController::SetBookmark(bool on) {
    const int rowNumber = FirstSelectedRow();
    const SearchRow* row = model_->Row(rowNumber);
    if (!row || !SetRowBookmark(app_.data.library, *row, on)) return;
    if (!on && model_->Result().mode == SearchMode::Bookmarks) {
        model_->RemoveRow(rowNumber);
        ShowCount();
    }
}

void LibraryController::AddRowsToPlaylist(bool newPlaylist, bool selectedOnly) {
    w_.statusField->setText(newPlaylist ? QStringLiteral("Neue Wiedergabeliste erstellen..")
                                        : QString::fromUtf8("Zur Wiedergabeliste hinzufügen.."));
    if (newPlaylist) app_.playback.RemovePlaylistRows(-1);
    std::vector<int> rows;
    if (selectedOnly)
        rows = SelectedRows();
    else
        for (int r = 0; r < model_->rowCount(); ++r) rows.push_back(r);
    AppendRowsToPlaylist(app_.data.library, model_->Result(), rows, app_.editor);
    ShowCount();
    w_.statusField->clear();
}

void LibraryController::AddStation(const QString& given) {
    QString address = given;
    if (address.isEmpty()) {
        const QString title = QString::fromUtf8("Internet Radio hinzufügen");
        QInputDialog ask(&window_);
        ask.setObjectName(QStringLiteral("addStationDialog"));
        ask.setWindowTitle(title);
        ask.setLabelText(QStringLiteral("URL:"));
        ask.setTextValue(QStringLiteral("http://"));
        // Wide enough for its title beside the window buttons, and for an address
        // (the dialog's layout takes its width from the field).
        if (auto* field = ask.findChild<QLineEdit*>())
            field->setMinimumWidth(std::max(400, ask.fontMetrics().horizontalAdvance(title) + 160));
        if (ask.exec() != QDialog::Accepted) return;
        address = ask.textValue();
    }
    if (AddRadioStation(app_.data.library, FromQt(address)) == StationAdd::Added &&
        model_->Result().mode == SearchMode::Stations)
        Search(SearchMode::Stations);
}

void LibraryController::RemoveStation() {
    const int rowNumber = FirstSelectedRow();
    const SearchRow* row = model_->Row(rowNumber);
    if (!row) return;
    if (RemoveStationRow(app_.data.library, model_->Result(), *row, app_.ports.messages)) {
        model_->RemoveRow(rowNumber);
        ShowCount();
    }
}

void LibraryController::ShowInformation() {
    const SearchRow* row = model_->Row(FirstSelectedRow());
    LibraryEntry entry;
    if (!row || !CurrentEntry(app_.data.library, *row, entry)) return;
    if (IsStreamAddress(entry.info.path)) {
        information_.show(entry.info);  // a station has no file to read
        return;
    }
    information_.readAndShow(entry.info.path);
}

void LibraryController::ToggleScan() {
    if (app_.LibraryScanRunning()) {
        app_.StopLibraryScan();
    } else {
        std::string& folder = app_.data.settings.MediaLib_Path;
        if (folder.empty()) {
            // Without a library folder the command asks for one, as the dialog's "..." does.
            const QString chosen =
                QFileDialog::getExistingDirectory(&window_, QStringLiteral("Medienbibliothek"));
            if (chosen.isEmpty()) return;
            folder = FolderPath(chosen);
        }
        app_.StartLibraryScan();
    }
    Tick();
}

void LibraryController::Tick() {
    const bool running = app_.LibraryScanRunning();
    Action(Command::LibraryScan)
        ->setText(running ? QStringLiteral("Scannvorgang abbrechen") : QStringLiteral("Ordner scannen"));
    if (running) {
        w_.statusField->setText(ToQt(app_.workers.StatusText()) + QStringLiteral("  ") +
                                QString::number(app_.workers.progress.load()) + '%');
        scanShown_ = true;
    } else if (scanShown_) {
        scanShown_ = false;
        w_.statusField->clear();
        if (model_->rowCount() == 0) Search(lastMode_ == SearchMode::Text ? SearchMode::All : lastMode_);
    }
    // Files changed on disk: the view follows, at most once a second during a burst.
    const uint64_t changes = app_.data.library.diskChanges.load();
    if (changes != diskChangesSeen_ && lastRequest_ && !running && !searching_ &&
        (!sinceAgain_.isValid() || sinceAgain_.elapsed() >= 1000)) {
        diskChangesSeen_ = changes;
        sinceAgain_.start();
        // The browser's artists and albums follow the disk too; its choice stays where it still is.
        if (lastRequest_->mode == SearchMode::Browse) {
            browser_->Rebuild();
            lastRequest_->browse = browser_->Choice();
        }
        RunSearch(*lastRequest_, true);
    }
}

}  // namespace sonvaro
