#include "session/player_data.h"

#include "library/library_file.h"
#include "playlist/playlist_file.h"
#include "settings/settings_file.h"

namespace sonvaro {

PlayerData::PlayerData(std::string folder) : dataFolder(std::move(folder)) {}

void PlayerData::LoadAll(SettingsWindowPort* window, PlaylistDisplay* display) {
    LoadSettings(settings, SettingsPath(), window);
    LoadLibraryFile(library, LibraryPath());
    LoadPlaylistFile(playlist, PlaylistPath(), settings, display);
}

void PlayerData::SaveAll(Messages& messages, StatusLog& log) {
    SaveSettings(settings, SettingsPath(), true, messages, log);
    SaveLibraryFile(library, LibraryPath(), true, messages, log);
    if (!playlistTemporary) SavePlaylistFile(playlist, PlaylistPath(), settings, true, messages, log);
}

}  // namespace sonvaro
