#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/track_info.h"

namespace sonvaro {

// One TRACK of a CUE sheet: a stretch of an audio file.
struct CueTrack {
    int number = 0;
    std::string title;
    std::string performer;  // the track's, else the sheet's
    std::string file;       // the audio file's path as bytes, the sheet's folder before a relative one
    int64_t start = 0;      // INDEX 01, in CUE frames (1/75 s)
    int64_t end = -1;       // the next track's start in the same file; -1: the file's end
};

struct CueSheet {
    std::string title;      // the album
    std::string performer;  // the album's
    std::vector<CueTrack> tracks;
    // What was left out and why, one line each for the status log.
    std::vector<std::string> problems;
};

constexpr int64_t kCueFramesPerSecond = 75;
// A sheet is a few kilobytes; anything much larger is no sheet.
constexpr size_t kMaxCueSheetBytes = 1 << 20;
// Tracks past this many are left out (a CD has at most 99).
constexpr size_t kMaxCueTracks = 10000;

// The tracks of a sheet's text, in sheet order. Text in UTF-8, else read as
// Windows-1252; FILE names stay bytes as written. Tracks without FILE or
// INDEX 01, and tracks that start no later than the one before them in the
// same file, are left out.
CueSheet ParseCueSheet(std::string_view text, std::string_view folder);

// A sheet file: its size bounded, tracks whose audio file is missing left
// out (each such file named once in `problems`).
CueSheet ReadCueSheet(const std::string& path);

// A track's row: the audio file's tags and properties (`file`, as read from
// it) with the track's title, performer, number, album and length.
TrackInfo CueTrackInfo(const TrackInfo& file, const CueSheet& sheet, const CueTrack& track);

// "mm:ss:ff" of CUE frames.
std::string FormatCueTime(int64_t frames);

}  // namespace sonvaro
