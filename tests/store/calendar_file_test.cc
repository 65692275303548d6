#include "store/calendar_file.h"

#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "app/file_util.h"
#include "app/startup.h"
#include "app/text.h"
#include "platform/file_lock.h"
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

std::uint32_t Le(const std::string& bytes, size_t at, int width) {
  std::uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i) {
    value = value << 8 | static_cast<unsigned char>(bytes.at(at + i));
  }
  return value;
}

// Changes the CRC an entry's local and central headers record, as one
// flipped bit on a disk or in a download would.
void FlipCrc(const std::string& archive, const std::string& name) {
  std::string bytes = ReadAll(archive);
  int flipped = 0;
  for (size_t at = bytes.find("PK"); at != std::string::npos; at = bytes.find("PK", at + 2)) {
    if (bytes.compare(at, 4, "PK\3\4") == 0 && bytes.compare(at + 30, name.size(), name) == 0 &&
        Le(bytes, at + 26, 2) == name.size()) {
      bytes[at + 14] ^= 0x10;
      ++flipped;
    } else if (bytes.compare(at, 4, "PK\1\2") == 0 &&
               bytes.compare(at + 46, name.size(), name) == 0 &&
               Le(bytes, at + 28, 2) == name.size()) {
      bytes[at + 16] ^= 0x10;
      ++flipped;
    }
  }
  ASSERT_EQ(flipped, 2) << name;
  WriteAll(archive, bytes);
}

