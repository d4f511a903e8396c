// The small level/spectrum picture of the main window: a 128 x 50 image drawn
// from the current channel at most every 50 ms.
#pragma once
#include <array>
#include <cstdint>

#include "engine/bass.h"

namespace sonvaro {

class LevelDisplay {
  public:
    static constexpr int kWidth = 128;
    static constexpr int kHeight = 50;
    // Colours are 0x00BBGGRR, row-major, y = 0 at the top.
    using Image = std::array<uint32_t, kWidth * kHeight>;

    // Draws the spectrum (type 0), the level meter (1) or only the background
    // (any other type). Returns false, leaving the image alone, when the last
    // drawing was less than 50 ms ago by the wrapping 32-bit tick.
    bool Draw(DWORD channel, int spectrumType, int32_t colorB, int32_t colorF, uint32_t tickMs);
    // The picture while nothing plays; does not count as a drawing.
    void Blank(int32_t colorB);

    // The drawing steps on given data, used by Draw.
    void PaintSpectrum(const std::array<float, 128>& fft, int32_t colorB, int32_t colorF);
    void PaintLevel(DWORD level, int32_t colorB, int32_t colorF);

    const Image& image() const { return image_; }
    uint32_t Pixel(int x, int y) const { return image_[y * kWidth + x]; }

    // Adds delta to red, green and blue, each clamped to 0..255.
    static int32_t Shade(int32_t colour, int delta);

  private:
    void Fill(int32_t colour);
    void Box(int x, int y, int w, int h, int32_t colour);

    Image image_{};
    bool drawn_ = false;
    uint32_t lastTick_ = 0;
};

}  // namespace sonvaro
