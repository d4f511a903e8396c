#include "playback/engine_setup.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/worker_state.h"
#include "engine/bass.h"
#include "settings/settings.h"
#include "support/test_support.h"
#include "support/wait.h"

namespace sonvaro {
namespace {

TEST(EngineErrorText, TheTableAndTheGaps) {
    EXPECT_EQ(EngineErrorText(0), "OK");
    EXPECT_EQ(EngineErrorText(3), "can't find a free/valid driver");
    EXPECT_EQ(EngineErrorText(23), "illegal device number");
    EXPECT_EQ(EngineErrorText(41), "unsupported file format");
    EXPECT_EQ(EngineErrorText(45), "the channel/file has ended");
    EXPECT_EQ(EngineErrorText(-1), "some other mystery error");
    for (int gap : {10, 26, 28, 30, 36, 46, -2}) EXPECT_EQ(EngineErrorText(gap), "") << gap;
}

TEST(OutputRate, TheTableAndOutsideIt) {
    EXPECT_EQ(OutputRateOf(0), 48000u);
    EXPECT_EQ(OutputRateOf(1), 44100u);
    EXPECT_EQ(OutputRateOf(4), 8000u);
    EXPECT_EQ(OutputRateOf(5), 0u);
    EXPECT_EQ(OutputRateOf(7), 0u);
    EXPECT_EQ(OutputRateOf(-1), 0u);
}

class InitAudioEngineTest : public ::testing::Test {
  protected:
    void TearDown() override { BASS_Free(); }
    Settings settings;
    AudioEngineState engine;
    WorkerState workers;
    test::RecordingMessages messages;
};

TEST_F(InitAudioEngineTest, AScanStuckInAReadHoldsItUpForABoundedTimeOnly) {
    struct Stuck {
        WorkerState workers;
        std::atomic<bool> release{false}, gaveUp{false};
    };
    auto* stuck = test::KeptForever(new Stuck);  // a thread that was let go may use it until the process ends
    stuck->workers.scanRunning = true;
    stuck->workers.scanThread = std::thread([stuck] {
        // A read on a disk that does not answer, until the test releases it.
        stuck->gaveUp = !test::WaitUntil([stuck] { return stuck->release.load(); });
        stuck->workers.ThreadEnded(stuck->workers.scanRunning);
    });
    EXPECT_TRUE(InitAudioEngine(0, 1, settings, engine, stuck->workers, messages));
    EXPECT_EQ(stuck->workers.stopRequested, 1);
    EXPECT_FALSE(stuck->workers.scanThread.joinable());  // let go
    stuck->release = true;
    EXPECT_TRUE(test::WaitUntil([&] { return !stuck->workers.scanRunning.load(); }));
    EXPECT_FALSE(stuck->gaveUp);  // the engine was set up while the read still hung
}

TEST_F(InitAudioEngineTest, NoSoundDeviceWithOptionsAndDeviceList) {
    settings.NETStream_TimeOut = 0;
    settings.NETStream_Proxy = "user:pw@proxy:3128";
    settings.BASS_QutputDevice = 7;
    ASSERT_TRUE(InitAudioEngine(0, 2, settings, engine, workers, messages));
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_TRUE(engine.running);
    EXPECT_NE(engine.engineVersion, 0u);
    EXPECT_EQ(settings.BASS_QutputDevice, 0);
    EXPECT_EQ(settings.BASS_OutputRate, 2);
    ASSERT_GE(engine.outputDevices.size(), 2u);
    EXPECT_EQ(engine.outputDevices[0].name, "No sound");
    EXPECT_EQ(engine.outputDevices[1].name, "Default");
    EXPECT_EQ(BASS_GetConfig(BASS_CONFIG_NET_TIMEOUT), 0u);
    EXPECT_EQ(BASS_GetConfig(BASS_CONFIG_FLOATDSP), 1u);
    EXPECT_EQ(BASS_GetConfig(BASS_CONFIG_NET_PLAYLIST), 1u);

    // A time-out typed as 200 s is stored as the signed byte -56.
    settings.NETStream_TimeOut = -56;
    ASSERT_TRUE(InitAudioEngine(0, 1, settings, engine, workers, messages));
    EXPECT_EQ(BASS_GetConfig(BASS_CONFIG_NET_TIMEOUT), 200000u);
}

TEST_F(InitAudioEngineTest, ARefusedDeviceFallsBackWithItsBoxes) {
    const bool defaultOpens = BASS_Init(-1, 44100, 0, nullptr, nullptr);
    BASS_Free();
    const bool sounds = InitAudioEngine(99, 1, settings, engine, workers, messages);
    ASSERT_GE(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text,
              "Initialisierung von BASS fehlgeschlagen.\nBASS wird versucht mit Standardeinstellungen zu "
              "initialisieren");
    EXPECT_EQ(messages.boxes[0].title, "Fehler");
    EXPECT_EQ(messages.boxes[0].icon, MessageIcon::Error);
    EXPECT_TRUE(engine.running);  // at worst on "No sound", so files can still be read
    EXPECT_EQ(sounds, defaultOpens);
    if (defaultOpens) {
        EXPECT_EQ(messages.boxes.size(), 1u);
        EXPECT_GE(settings.BASS_QutputDevice, 1);
    } else {
        ASSERT_EQ(messages.boxes.size(), 2u);
        EXPECT_EQ(messages.boxes[1].text.rfind("BASS konnte nicht initialisiert werden.\n\n", 0), 0u);
        EXPECT_GT(messages.boxes[1].text.size(),
                  std::string("BASS konnte nicht initialisiert werden.\n\n").size());
        EXPECT_EQ(messages.boxes[1].icon, MessageIcon::None);
        EXPECT_EQ(settings.BASS_QutputDevice, -1);  // the next start tries the default device first
    }

    // Any number below -1 asks for the default device, not an illegal one.
    test::RecordingMessages second;
    EXPECT_EQ(InitAudioEngine(-5, 1, settings, engine, workers, second), defaultOpens);
    EXPECT_EQ(second.boxes.size(), defaultOpens ? 0u : 2u);
}

TEST_F(InitAudioEngineTest, ARateOutsideTheTableAsksForRateZeroAndFallsBack) {
    InitAudioEngine(0, 7, settings, engine, workers, messages);
    ASSERT_GE(messages.boxes.size(), 1u);  // the engine refuses rate 0
    EXPECT_EQ(messages.boxes[0].text.rfind("Initialisierung von BASS fehlgeschlagen.", 0), 0u);
    EXPECT_TRUE(engine.running);
    EXPECT_EQ(settings.BASS_OutputRate, 7);  // the index asked for is kept
}

}  // namespace
}  // namespace sonvaro
