// With both fades at 0 the next row of the list is set up ahead and follows
// the playing one without a gap; what is shown and counted changes when the
// new track is heard, and a user's command undoes what was set up.
#include <gtest/gtest.h>

#include <cmath>

#include "../support/fixtures.h"
#include "support/player_harness.h"
#include "support/test_support.h"

namespace sonvaro::test {
namespace {

constexpr size_t kCut = 89434;  // frames of tone_a; tone_b holds the rest of the 4 s tone

class GaplessPlayback : public PlayerTest {
  protected:
    void SetUp() override {
        PlayerTest::SetUp();
        AddFiles({fixtures::Path("tone_a.flac"), fixtures::Path("tone_b.flac")});
        ASSERT_EQ(playlist.size(), 2u);
    }
    // Frames heard so far.
    size_t HeardFrames() const { return heard.size() / 2; }
    // The longest run of near-silent frames in heard[from, to).
    size_t LongestQuiet(size_t from, size_t to) const {
        size_t longest = 0, run = 0;
        for (size_t f = from; f < to && 2 * f < heard.size(); ++f) {
            run = std::fabs(heard[2 * f]) < 0.02f ? run + 1 : 0;
            longest = std::max(longest, run);
        }
        return longest;
    }
};

TEST_F(GaplessPlayback, TheListPlaysAsTheWholeToneAndTheTitleChangesWhenTheJoinIsHeard) {
    // The whole tone as the reference, heard through the same player.
    AddFiles({fixtures::Path("tone.wav")});
    keepHeard = true;
    ASSERT_TRUE(playback.PlayRow(2));
    Run(4200);
    const std::vector<float> whole = heard;
    player.Stop();
    Run(100);
    heard.clear();

    ASSERT_TRUE(playback.PlayRow(0));
    size_t changedAt = 0;
    std::set<int> marked;
    std::string title;
    for (int t = 0; t < 4200; t += 50) {
        Mix(50);
        player.PlayerTick();
        if (!changedAt && player.State().currentPath == playlist[1].info.path) {
            changedAt = HeardFrames();
            marked = view.markedRows;
            title = display.fields[static_cast<int>(InfoField::Title)];
        }
    }
    // Sample for sample the whole tone, the join included.
    size_t differing = 0;
    for (size_t i = 0; i < 2 * 4 * 44100; ++i) differing += std::fabs(heard[i] - whole[i]) > 1.0 / 32768;
    EXPECT_EQ(differing, 0u);
    // Shown when heard: not before the join, and at the first tick after it.
    EXPECT_GE(changedAt, kCut);
    EXPECT_LT(changedAt, kCut + 44100 / 20 + 1);
    EXPECT_EQ(marked, std::set<int>{1});
    EXPECT_EQ(title, playlist[1].info.title);
}

TEST_F(GaplessPlayback, NextStopAndSeekUndoWhatWasSetUp) {
    ASSERT_TRUE(playback.PlayRow(0));
    Run(500);
    const uint32_t prepared = player.PreparedChannel();
    ASSERT_NE(prepared, 0u);
    EXPECT_EQ(BASS_ChannelIsActive(prepared), BASS_ACTIVE_STOPPED);

    // Next: the second row starts now, once, and the one set up is gone.
    control.Next();
    EXPECT_EQ(player.State().currentPath, playlist[1].info.path);
    EXPECT_EQ(BASS_ChannelGetPosition(prepared, BASS_POS_BYTE), static_cast<QWORD>(-1)) << "freed";
    EXPECT_EQ(player.PreparedChannel(), 0u);  // nothing follows the last row
    Run(1000);
    EXPECT_EQ(ActiveChannels(), 1);
    EXPECT_EQ(player.State().currentPath, playlist[1].info.path);

    // Stop: nothing plays on at the join.
    ASSERT_TRUE(playback.PlayRow(0));
    Run(200);
    ASSERT_NE(player.PreparedChannel(), 0u);
    control.Stop();
    keepHeard = true;
    Run(3000);
    EXPECT_LT(HeardRms(0.1, 3.0), 1e-4);
    EXPECT_EQ(player.PreparedChannel(), 0u);
    EXPECT_TRUE(player.State().currentPath.empty());
}

TEST_F(GaplessPlayback, ASeekIntoTheLastSecondsStillJoinsWithoutAGap) {
    ASSERT_TRUE(playback.PlayRow(0));
    Run(200);
    const uint32_t before = player.PreparedChannel();
    ASSERT_NE(before, 0u);
    ASSERT_TRUE(player.SeekToSeconds(1.9));
    keepHeard = true;
    Run(1000);
    EXPECT_EQ(player.State().currentPath, playlist[1].info.path);
    // 1.9 s into a 2.03 s track: the join is 0.13 s into what was heard.
    EXPECT_LE(LongestQuiet(0, 44100), 2u);
    EXPECT_EQ(ActiveChannels(), 1);
}

TEST_F(GaplessPlayback, TheRowSetUpFollowsTheListAsItChanges) {
    AddFiles({fixtures::Path("tone.wav")});
    ASSERT_TRUE(playback.PlayRow(0));
    Run(200);
    const uint32_t first = player.PreparedChannel();
    ASSERT_NE(first, 0u);
    // The next row is removed: the one after it is set up instead.
    view.selected = {1};
    playback.RemovePlaylistRows(0);
    Run(100);
    EXPECT_NE(player.PreparedChannel(), 0u);
    EXPECT_NE(player.PreparedChannel(), first);
    Run(2000);
    EXPECT_EQ(player.State().currentPath, fixtures::Path("tone.wav"));
    EXPECT_EQ(view.markedRows, std::set<int>{1});
}

TEST_F(GaplessPlayback, InRandomOrderTheRowSetUpIsTheOneThatPlays) {
    for (int i = 0; i < 6; ++i) AddFiles({ToneFile(2, "row" + std::to_string(i) + ".wav")});
    settings.Misc_Random = 1;
    for (int round = 0; round < 4; ++round) {
        ASSERT_TRUE(playback.PlayRow(round));
        Run(300);
        const auto upcoming = playback.Upcoming();
        ASSERT_TRUE(upcoming);
        const std::string path = upcoming->path;
        EXPECT_EQ(playback.Upcoming()->row, upcoming->row) << "asked twice, the same answer";
        Run(2100);
        EXPECT_EQ(player.State().currentPath, path);
    }
}

TEST_F(GaplessPlayback, WithAFadeNothingIsSetUpAndTheTracksCrossFadeAsBefore) {
    settings.BASS_FadeOut = 1;
    ASSERT_TRUE(playback.PlayRow(0));
    Run(1500);
    EXPECT_EQ(player.PreparedChannel(), 0u);
    Run(1000);
    EXPECT_EQ(player.State().currentPath, playlist[1].info.path);
}

}  // namespace
}  // namespace sonvaro::test
