#pragma once
#include <QMainWindow>
#include <QPointer>
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
#include "settings/settings_file.h"
#include "ui/busy_state.h"
#include "ui/companions_window.h"

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

class DockRegistry;
class InfoPanel;
class FolderDialog;
class ListView;
class LogWindow;
class PlaylistModel;
class SearchWindow;
class AboutWindow;
class AutotaggerWindow;
class EffectsWindow;
class FileInfoWindow;
class LibraryController;
class GeneratorWindow;
class RadioLogWindow;
class SettingsWindow;
class ScheduledTask;
class TaskChangeWindow;
class TaskRunWindow;
class UpdateCheckRunner;
class DesktopCompanions;
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
    // The open tool windows, for show/hide, opacity and shut-down.
    QList<QWidget*> ToolWindows() const;
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
    SearchWindow* Search() const;
    FolderDialog* AddFolderDialog() const;
    LogWindow* Log() const;
    EffectsWindow* Effects() const;
    FileInfoWindow* FileInfo() const;
    GeneratorWindow* Generator() const;
    LibraryController* LibraryView() const { return library_; }
    AutotaggerWindow* Autotagger() const;
    RadioLogWindow* RadioLog() const;
    AboutWindow* About() const;
    // The scheduled task behind "Aufgabe"; the command stays disabled without one.
    void AttachTasks(ScheduledTask& tasks) override;
    // The update check behind "Neue Version" and the browser for it, "Webseite"
    // and "Feedback"; the three commands stay disabled without them.
    void AttachUpdates(UpdateCheckRunner& updates, WebBrowser& browser) override;
    // The popup, hotkeys and update check, for the settings dialog: its
    // "Vorschau" button, whether hotkeys can work here. Null until attached.
    void AttachCompanions(DesktopCompanions& companions) override { companions_ = &companions; }
    DesktopCompanions* Companions() const { return companions_; }
    void OpenTaskChange();
    // The countdown window; closing it by hand stops the task's countdown.
    void OpenTaskRun() override;
    void CloseTaskRun() override;
    void ShowTaskProgress(int32_t percent) override;
    QWidget* PopupOwner() override { return this; }
    TaskChangeWindow* TaskChange() const;
    TaskRunWindow* TaskRun() const;
    // "Einstellungen": opens or raises the dialog on the page it was closed on.
    void OpenSettingsWindow();
    SettingsWindow* SettingsDialog() const;
    // The programs registered over remote control, for the dialog's list.
    void SetListenerSource(std::function<std::vector<ListenerWindow>()> source) {
        listenerSource_ = std::move(source);
    }
    std::vector<ListenerWindow> Listeners() const {
        return listenerSource_ ? listenerSource_() : std::vector<ListenerWindow>{};
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
    // Whether an icon in a tray can bring the player back.
    bool TrayShown() const;
    void EnterLayout(Layout layout);
    void LeaveLayout();
    void ApplyVolumeSlider(int value);
    void OpenAddFolder();
    void AddFiles();
    void CopySelected();
    void ShowSelectedInFileBrowser();
    void SavePlaylist();
    void OpenSearch();
    void OpenGenerator();
    void OpenLog();
    void OpenAbout();
    void OpenEffects();
    void OpenRadioLog();
    void OpenAutotagger();
    void ShowSelectedInformation();
    // Reads the track's tags and opens the information window for it, if they could be read.
    void ShowFileInformation(const std::string& path);
    void OpenFileInfo(const TrackInfo& info);
    void OpenHelp();
    // `title` names the menu item in the note that no address is set up.
    void OpenWebPage(const std::string& address, const char* title);
    void SetRecordingIcon();
    void ShowWindowFromSlot(QWidget* window, WindowId slot, bool sizeable);
    // Shows the tool window held by `window`, made by `make` when it is not
    // open: placed from its slot (centred over this window when never placed),
    // kept in the work area, see-through as set, docked, and its place stored
    // when it closes.
    template <class W, class Make>
    W* ShowToolWindow(QPointer<W>& window, WindowId slot, bool sizeable, Make&& make);
    int LayoutZeroHeight() const;
    void SetHeaderAlignment(int code);

    Application* app_ = nullptr;
    DockRegistry* docking_ = nullptr;
    std::map<Command, QAction*> actions_;
    std::map<PopupMenu, QMenu*> menus_;
    QToolBar* toolbar1_ = nullptr;
    QToolBar* toolbar2_ = nullptr;
    QWidget* topPanel_ = nullptr;
    InfoPanel* infoPanel_ = nullptr;
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
    QPointer<SearchWindow> search_;
    QPointer<GeneratorWindow> generator_;
    QPointer<FolderDialog> folderDialog_;
    QPointer<LogWindow> log_;
    QPointer<AboutWindow> about_;
    QPointer<EffectsWindow> effects_;
    QPointer<FileInfoWindow> fileInfo_;
    QPointer<AutotaggerWindow> autotagger_;
    QPointer<RadioLogWindow> radioLog_;
    ScheduledTask* tasks_ = nullptr;
    UpdateCheckRunner* updates_ = nullptr;
    DesktopCompanions* companions_ = nullptr;
    WebBrowser* browser_ = nullptr;
    QPointer<TaskChangeWindow> taskChange_;
    QPointer<TaskRunWindow> taskRun_;
    QPointer<SettingsWindow> settingsWindow_;
    int settingsPage_ = 0;  // in memory only
    std::function<std::vector<ListenerWindow>()> listenerSource_;
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
