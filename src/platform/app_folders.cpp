#include "platform/app_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace sonvaro {
namespace {

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/";
}

// Reads XDG_MUSIC_DIR from user-dirs.dirs ("$HOME/Musik" style values).
std::string XdgMusicDir() {
    std::ifstream in(GetAppDataFolder() + "user-dirs.dirs");
    std::string line;
    while (std::getline(in, line)) {
        const std::string key = "XDG_MUSIC_DIR=";
        if (line.rfind(key, 0) != 0) continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0) value = HomeFolder() + value.substr(5);
        return value;
    }
    return {};
}

}  // namespace

std::string GetAppDataFolder() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg && xdg[0] == '/') return WithSlash(xdg);
    return WithSlash(HomeFolder()) + ".config/";
}

std::string GetCacheFolder() {
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg == '/') return WithSlash(xdg);
    return WithSlash(HomeFolder()) + ".cache/";
}

std::string GetMusicFolder() {
    std::string music = XdgMusicDir();
    if (music.empty()) music = WithSlash(HomeFolder()) + "Music";
    return WithSlash(music);
}

std::string GetTempFolder() {
    if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp) return WithSlash(tmp);
    return "/tmp/";
}

}  // namespace sonvaro
