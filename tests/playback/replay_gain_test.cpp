#include "playback/replay_gain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "support/player_harness.h"
#include "support/tag_fixtures.h"
#include "support/test_support.h"

namespace sonvaro::test {
namespace {

double Db(double ratio) {
    return 20 * std::log10(ratio);
}

Settings WithMode(int mode, int preamp = 0, int noClip = 1) {
    Settings s;
    s.ReplayGain_Mode = mode;
    s.ReplayGain_Preamp = preamp;
    s.ReplayGain_NoClip = noClip;
    return s;
}

TEST(ReplayGainFactor, ModesPreampAndNoClip) {
    const ReplayGainTags both{-6.0, -3.0, 0.5, 0.75};
    EXPECT_EQ(ReplayGainFactor(both, WithMode(kReplayGainOff, 30)), 1.0);  // off is off, pre-amp or not
    EXPECT_NEAR(Db(ReplayGainFactor(both, WithMode(kReplayGainTrack))), -6.0, 1e-9);
    EXPECT_NEAR(Db(ReplayGainFactor(both, WithMode(kReplayGainAlbum))), -3.0, 1e-9);
    EXPECT_NEAR(Db(ReplayGainFactor(both, WithMode(kReplayGainTrack, 30))), -3.0, 1e-9);
    EXPECT_NEAR(Db(ReplayGainFactor(both, WithMode(kReplayGainTrack, -25))), -8.5, 1e-9);
    // A pre-amp beyond its range counts as the end of the range.
    EXPECT_NEAR(Db(ReplayGainFactor(both, WithMode(kReplayGainTrack, 900, 0))), 9.0, 1e-9);
    EXPECT_NEAR(Db(ReplayGainFactor(both, WithMode(kReplayGainTrack, -900))), -21.0, 1e-9);
    // An unknown mode plays unchanged.
    EXPECT_EQ(ReplayGainFactor(both, WithMode(7)), 1.0);

    // Album mode without an album gain takes the track's.
    const ReplayGainTags trackOnly{-6.0, std::nullopt, 0.5, std::nullopt};
    EXPECT_NEAR(Db(ReplayGainFactor(trackOnly, WithMode(kReplayGainAlbum))), -6.0, 1e-9);
    // No gain for the mode: unchanged, and the pre-amp alone does not apply.
    EXPECT_EQ(ReplayGainFactor(ReplayGainTags{}, WithMode(kReplayGainAlbum, 50)), 1.0);
    EXPECT_EQ(
        ReplayGainFactor(ReplayGainTags{std::nullopt, std::nullopt, 0.5, 0.5}, WithMode(kReplayGainTrack)),
        1.0);

    // NoClip: gain x peak stays at full scale; the album peak goes with the album gain.
    const ReplayGainTags loud{10.0, 8.0, 0.9, 0.95};
    EXPECT_NEAR(ReplayGainFactor(loud, WithMode(kReplayGainTrack)) * 0.9, 1.0, 1e-12);
    EXPECT_NEAR(ReplayGainFactor(loud, WithMode(kReplayGainAlbum)) * 0.95, 1.0, 1e-12);
    EXPECT_NEAR(Db(ReplayGainFactor(loud, WithMode(kReplayGainTrack, 0, 0))), 10.0, 1e-9);
    // A peak that leaves room changes nothing; no peak, nothing to hold to.
    EXPECT_NEAR(Db(ReplayGainFactor(ReplayGainTags{3.0, std::nullopt, 0.5, std::nullopt},
                                    WithMode(kReplayGainTrack))),
                3.0, 1e-9);
    EXPECT_NEAR(Db(ReplayGainFactor(ReplayGainTags{10.0, std::nullopt, std::nullopt, std::nullopt},
                                    WithMode(kReplayGainTrack))),
                10.0, 1e-9);
    // Album mode with an album gain but only a track peak holds to the track peak.
    EXPECT_NEAR(
        ReplayGainFactor(ReplayGainTags{10.0, 9.0, 0.9, std::nullopt}, WithMode(kReplayGainAlbum)) * 0.9, 1.0,
        1e-12);
}

// FLAC copies of one 440 Hz tone: untagged, and with the given Vorbis comments.
std::string GainFlac(const std::string& name, const std::string& tags, double amplitude = 0.5) {
    const std::string folder = std::string(SONVARO_FIXTURES) + "/replaygain/";
    const std::string path = folder + name;
    if (std::filesystem::exists(path)) return path;
    std::filesystem::create_directories(folder);
    // Without dither, so that every copy holds the same samples.
    const std::string wav = folder + "tone-" + std::to_string(amplitude) + ".wav";
    const std::string command = "sox -D -n -r 44100 -c 2 -b 16 '" + wav + "' synth 2 sine 440 vol " +
                                std::to_string(amplitude) + " && flac -s -f " + tags + " '" + wav + "' -o '" +
                                path + ".tmp' && mv '" + path + ".tmp' '" + path + "'";
    if (std::system(command.c_str()) != 0) ADD_FAILURE() << command;
    return path;
}

class ReplayGainPlayback : public PlayerTest {
  protected:
    // What the player makes heard of the file's first second.
    std::vector<float> Hear(const std::string& path) {
        heard.clear();
        keepHeard = true;
        EXPECT_EQ(player.PlayChannel(path, kSourceSingle), 1) << path;
        Run(1000);
        keepHeard = false;
        player.Stop();
        Run(200);
        return heard;
    }
    static double Rms(const std::vector<float>& frames) {
        // 0.2 s to 0.8 s: whole blocks of a steady tone.
        double sum = 0;
        const size_t from = kRate / 5, to = kRate * 4 / 5;
        for (size_t i = from; i < to; ++i) sum += frames[2 * i] * frames[2 * i];
        return std::sqrt(sum / static_cast<double>(to - from));
    }
    static float Peak(const std::vector<float>& frames) {
        float peak = 0;
        for (float v : frames) peak = std::max(peak, std::fabs(v));
        return peak;
    }

