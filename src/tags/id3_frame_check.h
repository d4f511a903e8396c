#pragma once
#include <taglib/tbytevector.h>

#include <cstddef>

namespace sonvaro {

// What TagLib may inflate from one ID3v2 tag's compressed frames, and how many
// frames it may build: TagLib inflates a compressed frame without any bound,
// so a small file could otherwise cost gigabytes.
struct Id3Limits {
    std::size_t frameInflated = std::size_t{1} << 20;
    std::size_t totalInflated = std::size_t{2} << 20;
    std::size_t frames = 4096;
};

// `header` holds the tag's first 10 bytes, `body` the tag after them, as TagLib
// reads it. Walks the frames the way TagLib does and removes every compressed
// frame whose zlib stream does not end inside the frame within the limits, and
// every frame past the count: later frames move up, zeros fill the end, the
// length stays. A tag unsynchronised as a whole (ID3v2.3) cannot be rewritten
// safely: it turns into padding instead. Returns how many runs of frames went
// (0: the tag is untouched).
std::size_t DropOversizedId3Frames(const TagLib::ByteVector& header, TagLib::ByteVector& body,
                                   const Id3Limits& limits = {});

// True when the zlib stream at `data` ends within `size` bytes and inflates to
// at most `limit` bytes (then counted in `produced`). Nothing is kept: the
// output only passes through a small buffer.
bool InflatesWithin(const char* data, std::size_t size, std::size_t limit, std::size_t& produced);

}  // namespace sonvaro
