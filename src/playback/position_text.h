// The time text of the fifth info line, the position slider value and the
// tray tool tip built from them.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace sonvaro {

// Fills %ptime, %ltime, %ftime, %ppercent and %lpercent (any letter case) of
// the user's pattern. Without a pattern or a known length: the position alone.
std::string PositionText(std::string_view pattern, int32_t positionSeconds, int32_t lengthSeconds);

// position * 1000 / length in 64 bits, within the slider's 0..1000; 0 without a length.
int32_t PositionSliderValue(int32_t position, int32_t length);

// "title [time]"; a title of more than 50 characters keeps its first 47 and "...".
// Characters are UTF-8 code points; a character is never cut in half.
std::string TrayToolTip(std::string_view title, std::string_view timeText);

}  // namespace sonvaro
