#include "settings/publish_editor.h"

#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/dir.h"
#include "app/log.h"
#include "platform/system_info.h"
#include "settings/galleries.h"
#include "settings/language_texts.h"
#include "settings/style_library.h"
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
  // A gallery entry folder with its preview picture.
  void Entry(Gallery gallery, const std::string& name) {
    WriteAll(EntryFolder(dir_, gallery, name) + std::string(PreviewFileName(gallery)), "bmp");
  }
  // A style whose Style.css carries `info`.
  void Style(const std::string& name, const StyleInfo& info) {
    std::filesystem::create_directories(EntryFolder(dir_, Gallery::kStyles, name));
    ASSERT_TRUE(
        WriteStyleSheet(EntrySheetPath(dir_, Gallery::kStyles, name), info, StyleCss{}).ok());
  }
  StyleInfo Coupled(std::string menu, std::string width, std::string units) {
    StyleInfo info;
    info.menu_style = std::move(menu);
    info.action_bar_style = "ActionBar - Night";
    info.list_style = "Card List";
    info.calendar_width = std::move(width);
    info.calendar_width_units = std::move(units);
    info.menu_font_size = "11";
    return info;
  }
  // Tab styles, toolbars, event lists and styles to couple with.
  void Galleries() {
    for (const char* t : {"Month Name", "Ocean Tabs", "tabs - dark black"}) {
      Entry(Gallery::kTabs, t);
    }
    for (const char* a : {"ActionBar - Default", "ActionBar - Night"}) {
      Entry(Gallery::kActionBars, a);
    }
    for (const char* l : {"Card List", "Classic List"}) Entry(Gallery::kLists, l);
    Style("Ocean", Coupled("Ocean Tabs", "700", "px"));
    Style("Plain", StyleInfo{});
    Style("Wide", Coupled("Not Listed", "97", ""));
  }
  std::vector<std::string> Weekdays() const {
    LanguageTexts texts;
    texts.mutable_weekdays().LoadFromText(editor_.settings.text_file(TextFile::kWeekdays));
    std::vector<std::string> names;
    for (int d = 1; d <= 7; ++d) names.push_back(texts.WeekdayName(d, "Long"));
    return names;
  }
  std::string Selected(Gallery gallery) const {
    return SelectedEntry(editor_.settings, editor_.window, gallery);
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
  // The embed "clear" applied the "Full Screen" preset of that width.
  EXPECT_EQ(editor_.size_position(), 10);
  EXPECT_EQ(s.Int("Page.Row_Height"), 4);
  EXPECT_EQ(s.Int("List.Width"), 500);  // step 6 comes after the preset
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

// ---- Calendar size ----

TEST_F(PublishEditorTest, EachSizePresetSetsItsValues) {
  Galleries();
  ASSERT_TRUE(editor_.SetUp(db_, 2026, "Sizes", 1).ok());
  ASSERT_TRUE(editor_.ApplyStyle("Ocean"));  // its tab style is "Ocean Tabs"
  const std::vector<std::string> kShort = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  const std::vector<std::string> kLong = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};
  struct Row {
    int position;
    int width;
    const char* units;
    bool short_names;
    int row_height;
    const char* tabs;
    const char* title_size;
    const char* label;
  };
  const Row rows[] = {
      {0, 300, "px", true, 0, "Month Name", "12", "300px"},
      {1, 400, "px", true, 1, "Month Name", "12", "400px"},
      {2, 500, "px", true, 2, "Month Name", "12", "500px"},
      {3, 600, "px", true, 3, "Month Name", "12", "600px"},
      {4, 700, "px", true, 3, "Ocean Tabs", "12", "700px"},
      {5, 800, "px", false, 3, "Ocean Tabs", "14", "800px"},
      {6, 900, "px", false, 3, "Ocean Tabs", "14", "900px"},
      {7, 960, "px", false, 3, "Ocean Tabs", "14", "960px"},
      {8, 1200, "px", false, 3, "Ocean Tabs", "18", "1200px"},
      {9, 1400, "px", false, 3, "Ocean Tabs", "18", "1400px"},
      {10, 97, "%", false, 4, "Ocean Tabs", "20", "97%"},
  };
  PublishSettings& s = editor_.settings;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.position);
    s.SetInt("Page.CalendarWidth", 960);  // the box comes from the width before
    s.SetText("Page.CalendarWidthUnits", "px");
    editor_.ApplySizePreset(r.position);
    EXPECT_EQ(editor_.size_position(), r.position);
    EXPECT_EQ(s.Int("Page.CalendarWidth"), r.width);
    EXPECT_EQ(s.Text("Page.CalendarWidthUnits"), r.units);
    EXPECT_EQ(editor_.size_label(), r.label);
    EXPECT_EQ(s.Int("List.Width"), 874);
    EXPECT_EQ(s.Int("List.Height"), 546);
    EXPECT_EQ(Weekdays(), r.short_names ? kShort : kLong);
    EXPECT_EQ(s.Int("Page.Row_Height"), r.row_height);
    EXPECT_EQ(Selected(Gallery::kTabs), r.tabs);
    EXPECT_EQ(s.Text("Page.TitleSize"), r.title_size);
    EXPECT_EQ(editor_.icon_captions_shown(), r.position <= 1);
  }
}

