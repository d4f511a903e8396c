#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "library/library.h"

namespace sonvaro {

// The inputs of the generator window.
struct GeneratorRequest {
    bool useTerms = false;
    std::string terms;  // "|"-separated
    bool useGenres = false;
    std::vector<std::string> genres;
    bool byCount = false;  // else by time
    int32_t count = 25;    // -1: every match
    int64_t durationSeconds = 1800;
    bool playedOnly = false;
    bool addToPlaylist = false;  // keep the playlist's entries
};

// The warning for a wrong count or duration; nullopt when the inputs are usable.
std::optional<std::string> GeneratorInputError(const GeneratorRequest& request);

// Folded, split at every "|"; the terms themselves are not trimmed.
std::vector<std::string> GeneratorTerms(std::string_view text);

struct GeneratorPick {
    std::string path;
    int32_t length = 0;
};

// The matching entries in shuffled order, or nullopt when there are too few
// for the count or too little playing time for the duration. When both terms
// and genres are on, an entry must pass both. `progress` hears the percentage
// of entries looked at each time it grows; it is called with the library
// locked and must not touch the library.
std::optional<std::vector<GeneratorPick>> FindGeneratorPicks(
    Library& library, const GeneratorRequest& request, std::mt19937& random,
    const std::function<void(int percent)>& progress = {});

// Hands picks to `add` until the playlist holds `count` entries (count mode;
// `playlistSize` is asked each time, since an unreadable file is not added) or
// the lengths handed over have passed the duration. Returns the number handed over.
size_t AddGeneratorPicks(const std::vector<GeneratorPick>& picks, const GeneratorRequest& request,
                         const std::function<size_t()>& playlistSize,
                         const std::function<void(const std::string& path)>& add);

}  // namespace sonvaro
