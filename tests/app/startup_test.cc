#include "app/startup.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "app/comma_text.h"
#include "app/file_util.h"
#include "app/ini_file.h"
#include "support/fake_ui.h"
#include "support/fixture.h"

namespace almanix {
namespace {

using testing::ReadAll;
using testing::WriteAll;

// Stands in for the table store, which has its own tests: records the calls
// and makes the files a real store would make.
class RecordingHooks : public StartupHooks {
 public:
  Status InitDatabasePaths(App&) override {
    calls.push_back("paths");
    return fail_paths ? Status::IoError("no engine") : Status::Ok();
  }
  Status CreateYearTable(App& app, int year) override {
    calls.push_back("year" + std::to_string(year));
    if (fail_tables) return Status::IoError("disk full");
    WriteAll(app.dir->DbDir + "Year" + std::to_string(year) + ".db", "y");
    return Status::Ok();
  }
  Status CreateEventsTable(App& app) override {
    calls.push_back("events");
    if (fail_tables) throw std::runtime_error("boom");
    WriteAll(app.dir->DbDir + "Events.db", "e");
    return Status::Ok();
  }
  Status WorkingSet(App& app, const std::string& folder) override {
    calls.push_back("workdir " + folder);
    return SwitchWorkDir(app, folder);
  }
  std::vector<std::string> calls;
  bool fail_paths = false;
  bool fail_tables = false;
};

class StartupTest : public ::testing::Test {
 protected:
  StartupTest() {
    // First start of a real install has no tables yet.
    std::filesystem::remove_all(fx_.install + "DB");
    std::filesystem::remove_all(fx_.install + "iDB");
    opened_ = fx_.root / "opened.txt";
    std::string script = fx_.root / "fake-open";
    WriteAll(script, "#!/bin/sh\necho \"$1\" >> '" + opened_ + "'\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    opener_program_ = script;
  }

  void Run(App& app) {
    app.opener = std::make_unique<platform::XdgOpener>(opener_program_);
    StartupOptions options;
    options.install_dir = fx_.install;
    options.root = fx_.root / "user";
    options.hooks = &hooks_;
    options.executable = "/usr/bin/almanix";
    Startup(app, ui_, options);
  }
  std::string LogText(App& app) { return ReadAll(app.log->CurrentFile()); }

  testing::InstallFixture fx_;
  testing::FakeUi ui_;
  RecordingHooks hooks_;
  std::string opened_;
  std::string opener_program_;
};

TEST_F(StartupTest, FirstStartAsksTheCalendarTypeOnce) {
  ui_.choices.push_back(7);  // "Work Schedule"
  {
    App app;
    Run(app);
    ASSERT_TRUE(app.config);
    EXPECT_TRUE(ui_.messages.empty()) << ui_.messages[0];
    ASSERT_EQ(ui_.questions.size(), 1u);
    EXPECT_EQ(ui_.questions[0], "What type of calendar do you want to keep?");
    ASSERT_EQ(ui_.offered_choices[0].size(), 8u);
    EXPECT_EQ(ui_.offered_choices[0][3], "School calendar ");
    EXPECT_EQ(app.config->CalendarList[0], "Morning Shift");
    // Saved at once.
    IniFile ini(app.config->path());
    ASSERT_TRUE(ini.Load().ok());
    EXPECT_EQ(SplitCommaText(ini.ReadString("Application", "CalendarList", ""))[2],
              "Night Shift");
    EXPECT_EQ(hooks_.calls,
              (std::vector<std::string>{"paths", "year2010", "events"}));
    std::string log = LogText(app);
    size_t at = 0;
    for (const char* step :
         {"\tLog Created\t", "\tMain.Brand_Load\t", "\tLoading Config\t",
          "\tDeleting Lock Files\t", "\tSetting Database Paths\t", "\tPaths Set\t",
          "\tDefaulting Month/Year\t", "\tLoading Icons\t", "\tnew install\t",
          "\tConfig.save\t", "\tConfig.RegisterStartup\t"}) {
      size_t found = log.find(step, at);
      ASSERT_NE(found, std::string::npos) << step;
      at = found;
    }
    // Only logged: the person did not ask to start with the session.
    EXPECT_FALSE(app.autostart->IsRegistered());
    EXPECT_EQ(app.brand.APP_NAME, "Web Almanix");
  }
  // The next start finds the year table and asks nothing.
  hooks_.calls.clear();
  App again;
  Run(again);
  EXPECT_EQ(ui_.questions.size(), 1u);
  EXPECT_EQ(again.config->CalendarList[0], "Morning Shift");
  EXPECT_EQ(hooks_.calls, std::vector<std::string>{"paths"});
}

TEST_F(StartupTest, CancelledQuestionKeepsTheDefaultType) {
  ui_.choices.push_back(-1);
  App app;
  Run(app);
  EXPECT_EQ(app.config->CalendarList[0], "Work");
}

TEST_F(StartupTest, ALockFileThatStaysShowsItsMessageAndStartGoesOn) {
  WriteAll(fx_.install + "PARADOX.LCK/inside", "a folder cannot be unlinked");
  WriteAll(fx_.install + "PDOXUSRS.NET", "stale");
  App app;
  Run(app);
  EXPECT_FALSE(PathExists(fx_.install + "PDOXUSRS.NET"));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0],
            "Could not Delete a lock file (PDOXUSRS.LCK,PARADOX.LCK, PDOXUSRS.NET) "
            "in Application directory " + fx_.install +
                " Exit, and delete the file by hand");
  EXPECT_EQ(hooks_.calls.back(), "events");
}

TEST_F(StartupTest, EachFailingStepShowsItsOwnMessage) {
  hooks_.fail_paths = true;
  hooks_.fail_tables = true;
  App app;
  Run(app);
  ASSERT_EQ(ui_.messages.size(), 3u);
  EXPECT_EQ(ui_.messages[0], DatabaseErrorMessage());
  EXPECT_EQ(ui_.messages[1], "Error creating this year table");
  EXPECT_EQ(ui_.messages[2], "Error creating events table");
  EXPECT_EQ(ReadAll(opened_), std::string(kDatabaseSetupAddress) + "\n");
  EXPECT_EQ(LogText(app).find("\tPaths Set\t"), std::string::npos);
}

TEST_F(StartupTest, TheStartupFolderIsOpenedUnlessItIsTheDatabase) {
  std::string cal = fx_.root / "user/club";
  std::filesystem::create_directories(cal);
  {
    App app;
    Run(app);
    app.dir->StartupDir = cal + "/";
    ASSERT_TRUE(app.config->Save().ok());
  }
  hooks_.calls.clear();
  App app;
  Run(app);
  EXPECT_EQ(hooks_.calls.back(), "workdir " + cal + "/");
  EXPECT_EQ(app.dir->WorkDir, cal + "/");
  EXPECT_EQ(app.dir->DbDir, cal + "/DB/");
  EXPECT_NE(LogText(app).find("main.Working_Set" + cal + "/"), std::string::npos);
}

TEST_F(StartupTest, HolidayColumnFollowsTheConfiguration) {
  WriteAll(fx_.root / "user/Config/application.ini",
           "[Application]\r\nCountry=Canada\r\nCalendarList=Work,Travel,,\r\n");
  App app;
  Run(app);
  EXPECT_EQ(app.holiday_column, "Canada");
}

TEST_F(StartupTest, WithoutTheStoreTheStepsAreSkipped) {
  App app;
  app.opener = std::make_unique<platform::XdgOpener>(opener_program_);
  StartupOptions options;
  options.install_dir = fx_.install;
  options.root = fx_.root / "user";
  Startup(app, ui_, options);
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_TRUE(app.config);
  EXPECT_NE(LogText(app).find("\tPaths Set\t"), std::string::npos);
}

}  // namespace
}  // namespace almanix
