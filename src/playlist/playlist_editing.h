#pragma once
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "playlist/track_info.h"

namespace sonvaro {

class PlaylistDisplay;
class StatusLog;
class TagReader;
struct Settings;

enum class SearchField { Everywhere, Title, Artist, Album, Comment };

// Adding, sorting, searching and copying playlist entries.
class PlaylistEditor {
  public:
    PlaylistEditor(Playlist& playlist, const Settings& settings, TagReader& tags, PlaylistDisplay& display,
                   StatusLog* log = nullptr);

    // One path: an M3U or PLS file is imported entry by entry; anything else is
    // appended when it can be read (a file, a module or a stream address).
    // Local paths are stored absolute. Escape (or an end signal) stops it.
    void AddToPlaylist(const std::string& path);
    // The files of a folder in name order (case folded, then bytes), files and
    // sub-folders interleaved, each real folder once.
    void AddFolder(std::string folder, bool recursive);
    // Dropped names, one per line: folders with Misc_RecursiveFolder, non-empty files.
    void AddDroppedItems(const std::string& names);
    // True when the last adding operation was ended by Escape or an end signal.
    bool AddingStopped() const { return stopped_; }
    // How a playlist given by address (a station's .m3u or .pls) is fetched;
    // without a reader such an address adds nothing.
    using AddressReader = std::function<std::optional<std::string>(const std::string& address)>;
    void SetAddressReader(AddressReader reader) { readAddress_ = std::move(reader); }

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
    // Nested adds (folders, playlists within playlists) refresh the summary
    // and column widths once, when the outermost one ends: per entry it would
    // cost the whole playlist every time.
    class Batch;
    void AddOnePath(const std::string& path);
    void AppendEntry(const TrackInfo& info);
    bool ShouldStop();

    AddressReader readAddress_;
    Playlist& playlist_;
    const Settings& settings_;
    TagReader& tags_;
    PlaylistDisplay& display_;
    StatusLog* log_;
    std::mt19937 random_;
    int batchDepth_ = 0;
    size_t rowsAtBatchStart_ = 0;
    bool stopped_ = false;
};

}  // namespace sonvaro
