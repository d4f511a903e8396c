#include "ui/settings/settings_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>

#include "core/ports/messages.h"
#include "session/application.h"
#include "ui/qt_text.h"

namespace sonvaro {

void FormBindings::Bind(QCheckBox* box, bool SettingsForm::*field) {
    entries_.push_back({box, Kind::Check, field});
}

void FormBindings::Bind(QSlider* slider, int32_t SettingsForm::*field) {
    entries_.push_back({slider, Kind::Slider, field});
}

void FormBindings::Bind(QSpinBox* spin, int32_t SettingsForm::*field) {
    entries_.push_back({spin, Kind::Spin, field});
}

void FormBindings::Bind(QComboBox* list, int32_t SettingsForm::*field) {
    entries_.push_back({list, Kind::Row, field});
}

void FormBindings::BindText(QComboBox* list, std::string SettingsForm::*field) {
    entries_.push_back({list, Kind::ListText, field});
}

void FormBindings::Bind(QLineEdit* edit, std::string SettingsForm::*field) {
    entries_.push_back({edit, Kind::Edit, field});
}

void FormBindings::Caption(QLabel* label, QSlider* slider, std::string (*text)(int32_t)) {
    captions_.push_back({label, slider, text});
}

void FormBindings::Fill(const SettingsForm& form) const {
    for (const Entry& e : entries_) {
        switch (e.kind) {
            case Kind::Check:
                static_cast<QCheckBox*>(e.control)->setChecked(form.*std::get<bool SettingsForm::*>(e.field));
                break;
            case Kind::Slider:
                static_cast<QSlider*>(e.control)->setValue(form.*std::get<int32_t SettingsForm::*>(e.field));
                break;
            case Kind::Spin:
                static_cast<QSpinBox*>(e.control)->setValue(form.*std::get<int32_t SettingsForm::*>(e.field));
                break;
            case Kind::Row:
                static_cast<QComboBox*>(e.control)->setCurrentIndex(
                    form.*std::get<int32_t SettingsForm::*>(e.field));
                break;
            case Kind::ListText:
                static_cast<QComboBox*>(e.control)->setEditText(
                    ToQt(form.*std::get<std::string SettingsForm::*>(e.field)));
                break;
            case Kind::Edit:
                static_cast<QLineEdit*>(e.control)->setText(
                    ToQt(form.*std::get<std::string SettingsForm::*>(e.field)));
                break;
        }
    }
}

void FormBindings::Read(SettingsForm& form) const {
    for (const Entry& e : entries_) {
        switch (e.kind) {
            case Kind::Check:
                form.*std::get<bool SettingsForm::*>(e.field) =
                    static_cast<QCheckBox*>(e.control)->isChecked();
                break;
            case Kind::Slider:
                form.*std::get<int32_t SettingsForm::*>(e.field) = static_cast<QSlider*>(e.control)->value();
                break;
            case Kind::Spin:
                form.*std::get<int32_t SettingsForm::*>(e.field) = static_cast<QSpinBox*>(e.control)->value();
                break;
            case Kind::Row:
                form.*std::get<int32_t SettingsForm::*>(e.field) =
                    static_cast<QComboBox*>(e.control)->currentIndex();
                break;
            case Kind::ListText:
                form.*std::get<std::string SettingsForm::*>(e.field) =
                    FromQt(static_cast<QComboBox*>(e.control)->currentText());
                break;
            case Kind::Edit:
                form.*std::get<std::string SettingsForm::*>(e.field) =
                    FromQt(static_cast<QLineEdit*>(e.control)->text());
                break;
        }
    }
}

void FormBindings::UpdateCaptions() const {
    for (const Captioned& c : captions_) SetTextIfDiffers(c.label, ToQt(c.text(c.slider->value())));
}

bool SettingsPageWidget::StorablePath(const std::string& path) const {
    if (path.find_first_of("\r\n") == std::string::npos) return true;
    App().ports.messages.HintBox("Ein Name mit Zeilenumbruch kann nicht gespeichert werden: '" + path + "'");
    return false;
}

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

QCheckBox* Check(const char* name, const char* text, const char* tip, QWidget* parent) {
    auto* box = new QCheckBox(Utf8(text), parent);
    box->setObjectName(QLatin1String(name));
    if (*tip) box->setToolTip(Utf8(tip));
    return box;
}

QSlider* Slider(const char* name, FormRange range, const char* tip, QWidget* parent, int tick) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(QLatin1String(name));
    slider->setRange(range.min, range.max);
    if (*tip) slider->setToolTip(Utf8(tip));
    if (tick > 0) {
        slider->setTickInterval(tick);
        slider->setTickPosition(QSlider::TicksBelow);
    }
    return slider;
}

QLabel* Caption(const QString& text, QWidget* parent) {
    return new QLabel(text, parent);
}

QLabel* NamedLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

QPushButton* Button(const char* name, const char* text, const char* tip, QWidget* parent) {
    auto* button = new QPushButton(Utf8(text), parent);
    button->setObjectName(QLatin1String(name));
    if (*tip) button->setToolTip(Utf8(tip));
    return button;
}

QLineEdit* ReadOnlyPath(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setReadOnly(true);
    return edit;
}

QComboBox* NamedList(const char* name, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    return list;
}

QGridLayout* PageGrid(QWidget* page) {
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setVerticalSpacing(3);
    return grid;
}

QPixmap Swatch(int32_t colour) {
    QPixmap swatch(14, 14);
    swatch.fill(ColourFromBgr(colour));
    QPainter painter(&swatch);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, 13, 13);
    return swatch;
}

void SetTextIfDiffers(QLabel* label, const QString& text) {
    if (label->text() != text) label->setText(text);
}

}  // namespace sonvaro
