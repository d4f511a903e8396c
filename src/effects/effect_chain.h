// The equalizer, speed, balance and the three DX8 effects of the current
// channel, driven by the settings, and the control logic of the "Effekte"
// window. Runs on the user-interface thread only.
#pragma once
#include <cstdint>

#include "effects/effects_view.h"
#include "engine/bass.h"
#include "settings/settings.h"

namespace sonvaro {

// Effects attached to the current channel; 0 = none.
struct EffectHandles {
    HFX equalizer = 0;
    HFX reverb = 0;
    HFX echo = 0;
    HFX flanger = 0;
};

class EffectChain {
  public:
    explicit EffectChain(Settings& settings);

    // A new current channel, which carries no effects yet; recordedSampleRate is
    // its frequency attribute as read when it started (0 = unknown).
    void SetChannel(DWORD channel, float recordedSampleRate);
    DWORD channel() const { return channel_; }
    // Takes the channel and effects of `prepared`, a chain set up ahead for
    // the next track; `prepared` is left without a channel.
    void TakeOver(EffectChain& prepared);
    // Counts the changes made to the effects; a chain set up ahead is brought
    // up to date when this moved in the meantime.
    std::uint64_t Changes() const { return changes_; }
    const EffectHandles& handles() const { return handles_; }

    // The open window, or nullptr once it is closed.
    void SetView(EffectsView* view) { view_ = view; }

    // The start-of-channel sequence: equalizer, speed, balance, reverb, echo, flanger.
    void ApplyAll();

    void ApplyEqualizer();
    void SetEqualizerBand(int band);
    void ApplyPreset(int index);
    void ApplySpeed();
    void ApplyBalance();
    void ApplyReverb();
    void SetReverbParameters();
    void ApplyEcho();
    void SetEchoParameters();
    void ApplyFlanger();

    // Puts every control of a freshly opened window to its current value.
    void FillView();

    // Control events of the window; each acts on the playing channel at once.
    void OnPresetChosen(int index);
    void OnEqualizerToggled(bool on);
    void OnBandMoved(int band, int position);
    void OnSystemVolumeMoved(int position);
    void OnSpeedMoved(int position);
    void OnBalanceMoved(int position);
    void OnReverbToggled(bool on);
    void OnReverbMixMoved(int position);
    void OnReverbTimeMoved(int position);
    void OnEchoToggled(bool on);
    void OnEchoBackMoved(int position);
    void OnEchoDelayMoved(int position);
    void OnFlangerToggled(bool on);
    // The ReplayGain controls only store the settings: a track gets its gain when it starts.
    void OnReplayGainModeChosen(int mode);
    void OnReplayGainPreampChanged(int tenths);
    void OnReplayGainNoClipToggled(bool on);

  private:
    void Detach(HFX& handle);

    Settings& settings_;
    EffectsView* view_ = nullptr;
    DWORD channel_ = 0;
    float sampleRate_ = 0;
    EffectHandles handles_;
    std::uint64_t changes_ = 0;
};

}  // namespace sonvaro
