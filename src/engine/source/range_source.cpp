#include "engine/source/range_source.h"

#include <algorithm>

namespace sonvaro::audio {

RangeSource::RangeSource(std::unique_ptr<Source> inner, std::int64_t start, std::int64_t end)
    : inner_(std::move(inner)), start_(std::max<std::int64_t>(start, 0)), end_(end) {
    if (end_ >= 0 && end_ < start_) end_ = start_;
}

std::int64_t RangeSource::End() const {
    const std::int64_t whole = inner_->LengthFrames();
    if (end_ < 0) return whole;
    return whole >= 0 ? std::min(end_, whole) : end_;
}

std::int64_t RangeSource::LengthFrames() const {
    const std::int64_t end = End();
    return end < 0 ? -1 : std::max<std::int64_t>(end - start_, 0);
}

bool RangeSource::Prepare(bool prescan) {
    if (!inner_->Prepare(prescan)) return false;
    position_ = 0;
    // A start past the file's end gives an empty track, not the whole file.
    return start_ == 0 || inner_->Seek(start_);
}

std::size_t RangeSource::Read(float* out, std::size_t frames) {
    const std::int64_t end = End();
    if (end >= 0) {
        const std::int64_t left = end - start_ - position_;
        if (left <= 0) return 0;
        frames = static_cast<std::size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(frames)));
    }
    const std::size_t got = inner_->Read(out, frames);
    position_ += static_cast<std::int64_t>(got);
    return got;
}

bool RangeSource::Seek(std::int64_t frame) {
    frame = std::max<std::int64_t>(frame, 0);
    if (!inner_->Seek(start_ + frame)) return false;
    position_ = frame;
    return true;
}

}  // namespace sonvaro::audio
