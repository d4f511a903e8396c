// The picture a file carries in its tags: ID3v2 APIC (also in WAV and AIFF),
// MP4 covr, FLAC PICTURE blocks, Vorbis/Opus METADATA_BLOCK_PICTURE, APE and
// WavPack "Cover Art" items, WMA WM/Picture.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sonvaro {

class TagReader;

// A picture larger than this is no cover but a broken or hostile tag.
constexpr std::size_t kMaxCoverBytes = std::size_t{16} << 20;

struct CoverPicture {
    std::string data;  // the image file's bytes as stored
};

// The file name extension for picture bytes by their first bytes: "jpg",
// "png", "webp", "gif" or "bmp"; empty for anything else.
std::string_view CoverExtension(std::string_view bytes);

// The file's front cover, else its first picture; nullopt when it has none,
// the picture is empty or above kMaxCoverBytes, or the file cannot be read.
// Waits for a tag write of the same file (TagReader::fileLocks); the format as the engine found it by
// content (`channelType`), else as TagLib tells it.
std::optional<CoverPicture> ReadEmbeddedCover(TagReader& reader, const std::string& path,
                                              uint32_t channelType = 0);

}  // namespace sonvaro
