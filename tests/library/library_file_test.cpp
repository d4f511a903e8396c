#include "library/library_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "core/status_log.h"
#include "support/test_support.h"

namespace sonvaro {
namespace {

LibraryEntry Entry(const std::string& path) {
    LibraryEntry e;
    e.info.path = path;
    return e;
}

TEST(LibraryFile, WritesEveryEntryWithTheLibraryFields) {
    LibraryEntry file = Entry("/nowhere/a.mp3");  // no existence check for the library
    file.info.title = "Song";
    file.info.comment = "two\nlines|bar";
    file.info.sampleRate = 44100;
    file.info.channelType = 0x10005;
    file.playCount = 3;
    file.lastPlayed = 1700000000;
    file.flags = 1;
    LibraryEntry station = Entry("http://radio.example/live");
    station.info.title = "Radio";
    station.info.genre = "Jazz";
    EXPECT_EQ(LibraryFileText({file, station}),
              "SV-F-MLV1\r\n"
              "ETY:/nowhere/a.mp3|Song|||0|two lines bar|-1||0|44100|0|0|1700000000|3|1|65541|\r\n"
              "ETY:http://radio.example/live|Radio|||0||-1|Jazz|0|0|0|0|0|0|0|0|\r\n");
}

TEST(LibraryFile, LoadSortsByteWiseAndKeepsEverything) {
    const auto entries = ParseLibraryFile(
        "SV-F-MLV1\r\nETY:/m/b.mp3|\r\nETY:/m/a.mp3|\r\nEty:/m/B.mp3|\r\nETY:/m/Ä.mp3|\r\nnoise\r\n"
        "ETY:/m/A.mp3|t|a|l|1999|c|4|g|320|48000|2|61|1700000000|65535|1|65541|\r\n");
    ASSERT_TRUE(entries);
    std::vector<std::string> paths;
    for (const auto& e : *entries) paths.push_back(e.info.path);
    EXPECT_EQ(paths, (std::vector<std::string>{"/m/A.mp3", "/m/B.mp3", "/m/a.mp3", "/m/b.mp3", "/m/Ä.mp3"}));
    const LibraryEntry& full = (*entries)[0];
    EXPECT_EQ(full.playCount, -1);  // 65535 narrowed to 16 bits
    EXPECT_EQ(full.lastPlayed, 1700000000);
    EXPECT_EQ(full.flags, 1);
    EXPECT_EQ(full.info.channelType, 65541);
    EXPECT_EQ((*entries)[1].info.trackNumber, 0);
    EXPECT_FALSE(ParseLibraryFile("SV-F-PLV1\r\nETY:/m/a.mp3|\r\n"));
    EXPECT_FALSE(ParseLibraryFile(""));
}

// Paths alike for their first many bytes, one a prefix of another, and the
// same path twice (kept in file order): byte order all the same.
TEST(LibraryFile, LoadSortsLongAlikePathsByTheirBytes) {
    const auto entries = ParseLibraryFile(
        "SV-F-MLV1\r\n"
        "ETY:/home/u/Musik/Artist/Album/02 zwei.mp3|second|\r\n"
        "ETY:/home/u/Musik/Artist/Album/01 eins.mp3|\r\n"
        "ETY:/home/u/Musik/Artist/Album/02 zwei.mp3|first|\r\n"
        "ETY:/home/u/Musik/Artist/Album/02|\r\n"
        "ETY:/home/u/Musik/Artist/Album/02 zwei.mp3.bak|\r\n"
        "ETY:/home/u/Musik/Artist/Album/\xC3\x84rger.mp3|\r\n"
        "ETY:/home/u/Musik/Artist/Album/01 eins.flac|\r\n");
    ASSERT_TRUE(entries);
    std::vector<std::string> paths, titles;
    for (const auto& e : *entries) {
        paths.push_back(e.info.path.substr(std::string("/home/u/Musik/Artist/Album/").size()));
        titles.push_back(e.info.title);
    }
    EXPECT_EQ(paths, (std::vector<std::string>{"01 eins.flac", "01 eins.mp3", "02", "02 zwei.mp3",
                                               "02 zwei.mp3", "02 zwei.mp3.bak", "\xC3\x84rger.mp3"}));
    EXPECT_EQ(titles[3], "second");  // equal paths stay in file order
    EXPECT_EQ(titles[4], "first");
}

TEST(LibraryFile, SaveLoadRoundTripAndEmptyLibraryWritesTheHeader) {
    test::TempDir dir;
    test::RecordingMessages messages;
    StatusLog log;
    const std::string file = dir / "MediaLibary.dat";
    Library library;
    library.entries = {Entry("/z.mp3"), Entry("/a.mp3")};
    library.entries[0].info.title = "Zett";
    ASSERT_TRUE(SaveLibraryFile(library, file, true, messages, log));
    const std::string saved = test::ReadFile(file);

    Library loaded;
    LoadLibraryFile(loaded, file);
    ASSERT_EQ(loaded.entries.size(), 2u);
    EXPECT_EQ(loaded.entries[0].info.path, "/a.mp3");
    EXPECT_EQ(loaded.entries[1].info.title, "Zett");

    // Every entry removed: the file must say so, or they all come back at the next start.
    Library empty;
    EXPECT_TRUE(SaveLibraryFile(empty, file, true, messages, log));
    EXPECT_EQ(test::ReadFile(file), "SV-F-MLV1\r\n");
    EXPECT_TRUE(messages.boxes.empty());

    LoadLibraryFile(loaded, dir / "missing.dat");  // a missing file leaves the library alone
    EXPECT_EQ(loaded.entries.size(), 2u);
}

// The loader reads the file a block (1 MiB) at a time: lines cut by a block's
// end, and a CR LF split between two blocks, must come out whole.
TEST(LibraryFile, LargeFilesLoadWholeAcrossReadBlocks) {
    test::TempDir dir;
    for (const std::string lineEnd : {"\r\n", "\n", "\r"}) {
        SCOPED_TRACE(lineEnd.size() == 2 ? "CR LF" : lineEnd == "\n" ? "LF" : "CR");
        std::string text = "\xEF\xBB\xBFSV-F-MLV1" + lineEnd;
        const int count = 30000;  // about 2.4 MB
        for (int i = count - 1; i >= 0; --i) {
            std::string number = std::to_string(i);
            number.insert(0, 5 - number.size(), '0');
            // Lengths vary, so line ends fall on every offset of a block.
            text += "ETY:/m/" + number + ".mp3|Title " + number + std::string(i % 37, 'x') +
                    "|||0||3||0|0|0|" + std::to_string(i) + "|0|0|0|0|" + lineEnd;
        }
        const std::string path = dir / "MediaLibary.dat";
        test::WriteFile(path, text);
        Library library;
        LoadLibraryFile(library, path);
        ASSERT_EQ(library.entries.size(), static_cast<size_t>(count));
        EXPECT_EQ(library.entries[0].info.path, "/m/00000.mp3");
        EXPECT_EQ(library.entries[0].info.title, "Title 00000");
        EXPECT_EQ(library.entries[12345].info.path, "/m/12345.mp3");
        EXPECT_EQ(library.entries[12345].info.title, "Title 12345" + std::string(12345 % 37, 'x'));
        EXPECT_EQ(library.entries[12345].info.length, 12345);
        EXPECT_EQ(library.entries[count - 1].info.path, "/m/29999.mp3");
    }
}

// A tag of fifty megabytes (a hostile file) reached an older library file:
// it loads, bounded, with each text field cut to 4096 bytes on a character
// boundary, and the lines around it are read as usual. Saving cuts too.
TEST(LibraryFile, HugeFieldsAreCutWhenReadAndWritten) {
    test::TempDir dir;
    const std::string file = dir / "MediaLibary.dat";
    // "x" then two-byte letters: byte 4096 falls inside a letter.
    std::string title = "x";
    for (int i = 0; i < 25 * 1024 * 1024; ++i) title += "\xC3\xA4";
    const std::string cutTitle = "x" + [] {
        std::string s;
        for (int i = 0; i < 2047; ++i) s += "\xC3\xA4";
        return s;
    }();
    std::string text = "SV-F-MLV1\r\nETY:/m/a.mp3|A|||0||1||0|0|0|0|0|1|0|0|\r\n";
    text += "ETY:/m/big.mp3|" + title + "|Artist|" + std::string(2 * 1024 * 1024, 'c') +
            "|2001||2|Genre|128|44100|2|61|1700000000|9|1|65541|" + std::string(2 * 1024 * 1024, '|') +
            "\r\n";
    text += "ETY:/m/" + std::string(2 * 1024 * 1024, 'p') + "|no file has such a name|\r\n";
    text += "ETY:/m/z.mp3|Z|||0||1||0|0|0|0|0|2|0|0|\r\n";
    test::WriteFile(file, text);
    text = {};
    Library library;
    LoadLibraryFile(library, file);
    ASSERT_EQ(library.entries.size(), 3u);
    const LibraryEntry& big = library.entries[1];
    EXPECT_EQ(big.info.path, "/m/big.mp3");
    EXPECT_EQ(big.info.title, cutTitle);
    EXPECT_EQ(big.info.artist, "Artist");
    EXPECT_EQ(big.info.album, std::string(4096, 'c'));
    EXPECT_EQ(big.info.year, 2001);
    EXPECT_EQ(big.info.genre, "Genre");
    EXPECT_EQ(big.info.length, 61);
    EXPECT_EQ(big.playCount, 9);
    EXPECT_EQ(big.info.channelType, 65541);
    EXPECT_EQ(library.entries[0].info.title, "A");
    EXPECT_EQ(library.entries[2].info.title, "Z");
    EXPECT_EQ(library.entries[2].playCount, 2);

    // The same from text held in memory.
    const auto parsed = ParseLibraryFile("SV-F-MLV1\r\nETY:/m/big.mp3|" + title + "|\r\n");
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->size(), 1u);
    EXPECT_EQ((*parsed)[0].info.title, cutTitle);

