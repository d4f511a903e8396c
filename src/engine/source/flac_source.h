// Native FLAC through libFLAC, for the 32-bit files FFmpeg's decoder (before
// 6.0) cannot decode; everything else in FLAC goes through FFmpeg.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/source/byte_source.h"
#include "engine/source/source.h"

namespace sonvaro::audio {

// Bits per sample from the STREAMINFO block of native FLAC starting at `offset`, or 0.
unsigned FlacBitsPerSample(ByteSource& bytes, std::int64_t offset);

class FlacSource final : public Source {
  public:
    // The version of the library linked in: major * 100 + minor.
    static std::uint32_t LibraryVersion();
    // nullptr with a BASS error code when libFLAC cannot read the header.
    static std::unique_ptr<FlacSource> Open(std::unique_ptr<ByteSource> bytes, int& error);
    ~FlacSource() override;

    SourceFormat Format() const override { return format_; }
    std::int64_t LengthFrames() const override { return length_; }
    bool Prepare(bool) override { return !failed_; }
    std::size_t Read(float* out, std::size_t frames) override;
    bool Seek(std::int64_t frame) override;
    std::int64_t FilePosition(std::uint32_t mode) const override;

    // libFLAC callbacks land here.
    void TakeInfo(unsigned rate, unsigned channels, unsigned bits, std::int64_t total);
    void TakeBlock(const std::int32_t* const* planes, unsigned channels, unsigned frames);

  private:
    FlacSource() = default;

    std::unique_ptr<ByteSource> bytes_;
    void* decoder_ = nullptr;  // FLAC__StreamDecoder
    void* context_ = nullptr;  // what its callbacks read through
    SourceFormat format_;
    std::int64_t length_ = -1;
    float scale_ = 1.0f;
    bool failed_ = false;
    std::vector<float> pending_;  // stereo frames decoded but not handed out
    std::size_t pendingPos_ = 0;
};

}  // namespace sonvaro::audio
