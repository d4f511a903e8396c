#include "companions/tracker_placement.h"

#include <algorithm>

namespace sonvaro {
namespace {

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Whether `text` at `at` holds the five-byte placeholder `name` (upper case).
bool PlaceholderAt(const std::string& text, size_t at, std::string_view name) {
    if (text.size() - at < name.size()) return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (AsciiUpper(text[at + i]) != name[i]) return false;
    return true;
}

// Every occurrence, left to right; the inserted value is not searched again
// for the same placeholder, only by the later ones.
void ReplaceAll(std::string& text, std::string_view name, const std::string& value) {
    std::string out;
    size_t i = 0;
    bool any = false;
    while (i < text.size()) {
        if (text[i] == '%' && PlaceholderAt(text, i, name) &&
            out.size() + value.size() + (text.size() - i - name.size()) <= kTrackerTextLimit) {
            out += value;
            i += name.size();
            any = true;
        } else {
            out += text[i++];
        }
    }
    if (any) text = std::move(out);
}

}  // namespace

std::string FillTrackerPattern(std::string_view pattern, const TrackInfo* track) {
    std::string text(pattern.substr(0, std::min(pattern.size(), kTrackerTextLimit)));
    struct Field {
        std::string_view name;
        std::string value;
    };
    const Field fields[] = {
        {"%ARTI", track ? track->artist : "Beispielartist"},
        {"%TITL", track ? track->title : "Beispieltitel"},
        {"%ALBM", track ? track->album : "Beispielalbum"},
        {"%GNRE", track ? track->genre : "Beispielgenre"},
        {"%YEAR", track ? std::to_string(track->year) : "Jahr"},
        {"%CMNT", track ? track->comment : "Das ist ein Kommentar"},
        {"%TRCK", track ? std::to_string(track->trackNumber) : "Track"},
    };
    for (const Field& f : fields) ReplaceAll(text, f.name, f.value);
    return text;
}

std::vector<std::string> TrackerLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        const size_t bar = text.find('|', start);
        lines.emplace_back(
            text.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start));
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    return lines;
}

TrackerLayout LayoutTracker(const std::vector<int32_t>& lineWidths, int32_t lineHeight,
                            const TrackerSizing& sizing) {
    TrackerLayout l;
    int32_t widest = 0;
    for (int32_t w : lineWidths) widest = std::max(widest, w);
    const auto lines = static_cast<int64_t>(std::max<size_t>(lineWidths.size(), 1));
    // Clamped so that 10,000 lines or a huge spacing cannot overflow.
    constexpr int64_t kMax = 1 << 20;
    const int64_t textHeight = std::min<int64_t>(int64_t{lineHeight} * lines, kMax);
    l.labelWidth = widest;
    l.labelHeight = static_cast<int32_t>(textHeight);
    l.width = static_cast<int32_t>(
        std::max<int64_t>(std::min<int64_t>(int64_t{widest} + sizing.spacing, kMax), sizing.minWidth));
    l.height = static_cast<int32_t>(
        std::max<int64_t>(std::min<int64_t>(textHeight + sizing.spacing, kMax), sizing.minHeight));
    l.width = std::max(l.width, 0);
    l.height = std::max(l.height, 0);
    // Each half truncated on its own, as the label is centred in the popup.
    l.labelX = l.width / 2 - widest / 2;
    l.labelY = l.height / 2 - l.labelHeight / 2;
    return l;
}

std::optional<ScreenPoint> CornerPosition(int32_t corner, int32_t gap, const ScreenRect& workArea,
                                          int32_t width, int32_t height) {
    if (corner < 1 || corner > 4 || gap < 0 || gap > 1000) return std::nullopt;
    const int32_t left = workArea.left + gap;
    const int32_t top = workArea.top + gap;
    const int32_t right = workArea.right - width - gap;
    const int32_t bottom = workArea.bottom - height - gap;
    switch (corner) {
        case 1:
            return ScreenPoint{left, top};
        case 2:
            return ScreenPoint{right, top};
        case 3:
            return ScreenPoint{right, bottom};
        default:
            return ScreenPoint{left, bottom};
    }
}

bool TrackerTimer::Due(uint32_t now, int32_t displayMs) const {
    if (!shown_) return false;
    const uint32_t elapsed = now - shownAt_;  // unsigned: right across the wrap
    return static_cast<int64_t>(elapsed) >= static_cast<int64_t>(displayMs);
}

}  // namespace sonvaro
