#include "tags/module_info.h"

#include <cmath>

#include "core/text.h"
#include "platform/file_info.h"
#include "playback/audio_library/bass.h"
#include "tags/track_info_reader.h"

namespace sonvaro {

int ReadPlayableTrackInfo(TagReader& reader, TrackInfo& info) {
    const int result = reader.ReadTrackInfo(info);
    if (result != kReadNothing || !IsNonEmptyFile(info.path)) return result;
    std::lock_guard lock(reader.tagLock);
    const HMUSIC music = BASS_MusicLoad(FALSE, info.path.c_str(), 0, 0, BASS_MUSIC_PRESCAN, 0);
    if (!music) return kReadNothing;
    BASS_CHANNELINFO channel{};
    if (BASS_ChannelGetInfo(music, &channel)) {
        info.channelType = static_cast<int32_t>(channel.ctype);
        info.sampleRate = static_cast<float>(channel.freq);
        info.channels = static_cast<int8_t>(channel.chans);
    }
    const double seconds = BASS_ChannelBytes2Seconds(music, BASS_ChannelGetLength(music, BASS_POS_BYTE));
    if (std::isfinite(seconds) && seconds > 0) info.length = static_cast<int32_t>(std::lround(seconds));
    const char* name = BASS_ChannelGetTags(music, BASS_TAG_MUSIC_NAME);
    info.title = name ? CleanFieldForFile(name) : std::string();
    if (info.title.empty()) info.title = TitleFromFileName(info.path);
    BASS_MusicFree(music);
    return kReadFile;
}

}  // namespace sonvaro
