#include "ui/effects_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cmath>

#include "effects/effect_chain.h"
#include "effects/equalizer_presets.h"
#include "settings/settings.h"
#include "ui/qt_text.h"

namespace sonvaro {

EffectsWindow::EffectsWindow(EffectChain& chain, QWidget* owner)
    : ToolWindow(owner, QStringLiteral("Effekte")), chain_(chain) {
    setFixedSize(400, 320);
    auto* tabs = new QTabWidget(this);
    tabs->addTab(BuildEqualizerTab(), QStringLiteral("Equalizer"));
    tabs->addTab(BuildEffectsTab(), QStringLiteral("Effekte"));
    tabs->addTab(BuildReplayGainTab(), QStringLiteral("ReplayGain"));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    connect(ok, &QPushButton::clicked, this, &QWidget::close);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(tabs, 1);
    layout->addWidget(ok, 0, Qt::AlignRight);
    chain_.SetView(this);
    chain_.FillView();
}

EffectsWindow::~EffectsWindow() {
    chain_.SetView(nullptr);
}

QWidget* EffectsWindow::BuildEqualizerTab() {
    auto* page = new QWidget;
    boxes_[static_cast<int>(EffectsCheckBox::Equalizer)] =
        new QCheckBox(QStringLiteral("Equalizer verwenden"), page);
    connect(boxes_[0], &QCheckBox::toggled, this, [this](bool on) { chain_.OnEqualizerToggled(on); });

    presets_ = new QListWidget(page);
    for (const EqualizerPreset& preset : kEqualizerPresets)
        presets_->addItem(
            QString::fromUtf8(preset.caption.data(), static_cast<qsizetype>(preset.caption.size())));
    presets_->setFixedWidth(96);
    // A click on the selected row reaches the chain too; it decides that nothing changes.
    connect(presets_, &QListWidget::currentRowChanged, this, [this](int row) { chain_.OnPresetChosen(row); });
    connect(presets_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { chain_.OnPresetChosen(presets_->row(item)); });

    // Small print, so ten bands and their scale fit beside the preset list.
    QFont small = page->font();
    small.setPixelSize(10);
    auto* scale = new QVBoxLayout;
    for (const char* text : {"+15db", "0db", "-15db"}) {
        if (scale->count() > 0) scale->addStretch(1);
        auto* label = new QLabel(QString::fromLatin1(text), page);
        label->setFont(small);
        scale->addWidget(label, 0, Qt::AlignRight);
    }
    scale->addSpacing(16);

    auto* bandsRow = new QHBoxLayout;
    bandsRow->setSpacing(2);
    bandsRow->addLayout(scale);
    for (int i = 0; i < kEqualizerBandCount; ++i) {
        auto* slider = new QSlider(Qt::Vertical, page);
        slider->setRange(0, kEqualizerMaxStep);
        slider->setTickInterval(60);
        slider->setTickPosition(QSlider::TicksRight);
        connect(slider, &QSlider::valueChanged, this,
                [this, i](int position) { chain_.OnBandMoved(i, position); });
        bands_[i] = slider;
        auto* column = new QVBoxLayout;
        column->addWidget(slider, 1, Qt::AlignHCenter);
        const std::string_view caption = kEqualizerBandCaptions[i];
        auto* label =
            new QLabel(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())), page);
        label->setFont(small);
        column->addWidget(label, 0, Qt::AlignHCenter);
        bandsRow->addLayout(column);
    }

    auto* body = new QHBoxLayout;
    body->addWidget(presets_);
    body->addLayout(bandsRow, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(boxes_[0]);
    layout->addLayout(body, 1);
    return page;
}

QSlider* EffectsWindow::MakeSlider(EffectsSlider which, int low, int high, QWidget* parent) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setRange(low, high);
    sliders_[static_cast<int>(which)] = slider;
    auto* caption = new QLabel(parent);
    caption->setMinimumWidth(32);
    captions_[static_cast<int>(which)] = caption;
    return slider;
}

