#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "playlist/playlist.h"

namespace sonvaro {

// The "ETY:" lines shared by PlayList.dat and MediaLibary.dat: fields each
// followed by "|", text cleaned, numbers in plain signed decimal.
class DatLineWriter {
  public:
    explicit DatLineWriter(std::string& out) : out_(out) { out_ += "ETY:"; }
    void Text(std::string_view text);
    // Paths are written byte for byte; check DatPathStorable first.
    void Path(std::string_view path);
    void Number(int64_t value);
    // Fields 1 to 12 of a track, laid out alike in both files.
    void Track(const TrackInfo& info);
    void End() { out_ += "\r\n"; }

  private:
    std::string& out_;
};

// Splits an entry line (prefix already checked) into up to N fields: field n
// lies between the (n-1)-th and n-th "|"; missing fields are empty.
template <size_t N>
std::array<std::string_view, N> SplitDatFields(std::string_view rest) {
    std::array<std::string_view, N> fields{};
    size_t start = 0;
    for (size_t n = 0; n < N && start <= rest.size(); ++n) {
        const size_t bar = rest.find('|', start);
        if (bar == std::string_view::npos) {
            fields[n] = rest.substr(start);
            break;
        }
        fields[n] = rest.substr(start, bar - start);
        start = bar + 1;
    }
    return fields;
}

// False for a path the "|"-separated line cannot hold as it is ("|", CR, LF):
// such an entry is left out rather than stored under another name.
inline bool DatPathStorable(std::string_view path) {
    return path.find_first_of("|\r\n") == std::string_view::npos;
}

// Sets fields 1 to 12 of a track from the raw f[0..11]: the path byte for byte,
// each text field as UTF-8 (read as Windows-1252 when it is not valid UTF-8),
// numbers narrowed to their width.
void ReadTrackFields(const std::string_view* f, TrackInfo& info);

// A data-file line, trimmed of spaces, that starts with "ETY:" in any case:
// true and the text after the prefix in `rest`.
bool DatEntryRest(std::string_view line, std::string_view& rest);

// The text after a UTF-8 byte-order mark, which editors may put before the identifier.
std::string_view WithoutByteOrderMark(std::string_view text);

class StatusLog;
// A data file that exists but does not start with its identifier is copied to
// "<file>.bad" (replacing an older copy), so the next save cannot lose it.
void KeepUnreadableFile(const std::string& filePath, std::string_view text, StatusLog* log);

// The status-log line for an entry left out of a data file.
void LogUnstorablePath(StatusLog& log, std::string_view path);

}  // namespace sonvaro
