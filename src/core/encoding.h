#pragma once
#include <string>
#include <string_view>

namespace sonvaro {

bool IsValidUtf8(std::string_view text);

// The longest start of `text` of at most `maxBytes` bytes that does not end
// inside a UTF-8 sequence (bytes that are no UTF-8 are cut where they fall).
std::string_view Utf8Prefix(std::string_view text, size_t maxBytes);

// Windows-1252 bytes to UTF-8 (the five unassigned bytes map to U+0081.. as their code points).
std::string Windows1252ToUtf8(std::string_view text);

// A line read from a data file: kept when it is valid UTF-8, otherwise taken as
// Windows-1252, so files written by Windows tools load unchanged. The result views
// either `raw` or `scratch`.
std::string_view DecodeLine(std::string_view raw, std::string& scratch);

}  // namespace sonvaro
