#include "publish/publish_editor.h"

#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/dir.h"
#include "app/log.h"
#include "platform/system_info.h"
#include "publish/language_texts.h"
#include "store/db_engine.h"
#include "support/fake_ui.h"
#include "support/fixture.h"

namespace almanix::publish {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::ReadAll;
using testing::WriteAll;

class PublishEditorTest : public ::testing::Test {
 protected:
  PublishEditorTest()
      : dir_(fx_.install, fx_.places, fx_.opener, fx_.trash, &ui_),
        log_(dir_.LogDir, "Log", platform::SystemInfo{}),
        editor_(dir_, "Canada", &log_, &ui_) {
    editor_.set_current_year(2026);
    EXPECT_TRUE(db_.Open(dir_.DbDir).ok());
    Categories(2026, {"Work", "Home", "School"});
  }

  void Categories(int year, std::vector<std::string> names) {
    const std::string table = "Calendar" + std::to_string(year);
    ASSERT_TRUE(db_.Execute("CREATE TABLE " + table + "(ID autoinc, Name char(64))").ok());
    for (const std::string& n : names) {
      ASSERT_TRUE(
          db_.Execute("INSERT INTO " + table + "(Name) VALUES (" + store::SqlQuote(n) + ")").ok());
    }
  }
  void YearTable(int year) {
    ASSERT_TRUE(db_.Execute("CREATE TABLE Year" + std::to_string(year) + "(ID autoinc)").ok());
  }