TEST_F(PublishEditorTest, PresetsTakeTheBoxFromTheWidthBeforeAndKeepTabsWithoutAStyle) {
  Galleries();
  ASSERT_TRUE(editor_.SetUp(db_, 2026, "Sizes", 1).ok());
  PublishSettings& s = editor_.settings;
  editor_.ApplySizePreset(10);
  editor_.ApplySizePreset(3);  // from 97 %
  EXPECT_EQ(s.Int("List.Width"), 725);
  EXPECT_EQ(s.Int("List.Height"), 453);
  EXPECT_EQ(Selected(Gallery::kTabs), "Month Name");
  // The small names keep their tiny form.
  LanguageTexts texts;
  texts.mutable_weekdays().LoadFromText(s.text_file(TextFile::kWeekdays));
  EXPECT_EQ(texts.WeekdayName(1, "Tiny"), "Sun");
  // No style applied yet: the larger presets leave the tab selection.
  editor_.ApplySizePreset(8);
  EXPECT_EQ(Selected(Gallery::kTabs), "Month Name");
  EXPECT_EQ(editor_.style_tab_style(), "");
  // Beyond the slider: its ends.
  editor_.ApplySizePreset(15);
  EXPECT_EQ(editor_.size_position(), 10);
  EXPECT_EQ(s.Int("Page.CalendarWidth"), 97);
}

TEST_F(PublishEditorTest, TheSliderFollowsTheLoadedWidthAndFitNameItsSmallestPosition) {
  ASSERT_TRUE(editor_.SetUp(db_, 2026, "Small", 1).ok());
  EXPECT_EQ(editor_.size_position(), 6);  // the default 960 px
  editor_.settings.SetInt("Page.CalendarWidth", 250);
  ASSERT_TRUE(editor_.Save().ok());

  PublishEditor small(dir_, "US", &log_, &ui_);
  ASSERT_TRUE(small.SetUp(db_, 2026, "Small", 1).ok());
  EXPECT_EQ(small.size_position(), 0);
  EXPECT_EQ(small.FitName("March2026.html"), "..");
  EXPECT_EQ(small.settings.Int("Page.CalendarWidth"), 250);  // moving it applied nothing
  small.SetSliderFromWidth(450);  // a gap between the bands
  EXPECT_EQ(small.size_position(), 0);
  small.SetSliderFromWidth(1300);
  EXPECT_EQ(small.size_position(), 8);
  EXPECT_EQ(small.FitName("March2026.html"), "March2026.html");

  small.settings.SetInt("Page.CalendarWidth", 97);
  small.settings.SetText("Page.CalendarWidthUnits", "%");
  small.SetStandardSize();
  EXPECT_EQ(small.size_label(), "960px");
}

// ---- Styles ----

