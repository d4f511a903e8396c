#include "playlist/playlist_editing.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/line_reader.h"
#include "core/read_ahead.h"
#include "core/status_log.h"
#include "core/text.h"
#include "platform/file_info.h"
#include "platform/folder_walk.h"
#include "playlist/cue_sheet.h"
#include "playlist/playlist_display.h"
#include "playlist/playlist_file.h"
#include "playlist/playlist_import.h"
#include "settings/settings.h"
#include "tags/module_info.h"
#include "tags/track_info_reader.h"

namespace sonvaro {
namespace {

std::string UpperExtension(std::string_view path) {
    const std::string_view name = FileNameOf(path);
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    std::string ext(name.substr(dot + 1));
    for (char& c : ext)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
    return ext;
}

}  // namespace

class PlaylistEditor::Batch {
  public:
    explicit Batch(PlaylistEditor& editor) : editor_(editor) {
        if (editor_.batchDepth_++ > 0) return;
        editor_.rowsAtBatchStart_ = editor_.playlist_.size();
        editor_.stopped_ = false;
        editor_.listsFetched_.clear();
        editor_.listRows_ = 0;
        editor_.listsCapped_ = editor_.rowsCapped_ = editor_.listsRepeated_ = false;
        editor_.addressFailure_.clear();
        editor_.cueAudioFiles_.clear();
    }
    ~Batch() {
        if (--editor_.batchDepth_ > 0) return;
        if (editor_.playlist_.size() != editor_.rowsAtBatchStart_) editor_.EntriesAppended();
    }

