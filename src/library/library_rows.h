#pragma once
#include <string>
#include <string_view>

#include "library/library_search.h"

namespace sonvaro {

enum class StationAdd { Added, Invalid, Duplicate };

// A station address: "http://" or "https://" (any case) and something after it.
bool IsStationAddress(std::string_view address);

// Appends a station entry with `address` as its path unless one with the same
// address (case-insensitively) exists.
StationAdd AddRadioStation(Library& library, std::string_view address);

// The operations of the view's rows. Each finds the row's own entry (by its
// path, see ResolveRow) under the lock; false when that entry is gone.
bool SetRowBookmark(Library& library, const SearchRow& row, bool on);
bool RemoveRowEntry(Library& library, const SearchRow& row);
// A fresh copy of the row's entry (play counts may have changed since the search).
bool CurrentEntry(Library& library, const SearchRow& row, LibraryEntry& out);

}  // namespace sonvaro
