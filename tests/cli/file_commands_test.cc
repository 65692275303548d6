#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "app/file_util.h"
#include "app/text.h"
#include "support/cli_runner.h"
#include "support/temp_root.h"

namespace almanix {
namespace {

using testing::ReadAll;
using testing::WriteAll;

class FileCommandsTest : public ::testing::Test {
 protected:
  using Result = testing::CliResult;
  Result Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--root", data_});
    return testing::RunCli(args, root_.path());
  }

  testing::TempRoot root_;
  std::string data_ = root_ / "data/";
  std::string cal_ = root_ / "Club Calendar.cal";
};

TEST_F(FileCommandsTest, SavedCalendarKeepsEverythingThroughTheCalendarOption) {
  ASSERT_EQ(Cli({"event", "add", "--category", "2", "--summary", "Bake sale", "--start",
                 "2026-05-09 10:00"}).code, 0);
  ASSERT_EQ(Cli({"note", "set", "--category", "2", "--date", "2026-05-09", "Bring tables"}).code, 0);
  WriteAll(data_ + "Attachments/Home/2026-5-09/flyer.txt", "flyer");
  WriteAll(data_ + "Include/logo.png", "png");
  Result saved = Cli({"save", cal_});
  ASSERT_EQ(saved.code, 0) << saved.err;
  EXPECT_EQ(saved.out, cal_ + "\n");

  // A second, empty data folder opens the file and changes it.
  data_ = root_ / "other/";
  Result added = Cli({"--calendar", cal_, "event", "add", "--category", "2", "--summary",
                      "Clean-up", "--start", "2026-05-10"});
  ASSERT_EQ(added.code, 0) << added.err;
  Result list = Cli({"--calendar", cal_, "event", "list", "--from", "2026-05-09", "--to",
                     "2026-05-10"});
  ASSERT_EQ(list.code, 0) << list.err;
  EXPECT_EQ(list.out, "2026-05-09\t10:00\t1\tBake sale\n2026-05-10\t00:00\t2\tClean-up\n");
  Result opened = Cli({"open", cal_});
  ASSERT_EQ(opened.code, 0) << opened.err;
  std::string wd = Trim(opened.out);
  EXPECT_EQ(ReadAll(wd + "Attachments/Home/2026-5-09/flyer.txt"), "flyer");
  EXPECT_EQ(ReadAll(wd + "Include/logo.png"), "png");
  EXPECT_NE(ReadAll(wd + "DB/Year2026.db").find("Bring tables"), std::string::npos);
  // Sorted, the empty entry first.
  EXPECT_NE(ReadAll(data_ + "Config/application.ini").find("Reopen2=" + cal_),
            std::string::npos);
}

TEST_F(FileCommandsTest, NewAndBackup) {
  Result made = Cli({"new"});
  ASSERT_EQ(made.code, 0) << made.err;
  EXPECT_NE(made.out.find("/NewCal/"), std::string::npos) << made.out;
  std::string zip = root_ / "backup.zip";
  Result backup = Cli({"backup", zip});
  ASSERT_EQ(backup.code, 0) << backup.err;
  EXPECT_TRUE(FileExists(zip));
}

TEST_F(FileCommandsTest, BadCalendarFilesFail) {
  WriteAll(cal_, "not an archive");
  Result r = Cli({"open", cal_});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("almanix: "), std::string::npos);
  EXPECT_EQ(Cli({"--calendar", root_ / "missing.cal", "event", "list", "--from",
                 "2026-01-01", "--to", "2026-01-02"}).code, 1);
  EXPECT_EQ(ReadAll(cal_), "not an archive");  // untouched
  EXPECT_EQ(Cli({"save"}).code, 2);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

TEST_F(FileCommandsTest, TwoProgramsChangingOneCalendarLoseNothing) {
  ASSERT_EQ(Cli({"save", cal_}).code, 0);
  constexpr int kEach = 12;
  std::vector<int> codes[2];
  auto loop = [&](int who) {
    // Each program its own scratch folder for its output; the same data.
    std::string scratch = root_ / ("run" + std::to_string(who));
    std::filesystem::create_directories(scratch);
    for (int i = 0; i < kEach; ++i) {
      testing::CliResult r = testing::RunCli(
          {"--root", data_, "--calendar", cal_, "event", "add", "--category", "1", "--summary",
           "P" + std::to_string(who) + "-" + std::to_string(i), "--start", "2026-05-09"},
          scratch);
      codes[who].push_back(r.code);
    }
  };
  std::thread first(loop, 0), second(loop, 1);
  first.join();
  second.join();
  for (const std::vector<int>& c : codes) EXPECT_EQ(c, std::vector<int>(kEach, 0));
  Result list = Cli({"--calendar", cal_, "event", "list", "--from", "2026-05-09", "--to",
                     "2026-05-09"});
  ASSERT_EQ(list.code, 0) << list.err;
  EXPECT_EQ(Lines(list.out).size(), 2u * kEach) << list.out;
}

TEST_F(FileCommandsTest, ADamagedCalendarFailsAndIsLeftAsItWas) {
  ASSERT_EQ(Cli({"event", "add", "--category", "1", "--summary", "Kept", "--start",
                 "2026-05-09"}).code, 0);
  ASSERT_EQ(Cli({"save", cal_}).code, 0);
  // One flipped bit in the CRC of the events table, in both headers.
  std::string bytes = ReadAll(cal_);
  int flipped = 0;
  for (const char* signature : {"PK\3\4", "PK\1\2"}) {
    size_t name_at = signature[2] == 3 ? 30 : 46;
    size_t crc_at = signature[2] == 3 ? 14 : 16;
    for (size_t at = bytes.find(signature); at != std::string::npos;
         at = bytes.find(signature, at + 4)) {
      if (bytes.compare(at + name_at, 12, "db/Events.db") == 0) {
        bytes[at + crc_at] ^= 0x10;
        ++flipped;
      }
    }
  }
  ASSERT_EQ(flipped, 2);
  WriteAll(cal_, bytes);

  Result added = Cli({"--calendar", cal_, "event", "add", "--category", "1", "--summary",
                      "Lost?", "--start", "2026-05-10"});
  EXPECT_EQ(added.code, 1);
  EXPECT_NE(added.err.find("is damaged: entries that cannot be read: db/Events.db"),
            std::string::npos)
      << added.err;
  Result opened = Cli({"open", cal_});
  EXPECT_EQ(opened.code, 1);
  EXPECT_TRUE(ReadAll(cal_) == bytes);
}

}  // namespace
}  // namespace almanix
