// Measures the engine: CPU time to decode and mix a file to the offline output
// (with and without the player's four effects), cost of a tag-reader open, and
// CPU share of real-time playback on the "No sound" device.
//
//   engine_bench decode FILE [fx]
//   engine_bench open FILE COUNT
//   engine_bench realtime FILE SECONDS
//   engine_bench chain gapless|apart FILE...
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "engine/bass.h"
#include "engine/engine.h"
#include "engine/output/offline_output.h"

namespace {

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

void AddPlayerEffects(HSTREAM h) {
    // As the player applies them: ten equaliser bands ("Rock" preset), reverb, echo, flanger.
    // SONVARO_BENCH_FX=eq,reverb,... picks a subset when looking for the costly one.
    const char* only = std::getenv("SONVARO_BENCH_FX");
    auto want = [only](const char* name) { return !only || std::strstr(only, name); };
    const float centres[10] = {31, 63, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
    const int rock[10] = {168, 149, 84, 69, 95, 145, 175, 187, 187, 187};
    HFX eq = want("eq") ? BASS_ChannelSetFX(h, BASS_FX_BFX_PEAKEQ, 1) : 0;
    for (int i = 0; eq && i < 10; ++i) {
        BASS_BFX_PEAKEQ p{i, 2.5f, 0.0f, centres[i], rock[i] / 10.0f - 12.0f, BASS_BFX_CHANALL};
        BASS_FXSetParameters(eq, &p);
    }
    BASS_DX8_REVERB r{0, -10, 1000, 0.001f};
    if (want("reverb")) BASS_FXSetParameters(BASS_ChannelSetFX(h, BASS_FX_DX8_REVERB, 2), &r);
    BASS_DX8_ECHO e{50, 30, 300, 300, FALSE};
    if (want("echo")) BASS_FXSetParameters(BASS_ChannelSetFX(h, BASS_FX_DX8_ECHO, 2), &e);
    BASS_DX8_FLANGER f{50, 100, -50, 0.25f, 1, 2, BASS_DX8_PHASE_ZERO};
    if (want("flanger")) BASS_FXSetParameters(BASS_ChannelSetFX(h, BASS_FX_DX8_FLANGER, 2), &f);
}

int Decode(const char* file, bool fx) {
    double start = CpuSeconds();
    if (!sonvaro::audio::InitOffline(44100)) return 1;
    HSTREAM h = BASS_StreamCreateFile(FALSE, file, 0, 0, BASS_STREAM_PRESCAN | BASS_STREAM_AUTOFREE);
    if (!h) {
        std::fprintf(stderr, "cannot open %s: %d\n", file, BASS_ErrorGetCode());
        return 1;
    }
    if (fx) AddPlayerEffects(h);
    BASS_ChannelPlay(h, TRUE);
    std::vector<float> buffer(44100 * 2);
    double frames = 0;
    while (BASS_ChannelIsActive(h) == BASS_ACTIVE_PLAYING) {
        sonvaro::audio::PullOffline(buffer.data(), 44100);
        frames += 44100;
    }
    BASS_Free();
    std::printf("%.3f\n", CpuSeconds() - start);
    std::fprintf(stderr, "mixed %.1f s of audio\n", frames / 44100);
    return 0;
}

int Open(const char* file, int count) {
    if (!BASS_Init(0, 44100, 0, nullptr, nullptr)) return 1;
    double start = CpuSeconds();
    for (int i = 0; i < count; ++i) {
        HSTREAM h = BASS_StreamCreateFile(FALSE, file, 0, 0, 0);
        if (!h) return 1;
        BASS_CHANNELINFO info;
        BASS_ChannelGetInfo(h, &info);
        BASS_ChannelBytes2Seconds(h, BASS_ChannelGetLength(h, BASS_POS_BYTE));
        BASS_StreamFree(h);
    }
    std::printf("%.1f\n", (CpuSeconds() - start) / count * 1e6);
    BASS_Free();
    return 0;
}

int Realtime(const char* file, double seconds) {
    if (!BASS_Init(0, 44100, 0, nullptr, nullptr)) return 1;
    HSTREAM h = BASS_StreamCreateFile(FALSE, file, 0, 0, BASS_STREAM_PRESCAN | BASS_STREAM_AUTOFREE);
    if (!h) return 1;
    BASS_ChannelPlay(h, TRUE);
    // Skip the start (pre-scan and first buffering), then measure a steady stretch.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    double cpu = CpuSeconds();
    auto wall = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    double used = CpuSeconds() - cpu;
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
    std::printf("%.2f\n", used / elapsed * 100);
    BASS_Free();
    return 0;
}

double SecondsLeft(DWORD h) {
    const QWORD length = BASS_ChannelGetLength(h, BASS_POS_BYTE);
    const QWORD at = BASS_ChannelGetPosition(h, BASS_POS_BYTE | BASS_POS_DECODE);
    return length == static_cast<QWORD>(-1) || at > length ? 0 : BASS_ChannelBytes2Seconds(h, length - at);
}

// Plays the files one after the other on the "No sound" device as the player
// does: "gapless" opens each next file 5 s before the end of the one playing
// and queues it behind it; "apart" starts each once the one before has ended.
// Prints the CPU share of a core over the whole list, the longest block the
// mixing thread took in steady playback, and the longest while a next file
// was opened and decoded ahead (milliseconds; 0 for "apart").
int Chain(bool gapless, const std::vector<const char*>& files) {
    if (!BASS_Init(0, 44100, 0, nullptr, nullptr)) return 1;
    auto& engine = sonvaro::audio::Engine::Get();
    const DWORD flags = BASS_STREAM_PRESCAN | BASS_STREAM_AUTOFREE;
    double cpu = CpuSeconds();
    auto wall = std::chrono::steady_clock::now();
    std::uint32_t steady = 0, preparing = 0;
    DWORD playing = BASS_StreamCreateFile(FALSE, files[0], 0, 0, flags);
    if (!playing) return 1;
    BASS_ChannelPlay(playing, FALSE);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    engine.TakeLongestMixMicros();  // the start is not steady playback
    for (std::size_t next = 1; playing;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const DWORD active = BASS_ChannelIsActive(playing);
        if (gapless && next < files.size() && active == BASS_ACTIVE_PLAYING && SecondsLeft(playing) < 5) {
            steady = std::max(steady, engine.TakeLongestMixMicros());
            const DWORD following = BASS_StreamCreateFile(FALSE, files[next++], 0, 0, flags);
            if (!following || !BASS_ChannelPlayNext(playing, following)) return 1;
            // The decoding thread fills its buffer over the next moments too.
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            preparing = std::max(preparing, engine.TakeLongestMixMicros());
            while (BASS_ChannelIsActive(playing) != BASS_ACTIVE_STOPPED)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            playing = following;
        } else if (active == BASS_ACTIVE_STOPPED) {
            playing = 0;
            if (!gapless && next < files.size()) {
                steady = std::max(steady, engine.TakeLongestMixMicros());
                playing = BASS_StreamCreateFile(FALSE, files[next++], 0, 0, flags);
                if (!playing) return 1;
                BASS_ChannelPlay(playing, FALSE);
            }
        }
    }
    steady = std::max(steady, engine.TakeLongestMixMicros());
    const double used = CpuSeconds() - cpu;
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
    std::printf("%.2f %.2f %.2f\n", used / elapsed * 100, steady / 1000.0, preparing / 1000.0);
    BASS_Free();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "decode") == 0)
        return Decode(argv[2], argc > 3 && std::strcmp(argv[3], "fx") == 0);
    if (argc >= 4 && std::strcmp(argv[1], "open") == 0) return Open(argv[2], std::atoi(argv[3]));
    if (argc >= 4 && std::strcmp(argv[1], "realtime") == 0) return Realtime(argv[2], std::atof(argv[3]));
    if (argc >= 4 && std::strcmp(argv[1], "chain") == 0)
        return Chain(std::strcmp(argv[2], "gapless") == 0, std::vector<const char*>(argv + 3, argv + argc));
    std::fprintf(stderr,
                 "usage: %s decode FILE [fx] | open FILE COUNT | realtime FILE SECONDS | chain gapless|apart "
                 "FILE...\n",
                 argv[0]);
    return 2;
}
