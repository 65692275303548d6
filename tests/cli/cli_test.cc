#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "app/comma_text.h"
#include "app/file_util.h"
#include "app/ini_file.h"
#include "app/text.h"
#include "store/db_engine.h"
#include "support/cli_runner.h"
#include "support/temp_root.h"

namespace almanix {
namespace {

using testing::ReadAll;

using testing::CliResult;

class CliTest : public ::testing::Test {
 protected:
  CliResult Cli(const std::vector<std::string>& args) {
    return testing::RunCli(args, root_.path());
  }
  // Every file under the folder with its modification time.
  std::map<std::string, std::filesystem::file_time_type> Snapshot(
      const std::string& folder) {
    std::map<std::string, std::filesystem::file_time_type> files;
    for (auto& e : std::filesystem::recursive_directory_iterator(folder)) {
      if (e.is_regular_file()) files[e.path().string()] = e.last_write_time();
    }
    return files;
  }

  testing::TempRoot root_;
  std::string data_ = root_ / "data/";
};

TEST_F(CliTest, InitSeedsTheDataFolderAsAFirstStartDoes) {
  CliResult r = Cli({"--root", data_, "init"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, data_ + "\n");
  EXPECT_NE(r.err.find("What type of calendar do you want to keep? [My personal calendar]"),
            std::string::npos)
      << r.err;
  EXPECT_TRUE(DirectoryExists(data_ + "DB"));
  IniFile ini(data_ + "Config/application.ini");
  ASSERT_TRUE(ini.Load().ok());
  EXPECT_EQ(ini.Keys("Application").size(), 22u);
  EXPECT_EQ(ini.Keys("EmailReminder").size(), 10u);
  EXPECT_TRUE(ini.ValueExists("Import", "FilePath"));
  EXPECT_EQ(SplitCommaText(ini.ReadString("Application", "CalendarList", "")).size(), 30u);
  for (const char* f : {"Config/US.ini", "Config/Canada.ini", "Config/popup.css",
                        "Wait/wait.html", "Wait/notpublished.html"}) {
    EXPECT_TRUE(FileExists(data_ + f)) << f;
  }
  auto logs = std::filesystem::directory_iterator(data_ + "Log/Log");
  ASSERT_NE(logs, std::filesystem::directory_iterator());
  std::string log = ReadAll(logs->path().string());
  EXPECT_NE(log.find("\tLog Created\t"), std::string::npos);
  EXPECT_EQ(logs->path().filename().string().rfind("Log-", 0), 0u);
}

TEST_F(CliTest, SecondInitCopiesNothing) {
  ASSERT_EQ(Cli({"--root", data_, "init"}).code, 0);
  auto before = Snapshot(data_);
  ASSERT_EQ(Cli({"--root", data_, "init"}).code, 0);
  auto after = Snapshot(data_);
  for (const auto& [path, time] : after) {
    // The configuration is written back at every start, the log grows.
    if (path.find("/Log/") != std::string::npos ||
        path.find("application.ini") != std::string::npos) {
      continue;
    }
    ASSERT_TRUE(before.count(path)) << "new file " << path;
    EXPECT_EQ(before[path], time) << "rewritten " << path;
  }
}

TEST_F(CliTest, InitWithAPresetStoresItsNames) {
  CliResult r = Cli({"init", "--preset", "Work Schedule", "--root", data_});
  ASSERT_EQ(r.code, 0) << r.err;
  IniFile ini(data_ + "Config/application.ini");
  ASSERT_TRUE(ini.Load().ok());
  EXPECT_EQ(ini.ReadString("Application", "CalendarList", "").rfind(
                "\"Morning Shift\",\"Afternoon Shift\",\"Night Shift\",,", 0),
            0u);
  // The 2010 tables that came with the templates were made anew for the type.
  {
    store::Database db;
    ASSERT_TRUE(db.Open(data_ + "DB").ok());
    store::Query q(db);
    ASSERT_TRUE(q.Open("Select * from calendar2010 order by ID asc ").ok());
    EXPECT_EQ(q.AsString("Name"), "Morning Shift");
    ASSERT_TRUE(q.Open("Select * from events").ok());
    EXPECT_TRUE(q.HasField("Description15"));
  }
  // Only a first start asks; later the categories stay.
  CliResult again = Cli({"--root", data_, "init", "--preset", "Church calendar"});
  EXPECT_EQ(again.code, 0);
  EXPECT_NE(again.err.find("--preset applies to a first start only"), std::string::npos);
  ASSERT_TRUE(ini.Load().ok());
  EXPECT_EQ(SplitCommaText(ini.ReadString("Application", "CalendarList", ""))[0],
            "Morning Shift");
  // The trailing blank of this type's name is not needed on the command line.
  std::string school = root_ / "school/";
  ASSERT_EQ(Cli({"--root", school, "init", "--preset", "School calendar"}).code, 0);
  ini = IniFile(school + "Config/application.ini");
  ASSERT_TRUE(ini.Load().ok());
  EXPECT_EQ(SplitCommaText(ini.ReadString("Application", "CalendarList", ""))[17],
            "Phys ed");
}

TEST_F(CliTest, WorkdirIsSeededFromTheTemplates) {
  std::string wd = root_ / "club calendar";
  CliResult r = Cli({"--root", data_, "--workdir", wd, "init"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, wd + "/\n");
  EXPECT_TRUE(FileExists(wd + "/Config/US.ini"));
  EXPECT_TRUE(FileExists(wd + "/Config/popup.css"));
  EXPECT_TRUE(DirectoryExists(wd + "/DB"));
  EXPECT_TRUE(DirectoryExists(wd + "/Favorites"));
}

TEST_F(CliTest, UsageErrors) {
  CliResult none = Cli({"--root", data_});
  EXPECT_EQ(none.code, 2);
  EXPECT_NE(none.err.find("almanix: no command given"), std::string::npos);
  CliResult unknown = Cli({"--root", data_, "frobnicate"});
  EXPECT_EQ(unknown.code, 2);
  EXPECT_NE(unknown.err.find("almanix: unknown command frobnicate"), std::string::npos);
  CliResult preset = Cli({"--root", data_, "init", "--preset", "Knitting circle"});
  EXPECT_EQ(preset.code, 2);
  EXPECT_NE(preset.err.find("\"Church calendar\""), std::string::npos);
  EXPECT_EQ(Cli({"--root"}).code, 2);
  EXPECT_EQ(Cli({"--root", data_, "--year", "1999", "init"}).code, 2);
  EXPECT_EQ(Cli({"--root", data_, "init", "--bogus"}).code, 2);
  EXPECT_FALSE(DirectoryExists(data_ + "DB"));  // nothing ran
  CliResult help = Cli({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("usage: almanix-cli"), std::string::npos);
  CliResult init_help = Cli({"init", "--help"});
  EXPECT_EQ(init_help.code, 0);
  EXPECT_NE(init_help.out.find("\"Teacher's calendar\""), std::string::npos);
  // Every command prints its own usage, and runs nothing.
  for (std::vector<std::string> command :
       {std::vector<std::string>{"event", "add"}, {"event", "list"}, {"note", "set"},
        {"holiday", "set"}, {"save"}, {"generate"}}) {
    const std::string first = command.front();
    command.push_back("--help");
    CliResult own = Cli(command);
    EXPECT_EQ(own.code, 0) << first;
    EXPECT_EQ(own.out.rfind("usage: almanix-cli", 0), 0u) << own.out;
    EXPECT_NE(own.out.find(first), std::string::npos) << own.out;
  }
  EXPECT_FALSE(DirectoryExists(data_ + "DB"));
}

TEST_F(CliTest, AGarbledConfigurationStillStarts) {
  ASSERT_EQ(Cli({"--root", data_, "init"}).code, 0);
  static const char kGarbled[] = "\x00\xff[Application]\nWidth=\xff\xfe\nLeft=9e99\n";
  testing::WriteAll(data_ + "Config/application.ini",
                    std::string(kGarbled, sizeof kGarbled - 1));
  testing::WriteAll(data_ + "Config/folders.txt", std::string(100000, '\x01'));
  CliResult r = Cli({"--root", data_, "init"});
  EXPECT_EQ(r.code, 0) << r.err;
  IniFile ini(data_ + "Config/application.ini");
  ASSERT_TRUE(ini.Load().ok());
  EXPECT_EQ(ini.ReadInteger("Application", "Left", 0), 2);
}

// Everything under the folder (folders too), with each file's bytes.
std::map<std::string, std::string> Contents(const std::string& folder) {
  std::map<std::string, std::string> out;
  for (auto& e : std::filesystem::recursive_directory_iterator(folder)) {
    out[e.path().string()] = e.is_regular_file() ? ReadAll(e.path().string()) : "<dir>";
  }
  return out;
}

// application.ini keeps the start-up folder as an absolute path; a per-user
// folder copied whole must still work on its own.
TEST_F(CliTest, ACopiedRootNeverWritesIntoTheOriginal) {
  const std::string copy = root_ / "copy/";
  ASSERT_EQ(Cli({"--root", data_, "init"}).code, 0);
  ASSERT_EQ(Cli({"--root", data_, "event", "add", "--category", "1", "--summary", "First",
                 "--start", "2010-01-04"})
                .code,
            0);
  ASSERT_EQ(std::system(("cp -a " + testing::ShellQuote(data_) + " " +
                         testing::ShellQuote(copy))
                            .c_str()),
            0);
  const auto before = Contents(data_);
  CliResult added = Cli({"--root", copy, "event", "add", "--category", "1", "--summary",
                         "Second", "--start", "2010-01-05"});
  ASSERT_EQ(added.code, 0) << added.err;
  EXPECT_EQ(added.out, "2\n");
  EXPECT_EQ(Cli({"--root", copy, "init"}).out, copy + "\n");
  const auto after = Contents(data_);
  for (const auto& [path, bytes] : after) {
    auto old = before.find(path);
    ASSERT_NE(old, before.end()) << "new in the original: " << path;
    EXPECT_TRUE(old->second == bytes) << "changed in the original: " << path;
  }
  EXPECT_EQ(after.size(), before.size());
  EXPECT_EQ(Cli({"--root", data_, "event", "list", "--from", "2010-01-01", "--to",
                 "2010-01-31"})
                .out,
            "2010-01-04\t00:00\t1\tFirst\n");
  EXPECT_EQ(Cli({"--root", copy, "event", "list", "--from", "2010-01-01", "--to",
                 "2010-01-31"})
                .out,
            "2010-01-04\t00:00\t1\tFirst\n2010-01-05\t00:00\t2\tSecond\n");
  // The copy's configuration now names its own start-up folder, and its log
  // says why.
  IniFile ini(copy + "Config/application.ini");
  ASSERT_TRUE(ini.Load().ok());
  EXPECT_EQ(ini.ReadString("Application", "startup", ""), copy + "DB/");
  std::string log;
  for (auto& e : std::filesystem::directory_iterator(copy + "Log/Log")) {
    log += ReadAll(e.path().string());
  }
  EXPECT_NE(log.find("Config.startup outside the root, not used: " + data_ + "DB/"),
            std::string::npos)
      << log;
}

// A start-up folder inside the root is still where the program starts.
TEST_F(CliTest, AStartUpFolderInsideTheRootIsStillUsed) {
  ASSERT_EQ(Cli({"--root", data_, "init"}).code, 0);
  const std::string work = data_ + "Work/";
  ASSERT_EQ(Cli({"--root", data_, "--workdir", work, "init"}).code, 0);
  IniFile ini(data_ + "Config/application.ini");
  ASSERT_TRUE(ini.Load().ok());
  ini.WriteString("Application", "startup", work);
  ASSERT_TRUE(ini.Save().ok());
  CliResult r = Cli({"--root", data_, "init"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, work + "\n");
}

}  // namespace
}  // namespace almanix
