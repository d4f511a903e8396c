// Control events of the "Effekte" window: settings first, then the channel,
// then what the window shows.
#include <algorithm>

#include "effects/effect_captions.h"
#include "effects/effect_chain.h"
#include "effects/equalizer_presets.h"

namespace sonvaro {

namespace {

// Positions are clamped to the slider ranges so that a stray value can never
// wrap in the narrower fields of the settings record.
int InRange(int position, int low, int high) {
    return std::clamp(position, low, high);
}

}  // namespace

void EffectChain::FillView() {
    if (!view_) return;
    const Settings& s = settings_;
    view_->SetChecked(EffectsCheckBox::Equalizer, s.Equilizer_Active != 0);
    view_->SetPresetSelection(s.Equilizer_Preset);
    for (int i = 0; i < kEqualizerBandCount; ++i) view_->SetBandPosition(i, s.Equilizer_Pan[i]);
    view_->SetBandsEnabled(s.Equilizer_Active != 0);

    float volume = BASS_GetVolume();
    view_->SetSliderPosition(EffectsSlider::SystemVolume, SystemVolumeSlider(volume));
    view_->SetCaption(EffectsSlider::SystemVolume, SystemVolumeCaption(volume));
    view_->SetSliderPosition(EffectsSlider::Speed, s.Equalizer_Speed);
    view_->SetCaption(EffectsSlider::Speed, SpeedCaption(s.Equalizer_Speed));
    view_->SetSliderPosition(EffectsSlider::Balance, s.Equalizer_Panel);
    view_->SetCaption(EffectsSlider::Balance, BalanceCaption(s.Equalizer_Panel));

    view_->SetChecked(EffectsCheckBox::Reverb, s.Reverb != 0);
    int mix = ReverbMixSlider(s.ReverbMix);
    view_->SetSliderPosition(EffectsSlider::ReverbMix, mix);
    view_->SetCaption(EffectsSlider::ReverbMix, ReverbMixCaption(mix));
    int time = ReverbTimeSlider(s.ReverbTime);
    view_->SetSliderPosition(EffectsSlider::ReverbTime, time);
    view_->SetCaption(EffectsSlider::ReverbTime, ReverbTimeCaption(time));

    view_->SetChecked(EffectsCheckBox::Echo, s.Echo != 0);
    view_->SetSliderPosition(EffectsSlider::EchoBack, s.EchoBack);
    view_->SetCaption(EffectsSlider::EchoBack, EchoBackCaption(s.EchoBack));
    view_->SetSliderPosition(EffectsSlider::EchoDelay, s.EchoDelay);
    view_->SetCaption(EffectsSlider::EchoDelay, EchoDelayCaption(s.EchoDelay));

    view_->SetChecked(EffectsCheckBox::Flanger, s.Flanger != 0);

    view_->SetReplayGain(s.ReplayGain_Mode, s.ReplayGain_Preamp, s.ReplayGain_NoClip != 0);
}

void EffectChain::OnPresetChosen(int index) {
    // An empty selection (-1) must not be stored as the preset.
    if (index < 0 || index >= kEqualizerPresetCount) return;
    // Re-choosing the selected preset keeps bands that were moved by hand.
    if (index == settings_.Equilizer_Preset) return;
    ApplyPreset(index);
    settings_.Equilizer_Preset = index;
}

void EffectChain::OnEqualizerToggled(bool on) {
    settings_.Equilizer_Active = on ? 1 : 0;
    ApplyEqualizer();
    if (view_) view_->SetBandsEnabled(on);
}

void EffectChain::OnBandMoved(int band, int position) {
    if (band < 0 || band >= kEqualizerBandCount) return;
    settings_.Equilizer_Pan[band] = InRange(position, 0, kEqualizerMaxStep);
    SetEqualizerBand(band);
}

void EffectChain::OnSystemVolumeMoved(int position) {
    BASS_SetVolume(static_cast<float>(InRange(position, 0, 100)) / 100.0f);
    float volume = BASS_GetVolume();
    // Without an engine there is no volume to show; leave the caption as it was.
    if (view_ && volume >= 0) view_->SetCaption(EffectsSlider::SystemVolume, SystemVolumeCaption(volume));
}

void EffectChain::OnSpeedMoved(int position) {
    settings_.Equalizer_Speed = InRange(position, 1, 200);
    ApplySpeed();
}

void EffectChain::OnBalanceMoved(int position) {
    settings_.Equalizer_Panel = InRange(position, 1, 200);
    ApplyBalance();
}

void EffectChain::OnReverbToggled(bool on) {
    settings_.Reverb = on ? 1 : 0;
    ApplyReverb();
}

void EffectChain::OnReverbMixMoved(int position) {
    position = InRange(position, 0, 96);
    settings_.ReverbMix = ReverbMixFromSlider(position);
    SetReverbParameters();
    if (view_) view_->SetCaption(EffectsSlider::ReverbMix, ReverbMixCaption(position));
}

void EffectChain::OnReverbTimeMoved(int position) {
    position = InRange(position, 1, 100);
    settings_.ReverbTime = ReverbTimeFromSlider(position);
    SetReverbParameters();
    if (view_) view_->SetCaption(EffectsSlider::ReverbTime, ReverbTimeCaption(position));
}

void EffectChain::OnEchoToggled(bool on) {
    settings_.Echo = on ? 1 : 0;
    ApplyEcho();
}

void EffectChain::OnEchoBackMoved(int position) {
    settings_.EchoBack = static_cast<int8_t>(InRange(position, 0, 100));
    SetEchoParameters();
    if (view_) view_->SetCaption(EffectsSlider::EchoBack, EchoBackCaption(settings_.EchoBack));
}

void EffectChain::OnEchoDelayMoved(int position) {
    settings_.EchoDelay = static_cast<int16_t>(InRange(position, 1, 2000));
    SetEchoParameters();
    if (view_) view_->SetCaption(EffectsSlider::EchoDelay, EchoDelayCaption(settings_.EchoDelay));
}

void EffectChain::OnFlangerToggled(bool on) {
    settings_.Flanger = on ? 1 : 0;
    ApplyFlanger();
}

void EffectChain::OnReplayGainModeChosen(int mode) {
    // An empty choice (-1) is no mode.
    if (mode < kReplayGainOff || mode > kReplayGainAlbum) return;
    settings_.ReplayGain_Mode = mode;
}

void EffectChain::OnReplayGainPreampChanged(int tenths) {
    settings_.ReplayGain_Preamp = InRange(tenths, kReplayGainPreampMin, kReplayGainPreampMax);
}

void EffectChain::OnReplayGainNoClipToggled(bool on) {
    settings_.ReplayGain_NoClip = on ? 1 : 0;
}

}  // namespace sonvaro