TEST_F(PublishEditorTest, ApplyingACoupledStyleSetsItsGalleriesAndSize) {
  Galleries();
  ASSERT_TRUE(editor_.SetUp(db_, 2026, "Club", 1).ok());
  PublishSettings& s = editor_.settings;
  s.SetInt("Page.Row_Height", 9);
  ASSERT_TRUE(editor_.ApplyStyle("ocean"));
  EXPECT_EQ(editor_.window.SelectedStyle(), "Ocean");
  EXPECT_EQ(s.Text("Publish.StyleName"), "Ocean");
  EXPECT_EQ(Selected(Gallery::kTabs), "Ocean Tabs");
  EXPECT_EQ(Selected(Gallery::kActionBars), "ActionBar - Night");
  EXPECT_EQ(Selected(Gallery::kLists), "Card List");
  EXPECT_EQ(editor_.style_tab_style(), "Ocean Tabs");
  EXPECT_EQ(s.Int("Menu.FontSize"), 11);
  EXPECT_EQ(s.Int("Page.CalendarWidth"), 700);
  EXPECT_EQ(s.Text("Page.CalendarWidthUnits"), "px");
  EXPECT_EQ(s.Int("List.Width"), 637);   // 700 x 0.91
  EXPECT_EQ(s.Int("List.Height"), 398);  // 637 x 0.625
  EXPECT_EQ(editor_.size_position(), 3);
  EXPECT_EQ(s.Int("Page.Row_Height"), 3);
  EXPECT_EQ(editor_.edListName, "Ocean");

  // A tab style that is not listed leaves the tabs; absent units are "%".
  ASSERT_TRUE(editor_.ApplyStyle("Wide"));
  EXPECT_EQ(Selected(Gallery::kTabs), "Ocean Tabs");
  EXPECT_EQ(editor_.style_tab_style(), "Not Listed");
  EXPECT_EQ(s.Int("Page.CalendarWidth"), 97);
  EXPECT_EQ(s.Text("Page.CalendarWidthUnits"), "%");
  EXPECT_EQ(s.Int("List.Width"), 725);
  EXPECT_EQ(editor_.size_position(), 10);
  EXPECT_EQ(editor_.edListName, "Wide");
}

TEST_F(PublishEditorTest, AStyleWithoutCouplingChangesOnlyTheSelection) {
  Galleries();
  ASSERT_TRUE(editor_.SetUp(db_, 2026, "Club", 1).ok());
  const PublishSettings before = editor_.settings;
  EXPECT_FALSE(editor_.ApplyStyle("Plain"));
  EXPECT_EQ(editor_.window.SelectedStyle(), "Plain");
  PublishSettings expected = before;
  expected.SetText("Publish.StyleName", "Plain");
  EXPECT_EQ(editor_.settings, expected);
  EXPECT_EQ(editor_.edListName, "");

  // An unknown name selects the first style, "Default", which has no coupling.
  EXPECT_FALSE(editor_.ApplyStyle("Gone"));
  EXPECT_EQ(editor_.window.SelectedStyle(), editor_.window.Style.front());
  EXPECT_EQ(editor_.settings.Int("Page.CalendarWidth"), 960);
}

// ---- Embed methods ----

TEST_F(PublishEditorTest, FrameAndObjectTicksSetTheBoxTargetAndInsert) {
  ASSERT_TRUE(editor_.SetUp(db_, 2026, "Embed", 1).ok());
  PublishSettings& s = editor_.settings;
  PublishWindowState& w = editor_.window;
  w.chkPaste = true;
  s.SetText("Formatting.Target", "");
  editor_.SetIframe(true);
  EXPECT_TRUE(w.chkIframe);
  EXPECT_FALSE(w.chkPaste);
  EXPECT_TRUE(s.Bool("List.Box"));
  EXPECT_EQ(s.Text("Formatting.Target"), "_blank");
  EXPECT_FALSE(s.Bool("Page.Insert"));  // the frame tick leaves it to the run
  editor_.SetIframe(false);
  EXPECT_EQ(s.Text("Formatting.Target"), "");
  EXPECT_TRUE(s.Bool("List.Box"));

  w.chkIframe = w.chkPaste = true;
  s.SetBool("List.Box", false);
  editor_.SetObject(true);
  EXPECT_TRUE(w.chkObject);
  EXPECT_FALSE(w.chkIframe);
  EXPECT_FALSE(w.chkPaste);
  EXPECT_TRUE(s.Bool("List.Box"));
  EXPECT_EQ(s.Text("Formatting.Target"), "_blank");
  EXPECT_TRUE(s.Bool("Page.Insert"));
  editor_.SetObject(false);
  EXPECT_EQ(s.Text("Formatting.Target"), "");
  EXPECT_FALSE(s.Bool("Page.Insert"));

  // The frame ticked after the object: unticking the object keeps Insert.
  editor_.SetObject(true);
  editor_.SetIframe(true);
  editor_.SetObject(false);
  EXPECT_TRUE(w.chkIframe);
  EXPECT_TRUE(s.Bool("Page.Insert"));
}

