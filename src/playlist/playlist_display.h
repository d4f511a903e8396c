#pragma once
#include <string>

namespace sonvaro {

// How playlist operations reach the playlist view and the status bar.
class PlaylistDisplay {
public:
    virtual ~PlaylistDisplay() = default;
    // The rows were replaced wholesale (a load); the view re-reads the playlist.
    virtual void PlaylistReset() = 0;
    virtual void FitPlaylistColumns() = 0;
    virtual void SetPlaylistSummary(const std::string& text) = 0;
};

}  // namespace sonvaro
