// What the "Effekte" window shows, as far as the effect logic decides it.
// The window implements this; programmatic changes made through it must not
// be reported back as user moves.
#pragma once
#include <string>

namespace sonvaro {

enum class EffectsSlider { SystemVolume, Speed, Balance, ReverbMix, ReverbTime, EchoBack, EchoDelay };
enum class EffectsCheckBox { Equalizer, Reverb, Echo, Flanger };

class EffectsView {
  public:
    virtual ~EffectsView() = default;
    virtual void SetBandPosition(int band, int position) = 0;
    virtual void SetBandsEnabled(bool enabled) = 0;
    virtual void SetPresetSelection(int index) = 0;
    virtual void SetSliderPosition(EffectsSlider slider, int position) = 0;
    virtual void SetCaption(EffectsSlider slider, const std::string& text) = 0;
    virtual void SetChecked(EffectsCheckBox box, bool checked) = 0;
    // Mode 0 off, 1 track, 2 album; the pre-amp in tenths of a dB.
    virtual void SetReplayGain(int mode, int preampTenths, bool noClip) = 0;
};

}  // namespace sonvaro
