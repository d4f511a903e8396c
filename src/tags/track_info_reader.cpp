#include "tags/track_info_reader.h"

#include <taglib/tag_c.h>

#include <cmath>

#include "core/numbers.h"
#include "core/text.h"
#include "platform/file_info.h"
#include "playback/audio_library/bass.h"
#include "tags/taglib_open.h"

namespace sonvaro {
namespace {

std::string Cleaned(const char* text) {
    return text ? CleanFieldForFile(text) : std::string();
}

// Tags and audio properties through TagLib; false when it cannot open the file.
bool ReadWithTagLib(TrackInfo& info, DWORD channelType) {
    if (TrimSpaces(info.path).empty()) return false;
    taglib_set_strings_unicode(1);
    TagLib_File* file = OpenWithTagLib(info.path, channelType);
    if (!file) return false;
    if (!taglib_file_is_valid(file)) {
        taglib_file_free(file);
        return false;
    }
    if (TagLib_Tag* tag = taglib_file_tag(file)) {
        info.title = Cleaned(taglib_tag_title(tag));
        info.artist = Cleaned(taglib_tag_artist(tag));
        info.album = Cleaned(taglib_tag_album(tag));
        info.comment = Cleaned(taglib_tag_comment(tag));
        info.genre = Cleaned(taglib_tag_genre(tag));
        info.year = Clamp16(taglib_tag_year(tag));
        info.trackNumber = Clamp16(taglib_tag_track(tag));
    }
    if (const TagLib_AudioProperties* props = taglib_file_audioproperties(file)) {
        info.bitrate = Clamp16(taglib_audioproperties_bitrate(props));
        info.sampleRate = static_cast<float>(taglib_audioproperties_samplerate(props));
        info.channels = static_cast<int8_t>(taglib_audioproperties_channels(props));
        info.length = taglib_audioproperties_length(props);
    }
    taglib_tag_free_strings();
    taglib_file_free(file);
    return true;
}

void ResetFields(TrackInfo& info) {
    const std::string path = std::move(info.path);
    info = TrackInfo{};
    info.path = path;
}

}  // namespace

uint32_t ReadChannelProperties(uint32_t channel, TrackInfo& info) {
    BASS_CHANNELINFO properties{};
    if (BASS_ChannelGetInfo(channel, &properties)) {
        info.channelType = static_cast<int32_t>(properties.ctype);
        info.sampleRate = static_cast<float>(properties.freq);
        info.channels = static_cast<int8_t>(properties.chans);
    }
    const double seconds = BASS_ChannelBytes2Seconds(channel, BASS_ChannelGetLength(channel, BASS_POS_BYTE));
    if (std::isfinite(seconds) && seconds > 0) info.length = static_cast<int32_t>(std::lround(seconds));
    return properties.ctype;
}

std::string TitleFromFileName(std::string_view path) {
    const std::string_view name = FileNameOf(path);
    const auto dot = name.rfind('.');
    return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

int TagReader::ReadTrackInfo(TrackInfo& info) {
    std::lock_guard lock(tagLock);
    if (TrimSpaces(info.path).empty()) return kReadNothing;
    ResetFields(info);
    if (!IsNonEmptyFile(info.path)) {
        if (IsStreamAddress(info.path)) return kReadStream;
        return kReadNothing;
    }
    const HSTREAM stream = BASS_StreamCreateFile(FALSE, info.path.c_str(), 0, 0, 0);
    if (!stream) return kReadNothing;
    const uint32_t channelType = ReadChannelProperties(stream, info);
    switch (channelType) {
        case BASS_CTYPE_STREAM_WMA:
        case BASS_CTYPE_STREAM_WMA_MP3:
            ParseEngineTagList(BASS_ChannelGetTags(stream, BASS_TAG_WMA), EngineTagList::WMA, info);
            break;
        case BASS_CTYPE_STREAM_MP4:
            ParseEngineTagList(BASS_ChannelGetTags(stream, BASS_TAG_MP4), EngineTagList::MP4, info);
            break;
        default:
            ReadWithTagLib(info, channelType);
            break;
    }
    if (TrimSpaces(info.title).empty()) info.title = TitleFromFileName(info.path);
    BASS_StreamFree(stream);
    return kReadFile;
}

}  // namespace sonvaro
