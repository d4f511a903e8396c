#include <gtest/gtest.h>

#include <algorithm>

#include "support/player_harness.h"
#include "support/test_support.h"
#include "support/wait.h"

namespace sonvaro::test {
namespace {

using ChannelPlayerTest = PlayerTest;

TEST_F(ChannelPlayerTest, StartShowsTrackAndCounts) {
    settings.Misc_Clipboard = 1;
    const std::string file = ToneFile(4);
    ASSERT_EQ(player.PlayChannel(file, kSourceSingle), 1);
    const PlayerState& state = player.State();
    EXPECT_EQ(state.currentPath, file);
    EXPECT_EQ(state.info.length, 4);
    EXPECT_EQ(state.info.sampleRate, 44100.0f);
    EXPECT_EQ(state.info.title, "tone4s");
    EXPECT_TRUE(display.sliderEnabled);
    EXPECT_EQ(settings.statistics.PlayStart, 1);
    EXPECT_EQ(log.LinesSince(0).at(0).substr(11), "PlayChannel: " + std::to_string(state.CurrentChannel()));
    // An untagged file still gives all twelve fields: eleven separators.
    EXPECT_EQ(std::count(clipboard.text.begin(), clipboard.text.end(), '|'), 11);
    EXPECT_EQ(clipboard.text.rfind("BL_CT," + file + "|tone4s|||0||0||1411|44100|2|4", 0), 0u)
        << clipboard.text;

    Run(1100);
    EXPECT_EQ(display.fields[1], "Titel:");
    EXPECT_EQ(display.fields[2], "tone4s");
    EXPECT_EQ(display.fields[9], "Länge:");
    EXPECT_EQ(display.fields[10], "00:00:01");
    EXPECT_EQ(display.slider, 250);
    EXPECT_EQ(display.toolTip, "tone4s [00:00:01]");
    EXPECT_GT(display.levelImages, 0);
}

TEST_F(ChannelPlayerTest, FilesThatDoNotOpenChangeNothing) {
    test::TempDir dir;
    test::WriteFile(dir / "noise.mp3", std::string(4096, 'x'));
    ASSERT_EQ(player.PlayChannel(ToneFile(4), kSourceSingle), 1);
    const uint32_t playing = player.State().CurrentChannel();
    EXPECT_EQ(player.PlayChannel(dir / "noise.mp3", kSourcePlaylist), 0);
    EXPECT_EQ(player.PlayChannel(dir / "missing.mp3", kSourcePlaylist), 0);
    EXPECT_EQ(player.PlayChannel("HTTP://radio.example/live", kSourceRadio),
              0);  // handed on, nothing plays here
    EXPECT_EQ(player.State().CurrentChannel(), playing);
    EXPECT_EQ(player.State().playSource, kSourceSingle);
    const auto lines = log.LinesSince(0);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].substr(11),
              "Nicht abspielbar: '" + dir.path() + "noise.mp3' (unsupported file format)");
    EXPECT_EQ(lines[2].substr(11), "Nicht abspielbar: '" + dir.path() + "missing.mp3' (Can't open the File)");
}

TEST_F(ChannelPlayerTest, TwoQuickChangesLeaveAtMostTwoChannels) {
    settings.BASS_FadeOut = 5;
    const std::string file = ToneFile(4);
    ASSERT_EQ(player.PlayChannel(file, kSourceSingle), 1);
    const uint32_t first = player.State().CurrentChannel();
    Mix(100);
    ASSERT_EQ(player.PlayChannel(file, kSourceSingle), 1);
    Mix(100);
    ASSERT_EQ(player.PlayChannel(file, kSourceSingle), 1);
    EXPECT_EQ(BASS_ChannelIsActive(first), BASS_ACTIVE_STOPPED);  // the one two changes back
    EXPECT_EQ(ActiveChannels(), 2);
}

TEST_F(ChannelPlayerTest, FadesFollowTheSettings) {
    settings.BASS_FadeIn = 0;
    ASSERT_EQ(player.PlayChannel(ToneFile(4), kSourceSingle), 1);
    EXPECT_FLOAT_EQ(ChannelVolume(player.State().CurrentChannel()), 1.0f);  // at once

    // A 3-second track with a 5-second fade-out starts fading at its first tick.
    settings.BASS_FadeIn = 1;
    settings.BASS_FadeOut = 5;
    ASSERT_EQ(player.PlayChannel(ToneFile(3), kSourceSingle), 1);
    Run(50);
    EXPECT_EQ(player.State().slotFade[player.State().currentSlot], SlotFade::FadingOut);
    EXPECT_TRUE(BASS_ChannelIsSliding(player.State().CurrentChannel(), BASS_ATTRIB_VOL));
}

