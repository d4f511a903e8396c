#include "tags/bounded_tag_stream.h"

#include <taglib/id3v2header.h>

namespace sonvaro {

BoundedTagStream::BoundedTagStream(const std::string& path, const Id3Limits& limits)
    : file_(path.c_str(), true), limits_(limits) {}

TagLib::ByteVector BoundedTagStream::readBlock(unsigned long length) {
    const long at = file_.tell();
    TagLib::ByteVector block = file_.readBlock(length);
    if (tagBody_ >= 0 && at == tagBody_) dropped_ += DropOversizedId3Frames(tagHeader_, block, limits_);
    tagBody_ = -1;
    const unsigned long headerSize = TagLib::ID3v2::Header::size();
    if (length == headerSize && block.size() == headerSize &&
        block.startsWith(TagLib::ID3v2::Header::fileIdentifier())) {
        tagBody_ = at + static_cast<long>(headerSize);
        tagHeader_ = block;
    }
    return block;
}

}  // namespace sonvaro
