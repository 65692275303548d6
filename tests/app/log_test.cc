#include "app/log.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "app/dates.h"
#include "app/file_util.h"
#include "app/text.h"
#include "platform/system_info.h"
#include "support/temp_root.h"

namespace almanix {
namespace {

using testing::ReadAll;

// Tests run with TZ=UTC, so a time_t is read as the wall-clock time.
std::time_t At(int y, int mo, int d, int h, int mi, int s) {
  return ToTimeT(EncodeDateTime({y, mo, d, h, mi, s, 0}));
}

class LogTest : public ::testing::Test {
 protected:
  TLog MakeLog() {
    platform::SystemInfo info;
    info.version_text = "Debian GNU/Linux 12 (bookworm) 6.1.0";
    info.platform = "Linux";
    info.major = 6;
    info.minor = 1;
    info.build = 0;
    info.csd = "#1 SMP";
    ::mkdir((root_ / "Log").c_str(), 0755);  // LogDir exists before the log
    return TLog(root_ / "Log/", "Log", info, [this] { return now_; });
  }

  testing::TempRoot root_;
  std::time_t now_ = At(2026, 12, 8, 9, 5, 3);
};

TEST_F(LogTest, OneFileADayWithTheLineFormat) {
  TLog log = MakeLog();
  EXPECT_EQ(log.CurrentFile(), root_ / "Log/Log/Log-Dec-8-2026.txt");
  log.Info("DB.init");
  now_ = At(2026, 12, 8, 13, 7, 9);
  log.Error("File_Open.Unziping.to:/tmp/x/");
  std::vector<std::string> lines = SplitLines(ReadAll(log.CurrentFile()));
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[6], "09:05:03 AM\tInfo\tDB.init\t");
  EXPECT_EQ(lines[7], "01:07:09 PM\tError\tFile_Open.Unziping.to:/tmp/x/\t");
  EXPECT_EQ(ReadAll(log.CurrentFile()).back(), '\n');
}

TEST_F(LogTest, StartsWithTheSixSystemLines) {
  TLog log = MakeLog();
  std::vector<std::string> lines = SplitLines(ReadAll(log.CurrentFile()));
  ASSERT_EQ(lines.size(), 6u);
  const char* expected[] = {
      "WinVersion Debian GNU/Linux 12 (bookworm) 6.1.0", "Win32Platform Linux",
      "Win32MajorVersion 6", "Win32MinorVersion 1", "Win32BuildNumber 0",
      "Win32CSDVersion #1 SMP"};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(lines[i], std::string("09:05:03 AM\tInfo\t") + expected[i] + "\t");
  }
}

TEST_F(LogTest, LinesAroundMidnightGoToTwoFiles) {
  TLog log = MakeLog();
  now_ = At(2026, 12, 31, 23, 59, 30);
  log.Info("before");
  std::string first = log.CurrentFile();
  now_ = At(2027, 1, 1, 0, 0, 30);
  log.Info("after");
  std::string second = log.CurrentFile();
  EXPECT_EQ(first, root_ / "Log/Log/Log-Dec-31-2026.txt");
  EXPECT_EQ(second, root_ / "Log/Log/Log-Jan-1-2027.txt");
  EXPECT_NE(ReadAll(first).find("11:59:30 PM\tInfo\tbefore"), std::string::npos);
  EXPECT_EQ(ReadAll(second), "12:00:30 AM\tInfo\tafter\t\n");
}

TEST_F(LogTest, AnUnwritableFolderMakesLoggingSilent) {
  testing::WriteAll(root_ / "Log", "a file where the folder should be");
  TLog log = MakeLog();
  log.Info("nobody hears this");
  log.Logf(LogLevel::kError, "%s %d", "still", 1);
  EXPECT_FALSE(PathExists(root_ / "Log/Log"));
  EXPECT_EQ(ReadAll(root_ / "Log"), "a file where the folder should be");
}

TEST_F(LogTest, LevelsAndFormattedLines) {
  EXPECT_EQ(TLog::LevelName(0), "Info");
  EXPECT_EQ(TLog::LevelName(1), "Warning");
  EXPECT_EQ(TLog::LevelName(2), "Error");
  EXPECT_EQ(TLog::LevelName(3), "Debug");
  EXPECT_EQ(TLog::LevelName(4), "?");
  EXPECT_EQ(TLog::LevelName(-1), "?");
  TLog log = MakeLog();
  log.Logf(LogLevel::kWarning, "MakeTempDir.%s:%d", "tries", 3);
  log.Write(LogLevel::kDebug, std::string(5000, 'x'));
  std::vector<std::string> lines = SplitLines(ReadAll(log.CurrentFile()));
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[6], "09:05:03 AM\tWarning\tMakeTempDir.tries:3\t");
  EXPECT_EQ(lines[7].size(), std::string("09:05:03 AM\tDebug\t\t").size() + 5000);
}

TEST(SystemInfoTest, ReadsThisMachine) {
  platform::SystemInfo info = platform::ReadSystemInfo();
  EXPECT_EQ(info.platform, "Linux");
  EXPECT_GE(info.major, 3);
  EXPECT_NE(info.version_text, "?");
  testing::TempRoot root;
  testing::WriteAll(root / "os-release", "NAME=\"Plain\"\nPRETTY_NAME='Pretty 1'\n");
  EXPECT_EQ(platform::ReadSystemInfo(root / "os-release").version_text.rfind("Pretty 1 ", 0), 0u);
  // Without the file the kernel name stands in.
  EXPECT_EQ(platform::ReadSystemInfo(root / "none").version_text.rfind("Linux ", 0), 0u);
}

}  // namespace
}  // namespace almanix
