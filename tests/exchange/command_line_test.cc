#include "exchange/command_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/temp_root.h"

namespace almanix::exchange {
namespace {

using ::testing::ElementsAre;

TEST(ProgramArgumentsTest, ReadsCalendarCsvAndPublish) {
  almanix::testing::TempRoot root;
  const std::string csv = root / "new events.CSV";
  almanix::testing::WriteAll(csv, "x\r\n");
  ProgramArguments a = ParseProgramArguments({"\"/data/club.cal\"", "\"" + csv + "\"", "-P"});
  EXPECT_EQ(a.calendar, "/data/club.cal");
  EXPECT_EQ(a.csv, csv);
  EXPECT_TRUE(a.publish);
  // -p as the second argument; a missing CSV file is no CSV file.
  a = ParseProgramArguments({"club.cal", "-p"});
  EXPECT_TRUE(a.publish);
  EXPECT_TRUE(a.csv.empty());
  a = ParseProgramArguments({"club.cal", root / "gone.csv"});
  EXPECT_TRUE(a.csv.empty());
  EXPECT_FALSE(a.publish);
  // "-p" only counts as the second or third argument.
  EXPECT_FALSE(ParseProgramArguments({"-p"}).publish);
  EXPECT_FALSE(ParseProgramArguments({"a.cal", csv, "x", "-p"}).publish);
}

TEST(ProgramArgumentsTest, StepsRunInOrderAndEndTheProgram) {
  almanix::testing::TempRoot root;
  const std::string cal = root / "club.cal";
  const std::string csv = root / "more.csv";
  almanix::testing::WriteAll(cal, "zip");
  almanix::testing::WriteAll(csv, "x\r\n");
  std::vector<std::string> done;
  ProgramSteps steps;
  steps.open_calendar = [&](const std::string&) {
    done.push_back("open");
    return Status::Ok();
  };
  steps.import_csv = [&](const std::string&) {
    done.push_back("import");
    return Status::Ok();
  };
  steps.save_calendar = [&] {
    done.push_back("save");
    return Status::Ok();
  };
  steps.publish = [&] {
    done.push_back("publish");
    return Status::Ok();
  };
  ProgramRun run = RunProgramArguments(ParseProgramArguments({cal, csv, "-p"}), steps);
  EXPECT_TRUE(run.status.ok());
  EXPECT_TRUE(run.ends);
  EXPECT_THAT(done, ElementsAre("open", "import", "save", "publish"));

  // Only a calendar: opened, and the program goes on.
  done.clear();
  run = RunProgramArguments(ParseProgramArguments({cal}), steps);
  EXPECT_FALSE(run.ends);
  EXPECT_THAT(done, ElementsAre("open"));

  // A calendar that cannot be opened stops before anything acts on the
  // wrong calendar; a failed import saves nothing.
  done.clear();
  steps.open_calendar = [&](const std::string&) { return Status::IoError("bad archive"); };
  run = RunProgramArguments(ParseProgramArguments({cal, csv, "-p"}), steps);
  EXPECT_FALSE(run.status.ok());
  EXPECT_TRUE(done.empty());
  steps.open_calendar = nullptr;
  steps.import_csv = [&](const std::string&) { return Status::Invalid("no columns"); };
  run = RunProgramArguments(ParseProgramArguments({cal, csv}), steps);
  EXPECT_EQ(run.status.message(), "no columns");
  EXPECT_TRUE(done.empty());
}

}  // namespace
}  // namespace almanix::exchange
