#pragma once
// ID3v2 tags written byte by byte, compressed frames included, for tests that
// feed hostile tags to the readers. Link zlib.
#include <zlib.h>

#include <cstdint>
#include <string>

namespace sonvaro::test {

// A zlib stream of `head` followed by `size` copies of `fill`, made in steps so
// that the inflated text never exists here (a compressed-frame bomb).
inline std::string DeflatedRun(const std::string& head, char fill, std::size_t size) {
    z_stream z{};
    deflateInit(&z, Z_BEST_COMPRESSION);
    const std::string block(1 << 20, fill);
    std::string out;
    char buffer[1 << 16];
    auto pump = [&](const std::string& in, std::size_t n, int flush) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
        z.avail_in = static_cast<uInt>(n);
        do {
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            deflate(&z, flush);
            out.append(buffer, sizeof buffer - z.avail_out);
        } while (z.avail_out == 0);
    };
    pump(head, head.size(), Z_NO_FLUSH);
    for (std::size_t left = size; left > 0;) {
        const std::size_t n = left < block.size() ? left : block.size();
        pump(block, n, Z_NO_FLUSH);
        left -= n;
    }
    pump(block, 0, Z_FINISH);
    deflateEnd(&z);
    return out;
}

inline std::string SizeBytes(std::uint32_t n, bool synchsafe) {
    if (synchsafe) n = (n & 0x7F) | (n & 0x3F80) << 1 | (n & 0x1FC000) << 2 | (n & 0xFE00000) << 3;
    return {static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8),
            static_cast<char>(n)};
}

// One frame of an ID3v2.3 or 2.4 tag. `inflatedSize`: the body is a zlib stream
// of that many bytes and the frame says it is compressed (2.4: with its data length).
inline std::string Id3Frame(int version, const std::string& id, const std::string& body,
                            std::uint32_t inflatedSize = 0) {
    const bool v4 = version == 4;
    std::string data = body, flags(2, '\0');
    if (inflatedSize > 0) {
        data = SizeBytes(inflatedSize, v4) + body;
        flags[1] = static_cast<char>(v4 ? 0x09 : 0x80);
    }
    return id + SizeBytes(static_cast<std::uint32_t>(data.size()), v4) + flags + data;
}

// A text frame's body in UTF-8 (2.4) or Latin-1 (2.3).
inline std::string Id3Text(int version, const std::string& text) {
    return std::string(1, version == 4 ? '\x03' : '\x00') + text;
}

// The whole tag: header, frames, padding. `flags`: the header's flag byte.
inline std::string Id3Tag(int version, const std::string& frames, std::size_t padding = 64, char flags = 0) {
    const std::string body = frames + std::string(padding, '\0');
    return std::string("ID3") + static_cast<char>(version) + '\0' + flags +
           SizeBytes(static_cast<std::uint32_t>(body.size()), true) + body;
}

}  // namespace sonvaro::test
