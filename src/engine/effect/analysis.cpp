// Spectrum and level of what a channel is sounding now, read from the record
// of the blocks it contributed to the mix.
#include <algorithm>
#include <cmath>
#include <complex>

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/tx.h>
}

#include "engine/channel.h"

namespace sonvaro::audio {
namespace {

constexpr int kFft = 256;

// One real FFT context per thread: contexts are not shareable while in use.
struct FftContext {
    AVTXContext* tx = nullptr;
    av_tx_fn fn = nullptr;
    float window[kFft];
    FftContext() {
        float scale = 1.0f;
        if (av_tx_init(&tx, &fn, AV_TX_FLOAT_RDFT, 0, kFft, &scale, 0) < 0) tx = nullptr;
        for (int i = 0; i < kFft; ++i)
            window[i] = static_cast<float>(0.5 - 0.5 * std::cos(2 * M_PI * i / kFft));
    }
    ~FftContext() { av_tx_uninit(&tx); }
};

}  // namespace

bool Channel::Spectrum(float* out, std::uint64_t heard) const {
    thread_local FftContext fft;
    if (!fft.tx) return false;
    alignas(32) float in[kFft + 2];
    alignas(32) std::complex<float> spec[kFft / 2 + 1];
    {
        std::lock_guard lock(mutex_);
        std::size_t size = history_.size() / 2;
        std::uint64_t end = std::min(heard, historyEnd_);
        for (int i = 0; i < kFft; ++i) {
            if (size == 0) {
                in[i] = 0;
                continue;
            }
            std::int64_t f = static_cast<std::int64_t>(end) - kFft + i;
            float v = 0;
            if (f >= 0 && historyEnd_ - static_cast<std::uint64_t>(f) <= size) {
                std::size_t at = static_cast<std::size_t>(f) % size;
                v = 0.5f * (history_[at * 2] + history_[at * 2 + 1]);
            }
            in[i] = v * fft.window[i];
        }
    }
    fft.fn(fft.tx, spec, in, sizeof(float));
    // Scaled so that a full-scale sine centred on a bin reads 1.0 (Hann gain 1/2).
    const float scale = 4.0f / kFft;
    for (int k = 0; k < kFft / 2; ++k) out[k] = std::abs(spec[k]) * scale;
    return true;
}

DWORD Channel::Level(std::uint64_t heard) const {
    std::lock_guard lock(mutex_);
    std::size_t size = history_.size() / 2;
    if (size == 0) return 0;
    std::uint64_t end = std::min(heard, historyEnd_);
    std::uint64_t span = std::max<std::uint64_t>(outRate / 50, 1);  // 20 ms
    float peak[2] = {0, 0};
    for (std::uint64_t f = end > span ? end - span : 0; f < end; ++f) {
        if (historyEnd_ - f > size) continue;
        std::size_t at = static_cast<std::size_t>(f % size);
        peak[0] = std::max(peak[0], std::fabs(history_[at * 2]));
        peak[1] = std::max(peak[1], std::fabs(history_[at * 2 + 1]));
    }
    auto level = [](float p) { return static_cast<DWORD>(std::lround(std::min(p, 1.0f) * 32768.0f)); };
    return level(peak[0]) | (level(peak[1]) << 16);
}

}  // namespace sonvaro::audio
