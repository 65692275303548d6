#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "app/file_util.h"
#include "platform/instance_lock.h"
#include "platform/opener.h"
#include "platform/places.h"
#include "support/scoped_env.h"
#include "support/temp_root.h"

namespace almanix::platform {
namespace {

using testing::ReadAll;
using testing::WriteAll;

using almanix::testing::ScopedEnv;

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_mode & 0777;
}

TEST(PlacesTest, ARootHoldsEveryPerUserFolder) {
  testing::TempRoot root;
  Places p = ResolvePlaces(root / "portable");
  std::string base = root / "portable/";
  EXPECT_EQ(p.user_data, base);
  EXPECT_EQ(p.common_data, base + "Common/");
  EXPECT_EQ(p.temp, base + "Temp/");
  EXPECT_EQ(p.config_home, base + "config/");
  EXPECT_EQ(ModeOf(p.temp), 0700u);
  // ALMANIX_ROOT does the same as the argument.
  ScopedEnv env("ALMANIX_ROOT", (root / "env-root").c_str());
  EXPECT_EQ(ResolvePlaces().user_data, root / "env-root/");
}

TEST(PlacesTest, FollowsTheXdgFolders) {
  testing::TempRoot root;
  ScopedEnv no_root("ALMANIX_ROOT", nullptr);
  ScopedEnv data("XDG_DATA_HOME", (root / "data").c_str());
  ScopedEnv config("XDG_CONFIG_HOME", (root / "config").c_str());
  std::filesystem::create_directories(root / "run");
  chmod((root / "run").c_str(), 0700);
  ScopedEnv runtime("XDG_RUNTIME_DIR", (root / "run").c_str());
  Places p = ResolvePlaces();
  EXPECT_EQ(p.user_maker, root / "data/Vorlund/");
  EXPECT_EQ(p.user_data, root / "data/Vorlund/Almanix/");
  EXPECT_EQ(p.config_home, root / "config/");
  EXPECT_EQ(p.temp, root / "run/Vorlund-Almanix/");
  EXPECT_EQ(ModeOf(p.temp), 0700u);
  EXPECT_EQ(p.runtime, root / "run/");
  EXPECT_FALSE(p.common_data.empty());
}

TEST(PlacesTest, NeverTakesATempFolderSomeoneElsePrepared) {
  testing::TempRoot root;
  ScopedEnv no_root("ALMANIX_ROOT", nullptr);
  ScopedEnv no_runtime("XDG_RUNTIME_DIR", nullptr);
  ScopedEnv tmp("TMPDIR", (root / "tmp").c_str());
  std::filesystem::create_directories(root / "tmp");
  std::filesystem::create_directories(root / "elsewhere");
  std::string expected = root / ("tmp/Vorlund-Almanix-" + std::to_string(geteuid()));
  // A link planted under our name must not be followed.
  std::filesystem::create_directory_symlink(root / "elsewhere", expected);
  Places p = ResolvePlaces();
  EXPECT_NE(p.temp, expected + "/");
  EXPECT_EQ(p.temp.rfind(root / "tmp/Vorlund-Almanix-", 0), 0u);
  EXPECT_EQ(ModeOf(p.temp), 0700u);
  // A folder others may write to is refused too.
  std::filesystem::remove(expected);
  std::filesystem::create_directories(expected);
  chmod(expected.c_str(), 0777);
  EXPECT_NE(ResolvePlaces().temp, expected + "/");
  // Our own private one is used as it is.
  chmod(expected.c_str(), 0700);
  EXPECT_EQ(ResolvePlaces().temp, expected + "/");
}

TEST(InstallDirTest, FoundBesideTheProgram) {
  std::string install = FindInstallDir();
  EXPECT_TRUE(DirectoryExists(install)) << install;
  EXPECT_TRUE(FileExists(install + "Config/application.ini")) << install;
}

TEST(InstanceLockTest, OnlyOneHolderAtATime) {
  testing::TempRoot root;
  InstanceLock first(root.path());
  InstanceLock second(root.path());
  EXPECT_EQ(first.path(), root / "AlmanixMutex");
  ASSERT_TRUE(first.TryAcquire());
  EXPECT_FALSE(second.TryAcquire());
  first.Release();
  EXPECT_TRUE(second.TryAcquire());
  EXPECT_EQ(ReadAll(second.path()), std::to_string(getpid()) + "\n");
  // A lock of a process that ended leaves nothing stale behind.
  pid_t child = fork();
  if (child == 0) {
    InstanceLock in_child(root / "other");
    _exit(in_child.TryAcquire() ? 0 : 1);
  }
  std::filesystem::create_directories(root / "other");
  int status = 0;
  waitpid(child, &status, 0);
  InstanceLock after(root / "other");
  EXPECT_TRUE(after.TryAcquire());
}

TEST(InstanceLockTest, AnUnusableFolderMeansNoLock) {
  testing::TempRoot root;
  WriteAll(root / "file", "x");
  InstanceLock lock(root / "file");
  EXPECT_FALSE(lock.TryAcquire());
  EXPECT_FALSE(lock.held());
}

class OpenerTest : public ::testing::Test {
 protected:
  std::string Script(const std::string& body) {
    std::string path = root_ / "opener.sh";
    WriteAll(path, "#!/bin/sh\n" + body);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
  }
  testing::TempRoot root_;
};

TEST_F(OpenerTest, HandsTheTargetToTheLauncher) {
  std::string record = root_ / "args.txt";
  XdgOpener opener(Script("printf '%s|' \"$@\" > '" + record + "'\n"));
  ASSERT_TRUE(opener.Open("/home/me/My Calendar/index.html").ok());
  EXPECT_EQ(ReadAll(record), "/home/me/My Calendar/index.html|");
}

TEST_F(OpenerTest, ReportsALauncherThatFails) {
  XdgOpener no_method(Script("exit 3\n"));
  Status s = no_method.Open("https://www.example.org/");
  EXPECT_FALSE(s.ok());
  EXPECT_NE(s.message().find("exit code 3"), std::string::npos) << s.message();
  XdgOpener missing(root_ / "no-such-program");
  EXPECT_FALSE(missing.Open("x").ok());
  EXPECT_FALSE(XdgOpener("true").Open("").ok());
}

TEST_F(OpenerTest, ALauncherThatKeepsRunningCountsAsStarted) {
  XdgOpener slow(Script("sleep 10\n"));
  EXPECT_TRUE(slow.Open("file.html").ok());
}

TEST_F(OpenerTest, RealXdgOpenCallsTheBrowserVariable) {
  if (std::system("command -v xdg-open >/dev/null") != 0) GTEST_SKIP();
  std::string record = root_ / "browser.txt";
  std::string browser = Script("echo \"$1\" > '" + record + "'\n");
  ScopedEnv b("BROWSER", browser.c_str());
  ScopedEnv no_desktop("XDG_CURRENT_DESKTOP", nullptr);
  ScopedEnv no_display("DISPLAY", nullptr);
  XdgOpener opener;
  ASSERT_TRUE(opener.Open("https://www.example.org/cal/").ok());
  EXPECT_EQ(ReadAll(record), "https://www.example.org/cal/\n");
}

}  // namespace
}  // namespace almanix::platform
