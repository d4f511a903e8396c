// The sound as it reaches the speakers: the headless player plays a tone into
// a null sink of a private PulseAudio server, and the sink's monitor is
// recorded. What the device still buffers must be faded too, and heard; a
// pause or a new volume must take nothing away and repeat nothing.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "support/private_sound_server.h"
#include "support/test_support.h"
#include "support/wait.h"

namespace sonvaro {
namespace {

constexpr double kRate = test::PrivateSoundServer::kRate;
constexpr double kFull = 0.5 / std::sqrt(2.0);  // the RMS of the half-scale tone
constexpr double kFade = 2.0;                   // BASS_FadeOut
constexpr double kLatency = 0.15;               // what the start of a fade may be off by

// What the recording shows of one fade-out, in seconds of the recording.
struct HeardFade {
    double onset = 0, end = 0;  // the first and last sample above -66 dB
    double start = 0;           // where the straight line of the fade begins
    double zero = 0;            // where it reaches 0
    double tailPeak = 1;        // the loudest sample of the last 10 ms, full scale 1.0
    bool steady = false;        // the level never rises during the fade
    double fullFrom = 0;        // the lowest level (relative) from the onset to 150 ms before the fade
};

double Rms(const std::vector<float>& x, double at) {  // 50 ms around `at`
    const auto a = static_cast<std::size_t>(std::max(0.0, (at - 0.025) * kRate));
    const auto b = std::min(x.size(), static_cast<std::size_t>((at + 0.025) * kRate));
    double sum = 0;
    for (std::size_t i = a; i < b; ++i) sum += static_cast<double>(x[i]) * x[i];
    return b > a ? std::sqrt(sum / static_cast<double>(b - a)) / kFull : 0;
}

HeardFade Measure(const std::vector<float>& x) {
    HeardFade f;
    const auto loud = [](float v) { return std::fabs(v) > 0.0005f; };
    const auto first = std::find_if(x.begin(), x.end(), loud);
    const auto last = std::find_if(x.rbegin(), x.rend(), loud);
    if (first == x.end()) return f;
    f.onset = static_cast<double>(first - x.begin()) / kRate;
    const auto endIndex = static_cast<std::size_t>(x.rend() - last);
    f.end = static_cast<double>(endIndex) / kRate;
    f.tailPeak = 0;
    for (std::size_t i = endIndex > 441 ? endIndex - 441 : 0; i < endIndex; ++i)
        f.tailPeak = std::max(f.tailPeak, static_cast<double>(std::fabs(x[i])));
    // The fade is a straight line: where it passes 90 % and 50 % gives its start and its end.
    double t90 = 0, t50 = 0;
    for (double t = std::max(f.onset + 0.05, f.end - 3.0); t < f.end && t50 == 0; t += 0.001) {
        const double level = Rms(x, t);
        if (t90 == 0 && level < 0.9) t90 = t;
        if (t90 != 0 && level < 0.5) t50 = t;
    }
    f.start = t90 - 0.25 * (t50 - t90);
    f.zero = f.start + (t50 - t90) / 0.4;
    f.steady = true;
    for (double t = f.start + 0.05, before = 2; t < f.end - 0.025; t += 0.05) {
        const double level = Rms(x, t);
        f.steady = f.steady && level < before + 0.01;
        before = level;
    }
    f.fullFrom = 2;
    for (double t = f.onset + 0.05; t < f.start - kLatency; t += 0.05)
        f.fullFrom = std::min(f.fullFrom, Rms(x, t));
    return f;
}

std::string Describe(const HeardFade& f) {
    char text[200];
    std::snprintf(text, sizeof text, "heard %.3f..%.3f s, fade line %.3f..%.3f s, tail peak %.4f, full %.3f",
                  f.onset, f.end, f.start, f.zero, f.tailPeak, f.fullFrom);
    return text;
}

class SoundFadeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        server = std::make_unique<test::PrivateSoundServer>(home.path() + "runtime");
        if (!server->Ready()) GTEST_SKIP() << "no sound server here: " << server->Why();
        std::filesystem::create_directories(home / "config/Sonvaro");
        // Device 1 is the sound server's default sink.
        test::WriteFile(home / "config/Sonvaro/Sonvaro.ini",
                        "[Preferences]\nBASS_QutputDevice=1\nBASS_FadeIn=0\nBASS_FadeOut=2\n");
        ASSERT_TRUE(server->StartRecording());
    }

    // A 440 Hz tone at half scale.
    std::string Tone(int seconds) {
        const std::string path = home / ("tone" + std::to_string(seconds) + ".wav");
        const std::string cmd = "sox -n -r 44100 -c 2 -b 16 '" + path + "' synth " + std::to_string(seconds) +
                                " sine 440 vol 0.5";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
        return path;
    }
    pid_t StartPlayer(const std::string& file) {
        return test::Spawn(
            {SONVARO_BINARY, "--headless", file},
            server->Environment({"XDG_CONFIG_HOME=" + home / "config", "SDL_AUDIODRIVER=pulseaudio"}),
            home / "out.txt", home / "err.txt");
    }
    // Waits for the player's end, then for the recording to hold what it played.
    HeardFade Finish(pid_t player) {
        EXPECT_EQ(test::WaitForExit(player, std::chrono::seconds(40)), 0) << test::ReadFile(home / "err.txt");
        EXPECT_TRUE(server->RecordFurther(0.5));
        server->StopRecording();
        return Measure(server->RecordedLeft());
    }

