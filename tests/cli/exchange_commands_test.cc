#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/cli_runner.h"
#include "support/temp_root.h"

namespace almanix {
namespace {

using ::testing::HasSubstr;
using testing::WriteAll;

class ExchangeCommandsTest : public ::testing::Test {
 protected:
  testing::CliResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--root", data_});
    return testing::RunCli(args, root_.path());
  }
  testing::TempRoot root_;
  std::string data_ = root_ / "cal/";
};

TEST_F(ExchangeCommandsTest, ImportCsvMapsColumnsAndRemembersThem) {
  const std::string file = root_ / "club.csv";
  WriteAll(file, "Date,Time,Name,Where\r\n1/31/2025,7:00 pm,Roundtable,Town Hall\r\n"
                 "2/1/2025,,Fair,Park\r\n");
  testing::CliResult first = Cli({"import-csv", file, "--category", "1", "--map",
                                  "StartDate=1,StartTime=2,EventName=3,EventLocation=4",
                                  "--start-line", "2"});
  ASSERT_EQ(first.code, 0) << first.err;
  EXPECT_EQ(first.out, "2 events imported\n");
  EXPECT_THAT(first.err, HasSubstr("Imported  3 out of 3 lines"));
  testing::CliResult listed = Cli({"event", "list", "--from", "2025-01-01", "--to", "2025-02-28"});
  EXPECT_EQ(listed.out, "2025-01-31\t19:00\t1\tRoundtable\n2025-02-01\t--:--\t2\tFair\n");

  // The second time the saved choices are used; the default policy replaces.
  testing::CliResult again = Cli({"import-csv", file, "--category", "1"});
  ASSERT_EQ(again.code, 0) << again.err;
  listed = Cli({"event", "list", "--from", "2025-01-01", "--to", "2025-02-28"});
  EXPECT_EQ(listed.out, "2025-01-31\t19:00\t1\tRoundtable\n2025-02-01\t--:--\t2\tFair\n");
}

TEST_F(ExchangeCommandsTest, ImportCsvRefusesBadInput) {
  const std::string file = root_ / "bad.csv";
  WriteAll(file, "soon,Party\r\n3/1/2025,Walk\r\n");
  EXPECT_EQ(Cli({"import-csv", file}).code, 2);  // no category
  EXPECT_EQ(Cli({"import-csv", file, "--category", "1", "--map", "Nme=2"}).code, 2);
  EXPECT_EQ(Cli({"import-csv", root_ / "missing.csv", "--category", "1"}).code, 1);
  testing::CliResult partly =
      Cli({"import-csv", file, "--category", "1", "--map", "StartDate=1,EventName=2"});
  EXPECT_EQ(partly.code, 1);
  EXPECT_EQ(partly.out, "1 events imported\n");
  EXPECT_THAT(partly.err, HasSubstr("Could not import event on line 1 Reason : Could not "
                                    "convert date. Needs format (m/d/yyyy) got soon."));
  testing::CliResult stopped = Cli({"import-csv", file, "--category", "1", "--map",
                                    "StartDate=1,EventName=2", "--duplicates", "allow",
                                    "--stop-on-error"});
  EXPECT_EQ(stopped.out, "0 events imported\n");
}

TEST_F(ExchangeCommandsTest, EventTablesTravelBetweenCalendars) {
  auto add = [&](const char* category, const char* summary, const char* start) {
    testing::CliResult r = Cli({"event", "add", "--category", category, "--summary", summary,
                                "--start", start, "--categories", "1,3"});
    ASSERT_EQ(r.code, 0) << r.err;
  };
  add("3", "Choir", "2025-03-12 19:00");
  add("1", "Quiz", "2025-03-13 20:00");  // lists category 3 too, but was made in 1
  const std::string team = root_ / "Team.db.db";
  testing::CliResult exported = Cli({"export-events", team, "--category", "3"});
  ASSERT_EQ(exported.code, 0) << exported.err;
  EXPECT_THAT(exported.err, HasSubstr("Events have Been Exported to " + team));

  // Another calendar takes them in.
  const std::string other = root_ / "other/";
  auto other_cli = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"--root", other});
    return testing::RunCli(args, root_.path());
  };
  testing::CliResult kept = other_cli({"import-events", team, "--keep-categories"});
  ASSERT_EQ(kept.code, 0) << kept.err;
  EXPECT_EQ(kept.out, "1 events imported\n");
  EXPECT_EQ(other_cli({"event", "list", "--category", "3", "--from", "2025-03-01", "--to",
                       "2025-03-31"})
                .out,
            "2025-03-12\t19:00\t1\tChoir\n");

  // All events, added again into category 2: new IDs, only in category 2.
  const std::string all = root_ / "Events.db";
  ASSERT_EQ(Cli({"export-events", all}).code, 0);
  testing::CliResult into = Cli({"import-events", all, "--category", "2"});
  ASSERT_EQ(into.code, 0) << into.err;
  EXPECT_EQ(into.out, "2 events imported\n");
  EXPECT_EQ(Cli({"event", "list", "--category", "2", "--from", "2025-03-01", "--to",
                 "2025-03-31"})
                .out,
            "2025-03-12\t19:00\t3\tChoir\n2025-03-13\t20:00\t4\tQuiz\n");
  EXPECT_EQ(Cli({"import-events", all}).code, 2);
  EXPECT_EQ(Cli({"import-events", root_ / "none.db", "--category", "1"}).code, 1);
}

