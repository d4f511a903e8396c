#include "app/info_command.h"

#include <cmath>

#include "core/text.h"
#include "engine/bass.h"
#include "platform/file_info.h"
#include "playback/format_names.h"
#include "playlist/cue_sheet.h"
#include "tags/module_info.h"
#include "tags/track_info_reader.h"

namespace sonvaro {

namespace {

bool IsCueSheet(std::string_view path) {
    return path.size() >= 4 && EqualsNoCase(path.substr(path.size() - 4), ".cue");
}

// The CUE frames from `start` to the end of the file's sound; -1 when it cannot be played.
int64_t FramesToEnd(const std::string& file, int64_t start) {
    const HSTREAM stream =
        BASS_StreamCreateFileRange(file.c_str(), static_cast<double>(start) / kCueFramesPerSecond, 0,
                                   BASS_STREAM_DECODE | BASS_STREAM_PRESCAN);
    if (!stream) return -1;
    const double seconds = BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetLength(stream, BASS_POS_BYTE));
    BASS_StreamFree(stream);
    return std::isfinite(seconds) && seconds >= 0 ? std::llround(seconds * kCueFramesPerSecond) : -1;
}

// A sheet's tracks, one line each: number, performer, title, start and
// length (mm:ss:ff), separated by tabs. 1 when it gives no track.
int ShowCueSheet(const std::string& file, std::FILE* out, std::FILE* errors) {
    const std::string shownPath = TerminalText(file);
    if (!RegularFileSize(file)) {
        std::fprintf(errors, "sonvaro: %s: %s\n", shownPath.c_str(), UnplayableReason(file).c_str());
        return 1;
    }
    const CueSheet sheet = ReadCueSheet(file);
    for (const std::string& problem : sheet.problems)
        std::fprintf(errors, "sonvaro: %s: %s\n", shownPath.c_str(), TerminalText(problem).c_str());
    std::fprintf(out, "path=%s\nalbum=%s\nperformer=%s\ntracks=%zu\n", shownPath.c_str(),
                 TerminalText(sheet.title).c_str(), TerminalText(sheet.performer).c_str(),
                 sheet.tracks.size());
    for (const CueTrack& track : sheet.tracks) {
        const int64_t length =
            track.end >= 0 ? track.end - track.start : FramesToEnd(track.file, track.start);
        std::fprintf(out, "%02d\t%s\t%s\t%s\t%s\n", track.number, TerminalText(track.performer).c_str(),
                     TerminalText(track.title).c_str(), FormatCueTime(track.start).c_str(),
                     length >= 0 ? FormatCueTime(length).c_str() : "?");
    }
    return sheet.tracks.empty() ? 1 : 0;
}

}  // namespace

int RunInfo(const std::vector<std::string>& files, std::FILE* out, std::FILE* errors) {
    // Device 0 needs no sound card; tag reading only opens and measures files.
    BASS_Init(0, 44100, 0, nullptr, nullptr);
    BASS_SetConfig(BASS_CONFIG_MIDI_AUTOFONT, 2);
    BASS_SetConfig(BASS_CONFIG_MP4_VIDEO, 1);
    TagReader reader;
    int status = 0;
    bool first = true;
    for (const std::string& file : files) {
        if (IsCueSheet(file)) {
            if (!first) std::fputs("\n", out);
            first = false;
            if (ShowCueSheet(file, out, errors) != 0) status = 1;
            continue;
        }
        TrackInfo info;
        info.path = file;
        std::size_t droppedFrames = 0;
        const int result = ReadPlayableTrackInfo(reader, info, &droppedFrames);
        const std::string shownPath = TerminalText(file);
        if (result == kReadNothing) {
            status = 1;
            std::fprintf(errors, "sonvaro: %s: %s\n", shownPath.c_str(), UnplayableReason(file).c_str());
        }
        if (droppedFrames > 0)
            std::fprintf(errors,
                         "sonvaro: %s: zu gro\xC3\x9F"
                         "e Tag-Felder \xC3\xBC"
                         "bersprungen\n",
                         shownPath.c_str());
        if (!first) std::fputs("\n", out);
        first = false;
        std::fprintf(
            out,
            "result=%d\npath=%s\ntitle=%s\nartist=%s\nalbum=%s\nyear=%d\ncomment=%s\ntrackNumber=%d\n"
            "genre=%s\nbitrate=%d\nsampleRate=%ld\nchannels=%d\nlength=%d\nchannelType=%d\ntype=%s\n",
            result, shownPath.c_str(), TerminalText(info.title).c_str(), TerminalText(info.artist).c_str(),
            TerminalText(info.album).c_str(), info.year, TerminalText(info.comment).c_str(), info.trackNumber,
            TerminalText(info.genre).c_str(), info.bitrate, std::lround(info.sampleRate), info.channels,
            info.length, info.channelType, FormatName(info.channelType, false).c_str());
    }
    BASS_Free();
    return status;
}

}  // namespace sonvaro
