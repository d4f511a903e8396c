// A stretch of another source: frames [start, end) of it, seen as a whole
// track of its own (a CUE sheet's track within one file).
#pragma once

#include <memory>

#include "engine/source/source.h"

namespace sonvaro::audio {

class RangeSource : public Source {
  public:
    // end < 0: to the end of the inner source.
    RangeSource(std::unique_ptr<Source> inner, std::int64_t start, std::int64_t end);

    SourceFormat Format() const override { return inner_->Format(); }
    std::int64_t LengthFrames() const override;
    bool Prepare(bool prescan) override;
    std::size_t Read(float* out, std::size_t frames) override;
    bool Seek(std::int64_t frame) override;
    const char* Tags(std::uint32_t type) override { return inner_->Tags(type); }
    std::int64_t FilePosition(std::uint32_t mode) const override { return inner_->FilePosition(mode); }

  private:
    std::int64_t End() const;  // in the inner source's frames; -1 unknown

    std::unique_ptr<Source> inner_;
    std::int64_t start_;
    std::int64_t end_;
    std::int64_t position_ = 0;  // relative to start_
};

}  // namespace sonvaro::audio
