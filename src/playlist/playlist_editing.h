#pragma once
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "playlist/track_info.h"

namespace sonvaro {

class PlaylistDisplay;
class TagReader;
struct Settings;

enum class SearchField { Everywhere, Title, Artist, Album, Comment };

// Adding, sorting, searching and copying playlist entries.
class PlaylistEditor {
public:
    PlaylistEditor(Playlist& playlist, const Settings& settings, TagReader& tags, PlaylistDisplay& display);

    // One path: an M3U or PLS file is imported entry by entry; anything else is
    // appended when it can be read (a file, a module or a stream address).
    void AddToPlaylist(const std::string& path);
    // The files of a folder in file-system order, sub-folders first-come when recursive.
    void AddFolder(std::string folder, bool recursive);
    // Dropped names, one per line: folders with Misc_RecursiveFolder, non-empty files.
    void AddDroppedItems(const std::string& names);
    // A library entry as it stands, without reading tags; false when its file is missing or empty.
    bool AddLibraryEntry(const TrackInfo& info);

    // Stable sort by mode 0..7 (0 shuffles first). Returns where each old row
    // went (newRow[oldRow]); empty when nothing was sorted.
    std::vector<size_t> SortPlaylist(int mode);

    // Entries whose title/artist/album/comment contains the text (case folded).
    std::vector<std::pair<size_t, std::string>> SearchPlaylist(const std::string& text, SearchField field);

    // Copies the files of the given rows into the folder, replacing files of the same name.
    void CopyFiles(const std::vector<int>& rows, const std::string& targetFolder);

    // Summary and column widths after entries were appended.
    void EntriesAppended();

    int16_t NewShuffleKey();

private:
    void AppendEntry(const TrackInfo& info);

    Playlist& playlist_;
    const Settings& settings_;
    TagReader& tags_;
    PlaylistDisplay& display_;
    std::mt19937 random_;
};

}  // namespace sonvaro
