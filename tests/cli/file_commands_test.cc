#include <gtest/gtest.h>

#include "app/file_util.h"
#include "app/text.h"
#include "support/cli_runner.h"
#include "support/temp_root.h"

namespace almanix {
namespace {

using testing::ReadAll;
using testing::WriteAll;

class FileCommandsTest : public ::testing::Test {
 protected:
  using Result = testing::CliResult;
  Result Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--root", data_});
    return testing::RunCli(args, root_.path());
  }

  testing::TempRoot root_;
  std::string data_ = root_ / "data/";
  std::string cal_ = root_ / "Club Calendar.cal";
};

TEST_F(FileCommandsTest, SavedCalendarKeepsEverythingThroughTheCalendarOption) {
  ASSERT_EQ(Cli({"event", "add", "--category", "2", "--summary", "Bake sale", "--start",
                 "2026-05-09 10:00"}).code, 0);
  ASSERT_EQ(Cli({"note", "set", "--category", "2", "--date", "2026-05-09", "Bring tables"}).code, 0);
  WriteAll(data_ + "Attachments/Home/2026-5-09/flyer.txt", "flyer");
  WriteAll(data_ + "Include/logo.png", "png");
  Result saved = Cli({"save", cal_});
  ASSERT_EQ(saved.code, 0) << saved.err;
  EXPECT_EQ(saved.out, cal_ + "\n");

  // A second, empty data folder opens the file and changes it.
  data_ = root_ / "other/";
  Result added = Cli({"--calendar", cal_, "event", "add", "--category", "2", "--summary",
                      "Clean-up", "--start", "2026-05-10"});
  ASSERT_EQ(added.code, 0) << added.err;
  Result list = Cli({"--calendar", cal_, "event", "list", "--from", "2026-05-09", "--to",
                     "2026-05-10"});
  ASSERT_EQ(list.code, 0) << list.err;
  EXPECT_EQ(list.out, "2026-05-09\t10:00\t1\tBake sale\n2026-05-10\t00:00\t2\tClean-up\n");
  Result opened = Cli({"open", cal_});
  ASSERT_EQ(opened.code, 0) << opened.err;
  std::string wd = Trim(opened.out);
  EXPECT_EQ(ReadAll(wd + "Attachments/Home/2026-5-09/flyer.txt"), "flyer");
  EXPECT_EQ(ReadAll(wd + "Include/logo.png"), "png");
  EXPECT_NE(ReadAll(wd + "DB/Year2026.db").find("Bring tables"), std::string::npos);
  // Sorted, the empty entry first.
  EXPECT_NE(ReadAll(data_ + "Config/application.ini").find("Reopen2=" + cal_),
            std::string::npos);
}

TEST_F(FileCommandsTest, NewAndBackup) {
  Result made = Cli({"new"});
  ASSERT_EQ(made.code, 0) << made.err;
  EXPECT_NE(made.out.find("/NewCal/"), std::string::npos) << made.out;
  std::string zip = root_ / "backup.zip";
  Result backup = Cli({"backup", zip});
  ASSERT_EQ(backup.code, 0) << backup.err;
  EXPECT_TRUE(FileExists(zip));
}

TEST_F(FileCommandsTest, BadCalendarFilesFail) {
  WriteAll(cal_, "not an archive");
  Result r = Cli({"open", cal_});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("almanix: "), std::string::npos);
  EXPECT_EQ(Cli({"--calendar", root_ / "missing.cal", "event", "list", "--from",
                 "2026-01-01", "--to", "2026-01-02"}).code, 1);
  EXPECT_EQ(ReadAll(cal_), "not an archive");  // untouched
  EXPECT_EQ(Cli({"save"}).code, 2);
}

}  // namespace
}  // namespace almanix
