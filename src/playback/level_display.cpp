#include "playback/level_display.h"

#include <algorithm>
#include <cmath>

namespace sonvaro {

namespace {

constexpr uint32_t kIntervalMs = 50;
constexpr int kBars = 16;
constexpr int kBlocks = 9;
constexpr DWORD kLevelStep = 3640;

struct Block {
    int leftX, rightX, y, w, h;
};

// Block k (1..9) of each side; they grow outward from the middle.
constexpr std::array<Block, kBlocks> kBlockTable = {{
    {63, 64, 22, 1, 4},
    {60, 66, 21, 2, 6},
    {56, 69, 20, 3, 8},
    {51, 73, 19, 4, 10},
    {45, 78, 18, 5, 12},
    {38, 84, 17, 6, 14},
    {30, 91, 16, 7, 16},
    {21, 99, 15, 8, 18},
    {11, 108, 14, 9, 20},
}};

uint32_t Rgb(int32_t colour) {
    return static_cast<uint32_t>(colour) & 0xFFFFFF;
}

}  // namespace

int32_t LevelDisplay::Shade(int32_t colour, int delta) {
    int32_t result = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        int part = (colour >> shift) & 0xFF;
        result |= std::clamp(part + delta, 0, 255) << shift;
    }
    return result;
}

void LevelDisplay::Fill(int32_t colour) {
    image_.fill(Rgb(colour));
}

void LevelDisplay::Box(int x, int y, int w, int h, int32_t colour) {
    int x0 = std::max(x, 0), x1 = std::min(x + w, kWidth);
    int y0 = std::max(y, 0), y1 = std::min(y + h, kHeight);
    for (int row = y0; row < y1; ++row)
        std::fill(image_.begin() + row * kWidth + x0, image_.begin() + row * kWidth + std::max(x0, x1),
                  Rgb(colour));
}

void LevelDisplay::Blank(int32_t colorB) {
    Fill(colorB);
}

bool LevelDisplay::Draw(DWORD channel, int spectrumType, int32_t colorB, int32_t colorF, uint32_t tickMs) {
    // Unsigned difference, so the 49.7-day wrap of the tick count does not stall the picture.
    if (drawn_ && tickMs - lastTick_ < kIntervalMs) return false;
    if (spectrumType == 0) {
        std::array<float, 128> fft{};
        if (BASS_ChannelGetData(channel, fft.data(), BASS_DATA_FFT256) == static_cast<DWORD>(-1)) fft.fill(0);
        PaintSpectrum(fft, colorB, colorF);
    } else if (spectrumType == 1) {
        PaintLevel(BASS_ChannelGetLevel(channel), colorB, colorF);
    } else {
        Fill(colorB);
    }
    drawn_ = true;
    lastTick_ = tickMs;
    return true;
}

void LevelDisplay::PaintSpectrum(const std::array<float, 128>& fft, int32_t colorB, int32_t colorF) {
    Fill(colorB);
    float peak = 0;
    for (float v : fft) peak = std::max(peak, v);
    for (int k = 0; k < kBars; ++k) {
        // A bar stands for bins 4k..4k+4; the loudest of them sets its height,
        // so a tone between two bars still shows on at least one.
        float loudest = 0;
        for (int bin = 4 * k; bin <= 4 * k + 4; ++bin) loudest = std::max(loudest, fft[bin]);
        double v = 50.0 * std::sqrt(static_cast<double>(loudest) / peak);  // NaN when all is silent
        if (!(v >= 1.0)) v = 1.0;
        v = std::min(v, 50.0);
        int height = static_cast<int>(std::lround(v));
        Box(8 * k, static_cast<int>(std::lround(50.0 - v)), 7, height, colorF);
    }
}

void LevelDisplay::PaintLevel(DWORD level, int32_t colorB, int32_t colorF) {
    Fill(colorB);
    // A failed level read (-1) would otherwise light every block.
    if (level == static_cast<DWORD>(-1)) level = 0;
    DWORD left = level & 0xFFFF, right = level >> 16;
    for (int k = 1; k <= kBlocks; ++k) {
        const Block& b = kBlockTable[k - 1];
        int32_t lit = Shade(colorF, -180 + 20 * k);
        int32_t unlit = Shade(colorB, 25 + 5 * k);
        DWORD threshold = kLevelStep * static_cast<DWORD>(k);
        Box(b.leftX, b.y, b.w, b.h, left >= threshold ? lit : unlit);
        Box(b.rightX, b.y, b.w, b.h, right >= threshold ? lit : unlit);
    }
}

}  // namespace sonvaro
