#pragma once
#include <cstdint>
#include <string>

namespace sonvaro {

// Path, tags and audio properties of one track (a file or a stream address).
struct TrackInfo {
    std::string path;
    std::string title;
    std::string artist;  // several artists joined by "; "
    std::string album;
    int16_t year = 0;
    std::string comment;
    int16_t trackNumber = -1;
    std::string genre;
    int16_t bitrate = 0;   // kbit/s
    float sampleRate = 0;  // Hz
    int8_t channels = 0;
    int32_t length = 0;       // whole seconds
    int32_t channelType = 0;  // the engine's channel type code
};

// What a fresh tag read gives a track that is already listed: its tags, bit
// rate and channels (path, rate, length and type stay).
inline void CopyTags(const TrackInfo& from, TrackInfo& to) {
    to.title = from.title;
    to.artist = from.artist;
    to.album = from.album;
    to.year = from.year;
    to.comment = from.comment;
    to.trackNumber = from.trackNumber;
    to.genre = from.genre;
    to.bitrate = from.bitrate;
    to.channels = from.channels;
}

}  // namespace sonvaro
