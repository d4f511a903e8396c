// Load and save times of the data files at library scale, beside reading the
// same bytes with cat as the floor, and the memory a loaded library takes.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/ports/messages.h"
#include "core/status_log.h"
#include "library/library_file.h"
#include "playlist/playlist_file.h"
#include "settings/settings.h"
#include "support/quiet_ports.h"

using namespace sonvaro;
using Clock = std::chrono::steady_clock;

namespace {

using test::NoMessages;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

template <class F>
double MedianMs(int runs, F&& f) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        f();
        times.push_back(Ms(Clock::now() - start));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// VmRSS (resident now) or VmHWM (the peak so far) of this process.
long StatusKb(const std::string& which = "VmRSS:") {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == which) {
            status >> value;
            return value;
        }
        status.ignore(4096, '\n');
    }
    return 0;
}

double CatMs(const std::string& file) {
    const std::string command = "cat '" + file + "' > /dev/null";
    return MedianMs(5, [&] {
        if (std::system(command.c_str()) != 0) std::perror("cat");
    });
}

const char* kWords[] = {"Blue",   "Night", "River",  "Sonne", "Herz",  "Stadt", "Light",
                        "Dream",  "Fire",  "Wald",   "Ocean", "Regen", "Gold",  "Stars",
                        "Winter", "Road",  "Heaven", "Zeit",  "Liebe", "Echo"};
const char* kGenres[] = {"Rock", "Pop", "Jazz", "Klassik", "Electronic", "Hip-Hop", "Metal", "Folk"};

std::string Words(std::mt19937& rng, int count) {
    std::string s;
    for (int i = 0; i < count; ++i) {
        if (i) s += ' ';
        s += kWords[rng() % 20];
    }
    return s;
}

// A realistic library: Artist/Album/NN - Title.ext under a music folder, full tags.
std::vector<LibraryEntry> MakeLibrary(size_t count) {
    std::mt19937 rng(42);
    std::vector<LibraryEntry> entries(count);
    for (size_t i = 0; i < count; ++i) {
        TrackInfo& t = entries[i].info;
        t.artist = Words(rng, 2) + " " + std::to_string(i / 120);
        t.album = Words(rng, 3) + " (" + std::to_string(1970 + rng() % 55) + ")";
        t.title = Words(rng, 2 + rng() % 4);
        t.trackNumber = static_cast<int16_t>(1 + i % 14);
        t.path = "/home/benutzer/Musik/" + t.artist + "/" + t.album + "/" + std::to_string(t.trackNumber) +
                 " - " + t.title + (i % 3 ? ".mp3" : ".flac");
        t.year = static_cast<int16_t>(1970 + rng() % 55);
        t.comment = i % 4 ? "" : "Ripped with care, " + Words(rng, 3);
        t.genre = kGenres[rng() % 8];
        t.bitrate = static_cast<int16_t>(i % 3 ? 192 + rng() % 128 : 900 + rng() % 300);
        t.sampleRate = i % 5 ? 44100 : 48000;
        t.channels = 2;
        t.length = static_cast<int32_t>(120 + rng() % 400);
        t.channelType = i % 3 ? 0x10005 : 0x10900;
        entries[i].lastPlayed = static_cast<int32_t>(i % 7 ? 0 : 1700000000 + rng() % 30000000);
        entries[i].playCount = static_cast<int16_t>(rng() % 50);
    }
    return entries;
}

}  // namespace

// Run in a fresh process so nothing else the benchmark did is counted.
int MeasureLibraryMemory(const std::string& libraryFile) {
    const long before = StatusKb();
    Library library;
    LoadLibraryFile(library, libraryFile);
    const long after = StatusKb();
    const long peak = StatusKb("VmHWM:");
    std::printf("  resident memory of %zu loaded entries %.1f MB (target <= 60 MB)\n", library.entries.size(),
                (after - before) / 1024.0);
    std::printf("  peak while loading %.1f MB = %.2f x what the entries keep (target <= 1.3 x)\n",
                (peak - before) / 1024.0, double(peak - before) / double(after - before));
    return 0;
}

int main(int argc, char** argv) {
    if (argc > 2 && std::string(argv[1]) == "--memory") return MeasureLibraryMemory(argv[2]);
    const std::string folder = (argc > 1 ? std::string(argv[1]) : std::string("/tmp")) + "/bench-data/";
    std::filesystem::create_directories(folder + "tracks");
    NoMessages messages;
    StatusLog log;

    // Library: 100,000 entries.
    const std::string libraryFile = folder + "MediaLibary.dat";
    {
        Library library;
        library.entries = MakeLibrary(100000);
        SaveLibraryFile(library, libraryFile, true, messages, log);
    }
    const auto librarySize = std::filesystem::file_size(libraryFile);
    Library loaded;
    LoadLibraryFile(loaded, libraryFile);
    // Freeing a loaded library is not part of loading: keep them until the end.
    std::vector<std::unique_ptr<Library>> keep;
    const double loadMs = MedianMs(5, [&] {
        keep.push_back(std::make_unique<Library>());
        LoadLibraryFile(*keep.back(), libraryFile);
    });
    keep.clear();
    const double saveMs = MedianMs(5, [&] { SaveLibraryFile(loaded, libraryFile, true, messages, log); });
    const double libraryCat = CatMs(libraryFile);

    // Playlist: 10,000 entries whose files exist (the loader checks each).
    const std::string playlistFile = folder + "PlayList.dat";
    Playlist playlist(10000);
    for (size_t i = 0; i < playlist.size(); ++i) {
        playlist[i].info = loaded.entries[i * 7].info;
        playlist[i].info.path = folder + "tracks/" + std::to_string(i) + ".mp3";
        if (!std::filesystem::exists(playlist[i].info.path)) std::ofstream(playlist[i].info.path) << 'x';
    }
    Settings settings;
    SavePlaylistFile(playlist, playlistFile, settings, true, messages, log);
    const double playlistLoadMs = MedianMs(5, [&] {
        Playlist fresh;
        LoadPlaylistFile(fresh, playlistFile, settings, nullptr);
    });
    const double playlistCat = CatMs(playlistFile);

    std::printf("MediaLibary.dat: %zu entries, %.1f MB\n", loaded.entries.size(), librarySize / 1e6);
    std::printf("  library load   %7.1f ms   (cat %5.1f ms, target <= 150 ms)\n", loadMs, libraryCat);
    std::printf("  library save   %7.1f ms   (target <= 150 ms, includes fsync)\n", saveMs);
    std::fflush(stdout);
    const std::string memory = "'" + std::string(argv[0]) + "' --memory '" + libraryFile + "'";
    if (std::system(memory.c_str()) != 0) std::perror("memory");
    std::printf("PlayList.dat: %zu entries\n", playlist.size());
    std::printf("  playlist load  %7.1f ms   (cat %5.1f ms)\n", playlistLoadMs, playlistCat);
    return 0;
}
