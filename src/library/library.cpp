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
        entry.playCount = static_cast<int16_t>(entry.playCount + 1);
        ++updated;
    }
    return updated;
}

}  // namespace sonvaro