  private:
    PlaylistEditor& editor_;
};

PlaylistEditor::PlaylistEditor(Playlist& playlist, const Settings& settings, TagReader& tags,
                               PlaylistDisplay& display, StatusLog* log)
    : playlist_(playlist),
      settings_(settings),
      tags_(tags),
      display_(display),
      log_(log),
      random_(std::random_device{}()) {}

bool PlaylistEditor::ShouldStop() {
    if (!stopped_ && display_.EscapePressed()) stopped_ = true;
    return stopped_;
}

int16_t PlaylistEditor::NewShuffleKey() {
    return static_cast<int16_t>(std::uniform_int_distribution<int>(0, 32767)(random_));
}

void PlaylistEditor::AppendEntry(const TrackInfo& info, const TrackRange& range) {
    PlaylistEntry& entry = playlist_.emplace_back();
    entry.shuffleKey = NewShuffleKey();
    entry.info = info;
    entry.range = range;
    display_.RowAppended();
    if (listDepth_ > 0) ++listRows_;
}

void PlaylistEditor::EntriesAppended() {
    display_.SetPlaylistSummary(PlaylistSummaryText(playlist_));
    if (settings_.GUI_AutoColumnWidthPL >= 1) display_.FitPlaylistColumns();
}

void PlaylistEditor::AddToPlaylist(const std::string& path) {
    Batch batch(*this);
    if (!ShouldStop()) AddOnePath(path);
}

void PlaylistEditor::AddOnePath(const std::string& given) {
    const std::string path = IsStreamAddress(given) ? given : AbsolutePath(given);
    const std::string ext = UpperExtension(path);
    const AddPathFn add = [this](const std::string& entry) { AddToPlaylist(entry); };
    if (listDepth_ > 0 && listRows_ >= kMaxListRows) {
        // Bounded in breadth: a list naming thousands of lists naming thousands more.
        if (!rowsCapped_ && log_)
            log_->LogStatus("Zu viele Einträge in Playlists, der Rest wird übersprungen: '" + path + "'");
        rowsCapped_ = true;
        return;
    }
    if ((ext == "M3U" || ext == "PLS") && IsStreamAddress(path)) {
        AddListAtAddress(path, ext == "M3U");
    } else if (ext == "M3U") {
        ReadM3U(path, add, log_);
    } else if (ext == "PLS") {
        ReadPLS(path, add, log_);
    } else if (ext == "CUE" && !IsStreamAddress(path)) {
        AddCueSheet(path);
    } else {
        TrackInfo info;
        info.path = path;
        const int result = cueAudioFiles_.contains(path) ? kReadNothing : ReadPlayableTrackInfo(tags_, info);
        AddReadFile(std::move(info), result);
        return;
    }
    display_.ProcessPendingEvents();
}

void PlaylistEditor::AddReadFile(TrackInfo info, int result) {
    // A file whose tracks came from a sheet of the same operation is not added whole.
    if (result != kReadNothing && !cueAudioFiles_.contains(info.path)) AppendEntry(info);
    display_.ProcessPendingEvents();
}

// Playlists and sheets are opened here in their turn, as they may name files
// anywhere and drop rows added before them; every other file is read ahead.
bool PlaylistEditor::ReadAheadable(const std::string& path) {
    const std::string ext = UpperExtension(path);
    return ext != "M3U" && ext != "PLS" && ext != "CUE";
}

void PlaylistEditor::AddCueSheet(const std::string& path) {
    const CueSheet sheet = ReadCueSheet(path);
    if (log_)
        for (const std::string& problem : sheet.problems) log_->LogStatus(problem + " (" + path + ")");
    std::string file;
    TrackInfo fileInfo;
    bool playable = false;
    for (const CueTrack& track : sheet.tracks) {
        if (track.file != file) {
            file = track.file;
            fileInfo = TrackInfo{};
            fileInfo.path = file;
            playable = ReadPlayableTrackInfo(tags_, fileInfo) != kReadNothing;
            if (!playable) continue;
            if (cueAudioFiles_.insert(file).second) DropWholeFileRows(file);
        }
        if (!playable) continue;
        AppendEntry(CueTrackInfo(fileInfo, sheet, track), TrackRange{track.start, track.end});
    }
}

// A file met before its sheet in the same operation was added whole.
void PlaylistEditor::DropWholeFileRows(const std::string& file) {
    for (size_t row = playlist_.size(); row-- > rowsAtBatchStart_;) {
        if (playlist_[row].info.path != file || !playlist_[row].range.Whole()) continue;
        playlist_.erase(playlist_.begin() + static_cast<std::ptrdiff_t>(row));
        display_.RowRemoved(static_cast<int>(row));
    }
}

// A station's list on a server: its addresses are the entries. The fetch runs
// on a thread of its own while this one keeps the window (or the headless
// loop's socket and signals) served; Escape or an end signal cancels it.
void PlaylistEditor::AddListAtAddress(const std::string& address, bool m3u) {
    if (listsFetched_.contains(address)) {
        // Once per operation: a list may name the same lists thousands of times.
        if (!listsRepeated_ && log_)
            log_->LogStatus("Playlist schon gelesen, übersprungen: '" + address + "'");
        listsRepeated_ = true;
        return;
    }
    if (PlaylistNestingFull(address, log_)) return;
    if (listsFetched_.size() >= kMaxListRequests) {
        if (!listsCapped_ && log_)
            log_->LogStatus("Zu viele Playlists, der Rest wird übersprungen: '" + address + "'");
        listsCapped_ = true;
        return;
    }
    if (!readAddress_) {
        if (log_) log_->LogStatus("Playlist konnte nicht geladen werden: '" + address + "'");
        return;
    }
    listsFetched_.insert(address);
    const AddressText got = readAddress_(address, [this] {
        display_.ProcessPendingEvents();
        return !ShouldStop();
    });
    if (ShouldStop()) return;
    if (!got.text) {
        if (log_)
            log_->LogStatus("Playlist konnte nicht geladen werden: '" + address + "'" +
                            (got.failure.empty() ? "" : " (" + got.failure + ")"));
        if (addressFailure_.empty()) addressFailure_ = got.failure;
        return;
    }
    const AddPathFn add = [this](const std::string& entry) { AddToPlaylist(entry); };
    ++listDepth_;
    if (m3u)
        ReadM3UText(address, *got.text, add, log_);
    else
        ReadPLSText(address, *got.text, add, log_);
    --listDepth_;
}

void PlaylistEditor::AddFolder(std::string folder, bool recursive) {
    Batch batch(*this);
    FolderWalkOptions options;
    options.recursive = recursive;
    options.sortKey = [](std::string_view name) { return FoldCase(name); };
    options.shouldStop = [this] { return ShouldStop(); };
    // The files are read on two threads a few ahead of the walk and added
    // here in its order; a window of them at a time, however large the tree.
    TrackReadAhead ahead([this](TrackInfo& info) { return ReadPlayableTrackInfo(tags_, info); },
                         readThreads_ ? readThreads_ : TrackReadAhead::DefaultThreads(), kFolderReadWindow);
    auto takeOne = [&] {
        TrackReadAhead::Item item = ahead.Take();
        Batch inner(*this);
        if (item.read)
            AddReadFile(std::move(item.info), item.result);
        else
            AddOnePath(item.info.path);
    };
    // The walk looks at Escape before each entry itself.
    WalkFolder(AbsolutePath(folder), options, [&](const std::string& file) {
        if (ahead.Full()) takeOne();
        ahead.Give(file, ReadAheadable(file));
    });
    // Escape ends it at once: the files read ahead and not yet added are left out.
    while (!ahead.Empty() && !ShouldStop()) takeOne();
}

bool PlaylistEditor::AddPath(const std::string& path) {
    Batch batch(*this);  // AddingStopped and AddressFailure tell of this path
    if (IsDirectory(path))
        AddFolder(path, settings_.Misc_RecursiveFolder != 0);
    else if (IsStreamAddress(path) || CheckFileAccess(path) == FileAccess::Readable)
        AddToPlaylist(path);
    else
        return false;
    return true;
}

void PlaylistEditor::AddDroppedItems(const std::string& names) {
    Batch batch(*this);
    LineReader reader(names);
    std::string_view line;
    while (reader.Next(line) && !stopped_) {
        const std::string name(line);
        if (IsDirectory(name))
            AddFolder(name, settings_.Misc_RecursiveFolder != 0);
        else if (IsNonEmptyFile(name))
            AddToPlaylist(name);
    }
}

bool PlaylistEditor::AddLibraryEntry(const TrackInfo& info) {
    if (!IsNonEmptyFile(info.path)) return false;
    AppendEntry(info);
    return true;
}

std::vector<size_t> PlaylistEditor::SortPlaylist(int mode) {
    if (mode < 0 || mode > 7 || playlist_.size() < 2) return {};
    if (mode == 0)
        for (PlaylistEntry& e : playlist_) e.shuffleKey = NewShuffleKey();
    std::vector<size_t> order(playlist_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    auto key = [this, mode](size_t i) -> int64_t {
        const PlaylistEntry& e = playlist_[i];
        switch (mode) {
            case 0:
                return e.shuffleKey;
            case 4:
                return e.info.trackNumber;
            case 5:
                return e.info.length;
            case 6:
                return e.info.year;
            default:
                return e.info.channelType;
        }
    };
    auto text = [this, mode](size_t i) -> const std::string& {
        const TrackInfo& t = playlist_[i].info;
        return mode == 1 ? t.title : mode == 2 ? t.artist : t.album;
    };
    if (mode >= 1 && mode <= 3) {
        // std::string compares as unsigned bytes: capitals before small letters, UTF-8 after ASCII.
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return text(a) < text(b); });
    } else {
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return key(a) < key(b); });
    }
    Playlist sorted;
    sorted.reserve(playlist_.size());
    std::vector<size_t> newRow(playlist_.size());
    for (size_t i = 0; i < order.size(); ++i) {
        newRow[order[i]] = i;
        sorted.push_back(std::move(playlist_[order[i]]));
    }
    playlist_ = std::move(sorted);
    display_.PlaylistReset();
    if (settings_.GUI_AutoColumnWidthPL >= 1) display_.FitPlaylistColumns();
    return newRow;
}

