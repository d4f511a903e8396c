// The library view's command rules, without the window.
#include "library/library_commands.h"

#include <gtest/gtest.h>

#include "library/library_rows.h"
#include "playlist/playlist_display.h"
#include "playlist/playlist_editing.h"
#include "settings/settings.h"
#include "support/test_support.h"
#include "tags/track_info_reader.h"

namespace sonvaro {
namespace {

LibraryEntry Entry(const std::string& path, const std::string& title) {
    LibraryEntry e;
    e.info.path = path;
    e.info.title = title;
    return e;
}

class SummaryView : public PlaylistDisplay {
  public:
    void PlaylistReset() override {}
    void FitPlaylistColumns() override {}
    void SetPlaylistSummary(const std::string& text) override { summary = text, ++summaries; }
    std::string summary;
    int summaries = 0;
};

TEST(LibraryCommands, SearchInItemsSwitchTheirFieldOrAll) {
    int8_t in = kSearchEverything;
    in = SearchInAfter(Command::SearchInArtist, in);
    EXPECT_EQ(in, kSearchEverything & ~kSearchArtist);
    in = SearchInAfter(Command::SearchInPath, in);
    EXPECT_EQ(in, kSearchTitle | kSearchAlbum | kSearchGenre | kSearchComment);
    in = SearchInAfter(Command::SearchInArtist, in);
    EXPECT_EQ(in, kSearchEverything & ~kSearchPath);
    EXPECT_EQ(SearchInAfter(Command::SearchInNone, in), 0);
    EXPECT_EQ(SearchInAfter(Command::SearchInAll, 0), kSearchEverything);
    EXPECT_EQ(SearchInAfter(Command::SearchInTitle, 0), kSearchTitle);
    EXPECT_EQ(SearchInAfter(Command::LibraryScan, kSearchGenre), kSearchGenre);
}

// Rows are taken as their entries stand now: an entry removed since the
// search, a file gone or emptied, and a row number past the end add nothing.
TEST(LibraryCommands, RowsGoToThePlaylistAsTheirEntriesStandNow) {
    test::TempDir dir;
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"}) test::WriteFile(dir / name, "sound");
    Library library;
    library.entries = {Entry(dir / "a.mp3", "A"), Entry(dir / "b.mp3", "B"), Entry(dir / "c.mp3", "C"),
                       Entry(dir / "d.mp3", "D"), Entry(dir / "gone.mp3", "Gone")};
    const SearchResult shown = *SearchLibrary(library, {SearchMode::All, "", "", kSearchEverything});
    ASSERT_EQ(shown.rows.size(), 5u);
    library.entries[0].info.title = "A, neu";  // changed since the search
    ASSERT_TRUE(RemoveRowEntry(library, shown.rows[1]));
    test::WriteFile(dir / "c.mp3", "");

    Playlist playlist;
    Settings settings;
    TagReader tags;
    SummaryView view;
    PlaylistEditor editor(playlist, settings, tags, view);
    EXPECT_EQ(AppendRowsToPlaylist(library, shown, {3, 0, 1, 2, 4, 5, -1}, editor), 2u);
    ASSERT_EQ(playlist.size(), 2u);
    EXPECT_EQ(playlist[0].info.path, dir / "d.mp3");
    EXPECT_EQ(playlist[1].info.title, "A, neu");
    EXPECT_EQ(view.summaries, 1);
    EXPECT_EQ(view.summary, " 2 [00:00:00]");
}

TEST(LibraryCommands, AStationIsRemovedOnlyWhenTheUserSaysYes) {
    Library library;
    library.entries = {Entry("http://radio.example/a", "Radio A"),
                       Entry("http://radio.example/b", "Radio B")};
    const SearchResult shown = *SearchLibrary(library, {SearchMode::Stations, "", "", kSearchEverything});
    ASSERT_EQ(shown.rows.size(), 2u);
    test::RecordingMessages messages;
    messages.answer = false;
    EXPECT_FALSE(RemoveStationRow(library, shown, shown.rows[1], messages));
    EXPECT_EQ(library.entries.size(), 2u);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text, "Möchten Sie 'Radio B' wirklich entfernen?");
    EXPECT_EQ(messages.boxes[0].title, "Entfernen");
    EXPECT_TRUE(messages.boxes[0].question);

    messages.answer = true;
    EXPECT_TRUE(RemoveStationRow(library, shown, shown.rows[1], messages));
    ASSERT_EQ(library.entries.size(), 1u);
    EXPECT_EQ(library.entries[0].info.path, "http://radio.example/a");
    EXPECT_FALSE(RemoveStationRow(library, shown, shown.rows[1], messages));  // already gone
    EXPECT_EQ(library.entries.size(), 1u);
}

}  // namespace
}  // namespace sonvaro
