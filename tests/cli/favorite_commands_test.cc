#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/dates.h"
#include "app/ini_file.h"
#include "app/scramble.h"
#include "app/text.h"
#include "settings/publish_settings.h"
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
  // With standard input from `input`, and ALMANIX_PASSWORD set to
  // `password` when given (unset otherwise).
  Result CliWithInput(std::vector<std::string> args, const std::string& input,
                      const std::optional<std::string>& password = std::nullopt) {
    args.insert(args.begin(), {"--root", data_});
    const std::string in = root_ / "stdin.txt", out = root_ / "out.txt",
                      err = root_ / "err.txt";
    WriteAll(in, input);
    std::string command = password ? "ALMANIX_PASSWORD=" + testing::ShellQuote(*password)
                                   : std::string("env -u ALMANIX_PASSWORD");
    command += " " + testing::ShellQuote(ALMANIX_CLI_PATH);
    for (const std::string& a : args) command += " " + testing::ShellQuote(a);
    command += " <" + testing::ShellQuote(in) + " >" + testing::ShellQuote(out) + " 2>" +
               testing::ShellQuote(err);
    const int status = std::system(command.c_str());
    Result r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadAll(out);
    r.err = ReadAll(err);
    return r;
  }
  std::string Favorite(const std::string& name) { return data_ + "Favorites/" + name + "/"; }
  // Where a rooted program keeps passwords.
  std::string SecretsFile() { return data_ + "Secrets/passwords"; }

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
  ASSERT_EQ(CliWithInput({"favorite", "set", "Club", "formatting.timeformat=hh:nn",
                          "FTP.EncyptPassword=1", "FTP.Password=-"},
                         "open sesame\n")
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
  EXPECT_THAT(shown.out, HasSubstr("\nFTP.Password=********\n"));
  EXPECT_THAT(shown.out, ::testing::Not(HasSubstr("open sesame")));

  ASSERT_EQ(Cli({"favorite", "set", "Club", "Contents.Calendars=0"}).code, 0);
  EXPECT_THAT(Cli({"favorite", "show", "Club"}).out, HasSubstr("\nContents.Calendars=0\n"));
}