    library.entries[1].info.comment = std::string(5000, 'k');
    library.entries[1].info.title = title.substr(0, 10000);
    const std::string saved = LibraryFileText(library.entries);
    EXPECT_NE(saved.find("ETY:/m/big.mp3|" + cutTitle + "|Artist|" + std::string(4096, 'c') + "|2001|" +
                         std::string(4096, 'k') + "|2|Genre|"),
              std::string::npos);
    EXPECT_LT(saved.size(), 20000u);
}

TEST(LibraryFile, FailedSaveKeepsTheOldFile) {
    test::TempDir dir;
    test::RecordingMessages messages;
    StatusLog log;
    const std::string file = dir / "MediaLibary.dat";
    test::WriteFile(file, "SV-F-MLV1\r\nETY:/old.mp3|\r\n");
    std::filesystem::create_directory(file + ".tmp");
    Library library;
    library.entries = {Entry("/new.mp3")};
    EXPECT_FALSE(SaveLibraryFile(library, file, true, messages, log));
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text, "MediaLibary konnte nicht gespeichert werden");
    EXPECT_EQ(test::ReadFile(file), "SV-F-MLV1\r\nETY:/old.mp3|\r\n");
}

// A file is matched byte for byte (its case twin is another file); a
// station's address in any case.
TEST(PlayedEntries, UpdatesEveryMatchUnderTheLock) {
    Library library;
    library.entries = {Entry("/Musik/Ärger.MP3"), Entry("/other.mp3"), Entry("/musik/ärger.mp3"),
                       Entry("/Musik/Ärger.MP3"), Entry("HTTP://Radio.example/Live")};
    library.entries[0].playCount = 4;
    TrackInfo info;
    info.path = "/ignored";
    info.title = "Neu";
    info.length = 99;
    EXPECT_EQ(UpdatePlayedEntries(library, "/Musik/Ärger.MP3", info, 1234), 2u);
    EXPECT_EQ(library.entries[0].playCount, 5);
    EXPECT_EQ(library.entries[0].lastPlayed, 1234);
    EXPECT_EQ(library.entries[0].info.title, "Neu");
    EXPECT_EQ(library.entries[0].info.path, "/Musik/Ärger.MP3");
    EXPECT_EQ(library.entries[0].info.length, 0);  // length and type stay the library's
    EXPECT_EQ(library.entries[3].playCount, 1);
    EXPECT_EQ(library.entries[2].playCount, 0);
    EXPECT_EQ(library.entries[2].info.title, "");
    EXPECT_EQ(library.entries[1].playCount, 0);
    EXPECT_EQ(UpdatePlayedEntries(library, "/MUSIK/ÄRGER.mp3", info, 1234), 0u);
    EXPECT_EQ(UpdatePlayedEntries(library, "http://radio.example/live", info, 1234), 1u);
    // The count stops at its largest value instead of wrapping negative.
    library.entries[1].playCount = 32767;
    UpdatePlayedEntries(library, "/other.mp3", info, 1235);
    EXPECT_EQ(library.entries[1].playCount, 32767);
}

