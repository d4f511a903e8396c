// The tag list of a WMA (ASF) file as the tag reader expects it: every
// attribute of the header in file order, repeated names kept (several
// "Author" entries are several artists), as "key=value" UTF-8 texts.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/source/byte_source.h"

namespace sonvaro::audio {

// Reads the ASF header object from the start of `bytes`; empty when there is none.
std::vector<std::pair<std::string, std::string>> ReadAsfTags(ByteSource& bytes);

}  // namespace sonvaro::audio
