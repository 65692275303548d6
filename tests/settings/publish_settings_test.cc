#include "settings/publish_settings.h"

#include <sys/stat.h>

#include <filesystem>
#include <map>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/dir.h"
#include "app/ini_file.h"
#include "app/log.h"
#include "app/scramble.h"
#include "app/text.h"
#include "platform/secret_store.h"
#include "platform/system_info.h"
#include "support/fake_ui.h"
#include "support/fixture.h"

namespace almanix::publish {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
using testing::ReadAll;
using testing::WriteAll;

// Every file of a folder with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    files[entry.path().filename().string()] = ReadAll(entry.path().string());
  }
  return files;
}

class PublishSettingsTest : public ::testing::Test {
 protected:
  PublishSettingsTest()
      : dir_(fx_.install, fx_.places, fx_.opener, fx_.trash, &ui_),
        log_(dir_.LogDir, "Log", platform::SystemInfo{}) {
    env_.dir = &dir_;
    env_.log = &log_;
    env_.ui = &ui_;
    env_.context.build_dir = dir_.BuildDir;
    env_.context.year = 2026;
    env_.context.country = "US";
    window_ = FreshWindow();
  }

  // The window as the set-up leaves it: three categories, three entries in
  // each gallery.
  static PublishWindowState FreshWindow() {
    PublishWindowState window;
    window.chkCalendars.SetItems({"Work", "Home", "School"});
    window.chkMonths.SetItems({"January", "February", "March", "April", "May", "June",
                               "July", "August", "September", "October", "November",
                               "December"});
    window.chkYears.SetItems({"2026", "2027"});
    window.Style = {"Autumn", "Ocean", "Sky"};
    window.Menus = {"Month Name", "tabs - blue", "tabs - dark black"};
    window.ActionBars = {"ActionBar - Default", "ActionBar - Round", "Plain"};
    window.Lists = {"Blue", "Green", "Grey"};
    return window;
  }

  std::string Folder(const std::string& name) {
    std::string folder = dir_.FavoritesDir + name + "/";
    std::filesystem::create_directories(folder);
    return folder;
  }

  // The required text files, so that a load gets to its end.
  void WriteRequired(const std::string& folder) {
    for (const TextFileDef& def : kTextFiles) {
      if (def.required) WriteAll(folder + std::string(def.name), "x\r\n");
    }
  }

  // Defaults of a favorite called `name`.
  PublishSettings Defaults(const std::string& name) {
    SettingsContext context = env_.context;
    context.favorite_name = name;
    return PublishSettings(context);
  }

  Status Load(const std::string& folder) {
    return LoadPublishSettings(folder, env_, &settings_, &window_);
  }
  Status Save(const std::string& folder) {
    return SavePublishSettings(folder, env_, &settings_, &window_);
  }
  std::string LogText() { return ReadAll(log_.CurrentFile()); }
  std::string Value(const char* name) {
    return settings_.ValueText(*FindSetting(name));
  }

  testing::InstallFixture fx_;
  testing::FakeUi ui_;
  TDir dir_;
  TLog log_;
  PublishEnvironment env_;
  PublishSettings settings_;
  PublishWindowState window_;
};

// A value of the key's kind that differs from the current one.
std::string OtherValue(int index, const PublishSettings& settings) {
  const SettingDef& def = kSettingDefs[index];
  const std::string current = settings.ValueText(index);
  switch (def.kind) {
    case SettingKind::kBool:
      return current == "1" ? "0" : "1";
    case SettingKind::kInt:
      return std::to_string(*ParseInt(current) + 7);
    case SettingKind::kReal:
      return "3.5";
    case SettingKind::kGallery:
      return "2";
    case SettingKind::kChoice:
    case SettingKind::kRadio:
      for (std::string_view item : def.items) {
        if (item != current) return std::string(item);
      }
      return {};
    case SettingKind::kTicks:
      return "0,2";
    case SettingKind::kPassword:
      return "p\xC3\xA4ss word#" + std::string(def.key);
    default:
      return "typed \xC3\xA9 " + def.Name();
  }
}

// ---- Round trip ----

