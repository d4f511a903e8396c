#pragma once
#include <QColor>
#include <QTimer>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "session/remote_control.h"
#include "session/settings_apply.h"
#include "settings/settings_form.h"
#include "ui/tool_window.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QStackedWidget;
class QTreeWidget;

namespace sonvaro {

class Application;
class MainWindow;

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

// "Einstellungen": ten pages of controls over the settings. The controls hold
// pending values until "Übernehmen" or "OK"; "Übernehmen" is enabled exactly
// while something differs. The controls are found by their object names.
class SettingsWindow : public ToolWindow {
    Q_OBJECT
  public:
    // `page`: the page remembered between openings, kept by the main window.
    SettingsWindow(MainWindow& window, int& page);
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
    bool StorablePath(const std::string& path);
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
    QWidget* BuildBassPage();
    QWidget* BuildRadioPage();
    QWidget* BuildInterfacePage();
    QWidget* BuildShortcutsPage();
    void ShowHotkeyControls();
    void ShowHotkeyRecord();
    void TakeHotkeyEdit();
    QWidget* BuildTrackerPage();
    QWidget* BuildLibraryPage();
    QWidget* BuildTasksPage();
    QWidget* BuildMiscPage();
    QWidget* BuildPluginsPage();
    QWidget* BuildStatisticsPage();
    void WatchControls();
    void UpdateCaptions();
    void ShowColours();
    void FillPlugins();
    void ShowStatistics();
    void ShowListeners();
    void ShowScanState();

    MainWindow& window_;
    Application& app_;
    int& rememberedPage_;
    std::unique_ptr<SettingsApplyPort> port_;
    bool filling_ = false;
    bool keysAvailable_ = false;  // the keyboard can be read whatever window has the focus
    // Paths are kept as they are; the read-only fields only show them.
    std::string soundFont_, savePath_, libraryPath_;
    std::array<int32_t, 4> colours_{};
    int32_t trackerBack_ = 0, trackerFore_ = 0;
    std::array<HotkeyFields, kHotkeyCount> hotkeys_{};
    std::vector<uint64_t> shownListeners_;
    int pluginRows_ = 0;
    QTimer tick_;

    QListWidget* pages_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QPushButton* apply_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace sonvaro
