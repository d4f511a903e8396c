#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "session/application.h"
#include "ui/qt_text.h"
#include "ui/settings/settings_pages.h"

namespace sonvaro {

LibraryPage::LibraryPage(SettingsPageContext& context) : SettingsPageWidget(context) {
    auto* grid = PageGrid(this);
    pathField_ = ReadOnlyPath("libraryPath", this);
    choose_ = Button("libraryChoose", "...", "Ordner suchen", this);
    scan_ = Button("libraryScan", "Scann", "Ordner Scannen", this);
    stop_ = Button("libraryStop", "Abbruch", "Scannvorgang abbrechen", this);
    QCheckBox* cpu =
        Check("libraryCpu", "CPU schonendes scannen",
              "Beim einlesen der Medien wird eine CPU schonende Routine benutzt, jedoch dauert der "
              "Scannvorgang erheblich länger",
              this);
    QCheckBox* addPlay = Check("libraryAddPlay", "Abgespielte Dateien hinzufügen",
                               "Fügt Dateien bei Wiedergabe automatisch in der Medienbibliothek ein", this);
    status1_ = NamedLabel("libraryStatus1", this);
    status2_ = NamedLabel("libraryStatus2", this);
    for (QLabel* status : {status1_, status2_}) status->setMinimumWidth(10);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("libraryProgress"));
    progress_->setRange(0, 100);
    progress_->setTextVisible(false);
    progress_->setFixedHeight(12);
    QCheckBox* background = Check("libraryBackground", "Im Hintergrund aktualisieren",
                                  "Aktualisiert vorhandene Einträge automatisch im Hintergrund", this);
    QCheckBox* startCheck = Check("libraryStartCheck", "Bei Start überprüfen",
                                  "Überprüft beim Start die Datenbank auf ungültige Einträge", this);
    grid->addWidget(Caption(Utf8("Medienbibliothek"), this), 0, 0, 1, 4);
    grid->addWidget(pathField_, 1, 0, 1, 4);
    grid->addWidget(choose_, 2, 1);
    grid->addWidget(scan_, 2, 2);
    grid->addWidget(stop_, 2, 3);
    grid->addWidget(cpu, 3, 0, 1, 4);
    grid->addWidget(addPlay, 4, 0, 1, 4);
    grid->addWidget(status1_, 5, 0, 1, 4);
    grid->addWidget(status2_, 6, 0, 1, 4);
    grid->addWidget(progress_, 7, 0, 1, 4);
    grid->addWidget(background, 8, 0, 1, 4);
    grid->addWidget(startCheck, 9, 0, 1, 4);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(10, 1);
    connect(choose_, &QPushButton::clicked, this, [this] {
        ChooseLibraryFolder(QFileDialog::getExistingDirectory(this, Utf8("Medienbibliothek"),
                                                              ToQt(App().data.settings.MediaLib_Path)));
    });
    connect(scan_, &QPushButton::clicked, this, [this] {
        App().StartLibraryScan();
        ShowScanState();
    });
    connect(stop_, &QPushButton::clicked, this, [this] {
        App().StopLibraryScan();
        ShowScanState();
    });

    bindings_.Bind(cpu, &SettingsForm::libraryCpu);
    bindings_.Bind(addPlay, &SettingsForm::libraryAddPlay);
    bindings_.Bind(background, &SettingsForm::libraryBackground);
    bindings_.Bind(startCheck, &SettingsForm::libraryStartCheck);
}

void LibraryPage::Fill(const SettingsForm& form) {
    SettingsPageWidget::Fill(form);
    libraryPath_ = form.libraryPath;
    pathField_->setText(ToQt(libraryPath_));
    ShowScanState();
}

void LibraryPage::Read(SettingsForm& form) const {
    SettingsPageWidget::Read(form);
    form.libraryPath = libraryPath_;
}

void LibraryPage::ChooseLibraryFolder(const QString& folder) {
    if (folder.isEmpty() || !StorablePath(FolderPath(folder))) return;
    // Acts at once, so that "Scann" scans the folder just chosen.
    libraryPath_ = FolderPath(folder);
    App().data.settings.MediaLib_Path = libraryPath_;
    pathField_->setText(ToQt(libraryPath_));
    Changed();
}

void LibraryPage::Tick() {
    // The folder acts at once, so it follows the scan command of the main window too.
    if (libraryPath_ != App().data.settings.MediaLib_Path) {
        libraryPath_ = App().data.settings.MediaLib_Path;
        pathField_->setText(ToQt(libraryPath_));
        Changed();
    }
    ShowScanState();
}

void LibraryPage::ShowScanState() {
    Application& app = App();
    const bool running = app.LibraryScanRunning();
    choose_->setEnabled(!running);
    scan_->setEnabled(!running);
    stop_->setEnabled(running);
    QString first, second;
    int percent = 0;
    if (running) {
        first = ToQt(app.workers.StatusText());
        percent = app.workers.progress.load();
        second = QString::number(percent) + '%';
    } else if (app.workers.backgroundOn && app.workers.backgroundRunning) {
        first = ToQt(app.workers.BackgroundText());
    }
    SetTextIfDiffers(status1_, first);
    SetTextIfDiffers(status2_, second);
    if (progress_->value() != percent) progress_->setValue(percent);
}

}  // namespace sonvaro