    const std::string plain = GainFlac("plain.flac", "");
    const std::string tagged = GainFlac("tagged.flac",
                                        "-T 'REPLAYGAIN_TRACK_GAIN=-6.00 dB' -T REPLAYGAIN_TRACK_PEAK=0.5 "
                                        "-T 'REPLAYGAIN_ALBUM_GAIN=-3.00 dB' -T REPLAYGAIN_ALBUM_PEAK=0.6");
};

TEST_F(ReplayGainPlayback, TrackAndAlbumGainAndPreampAreHeard) {
    const double reference = Rms(Hear(plain));
    ASSERT_GT(reference, 0.3);

    settings.ReplayGain_Mode = kReplayGainTrack;
    EXPECT_NEAR(Db(Rms(Hear(tagged)) / reference), -6.0, 0.1);
    settings.ReplayGain_Mode = kReplayGainAlbum;
    EXPECT_NEAR(Db(Rms(Hear(tagged)) / reference), -3.0, 0.1);
    settings.ReplayGain_Mode = kReplayGainTrack;
    settings.ReplayGain_Preamp = 30;
    EXPECT_NEAR(Db(Rms(Hear(tagged)) / reference), -3.0, 0.1);
    // The untagged copy stays as it is whatever the mode.
    EXPECT_EQ(Hear(plain), Hear(plain));
    EXPECT_NEAR(Db(Rms(Hear(plain)) / reference), 0.0, 1e-6);
}

TEST_F(ReplayGainPlayback, ModeOffPlaysBitForBitAsTheUntaggedCopy) {
    settings.ReplayGain_Mode = kReplayGainTrack;
    ASSERT_NE(Hear(tagged), Hear(plain));  // the gain is there when asked for
    settings.ReplayGain_Mode = kReplayGainOff;
    settings.ReplayGain_Preamp = 50;
    EXPECT_EQ(Hear(tagged), Hear(plain));
}

TEST_F(ReplayGainPlayback, NoClipHoldsALoudFileAtFullScale) {
    // +10 dB on a tone peaking at 0.9 would peak near 2.85. (Made a hair below
    // 0.9, so that the 16-bit samples stay at or under the peak the tag gives.)
    const std::string loud =
        GainFlac("loud.flac", "-T 'REPLAYGAIN_TRACK_GAIN=+10.00 dB' -T REPLAYGAIN_TRACK_PEAK=0.9", 0.8999);
    settings.ReplayGain_Mode = kReplayGainTrack;
    const std::vector<float> held = Hear(loud);
    EXPECT_LE(Peak(held), 1.0f);
    EXPECT_GT(Peak(held), 0.99f);

    settings.ReplayGain_NoClip = 0;
    EXPECT_GT(Peak(Hear(loud)), 2.5f);
}

// A restart (the engine set up anew) keeps the gain the track started with
// and reads no tags: here the file has lost them in the meantime.
TEST_F(ReplayGainPlayback, ARestartKeepsTheTracksGainWithoutReadingTagsAgain) {
    settings.ReplayGain_Mode = kReplayGainTrack;
    const double reference = Rms(Hear(plain));
    TempDir dir;
    const std::string path = CopyOf(tagged, dir / "track.flac");
    ASSERT_EQ(player.PlayChannel(path, kSourceSingle), 1);
    CopyOf(plain, path);
    heard.clear();
    keepHeard = true;
    ASSERT_EQ(player.RestartChannel(path, kSourceSingle), 1);
    Run(1000);
    EXPECT_NEAR(Db(Rms(heard) / reference), -6.0, 0.1);
}

}  // namespace
}  // namespace sonvaro::test
