// The cost of one player tick while a track plays and nothing new is shown.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "core/status_log.h"
#include "effects/effect_chain.h"
#include "engine/bass.h"
#include "engine/output/offline_output.h"
#include "library/library.h"
#include "library/statistics.h"
#include "playback/channel_player.h"
#include "playback/level_display.h"
#include "playlist/playlist_display.h"
#include "settings/settings.h"
#include "support/quiet_ports.h"
#include "tags/track_info_reader.h"

using namespace sonvaro;

namespace {

using test::QuietDisplay;
using test::QuietView;

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s AUDIOFILE\n", argv[0]);
        return 2;
    }
    if (!audio::InitOffline(44100)) return 1;
    Settings settings;
    settings.BASS_FadeIn = 0;
    Library library;
    Playlist playlist;
    TagReader tags;
    StatusLog log;
    StatisticsCounter statistics(settings);
    EffectChain effects(settings);
    LevelDisplay level;
    QuietDisplay display;
    QuietView view;
    ListenerList listeners;
    uint32_t tick = 1000;
    PlayerClock clock{[&tick] { return tick; }, [] { return int64_t{1700000000}; }, [](int) {}};
    ChannelPlayer player(ChannelPlayerParts{settings, library, playlist, tags, log, statistics, effects,
                                            level, display, view, listeners, clock});
    if (player.PlayChannel(argv[1], kSourceSingle) != 1) return 1;
    std::vector<float> frames(2 * 441);
    audio::PullOffline(frames.data(), 441);
    player.PlayerTick();  // the first tick writes the fields

    // Ticks 10 ms apart within one second: no field changes, no level drawing.
    const int kTicks = 20000;
    std::vector<double> micros;
    for (int round = 0; round < 5; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kTicks / 5; ++i) player.PlayerTick();
        micros.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() /
            (kTicks / 5));
    }
    std::sort(micros.begin(), micros.end());
    std::printf(
        "player tick while playing, nothing new to show: %.2f µs (median of 5 x %d; target <= 50 µs)\n",
        micros[2], kTicks / 5);
    BASS_Free();
    return 0;
}
