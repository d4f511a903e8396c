#pragma once
#include <taglib/tag_c.h>

#include <cstdint>
#include <string>

namespace sonvaro {

// Opens a file with TagLib as the format the engine found by content; other
// formats by extension, as TagLib's C binding does. Null when it cannot.
TagLib_File* OpenWithTagLib(const std::string& path, uint32_t channelType);

}  // namespace sonvaro
