#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace sonvaro {

// Local wall-clock time counted as if it were UTC: what the data files store.
int64_t LocalSecondsNow();

// Milliseconds of a steady clock, wrapping at 2^32: every elapsed-time check
// subtracts unsigned, so it stays right across the wrap.
uint32_t TickCount();

// Replaces %yyyy %yy %mm %dd %hh %ii %ss (any letter case) by the parts of a
// local-seconds time, each two digits (four for %yyyy); other text is copied.
std::string FormatDatePattern(std::string_view pattern, int64_t localSeconds);

// "HH:MM:SS" of a local-seconds time.
std::string TimeOfDayText(int64_t localSeconds);

}  // namespace sonvaro
