// The ten pages of "Einstellungen", in the order of the page list. Each
// lives in its own file; what is not a plain control-to-field line of its
// table (paths chosen in a dialog, colours, the hotkey records, lists filled
// from the running program) is its own.
#pragma once
#include <QString>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/settings/settings_page.h"

class QCheckBox;
class QColor;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace sonvaro {

// "Bass": output device and rate, fades, the MIDI sound font.
class BassPage : public SettingsPageWidget {
  public:
    explicit BassPage(SettingsPageContext& context);
    void Fill(const SettingsForm& form) override;
    void Read(SettingsForm& form) const override;
    void ChooseSoundFont(const QString& file);

  private:
    QComboBox* device_;
    QLineEdit* soundFontField_;
    std::string soundFont_;
};

// "Internet Radio": recording, its folder and file names, time-out, proxy.
class RadioPage : public SettingsPageWidget {
  public:
    explicit RadioPage(SettingsPageContext& context);
    void Fill(const SettingsForm& form) override;
    void Read(SettingsForm& form) const override;
    void ChooseSavePath(const QString& folder);
    // The recording button was pressed in the main window.
    void RecordingChanged();

  private:
    QCheckBox* save_;
    QLineEdit* savePathField_;
    QRadioButton* nameStation_;
    QRadioButton* nameArtist_;
    std::string savePath_;
};

// "Oberfläche": windows, columns, the length format, the four colours.
class InterfacePage : public SettingsPageWidget {
  public:
    explicit InterfacePage(SettingsPageContext& context);
    void Fill(const SettingsForm& form) override;
    void Read(SettingsForm& form) const override;
    void ChooseColour(int row, const QColor& colour);

  private:
    void ShowColours();
    QListWidget* colourList_;
    std::array<int32_t, 4> colours_{};
};

// "Shortcuts": media keys and the hotkey records.
class ShortcutsPage : public SettingsPageWidget {
  public:
    explicit ShortcutsPage(SettingsPageContext& context);
    void Fill(const SettingsForm& form) override;
    void Read(SettingsForm& form) const override;

  private:
    void ShowHotkeyControls();
    void ShowHotkeyRecord();
    void TakeHotkeyEdit();
    QCheckBox* globalKeys_;
    QTreeWidget* list_;
    QCheckBox* ctrl_;
    QCheckBox* alt_;
    QCheckBox* shift_;
    QComboBox* key_;
    std::array<HotkeyFields, kHotkeyCount> hotkeys_{};
};

// "Tracker": the title popup's place, time, text, colours and size.
class TrackerPage : public SettingsPageWidget {
  public:
    explicit TrackerPage(SettingsPageContext& context);
    void Fill(const SettingsForm& form) override;
    void Read(SettingsForm& form) const override;
    void ChooseTrackerColour(bool background, const QColor& colour);

  private:
    QPushButton* back_;
    QPushButton* fore_;
    int32_t trackerBack_ = 0, trackerFore_ = 0;
};

// "Medienbibliothek": the folder, scanning and its progress, background checks.
class LibraryPage : public SettingsPageWidget {
  public:
    explicit LibraryPage(SettingsPageContext& context);
    void Fill(const SettingsForm& form) override;
    void Read(SettingsForm& form) const override;
    void Tick() override;
    void ChooseLibraryFolder(const QString& folder);

  private:
    void ShowScanState();
    QLineEdit* pathField_;
    QPushButton* choose_;
    QPushButton* scan_;
    QPushButton* stop_;
    QLabel* status1_;
    QLabel* status2_;
    QProgressBar* progress_;
    std::string libraryPath_;
};

// "Aufgaben": the time a scheduled task waits.
class TasksPage : public SettingsPageWidget {
  public:
    explicit TasksPage(SettingsPageContext& context);
};

// "Sonstiges": clipboard, saving, folders, the end question, task bar, updates.
class MiscPage : public SettingsPageWidget {
  public:
    explicit MiscPage(SettingsPageContext& context);
};

// "Plugins": the engine's decoders, then the programs registered over remote control.
class PluginsPage : public SettingsPageWidget {
  public:
    explicit PluginsPage(SettingsPageContext& context);
    void Shown() override;
    void Tick() override;

  private:
    void ShowListeners();
    QTreeWidget* list_;
    int pluginRows_ = 0;
    std::vector<uint64_t> shownListeners_;
};

// "Statistiken": the play counts, with refresh and reset.
class StatisticsPage : public SettingsPageWidget {
  public:
    explicit StatisticsPage(SettingsPageContext& context);
    void Fill(const SettingsForm& form) override;
    void Shown() override;

  private:
    void ShowStatistics();
    QTreeWidget* list_;
};

}  // namespace sonvaro