TEST_F(PublishSettingsTest, EveryKeyAndTextFileComesBackFromASavedFavorite) {
  const std::string folder = Folder("Sports");
  settings_ = Defaults("Sports");
  for (int i = 0; i < kSettingCount; ++i) {
    SCOPED_TRACE(kSettingDefs[i].Name());
    if (kSettingDefs[i].kind == SettingKind::kReadOnly) {
      EXPECT_FALSE(settings_.SetValueText(i, "3").ok());
      continue;
    }
    std::string other = OtherValue(i, settings_);
    ASSERT_NE(other, settings_.ValueText(i));
    ASSERT_TRUE(settings_.SetValueText(i, other).ok());
  }
  window_.chkCalendars.UntickAll();
  window_.chkCalendars.Tick(0);
  window_.chkCalendars.Tick(2);
  for (const TextFileDef& def : kTextFiles) {
    // Mixed line ends and a last line without one stay as they are.
    settings_.set_text_file(def.file, "<p>" + std::string(def.name) +
                                           " \xE2\x82\xAC</p>\r\nsecond\nthird");
  }
  const PublishSettings saved = settings_;
  ASSERT_TRUE(Save(folder).ok());

  const std::string conf = ReadAll(folder + "conf.ini");
  EXPECT_THAT(conf, Not(HasSubstr("Months=")));
  EXPECT_THAT(conf, Not(HasSubstr("Years=")));
  EXPECT_THAT(conf, Not(HasSubstr("word#Password")));  // scrambled: EncyptPassword is on

  settings_ = Defaults("Sports");
  window_ = FreshWindow();
  ASSERT_TRUE(Load(folder).ok()) << LogText();
  for (int i = 0; i < kSettingCount; ++i) {
    EXPECT_EQ(settings_.ValueText(i), saved.ValueText(i)) << kSettingDefs[i].Name();
  }
  for (const TextFileDef& def : kTextFiles) {
    EXPECT_EQ(settings_.text_file(def.file), saved.text_file(def.file)) << def.name;
  }
  EXPECT_THAT(window_.chkCalendars.TickedPositions(), ElementsAre(0, 2));
  EXPECT_EQ(window_.Bar_Home2, settings_.Text("Publish.LinkBack"));
  EXPECT_EQ(window_.edCalendarTitle2, settings_.Text("Page.Title"));
  EXPECT_TRUE(window_.Category_WriteIndividual);  // CategoryMerge was turned off
  EXPECT_EQ(dir_.FavoriteDir, folder);

  // Saving what was loaded changes no byte.
  const auto before = Snapshot(folder);
  ASSERT_TRUE(Save(folder).ok());
  EXPECT_EQ(Snapshot(folder), before);
}

// ---- Missing files and defaults ----

TEST_F(PublishSettingsTest, AFolderWithoutConfLoadsEveryDefault) {
  const std::string folder = Folder("Empty");
  WriteRequired(folder);
  settings_.SetInt("Page.CalendarWidth", 1);  // the load replaces it
  ASSERT_TRUE(Load(folder).ok());
  const PublishSettings defaults = Defaults("Empty");
  for (int i = 0; i < kSettingCount; ++i) {
    EXPECT_EQ(settings_.ValueText(i), defaults.ValueText(i)) << kSettingDefs[i].Name();
  }
  EXPECT_EQ(Value("RSS.Title"), "Empty");
  EXPECT_EQ(Value("Publish.DirName"), dir_.BuildDir);
  EXPECT_EQ(Value("Publish.StartYear"), "2026");
  EXPECT_EQ(Value("Formatting.EventSeperator"), "\xE2\x80\xA2");
  EXPECT_EQ(Value("RSS.GMTOffset"), "-5");
}

