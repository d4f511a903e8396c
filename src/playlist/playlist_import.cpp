#include "playlist/playlist_import.h"

#include <algorithm>
#include <vector>

#include "core/encoding.h"
#include "core/line_reader.h"
#include "core/status_log.h"
#include "core/text.h"
#include "platform/file_info.h"

namespace sonvaro {
namespace {

// Canonical paths of the playlist files being read on this thread, outermost
// first. A list met again under any spelling (./a.m3u, ../x/a.m3u, a link)
// would otherwise be read until the stack overflows.
thread_local std::vector<std::string> openPlaylists;

}  // namespace

bool PlaylistNestingFull(const std::string& file, StatusLog* log) {
    if (openPlaylists.size() < kMaxPlaylistNesting) return false;
    if (log) log->LogStatus("Playlists zu tief verschachtelt, übersprungen: '" + file + "'");
    return true;
}

namespace {

class ImportGuard {
  public:
    ImportGuard(const std::string& file, StatusLog* log) {
        std::string canonical = CanonicalPath(file);
        if (std::find(openPlaylists.begin(), openPlaylists.end(), canonical) != openPlaylists.end()) {
            if (log) log->LogStatus("Playlist enthält sich selbst, übersprungen: '" + file + "'");
            return;
        }
        if (PlaylistNestingFull(file, log)) return;
        openPlaylists.push_back(std::move(canonical));
        entered_ = true;
    }
    ~ImportGuard() {
        if (entered_) openPlaylists.pop_back();
    }
    bool Entered() const { return entered_; }

  private:
    bool entered_ = false;
};

// Calls `eachLine` with every raw line of a playlist not already being read.
template <class F>
void ForEachLineOf(const std::string& name, const std::string& text, StatusLog* log, F&& eachLine) {
    ImportGuard guard(name, log);
    if (!guard.Entered()) return;
    LineReader reader(text, true);
    std::string_view raw;
    while (reader.Next(raw))
        if (!eachLine(raw)) return;
}

template <class F>
void ForEachLine(const std::string& file, StatusLog* log, F&& eachLine) {
    const auto text = ReadWholeFile(file);
    if (text) ForEachLineOf(file, *text, log, std::forward<F>(eachLine));
}

// Names are bytes: the line as written is tried first. A line that is not
// UTF-8 may be Windows-1252 text naming a file stored under UTF-8 here.
std::string ResolveEntryBytes(const std::string& file, std::string_view raw) {
    std::string path = ResolvePlaylistEntry(file, std::string(raw));
    if (PathExists(path) || IsValidUtf8(raw)) return path;
    std::string decoded = ResolvePlaylistEntry(file, Windows1252ToUtf8(raw));
    return PathExists(decoded) ? decoded : path;
}

}  // namespace

std::string ResolvePlaylistEntry(const std::string& file, const std::string& line) {
    if (line.empty() || line.front() == '/' || IsStreamAddress(line)) return line;
    const std::string_view listFolder = FolderOf(file);
    const std::string folder = listFolder.empty() ? CurrentFolder() : AbsolutePath(std::string(listFolder));
    std::string slashed = line;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    const std::string candidates[] = {JoinPath(folder, line), JoinPath(folder, slashed), AbsolutePath(line),
                                      AbsolutePath(slashed)};
    for (const std::string& candidate : candidates)
        if (PathExists(candidate)) return candidate;
    return candidates[0];
}

namespace {

// One M3U line; `take` gets an entry. `header` tells whether "#EXTM3U" opened the list.
template <class Resolve>
void M3ULines(std::string_view raw, bool& first, bool& header, Resolve&& take) {
    const std::string_view line = TrimSpaces(raw);
    if (first) {
        first = false;
        header = line == "#EXTM3U";
        if (header) return;
    }
    if (line.empty() || StartsWithNoCase(line, "#EXTINF:")) return;
    if (!header && !IsStreamAddress(line)) return;
    take(line);
}

}  // namespace

void ReadM3U(const std::string& file, const AddPathFn& add, StatusLog* log) {
    bool first = true, header = false;
    ForEachLine(file, log, [&](std::string_view raw) {
        M3ULines(raw, first, header, [&](std::string_view line) {
            const std::string path = ResolveEntryBytes(file, line);
            const auto size = RegularFileSize(path);
            if (!(size && *size == 0)) add(path);
        });
        return true;
    });
}

void ReadM3UText(const std::string& address, const std::string& text, const AddPathFn& add, StatusLog* log) {
    bool first = true, header = false;
    ForEachLineOf(address, text, log, [&](std::string_view raw) {
        M3ULines(raw, first, header, [&](std::string_view line) {
            if (IsStreamAddress(line)) add(std::string(line));
        });
        return true;
    });
}

void ReadPLSText(const std::string& address, const std::string& text, const AddPathFn& add, StatusLog* log) {
    ForEachLineOf(address, text, log, [&](std::string_view raw) {
        const std::string_view line = TrimSpaces(raw);
        if (!StartsWithNoCase(line, "FILE")) return true;
        const auto eq = line.find('=');
        if (eq == std::string_view::npos) return true;
        const std::string_view entry = TrimSpaces(line.substr(eq + 1));
        if (IsStreamAddress(entry)) add(std::string(entry));
        return true;
    });
}

void ReadPLS(const std::string& file, const AddPathFn& add, StatusLog* log) {
    ForEachLine(file, log, [&](std::string_view raw) {
        const std::string_view line = TrimSpaces(raw);
        if (!StartsWithNoCase(line, "FILE")) return true;
        const auto eq = line.find('=');
        if (eq == std::string_view::npos) return true;
        std::string_view entry = line.substr(eq + 1);
        entry = entry.substr(0, entry.find('='));
        const std::string path = ResolveEntryBytes(file, entry);
        if (IsStreamAddress(path) || IsNonEmptyFile(path)) add(path);
        return true;
    });
}

}  // namespace sonvaro
