// Sampled formats through FFmpeg, reading from any ByteSource through a custom
// AVIOContext. Opening reads only the container header; the decoder is set up
// in Prepare().
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/source/byte_source.h"
#include "engine/source/probe.h"
#include "engine/source/source.h"

struct AVIOContext;
struct AVFormatContext;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;
struct SwrContext;

extern "C" {
#include <libavutil/channel_layout.h>
}

namespace sonvaro::audio {

class FfmpegSource final : public Source {
  public:
    // The version of the library linked in: major * 100 + minor.
    static std::uint32_t LibraryVersion();
    // On failure returns nullptr and sets `error` to a BASS error code.
    static std::unique_ptr<FfmpegSource> Open(std::unique_ptr<ByteSource> bytes, const ProbeResult& probe,
                                              bool allowVideo, int& error);
    ~FfmpegSource() override;

    SourceFormat Format() const override { return format_; }
    std::int64_t LengthFrames() const override { return length_; }
    bool Prepare(bool prescan) override;
    std::size_t Read(float* out, std::size_t frames) override;
    bool Seek(std::int64_t frame) override;
    const char* Tags(std::uint32_t type) override;
    std::int64_t FilePosition(std::uint32_t mode) const override;

  private:
    explicit FfmpegSource(std::unique_ptr<ByteSource> bytes) : bytes_(std::move(bytes)) {}
    bool OpenHeader(const ProbeResult& probe, bool allowVideo, int& error);
    void BuildTags();
    void Prescan();
    bool DecodeMore();  // false at the end of the data
    void TakeFrame();
    std::int64_t FrameOfPts(std::int64_t pts) const;
    std::int64_t FramesPerPacket() const;

    std::unique_ptr<ByteSource> bytes_;
    ProbeResult probe_;
    AVIOContext* avio_ = nullptr;
    AVFormatContext* fmt_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    SwrContext* swr_ = nullptr;
    AVChannelLayout swrLayout_{};  // what swr_ was set up for
    int swrFormat_ = -1;
    int swrRate_ = 0;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    int stream_ = -1;
    SourceFormat format_;
    std::int64_t length_ = -1;
    bool lengthExact_ = false;
    bool prepared_ = false;
    bool failed_ = false;
    bool draining_ = false;
    bool eof_ = false;
    int badPackets_ = 0;

    std::vector<float> convert_;  // resampler output of one decoded frame
    std::vector<float> pending_;  // decoded stereo frames not yet handed out
    std::size_t pendingPos_ = 0;
    unsigned decodedChannels_ = 2;
    std::int64_t nextFrame_ = 0;  // frame number of pending_[pendingPos_]; -1 unknown after a seek
    std::int64_t skipTo_ = -1;    // drop output before this frame (exact seeks)

    struct IndexEntry {
        std::int64_t pos;
        std::int64_t frame;
    };
    std::vector<IndexEntry> index_;  // from the pre-scan of frame-synced formats

    std::string mp4Tags_, wmaTags_;
};

}  // namespace sonvaro::audio
