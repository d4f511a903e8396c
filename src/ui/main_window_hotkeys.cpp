#include <QApplication>
#include <QLineEdit>

#include "ui/library_controller.h"
#include "ui/list_view.h"
#include "ui/main_window.h"

namespace sonvaro {

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
                OpenSearch();
            else if (layout_ == Layout::Library && library_)
                library_->SearchField()->setFocus(Qt::ShortcutFocusReason);
            break;
        default:
            break;
    }
}

}  // namespace sonvaro