TEST_F(PublishSettingsTest, NewFavoritesReadWellAndStoredEventFontsAreKept) {
  // A new favorite: event names and times at 9 pt (12 px), in the style's
  // own colours (empty), not underlined; small and year cells in light
  // tints that black day numbers read on.
  const std::string fresh = Folder("Fresh");
  WriteRequired(fresh);
  ASSERT_TRUE(Load(fresh).ok());
  EXPECT_GE(settings_.Int("Formatting.EventFontSzie") * 4 / 3.0, 12.0);
  EXPECT_GE(settings_.Int("Formatting.DateFontSzie") * 4 / 3.0, 11.0);
  EXPECT_EQ(settings_.Text("Formatting.EventFontColor"), "");
  EXPECT_EQ(settings_.Text("Formatting.DateFontColor"), "");
  EXPECT_FALSE(settings_.Bool("Formatting.EventUnderline"));
  EXPECT_EQ(settings_.Text("Small.Eventcolor"), "#FFD8D8");
  EXPECT_EQ(settings_.Text("Small.Holidaycolor"), "#CDEFD9");

  // A favorite saved with the old look keeps it.
  const std::string old = Folder("Old");
  WriteRequired(old);
  WriteAll(old + "conf.ini",
           "[Formatting]\r\nEventFontSzie=8\r\nEventFontColor=#0000FF\r\nEventUnderline=1\r\n"
           "DateFontSzie=7\r\nDateFontColor=#0000FF\r\n[Small]\r\nEventcolor=#FF0000\r\n");
  ASSERT_TRUE(Load(old).ok());
  EXPECT_EQ(settings_.Int("Formatting.EventFontSzie"), 8);
  EXPECT_EQ(settings_.Text("Formatting.EventFontColor"), "#0000FF");
  EXPECT_TRUE(settings_.Bool("Formatting.EventUnderline"));
  EXPECT_EQ(settings_.Int("Formatting.DateFontSzie"), 7);
  EXPECT_EQ(settings_.Text("Formatting.DateFontColor"), "#0000FF");
  EXPECT_EQ(settings_.Text("Small.Eventcolor"), "#FF0000");
}

TEST_F(PublishSettingsTest, AMissingRequiredFileStopsTheLoadKeepingWhatWasRead) {
  for (const TextFileDef& missing : kTextFiles) {
    if (!missing.required) continue;
    SCOPED_TRACE(missing.name);
    const std::string folder = Folder(std::string("Without ") + std::string(missing.name));
    WriteRequired(folder);
    std::remove((folder + std::string(missing.name)).c_str());
    // Formatting is read before every text file, iCal after all of them.
    WriteAll(folder + "conf.ini", "[Formatting]\r\nEventFontSzie=12\r\n[iCal]\r\nShare=1\r\n");
    settings_ = PublishSettings();
    Status s = Load(folder);
    EXPECT_EQ(s.code(), Status::Code::kNotFound);
    EXPECT_EQ(s.message(), kLoadFormError);
    EXPECT_EQ(settings_.Int("Formatting.EventFontSzie"), 12);
    EXPECT_FALSE(settings_.Bool("iCal.Share"));
    EXPECT_THAT(LogText(), HasSubstr(folder + std::string(missing.name)));
  }
  // Optional files may be missing; so may the whole folder (nothing loads).
  const std::string folder = Folder("Required only");
  WriteRequired(folder);
  EXPECT_TRUE(Load(folder).ok());
  settings_.SetInt("Page.CalendarWidth", 1);
  EXPECT_EQ(Load(dir_.FavoritesDir + "Nobody/").code(), Status::Code::kNotFound);
  EXPECT_EQ(settings_.Int("Page.CalendarWidth"), 1);
}

TEST_F(PublishSettingsTest, TheHolidaySetFollowsTheCountry) {
  auto holiday = [&](const char* country) {
    SettingsContext context;
    context.country = country;
    return PublishSettings(context).Text("Contents.Holiday");
  };
  EXPECT_EQ(holiday("Canada"), "Canada");
  EXPECT_EQ(holiday("Other"), "Other");
  EXPECT_EQ(holiday("Other (Europe)"), "Other");
  EXPECT_EQ(holiday("UK"), "US");  // no item of the list: the first one
}

// ---- Value rules on load ----

