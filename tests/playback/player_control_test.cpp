#include "playback/player_control.h"

#include <gtest/gtest.h>

#include "support/player_harness.h"

namespace sonvaro::test {
namespace {

using PlayerControlTest = PlayerTest;

TEST_F(PlayerControlTest, MuteRemembersTheVolumeAndEveryChangeReachesTheScreen) {
    ASSERT_EQ(control.PlayFile(ToneFile(4)), 1);
    const uint32_t channel = player.State().CurrentChannel();
    control.SetVolume(70);
    EXPECT_EQ(settings.Misc_Volume, 70);
    EXPECT_EQ(display.volumeSlider, 70);
    EXPECT_FLOAT_EQ(ChannelVolume(channel), 0.70f);

    control.ToggleMute();
    EXPECT_TRUE(control.Muted());
    EXPECT_EQ(display.volumeSlider, 0);
    EXPECT_TRUE(display.mute);
    EXPECT_FLOAT_EQ(ChannelVolume(channel), 0.0f);
    control.ToggleMute();
    EXPECT_EQ(control.Volume(), 70);
    EXPECT_FALSE(display.mute);
    EXPECT_FLOAT_EQ(ChannelVolume(channel), 0.70f);

    // Out of range from a remote caller: held to 0..100.
    control.SetVolume(250);
    EXPECT_EQ(settings.Misc_Volume, 100);
    control.SetVolume(-3);
    EXPECT_EQ(settings.Misc_Volume, 0);
}

TEST_F(PlayerControlTest, ModesAreStoredAndShown) {
    control.SetRepeat(true);
    EXPECT_EQ(settings.Misc_Repeat, 1);
    EXPECT_TRUE(display.repeat);
    control.SetRandom(true);
    EXPECT_EQ(settings.Misc_Random, 1);
    EXPECT_TRUE(display.random);
    control.SetRepeat(false);
    EXPECT_FALSE(control.Repeat());
    EXPECT_TRUE(control.Random());
}

TEST_F(PlayerControlTest, PlaylistStepsPauseAndStop) {
    AddFiles({ToneFile(2), ToneFile(3)});
    EXPECT_EQ(control.PlaySelected(), 0);
    EXPECT_EQ(player.State().markedRow, 0);
    control.Next();
    EXPECT_EQ(player.State().markedRow, 1);
    control.Previous();
    EXPECT_EQ(player.State().markedRow, 0);
    control.TogglePause();
    EXPECT_EQ(BASS_ChannelIsActive(player.State().CurrentChannel()), BASS_ACTIVE_PAUSED);
    EXPECT_TRUE(display.pause);
    EXPECT_EQ(control.PlaySelected(), 1);  // resumes
    control.Stop();
    EXPECT_EQ(player.State().playSource, kSourceSingle);
}

TEST_F(PlayerControlTest, PlayAndPauseNeverToggle) {
    AddFiles({ToneFile(2), ToneFile(3)});
    EXPECT_EQ(control.Status(), PlaybackStatus::Stopped);
    control.Pause();  // nothing plays: stays stopped
    EXPECT_EQ(control.Status(), PlaybackStatus::Stopped);
    control.Play();
    EXPECT_EQ(control.Status(), PlaybackStatus::Playing);
    EXPECT_EQ(player.State().markedRow, 0);
    const uint32_t channel = player.State().CurrentChannel();
    Run(500);
    control.Play();  // already playing: the same channel goes on, not restarted
    EXPECT_EQ(player.State().CurrentChannel(), channel);
    EXPECT_NEAR(control.PositionSeconds(), 0.5, 0.06);
    control.Pause();
    EXPECT_EQ(control.Status(), PlaybackStatus::Paused);
    control.Pause();  // a second pause does not resume
    EXPECT_EQ(control.Status(), PlaybackStatus::Paused);
    control.Play();
    EXPECT_EQ(control.Status(), PlaybackStatus::Playing);
    EXPECT_EQ(player.State().CurrentChannel(), channel);
    control.Stop();
    Run(100);
    EXPECT_EQ(control.Status(), PlaybackStatus::Stopped);
}

TEST_F(PlayerControlTest, SeekInSecondsIsHeldToTheTrack) {
    AddFiles({ToneFile(4), ToneFile(3)});
    EXPECT_FALSE(control.SeekTo(1.0));  // nothing plays
    EXPECT_FALSE(control.SeekBy(1.0));
    control.Play();
    Run(100);
    ASSERT_EQ(player.State().info.length, 4);
    EXPECT_TRUE(control.SeekTo(2.5));
    EXPECT_NEAR(control.PositionSeconds(), 2.5, 0.001);
    EXPECT_EQ(player.State().position, 3);  // whole seconds, rounded
    EXPECT_TRUE(control.SeekBy(-1.0));
    EXPECT_NEAR(control.PositionSeconds(), 1.5, 0.001);
    EXPECT_TRUE(control.SeekBy(-10.0));  // before the start: the start
    EXPECT_NEAR(control.PositionSeconds(), 0.0, 0.001);
    EXPECT_TRUE(control.SeekTo(-3.0));
    EXPECT_NEAR(control.PositionSeconds(), 0.0, 0.001);
    Run(200);
    EXPECT_NEAR(control.PositionSeconds(), 0.2, 0.06);  // it goes on playing from there

    EXPECT_TRUE(control.SeekBy(10.0));  // past the end: the next row
    EXPECT_EQ(player.State().markedRow, 1);
    EXPECT_EQ(player.State().info.length, 3);
    EXPECT_NEAR(control.PositionSeconds(), 0.0, 0.06);
}

TEST_F(PlayerControlTest, SeekPastTheEndOfASingleFileStops) {
    ASSERT_EQ(control.PlayFile(ToneFile(2)), 1);
    EXPECT_TRUE(control.SeekBy(5.0));
    Run(100);
    EXPECT_EQ(control.Status(), PlaybackStatus::Stopped);
    EXPECT_FALSE(control.SeekTo(1.0));
}

}  // namespace
}  // namespace sonvaro::test

#include "engine/http_transfer.h"
#include "support/loopback_server.h"
#include "support/wait.h"

namespace sonvaro::test {
namespace {

TEST_F(PlayerControlTest, AStationListAddressPlaysItsFirstStation) {
    support::LoopbackServer server([](support::LoopbackServer::Connection& c) {
        if (c.request.find("GET /listen.pls ") == 0) {
            c.Send("HTTP/1.0 200 OK\r\n\r\n[playlist]\r\nFile1=http://127.0.0.1:" +
                   std::to_string(c.server.Port()) + "/live\r\nFile2=http://127.0.0.1:1/second\r\n");
        } else {
            c.Send("HTTP/1.0 404 Not Found\r\n\r\n");
        }
    });
    std::vector<std::string> fetched;
    control.SetStationListReader([&](const std::string& address) -> std::optional<std::string> {
        fetched.push_back(address);
        return audio::FetchSmallText(address).body;
    });
    control.PlayLibraryEntry(server.Url("/listen.pls"));
    EXPECT_TRUE(WaitUntil([&] {
        for (const std::string& r : server.Requests())
            if (r.find("GET /live ") == 0) return true;
        return false;
    }));
    // A plain station address and a file are played as they are, with no list fetched.
    EXPECT_EQ(control.PlayLibraryEntry(ToneFile(2)), 1);
    EXPECT_EQ(fetched, (std::vector<std::string>{server.Url("/listen.pls")}));
}

}  // namespace
}  // namespace sonvaro::test
