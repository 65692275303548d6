#include "publish/republish_schedule.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/log.h"
#include "app/text.h"
#include "support/temp_root.h"

namespace almanix::publish {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using testing::Exists;
using testing::ReadAll;
using testing::WriteAll;

// systemctl and crontab as a machine would answer them: calls are recorded,
// crontab keeps its table, and either program can be missing.
class FakeRunner : public CommandRunner {
 public:
  CommandOutcome Run(const std::vector<std::string>& argv, const std::string& input) override {
    calls.push_back(Join(argv));
    if (argv[0] == "systemctl") {
      if (!systemd) return {-1, ""};
      if (argv.size() > 2 && argv[2] == "enable") return {enable_fails ? 1 : 0, ""};
      return {0, ""};
    }
    if (argv[0] == "crontab") {
      if (!cron) return {-1, ""};
      if (argv[1] == "-l") return table ? CommandOutcome{0, *table} : CommandOutcome{1, ""};
      table = input;
      return {0, ""};
    }
    return {-1, ""};
  }
  static std::string Join(const std::vector<std::string>& argv) {
    std::string out;
    for (const std::string& a : argv) out += (out.empty() ? "" : " ") + a;
    return out;
  }

  bool systemd = true;
  bool cron = true;
  bool enable_fails = false;
  std::optional<std::string> table;
  std::vector<std::string> calls;
};

class RepublishScheduleTest : public ::testing::Test {
 protected:
  RepublishScheduleTest() {
    env_.cli_path = "/opt/almanix/bin/almanix-cli";
    env_.root = root_ / "cal";
    env_.systemd_dir = root_ / "config/systemd/user/";
    env_.log_folder = root_ / "Log/";
    env_.runner = &runner_;
    std::filesystem::create_directories(env_.log_folder);
  }
  RepublishSchedule Schedule() { return RepublishSchedule(env_); }
  std::string Unit(const std::string& ext) const {
    return env_.systemd_dir + "almanix-publish-Club" + ext;
  }

