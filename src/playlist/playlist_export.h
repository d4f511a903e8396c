#pragma once
#include <optional>
#include <string>

#include "playlist/playlist.h"

namespace sonvaro {

class Messages;

std::string M3UText(const Playlist& playlist);
std::string PLSText(const Playlist& playlist);

enum class PlaylistFormat { M3U, PLS };

// The save-file dialog of "Playlist Speichern".
class SavePlaylistDialog {
  public:
    struct Choice {
        std::string path;
        PlaylistFormat format = PlaylistFormat::M3U;  // the chosen filter
    };
    virtual ~SavePlaylistDialog() = default;
    // Nullopt when the user cancels.
    virtual std::optional<Choice> AskSavePath(const std::string& title, const std::string& initialFolder,
                                              const std::string& filter) = 0;
};

inline constexpr const char* kSavePlaylistFilter =
    "Playlist (*.m3u)|*.m3u|Playlist (*.pls)|*.pls||Alle Dateien|*.*";

// Exports the playlist as M3U or PLS. With an empty path the dialog asks (the
// filter decides the format); a given path is written as PLS when it ends in
// ".pls", else as M3U. askFlag -1 overwrites without asking. True when written.
bool SavePlaylistAs(const Playlist& playlist, std::string path, int askFlag, SavePlaylistDialog& dialog,
                    Messages& messages, const std::string& musicFolder);

}  // namespace sonvaro
