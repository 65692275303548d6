#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/cli_runner.h"
#include "support/temp_root.h"

namespace almanix {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using testing::Exists;
using testing::ReadAll;
using testing::WriteAll;

// almanix-cli schedule against a systemctl of our own first on PATH: it
// records its calls and answers as a running user manager would.
class ScheduleCommandTest : public ::testing::Test {
 protected:
  ScheduleCommandTest() {
    const std::string bin = root_ / "bin";
    std::filesystem::create_directories(bin);
    WriteAll(bin + "/systemctl", "#!/bin/sh\necho \"$*\" >>'" + calls_ + "'\nexit 0\n");
    chmod((bin + "/systemctl").c_str(), 0755);
    // The account's own crontab is never read or written by a test.
    WriteAll(bin + "/crontab", "#!/bin/sh\nexit 127\n");
    chmod((bin + "/crontab").c_str(), 0755);
    const char* path = std::getenv("PATH");
    saved_path_ = path != nullptr ? path : "";
    setenv("PATH", (bin + ":" + saved_path_).c_str(), 1);
  }
  ~ScheduleCommandTest() override { setenv("PATH", saved_path_.c_str(), 1); }

  testing::CliResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--root", data_});
    return testing::RunCli(args, root_.path());
  }
  void MakeFavorite() {
    ASSERT_EQ(Cli({"init"}).code, 0);
    testing::CliResult made =
        Cli({"favorite", "create", "Club", "--categories", "1", "--set",
             "Publish.Destination=File", "--set", "Publish.DirName=" + site_});
    ASSERT_EQ(made.code, 0) << made.err;
  }
  // TempRoot points XDG_CONFIG_HOME below itself.
  std::string Unit(const std::string& ext) const {
    return std::string(std::getenv("XDG_CONFIG_HOME")) +
           "/systemd/user/almanix-publish-Club" + ext;
  }
  std::string Marker() const { return data_ + "ScheduledPublishFailed.txt"; }

  testing::TempRoot root_;
  std::string data_ = root_ / "cal/";
  std::string site_ = root_ / "site/";
  std::string calls_ = root_ / "systemctl-calls.txt";
  std::string saved_path_;
};

TEST_F(ScheduleCommandTest, SetListAndRemoveATimer) {
  MakeFavorite();
  testing::CliResult r = Cli({"schedule", "Club.html", "weekly"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "Club\tweekly\tsystemd\tnever run\n");
  EXPECT_THAT(ReadAll(Unit(".timer")), HasSubstr("OnCalendar=weekly\n"));
  // The timer runs this very program on this root.
  EXPECT_THAT(ReadAll(Unit(".service")),
              HasSubstr("ExecStart=\"" + std::filesystem::canonical(ALMANIX_CLI_PATH).string() +
                        "\" \"--root\" \"" + data_));
  EXPECT_THAT(ReadAll(calls_), HasSubstr("--user enable --now almanix-publish-Club.timer\n"));

  r = Cli({"schedule", "--list"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "Club\tweekly\tsystemd\tnever run\n");

  r = Cli({"schedule", "Club", "off"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_FALSE(Exists(Unit(".timer")));
  EXPECT_THAT(ReadAll(calls_), HasSubstr("--user disable --now almanix-publish-Club.timer\n"));
  EXPECT_EQ(Cli({"schedule", "--list"}).out, "");
}

TEST_F(ScheduleCommandTest, WrongWordsAndUnknownFavoritesAreRefused) {
  MakeFavorite();
  EXPECT_EQ(Cli({"schedule", "Club", "hourly"}).code, 2);
  EXPECT_EQ(Cli({"schedule", "Club"}).code, 2);
  EXPECT_EQ(Cli({"schedule", "Club", "--list"}).code, 2);
  testing::CliResult r = Cli({"schedule", "Nobody", "daily"});
  EXPECT_EQ(r.code, 1);
  EXPECT_THAT(r.err, HasSubstr("there is no favorite Nobody"));
  EXPECT_FALSE(Exists(root_ / "config"));
}

TEST_F(ScheduleCommandTest, AFailedScheduledRunLeavesTheSiteAndIsKeptForTheDesktop) {
  MakeFavorite();
  ASSERT_EQ(Cli({"schedule", "Club", "daily"}).code, 0);
  ASSERT_EQ(Cli({"publish", "Club", "--scheduled"}).code, 0);
  EXPECT_FALSE(Exists(Marker()));
  EXPECT_THAT(Cli({"schedule", "--list"}).out, HasSubstr("\tlast run "));
  EXPECT_THAT(Cli({"schedule", "--list"}).out, Not(HasSubstr("(failed)")));
  const std::string page = ReadAll(site_ + "Calendar.html");
  ASSERT_FALSE(page.empty());

  // The build folder cannot be made: the run fails, the site stays.
  std::filesystem::remove_all(data_ + "Temp/almanix");
  WriteAll(data_ + "Temp/almanix", "not a folder");
  testing::CliResult r = Cli({"publish", "Club", "--scheduled"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(ReadAll(site_ + "Calendar.html"), page);
  EXPECT_THAT(ReadAll(Marker()), HasSubstr("Club\t"));
  EXPECT_THAT(Cli({"schedule", "--list"}).out, HasSubstr("(failed)\n"));

  // The next good run clears what the failed one left.
  std::filesystem::remove(data_ + "Temp/almanix");
  ASSERT_EQ(Cli({"publish", "Club", "--scheduled"}).code, 0);
  EXPECT_FALSE(Exists(Marker()));
  // A publish by hand is no scheduled run and leaves no marker either way.
  std::filesystem::remove_all(data_ + "Temp/almanix");
  WriteAll(data_ + "Temp/almanix", "not a folder");
  EXPECT_EQ(Cli({"publish", "Club"}).code, 1);
  EXPECT_FALSE(Exists(Marker()));
}

}  // namespace
}  // namespace almanix
