// The decoder libraries behind the engine and their versions, asked of the
// libraries themselves at run time.
#include <FLAC/format.h>
#include <fluidsynth.h>
#include <libopenmpt/libopenmpt.h>
#include <wavpack/wavpack.h>

#include <algorithm>
#include <cstdlib>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "playback/audio_library/format_families.h"

namespace sonvaro::audio {
namespace {

uint32_t Version(uint32_t major, uint32_t minor) {
    return major * 100 + std::min<uint32_t>(minor, 99);
}

// "1.4.2" and the like.
uint32_t VersionOfText(const char* text) {
    char* end = nullptr;
    const unsigned long major = std::strtoul(text, &end, 10);
    const unsigned long minor = end && *end == '.' ? std::strtoul(end + 1, nullptr, 10) : 0;
    return Version(static_cast<uint32_t>(major), static_cast<uint32_t>(minor));
}

}  // namespace

std::vector<FormatFamily> BuiltInFormatFamilies() {
    std::vector<FormatFamily> list;
    const unsigned codec = avcodec_version();
    list.push_back({"FFmpeg", Version(codec >> 16, (codec >> 8) & 0xFF),
                    "MP1, MP2, MP3, Ogg Vorbis, Opus, WAV, AIFF, WMA, FLAC, AAC, MP4"});
    const uint32_t mpt = openmpt_get_library_version();
    list.push_back({"libopenmpt", Version(mpt >> 24, (mpt >> 16) & 0xFF), "MOD, S3M, XM, IT, MTM, UMX, MO3"});
    int major = 0, minor = 0, micro = 0;
    fluid_version(&major, &minor, &micro);
    list.push_back({"FluidSynth", Version(static_cast<uint32_t>(major), static_cast<uint32_t>(minor)),
                    "MIDI mit SF2 Sound Font"});
    const uint32_t wv = WavpackGetLibraryVersion();
    list.push_back({"WavPack", Version(wv >> 16, (wv >> 8) & 0xFF), "WavPack (WV, WVC)"});
    list.push_back({"libFLAC", VersionOfText(FLAC__VERSION_STRING), "FLAC mit 32 Bit"});
    return list;
}

}  // namespace sonvaro::audio
