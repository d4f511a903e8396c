#include <cstdint>
#include <string_view>

#include "library/library_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto entries = sonvaro::ParseLibraryFile(text);
    if (!entries) return 0;
    // Saving cleans the texts (which can change the path order once); after
    // that, loading and saving again must change nothing.
    const auto cleaned = sonvaro::ParseLibraryFile(sonvaro::LibraryFileText(*entries));
    if (!cleaned) __builtin_trap();
    const std::string saved = sonvaro::LibraryFileText(*cleaned);
    const auto again = sonvaro::ParseLibraryFile(saved);
    if (!again || sonvaro::LibraryFileText(*again) != saved) __builtin_trap();
    return 0;
}