// Runs a little Python; its exit code.
int Python(const std::string& script, const std::string& folder) {
  WriteAll(folder + "script.py", script);
  return std::system(("python3 '" + folder + "script.py'").c_str());
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
  std::vector<std::string> Summaries(TDB1& data) {
    std::vector<std::string> out;
    Query q(data.db());
    EXPECT_TRUE(q.Open("Select * from events order by ID asc ").ok());
    for (Status walk = q.First(); walk.ok() && !q.Eof(); walk = q.Next()) out.push_back(q.AsString("Summary"));
    return out;
  }
  void AddEvent(TDB1& data, const std::string& summary) {
    Query q(data.db());
    ASSERT_TRUE(q.Open(" Select * from Events ").ok());
    ASSERT_TRUE(q.Append().ok());
    ASSERT_TRUE(q.SetString("Summary", summary).ok());
    ASSERT_TRUE(q.Post().ok());
  }
  // A working copy of a calendar made by other means: the template tables
  // and a configuration, in the given folder.
  std::string TemplateCalendar(const std::string& wd) {
    for (const char* table : {"Events.db", "Calendar2010.db", "Year2010.db"}) {
      WriteAll(wd + "DB/" + table, ReadAll(testing::BuildDataDir() + "iDB/" + table));
    }
    WriteAll(wd + "Config/application.ini", "[Application]\r\n");
    return wd;
  }
  std::string Zip(const std::string& wd, const std::string& cal, const std::string& what) {
    EXPECT_EQ(std::system(("cd '" + wd + "' && zip -q -r -y '" + cal + "' " + what).c_str()), 0);
    return cal;
  }

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

TEST_F(CalendarFileTest, AFailedReopenKeepsTheCalendarOpenNow) {
  // The calendar open now and the file opened share a folder name: the same
  // file changed on disk since, or another file of that name elsewhere.
  std::filesystem::create_directories(root_ / "elsewhere");
  std::string cal = root_ / "Club.cal";
  std::string namesake = root_ / "elsewhere/Club.cal";
  Fill();
  ASSERT_TRUE(files_->SaveCalendarFile(cal).ok());
  ASSERT_TRUE(files_->File_Open(cal).ok());
  const std::string folder = dir().WorkDir;
  AddEvent(data_, "Not saved yet");
  WriteAll(folder + "Include/draft.txt", "not saved either");
  const std::string whole = ReadAll(cal);
  for (const std::string& bad : {cal, namesake}) {
    SCOPED_TRACE(bad);
    WriteAll(bad, whole.substr(0, whole.size() / 2));
    EXPECT_FALSE(files_->File_Open(bad).ok());
    EXPECT_EQ(dir().WorkDir, folder);
    EXPECT_EQ(Summaries(data_), (std::vector<std::string>{"Kept event", "Not saved yet"}));
    EXPECT_EQ(ReadAll(folder + "Include/draft.txt"), "not saved either");
    EXPECT_TRUE(FileExists(dir().AttachmentsDir + "Work/2010-3-05/photo.jpg"));
  }
  // Whole again: it opens in the same folder, as saved, with nothing left
  // beside it.
  WriteAll(cal, whole);
  ASSERT_TRUE(files_->File_Open(cal).ok());
  EXPECT_EQ(dir().WorkDir, folder);
  EXPECT_EQ(Summaries(data_), (std::vector<std::string>{"Kept event"}));
  EXPECT_FALSE(FileExists(folder + "Include/draft.txt"));
  for (const auto& entry : std::filesystem::directory_iterator(dir().TempDir)) {
    EXPECT_EQ(entry.path().filename().string().find(".opening"), std::string::npos)
        << entry.path();
  }
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
  WriteAll(wd + "DB/Events.db", ReadAll(testing::BuildDataDir() + "iDB/Events.db"));
  WriteAll(wd + "DB/readme.txt", "not a table");
  WriteAll(wd + "Config/application.ini", "[Application]\r\nCountry=Canada\r\n");
  WriteAll(wd + "Include/a.txt", std::string(5000, 'a'));
  std::string cal = root_ / "foreign.cal";
  ASSERT_EQ(std::system(("cd '" + wd + "' && zip -q -r -9 '" + cal + "' DB Config Include/a.txt")
                            .c_str()),
            0);
  ASSERT_TRUE(files_->File_Open(cal).ok()) << (ui_.messages.empty() ? "" : ui_.messages[0]);
  EXPECT_EQ(ReadAll(dir().ConfigDir + "application.ini"), "[Application]\r\nCountry=Canada\r\n");
  EXPECT_TRUE(FileExists(dir().IncludeDir + "a.txt"));
  EXPECT_EQ(ReadAll(dir().DbDir + "readme.txt"), "not a table");
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_TRUE(data_.db().TableExists("events"));
  EXPECT_EQ(dir().CalendarFile, cal);
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
  EXPECT_EQ(ui_.messages[0].rfind("Problems opening file: the calendar file " + cal +
                                       " is damaged: the table file Events.db is damaged",
                                   0),
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

TEST_F(CalendarFileTest, AnEntryFailingItsCrcOpensAsDamagedAndIsNeverSavedOver) {
  Fill();
  AddEvent(data_, "Second");
  AddEvent(data_, "Third");
  std::string cal = root_ / "Team.cal";
  ASSERT_TRUE(files_->SaveCalendarFile(cal).ok());
  FlipCrc(cal, "db/Events.db");
  std::string before = ReadAll(cal);
  ASSERT_TRUE(files_->DefaultWorkingDirectory().ok());
  ui_.messages.clear();

  EXPECT_FALSE(files_->File_Open(cal).ok());
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].rfind("Problems opening file: the calendar file " + cal +
                                       " is damaged: entries that cannot be read: db/Events.db: "
                                       "its data is damaged",
                                   0),
            0u)
      << ui_.messages[0];
  EXPECT_TRUE(dir().CalendarFile.empty());
  // The next change cannot put the damaged part over the whole: Save asks
  // where, and nothing picked saves nothing.
  AddEvent(data_, "Added after");
  EXPECT_FALSE(files_->Save().ok());
  EXPECT_EQ(ui_.messages.back(), "Calendar not saved");
  EXPECT_TRUE(ReadAll(cal) == before);
}

TEST_F(CalendarFileTest, RefusedAndUnreadableEntriesMakeTheFileDamaged) {
  std::string wd = TemplateCalendar(root_ / "wd/");
  WriteAll(wd + "Include/b.txt", std::string(5000, 'b'));
  std::filesystem::create_symlink("/etc/passwd", wd + "Include/passwd");
  const std::pair<const char*, std::string> cases[] = {
      {"bzip2", "zip -q -Z bzip2 '%s' Include/b.txt"},
      {"link", "zip -q -y '%s' Include/passwd"},
      {"climbing name",
       "python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1],'a'); "
       "z.writestr('include/../../evil.txt','x'); z.close()\" '%s'"},
  };
  for (const auto& [what, step] : cases) {
    SCOPED_TRACE(what);
    std::string cal = root_ / (std::string(what) + ".cal");
    Zip(wd, cal, "DB Config");
    std::string command = "cd '" + wd + "' && " + ReplaceAll(step, "%s", cal);
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::string before = ReadAll(cal);
    ui_.messages.clear();
    EXPECT_FALSE(files_->File_Open(cal).ok());
    ASSERT_EQ(ui_.messages.size(), 1u);
    const std::string& shown = ui_.messages[0];
    EXPECT_NE(shown.find(" is damaged: entries "), std::string::npos) << shown;
    EXPECT_NE(shown.find(std::string(what) == "bzip2"   ? "Include/b.txt: it is compressed with"
                         : std::string(what) == "link" ? "refused: Include/passwd"
                                                       : "refused: include/../../evil.txt"),
              std::string::npos)
        << shown;
    EXPECT_TRUE(dir().CalendarFile.empty());
    EXPECT_TRUE(ReadAll(cal) == before);
    EXPECT_FALSE(PathExists(root_ / "evil.txt"));
  }
}

TEST_F(CalendarFileTest, StrayFilesNamedLikeFoldersNeverCostTheTables) {
  Fill();
  for (const char* stray : {"db", "config", "attachments"}) {
    WriteAll(dir().WorkDir + stray, "a stray file");
  }
  std::string cal = root_ / "Stray.cal";
  ASSERT_TRUE(files_->SaveCalendarFile(cal).ok());
  std::string listing = Output("zipinfo -1 '" + cal + "'");
  for (const char* entry : {"db/Events.db\n", "config/application.ini\n",
                            "attachments/Work/2010-3-05/photo.jpg\n"}) {
    EXPECT_NE(listing.find(entry), std::string::npos) << entry << listing;
  }
  ASSERT_TRUE(files_->File_Open(cal).ok()) << (ui_.messages.empty() ? "" : ui_.messages[0]);
  EXPECT_EQ(Summaries(data_), std::vector<std::string>{"Kept event"});

  // A working directory without its events table is never saved as a
  // calendar, and saying so.
  data_.Close();
  std::filesystem::remove(dir().DbDir + "Events.db");
  std::string other = root_ / "Without.cal";
  ui_.messages.clear();
  EXPECT_FALSE(files_->SaveCalendarFile(other).ok());
  EXPECT_FALSE(PathExists(other));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_NE(ui_.messages[0].find("holds no events table"), std::string::npos) << ui_.messages[0];
}

TEST_F(CalendarFileTest, AnEmptyArchiveIsNotOpenedAsANewCalendar) {
  Fill();
  std::string good = root_ / "good.cal";
  ASSERT_TRUE(files_->SaveCalendarFile(good).ok());
  std::string before = dir().WorkDir;
  std::string empty = root_ / "empty.cal";
  WriteAll(empty, std::string("PK\5\6", 4) + std::string(18, '\0'));
  ui_.messages.clear();
  EXPECT_FALSE(files_->File_Open(empty).ok());
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0], empty + " holds no calendar: the archive has no files");
  EXPECT_EQ(dir().WorkDir, before);
  EXPECT_EQ(dir().CalendarFile, good);
  EXPECT_EQ(Summaries(data_), std::vector<std::string>{"Kept event"});
}

