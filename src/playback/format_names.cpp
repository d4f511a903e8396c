#include "playback/format_names.h"

#include <array>

namespace sonvaro {
namespace {

struct FormatRow {
    uint32_t code;
    const char* longName;
    const char* shortName;
};

constexpr std::array<FormatRow, 25> kFormats{{
    {0x1, "Sample Channel", ""},
    {0x2, "Aufnahme", ""},
    {0x10000, "User Sample Stream", ""},
    {0x10002, "Ogg Vorbis", "OGG"},
    {0x10003, "MPEG 1 Audio Layer 1", "MP1"},
    {0x10004, "MPEG 1 Audio Layer 2", "MP2"},
    {0x10005, "MPEG 1 Audio Layer 3", "MP3"},
    {0x10B01, "MPEG 4 Container", "MP4"},
    {0x10B00, "Advanced Audio Coding", "AAC"},
    {0x10006, "Audio Interchange", "AIFF"},
    {0x40000, "Wave", "WAV"},
    {0x50001, "Wave PCM", "WAV"},
    {0x50003, "Wave Float", "WAV"},
    {0x10300, "Windows Media Audio", "WMA"},
    {0x10301, "Windows Media Audio", "WMA"},
    {0x10D00, "Musical Instrument Digital Interface", "MIDI"},
    {0x10500, "WavPack", "WV"},
    {0x20000, "Modul", "MOD"},
    {0x20001, "MultiTracker", "MTM"},
    {0x20002, "ScreamTracker 3", "S3M"},
    {0x20003, "FastTracker 2", "XM"},
    {0x20004, "Impulse Tracker", "IT"},
    {0x100, "MO3 Modul", "MO3"},
    // Formats our engine plays beyond the classic table.
    {0x10900, "Free Lossless Audio Codec", "FLAC"},
    {0x11200, "Opus", "OPUS"},
}};

}  // namespace

std::string FormatName(int32_t channelType, bool longName) {
    for (const FormatRow& row : kFormats)
        if (row.code == static_cast<uint32_t>(channelType)) return longName ? row.longName : row.shortName;
    return {};
}

}  // namespace sonvaro
