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

}  // namespace

void ReadM3U(const std::string& file, const AddPathFn& add) {
    ImportGuard guard(file);
    if (!guard.Entered()) return;
    const auto text = ReadWholeFile(file);
    if (!text) return;
    LineReader reader(*text, true);
    std::string_view raw;
    std::string scratch;
    if (!reader.Next(raw) || TrimSpaces(DecodeLine(raw, scratch)) != "#EXTM3U") return;
    const std::string folder(FolderOf(file));
    while (reader.Next(raw)) {
        const std::string line(TrimSpaces(DecodeLine(raw, scratch)));
        if (line.empty() || StartsWithNoCase(line, "#EXTINF:")) continue;
        if (IsNonEmptyFile(line)) {
            add(line);
            continue;
        }
        const std::string joined = folder + line;
        const auto size = RegularFileSize(joined);
        if (!(size && *size == 0)) add(joined);
    }
}

void ReadPLS(const std::string& file, const AddPathFn& add) {
    ImportGuard guard(file);
    if (!guard.Entered()) return;
    const auto text = ReadWholeFile(file);
    if (!text) return;
    LineReader reader(*text, true);
    std::string_view raw;
    std::string scratch;
    while (reader.Next(raw)) {
        const std::string_view line = TrimSpaces(DecodeLine(raw, scratch));
        if (!StartsWithNoCase(line, "FILE")) continue;
        const auto eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        std::string_view path = line.substr(eq + 1);
        path = path.substr(0, path.find('='));
        const std::string candidate(path);
        if (IsNonEmptyFile(candidate)) add(candidate);
    }
}

}  // namespace sonvaro
