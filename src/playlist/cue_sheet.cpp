#include "playlist/cue_sheet.h"

#include <cmath>
#include <map>
#include <set>

#include "core/encoding.h"
#include "core/line_reader.h"
#include "core/text.h"
#include "platform/file_info.h"

namespace sonvaro {
namespace {

std::string_view SkipBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return s;
}

// The next word, or the text between double quotes.
std::string_view NextToken(std::string_view& s) {
    s = SkipBlanks(s);
    if (s.empty()) return {};
    if (s.front() == '"') {
        const size_t close = s.find('"', 1);
        const std::string_view token = s.substr(1, close == std::string_view::npos ? s.npos : close - 1);
        s = close == std::string_view::npos ? std::string_view{} : s.substr(close + 1);
        return token;
    }
    size_t end = 0;
    while (end < s.size() && s[end] != ' ' && s[end] != '\t') ++end;
    const std::string_view token = s.substr(0, end);
    s.remove_prefix(end);
    return token;
}

// FILE's name: quoted, or every word before the type word.
std::string_view FileName(std::string_view rest) {
    rest = SkipBlanks(rest);
    if (!rest.empty() && rest.front() == '"') return NextToken(rest);
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.remove_suffix(1);
    const size_t last = rest.find_last_of(" \t");
    if (last == std::string_view::npos) return rest;
    std::string_view name = rest.substr(0, last);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
    return name;
}

bool ParseDigits(std::string_view s, int64_t& value) {
    if (s.empty() || s.size() > 9) return false;
    value = 0;
    for (const char c : s) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// "mm:ss:ff" to CUE frames; -1 when it is no such time.
int64_t ParseCueTime(std::string_view s) {
    const size_t a = s.find(':');
    const size_t b = a == s.npos ? s.npos : s.find(':', a + 1);
    int64_t mm, ss, ff;
    if (b == s.npos || !ParseDigits(s.substr(0, a), mm) || !ParseDigits(s.substr(a + 1, b - a - 1), ss) ||
        !ParseDigits(s.substr(b + 1), ff) || ss >= 60 || ff >= kCueFramesPerSecond)
        return -1;
    return (mm * 60 + ss) * kCueFramesPerSecond + ff;
}

bool Is(std::string_view word, std::string_view keyword) {
    return EqualsNoCase(word, keyword);
}

// Tracks left out for one reason: a line for all of them, so that a sheet of
// thousands of bad tracks does not flood the log.
struct LeftOut {
    size_t count = 0;
    int first = 0;
    void Add(int number) {
        if (count++ == 0) first = number;
    }
    void Report(std::vector<std::string>& problems, const std::string& reason) const {
        if (count == 0) return;
        problems.push_back("CUE: " + std::to_string(count) + (count == 1 ? " Track " : " Tracks ") + reason +
                           ", ausgelassen (zuerst Track " + std::to_string(first) + ")");
    }
};

// Missing audio files named one by one up to this many.
constexpr size_t kNamedMissingFiles = 10;

}  // namespace

CueSheet ParseCueSheet(std::string_view text, std::string_view folder) {
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    if (text.substr(0, kMark.size()) == kMark) text.remove_prefix(kMark.size());
    const bool utf8 = IsValidUtf8(text);
    const auto decode = [utf8](std::string_view s) { return utf8 ? std::string(s) : Windows1252ToUtf8(s); };

    CueSheet sheet;
    std::vector<CueTrack> read;
    std::string file;
    bool inTrack = false, audio = false, capped = false, noFile = false;
    LeftOut noIndex, outOfOrder;
    CueTrack track;
    const auto finish = [&] {
        if (inTrack && audio && !file.empty()) {
            track.file = file;
            if (track.start >= 0)
                read.push_back(track);
            else
                noIndex.Add(track.number);
        }
        inTrack = false;
    };
    LineReader reader(text);
    std::string_view line;
    while (reader.Next(line)) {
        std::string_view rest = line;
        const std::string_view keyword = NextToken(rest);
        if (Is(keyword, "FILE")) {
            finish();
            const std::string_view name = FileName(rest);
            file = name.empty()          ? std::string()
                   : name.front() == '/' ? std::string(name)
                                         : std::string(folder) + std::string(name);
        } else if (Is(keyword, "TRACK")) {
            finish();
            if (read.size() >= kMaxCueTracks) {
                capped = true;
                break;
            }
            int64_t number = 0;
            ParseDigits(NextToken(rest), number);
            audio = Is(NextToken(rest), "AUDIO");
            if (file.empty()) noFile = true;
            track = CueTrack{};
            track.number = static_cast<int>(number);
            track.start = -1;
            inTrack = true;
        } else if (Is(keyword, "TITLE")) {
            (inTrack ? track.title : sheet.title) = decode(NextToken(rest));
        } else if (Is(keyword, "PERFORMER")) {
            (inTrack ? track.performer : sheet.performer) = decode(NextToken(rest));
        } else if (Is(keyword, "INDEX") && inTrack) {
            int64_t number = -1;
            if (ParseDigits(NextToken(rest), number) && number == 1)
                track.start = ParseCueTime(NextToken(rest));
        }
        // REM, CATALOG, FLAGS, ISRC, PREGAP, POSTGAP and the like change nothing here.
    }
    finish();
    if (noFile) sheet.problems.push_back("CUE: Tracks ohne FILE ausgelassen");
    if (capped)
        sheet.problems.push_back("CUE: Mehr als " + std::to_string(kMaxCueTracks) +
                                 " Tracks, nur die ersten " + std::to_string(kMaxCueTracks) +
                                 " werden gelesen");

    // Within a file each track must start after the one before it; one that
    // does not is left out rather than given a negative length.
    std::map<std::string, size_t> lastOfFile;  // file -> index in sheet.tracks
    for (CueTrack& t : read) {
        if (t.performer.empty()) t.performer = sheet.performer;
        const auto last = lastOfFile.find(t.file);
        if (last != lastOfFile.end()) {
            CueTrack& before = sheet.tracks[last->second];
            if (t.start <= before.start) {
                outOfOrder.Add(t.number);
                continue;
            }
            before.end = t.start;
        }
        lastOfFile[t.file] = sheet.tracks.size();
        sheet.tracks.push_back(std::move(t));
    }
    noIndex.Report(sheet.problems, "ohne INDEX 01");
    outOfOrder.Report(sheet.problems, "nicht nach dem vorigen Track der Datei");
    return sheet;
}

CueSheet ReadCueSheet(const std::string& path) {
    CueSheet none;
    const auto size = RegularFileSize(path);
    if (!size) {
        none.problems.push_back("CUE-Datei nicht lesbar: '" + path + "'");
        return none;
    }
    if (*size > static_cast<int64_t>(kMaxCueSheetBytes)) {
        none.problems.push_back("CUE-Datei zu groß (über 1 MB), übersprungen: '" + path + "'");
        return none;
    }
    const auto text = ReadWholeFile(path);
    if (!text || text->size() > kMaxCueSheetBytes) {
        none.problems.push_back("CUE-Datei nicht lesbar: '" + path + "'");
        return none;
    }
    CueSheet sheet = ParseCueSheet(*text, FolderOf(path));
    // A sheet written on another system may name its file in Windows-1252.
    const bool utf8 = IsValidUtf8(*text);
    std::map<std::string, std::string> found;  // as named -> as it exists, "" when missing
    std::vector<CueTrack> kept;
    size_t missing = 0;
    for (CueTrack& t : sheet.tracks) {
        auto it = found.find(t.file);
        if (it == found.end()) {
            std::string existing;
            if (IsNonEmptyFile(t.file))
                existing = t.file;
            else if (const std::string converted = Windows1252ToUtf8(t.file);
                     !utf8 && IsNonEmptyFile(converted))
                existing = converted;
            if (existing.empty() && ++missing <= kNamedMissingFiles)
                sheet.problems.push_back("CUE: Audiodatei fehlt: '" + t.file + "'");
            it = found.emplace(t.file, existing).first;
        }
        if (it->second.empty()) continue;
        t.file = it->second;
        kept.push_back(std::move(t));
    }
    sheet.tracks = std::move(kept);
    if (missing > kNamedMissingFiles)
        sheet.problems.push_back("CUE: " + std::to_string(missing - kNamedMissingFiles) +
                                 " weitere Audiodateien fehlen");
    return sheet;
}

TrackInfo CueTrackInfo(const TrackInfo& file, const CueSheet& sheet, const CueTrack& track) {
    TrackInfo info = file;
    info.path = track.file;
    if (!track.title.empty()) info.title = track.title;
    if (!track.performer.empty()) info.artist = track.performer;
    if (!sheet.title.empty()) info.album = sheet.title;
    info.trackNumber = static_cast<int16_t>(track.number);
    const int64_t end = track.end >= 0 ? track.end : static_cast<int64_t>(file.length) * kCueFramesPerSecond;
    const int64_t frames = end - track.start;
    info.length = frames > 0
                      ? static_cast<int32_t>(std::llround(static_cast<double>(frames) / kCueFramesPerSecond))
                      : 0;
    return info;
}

std::string FormatCueTime(int64_t frames) {
    if (frames < 0) frames = 0;
    const auto two = [](int64_t v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    return two(frames / (60 * kCueFramesPerSecond)) + ":" + two(frames / kCueFramesPerSecond % 60) + ":" +
           two(frames % kCueFramesPerSecond);
}

}  // namespace sonvaro
