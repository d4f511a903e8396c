#pragma once
#include <array>
#include <string_view>

namespace sonvaro {

constexpr int kGenreCount = 148;

// The genre choices, index 0..147: the ID3v1 list with the Winamp extensions.
const std::array<std::string_view, kGenreCount>& GenreNames();

}  // namespace sonvaro
