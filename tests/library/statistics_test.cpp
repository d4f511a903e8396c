#include "library/statistics.h"

#include <gtest/gtest.h>

#include <thread>

#include "support/test_support.h"

namespace sonvaro {
namespace {

constexpr int64_t kDay = 86400;
constexpr int64_t kMonday = 1704672000;  // 2024-01-08 00:00:00

TEST(Statistics, CountsDaysOncePerCalendarDay) {
    Settings s;
    StatisticsCounter counter(s);
    for (int64_t t : {kMonday + 10, kMonday + 3600, kMonday + kDay - 1}) {
        counter.CountPlayDay(t);
        counter.CountPlayStart();
    }
    EXPECT_EQ(s.statistics.PlayDays, 1);
    EXPECT_EQ(s.statistics.PlayStart, 3);
    EXPECT_EQ(s.Misc_LastStart, kMonday + 10);
    counter.CountPlayDay(kMonday + kDay);  // just after midnight
    EXPECT_EQ(s.statistics.PlayDays, 2);
    EXPECT_EQ(s.Misc_LastStart, kMonday + kDay);
}

TEST(Statistics, PlayTimeCountsOneSecondPerFullSecondOfTicks) {
    Settings s;
    StatisticsCounter counter(s);
    counter.CountPlayTime(5000);  // the first check after start-up counts
    for (uint32_t tick = 5050; tick < 7000; tick += 50) counter.CountPlayTime(tick);
    EXPECT_EQ(s.statistics.PlayTime, 2);  // at 6000 and 7000 would be the next
    // Across the 32-bit wrap of the tick.
    Settings w;
    StatisticsCounter wrapped(w);
    wrapped.CountPlayTime(0xFFFFFF00u);
    wrapped.CountPlayTime(0x00000100u);
    wrapped.CountPlayTime(0x00000400u);
    EXPECT_EQ(w.statistics.PlayTime, 2);
}

TEST(Statistics, PlayEndIsSafeFromManyThreads) {
    Settings s;
    StatisticsCounter counter(s);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&counter] {
            for (int i = 0; i < 10000; ++i) counter.CountPlayEnd();
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(counter.PlayEnd(), 40000);
}

TEST(Statistics, CountersStopAtTheirLargestValue) {
    Settings s;
    s.statistics.PlayStart = 2147483646;
    s.statistics.PlayEnd = 2147483647;
    s.statistics.PlayDays = 2147483647;
    StatisticsCounter counter(s);
    counter.CountPlayStart();
    counter.CountPlayStart();
    counter.CountPlayEnd();
    counter.CountPlayDay(kMonday);
    EXPECT_EQ(s.statistics.PlayStart, 2147483647);
    EXPECT_EQ(counter.PlayEnd(), 2147483647);
    EXPECT_EQ(s.statistics.PlayDays, 2147483647);
}

TEST(Statistics, ResetAsksAndKeepsTheDays) {
    Settings s;
    s.statistics = {5, 4, 3, 900, 2};
    s.Misc_LastStart = 77;
    StatisticsCounter counter(s);
    test::RecordingMessages messages;
    messages.answer = false;
    EXPECT_FALSE(counter.ResetStatistics(messages));
    EXPECT_EQ(s.statistics.PlayStart, 5);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].title, "Warnung");
    EXPECT_EQ(messages.boxes[0].text, "Möchten Sie die Statistik wirklich zurücksetzen?");
    EXPECT_EQ(messages.boxes[0].icon, MessageIcon::Question);

    messages.answer = true;
    EXPECT_TRUE(counter.ResetStatistics(messages));
    EXPECT_EQ(s.statistics.PlayStart, 0);
    EXPECT_EQ(s.statistics.PlayEnd, 0);
    EXPECT_EQ(s.statistics.PlayTime, 0);
    EXPECT_EQ(s.statistics.AppStart, 0);
    EXPECT_EQ(s.statistics.PlayDays, 3);
    EXPECT_EQ(s.Misc_LastStart, 77);
}

TEST(Statistics, RowsShowTotalsAndThePerDayFigure) {
    Settings s;
    s.statistics = {12, 10, 0, 90061, 3};
    auto rows = StatisticsRows(s);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], (std::pair<std::string, std::string>{"Wiedergabe Gestartet", "12"}));
    EXPECT_EQ(rows[1].first, "Wiedergabe Beenden");
    EXPECT_EQ(rows[2], (std::pair<std::string, std::string>{"Gesamte Wiedergabedauer", "1 Tage 01:01:01"}));
    EXPECT_EQ(rows[3].second, "1 Tage 01:01:01");  // no days counted: the total
    EXPECT_EQ(rows[4], (std::pair<std::string, std::string>{"Sonvaro Gestartet", "3"}));
    s.statistics.PlayDays = 2;
    EXPECT_EQ(StatisticsRows(s)[3],
              (std::pair<std::string, std::string>{"Wiedergabedauer pro Tag", "12:30:30"}));
}

}  // namespace
}  // namespace sonvaro