TEST(LibraryFile, PathsAreBytesAndUnstorableOnesAreLeftOut) {
    test::TempDir dir;
    test::RecordingMessages messages;
    StatusLog log;
    log.SetOpen(true);
    const std::string file = dir / "MediaLibary.dat";
    Library library;
    library.entries = {Entry("/m/caf\xE9.mp3"), Entry("/m/ lead and trail .mp3 "), Entry("/m/pipe|name.mp3"),
                       Entry("/m/line\nbreak.mp3")};
    library.entries[0].info.title = "Caf\xC3\xA9";
    ASSERT_TRUE(SaveLibraryFile(library, file, true, messages, log));
    Library loaded;
    LoadLibraryFile(loaded, file);
    ASSERT_EQ(loaded.entries.size(), 2u);
    EXPECT_EQ(loaded.entries[0].info.path, "/m/ lead and trail .mp3 ");
    EXPECT_EQ(loaded.entries[1].info.path, "/m/caf\xE9.mp3");
    EXPECT_EQ(loaded.entries[1].info.title, "Caf\xC3\xA9");
    const auto lines = log.LinesSince(0);
    EXPECT_EQ(
        std::count_if(lines.begin(), lines.end(),
                      [](const std::string& l) { return l.find("Nicht gespeichert") != std::string::npos; }),
        2);
}

TEST(LibraryFile, AByteOrderMarkIsReadAndAForeignFileIsKeptAside) {
    test::TempDir dir;
    const std::string file = dir / "MediaLibary.dat";
    Library library;
    test::WriteFile(file, "\xEF\xBB\xBFSV-F-MLV1\r\nETY:/m/a.mp3|A|\r\n");
    LoadLibraryFile(library, file);
    ASSERT_EQ(library.entries.size(), 1u);
    EXPECT_EQ(library.entries[0].info.title, "A");

    StatusLog log;
    log.SetOpen(true);
    test::WriteFile(file, "sv-f-mlv1\r\nETY:/m/b.mp3|B|\r\n");
    LoadLibraryFile(library, file, &log);
    EXPECT_EQ(library.entries.size(), 1u);  // left as it was
    EXPECT_EQ(test::ReadFile(file + ".bad"), "sv-f-mlv1\r\nETY:/m/b.mp3|B|\r\n");
    ASSERT_EQ(log.LineCount(), 1u);
    EXPECT_NE(log.LinesSince(0)[0].find("MediaLibary.dat.bad"), std::string::npos);
}

}  // namespace
}  // namespace sonvaro
