#pragma once
#include <QWidget>
#include <array>

#include "effects/effects_view.h"
#include "ui/tool_window.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QSlider;

namespace sonvaro {

class EffectChain;

// "Effekte": equalizer bands and presets on one tab, volume, speed, balance
// and the three effects on the second, ReplayGain on the third. Every move
// goes straight to the chain.
class EffectsWindow : public ToolWindow, public EffectsView {
    Q_OBJECT
  public:
    EffectsWindow(EffectChain& chain, QWidget* owner);
    ~EffectsWindow() override;

    QSlider* BandSlider(int band) const { return bands_[band]; }
    QListWidget* PresetList() const { return presets_; }
    QSlider* Slider(EffectsSlider slider) const { return sliders_[static_cast<int>(slider)]; }
    QLabel* Caption(EffectsSlider slider) const { return captions_[static_cast<int>(slider)]; }
    QCheckBox* CheckBox(EffectsCheckBox box) const { return boxes_[static_cast<int>(box)]; }
    QComboBox* ReplayGainMode() const { return replayGainMode_; }
    QDoubleSpinBox* ReplayGainPreamp() const { return replayGainPreamp_; }
    QCheckBox* ReplayGainNoClip() const { return replayGainNoClip_; }

    // EffectsView
    void SetBandPosition(int band, int position) override;
    void SetBandsEnabled(bool enabled) override;
    void SetPresetSelection(int index) override;
    void SetSliderPosition(EffectsSlider slider, int position) override;
    void SetCaption(EffectsSlider slider, const std::string& text) override;
    void SetChecked(EffectsCheckBox box, bool checked) override;
    void SetReplayGain(int mode, int preampTenths, bool noClip) override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QWidget* BuildEqualizerTab();
    QWidget* BuildEffectsTab();
    QWidget* BuildReplayGainTab();
    QSlider* MakeSlider(EffectsSlider which, int low, int high, QWidget* parent);

    EffectChain& chain_;
    std::array<QSlider*, 10> bands_{};
    std::array<QSlider*, 7> sliders_{};
    std::array<QLabel*, 7> captions_{};
    std::array<QCheckBox*, 4> boxes_{};
    QListWidget* presets_ = nullptr;
    QComboBox* replayGainMode_ = nullptr;
    QDoubleSpinBox* replayGainPreamp_ = nullptr;
    QCheckBox* replayGainNoClip_ = nullptr;
};

}  // namespace sonvaro
