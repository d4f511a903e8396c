// WavPack through libwavpack, which (unlike FFmpeg) also reads the .wvc
// correction file that turns a lossy hybrid file back into the lossless original.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/source/byte_source.h"
#include "engine/source/source.h"

struct WavpackContext;

namespace sonvaro::audio {

class WavPackSource final : public Source {
  public:
    // The version of the library linked in: major * 100 + minor.
    static std::uint32_t LibraryVersion();
    // `correction` may be null. nullptr with a BASS error code when the data is not WavPack.
    static std::unique_ptr<WavPackSource> Open(std::unique_ptr<ByteSource> bytes,
                                               std::unique_ptr<ByteSource> correction, int& error);
    ~WavPackSource() override;

    SourceFormat Format() const override { return format_; }
    std::int64_t LengthFrames() const override { return length_; }
    bool Prepare(bool) override { return !failed_; }
    std::size_t Read(float* out, std::size_t frames) override;
    bool Seek(std::int64_t frame) override;
    std::int64_t FilePosition(std::uint32_t mode) const override;

  private:
    WavPackSource() = default;

    std::unique_ptr<ByteSource> bytes_, correction_;
    WavpackContext* wpc_ = nullptr;
    SourceFormat format_;
    std::int64_t length_ = -1;
    int channels_ = 0;  // channels delivered by the library (at most two)
    bool isFloat_ = false;
    float scale_ = 1.0f;
    bool failed_ = false;
    std::vector<std::int32_t> buffer_;
    void* streams_ = nullptr;  // the reader's view of bytes_ and correction_
};

}  // namespace sonvaro::audio
