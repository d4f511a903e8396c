#include "effects/equalizer_presets.h"

namespace sonvaro {

const std::array<float, kEqualizerBandCount> kEqualizerBandCentres = {31,   63,   125,  250,  500,
                                                                      1000, 2000, 4000, 8000, 16000};

const std::array<std::string_view, kEqualizerBandCount> kEqualizerBandCaptions = {
    "31", "63", "125", "250", "500", "1K", "2K", "4K", "8K", "16K"};

// Table order is the order of the preset list and the stored preset index.
const std::array<EqualizerPreset, kEqualizerPresetCount> kEqualizerPresets = {{
    {"Standard", {120, 120, 120, 120, 120, 120, 120, 120, 120, 120}},
    {"Classic", {120, 120, 120, 120, 120, 120, 72, 72, 72, 57}},
    {"Club", {120, 120, 145, 156, 156, 156, 145, 120, 120, 120}},
    {"Dance", {179, 164, 137, 120, 120, 84, 72, 72, 120, 120}},
    {"Flat", {120, 120, 120, 120, 120, 120, 120, 120, 120, 120}},
    {"FullBass", {179, 179, 179, 156, 120, 91, 65, 53, 50, 50}},
    {"Bass&Treble", {168, 156, 120, 72, 88, 120, 171, 187, 194, 194}},
    {"Fulltreble", {57, 57, 57, 91, 137, 187, 217, 217, 217, 217}},
    {"Laptop", {149, 187, 152, 103, 103, 130, 159, 179, 198, 210}},
    {"LargeHall", {187, 187, 156, 156, 120, 88, 88, 88, 120, 120}},
    {"Live", {88, 120, 145, 152, 156, 156, 145, 137, 137, 133}},
    {"Party", {164, 164, 120, 120, 120, 120, 120, 120, 164, 164}},
    {"Pop", {107, 149, 164, 168, 152, 110, 103, 103, 107, 107}},
    {"Reggae", {120, 120, 114, 84, 120, 164, 164, 120, 120, 120}},
    {"Rock", {168, 149, 84, 69, 95, 145, 175, 187, 187, 187}},
    {"Ska", {193, 88, 91, 114, 145, 156, 175, 179, 187, 179}},
    {"Soft", {149, 130, 110, 103, 110, 145, 171, 179, 187, 194}},
    {"Softrock", {145, 145, 133, 114, 91, 84, 95, 114, 137, 175}},
    {"Techno", {168, 156, 120, 84, 88, 120, 168, 179, 179, 175}},
}};

}  // namespace sonvaro
