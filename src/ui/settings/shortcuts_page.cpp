#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QTreeWidget>

#include "companions/hotkeys.h"
#include "ui/qt_text.h"
#include "ui/settings/settings_pages.h"

namespace sonvaro {

ShortcutsPage::ShortcutsPage(SettingsPageContext& context) : SettingsPageWidget(context) {
    auto* grid = PageGrid(this);
    QCheckBox* mediaKeys = Check("mediaKeys", "Media Tasten", "", this);
    globalKeys_ = Check("globalKeys", "Globale Shortcuts", "", this);
    grid->addWidget(mediaKeys, 0, 0, 1, 2);
    grid->addWidget(globalKeys_, 0, 2, 1, 2);
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("hotkeys"));
    list_->setHeaderLabels({Utf8("Ereignis"), Utf8("Shortcut")});
    list_->setRootIsDecorated(false);
    list_->setColumnWidth(0, 150);
    for (const char* name : kHotkeyNames)
        list_->addTopLevelItem(new QTreeWidgetItem({Utf8(name), QString()}));
    grid->addWidget(list_, 1, 0, 1, 4);
    ctrl_ = Check("hotkeyCtrl", "Strg", "", this);
    alt_ = Check("hotkeyAlt", "Alt", "", this);
    shift_ = Check("hotkeyShift", "Shift", "", this);
    grid->addWidget(ctrl_, 2, 0);
    grid->addWidget(alt_, 2, 1);
    grid->addWidget(shift_, 2, 2);
    key_ = NamedList("hotkeyKey", this);
    key_->addItem(QString());  // key -1: no key
    for (const KeyName& k : kKeyTable) key_->addItem(Utf8(k.name));
    grid->addWidget(key_, 2, 3);
    QLabel* note = NamedLabel("shortcutsNote", this);
    note->setWordWrap(true);
    grid->addWidget(note, 3, 0, 1, 4);

    bindings_.Bind(mediaKeys, &SettingsForm::mediaKeys);
    bindings_.Bind(globalKeys_, &SettingsForm::globalKeys);
    if (!context.keysAvailable) {
        // Where no program may read the keyboard outside its own windows, the
        // controls would promise what cannot work.
        note->setText(
            Utf8("Auf diesem Desktop lässt sich die Tastatur nicht außerhalb der eigenen Fenster abfragen "
                 "(etwa unter Wayland): globale Shortcuts und Medientasten sind hier aus. Medientasten "
                 "erreichen Sonvaro über MPRIS."));
        for (QWidget* w : findChildren<QWidget*>())
            if (w != note) w->setEnabled(false);
        return;
    }
    note->hide();
    connect(list_, &QTreeWidget::currentItemChanged, this, [this] { ShowHotkeyRecord(); });
    for (QCheckBox* box : {ctrl_, alt_, shift_})
        connect(box, &QCheckBox::toggled, this, [this] { TakeHotkeyEdit(); });
    connect(key_, &QComboBox::currentIndexChanged, this, [this] { TakeHotkeyEdit(); });
    connect(globalKeys_, &QCheckBox::toggled, this, [this] { ShowHotkeyControls(); });
}

void ShortcutsPage::Fill(const SettingsForm& form) {
    SettingsPageWidget::Fill(form);
    hotkeys_ = form.hotkeys;
    ShowHotkeyControls();
}

void ShortcutsPage::Read(SettingsForm& form) const {
    SettingsPageWidget::Read(form);
    form.hotkeys = hotkeys_;
}

// The list is usable with "Globale Shortcuts" on; unchecking clears the
// selection and clears and disables the edit controls.
void ShortcutsPage::ShowHotkeyControls() {
    if (!context_.keysAvailable) return;
    for (int i = 0; i < kHotkeyCount; ++i)
        list_->topLevelItem(i)->setText(1, ToQt(HotkeyText(hotkeys_[static_cast<size_t>(i)])));
    const bool on = globalKeys_->isChecked();
    list_->setEnabled(on);
    if (!on) {
        list_->setCurrentItem(nullptr);
        list_->clearSelection();
    }
    ShowHotkeyRecord();
}

// The selected record's pending keys in the edit controls.
void ShortcutsPage::ShowHotkeyRecord() {
    const int row =
        list_->isEnabled() && list_->currentItem() ? list_->indexOfTopLevelItem(list_->currentItem()) : -1;
    const HotkeyFields shown = row >= 0 ? hotkeys_[static_cast<size_t>(row)] : HotkeyFields{};
    const bool wasFilling = context_.filling;
    context_.filling = true;  // showing a record is no edit
    ctrl_->setChecked(shown.ctrl != 0);
    alt_->setChecked(shown.alt != 0);
    shift_->setChecked(shown.shift != 0);
    const int key = shown.key >= 0 && shown.key < kKeyCount ? shown.key : -1;
    key_->setCurrentIndex(key + 1);
    context_.filling = wasFilling;
    for (QWidget* w : std::initializer_list<QWidget*>{ctrl_, alt_, shift_, key_}) w->setEnabled(row >= 0);
}

// An edit of the selected record: its pending copy takes the keys, and a
// record with any key or modifier is in use.
void ShortcutsPage::TakeHotkeyEdit() {
    if (context_.filling || !list_->currentItem()) return;
    const int row = list_->indexOfTopLevelItem(list_->currentItem());
    HotkeyFields& h = hotkeys_[static_cast<size_t>(row)];
    h.ctrl = ctrl_->isChecked() ? 1 : 0;
    h.alt = alt_->isChecked() ? 1 : 0;
    h.shift = shift_->isChecked() ? 1 : 0;
    h.key = static_cast<int8_t>(key_->currentIndex() - 1);
    h.enabled = (h.ctrl || h.alt || h.shift || h.key >= 0) ? 1 : 0;
    list_->currentItem()->setText(1, ToQt(HotkeyText(h)));
    Changed();
}

}  // namespace sonvaro
