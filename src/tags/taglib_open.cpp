#include "tags/taglib_open.h"

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

}  // namespace sonvaro
