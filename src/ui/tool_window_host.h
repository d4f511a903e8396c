#pragma once
#include <QList>
#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "session/remote_control.h"
#include "settings/settings.h"

class QWidget;

namespace sonvaro {

class AboutWindow;
class Application;
class AutotaggerWindow;
class CoverLoader;
class DesktopCompanions;
class DockRegistry;
class EffectsWindow;
class FileInfoWindow;
class FolderDialog;
class GeneratorWindow;
class LogWindow;
class RadioLogWindow;
class ScheduledTask;
class SearchWindow;
class SettingsApplyPort;
class SettingsWindow;
class TaskChangeWindow;
class TaskRunWindow;
struct TrackInfo;

// The tool windows that the main window's commands open: at most one of each,
// placed from its slot (centred over the main window when never placed), kept
// in the work area, see-through as set, docked, and its place stored when it
// closes. The main window owns it.
class ToolWindowHost : public QObject {
    Q_OBJECT
  public:
    // What the tool windows need of the main window.
    struct Main {
        std::function<bool()> busy;              // a long operation runs
        std::function<void(bool)> holdCommands;  // around work that lets window events through
        std::function<void(int row)> selectRow;  // the search's result click
        std::function<std::unique_ptr<SettingsApplyPort>()> applyPort;  // for each new settings dialog
    };
    // `main`: the parent of the windows, which they centre over and bring to the front.
    ToolWindowHost(QWidget& main, Main hooks);

    // Before any window opens.
    void Attach(Application& app, DockRegistry& docking);
    void AttachTasks(ScheduledTask& tasks) { tasks_ = &tasks; }
    void AttachCompanions(DesktopCompanions& companions) { companions_ = &companions; }
    // Covers for "Datei Informationen"; none: it shows none.
    void SetCoverLoader(CoverLoader* covers) { covers_ = covers; }
    // The popup, hotkeys and update check, for the settings dialog. Null until attached.
    DesktopCompanions* Companions() const { return companions_; }
    // The programs registered over remote control, for the settings dialog's list.
    void SetListenerSource(std::function<std::vector<ListenerWindow>()> source) {
        listenerSource_ = std::move(source);
    }

    void OpenAddFolder();
    void OpenSearch();
    void OpenGenerator();
    void OpenLog();
    void OpenAbout();
    void OpenEffects();
    void OpenRadioLog();
    // A new list of files replaces that of a window still open.
    void OpenAutotagger(std::vector<std::string> paths);
    // Reads the track's tags and opens the information window for it, if they could be read.
    void ShowFileInformation(const std::string& path);
    void OpenFileInfo(const TrackInfo& info);
    // "Aufgabe"; nothing without a scheduled task.
    void OpenTaskChange();
    // The countdown window; closing it by hand stops the task's countdown.
    void OpenTaskRun();
    void CloseTaskRun();
    void ShowTaskProgress(int32_t percent);
    // "Einstellungen": opens or raises the dialog on the page it was closed on.
    void OpenSettingsWindow();

    // The open windows, for show/hide, opacity and shut-down.
    QList<QWidget*> Windows() const;
    // At shut-down: every window but the log, which shows the end.
    void CloseAllButLog();
    // The log closes last; a visible one keeps "Bye" in view for a second.
    void CloseLog();
    // Before a save: the places of the sizeable windows that are open.
    void StorePlaces(Settings& settings) const;

    SearchWindow* Search() const;
    FolderDialog* AddFolderDialog() const;
    LogWindow* Log() const;
    EffectsWindow* Effects() const;
    FileInfoWindow* FileInfo() const;
    GeneratorWindow* Generator() const;
    AutotaggerWindow* Autotagger() const;
    RadioLogWindow* RadioLog() const;
    AboutWindow* About() const;
    TaskChangeWindow* TaskChange() const;
    TaskRunWindow* TaskRun() const;
    // Null also while a closed dialog waits to be deleted.
    SettingsWindow* SettingsDialog() const;

  private:
    void ShowWindowFromSlot(QWidget* window, WindowId slot, bool sizeable);
    // Shows the window held by `window`, made by `make` when it is not open.
    template <class W, class Make>
    W* ShowToolWindow(QPointer<W>& window, WindowId slot, bool sizeable, Make&& make);

    QWidget& main_;
    Main hooks_;
    Application* app_ = nullptr;
    DockRegistry* docking_ = nullptr;
    ScheduledTask* tasks_ = nullptr;
    DesktopCompanions* companions_ = nullptr;
    CoverLoader* covers_ = nullptr;
    std::function<std::vector<ListenerWindow>()> listenerSource_;
    int settingsPage_ = 0;  // in memory only
    QPointer<SearchWindow> search_;
    QPointer<GeneratorWindow> generator_;
    QPointer<FolderDialog> folderDialog_;
    QPointer<LogWindow> log_;
    QPointer<AboutWindow> about_;
    QPointer<EffectsWindow> effects_;
    QPointer<FileInfoWindow> fileInfo_;
    QPointer<AutotaggerWindow> autotagger_;
    QPointer<RadioLogWindow> radioLog_;
    QPointer<TaskChangeWindow> taskChange_;
    QPointer<TaskRunWindow> taskRun_;
    QPointer<SettingsWindow> settingsWindow_;
};

}  // namespace sonvaro
