#pragma once
#include <QColor>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "session/settings_apply.h"
#include "settings/settings_form.h"
#include "ui/settings/settings_page.h"
#include "ui/tool_window.h"

class QListWidget;
class QPushButton;
class QStackedWidget;

namespace sonvaro {

class Application;
class DesktopCompanions;
class BassPage;
class RadioPage;
class InterfacePage;
class TrackerPage;
class LibraryPage;
class PluginsPage;

enum class SettingsPage : int {
    Bass = 0,
    Radio = 1,
    Interface = 2,
    Shortcuts = 3,
    Tracker = 4,
    Library = 5,
    Tasks = 6,
    Misc = 7,
    Plugins = 8,
    Statistics = 9,
};
inline constexpr int kSettingsPageCount = 10;

// "Einstellungen": the frame around ten pages (ui/settings/*_page.cpp), with
// "OK", "Übernehmen" and "Abbrechen". The controls hold pending values until
// "Übernehmen" or "OK"; "Übernehmen" is enabled exactly while something differs.
class SettingsWindow : public ToolWindow {
    Q_OBJECT
  public:
    // What the dialog works on besides the settings.
    struct Parts {
        std::unique_ptr<SettingsApplyPort> port;  // what applying does to the windows
        DesktopCompanions* companions = nullptr;  // hotkeys: whether they can work here; told of changes
        std::function<std::vector<ListenerWindow>()> listeners;
    };
    // `page`: the page remembered between openings, kept by the main window.
    SettingsWindow(QWidget& parent, Application& app, Parts parts, int& page);
    ~SettingsWindow() override;

    void ShowPage(SettingsPage page);
    SettingsPage Page() const;
    // Every control from its setting, then the change check.
    void FillSettingsControls();
    void CheckSettingsChanged();
    // "Übernehmen". True when something was applied.
    bool Apply();
    // The controls as they stand.
    SettingsForm Form() const;

    // The choices the dialogs would return (empty: cancelled).
    void ChooseSoundFont(const QString& file);
    void ChooseSavePath(const QString& folder);
    void ChooseLibraryFolder(const QString& folder);
    void ChooseColour(int row, const QColor& colour);
    void ChooseTrackerColour(bool background, const QColor& colour);
    // The recording button was pressed in the main window.
    void RecordingChanged();
    // Scan progress, background file name and listeners, as the main loop carries them.
    void Tick();

    QPushButton* ApplyButton() const { return apply_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }
    QListWidget* PageList() const { return pages_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void WatchControls();
    void UpdateCaptions();

    Application& app_;
    int& rememberedPage_;
    std::unique_ptr<SettingsApplyPort> port_;
    DesktopCompanions* companions_;
    SettingsPageContext context_;
    SettingsPageWidget* pageWidgets_[kSettingsPageCount] = {};
    BassPage* bass_ = nullptr;
    RadioPage* radio_ = nullptr;
    InterfacePage* interface_ = nullptr;
    TrackerPage* tracker_ = nullptr;
    LibraryPage* library_ = nullptr;
    PluginsPage* plugins_ = nullptr;
    QTimer tick_;

    QListWidget* pages_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QPushButton* apply_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace sonvaro
