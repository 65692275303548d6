#include "store/calendar_file.h"

#include <sys/wait.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "app/file_util.h"
#include "app/startup.h"
#include "app/text.h"
#include "store/db.h"
#include "store/db_engine.h"
#include "store/store_startup.h"
#include "support/fake_ui.h"
#include "support/temp_root.h"

namespace almanix::store {
namespace {

using testing::ReadAll;
using testing::WriteAll;

std::string Output(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  char buffer[4096];
  while (p && fgets(buffer, sizeof buffer, p)) out += buffer;
  if (p) pclose(p);
  return out;
}

class CalendarFileTest : public ::testing::Test {
 protected:
  CalendarFileTest() : hooks_(data_, ui_) {
    StartupOptions options;
    options.install_dir = testing::BuildDataDir();
    options.root = root_ / "user";
    options.hooks = &hooks_;
    app_.opener = std::make_unique<platform::XdgOpener>("true");
    Startup(app_, ui_, options);
    files_ = std::make_unique<CalendarFile>(app_, data_, ui_);
    ui_.questions.clear();
  }
  // One event, a note, a setting, an attachment and an included file.
  void Fill() {
    Query q(data_.db());
    ASSERT_TRUE(q.Open(" Select * from Events ").ok());
    ASSERT_TRUE(q.Append().ok());
    ASSERT_TRUE(q.SetString("Summary", "Kept event").ok());
    ASSERT_TRUE(q.Post().ok());
    ASSERT_TRUE(q.Open("Select * from year2010 where iMonth='3' and iDay='5'").ok());
    ASSERT_TRUE(q.Edit().ok());
    ASSERT_TRUE(q.SetString("Data1", "Kept note").ok());
    ASSERT_TRUE(q.Post().ok());
    WriteAll(dir().AttachmentsDir + "Work/2010-3-05/photo.jpg", "\xff\xd8 jpeg bytes");
    WriteAll(dir().IncludeDir + "logo.png", "png");
    WriteAll(dir().FavoritesDir + "Club/conf.ini", "[Publish]\r\nStyleName=Default\r\n");
  }
  TDir& dir() { return *app_.dir; }

