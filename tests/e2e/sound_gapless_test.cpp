// Two halves of one tone on the command line, both fades at 0, as they reach
// the speakers: the headless player plays into a null sink of a private
// PulseAudio server whose monitor is recorded. The join must be inaudible:
// the recording holds the whole tone, sample for sample.
#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "../support/fixtures.h"
#include "support/private_sound_server.h"
#include "support/test_support.h"
#include "support/wait.h"

namespace sonvaro {
namespace {

constexpr std::size_t kCut = 89434;       // frames of the first half
constexpr std::size_t kTone = 4 * 44100;  // frames of the whole tone

// The left channel of a 16-bit stereo WAV file, at full scale 1.0.
std::vector<float> WavLeft(const std::string& path) {
    const std::string bytes = test::ReadFile(path);
    const std::size_t data = bytes.find("data");
    std::vector<float> left;
    for (std::size_t i = data + 8; data != std::string::npos && i + 4 <= bytes.size(); i += 4) {
        const auto lo = static_cast<unsigned char>(bytes[i]), hi = static_cast<unsigned char>(bytes[i + 1]);
        left.push_back(static_cast<float>(static_cast<std::int16_t>(lo | hi << 8)) / 32768.0f);
    }
    return left;
}

class SoundGaplessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        server = std::make_unique<test::PrivateSoundServer>(home.path() + "runtime");
        if (!server->Ready()) GTEST_SKIP() << "no sound server here: " << server->Why();
        std::filesystem::create_directories(home / "config/Sonvaro");
        test::WriteFile(home / "config/Sonvaro/Sonvaro.ini",
                        "[Preferences]\nBASS_QutputDevice=1\nBASS_FadeIn=0\nBASS_FadeOut=0\n");
        ASSERT_TRUE(server->StartRecording());
    }
    // Plays the files to the end of the list; the left channel of the recording
    // from the tone's first sample on (the tone starts at sin 0 and rises).
    std::vector<float> PlayAndRecord(const std::vector<std::string>& files) {
        std::vector<std::string> argv{SONVARO_BINARY, "--headless"};
        argv.insert(argv.end(), files.begin(), files.end());
        const pid_t player = test::Spawn(
            argv, server->Environment({"XDG_CONFIG_HOME=" + home / "config", "SDL_AUDIODRIVER=pulseaudio"}),
            home / "out.txt", home / "err.txt");
        EXPECT_NE(player, 0);
        EXPECT_EQ(test::WaitForExit(player, std::chrono::seconds(40)), 0) << test::ReadFile(home / "err.txt");
        EXPECT_TRUE(server->RecordFurther(0.3));
        server->StopRecording();
        std::vector<float> x = server->RecordedLeft();
        const auto first = std::find_if(x.begin(), x.end(), [](float v) { return std::fabs(v) > 0.01f; });
        EXPECT_NE(first, x.end()) << "nothing was heard";
        if (first == x.end()) return {};
        return std::vector<float>(first - 1, x.end());
    }
    // Frames of [from, to) where the two differ by more than `tolerance`.
    static std::size_t Differing(const std::vector<float>& a, const std::vector<float>& b, std::size_t from,
                                 std::size_t to, double tolerance) {
        std::size_t n = 0;
        for (std::size_t i = from; i < to; ++i)
            if (i >= a.size() || i >= b.size() || std::fabs(a[i] - b[i]) > tolerance) ++n;
        return n;
    }
    static std::size_t LongestQuiet(const std::vector<float>& x, std::size_t from, std::size_t to) {
        std::size_t longest = 0, run = 0;
        for (std::size_t i = from; i < to && i < x.size(); ++i) {
            run = std::fabs(x[i]) < 0.02f ? run + 1 : 0;
            longest = std::max(longest, run);
        }
        return longest;
    }

    test::TempDir home;
    std::unique_ptr<test::PrivateSoundServer> server;
};

