#include "library/library_commands.h"

#include <string>

#include "core/ports/messages.h"
#include "library/library_rows.h"
#include "playlist/playlist_editing.h"

namespace sonvaro {

int8_t SearchInAfter(Command command, int8_t searchIn) {
    const int n = static_cast<int>(command);
    if (n >= static_cast<int>(Command::SearchInTitle) && n <= static_cast<int>(Command::SearchInPath))
        return static_cast<int8_t>(searchIn ^ (1 << (n - static_cast<int>(Command::SearchInTitle))));
    if (command == Command::SearchInAll) return kSearchEverything;
    if (command == Command::SearchInNone) return 0;
    return searchIn;
}

size_t AppendRowsToPlaylist(Library& library, const SearchResult& shown, const std::vector<int>& rows,
                            PlaylistEditor& editor) {
    size_t added = 0;
    LibraryEntry entry;
    for (int r : rows) {
        if (r < 0 || static_cast<size_t>(r) >= shown.rows.size()) continue;
        if (CurrentEntry(library, shown.rows[static_cast<size_t>(r)], entry) &&
            editor.AddLibraryEntry(entry.info))
            ++added;
    }
    editor.EntriesAppended();
    return added;
}

bool RemoveStationRow(Library& library, const SearchResult& shown, const SearchRow& row, Messages& messages) {
    const std::string name(shown.Text(row, RowField::Title));
    if (!messages.Ask("Möchten Sie '" + name + "' wirklich entfernen?", "Entfernen", MessageIcon::Question))
        return false;
    return RemoveRowEntry(library, row);
}

}  // namespace sonvaro
