// A command that did not do all of its work says so, names the cause and
// exits 1: full and unusable build folders, publishing, the program's own
// command line and favorite settings on a full disk.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/cli_runner.h"
#include "support/small_disk.h"
#include "support/temp_root.h"

namespace almanix {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using testing::ReadAll;
using testing::WriteAll;

std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.is_regular_file()) files[entry.path().filename().string()] = ReadAll(entry.path());
  }
  return files;
}

int Count(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

class HonestExitTest : public ::testing::Test {
 protected:
  testing::CliResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--root", data_});
    return testing::RunCli(args, root_.path());
  }
  // A favorite "Club" that publishes to the folder `site_`.
  void MakeFavorite() {
    ASSERT_EQ(Cli({"init"}).code, 0);
    testing::CliResult made =
        Cli({"favorite", "create", "Club", "--categories", "1", "--set",
             "Publish.Destination=File", "--set", "Publish.DirName=" + site_});
    ASSERT_EQ(made.code, 0) << made.err;
  }
  std::string BuildDir() const { return data_ + "Temp/almanix/Build"; }

  testing::TempRoot root_;
  std::string data_ = root_ / "cal/";
  std::string site_ = root_ / "site/";
};

TEST_F(HonestExitTest, GenerateOnAFullBuildDiskFailsAndPrintsNoPath) {
  MakeFavorite();
  testing::SmallDisk disk(BuildDir(), 32);
  if (!disk.mounted()) GTEST_SKIP() << disk.skip_reason();
  testing::CliResult r = Cli({"generate", "Club"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_THAT(r.err, HasSubstr(" files could not be written: "));
  EXPECT_THAT(r.err, HasSubstr("(No space left on device)\n"));
}

TEST_F(HonestExitTest, GenerateWithABuildFolderUnderAFileFails) {
  MakeFavorite();
  std::filesystem::remove_all(data_ + "Temp/almanix");
  WriteAll(data_ + "Temp/almanix", "not a folder");
  testing::CliResult r = Cli({"generate", "Club"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_THAT(r.err, HasSubstr("almanix/Build/: Not a directory"));
}

TEST_F(HonestExitTest, PublishOnAFullBuildDiskLeavesTheLiveFolderAlone) {
  MakeFavorite();
  testing::CliResult first = Cli({"publish", "Club"});
  ASSERT_EQ(first.code, 0) << first.err;
  const auto live = Snapshot(site_);
  ASSERT_FALSE(live.empty());
  ASSERT_EQ(Cli({"event", "add", "--category", "1", "--summary", "Late", "--start",
                 "2026-03-05 09:00"})
                .code,
            0);

  testing::SmallDisk disk(BuildDir(), 32);
  if (!disk.mounted()) GTEST_SKIP() << disk.skip_reason();
  testing::CliResult r = Cli({"publish", "Club"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(Count(r.err, "Nothing was published: "), 1) << r.err;
  EXPECT_THAT(r.err, HasSubstr("(No space left on device)\n"));
  EXPECT_EQ(Snapshot(site_), live);
}

TEST_F(HonestExitTest, ProgramLinePublishWithoutAFavoriteFails) {
  ASSERT_EQ(Cli({"init"}).code, 0);
  const std::string cal = root_ / "work.cal";
  ASSERT_EQ(Cli({"save", cal}).code, 0);
  testing::CliResult r = Cli({cal, "-p"});
  EXPECT_EQ(r.code, 1);
  EXPECT_THAT(r.out, Not(HasSubstr("published")));
  EXPECT_THAT(r.err, HasSubstr("almanix: there is no favorite "));
}

TEST_F(HonestExitTest, FavoriteSetOnAFullDiskNamesTheRealCause) {
  MakeFavorite();
  const std::string folder = data_ + "Favorites/Club/";
  const auto files = Snapshot(folder);
  testing::SmallDisk disk(folder, 256);
  if (!disk.mounted()) GTEST_SKIP() << disk.skip_reason();
  for (const auto& [name, bytes] : files) WriteAll(folder + name, bytes);
  disk.Fill();

  testing::CliResult r = Cli({"favorite", "set", "Club", "Page.Title=Club nights"});
  EXPECT_EQ(r.code, 1);
  // The fixed message stays as it is; the reason follows on its own line.
  EXPECT_THAT(r.err, HasSubstr("almanix: Invalid Calendar Name. Do not use invalid file name "
                               "characters. Calendar will not be synchronized autmatically\n"
                               "almanix:   Cannot write " +
                               folder + "conf.ini: No space left on device\n"));
}

TEST_F(HonestExitTest, EventTableRowsThatCannotBeWrittenAreNamed) {
  ASSERT_EQ(Cli({"init"}).code, 0);
  for (const char* summary : {"One", "Two"}) {
    ASSERT_EQ(Cli({"event", "add", "--category", "1", "--summary", summary, "--start",
                   "2026-03-05 09:00"})
                  .code,
              0);
  }
  const std::string table = root_ / "Club.db";
  ASSERT_EQ(Cli({"export-events", table}).code, 0);
  // A column the events table lacks: no row of this file can be written.
  const std::string add_column =
      "python3 -c \"import sqlite3, sys; c = sqlite3.connect(sys.argv[1]); "
      "t = c.execute(\\\"select name from sqlite_master where type='table'\\\").fetchone()[0]; "
      "c.execute('alter table \\\"' + t + '\\\" add column Bogus text'); c.commit()\" " +
      testing::ShellQuote(table);
  ASSERT_EQ(std::system(add_column.c_str()), 0);

  testing::CliResult r = Cli({"import-events", table, "--category", "1"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "0 events imported\n");
  EXPECT_THAT(r.err, HasSubstr("almanix: 2 of 2 rows could not be imported: row 1, row 2 ("));
}

}  // namespace
}  // namespace almanix
