#include "playback/radio_recorder.h"

#include <algorithm>
#include <cstdio>

#include "core/clock.h"
#include "core/text.h"
#include "engine/bass.h"
#include "platform/file_info.h"

namespace sonvaro {
namespace {

constexpr size_t kMaxPart = 200;
// The longest file name the usual file systems accept, in bytes.
constexpr size_t kMaxFileName = 255;

// Cuts `text` to at most `bytes` without splitting a UTF-8 character.
void CutUtf8(std::string& text, size_t bytes) {
    if (text.size() <= bytes) return;
    size_t cut = bytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    text.resize(cut);
}

}  // namespace

std::string SafeNamePart(std::string_view part) {
    std::string out(part);
    for (char& c : out) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || b < 0x20 || b == 0x7F) c = '_';
    }
    if (!out.empty() && out.front() == '.') out.front() = '_';
    CutUtf8(out, kMaxPart);
    return out;
}

std::string RecordingExtension(uint32_t ctype) {
    // The bytes are recorded as they come: the name must say what they are, or
    // players that go by the extension refuse an Ogg file called ".mp3".
    switch (ctype) {
        case BASS_CTYPE_STREAM_OGG:
            return ".ogg";
        case BASS_CTYPE_STREAM_OPUS:
            return ".opus";
        case BASS_CTYPE_STREAM_AAC:
            return ".aac";
        case BASS_CTYPE_STREAM_FLAC:
            return ".flac";
        case BASS_CTYPE_STREAM_FLAC_OGG:
            return ".oga";
        default:
            return ".mp3";
    }
}

std::string RecordingFileName(const RecordingNames& names, int8_t saveName, int64_t localNow) {
    std::string name;
    if (saveName == 0) {
        const std::string artist = SafeNamePart(TrimSpaces(names.artist));
        const std::string title = SafeNamePart(TrimSpaces(names.title));
        name = (artist.empty() ? "Unbekannter Artist" : artist) + " - " +
               (title.empty() ? "Unbekannter Titel" : title);
    } else if (saveName == 1) {
        const std::string station = SafeNamePart(names.station);
        name = station.empty() ? "Unbekannter Sender" : station;
    }
    // Two long parts together would pass the file system's limit and the title
    // would silently not be recorded: the whole name is cut, the extension kept.
    std::string full = FormatDatePattern("[%mm.%dd.%yy] ", localNow) + name;
    CutUtf8(full, kMaxFileName - std::min(names.extension.size(), kMaxFileName));
    return full + names.extension;
}

bool AppendRecording(const RecordingSettings& settings, const RecordingNames& names, int64_t localNow,
                     const void* data, size_t length) {
    if (settings.saveFile != 1 || !data || length == 0 || !IsDirectory(settings.savePath)) return false;
    std::string path = settings.savePath;
    // The name goes into the folder, not beside it, even when the setting lacks the separator.
    if (path.back() != '/') path += '/';
    path += RecordingFileName(names, settings.saveName, localNow);
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (!file) return false;
    const bool written = std::fwrite(data, 1, length, file) == length;
    return std::fclose(file) == 0 && written;
}

}  // namespace sonvaro
