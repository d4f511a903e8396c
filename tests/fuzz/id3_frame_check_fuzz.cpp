// The ID3v2 frame check on any tag: it must keep the length, never read
// outside the tag, and leave a tag that TagLib then reads within the bounds.
#include <taglib/id3v2tag.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/tfile.h>

#include <cstdint>
#include <cstdlib>

#include "tags/id3_frame_check.h"

namespace {

// Just enough of a TagLib file for ID3v2::Tag to read from.
class BareFile final : public TagLib::File {
  public:
    explicit BareFile(TagLib::IOStream* stream) : TagLib::File(stream) {}
    TagLib::Tag* tag() const override { return nullptr; }
    TagLib::AudioProperties* audioProperties() const override { return nullptr; }
    bool save() override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 10) return 0;
    const sonvaro::Id3Limits limits{4096, 8192, 64};
    const TagLib::ByteVector header(reinterpret_cast<const char*>(data), 10);
    TagLib::ByteVector body(reinterpret_cast<const char*>(data) + 10, static_cast<unsigned>(size - 10));
    const unsigned before = body.size();
    sonvaro::DropOversizedId3Frames(header, body, limits);
    if (body.size() != before) std::abort();
    // TagLib on the checked tag: its header with the body's true length.
    TagLib::ByteVector tag = header;
    tag[6] = static_cast<char>((before >> 21) & 0x7F);
    tag[7] = static_cast<char>((before >> 14) & 0x7F);
    tag[8] = static_cast<char>((before >> 7) & 0x7F);
    tag[9] = static_cast<char>(before & 0x7F);
    tag.append(body);
    TagLib::ByteVectorStream stream(tag);
    BareFile file(&stream);
    TagLib::ID3v2::Tag read(&file, 0);
    return 0;
}
