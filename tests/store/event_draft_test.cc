#include "store/event_draft.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace almanix::store {
namespace {

TEST(EventDateColumns, StartAndEndColumnsAgree) {
  const DateTimeValue start = EncodeDate(2010, 3, 5) + EncodeTime(20, 30, 0, 0);
  const DateTimeValue end = EncodeDate(2010, 3, 7) + EncodeTime(9, 5, 0, 0);
  EventDateColumns c = EventDateColumns::For(start, end);
  EXPECT_EQ(c.s_date, "40242");
  EXPECT_EQ(c.s_time, "854166");
  EXPECT_EQ(c.e_date, "40244");
  EXPECT_EQ(c.e_time, "378472");
  EXPECT_EQ(c.i_year, "2010");
  EXPECT_EQ(c.i_month, "3");
  EXPECT_EQ(c.i_day, "5");
  EXPECT_EQ(c.caption, "08:30 pm");
  EXPECT_EQ(c.s_date_time, "40242.8541666667");
  EXPECT_EQ(c.e_date_time, "40244.3784722222");

  // The imports' caption patterns.
  EXPECT_EQ(EventDateColumns::For(start, end, "h:mmam/pm").caption, "8:30pm");
  EXPECT_EQ(EventDateColumns::For(start, end, "hh:mm ").caption, "20:30 ");
  // Noon is 500000; an all-day start is midnight.
  EXPECT_EQ(EventDateColumns::For(40179.5, 40179.5).s_time, "500000");
  EXPECT_EQ(EventDateColumns::For(40179, 40179).caption, "12:00 am");
  EXPECT_EQ(SkippedDaysText({40185, 40190}), "40185,40190");
  EXPECT_EQ(SkippedDaysText({}), "");
}

// The stored date-time text is what "%.15g" has always written: rows written
// before and after must compare equal (duplicate checks, the day queries).
TEST(DateValueText, WritesWhatPrintfWrote) {
  const DateTimeValue values[] = {0,       -1.25,         40242.8541666667, 46000,
                                  2.5e-7,  1e15,          123456789012345.6, -693593.999988426,
                                  0.1,     45658.0006944444, 1.0 / 3, 2958465.99998843};
  for (DateTimeValue v : values) {
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.15g", v);
    EXPECT_EQ(DateValueText(v), std::string(expected)) << v;
  }
  for (int day = 40000; day < 40040; ++day) {
    for (int minute = 0; minute < 1440; minute += 7) {
      const DateTimeValue v = day + EncodeTime(minute / 60, minute % 60, 0, 0);
      char expected[64];
      std::snprintf(expected, sizeof expected, "%.15g", v);
      ASSERT_EQ(DateValueText(v), std::string(expected)) << v;
    }
  }
}

}  // namespace
}  // namespace almanix::store