TEST_F(PublishEditorTest, PasteTickEmbedsAndHidesTheInsertOption) {
  ASSERT_TRUE(editor_.SetUp(db_, 2026, "Embed", 1).ok());
  PublishSettings& s = editor_.settings;
  PublishWindowState& w = editor_.window;
  editor_.SetObject(true);
  editor_.SetIframe(true);
  ASSERT_TRUE(editor_.insert_option_shown());
  editor_.SetPaste(true);
  EXPECT_TRUE(w.chkPaste);
  EXPECT_FALSE(w.chkIframe);
  EXPECT_FALSE(w.chkObject);
  EXPECT_EQ(s.Text("Formatting.Target"), "");
  EXPECT_FALSE(s.Bool("Page.Insert"));
  EXPECT_TRUE(s.Bool("Page.Embed"));
  EXPECT_FALSE(editor_.insert_option_shown());
  editor_.SetPaste(false);
  EXPECT_FALSE(s.Bool("Page.Embed"));
  EXPECT_TRUE(editor_.insert_option_shown());
}

TEST_F(PublishEditorTest, ClearUnticksEverythingAndReappliesTheSizePreset) {
  ASSERT_TRUE(editor_.SetUp(db_, 2026, "Embed", 1).ok());
  PublishSettings& s = editor_.settings;
  PublishWindowState& w = editor_.window;
  editor_.SetObject(true);
  editor_.SetIframe(true);
  w.chkPaste = true;
  s.SetBool("Page.Embed", true);
  s.SetInt("Page.CalendarWidth", 250);
  s.SetInt("Page.Row_Height", 9);
  editor_.ClearEmbed();
  EXPECT_FALSE(w.chkIframe || w.chkObject || w.chkPaste);
  EXPECT_FALSE(s.Bool("Page.Insert"));
  EXPECT_FALSE(s.Bool("Page.Embed"));
  EXPECT_FALSE(s.Bool("List.Box"));
  EXPECT_EQ(s.Text("Formatting.Target"), "");
  // The preset of 250 px: position 0.
  EXPECT_EQ(editor_.size_position(), 0);
  EXPECT_EQ(s.Int("Page.CalendarWidth"), 300);
  EXPECT_EQ(s.Int("Page.Row_Height"), 0);

  int calls = 0;
  editor_.apply_size_preset = [&calls] { ++calls; };
  editor_.ClearEmbed();
  EXPECT_EQ(calls, 1);
}

TEST(EmbedSwitchesTest, TheRunTakesInsertAndEmbedFromTheTicks) {
  struct Case {
    bool frame, object, paste;
    bool insert, embed;
  };
  const Case cases[] = {
      {false, false, false, false, false}, {true, false, false, true, false},
      {false, true, false, true, false},   {false, false, true, false, true},
      {true, true, true, true, true},
  };
  for (const Case& c : cases) {
    PublishWindowState window;
    window.chkIframe = c.frame;
    window.chkObject = c.object;
    window.chkPaste = c.paste;
    PublishSettings settings;
    settings.SetBool("Page.Insert", !c.insert);
    settings.SetBool("Page.Embed", !c.embed);
    ApplyEmbedSwitches(window, &settings);
    EXPECT_EQ(settings.Bool("Page.Insert"), c.insert) << c.frame << c.object << c.paste;
    EXPECT_EQ(settings.Bool("Page.Embed"), c.embed) << c.frame << c.object << c.paste;
  }
}

// ---- Tab font ----

