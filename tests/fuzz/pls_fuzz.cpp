#include <cstdint>

#include "fuzz_file.h"
#include "playlist/playlist_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    size_t added = 0;
    sonvaro::ReadPLS(FuzzFile(data, size, ".pls"), [&added](const std::string&) { ++added; });
    return 0;
}
