#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/text.h"
#include "support/cli_runner.h"
#include "support/scoped_env.h"
#include "support/temp_root.h"

namespace almanix {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using testing::ReadAll;

class ICalCommandsTest : public ::testing::Test {
 protected:
  testing::CliResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--root", data_});
    return testing::RunCli(args, root_.path());
  }
  testing::TempRoot root_;
  std::string data_ = root_ / "cal/";
};

TEST_F(ICalCommandsTest, ExportsTheCategorysNotesAndEvents) {
  testing::CliResult added =
      Cli({"event", "add", "--category", "1", "--summary", "Standup, daily", "--start",
           "2025-03-03 09:30", "--end", "2025-03-03 09:45", "--repeat", "weekly", "--every", "2",
           "--weekdays", "2,4", "--skip", "2025-03-05"});
  ASSERT_EQ(added.code, 0) << added.err;
  const std::string id = Trim(added.out);
  ASSERT_EQ(
      Cli({"event", "add", "--category", "2", "--summary", "Elsewhere", "--start", "2025-03-04"})
          .code,
      0);
  ASSERT_EQ(Cli({"note", "set", "--category", "1", "--date", "2025-03-05", "Bring cake"}).code, 0);

  const std::string file = root_ / "work.ics";
  // The writer's zone names the times, whatever the machine's.
  testing::ScopedEnv zone("TZ", "America/New_York");
  testing::CliResult r = Cli({"--year", "2025", "export-ics", "--category", "1", "-o", file});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, file + "\n");
  EXPECT_THAT(r.err, HasSubstr("almanix: Done!!! Export to file '" + file + "' Completed."));

  const std::string text = ReadAll(file);
  const std::string unfolded = ReplaceAll(text, "\r\n ", "");
  EXPECT_THAT(unfolded, HasSubstr("\r\nX-WR-CALNAME:Work\r\nBEGIN:VTIMEZONE\r\n"
                                  "TZID:America/New_York\r\n"));
  EXPECT_THAT(unfolded,
              HasSubstr("\r\nUID:Work" + id + "@Web Almanix\r\nSUMMARY:Standup\\, daily\r\n"));
  EXPECT_THAT(unfolded, HasSubstr("\r\nDTSTART;TZID=America/New_York:20250303T093000\r\n"
                                  "DTEND;TZID=America/New_York:20250303T094500\r\n"
                                  "RRULE:FREQ=WEEKLY;INTERVAL=2;BYDAY=MO,WE;"
                                  "BYMONTH=1,2,3,4,5,6,7,8,9,10,11,12;WKST=MO;"));
  EXPECT_THAT(unfolded, HasSubstr("\r\nEXDATE:20250305T143000Z\r\n"));
  EXPECT_THAT(unfolded, HasSubstr("\r\nSUMMARY:Bring cake\r\nCATEGORIES:Work\r\n"
                                  "DTSTAMP:"));
  EXPECT_THAT(unfolded, HasSubstr("\r\nDTSTART;VALUE=DATE:20250305\r\n"
                                  "DTEND;VALUE=DATE:20250306\r\n"));
  EXPECT_THAT(unfolded, Not(HasSubstr("Elsewhere")));
  EXPECT_EQ(text.substr(text.size() - 15), "END:VCALENDAR\r\n");
}

TEST_F(ICalCommandsTest, UsageAndFailures) {
  EXPECT_EQ(Cli({"export-ics", "--category", "1"}).code, 2);
  EXPECT_EQ(Cli({"export-ics", "--category", "31", "-o", root_ / "x.ics"}).code, 2);
  EXPECT_EQ(Cli({"export-ics", "-o", root_ / "x.ics"}).code, 2);
  EXPECT_EQ(Cli({"export-ics", "--category", "1", "-o", root_ / "x.ics", "--summary", "x"}).code,
            2);
  testing::CliResult help = Cli({"export-ics", "--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_THAT(help.out, HasSubstr("export-ics --category N -o FILE"));

  // A plain file where the folder should be makes the write fail for real.
  testing::WriteAll(root_ / "plain", "x");
  testing::CliResult failed =
      Cli({"--year", "2025", "export-ics", "--category", "1", "-o", root_ / "plain/x.ics"});
  EXPECT_EQ(failed.code, 1);
  EXPECT_THAT(failed.err, Not(HasSubstr("Done!!!")));
  EXPECT_FALSE(testing::Exists(root_ / "plain/x.ics"));
}

}  // namespace
}  // namespace almanix
