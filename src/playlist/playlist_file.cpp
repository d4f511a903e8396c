#include "playlist/playlist_file.h"

#include "core/duration.h"
#include "core/encoding.h"
#include "core/line_reader.h"
#include "core/numbers.h"
#include "core/ports/messages.h"
#include "core/status_log.h"
#include "platform/atomic_file.h"
#include "platform/file_info.h"
#include "playlist/dat_fields.h"
#include "playlist/playlist_display.h"
#include "settings/settings.h"

namespace sonvaro {
namespace {

constexpr std::string_view kIdentifier = "SV-F-PLV1";

// Fields 15 and 16: a row's part of its file. Anything that makes no sense
// plays the whole file, as a reader of fourteen fields does.
TrackRange ReadRangeFields(std::string_view start, std::string_view end) {
    TrackRange range;
    if (start.empty()) return range;
    range.start = ParseDatNumber(start);
    range.end = end.empty() ? -1 : ParseDatNumber(end);
    if (range.end < 0) range.end = -1;
    if (range.start < 0 || (range.end >= 0 && range.end <= range.start)) return TrackRange{};
    return range;
}

}  // namespace

std::string PlaylistSummaryText(const Playlist& playlist) {
    int64_t total = 0;
    for (const PlaylistEntry& entry : playlist)
        if (entry.info.length > 0) total += entry.info.length;
    return " " + std::to_string(playlist.size()) + " [" + FormatDuration(total) + "]";
}

std::optional<Playlist> ParsePlaylistFile(std::string_view text) {
    LineReader reader(WithoutByteOrderMark(text));
    std::string_view line;
    if (!reader.Next(line) || line != kIdentifier) return std::nullopt;
    Playlist playlist;
    while (reader.Next(line)) {
        std::string_view rest;
        if (!DatEntryRest(line, rest)) continue;
        const auto f = SplitDatFields<16>(rest);
        if (!IsNonEmptyFile(std::string(f[0]))) continue;
        PlaylistEntry& entry = playlist.emplace_back();
        ReadTrackFields(f.data(), entry.info);
        entry.shuffleKey = LowBits16(ParseDatNumber(f[12]));
        entry.info.channelType = LowBits32(ParseDatNumber(f[13]));
        entry.range = ReadRangeFields(f[14], f[15]);
    }
    return playlist;
}

std::string PlaylistFileText(const Playlist& playlist, std::vector<std::string>* unstorable) {
    std::string out;
    out.reserve(64 + playlist.size() * 160);
    out += kIdentifier;
    out += "\r\n";
    for (const PlaylistEntry& entry : playlist) {
        if (!IsNonEmptyFile(entry.info.path)) continue;
        if (!DatPathStorable(entry.info.path)) {
            if (unstorable) unstorable->push_back(entry.info.path);
            continue;
        }
        DatLineWriter line(out);
        line.Track(entry.info);
        line.Number(entry.shuffleKey);
        line.Number(entry.info.channelType);
        // Only a part of the file adds fields; readers of fourteen fields skip them.
        if (!entry.range.Whole()) {
            line.Number(entry.range.start);
            line.Number(entry.range.end);
        }
        line.End();
    }
    return out;
}

void LoadPlaylistFile(Playlist& playlist, const std::string& filePath, const Settings& settings,
                      PlaylistDisplay* display, StatusLog* log) {
    playlist.clear();
    if (settings.Misc_AutoPlayList <= 0) {
        if (display) display->PlaylistReset();
        return;
    }
    const auto text = ReadWholeFile(filePath);
    auto parsed = text ? ParsePlaylistFile(*text) : std::nullopt;
    if (parsed)
        playlist = std::move(*parsed);
    else if (text)
        KeepUnreadableFile(filePath, *text, log);
    if (!display) return;
    display->PlaylistReset();
    if (!parsed) return;
    if (settings.GUI_AutoColumnWidthPL >= 1) display->FitPlaylistColumns();
    display->SetPlaylistSummary(PlaylistSummaryText(playlist));
}

bool SavePlaylistFile(const Playlist& playlist, const std::string& filePath, const Settings& settings,
                      bool reportErrors, Messages& messages, StatusLog& log, std::string* failure) {
    if (settings.Misc_AutoPlayList <= 0) return false;
    AtomicFile file(filePath);
    bool ok = file.Open();
    if (ok) {
        log.LogStatus("Schreibe Datei '" + filePath + "'");
        std::vector<std::string> unstorable;
        file.Write(PlaylistFileText(playlist, &unstorable));
        ok = file.Commit();
        for (const std::string& path : unstorable) LogUnstorablePath(log, path);
    }
    if (!ok && failure) *failure = file.ErrorText();
    if (!ok && reportErrors && !file.LeftReadOnly())
        messages.ErrorBox("Playlist konnte nicht gespeichert werden");
    return ok;
}

}  // namespace sonvaro
