#pragma once
#include <string>
#include <vector>

namespace sonvaro {

// How playlist operations reach the playlist view and the status bar. The
// headless player has no view: it keeps the defaults, which show nothing.
class PlaylistDisplay {
  public:
    virtual ~PlaylistDisplay() = default;
    // The rows were replaced or reordered wholesale; the view re-reads the playlist.
    virtual void PlaylistReset() = 0;
    virtual void FitPlaylistColumns() = 0;
    virtual void SetPlaylistSummary(const std::string& text) = 0;

    virtual void RowAppended() {}
    virtual void RowRemoved(int /*row*/) {}
    virtual void RowChanged(int /*row*/) {}
    // The playing row's colours on or off.
    virtual void SetRowMarked(int /*row*/, bool /*marked*/) {}
    // Selected rows in ascending order.
    virtual std::vector<int> SelectedRows() const { return {}; }
    // Lets the window repaint during a long operation; commands that arrive meanwhile are not run.
    virtual void ProcessPendingEvents() {}
    // True when Escape was pressed since the last look (ends a folder walk).
    virtual bool EscapePressed() { return false; }
};

}  // namespace sonvaro
