// Tag reads of different files at once, and a tag write that keeps the
// readers of its own file (under any of its names) out and no others.
#include "tags/tag_file_locks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <thread>

#include "support/tag_fixtures.h"
#include "support/test_support.h"
#include "support/wait.h"
#include "tags/tag_writer.h"
#include "tags/track_info_reader.h"

namespace sonvaro {
namespace {

using test::WaitUntil;

TEST(TagFileLocks, AWriterWaitsForItsFilesReadersKeepsNewOnesOutAndLetsOtherFilesBe) {
    test::TempDir dir;
    test::WriteFile(dir / "a.mp3", "a");
    test::WriteFile(dir / "b.mp3", "b");
    std::filesystem::create_symlink(dir / "a.mp3", dir / "a-link.mp3");
    TagFileLocks locks;
    std::mutex eventsMutex;
    std::vector<std::string> events;
    auto event = [&](const std::string& what) {
        std::lock_guard lock(eventsMutex);
        events.push_back(what);
    };

    auto reading = std::make_unique<TagFileLocks::Guard>(locks.Read(dir / "a.mp3"));
    std::thread writer([&] {
        const TagFileLocks::Guard writing = locks.Write(dir / "a.mp3");
        event("written");
    });
    // Every wait is checked with EXPECT, so that the threads are always joined.
    EXPECT_TRUE(WaitUntil([&] { return locks.Waiting() == 1; })) << "the writer waits for the reader";

    std::atomic<bool> otherRead{false};
    std::thread other([&] {
        const TagFileLocks::Guard guard = locks.Read(dir / "b.mp3");
        otherRead = true;
    });
    const bool otherReadMeanwhile = WaitUntil([&] { return otherRead.load(); });
    EXPECT_TRUE(otherReadMeanwhile) << "another file is read meanwhile";
    if (!otherReadMeanwhile) reading.reset();  // else the test would never end
    other.join();

    // The same file under another name: it waits until the write is done.
    std::thread lateReader([&] {
        const TagFileLocks::Guard guard = locks.Read(dir / "a-link.mp3");
        event("read");
    });
    EXPECT_TRUE(WaitUntil([&] { return locks.Waiting() == 2; })) << "a new reader of the file waits";

    reading.reset();
    writer.join();
    lateReader.join();
    EXPECT_EQ(events, (std::vector<std::string>{"written", "read"}));
    EXPECT_EQ(locks.FilesInUse(), 0u);
    EXPECT_EQ(locks.Waiting(), 0u);
}

TEST(TagFileLocks, ASaveWaitsForAReadOfItsFileInProgress) {
    test::TempDir dir;
    TagReader reader;
    const std::string path = test::CopyOf(test::TagFixture("tagged.mp3"), dir / "a.mp3");
    auto reading = std::make_unique<TagFileLocks::Guard>(reader.fileLocks.Read(path));
    std::atomic<bool> saved{false};
    std::thread save([&] {
        TagEdits edits{path};
        edits.title = "Neu";
        saved = WriteTags(reader, edits);
    });
    EXPECT_TRUE(WaitUntil([&] { return reader.fileLocks.Waiting() == 1; }));
    EXPECT_FALSE(saved) << "saved while the file was being read";
    reading.reset();
    save.join();
    EXPECT_TRUE(saved);
    TrackInfo info;
    info.path = path;
    reader.ReadTrackInfo(info);
    EXPECT_EQ(info.title, "Neu");
}

// Two threads read six files of three formats over and over while the tags of
// one of them are written again and again: every read finds a whole tag (the
// one before a save or after it), and the last save reads back.
TEST(TagFileLocks, ReadsOfManyFilesGoOnWhileOneIsWritten) {
    test::TempDir dir;
    TagReader reader;
    std::vector<std::string> paths;
    for (int i = 0; i < 6; ++i) {
        const char* kind = i % 3 == 0 ? "mp3" : i % 3 == 1 ? "flac" : "ogg";
        paths.push_back(test::CopyOf(test::TagFixture(std::string("tagged.") + kind),
                                     dir / (std::to_string(i) + "." + kind)));
        TagEdits edits{paths.back()};
        edits.title = "Titel " + std::to_string(i);
        ASSERT_TRUE(WriteTags(reader, edits));
    }
    const std::string& written = paths[0];
    constexpr int kSaves = 6;
    std::atomic<bool> writing{true};
    std::atomic<int> wrong{0}, reads{0};
    auto readAll = [&] {
        // Some reads after the last save as well.
        for (int round = 0; writing || round < 3; ++round)
            for (const std::string& path : paths) {
                TrackInfo info;
                info.path = path;
                const int result = reader.ReadTrackInfo(info);
                ++reads;
                bool right = result == kReadFile;
                if (&path == &written)
                    right = right && (info.title == "Titel 0" || info.title.starts_with("Neu "));
                else
                    right = right && info.title == "Titel " + path.substr(path.rfind('/') + 1, 1);
                if (!right) ++wrong;
            }
    };
    std::thread first(readAll), second(readAll);
    for (int save = 1; save <= kSaves; ++save) {
        TagEdits edits{written};
        edits.title = "Neu " + std::to_string(save);
        // A longer text each time, so that the tag grows and the file is rewritten.
        edits.comment = std::string(static_cast<size_t>(save) * 600, 'k');
        EXPECT_TRUE(WriteTags(reader, edits));
    }
    writing = false;
    first.join();
    second.join();
    EXPECT_EQ(wrong.load(), 0) << "of " << reads.load() << " reads";
    TrackInfo info;
    info.path = written;
    ASSERT_EQ(reader.ReadTrackInfo(info), kReadFile);
    EXPECT_EQ(info.title, "Neu " + std::to_string(kSaves));
    EXPECT_EQ(info.comment.size(), kSaves * 600u);
    EXPECT_EQ(reader.fileLocks.FilesInUse(), 0u);
}

}  // namespace
}  // namespace sonvaro
