#include "playback/playlist_playback.h"

#include <algorithm>

#include "core/text.h"
#include "engine/bass.h"
#include "platform/file_info.h"
#include "playback/channel_player.h"
#include "playlist/playlist_display.h"
#include "playlist/playlist_editing.h"
#include "playlist/playlist_file.h"
#include "settings/settings.h"
#include "tags/module_info.h"
#include "tags/track_info_reader.h"

namespace sonvaro {

PlaylistPlayback::PlaylistPlayback(ChannelPlayer& player, Playlist& playlist, PlaylistDisplay& view,
                                   PlaylistEditor& editor, const Settings& settings, TagReader& tags)
    : player_(player),
      playlist_(playlist),
      view_(view),
      editor_(editor),
      settings_(settings),
      tags_(tags),
      random_(std::random_device{}()) {}

bool PlaylistPlayback::PlayRow(int32_t row) {
    if (row < 0 || static_cast<size_t>(row) >= playlist_.size()) return false;
    const PlaylistEntry& entry = playlist_[row];
    const std::string& path = entry.info.path;
    if (player_.PlayChannel(path, kSourcePlaylist, entry.range, &entry.info) == 1) {
        player_.MarkRow(row);
        return true;
    }
    if (IsStreamAddress(path)) {
        // Handed to the radio, which connects on a thread of its own. Should the
        // station not answer, the list goes on after this row as after any
        // title that cannot be played; the mark's colours wait for a sound.
        player_.UnmarkRow();
        player_.State().markedRow = row;
        player_.State().playSource = kSourcePlaylist;
    }
    return false;
}

int PlaylistPlayback::PlaySelected() {
    const DWORD channel = player_.State().CurrentChannel();
    const DWORD active = BASS_ChannelIsActive(channel);
    if (active == BASS_ACTIVE_PAUSED) {
        player_.TogglePause();
        return 1;
    }
    const auto selected = view_.SelectedRows();
    if ((active == BASS_ACTIVE_PLAYING || active == BASS_ACTIVE_STALLED) && selected.empty()) {
        BASS_ChannelPlay(channel, TRUE);
        return 2;
    }
    if (!playlist_.empty()) PlayRow(selected.empty() ? 0 : selected.front());
    return 0;
}

int32_t PlaylistPlayback::RandomRowOtherThanMarked() {
    const int32_t count = static_cast<int32_t>(playlist_.size());
    // With one entry there is no other row: take it again.
    if (count == 1) return 0;
    std::uniform_int_distribution<int32_t> pick(0, count - 1);
    int32_t row;
    do row = pick(random_);
    while (row == player_.State().markedRow);
    return row;
}

int32_t PlaylistPlayback::NextRow() {
    const int32_t count = static_cast<int32_t>(playlist_.size());
    const int32_t marked = player_.State().markedRow;
    if (settings_.Misc_Random) {
        if (randomPick_ < 0 || randomPick_ >= count || (count > 1 && randomPick_ == marked))
            randomPick_ = RandomRowOtherThanMarked();
        return randomPick_;
    }
    if (marked + 1 >= 0 && marked + 1 < count) return marked + 1;
    return settings_.Misc_Repeat ? 0 : -1;
}

std::optional<UpcomingTrack> PlaylistPlayback::Upcoming() {
    if (player_.State().playSource != kSourcePlaylist || playlist_.empty()) return std::nullopt;
    const int32_t row = NextRow();
    if (row < 0) return std::nullopt;
    const PlaylistEntry& entry = playlist_[row];
    return UpcomingTrack{entry.info.path, row, entry.range, entry.range.Whole() ? TrackInfo{} : entry.info};
}

void PlaylistPlayback::PlayNext() {
    player_.SettleNext();
    PlayerState& state = player_.State();
    if (state.playSource != kSourcePlaylist || playlist_.empty()) return;
    const int32_t row = NextRow();
    randomPick_ = -1;
    if (row >= 0)
        PlayRow(row);
    else
        state.playSource = kSourceSingle;
}

void PlaylistPlayback::PlayPrevious() {
    player_.SettleNext();
    PlayerState& state = player_.State();
    if (state.playSource != kSourcePlaylist || playlist_.empty()) return;
    const int32_t count = static_cast<int32_t>(playlist_.size());
    if (settings_.Misc_Random) {
        PlayRow(RandomRowOtherThanMarked());
    } else if (state.markedRow - 1 >= 0 && state.markedRow - 1 < count) {
        PlayRow(state.markedRow - 1);
    } else if (settings_.Misc_Repeat) {
        PlayRow(count - 1);
    } else {
        state.playSource = kSourceSingle;
    }
}

void PlaylistPlayback::RemovePlaylistRows(int mode) {
    PlayerState& state = player_.State();
    if (mode < 0) {
        player_.UnmarkRow();
        playlist_.clear();
        view_.PlaylistReset();
    } else {
        const auto selected = view_.SelectedRows();
        for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
            const int row = *it;
            if (row < 0 || static_cast<size_t>(row) >= playlist_.size()) continue;
            playlist_.erase(playlist_.begin() + row);
            view_.RowRemoved(row);
            if (row < state.markedRow) --state.markedRow;
        }
    }
    view_.SetPlaylistSummary(PlaylistSummaryText(playlist_));
    if (playlist_.empty() && state.playSource == kSourcePlaylist) state.playSource = kSourceSingle;
}

void PlaylistPlayback::RefreshSelectedEntry() {
    const auto selected = view_.SelectedRows();
    if (selected.empty()) return;
    const int row = selected.front();
    if (row < 0 || static_cast<size_t>(row) >= playlist_.size()) return;
    if (!IsNonEmptyFile(playlist_[row].info.path)) return;
    if (!RereadRow(row)) {
        playlist_.erase(playlist_.begin() + row);
        view_.RowRemoved(row);
        PlayerState& state = player_.State();
        if (row < state.markedRow) --state.markedRow;
    }
}

bool PlaylistPlayback::RereadRow(int row) {
    TrackInfo& entry = playlist_[row].info;
    TrackInfo fresh;
    fresh.path = entry.path;
    if (ReadPlayableTrackInfo(tags_, fresh) == kReadNothing) return false;
    // A CUE track keeps what its sheet says of it.
    if (playlist_[row].range.Whole()) {
        entry.title = fresh.title;
        entry.artist = fresh.artist;
        entry.album = fresh.album;
        entry.trackNumber = fresh.trackNumber;
        entry.length = fresh.length;
    }
    entry.year = fresh.year;
    view_.RowChanged(row);
    return true;
}

void PlaylistPlayback::RefreshEntries(const std::vector<std::string>& paths) {
    for (size_t row = 0; row < playlist_.size(); ++row)
        if (std::find(paths.begin(), paths.end(), playlist_[row].info.path) != paths.end())
            RereadRow(static_cast<int>(row));
}

void PlaylistPlayback::SortPlaylist(int mode) {
    const bool marked = player_.RowMarked();
    const int32_t markedRow = player_.State().markedRow;
    const auto newRow = editor_.SortPlaylist(mode);
    if (newRow.empty()) return;
    // The mark belongs to the playing entry, not to a row number.
    if (markedRow >= 0 && static_cast<size_t>(markedRow) < newRow.size()) {
        const auto row = static_cast<int32_t>(newRow[markedRow]);
        if (marked) {
            player_.UnmarkRow();
            player_.MarkRow(row);
        } else {
            player_.State().markedRow = row;
        }
    }
}

}  // namespace sonvaro