TEST_F(PublishEditorTest, TabFontFollowsTheMonthSpan) {
  ASSERT_TRUE(editor_.SetUp(db_, 2026, "Tabs", 1).ok());
  PublishSettings& s = editor_.settings;
  struct Case {
    int start_month, end_month, end_year;
    int font;
  };
  const Case cases[] = {
      {0, 11, 2026, 7},   // d = 11
      {0, 10, 2026, 42},  // d = 10: unchanged
      {1, 10, 2026, 7},   // d = 9
      {2, 10, 2026, 9},   // d = 8
      {5, 11, 2026, 9},   // d = 6
      {6, 11, 2026, 10},  // d = 5
      {5, 0, 2026, 10},   // the span either way
      {6, 11, 2027, 6},   // years differ
      {0, 10, 2027, 6},
  };
  for (const Case& c : cases) {
    s.SetInt("Publish.StartMonth", c.start_month);
    s.SetInt("Publish.EndMonth", c.end_month);
    s.SetInt("Publish.EndYear", c.end_year);
    s.SetInt("Menu.FontSize", 42);
    editor_.AutoSizeTabFont();
    EXPECT_EQ(s.Int("Menu.FontSize"), c.font)
        << c.start_month << ".." << c.end_month << " " << c.end_year;
  }

  EXPECT_FALSE(editor_.ClickTabFontSize());
  EXPECT_THAT(ui_.messages, ElementsAre("AutoSizing ic checked, uncheck first"));
  s.SetBool("Formatting.CalendarAutoSize", false);
  s.SetInt("Menu.FontSize", 42);
  editor_.AutoSizeTabFont();
  EXPECT_EQ(s.Int("Menu.FontSize"), 42);
  EXPECT_TRUE(editor_.ClickTabFontSize());
  EXPECT_EQ(ui_.messages.size(), 1u);
}

// ---- RSS ----

TEST_F(PublishEditorTest, RssAutoFillTakesTheAddressesAndFillsOnlyEmptyTexts) {
  ASSERT_TRUE(editor_.SetUp(db_, 2026, "Club", 1).ok());
  PublishSettings& s = editor_.settings;
  s.SetText("Publish.URL", "http://club.example.net/Calendar.html?back=Calendar.html");
  s.SetText("Page.Title", "Club Events");
  s.SetText("RSS.Title", "");
  editor_.window.Bar_Home2 = "http://club.example.net/";
  editor_.AutoFillRss();
  EXPECT_EQ(s.Text("RSS.FileURL"), "http://club.example.net/rss.xml?back=rss.xml");
  EXPECT_EQ(s.Text("RSS.Title"), "Club Events");
  EXPECT_EQ(s.Text("RSS.Description"), "Club Events RSS feed.");
  EXPECT_EQ(s.Text("RSS.URL"), "http://club.example.net/");

  s.SetText("Page.Title", "Other");
  s.SetText("Publish.URL", "http://club.example.net/cal/");
  editor_.window.Bar_Home2 = "http://home.example.net/";
  editor_.AutoFillRss();
  EXPECT_EQ(s.Text("RSS.FileURL"), "http://club.example.net/cal/");
  EXPECT_EQ(s.Text("RSS.Title"), "Club Events");
  EXPECT_EQ(s.Text("RSS.Description"), "Club Events RSS feed.");
  EXPECT_EQ(s.Text("RSS.URL"), "http://home.example.net/");
}

// ---- Reset Formatting ----