  testing::TempRoot root_;
  testing::FakeUi ui_;
  App app_;
  TDB1 data_;
  StoreStartup hooks_;
  std::unique_ptr<CalendarFile> files_;
};

TEST_F(CalendarFileTest, SaveThenOpenKeepsEverything) {
  Fill();
  std::string cal = root_ / "Team.cal";
  ASSERT_TRUE(files_->SaveCalendarFile(cal).ok());
  EXPECT_EQ(dir().CalendarFile, cal);
  EXPECT_NE(Output("unzip -t '" + cal + "'").find("No errors detected"), std::string::npos);
  std::string listing = Output("zipinfo -1 '" + cal + "'");
  EXPECT_EQ(listing.rfind("db/\n", 0), 0u) << listing;
  for (const char* entry : {"attachments/\n", "attachments/Work/\n",
                            "attachments/Work/2010-3-05/\n",
                            "attachments/Work/2010-3-05/photo.jpg\n", "config/application.ini\n",
                            "favorites/Club/conf.ini\n", "include/logo.png\n",
                            "db/Events.db\n"}) {
    EXPECT_NE(listing.find(entry), std::string::npos) << entry;
  }
  EXPECT_EQ(listing.find("-journal"), std::string::npos);

  // Somewhere else entirely, then back.
  ASSERT_TRUE(files_->DefaultWorkingDirectory().ok());
  ASSERT_TRUE(files_->File_Open(cal).ok()) << (ui_.messages.empty() ? "" : ui_.messages[0]);
  EXPECT_EQ(dir().WorkDir, dir().TempDir + "Team/");
  EXPECT_EQ(dir().CalendarFile, cal);
  EXPECT_EQ(files_->status_text(), "                Calendar: " + cal);
  Query q(data_.db());
  ASSERT_TRUE(q.Open("Select * from events").ok());
  EXPECT_EQ(q.AsString("Summary"), "Kept event");
  ASSERT_TRUE(q.Open("Select * from year2010 where iMonth='3' and iDay='5'").ok());
  EXPECT_EQ(q.AsString("Data1"), "Kept note");
  EXPECT_EQ(ReadAll(dir().AttachmentsDir + "Work/2010-3-05/photo.jpg"), "\xff\xd8 jpeg bytes");
  EXPECT_EQ(ReadAll(dir().IncludeDir + "logo.png"), "png");
  EXPECT_TRUE(FileExists(dir().FavoritesDir + "Club/conf.ini"));
  EXPECT_TRUE(ui_.messages.empty());

  // Save writes back to the same file.
  WriteAll(dir().IncludeDir + "new.txt", "added");
  ASSERT_TRUE(files_->Save().ok());
  EXPECT_NE(Output("zipinfo -1 '" + cal + "'").find("include/new.txt"), std::string::npos);
}

TEST_F(CalendarFileTest, OpeningAgainClearsTheFirstFolder) {
  std::string cal = root_ / "Club.cal";
  ASSERT_TRUE(files_->SaveCalendarFile(cal).ok());
  ASSERT_TRUE(files_->File_Open(cal).ok());
  WriteAll(dir().WorkDir + "stray.txt", "left over");
  ASSERT_TRUE(files_->File_Open(cal).ok());
  EXPECT_FALSE(FileExists(dir().WorkDir + "stray.txt"));
  EXPECT_EQ(dir().WorkDir, dir().TempDir + "Club/");
}

TEST_F(CalendarFileTest, OpeningReplacesThePopUpStyle) {
  WriteAll(dir().ConfigDir + "popup.css", "/* the calendar's own */");
  std::string cal = root_ / "Style.cal";
  ASSERT_TRUE(files_->SaveCalendarFile(cal).ok());
  ASSERT_TRUE(files_->File_Open(cal).ok());
  EXPECT_EQ(ReadAll(dir().ConfigDir + "popup.css"),
            ReadAll(testing::BuildDataDir() + "Config/popup.css"));
}

TEST_F(CalendarFileTest, ArchivesFromOtherToolsOpen) {
  // Made by Info-ZIP from a working directory with upper-case folders, as
  // another system may have it; one entry uses a method we do not read.
  std::string wd = root_ / "foreign/";
  WriteAll(wd + "DB/readme.txt", "not a table");
  WriteAll(wd + "Config/application.ini", "[Application]\r\nCountry=Canada\r\n");
  WriteAll(wd + "Include/a.txt", std::string(5000, 'a'));
  WriteAll(wd + "Include/b.txt", std::string(5000, 'b'));
  std::string cal = root_ / "foreign.cal";
  ASSERT_EQ(std::system(("cd '" + wd + "' && zip -q -r -9 '" + cal + "' DB Config Include/a.txt && "
                         "zip -q -Z bzip2 '" + cal + "' Include/b.txt").c_str()),
            0);
  ASSERT_TRUE(files_->File_Open(cal).ok()) << (ui_.messages.empty() ? "" : ui_.messages[0]);
  EXPECT_EQ(ReadAll(dir().ConfigDir + "application.ini"), "[Application]\r\nCountry=Canada\r\n");
  EXPECT_TRUE(FileExists(dir().IncludeDir + "a.txt"));
  EXPECT_FALSE(FileExists(dir().IncludeDir + "b.txt"));
  EXPECT_TRUE(ui_.messages.empty());  // skipped without a word
  EXPECT_TRUE(data_.db().TableExists("events"));
}

TEST_F(CalendarFileTest, BadFilesLeaveTheWorkingDirectoryInUse) {
  Fill();
  std::string before = dir().WorkDir;
  std::string good = root_ / "good.cal";
  ASSERT_TRUE(files_->SaveCalendarFile(good).ok());
  std::string bytes = ReadAll(good);
  const std::pair<const char*, std::string> cases[] = {
      {"not a zip", "This is a letter, not an archive."},
      {"empty", ""},
      {"truncated", bytes.substr(0, bytes.size() / 2)},
  };
  for (const auto& [name, content] : cases) {
    SCOPED_TRACE(name);
    ui_.messages.clear();
    std::string bad = root_ / (std::string(name) + ".cal");
    WriteAll(bad, content);
    EXPECT_FALSE(files_->File_Open(bad).ok());
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(dir().WorkDir, before);
    EXPECT_EQ(dir().CalendarFile, good);
    Query q(data_.db());
    ASSERT_TRUE(q.Open("Select * from events").ok());
    EXPECT_EQ(q.AsString("Summary"), "Kept event");
  }
  EXPECT_FALSE(files_->File_Open(root_ / "missing.cal").ok());
}

TEST_F(CalendarFileTest, ADamagedTableIsSetAside) {
  std::string wd = root_ / "damaged/";
  WriteAll(wd + "db/Events.db", "SQLite format 3" + std::string(5000, '\x07'));
  WriteAll(wd + "config/application.ini", "[Application]\r\n");
  std::string cal = root_ / "damaged.cal";
  ASSERT_EQ(std::system(("cd '" + wd + "' && zip -q -r '" + cal + "' db config").c_str()), 0);
  EXPECT_FALSE(files_->File_Open(cal).ok());
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].rfind("Problems opening file: the table file Events.db is damaged", 0),
            0u)
      << ui_.messages[0];
  EXPECT_NE(ui_.messages[0].find(" Try restarting and opening the file again. Switching to "
                                 "default calendar. "),
            std::string::npos);
  EXPECT_TRUE(FileExists(dir().DbDir + "Events.db.damaged"));
  EXPECT_TRUE(dir().CalendarFile.empty());  // a save must not overwrite the file
  Query q(data_.db());
  EXPECT_TRUE(q.Open("Select * from events").ok());  // a fresh, empty table
}

