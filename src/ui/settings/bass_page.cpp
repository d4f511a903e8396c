#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include "core/ports/messages.h"
#include "session/application.h"
#include "ui/qt_text.h"
#include "ui/settings/settings_pages.h"

namespace sonvaro {
namespace {

const char* const kRates[kRateCount] = {"48000 Hz", "44100 Hz", "22050 Hz", "11025 Hz", "8000 Hz"};

}  // namespace

BassPage::BassPage(SettingsPageContext& context) : SettingsPageWidget(context) {
    auto* grid = PageGrid(this);
    device_ = NamedList("device", this);
    QComboBox* rate = NamedList("rate", this);
    for (const char* r : kRates) rate->addItem(Utf8(r));
    for (QComboBox* list : {device_, rate})
        connect(list, &QComboBox::currentIndexChanged, list,
                [list] { list->setToolTip(list->currentText()); });
    QLabel* fadeInCaption = NamedLabel("fadeInCaption", this);
    QSlider* fadeIn = Slider("fadeIn", kFadeRange, "Einblendzeit bei Wiedergabe", this);
    QLabel* fadeOutCaption = NamedLabel("fadeOutCaption", this);
    QSlider* fadeOut = Slider("fadeOut", kFadeRange, "Ausblendzeit bei Wiedergabe", this);
    soundFontField_ = ReadOnlyPath("soundFont", this);
    QPushButton* browse = Button("soundFontButton", "...", "Datei Suchen", this);
    browse->setFixedWidth(30);
    grid->addWidget(Caption(Utf8("Ausgabe Gerät"), this), 0, 0, 1, 2);
    grid->addWidget(device_, 1, 0, 1, 2);
    grid->addWidget(Caption(Utf8("Ausgabe Rate"), this), 2, 0, 1, 2);
    grid->addWidget(rate, 3, 0, 1, 2);
    grid->addWidget(fadeInCaption, 4, 0, 1, 2);
    grid->addWidget(fadeIn, 5, 0, 1, 2);
    grid->addWidget(fadeOutCaption, 6, 0, 1, 2);
    grid->addWidget(fadeOut, 7, 0, 1, 2);
    grid->addWidget(Caption(Utf8("Midi Sound Font (SF2)"), this), 8, 0, 1, 2);
    grid->addWidget(soundFontField_, 9, 0);
    grid->addWidget(browse, 9, 1);
    grid->setRowStretch(10, 1);
    connect(browse, &QPushButton::clicked, this, [this] {
        ChooseSoundFont(QFileDialog::getOpenFileName(this, Utf8("Datei Öffnen"), QDir::currentPath(),
                                                     Utf8("Midi Sound Font (*.sf2 *.SF2)")));
    });

    bindings_.Bind(rate, &SettingsForm::rate);
    bindings_.Bind(fadeIn, &SettingsForm::fadeIn);
    bindings_.Bind(fadeOut, &SettingsForm::fadeOut);
    bindings_.Caption(fadeInCaption, fadeIn, &FadeInCaption);
    bindings_.Caption(fadeOutCaption, fadeOut, &FadeOutCaption);
}

void BassPage::Fill(const SettingsForm& form) {
    // The device list is the engine's as it is now.
    device_->clear();
    for (const OutputDevice& d : App().engine.outputDevices) device_->addItem(ToQt(d.name));
    device_->setCurrentIndex(form.device);
    device_->setToolTip(device_->currentText());
    SettingsPageWidget::Fill(form);
    soundFont_ = form.soundFont;
    soundFontField_->setText(ToQt(soundFont_));
}

void BassPage::Read(SettingsForm& form) const {
    SettingsPageWidget::Read(form);
    form.device = device_->currentIndex();
    form.soundFont = soundFont_;
}

void BassPage::ChooseSoundFont(const QString& file) {
    if (file.isEmpty()) return;
    const std::string path = FromQt(file);
    if (!StorablePath(path)) return;
    if (!IsSoundFontName(path)) {
        App().ports.messages.HintBox("Ungültiger Dateityp '" + path + "'");
        return;
    }
    if (path == soundFont_) return;
    soundFont_ = path;
    soundFontField_->setText(file);
    Changed();
}

}  // namespace sonvaro
