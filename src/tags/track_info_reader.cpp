#include "tags/track_info_reader.h"

#include <taglib/flacfile.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/mpegfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/tag_c.h>
#include <taglib/tfilestream.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavpackfile.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "core/numbers.h"
#include "core/text.h"
#include "platform/file_info.h"
#include "playback/audio_library/bass.h"
#include "playback/audio_library/source/probe.h"
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

// TagLib's open stream seen as the engine's byte source, so that the engine's
// content probe and TagLib read the same open file.
class TagLibStreamBytes final : public audio::ByteSource {
  public:
    explicit TagLibStreamBytes(TagLib::IOStream& stream) : stream_(stream), size_(stream.length()) {}
    std::int64_t Read(void* buffer, std::size_t size) override {
        const TagLib::ByteVector block = stream_.readBlock(static_cast<unsigned long>(size));
        // An empty block (at the end) may have no storage at all: memcpy from null is undefined.
        if (!block.isEmpty()) std::memcpy(buffer, block.data(), block.size());
        return block.size();
    }
    bool Seek(std::int64_t offset) override {
        if (offset < 0 || offset > size_) return false;
        stream_.seek(static_cast<long>(offset));
        return true;
    }
    std::int64_t Position() const override { return stream_.tell(); }
    std::int64_t Size() const override { return size_; }
    bool Seekable() const override { return true; }

  private:
    TagLib::IOStream& stream_;
    std::int64_t size_;
};

// TagLib's reader for a format the probe told by content; null for formats
// whose tags or properties come from the engine.
std::unique_ptr<TagLib::File> TagLibFileFor(uint32_t channelType, TagLib::IOStream& stream) {
    switch (channelType) {
        case BASS_CTYPE_STREAM_MP1:
        case BASS_CTYPE_STREAM_MP2:
        case BASS_CTYPE_STREAM_MP3:
            return std::make_unique<TagLib::MPEG::File>(&stream, TagLib::ID3v2::FrameFactory::instance());
        case BASS_CTYPE_STREAM_OGG:
            return std::make_unique<TagLib::Ogg::Vorbis::File>(&stream);
        case BASS_CTYPE_STREAM_FLAC:
            return std::make_unique<TagLib::FLAC::File>(&stream, TagLib::ID3v2::FrameFactory::instance());
        case BASS_CTYPE_STREAM_FLAC_OGG:
            return std::make_unique<TagLib::Ogg::FLAC::File>(&stream);
        case BASS_CTYPE_STREAM_WV:
            return std::make_unique<TagLib::WavPack::File>(&stream);
        default:
            return nullptr;
    }
}

std::string Cleaned(const TagLib::String& text) {
    return CleanFieldForFile(text.to8Bit(true));
}

// The common formats in one open: the engine's content probe on the first
// bytes, then TagLib on the same stream for tags and audio properties. False
// (and `info` untouched) when the file needs the engine: another format, or
// one TagLib cannot read or finds no audio in.
bool ReadInOneOpen(TrackInfo& info) {
    TagLib::FileStream stream(info.path.c_str(), true);
    if (!stream.isOpen()) return false;
    uint32_t channelType = 0;
    {
        TagLibStreamBytes bytes(stream);
        channelType = audio::ProbeContent(bytes).ctype;
    }
    stream.clear();
    stream.seek(0);
    const std::unique_ptr<TagLib::File> file = TagLibFileFor(channelType, stream);
    if (!file || !file->isValid()) return false;
    const TagLib::AudioProperties* props = file->audioProperties();
    if (!props || props->sampleRate() <= 0 || props->channels() <= 0) return false;
    info.channelType = static_cast<int32_t>(channelType);
    if (const TagLib::Tag* tag = file->tag()) {
        info.title = Cleaned(tag->title());
        info.artist = Cleaned(tag->artist());
        info.album = Cleaned(tag->album());
        info.comment = Cleaned(tag->comment());
        info.genre = Cleaned(tag->genre());
        info.year = Clamp16(static_cast<int64_t>(tag->year()));
        info.trackNumber = Clamp16(static_cast<int64_t>(tag->track()));
    }
    info.bitrate = Clamp16(props->bitrate());
    info.sampleRate = static_cast<float>(props->sampleRate());
    info.channels = static_cast<int8_t>(props->channels());
    info.length = props->lengthInSeconds();
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
    if (ReadInOneOpen(info)) {
        if (TrimSpaces(info.title).empty()) info.title = TitleFromFileName(info.path);
        return kReadFile;
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
