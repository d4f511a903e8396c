#pragma once
#include <cstdint>
#include <string>

namespace sonvaro {

// The name of an engine channel type: the long name when `longName` is set,
// else the short one of the "Typ" column. Codes match exactly: a code with
// extra flag bits has no name. Unknown codes give "".
std::string FormatName(int32_t channelType, bool longName);

}  // namespace sonvaro
