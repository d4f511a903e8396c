#pragma once
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "playlist/playlist.h"

namespace sonvaro {

class ChannelPlayer;
struct UpcomingTrack;
class PlaylistDisplay;
class PlaylistEditor;
class TagReader;
struct Settings;

// Which playlist entry plays: play, next, previous with repeat and shuffle,
// and the playlist changes that must keep the playing row's mark right.
class PlaylistPlayback {
  public:
    PlaylistPlayback(ChannelPlayer& player, Playlist& playlist, PlaylistDisplay& view, PlaylistEditor& editor,
                     const Settings& settings, TagReader& tags);

    // 1: a paused track resumed; 2: the current track restarted; 0 otherwise.
    int PlaySelected();
    void PlayNext();
    // What PlayNext would play, without playing it; in random order the pick
    // is kept, so that what was announced is what plays.
    std::optional<UpcomingTrack> Upcoming();
    void PlayPrevious();
    // Plays a row and marks it when it started; true on success.
    bool PlayRow(int32_t row);
    // mode < 0 removes every entry, otherwise the selected rows.
    void RemovePlaylistRows(int mode);
    void RefreshSelectedEntry();
    // Re-reads the tags of every entry naming one of the files (after tags were
    // written); an entry that cannot be read stays as it is.
    void RefreshEntries(const std::vector<std::string>& paths);
    // Sorts and keeps the mark on the playing entry, wherever it moved.
    void SortPlaylist(int mode);

  private:
    int32_t RandomRowOtherThanMarked();
    int32_t NextRow();  // -1: the list ends here
    // Reads the entry's tags afresh; false (entry untouched) when that fails.
    bool RereadRow(int row);

    ChannelPlayer& player_;
    Playlist& playlist_;
    PlaylistDisplay& view_;
    PlaylistEditor& editor_;
    const Settings& settings_;
    TagReader& tags_;
    std::mt19937 random_;
    int32_t randomPick_ = -1;  // the next row in random order, once chosen
};

}  // namespace sonvaro
