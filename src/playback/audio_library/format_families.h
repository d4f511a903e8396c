#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace sonvaro::audio {

// One decoder library built into the engine, as the settings dialog lists it.
struct FormatFamily {
    std::string name;
    uint32_t version = 0;  // major * 100 + minor, of the library actually linked
    std::string description;
};

// The libraries that decode the engine's formats, in a fixed order.
std::vector<FormatFamily> BuiltInFormatFamilies();

}  // namespace sonvaro::audio
