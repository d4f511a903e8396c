// What every page of "Einstellungen" shares: the program it shows, the
// table that ties its controls to the fields of a SettingsForm, and the
// small builders its controls are made with.
#pragma once
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "settings/settings_form.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPixmap;
class QPushButton;
class QSlider;
class QSpinBox;

namespace sonvaro {

class Application;
class SettingsApplyPort;
struct ListenerWindow;

// What a page reaches of the dialog around it.
struct SettingsPageContext {
    Application& app;
    SettingsApplyPort& port;
    std::function<std::vector<ListenerWindow>()> listeners;  // programs registered over remote control
    std::function<void()> changed;  // a control changed: check whether "Übernehmen" applies
    bool filling = false;           // the controls are being set from the settings: no edits
    bool keysAvailable = false;     // the keyboard can be read whatever window has the focus
};

// The controls that show a field as it is, one line each, serving both
// directions (the way the settings keys serve reader and writer).
class FormBindings {
  public:
    void Bind(QCheckBox* box, bool SettingsForm::*field);
    void Bind(QSlider* slider, int32_t SettingsForm::*field);
    void Bind(QSpinBox* spin, int32_t SettingsForm::*field);
    void Bind(QComboBox* list, int32_t SettingsForm::*field);  // the chosen row
    void BindText(QComboBox* list, std::string SettingsForm::*field);
    void Bind(QLineEdit* edit, std::string SettingsForm::*field);
    // A label that says a slider's value in words.
    void Caption(QLabel* label, QSlider* slider, std::string (*text)(int32_t));

    void Fill(const SettingsForm& form) const;
    void Read(SettingsForm& form) const;
    void UpdateCaptions() const;

  private:
    using Field = std::variant<bool SettingsForm::*, int32_t SettingsForm::*, std::string SettingsForm::*>;
    enum class Kind { Check, Slider, Spin, Row, ListText, Edit };
    struct Entry {
        QWidget* control;
        Kind kind;
        Field field;
    };
    struct Captioned {
        QLabel* label;
        QSlider* slider;
        std::string (*text)(int32_t);
    };
    std::vector<Entry> entries_;
    std::vector<Captioned> captions_;
};

// One page: its controls, filled from a form and read back into one.
class SettingsPageWidget : public QWidget {
  public:
    explicit SettingsPageWidget(SettingsPageContext& context) : context_(context) {}

    // Every control from the form; a page with more than its table extends it.
    virtual void Fill(const SettingsForm& form) { bindings_.Fill(form); }
    virtual void Read(SettingsForm& form) const { bindings_.Read(form); }
    void UpdateCaptions() const { bindings_.UpdateCaptions(); }
    // The page was turned to; the dialog's tick while it is shown.
    virtual void Shown() {}
    virtual void Tick() {}

  protected:
    Application& App() const { return context_.app; }
    void Changed() const { context_.changed(); }
    // Sonvaro.ini holds one value per line: a name with a line break could
    // only be stored as another name, so it is refused where it is chosen.
    bool StorablePath(const std::string& path) const;

    SettingsPageContext& context_;
    FormBindings bindings_;
};

// Builders with the dialog's look; `name` is the control's object name.
QString Utf8(const char* text);
QCheckBox* Check(const char* name, const char* text, const char* tip, QWidget* parent);
QSlider* Slider(const char* name, FormRange range, const char* tip, QWidget* parent, int tick = 0);
QLabel* Caption(const QString& text, QWidget* parent);
QLabel* NamedLabel(const char* name, QWidget* parent);
QPushButton* Button(const char* name, const char* text, const char* tip, QWidget* parent);
QLineEdit* ReadOnlyPath(const char* name, QWidget* parent);
QComboBox* NamedList(const char* name, QWidget* parent);
QGridLayout* PageGrid(QWidget* page);
QPixmap Swatch(int32_t colour);
void SetTextIfDiffers(QLabel* label, const QString& text);

}  // namespace sonvaro
