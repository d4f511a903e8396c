#include "core/duration.h"

#include <cstdio>

namespace sonvaro {
namespace {

void AppendTwoDigits(std::string& out, int64_t value) {
    char buf[24];
    // Pads to two characters; a negative remainder keeps its sign as C would print it.
    std::snprintf(buf, sizeof buf, "%02lld", static_cast<long long>(value));
    out += buf;
}

}  // namespace

std::string FormatDuration(int64_t seconds) {
    const int64_t s = seconds % 60;
    int64_t m = seconds / 60;
    int64_t h = m / 60;
    m %= 60;
    const int64_t d = h / 24;
    h %= 24;
    std::string out;
    if (d > 0) {
        out += std::to_string(d);
        out += " Tage ";
    }
    AppendTwoDigits(out, h);
    out += ':';
    AppendTwoDigits(out, m);
    out += ':';
    AppendTwoDigits(out, s);
    return out;
}

}  // namespace sonvaro
