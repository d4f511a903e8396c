#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/track_info.h"

namespace sonvaro {

// The title popup's text: "%ARTI" "%TITL" "%ALBM" "%GNRE" "%YEAR" "%CMNT"
// "%TRCK" replaced, in that order and in any letter case, by the track's tags,
// or by sample words when `track` is null (the preview with nothing playing).
// A tag holding a later placeholder is replaced again; the result stops
// growing at kTrackerTextLimit bytes so that such chains cannot explode.
inline constexpr size_t kTrackerTextLimit = 65536;
std::string FillTrackerPattern(std::string_view pattern, const TrackInfo* track);

// The popup's lines: the fields between the "|" separators (an empty last one counts).
std::vector<std::string> TrackerLines(std::string_view text);

struct TrackerSizing {
    int32_t spacing = 20;
    int32_t minWidth = 200;
    int32_t minHeight = 50;
};

// The popup's size and where its label sits inside it.
struct TrackerLayout {
    int32_t width = 0, height = 0;
    int32_t labelX = 0, labelY = 0, labelWidth = 0, labelHeight = 0;
};

// `lineWidths`: the drawn width of each line; `lineHeight`: one line's height.
TrackerLayout LayoutTracker(const std::vector<int32_t>& lineWidths, int32_t lineHeight,
                            const TrackerSizing& sizing);

struct ScreenRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
};
struct ScreenPoint {
    int32_t x = 0, y = 0;
};

// Corner 1 top left, 2 top right, 3 bottom right, 4 bottom left, `gap` pixels
// inside the work area. Nothing for a corner outside 1..4 or a gap outside 0..1000.
std::optional<ScreenPoint> CornerPosition(int32_t corner, int32_t gap, const ScreenRect& workArea,
                                          int32_t width, int32_t height);

// The popup's display time, counted from its showing on a 32-bit millisecond tick.
class TrackerTimer {
  public:
    void Shown(uint32_t now) {
        shownAt_ = now;
        shown_ = true;
    }
    void Closed() { shown_ = false; }
    bool IsShown() const { return shown_; }
    // True once `displayMs` have passed since the showing (at once for 0 or less).
    bool Due(uint32_t now, int32_t displayMs) const;

  private:
    uint32_t shownAt_ = 0;
    bool shown_ = false;
};

}  // namespace sonvaro
