#include "library/library.h"

#include "core/numbers.h"
#include "core/text.h"

namespace sonvaro {

size_t UpdatePlayedEntries(Library& library, std::string_view path, const TrackInfo& info, int64_t now) {
    size_t updated = 0;
    std::lock_guard lock(library.libraryLock);
    for (LibraryEntry& entry : library.entries) {
        if (entry.info.path.size() != path.size() || !EqualsNoCase(entry.info.path, path)) continue;
        CopyTags(info, entry.info);
        entry.lastPlayed = LowBits32(now);
        if (entry.playCount < INT16_MAX) ++entry.playCount;  // saturates
        ++updated;
    }
    return updated;
}

}  // namespace sonvaro
