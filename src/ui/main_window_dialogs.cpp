// The windows and dialogs that the commands open, and the roads by which files come in.
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QUrl>

#include "companions/update_check.h"
#include "core/ports/desktop_ports.h"
#include "core/ports/messages.h"
#include "desktop/file_manager.h"
#include "desktop/help_file.h"
#include "platform/app_folders.h"
#include "playback/player_state.h"
#include "playlist/playlist_export.h"
#include "session/settings_apply.h"
#include "ui/docking.h"
#include "ui/folder_dialog.h"
#include "ui/icons.h"
#include "ui/list_view.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"

namespace sonvaro {
namespace {

// What applying does to the main window and its tool windows.
class WindowApplyPort : public SettingsApplyPort {
  public:
    explicit WindowApplyPort(MainWindow& window) : window_(window) {}
    void SetMainWindowOnTop(bool onTop) override { window_.SetMainWindowOnTop(onTop); }
    void ApplyOpacityToAll(bool enabled, int32_t value) override { window_.ApplyOpacity(enabled, value); }
    void FitPlaylistColumns() override { window_.FitPlaylistColumns(); }
    void FitLibraryColumns() override {
        ListView* list = window_.LibraryList();
        if (!list || !list->model()) return;
        for (int c = 1; c < list->model()->columnCount(); ++c) list->resizeColumnToContents(c);
    }
    void ApplyColours(const Settings& settings) override {
        window_.ApplyInfoColours(settings.GUI_ColorB, settings.GUI_ColorF);
        window_.PlaylistList()->viewport()->update();  // the marked row's colours
    }
    void ShowRecording(bool) override { window_.RefreshRecordingButton(); }

  private:
    MainWindow& window_;
};

// Turns the dialog filters of the player ("text|patterns|text|patterns") into Qt's.
QString QtFilter(const std::string& filter) {
    const QStringList parts = ToQt(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) continue;
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (patterns == QLatin1String("*.*")) patterns = QStringLiteral("*");
        filters << (parts[i].contains(QLatin1Char('(')) ? parts[i]
                                                        : parts[i] + QStringLiteral(" (") + patterns + ')');
    }
    return filters.join(QStringLiteral(";;"));
}

class QtSavePlaylistDialog : public SavePlaylistDialog {
  public:
    explicit QtSavePlaylistDialog(QWidget* parent) : parent_(parent) {}
    std::optional<Choice> AskSavePath(const std::string& title, const std::string& initialFolder,
                                      const std::string& filter) override {
        const QString filters = QtFilter(filter);
        QString selected;
        // The export asks its own "Überschreiben" question; Qt's would be a second one.
        const QString path = QFileDialog::getSaveFileName(parent_, ToQt(title), ToQt(initialFolder), filters,
                                                          &selected, QFileDialog::DontConfirmOverwrite);
        if (path.isEmpty()) return std::nullopt;
        Choice choice;
        choice.path = FromQt(path);
        choice.format = selected.contains(QLatin1String("*.pls")) ? PlaylistFormat::PLS : PlaylistFormat::M3U;
        return choice;
    }

  private:
    QWidget* parent_;
};

}  // namespace

const char* const kAddFilesFilter =
    "Unterstützte "
    "Formate|*.wav;*.aif;*.mp3;*.mp2;*.mp1;*.mo3;*.it;*.xm;*.s3m;*.mtm;*.mod;*.umx;*.wma;*.flac;*.mid;"
    "*.wv;*.wvc;*.mp4;*.aac;*.m3u;*.pls;*.cue|Audio|*.wav;*.aif;*.mp3;*.mp2;*.mp1;*.mo3;*.it;*.xm;*.s3m;*."
    "mtm;*."
    "mod;*.umx;"
    "*.wma;*.flac;*.mid;*.wv;*.wvc;*.mp4;*.aac|Playlist|*.m3u;*.pls;*.cue|Alle Dateien|*.*";

void MainWindow::BuildToolWindows() {
    tools_ = new ToolWindowHost(
        *this, {[this] { return Busy(); }, [this](bool hold) { hold ? BeginBusy() : EndBusy(); },
                [this](int row) { SelectPlaylistRow(row); },
                [this] { return std::make_unique<WindowApplyPort>(*this); }});
}

