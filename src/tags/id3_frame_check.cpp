#include "tags/id3_frame_check.h"

#include <taglib/id3v2extendedheader.h>
#include <taglib/id3v2footer.h>
#include <taglib/id3v2frame.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2synchdata.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace sonvaro {

bool InflatesWithin(const char* data, std::size_t size, std::size_t limit, std::size_t& produced) {
    produced = 0;
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    z.avail_in = static_cast<uInt>(std::min<std::size_t>(size, UINT_MAX));
    unsigned char out[16384];
    int result = Z_OK;
    while (result == Z_OK && produced <= limit) {
        z.next_out = out;
        z.avail_out = sizeof out;
        result = inflate(&z, Z_NO_FLUSH);
        produced += sizeof out - z.avail_out;
    }
    inflateEnd(&z);
    // Z_BUF_ERROR: the input ended before the stream did.
    return result == Z_STREAM_END && produced <= limit;
}

namespace {

bool IsFrameIdByte(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// TagLib keeps the frame header's type protected; a subclass may name it.
struct FrameAccess : TagLib::ID3v2::Frame {
    using Header = TagLib::ID3v2::Frame::Header;
};
using FrameHeader = FrameAccess::Header;

struct Span {
    unsigned from, to;
};

}  // namespace

std::size_t DropOversizedId3Frames(const TagLib::ByteVector& headerBytes, TagLib::ByteVector& body,
                                   const Id3Limits& limits) {
    using namespace TagLib::ID3v2;
    const Header header(headerBytes);
    const unsigned version = header.majorVersion();
    // The walk below follows TagLib's own (Tag::parse and FrameFactory::createFrame),
    // with TagLib's header classes, so that both see the same frames.
    const bool unsynchronisedTag = header.unsynchronisation() && version <= 3;
    const TagLib::ByteVector data = unsynchronisedTag ? SynchData::decode(body) : body;
    unsigned position = 0;
    unsigned length = data.size();
    if (header.extendedHeader()) {
        ExtendedHeader extended;
        extended.setData(data);
        if (extended.size() <= data.size()) position += extended.size();
    }
    if (header.footerPresent() && Footer::size() <= length) length -= Footer::size();
    const unsigned headerSize = Frame::headerSize(version);

    std::vector<Span> drops;
    auto drop = [&drops](unsigned from, unsigned to) {
        if (!drops.empty() && drops.back().to == from)
            drops.back().to = to;
        else
            drops.push_back({from, to});
    };
    std::size_t seen = 0, inflated = 0;
    while (position < length - headerSize && position < data.size()) {
        if (data[position] == 0) break;  // padding
        if (seen++ >= limits.frames) {
            drop(position, data.size());
            break;
        }
        const TagLib::ByteVector rest = data.mid(position);
        const FrameHeader frame(rest, version);
        TagLib::ByteVector id = frame.frameID();
        if (id.size() != (version < 3 ? 3u : 4u) ||
            frame.frameSize() <= (frame.dataLengthIndicator() ? 4u : 0u) || frame.frameSize() > rest.size())
            break;
        // iTunes writes ID3v2.2 frames into ID3v2.3 tags; TagLib reads them with other offsets.
        const bool itunes = version == 3 && id[3] == '\0';
        if (itunes) id = id.mid(0, 3);
        if (!std::all_of(id.begin(), id.end(), IsFrameIdByte)) break;
        const unsigned end = std::min<unsigned long long>(
            static_cast<unsigned long long>(position) + headerSize + frame.frameSize(), data.size());

        bool over = false;
        if (frame.compression() && !frame.encryption()) {
            TagLib::ByteVector stored = data.mid(position + headerSize, frame.frameSize());
            if (version > 3 && (header.unsynchronisation() || frame.unsynchronisation()))
                stored = SynchData::decode(stored);
            // The first four bytes give the inflated size; it is not trusted.
            std::size_t produced = 0;
            const std::size_t budget = std::min(limits.frameInflated, limits.totalInflated - inflated);
            over = itunes || stored.size() <= 4 ||
                   !InflatesWithin(stored.data() + 4, stored.size() - 4, budget, produced);
            if (!over) inflated += produced;
        }
        if (over) drop(position, end);
        position = end;
    }
    if (drops.empty()) return 0;

    char* bytes = body.data();
    if (unsynchronisedTag) {
        std::memset(bytes, 0, body.size());
        return 1;
    }
    std::size_t write = drops.front().from, read = drops.front().from;
    for (const Span& drop : drops) {
        std::memmove(bytes + write, bytes + read, drop.from - read);
        write += drop.from - read;
        read = drop.to;
    }
    std::memmove(bytes + write, bytes + read, body.size() - read);
    write += body.size() - read;
    std::memset(bytes + write, 0, body.size() - write);
    return drops.size();
}

}  // namespace sonvaro
