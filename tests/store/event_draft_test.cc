#include "store/event_draft.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace almanix::store
