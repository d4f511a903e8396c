// What the other floors use of the engine's sources: a file's format told
// from its first bytes, without the cost of a full FFmpeg probe, read from
// any ByteSource (the tag reader hands in TagLib's stream). Only the formats
// the stream loader accepts are recognised.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sonvaro::audio {

// Where a stream's encoded bytes come from. Files today; a network download
// buffer implements the same interface so decoders never know the difference.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Reads up to `size` bytes; returns the count, 0 at the end, -1 on error.
    virtual std::int64_t Read(void* buffer, std::size_t size) = 0;
    // Moves to an absolute offset; false when not possible.
    virtual bool Seek(std::int64_t offset) = 0;
    virtual std::int64_t Position() const = 0;
    // Total size in bytes, -1 when unknown (live streams).
    virtual std::int64_t Size() const = 0;
    virtual bool Seekable() const = 0;
    // Bytes available without waiting (network buffering); files have them all.
    virtual std::int64_t Buffered() const { return Size() - Position(); }
};

enum class Container { Unknown, Wav, Aiff, Flac, Ogg, WavPack, Asf, Mp4, Adts, Mpeg, Midi };

struct ProbeResult {
    Container container = Container::Unknown;
    std::uint32_t ctype = 0;
    const char* demuxer = nullptr;  // FFmpeg input format name
    std::int64_t dataOffset = 0;    // first MPEG/ADTS frame (after an ID3v2 tag)
    unsigned rate = 0;              // from the frame header where the demuxer gives none
    unsigned channels = 0;
    unsigned bitrate = 0;  // bits per second of the first MPEG frame
};

// Reads from the start of `bytes` and leaves its position undefined.
ProbeResult ProbeContent(ByteSource& bytes);

}  // namespace sonvaro::audio
