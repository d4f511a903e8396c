#pragma once
#include <string>

#include "library/library.h"
#include "playlist/playlist.h"
#include "settings/settings.h"

namespace sonvaro {

class Messages;
class SaveReport;
class StatusLog;

// The three data files of the data folder and what they hold in memory.
struct PlayerData {
    explicit PlayerData(std::string dataFolder);

    std::string dataFolder;  // ends in "/"
    Settings settings;
    Library library;
    Playlist playlist;
    // Set while the playlist holds what the command line named rather than the
    // saved list: PlayList.dat is then left as it is.
    bool playlistTemporary = false;

    std::string SettingsPath() const { return dataFolder + "Sonvaro.ini"; }
    std::string LibraryPath() const { return dataFolder + "MediaLibary.dat"; }
    std::string PlaylistPath() const { return dataFolder + "PlayList.dat"; }

    // Shut-down order, each reporting errors: settings, library, playlist.
    void SaveAll(Messages& messages, StatusLog& log, SaveReport* report = nullptr);
};

}  // namespace sonvaro
