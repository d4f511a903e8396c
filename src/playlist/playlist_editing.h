#pragma once
#include <functional>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "playlist/playlist.h"

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
    // sub-folders interleaved, each real folder once. They are read a few ahead
    // on worker threads (SetReadThreads) and added in that order.
    void AddFolder(std::string folder, bool recursive);
    static constexpr size_t kFolderReadWindow = 32;
    // The threads a folder add reads with; 0: two where two cores are.
    void SetReadThreads(unsigned threads) { readThreads_ = threads; }
    // A path named on the command line or by remote control: a folder is
    // added with Misc_RecursiveFolder, a stream address or a file that can be
    // opened for reading with AddToPlaylist. False when it is none of these
    // and nothing was tried (UnplayableReason tells the user why).
    bool AddPath(const std::string& path);
    // Dropped names, one per line: folders with Misc_RecursiveFolder, non-empty files.
    void AddDroppedItems(const std::string& names);
    // True when the last adding operation was ended by Escape or an end signal.
    bool AddingStopped() const { return stopped_; }
    // A playlist given by address (a station's .m3u or .pls): its text, or
    // why it could not be had ("Verbindung fehlgeschlagen", "zu groß", "HTTP 404";
    // empty when the fetch was cancelled).
    struct AddressText {
        std::optional<std::string> text;
        std::string failure;
    };
    // How such a list is fetched. The reader calls `keepWaiting` at least every
    // 20 ms while the fetch runs (the window and remote control are served
    // there) and cancels the fetch when it returns false. Without a reader
    // such an address adds nothing.
    using AddressReader =
        std::function<AddressText(const std::string& address, const std::function<bool()>& keepWaiting)>;
    void SetAddressReader(AddressReader reader) { readAddress_ = std::move(reader); }
    // Why the last adding operation's first list given by address could not be
    // had; empty when every one was fetched.
    const std::string& AddressFailure() const { return addressFailure_; }

    // Lists on servers may name further lists: one adding operation fetches at
    // most this many and takes at most this many entries from them in all.
    static constexpr size_t kMaxListRequests = 64;
    static constexpr size_t kMaxListRows = 10000;

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
    // A file read by ReadPlayableTrackInfo, with its result.
    void AddReadFile(TrackInfo info, int result);
    static bool ReadAheadable(const std::string& path);
    void AddListAtAddress(const std::string& address, bool m3u);
    void AppendEntry(const TrackInfo& info, const TrackRange& range = {});
    // One row per track of the sheet; its audio files are not also added whole
    // by the same adding operation.
    void AddCueSheet(const std::string& path);
    void DropWholeFileRows(const std::string& file);
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
    unsigned readThreads_ = 0;
    // One adding operation's lists on servers, across all their nesting.
    std::set<std::string> listsFetched_;
    size_t listRows_ = 0;
    int listDepth_ = 0;  // > 0 while the entries of a fetched list are added
    bool listsCapped_ = false, rowsCapped_ = false, listsRepeated_ = false;
    std::string addressFailure_;
    // The audio files the sheets of this adding operation split into tracks.
    std::set<std::string> cueAudioFiles_;
};

}  // namespace sonvaro
