#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/file_util.h"
#include "app/text.h"
#include "support/cli_runner.h"
#include "support/temp_root.h"

namespace almanix {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// The command line as a person types it: every command refuses what it does
// not know, before anything runs.
class OptionsTest : public ::testing::Test {
 protected:
  using Result = testing::CliResult;
  Result Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--root", data_});
    return testing::RunCli(args, root_.path());
  }
  std::string Listed() {
    Result r = Cli({"event", "list", "--from", "2010-01-01", "--to", "2010-01-31"});
    EXPECT_EQ(r.code, 0) << r.err;
    return r.out;
  }

  testing::TempRoot root_;
  std::string data_ = root_ / "cal/";
};

TEST_F(OptionsTest, AMisspeltOptionIsRefusedWithTheNearestKnownOne) {
  Result r = Cli({"event", "add", "--category", "1", "--summary", "Picnic", "--start",
                  "2010-01-05 12:00", "--all-day"});
  EXPECT_EQ(r.code, 2);
  EXPECT_THAT(r.err, StartsWith("almanix: unknown option --all-day (did you mean --allday?)\n"));
  EXPECT_FALSE(DirectoryExists(data_ + "DB"));  // nothing ran
  Result list = Cli({"event", "list", "--categoryy", "1", "--from", "2010-01-01", "--to",
                     "2010-01-31"});
  EXPECT_EQ(list.code, 2);
  EXPECT_THAT(list.err, HasSubstr("unknown option --categoryy (did you mean --category?)"));
  // The same option spelt right does what it says.
  Result added = Cli({"event", "add", "--category", "1", "--summary", "Picnic", "--start",
                      "2010-01-05 12:00", "--allday"});
  ASSERT_EQ(added.code, 0) << added.err;
  EXPECT_EQ(Listed(), "2010-01-05\t--:--\t1\tPicnic\n");
}

TEST_F(OptionsTest, EveryCommandRefusesAnUnknownOption) {
  const std::string file = root_ / "x.csv";
  testing::WriteAll(file, "a,b\n");
  const std::vector<std::vector<std::string>> lines = {
      {"init"},
      {"event", "add", "--category", "1", "--summary", "x", "--start", "2010-01-01"},
      {"event", "list", "--from", "2010-01-01", "--to", "2010-01-02"},
      {"event", "delete", "1"},
      {"note", "set", "--category", "1", "--date", "2010-01-01", "text"},
      {"holiday", "set", "--date", "2010-01-01", "text"},
      {"favorite", "create", "Club"},
      {"favorite", "set", "Club", "Page.Title=x"},
      {"favorite", "show", "Club"},
      {"generate", "Club"},
      {"publish", "Club"},
      {"import-csv", file, "--category", "1"},
      {"import-ics", file, "--category", "1"},
      {"export-ics", "--category", "1", "-o", root_ / "x.ics"},
      {"export-events", root_ / "x.db"},
      {"import-events", root_ / "x.db", "--keep-categories"},
      {"new"},
      {"save", root_ / "x.cal"},
      {"open", root_ / "x.cal"},
      {"backup", root_ / "x.zip"},
      {root_ / "x.cal", "-p"},
  };
  for (std::vector<std::string> line : lines) {
    line.push_back("--frobnicate");
    Result r = Cli(line);
    EXPECT_EQ(r.code, 2) << line[0] << " " << line[1] << ": " << r.err;
    EXPECT_THAT(r.err, StartsWith("almanix: unknown option --frobnicate (did you mean --"))
        << line[0];
  }
  EXPECT_FALSE(DirectoryExists(data_ + "DB"));
}

