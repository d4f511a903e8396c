// An attribute value that may glide to a target over time. Time is the
// engine's mix clock in output frames, so slides follow what is mixed even
// when the mixer runs faster than real time (offline output).
#pragma once

#include <algorithm>
#include <cstdint>

namespace sonvaro::audio {

struct SlidingValue {
    float value = 0;
    float from = 0, to = 0;
    std::uint64_t start = 0, end = 0;
    bool sliding = false;

    float At(std::uint64_t t) const {
        if (!sliding || t >= end) return sliding ? to : value;
        if (t <= start) return from;
        double f = static_cast<double>(t - start) / static_cast<double>(end - start);
        return static_cast<float>(from + (to - from) * f);
    }
    // Folds a finished slide into the plain value; true when one just finished.
    bool Settle(std::uint64_t t) {
        if (sliding && t >= end) {
            value = to;
            sliding = false;
            return true;
        }
        return false;
    }
    // A slide set to start later than `t` starts at `t` instead, as long as before.
    void StartNoLaterThan(std::uint64_t t) {
        if (!sliding || start <= t) return;
        end -= start - t;
        start = t;
    }
    void Set(float v) {
        value = v;
        sliding = false;
    }
    void SlideTo(float target, std::uint64_t now, std::uint64_t frames) {
        float current = At(now);
        if (frames == 0) {
            Set(target);
            return;
        }
        from = current;
        to = target;
        start = now;
        end = now + frames;
        sliding = true;
    }
};

}  // namespace sonvaro::audio