  testing::TempRoot root_;
  FakeRunner runner_;
  ScheduleEnv env_;
};

TEST_F(RepublishScheduleTest, UnitFilesRunThePublishOfTheirRoot) {
  env_.root = "/home/a b/100% $HOME \"x\"";
  const std::string service = Schedule().ServiceText("Club");
  // systemd would expand % and $ and split at the blanks: each word arrives
  // as written only quoted and with those doubled.
  EXPECT_THAT(service, HasSubstr("ExecStart=\"/opt/almanix/bin/almanix-cli\" \"--root\" "
                                 "\"/home/a b/100%% $$HOME \\\"x\\\"\" \"publish\" \"Club\" "
                                 "\"--scheduled\"\n"));
  EXPECT_THAT(service, HasSubstr("Type=oneshot\n"));

  const std::string daily = RepublishSchedule::TimerText("Club", RepublishEvery::kDaily);
  EXPECT_THAT(daily, HasSubstr("OnCalendar=daily\n"));
  EXPECT_THAT(daily, HasSubstr("Persistent=true\n"));
  EXPECT_THAT(daily, HasSubstr("WantedBy=timers.target\n"));
  EXPECT_THAT(RepublishSchedule::TimerText("Club", RepublishEvery::kWeekly),
              HasSubstr("OnCalendar=weekly\n"));

  env_.root.clear();
  EXPECT_THAT(Schedule().RunArguments("Club"),
              ElementsAre("/opt/almanix/bin/almanix-cli", "publish", "Club", "--scheduled"));
}

TEST_F(RepublishScheduleTest, UnitNamesEscapeWhatSystemdDoesNotTakeAndReadBack) {
  EXPECT_EQ(RepublishSchedule::UnitName("Club"), "almanix-publish-Club");
  EXPECT_EQ(RepublishSchedule::UnitName("My Club-2"), "almanix-publish-My\\x20Club\\x2d2");
  for (const std::string name : {"Club", "My Club-2", ".hidden", "Café", "a\\b", "x_y.z"}) {
    EXPECT_EQ(RepublishSchedule::NameOfUnit(RepublishSchedule::UnitName(name)), name);
  }
  EXPECT_EQ(RepublishSchedule::NameOfUnit("other-unit"), std::nullopt);
  EXPECT_EQ(RepublishSchedule::NameOfUnit("almanix-publish-bad\\x2"), std::nullopt);
}

TEST_F(RepublishScheduleTest, SystemdTimerIsWrittenEnabledReadAndRemoved) {
  ASSERT_TRUE(Schedule().Set("Club", RepublishEvery::kWeekly).ok());
  EXPECT_THAT(ReadAll(Unit(".timer")), HasSubstr("OnCalendar=weekly"));
  EXPECT_THAT(ReadAll(Unit(".service")), HasSubstr("\"publish\" \"Club\""));
  EXPECT_THAT(runner_.calls, ::testing::Contains("systemctl --user daemon-reload"));
  EXPECT_THAT(runner_.calls,
              ::testing::Contains("systemctl --user enable --now almanix-publish-Club.timer"));

  ScheduleInfo info = Schedule().Get("Club");
  EXPECT_EQ(info.every, RepublishEvery::kWeekly);
  EXPECT_EQ(info.by, "systemd");
  EXPECT_EQ(info.last_run, "");

  // Daily replaces weekly rather than adding a second timer.
  ASSERT_TRUE(Schedule().Set("Club", RepublishEvery::kDaily).ok());
  ASSERT_EQ(Schedule().List().size(), 1u);
  EXPECT_EQ(Schedule().List()[0].every, RepublishEvery::kDaily);

  runner_.calls.clear();
  ASSERT_TRUE(Schedule().Set("Club", RepublishEvery::kOff).ok());
  EXPECT_FALSE(Exists(Unit(".timer")));
  EXPECT_FALSE(Exists(Unit(".service")));
  EXPECT_THAT(runner_.calls,
              ::testing::Contains("systemctl --user disable --now almanix-publish-Club.timer"));
  EXPECT_EQ(Schedule().Get("Club").every, RepublishEvery::kOff);
  EXPECT_THAT(Schedule().List(), IsEmpty());
}

TEST_F(RepublishScheduleTest, ATimerSystemdWillNotEnableIsNotLeftBehind) {
  runner_.enable_fails = true;
  Status s = Schedule().Set("Club", RepublishEvery::kDaily);
  EXPECT_FALSE(s.ok());
  EXPECT_THAT(s.message(), HasSubstr("could not enable almanix-publish-Club.timer"));
  EXPECT_FALSE(Exists(Unit(".timer")));
  EXPECT_FALSE(Exists(Unit(".service")));
}

TEST_F(RepublishScheduleTest, WithoutSystemdACrontabLineIsKeptBesideTheOthers) {
  runner_.systemd = false;
  runner_.table = "0 5 * * * backup.sh\n";
  ASSERT_TRUE(Schedule().Set("My Club", RepublishEvery::kWeekly).ok());
  std::vector<std::string> lines = SplitLines(*runner_.table);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "0 5 * * * backup.sh");
  EXPECT_EQ(lines[1], "@weekly '/opt/almanix/bin/almanix-cli' '--root' '" + env_.root +
                          "' 'publish' 'My Club' '--scheduled' >/dev/null 2>&1 "
                          "# almanix-publish-My\\x20Club");
  EXPECT_FALSE(Exists(env_.systemd_dir));

  ASSERT_TRUE(Schedule().Set("My Club", RepublishEvery::kDaily).ok());
  lines = SplitLines(*runner_.table);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(lines[1].starts_with("@daily "));
  ScheduleInfo info = Schedule().Get("My Club");
  EXPECT_EQ(info.by, "cron");
  EXPECT_EQ(info.every, RepublishEvery::kDaily);

  ASSERT_TRUE(Schedule().Set("My Club", RepublishEvery::kOff).ok());
  EXPECT_EQ(*runner_.table, "0 5 * * * backup.sh\n");
}

TEST_F(RepublishScheduleTest, AFirstCrontabAndTheLimitsOfCron) {
  runner_.systemd = false;
  // "no crontab for user": the first line makes the table.
  ASSERT_TRUE(Schedule().Set("Club", RepublishEvery::kDaily).ok());
  EXPECT_EQ(SplitLines(*runner_.table).size(), 1u);

  // cron would cut the command at the %.
  env_.root = root_ / "100%";
  Status s = Schedule().Set("Club", RepublishEvery::kDaily);
  EXPECT_EQ(s.code(), Status::Code::kInvalid);

  env_.root = root_ / "cal";
  runner_.cron = false;
  s = Schedule().Set("Other", RepublishEvery::kDaily);
  EXPECT_EQ(s.message(),
            "Neither a systemd user session nor cron is here to republish on a schedule");
  EXPECT_FALSE(Exists(env_.systemd_dir));
}

