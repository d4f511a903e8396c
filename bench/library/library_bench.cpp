// The media library beside plain peers in the same run:
//   scan of a tagged tree       vs a TagLib C loop (open, tag, audio properties, close)
//   validation of 100,000 entries whose files exist  vs the stat calls alone
//   text search (two words, all fields) to the filled view model, and
//   autocomplete over 100,000 entries
//                               vs a straightforward fold-and-find loop
// `library_bench make SEEDDIR TREE` copies three encoded seed files into a
// 2,000-file tree (60 % MP3, 25 % FLAC, 15 % Ogg) with distinct tags;
// `library_bench taglib-loop TREE` prints the milliseconds of one TagLib C
// loop over the tree's files (the peer of bench/tag_reading.sh).
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/text.h"
#include "core/worker_state.h"
#include "engine/bass.h"
#include "library/library_scan.h"
#include "library/library_search.h"
#include "peers/taglib_loop.h"
#include "platform/folder_walk.h"
#include "tags/track_info_reader.h"
#include "ui/library_model.h"

using namespace sonvaro;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

int MakeTree(const std::string& seeds, const std::string& tree) {
    taglib_set_string_management_enabled(0);
    for (int i = 0; i < 2000; ++i) {
        const int kind = i % 20;
        const char* ext = kind < 12 ? "mp3" : kind < 17 ? "flac" : "ogg";
        const std::string folder =
            tree + "/Artist " + std::to_string(i / 100) + "/Album " + std::to_string(i / 20);
        std::filesystem::create_directories(folder);
        const std::string path =
            folder + "/" + std::to_string(i % 20 + 1) + " Track " + std::to_string(i) + "." + ext;
        std::filesystem::copy_file(seeds + "/seed." + ext, path,
                                   std::filesystem::copy_options::overwrite_existing);
        TagLib_File* file = taglib_file_new(path.c_str());
        if (!file) return 1;
        TagLib_Tag* tag = taglib_file_tag(file);
        const std::string title = "Song number " + std::to_string(i) + " of the night";
        const std::string artist = "Artist " + std::to_string(i / 100);
        const std::string album = "Album " + std::to_string(i / 20) + " live";
        taglib_tag_set_title(tag, title.c_str());
        taglib_tag_set_artist(tag, artist.c_str());
        taglib_tag_set_album(tag, album.c_str());
        taglib_tag_set_genre(tag, i % 3 ? "Rock" : "Jazz");
        taglib_tag_set_comment(tag, "ripped from vinyl");
        taglib_tag_set_year(tag, 1970 + i % 50);
        taglib_tag_set_track(tag, i % 20 + 1);
        if (!taglib_file_save(file)) return 1;
        taglib_file_free(file);
    }
    return 0;
}

std::vector<std::string> TreeFiles(const std::string& tree) {
    std::vector<std::string> files;
    WalkFolder(tree + "/", {}, [&](const std::string& f) { files.push_back(f); });
    return files;
}

double TagLibLoop(const std::vector<std::string>& paths) {
    return bench::TagLibLoopSeconds(paths) * 1000;
}

