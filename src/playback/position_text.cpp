#include "playback/position_text.h"

#include <algorithm>
#include <array>

#include "core/duration.h"
#include "core/text.h"

namespace sonvaro {

namespace {

enum class Field { Position, Left, Full, PositionPercent, LeftPercent };

struct Placeholder {
    std::string_view name;
    Field field;
};

constexpr std::array<Placeholder, 5> kPlaceholders = {{
    {"%ptime", Field::Position},
    {"%ltime", Field::Left},
    {"%ftime", Field::Full},
    {"%ppercent", Field::PositionPercent},
    {"%lpercent", Field::LeftPercent},
}};

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::string PositionText(std::string_view pattern, int32_t positionSeconds, int32_t lengthSeconds) {
    if (pattern.empty() || lengthSeconds <= 0) return FormatDuration(positionSeconds);

    const int64_t percent = int64_t{positionSeconds} * 100 / lengthSeconds;
    auto value = [&](Field field) -> std::string {
        switch (field) {
            case Field::Position:
                return FormatDuration(positionSeconds);
            case Field::Left:
                return FormatDuration(int64_t{lengthSeconds} - positionSeconds);
            case Field::Full:
                return FormatDuration(lengthSeconds);
            case Field::PositionPercent:
                return DecimalText(percent) + "%";
            case Field::LeftPercent:
                return DecimalText(100 - percent) + "%";
        }
        return {};
    };

    // One pass over the pattern: the "%" a percentage leaves behind never
    // starts another placeholder ("%ppercentlpercent" stays "33%lpercent").
    std::string text;
    size_t at = 0;
    while (at < pattern.size()) {
        const Placeholder* found = nullptr;
        if (pattern[at] == '%') {
            for (const auto& p : kPlaceholders) {
                if (EqualsAsciiNoCase(pattern.substr(at, p.name.size()), p.name)) {
                    found = &p;
                    break;
                }
            }
        }
        if (found) {
            text += value(found->field);
            at += found->name.size();
        } else {
            text += pattern[at++];
        }
    }
    return text;
}

int32_t PositionSliderValue(int32_t position, int32_t length) {
    if (length <= 0) return 0;
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t{position} * 1000 / length, 0, 1000));
}

std::string TrayToolTip(std::string_view title, std::string_view timeText) {
    constexpr size_t kLongest = 50, kKept = 47;
    size_t characters = 0, cut = title.size();
    for (size_t i = 0; i < title.size(); ++i) {
        if (IsContinuationByte(title[i])) continue;
        if (characters == kKept) cut = i;
        ++characters;
    }
    std::string tip;
    if (characters > kLongest)
        tip.append(title.substr(0, cut)).append("...");
    else
        tip.append(title);
    tip.append(" [").append(timeText).append("]");
    return tip;
}

}  // namespace sonvaro