TEST_F(PublishSettingsTest, ListControlsFallBackToTheirFirstItem) {
  const std::string folder = Folder("Lists");
  WriteRequired(folder);
  WriteAll(folder + "conf.ini",
           "[Publish]\r\nDestination=Ftp\r\n[Proxy]\r\nType=Socks\r\n"
           "[Contents]\r\nHoliday=Mars\r\n[Formatting]\r\nEventFontWeight=bolder\r\n"
           "[Page]\r\nCalendarAlign=middle\r\nCol3_Units=em\r\nTitleFontFamily=Comic Sans Serif\r\n"
           "[RSS]\r\nTitleFormat=Event Name\r\n");
  ASSERT_TRUE(Load(folder).ok());
  EXPECT_EQ(Value("Publish.Destination"), "");  // no destination ticked
  EXPECT_EQ(Value("Proxy.Type"), "None");
  EXPECT_EQ(Value("Contents.Holiday"), "US");
  EXPECT_EQ(Value("Formatting.EventFontWeight"), "Bolder");  // matched without regard to case
  EXPECT_EQ(Value("Page.CalendarAlign"), "Left");
  EXPECT_EQ(settings_.ChoiceIndex("Page.CalendarAlign"), 0);
  EXPECT_EQ(Value("Page.Col3_Units"), "%");
  EXPECT_EQ(Value("Page.TitleFontFamily"), "Comic Sans Serif");
  EXPECT_EQ(Value("RSS.TitleFormat"), "Event Name Only");

  WriteAll(folder + "conf.ini", "[Publish]\r\nDestination=webserver\r\n[Page]\r\nCalendarAlign=Center\r\n");
  ASSERT_TRUE(Load(folder).ok());
  EXPECT_EQ(Value("Publish.Destination"), "Webserver");
  EXPECT_EQ(settings_.ChoiceIndex("Page.CalendarAlign"), 2);
}

TEST_F(PublishSettingsTest, SeparatorsAndFreeTextKeepWhatWasTyped) {
  const std::string folder = Folder("Typed");
  WriteRequired(folder);
  // A file of the Windows program: 0x95 is its bullet.
  WriteAll(folder + "conf.ini",
           "[FTP]\r\nDirectory=htdocs/cal/\r\n[Formatting]\r\nTimeSeperator=~~\r\n"
           "EventSeperator=\x95 \x95\r\nTimeFormat=hh:nn\r\nTarget=frame2\r\n");
  ASSERT_TRUE(Load(folder).ok());
  EXPECT_EQ(Value("FTP.Directory"), "htdocs/cal/");
  EXPECT_EQ(Value("Formatting.TimeSeperator"), "~~");
  EXPECT_EQ(Value("Formatting.EventSeperator"), "\xE2\x80\xA2 \xE2\x80\xA2");
  EXPECT_EQ(Value("Formatting.TimeFormat"), "hh:nn");
  EXPECT_EQ(Value("Formatting.Target"), "frame2");
  // Saved back as typed (in UTF-8) and read the same again.
  ASSERT_TRUE(Save(folder).ok());
  settings_ = PublishSettings();
  ASSERT_TRUE(Load(folder).ok());
  EXPECT_EQ(Value("Formatting.EventSeperator"), "\xE2\x80\xA2 \xE2\x80\xA2");
  EXPECT_EQ(Value("Formatting.TimeSeperator"), "~~");
}

TEST_F(PublishSettingsTest, StyleNameSelectsWithoutRegardToCaseAndElseKeepsTheSelection) {
  const std::string folder = Folder("Styled");
  WriteRequired(folder);
  window_.style_index.reset();
  EXPECT_EQ(window_.SelectedStyle(), "Autumn");  // nothing selected: the first

  WriteAll(folder + "conf.ini", "[Publish]\r\nStyleName=oCEAN\r\n");
  ASSERT_TRUE(Load(folder).ok());
  EXPECT_EQ(window_.style_index, 1);
  EXPECT_EQ(window_.SelectedStyle(), "Ocean");
  EXPECT_EQ(SelectedEntry(settings_, window_, Gallery::kStyles), "Ocean");

  WriteAll(folder + "conf.ini", "[Publish]\r\nStyleName=Gone\r\n");
  ASSERT_TRUE(Load(folder).ok());
  EXPECT_EQ(window_.SelectedStyle(), "Ocean");
  EXPECT_EQ(Value("Publish.StyleName"), "Gone");  // kept for when it comes back

  window_.style_index.reset();
  ASSERT_TRUE(Load(folder).ok());
  EXPECT_EQ(window_.SelectedStyle(), "Autumn");
}