QWidget* EffectsWindow::BuildEffectsTab() {
    auto* page = new QWidget;
    const auto row = [this](QGridLayout* grid, int r, const QString& text, EffectsSlider which,
                            QWidget* parent) {
        grid->addWidget(new QLabel(text, parent), r, 0);
        grid->addWidget(sliders_[static_cast<int>(which)], r, 1);
        grid->addWidget(captions_[static_cast<int>(which)], r, 2);
    };

    MakeSlider(EffectsSlider::SystemVolume, 0, 100, page);
    MakeSlider(EffectsSlider::Speed, 1, 200, page);
    MakeSlider(EffectsSlider::Balance, 1, 200, page);
    auto* top = new QGridLayout;
    row(top, 0, QString::fromUtf8("Systemlautstärke"), EffectsSlider::SystemVolume, page);
    row(top, 1, QStringLiteral("Geschwindigkeit"), EffectsSlider::Speed, page);
    row(top, 2, QStringLiteral("Ausrichtung"), EffectsSlider::Balance, page);

    // In the narrow groups each slider sits under its label and caption.
    const auto stacked = [this](QGridLayout* grid, int r, const QString& text, EffectsSlider which,
                                QWidget* parent) {
        grid->addWidget(new QLabel(text, parent), r, 0);
        grid->addWidget(captions_[static_cast<int>(which)], r, 1, Qt::AlignRight);
        grid->addWidget(sliders_[static_cast<int>(which)], r + 1, 0, 1, 2);
    };
    const auto group = [](const QString& title, QWidget* parent) {
        auto* box = new QGroupBox(title, parent);
        auto* grid = new QGridLayout(box);
        grid->setContentsMargins(6, 4, 6, 4);
        grid->setVerticalSpacing(2);
        return std::make_pair(box, grid);
    };

    auto [reverb, reverbGrid] = group(QStringLiteral("Reverb"), page);
    boxes_[static_cast<int>(EffectsCheckBox::Reverb)] = new QCheckBox(QStringLiteral("Aktiv"), reverb);
    MakeSlider(EffectsSlider::ReverbMix, 0, 96, reverb);
    MakeSlider(EffectsSlider::ReverbTime, 1, 100, reverb);
    reverbGrid->addWidget(boxes_[1], 0, 0, 1, 2);
    stacked(reverbGrid, 1, QStringLiteral("Mix"), EffectsSlider::ReverbMix, reverb);
    stacked(reverbGrid, 3, QStringLiteral("Zeit"), EffectsSlider::ReverbTime, reverb);

    auto [echo, echoGrid] = group(QStringLiteral("Echo"), page);
    boxes_[static_cast<int>(EffectsCheckBox::Echo)] = new QCheckBox(QStringLiteral("Aktiv"), echo);
    MakeSlider(EffectsSlider::EchoBack, 0, 100, echo);
    MakeSlider(EffectsSlider::EchoDelay, 1, 2000, echo);
    echoGrid->addWidget(boxes_[2], 0, 0, 1, 2);
    stacked(echoGrid, 1, QString::fromUtf8("Effektivität"), EffectsSlider::EchoBack, echo);
    stacked(echoGrid, 3, QString::fromUtf8("Verzögerung"), EffectsSlider::EchoDelay, echo);

    auto [flanger, flangerGrid] = group(QStringLiteral("Flanger"), page);
    boxes_[static_cast<int>(EffectsCheckBox::Flanger)] = new QCheckBox(QStringLiteral("Aktiv"), flanger);
    flangerGrid->addWidget(boxes_[3], 0, 0, Qt::AlignTop);
    flangerGrid->setRowStretch(1, 1);

    const auto onMove = [this](EffectsSlider which, void (EffectChain::*handler)(int)) {
        connect(Slider(which), &QSlider::valueChanged, this,
                [chain = &chain_, handler](int v) { (chain->*handler)(v); });
    };
    onMove(EffectsSlider::SystemVolume, &EffectChain::OnSystemVolumeMoved);
    onMove(EffectsSlider::Speed, &EffectChain::OnSpeedMoved);
    onMove(EffectsSlider::Balance, &EffectChain::OnBalanceMoved);
    onMove(EffectsSlider::ReverbMix, &EffectChain::OnReverbMixMoved);
    onMove(EffectsSlider::ReverbTime, &EffectChain::OnReverbTimeMoved);
    onMove(EffectsSlider::EchoBack, &EffectChain::OnEchoBackMoved);
    onMove(EffectsSlider::EchoDelay, &EffectChain::OnEchoDelayMoved);
    connect(boxes_[1], &QCheckBox::toggled, this, [this](bool on) { chain_.OnReverbToggled(on); });
    connect(boxes_[2], &QCheckBox::toggled, this, [this](bool on) { chain_.OnEchoToggled(on); });
    connect(boxes_[3], &QCheckBox::toggled, this, [this](bool on) { chain_.OnFlangerToggled(on); });

    auto* groups = new QHBoxLayout;
    groups->addWidget(reverb, 3);
    groups->addWidget(echo, 3);
    groups->addWidget(flanger, 2);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(top);
    layout->addLayout(groups, 1);
    return page;
}

