#include "core/numbers.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace sonvaro {
namespace {

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

}  // namespace

int64_t ParseDatNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    uint64_t value = 0;  // unsigned: overflow wraps instead of being undefined
    if (i < text.size() && text[i] == '$') {
        for (++i; i < text.size(); ++i) {
            const char c = text[i];
            unsigned digit;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            else
                break;
            value = value * 16 + digit;
        }
    } else if (i < text.size() && text[i] == '%') {
        for (++i; i < text.size() && (text[i] == '0' || text[i] == '1'); ++i)
            value = value * 2 + (text[i] - '0');
    } else {
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) value = value * 10 + (text[i] - '0');
    }
    if (negative) value = 0 - value;
    return static_cast<int64_t>(value);
}

int64_t ParseCInteger(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    // Accumulate as a negative number so that INT64_MIN is reachable.
    int64_t value = 0;
    bool saturated = false;
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (saturated) continue;
        if (value < (kMin + digit) / 10) {
            saturated = true;
            continue;
        }
        value = value * 10 - digit;
    }
    if (saturated) return negative ? kMin : std::numeric_limits<int64_t>::max();
    if (!negative) return value == kMin ? std::numeric_limits<int64_t>::max() : -value;
    return value;
}

int32_t ParseCInteger32(std::string_view text) {
    const int64_t v = ParseCInteger(text);
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

int32_t ParseCFloatRounded(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    // Only plain decimal fractions: from_chars would also take "inf" and "nan".
    if (i >= text.size() || !((text[i] >= '0' && text[i] <= '9') || text[i] == '.')) return 0;
    double value = 0;
    const auto res =
        std::from_chars(text.data() + i, text.data() + text.size(), value, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        // Overflow or underflow: strtod tells which (HUGE_VAL or a tiny value).
        value = std::strtod(std::string(text.substr(i, res.ptr - (text.data() + i))).c_str(), nullptr);
    } else if (res.ec != std::errc()) {
        return 0;
    }
    if (negative) value = -value;
    const double rounded = std::nearbyint(value);  // default rounding: halves to even
    if (!(rounded <= std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    if (!(rounded >= std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(rounded);
}

std::string VersionText(int64_t hundredths) {
    // Integer arithmetic: no locale, no rounding of a binary fraction.
    const bool negative = hundredths < 0;
    const uint64_t magnitude =
        negative ? uint64_t{0} - static_cast<uint64_t>(hundredths) : static_cast<uint64_t>(hundredths);
    const uint64_t cents = magnitude % 100;
    std::string text = negative ? "-" : "";
    text += std::to_string(magnitude / 100);
    text += '.';
    text += static_cast<char>('0' + cents / 10);
    text += static_cast<char>('0' + cents % 10);
    return text;
}

}  // namespace sonvaro
