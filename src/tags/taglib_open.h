#pragma once
#include <taglib/tag_c.h>

#include <cstdint>
#include <memory>
#include <string>

namespace TagLib {
class File;
class IOStream;
}  // namespace TagLib

namespace sonvaro {

// Opens a file with TagLib as the format the engine found by content; other
// formats by extension, as TagLib's C binding does. Null when it cannot.
TagLib_File* OpenWithTagLib(const std::string& path, uint32_t channelType);

// TagLib's reader on `stream` for a format the engine told by content; null
// for formats whose tags or properties come from the engine.
std::unique_ptr<TagLib::File> TagLibFileFor(uint32_t channelType, TagLib::IOStream& stream);

}  // namespace sonvaro
