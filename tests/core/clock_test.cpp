#include "core/clock.h"

#include <gtest/gtest.h>

#include "core/duration.h"

namespace sonvaro {
namespace {

// 2024-02-29 07:05:09 counted as local seconds.
constexpr int64_t kLeapMorning = 1709190309;

TEST(DatePattern, ReplacesTokensInAnyCase) {
    EXPECT_EQ(FormatDatePattern("[%mm.%dd.%yy] ", kLeapMorning), "[02.29.24] ");
    EXPECT_EQ(FormatDatePattern("%YYYY-%Mm-%dD %HH:%Ii:%sS", kLeapMorning), "2024-02-29 07:05:09");
    EXPECT_EQ(FormatDatePattern("%dd%mm%yyyy", 0), "01011970");
    EXPECT_EQ(FormatDatePattern("100% %x %y", kLeapMorning), "100% %x %y");
    EXPECT_EQ(TimeOfDayText(kLeapMorning), "07:05:09");
}

TEST(FormatDuration, WritesDaysAndPaddedTime) {
    EXPECT_EQ(FormatDuration(0), "00:00:00");
    EXPECT_EQ(FormatDuration(3725), "01:02:05");
    EXPECT_EQ(FormatDuration(86399), "23:59:59");
    EXPECT_EQ(FormatDuration(86400), "1 Tage 00:00:00");
    EXPECT_EQ(FormatDuration(90061), "1 Tage 01:01:01");
    EXPECT_EQ(FormatDuration(100LL * 86400 + 5), "100 Tage 00:00:05");
}

TEST(LocalSeconds, CountsTheWallClockAsUtc) {
    const time_t now = time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const int64_t seconds = LocalSecondsNow();
    // The same wall-clock minute, whatever the time zone.
    EXPECT_NEAR(static_cast<double>(seconds % 86400),
                static_cast<double>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec), 2.0);
}

}  // namespace
}  // namespace sonvaro
