// Initialisation, devices, configuration and plug-ins, and the "No sound"
// device that consumes the mix in real time.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "support.h"
#include "support/fixtures.h"

namespace {

std::size_t ThreadCount() {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task")) ++n;
    return n;
}

TEST(EngineSetup, ListingDevicesLeavesNoSoundSystemThreadsRunning) {
    // The device list asks the sound system; a player that then plays on
    // "No sound" must not keep its hot-plug watcher waking in the background.
    // First in this binary to touch the sound system, so `before` counts none of its threads.
    const std::size_t before = ThreadCount();
    BASS_DEVICEINFO info{};
    for (DWORD n = 0; BASS_GetDeviceInfo(n, &info); ++n) {
    }
    EXPECT_EQ(ThreadCount(), before);
    ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
    for (DWORD n = 0; BASS_GetDeviceInfo(n, &info); ++n) {
    }
    EXPECT_TRUE(BASS_Free());
    EXPECT_EQ(ThreadCount(), before);
}

TEST(EngineSetup, DeviceListStartsWithNoSoundAndDefault) {
    BASS_DEVICEINFO info{};
    ASSERT_TRUE(BASS_GetDeviceInfo(0, &info));
    EXPECT_STREQ(info.name, "No sound");
    EXPECT_TRUE(info.flags & BASS_DEVICE_ENABLED);
    ASSERT_TRUE(BASS_GetDeviceInfo(1, &info));
    EXPECT_STREQ(info.name, "Default");
    EXPECT_TRUE(info.flags & BASS_DEVICE_DEFAULT);
    // The list ends somewhere, with the error code of a bad device number.
    DWORD n = 2;
    while (BASS_GetDeviceInfo(n, &info)) ++n;
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
}

TEST(EngineSetup, RefusesBadArgumentsWithBassCodes) {
    EXPECT_FALSE(BASS_Init(0, 0, BASS_DEVICE_SPEAKERS, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FORMAT);
    EXPECT_FALSE(BASS_Init(9999, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
    EXPECT_FALSE(BASS_Init(-5, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
    EXPECT_FALSE(BASS_Free());
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, fixtures::Path("sine.wav").c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    EXPECT_FALSE(BASS_SetVolume(0.5f));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
}

TEST(EngineSetup, NoSoundDeviceInitialisesOnceAndReportsItself) {
    ASSERT_TRUE(BASS_Init(0, 44100, BASS_DEVICE_SPEAKERS, nullptr, nullptr)) << BASS_ErrorGetCode();
    EXPECT_EQ(BASS_GetDevice(), 0u);
    EXPECT_FALSE(BASS_Init(0, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
    BASS_DEVICEINFO info{};
    ASSERT_TRUE(BASS_GetDeviceInfo(0, &info));
    EXPECT_TRUE(info.flags & BASS_DEVICE_INIT);
    EXPECT_TRUE(BASS_Free());
    // Usable again after a free, as the settings dialog re-initialises.
    ASSERT_TRUE(BASS_Init(0, 48000, 0, nullptr, nullptr));
    EXPECT_TRUE(BASS_Free());
}

TEST(EngineSetup, DefaultDeviceEitherOpensOrFailsCleanly) {
    // With a sound system the default device opens; without one (CI) the
    // refusal is quick, carries BASS's driver error, and leaves the engine
    // free for the "No sound" device, as the player's fallback needs.
    if (BASS_Init(-1, 44100, BASS_DEVICE_SPEAKERS, nullptr, nullptr)) {
        EXPECT_EQ(BASS_GetDevice(), 1u);
        EXPECT_TRUE(BASS_Free());
    } else {
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DRIVER);
    }
    ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
    EXPECT_TRUE(BASS_Free());
}

TEST(EngineSetup, OpeningDevicesWritesNothingToStderr) {
    // Without a sound card ALSA would print a page of complaints while SDL
    // looks for devices; the outcome is told by the engine's codes alone.
    std::fflush(stderr);
    int saved = dup(2);
    FILE* capture = std::tmpfile();
    ASSERT_TRUE(capture);
    dup2(fileno(capture), 2);
    BASS_DEVICEINFO info{};
    for (DWORD n = 0; BASS_GetDeviceInfo(n, &info); ++n) {
    }
    bool opened = BASS_Init(-1, 44100, 0, nullptr, nullptr);
    int code = BASS_ErrorGetCode();
    if (opened) BASS_Free();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::rewind(capture);
    std::string text;
    for (int c; (c = std::fgetc(capture)) != EOF;) text += static_cast<char>(c);
    std::fclose(capture);
    EXPECT_EQ(text, "");
    EXPECT_TRUE(opened || code == BASS_ERROR_DRIVER) << code;
}

TEST(EngineSetup, ConfigurationPluginsAndVolume) {
    ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
    EXPECT_TRUE(BASS_SetConfig(BASS_CONFIG_FLOATDSP, 1));
    EXPECT_TRUE(BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 1));
    EXPECT_TRUE(BASS_SetConfig(BASS_CONFIG_MIDI_AUTOFONT, 2));
    EXPECT_TRUE(BASS_SetConfig(BASS_CONFIG_NET_PREBUF, 0));
    EXPECT_TRUE(BASS_SetConfig(BASS_CONFIG_MP4_VIDEO, 1));
    EXPECT_TRUE(BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 0));
    EXPECT_EQ(BASS_GetConfig(BASS_CONFIG_NET_TIMEOUT), 0u);
    EXPECT_TRUE(BASS_SetConfigPtr(BASS_CONFIG_NET_PROXY, ""));
    EXPECT_FALSE(BASS_SetConfig(0x7777, 1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);

    for (const char* name : {"basswma.dll", "bassflac.dll", "bassmidi.dll", "basswv.dll", "bass_aac.dll"})
        EXPECT_NE(BASS_PluginLoad(name, 0), 0u) << name;
    EXPECT_EQ(BASS_PluginLoad("bassenc.dll", 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
    EXPECT_TRUE(BASS_PluginFree(0));
    EXPECT_NE(BASS_FX_GetVersion(), 0u);

    EXPECT_FLOAT_EQ(BASS_GetVolume(), 1.0f);
    EXPECT_TRUE(BASS_SetVolume(0.25f));
    EXPECT_FLOAT_EQ(BASS_GetVolume(), 0.25f);
    EXPECT_FALSE(BASS_SetVolume(1.5f));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    BASS_SetVolume(1.0f);
    BASS_Free();
}

TEST(EngineSetup, FadeOutOnNoSoundDeviceReachesSilenceInRealTime) {
    // The player's FadeOut(wait): slide the volume to 0, then poll until it is there.
    ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
    HSTREAM h = BASS_StreamCreateFile(FALSE, fixtures::Path("sine.wav").c_str(), 0, 0, 0);
    ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(BASS_ChannelSlideAttribute(h, BASS_ATTRIB_VOL, 0.0f, 300));
    EXPECT_TRUE(support::WaitFor([&] {
        float v = 1;
        return BASS_ChannelGetAttribute(h, BASS_ATTRIB_VOL, &v) && v <= 0.0f;
    }));
    // Slides run on the mix, which is up to 100 ms ahead of the listener.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(180));
    EXPECT_FALSE(BASS_ChannelIsSliding(h, BASS_ATTRIB_VOL));
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);  // a fade does not stop the channel
    BASS_Free();
}

std::atomic<int> freeCount{0};
void CountFree(HSYNC, DWORD, DWORD, void*) {
    ++freeCount;
}

TEST(EngineSetup, NoSoundDevicePlaysInRealTimeAndFreesAtTheEnd) {
    // A 3 s file on device 0: the clock is real, so after it starts it is
    // playing, its position moves forward, and it frees itself at the end.
    ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
    HSTREAM h = BASS_StreamCreateFile(FALSE, fixtures::Path("sine.wav").c_str(), 0, 0,
                                      BASS_STREAM_PRESCAN | BASS_STREAM_AUTOFREE);
    ASSERT_NE(h, 0u);
    freeCount = 0;
    ASSERT_NE(BASS_ChannelSetSync(h, BASS_SYNC_FREE, 0, CountFree, nullptr), 0u);
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);
    ASSERT_TRUE(BASS_ChannelSetPosition(h, BASS_ChannelSeconds2Bytes(h, 2.5), BASS_POS_BYTE));
    EXPECT_TRUE(support::WaitFor(
        [&] { return BASS_ChannelGetPosition(h, BASS_POS_BYTE) > BASS_ChannelSeconds2Bytes(h, 2.6); }));
    EXPECT_TRUE(support::WaitFor([] { return freeCount.load() == 1; }));
    // The remaining half second cannot have been heard faster than real time.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(450));
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    BASS_Free();
    EXPECT_EQ(freeCount.load(), 1);
}

}  // namespace
