// The library watch over a 100,000-file tree:
//   setting up the watch (every folder)   vs one walk of the same tree (the scan's listing)
//   kernel watches held (from /proc/self/fdinfo)
//   one new tagged file, and 300 at once, until they are library entries
//   beside the background refresh, which needs one 2.5 s step per entry for a pass.
// `library_watch_bench make SEED.mp3 TREE` builds the tree: 100 artist folders of
// 20 albums of 50 files; the first 300 files are tagged copies of the seed.
#include <dirent.h>
#include <taglib/tag_c.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/worker_state.h"
#include "engine/bass.h"
#include "library/library_watch.h"
#include "platform/folder_walk.h"
#include "platform/folder_watch.h"
#include "support/wait.h"
#include "tags/track_info_reader.h"

using namespace sonvaro;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

bool Tag(const std::string& path, int i) {
    TagLib_File* file = taglib_file_new(path.c_str());
    if (!file) return false;
    TagLib_Tag* tag = taglib_file_tag(file);
    const std::string title = "Song " + std::to_string(i);
    taglib_tag_set_title(tag, title.c_str());
    taglib_tag_set_artist(tag, ("Artist " + std::to_string(i / 1000)).c_str());
    taglib_tag_set_album(tag, ("Album " + std::to_string(i / 50)).c_str());
    const bool saved = taglib_file_save(file);
    taglib_file_free(file);
    return saved;
}

int MakeTree(const std::string& seed, const std::string& tree) {
    taglib_set_string_management_enabled(0);
    for (int i = 0; i < 100000; ++i) {
        const std::string folder =
            tree + "/Artist " + std::to_string(i / 1000) + "/Album " + std::to_string(i / 50);
        if (i % 50 == 0) fs::create_directories(folder);
        const std::string path =
            folder + "/" + std::to_string(i % 50 + 1) + " Track " + std::to_string(i) + ".mp3";
        if (i < 300) {
            fs::copy_file(seed, path, fs::copy_options::overwrite_existing);
            if (!Tag(path, i)) return 1;
        } else {
            std::ofstream(path, std::ios::binary) << 'x';
        }
    }
    return 0;
}

// The inotify watches this process holds, as the kernel counts them.
size_t KernelWatches() {
    size_t watches = 0;
    DIR* dir = ::opendir("/proc/self/fdinfo");
    if (!dir) return 0;
    while (const dirent* e = ::readdir(dir)) {
        std::ifstream in(std::string("/proc/self/fdinfo/") + e->d_name);
        for (std::string line; std::getline(in, line);) watches += line.starts_with("inotify wd:");
    }
    ::closedir(dir);
    return watches;
}

size_t Entries(Library& library) {
    std::lock_guard lock(library.libraryLock);
    return library.entries.size();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "make") return MakeTree(argv[2], argv[3]);
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: library_watch_bench TREE SEED.mp3 | library_watch_bench make SEED.mp3 TREE\n");
        return 2;
    }
    const std::string tree = std::string(argv[1]) + "/";
    const std::string seed = argv[2];

    std::vector<double> setUp, walk;
    size_t watches = 0, kernel = 0, files = 0;
    for (int round = 0; round < 3; ++round) {  // interleaved, so both see the same cache
        auto start = Clock::now();
        files = 0;
        WalkFolder(tree, {}, [&](const std::string&) { ++files; });
        walk.push_back(Ms(Clock::now() - start));
        start = Clock::now();
        FolderWatch watch;
        watch.WatchTree(tree);
        setUp.push_back(Ms(Clock::now() - start));
        watches = watch.WatchCount();
        kernel = KernelWatches();
    }
    std::printf(
        "watch set-up over %zu files: %.0f ms, %zu folders watched (%zu kernel watches); one walk of the "
        "tree %.0f ms; ratio %.2f\n",
        files, Median(setUp), watches, kernel, Median(walk), Median(setUp) / Median(walk));

    BASS_Init(0, 44100, 0, nullptr, nullptr);
    TagReader tags;
    Library library;
    WorkerState workers;
    workers.SetLibraryFolder(tree);
    LibraryWatchOptions options;
    StartLibraryWatch(library, workers, options, [&](TrackInfo& info) { return tags.ReadTrackInfo(info); });
    if (!test::WaitUntil([&] { return workers.watching.load(); }, std::chrono::seconds(60))) return 1;

    const std::string fresh = tree + "Neu/";
    fs::remove_all(fresh);
    fs::create_directories(fresh + "one");
    auto start = Clock::now();
    fs::copy_file(seed, fresh + "one/new.mp3");
    test::WaitUntil([&] { return Entries(library) == 1; }, std::chrono::seconds(10));
    const double one = Ms(Clock::now() - start);

    fs::create_directories(fresh + "many");
    start = Clock::now();
    for (int i = 0; i < 300; ++i) fs::copy_file(seed, fresh + "many/" + std::to_string(i) + ".mp3");
    test::WaitUntil([&] { return Entries(library) == 301; }, std::chrono::seconds(30));
    const double many = Ms(Clock::now() - start);
    StopLibraryThreads(workers);
    fs::remove_all(fresh);
    std::printf(
        "one new tagged file in the library after %.0f ms; 300 copied at once after %.0f ms "
        "(changes are gathered for 300 ms)\n",
        one, many);
    std::printf("the background refresh alone: one entry per 2.5 s, a pass over %zu entries %.1f h\n", files,
                static_cast<double>(files) * 2.5 / 3600);
    BASS_Free();
    return 0;
}
