// What the other floors use of the engine's decoder table: the libraries
// behind it, for the settings' list. The table itself is source/decoders.h.
#pragma once
#include <cstdint>
#include <vector>

namespace sonvaro::audio {

struct DecoderListing {
    const char* name;     // the library
    const char* formats;  // what it plays, for people
    std::uint32_t version;
};

// In the order the settings list them.
std::vector<DecoderListing> DecoderListings();

}  // namespace sonvaro::audio
