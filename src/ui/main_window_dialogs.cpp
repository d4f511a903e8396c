// The windows and dialogs that the commands open, and the roads by which files come in.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QUrl>

#include "core/messages.h"
#include "platform/app_folders.h"
#include "playlist/playlist_export.h"
#include "ui/about_window.h"
#include "ui/docking.h"
#include "ui/folder_dialog.h"
#include "ui/icons.h"
#include "ui/log_window.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/search_window.h"

namespace sonvaro {
namespace {

// Turns the dialog filters of the player ("text|patterns|text|patterns") into Qt's.
QString QtFilter(const std::string& filter) {
    const QStringList parts = ToQt(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) continue;
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (patterns == QLatin1String("*.*")) patterns = QStringLiteral("*");
        filters << (parts[i].contains(QLatin1Char('(')) ? parts[i] : parts[i] + QStringLiteral(" (") + patterns + ')');
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
        const QString path =
            QFileDialog::getSaveFileName(parent_, ToQt(title), ToQt(initialFolder), filters, &selected);
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
    "Unterstützte Formate|*.wav;*.aif;*.mp3;*.mp2;*.mp1;*.mo3;*.it;*.xm;*.s3m;*.mtm;*.mod;*.umx;*.wma;*.flac;*.mid;"
    "*.wv;*.wvc;*.mp4;*.aac;*.m3u;*.pls|Audio|*.wav;*.aif;*.mp3;*.mp2;*.mp1;*.mo3;*.it;*.xm;*.s3m;*.mtm;*.mod;*.umx;"
    "*.wma;*.flac;*.mid;*.wv;*.wvc;*.mp4;*.aac|Playlist|*.m3u;*.pls|Alle Dateien|*.*";

void MainWindow::AddDropped(const QString& names) {
    if (!app_ || busy_) return;
    BeginBusy();
    app_->editor.AddDroppedItems(FromQt(names));
    EndBusy();
}

void MainWindow::AddFiles() {
    const QStringList files = QFileDialog::getOpenFileNames(this, QStringLiteral("Dateien Hinzufügen"),
                                                            ToQt(GetMusicFolder()), QtFilter(kAddFilesFilter));
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
        if (busy_) return;
        BeginBusy();
        app_->editor.AddFolder(FolderPath(folder), recursive);
        EndBusy();
    });
    connect(folderDialog_, &FolderDialog::closing, this,
            [this](QWidget* w) { StoreToSlot(w, app_->data.settings.windows[9], true), docking_->Unregister(w); });
    ShowWindowFromSlot(folderDialog_, 9, true);
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
    const QString path = ToQt(app_->data.playlist[rows.front()].info.path);
    // The desktop's file manager selects the file; without one, open its folder.
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage)
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

void MainWindow::SavePlaylist() {
    QtSavePlaylistDialog dialog(this);
    SavePlaylistAs(app_->data.playlist, {}, 0, dialog, app_->ports.messages, GetMusicFolder());
}

void MainWindow::ShowWindowFromSlot(QWidget* window, int slot, bool sizeable) {
    Settings& s = app_->data.settings;
    window->setWindowIcon(AppIcon());
    PlaceFromSlot(window, s.windows[slot], sizeable, this);
    KeepInWorkArea(window);
    sonvaro::ApplyOpacity(window, s);
    docking_->Register(window, kDockAll);
    new SlotTracker(window, s.windows[slot], sizeable);
    window->show();
    // The frame is known only once shown: place again so the outer rectangle is right.
    PlaceFromSlot(window, s.windows[slot], sizeable, this);
    KeepInWorkArea(window);
}

void MainWindow::OpenSearch() {
    if (search_) {
        search_->show();
        search_->raise();
        search_->activateWindow();
        return;
    }
    search_ = new SearchWindow(*this);
    connect(search_, &SearchWindow::closing, this,
            [this](QWidget* w) { StoreToSlot(w, app_->data.settings.windows[4], true), docking_->Unregister(w); });
    ShowWindowFromSlot(search_, 4, true);
}

void MainWindow::OpenLog() {
    if (log_) {
        log_->show();
        log_->raise();
        log_->activateWindow();
        return;
    }
    log_ = new LogWindow(app_->log, this);
    connect(log_, &LogWindow::closing, this,
            [this](QWidget* w) { StoreToSlot(w, app_->data.settings.windows[6], true), docking_->Unregister(w); });
    ShowWindowFromSlot(log_, 6, true);
}

void MainWindow::OpenAbout() {
    if (about_) {
        about_->show();
        about_->raise();
        return;
    }
    about_ = new AboutWindow(this);
    connect(about_, &AboutWindow::closing, this,
            [this](QWidget* w) { StoreToSlot(w, app_->data.settings.windows[5], false), docking_->Unregister(w); });
    ShowWindowFromSlot(about_, 5, false);
}

void MainWindow::OpenHelp() {
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/help/index.html");
    if (!QFileInfo::exists(path) || !QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        app_->ports.messages.HintBox("Hilfe konnte nicht geöffnet werden\n'" + FromQt(path) + "'");
}

void MainWindow::SetRecordingIcon() {
    const bool on = app_ && app_->data.settings.NETStream_SaveFile != 0;
    actions_[5]->setIcon(Icon(on ? "record" : "record-off"));
}

}  // namespace sonvaro
