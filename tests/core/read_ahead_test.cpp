// Reading ahead on worker threads: results in the order given whatever order
// the reads end in, a stop that starts no further read, and the one-thread pace.
#include "core/read_ahead.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>

#include "support/wait.h"

namespace sonvaro {
namespace {

using test::WaitUntil;

std::vector<std::string> Names(int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) names.push_back("/m/" + std::to_string(100 + i) + ".mp3");
    return names;
}

// Gives every name (taking one whenever the window is full) and takes the rest.
std::vector<TrackReadAhead::Item> RunAll(TrackReadAhead& ahead, const std::vector<std::string>& names,
                                         const std::set<std::string>& unread = {}) {
    std::vector<TrackReadAhead::Item> out;
    for (const std::string& name : names) {
        if (ahead.Full()) out.push_back(ahead.Take());
        ahead.Give(name, !unread.contains(name));
    }
    while (!ahead.Empty()) out.push_back(ahead.Take());
    return out;
}

// The first read waits until a later one has ended, so the reads end out of
// order; the results still come in the order given, each with its own fields.
TEST(TrackReadAhead, ResultsComeInTheOrderGivenWhenReadsEndOutOfOrder) {
    const std::vector<std::string> names = Names(40);
    std::atomic<bool> laterDone{false};
    std::atomic<bool> firstWaitedInVain{false};
    TrackReadAhead ahead(
        [&](TrackInfo& info) {
            const std::string path = info.path;
            if (path == names[0] && !WaitUntil([&] { return laterDone.load(); })) firstWaitedInVain = true;
            info.title = "T" + path;
            info.path = "changed by the reader";
            if (path != names[0]) laterDone = true;
            return path == names[7] ? 0 : 1;
        },
        2, 8);
    const auto items = RunAll(ahead, names, {names[3]});
    EXPECT_FALSE(firstWaitedInVain) << "the two workers did not read at the same time";
    ASSERT_EQ(items.size(), names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(items[i].info.path, names[i]) << "the path comes back as given";
        EXPECT_EQ(items[i].read, i != 3);
        EXPECT_EQ(items[i].info.title, i == 3 ? "" : "T" + names[i]) << "a path given unread is not read";
        EXPECT_EQ(items[i].result, i == 3 || i == 7 ? 0 : 1);
    }
}

// Once `stop` says so no further read starts: a stop part-way costs at most
// the reads already under way, not the window queued behind them.
TEST(TrackReadAhead, AStopStartsNoFurtherReadAndTheRestComesBackUnread) {
    const std::vector<std::string> names = Names(200);
    std::atomic<bool> stop{false};
    std::atomic<int> reads{0};
    TrackReadAhead ahead(
        [&](TrackInfo& info) {
            if (++reads == 10) stop = true;
            info.title = "read";
            return 1;
        },
        2, 64, [&] { return stop.load(); });
    const auto items = RunAll(ahead, names);
    EXPECT_LE(reads.load(), 11) << "one read of the other worker may have been under way";
    ASSERT_EQ(items.size(), names.size());
    size_t read = 0;
    while (read < items.size() && items[read].read) ++read;
    EXPECT_GE(read, 10u) << "the reads before the stop are all there";
    for (size_t i = read; i < items.size(); ++i) {
        EXPECT_FALSE(items[i].read) << i;
        EXPECT_EQ(items[i].result, 0);
    }
}

// Ended with paths still queued (a scan stopped, a walk ended by Escape): the
// workers end after the read they are in, the queued paths are never read.
TEST(TrackReadAhead, EndingWithPathsQueuedReadsNoneOfThem) {
    std::atomic<int> reads{0};
    std::atomic<bool> release{false};
    {
        TrackReadAhead ahead(
            [&](TrackInfo&) {
                ++reads;
                WaitUntil([&] { return release.load(); });
                return 1;
            },
            2, 16);
        for (const std::string& name : Names(16)) ahead.Give(name);
        ASSERT_TRUE(WaitUntil([&] { return reads.load() == 2; }));
        ahead.Cancel();
        release = true;
    }
    EXPECT_EQ(reads.load(), 2);
}

// With no workers (the library's gentle pace) the caller's own thread reads,
// one file at a time, only when it takes the file.
TEST(TrackReadAhead, WithoutWorkersTheCallerReadsOneFileAtATime) {
    const auto caller = std::this_thread::get_id();
    int reads = 0;
    bool elsewhere = false;
    TrackReadAhead ahead(
        [&](TrackInfo&) {
            elsewhere |= std::this_thread::get_id() != caller;
            ++reads;
            return 1;
        },
        0, 4);
    for (const std::string& name : Names(3)) ahead.Give(name);
    EXPECT_EQ(reads, 0);
    EXPECT_TRUE(ahead.Take().read);
    EXPECT_EQ(reads, 1);
    while (!ahead.Empty()) ahead.Take();
    EXPECT_EQ(reads, 3);
    EXPECT_FALSE(elsewhere);
}

}  // namespace
}  // namespace sonvaro
