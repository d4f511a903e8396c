#include "effects/effect_chain.h"

#include "effects/effect_captions.h"
#include "effects/equalizer_presets.h"

namespace sonvaro {

namespace {

// Higher priorities run first: ReplayGain, then reverb, echo and flanger,
// then the equalizer.
constexpr int kEqualizerPriority = 1;
constexpr int kEffectPriority = 2;

}  // namespace

EffectChain::EffectChain(Settings& settings) : settings_(settings) {}

void EffectChain::SetChannel(DWORD channel, float recordedSampleRate) {
    // The previous channel keeps its effects while it fades out; they go with it.
    channel_ = channel;
    sampleRate_ = recordedSampleRate;
    handles_ = {};
}

void EffectChain::TakeOver(EffectChain& prepared) {
    channel_ = prepared.channel_;
    sampleRate_ = prepared.sampleRate_;
    handles_ = prepared.handles_;
    prepared.channel_ = 0;
    prepared.handles_ = {};
}

void EffectChain::ApplyAll() {
    ApplyEqualizer();
    ApplySpeed();
    ApplyBalance();
    ApplyReverb();
    ApplyEcho();
    ApplyFlanger();
}

void EffectChain::Detach(HFX& handle) {
    if (handle == 0) return;
    BASS_ChannelRemoveFX(channel_, handle);
    handle = 0;
}

void EffectChain::ApplyEqualizer() {
    ++changes_;
    if (settings_.Equilizer_Active == 0) {
        Detach(handles_.equalizer);
        return;
    }
    // Reuse an equalizer already on this channel: a second one would double every gain.
    if (handles_.equalizer == 0)
        handles_.equalizer = BASS_ChannelSetFX(channel_, BASS_FX_BFX_PEAKEQ, kEqualizerPriority);
    if (handles_.equalizer == 0) return;  // no channel; the next one gets it
    for (int i = 0; i < kEqualizerBandCount; ++i) {
        BASS_BFX_PEAKEQ band{};
        band.lBand = i;
        band.fBandwidth = 2.5f;
        band.fQ = 0;
        band.fCenter = kEqualizerBandCentres[i];
        band.fGain = 0;
        band.lChannel = BASS_BFX_CHANALL;
        BASS_FXSetParameters(handles_.equalizer, &band);
    }
    for (int i = 0; i < kEqualizerBandCount; ++i) SetEqualizerBand(i);
}

void EffectChain::SetEqualizerBand(int band) {
    ++changes_;
    if (band < 0 || band >= kEqualizerBandCount) return;
    if (settings_.Equilizer_Active == 0 || handles_.equalizer == 0) return;
    BASS_BFX_PEAKEQ params{};
    params.lBand = band;
    if (!BASS_FXGetParameters(handles_.equalizer, &params)) return;
    params.fGain = EqualizerGainOfStep(settings_.Equilizer_Pan[band]);
    BASS_FXSetParameters(handles_.equalizer, &params);
}

void EffectChain::ApplyPreset(int index) {
    ++changes_;
    if (index < 0 || index >= kEqualizerPresetCount) return;
    const auto& steps = kEqualizerPresets[index].steps;
    for (int i = 0; i < kEqualizerBandCount; ++i) {
        if (view_) view_->SetBandPosition(i, steps[i]);
        settings_.Equilizer_Pan[i] = steps[i];
    }
    for (int i = 0; i < kEqualizerBandCount; ++i) SetEqualizerBand(i);
}

void EffectChain::ApplySpeed() {
    ++changes_;
    if (channel_ != 0 && sampleRate_ != 0) {
        float rate = static_cast<float>(settings_.Equalizer_Speed) * sampleRate_ / 100.0f;
        float current = 0;
        if (BASS_ChannelGetAttribute(channel_, BASS_ATTRIB_FREQ, &current) && current != rate)
            BASS_ChannelSetAttribute(channel_, BASS_ATTRIB_FREQ, rate);
    }
    // The caption follows the slider even while nothing plays.
    if (view_) view_->SetCaption(EffectsSlider::Speed, SpeedCaption(settings_.Equalizer_Speed));
}

void EffectChain::ApplyBalance() {
    ++changes_;
    float current = 0;
    if (BASS_ChannelGetAttribute(channel_, BASS_ATTRIB_PAN, &current)) {
        float pan = static_cast<float>(settings_.Equalizer_Panel - 100) / 100.0f;
        if (pan != current) BASS_ChannelSetAttribute(channel_, BASS_ATTRIB_PAN, pan);
    }
    if (view_) view_->SetCaption(EffectsSlider::Balance, BalanceCaption(settings_.Equalizer_Panel));
}

void EffectChain::ApplyReverb() {
    ++changes_;
    if (settings_.Reverb == 0) {
        Detach(handles_.reverb);
        return;
    }
    if (handles_.reverb == 0)
        handles_.reverb = BASS_ChannelSetFX(channel_, BASS_FX_DX8_REVERB, kEffectPriority);
    SetReverbParameters();
}

void EffectChain::SetReverbParameters() {
    ++changes_;
    if (handles_.reverb == 0) return;
    BASS_DX8_REVERB params{};
    params.fInGain = 0;
    params.fReverbMix = static_cast<float>(settings_.ReverbMix);
    params.fReverbTime = static_cast<float>(settings_.ReverbTime);
    params.fHighFreqRTRatio = 0.001f;
    BASS_FXSetParameters(handles_.reverb, &params);
}

void EffectChain::ApplyEcho() {
    ++changes_;
    if (settings_.Echo == 0) {
        Detach(handles_.echo);
        return;
    }
    if (handles_.echo == 0) handles_.echo = BASS_ChannelSetFX(channel_, BASS_FX_DX8_ECHO, kEffectPriority);
    SetEchoParameters();
}

void EffectChain::SetEchoParameters() {
    ++changes_;
    if (settings_.Echo == 0 || handles_.echo == 0) return;
    BASS_DX8_ECHO params{};
    params.fWetDryMix = 50;
    params.fFeedback = settings_.EchoBack;
    params.fLeftDelay = settings_.EchoDelay;
    params.fRightDelay = settings_.EchoDelay;
    params.lPanDelay = FALSE;
    BASS_FXSetParameters(handles_.echo, &params);
}

void EffectChain::ApplyFlanger() {
    ++changes_;
    if (settings_.Flanger == 0) {
        Detach(handles_.flanger);
        return;
    }
    if (handles_.flanger == 0)
        handles_.flanger = BASS_ChannelSetFX(channel_, BASS_FX_DX8_FLANGER, kEffectPriority);
    if (handles_.flanger == 0) return;
    BASS_DX8_FLANGER params{};
    params.fWetDryMix = 50;
    params.fDepth = 100;
    params.fFeedback = -50;
    params.fFrequency = 0.25f;
    params.lWaveform = 1;  // sine
    params.fDelay = 2;
    params.lPhase = BASS_DX8_PHASE_ZERO;
    BASS_FXSetParameters(handles_.flanger, &params);
}

}  // namespace sonvaro
