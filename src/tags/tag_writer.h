#pragma once
#include <optional>
#include <string>

namespace sonvaro {

class TagReader;

// What the user typed; a field left unset is not touched in the file.
struct TagEdits {
    std::string path;
    std::optional<std::string> title, track, artist, album, year, genre, comment;
};

// Writes the given fields (trimmed; track and year parsed as numbers) into the
// file's tag with TagLib, as UTF-8. A missing or empty file, or one TagLib
// cannot open, saves nothing. True when the file was saved. Waits for reads
// of the same file in progress (TagReader::fileLocks), not for others.
bool WriteTags(TagReader& reader, const TagEdits& edits);

}  // namespace sonvaro