// A front end may tick less often only while nothing the tick does is near:
// not close to the end (its fade-out and the next track's preparation), not
// while fading in, not paused.
TEST_F(ChannelPlayerTest, SteadyOnlyWhileNothingIsDueSoon) {
    settings.BASS_FadeIn = 0;
    settings.BASS_FadeOut = 2;
    ASSERT_EQ(player.PlayChannel(ToneFile(12), kSourceSingle), 1);
    Run(50);
    EXPECT_TRUE(player.SteadyFor(0.5));   // 12 s left: the fade is due in 10, the next track in 7
    EXPECT_FALSE(player.SteadyFor(4.5));  // …but not after 4.5 s more
    settings.BASS_FadeOut = 6;
    EXPECT_FALSE(player.SteadyFor(0.5));
    settings.BASS_FadeOut = 2;
    BASS_ChannelPause(player.State().CurrentChannel());
    EXPECT_FALSE(player.SteadyFor(0.5));
    BASS_ChannelPlay(player.State().CurrentChannel(), FALSE);
    EXPECT_TRUE(player.SteadyFor(0.5));

    settings.BASS_FadeIn = 1;
    ASSERT_EQ(player.PlayChannel(ToneFile(12), kSourceSingle), 1);
    Run(50);
    EXPECT_FALSE(player.SteadyFor(0.5));  // the last track still fades out beside it
    ASSERT_EQ(player.PlayChannel(ToneFile(4), kSourceSingle), 1);
    EXPECT_FALSE(player.SteadyFor(0.5));
}

// The tone files are 440 Hz at half scale: an RMS of 0.3536 at full volume.
TEST_F(ChannelPlayerTest, WithoutAFadeOutATrackPlaysToItsLastSample) {
    settings.BASS_FadeOut = 0;
    keepHeard = true;
    ASSERT_EQ(player.PlayChannel(ToneFile(3), kSourceSingle), 1);
    Run(4000);
    EXPECT_NEAR(HeardUntil(), 3.0, 0.005);
    EXPECT_NEAR(HeardRms(2.90, 2.99), 0.3536, 0.01);
}

TEST_F(ChannelPlayerTest, TheEndFadeStartsOnceAndReachesSilenceAtTheEnd) {
    settings.BASS_FadeOut = 2;
    keepHeard = true;
    ASSERT_EQ(player.PlayChannel(ToneFile(3), kSourceSingle), 1);
    Run(4000);
    EXPECT_NEAR(HeardRms(0.50, 0.90), 0.3536, 0.01);      // full volume before the fade
    EXPECT_NEAR(HeardRms(1.95, 2.05), 0.3536 / 2, 0.02);  // a straight line: half way at half time
    EXPECT_NEAR(HeardRms(2.70, 2.80), 0.3536 * 0.125, 0.01);
    EXPECT_LT(HeardRms(2.98, 3.00), 0.3536 * 0.02);  // no cut at -9 dB: silence at the end
    EXPECT_NEAR(HeardUntil(1e-3f), 3.0, 0.02);       // and the track was not ended early
}

// At 1.5 times the speed the 3-second file lasts 2 seconds: the fade counts heard seconds.
TEST_F(ChannelPlayerTest, AtAChangedSpeedTheEndFadeStillEndsAtTheLastSample) {
    settings.BASS_FadeOut = 1;
    keepHeard = true;
    ASSERT_EQ(player.PlayChannel(ToneFile(3), kSourceSingle), 1);
    ASSERT_TRUE(BASS_ChannelSetAttribute(player.State().CurrentChannel(), BASS_ATTRIB_FREQ, 44100 * 1.5f));
    Run(3000);
    const double end = HeardUntil(1e-3f);
    EXPECT_NEAR(end, 2.0, 0.02);
    EXPECT_NEAR(HeardRms(end - 1.15, end - 1.05), 0.3536, 0.01);  // not yet fading 1 s before the end
    EXPECT_NEAR(HeardRms(end - 0.55, end - 0.45), 0.3536 / 2, 0.02);
    EXPECT_LT(HeardRms(end - 0.02, end), 0.3536 * 0.02);
}

TEST_F(ChannelPlayerTest, AVolumeChangeEndsAFade) {
    settings.BASS_FadeOut = 5;
    ASSERT_EQ(player.PlayChannel(ToneFile(4), kSourceSingle), 1);
    const uint32_t channel = player.State().CurrentChannel();
    player.Stop();
    Mix(500);
    ASSERT_TRUE(BASS_ChannelIsSliding(channel, BASS_ATTRIB_VOL));
    player.SetChannelVolume(0.8f);
    EXPECT_FALSE(BASS_ChannelIsSliding(channel, BASS_ATTRIB_VOL));
    EXPECT_FLOAT_EQ(ChannelVolume(channel), 0.8f);
}

