#include "engine/net/url_source.h"

namespace sonvaro::audio {
namespace {

constexpr std::size_t kRingFrames = 8192;  // decoded ahead of the channel's own buffer
constexpr std::size_t kDecodeChunk = 1024;

}  // namespace

UrlSource::UrlSource(std::shared_ptr<UrlStream> stream, std::unique_ptr<Source> decoder)
    : stream_(std::move(stream)), decoder_(std::move(decoder)), format_(decoder_->Format()) {
    ring_.Allocate(kRingFrames);
}

UrlSource::~UrlSource() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    room_.notify_all();
    stream_->Cancel();  // a decoder waiting for bytes gets an error and returns
    stream_->StopDelivery();
    if (thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id())
            thread_.detach();
        else
            thread_.join();
    }
}

bool UrlSource::Prepare(bool) {
    if (!decoder_->Prepare(false)) return false;
    thread_ = std::thread([this] { DecodeLoop(); });
    return true;
}

void UrlSource::DecodeLoop() {
    std::vector<float> chunk(kDecodeChunk * 2);
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            room_.wait(lock, [this] { return stop_ || ring_.Free() >= kDecodeChunk; });
            if (stop_) break;
        }
        std::size_t n = decoder_->Read(chunk.data(), kDecodeChunk);  // waits for the network
        std::lock_guard lock(mutex_);
        if (n == 0 || stop_) break;
        ring_.Write(chunk.data(), n);  // the wait above left room for a chunk
    }
    std::lock_guard lock(mutex_);
    finished_ = true;
}

std::size_t UrlSource::Read(float* out, std::size_t frames) {
    std::size_t n;
    {
        std::lock_guard lock(mutex_);
        n = ring_.Read(out, frames);
    }
    if (n > 0) room_.notify_one();
    return n;
}

bool UrlSource::Starved() const {
    std::lock_guard lock(mutex_);
    return !finished_ || ring_.Count() > 0;
}

const char* UrlSource::Tags(std::uint32_t type) {
    switch (type) {
        case BASS_TAG_HTTP:
        case BASS_TAG_ICY:
            return stream_->HeaderTags();
        case BASS_TAG_META:
            return stream_->MetaTag();
        default:
            return nullptr;
    }
}

}  // namespace sonvaro::audio
