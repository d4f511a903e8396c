#pragma once
#include <cstdint>
#include <string>

namespace sonvaro {

// "HH:MM:SS", preceded by the day count and " Tage " when there are whole days.
// Negative values keep C's truncating division, as the stored counters expect.
std::string FormatDuration(int64_t seconds);

}  // namespace sonvaro