TEST_F(PublishSettingsTest, PositionsBeyondTheirListAreSkippedAndLogged) {
  const std::string folder = Folder("Shrunk");
  WriteRequired(folder);
  WriteAll(folder + "conf.ini",
           "[Publish]\r\nShowMenu=7\r\nList=-1\r\nActionBarIndex=1\r\nMonths=0,1,40\r\n"
           "Years=1\r\n[Contents]\r\nCalendars=0,5,2,x\r\n[iCal]\r\nShare=1\r\n");
  settings_.SetInt("Publish.ShowMenu", 2);
  settings_.SetInt("Publish.List", 1);
  Status s = Load(folder);
  ASSERT_TRUE(s.ok()) << s.message();
  EXPECT_THAT(window_.chkCalendars.TickedPositions(), ElementsAre(0, 2));
  EXPECT_EQ(Value("Contents.Calendars"), "0,2");
  EXPECT_EQ(settings_.Int("Publish.ShowMenu"), 2);  // the selection stays
  EXPECT_EQ(settings_.Int("Publish.List"), 1);
  EXPECT_EQ(settings_.Int("Publish.ActionBarIndex"), 1);
  EXPECT_EQ(SelectedEntry(settings_, window_, Gallery::kTabs), "tabs - dark black");
  EXPECT_EQ(SelectedEntry(settings_, window_, Gallery::kActionBars), "ActionBar - Round");
  EXPECT_THAT(window_.chkMonths.TickedPositions(), ElementsAre(0, 1));
  EXPECT_THAT(window_.chkYears.TickedPositions(), ElementsAre(1));
  EXPECT_EQ(Value("Publish.Months"), "0,1,40");  // read only: kept as read
  EXPECT_TRUE(settings_.Bool("iCal.Share"));      // the load went on
  const std::string log = LogText();
  EXPECT_THAT(log, HasSubstr("Contents.Calendars position 5 is beyond the category list"));
  EXPECT_THAT(log, HasSubstr("Contents.Calendars not a position: x"));
  EXPECT_THAT(log, HasSubstr("Publish.ShowMenu=7 is beyond the gallery"));
  EXPECT_THAT(log, HasSubstr("Publish.List=-1 is beyond the gallery"));
}

TEST_F(PublishSettingsTest, PasswordsAreScrambledWhenAsked) {
  const std::string folder = Folder("Secret");
  const std::string ftp = "s3cr\xC3\xA9t pass", proxy = "proxy=pw;#";
  settings_.SetText("FTP.Password", ftp);
  settings_.SetText("Proxy.Password", proxy);
  settings_.SetBool("FTP.EncyptPassword", true);
  ASSERT_TRUE(Save(folder).ok());
  IniFile ini(folder + "conf.ini");
  ASSERT_TRUE(ini.Load().ok());
  const std::string stored = ini.ReadString("FTP", "Password", "");
  EXPECT_NE(stored, ftp);
  EXPECT_EQ(DecodeScrambled(stored, kPublishPasswordKey), ftp);
  EXPECT_EQ(DecodeScrambled(ini.ReadString("Proxy", "Password", ""), kPublishPasswordKey), proxy);
  const std::string scrambled = Scramble(ftp, kPublishPasswordKey);
  EXPECT_EQ(scrambled.size(), ftp.size());
  EXPECT_NE(scrambled, ftp);

  settings_ = PublishSettings();
  ASSERT_TRUE(Load(folder).ok());
  EXPECT_EQ(settings_.Text("FTP.Password"), ftp);
  EXPECT_EQ(settings_.Text("Proxy.Password"), proxy);

  // The switch is read before either password, wherever the file has it.
  WriteAll(folder + "conf.ini", "[Proxy]\r\nPassword=" + EncodeScrambled("a", kPublishPasswordKey) +
                                    "\r\n[FTP]\r\nPassword=" + stored +
                                    "\r\nEncyptPassword=1\r\n");
  ASSERT_TRUE(Load(folder).ok());
  EXPECT_EQ(settings_.Text("FTP.Password"), ftp);
  EXPECT_EQ(settings_.Text("Proxy.Password"), "a");

  // Switched off, both are stored in the clear.
  settings_.SetBool("FTP.EncyptPassword", false);
  ASSERT_TRUE(Save(folder).ok());
  ASSERT_TRUE(ini.Load().ok());
  EXPECT_EQ(ini.ReadString("FTP", "Password", ""), ftp);
  EXPECT_EQ(ini.ReadString("Proxy", "Password", ""), "a");
}

