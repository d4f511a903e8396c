#include "tags/size_text.h"

#include <charconv>

namespace sonvaro {

std::string SizeText(int64_t bytes, int decimals, bool withUnit) {
    constexpr int64_t kGB = 1073741824, kMB = 1048576, kKB = 1024;
    if (bytes < 0) return {};
    if (bytes <= kKB) return std::to_string(bytes) + (withUnit ? " B" : "");
    const auto [divisor, unit] = bytes > kGB   ? std::pair{kGB, " GB"}
                                 : bytes > kMB ? std::pair{kMB, " MB"}
                                               : std::pair{kKB, " KB"};
    char buf[64];
    // to_chars ignores the locale, so the separator is always ".".
    const auto res =
        std::to_chars(buf, buf + sizeof buf, static_cast<double>(bytes) / static_cast<double>(divisor),
                      std::chars_format::fixed, decimals < 0 ? 0 : decimals);
    return std::string(buf, res.ptr) + (withUnit ? unit : "");
}

}  // namespace sonvaro
