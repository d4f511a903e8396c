// Time from PlayChannel with a radio address to the first audible frame, on
// the real-time "No sound" device, against a loopback station. The player is
// driven as the application drives it: the hand-over is taken at each 50 ms tick.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "core/clock.h"
#include "core/status_log.h"
#include "engine/bass.h"
#include "library/library.h"
#include "playback/player_assembly.h"
#include "settings/settings.h"
#include "support/quiet_ports.h"

using namespace sonvaro;
using Clock = std::chrono::steady_clock;

namespace {

using test::QuietDisplay;
using test::QuietView;

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s STATION_URL [ROUNDS]\n", argv[0]);
        return 2;
    }
    const std::string url = argv[1];
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    if (!BASS_Init(0, 44100, 0, nullptr, nullptr)) return 1;
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 5000);
    BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 1);
    BASS_SetConfig(BASS_CONFIG_NET_PREBUF, 0);
    BASS_SetConfigPtr(BASS_CONFIG_NET_PROXY, "");

    Settings settings;
    settings.BASS_FadeOut = 0;
    Library library;
    Playlist playlist;
    StatusLog log;
    QuietDisplay display;
    QuietView view;
    PlayerClock clock{&TickCount, &LocalSecondsNow,
                      [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }};
    PlayerAssembly parts(settings, library, playlist, log, clock, PlayerAssemblyPorts{display, view});
    ChannelPlayer& player = parts.player;
    RadioPlayer& radio = parts.radio;

    std::vector<double> ms;
    for (int round = 0; round < rounds; ++round) {
        const DWORD before = radio.RadioChannel();
        const auto start = Clock::now();
        auto nextTick = start;
        player.PlayChannel(url, kSourceSingle);
        bool heard = false;
        while (Clock::now() - start < std::chrono::seconds(10)) {
            if (Clock::now() >= nextTick) {
                radio.Drain();
                player.PlayerTick();
                nextTick += std::chrono::milliseconds(50);
            }
            const DWORD channel = player.State().CurrentChannel();
            if (channel && channel != before && channel == radio.RadioChannel()) {
                const DWORD peaks = BASS_ChannelGetLevel(channel);
                if (peaks != static_cast<DWORD>(-1) && peaks != 0) {
                    heard = true;
                    break;
                }
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        if (!heard) {
            std::fprintf(stderr, "round %d: nothing heard within 10 s\n", round);
            return 1;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf(
        "radio start, PlayChannel to the first audible frame: median %.0f ms, worst %.0f ms of %d "
        "(target <= 300 ms)\n",
        ms[ms.size() / 2], ms.back(), rounds);
    BASS_Free();
    return 0;
}
