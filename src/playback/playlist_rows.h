#pragma once
#include <array>
#include <string>

#include "core/track_info.h"

namespace sonvaro {

// The eight cells of a playlist row: hidden column 0, then "Titel",
// "Interpret", "Album", "Nummer", "Länge", "Jahr", "Typ". Numbers below 1 show empty.
std::array<std::string, 8> PlaylistRowTexts(const TrackInfo& info);

}  // namespace sonvaro
