#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/command_ids.h"
#include "library/library_search.h"

namespace sonvaro {

class Messages;
class PlaylistEditor;

// The rules of the library view's commands; the window's controller wires
// its widgets to these.

// MediaLib_SearchIn after a "Suchen in" item: a field item switches its field,
// "Alle" takes every field, "Keine" none; any other command changes nothing.
int8_t SearchInAfter(Command command, int8_t searchIn);

// Appends the entries of the shown `rows` to the playlist as they stand now;
// rows out of range, whose entry is gone or whose file is missing or empty
// are passed over. Refreshes the summary once; returns how many were added.
size_t AppendRowsToPlaylist(Library& library, const SearchResult& shown, const std::vector<int>& rows,
                            PlaylistEditor& editor);

// Asks whether the station shown in `row` is to be removed, and removes its
// entry on Yes. True when it was removed.
bool RemoveStationRow(Library& library, const SearchResult& shown, const SearchRow& row, Messages& messages);

}  // namespace sonvaro
