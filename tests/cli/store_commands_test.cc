#include <gtest/gtest.h>

#include "app/text.h"
#include "support/cli_runner.h"
#include "support/temp_root.h"

namespace almanix {
namespace {

using testing::ReadAll;

// Drives the built almanix-cli on one calendar folder.
class StoreCommandsTest : public ::testing::Test {
 protected:
  using Result = testing::CliResult;
  Result Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--root", data_});
    return testing::RunCli(args, root_.path());
  }
  std::string Add(std::vector<std::string> args) {
    args.insert(args.begin(), {"event", "add", "--category", "1"});
    Result r = Cli(args);
    EXPECT_EQ(r.code, 0) << r.err;
    return Trim(r.out);
  }
  // The dates of the listed occurrences.
  std::vector<std::string> Dates(const std::string& from, const std::string& to) {
    Result r = Cli({"event", "list", "--category", "1", "--from", from, "--to", to});
    EXPECT_EQ(r.code, 0) << r.err;
    std::vector<std::string> dates;
    for (const std::string& line : SplitLines(r.out)) dates.push_back(line.substr(0, 10));
    return dates;
  }
  using Dates_ = std::vector<std::string>;

  testing::TempRoot root_;
  std::string data_ = root_ / "cal/";
};

TEST_F(StoreCommandsTest, DailyAndSkippedDays) {
  Add({"--summary", "Every third day", "--start", "2010-01-04", "--repeat", "daily",
       "--every", "3"});
  EXPECT_EQ(Dates("2010-01-01", "2010-01-13"),
            (Dates_{"2010-01-04", "2010-01-07", "2010-01-10", "2010-01-13"}));
  Cli({"event", "delete", "1"});
  Add({"--summary", "Skipping", "--start", "2010-01-04", "--repeat", "daily", "--every", "3",
       "--skip", "2010-01-07"});
  EXPECT_EQ(Dates("2010-01-01", "2010-01-10"), (Dates_{"2010-01-04", "2010-01-10"}));
}

TEST_F(StoreCommandsTest, WeeksFollowTheWeekNumbersOfTheYear) {
  Add({"--summary", "Tue Thu", "--start", "2010-01-05 09:30", "--repeat", "weekly",
       "--every", "2", "--weekdays", "3,5"});
  EXPECT_EQ(Dates("2010-01-01", "2010-01-22"),
            (Dates_{"2010-01-05", "2010-01-07", "2010-01-19", "2010-01-21"}));
  Result r = Cli({"event", "list", "--from", "2010-01-05", "--to", "2010-01-05"});
  EXPECT_EQ(r.out, "2010-01-05\t09:30\t1\tTue Thu\n");
  Cli({"event", "delete", "1"});
  // 2015 has 53 weeks: week 53 and the next week 1 are one week apart.
  Add({"--summary", "Fortnightly", "--start", "2015-01-01", "--repeat", "weekly",
       "--every", "2", "--weekdays", "3"});
  EXPECT_EQ(Dates("2015-12-20", "2016-01-12"), (Dates_{"2015-12-29", "2016-01-05"}));
}

TEST_F(StoreCommandsTest, WeekOfTheMonthPatterns) {
  Add({"--summary", "Second Tuesday", "--start", "2010-01-01", "--repeat", "weekly",
       "--every", "2", "--weekdays", "3", "--pattern", "week-of-month"});
  EXPECT_EQ(Dates("2010-01-02", "2010-01-31"), Dates_{"2010-01-12"});
  Cli({"event", "delete", "1"});
  Add({"--summary", "Second row", "--start", "2010-01-01", "--repeat", "weekly",
       "--every", "2", "--weekdays", "3", "--pattern", "week-of-month-absolute"});
  EXPECT_EQ(Dates("2010-01-02", "2010-01-31"), Dates_{"2010-01-05"});
}

TEST_F(StoreCommandsTest, MonthlyYearlyAndAllDay) {
  Add({"--summary", "Pay day", "--start", "2010-01-01", "--repeat", "monthly",
       "--monthdays", "1,15", "--months", "1,2,3", "--allday"});
  // April is not an active month.
  EXPECT_EQ(Dates("2010-03-14", "2010-04-16"), Dates_{"2010-03-15"});
  EXPECT_EQ(Dates("2010-04-02", "2010-04-30"), Dates_{});
  Result r = Cli({"event", "list", "--from", "2010-03-15", "--to", "2010-03-15"});
  EXPECT_EQ(r.out, "2010-03-15\t--:--\t1\tPay day\n");
  Add({"--summary", "Valentine", "--start", "2010-02-14", "--repeat", "yearly"});
  EXPECT_EQ(Dates("2011-02-13", "2011-02-14"), Dates_{"2011-02-14"});
}

TEST_F(StoreCommandsTest, MultiDayEventsRepeatDailyToTheirLastDay) {
  Add({"--summary", "Fair", "--start", "2010-06-10 10:00", "--end", "2010-06-12 18:00"});
  EXPECT_EQ(Dates("2010-06-01", "2010-06-30"),
            (Dates_{"2010-06-10", "2010-06-11", "2010-06-12"}));
}

TEST_F(StoreCommandsTest, NotesHolidaysAndDeletion) {
  EXPECT_EQ(Cli({"note", "set", "--category", "2", "--date", "2011-07-04", "Fireworks"}).code, 0);
  EXPECT_EQ(Cli({"holiday", "set", "--date", "2011-07-05", "Day after"}).code, 0);
  EXPECT_EQ(Cli({"event", "delete", "99"}).code, 1);
  std::string id = Add({"--summary", "Gone", "--start", "2011-07-04", "--set", "Location=Park"});
  EXPECT_EQ(Cli({"event", "delete", id}).code, 0);
  EXPECT_EQ(Dates("2011-07-01", "2011-07-31"), Dates_{});
  // The year table for 2011 was made on the way, with the notes in it.
  EXPECT_NE(ReadAll(data_ + "DB/Year2011.db").find("Fireworks"), std::string::npos);
  EXPECT_NE(ReadAll(data_ + "DB/Year2011.db").find("Day after"), std::string::npos);
}

TEST_F(StoreCommandsTest, BadInputIsAUsageError) {
  EXPECT_EQ(Cli({"event", "add", "--summary", "x", "--start", "2010-01-01"}).code, 2);
  EXPECT_EQ(Cli({"event", "add", "--category", "31", "--summary", "x", "--start", "2010-01-01"}).code, 2);
  EXPECT_EQ(Cli({"event", "add", "--category", "1", "--summary", "x", "--start", "2010-02-30"}).code, 2);
  EXPECT_EQ(Cli({"event", "add", "--category", "1", "--summary", "x", "--start", "2010-01-01 25:00"}).code, 2);
  EXPECT_EQ(Cli({"event", "add", "--category", "1", "--summary", "x", "--start", "2010-01-01",
                 "--weekdays", "0,8"}).code, 2);
  Result bad_set = Cli({"event", "add", "--category", "1", "--summary", "x", "--start",
                        "2010-01-01", "--set", "NoSuchColumn=1"});
  EXPECT_EQ(bad_set.code, 2);
  EXPECT_NE(bad_set.err.find("--set wants Column=Value"), std::string::npos);
  EXPECT_EQ(Cli({"event", "list", "--from", "2010-01-02", "--to", "2010-01-01"}).code, 2);
  EXPECT_EQ(Cli({"event", "frobnicate"}).code, 2);
  EXPECT_EQ(Cli({"note", "set", "--category", "1", "--date", "2010-01-01"}).code, 2);
  // Nothing was stored by the failed commands.
  EXPECT_EQ(Dates("2010-01-01", "2010-12-31"), Dates_{});
}

TEST_F(StoreCommandsTest, TextWithQuotesIsStoredAsTyped) {
  std::string id = Add({"--summary", "Tom & Jerry's \"party\"; DROP TABLE Events",
                        "--start", "2010-05-01"});
  Result r = Cli({"event", "list", "--from", "2010-05-01", "--to", "2010-05-01"});
  EXPECT_EQ(r.out, "2010-05-01\t00:00\t" + id + "\tTom & Jerry's \"party\"; DROP TABLE Events\n");
}

}  // namespace
}  // namespace almanix
