#include <gtest/gtest.h>

#include "support/player_harness.h"
#include "support/test_support.h"

namespace sonvaro::test {
namespace {

class PlaylistPlaybackTest : public PlayerTest {
  protected:
    void SetUp() override {
        PlayerTest::SetUp();
        for (int i = 0; i < 3; ++i) AddFiles({ToneFile(2, "row" + std::to_string(i) + ".wav")});
        ASSERT_EQ(playlist.size(), 3u);
    }
    int PlayingRow() const {
        for (size_t i = 0; i < playlist.size(); ++i)
            if (playlist[i].info.path == player.State().currentPath) return static_cast<int>(i);
        return -1;
    }
};

TEST_F(PlaylistPlaybackTest, PlaysThroughAndStopsAtTheEndWithoutRepeat) {
    playback.PlaySelected();
    EXPECT_EQ(PlayingRow(), 0);
    EXPECT_EQ(view.markedRows, std::set<int>{0});
    Run(2200);
    EXPECT_EQ(PlayingRow(), 1);
    EXPECT_EQ(view.markedRows, std::set<int>{1});
    Run(4400);
    EXPECT_EQ(player.State().playSource, kSourceSingle);
    EXPECT_TRUE(view.markedRows.empty());
    playback.PlayNext();  // nothing follows any more
    EXPECT_EQ(ActiveChannels(), 0);
}

TEST_F(PlaylistPlaybackTest, RepeatWrapsBothWays) {
    settings.Misc_Repeat = 1;
    ASSERT_TRUE(playback.PlayRow(2));
    playback.PlayNext();
    EXPECT_EQ(PlayingRow(), 0);
    playback.PlayPrevious();
    EXPECT_EQ(PlayingRow(), 2);

    settings.Misc_Repeat = 0;
    ASSERT_TRUE(playback.PlayRow(0));
    playback.PlayPrevious();
    EXPECT_EQ(player.State().playSource, kSourceSingle);
}

TEST_F(PlaylistPlaybackTest, ShuffleNeverRepeatsTheRowAndEndsWithOneEntry) {
    settings.Misc_Random = 1;
    ASSERT_TRUE(playback.PlayRow(1));
    for (int i = 0; i < 10; ++i) {
        const int before = player.State().markedRow;
        playback.PlayNext();
        EXPECT_NE(player.State().markedRow, before);
    }
    playlist.resize(1);
    ASSERT_TRUE(playback.PlayRow(0));
    playback.PlayNext();  // one entry: no endless redraw
    EXPECT_EQ(player.State().markedRow, 0);
}

TEST_F(PlaylistPlaybackTest, SelectedRowAndRestart) {
    view.selected = {2};
    EXPECT_EQ(playback.PlaySelected(), 0);
    EXPECT_EQ(PlayingRow(), 2);
    view.selected.clear();
    EXPECT_EQ(playback.PlaySelected(), 2);  // restarts the playing track
    player.TogglePause();
    EXPECT_EQ(playback.PlaySelected(), 1);  // resumes
}

TEST_F(PlaylistPlaybackTest, RemovingRowsKeepsTheMarkOnThePlayingEntry) {
    ASSERT_TRUE(playback.PlayRow(2));
    view.selected = {0};
    playback.RemovePlaylistRows(0);
    EXPECT_EQ(player.State().markedRow, 1);
    EXPECT_EQ(playlist[1].info.path, player.State().currentPath);
    // Removing the playing row leaves the number, now naming the entry that followed.
    view.selected = {1};
    playback.RemovePlaylistRows(0);
    EXPECT_EQ(player.State().markedRow, 1);
    EXPECT_EQ(view.summary, " 1 [00:00:02]");
    playback.RemovePlaylistRows(-1);
    EXPECT_TRUE(playlist.empty());
    EXPECT_EQ(player.State().playSource, kSourceSingle);
}

TEST_F(PlaylistPlaybackTest, TheMarkFollowsThePlayingEntryThroughSorts) {
    playlist[0].info.trackNumber = 3;
    playlist[1].info.trackNumber = -1;
    playlist[2].info.trackNumber = 1;
    ASSERT_TRUE(playback.PlayRow(0));
    const std::string playing = player.State().currentPath;
    playback.SortPlaylist(4);  // "Nummer": unknown first
    EXPECT_EQ(playlist[0].info.trackNumber, -1);
    EXPECT_EQ(playlist[2].info.path, playing);
    EXPECT_EQ(player.State().markedRow, 2);
    EXPECT_EQ(view.markedRows, std::set<int>{2});
    playback.SortPlaylist(0);  // shuffle
    EXPECT_EQ(playlist[player.State().markedRow].info.path, playing);
    playback.PlayNext();  // continues after the playing entry, wherever it went
}

TEST_F(PlaylistPlaybackTest, RefreshOfWrittenFilesTouchesOnlyTheirRows) {
    playlist.push_back(playlist[1]);  // the same file in a second row
    for (auto& entry : playlist) entry.info.title = "stale";
    playback.RefreshEntries({playlist[1].info.path, "/nowhere.wav"});
    EXPECT_EQ(playlist[1].info.title, "row1");
    EXPECT_EQ(playlist[3].info.title, "row1");
    EXPECT_EQ(playlist[0].info.title, "stale");
    EXPECT_EQ(playlist.size(), 4u);
}

TEST_F(PlaylistPlaybackTest, RefreshRereadsOrRemovesTheSelectedEntry) {
    view.selected = {1};
    playlist[1].info.title = "stale";
    playback.RefreshSelectedEntry();
    EXPECT_EQ(playlist[1].info.title, "row1");
    test::TempDir dir;
    test::WriteFile(dir / "junk.wav", "not audio at all");
    playlist[1].info.path = dir / "junk.wav";
    playback.RefreshSelectedEntry();
    EXPECT_EQ(playlist.size(), 2u);
}

}  // namespace
}  // namespace sonvaro::test
