#include <ctime>
#include <filesystem>
#include <map>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/dates.h"
#include "app/ini_file.h"
#include "app/text.h"
#include "publish/publish_settings.h"
#include "support/cli_runner.h"
#include "support/temp_root.h"

namespace almanix {
namespace {

using ::testing::HasSubstr;
using testing::ReadAll;
using testing::WriteAll;

std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    files[entry.path().filename().string()] = ReadAll(entry.path().string());
  }
  return files;
}

class FavoriteCommandsTest : public ::testing::Test {
 protected:
  using Result = testing::CliResult;
  Result Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--root", data_});
    return testing::RunCli(args, root_.path());
  }
  std::string Favorite(const std::string& name) { return data_ + "Favorites/" + name + "/"; }

  testing::TempRoot root_;
  std::string data_ = root_ / "cal/";
};

TEST_F(FavoriteCommandsTest, CreateWritesEveryDefaultAndTheTextsOfConfigDir) {
  ASSERT_EQ(Cli({"init"}).code, 0);
  // Marked texts, so that the copies can be told from built-in ones.
  for (const publish::TextFileDef& def : publish::kTextFiles) {
    WriteAll(data_ + "Config/" + std::string(def.name),
             "<!-- " + std::string(def.name) + " of ConfigDir -->\r\n");
  }
  Result made = Cli({"favorite", "create", "Sports", "--categories", "1"});
  ASSERT_EQ(made.code, 0) << made.err;
  const std::string folder = Favorite("Sports");
  EXPECT_EQ(made.out, folder + "\n");

  publish::SettingsContext context;
  context.build_dir = data_ + "Temp/almanix/Build/";
  context.year = DecodeDateTime(FromTimeT(std::time(nullptr))).year;
  context.favorite_name = "Sports";
  publish::PublishSettings defaults(context);
  defaults.SetText("Publish.FileName", "Sports.html");
  IniFile conf(folder + "conf.ini");
  ASSERT_TRUE(conf.Load().ok());
  for (int i = 0; i < publish::kSettingCount; ++i) {
    const publish::SettingDef& def = publish::kSettingDefs[i];
    SCOPED_TRACE(def.Name());
    if (def.kind == publish::SettingKind::kReadOnly) {
      EXPECT_FALSE(conf.ValueExists(def.section, def.key));
      continue;
    }
    ASSERT_TRUE(conf.ValueExists(def.section, def.key));
    const std::string value = conf.ReadString(def.section, def.key, "?");
    if (def.kind == publish::SettingKind::kGallery) {
      // The window's selection after listing the installed gallery.
      EXPECT_TRUE(ParseInt(value).has_value()) << value;
    } else {
      EXPECT_EQ(value, defaults.ValueText(i));
    }
  }
  for (const publish::TextFileDef& def : publish::kTextFiles) {
    EXPECT_EQ(ReadAll(folder + std::string(def.name)),
              ReadAll(data_ + "Config/" + std::string(def.name)))
        << def.name;
  }

  // Loading and saving it again changes no byte; showing it changes nothing.
  const auto before = Snapshot(folder);
  Result shown = Cli({"favorite", "show", "Sports"});
  ASSERT_EQ(shown.code, 0) << shown.err;
  Result set = Cli({"favorite", "set", "Sports.html", "Publish.URL=http://"});
  ASSERT_EQ(set.code, 0) << set.err;
  EXPECT_EQ(Snapshot(folder), before);
}

TEST_F(FavoriteCommandsTest, SetAndShowNameKeysAsConfIniDoes) {
  Result made = Cli({"favorite", "create", "Club.html", "--categories", "2,3", "--set",
                     "Page.CalendarAlign=right", "--set", "RSS.Title=Club news"});
  ASSERT_EQ(made.code, 0) << made.err;
  ASSERT_EQ(Cli({"favorite", "set", "Club", "formatting.timeformat=hh:nn",
                 "FTP.EncyptPassword=1", "FTP.Password=open sesame"})
                .code,
            0);
  const std::string conf = ReadAll(Favorite("Club") + "conf.ini");
  EXPECT_THAT(conf, HasSubstr("Calendars=1,2\r\n"));
  EXPECT_THAT(conf, HasSubstr("CalendarAlign=Right\r\n"));
  EXPECT_THAT(conf, HasSubstr("TimeFormat=hh:nn\r\n"));
  EXPECT_THAT(conf, ::testing::Not(HasSubstr("open sesame")));

  Result shown = Cli({"favorite", "show", "Club"});
  ASSERT_EQ(shown.code, 0) << shown.err;
  std::vector<std::string> lines = SplitLines(shown.out);
  ASSERT_EQ(lines.size(), static_cast<size_t>(publish::kSettingCount));
  EXPECT_EQ(lines.front(), "Publish.Destination=");
  EXPECT_EQ(lines.back(), "iCal.Link=webcal://www.example.org/directory/");
  EXPECT_THAT(shown.out, HasSubstr("\nContents.Calendars=1,2\n"));
  EXPECT_THAT(shown.out, HasSubstr("\nRSS.Title=Club news\n"));
  EXPECT_THAT(shown.out, HasSubstr("\nFTP.Password=open sesame\n"));

  ASSERT_EQ(Cli({"favorite", "set", "Club", "Contents.Calendars=0"}).code, 0);
  EXPECT_THAT(Cli({"favorite", "show", "Club"}).out, HasSubstr("\nContents.Calendars=0\n"));
}

TEST_F(FavoriteCommandsTest, MistakesAreReported) {
  ASSERT_EQ(Cli({"favorite", "create", "Club"}).code, 0);
  Result unknown = Cli({"favorite", "set", "Club", "Page.Colour=#FFFFFF"});
  EXPECT_EQ(unknown.code, 2);
  EXPECT_THAT(unknown.err, HasSubstr("unknown setting Page.Colour"));
  Result bad = Cli({"favorite", "set", "Club", "Page.CalendarWidth=wide"});
  EXPECT_EQ(bad.code, 2);
  EXPECT_THAT(bad.err, HasSubstr("Page.CalendarWidth wants a whole number"));
  EXPECT_EQ(Cli({"favorite", "set", "Club", "Publish.Months=0,1"}).code, 2);
  EXPECT_EQ(Cli({"favorite", "set", "Club", "Page.CalendarWidth"}).code, 2);
  EXPECT_EQ(Cli({"favorite", "set", "Club"}).code, 2);
  EXPECT_EQ(Cli({"favorite", "create", "Club"}).code, 1);  // exists already
  EXPECT_EQ(Cli({"favorite", "show", "Nobody"}).code, 1);
  EXPECT_EQ(Cli({"favorite", "create", "Other", "--categories", "0"}).code, 2);
  EXPECT_EQ(Cli({"favorite", "create", "../Escape"}).code, 2);
  EXPECT_EQ(Cli({"favorite", "delete", "Club"}).code, 2);
  EXPECT_FALSE(testing::Exists(Favorite("Other")));
  Result help = Cli({"favorite", "--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_THAT(help.out, HasSubstr("favorite set NAME Section.Key=Value"));
}

}  // namespace
}  // namespace almanix