TEST_F(CalendarFileTest, SaveWithoutAFileAsksWhereAndMayBeCancelled) {
  ASSERT_TRUE(dir().CalendarFile.empty());
  EXPECT_FALSE(files_->Save().ok());
  EXPECT_EQ(ui_.messages.back(), "Calendar not saved");
  ui_.picks.push_back(root_ / "picked");
  ASSERT_TRUE(files_->Save().ok());
  EXPECT_EQ(dir().CalendarFile, root_ / "picked.cal");
  EXPECT_TRUE(FileExists(root_ / "picked.cal"));
}

TEST_F(CalendarFileTest, WorkingSetAddsTheSlashOnce) {
  std::string data = root_ / "Data";
  ASSERT_TRUE(files_->Working_Set(data).ok());
  EXPECT_EQ(dir().WorkDir, data + "/");
  EXPECT_EQ(files_->status_text(), "             Working in : " + data);
  EXPECT_EQ(files_->set_workdir_caption(), "Working in: " + data + " click to change");
  EXPECT_TRUE(files_->set_workdir_checked());
  ASSERT_TRUE(files_->Working_Set(data + "/").ok());
  EXPECT_EQ(dir().WorkDir, data + "/");
  EXPECT_TRUE(data_.db().TableExists("events"));
  // A folder that cannot be made.
  WriteAll(root_ / "plain", "a file");
  EXPECT_FALSE(files_->Working_Set(root_ / "plain/sub").ok());
  EXPECT_EQ(ui_.messages.back(), "Could not recreate working directory: " + (root_ / "plain/sub"));
}

TEST_F(CalendarFileTest, RecentFilesStayDistinctAndSorted) {
  dir().RecentCalendarFiles = {"/data/b.cal", "", "", "", ""};
  files_->AddRecentCalendarFile("/cal/a.cal");
  std::array<std::string, 5> expected = {"", "/cal/a.cal", "/data/b.cal", "", ""};
  EXPECT_EQ(dir().RecentCalendarFiles, expected);
  files_->AddRecentCalendarFile("/CAL/A.cal");  // the same file by another spelling
  EXPECT_EQ(dir().RecentCalendarFiles[1], "/CAL/A.cal");
  EXPECT_EQ(dir().RecentCalendarFiles[2], "/data/b.cal");
}

TEST_F(CalendarFileTest, NewAsksAndStartsFromTheTemplates) {
  ui_.answers.push_back(Answer::kCancel);
  std::string before = dir().WorkDir;
  EXPECT_FALSE(files_->New().ok());
  EXPECT_EQ(ui_.questions.back(), "Do you want to save changes to the 'Default' calendar first ?");
  EXPECT_EQ(dir().WorkDir, before);
  ui_.answers.push_back(Answer::kNo);
  ASSERT_TRUE(files_->New().ok());
  EXPECT_EQ(dir().WorkDir, dir().TempDir + "NewCal/");
  EXPECT_TRUE(FileExists(dir().DbDir + "Events.db"));
  EXPECT_TRUE(FileExists(dir().ConfigDir + "US.ini"));
  EXPECT_TRUE(dir().CalendarFile.empty());
}

TEST_F(CalendarFileTest, BackupHoldsTheSixFoldersOfTheDataFolder) {
  WriteAll(dir().DefaultWorkDir + "Holidays/extra.ini", "[Holidays]\r\n");
  std::string zip = root_ / "backup.zip";
  ASSERT_TRUE(files_->Backup(zip).ok());
  std::string listing = Output("zipinfo -1 '" + zip + "'");
  size_t at = 0;
  for (const char* top : {"db/", "config/", "attachments/", "favorites/", "include/", "holidays/"}) {
    size_t found = listing.find(std::string(top), at);
    ASSERT_NE(found, std::string::npos) << top;
    at = found;
  }
  EXPECT_NE(listing.find("holidays/extra.ini"), std::string::npos);
}

TEST(TempNameTest, NamesStayInsideTheTemporaryFolder) {
  EXPECT_EQ(CalendarFile::TempNameFor("/home/me/Team.cal"), "Team");
  EXPECT_EQ(CalendarFile::TempNameFor("/home/me/...cal"), "Default");
  EXPECT_EQ(CalendarFile::TempNameFor("/home/me/.cal"), "cal");
  EXPECT_EQ(CalendarFile::TempNameFor("C:\\Cal\\Team.cal"), "Team");
  EXPECT_EQ(CalendarFile::TempNameFor("/x/..\\..\\evil.cal"), "evil");
  EXPECT_EQ(CalendarFile::TempNameFor(""), "Default");
}

}  // namespace
}  // namespace almanix::store