double Scan(const std::string& tree, TagReader& tags, size_t* entries) {
    Library library;
    WorkerState workers;
    ScanOptions options{tree + "/", false, {}};
    const auto start = Clock::now();
    RunLibraryScan(library, workers, options, [&](TrackInfo& info) { return tags.ReadTrackInfo(info); });
    const double ms = Ms(Clock::now() - start);
    *entries = library.entries.size();
    return ms;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The straightforward search a simple player does: fold every field, find each term.
size_t NaiveSearch(const Library& library, const std::vector<std::string>& terms) {
    size_t shown = 0;
    for (const LibraryEntry& e : library.entries) {
        bool all = true;
        for (const std::string& term : terms) {
            bool found = false;
            for (const std::string* f :
                 {&e.info.title, &e.info.artist, &e.info.album, &e.info.genre, &e.info.comment, &e.info.path})
                if (FoldCase(*f).find(term) != std::string::npos) {
                    found = true;
                    break;
                }
            if (!found) {
                all = false;
                break;
            }
        }
        shown += all;
    }
    return shown;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "make") return MakeTree(argv[2], argv[3]);
    if (argc == 3 && std::string(argv[1]) == "taglib-loop") {
        std::printf("%.1f\n", TagLibLoop(TreeFiles(argv[2])));
        return 0;
    }
    if (argc < 2) {
        std::fprintf(
            stderr,
            "usage: library_bench TREE | library_bench make SEEDS TREE | library_bench taglib-loop TREE\n");
        return 2;
    }
    const std::string tree = argv[1];
    BASS_Init(0, 44100, 0, nullptr, nullptr);
    TagReader tags;
    const std::vector<std::string> files = TreeFiles(tree);

    std::vector<double> ours, peer;
    size_t entries = 0;
    for (int round = 0; round < 3; ++round) {  // interleaved, so both see the same cache
        peer.push_back(TagLibLoop(files));
        ours.push_back(Scan(tree, tags, &entries));
    }
    std::printf(
        "scan of %zu tagged files (MediaLib_CPU 0): %.0f ms, %zu entries; TagLib C loop %.0f ms; ratio "
        "%.2f\n",
        files.size(), Median(ours), entries, Median(peer), Median(ours) / Median(peer));
    {
        // Where the scan's time goes: the engine's open alone, and the whole tag read alone.
        std::vector<double> engine, reads, walks;
        for (int round = 0; round < 3; ++round) {
            auto start = Clock::now();
            size_t walked = TreeFiles(tree).size();
            walks.push_back(Ms(Clock::now() - start));
            if (walked != files.size()) std::fprintf(stderr, "the walk changed\n");
            start = Clock::now();
            for (const std::string& f : files)
                BASS_StreamFree(BASS_StreamCreateFile(FALSE, f.c_str(), 0, 0, 0));
            engine.push_back(Ms(Clock::now() - start));
            start = Clock::now();
            for (const std::string& f : files) {
                TrackInfo info;
                info.path = f;
                tags.ReadTrackInfo(info);
            }
            reads.push_back(Ms(Clock::now() - start));
        }
        std::printf(
            "  of which: one folder walk %.0f ms; ReadTrackInfo alone %.0f ms (the engine's open+free alone "
            "%.0f ms)\n",
            Median(walks), Median(reads), Median(engine));
    }

    // 100,000 entries over the tree's files, tags as the scan read them.
    Library big;
    {
        Library scanned;
        WorkerState workers;
        RunLibraryScan(scanned, workers, {tree + "/", false, {}},
                       [&](TrackInfo& i) { return tags.ReadTrackInfo(i); });
        for (size_t i = 0; big.entries.size() < 100000; ++i) {
            LibraryEntry e = scanned.entries[i % scanned.entries.size()];
            e.info.title += " v" + std::to_string(i / scanned.entries.size());
            big.entries.push_back(std::move(e));
        }
    }
    std::vector<double> validate, stats;
    for (int round = 0; round < 3; ++round) {
        auto start = Clock::now();
        size_t present = 0;
        struct stat st;
        for (const LibraryEntry& e : big.entries)
            present += ::stat(e.info.path.c_str(), &st) == 0 && st.st_size > 0;
        stats.push_back(Ms(Clock::now() - start));
        start = Clock::now();
        const size_t removed = ValidateLibrary(big, tree + "/").removed;
        validate.push_back(Ms(Clock::now() - start));
        if (removed != 0 || present != big.entries.size()) std::fprintf(stderr, "validation removed files\n");
    }
    std::printf("validation of %zu present entries: %.1f ms; the stat calls alone %.1f ms; ratio %.2f\n",
                big.entries.size(), Median(validate), Median(stats), Median(validate) / Median(stats));

    std::vector<double> search, naive;
    size_t rows = 0, naiveRows = 0;
    for (int round = 0; round < 5; ++round) {
        LibraryModel model;
        auto start = Clock::now();
        auto result = SearchLibrary(big, {SearchMode::Text, "night ARTIST 1", {}, kSearchEverything});
        model.SetResult(std::move(*result));
        search.push_back(Ms(Clock::now() - start));
        rows = static_cast<size_t>(model.rowCount());
        start = Clock::now();
        naiveRows = NaiveSearch(big, SearchTerms("night ARTIST 1"));
        naive.push_back(Ms(Clock::now() - start));
    }
    std::printf(
        "search of %zu entries for two words in all fields, to the filled view model: %.1f ms (%zu rows); "
        "fold-and-find loop %.1f ms "
        "(%zu rows)\n",
        big.entries.size(), Median(search), rows, Median(naive), naiveRows);

    std::vector<double> narrow;
    size_t narrowRows = 0;
    for (int round = 0; round < 5; ++round) {
        const auto start = Clock::now();
        narrowRows =
            SearchLibrary(big, {SearchMode::Text, "number 1999", {}, kSearchEverything})->rows.size();
        narrow.push_back(Ms(Clock::now() - start));
    }
    std::printf("search of %zu entries for \"number 1999\": %.1f ms (%zu rows)\n", big.entries.size(),
                Median(narrow), narrowRows);

    std::vector<double> complete;
    for (int round = 0; round < 5; ++round) {
        Autocomplete ac;
        const auto start = Clock::now();
        const auto value =
            ac.Complete(big, "zz", kSearchEverything);  // no match: the whole library is walked
        complete.push_back(Ms(Clock::now() - start));
        if (value) std::fprintf(stderr, "unexpected completion\n");
    }
    std::printf("autocomplete over %zu entries, nothing found (worst case): %.2f ms\n", big.entries.size(),
                Median(complete));
    BASS_Free();
    return 0;
}
