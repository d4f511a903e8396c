// Loudness-normalisation values a file carries in its tags: ReplayGain's
// REPLAYGAIN_{TRACK,ALBUM}_{GAIN,PEAK} in ID3v2 TXXX frames, Vorbis comments,
// APE items and MP4 freeform atoms, and Opus's R128_{TRACK,ALBUM}_GAIN.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sonvaro {

class TagReader;

// Each value only when its tag was there and made sense.
struct ReplayGainTags {
    std::optional<double> trackGain;  // dB
    std::optional<double> albumGain;  // dB
    std::optional<double> trackPeak;  // linear, 1.0 = full scale
    std::optional<double> albumPeak;
    bool operator==(const ReplayGainTags&) const = default;
};

// Gains beyond this are no measurement but a broken tag.
constexpr double kMaxReplayGainDb = 64.0;
// Peaks above 20 dB over full scale, likewise.
constexpr double kMaxReplayGainPeak = 10.0;

// "-6.00 dB", "+3.5 dB", "-6,00 dB", "2.1db", "-7": nullopt for anything else.
std::optional<double> ParseReplayGainDb(std::string_view text);
// "0.988553", "1,02": nullopt for a negative, zero, absurd or malformed peak.
std::optional<double> ParseReplayGainPeak(std::string_view text);
// An Opus R128 gain: a Q7.8 integer in dB relative to -23 LUFS, returned as
// ReplayGain dB (value / 256 + 5, ReplayGain's reference being 5 dB louder).
std::optional<double> ParseR128Gain(std::string_view text);

// The values among key/value pairs as TagLib lists them (keys in any case;
// MP4 freeform names with or without "----:com.apple.iTunes:"). An R128 gain
// wins over a REPLAYGAIN one; of a key given twice the first counts.
ReplayGainTags ReplayGainFromTagList(const std::vector<std::pair<std::string, std::string>>& tags);

// Reads the file's values (not while its tags are written) as the format the
// engine found by content (`channelType`), else by extension. Empty when the
// file cannot be read or carries none.
ReplayGainTags ReadReplayGainTags(TagReader& reader, const std::string& path, uint32_t channelType);

}  // namespace sonvaro
