#include "ui/tool_window_host.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>

#include "companions/scheduled_task.h"
#include "platform/app_folders.h"
#include "session/application.h"
#include "tags/track_info_reader.h"
#include "ui/about_window.h"
#include "ui/autotagger_window.h"
#include "ui/docking.h"
#include "ui/effects_window.h"
#include "ui/file_info_window.h"
#include "ui/folder_dialog.h"
#include "ui/generator_window.h"
#include "ui/icons.h"
#include "ui/log_window.h"
#include "ui/qt_text.h"
#include "ui/radio_log_window.h"
#include "ui/search_window.h"
#include "ui/settings/settings_window.h"
#include "ui/task_windows.h"
#include "ui/tool_window.h"

namespace sonvaro {

ToolWindowHost::ToolWindowHost(QWidget& main, Main hooks)
    : QObject(&main), main_(main), hooks_(std::move(hooks)) {}

void ToolWindowHost::Attach(Application& app, DockRegistry& docking) {
    app_ = &app;
    docking_ = &docking;
}

void ToolWindowHost::ShowWindowFromSlot(QWidget* window, WindowId slot, bool sizeable) {
    Settings& s = app_->data.settings;
    window->setWindowIcon(AppIcon());
    PlaceFromSlot(window, s.Window(slot), sizeable, &main_);
    KeepInWorkArea(window);
    sonvaro::ApplyOpacity(window, s);
    docking_->Register(window, kDockAll);
    new SlotTracker(window, s.Window(slot), sizeable);
    window->show();
    // The frame is known only once shown: place again so the outer rectangle is right.
    PlaceFromSlot(window, s.Window(slot), sizeable, &main_);
    KeepInWorkArea(window);
}

template <class W, class Make>
W* ToolWindowHost::ShowToolWindow(QPointer<W>& window, WindowId slot, bool sizeable, Make&& make) {
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

void ToolWindowHost::OpenAddFolder() {
    if (folderDialog_) return;
    folderDialog_ = new FolderDialog(QStringLiteral("Ordner Hinzufügen"), true, &main_);
    folderDialog_->SetFolder(ToQt(GetMusicFolder()));
    folderDialog_->SetRecursive(app_->data.settings.Misc_RecursiveFolder != 0);
    connect(folderDialog_, &FolderDialog::chosen, this, [this](const QString& folder, bool recursive) {
        if (hooks_.busy()) return;
        hooks_.holdCommands(true);
        app_->editor.AddFolder(FolderPath(folder), recursive);
        hooks_.holdCommands(false);
    });
    connect(folderDialog_, &FolderDialog::closing, this, [this](QWidget* w) {
        StoreToSlot(w, app_->data.settings.Window(WindowId::AddFolder), true), docking_->Unregister(w);
    });
    ShowWindowFromSlot(folderDialog_, WindowId::AddFolder, true);
}

void ToolWindowHost::OpenGenerator() {
    ShowToolWindow(generator_, WindowId::Generator, false,
                   [this] { return new GeneratorWindow(*app_, &main_); });
}

void ToolWindowHost::OpenSearch() {
    ShowToolWindow(search_, WindowId::Search, true, [this] {
        return new SearchWindow(main_, *app_, {hooks_.busy, hooks_.holdCommands, hooks_.selectRow});
    });
}

void ToolWindowHost::OpenLog() {
    ShowToolWindow(log_, WindowId::Log, true, [this] { return new LogWindow(app_->log, &main_); });
}

void ToolWindowHost::OpenAbout() {
    ShowToolWindow(about_, WindowId::About, false,
                   [this] { return new AboutWindow(app_->engine.engineVersion, &main_); });
}

void ToolWindowHost::OpenEffects() {
    ShowToolWindow(effects_, WindowId::Effects, false,
                   [this] { return new EffectsWindow(app_->effects, &main_); });
}

void ToolWindowHost::OpenRadioLog() {
    ShowToolWindow(radioLog_, WindowId::RadioLog, true,
                   [this] { return new RadioLogWindow(app_->radio.TrackLog(), &main_); });
}

void ToolWindowHost::OpenAutotagger(std::vector<std::string> paths) {
    if (paths.empty()) return;
    if (autotagger_) autotagger_->close(), autotagger_ = nullptr;
    ShowToolWindow(autotagger_, WindowId::Autotagger, false, [this, &paths] {
        auto* window = new AutotaggerWindow(app_->tags, std::move(paths), &main_);
        connect(window, &AutotaggerWindow::tagsWritten, this,
                [this](const std::vector<std::string>& written) { app_->playback.RefreshEntries(written); });
        return window;
    });
}

void ToolWindowHost::ShowFileInformation(const std::string& path) {
    TrackInfo info;
    info.path = path;
    if (app_->tags.ReadTrackInfo(info) == kReadNothing) return;
    OpenFileInfo(info);
}

void ToolWindowHost::OpenFileInfo(const TrackInfo& info) {
    if (fileInfo_) fileInfo_->close(), fileInfo_ = nullptr;  // one track at a time
    ShowToolWindow(fileInfo_, WindowId::FileInfo, false, [this, &info] {
        return new FileInfoWindow(app_->tags, app_->playback, info, &main_, covers_);
    });
}

void ToolWindowHost::OpenTaskChange() {
    if (!tasks_) return;
    ShowToolWindow(taskChange_, WindowId::TaskChange, false, [this] {
        auto* w = new TaskChangeWindow(&main_, tasks_->Order().trigger, tasks_->Order().action);
        connect(w, &TaskChangeWindow::chosen, this,
                [this](int trigger, int action) { tasks_->Arm(trigger, action); });
        // Gone at once, so that opening it again makes a new one instead of showing this closing one.
        connect(w, &TaskChangeWindow::closing, this, [this] { taskChange_ = nullptr; });
        return w;
    });
}

void ToolWindowHost::OpenTaskRun() {
    if (!tasks_) return;
    const bool fresh = !taskRun_;
    ShowToolWindow(taskRun_, WindowId::TaskRun, false, [this] {
        auto* w = new TaskRunWindow(&main_);
        connect(w, &TaskRunWindow::closing, this, [this] {
            tasks_->Stop();
            taskRun_ = nullptr;
        });
        return w;
    });
    if (!fresh) return;
    // Always in the middle, not where it was last: it asks for attention.
    if (main_.isVisible()) {
        CentreOver(taskRun_, &main_);
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        taskRun_->move(area.center() - taskRun_->rect().center());
    }
}

void ToolWindowHost::CloseTaskRun() {
    if (taskRun_) taskRun_->close();
}

void ToolWindowHost::ShowTaskProgress(int32_t percent) {
    if (taskRun_) taskRun_->SetProgress(percent);
}

void ToolWindowHost::OpenSettingsWindow() {
    SettingsWindow* dialog = ShowToolWindow(settingsWindow_, WindowId::Settings, false, [this] {
        return new SettingsWindow(main_, *app_, {hooks_.applyPort(), companions_, listenerSource_},
                                  settingsPage_);
    });
    // Shown again while open: on the remembered page, every control from its setting.
    dialog->FillSettingsControls();
}

QList<QWidget*> ToolWindowHost::Windows() const {
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

void ToolWindowHost::CloseAllButLog() {
    for (QWidget* w : Windows())
        if (w != log_) w->close();
}

void ToolWindowHost::CloseLog() {
    if (!log_) return;
    if (log_->isVisible()) {
        // "Bye" stays in view for a second.
        QElapsedTimer shown;
        shown.start();
        while (shown.elapsed() < 1000) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
            QThread::msleep(10);
        }
    }
    log_->close();
}

void ToolWindowHost::StorePlaces(Settings& settings) const {
    if (search_ && search_->isVisible()) StoreToSlot(search_, settings.Window(WindowId::Search), true);
    if (log_ && log_->isVisible()) StoreToSlot(log_, settings.Window(WindowId::Log), true);
}

SearchWindow* ToolWindowHost::Search() const {
    return search_;
}
FolderDialog* ToolWindowHost::AddFolderDialog() const {
    return folderDialog_;
}
LogWindow* ToolWindowHost::Log() const {
    return log_;
}
EffectsWindow* ToolWindowHost::Effects() const {
    return effects_;
}
FileInfoWindow* ToolWindowHost::FileInfo() const {
    return fileInfo_;
}
GeneratorWindow* ToolWindowHost::Generator() const {
    return generator_;
}
AutotaggerWindow* ToolWindowHost::Autotagger() const {
    return autotagger_;
}
RadioLogWindow* ToolWindowHost::RadioLog() const {
    return radioLog_;
}
AboutWindow* ToolWindowHost::About() const {
    return about_;
}
TaskChangeWindow* ToolWindowHost::TaskChange() const {
    return taskChange_;
}
TaskRunWindow* ToolWindowHost::TaskRun() const {
    return taskRun_;
}

SettingsWindow* ToolWindowHost::SettingsDialog() const {
    if (settingsWindow_ && settingsWindow_->property(kClosingProperty).toBool()) return nullptr;
    return settingsWindow_;
}

}  // namespace sonvaro
