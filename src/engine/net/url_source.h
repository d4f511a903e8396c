// An internet stream decoded with FFmpeg on a thread of its own, so that a
// slow or hostile server can only starve its own channel, never the engine's
// decoding thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/net/url_stream.h"
#include "engine/source/source.h"
#include "engine/stereo_ring.h"

namespace sonvaro::audio {

class UrlSource final : public Source {
  public:
    UrlSource(std::shared_ptr<UrlStream> stream, std::unique_ptr<Source> decoder);
    ~UrlSource() override;

    SourceFormat Format() const override { return format_; }
    std::int64_t LengthFrames() const override { return -1; }
    bool Prepare(bool prescan) override;
    std::size_t Read(float* out, std::size_t frames) override;
    bool Seek(std::int64_t frame) override { return false; }
    const char* Tags(std::uint32_t type) override;
    std::int64_t FilePosition(std::uint32_t mode) const override { return stream_->FilePosition(mode); }
    bool Starved() const override;

  private:
    void DecodeLoop();

    std::shared_ptr<UrlStream> stream_;
    std::unique_ptr<Source> decoder_;  // the decoding thread's once it runs
    SourceFormat format_;
    std::thread thread_;

    mutable std::mutex mutex_;
    std::condition_variable room_;
    StereoRing ring_;  // decoded ahead of the channel's own buffer
    bool stop_ = false;
    bool finished_ = false;
};

}  // namespace sonvaro::audio
