#include "library/library.h"

#include "core/numbers.h"
#include "core/text.h"

namespace sonvaro {

size_t UpdatePlayedEntries(Library& library, std::string_view path, const TrackInfo& info, int64_t now) {
    size_t updated = 0;
    std::lock_guard lock(library.libraryLock);
    // A file is its exact bytes (two names that differ in capitals are two
    // files); a station's address is matched in any case, as it was added.
    const bool station = IsStreamAddress(path);
    for (LibraryEntry& entry : library.entries) {
        const std::string& p = entry.info.path;
        if (p.size() != path.size() || (station ? !EqualsNoCase(p, path) : p != path)) continue;
        CopyTags(info, entry.info);
        entry.lastPlayed = LowBits32(now);
        if (entry.playCount < INT16_MAX) ++entry.playCount;  // saturates
        ++updated;
    }
    return updated;
}

}  // namespace sonvaro
