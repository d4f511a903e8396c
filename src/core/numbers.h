#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace sonvaro {

// Number fields of the .dat files: spaces and tabs skipped, optional sign,
// decimal digits, or "$" hex / "%" binary digits; computed in 64 bits (wrapping)
// up to the first other character. Empty or non-numeric text gives 0.
int64_t ParseDatNumber(std::string_view text);

// Keeps the low-order bits, as the narrower fields of the data files do.
inline int8_t LowBits8(int64_t v) {
    return static_cast<int8_t>(static_cast<uint8_t>(v));
}
inline int16_t LowBits16(int64_t v) {
    return static_cast<int16_t>(static_cast<uint16_t>(v));
}
inline int32_t LowBits32(int64_t v) {
    return static_cast<int32_t>(static_cast<uint32_t>(v));
}

// Clamped into the field's range instead: for numbers read from tags, where
// a track number of 70000 must not become 4464.
inline int16_t Clamp16(int64_t v) {
    return static_cast<int16_t>(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
}
inline int32_t Clamp32(int64_t v) {
    return static_cast<int32_t>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
}

// The C library's decimal conversion (strtoll): leading white space, optional
// sign, digits, the rest ignored; saturates instead of overflowing.
int64_t ParseCInteger(std::string_view text);
// The same, saturated to 32 bits as a 32-bit long would be.
int32_t ParseCInteger32(std::string_view text);

// A decimal fraction (C strtod rules, C locale) rounded to the nearest integer,
// halves to the even neighbour, saturated to 32 bits; 0 when it is no number.
int32_t ParseCFloatRounded(std::string_view text);

// A version counted in hundredths (110) as the user reads it: "1.10". Always
// with a point, whatever the user's locale says about decimal marks.
std::string VersionText(int64_t hundredths);

}  // namespace sonvaro
