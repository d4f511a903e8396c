#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sonvaro {

// The recording settings as the download thread sees them (a copy the ui thread refreshes).
struct RecordingSettings {
    int8_t saveFile = 0;   // NETStream_SaveFile: 1 = on
    std::string savePath;  // NETStream_SavePath
    int8_t saveName = 0;   // NETStream_SaveName: 0 artist and title, 1 station
};

// What the current station plays: the parts of the recording's file name.
struct RecordingNames {
    std::string artist;
    std::string title;
    std::string station;
    std::string extension = ".mp3";  // of what the station sends (RecordingExtension)
};

// The file extension for a station's bytes by the channel type the engine
// detected: ".ogg", ".opus", ".aac", ...; MPEG audio and anything unknown ".mp3".
std::string RecordingExtension(uint32_t ctype);

// A name part as the server sent it made safe for a file name: "/", "\", control
// characters and a leading "." become "_", and it is cut to 200 bytes (never
// inside a UTF-8 character). Stream titles come from the server, not the user.
std::string SafeNamePart(std::string_view part);

// "[mm.dd.yy] Artist - Title.mp3" (or the station name; the names' extension), without the folder.
std::string RecordingFileName(const RecordingNames& names, int8_t saveName, int64_t localNow);

// Appends one received piece to its file in the recording folder. False when
// recording is off, the folder is missing or the file cannot be written.
bool AppendRecording(const RecordingSettings& settings, const RecordingNames& names, int64_t localNow,
                     const void* data, size_t length);

}  // namespace sonvaro
