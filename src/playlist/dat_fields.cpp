#include "playlist/dat_fields.h"

#include <charconv>
#include <cmath>

#include "core/encoding.h"
#include "core/numbers.h"
#include "core/status_log.h"
#include "core/text.h"
#include "platform/atomic_file.h"

namespace sonvaro {

void DatLineWriter::Text(std::string_view text) {
    // Most fields need no cleaning; skip the copy for them.
    const bool clean = text.find_first_of("|\r\n") == std::string_view::npos &&
                       (text.empty() || (text.front() != ' ' && text.back() != ' '));
    if (clean)
        out_ += text;
    else
        out_ += CleanFieldForFile(text);
    out_ += '|';
}

void DatLineWriter::Path(std::string_view path) {
    out_ += path;
    out_ += '|';
}

void DatLineWriter::Number(int64_t value) {
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    out_.append(buf, res.ptr);
    out_ += '|';
}

void DatLineWriter::Track(const TrackInfo& info) {
    Path(info.path);
    Text(info.title);
    Text(info.artist);
    Text(info.album);
    Number(info.year);
    Text(info.comment);
    Number(info.trackNumber);
    Text(info.genre);
    Number(info.bitrate);
    // Rounded to the nearest integer; a rate no integer can hold is written as 0.
    const double rate = std::nearbyint(static_cast<double>(info.sampleRate));
    Number(std::isfinite(rate) && std::fabs(rate) < 9e18 ? static_cast<int64_t>(rate) : 0);
    Number(info.channels);
    Number(info.length);
}

namespace {

void AssignText(std::string& field, std::string_view raw) {
    if (IsValidUtf8(raw))
        field.assign(raw);
    else
        field = Windows1252ToUtf8(raw);
}

}  // namespace

void ReadTrackFields(const std::string_view* f, TrackInfo& info) {
    info.path.assign(f[0]);
    AssignText(info.title, f[1]);
    AssignText(info.artist, f[2]);
    AssignText(info.album, f[3]);
    info.year = LowBits16(ParseDatNumber(f[4]));
    AssignText(info.comment, f[5]);
    info.trackNumber = LowBits16(ParseDatNumber(f[6]));
    AssignText(info.genre, f[7]);
    info.bitrate = LowBits16(ParseDatNumber(f[8]));
    info.sampleRate = static_cast<float>(LowBits32(ParseDatNumber(f[9])));
    info.channels = LowBits8(ParseDatNumber(f[10]));
    info.length = LowBits32(ParseDatNumber(f[11]));
}

bool DatEntryRest(std::string_view line, std::string_view& rest) {
    line = TrimSpaces(line);
    if (!StartsWithNoCase(line, "ETY:")) return false;
    rest = line.substr(4);
    return true;
}

std::string_view WithoutByteOrderMark(std::string_view text) {
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    if (text.substr(0, kMark.size()) == kMark) text.remove_prefix(kMark.size());
    return text;
}

void KeepUnreadableFile(const std::string& filePath, std::string_view text, StatusLog* log) {
    if (text.empty()) return;
    const std::string copy = filePath + ".bad";
    const bool kept = WriteFileAtomically(copy, text);
    if (log)
        log->LogStatus(kept ? "Unlesbare Datei '" + filePath + "' gesichert als '" + copy + "'"
                            : "Unlesbare Datei '" + filePath + "' konnte nicht gesichert werden");
}

void LogUnstorablePath(StatusLog& log, std::string_view path) {
    log.LogStatus("Nicht gespeichert (Name mit '|' oder Zeilenumbruch): " + std::string(path));
}

}  // namespace sonvaro
