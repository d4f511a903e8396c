// The windows and dialogs that the commands open, and the roads by which files come in.
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>

#include "companions/scheduled_task.h"
#include "companions/update_check.h"
#include "core/ports/desktop_ports.h"
#include "core/ports/messages.h"
#include "desktop/file_manager.h"
#include "desktop/help_file.h"
#include "platform/app_folders.h"
#include "playback/player_state.h"
#include "playlist/playlist_export.h"
#include "tags/track_info_reader.h"
#include "ui/about_window.h"
#include "ui/autotagger_window.h"
#include "ui/docking.h"
#include "ui/effects_window.h"
#include "ui/file_info_window.h"
#include "ui/folder_dialog.h"
#include "ui/generator_window.h"
#include "ui/icons.h"
#include "ui/list_view.h"
#include "ui/log_window.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/radio_log_window.h"
#include "ui/search_window.h"
#include "ui/settings/settings_window.h"
#include "ui/task_windows.h"
#include "ui/tool_window.h"

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
    "*.wv;*.wvc;*.mp4;*.aac;*.m3u;*.pls|Audio|*.wav;*.aif;*.mp3;*.mp2;*.mp1;*.mo3;*.it;*.xm;*.s3m;*.mtm;*."
    "mod;*.umx;"
    "*.wma;*.flac;*.mid;*.wv;*.wvc;*.mp4;*.aac|Playlist|*.m3u;*.pls|Alle Dateien|*.*";

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

void MainWindow::OpenAddFolder() {
    if (folderDialog_) return;
    folderDialog_ = new FolderDialog(QStringLiteral("Ordner Hinzufügen"), true, this);
    folderDialog_->SetFolder(ToQt(GetMusicFolder()));
    folderDialog_->SetRecursive(app_->data.settings.Misc_RecursiveFolder != 0);
    connect(folderDialog_, &FolderDialog::chosen, this, [this](const QString& folder, bool recursive) {
        if (busy_.Busy()) return;
        BeginBusy();
        app_->editor.AddFolder(FolderPath(folder), recursive);
        EndBusy();
    });
    connect(folderDialog_, &FolderDialog::closing, this, [this](QWidget* w) {
        StoreToSlot(w, app_->data.settings.Window(WindowId::AddFolder), true), docking_->Unregister(w);
    });
    ShowWindowFromSlot(folderDialog_, WindowId::AddFolder, true);
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

void MainWindow::ShowWindowFromSlot(QWidget* window, WindowId slot, bool sizeable) {
    Settings& s = app_->data.settings;
    window->setWindowIcon(AppIcon());
    PlaceFromSlot(window, s.Window(slot), sizeable, this);
    KeepInWorkArea(window);
    sonvaro::ApplyOpacity(window, s);
    docking_->Register(window, kDockAll);
    new SlotTracker(window, s.Window(slot), sizeable);
    window->show();
    // The frame is known only once shown: place again so the outer rectangle is right.
    PlaceFromSlot(window, s.Window(slot), sizeable, this);
    KeepInWorkArea(window);
}

template <class W, class Make>
W* MainWindow::ShowToolWindow(QPointer<W>& window, WindowId slot, bool sizeable, Make&& make) {
    // A window closed in this same pass of events is still there until it is deleted: open a new one.
    if (window && window->property(kClosingProperty).toBool()) window = nullptr;
    if (window) {
        window->show();
        window->raise();
        window->activateWindow();
        return window;
    }
    window = make();
    connect(window, &W::closing, this, [this, slot, sizeable](QWidget* w) {
        StoreToSlot(w, app_->data.settings.Window(slot), sizeable);
        docking_->Unregister(w);
    });
    ShowWindowFromSlot(window, slot, sizeable);
    return window;
}

void MainWindow::OpenGenerator() {
    ShowToolWindow(generator_, WindowId::Generator, false,
                   [this] { return new GeneratorWindow(*app_, this); });
}

void MainWindow::OpenSearch() {
    ShowToolWindow(search_, WindowId::Search, true, [this] {
        return new SearchWindow(
            *this, *app_,
            {[this] { return Busy(); }, [this](bool hold) { hold ? BeginBusy() : EndBusy(); },
             [this](int row) { SelectPlaylistRow(row); }});
    });
}

void MainWindow::OpenLog() {
    ShowToolWindow(log_, WindowId::Log, true, [this] { return new LogWindow(app_->log, this); });
}

void MainWindow::OpenAbout() {
    ShowToolWindow(about_, WindowId::About, false,
                   [this] { return new AboutWindow(app_->engine.engineVersion, this); });
}

EffectsWindow* MainWindow::Effects() const {
    return effects_;
}
FileInfoWindow* MainWindow::FileInfo() const {
    return fileInfo_;
}
GeneratorWindow* MainWindow::Generator() const {
    return generator_;
}
AutotaggerWindow* MainWindow::Autotagger() const {
    return autotagger_;
}
RadioLogWindow* MainWindow::RadioLog() const {
    return radioLog_;
}
AboutWindow* MainWindow::About() const {
    return about_;
}

QList<QWidget*> MainWindow::ToolWindows() const {
    QList<QWidget*> windows;
    for (QWidget* w : {static_cast<QWidget*>(search_.data()), static_cast<QWidget*>(folderDialog_.data()),
                       static_cast<QWidget*>(log_.data()), static_cast<QWidget*>(about_.data()),
                       static_cast<QWidget*>(effects_.data()), static_cast<QWidget*>(fileInfo_.data()),
                       static_cast<QWidget*>(autotagger_.data()), static_cast<QWidget*>(radioLog_.data()),
                       static_cast<QWidget*>(generator_.data()), static_cast<QWidget*>(taskChange_.data()),
                       static_cast<QWidget*>(taskRun_.data()), static_cast<QWidget*>(settingsWindow_.data())})
        if (w) windows << w;
    return windows;
}

void MainWindow::OpenEffects() {
    ShowToolWindow(effects_, WindowId::Effects, false,
                   [this] { return new EffectsWindow(app_->effects, this); });
}

void MainWindow::OpenRadioLog() {
    ShowToolWindow(radioLog_, WindowId::RadioLog, true,
                   [this] { return new RadioLogWindow(app_->radio.TrackLog(), this); });
}

void MainWindow::OpenAutotagger() {
    std::vector<std::string> paths;
    for (int row : SelectedRows())
        if (row >= 0 && static_cast<size_t>(row) < app_->data.playlist.size())
            paths.push_back(app_->data.playlist[static_cast<size_t>(row)].info.path);
    if (paths.empty()) return;
    // A new selection replaces the list of a window still open.
    if (autotagger_) autotagger_->close(), autotagger_ = nullptr;
    ShowToolWindow(autotagger_, WindowId::Autotagger, false, [this, &paths] {
        auto* window = new AutotaggerWindow(app_->tags, std::move(paths), this);
        connect(window, &AutotaggerWindow::tagsWritten, this,
                [this](const std::vector<std::string>& written) { app_->playback.RefreshEntries(written); });
        return window;
    });
}

void MainWindow::ShowSelectedInformation() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty() || rows.front() < 0 || static_cast<size_t>(rows.front()) >= app_->data.playlist.size())
        return;
    ShowFileInformation(app_->data.playlist[static_cast<size_t>(rows.front())].info.path);
}

