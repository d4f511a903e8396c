#include "tags/taglib_open.h"

#include <taglib/flacfile.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/mpegfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavpackfile.h>

#include "engine/bass.h"

namespace sonvaro {

// TagLib's C binding picks the format by extension; where the engine has
// already told the format by content, ask TagLib for that one, so that a
// misnamed MP3 or an .mp2 keeps its tags.
TagLib_File* OpenWithTagLib(const std::string& path, uint32_t channelType) {
    switch (channelType) {
        case BASS_CTYPE_STREAM_MP1:
        case BASS_CTYPE_STREAM_MP2:
        case BASS_CTYPE_STREAM_MP3:
            return taglib_file_new_type(path.c_str(), TagLib_File_MPEG);
        case BASS_CTYPE_STREAM_OGG:
            return taglib_file_new_type(path.c_str(), TagLib_File_OggVorbis);
        case BASS_CTYPE_STREAM_FLAC:
            return taglib_file_new_type(path.c_str(), TagLib_File_FLAC);
        case BASS_CTYPE_STREAM_FLAC_OGG:
            return taglib_file_new_type(path.c_str(), TagLib_File_OggFlac);
        case BASS_CTYPE_STREAM_WV:
            return taglib_file_new_type(path.c_str(), TagLib_File_WavPack);
        default:
            return taglib_file_new(path.c_str());
    }
}

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

}  // namespace sonvaro
