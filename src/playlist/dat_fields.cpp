#include "playlist/dat_fields.h"

#include <charconv>
#include <cmath>

#include "core/numbers.h"
#include "core/text.h"

namespace sonvaro {

void DatLineWriter::Text(std::string_view text) {
    // Most fields need no cleaning; skip the copy for them.
    const bool clean = text.find_first_of("|\r\n") == std::string_view::npos &&
                       (text.empty() || (text.front() != ' ' && text.back() != ' '));
    if (clean) out_ += text;
    else out_ += CleanFieldForFile(text);
    out_ += '|';
}

void DatLineWriter::Number(int64_t value) {
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    out_.append(buf, res.ptr);
    out_ += '|';
}

void DatLineWriter::Track(const TrackInfo& info) {
    Text(info.path);
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

void ReadTrackFields(const std::string_view* f, TrackInfo& info) {
    info.path.assign(f[0]);
    info.title.assign(f[1]);
    info.artist.assign(f[2]);
    info.album.assign(f[3]);
    info.year = LowBits16(ParseDatNumber(f[4]));
    info.comment.assign(f[5]);
    info.trackNumber = LowBits16(ParseDatNumber(f[6]));
    info.genre.assign(f[7]);
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

}  // namespace sonvaro