TEST_F(ChannelPlayerTest, FadeOutWaitEndsWhenSilentOrGone) {
    settings.BASS_FadeOut = 1;
    ASSERT_EQ(player.PlayChannel(ToneFile(4), kSourceSingle), 1);
    const uint32_t start = tick;
    player.FadeOut(1);
    EXPECT_LE(ChannelVolume(player.State().CurrentChannel()), 0.0f);
    EXPECT_LE(tick - start, 2000u);

    // The channel disappears during the fade: the wait ends at once.
    settings.BASS_FadeOut = 3;
    ASSERT_EQ(player.PlayChannel(ToneFile(4), kSourceSingle), 1);
    BASS_StreamFree(player.State().CurrentChannel());
    const uint32_t before = tick;
    player.FadeOut(1);
    EXPECT_LE(tick - before, 10u);
}

TEST_F(ChannelPlayerTest, PauseStopsListeningTime) {
    ASSERT_EQ(player.PlayChannel(ToneFile(4), kSourceSingle), 1);
    Run(1500);
    const int64_t counted = settings.statistics.PlayTime;
    EXPECT_GE(counted, 1);
    player.TogglePause();
    EXPECT_TRUE(display.pause);
    for (int i = 0; i < 60; ++i) {
        tick += 50;
        player.PlayerTick();
    }
    EXPECT_EQ(settings.statistics.PlayTime, counted);
    player.TogglePause();
    EXPECT_FALSE(display.pause);
    EXPECT_EQ(BASS_ChannelIsActive(player.State().CurrentChannel()), BASS_ACTIVE_PLAYING);
}

TEST_F(ChannelPlayerTest, TwoStartsOnOneDayCountOneDay) {
    ASSERT_EQ(player.PlayChannel(ToneFile(4), kSourceSingle), 1);
    now += 3600;
    ASSERT_EQ(player.PlayChannel(ToneFile(4), kSourceSingle), 1);
    EXPECT_EQ(settings.statistics.PlayStart, 2);
    EXPECT_EQ(settings.statistics.PlayDays, 1);
}

TEST_F(ChannelPlayerTest, UpdatesEveryLibraryEntryOfThePath) {
    const std::string file = ToneFile(4);
    library.entries.resize(3);
    library.entries[0].info.path = file;
    library.entries[1].info.path = "/other.wav";
    library.entries[2].info.path = file;
    ASSERT_EQ(player.PlayChannel(file, kSourceSingle), 1);
    EXPECT_EQ(library.entries[0].playCount, 1);
    EXPECT_EQ(library.entries[2].playCount, 1);
    EXPECT_EQ(library.entries[2].lastPlayed, now);
    EXPECT_EQ(library.entries[2].info.title, "tone4s");
    EXPECT_EQ(library.entries[1].playCount, 0);
}

class CountingListener : public PlayerListener {
  public:
    void Notify(ListenerCode code, const std::string& text) override {
        std::lock_guard lock(mutex);
        codes.push_back(static_cast<int>(code));
        texts.push_back(text);
    }
    std::mutex mutex;
    std::vector<int> codes;
    std::vector<std::string> texts;
};

TEST_F(ChannelPlayerTest, TheEndOfAChannelIsCountedAndReportedOnce) {
    CountingListener listener;
    listeners.Add(&listener);
    ASSERT_EQ(player.PlayChannel(ToneFile(1), kSourceSingle), 1);
    {
        std::lock_guard lock(listener.mutex);
        EXPECT_EQ(listener.codes, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
        EXPECT_EQ(listener.texts[0], "tone1s");
    }
    Run(1500);
    // The freed notification comes from an engine thread.
    EXPECT_TRUE(WaitUntil([&] { return statistics.PlayEnd() != 0; }, std::chrono::seconds(2)));
    EXPECT_EQ(statistics.PlayEnd(), 1);
    listeners.Remove(&listener);
    std::lock_guard lock(listener.mutex);
    EXPECT_EQ(listener.codes.back(), 10);
    EXPECT_EQ(std::count(listener.codes.begin(), listener.codes.end(), 10), 1);
}

TEST_F(ChannelPlayerTest, IdleTickClearsTheDisplay) {
    ASSERT_EQ(player.PlayChannel(ToneFile(1), kSourceSingle), 1);
    Run(500);
    EXPECT_EQ(display.fields[2], "tone1s");
    Run(1200);
    EXPECT_EQ(ActiveChannels(), 0);
    for (int f = 1; f <= 10; ++f) EXPECT_EQ(display.fields[f], "") << f;
    EXPECT_EQ(display.slider, 0);
    EXPECT_FALSE(display.sliderEnabled);
}

TEST_F(ChannelPlayerTest, SeekLandsWhereTheSliderPoints) {
    ASSERT_EQ(player.PlayChannel(ToneFile(4), kSourceSingle), 1);
    player.SeekFromSlider(500, true);
    EXPECT_EQ(player.State().seeking, 1);
    player.SeekFromSlider(500, false);
    EXPECT_EQ(player.State().seeking, 0);
    Run(100);
    EXPECT_EQ(player.State().position, 2);
}

}  // namespace
}  // namespace sonvaro::test
