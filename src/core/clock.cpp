#include "core/clock.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "core/text.h"

namespace sonvaro {
namespace {

std::tm BreakDown(int64_t localSeconds) {
    const auto t = static_cast<time_t>(localSeconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    return tm;
}

void AppendPadded(std::string& out, long value, int width) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%0*ld", width, value);
    out += buf;
}

}  // namespace

int64_t LocalSecondsNow() {
    const time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return static_cast<int64_t>(timegm(&local));
}

uint32_t TickCount() {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::string FormatDatePattern(std::string_view pattern, int64_t localSeconds) {
    const std::tm tm = BreakDown(localSeconds);
    std::string out;
    out.reserve(pattern.size() + 8);
    for (size_t i = 0; i < pattern.size();) {
        const std::string_view rest = pattern.substr(i);
        if (rest[0] == '%') {
            if (StartsWithNoCase(rest, "%yyyy")) {
                AppendPadded(out, tm.tm_year + 1900L, 4);
                i += 5;
                continue;
            }
            struct Token {
                const char* text;
                long value;
            };
            const Token tokens[] = {{"%yy", (tm.tm_year + 1900L) % 100},
                                    {"%mm", tm.tm_mon + 1L},
                                    {"%dd", tm.tm_mday},
                                    {"%hh", tm.tm_hour},
                                    {"%ii", tm.tm_min},
                                    {"%ss", tm.tm_sec}};
            bool matched = false;
            for (const Token& token : tokens) {
                if (StartsWithNoCase(rest, token.text)) {
                    AppendPadded(out, token.value, 2);
                    i += 3;
                    matched = true;
                    break;
                }
            }
            if (matched) continue;
        }
        out += pattern[i++];
    }
    return out;
}

std::string TimeOfDayText(int64_t localSeconds) {
    return FormatDatePattern("%hh:%ii:%ss", localSeconds);
}

}  // namespace sonvaro
