#include "app/dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "app/comma_text.h"
#include "app/file_util.h"
#include "app/log.h"
#include "platform/system_info.h"
#include "support/fake_ui.h"
#include "support/fixture.h"

namespace almanix {
namespace {

using testing::Exists;
using testing::ReadAll;
using testing::WriteAll;

class DirTest : public ::testing::Test {
 protected:
  TDir Make() { return TDir(fx_.install, fx_.places, fx_.opener, fx_.trash, &ui_); }

  testing::InstallFixture fx_;
  testing::FakeUi ui_;
};

// ---- Construction and first-run seeding ----

TEST_F(DirTest, FirstRunSeedsTablesConfigAndWaitPages) {
  TDir dir = Make();
  EXPECT_EQ(dir.UserDataDir, fx_.places.user_data);
  EXPECT_EQ(dir.DbDir, dir.UserDataDir + "DB/");
  for (const char* t : {"Events.db", "Calendar2010.db", "Year2010.db"}) {
    EXPECT_EQ(ReadAll(dir.DbDir + t), std::string("template ") + t);
  }
  EXPECT_TRUE(Exists(dir.ConfigDir + "application.ini"));
  EXPECT_TRUE(Exists(dir.ConfigDir + "popup.css"));
  EXPECT_TRUE(Exists(dir.WaitDir + "wait.html"));
  EXPECT_TRUE(Exists(dir.WaitDir + "notpublished.html"));
  for (const std::string* f : {&dir.LogDir, &dir.BuildDir, &dir.FavoritesDir,
                               &dir.IncludeDir, &dir.ImportDir, &dir.HomepageDir,
                               &dir.DesktopDir, &dir.StylesDir, &dir.ActionBarDir,
                               &dir.AttachmentsDir, &dir.OpenCalendarDir}) {
    EXPECT_TRUE(DirectoryExists(*f)) << *f;
  }
  EXPECT_TRUE(DirectoryExists(dir.PrivateDir));
  EXPECT_EQ(dir.PrivateDir.back(), 'e');  // "Private", no trailing slash
  EXPECT_EQ(dir.TemplateConfigDir, dir.InstallDir + "Config");
  EXPECT_EQ(dir.BuildDir, dir.TempDir + "almanix/Build/");
  EXPECT_EQ(dir.CalendarName, "Default");
  EXPECT_TRUE(dir.CalendarFile.empty());
}

TEST_F(DirTest, FirstRunInstallsTheSharedLibraryOnce) {
  { TDir first = Make(); }
  std::string styles = fx_.places.common_data + "Styles/";
  EXPECT_TRUE(FileExists(styles + "Default/Style.css"));
  EXPECT_TRUE(FileExists(fx_.places.common_data + "Language/English/months.txt"));
  // A library someone changed stays as it is.
  WriteAll(styles + "Default/Style.css", "mine");
  WriteAll(styles + "Mine/Style.css", "mine too");
  TDir second = Make();
  EXPECT_EQ(ReadAll(styles + "Default/Style.css"), "mine");
  EXPECT_EQ(second.StylesDir, styles);
}

TEST_F(DirTest, SecondRunCopiesNothing) {
  { TDir first = Make(); }
  std::string db = fx_.places.user_data + "DB/";
  WriteAll(db + "Events.db", "user data");
  WriteAll(fx_.places.user_data + "Config/application.ini", "[Application]\r\nX=1\r\n");
  std::remove((fx_.places.user_data + "Config/popup.css").c_str());
  TDir second = Make();
  EXPECT_EQ(ReadAll(db + "Events.db"), "user data");
  EXPECT_EQ(ReadAll(second.ConfigDir + "application.ini"), "[Application]\r\nX=1\r\n");
  // The configuration is only seeded as a whole on a first run.
  EXPECT_FALSE(Exists(second.ConfigDir + "popup.css"));
}

TEST_F(DirTest, OneMissingTableIsCopiedBackAlone) {
  { TDir first = Make(); }
  std::string db = fx_.places.user_data + "DB/";
  WriteAll(db + "Events.db", "mine");
  WriteAll(db + "Year2010.db", "my year");
  std::remove((db + "Calendar2010.db").c_str());
  TDir second = Make();
  EXPECT_EQ(ReadAll(db + "Calendar2010.db"), "itemplate Calendar2010.db");
  EXPECT_EQ(ReadAll(db + "Events.db"), "mine");
  EXPECT_EQ(ReadAll(db + "Year2010.db"), "my year");
}

TEST_F(DirTest, TablesAreFoundWithoutRegardToCase) {
  std::string db = fx_.places.user_data + "DB/";
  WriteAll(db + "events.db", "lower");
  TDir dir = Make();
  EXPECT_EQ(ReadAll(db + "events.db"), "lower");
  EXPECT_FALSE(Exists(db + "Events.db"));
}

TEST_F(DirTest, MissingInstallTemplatesAreNoFailure) {
  std::filesystem::remove_all(fx_.install + "DB");
  std::filesystem::remove_all(fx_.install + "iDB");
  std::filesystem::remove_all(fx_.install + "Config");
  TDir dir = Make();
  EXPECT_TRUE(DirectoryExists(dir.DbDir));
  EXPECT_TRUE(DirectoryExists(dir.ConfigDir));
  EXPECT_FALSE(Exists(dir.DbDir + "Events.db"));
}

TEST_F(DirTest, FolderMapReadsBackslashesAsSlashes) {
  std::string shared = fx_.root / "Shared";
  std::filesystem::create_directories(shared);
  std::string windows_form = shared;
  for (char& c : windows_form) {
    if (c == '/') c = '\\';
  }
  WriteAll(fx_.places.user_data + "Config/folders.txt",
           "Work=" + windows_form + "\\\r\nHome=" + (fx_.root / "missing/") + "\r\n");
  TDir dir = Make();
  ASSERT_EQ(dir.FolderMap.size(), 2u);
  EXPECT_EQ(dir.DayFolderPath("Work", "2010", "3", "5"), shared + "/Work/2010-3-05/");
  // A mapped folder that does not exist is ignored.
  EXPECT_EQ(dir.CategoryRoot("Home"), dir.AttachmentsDir);
  EXPECT_EQ(dir.CategoryRoot("work"), shared + "/");
}

TEST_F(DirTest, GarbledFolderMapGivesNoMapping) {
  static const char kJunk[] = "\x00\xff\xfe=\x80\x81\n\n=\n===\nno equals\n";
  WriteAll(fx_.places.user_data + "Config/folders.txt",
           std::string(kJunk, sizeof kJunk - 1));
  TDir dir = Make();
  EXPECT_EQ(dir.CategoryRoot("Work"), dir.AttachmentsDir);
  EXPECT_EQ(dir.CategoryRoot(""), dir.AttachmentsDir);
}

TEST_F(DirTest, DayFolderPathPadsTheDay) {
  TDir dir = Make();
  EXPECT_EQ(dir.DayFolderPath("Home", "2010", "11", "12"),
            dir.AttachmentsDir + "Home/2010-11-12/");
  EXPECT_EQ(dir.DayFolderPath("Home", "2010", "1", "1"),
            dir.AttachmentsDir + "Home/2010-1-01/");
  EXPECT_EQ(dir.DayFolderPath("Home", "2010", "1", ""),
            dir.AttachmentsDir + "Home/2010-1/");
}

TEST_F(DirTest, CategoryIconFallsBackToDefault) {
  TDir dir = Make();
  EXPECT_EQ(dir.CategoryIconPath("Work"), dir.IconsDir + "Work.ico");
  EXPECT_EQ(dir.CategoryIconPath("Travel"), dir.IconsDir + "default.ico");
  EXPECT_EQ(dir.CategoryIconPath(""), dir.IconsDir + "default.ico");
}

TEST_F(DirTest, CategoryIconsFromOneListingMatchOneByOne) {
  TDir dir = Make();
  WriteAll(dir.IconsDir + "HOLIDAYS.ICO", "i");
  std::filesystem::create_directories(dir.IconsDir + "Folder.ico");
  const std::vector<std::string> names{"Work", "work", "Holidays", "Travel", "",
                                       "Folder", "Work"};
  std::vector<std::string> one_by_one;
  for (const std::string& n : names) one_by_one.push_back(dir.CategoryIconPath(n));
  EXPECT_EQ(dir.CategoryIconPaths(names), one_by_one);
  EXPECT_EQ(one_by_one[2], dir.IconsDir + "HOLIDAYS.ICO");
  EXPECT_EQ(one_by_one[5], dir.IconsDir + "default.ico");
}

// ---- Working directory ----

TEST_F(DirTest, SetWorkDirSeedsAnEmptyFolderFromTheTemplates) {
  TDir dir = Make();
  std::string wd = fx_.root / "cal";
  std::filesystem::create_directories(wd);
  dir.SetWorkDir(wd);
  EXPECT_EQ(dir.WorkDir, wd + "/");
  EXPECT_EQ(dir.DbDir, wd + "/DB/");
  EXPECT_EQ(dir.NetFileDir, dir.DbDir);
  EXPECT_TRUE(Exists(dir.ConfigDir + "US.ini"));  // from iCONFIG
  EXPECT_EQ(ReadAll(dir.DbDir + "Events.db"), "itemplate Events.db");
  // iCONFIG lacks the two style sheets; they come from Config.
  EXPECT_EQ(ReadAll(dir.ConfigDir + "popup.css"), ".bpop{}\n");
  EXPECT_TRUE(Exists(dir.ConfigDir + "eventlist.css"));
  EXPECT_TRUE(DirectoryExists(dir.FavoritesDir));
  EXPECT_TRUE(DirectoryExists(dir.IncludeDir));
  EXPECT_TRUE(DirectoryExists(dir.AttachmentsDir));
  // Fields outside the working directory stay.
  EXPECT_EQ(dir.LogDir, dir.UserDataDir + "Log/");
  EXPECT_EQ(dir.PrivateDir, dir.UserDataDir + "Private");
}

TEST_F(DirTest, SetWorkDirKeepsWhatTheFolderHas) {
  TDir dir = Make();
  std::string wd = fx_.root / "cal/";
  WriteAll(wd + "Config/popup.css", "mine");
  WriteAll(wd + "DB/Events.db", "my events");
  dir.SetWorkDir(wd);
  EXPECT_EQ(ReadAll(wd + "Config/popup.css"), "mine");
  EXPECT_EQ(ReadAll(wd + "DB/Events.db"), "my events");
  EXPECT_FALSE(Exists(wd + "DB/Year2010.db"));
}

TEST_F(DirTest, RecentWorkDirsStaySortedAndDistinct) {
  TDir dir = Make();
  std::string base = fx_.root.path();
  dir.RecentWorkDirs = {base + "b/", base + "a/", "", "", ""};
  dir.SetWorkDir(base + "c/");
  std::array<std::string, 5> expected = {"", base + "a/", base + "b/", base + "c/", ""};
  EXPECT_EQ(dir.RecentWorkDirs, expected);
  // Again: nothing doubles.
  dir.SetWorkDir(base + "a/");
  EXPECT_EQ(dir.RecentWorkDirs, expected);
}

TEST_F(DirTest, RecentWorkDirsDropTheNewestWhenItSortsLast) {
  TDir dir = Make();
  std::string b = fx_.root.path();
  dir.RecentWorkDirs = {b + "A/", b + "b/", b + "C/", b + "d/", b + "E/"};
  dir.SetWorkDir(b + "z/");
  std::array<std::string, 5> expected = {b + "A/", b + "b/", b + "C/", b + "d/",
                                         b + "E/"};
  EXPECT_EQ(dir.RecentWorkDirs, expected);
}

// ---- Temporary folders ----

TEST_F(DirTest, MakeTempDirGivesAnEmptyFolder) {
  TDir dir = Make();
  std::string first = dir.MakeTempDir("Holiday Plans");
  EXPECT_EQ(first, dir.TempDir + "Holiday Plans/");
  WriteAll(first + "DB/Events.db", "old");
  WriteAll(first + "deep/er/file.txt", "x");
  chmod((first + "deep/er/file.txt").c_str(), 0444);
  std::string again = dir.MakeTempDir("Holiday Plans");
  EXPECT_EQ(again, first);
  EXPECT_TRUE(DirectoryExists(again));
  EXPECT_EQ(TDir::FolderCounts(again).files + TDir::FolderCounts(again).subfolders, 0);
  EXPECT_EQ(dir.OpenCalendarDir, again);
  EXPECT_EQ(dir.MakeTempDir(""), dir.TempDir + "Almanix/");
}

TEST_F(DirTest, MakeTempDirWithAnUndeletableTargetLogsAndTakesAnother) {
  TDir dir = Make();
  TLog log(dir.LogDir, "Log", platform::SystemInfo{});
  dir.set_log(&log);
  std::string target = dir.TempDir + "Locked/";
  WriteAll(target + "inside.txt", "x");
  // An immutable folder stops even root; file systems without the flag skip.
  if (std::system(("chattr +i '" + target + "' 2>/dev/null").c_str()) != 0) {
    GTEST_SKIP() << "chattr +i is not supported here";
  }
  std::string made = dir.MakeTempDir("Locked");
  std::system(("chattr -i '" + target + "'").c_str());
  EXPECT_NE(made, target);
  EXPECT_EQ(made.rfind(dir.TempDir + "Locked", 0), 0u);
  EXPECT_TRUE(DirectoryExists(made));
  std::string text = ReadAll(log.CurrentFile());
  for (const char* line : {"Zapdir1.could not clear directory:",
                           "Zapdir2.could not clear directory:",
                           "Zapdir3.could not clear directory:",
                           "MakeTempDir.could not clear directory after 3 tries:"}) {
    EXPECT_NE(text.find(std::string(line) + target), std::string::npos) << line;
  }
  EXPECT_NE(text.find("dir.open is " + made), std::string::npos);
}

// ---- Deleting trees ----

TEST_F(DirTest, Zapdir1RemovesATreeButNeverFollowsLinks) {
  TDir dir = Make();
  std::string outside = fx_.root / "outside/";
  WriteAll(outside + "keep.txt", "keep");
  std::string tree = fx_.root / "tree/";
  WriteAll(tree + "a/b/c.txt", "c");
  WriteAll(tree + ".hidden", "h");
  chmod((tree + "a/b/c.txt").c_str(), 0400);
  std::filesystem::create_directory_symlink(outside, tree + "link");
  chmod((tree + "a").c_str(), 0500);
  EXPECT_TRUE(dir.Zapdir1(tree));
  EXPECT_FALSE(PathExists(tree));
  EXPECT_EQ(ReadAll(outside + "keep.txt"), "keep");
}

TEST_F(DirTest, Zapdir1RefusesRootsAndHome) {
  TDir dir = Make();
  TLog log(dir.LogDir, "Log", platform::SystemInfo{});
  dir.set_log(&log);
  EXPECT_FALSE(dir.Zapdir1("/"));
  EXPECT_FALSE(dir.Zapdir1("/proc"));  // a mount point
  // The home folder and the folders above it, however they are written.
  std::string home = fx_.root / "home";
  std::filesystem::create_directories(home + "/me/docs");
  WriteAll(home + "/me/docs/letter.txt", "dear");
  const char* old_home = std::getenv("HOME");
  std::string saved_home = old_home ? old_home : "";
  setenv("HOME", (home + "/me").c_str(), 1);
  EXPECT_FALSE(dir.Zapdir1(home + "/me"));
  EXPECT_FALSE(dir.Zapdir1(home + "/me/docs/.."));
  EXPECT_FALSE(dir.Zapdir1(home));
  EXPECT_FALSE(dir.Zapdir2(home + "/me"));
  EXPECT_FALSE(dir.Zapdir3(home + "/me"));
  EXPECT_EQ(ReadAll(home + "/me/docs/letter.txt"), "dear");
  EXPECT_TRUE(dir.Zapdir1(home + "/me/docs"));
  setenv("HOME", saved_home.c_str(), 1);
  EXPECT_NE(ReadAll(log.CurrentFile()).find("zapdir.can not remove file:/"),
            std::string::npos);
}

TEST_F(DirTest, Zapdir2MovesTheFolderToTheTrash) {
  TDir dir = Make();
  std::string tree = fx_.root / "My Calendar/";
  WriteAll(tree + "DB/Events.db", "e");
  EXPECT_TRUE(dir.Zapdir2(tree));
  EXPECT_FALSE(PathExists(tree));
  std::string trash = fx_.root / "trash/";
  EXPECT_EQ(ReadAll(trash + "files/My Calendar/DB/Events.db"), "e");
  std::string info = ReadAll(trash + "info/My Calendar.trashinfo");
  EXPECT_EQ(info.rfind("[Trash Info]\nPath=/", 0), 0u) << info;
  EXPECT_NE(info.find("My%20Calendar\nDeletionDate="), std::string::npos) << info;
  // A second folder of the same name gets its own entry.
  WriteAll(tree + "x", "2");
  EXPECT_TRUE(dir.Zapdir2(tree));
  EXPECT_EQ(ReadAll(trash + "files/My Calendar.2/x"), "2");
}

TEST_F(DirTest, Zapdir3RemovesOnlyFilesAndEmptyFolders) {
  TDir dir = Make();
  TLog log(dir.LogDir, "Log", platform::SystemInfo{});
  dir.set_log(&log);
  std::string tree = fx_.root / "flat/";
  WriteAll(tree + "a.txt", "a");
  std::filesystem::create_directories(tree + "empty");
  EXPECT_TRUE(dir.Zapdir3(tree));
  EXPECT_FALSE(PathExists(tree));

  WriteAll(tree + "b.txt", "b");
  WriteAll(tree + "full/c.txt", "c");
  EXPECT_FALSE(dir.Zapdir3(tree));
  EXPECT_FALSE(Exists(tree + "b.txt"));
  EXPECT_TRUE(Exists(tree + "full/c.txt"));
  std::string text = ReadAll(log.CurrentFile());
  EXPECT_NE(text.find("zapdir.can not erase file: " + tree), std::string::npos);
  EXPECT_NE(text.find("can not zapdir: '" + tree + ", "), std::string::npos);
}

// ---- Copying, listing, counting ----

TEST_F(DirTest, CopyTreeIntoAnExistingFolderLandsInsideIt) {
  TDir dir = Make();
  std::string src = fx_.root / "src/Config/";
  WriteAll(src + "a.ini", "a");
  WriteAll(src + "sub/b.ini", "b");
  std::string target = fx_.root / "target/";
  WriteAll(target + "Config/old.ini", "old");
  WriteAll(target + "Config/a.ini", "replaced");
  EXPECT_TRUE(dir.CopyTree(src, target));
  EXPECT_EQ(ReadAll(target + "Config/a.ini"), "a");
  EXPECT_EQ(ReadAll(target + "Config/sub/b.ini"), "b");
  EXPECT_EQ(ReadAll(target + "Config/old.ini"), "old");

  std::string fresh = fx_.root / "fresh/copy";
  EXPECT_TRUE(dir.CopyTree(src, fresh, "N"));
  EXPECT_EQ(ReadAll(fresh + "/a.ini"), "a");
}

TEST_F(DirTest, CopyTreeRefusesWhatCannotWork) {
  TDir dir = Make();
  std::string src = fx_.root / "src/";
  WriteAll(src + "a", "a");
  EXPECT_FALSE(dir.CopyTree(fx_.root / "missing", fx_.root / "t"));
  EXPECT_FALSE(dir.CopyTree(src, src + "inner"));  // into itself
  EXPECT_FALSE(dir.CopyTree(src, std::string(5000, 'x')));
}

TEST_F(DirTest, ListingGivesQuotedCommaText) {
  std::string f = fx_.root / "list/";
  WriteAll(f + "b.txt", "");
  WriteAll(f + "A.TXT", "12345");
  WriteAll(f + "my picture.jpg", "123");
  WriteAll(f + "say \"hi\".txt", "");
  std::filesystem::create_directories(f + "Sub Folder");
  std::filesystem::create_directories(f + "other");
  EXPECT_EQ(TDir::ListFiles(f, "*.txt"), "\"A.TXT\",\"b.txt\",\"say \"\"hi\"\".txt\"");
  EXPECT_EQ(SplitCommaText(TDir::ListFiles(f, "*.*")),
            (std::vector<std::string>{"A.TXT", "b.txt", "my picture.jpg",
                                      "say \"hi\".txt"}));
  EXPECT_EQ(TDir::ListSubfolders(f.substr(0, f.size() - 1), "*.*"),
            "\"other\",\"Sub Folder\"");
  EXPECT_EQ(TDir::ListFiles(f, "*.gif"), "");
  EXPECT_EQ(TDir::ListFiles(fx_.root / "nowhere", "*.*"), "");
  TDir::Counts c = TDir::FolderCounts(f);
  EXPECT_EQ(c.files, 4);
  EXPECT_EQ(c.subfolders, 2);
  EXPECT_EQ(c.bytes, 8u);
  EXPECT_FALSE(TDir::FolderIsEmpty(f));
  EXPECT_TRUE(TDir::FolderIsEmpty(fx_.root / "nowhere"));
  std::filesystem::create_directories(fx_.root / "empty");
  EXPECT_TRUE(TDir::FolderIsEmpty(fx_.root / "empty"));
  WriteAll(fx_.root / "empty/.hidden", "");
  EXPECT_FALSE(TDir::FolderIsEmpty(fx_.root / "empty"));
}

TEST_F(DirTest, FileCopiesAndDeletes) {
  std::string a = fx_.root / "a/", b = fx_.root / "b/";
  WriteAll(a + "one.txt", "1");
  WriteAll(a + "sub/two.txt", "2");
  WriteAll(b + "one.txt", "old");
  EXPECT_TRUE(TDir::CopyIfPresent(a + "one.txt", b + "one.txt"));
  EXPECT_EQ(ReadAll(b + "one.txt"), "old");  // never overwrites
  EXPECT_FALSE(TDir::CopyIfPresent(a + "none.txt", b + "none.txt"));
  TDir::CopyFolderFiles(a, b);
  EXPECT_EQ(ReadAll(b + "one.txt"), "1");
  EXPECT_FALSE(Exists(b + "sub"));

  WriteAll(b + ".keep", "k");
  WriteAll(b + "dir/inner", "i");
  TDir::DeleteFolderFiles(b);
  EXPECT_FALSE(Exists(b + "one.txt"));
  EXPECT_TRUE(Exists(b + ".keep"));
  EXPECT_TRUE(Exists(b + "dir/inner"));
}

TEST_F(DirTest, NextFreeNameCountsFromOne) {
  std::string f = fx_.root / "styles";
  std::filesystem::create_directories(f + "/MyStyle1");
  std::filesystem::create_directories(f + "/MyStyle2");
  EXPECT_EQ(TDir::NextFreeName(f, "MyStyle"), "MyStyle3");
  for (int n = 1; n <= 100; ++n) {
    std::filesystem::create_directories(f + "/Full" + std::to_string(n));
  }
  EXPECT_EQ(TDir::NextFreeName(f, "Full"), "");
}

TEST_F(DirTest, EnsureDirReportsAFileInTheWay) {
  WriteAll(fx_.root / "plain", "file");
  EXPECT_FALSE(TDir::EnsureDir(fx_.root / "plain/sub/").ok());
  EXPECT_TRUE(TDir::EnsureDir(fx_.root / "x/y/z/").ok());
  EXPECT_TRUE(DirectoryExists(fx_.root / "x/y/z"));
}

TEST_F(DirTest, BrowseForFolderGoesThroughTheSeam) {
  TDir dir = Make();
  ui_.picks.push_back("/srv/calendars");
  EXPECT_EQ(dir.BrowseForFolder("Select a folder"), "/srv/calendars/");
  EXPECT_EQ(dir.BrowseForFolder("Select a folder"), "");
  EXPECT_EQ(ui_.questions.back(), "Select a folder");
}

}  // namespace
}  // namespace almanix
