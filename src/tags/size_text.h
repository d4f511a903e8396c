#pragma once
#include <cstdint>
#include <string>

namespace sonvaro {

// A file size as text: GB, MB or KB (1024-based) with `decimals` places and "."
// as separator whatever the locale, or whole bytes; empty for a negative size.
std::string SizeText(int64_t bytes, int decimals, bool withUnit);

}  // namespace sonvaro