void MainWindow::ShowCurrentTrackInformation() {
    if (!app_ || busy_.Busy() || app_->ShuttingDown()) return;
    const PlayerState& state = app_->player.State();
    if (state.playSource == kSourceRadio && !state.currentPath.empty()) {
        // A station has no file to read, whatever its address scheme: only the address is shown.
        TrackInfo station;
        station.path = state.currentPath;
        OpenFileInfo(station);
        return;
    }
    ShowFileInformation(state.currentPath);
}

void MainWindow::ShowFileInformation(const std::string& path) {
    TrackInfo info;
    info.path = path;
    if (app_->tags.ReadTrackInfo(info) == kReadNothing) return;
    OpenFileInfo(info);
}

void MainWindow::OpenFileInfo(const TrackInfo& info) {
    if (fileInfo_) fileInfo_->close(), fileInfo_ = nullptr;  // one track at a time
    ShowToolWindow(fileInfo_, WindowId::FileInfo, false,
                   [this, &info] { return new FileInfoWindow(app_->tags, app_->playback, info, this); });
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
    tasks_ = &tasks;
    actions_[Command::Task]->setEnabled(true);
}

void MainWindow::OpenTaskChange() {
    if (!tasks_) return;
    ShowToolWindow(taskChange_, WindowId::TaskChange, false, [this] {
        auto* w = new TaskChangeWindow(this, tasks_->Order().trigger, tasks_->Order().action);
        connect(w, &TaskChangeWindow::chosen, this,
                [this](int trigger, int action) { tasks_->Arm(trigger, action); });
        // Gone at once, so that opening it again makes a new one instead of showing this closing one.
        connect(w, &TaskChangeWindow::closing, this, [this] { taskChange_ = nullptr; });
        return w;
    });
}

void MainWindow::OpenTaskRun() {
    if (!tasks_) return;
    const bool fresh = !taskRun_;
    ShowToolWindow(taskRun_, WindowId::TaskRun, false, [this] {
        auto* w = new TaskRunWindow(this);
        connect(w, &TaskRunWindow::closing, this, [this] {
            tasks_->Stop();
            taskRun_ = nullptr;
        });
        return w;
    });
    if (!fresh) return;
    // Always in the middle, not where it was last: it asks for attention.
    if (isVisible()) {
        CentreOver(taskRun_, this);
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        taskRun_->move(area.center() - taskRun_->rect().center());
    }
}

void MainWindow::CloseTaskRun() {
    if (taskRun_) taskRun_->close();
}

void MainWindow::ShowTaskProgress(int32_t percent) {
    if (taskRun_) taskRun_->SetProgress(percent);
}

void MainWindow::OpenSettingsWindow() {
    SettingsWindow* dialog = ShowToolWindow(settingsWindow_, WindowId::Settings, false, [this] {
        return new SettingsWindow(*this, *app_,
                                  {std::make_unique<WindowApplyPort>(*this), companions_, listenerSource_},
                                  settingsPage_);
    });
    // Shown again while open: on the remembered page, every control from its setting.
    dialog->FillSettingsControls();
}

SettingsWindow* MainWindow::SettingsDialog() const {
    if (settingsWindow_ && settingsWindow_->property(kClosingProperty).toBool()) return nullptr;
    return settingsWindow_;
}

TaskChangeWindow* MainWindow::TaskChange() const {
    return taskChange_;
}
TaskRunWindow* MainWindow::TaskRun() const {
    return taskRun_;
}

}  // namespace sonvaro
