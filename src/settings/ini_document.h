#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace sonvaro {

// A parsed Sonvaro.ini: groups of key lines. Group and key names compare
// without ASCII case; the first group of a name and the first key of a group win.
class IniDocument {
  public:
    IniDocument() = default;
    static IniDocument Parse(std::string_view text);

    // The raw value (leading blanks skipped) of a key in a group, if present.
    std::optional<std::string_view> Find(std::string_view group, std::string_view key) const;

    // Typed readers: `fallback` when the key is missing.
    int64_t ReadInteger(std::string_view group, std::string_view key, int64_t fallback) const;  // 64-bit
    int32_t ReadLong(std::string_view group, std::string_view key, int32_t fallback) const;     // 32-bit
    int32_t ReadRoundedFloat(std::string_view group, std::string_view key, int32_t fallback) const;
    std::string ReadText(std::string_view group, std::string_view key, std::string_view fallback) const;

  private:
    struct Group {
        std::unordered_map<std::string, std::string> keys;  // folded key -> value
    };
    std::unordered_map<std::string, size_t> groupIndex_;  // folded name -> first group
    std::vector<Group> groups_;
};

}  // namespace sonvaro
