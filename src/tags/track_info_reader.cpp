#include "tags/track_info_reader.h"

#include <taglib/fileref.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "core/numbers.h"
#include "core/text.h"
#include "engine/bass.h"
#include "engine/content_probe.h"
#include "platform/file_info.h"
#include "tags/bounded_tag_stream.h"
#include "tags/taglib_open.h"

namespace sonvaro {
namespace {

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

void TakeTags(const TagLib::Tag* tag, TrackInfo& info) {
    if (!tag) return;
    info.title = tag->title().to8Bit(true);
    info.artist = tag->artist().to8Bit(true);
    info.album = tag->album().to8Bit(true);
    info.comment = tag->comment().to8Bit(true);
    info.genre = tag->genre().to8Bit(true);
    info.year = Clamp16(static_cast<int64_t>(tag->year()));
    info.trackNumber = Clamp16(static_cast<int64_t>(tag->track()));
}

// False when TagLib found no audio.
bool TakeProperties(const TagLib::AudioProperties* props, TrackInfo& info) {
    if (!props || props->sampleRate() <= 0 || props->channels() <= 0) return false;
    info.bitrate = Clamp16(props->bitrate());
    info.sampleRate = static_cast<float>(props->sampleRate());
    info.channels = static_cast<int8_t>(props->channels());
    info.length = props->lengthInSeconds();
    return true;
}

// The common formats in one open: the engine's content probe on the first
// bytes, then TagLib on the same stream for tags and audio properties. False
// (and `info` untouched) when the file needs the engine: another format, or
// one TagLib cannot read or finds no audio in.
bool ReadInOneOpen(TrackInfo& info, std::size_t& dropped) {
    BoundedTagStream stream(info.path);
    if (!stream.isOpen()) return false;
    uint32_t channelType = 0;
    {
        TagLibStreamBytes bytes(stream);
        channelType = audio::ProbeContent(bytes).ctype;
    }
    stream.clear();
    stream.seek(0);
    const std::unique_ptr<TagLib::File> file = TagLibFileFor(channelType, stream);
    dropped += stream.DroppedFrames();
    if (!file || !file->isValid()) return false;
    if (!TakeProperties(file->audioProperties(), info)) return false;
    info.channelType = static_cast<int32_t>(channelType);
    TakeTags(file->tag(), info);
    return true;
}

// Tags and audio properties through TagLib for a file the engine has opened,
// as the format the engine found (else TagLib's own choice); false when
// TagLib cannot read it.
bool ReadWithTagLib(TrackInfo& info, uint32_t channelType, std::size_t& dropped) {
    BoundedTagStream stream(info.path);
    if (!stream.isOpen()) return false;
    std::unique_ptr<TagLib::File> typed = TagLibFileFor(channelType, stream);
    const TagLib::FileRef any = typed ? TagLib::FileRef() : TagLib::FileRef(&stream);
    const TagLib::File* file = typed ? typed.get() : any.file();
    dropped += stream.DroppedFrames();
    if (!file || !file->isValid()) return false;
    TakeTags(file->tag(), info);
    // Without TagLib's properties the engine's measurement stays.
    TakeProperties(file->audioProperties(), info);
    return true;
}

void ResetFields(TrackInfo& info) {
    const std::string path = std::move(info.path);
    info = TrackInfo{};
    info.path = path;
}

// `nonEmptyFile`: info.path is a regular file holding at least one byte.
int ReadFields(TrackInfo& info, std::size_t& dropped, bool nonEmptyFile) {
    if (TrimSpaces(info.path).empty()) return kReadNothing;
    ResetFields(info);
    if (!nonEmptyFile) {
        if (IsStreamAddress(info.path)) return kReadStream;
        return kReadNothing;
    }
    if (ReadInOneOpen(info, dropped)) return kReadFile;
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
            ReadWithTagLib(info, channelType, dropped);
            break;
    }
    BASS_StreamFree(stream);
    return kReadFile;
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

void BoundTagText(TrackInfo& info) {
    for (std::string* field : {&info.title, &info.artist, &info.album, &info.comment, &info.genre})
        *field = TagFieldText(*field);
}

int TagReader::ReadTrackInfo(TrackInfo& info, std::size_t* droppedFrames) {
    std::size_t dropped = 0;
    int result = kReadNothing;
    {
        // One look tells the file's identity for the lock and whether there is anything to read.
        const auto file = LookUpFile(info.path);
        const TagFileLocks::Guard reading = file ? fileLocks.Read(file->identity) : TagFileLocks::Guard();
        result = ReadFields(info, dropped, file && file->regularSize > 0);
    }
    if (droppedFrames) *droppedFrames = dropped;
    BoundTagText(info);
    if (result == kReadFile && info.title.empty()) info.title = TitleFromFileName(info.path);
    return result;
}

}  // namespace sonvaro
