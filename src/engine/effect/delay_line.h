// The delay line of the time-based effects: a ring whose length is a power of
// two, so every tap is a masked read behind the write position and no read
// needs its own wrap test.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace sonvaro::audio {

inline std::size_t PowerOfTwoAtLeast(std::size_t n) {
    std::size_t p = 1;
    while (p < n) p <<= 1;
    return p;
}

// Two sides, one write position.
struct StereoDelayLine {
    explicit StereoDelayLine(std::size_t minFrames) : size(PowerOfTwoAtLeast(minFrames)), mask(size - 1) {
        line[0].assign(size, 0.0f);
        line[1].assign(size, 0.0f);
    }
    void Clear() {
        std::fill(line[0].begin(), line[0].end(), 0.0f);
        std::fill(line[1].begin(), line[1].end(), 0.0f);
    }

    std::size_t size, mask;
    std::vector<float> line[2];
    std::size_t pos = 0;
};

}  // namespace sonvaro::audio
