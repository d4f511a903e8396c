#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>

#include "ui/settings/settings_pages.h"

namespace sonvaro {

MiscPage::MiscPage(SettingsPageContext& context) : SettingsPageWidget(context) {
    auto* grid = PageGrid(this);
    QCheckBox* clipboard =
        Check("clipboard", "Zwischenablage",
              "Kopiert Informationen über aktuelle Wiedergabe in die Zwischenablage", this);
    QCheckBox* autoPlaylist = Check("autoPlaylist", "Wiedergabeliste speichern",
                                    "Öffnet und Speichert die Wiedergabeliste automatisch", this);
    auto* autoSave = new QGroupBox(Utf8("Automatische Speicherung"), this);
    auto* saveGrid = new QGridLayout(autoSave);
    saveGrid->setVerticalSpacing(2);
    QCheckBox* saveSettings = Check("autoSaveSettings", "Einstellungen", "", autoSave);
    QCheckBox* savePlaylist = Check("autoSavePlaylist", "Wiedergabeliste", "", autoSave);
    QCheckBox* saveLibrary = Check("autoSaveLibrary", "Medienbibliothek", "", autoSave);
    auto* minutes = new QSpinBox(autoSave);
    minutes->setObjectName(QStringLiteral("autoSaveMinutes"));
    minutes->setRange(kAutoSaveMinutesRange.min, kAutoSaveMinutesRange.max);
    saveGrid->addWidget(saveSettings, 0, 0);
    saveGrid->addWidget(savePlaylist, 1, 0);
    saveGrid->addWidget(saveLibrary, 2, 0);
    saveGrid->addWidget(Caption(Utf8("Intervall (Minuten):"), autoSave), 0, 1);
    saveGrid->addWidget(minutes, 1, 1);
    QCheckBox* recursive = Check("recursiveFolder", "Unterordner einbeziehen",
                                 "Fügt Ordner zur Playlist mit Unterordner hinzu", this);
    QCheckBox* endQuestion = Check("endQuestion", "Vor beenden Fragen",
                                   "Blendet eine Sicherheitsabfrage ein bevor Sonvaro beendet wird", this);
    QCheckBox* taskBar = Check("taskBar", "Taskbar", "Blendet das Fenster in der Taskbar ein", this);
    QCheckBox* updateCheck = Check("updateCheck", "Neue Version suchen",
                                   "Sucht beim Programmstart nach einer neuen Programmversion", this);
    grid->addWidget(clipboard, 0, 0, 1, 2);
    grid->addWidget(autoPlaylist, 1, 0, 1, 2);
    grid->addWidget(autoSave, 2, 0, 1, 2);
    grid->addWidget(recursive, 3, 0, 1, 2);
    grid->addWidget(endQuestion, 4, 0, 1, 2);
    grid->addWidget(taskBar, 5, 0, 1, 2);
    grid->addWidget(updateCheck, 6, 0, 1, 2);
    grid->setRowStretch(7, 1);

    bindings_.Bind(clipboard, &SettingsForm::clipboard);
    bindings_.Bind(autoPlaylist, &SettingsForm::autoPlaylist);
    bindings_.Bind(saveSettings, &SettingsForm::autoSaveSettings);
    bindings_.Bind(savePlaylist, &SettingsForm::autoSavePlaylist);
    bindings_.Bind(saveLibrary, &SettingsForm::autoSaveLibrary);
    bindings_.Bind(minutes, &SettingsForm::autoSaveMinutes);
    bindings_.Bind(recursive, &SettingsForm::recursiveFolder);
    bindings_.Bind(endQuestion, &SettingsForm::endQuestion);
    bindings_.Bind(taskBar, &SettingsForm::taskBar);
    bindings_.Bind(updateCheck, &SettingsForm::updateCheck);
}

}  // namespace sonvaro