TEST_F(PublishSettingsTest, WithASecretStoreConfIniKeepsNoPassword) {
  auto secrets = platform::MakeFileSecretStore(dir_.UserMakerDir + "Secrets/passwords");
  env_.secrets = secrets.get();
  const std::string folder = Folder("Club");
  settings_.SetText("FTP.Host", "ftp.club.example");
  settings_.SetText("FTP.Password", " spaced pass ");
  settings_.SetText("Proxy.Host", "proxy.example");
  settings_.SetText("Proxy.Password", "proxy pass");
  settings_.SetBool("FTP.EncyptPassword", true);
  ASSERT_TRUE(Save(folder).ok());
  IniFile ini(folder + "conf.ini");
  ASSERT_TRUE(ini.Load().ok());
  EXPECT_EQ(ini.ReadString("FTP", "Password", "x"), "");
  EXPECT_EQ(ini.ReadString("Proxy", "Password", "x"), "");
  EXPECT_EQ(secrets->Lookup({"ftp", "Club", "ftp.club.example"}).value(),
            std::optional<std::string>(" spaced pass "));
  EXPECT_EQ(secrets->Lookup({"proxy", "Club", "proxy.example"}).value(),
            std::optional<std::string>("proxy pass"));
  settings_ = PublishSettings();
  ASSERT_TRUE(Load(folder).ok());
  EXPECT_EQ(settings_.Text("FTP.Password"), " spaced pass ");
  EXPECT_EQ(settings_.Text("Proxy.Password"), "proxy pass");

  // Another host has no password of this favorite.
  IniFile moved(folder + "conf.ini");
  ASSERT_TRUE(moved.Load().ok());
  moved.WriteString("FTP", "Host", "ftp.elsewhere.example");
  ASSERT_TRUE(moved.Save().ok());
  ASSERT_TRUE(Load(folder).ok());
  EXPECT_EQ(settings_.Text("FTP.Password"), "");

  // A store that cannot be asked leaves the password unknown, and the save
  // does not take that for "no password".
  WriteAll(dir_.UserMakerDir + "Blocked", "");
  auto broken = platform::MakeFileSecretStore(dir_.UserMakerDir + "Blocked/passwords");
  env_.secrets = broken.get();
  moved.WriteString("FTP", "Host", "ftp.club.example");
  ASSERT_TRUE(moved.Save().ok());
  ASSERT_TRUE(Load(folder).ok());
  EXPECT_EQ(settings_.Text("FTP.Password"), "");
  EXPECT_TRUE(settings_.password_unread(*FindSetting("FTP.Password")));
  env_.secrets = secrets.get();
  ASSERT_TRUE(Save(folder).ok());
  EXPECT_EQ(secrets->Lookup({"ftp", "Club", "ftp.club.example"}).value(),
            std::optional<std::string>(" spaced pass "));
  // A password the store refuses stays in conf.ini, and the save says so.
  env_.secrets = broken.get();
  settings_.SetText("FTP.Password", "new pass");
  settings_.SetBool("FTP.EncyptPassword", false);
  EXPECT_FALSE(Save(folder).ok());
  ASSERT_TRUE(ini.Load().ok());
  EXPECT_EQ(ini.ReadString("FTP", "Password", ""), "new pass");
  EXPECT_NE(ui_.messages.back().find("The password could not be stored"), std::string::npos);
}

