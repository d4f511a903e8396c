#include "effects/effect_captions.h"

#include <algorithm>
#include <cmath>

#include "core/text.h"

namespace sonvaro {

namespace {

// Settings come from a file anyone can edit, so products are taken in 64 bits.
int32_t Narrow(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

std::string SpeedCaption(int32_t speed) {
    return DecimalText(speed) + "%";
}

std::string BalanceCaption(int32_t panel) {
    if (panel == 100) return "Center";
    if (panel < 100) return DecimalText(100LL - panel) + " <";
    return "> " + DecimalText(static_cast<long long>(panel) - 100);
}

int32_t ReverbMixSlider(int32_t reverbMix) {
    return Narrow(int64_t{reverbMix} + 96);
}
int32_t ReverbMixFromSlider(int32_t position) {
    return Narrow(int64_t{position} - 96);
}
std::string ReverbMixCaption(int32_t position) {
    return DecimalText(int64_t{position} * 100 / 96);
}

int32_t ReverbTimeSlider(int32_t reverbTime) {
    return Narrow(int64_t{reverbTime} * 100 / 3000);
}
int32_t ReverbTimeFromSlider(int32_t position) {
    return Narrow(int64_t{position} * 3000 / 100);
}
std::string ReverbTimeCaption(int32_t position) {
    return DecimalText(position);
}

std::string EchoBackCaption(int32_t echoBack) {
    return DecimalText(echoBack);
}
std::string EchoDelayCaption(int32_t echoDelay) {
    return DecimalText(int64_t{echoDelay} * 100 / 2000);
}

int32_t SystemVolumeSlider(float volume) {
    if (!(volume > 0)) return 0;
    return static_cast<int32_t>(std::lround(std::min(volume, 1.0f) * 100));
}

std::string SystemVolumeCaption(float volume) {
    // Hundredths as an integer: printf would follow the user's locale and write "0,75".
    long hundredths = volume > 0 ? std::lround(std::min(volume, 1.0f) * 100) : 0;
    std::string text = DecimalText(hundredths / 100) + ".";
    text += static_cast<char>('0' + hundredths % 100 / 10);
    text += static_cast<char>('0' + hundredths % 10);
    return text;
}

}  // namespace sonvaro
