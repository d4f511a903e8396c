#include <cstdint>

#include "fuzz_file.h"
#include "playlist/playlist_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    size_t added = 0;
    sonvaro::ReadM3U(FuzzFile(data, size, ".m3u"), [&added](const std::string&) { ++added; });
    return 0;
}
