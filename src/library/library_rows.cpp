#include "library/library_rows.h"

#include "core/text.h"

namespace sonvaro {

bool IsStationAddress(std::string_view address) {
    for (std::string_view scheme : {std::string_view("http://"), std::string_view("https://")})
        if (address.size() > scheme.size() && StartsWithNoCase(address, scheme)) return true;
    return false;
}

StationAdd AddRadioStation(Library& library, std::string_view address) {
    if (!IsStationAddress(address)) return StationAdd::Invalid;
    const auto lock = LockLoadedLibrary(library);  // a duplicate may be among the stored entries
    for (const LibraryEntry& entry : library.entries)
        if (entry.info.path.size() == address.size() && EqualsNoCase(entry.info.path, address))
            return StationAdd::Duplicate;
    LibraryEntry station;
    station.info.path = std::string(address);
    station.info.trackNumber = 0;
    library.entries.push_back(std::move(station));
    return StationAdd::Added;
}

bool SetRowBookmark(Library& library, const SearchRow& row, bool on) {
    std::lock_guard lock(library.libraryLock);
    const ptrdiff_t at = ResolveRow(library, row);
    if (at < 0) return false;
    int8_t& flags = library.entries[static_cast<size_t>(at)].flags;
    flags = static_cast<int8_t>(on ? (flags | 1) : (flags & ~1));
    return true;
}

bool RemoveRowEntry(Library& library, const SearchRow& row) {
    std::lock_guard lock(library.libraryLock);
    const ptrdiff_t at = ResolveRow(library, row);
    if (at < 0) return false;
    library.entries.erase(library.entries.begin() + at);
    ++library.removals;
    return true;
}

bool CurrentEntry(Library& library, const SearchRow& row, LibraryEntry& out) {
    std::lock_guard lock(library.libraryLock);
    const ptrdiff_t at = ResolveRow(library, row);
    if (at < 0) return false;
    out = library.entries[static_cast<size_t>(at)];
    return true;
}

}  // namespace sonvaro
