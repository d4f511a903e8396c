#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include "session/application.h"
#include "session/settings_apply.h"
#include "ui/qt_text.h"
#include "ui/settings/settings_pages.h"

namespace sonvaro {

RadioPage::RadioPage(SettingsPageContext& context) : SettingsPageWidget(context) {
    auto* grid = PageGrid(this);
    save_ = Check("saveFile", "Wiedergabe Speichern",
                  "Aktueller Titel wird als MP3 im Ziel-Ordner gespeichert", this);
    grid->addWidget(save_, 0, 0, 1, 2);
    grid->addWidget(Caption(Utf8("Ziel-Ordner"), this), 1, 0, 1, 2);
    savePathField_ = ReadOnlyPath("savePath", this);
    grid->addWidget(savePathField_, 2, 0);
    QPushButton* browse = Button("savePathButton", "...", "Ordner Suchen", this);
    browse->setFixedWidth(30);
    grid->addWidget(browse, 2, 1);
    auto* names = new QGroupBox(Utf8("Datei-Name"), this);
    auto* nameLayout = new QVBoxLayout(names);
    nameStation_ = new QRadioButton(Utf8("Radioname"), names);
    nameStation_->setObjectName(QStringLiteral("nameStation"));
    nameStation_->setToolTip(Utf8("Benutzt als Speichername denn Name des Internetsenders"));
    nameArtist_ = new QRadioButton(Utf8("Interpret/Titel"), names);
    nameArtist_->setObjectName(QStringLiteral("nameArtist"));
    nameArtist_->setToolTip(Utf8("Benutzt als Speichername denn aktuellen Titel/Interpret"));
    nameLayout->addWidget(nameStation_);
    nameLayout->addWidget(nameArtist_);
    grid->addWidget(names, 3, 0, 1, 2);
    QLabel* timeOutCaption = NamedLabel("radioTimeOutCaption", this);
    QSlider* timeOut = Slider("radioTimeOut", kRadioTimeOutRange, "", this);
    grid->addWidget(timeOutCaption, 4, 0, 1, 2);
    grid->addWidget(timeOut, 5, 0, 1, 2);
    grid->addWidget(Caption(Utf8("Proxyserver [user:pass@server:port]"), this), 6, 0, 1, 2);
    auto* proxy = new QLineEdit(this);
    proxy->setObjectName(QStringLiteral("proxy"));
    grid->addWidget(proxy, 7, 0, 1, 2);
    grid->setRowStretch(8, 1);
    // Acts at once: the recording of a station already playing follows it.
    connect(save_, &QCheckBox::toggled, this, [this](bool on) {
        if (context_.filling) return;
        if (on && !App().RecordingFolderChosen(&savePath_)) {
            save_->setChecked(false);
            return;
        }
        App().data.settings.NETStream_SaveFile = on ? 1 : 0;
        context_.port.ShowRecording(on);
    });
    connect(browse, &QPushButton::clicked, this, [this] {
        ChooseSavePath(QFileDialog::getExistingDirectory(this, Utf8("Speicher-Ordner"), QDir::currentPath()));
    });

    bindings_.Bind(save_, &SettingsForm::saveFile);
    bindings_.Bind(timeOut, &SettingsForm::timeOut);
    bindings_.Bind(proxy, &SettingsForm::proxy);
    bindings_.Caption(timeOutCaption, timeOut, &RadioTimeOutCaption);
}

void RadioPage::Fill(const SettingsForm& form) {
    SettingsPageWidget::Fill(form);
    savePath_ = form.savePath;
    savePathField_->setText(ToQt(savePath_));
    (form.nameAfterStation ? nameStation_ : nameArtist_)->setChecked(true);
}

void RadioPage::Read(SettingsForm& form) const {
    SettingsPageWidget::Read(form);
    form.savePath = savePath_;
    form.nameAfterStation = nameStation_->isChecked();
}

void RadioPage::ChooseSavePath(const QString& folder) {
    if (folder.isEmpty() || !StorablePath(FolderPath(folder))) return;
    savePath_ = FolderPath(folder);
    savePathField_->setText(ToQt(savePath_));
    Changed();
}

void RadioPage::RecordingChanged() {
    context_.filling = true;
    save_->setChecked(App().data.settings.NETStream_SaveFile != 0);
    context_.filling = false;
    Changed();
}

}  // namespace sonvaro