TEST_F(ExchangeCommandsTest, CalendarFileCsvAndPublishOnTheProgramLine) {
  const std::string cal = root_ / "club.cal";
  // "-p" publishes with the saved settings of the first category's favorite.
  testing::CliResult made =
      Cli({"favorite", "create", "Work", "--categories", "1", "--set", "Publish.Destination=File",
           "--set", "Publish.DirName=" + root_ / "site/"});
  ASSERT_EQ(made.code, 0) << made.err;
  ASSERT_EQ(Cli({"save", cal}).code, 0);
  const std::string csv = root_ / "more.csv";
  WriteAll(csv, "3/3/2025,Extra meeting\r\n");
  // An earlier import remembers the file's columns.
  ASSERT_EQ(Cli({"import-csv", csv, "--category", "1", "--map", "StartDate=1,EventName=2"}).code,
            0);
  ASSERT_EQ(Cli({"event", "delete", "1"}).code, 0);
  testing::CliResult run = Cli({"--year", "2025", "\"" + cal + "\"", csv, "-p"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_THAT(run.out, HasSubstr("1 events imported\n"));
  EXPECT_THAT(run.out, HasSubstr("published Work\n"));
  EXPECT_TRUE(testing::Exists(root_ / "site/Calendar.html"));
  // The import was saved into the calendar file.
  testing::CliResult listed = testing::RunCli(
      {"--root", root_ / "fresh/", "--calendar", cal, "event", "list", "--from", "2025-03-03",
       "--to", "2025-03-03"},
      root_.path());
  EXPECT_THAT(listed.out, HasSubstr("Extra meeting"));
  EXPECT_EQ(Cli({root_ / "missing.cal", "-p"}).code, 1);
}

TEST_F(ExchangeCommandsTest, ProgramLineCsvWithoutSavedColumnsOrWithBadLinesFails) {
  const std::string cal = root_ / "club.cal";
  ASSERT_EQ(Cli({"save", cal}).code, 0);
  const std::string csv = root_ / "new.csv";
  WriteAll(csv, "3/3/2025,Extra meeting\r\n2/30/2025,No such day\r\n");
  testing::CliResult run = Cli({cal, csv});
  EXPECT_EQ(run.code, 1);
  EXPECT_THAT(run.err, HasSubstr("no column choices are saved for " + csv +
                                 "; choose them once with: almanix-cli import-csv " + csv +
                                 " --category 1 --map EventName=N"));
  EXPECT_EQ(run.out, "");

  // With the choices saved, the good line is imported and saved, and the
  // bad one makes the run a failure.
  ASSERT_EQ(Cli({"import-csv", csv, "--category", "2", "--map", "StartDate=1,EventName=2"}).code,
            1);
  run = Cli({cal, csv});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.out, "1 events imported\n");
  // The cause follows on its own line.
  EXPECT_THAT(run.err, HasSubstr("Error importint line 2 2/30/2025,\"No such day\"\n"
                                 "almanix:   no such date: 2/30/2025"));
  EXPECT_THAT(run.err, HasSubstr("1 lines of " + csv + " could not be imported"));
  testing::CliResult listed = testing::RunCli(
      {"--root", root_ / "fresh/", "--calendar", cal, "event", "list", "--from", "2025-03-03",
       "--to", "2025-03-03"},
      root_.path());
  EXPECT_THAT(listed.out, HasSubstr("Extra meeting"));
}

TEST_F(ExchangeCommandsTest, ImportIcsAddsTheFilesEvents) {
  const std::string file = root_ / "club.ics";
  WriteAll(file,
           "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//T//EN\r\nBEGIN:VEVENT\r\nUID:1\r\n"
           "DTSTAMP:20250101T000000Z\r\nDTSTART:20250304T093000\r\nSUMMARY:Walk\r\n"
           "RRULE:FREQ=WEEKLY;COUNT=2\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
  testing::CliResult r = Cli({"import-ics", file, "--category", "1"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "1 events imported\n");
  EXPECT_EQ(Cli({"event", "list", "--from", "2025-03-01", "--to", "2025-03-31"}).out,
            "2025-03-04\t09:30\t1\tWalk\n2025-03-11\t09:30\t1\tWalk\n");
  EXPECT_EQ(Cli({"import-ics", file}).code, 2);
  WriteAll(file, "nonsense");
  EXPECT_EQ(Cli({"import-ics", file, "--category", "1"}).code, 1);

  // An event without a start is left out and makes the import a failure;
  // the others are kept.
  WriteAll(file,
           "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:2\r\nSUMMARY:No day\r\n"
           "END:VEVENT\r\nBEGIN:VEVENT\r\nUID:3\r\nDTSTART:20250305T100000\r\n"
           "SUMMARY:Swim\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
  r = Cli({"import-ics", file, "--category", "1"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "1 events imported\n");
  EXPECT_THAT(r.err, HasSubstr("1 of 2 events of " + file + " could not be imported"));
  EXPECT_THAT(Cli({"event", "list", "--from", "2025-03-05", "--to", "2025-03-05"}).out,
              HasSubstr("Swim"));
}

}  // namespace
}  // namespace almanix
