// Where every user command and every window hotkey ends.
#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <QMenu>

#include "companions/update_check.h"
#include "desktop/update_check_runner.h"
#include "platform/file_info.h"
#include "ui/library_controller.h"
#include "ui/library_model.h"
#include "ui/list_view.h"
#include "ui/main_window.h"
#include "ui/playlist_model.h"
#include "ui/settings/settings_window.h"

namespace sonvaro {

void MainWindow::RunCommand(Command command) {
    if (!app_ || busy_.Busy() || app_->ShuttingDown()) return;
    QAction* action = Action(command);
    if (action && !action->isEnabled()) return;
    PlayerControl& control = app_->control;
    PlaylistPlayback& playback = app_->playback;
    Settings& s = app_->data.settings;
    switch (command) {
        case Command::Previous:
        case Command::TrayPrevious:
            control.Previous();
            break;
        case Command::Play:
        case Command::PlaylistPlay:
        case Command::TrayPlay:
            control.PlaySelected();
            break;
        case Command::Pause:
        case Command::TrayPause:
            control.TogglePause();  // the logic sets the button's state
            break;
        case Command::Stop:
        case Command::TrayStop:
            control.Stop();
            break;
        case Command::Next:
        case Command::TrayNext:
            control.Next();
            break;
        case Command::RecordRadio:
            if (!app_->ToggleRecording()) break;
            SetRecordingIcon();
            if (SettingsWindow* dialog = tools_->SettingsDialog()) dialog->RecordingChanged();
            break;
        case Command::Mute:
            control.ToggleMute();
            break;
        case Command::Repeat:
            control.SetRepeat(actions_[Command::Repeat]->isChecked());
            break;
        case Command::Random:
            control.SetRandom(actions_[Command::Random]->isChecked());
            break;
        case Command::OpenMenu:
            menus_[PopupMenu::Open]->popup(QCursor::pos());
            break;
        case Command::PlaylistLayout:
            SwitchLayoutFromToolbar(Layout::Playlist);
            break;
        case Command::LibraryLayout:
            SwitchLayoutFromToolbar(Layout::Library);
            break;
        case Command::Equalizer:
        case Command::TrayEqualizer:
            tools_->OpenEffects();
            break;
        case Command::Shuffle:
        case Command::SortTitle:
        case Command::SortArtist:
        case Command::SortAlbum:
        case Command::SortNumber:
        case Command::SortLength:
        case Command::SortYear:
        case Command::SortType:
            playback.SortPlaylist(static_cast<int>(command) - static_cast<int>(Command::Shuffle));
            break;
        case Command::Search:
            tools_->OpenSearch();
            break;
        case Command::Generate:
            tools_->OpenGenerator();
            break;
        case Command::Task:
            tools_->OpenTaskChange();
            break;
        case Command::Settings:
        case Command::TraySettings:
            tools_->OpenSettingsWindow();
            break;
        case Command::AddFiles:
        case Command::OpenAddFiles:
            AddFiles();
            break;
        case Command::AddFolder:
        case Command::OpenAddFolder:
            tools_->OpenAddFolder();
            break;
        case Command::ShowInFolder:
            ShowSelectedInFileBrowser();
            break;
        case Command::CopyFiles:
            CopySelected();
            break;
        case Command::SavePlaylist:
            SavePlaylist();
            break;
        case Command::SelectAll:
            playlistList_->selectAll();
            break;
        case Command::Remove:
            playback.RemovePlaylistRows(0);
            break;
        case Command::RemoveAll:
            playback.RemovePlaylistRows(-1);
            break;
        case Command::AutoTag:
            OpenAutotagger();
            break;
        case Command::Refresh:
            playback.RefreshSelectedEntry();
            break;
        case Command::Information:
            ShowSelectedInformation();
            break;
        case Command::ShowHide:
            ToggleShowHide();
            break;
        case Command::About:
            tools_->OpenAbout();
            break;
        case Command::RecordingFolder:
            if (IsDirectory(s.NETStream_SavePath)) fileBrowser_.OpenFolder(s.NETStream_SavePath);
            break;
        case Command::RadioLog:
            tools_->OpenRadioLog();
            break;
        case Command::Log:
            tools_->OpenLog();
            break;
        case Command::Help:
            OpenHelp();
            break;
        case Command::Exit:
            emit exitRequested();
            break;
        case Command::UpdateCheck:
            if (updates_) updates_->Start(true);
            break;
        case Command::Website:
            if (updates_) OpenWebPage(updates_->Addresses().website, "Webseite");
            break;
        case Command::Feedback:
            if (updates_) OpenWebPage(updates_->Addresses().feedback, "Feedback");
            break;
        case Command::AlignLeft:
            SetHeaderAlignment(0);
            break;
        case Command::AlignCenter:
            SetHeaderAlignment(2);
            break;
        case Command::AlignRight:
            SetHeaderAlignment(1);
            break;
        default:
            if (library_) library_->Run(command);
            break;
    }
}

void MainWindow::RunCommand(int number) {
    RunCommand(static_cast<Command>(number));
}

void MainWindow::UpdatePlaylistMenu() {
    const bool selected = !SelectedRows().empty();
    const size_t count = app_ ? app_->data.playlist.size() : 0;
    for (Command n : {Command::PlaylistPlay, Command::ShowInFolder, Command::CopyFiles, Command::Remove,
                      Command::AutoTag, Command::Refresh, Command::Information})
        actions_[n]->setEnabled(selected);
    for (Command n : {Command::SavePlaylist, Command::SelectAll, Command::RemoveAll})
        actions_[n]->setEnabled(count > 0);
    for (int n = static_cast<int>(Command::Shuffle); n <= static_cast<int>(Command::Search); ++n)
        actions_[static_cast<Command>(n)]->setEnabled(count >= 2);
    bool libraryEmpty = true;
    if (app_) {
        std::lock_guard lock(app_->data.library.libraryLock);
        libraryEmpty = app_->data.library.entries.empty();
    }
    actions_[Command::Generate]->setEnabled(!libraryEmpty);
}

void MainWindow::SetHeaderMenuColumn(ListView* list, int column) {
    headerMenuList_ = list;
    headerMenuColumn_ = column;
}

void MainWindow::SetHeaderAlignment(int code) {
    if (!headerMenuList_ || headerMenuColumn_ <= 0) return;
    if (headerMenuList_ == playlistList_)
        model_->SetAlignment(headerMenuColumn_, code);
    else if (headerMenuList_ == libraryList_ && library_)
        library_->Model().SetAlignment(headerMenuColumn_, code);
}

void MainWindow::RunHotkeyCommand(HotkeyCommand command) {
    if (!app_ || busy_.Busy() || app_->ShuttingDown()) return;
    if (RunPlaybackHotkey(command, app_->control)) return;
    const bool active = isActiveWindow();
    switch (command) {
        case HotkeyCommand::ShowHide:
            ToggleShowHide();
            break;
        case HotkeyCommand::Exit:
            emit exitRequested();
            break;
        case HotkeyCommand::Settings:
            RunCommand(Command::Settings);
            break;
        case HotkeyCommand::Playlist:
            if (layout_ != Layout::Playlist) SwitchLayout(static_cast<int32_t>(Layout::Playlist));
            break;
        case HotkeyCommand::Library:
            if (layout_ != Layout::Library) SwitchLayout(static_cast<int32_t>(Layout::Library));
            break;
        case HotkeyCommand::SelectAll:
            // Not in the search field, and not while another program has the keys.
            if (!active) break;
            if (playlistList_->hasFocus())
                playlistList_->selectAll();
            else if (libraryList_ && libraryList_->hasFocus())
                libraryList_->selectAll();
            break;
        case HotkeyCommand::Remove:
            if (active && playlistList_->hasFocus() && !SelectedRows().empty())
                app_->playback.RemovePlaylistRows(0);
            break;
        case HotkeyCommand::CloseWindow:
            if (QWidget* w = QApplication::activeWindow()) w->close();
            break;
        case HotkeyCommand::Search:
            if (!active) break;
            if (layout_ == Layout::Playlist)
                tools_->OpenSearch();
            else if (layout_ == Layout::Library && library_)
                library_->SearchField()->setFocus(Qt::ShortcutFocusReason);
            break;
        default:
            break;
    }
}

}  // namespace sonvaro
