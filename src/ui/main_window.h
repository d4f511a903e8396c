#pragma once
#include <QMainWindow>
#include <array>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "companions/hotkeys.h"
#include "core/command_ids.h"
#include "desktop/file_manager.h"
#include "playback/player_ports.h"
#include "playlist/playlist_display.h"
#include "session/application.h"
#include "session/remote_control.h"
#include "session/window_settings.h"
#include "ui/busy_state.h"
#include "ui/companions_window.h"
#include "ui/tool_window_host.h"

class QAction;
class QLabel;
class QMenu;
class QSlider;
class QSplitter;
class QSystemTrayIcon;
class QToolBar;
class QToolButton;
class QComboBox;
class QLineEdit;

namespace sonvaro {

// The main window's three layouts, numbered as WinSizeMain_SizeType stores them.
enum class Layout { InfoOnly = 0, Playlist = 1, Library = 2 };

// The main window's pop-up menus.
enum class PopupMenu {
    Playlist,  // the playlist's rows
    Open,      // the tool bar's "Öffnen"
    Tray,      // the tray icon's, also on the window where there is no tray
    Header,    // a list header's column alignment
};

class CoverLoader;
class DockRegistry;
class InfoPanel;
class ListView;
class PlaylistModel;
class LibraryController;
class ScheduledTask;
class UpdateCheckRunner;
class WebBrowser;

// The main window and the one place every user command arrives: tool bars,
// pop-up menus, tray, keys and the close box all end in RunCommand. It is the
// Qt side of the ports the player logic talks to; what the commands do is the
// logic's.
class MainWindow : public QMainWindow,
                   public PlayerDisplay,
                   public PlaylistDisplay,
                   public ShutdownPort,
                   public SettingsWindowPort,
                   public Clipboard,
                   public CompanionsWindow {
    Q_OBJECT
  public:
    MainWindow();
    ~MainWindow() override;

    // Connects the window to the running program; before Application::StartUp.
    void Attach(Application& app);
    // The end of start-up: show the window, add the tray icon.
    void FinishStartUp();

    // Runs one command number of the command table. Ignored while a long
    // operation keeps the window responsive.
    void RunCommand(Command command);
    void RunCommand(int number);
    // The tool windows the commands open.
    ToolWindowHost& Tools() const { return *tools_; }
    QAction* Action(Command command) const;
    QAction* Action(int number) const;
    // Menu 0's enable rules for the current selection, playlist and library.
    void UpdatePlaylistMenu();
    // A layout's button shows it, or goes back to the info-only layout when it is shown.
    void SwitchLayoutFromToolbar(Layout layout);
    Layout CurrentLayout() const { return layout_.value_or(Layout::InfoOnly); }
    void ToggleShowHide();
    void SelectPlaylistRow(int row);  // the "Suche" window's result click
    void AddDropped(const QString& names);

    // Remembered by the header right-click; the alignment commands act on it.
    void SetHeaderMenuColumn(ListView* list, int column);

    ListView* PlaylistList() const { return playlistList_; }
    ListView* LibraryList() const { return libraryList_; }
    QLabel* StatusField(int field) const { return status_[field]; }
    PlaylistModel* Model() const { return model_; }
    QSlider* VolumeSlider() const { return volume_; }
    QSlider* PositionSlider() const { return position_; }
    QSplitter* LibrarySplitter(int n) const { return n == 1 ? splitter1_ : splitter2_; }
    QMenu* Menu(PopupMenu menu) const;
    QString InfoFieldText(int field) const;
    QLabel* InfoField(int field) const;
    LibraryController* LibraryView() const { return library_; }
    // The scheduled task behind "Aufgabe"; the command stays disabled without one.
    void AttachTasks(ScheduledTask& tasks) override;
    // The update check behind "Neue Version" and the browser for it, "Webseite"
    // and "Feedback"; the three commands stay disabled without them.
    void AttachUpdates(UpdateCheckRunner& updates, WebBrowser& browser) override;
    // The popup, hotkeys and update check, for the settings dialog: its
    // "Vorschau" button, whether hotkeys can work here.
    void AttachCompanions(DesktopCompanions& companions) override { tools_->AttachCompanions(companions); }
    // The countdown window of a scheduled task.
    void OpenTaskRun() override { tools_->OpenTaskRun(); }
    void CloseTaskRun() override { tools_->CloseTaskRun(); }
    void ShowTaskProgress(int32_t percent) override { tools_->ShowTaskProgress(percent); }
    QWidget* PopupOwner() override { return this; }
    // The programs registered over remote control, for the settings dialog's list.
    void SetListenerSource(std::function<std::vector<ListenerWindow>()> source) {
        tools_->SetListenerSource(std::move(source));
    }
    void RefreshRecordingButton() { SetRecordingIcon(); }
    // The hotkeys that act on windows ("Minimieren/Anzeigen" to "Suche"); the
    // playback ones go to PlayerControl. Those that work on the main window's
    // lists only act while it is the active window.
    void RunHotkeyCommand(HotkeyCommand command) override;
    // The first caption field's click: the file information of the current track.
    void ShowCurrentTrackInformation();
    DockRegistry& Docking() const { return *docking_; }
    Application& App() const { return *app_; }
    // The covers of the window, its tool windows and the popup.
    CoverLoader* Covers() const { return covers_; }
    InfoPanel* Information() const { return infoPanel_; }
    bool Busy() const override { return busy_.Busy(); }
    // The status bar's busy picture: the frame shown, -1 for the idle picture.
    int BusyFrame() const { return busyFrame_; }
    void BusyTick();  // every 80 ms
    // Around operations that let window events through: commands wait for their end.
    void BeginBusy() { busy_.Begin(); }
    void EndBusy() { busy_.End(); }
    // Ends a running folder walk, import or search as Escape does.
    void StopBusyWork() { busy_.Stop(); }

    // PlayerDisplay
    void SetInfoField(int field, const std::string& text) override;
    void SetPositionSlider(int32_t value) override;
    void EnablePositionSlider(bool enabled) override;
    void SetPauseButton(bool pressed) override;
    void SetMuteButton(bool muted) override;
    void SetVolumeSlider(int32_t percent) override;
    void SetModeButtons(bool repeat, bool random) override;
    void SetTrayToolTip(const std::string& text) override;
    void ShowLevelImage(const LevelDisplay& image) override;

    // PlaylistDisplay
    void PlaylistReset() override;
    void FitPlaylistColumns() override;
    void SetPlaylistSummary(const std::string& text) override;
    void RowAppended() override;
    void RowRemoved(int row) override;
    void RowChanged(int row) override;
    void SetRowMarked(int row, bool marked) override;
    std::vector<int> SelectedRows() const override;
    void ProcessPendingEvents() override;
    bool EscapePressed() override;

    // ShutdownPort
    void CloseWindows() override;
    void RemoveTrayIcon() override;
    void CloseLog() override;

    // SettingsWindowPort
    std::optional<std::pair<int32_t, int32_t>> HighlightColours() override;
    void PlaceMainWindow(const WindowSlot& slot) override;
    void SwitchLayout(int32_t layout) override;
    void SetMainWindowOnTop(bool onTop) override;
    void ApplyOpacity(bool enabled, int32_t value) override;
    void ApplyInfoColours(int32_t background, int32_t foreground) override;
    void SetVolume(int32_t percent) override;
    void SetRepeatRandom(bool repeat, bool random) override;
    void ApplyPlaylistColumns(const ColumnLayout<kPlaylistColumnCount>& layout) override;
    void ApplyLibraryColumns(const ColumnLayout<kLibraryColumnCount>& layout) override;
    void StoreWindowState(Settings& settings) override;

    // Clipboard
    void SetText(const std::string& text) override;

  signals:
    void exitRequested();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool HandleDrop(QObject* target, QEvent* event);

  private:
    void BuildActions();
    void BuildToolBars();
    void BuildMenus();
    void BuildLibraryArea();
    void BuildStatusBar();
    void BuildTray();
    void BuildToolWindows();
    // Whether an icon in a tray can bring the player back.
    bool TrayShown() const;
    void EnterLayout(Layout layout);
    void LeaveLayout();
    void ApplyVolumeSlider(int value);
    void AddFiles();
    void CopySelected();
    void ShowSelectedInFileBrowser();
    void SavePlaylist();
    // The autotagger for the selected rows' files.
    void OpenAutotagger();
    void ShowSelectedInformation();
    void OpenHelp();
    // `title` names the menu item in the note that no address is set up.
    void OpenWebPage(const std::string& address, const char* title);
    void SetRecordingIcon();
    int LayoutZeroHeight() const;
    void SetHeaderAlignment(int code);
    // The info panel's cover follows the playing track.
    void FollowCover();

    Application* app_ = nullptr;
    DockRegistry* docking_ = nullptr;
    std::map<Command, QAction*> actions_;
    std::map<PopupMenu, QMenu*> menus_;
    QToolBar* toolbar1_ = nullptr;
    QToolBar* toolbar2_ = nullptr;
    QWidget* topPanel_ = nullptr;
    InfoPanel* infoPanel_ = nullptr;
    CoverLoader* covers_ = nullptr;  // a child
    std::string coverTrack_;         // the track whose cover the panel shows or waits for
    QSlider* position_ = nullptr;
    QSlider* volume_ = nullptr;
    ListView* playlistList_ = nullptr;
    PlaylistModel* model_ = nullptr;
    QWidget* libraryArea_ = nullptr;
    QSplitter* splitter1_ = nullptr;
    QSplitter* splitter2_ = nullptr;
    ListView* libraryList_ = nullptr;
    LibraryController* library_ = nullptr;
    std::array<QLabel*, 4> status_{};
    QSystemTrayIcon* tray_ = nullptr;
    ToolWindowHost* tools_ = nullptr;  // a child
    UpdateCheckRunner* updates_ = nullptr;
    WebBrowser* browser_ = nullptr;
    ListView* headerMenuList_ = nullptr;
    int headerMenuColumn_ = -1;
    std::optional<Layout> layout_;  // none until the first is entered
    DesktopFileBrowser fileBrowser_;
    BusyState busy_;
    bool placed_ = false;
    int busyFrame_ = -1;
    bool settingSlider_ = false;
    bool settingVolume_ = false;
};

}  // namespace sonvaro
