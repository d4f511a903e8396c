// What a radio server controls: the ICY byte stream with its metadata blocks,
// the Ogg pages whose comments become titles, playlist bodies, and the stream
// title that becomes a recording's file name. The demuxer and the Ogg title
// watcher must account for every byte, in order; a field's value never runs
// past its "';"; a file name never leaves its folder.
// Seeds: tests/fuzz/seeds/icy_stream_fuzz (first byte 0: no ICY interval).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/net/icy_demuxer.h"
#include "engine/net/ogg_titles.h"
#include "engine/net/url_opening.h"
#include "playback/radio_recorder.h"
#include "playback/stream_title.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t interval = static_cast<unsigned char>(input[0]) * 4u;
    const std::size_t piece = 1 + static_cast<unsigned char>(input[1]);

    sonvaro::audio::IcyDemuxer demux(interval);
    std::string audio;
    std::vector<sonvaro::audio::IcyDemuxer::Meta> metas;
    for (std::size_t at = 2; at < size; at += piece)
        demux.Feed(input.data() + at, std::min(piece, size - at), audio, metas);
    if (audio.size() > size) std::abort();

    // The ICY texts go through the Ogg watcher at their places, as in a download.
    sonvaro::audio::OggTitles ogg;
    std::string released;
    std::vector<sonvaro::audio::IcyDemuxer::Meta> titles;
    std::size_t from = 0;
    auto feedUpTo = [&](std::size_t to) {
        for (; from < to; from += std::min(piece, to - from))
            ogg.Feed(audio.data() + from, std::min(piece, to - from), released, titles);
    };
    for (auto& meta : metas) {
        if (meta.at > audio.size() || meta.at < from || meta.text.size() > 255 * 16) std::abort();
        feedUpTo(meta.at);
        ogg.Mark(meta.text, released, titles);
    }
    feedUpTo(audio.size());
    ogg.Flush(released, titles);
    if (released != audio || titles.size() < metas.size()) std::abort();
    std::size_t last = 0;
    for (const auto& meta : titles) {
        if (meta.at > released.size() || meta.at < last) std::abort();
        last = meta.at;
        if (sonvaro::audio::IcyField(meta.text, "StreamTitle").find("';") != std::string::npos) std::abort();
        const sonvaro::StreamTitle title = sonvaro::ParseStreamTitle(meta.text);
        for (int8_t mode : {0, 1}) {
            const std::string name =
                sonvaro::RecordingFileName({title.artist, title.title, meta.text}, mode, 1704672000);
            if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos ||
                name.size() > 420)
                std::abort();
        }
    }
    sonvaro::audio::LooksLikePlaylist(input.substr(0, 40), input);
    sonvaro::audio::FirstPlaylistEntry(input);
    return 0;
}
