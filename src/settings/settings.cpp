#include "settings/settings.h"

namespace sonvaro {

Settings::Settings() {
    playlistColumns.width = {0, 100, 80, 80, 80, 80, 80, 80};
    libraryColumns.width = {0, 250, 100, 80, 100, 100, 80, 100, 100, 80};
    for (int i = 0; i < kPlaylistColumnCount; ++i) playlistColumns.order[i] = i;
    for (int i = 0; i < kLibraryColumnCount; ++i) libraryColumns.order[i] = i;
}

}  // namespace sonvaro