  testing::InstallFixture fx_;
  testing::FakeUi ui_;
  TDir dir_;
  TLog log_;
  store::Database db_;
  PublishEditor editor_;
};

// ---- Set-up ----

TEST_F(PublishEditorTest, SetUpForANewFavoriteTicksAllMonthsAndTheCurrentCategory) {
  WriteAll(dir_.ConfigDir + "title.txt", "My title\r\n");
  WriteAll(dir_.ConfigDir + "months.txt", "1=Janvier\r\n");
  ASSERT_TRUE(editor_.SetUp(db_, 2026, "Sports", 2).ok());
  const PublishSettings& s = editor_.settings;
  EXPECT_EQ(s.Text("Publish.FileName"), "Sports.html");
  EXPECT_EQ(editor_.Favorite(), "Sports");
  EXPECT_EQ(editor_.FavoriteFolder(), dir_.FavoritesDir + "Sports/");
  EXPECT_EQ(s.Text("RSS.Title"), "Sports");
  EXPECT_EQ(s.Text("Publish.DirName"), dir_.BuildDir);
  EXPECT_EQ(s.Int("Publish.StartYear"), 2026);
  EXPECT_EQ(s.Int("Publish.EndYear"), 2026);
  EXPECT_EQ(s.Text("Contents.Holiday"), "Canada");
  EXPECT_THAT(editor_.window.chkCalendars.items, ElementsAre("Work", "Home", "School"));
  EXPECT_THAT(editor_.window.chkCalendars.TickedPositions(), ElementsAre(1));
  EXPECT_EQ(editor_.window.chkMonths.TickedPositions().size(), 12u);
  // ConfigDir's files where it has them, the built-in lists elsewhere.
  EXPECT_EQ(s.text_file(TextFile::kTitle), "My title\r\n");
  EXPECT_EQ(s.text_file(TextFile::kMonths), "1=Janvier\r\n");
  EXPECT_EQ(s.text_file(TextFile::kWeekdays), DefaultWeekdayNames().ToText());
  EXPECT_EQ(s.text_file(TextFile::kHeader), "");
  EXPECT_THAT(ui_.messages, IsEmpty());
}

TEST_F(PublishEditorTest, SetUpLoadsAnExistingFavoriteAndSelectsTheGalleries) {
  for (const char* tab : {"Month Name", "tabs - dark black"}) {
    std::filesystem::create_directories(dir_.TabsDir + tab);
  }
  for (const char* style : {"Default", "Ocean"}) {
    std::filesystem::create_directories(dir_.StylesDir + style);
  }
  ASSERT_TRUE(editor_.SetUp(db_, 2026, "Club.html", 1).ok());
  EXPECT_EQ(editor_.settings.Int("Publish.ShowMenu"), 1);  // "tabs - dark black"
  EXPECT_EQ(editor_.window.SelectedStyle(), "Default");
  editor_.settings.SetText("Publish.StyleName", "ocean");
  editor_.window.chkCalendars.UntickAll();
  editor_.window.chkCalendars.Tick(2);
  editor_.settings.SetInt("Page.CalendarWidth", 700);
  ASSERT_TRUE(editor_.Save().ok());
  EXPECT_THAT(editor_.window.AutoList, ElementsAre("Club"));

  PublishEditor again(dir_, "US", &log_, &ui_);
  ASSERT_TRUE(again.SetUp(db_, 2026, "Club.html", 1).ok());
  EXPECT_EQ(again.settings.Int("Page.CalendarWidth"), 700);
  EXPECT_EQ(again.window.SelectedStyle(), "Ocean");
  EXPECT_THAT(again.window.chkCalendars.TickedPositions(), ElementsAre(2));
  EXPECT_THAT(again.window.chkMonths.TickedPositions(), ElementsAre(0));  // Publish.Months
}

// ---- Control rules ----

TEST_F(PublishEditorTest, TheRangeStaysInOrder) {
  YearTable(2026);
  YearTable(2027);
  ASSERT_TRUE(editor_.SetUp(db_, 2026, "Range", 1).ok());
  PublishSettings& s = editor_.settings;
  editor_.SetStartYear(2028);  // no check on the start year
  EXPECT_EQ(s.Int("Publish.EndYear"), 2028);
  editor_.SetEndYear(2027);
  EXPECT_EQ(s.Int("Publish.StartYear"), 2027);
  EXPECT_EQ(s.Int("Publish.EndYear"), 2027);
  EXPECT_THAT(ui_.messages, IsEmpty());

  editor_.SetStartMonth(5);
  editor_.SetEndMonth(2);
  EXPECT_EQ(s.Int("Publish.EndMonth"), 5);
  editor_.SetStartYear(2026);
  editor_.SetEndMonth(2);  // other years: any months
  EXPECT_EQ(s.Int("Publish.EndMonth"), 2);

  editor_.SetEndYear(2031);
  EXPECT_THAT(ui_.messages,
              ElementsAre("Data for 2031 has not yet been created. To create this year, close "
                          "this page, and select 2031 in the calendar on the main screen "));
  EXPECT_EQ(s.Int("Publish.EndYear"), 2026);
}

TEST_F(PublishEditorTest, PageNameAndICalLinkRules) {
  ASSERT_TRUE(editor_.SetUp(db_, 2026, "", 1).ok());
  PublishSettings& s = editor_.settings;
  EXPECT_EQ(s.Text("iCal.Link"), "webcal://www.example.org/directory/");
  s.SetText("Publish.FileName", "Games");
  editor_.LeavePageName();
  EXPECT_EQ(s.Text("Publish.FileName"), "Games.html");
  EXPECT_EQ(s.Text("iCal.Link"), "webcal://www.example.org/directory/ical.ics");

  s.SetText("iCal.Link", "webcal://club.example.net/cal.ics");
  editor_.LeaveICalLink();
  EXPECT_THAT(ui_.messages, IsEmpty());
  s.SetText("iCal.Link", "https://club.example.net/cal.ics");
  editor_.LeaveICalLink();
  EXPECT_THAT(ui_.messages, ElementsAre("Link needs to begin with \"webcal://\""));
  EXPECT_EQ(s.Text("iCal.Link"), "webcal://www.example.org/directory/ical.ics");
}

TEST_F(PublishEditorTest, ResetSettingsAsksAndResetsOnlyOnOk) {
  ASSERT_TRUE(editor_.SetUp(db_, 2026, "Reset", 1).ok());
  PublishSettings& s = editor_.settings;
  s.SetBool("Publish.StartSunday", false);
  s.SetInt("Page.CalendarWidth", 700);
  s.SetBool("Page.Embed", true);
  s.SetText("Page.EmbedLink", "https://club.example.net/page.html");
  s.SetText("Formatting.EventSeperator", "@");
  s.SetBool("ActionBar.Bottom", false);
  s.SetBool("FTP.CalendarFile", true);
  s.SetText("Page.Title", "Club");
  s.SetBool("Page.LogoCenter", false);  // not one of the reset settings
  s.set_text_file(TextFile::kFooter, "footer");
  s.set_text_file(TextFile::kMonths, "1=Jan\r\n");
  editor_.window.chkIframe = true;
  ASSERT_TRUE(editor_.Save().ok());
  WriteAll(editor_.FavoriteFolder() + "logo.gif", "gif");
  WriteAll(editor_.FavoriteFolder() + "Page.png", "png");
  WriteAll(editor_.FavoriteFolder() + "embed.html", "<p>embed</p>");
  s.SetText("Page.Logo", "logo.gif");

  const PublishSettings before = s;
  ui_.answers = {Answer::kCancel};
  EXPECT_FALSE(editor_.ResetSettings());
  EXPECT_EQ(s, before);
  ASSERT_EQ(ui_.questions.size(), 1u);
  EXPECT_EQ(ui_.questions[0],
            "You are about to reset some settings to their defaults. \r\nOnly the settings the "
            "most likely to cause problems will be reset. \nTo  reset all settings, delete this "
            "category template from the application settings screen ");

  ui_.answers = {Answer::kOk};
  EXPECT_TRUE(editor_.ResetSettings());
  EXPECT_TRUE(s.Bool("Publish.StartSunday"));
  EXPECT_EQ(s.Int("Page.CalendarWidth"), 97);
  EXPECT_EQ(s.Text("Page.CalendarWidthUnits"), "%");
  EXPECT_EQ(s.Text("Page.Title"), "");
  EXPECT_EQ(s.Text("Page.Logo"), "");
  EXPECT_FALSE(testing::Exists(editor_.FavoriteFolder() + "logo.gif"));
  EXPECT_FALSE(testing::Exists(editor_.FavoriteFolder() + "Page.png"));
  EXPECT_FALSE(testing::Exists(editor_.FavoriteFolder() + "embed.html"));
  EXPECT_EQ(s.text_file(TextFile::kFooter), "");
  EXPECT_EQ(s.text_file(TextFile::kMonths), "1=Jan\r\n");
  EXPECT_FALSE(editor_.window.chkIframe);
  EXPECT_FALSE(s.Bool("Page.Embed"));
  EXPECT_EQ(s.Text("Page.EmbedLink"), "");
  EXPECT_EQ(s.Text("Formatting.EventSeperator"), "none");
  EXPECT_EQ(s.Text("Formatting.Target"), "");
  EXPECT_TRUE(s.Bool("ActionBar.Bottom"));
  EXPECT_FALSE(s.Bool("FTP.CalendarFile"));
  EXPECT_FALSE(s.Bool("Page.LogoCenter"));
  // Only in the window: the folder keeps the saved settings.
  EXPECT_NE(ReadAll(editor_.FavoriteFolder() + "conf.ini").find("CalendarWidth=700"),
            std::string::npos);
}

}  // namespace
}  // namespace almanix::publish
