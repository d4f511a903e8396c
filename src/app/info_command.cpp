#include "app/info_command.h"

#include <cmath>

#include "core/text.h"
#include "engine/bass.h"
#include "platform/file_info.h"
#include "playback/format_names.h"
#include "tags/module_info.h"
#include "tags/track_info_reader.h"

namespace sonvaro {

int RunInfo(const std::vector<std::string>& files, std::FILE* out, std::FILE* errors) {
    // Device 0 needs no sound card; tag reading only opens and measures files.
    BASS_Init(0, 44100, 0, nullptr, nullptr);
    BASS_SetConfig(BASS_CONFIG_MIDI_AUTOFONT, 2);
    BASS_SetConfig(BASS_CONFIG_MP4_VIDEO, 1);
    TagReader reader;
    int status = 0;
    bool first = true;
    for (const std::string& file : files) {
        TrackInfo info;
        info.path = file;
        const int result = ReadPlayableTrackInfo(reader, info);
        const std::string shownPath = TerminalText(file);
        if (result == kReadNothing) {
            status = 1;
            std::fprintf(errors, "sonvaro: %s: %s\n", shownPath.c_str(), UnplayableReason(file).c_str());
        }
        if (reader.droppedFrames > 0)
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
