#include "support.h"

#include <cmath>

#include "support/wait.h"

namespace support {

namespace {
float Sample(const std::vector<float>& s, std::size_t frame, int channel) {
    if (channel == 2) return 0.5f * (s[frame * 2] + s[frame * 2 + 1]);
    return s[frame * 2 + static_cast<std::size_t>(channel)];
}
}  // namespace

double ToneAmplitude(const std::vector<float>& stereo, double freq, int channel, unsigned rate) {
    std::size_t n = stereo.size() / 2;
    double re = 0, im = 0;
    for (std::size_t i = 0; i < n; ++i) {
        double ph = 2 * M_PI * freq * static_cast<double>(i) / rate;
        re += Sample(stereo, i, channel) * std::cos(ph);
        im += Sample(stereo, i, channel) * std::sin(ph);
    }
    return 2 * std::sqrt(re * re + im * im) / static_cast<double>(n);
}

double Rms(const std::vector<float>& stereo, int channel) {
    std::size_t n = stereo.size() / 2;
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i) sum += Sample(stereo, i, channel) * Sample(stereo, i, channel);
    return n ? std::sqrt(sum / static_cast<double>(n)) : 0;
}

double Peak(const std::vector<float>& stereo, int channel) {
    double p = 0;
    for (std::size_t i = 0; i < stereo.size() / 2; ++i)
        p = std::max(p, std::fabs(double(Sample(stereo, i, channel))));
    return p;
}

double ZeroCrossingFrequency(const std::vector<float>& stereo, unsigned rate) {
    std::size_t n = stereo.size() / 2, crossings = 0;
    for (std::size_t i = 1; i < n; ++i)
        if ((stereo[(i - 1) * 2] < 0) != (stereo[i * 2] < 0)) ++crossings;
    return crossings * 0.5 * rate / static_cast<double>(n);
}

long FirstAbove(const std::vector<float>& stereo, float threshold, std::size_t fromFrame) {
    for (std::size_t i = fromFrame; i < stereo.size() / 2; ++i)
        if (std::fabs(stereo[i * 2]) >= threshold || std::fabs(stereo[i * 2 + 1]) >= threshold)
            return static_cast<long>(i);
    return -1;
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    return sonvaro::test::WaitUntil(done, limit);
}

}  // namespace support
