// The content probe (engine/content_probe.h) and the MPEG frame header it reads.
#pragma once

#include <cstdint>
#include <string>

#include "engine/content_probe.h"
#include "engine/source/byte_source.h"

namespace sonvaro::audio {

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