TEST_F(CalendarFileTest, TablesThatWouldRunCodeOfTheirOwnAreLeftOut) {
  struct Case {
    const char* what;
    const char* table_file;
    const char* sql;  // run on a copy of the template table file
  };
  const Case cases[] = {
      {"a view over an endless query", "Events.db",
       "DROP TABLE Events; CREATE VIEW Events AS WITH RECURSIVE c(x) AS "
       "(SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT x AS ID, 'x' AS Summary "
       "FROM c WHERE x < 0;"},
      {"a trigger", "Events.db",
       "INSERT INTO Events (Summary) VALUES ('Kept'); CREATE TRIGGER spy AFTER INSERT "
       "ON Events BEGIN UPDATE Events SET Summary = 'owned'; END;"},
      {"a column with a check", "Calendar2010.db",
       "ALTER TABLE Calendar2010 ADD Spare char(5) CHECK (length(Spare) < 2);"},
      {"a column of another kind", "Year2010.db", "ALTER TABLE Year2010 ADD Extra char(5);"},
      {"an index", "Events.db", "CREATE INDEX by_summary ON Events (Summary);"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string wd = root_ / "hostile/";
    std::filesystem::remove_all(wd);
    TemplateCalendar(wd);
    ASSERT_EQ(Python("import sqlite3\n"
                     "c = sqlite3.connect('" + wd + "DB/" + c.table_file + "')\n"
                     "c.executescript(\"\"\"" + c.sql + "\"\"\")\n"
                     "c.commit()\n",
                     root_.path()),
              0);
    std::string cal = Zip(wd, root_ / "hostile.cal", "DB Config");
    ui_.messages.clear();
    EXPECT_FALSE(files_->File_Open(cal).ok());
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_NE(ui_.messages[0].find("the table file " + std::string(c.table_file) + " ("),
              std::string::npos)
        << ui_.messages[0];
    EXPECT_NE(ui_.messages[0].find("is not a plain table of this program and was left out"),
              std::string::npos)
        << ui_.messages[0];
    EXPECT_TRUE(dir().CalendarFile.empty());
    // The engine works on fresh tables; nothing of the file runs.
    AddEvent(data_, "Mine");
    EXPECT_EQ(Summaries(data_), std::vector<std::string>{"Mine"});
    // Saved elsewhere, the calendar holds plain tables only.
    std::string saved = root_ / "saved.cal";
    ASSERT_TRUE(files_->SaveCalendarFile(saved).ok());
    std::string out = root_ / "saved/";
    std::filesystem::remove_all(out);
    ASSERT_EQ(std::system(("unzip -q '" + saved + "' -d '" + out + "'").c_str()), 0);
    EXPECT_EQ(Python("import sqlite3, glob, sys\n"
                     "for f in glob.glob('" + out + "db/*'):\n"
                     "  c = sqlite3.connect(f)\n"
                     "  for kind, name in c.execute('select type, name from sqlite_master'):\n"
                     "    if kind != 'table': sys.exit(1)\n",
                     root_.path()),
              0);
  }
}

TEST_F(CalendarFileTest, TwoCalendarsOfOneNameOpenInFoldersOfTheirOwn) {
  // A second program on the same data: its own folders, log and tables.
  testing::FakeUi ui2;
  App app2;
  TDB1 data2;
  StoreStartup hooks2(data2, ui2);
  StartupOptions options;
  options.install_dir = testing::BuildDataDir();
  options.root = root_ / "user";
  options.hooks = &hooks2;
  app2.opener = std::make_unique<platform::XdgOpener>("true");
  Startup(app2, ui2, options);
  CalendarFile files2(app2, data2, ui2);

  std::string a = root_ / "a/Team.cal";
  std::string b = root_ / "b/Team.cal";
  std::filesystem::create_directories(root_ / "a");
  std::filesystem::create_directories(root_ / "b");
  AddEvent(data_, "A");
  ASSERT_TRUE(files_->SaveCalendarFile(a).ok());
  ASSERT_TRUE(data_.db().Execute("Delete from Events").ok());
  AddEvent(data_, "B");
  ASSERT_TRUE(files_->SaveCalendarFile(b).ok());

  ASSERT_TRUE(files_->File_Open(a).ok());
  ASSERT_TRUE(files2.File_Open(b).ok());
  EXPECT_NE(dir().WorkDir, app2.dir->WorkDir);
  EXPECT_EQ(dir().WorkDir, dir().TempDir + "Team/");
  EXPECT_EQ(app2.dir->WorkDir, dir().TempDir + "Team-2/");
  AddEvent(data_, "A2");
  AddEvent(data2, "B2");
  ASSERT_TRUE(files_->Save().ok());
  ASSERT_TRUE(files2.Save().ok());

  ASSERT_TRUE(files_->File_Open(a).ok());
  EXPECT_EQ(Summaries(data_), (std::vector<std::string>{"A", "A2"}));
  ASSERT_TRUE(files_->File_Open(b).ok());
  EXPECT_EQ(Summaries(data_), (std::vector<std::string>{"B", "B2"}));
}

TEST_F(CalendarFileTest, ACalendarFileInUseIsWaitedForThenRefused) {
  std::string cal = root_ / "Team.cal";
  ASSERT_TRUE(files_->SaveCalendarFile(cal).ok());
  const std::string lock = root_ / ".Team.cal.lock";
  using std::chrono::milliseconds;
  files_->set_lock_wait(milliseconds(300));
  {
    auto other = platform::FileLock::Acquire(lock, milliseconds(0), true);
    ASSERT_TRUE(other.ok());
    ui_.messages.clear();
    Status s = files_->File_Open(cal);
    EXPECT_EQ(s.code(), Status::Code::kBusy);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].rfind("The calendar file " + cal + " is in use by another program",
                                    0),
              0u)
        << ui_.messages[0];
  }
  ASSERT_TRUE(files_->File_Open(cal).ok());
  EXPECT_EQ(platform::FileLock::Acquire(lock, milliseconds(50)).status().code(),
            Status::Code::kBusy);
  // Opening the same file again and saving it keep the one lock.
  ASSERT_TRUE(files_->File_Open(cal).ok());
  ASSERT_TRUE(files_->Save().ok());
  EXPECT_EQ(platform::FileLock::Acquire(lock, milliseconds(50)).status().code(),
            Status::Code::kBusy);
  // Leaving the file lets go of it.
  ASSERT_TRUE(files_->DefaultWorkingDirectory().ok());
  EXPECT_TRUE(platform::FileLock::Acquire(lock, milliseconds(0)).ok());
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