TEST_F(OptionsTest, ValuesAndRepeats) {
  Result missing = Cli({"event", "list", "--from", "2010-01-01", "--to"});
  EXPECT_EQ(missing.code, 2);
  EXPECT_THAT(missing.err, StartsWith("almanix: --to needs a value"));
  // An option where its value should be is a value left out, not a value.
  Result swallowed = Cli({"event", "add", "--category", "1", "--summary", "--start",
                          "2010-01-01"});
  EXPECT_EQ(swallowed.code, 2);
  EXPECT_THAT(swallowed.err, StartsWith("almanix: --summary needs a value"));
  Result twice = Cli({"event", "add", "--category", "1", "--category", "2", "--summary", "x",
                      "--start", "2010-01-01"});
  EXPECT_EQ(twice.code, 2);
  EXPECT_THAT(twice.err, HasSubstr("--category is given twice"));
  Result flag_value = Cli({"event", "add", "--category", "1", "--summary", "x", "--start",
                           "2010-01-01", "--allday=yes"});
  EXPECT_EQ(flag_value.code, 2);
  EXPECT_THAT(flag_value.err, HasSubstr("--allday takes no value"));
  EXPECT_FALSE(DirectoryExists(data_ + "DB"));

  // --name=value, repeated --set, the global --progress anywhere.
  Result added = Cli({"--progress", "event", "add", "--category=1", "--summary=Call",
                      "--start", "2010-01-06 09:00", "--set", "Location=Room 1", "--set",
                      "URL=https://example.org/"});
  ASSERT_EQ(added.code, 0) << added.err;
  EXPECT_EQ(Listed(), "2010-01-06\t09:00\t1\tCall\n");
  // A text that starts with a dash and a digit is a text.
  Result note = Cli({"note", "set", "--category", "1", "--date", "2010-01-06", "-5 degrees"});
  EXPECT_EQ(note.code, 0) << note.err;
}

TEST_F(OptionsTest, OptionsBeforeTheCommandAreTheProgramsOwn) {
  Result early = Cli({"--category", "1", "event", "list"});
  EXPECT_EQ(early.code, 2);
  EXPECT_THAT(early.err, StartsWith("almanix: --category comes after the command"));
  Result global = Cli({"--rooot", data_, "init"});
  EXPECT_EQ(global.code, 2);
  EXPECT_THAT(global.err, HasSubstr("unknown option --rooot (did you mean --root?)"));
  EXPECT_FALSE(DirectoryExists(data_ + "DB"));
}

TEST_F(OptionsTest, VersionNamesTheProgram) {
  Result r = testing::RunCli({"--version"}, root_.path());
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_THAT(r.out, StartsWith("almanix-cli "));
  EXPECT_GT(Trim(r.out).size(), std::string("almanix-cli ").size());
  EXPECT_EQ(r.out.find('\n'), r.out.size() - 1);
}

TEST_F(OptionsTest, EveryCommandPrintsItsOwnUsage) {
  const std::vector<std::vector<std::string>> commands = {
      {"init"},           {"event", "add"},    {"event", "list"},   {"event", "delete"},
      {"note", "set"},    {"holiday", "set"},  {"favorite", "create"}, {"favorite", "set"},
      {"favorite", "show"}, {"generate"},      {"publish"},         {"import-csv"},
      {"import-ics"},     {"export-ics"},      {"export-events"},   {"import-events"},
      {"new"},            {"save"},            {"open"},            {"backup"},
  };
  for (std::vector<std::string> command : commands) {
    std::string name = command[0];
    if (command.size() > 1) name += " " + command[1];
    command.push_back("--help");
    Result r = Cli(command);
    EXPECT_EQ(r.code, 0) << name;
    EXPECT_THAT(r.out, StartsWith("usage: almanix-cli " + name)) << r.out;
    // Its own usage, not the list of every command.
    EXPECT_EQ(r.out.find("Commands"), std::string::npos) << name;
  }
  Result add = Cli({"event", "add", "--help"});
  for (const char* option : {"--allday", "--repeat", "--skip", "--set Column=Value"}) {
    EXPECT_THAT(add.out, HasSubstr(option));
  }
  Result general = Cli({"--help"});
  EXPECT_THAT(general.out, HasSubstr("--progress"));
  EXPECT_THAT(general.out, HasSubstr("--version"));
  EXPECT_FALSE(DirectoryExists(data_ + "DB"));
}

}  // namespace
}  // namespace almanix
