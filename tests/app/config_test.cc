#include "app/config.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include "app/comma_text.h"
#include "app/dir.h"
#include "app/encoding.h"
#include "app/file_util.h"
#include "app/ini_file.h"
#include "app/log.h"
#include "app/scramble.h"
#include "platform/autostart.h"
#include "platform/secret_store.h"
#include "platform/system_info.h"
#include "support/fixture.h"

namespace almanix {
namespace {

using testing::ReadAll;
using testing::WriteAll;

class ConfigTest : public ::testing::Test {
 protected:
  ConfigTest()
      : dir_(fx_.install, fx_.places, fx_.opener, fx_.trash),
        log_(dir_.LogDir, "Log", platform::SystemInfo{}),
        autostart_(fx_.places.config_home) {}

  std::string IniPath() const { return dir_.ConfigDir + "application.ini"; }
  std::string LogText() const { return ReadAll(log_.CurrentFile()); }

  testing::InstallFixture fx_;
  TDir dir_;
  TLog log_;
  platform::Autostart autostart_;
};

TEST_F(ConfigTest, FirstStartWritesEveryKeyInOrder) {
  std::remove(IniPath().c_str());
  TConfig config(dir_, &log_, &autostart_);
  IniFile ini(IniPath());
  ASSERT_TRUE(ini.Load().ok());
  EXPECT_EQ(ini.Keys("Application"),
            (std::vector<std::string>{
                "CalendarList", "Country", "AutoStart", "AutoSizeGrid",
                "ShowCalendarPanel", "DataFolder", "Left", "Top", "Heigth", "Width",
                "Work1", "Work2", "Work3", "Work4", "Work5", "Reopen1", "Reopen2",
                "Reopen3", "Reopen4", "Reopen5", "startup", "ImportCal"}));
  EXPECT_EQ(ini.Keys("EmailReminder"),
            (std::vector<std::string>{"smtp_host", "smtp_port", "smtp_password",
                                      "smtp_userid", "smtp_YourName",
                                      "smtp_EmailAddress", "RemindEmail",
                                      "RemindEnabled", "RemindDay", "RemindHour"}));
  EXPECT_EQ(ini.Keys("Import"), std::vector<std::string>{"FilePath"});
  std::vector<std::string> names =
      SplitCommaText(ini.ReadString("Application", "CalendarList", ""));
  ASSERT_EQ(names.size(), 30u);
  EXPECT_EQ(names[0], "Work");
  EXPECT_EQ(names[19], "Computer");
  EXPECT_EQ(names[29], "30");
  EXPECT_EQ(ini.ReadString("Application", "AutoSizeGrid", ""), "1");
  EXPECT_EQ(ini.ReadString("Application", "Heigth", ""), "600");
  EXPECT_EQ(ini.ReadString("EmailReminder", "smtp_port", ""), "25");
  EXPECT_EQ(ini.ReadString("EmailReminder", "smtp_password", "x"), "");
  EXPECT_EQ(ini.ReadString("Application", "startup", ""), dir_.DbDir);
  EXPECT_EQ(dir_.AttachmentsDir, dir_.UserDataDir + "Attachments/");
}

TEST_F(ConfigTest, ValuesComeBackAfterSave) {
  {
    TConfig config(dir_, &log_, &autostart_);
    config.Country = "Canada";
    config.CalendarList = FindCategoryPreset("Work Schedule")->names;
    config.Width = 1024;
    config.smtp_password = "s3cret \"quoted\" \xc3\xa9";
    config.ImportFilePath = "/home/me/events.csv";
    dir_.RecentWorkDirs[0] = "/srv/cal/";
    dir_.RecentCalendarFiles[4] = "/home/me/club.cal";
    ASSERT_TRUE(config.Save().ok());
  }
  dir_.RecentWorkDirs = {};
  dir_.RecentCalendarFiles = {};
  TConfig again(dir_, &log_, &autostart_);
  EXPECT_EQ(again.Country, "Canada");
  EXPECT_EQ(again.CalendarList, FindCategoryPreset("Work Schedule")->names);
  EXPECT_EQ(again.Width, 1024);
  EXPECT_EQ(again.smtp_password, "s3cret \"quoted\" \xc3\xa9");
  EXPECT_EQ(again.ImportFilePath, "/home/me/events.csv");
  EXPECT_EQ(dir_.RecentWorkDirs[0], "/srv/cal/");
  EXPECT_EQ(dir_.RecentCalendarFiles[4], "/home/me/club.cal");
  // The password is not readable in the file.
  EXPECT_EQ(ReadAll(IniPath()).find("s3cret"), std::string::npos);
}

// Every run saves the settings; a save that changes nothing leaves the file
// alone (no rewrite, no sync), and any other save still rewrites it whole.
TEST_F(ConfigTest, ASaveThatChangesNothingLeavesTheFileAlone) {
  TConfig config(dir_, &log_, &autostart_);
  ASSERT_TRUE(config.Save().ok());
  auto inode = [&] {
    struct stat st {};
    EXPECT_EQ(::stat(IniPath().c_str(), &st), 0);
    return std::make_pair(st.st_ino, st.st_mode & 07777);
  };
  const auto first = inode();
  ASSERT_TRUE(config.Save().ok());
  EXPECT_EQ(inode(), first) << "the same bytes were written again";

  config.Width = 1111;
  ASSERT_TRUE(config.Save().ok());
  EXPECT_NE(inode().first, first.first);
  EXPECT_NE(ReadAll(IniPath()).find("Width=1111"), std::string::npos);

  // A file others may read is made private again, even with the same bytes.
  ASSERT_EQ(::chmod(IniPath().c_str(), 0644), 0);
  ASSERT_TRUE(config.Save().ok());
  EXPECT_EQ(inode().second, 0600u);
}

TEST_F(ConfigTest, TheSmtpPasswordLivesInTheSecretStoreAndOlderFilesMoveThere) {
  const std::string secrets_file = dir_.UserMakerDir + "Secrets/passwords";
  auto secrets = platform::MakeFileSecretStore(secrets_file);
  { TConfig plain(dir_, &log_, &autostart_); }
  IniFile older(IniPath());
  ASSERT_TRUE(older.Load().ok());
  older.WriteString("EmailReminder", "smtp_host", "mail.example.net");
  older.WriteString("EmailReminder", "smtp_password",
                    EncodeScrambled("older pass", kSmtpPasswordKey));
  ASSERT_TRUE(older.Save().ok());

  // Read from the file, and moved by the save that creation makes.
  TConfig config(dir_, &log_, &autostart_, "", secrets.get());
  EXPECT_EQ(config.smtp_password, "older pass");
  IniFile after(IniPath());
  ASSERT_TRUE(after.Load().ok());
  EXPECT_EQ(after.ReadString("EmailReminder", "smtp_password", "x"), "");
  EXPECT_EQ(ReadAll(IniPath()).find(EncodeScrambled("older pass", kSmtpPasswordKey)),
            std::string::npos);
  struct stat st {};
  ASSERT_EQ(::stat(IniPath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  Result<std::optional<std::string>> kept = secrets->Lookup({"smtp", "", "mail.example.net"});
  ASSERT_TRUE(kept.ok());
  EXPECT_EQ(kept.value(), std::optional<std::string>("older pass"));

  config.smtp_password = "newer pass";
  ASSERT_TRUE(config.Save().ok());
  TConfig again(dir_, &log_, &autostart_, "", secrets.get());
  EXPECT_EQ(again.smtp_password, "newer pass");
  EXPECT_EQ(ReadAll(IniPath()).find("newer"), std::string::npos);
  again.smtp_password.clear();
  ASSERT_TRUE(again.Save().ok());
  EXPECT_EQ(secrets->Lookup({"smtp", "", "mail.example.net"}).value(), std::nullopt);
}

TEST_F(ConfigTest, APasswordTheStoreRefusesIsNotLost) {
  // The store's folder cannot be made: a file is in its way.
  WriteAll(dir_.UserMakerDir + "Blocked", "");
  auto broken = platform::MakeFileSecretStore(dir_.UserMakerDir + "Blocked/passwords");
  { TConfig plain(dir_, &log_, &autostart_); }
  IniFile older(IniPath());
  ASSERT_TRUE(older.Load().ok());
  const std::string scrambled = EncodeScrambled("keep me", kSmtpPasswordKey);
  older.WriteString("EmailReminder", "smtp_password", scrambled);
  ASSERT_TRUE(older.Save().ok());
  TConfig config(dir_, &log_, &autostart_, "", broken.get());
  EXPECT_EQ(config.smtp_password, "keep me");
  EXPECT_FALSE(config.Save().ok());
  EXPECT_NE(ReadAll(IniPath()).find(scrambled), std::string::npos);
  EXPECT_NE(LogText().find("Config.eror when saving the SMTP password"), std::string::npos);
}

TEST_F(ConfigTest, StaysWithItsFileAcrossWorkingDirectories) {
  TConfig config(dir_, &log_, &autostart_);
  std::string original = IniPath();
  dir_.SetWorkDir(fx_.root / "elsewhere/");
  config.Width = 1234;
  ASSERT_TRUE(config.Save().ok());
  EXPECT_EQ(config.path(), original);
  IniFile ini(original);
  ASSERT_TRUE(ini.Load().ok());
  EXPECT_EQ(ini.ReadInteger("Application", "Width", 0), 1234);
  EXPECT_EQ(ReadAll(dir_.ConfigDir + "application.ini").find("Width=1234"), std::string::npos);
}

TEST_F(ConfigTest, StartupFolderGetsItsSlashOrFallsBack) {
  std::string cal = fx_.root / "user/Cal";
  std::filesystem::create_directories(cal);
  WriteAll(IniPath(), "[Application]\r\nstartup=" + cal + "\r\n");
  { TConfig config(dir_, &log_, &autostart_); }
  EXPECT_EQ(dir_.StartupDir, cal + "/");
  WriteAll(IniPath(), "[Application]\r\nstartup=" + cal + "-gone\r\n");
  { TConfig config(dir_, &log_, &autostart_); }
  EXPECT_EQ(dir_.StartupDir, dir_.DbDir);
  // A folder written the Windows way is read with slashes.
  std::string backslashed = cal;
  for (char& c : backslashed) {
    if (c == '/') c = '\\';
  }
  WriteAll(IniPath(), "[Application]\r\nstartup=" + backslashed + "\\\r\n");
  { TConfig config(dir_, &log_, &autostart_); }
  EXPECT_EQ(dir_.StartupDir, cal + "/");
}

// A per-user folder copied whole keeps the original's start-up folder; with
// a root only a folder inside it is opened, links resolved.
TEST_F(ConfigTest, AStartupFolderOutsideTheRootIsNotUsed) {
  const std::string elsewhere = fx_.root / "elsewhere";
  std::filesystem::create_directories(elsewhere);
  WriteAll(IniPath(), "[Application]\r\nstartup=" + elsewhere + "\r\n");
  { TConfig config(dir_, &log_, &autostart_); }
  EXPECT_EQ(dir_.StartupDir, dir_.DbDir);
  EXPECT_NE(LogText().find("Config.startup outside the root, not used: " + elsewhere + "/"),
            std::string::npos);
  IniFile ini(IniPath());
  ASSERT_TRUE(ini.Load().ok());
  EXPECT_EQ(ini.ReadString("Application", "startup", ""), dir_.DbDir);

  const std::string link = dir_.UserDataDir + "link";
  std::filesystem::create_directory_symlink(elsewhere, link);
  WriteAll(IniPath(), "[Application]\r\nstartup=" + link + "\r\n");
  { TConfig config(dir_, &log_, &autostart_); }
  EXPECT_EQ(dir_.StartupDir, dir_.DbDir);
}

TEST_F(ConfigTest, DataFolderReplacesTheAttachmentRoot) {
  std::string shared = fx_.root / "shared-attachments";
  std::filesystem::create_directories(shared);
  WriteAll(IniPath(), "[Application]\r\nDataFolder=" + shared + "\r\n");
  {
    TConfig config(dir_, &log_, &autostart_);
    EXPECT_EQ(config.DataFolder, shared + "/");
  }
  EXPECT_EQ(dir_.AttachmentsDir, shared + "/");
  WriteAll(IniPath(), "[Application]\r\nDataFolder=/no/such/folder/\r\n");
  TConfig config(dir_, &log_, &autostart_);
  EXPECT_EQ(dir_.AttachmentsDir, dir_.UserDataDir + "Attachments/");
}

// ---- Bad files ----

struct BadIni {
  const char* name;
  std::string bytes;
};

TEST_F(ConfigTest, GarbledFilesGiveTheDefaults) {
  const BadIni cases[] = {
      {"binary junk", std::string("\x00\x01\xff\xfe[\x80]\r\n=\x00=\n\x1b[2J", 15)},
      {"huge numbers",
       "[Application]\nLeft=99999999999999999999\nWidth=-99999999999\n"
       "Heigth=1e9\nAutoSizeGrid=2147483648\n"},
      {"wrong types",
       "[Application]\nLeft=left\nTop=\nWidth=12px\nAutoSizeGrid=yes\n"
       "[EmailReminder]\nRemindDay=two\nRemindEnabled=maybe\n"},
      {"invalid utf-8", "[Application]\nCountry=US\xff\xfe\nLeft=\xc3(\n"},
      {"sections only", "[Application\n[]\n[[EmailReminder]]\n"},
  };
  for (const BadIni& c : cases) {
    SCOPED_TRACE(c.name);
    WriteAll(IniPath(), c.bytes);
    TConfig config(dir_, &log_, &autostart_);
    EXPECT_EQ(config.Left, 2);
    EXPECT_EQ(config.Width, 800);
    EXPECT_EQ(config.Heigth, 600);
    EXPECT_TRUE(config.AutoSizeGrid);
    EXPECT_EQ(config.RemindDay, 2);
    EXPECT_TRUE(config.RemindEnabled);
    EXPECT_EQ(config.CalendarList.size(), 30u);
    // Written back whole and readable.
    IniFile ini(IniPath());
    ASSERT_TRUE(ini.Load().ok());
    EXPECT_EQ(ini.ReadInteger("Application", "Width", 0), 800);
  }
  EXPECT_NE(LogText().find("Config.eror when reading: not a number: Left"),
            std::string::npos);
}

TEST_F(ConfigTest, UnreadableFileIsLoggedAndSwallowed) {
  std::remove(IniPath().c_str());
  std::filesystem::create_directories(IniPath());  // a folder in its place
  TConfig config(dir_, &log_, &autostart_);
  EXPECT_EQ(config.Width, 800);
  EXPECT_NE(LogText().find("Config.eror when reading"), std::string::npos);
  EXPECT_NE(LogText().find("Config.eror when saving"), std::string::npos);
}

// ---- Presets and brand ----

TEST(CategoryPresetsTest, EightTypesWithTheirNames) {
  const auto& presets = CategoryPresets();
  ASSERT_EQ(presets.size(), 8u);
  EXPECT_EQ(presets[kDefaultPresetIndex].choice, "My personal calendar");
  const CategoryPreset* company = FindCategoryPreset("Company/business event calendar");
  ASSERT_NE(company, nullptr);
  ASSERT_EQ(company->names.size(), 29u);  // there is no 28
  EXPECT_EQ(company->names[16], "Employee1");
  EXPECT_EQ(company->names[25], "Employee10");
  EXPECT_EQ(company->names[26], "Charity");
  EXPECT_EQ(company->names[27], "29");
  const CategoryPreset* school = FindCategoryPreset("School calendar ");
  ASSERT_NE(school, nullptr);
  EXPECT_EQ(school->names[17], "Phys ed");
  EXPECT_EQ(school->names[26], "27");
  EXPECT_EQ(FindCategoryPreset("school CALENDAR"), school);
  EXPECT_EQ(FindCategoryPreset("Sports team schedule/calendar")->names[27], "Team24");
  EXPECT_EQ(FindCategoryPreset("Teacher's calendar")->names[15], "Course9");
  EXPECT_EQ(FindCategoryPreset("Teacher's calendar")->names[16], "17");
  EXPECT_EQ(FindCategoryPreset("Church calendar")->names[20], "Baptist");
  EXPECT_EQ(FindCategoryPreset("Default Calendar")->names[3], "");
  EXPECT_EQ(FindCategoryPreset("Nonsense"), nullptr);
  for (const CategoryPreset& p : presets) {
    SCOPED_TRACE(p.choice);
    EXPECT_EQ(p.names.size(), p.choice == company->choice ? 29u : 30u);
    EXPECT_EQ(SplitCommaText(JoinCommaText(p.names)), p.names);
  }
}

TEST(BrandTest, MissingKeysAreEmpty) {
  testing::TempRoot root;
  WriteAll(root / "brand.ini", "[BRAND]\r\nAPP_NAME=Web Almanix\r\nAPP_MAKER=Vorlund\r\n");
  Brand b = LoadBrand(root / "brand.ini");
  EXPECT_EQ(b.APP_NAME, "Web Almanix");
  EXPECT_EQ(b.APP_MAKER, "Vorlund");
  EXPECT_EQ(b.APP_VERSION, "");
  EXPECT_EQ(LoadBrand(root / "missing.ini").APP_NAME, "");
  WriteAll(root / "junk.ini", std::string("\xff\x00[BRAND\n\x80=\x81", 10));
  EXPECT_EQ(LoadBrand(root / "junk.ini").APP_URL, "");
}

TEST(ProgramVersionTest, ComesFromTheBuild) {
  std::string v = ProgramVersion();
  ASSERT_FALSE(v.empty());
  EXPECT_EQ(std::count(v.begin(), v.end(), '.'), 2) << v;
}

// ---- Scrambling ----

TEST(ScrambleTest, RoundTripsAnyBytes) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  for (const std::string& text :
       {std::string(""), std::string("a"), std::string("password"), all,
        std::string(300, 'x'), std::string("line\r\nbreak\0nul", 15)}) {
    EXPECT_EQ(Unscramble(Scramble(text, 417), 417), text);
    EXPECT_EQ(Scramble(text, 417).size(), text.size());
    // Text comes back as UTF-8; bytes that are not UTF-8 read as Windows-1252.
    EXPECT_EQ(DecodeScrambled(EncodeScrambled(text, 583), 583),
              IsValidUtf8(text) ? text : Cp1252ToUtf8(text));
  }
  EXPECT_NE(Scramble("password", 417), Scramble("password", 583));
  EXPECT_NE(Scramble("password", 417), "password");
  EXPECT_EQ(EncodeScrambled("", 417), "");
}

TEST(ScrambleTest, StoredFormFitsOnOneIniLine) {
  std::string nasty("a\r\nb=c\0[d]", 10);
  std::string stored = EncodeScrambled(nasty, 761);
  EXPECT_EQ(stored.find_first_of(std::string("\r\n\0=[]; ", 8)), std::string::npos);
  EXPECT_EQ(DecodeScrambled(stored, 761), nasty);
}

TEST(ScrambleTest, OldRawValuesStillRead) {
  // Older files keep the scrambled characters themselves; any password whose
  // scrambled form has no control characters could have been stored so.
  int tried = 0;
  for (int n = 0; n < 2000 && tried < 20; ++n) {
    std::string password = "pw" + std::to_string(n * 7919);
    std::string raw = Scramble(password, 417);
    bool printable = true;
    for (unsigned char c : raw) printable = printable && c >= 0x20 && c != 0x7f;
    if (!printable) continue;
    ++tried;
    EXPECT_EQ(DecodeScrambled(Cp1252ToUtf8(raw), 417), password);
  }
  EXPECT_EQ(tried, 20);
}

// ---- Start with the session ----

TEST_F(ConfigTest, AutostartEntryIsWrittenAndRemoved) {
  TConfig config(dir_, &log_, &autostart_, "/opt/almanix/bin/almanix");
  ASSERT_TRUE(config.RegisterStartup().ok());
  std::string entry = ReadAll(autostart_.EntryPath());
  EXPECT_NE(entry.find("Exec=/opt/almanix/bin/almanix\n"), std::string::npos);
  EXPECT_NE(entry.find("Type=Application\n"), std::string::npos);
  if (std::system("command -v desktop-file-validate >/dev/null") == 0) {
    EXPECT_EQ(std::system(("desktop-file-validate '" + autostart_.EntryPath() + "'").c_str()), 0);
  }
  EXPECT_TRUE(config.removeStartup().ok());
  EXPECT_FALSE(autostart_.IsRegistered());
  EXPECT_TRUE(config.removeStartup().ok());  // nothing to remove is fine
  std::string log = LogText();
  EXPECT_NE(log.find("Config.RegisterStartup"), std::string::npos);
  EXPECT_NE(log.find("Config.removeStartup"), std::string::npos);
}

TEST_F(ConfigTest, AutostartEntryQuotesAPathWithBlanks) {
  TConfig config(dir_, &log_, &autostart_, "/opt/My Apps/almanix");
  ASSERT_TRUE(config.RegisterStartup().ok());
  EXPECT_NE(ReadAll(autostart_.EntryPath()).find("Exec=\"/opt/My Apps/almanix\"\n"),
            std::string::npos);
}

}  // namespace
}  // namespace almanix
