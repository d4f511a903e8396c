// Slider conversions and value captions of the "Effekte" window. All of them
// use whole-number arithmetic so a slider and its caption always agree.
#pragma once
#include <cstdint>
#include <string>

namespace sonvaro {

// "100%".
std::string SpeedCaption(int32_t speed);
// "Center" at 100, "30 <" at 70, "> 30" at 130.
std::string BalanceCaption(int32_t panel);

// "Mix" slider 0..96 stands for ReverbMix -96..0 dB; its caption is 0..100.
int32_t ReverbMixSlider(int32_t reverbMix);
int32_t ReverbMixFromSlider(int32_t position);
std::string ReverbMixCaption(int32_t position);

// "Zeit" slider 1..100 stands for ReverbTime in thirtieths of 3000 ms; the
// round trip is lossy on purpose (1000 ms shows 33, and 33 stores 990).
int32_t ReverbTimeSlider(int32_t reverbTime);
int32_t ReverbTimeFromSlider(int32_t position);
std::string ReverbTimeCaption(int32_t position);

// "Effektivität" shows the feedback itself, "Verzögerung" the delay in
// hundredths of its 2000 ms range.
std::string EchoBackCaption(int32_t echoBack);
std::string EchoDelayCaption(int32_t echoDelay);

// System volume 0.0..1.0: slider 0..100, caption "0.75". The "." does not
// depend on the locale.
int32_t SystemVolumeSlider(float volume);
std::string SystemVolumeCaption(float volume);

}  // namespace sonvaro