QWidget* EffectsWindow::BuildReplayGainTab() {
    auto* page = new QWidget;
    replayGainMode_ = new QComboBox(page);
    replayGainMode_->addItems({QStringLiteral("Aus"), QStringLiteral("Titel"), QStringLiteral("Album")});
    connect(replayGainMode_, &QComboBox::currentIndexChanged, this,
            [this](int mode) { chain_.OnReplayGainModeChosen(mode); });

    replayGainPreamp_ = new QDoubleSpinBox(page);
    replayGainPreamp_->setRange(kReplayGainPreampMin / 10.0, kReplayGainPreampMax / 10.0);
    replayGainPreamp_->setDecimals(1);
    replayGainPreamp_->setSingleStep(0.5);
    replayGainPreamp_->setSuffix(QStringLiteral(" dB"));
    connect(replayGainPreamp_, &QDoubleSpinBox::valueChanged, this,
            [this](double db) { chain_.OnReplayGainPreampChanged(static_cast<int>(std::lround(db * 10))); });

    replayGainNoClip_ = new QCheckBox(QString::fromUtf8("Übersteuerung verhindern"), page);
    connect(replayGainNoClip_, &QCheckBox::toggled, this,
            [this](bool on) { chain_.OnReplayGainNoClipToggled(on); });

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("ReplayGain:"), page), 0, 0);
    grid->addWidget(replayGainMode_, 0, 1);
    grid->addWidget(new QLabel(QString::fromUtf8("Vorverstärkung:"), page), 1, 0);
    grid->addWidget(replayGainPreamp_, 1, 1);
    grid->addWidget(replayGainNoClip_, 2, 0, 1, 2);
    grid->setColumnStretch(2, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(grid);
    layout->addWidget(new QLabel(QString::fromUtf8("Gilt ab dem nächsten Titel."), page));
    layout->addStretch(1);
    return page;
}

// Changes made by the chain are not user moves: the signals stay quiet.

void EffectsWindow::SetBandPosition(int band, int position) {
    if (band < 0 || band >= static_cast<int>(bands_.size())) return;
    const QSignalBlocker quiet(bands_[band]);
    bands_[band]->setValue(position);
}

void EffectsWindow::SetBandsEnabled(bool enabled) {
    for (QSlider* slider : bands_) slider->setEnabled(enabled);
}

void EffectsWindow::SetPresetSelection(int index) {
    const QSignalBlocker quiet(presets_);
    presets_->setCurrentRow(index);
}

void EffectsWindow::SetSliderPosition(EffectsSlider slider, int position) {
    const QSignalBlocker quiet(Slider(slider));
    Slider(slider)->setValue(position);
}

void EffectsWindow::SetCaption(EffectsSlider slider, const std::string& text) {
    Caption(slider)->setText(ToQt(text));
}

void EffectsWindow::SetChecked(EffectsCheckBox box, bool checked) {
    const QSignalBlocker quiet(CheckBox(box));
    CheckBox(box)->setChecked(checked);
}

void EffectsWindow::SetReplayGain(int mode, int preampTenths, bool noClip) {
    const QSignalBlocker quietMode(replayGainMode_), quietPreamp(replayGainPreamp_),
        quietNoClip(replayGainNoClip_);
    replayGainMode_->setCurrentIndex(mode);
    replayGainPreamp_->setValue(preampTenths / 10.0);
    replayGainNoClip_->setChecked(noClip);
}

void EffectsWindow::closeEvent(QCloseEvent* event) {
    ToolWindow::closeEvent(event);
    chain_.SetView(nullptr);
}

}  // namespace sonvaro