void MainWindow::AddDropped(const QString& names) {
    if (!app_ || busy_.Busy()) return;
    BeginBusy();
    app_->editor.AddDroppedItems(FromQt(names));
    EndBusy();
}

void MainWindow::AddFiles() {
    const QStringList files = QFileDialog::getOpenFileNames(
        this, QStringLiteral("Dateien Hinzufügen"), ToQt(GetMusicFolder()), QtFilter(kAddFilesFilter));
    if (files.isEmpty()) return;
    BeginBusy();
    for (const QString& file : files) app_->editor.AddToPlaylist(FromQt(file));
    EndBusy();
}

void MainWindow::CopySelected() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) return;
    FolderDialog chooser(QStringLiteral("Kopieren.."), false, this);
    chooser.SetFolder(ToQt(GetMusicFolder()));
    if (chooser.exec() != QDialog::Accepted) return;
    BeginBusy();
    app_->editor.CopyFiles(rows, FolderPath(chooser.Folder()));
    EndBusy();
}

void MainWindow::ShowSelectedInFileBrowser() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty() || static_cast<size_t>(rows.front()) >= app_->data.playlist.size()) return;
    fileBrowser_.ShowItem(app_->data.playlist[rows.front()].info.path);
}

void MainWindow::SavePlaylist() {
    QtSavePlaylistDialog dialog(this);
    SavePlaylistAs(app_->data.playlist, {}, 0, dialog, app_->ports.messages, GetMusicFolder());
}

void MainWindow::OpenAutotagger() {
    std::vector<std::string> paths;
    for (int row : SelectedRows())
        if (row >= 0 && static_cast<size_t>(row) < app_->data.playlist.size())
            paths.push_back(app_->data.playlist[static_cast<size_t>(row)].info.path);
    tools_->OpenAutotagger(std::move(paths));
}

void MainWindow::ShowSelectedInformation() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty() || rows.front() < 0 || static_cast<size_t>(rows.front()) >= app_->data.playlist.size())
        return;
    tools_->ShowFileInformation(app_->data.playlist[static_cast<size_t>(rows.front())].info.path);
}

void MainWindow::ShowCurrentTrackInformation() {
    if (!app_ || busy_.Busy() || app_->ShuttingDown()) return;
    const PlayerState& state = app_->player.State();
    if (state.playSource == kSourceRadio && !state.currentPath.empty()) {
        // A station has no file to read, whatever its address scheme: only the address is shown.
        TrackInfo station;
        station.path = state.currentPath;
        tools_->OpenFileInfo(station);
        return;
    }
    tools_->ShowFileInformation(state.currentPath);
}

void MainWindow::OpenHelp() {
    const QString path = FindHelpFile(QCoreApplication::applicationDirPath());
    if (path.isEmpty() || !QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        app_->ports.messages.HintBox("Hilfe konnte nicht geöffnet werden\n'" +
                                     FromQt(path.isEmpty() ? InstalledHelpFile() : path) + "'");
}

void MainWindow::SetRecordingIcon() {
    const bool on = app_ && app_->data.settings.NETStream_SaveFile != 0;
    actions_[Command::RecordRadio]->setIcon(Icon(on ? "record" : "record-off"));
}

void MainWindow::AttachUpdates(UpdateCheckRunner& updates, WebBrowser& browser) {
    updates_ = &updates;
    browser_ = &browser;
    for (Command c : {Command::UpdateCheck, Command::Website, Command::Feedback})
        actions_[c]->setEnabled(true);
}

void MainWindow::OpenWebPage(const std::string& address, const char* title) {
    if (address.empty())
        app_->ports.messages.Show(kNoAddressText, title, MessageIcon::Information);
    else if (browser_ && IsWebAddress(address))
        browser_->OpenAddress(address);
}

void MainWindow::AttachTasks(ScheduledTask& tasks) {
    tools_->AttachTasks(tasks);
    actions_[Command::Task]->setEnabled(true);
}

}  // namespace sonvaro
