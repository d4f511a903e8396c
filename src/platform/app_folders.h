#pragma once
#include <string>

namespace sonvaro {

// The per-user configuration folder ($XDG_CONFIG_HOME, default ~/.config/), always ending in "/".
std::string GetAppDataFolder();

// The user's music folder (XDG music directory, else ~/Music/), ending in "/".
std::string GetMusicFolder();

// $XDG_CACHE_HOME, else ~/.cache/, ending in "/".
std::string GetCacheFolder();

// $TMPDIR or /tmp/, ending in "/".
std::string GetTempFolder();

}  // namespace sonvaro
