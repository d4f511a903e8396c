// Decides a file's format from its first bytes, without the cost of a full
// FFmpeg probe. Only the formats the stream loader accepts are recognised.
#pragma once

#include <cstdint>
#include <string>

#include "engine/source/byte_source.h"

namespace sonvaro::audio {

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

struct MpegHeader {
    int layer = 0;  // 1..3
    unsigned rate = 0;
    unsigned channels = 0;
    unsigned bitrate = 0;
    unsigned frameBytes = 0;
    unsigned samples = 0;
};
bool ParseMpegHeader(const unsigned char* p, MpegHeader& h);

}  // namespace sonvaro::audio
