// A full-speed scan reads on two threads and still fills the library in name
// order; a stop part-way keeps the first files whole and reads no further;
// the gentle pace (MediaLib_CPU 1) reads one file at a time on the scan thread.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

#include "engine/bass.h"
#include "library/library_scan.h"
#include "support/tag_fixtures.h"
#include "support/test_support.h"
#include "support/wait.h"
#include "tags/tag_writer.h"
#include "tags/track_info_reader.h"

namespace sonvaro {
namespace {

using test::TempDir;
using test::WaitUntil;

class EngineEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { BASS_Init(0, 44100, 0, nullptr, nullptr); }
    void TearDown() override { BASS_Free(); }
};
const auto* const kEngine = ::testing::AddGlobalTestEnvironment(new EngineEnvironment);

struct TaggedTree {
    std::vector<std::string> files;  // in name order
    std::map<std::string, std::string> titles;
};

// Three folders of MP3, FLAC and Ogg files, each with its own title and track.
TaggedTree MakeTaggedTree(const TempDir& dir, TagReader& tags, int count) {
    TaggedTree tree;
    for (int i = 0; i < count; ++i) {
        const char* kind = i % 3 == 0 ? "mp3" : i % 3 == 1 ? "flac" : "ogg";
        const std::string folder = dir / ("Album " + std::to_string(i / 10));
        std::filesystem::create_directories(folder);
        const std::string path = test::CopyOf(test::TagFixture(std::string("tagged.") + kind),
                                              folder + "/" + std::to_string(10 + i % 10) + " Lied." + kind);
        TagEdits edits{path};
        edits.title = "Lied " + std::to_string(i);
        edits.track = std::to_string(i % 10 + 1);
        if (!WriteTags(tags, edits)) ADD_FAILURE() << path;
        tree.files.push_back(path);
        tree.titles[path] = *edits.title;
    }
    return tree;
}

std::vector<std::string> Paths(const Library& library) {
    std::vector<std::string> out;
    for (const auto& e : library.entries) out.push_back(e.info.path);
    return out;
}

ScanOptions FullSpeed(const std::string& root) {
    ScanOptions options{root, false, {}};
    options.readers = 2;
    return options;
}

// The first file's read waits until a later file has been read, so the reads
// end out of order: the entries are still in name order, each with its tags.
TEST(LibraryScanThreads, TwoReadersKeepNameOrderAndEachFilesTags) {
    TempDir dir;
    TagReader tags;
    const TaggedTree tree = MakeTaggedTree(dir, tags, 30);
    std::atomic<bool> laterRead{false}, waitedInVain{false};
    std::mutex threadsMutex;
    std::set<std::thread::id> threads;
    const TrackReadFn read = [&](TrackInfo& info) {
        {
            std::lock_guard lock(threadsMutex);
            threads.insert(std::this_thread::get_id());
        }
        const bool first = info.path == tree.files[0];
        if (first && !WaitUntil([&] { return laterRead.load(); })) waitedInVain = true;
        const int result = tags.ReadTrackInfo(info);
        if (!first) laterRead = true;
        return result;
    };
    Library library;
    WorkerState workers;
    EXPECT_EQ(RunLibraryScan(library, workers, FullSpeed(dir.path()), read), tree.files.size());
    EXPECT_FALSE(waitedInVain) << "the files were not read on two threads";
    EXPECT_EQ(threads.size(), 2u);
    ASSERT_EQ(Paths(library), tree.files);
    for (size_t i = 0; i < tree.files.size(); ++i) {
        const TrackInfo& info = library.entries[i].info;
        EXPECT_EQ(info.title, tree.titles.at(info.path));
        EXPECT_EQ(info.trackNumber, static_cast<int>(i % 10 + 1));
        EXPECT_EQ(info.sampleRate, 44100.0f);
    }
}

// The stop comes while the tenth file is read: the scan ends without reading
// the files queued behind it, and the library holds the first files in name
// order, each complete.
TEST(LibraryScanThreads, AStopPartWayEndsPromptlyWithTheFirstFilesWhole) {
    TempDir dir;
    TagReader tags;
    const TaggedTree tree = MakeTaggedTree(dir, tags, 120);
    Library library;
    WorkerState workers;
    std::atomic<int> reads{0};
    const TrackReadFn read = [&](TrackInfo& info) {
        if (++reads == 10) workers.stopRequested = 1;
        return tags.ReadTrackInfo(info);
    };
    RunLibraryScan(library, workers, FullSpeed(dir.path()), read);
    EXPECT_LE(reads.load(), 11) << "files were read after the stop";
    ASSERT_FALSE(library.entries.empty());
    ASSERT_LE(library.entries.size(), 11u);
    const std::vector<std::string> paths = Paths(library);
    EXPECT_EQ(paths, std::vector<std::string>(tree.files.begin(), tree.files.begin() + paths.size()));
    for (const LibraryEntry& entry : library.entries) {
        EXPECT_EQ(entry.info.title, tree.titles.at(entry.info.path));
        EXPECT_GT(entry.info.length, 0);
    }
}

// MediaLib_CPU 1: every file is read on the scan's own thread, never two at
// once, with a pause after each.
TEST(LibraryScanThreads, TheGentlePaceReadsOneFileAtATimeAndRestsAfterEach) {
    TempDir dir;
    TagReader tags;
    const TaggedTree tree = MakeTaggedTree(dir, tags, 12);
    Library library;
    WorkerState workers;
    const auto scanThread = std::this_thread::get_id();
    int reads = 0, pauses = 0, readsAtLastPause = 0;
    bool elsewhere = false, readTwiceWithoutPause = false;
    ScanOptions options{dir.path(), true, [&](int ms) {
                            EXPECT_EQ(ms, 25);
                            ++pauses;
                            readTwiceWithoutPause |= reads - readsAtLastPause > 1;
                            readsAtLastPause = reads;
                        }};
    RunLibraryScan(library, workers, options, [&](TrackInfo& info) {
        elsewhere |= std::this_thread::get_id() != scanThread;
        ++reads;
        return tags.ReadTrackInfo(info);
    });
    EXPECT_FALSE(elsewhere);
    EXPECT_FALSE(readTwiceWithoutPause);
    EXPECT_EQ(reads, 12);
    EXPECT_EQ(pauses, 12);
    EXPECT_EQ(Paths(library), tree.files);
}

}  // namespace
}  // namespace sonvaro
