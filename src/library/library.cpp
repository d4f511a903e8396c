#include "library/library.h"

#include "core/numbers.h"
#include "core/text.h"

namespace sonvaro {

std::unique_lock<std::mutex> LockLoadedLibrary(Library& library) {
    std::unique_lock lock(library.libraryLock);
    library.loadedSignal.wait(lock, [&library] { return !library.loading; });
    return lock;
}

void ChangeLibrary(Library& library, std::function<void(Library&)> change) {
    std::lock_guard lock(library.libraryLock);
    if (library.loading)
        library.afterLoad.push_back(std::move(change));
    else
        change(library);
}

namespace {

size_t UpdatePlayedLocked(Library& library, std::string_view path, const TrackInfo& info, int64_t now) {
    size_t updated = 0;
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

}  // namespace

size_t UpdatePlayedEntries(Library& library, std::string_view path, const TrackInfo& info, int64_t now) {
    std::lock_guard lock(library.libraryLock);
    if (library.loading) {
        library.afterLoad.push_back([path = std::string(path), info, now](Library& loaded) {
            UpdatePlayedLocked(loaded, path, info, now);
        });
        return 0;
    }
    return UpdatePlayedLocked(library, path, info, now);
}

}  // namespace sonvaro
