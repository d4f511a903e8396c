#include "core/clock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

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

// Sets TZ for one scope and puts the old value back.
class TimeZoneScope {
  public:
    explicit TimeZoneScope(const char* zone) {
        if (const char* old = std::getenv("TZ")) old_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZoneScope() {
        if (old_)
            setenv("TZ", old_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

  private:
    std::optional<std::string> old_;
};

TEST(LocalSeconds, CountsTheWallClockAsUtc) {
    // Zones written out in POSIX form: no time-zone database needed, no summer time.
    const struct {
        const char* zone;
        int64_t offset;
    } zones[] = {{"UTC0", 0}, {"XST-5:30", 5 * 3600 + 30 * 60}, {"YST8", -8 * 3600}};
    for (const auto& z : zones) {
        TimeZoneScope scope(z.zone);
        const int64_t before = time(nullptr);
        const int64_t seconds = LocalSecondsNow();
        const int64_t after = time(nullptr);
        EXPECT_GE(seconds - z.offset, before) << z.zone;
        EXPECT_LE(seconds - z.offset, after) << z.zone;
    }
}

}  // namespace
}  // namespace sonvaro