TEST_F(RepublishScheduleTest, LastRunIsTheNewestScheduledLineOfTheLog) {
  ASSERT_TRUE(Schedule().Set("Club", RepublishEvery::kDaily).ok());
  WriteAll(env_.log_folder + "Log-Nov-30-2026.txt",
           "03:00:00 AM\tInfo\t" + ScheduledRunLogLine("Club", true, "") + "\t\n");
  WriteAll(env_.log_folder + "Log-Dec-2-2026.txt",
           "03:00:00 AM\tInfo\t" + ScheduledRunLogLine("Club", true, "") + "\t\n" +
               "03:04:05 PM\tError\t" +
               ScheduledRunLogLine("Club", false, "Nothing was published:\nfull") + "\t\n" +
               "03:05:00 PM\tInfo\t" + ScheduledRunLogLine("Other", true, "") + "\t\n");
  WriteAll(env_.log_folder + "Log-Dec-10-2025.txt",
           "09:00:00 AM\tInfo\t" + ScheduledRunLogLine("Club", true, "") + "\t\n");
  ScheduleInfo info = Schedule().Get("Club");
  EXPECT_EQ(info.last_run, "Dec-2-2026 03:04:05 PM");
  EXPECT_FALSE(info.last_ok);
  // Other has no schedule, yet its last run is known.
  info = Schedule().Get("Other");
  EXPECT_EQ(info.every, RepublishEvery::kOff);
  EXPECT_EQ(info.last_run, "Dec-2-2026 03:05:00 PM");
  EXPECT_TRUE(info.last_ok);
}

TEST_F(RepublishScheduleTest, TheMarkerKeepsFailuresUntilTheyAreShownOnce) {
  ScheduledRunMarker marker(ScheduledRunMarker::PathIn(root_.path()));
  EXPECT_EQ(marker.TakeMessage(), "");
  const std::time_t when = 1765252800;  // a fixed moment
  ASSERT_TRUE(marker.Record("Club", false, when, "Nothing was published:\nNo route").ok());
  ASSERT_TRUE(marker.Record("Team", false, when, "Upload failed").ok());
  ASSERT_TRUE(marker.Record("Team", true, when, "").ok());  // a later good run
  ASSERT_TRUE(marker.Record("Club", false, when, "Still no route").ok());
  const std::string message = marker.TakeMessage();
  EXPECT_THAT(message, HasSubstr("The scheduled publish of \"Club\" on "));
  EXPECT_THAT(message, HasSubstr(" failed: Still no route\n"
                                 "The published calendar was left as it was."));
  EXPECT_THAT(message, Not(HasSubstr("Team")));
  EXPECT_THAT(message, Not(HasSubstr("No route")));
  EXPECT_EQ(marker.TakeMessage(), "");

  // Good runs only: no file is left.
  ASSERT_TRUE(marker.Record("Club", false, when, "x").ok());
  ASSERT_TRUE(marker.Record("Club", true, when, "").ok());
  EXPECT_FALSE(Exists(ScheduledRunMarker::PathIn(root_.path())));
}

TEST(ProcessRunnerTest, FeedsInputReadsOutputAndTellsAMissingProgram) {
  ProcessRunner runner;
  std::string big(200000, 'x');  // more than a pipe holds, both ways
  CommandOutcome cat = runner.Run({"cat"}, big);
  EXPECT_EQ(cat.exit_code, 0);
  EXPECT_EQ(cat.output.size(), big.size());
  EXPECT_EQ(runner.Run({"sh", "-c", "echo hi; exit 3"}, "").exit_code, 3);
  EXPECT_EQ(runner.Run({"sh", "-c", "echo hi; exit 3"}, "").output, "hi\n");
  EXPECT_EQ(runner.Run({"almanix-no-such-program"}, "").exit_code, -1);
}

}  // namespace
}  // namespace almanix::publish