int Mode(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

// Whether the text holds the password as typed or scrambled (either form).
bool Holds(const std::string& text, const std::string& password) {
  return text.find(password) != std::string::npos ||
         text.find(EncodeScrambled(password, kPublishPasswordKey)) != std::string::npos ||
         text.find(Scramble(password, kPublishPasswordKey)) != std::string::npos;
}

TEST_F(FavoriteCommandsTest, PasswordsComeFromStandardInputOrTheEnvironmentNeverTheCommandLine) {
  ASSERT_EQ(Cli({"favorite", "create", "Club"}).code, 0);
  Result piped = CliWithInput(
      {"favorite", "set", "Club", "FTP.Host=ftp.club.example", "FTP.Password=-"},
      " piped pass \n");
  ASSERT_EQ(piped.code, 0) << piped.err;
  Result from_env = CliWithInput({"favorite", "set", "Club", "Proxy.Password=-"}, "",
                                 std::string("env-pass"));
  ASSERT_EQ(from_env.code, 0) << from_env.err;

  // conf.ini keeps neither; the user's own file (0600 in a 0700 folder,
  // outside the working directory's packed folders) has both.
  const std::string conf = ReadAll(Favorite("Club") + "conf.ini");
  EXPECT_FALSE(Holds(conf, "piped pass"));
  EXPECT_FALSE(Holds(conf, "env-pass"));
  IniFile ini(Favorite("Club") + "conf.ini");
  ASSERT_TRUE(ini.Load().ok());
  EXPECT_EQ(ini.ReadString("FTP", "Password", "x"), "");
  EXPECT_EQ(ini.ReadString("Proxy", "Password", "x"), "");
  EXPECT_EQ(Mode(Favorite("Club") + "conf.ini"), 0600);
  const std::string kept = ReadAll(SecretsFile());
  EXPECT_THAT(kept, HasSubstr("ftp\tClub\tftp.club.example\t piped pass \n"));
  EXPECT_THAT(kept, HasSubstr("proxy\tClub\t\tenv-pass\n"));
  EXPECT_EQ(Mode(SecretsFile()), 0600);
  EXPECT_EQ(Mode(data_ + "Secrets"), 0700);

  // Shown masked, and still there for the next command.
  Result shown = Cli({"favorite", "show", "Club"});
  ASSERT_EQ(shown.code, 0) << shown.err;
  EXPECT_THAT(shown.out, HasSubstr("\nFTP.Password=********\n"));
  EXPECT_THAT(shown.out, HasSubstr("\nProxy.Password=********\n"));
  EXPECT_FALSE(Holds(shown.out + shown.err, "piped pass"));
  EXPECT_FALSE(Holds(shown.out + shown.err, "env-pass"));

  // A password on the command line is refused with the way to give it.
  Result literal = Cli({"favorite", "set", "Club", "FTP.Password=hunter22"});
  EXPECT_EQ(literal.code, 2);
  EXPECT_THAT(literal.err, HasSubstr("FTP.Password is not taken from the command line"));
  EXPECT_THAT(literal.err, HasSubstr("FTP.Password=-"));
  EXPECT_THAT(literal.err, HasSubstr("ALMANIX_PASSWORD"));
  Result created = Cli({"favorite", "create", "Other", "--set", "Proxy.Password=hunter22"});
  EXPECT_EQ(created.code, 2);
  EXPECT_FALSE(Holds(ReadAll(SecretsFile()), "hunter22"));
  EXPECT_FALSE(std::filesystem::exists(Favorite("Other")));
  // Nothing on standard input is no password.
  EXPECT_EQ(CliWithInput({"favorite", "set", "Club", "FTP.Password=-"}, "").code, 2);
  EXPECT_THAT(ReadAll(SecretsFile()), HasSubstr("\t piped pass \n"));

  // An empty value clears it.
  ASSERT_EQ(Cli({"favorite", "set", "Club", "FTP.Password="}).code, 0);
  EXPECT_FALSE(Holds(ReadAll(SecretsFile()), "piped pass"));
  EXPECT_THAT(Cli({"favorite", "show", "Club"}).out, HasSubstr("\nFTP.Password=\n"));
}

TEST_F(FavoriteCommandsTest, PasswordsOfAnOlderConfIniLoadAndMoveOnTheFirstSave) {
  ASSERT_EQ(Cli({"favorite", "create", "Club"}).code, 0);
  const std::string conf = Favorite("Club") + "conf.ini";
  IniFile old(conf);
  ASSERT_TRUE(old.Load().ok());
  old.WriteString("FTP", "Host", "ftp.club.example");
  old.WriteString("FTP", "EncyptPassword", "1");
  old.WriteString("FTP", "Password", EncodeScrambled("old ftp pass", kPublishPasswordKey));
  old.WriteString("Proxy", "Host", "proxy.example");
  old.WriteString("Proxy", "Password", EncodeScrambled("old proxy pass", kPublishPasswordKey));
  ASSERT_TRUE(old.Save().ok());

  Result shown = Cli({"favorite", "show", "Club"});
  ASSERT_EQ(shown.code, 0) << shown.err;
  EXPECT_THAT(shown.out, HasSubstr("\nFTP.Password=********\n"));
  EXPECT_THAT(shown.out, HasSubstr("\nProxy.Password=********\n"));
  EXPECT_FALSE(Holds(shown.out, "old ftp pass"));

  ASSERT_EQ(Cli({"favorite", "set", "Club", "Publish.URL=http://club.example/"}).code, 0);
  EXPECT_FALSE(Holds(ReadAll(conf), "old ftp pass"));
  EXPECT_FALSE(Holds(ReadAll(conf), "old proxy pass"));
  const std::string kept = ReadAll(SecretsFile());
  EXPECT_THAT(kept, HasSubstr("ftp\tClub\tftp.club.example\told ftp pass\n"));
  EXPECT_THAT(kept, HasSubstr("proxy\tClub\tproxy.example\told proxy pass\n"));
  // Still known after the move.
  EXPECT_THAT(Cli({"favorite", "show", "Club"}).out, HasSubstr("\nFTP.Password=********\n"));
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
