#include <cstdint>
#include <string_view>

#include "playlist/playlist_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto playlist = sonvaro::ParsePlaylistFile(text)) (void)sonvaro::PlaylistFileText(*playlist);
    return 0;
}
