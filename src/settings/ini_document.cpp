#include "settings/ini_document.h"

#include "core/encoding.h"
#include "core/line_reader.h"
#include "core/numbers.h"
#include "core/text.h"

namespace sonvaro {

IniDocument IniDocument::Parse(std::string_view text) {
    IniDocument doc;
    if (text.size() > 2 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    LineReader reader(text);
    std::string_view raw;
    std::string scratch;
    Group* current = nullptr;  // null: before any group, or inside a repeated group name
    while (reader.Next(raw)) {
        std::string_view line = DecodeLine(raw, scratch);
        const auto start = line.find_first_not_of(" \t");
        if (start == std::string_view::npos) continue;
        line.remove_prefix(start);
        if (line[0] == ';') continue;
        if (line[0] == '[') {
            std::string_view name = line.substr(1);
            name = name.substr(0, name.find(']'));
            auto [it, inserted] = doc.groupIndex_.try_emplace(FoldAscii(name), doc.groups_.size());
            if (inserted) {
                doc.groups_.emplace_back();
                current = &doc.groups_.back();
            } else {
                current = nullptr;  // a second group of the same name is never looked at
            }
            continue;
        }
        if (!current) continue;
        const auto eq = line.find('=');
        std::string_view key = line.substr(0, eq);
        const auto keyEnd = key.find_last_not_of(" \t");
        key = keyEnd == std::string_view::npos ? std::string_view{} : key.substr(0, keyEnd + 1);
        std::string_view value;
        if (eq != std::string_view::npos) {
            value = line.substr(eq + 1);
            const auto valueStart = value.find_first_not_of(" \t");
            value = valueStart == std::string_view::npos ? std::string_view{} : value.substr(valueStart);
        }
        current->keys.try_emplace(FoldAscii(key), std::string(value));
    }
    return doc;
}

std::optional<std::string_view> IniDocument::Find(std::string_view group, std::string_view key) const {
    const auto g = groupIndex_.find(FoldAscii(group));
    if (g == groupIndex_.end()) return std::nullopt;
    const auto& keys = groups_[g->second].keys;
    const auto k = keys.find(FoldAscii(key));
    if (k == keys.end()) return std::nullopt;
    return std::string_view(k->second);
}

int64_t IniDocument::ReadInteger(std::string_view group, std::string_view key, int64_t fallback) const {
    const auto value = Find(group, key);
    return value ? ParseCInteger(*value) : fallback;
}

int32_t IniDocument::ReadLong(std::string_view group, std::string_view key, int32_t fallback) const {
    const auto value = Find(group, key);
    return value ? ParseCInteger32(*value) : fallback;
}

int32_t IniDocument::ReadRoundedFloat(std::string_view group, std::string_view key, int32_t fallback) const {
    const auto value = Find(group, key);
    return value ? ParseCFloatRounded(*value) : fallback;
}

std::string IniDocument::ReadText(std::string_view group, std::string_view key,
                                  std::string_view fallback) const {
    const auto value = Find(group, key);
    if (!value) return std::string(fallback);
    std::string_view v = *value;
    const auto end = v.find_last_not_of(" \t");
    return std::string(end == std::string_view::npos ? std::string_view{} : v.substr(0, end + 1));
}

}  // namespace sonvaro