TEST_F(PublishSettingsTest, ADamagedConfLoadsWhatItCan) {
  const std::string folder = Folder("Damaged");
  WriteRequired(folder);
  static constexpr char kJunk[] = "\x00\xFF\xFE junk\x01\r\n[Unknown]\r\nfoo=bar\r\n";
  WriteAll(folder + "conf.ini",
           std::string(kJunk, sizeof kJunk - 1) +
               "[Page]\r\nCalendarWidth=700\r\nCalendarWidth=800\r\nRow_Height=tall\r\n"
               "LogoCenter=yes\r\nCalendarMarginTop 9\r\nPageColor=#123456\r\n"
               "[RSS]\r\nGMTOffset=east\r\nDays=30\r\n\x80\x81\x82\r\n[page]\r\nFontColor=#654321\r\n");
  ASSERT_TRUE(Load(folder).ok());
  EXPECT_EQ(settings_.Int("Page.CalendarWidth"), 700);  // the first of duplicates
  EXPECT_EQ(settings_.Int("Page.Row_Height"), 3);
  EXPECT_TRUE(settings_.Bool("Page.LogoCenter"));
  EXPECT_EQ(settings_.Int("Page.CalendarMarginTop"), 5);
  EXPECT_EQ(Value("Page.PageColor"), "#123456");
  EXPECT_EQ(Value("Page.FontColor"), "#654321");  // a second [page] section reads as one
  EXPECT_EQ(settings_.Real("RSS.GMTOffset"), -5.0);
  EXPECT_EQ(settings_.Int("RSS.Days"), 30);
  EXPECT_THAT(LogText(), HasSubstr("not a number: Page.LogoCenter, Page.Row_Height, RSS.GMTOffset"));

  // Saving keeps what other programs put there, and a second save is stable.
  ASSERT_TRUE(Save(folder).ok());
  EXPECT_THAT(ReadAll(folder + "conf.ini"), HasSubstr("[Unknown]\r\nfoo=bar\r\n"));
  settings_ = PublishSettings();
  ASSERT_TRUE(Load(folder).ok());
  const auto before = Snapshot(folder);
  ASSERT_TRUE(Save(folder).ok());
  EXPECT_EQ(Snapshot(folder), before);
}

// ---- Saving ----

TEST_F(PublishSettingsTest, SaveFailuresShowTheirMessagesAndWriteNothing) {
  WriteAll(dir_.FavoritesDir + "plain file", "x");
  const std::string blocked = dir_.FavoritesDir + "plain file/Sports/";
  EXPECT_FALSE(Save(blocked).ok());
  // The fixed message, and on a second line the reason the system gave.
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_THAT(ui_.messages[0], StartsWith("unable to create directory " + blocked + "\n"));
  EXPECT_THAT(ui_.messages[0], HasSubstr("Not a directory"));

  const std::string folder = Folder("Locked");
  std::filesystem::create_directories(folder + "conf.ini");  // a folder in its place
  ui_.messages.clear();
  EXPECT_FALSE(Save(folder).ok());
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_THAT(ui_.messages[0],
              StartsWith("Invalid Calendar Name. Do not use invalid file name characters. "
                         "Calendar will not be synchronized autmatically\nCannot write " +
                         folder + "conf.ini: "));
  EXPECT_FALSE(testing::Exists(folder + "title.txt"));
}

TEST_F(PublishSettingsTest, SavingListsTheFavoritesAgain) {
  Folder("beta");
  ASSERT_TRUE(Save(dir_.FavoritesDir + "Alpha/").ok());
  EXPECT_THAT(window_.AutoList, ElementsAre("Alpha", "beta"));
  EXPECT_THAT(PageNames(window_.AutoList), ElementsAre("Alpha.html", "beta.html"));
}

// ---- Names and pictures ----