TEST_F(PublishEditorTest, ResetFormattingRemakesTheFolderWithTheFormattingDefaults) {
  WriteAll(dir_.ConfigDir + "title.txt", "Config title\r\n");
  ASSERT_TRUE(editor_.SetUp(db_, 2026, "Club", 1).ok());
  PublishSettings& s = editor_.settings;
  s.SetInt("Page.CalendarWidth", 700);
  s.SetBool("Formatting.PopUp", true);
  s.SetInt("Menu.FontSize", 12);
  s.SetText("Page.Title", "Club");
  editor_.window.edCalendarTitle2 = "Club";
  s.SetText("Publish.URL", "http://club.example.net/Calendar.html");
  s.SetInt("Publish.StartMonth", 3);
  s.SetText("FTP.Host", "ftp.club.example.net");
  s.SetText("Proxy.Host", "proxy.club.example.net");
  s.SetText("File.Path", "/srv/club/");
  s.set_text_file(TextFile::kTitle, "Club title\r\n");
  s.set_text_file(TextFile::kMonths, "1=Jan\r\n");
  editor_.window.chkObject = true;
  ASSERT_TRUE(editor_.Save().ok());
  const std::string folder = editor_.FavoriteFolder();
  WriteAll(folder + "logo.gif", "gif");
  WriteAll(folder + "notes.txt", "kept by nobody");

  const PublishSettings before = s;
  ui_.answers = {Answer::kCancel};
  EXPECT_EQ(editor_.ResetFormatting().code(), Status::Code::kCancelled);
  EXPECT_THAT(ui_.questions,
              ElementsAre("Are you sure you want to reset all formatting to the default?"));
  EXPECT_EQ(s, before);
  EXPECT_TRUE(testing::Exists(folder + "notes.txt"));

  ui_.answers = {Answer::kOk};
  ASSERT_TRUE(editor_.ResetFormatting().ok());
  EXPECT_THAT(ui_.messages, IsEmpty());
  EXPECT_FALSE(testing::Exists(folder + "notes.txt"));
  EXPECT_FALSE(testing::Exists(folder + "logo.gif"));
  // Formatting at its defaults, the text files as a new favorite gets them.
  EXPECT_EQ(s.Int("Page.CalendarWidth"), 960);
  EXPECT_FALSE(s.Bool("Formatting.PopUp"));
  EXPECT_EQ(s.Int("Menu.FontSize"), 9);
  EXPECT_EQ(s.Text("Page.Title"), "");
  EXPECT_EQ(editor_.window.edCalendarTitle2, "");
  EXPECT_EQ(s.Text("RSS.Title"), "Club");
  EXPECT_EQ(s.text_file(TextFile::kTitle), "Config title\r\n");
  EXPECT_EQ(s.text_file(TextFile::kMonths), DefaultMonthNames().ToText());
  EXPECT_FALSE(editor_.window.chkObject);
  EXPECT_EQ(editor_.size_position(), 6);
  // What and where to publish stays.
  EXPECT_EQ(s.Text("Publish.URL"), "http://club.example.net/Calendar.html");
  EXPECT_EQ(s.Int("Publish.StartMonth"), 3);
  EXPECT_EQ(s.Text("FTP.Host"), "ftp.club.example.net");
  EXPECT_EQ(s.Text("Proxy.Host"), "proxy.club.example.net");
  EXPECT_EQ(s.Text("File.Path"), "/srv/club/");

  // The folder was saved anew.
  PublishEditor again(dir_, "US", &log_, &ui_);
  ASSERT_TRUE(again.SetUp(db_, 2026, "Club", 1).ok());
  EXPECT_EQ(again.settings.Int("Page.CalendarWidth"), 960);
  EXPECT_FALSE(again.settings.Bool("Formatting.PopUp"));
  EXPECT_EQ(again.settings.Text("FTP.Host"), "ftp.club.example.net");
  EXPECT_EQ(again.settings.text_file(TextFile::kTitle), "Config title\r\n");
}

TEST_F(PublishEditorTest, ResetFormattingWithoutAFavoriteDeletesNothing) {
  WriteAll(dir_.FavoritesDir + "Other/conf.ini", "[Page]\r\nCalendarWidth=700\r\n");
  ASSERT_TRUE(editor_.SetUp(db_, 2026, "", 1).ok());
  editor_.settings.SetInt("Page.CalendarWidth", 700);
  ui_.answers = {Answer::kOk};
  EXPECT_FALSE(editor_.ResetFormatting().ok());
  EXPECT_THAT(ui_.messages, ElementsAre("Formatting could not be reset"));
  EXPECT_TRUE(testing::Exists(dir_.FavoritesDir + "Other/conf.ini"));
  EXPECT_EQ(editor_.settings.Int("Page.CalendarWidth"), 700);
}

}  // namespace
}  // namespace almanix::publish
