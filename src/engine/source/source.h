// A decoder as the channel sees it: cheap facts from the header at once, the
// expensive set-up (decoder, pre-scan, sound font) only in Prepare().
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sonvaro::audio {

struct SourceFormat {
    unsigned rate = 0;      // the source's own sample rate
    unsigned channels = 0;  // as the file says (what BASS_ChannelGetInfo reports)
    std::uint32_t ctype = 0;
};

class Source {
  public:
    virtual ~Source() = default;

    virtual SourceFormat Format() const = 0;
    // Length in frames; an estimate until Prepare() when the header has none, -1 unknown.
    virtual std::int64_t LengthFrames() const = 0;
    // Heavy set-up; false when the data cannot be decoded (the channel then just ends).
    virtual bool Prepare(bool prescan) = 0;
    // Fills `out` with up to `frames` stereo frames (interleaved float); 0 means the end.
    virtual std::size_t Read(float* out, std::size_t frames) = 0;
    // Moves so that the next Read starts at `frame`; false when the source cannot seek.
    virtual bool Seek(std::int64_t frame) = 0;
    // "key=value\0...\0\0" lists for BASS_ChannelGetTags, or nullptr.
    virtual const char* Tags(std::uint32_t type) { return nullptr; }
    // File positions for BASS_StreamGetFilePosition; -1 when not a byte stream.
    virtual std::int64_t FilePosition(std::uint32_t mode) const { return -1; }
    // True when a Read that gave 0 frames only ran dry for now (a network stream
    // waiting for data) rather than reaching the end.
    virtual bool Starved() const { return false; }
};

}  // namespace sonvaro::audio
