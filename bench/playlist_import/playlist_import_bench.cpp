// Importing a long M3U whose entries are real tagged files, beside a plain
// TagLib C loop (open, tag, audio properties, close) over the same entries:
// reading a list must cost no more than reading its files' tags.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "engine/bass.h"
#include "peers/taglib_loop.h"
#include "playlist/playlist_editing.h"
#include "settings/settings.h"
#include "support/quiet_ports.h"
#include "tags/track_info_reader.h"

using namespace sonvaro;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

std::vector<std::string> ListEntries(const std::string& m3u) {
    std::ifstream in(m3u);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#') lines.push_back(line);
    return lines;
}

double TagLibLoop(const std::vector<std::string>& paths) {
    return bench::TagLibLoopSeconds(paths);
}

double Import(const std::string& m3u, size_t* rows) {
    Playlist playlist;
    Settings settings;
    TagReader tags;
    test::QuietView view;
    PlaylistEditor editor(playlist, settings, tags, view);
    const auto start = Clock::now();
    editor.AddToPlaylist(m3u);
    const double s = Seconds(Clock::now() - start);
    *rows = playlist.size();
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: playlist_import_bench LIST.m3u\n");
        return 2;
    }
    BASS_Init(0, 44100, 0, nullptr, nullptr);
    const std::vector<std::string> paths = ListEntries(argv[1]);
    std::vector<double> ours, peer;
    size_t rows = 0;
    for (int round = 0; round < 3; ++round) {  // interleaved, so both see the same cache
        peer.push_back(TagLibLoop(paths));
        ours.push_back(Import(argv[1], &rows));
    }
    std::sort(ours.begin(), ours.end());
    std::sort(peer.begin(), peer.end());
    std::printf(
        "import an M3U of %zu entries: %.2f s (%.1f us per entry, %zu rows); TagLib C loop %.2f s; ratio "
        "%.2f\n",
        paths.size(), ours[1], ours[1] * 1e6 / paths.size(), rows, peer[1], ours[1] / peer[1]);
    BASS_Free();
    return 0;
}
