#include "session/player_data.h"

#include "library/library_file.h"
#include "playlist/playlist_file.h"
#include "session/save_report.h"
#include "settings/settings_file.h"

namespace sonvaro {

PlayerData::PlayerData(std::string folder) : dataFolder(std::move(folder)) {}

void PlayerData::SaveAll(Messages& messages, StatusLog& log, SaveReport* report) {
    std::string failure;
    const auto note = [&](const std::string& path, bool ok) {
        if (report) report->Note(path, ok, failure);
        failure.clear();
    };
    note(SettingsPath(), SaveSettings(settings, SettingsPath(), true, messages, log, &failure));
    note(LibraryPath(), SaveLibraryFile(library, LibraryPath(), true, messages, log, &failure));
    if (!playlistTemporary)
        note(PlaylistPath(),
             SavePlaylistFile(playlist, PlaylistPath(), settings, true, messages, log, &failure));
}

}  // namespace sonvaro
