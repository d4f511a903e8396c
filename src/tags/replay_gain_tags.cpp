#include "tags/replay_gain_tags.h"

#include <taglib/fileref.h>
#include <taglib/mp4file.h>
#include <taglib/opusfile.h>
#include <taglib/tpropertymap.h>

#include <charconv>
#include <cmath>
#include <memory>

#include "core/text.h"
#include "engine/bass.h"
#include "tags/bounded_tag_stream.h"
#include "tags/taglib_open.h"
#include "tags/track_info_reader.h"

namespace sonvaro {
namespace {

std::string_view TrimWhite(std::string_view text) {
    const auto white = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; };
    while (!text.empty() && white(text.front())) text.remove_prefix(1);
    while (!text.empty() && white(text.back())) text.remove_suffix(1);
    return text;
}

// A plain decimal number: optional sign, digits, at most one '.' or ',' with
// digits on at least one side. No exponent, no "nan", no "inf". Returns the
// number and leaves `text` at what follows it.
std::optional<double> TakeDecimal(std::string_view& text) {
    std::string number;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') number += '-';
        ++i;
    }
    bool digits = false, point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            number += c;
            digits = true;
        } else if ((c == '.' || c == ',') && !point) {
            number += '.';
            point = true;
        } else {
            break;
        }
    }
    if (!digits || number.size() > 64) return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size() || !std::isfinite(value))
        return std::nullopt;
    text.remove_prefix(i);
    return value;
}

constexpr std::string_view kMp4Freeform = "----:com.apple.iTunes:";

enum class Field { TrackGain, AlbumGain, TrackPeak, AlbumPeak, R128Track, R128Album, None };

Field FieldOf(std::string_view key) {
    if (StartsWithNoCase(key, kMp4Freeform)) key.remove_prefix(kMp4Freeform.size());
    struct Name {
        std::string_view name;
        Field field;
    };
    constexpr Name kNames[] = {
        {"REPLAYGAIN_TRACK_GAIN", Field::TrackGain}, {"REPLAYGAIN_ALBUM_GAIN", Field::AlbumGain},
        {"REPLAYGAIN_TRACK_PEAK", Field::TrackPeak}, {"REPLAYGAIN_ALBUM_PEAK", Field::AlbumPeak},
        {"R128_TRACK_GAIN", Field::R128Track},       {"R128_ALBUM_GAIN", Field::R128Album}};
    for (const Name& n : kNames)
        if (EqualsAsciiNoCase(key, n.name)) return n.field;
    return Field::None;
}

void Keep(std::optional<double>& slot, std::optional<double> value) {
    if (!slot && value) slot = value;
}

}  // namespace

std::optional<double> ParseReplayGainDb(std::string_view text) {
    text = TrimWhite(text);
    const auto value = TakeDecimal(text);
    if (!value) return std::nullopt;
    text = TrimWhite(text);
    if (!text.empty() && !EqualsAsciiNoCase(text, "dB")) return std::nullopt;
    if (std::fabs(*value) > kMaxReplayGainDb) return std::nullopt;
    return *value == 0 ? 0.0 : *value;  // no "-0"
}

std::optional<double> ParseReplayGainPeak(std::string_view text) {
    text = TrimWhite(text);
    const auto value = TakeDecimal(text);
    if (!value || !TrimWhite(text).empty()) return std::nullopt;
    if (!(*value > 0) || *value > kMaxReplayGainPeak) return std::nullopt;
    return value;
}

std::optional<double> ParseR128Gain(std::string_view text) {
    text = TrimWhite(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (value < -32768 || value > 32767) return std::nullopt;  // a signed 16-bit field
    const double db = value / 256.0 + 5.0;
    if (std::fabs(db) > kMaxReplayGainDb) return std::nullopt;
    return db;
}

ReplayGainTags ReplayGainFromTagList(const std::vector<std::pair<std::string, std::string>>& tags) {
    ReplayGainTags out;
    std::optional<double> r128Track, r128Album;
    for (const auto& [key, value] : tags) {
        switch (FieldOf(key)) {
            case Field::TrackGain:
                Keep(out.trackGain, ParseReplayGainDb(value));
                break;
            case Field::AlbumGain:
                Keep(out.albumGain, ParseReplayGainDb(value));
                break;
            case Field::TrackPeak:
                Keep(out.trackPeak, ParseReplayGainPeak(value));
                break;
            case Field::AlbumPeak:
                Keep(out.albumPeak, ParseReplayGainPeak(value));
                break;
            case Field::R128Track:
                Keep(r128Track, ParseR128Gain(value));
                break;
            case Field::R128Album:
                Keep(r128Album, ParseR128Gain(value));
                break;
            case Field::None:
                break;
        }
    }
    if (r128Track) out.trackGain = r128Track;
    if (r128Album) out.albumGain = r128Album;
    return out;
}

ReplayGainTags ReadReplayGainTags(TagReader& reader, const std::string& path, uint32_t channelType) {
    const TagFileLocks::Guard reading = reader.fileLocks.Read(path);
    BoundedTagStream stream(path);
    if (!stream.isOpen()) return {};
    std::unique_ptr<TagLib::File> typed = TagLibFileFor(channelType, stream);
    if (!typed && channelType == BASS_CTYPE_STREAM_MP4) typed = std::make_unique<TagLib::MP4::File>(&stream);
    if (!typed && channelType == BASS_CTYPE_STREAM_OPUS)
        typed = std::make_unique<TagLib::Ogg::Opus::File>(&stream);
    const TagLib::FileRef any = typed ? TagLib::FileRef() : TagLib::FileRef(&stream);
    TagLib::File* file = typed ? typed.get() : any.file();
    if (!file || !file->isValid()) return {};

    std::vector<std::pair<std::string, std::string>> list;
    for (const auto& [key, values] : file->properties()) {
        if (FieldOf(key.to8Bit(true)) != Field::None && !values.isEmpty())
            list.emplace_back(key.to8Bit(true), values.front().to8Bit(true));
    }
    // MP4 lists freeform atoms among its properties only under names it knows.
    if (const auto* mp4 = dynamic_cast<TagLib::MP4::File*>(file); mp4 && mp4->tag()) {
        for (const auto& [name, item] : mp4->tag()->itemMap()) {
            const std::string key = name.to8Bit(true);
            const TagLib::StringList values = item.toStringList();
            if (FieldOf(key) != Field::None && !values.isEmpty())
                list.emplace_back(key, values.front().to8Bit(true));
        }
    }
    return ReplayGainFromTagList(list);
}

}  // namespace sonvaro