TEST_F(SoundGaplessTest, TwoFlacHalvesReachTheSpeakersAsTheWholeTone) {
    const auto tone = WavLeft(fixtures::Path("tone.wav"));
    ASSERT_EQ(tone.size(), kTone);
    const auto heard = PlayAndRecord({fixtures::Path("tone_a.flac"), fixtures::Path("tone_b.flac")});
    // Two steps of 16 bits: the sound server's conversion from float may round either way.
    const double quantum = 2.0 / 32768;
    EXPECT_EQ(Differing(heard, tone, kCut - 4410, kCut + 4410, quantum), 0u) << "around the join";
    EXPECT_EQ(Differing(heard, tone, 0, kTone, quantum), 0u);
    EXPECT_EQ(LongestQuiet(heard, kTone + 100, kTone + 4410), 4410u - 100) << "silence after the end";
}

TEST_F(SoundGaplessTest, Mp3HalvesJoinWithoutTheEncodersDelayAndPaddingAndARateChangeLeavesNoGap) {
    const auto tone = WavLeft(fixtures::Path("tone.wav"));
    auto heard = PlayAndRecord({fixtures::Path("tone_a.mp3"), fixtures::Path("tone_b.mp3")});
    // Lossy, but in step with the tone: a delay or padding left in would shift
    // the second half by about a thousand frames.
    EXPECT_EQ(Differing(heard, tone, kCut - 2048, kCut + 2048, 0.05), 0u);
    EXPECT_LE(LongestQuiet(heard, 0, kTone - 1000), 2u);

    ASSERT_TRUE(server->StartRecording());
    heard = PlayAndRecord({fixtures::Path("tone_a.flac"), fixtures::Path("tone_48k.flac")});
    EXPECT_LE(LongestQuiet(heard, 0, kCut + 2 * 44100 - 1000), 2u);
}

// Whether this test may raise a thread's priority: then the player may too.
bool MayRaisePriority() {
    bool may = false;
    std::thread([&] {
        sched_param param{};
        param.sched_priority = sched_get_priority_min(SCHED_RR);
        may = pthread_setschedparam(pthread_self(), SCHED_RR, &param) == 0 ||
              setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -10) == 0;
    }).join();
    return may;
}

// A device period is about 23 ms: the thread that hands the mix to the sound
// server must not queue behind other programs for a core.
TEST_F(SoundGaplessTest, TheDeviceThreadRunsAboveOrdinaryThreads) {
    if (!MayRaisePriority()) GTEST_SKIP() << "this system grants no raised priority";
    const pid_t player =
        test::Spawn({SONVARO_BINARY, "--headless", fixtures::Path("tone.wav")},
                    server->Environment({"XDG_CONFIG_HOME=" + home / "config", "SDL_AUDIODRIVER=pulseaudio"}),
                    home / "out.txt", home / "err.txt");
    ASSERT_NE(player, 0);
    ASSERT_TRUE(test::WaitUntil([&] { return server->LoudSeconds() > 0.2; }, std::chrono::seconds(20)));
    std::vector<std::string> raised, ordinary;
    const std::string tasks = "/proc/" + std::to_string(player) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks)) {
        std::string name = test::ReadFile(task.path() / "comm");
        if (name.rfind("SDLAudioP", 0) != 0) continue;
        const auto tid = static_cast<pid_t>(std::stoi(task.path().filename().string()));
        errno = 0;
        const bool up =
            sched_getscheduler(tid) == SCHED_RR || getpriority(PRIO_PROCESS, static_cast<id_t>(tid)) < 0;
        (up ? raised : ordinary).push_back(name);
    }
    kill(player, SIGTERM);
    EXPECT_EQ(test::WaitForExit(player, std::chrono::seconds(20)), 0);
    EXPECT_EQ(raised.size(), 1u);
    EXPECT_TRUE(ordinary.empty());
}

}  // namespace
}  // namespace sonvaro
