// Opening an internet stream: the request, following playlists, probing
// the format, and the decoder on top.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/bass.h"
#include "engine/net/url_source.h"

namespace sonvaro::audio {

// The first stream address of a PLS or M3U playlist text; empty when none.
std::string FirstPlaylistEntry(const std::string& body);
// Whether a response is a playlist, by its content type or its first bytes.
bool LooksLikePlaylist(const std::string& contentType, const std::string& head);

// Aborts every stream that is still being opened (BASS_Free: no thread may
// stay behind waiting for a server).
void CancelOpeningUrlStreams();

// What the engine's configuration says about opening a stream.
struct UrlOptions {
    std::string proxy, agent = "Sonvaro";
    unsigned timeoutMs = 5000;
    unsigned bufferMs = 5000;      // download buffer, in seconds of the stream's bit rate
    bool followPlaylists = false;  // a PLS or M3U answer leads to its first address
};

// Opens `url`. On failure returns nullptr and sets `error` to a BASS error code.
std::unique_ptr<UrlSource> OpenUrlSource(const std::string& url, std::uint64_t offset, DWORD flags,
                                         DOWNLOADPROC* proc, void* user, const UrlOptions& options,
                                         std::shared_ptr<UrlStream>& stream, int& error);

}  // namespace sonvaro::audio
