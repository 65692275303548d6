#include "store/zip_format.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "support/scoped_env.h"

namespace almanix::store::zip {
namespace {

class ZoneTest : public ::testing::TestWithParam<const char*> {
 protected:
  almanix::testing::ScopedTimeZone zone_{GetParam()};
};

// What mktime makes of the same fields: the reference our conversion has
// to meet without calling it per entry.
time_t WithMktime(std::uint16_t time, std::uint16_t date) {
  struct tm tm {};
  tm.tm_year = (date >> 9) + 80;
  tm.tm_mon = ((date >> 5) & 15) - 1;
  tm.tm_mday = date & 31;
  tm.tm_hour = time >> 11;
  tm.tm_min = (time >> 5) & 63;
  tm.tm_sec = (time & 31) * 2;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

TEST_P(ZoneTest, DosTimesAgreeWithTheZoneBothWays) {
  DosClock clock;
  // Every 7 hours and 13 seconds from 1980 to 2040 crosses every change of
  // offset in these zones at a different time of day.
  for (time_t when = 315532800 + 86400; when < 2208988800;
       when += 7 * 3600 + 13) {
    std::uint16_t time = 0;
    std::uint16_t date = 0;
    clock.ToDos(when, &time, &date);
    struct tm local {};
    ::localtime_r(&when, &local);
    ASSERT_EQ(date >> 9, local.tm_year - 80) << when;
    ASSERT_EQ((date >> 5) & 15, local.tm_mon + 1) << when;
    ASSERT_EQ(date & 31, local.tm_mday) << when;
    ASSERT_EQ(time >> 11, local.tm_hour) << when;
    ASSERT_EQ((time >> 5) & 63, local.tm_min) << when;
    ASSERT_EQ((time & 31) * 2, local.tm_sec & ~1) << when;
    // Back again: the same moment in two-second steps, but in the hour a
    // zone repeats in autumn, where either moment is a fair reading; there
    // mktime must find one with the same wall time too.
    time_t back = clock.FromDos(time, date);
    time_t reference = WithMktime(time, date);
    const time_t exact = when - (local.tm_sec & 1);
    for (time_t reading : {back, reference}) {
      if (reading == exact) continue;
      struct tm again {};
      ::localtime_r(&reading, &again);
      ASSERT_EQ(again.tm_hour, local.tm_hour) << when;
      ASSERT_EQ(again.tm_min, local.tm_min) << when;
      ASSERT_EQ(again.tm_mday, local.tm_mday) << when;
      ASSERT_NE(again.tm_gmtoff, local.tm_gmtoff) << when;
    }
  }
}

TEST_P(ZoneTest, FieldsOutOfRangeRunOnLikeMktime) {
  DosClock clock;
  // Month 0 and 13, day 0, second 62, hour 25: damaged or odd writers.
  const std::uint16_t dates[] = {30 << 9 | 0 << 5 | 5, 30 << 9 | 13 << 5 | 1,
                                 30 << 9 | 3 << 5 | 0, 0 << 9 | 1 << 5 | 1};
  const std::uint16_t times[] = {0, 31, 25 << 11 | 59 << 5 | 31};
  for (std::uint16_t date : dates) {
    for (std::uint16_t time : times) {
      EXPECT_EQ(clock.FromDos(time, date), WithMktime(time, date))
          << date << " " << time;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Zones, ZoneTest,
                         ::testing::Values("UTC", "Europe/Berlin",
                                           "America/New_York",
                                           "Australia/Lord_Howe",
                                           "EST5EDT,M3.2.0,M11.1.0"));

TEST(DosClockTest, TimesOutsideDosYearsAreHeldAtItsEdges) {
  ::setenv("TZ", "UTC", 1);
  DosClock clock;
  std::uint16_t time = 0;
  std::uint16_t date = 0;
  clock.ToDos(86400 * 365 + 3600, &time, &date);  // 1971-01-01 01:00
  EXPECT_EQ(date >> 9, 0);  // 1980
  EXPECT_EQ(date & 0x1ff, 1 << 5 | 1);
  EXPECT_EQ(time >> 11, 1);
  clock.ToDos(4354819200, &time, &date);  // 2108-01-01
  EXPECT_EQ(date, 127 << 9 | 12 << 5 | 31);
  EXPECT_EQ(time, 23 << 11 | 59 << 5 | 29);
  ::unsetenv("TZ");
  ::tzset();
}

}  // namespace
}  // namespace almanix::store::zip
