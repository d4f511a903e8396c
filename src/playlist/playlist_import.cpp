#include "playlist/playlist_import.h"

#include <set>

#include "core/encoding.h"
#include "core/line_reader.h"
#include "core/text.h"
#include "platform/file_info.h"

namespace sonvaro {
namespace {

// Playlist files being read on this thread. A playlist that lists itself, or
// two that list each other, would otherwise recurse until the stack overflows.
thread_local std::set<std::string> openPlaylists;

class ImportGuard {
public:
    explicit ImportGuard(const std::string& file) : file_(file), entered_(openPlaylists.insert(file).second) {}
    ~ImportGuard() {
        if (entered_) openPlaylists.erase(file_);
    }
    bool Entered() const { return entered_; }

private:
    std::string file_;
    bool entered_;
};

// Calls `eachLine` with every decoded line of a playlist file not already being read.
template <class F>
void ForEachLine(const std::string& file, F&& eachLine) {
    ImportGuard guard(file);
    if (!guard.Entered()) return;
    const auto text = ReadWholeFile(file);
    if (!text) return;
    LineReader reader(*text, true);
    std::string_view raw;
    std::string scratch;
    while (reader.Next(raw))
        if (!eachLine(DecodeLine(raw, scratch))) return;
}

}  // namespace

void ReadM3U(const std::string& file, const AddPathFn& add) {
    const std::string folder(FolderOf(file));
    bool header = true;
    ForEachLine(file, [&](std::string_view decoded) {
        if (header) {
            header = false;
            return TrimSpaces(decoded) == "#EXTM3U";  // no header: nothing is added
        }
        const std::string line(TrimSpaces(decoded));
        if (line.empty() || StartsWithNoCase(line, "#EXTINF:")) return true;
        if (IsNonEmptyFile(line)) {
            add(line);
            return true;
        }
        const std::string joined = folder + line;
        const auto size = RegularFileSize(joined);
        if (!(size && *size == 0)) add(joined);
        return true;
    });
}

void ReadPLS(const std::string& file, const AddPathFn& add) {
    ForEachLine(file, [&](std::string_view decoded) {
        const std::string_view line = TrimSpaces(decoded);
        if (!StartsWithNoCase(line, "FILE")) return true;
        const auto eq = line.find('=');
        if (eq == std::string_view::npos) return true;
        std::string_view path = line.substr(eq + 1);
        path = path.substr(0, path.find('='));
        const std::string candidate(path);
        if (IsNonEmptyFile(candidate)) add(candidate);
        return true;
    });
}

}  // namespace sonvaro
