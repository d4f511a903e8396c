#include "tags/module_info.h"

#include "core/text.h"
#include "engine/bass.h"
#include "platform/file_info.h"
#include "tags/track_info_reader.h"

namespace sonvaro {

int ReadPlayableTrackInfo(TagReader& reader, TrackInfo& info, std::size_t* droppedFrames) {
    const int result = reader.ReadTrackInfo(info, droppedFrames);
    if (result != kReadNothing || !IsNonEmptyFile(info.path)) return result;
    const TagFileLocks::Guard reading = reader.fileLocks.Read(info.path);
    const HMUSIC music = BASS_MusicLoad(FALSE, info.path.c_str(), 0, 0, BASS_MUSIC_PRESCAN, 0);
    if (!music) return kReadNothing;
    ReadChannelProperties(music, info);
    const char* name = BASS_ChannelGetTags(music, BASS_TAG_MUSIC_NAME);
    info.title = name ? name : "";
    BoundTagText(info);
    if (info.title.empty()) info.title = TitleFromFileName(info.path);
    BASS_MusicFree(music);
    return kReadFile;
}

}  // namespace sonvaro
