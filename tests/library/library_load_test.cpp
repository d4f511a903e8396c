#include "library/library_load.h"

#include <gtest/gtest.h>

#include <string>

#include "core/status_log.h"
#include "library/library_file.h"
#include "library/library_rows.h"
#include "library/library_scan.h"
#include "support/test_support.h"

namespace sonvaro {
namespace {

LibraryEntry Stored(const std::string& path, int16_t playCount) {
    LibraryEntry e;
    e.info.path = path;
    e.info.title = "stored";
    e.playCount = playCount;
    return e;
}

std::vector<std::string> Paths(Library& library) {
    std::lock_guard lock(library.libraryLock);
    std::vector<std::string> paths;
    for (const LibraryEntry& e : library.entries) paths.push_back(e.info.path);
    return paths;
}

// A data file of `count` entries "/m/00000.mp3" …, each played once.
std::string BigLibraryFile(const test::TempDir& dir, int count) {
    std::string text = "SV-F-MLV1\r\n";
    char line[96];
    for (int i = 0; i < count; ++i) {
        std::snprintf(line, sizeof line, "ETY:/m/%05d.mp3|T%d|||0||1||0|0|0|0|1700000000|1|0|0|\r\n", i, i);
        text += line;
    }
    const std::string path = dir / "MediaLibary.dat";
    test::WriteFile(path, text);
    return path;
}

// A track played or added in the moment after the start, before the data
// file is read, counts in the stored entries instead of being overwritten.
TEST(LibraryLoad, ChangesAskedForWhileTheFileIsReadAreMadeToTheStoredEntries) {
    Library library;
    library.loading = true;
    TrackInfo played;
    played.path = "/m/a.mp3";
    played.title = "Neu";
    EXPECT_EQ(UpdatePlayedEntries(library, "/m/a.mp3", played, 1700000100), 0u);
    const auto read = [](TrackInfo& info) {
        info.title = "gelesen";
        return 1;
    };
    EXPECT_EQ(AddFileToLibrary(library, "/m/b.mp3", "/m/", read), AddOutcome::Added);
    EXPECT_EQ(AddFileToLibrary(library, "/m/c.mp3", "/m/", read), AddOutcome::Added);
    ChangeLibrary(library, [](Library& l) { l.entries.back().flags = 1; });
    EXPECT_TRUE(Paths(library).empty());

    const uint64_t removals = library.removals, shown = library.diskChanges;
    HandOverLoadedEntries(library, {Stored("/m/a.mp3", 5), Stored("/m/b.mp3", 2)});

    ASSERT_EQ(Paths(library), (std::vector<std::string>{"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"}));
    const auto& e = library.entries;
    EXPECT_EQ(e[0].playCount, 6);
    EXPECT_EQ(e[0].lastPlayed, 1700000100);
    EXPECT_EQ(e[0].info.title, "Neu");
    EXPECT_EQ(e[1].playCount, 2);  // an add of a stored file keeps its statistics
    EXPECT_EQ(e[1].info.title, "gelesen");
    EXPECT_EQ(e[2].flags, 1);  // in the order they were asked for
    EXPECT_FALSE(library.loading);
    EXPECT_TRUE(library.afterLoad.empty());
    EXPECT_GT(library.removals, removals);
    EXPECT_GT(library.diskChanges.load(), shown);

    // Once read, changes are made at once.
    EXPECT_EQ(UpdatePlayedEntries(library, "/m/a.mp3", played, 1700000200), 1u);
    EXPECT_EQ(library.entries[0].playCount, 7);
}

TEST(LibraryLoad, AnEntryAWriterPutInMeanwhileStaysWhenTheFileLacksIt) {
    Library library;
    library.loading = true;
    library.entries = {Stored("/m/x.mp3", 0), Stored("/m/a.mp3", 0)};
    HandOverLoadedEntries(library, {Stored("/m/a.mp3", 5)});
    EXPECT_EQ(Paths(library), (std::vector<std::string>{"/m/a.mp3", "/m/x.mp3"}));
    EXPECT_EQ(library.entries[0].playCount, 5);  // the stored one wins
}

// A save or a station added while the file is read waits for it: the file on
// disk is never replaced by the part read so far, and a stored station is found.
TEST(LibraryLoad, WritersThatNeedTheWholeLibraryWaitForTheRead) {
    test::TempDir dir;
    const std::string file = BigLibraryFile(dir, 60000);
    test::WriteFile(dir / "stations.dat",
                    "SV-F-MLV1\r\nETY:http://radio.example/live|Radio|||0||0||0|0|0|0|0|0|0|0|\r\n");
    test::RecordingMessages messages;
    StatusLog log;
    {
        Library library;
        LibraryLoad load;
        load.Start(library, file, &log);
        EXPECT_TRUE(SaveLibraryFile(library, dir / "saved.dat", true, messages, log));
        Library saved;
        LoadLibraryFile(saved, dir / "saved.dat");
        ASSERT_EQ(saved.entries.size(), 60000u);
        EXPECT_EQ(saved.entries[59999].info.path, "/m/59999.mp3");
    }
    {
        Library library;
        LibraryLoad load;
        load.Start(library, dir / "stations.dat", &log);
        EXPECT_EQ(AddRadioStation(library, "HTTP://radio.example/live"), StationAdd::Duplicate);
        EXPECT_EQ(Paths(library).size(), 1u);
    }
    {
        // A missing file leaves what is there, and the library is usable at once after.
        Library library;
        library.entries = {Stored("/m/kept.mp3", 1)};
        LibraryLoad load;
        load.Start(library, dir / "missing.dat", &log);
        load.Wait();
        EXPECT_EQ(Paths(library), std::vector<std::string>{"/m/kept.mp3"});
        EXPECT_FALSE(library.loading);
    }
}

}  // namespace
}  // namespace sonvaro
