#include "core/status_log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "support/test_support.h"

namespace sonvaro {
namespace {

TEST(StatusLog, RecordsOnlyWhileOpen) {
    StatusLog log([] { return int64_t{14 * 3600 + 5 * 60 + 9}; });
    log.LogStatus("before");
    log.SetOpen(true);
    EXPECT_EQ(log.LineCount(), 0u);  // nothing was kept for later
    log.LogStatus("");
    log.LogStatus("Bye");
    EXPECT_EQ(log.LinesSince(0), std::vector<std::string>{"14:05:09 - Bye"});
    log.SetOpen(false);
    log.SetOpen(true);
    EXPECT_EQ(log.LineCount(), 0u);
}

TEST(StatusLog, AcceptsLinesFromOtherThreads) {
    StatusLog log;
    log.SetOpen(true);
    std::atomic<int> wakes = 0;  // the waker is called on the logging threads
    log.SetWaker([&wakes] { ++wakes; });
    std::thread t1([&] {
        for (int i = 0; i < 500; ++i) log.LogStatus("a");
    });
    std::thread t2([&] {
        for (int i = 0; i < 500; ++i) log.LogStatus("b");
    });
    t1.join();
    t2.join();
    EXPECT_EQ(log.LineCount(), 1000u);
    EXPECT_EQ(log.LinesSince(998).size(), 2u);
    EXPECT_EQ(wakes.load(), 1000);
}

}  // namespace
}  // namespace sonvaro
