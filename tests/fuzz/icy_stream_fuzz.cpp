// What a radio server controls: the ICY byte stream with its metadata blocks,
// playlist bodies, and the stream title that becomes a recording's file name.
// The demuxer must account for every byte; a file name never leaves its folder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "playback/audio_library/icy_demuxer.h"
#include "playback/audio_library/url_source.h"
#include "playback/radio_recorder.h"
#include "playback/stream_title.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t interval = 1 + static_cast<unsigned char>(input[0]) * 4;
    const std::size_t piece = 1 + static_cast<unsigned char>(input[1]);

    sonvaro::audio::IcyDemuxer demux(interval);
    std::string audio;
    std::vector<sonvaro::audio::IcyDemuxer::Meta> metas;
    for (std::size_t at = 2; at < size; at += piece)
        demux.Feed(input.data() + at, std::min(piece, size - at), audio, metas);
    if (audio.size() > size) std::abort();
    for (const auto& meta : metas) {
        if (meta.at > audio.size() || meta.text.size() > 255 * 16) std::abort();
        sonvaro::audio::IcyField(meta.text, "StreamTitle");
        const sonvaro::StreamTitle title = sonvaro::ParseStreamTitle(meta.text);
        for (int8_t mode : {0, 1}) {
            const std::string name = sonvaro::RecordingFileName({title.artist, title.title, meta.text}, mode, 1704672000);
            if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos || name.size() > 420)
                std::abort();
        }
    }
    sonvaro::audio::LooksLikePlaylist(input.substr(0, 40), input);
    sonvaro::audio::FirstPlaylistEntry(input);
    return 0;
}