std::vector<std::pair<size_t, std::string>> PlaylistEditor::SearchPlaylist(const std::string& text,
                                                                           SearchField field) {
    std::vector<std::pair<size_t, std::string>> results;
    const std::string wanted = FoldCase(TrimSpaces(text));
    if (playlist_.empty() || wanted.empty()) return results;
    auto contains = [&wanted](const std::string& s) { return FoldCase(s).find(wanted) != std::string::npos; };
    const bool all = field == SearchField::Everywhere;
    for (size_t i = 0; i < playlist_.size(); ++i) {
        const TrackInfo& t = playlist_[i].info;
        if (((all || field == SearchField::Title) && contains(t.title)) ||
            ((all || field == SearchField::Artist) && contains(t.artist)) ||
            ((all || field == SearchField::Album) && contains(t.album)) ||
            ((all || field == SearchField::Comment) && contains(t.comment)))
            results.emplace_back(i, t.title);
        display_.ProcessPendingEvents();
    }
    return results;
}

void PlaylistEditor::CopyFiles(const std::vector<int>& rows, const std::string& targetFolder) {
    std::string folder = targetFolder;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    for (const int row : rows) {
        if (row < 0 || static_cast<size_t>(row) >= playlist_.size()) continue;
        const std::string& path = playlist_[row].info.path;
        std::error_code ec;  // failures are skipped silently
        std::filesystem::copy_file(path, folder + std::string(FileNameOf(path)),
                                   std::filesystem::copy_options::overwrite_existing, ec);
        display_.ProcessPendingEvents();
    }
}

}  // namespace sonvaro
