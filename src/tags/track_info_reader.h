#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/track_info.h"
#include "tags/tag_file_locks.h"

namespace sonvaro {

enum ReadResult : int { kReadNothing = 0, kReadFile = 1, kReadStream = 2 };

// The fallback title: the file name without folder and without its last extension.
std::string TitleFromFileName(std::string_view path);

// Type, rate and channels of an open engine channel, and its length in whole
// seconds (rounded), into `info`. Returns the channel type.
uint32_t ReadChannelProperties(uint32_t channel, TrackInfo& info);

// Tags as the audio engine lists them for WMA (8) and MP4 (7) files:
// "key=value" texts, each ended by a zero byte, the list by an empty one.
enum class EngineTagList { WMA, MP4 };
void ParseEngineTagList(const char* list, EngineTagList kind, TrackInfo& info);

// The one step by which read text becomes a track's fields: cleaned for the
// data files and cut to kMaxTagText, whatever the file or server sent.
void BoundTagText(TrackInfo& info);

// The only place tags are read. Each read opens its own file objects, so
// reads of any files may run on several threads at once; fileLocks keeps a
// file's readers and the tag writer (and the cover and ReplayGain readers)
// apart.
class TagReader {
  public:
    // Fills `info` (its path set) and returns a ReadResult. Needs an initialised
    // engine. `droppedFrames`, when given, gets the runs of ID3v2 frames left
    // out because they would inflate past the bounds (see BoundedTagStream).
    int ReadTrackInfo(TrackInfo& info, std::size_t* droppedFrames = nullptr);

    TagFileLocks fileLocks;
};

}  // namespace sonvaro