    // Runs `sonvaro --remote ARGS...` against the player; its exit code.
    int Remote(const std::vector<std::string>& args) {
        std::vector<std::string> argv{SONVARO_BINARY, "--remote"};
        argv.insert(argv.end(), args.begin(), args.end());
        const pid_t client = test::Spawn(argv, server->Environment({"XDG_CONFIG_HOME=" + home / "config"}));
        return client == 0 ? -1 : test::WaitForExit(client, std::chrono::seconds(10));
    }

    test::TempDir home;
    std::unique_ptr<test::PrivateSoundServer> server;
};

// Seconds of the recording (in 5 ms steps) whose level lies in [low, high) of the full tone.
double SecondsAtLevel(const std::vector<float>& x, double low, double high) {
    const std::size_t step = static_cast<std::size_t>(kRate) / 200;
    std::size_t count = 0;
    for (std::size_t at = 0; at + step <= x.size(); at += step) {
        double sum = 0;
        for (std::size_t i = at; i < at + step; ++i) sum += static_cast<double>(x[i]) * x[i];
        const double level = std::sqrt(sum / static_cast<double>(step)) / kFull;
        if (level >= low && level < high) ++count;
    }
    return static_cast<double>(count) / 200;
}

TEST_F(SoundFadeTest, TheEndFadeBeginsFadeOutSecondsBeforeTheEndAndIsSilentAtTheLastSample) {
    const pid_t player = StartPlayer(Tone(5));
    ASSERT_NE(player, 0);
    const HeardFade f = Finish(player);
    SCOPED_TRACE(Describe(f));
    EXPECT_NEAR(f.end - f.onset, 5.0, 0.05);  // the whole track was heard
    EXPECT_GT(f.fullFrom, 0.97);              // full level until the fade
    EXPECT_NEAR(f.start, f.end - kFade, kLatency);
    EXPECT_NEAR(f.zero - f.start, kFade, kLatency);  // at the full rate, whatever is left
    EXPECT_TRUE(f.steady);
    EXPECT_NEAR(f.zero, f.end, 0.03);  // the line reaches 0 at the last sample,
    EXPECT_LT(f.tailPeak, 0.005);      // so the end is silent, not cut off
}

TEST_F(SoundFadeTest, QuittingFadesOutOverFadeOutSecondsAndTheDeviceSoundsItToSilence) {
    const pid_t player = StartPlayer(Tone(30));
    ASSERT_NE(player, 0);
    // Once a second of the tone has been heard, the player is told to end.
    ASSERT_TRUE(test::WaitUntil([&] { return server->LoudSeconds() > 1.0; }, std::chrono::seconds(20)));
    kill(player, SIGTERM);
    const HeardFade f = Finish(player);
    SCOPED_TRACE(Describe(f));
    EXPECT_GT(f.fullFrom, 0.97);
    EXPECT_NEAR(f.zero - f.start, kFade, kLatency);
    EXPECT_TRUE(f.steady);
    EXPECT_NEAR(f.zero, f.end, 0.03);
    EXPECT_LT(f.tailPeak, 0.005);
}

TEST_F(SoundFadeTest, APauseAndANewVolumeAreHeardWithoutLosingOrRepeatingAnyOfTheTrack) {
    // No fades: every frame of the tone is heard at full level, or at the lowered volume.
    test::WriteFile(home / "config/Sonvaro/Sonvaro.ini",
                    "[Preferences]\nBASS_QutputDevice=1\nBASS_FadeIn=0\nBASS_FadeOut=0\n");
    const pid_t player = StartPlayer(Tone(4));
    ASSERT_NE(player, 0);
    ASSERT_TRUE(test::WaitUntil([&] { return server->LoudSeconds() > 1.0; }, std::chrono::seconds(20)));
    ASSERT_EQ(Remote({"volume", "30"}), 0);
    ASSERT_TRUE(server->RecordFurther(0.3));
    ASSERT_EQ(Remote({"volume", "100"}), 0);
    ASSERT_EQ(Remote({"pause"}), 0);
    ASSERT_TRUE(server->RecordFurther(0.5));
    ASSERT_EQ(Remote({"pause"}), 0);  // on again
    const HeardFade f = Finish(player);
    SCOPED_TRACE(Describe(f));
    const auto x = server->RecordedLeft();
    EXPECT_GT(SecondsAtLevel(x, 0.2, 0.4), 0.2);  // the lowered volume was heard
    EXPECT_GT(f.end - f.onset, 4.3);              // the pause is in the recording
    // The mix that was ahead of the device was dropped and mixed again from the frame heard:
    // all of the track, once (a dropped lead would lose 0.1 s at each command).
    EXPECT_NEAR(SecondsAtLevel(x, 0.2, 1.2), 4.0, 0.025);
}

}  // namespace
}  // namespace sonvaro