TEST_F(PublishSettingsTest, PageNamesAndFavoriteNames) {
  EXPECT_EQ(CompletePageName("Sports"), "Sports.html");
  EXPECT_EQ(CompletePageName("Sports.htm"), "Sports.htm");
  EXPECT_EQ(CompletePageName("Sports.HTML"), "Sports.HTML");
  EXPECT_EQ(CompletePageName("club.php"), "club.php.html");
  EXPECT_EQ(FavoriteName("Sports.html"), "Sports");
  EXPECT_EQ(FavoriteName("a.html.html"), "a");
  EXPECT_EQ(FavoriteName("Sports"), "Sports");
}

TEST_F(PublishSettingsTest, PicturesAreCopiedAsLogoAndPage) {
  const std::string folder = Folder("Pictures");
  WriteAll(fx_.root / "pick/My Logo.PNG", "png bytes");
  WriteAll(fx_.root / "pick/back.jpg", "jpg bytes");
  WriteAll(folder + "Page.gif", "old gif");
  ASSERT_TRUE(PickFavoritePicture(fx_.root / "pick/My Logo.PNG", FavoritePicture::kLogo,
                                  dir_.BuildDir, folder, &settings_).ok());
  EXPECT_EQ(Value("Page.Logo"), "logo.png");
  EXPECT_EQ(ReadAll(dir_.BuildDir + "logo.png"), "png bytes");
  EXPECT_EQ(FindFavoritePicture(folder, FavoritePicture::kLogo), folder + "logo.png");

  EXPECT_EQ(FindFavoritePicture(folder, FavoritePicture::kPage), folder + "Page.gif");
  ASSERT_TRUE(PickFavoritePicture(fx_.root / "pick/back.jpg", FavoritePicture::kPage,
                                  dir_.BuildDir, folder, &settings_).ok());
  EXPECT_EQ(FindFavoritePicture(folder, FavoritePicture::kPage), folder + "Page.jpg");
  EXPECT_FALSE(testing::Exists(folder + "Page.gif"));
  EXPECT_EQ(ReadAll(dir_.BuildDir + "Page.jpg"), "jpg bytes");

  ClearFavoritePicture(FavoritePicture::kLogo, folder, &settings_);
  ClearFavoritePicture(FavoritePicture::kPage, folder, &settings_);
  EXPECT_EQ(FindFavoritePicture(folder, FavoritePicture::kLogo), "");
  EXPECT_EQ(FindFavoritePicture(folder, FavoritePicture::kPage), "");
  EXPECT_EQ(Value("Page.Logo"), "");
  EXPECT_TRUE(testing::Exists(dir_.BuildDir + "logo.png"));  // only the favorite's copy goes
}

// ---- Typed access from text ----

TEST_F(PublishSettingsTest, TypedTextIsCheckedAgainstTheKind) {
  auto set = [&](const char* name, const char* text) {
    return settings_.SetValueText(*FindSetting(name), text);
  };
  EXPECT_EQ(FindSetting("page.calendarwidth"), SettingIndex("Page.CalendarWidth"));
  EXPECT_FALSE(FindSetting("Page.Nothing"));
  EXPECT_FALSE(set("Page.CalendarWidth", "wide").ok());
  EXPECT_FALSE(set("Page.LogoCenter", "yes").ok());
  EXPECT_FALSE(set("RSS.GMTOffset", "east").ok());
  EXPECT_FALSE(set("Proxy.Type", "Socks").ok());
  EXPECT_FALSE(set("Contents.Calendars", "1,a").ok());
  EXPECT_FALSE(set("Publish.Years", "0").ok());
  EXPECT_FALSE(set("Publish.List", "-2").ok());
  EXPECT_TRUE(set("Publish.Destination", "").ok());
  EXPECT_TRUE(set("Proxy.Type", "user pass").ok());
  EXPECT_EQ(Value("Proxy.Type"), "User Pass");
  EXPECT_TRUE(set("RSS.GMTOffset", "5.5").ok());
  EXPECT_EQ(settings_.Real("RSS.GMTOffset"), 5.5);
  EXPECT_TRUE(set("Page.Title", "  two\r\nlines ").ok());
  EXPECT_EQ(Value("Page.Title"), "two  lines");  // as conf.ini will give it back
}

}  // namespace
}  // namespace almanix::publish
