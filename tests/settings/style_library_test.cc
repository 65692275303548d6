#include "settings/style_library.h"

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <set>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/dir.h"
#include "app/file_util.h"
#include "support/fake_ui.h"
#include "support/fixture.h"

namespace almanix::publish {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::Exists;
using testing::ReadAll;
using testing::WriteAll;

std::string Shell(const std::string& command, int* exit_code = nullptr) {
  std::string output;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  int status = ::pclose(pipe);
  if (exit_code) *exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return output;
}

std::string Quote(const std::string& text) { return "'" + text + "'"; }

// Every path below the folder, folders with a trailing "/".
std::set<std::string> Tree(const std::string& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    std::string rel = fs::relative(it->path(), folder).string();
    names.insert(it->is_directory() ? rel + "/" : rel);
  }
  return names;
}

// A fully filled StyleInfo.
StyleInfo FullInfo() {
  StyleInfo info;
  info.bg_page = "page.jpg";
  info.bg_canvas = "canvas.png";
  info.bg_table = "table.gif";
  info.bg_caption = "caption.gif";
  info.bg_weekday = "weekday.gif";
  info.bg_date = "date.gif";
  info.bg_event = "event.gif";
  info.bg_holiday = "holiday.gif";
  info.caption_height = "3";
  info.photo_width = "300px";
  info.photo_height = "40%";
  info.photo_tile = true;
  info.photo_captioned = true;
  for (int m = 0; m < 12; ++m) info.month_photos[m] = "m" + std::to_string(m + 1) + ".jpg";
  info.photo_position = "BelowCaption";
  info.no_date_cell = "#111111";
  info.empty_cell = "#222222";
  for (int d = 0; d < 7; ++d) info.weekday_colors[d] = "#0000" + std::to_string(d) + "0";
  info.date_format = "Long";
  info.menu_style = "tabs - dark black";
  info.action_bar_style = "ActionBar - Default";
  info.list_style = "Plain";
  info.calendar_width = "800";
  info.calendar_width_units = "px";
  info.menu_font_size = "9";
  info.calendar_type = "EventList";
  return info;
}

class StyleLibraryTest : public ::testing::Test {
 protected:
  StyleLibraryTest() : dir_(fx_.install, fx_.places, fx_.opener, fx_.trash, &ui_) {
    for (Gallery g : {Gallery::kStyles, Gallery::kLists, Gallery::kEventStyles}) {
      fs::remove_all(GalleryFolder(dir_, g));
      fs::create_directories(GalleryFolder(dir_, g));
    }
  }

  // A style folder with a Style.css whose INI part is `ini`.
  void MakeStyle(const std::string& name, const std::string& ini = "[Special]\r\n") {
    WriteAll(dir_.StylesDir + name + "/Style.css",
             "<style type=\"text/css\">\r\n/*\r\n" + ini + "*/\r\nBody {\r\n}\r\n</style>\r\n");
  }

  // A ZIP made by Python's zipfile, which writes any name it is given.
  std::string HostileZip(const std::string& file,
                         const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string script = "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1], 'w')\n";
    for (const auto& [name, data] : entries) {
      script += "z.writestr('" + name + "', '" + data + "')\n";
    }
    script += "z.close()\n";
    WriteAll(fx_.root / "make.py", script);
    std::string path = fx_.root / file;
    int code = 0;
    std::string out = Shell("python3 " + Quote(fx_.root / "make.py") + " " + Quote(path), &code);
    EXPECT_EQ(code, 0) << out;
    return path;
  }

  testing::InstallFixture fx_;
  testing::FakeUi ui_;
  TDir dir_;
};

// ---- Style.css ----

TEST(StyleSheetTest, ExactLayoutOfOneStyle) {
  StyleInfo info;
  info.bg_page = "page.jpg";
  info.bg_caption = "it's.gif";
  info.caption_height = "2";
  info.photo_width = "300px";
  info.photo_height = "200px";
  info.photo_tile = true;
  info.month_photos[0] = "jan.jpg";
  info.month_photos[11] = "dec.jpg";
  info.photo_position = "BelowCaption";
  info.no_date_cell = "#EEEEEE";
  info.weekday_colors[0] = "#FFEEEE";  // Sunday
  info.weekday_colors[6] = "#EEFFEE";  // Saturday
  info.date_format = "Long";
  StyleCss css;
  css.photo.width_px = 300;
  css.photo.height_px = 200;
  css.canvas.width = "960px";
  css.canvas.margin = "5px";
  css.canvas.transparent = true;
  css.caption.vertical = true;
  css.caption.font.size_pt = 14;
  css.events.padding_px = 3;
  css.hover.decoration = "underline";

  const std::string border =
      "border-color: #000000; border-width: 0pt; border-style: none;\r\n";
  auto font = [](const char* size, const char* decoration = "none") {
    return std::string("font-family: Arial; font-size: ") + size +
           "pt; font-weight: normal; font-style: normal; color: #000000; "
           "text-decoration: " + decoration + ";\r\n";
  };
  const std::string cell = font("10") + border +
                           "text-align: center;\r\nbackground-color: #FFFFFF;\r\n}\r\n\r\n";
  const std::string expected =
      "<style type=\"text/css\">\r\n"
      "/*\r\n"
      "[Backgrounds]\r\n"
      "bgPage=page.jpg\r\n"
      "bgCaption=it's.gif\r\n"
      "CaptionHeight=2\r\n"
      "[Photos]\r\n"
      "Width=300px\r\n"
      "Height=200px\r\n"
      "Tile=1\r\n"
      "January=jan.jpg\r\n"
      "December=dec.jpg\r\n"
      "Position=BelowCaption\r\n"
      "[Special]\r\n"
      "NoDateCell=#EEEEEE\r\n"
      "Saturday=#EEFFEE\r\n"
      "Sunday=#FFEEEE\r\n"
      "DateFormat=Long\r\n"
      "*/\r\n"
      "Body {\r\n"
      "background: URL('page.jpg');\r\n"
      "background-color: #FFFFFF;\r\n"
      "text-align:center;\r\n"
      "}\r\n\r\n"
      ".Photo {\r\n" + border +
      "width: 300px;\r\nheight: 200px;\r\nalign: center;\r\n}\r\n\r\n"
      ".Canvas {\r\n"
      "width: 960px;\r\n" + border +
      "text-align:center;\r\nbackground-color: #FFFFFF;\r\nbackground: transparent;\r\n"
      "margin: 5px;\r\n}\r\n\r\n"
      "table.calendar {\r\n"
      "width: 100%;\r\n" + border +
      "text-align:center;\r\nborder-collapse: collapse;\r\nbackground-color: #FFFFFF;\r\n"
      "margin: 0px;\r\n}\r\n\r\n"
      ".MonthCaption {\r\n"
      "background: URL('it''s.gif');\r\n"
      "writing-mode: tb-rl;\r\nfilter: flipv fliph;\r\n" + font("14") + border +
      "text-align: center;\r\nbackground-color: #FFFFFF;\r\npadding: 5px;\r\nmargin: 0px;\r\n"
      "}\r\n\r\n"
      ".Weekdays {\r\n" + cell +
      ".Date {\r\n" + cell +
      ".Holidays {\r\n" + cell +
      ".Events {\r\n" + font("10") + border +
      "text-align: center;\r\npadding: 3px;\r\nbackground-color: #FFFFFF;\r\n}\r\n\r\n"
      "A:Link {\r\n" + font("10") + "}\r\n"
      "A:Visited {\r\n" + font("10") + "}\r\n\r\n"
      "A:Active {\r\n" + font("10") + "}\r\n\r\n"
      "A:Hover {\r\n" + font("10", "underline") + "}\r\n\r\n"
      "</style>\r\n";
  EXPECT_EQ(StyleSheetText(info, css), expected);
}

TEST(StyleSheetTest, InfoSurvivesWriteAndRead) {
  StyleInfo full = FullInfo();
  EXPECT_EQ(StyleInfoFromText(StyleSheetText(full, StyleCss{})), full);
  StyleInfo plain;
  plain.photo_position = "AboveCaption";
  plain.date_format = "Short";
  EXPECT_EQ(StyleInfoFromText(StyleSheetText(plain, StyleCss{})), plain);
  // A value cannot end the comment early or split its line.
  StyleInfo odd;
  odd.no_date_cell = "#FFF*/x\r\ny";
  std::string text = StyleSheetText(odd, StyleCss{});
  EXPECT_EQ(text.find("*/x"), std::string::npos);
  EXPECT_EQ(StyleInfoFromText(text).no_date_cell, "#FFF* /x  y");
}

TEST(StyleSheetTest, ReadsWindowsSheetsAndDefaults) {
  StyleInfo info = StyleInfoFromText(
      "<style type=\"text/css\">\n/*\n[Backgrounds]\nbgPage=F\xF6hre.jpg\n"
      "[Photos]\nTile=0\nMay=mai.jpg\n[Special]\nSunday=red\n*/\nBody {\n}\n");
  EXPECT_EQ(info.bg_page, "Föhre.jpg");
  EXPECT_EQ(info.month_photos[4], "mai.jpg");
  EXPECT_EQ(info.weekday_colors[0], "red");
  EXPECT_EQ(info.caption_height, "1");
  EXPECT_EQ(info.calendar_type, "Calendar");
  EXPECT_THAT(BackgroundPictures(info), ::testing::SizeIs(1));
}

TEST_F(StyleLibraryTest, StyleWithoutSheetIsListedAndReadsAsDefaults) {
  fs::create_directories(dir_.StylesDir + "Bare");
  StyleLibrary library(dir_, ui_);
  EXPECT_THAT(library.names(), ElementsAre("Bare"));
  StyleInfo info = ReadStyleInfo(dir_.StylesDir + "Bare/Style.css");
  EXPECT_EQ(info, StyleInfo{});
  EXPECT_FALSE(CouplingOf("Bare", info).coupled);
}

// ---- Coupling ----

TEST(CouplingTest, NoWidthOrZeroMeansNoCoupling) {
  StyleInfo info;
  info.menu_style = "Month Name";
  EXPECT_FALSE(CouplingOf("A", info).coupled);
  info.calendar_width = "0";
  EXPECT_FALSE(CouplingOf("A", info).coupled);
  info.calendar_width = "700";
  StyleCoupling c = CouplingOf("A", info);
  EXPECT_TRUE(c.coupled);
  EXPECT_EQ(c.menu_style, "Month Name");
  EXPECT_EQ(c.calendar_width, "700");
  EXPECT_EQ(c.calendar_width_units, "%");  // defaults for missing keys
  EXPECT_EQ(c.menu_font_size, "7");
  EXPECT_EQ(c.day_row_height, 3);
  EXPECT_EQ(c.list_style_name, "A");
}

TEST_F(StyleLibraryTest, CouplingGoesInsideTheCommentAndUpdatesInPlace) {
  StyleCss css;
  css.events.font.family = "x";
  std::string path = dir_.StylesDir + "Ocean/Style.css";
  fs::create_directories(dir_.StylesDir + "Ocean");
  ASSERT_TRUE(WriteStyleSheet(path, StyleInfo{}, css).ok());
  // A CSS line holding "=" must not draw the new keys out of the comment.
  WriteAll(path, ReadAll(path) + "filter: alpha(opacity=50);\r\n");
  const std::string before = ReadAll(path);

  CouplingValues values{"Month Name", "ActionBar - Blue", "Plain", "800", "px", "9"};
  ASSERT_TRUE(WriteCoupling(path, values).ok());
  std::string after = ReadAll(path);
  EXPECT_THAT(after, HasSubstr("DateFormat=Short\r\nMenuStyle=Month Name\r\n"
                               "ActionBarStyle=ActionBar - Blue\r\nListStyle=Plain\r\n"
                               "CalendarWidth=800\r\nCalendarWidthUnits=px\r\n"
                               "MenuFontSize=9\r\n*/\r\n"));
  // Everything else is as it was.
  std::string without = after;
  without.erase(without.find("MenuStyle="), after.find("*/") - after.find("MenuStyle="));
  EXPECT_EQ(without, before);
  StyleCoupling coupling = CouplingOf("Ocean", ReadStyleInfo(path));
  EXPECT_TRUE(coupling.coupled);
  EXPECT_EQ(coupling.action_bar_style, "ActionBar - Blue");

  values.calendar_width = "0";
  ASSERT_TRUE(WriteCoupling(path, values).ok());
  EXPECT_FALSE(CouplingOf("Ocean", ReadStyleInfo(path)).coupled);
  EXPECT_EQ(ReadAll(path).size(), after.size() - 2);  // "800" became "0"

  EXPECT_EQ(WriteCoupling(dir_.StylesDir + "None/Style.css", values).code(),
            Status::Code::kNotFound);
  EXPECT_FALSE(Exists(dir_.StylesDir + "None"));
}

TEST_F(StyleLibraryTest, SaveTemplateAsksFirstWhenToldTo) {
  MakeStyle("Ocean", "[Special]\r\nSunday=#FF0000\r\n");
  StyleLibrary library(dir_, ui_);
  ASSERT_TRUE(library.Select("ocean"));
  CouplingValues values{"T", "A", "L", "500", "px", "8"};
  EXPECT_EQ(library.CoupleSelected(values, true).code(), Status::Code::kCancelled);
  EXPECT_THAT(ui_.questions,
              ElementsAre("This will couple this calendar style with the currently "
                          "selected styles of the\nMonth Tabs, ActonBar, and EventList"));
  EXPECT_FALSE(CouplingOf("Ocean", ReadStyleInfo(dir_.StylesDir + "Ocean/Style.css")).coupled);
  ui_.answers = {Answer::kOk};
  ASSERT_TRUE(library.CoupleSelected(values, true).ok());
  StyleInfo info = ReadStyleInfo(dir_.StylesDir + "Ocean/Style.css");
  EXPECT_EQ(info.calendar_width, "500");
  EXPECT_EQ(info.weekday_colors[0], "#FF0000");
  ASSERT_TRUE(library.CoupleSelected({"T2", "A", "L", "600", "px", "8"}, false).ok());
  EXPECT_EQ(ReadStyleInfo(dir_.StylesDir + "Ocean/Style.css").menu_style, "T2");
}

// ---- Lookup ----

TEST_F(StyleLibraryTest, FolderAndSheetLookupWithTheirMessages) {
  MakeStyle("Autumn");
  fs::create_directories(dir_.StylesDir + "Bare");
  StyleLibrary library(dir_, ui_);
  EXPECT_EQ(library.StyleFolder("Autumn"), dir_.StylesDir + "Autumn/");
  // Unknown, empty and unsafe names fall back to the selected style, else
  // the first.
  EXPECT_EQ(library.StyleFolder("Gone"), dir_.StylesDir + "Autumn/");
  EXPECT_EQ(library.StyleFolder("../Styles/Autumn"), dir_.StylesDir + "Autumn/");
  ASSERT_TRUE(library.Select("bare"));
  EXPECT_EQ(library.StyleFolder(""), dir_.StylesDir + "Bare/");
  EXPECT_TRUE(ui_.messages.empty());

  EXPECT_EQ(library.StyleSheetPath("Bare"), dir_.StylesDir + "Bare/Style.css");
  EXPECT_THAT(ui_.messages,
              ElementsAre("Style  " + dir_.StylesDir + "Bare/Style.css Not Found"));
  ui_.messages.clear();

  fs::remove_all(dir_.StylesDir + "Bare");
  EXPECT_EQ(library.StyleFolder("Gone"), dir_.StylesDir + "Bare/");
  EXPECT_THAT(ui_.messages, ElementsAre("Style not Found " + dir_.StylesDir + "Bare/"));
}

TEST_F(StyleLibraryTest, EmptyLibraryClosesTheWindow) {
  StyleLibrary library(dir_, ui_);
  EXPECT_EQ(library.StyleSheetPath("Any"), "");
  EXPECT_TRUE(library.close_requested());
  EXPECT_THAT(ui_.messages,
              ElementsAre("No Styles where found in the " + dir_.StylesDir +
                          " directory. You need to reinstall the application if the "
                          "problem persits. "));
  EXPECT_EQ(library.SelectedStyle(), "");
}

TEST_F(StyleLibraryTest, SelectedStyleFallsBackToTheFirstAndAppliesIt) {
  MakeStyle("b");
  MakeStyle("A");
  StyleLibrary library(dir_, ui_);
  std::vector<std::string> applied;
  library.set_on_apply([&](const std::string& name) { applied.push_back(name); });
  EXPECT_EQ(library.SelectedStyle(), "A");
  EXPECT_THAT(ui_.messages, ElementsAre("No Calendar Style Selected. Selecting First"));
  EXPECT_THAT(applied, ElementsAre("A"));
  EXPECT_EQ(library.SelectedStyle(), "A");
  EXPECT_EQ(ui_.messages.size(), 1u);
  EXPECT_FALSE(library.Select("c"));
  EXPECT_EQ(library.selected_name(), "A");
}

// ---- Delete, rename, add ----

TEST_F(StyleLibraryTest, DeleteRefusesWithoutSelectionAndTheOnlyStyle) {
  MakeStyle("Only");
  StyleLibrary library(dir_, ui_);
  EXPECT_FALSE(library.DeleteSelected().ok());
  ASSERT_TRUE(library.Select("Only"));
  EXPECT_FALSE(library.DeleteSelected().ok());
  EXPECT_THAT(ui_.messages, ElementsAre("Select a style sheet first",
                                        "You need at least one style sheet. Will not Delete."));
  EXPECT_TRUE(ui_.questions.empty());
  EXPECT_TRUE(Exists(dir_.StylesDir + "Only/Style.css"));
}

TEST_F(StyleLibraryTest, DeleteAsksAndRemovesTheFolder) {
  MakeStyle("Autumn");
  MakeStyle("Ocean");
  WriteAll(dir_.StylesDir + "Ocean/pics/wave.jpg", "jpg");
  StyleLibrary library(dir_, ui_);
  ASSERT_TRUE(library.Select("Ocean"));
  EXPECT_EQ(library.DeleteSelected().code(), Status::Code::kCancelled);  // default
  EXPECT_TRUE(Exists(dir_.StylesDir + "Ocean"));
  ui_.answers = {Answer::kOk};
  ASSERT_TRUE(library.DeleteSelected().ok());
  EXPECT_THAT(ui_.questions,
              ElementsAre("Are you sure you want to delete style sheet \"Ocean\"",
                          "Are you sure you want to delete style sheet \"Ocean\""));
  EXPECT_FALSE(Exists(dir_.StylesDir + "Ocean"));
  EXPECT_THAT(library.names(), ElementsAre("Autumn"));
  EXPECT_EQ(library.selected(), std::nullopt);
  EXPECT_TRUE(Exists(dir_.StylesDir + "Autumn/Style.css"));
}

TEST_F(StyleLibraryTest, RenameMovesTheFolderAndRefusesClashes) {
  MakeStyle("Autumn");
  MakeStyle("Ocean");
  StyleLibrary library(dir_, ui_);
  EXPECT_FALSE(library.RenameSelected().ok());
  EXPECT_THAT(ui_.messages, ElementsAre("Select a style sheet first"));
  ASSERT_TRUE(library.Select("Ocean"));

  ui_.texts = {"Sea"};
  ASSERT_TRUE(library.RenameSelected().ok());
  EXPECT_EQ(ui_.questions.back(), "Enter New Name");
  EXPECT_TRUE(Exists(dir_.StylesDir + "Sea/Style.css"));
  EXPECT_FALSE(Exists(dir_.StylesDir + "Ocean"));
  EXPECT_THAT(library.names(), ElementsAre("Autumn", "Sea"));
  EXPECT_EQ(library.selected_name(), "Sea");

  ui_.messages.clear();
  ui_.texts = {"autumn", "../up", ""};
  EXPECT_FALSE(library.RenameSelected().ok());
  EXPECT_FALSE(library.RenameSelected().ok());
  EXPECT_FALSE(library.RenameSelected().ok());
  EXPECT_EQ(ui_.messages.size(), 3u);
  EXPECT_THAT(Tree(dir_.StylesDir),
              (std::set<std::string>{"Autumn/", "Autumn/Style.css", "Sea/", "Sea/Style.css"}));

  ui_.texts = {"SEA"};  // a change of case only
  ASSERT_TRUE(library.RenameSelected().ok());
  EXPECT_TRUE(Exists(dir_.StylesDir + "SEA/Style.css"));
  EXPECT_FALSE(Exists(dir_.StylesDir + "Sea"));
}

TEST_F(StyleLibraryTest, AddProposesAFreeNameAndKeepsWhatTheEditorMade) {
  EXPECT_EQ(ProposeStyleName(dir_, ""), "new style");
  EXPECT_EQ(ProposeStyleName(dir_, "Sports"), "Sports style");
  MakeStyle("Sports style");
  EXPECT_EQ(ProposeStyleName(dir_, "Sports"), "Sports style1");

  StyleLibrary library(dir_, ui_);
  std::string seen_sheet;
  auto editor = [&](const StyleLibrary::Draft& draft) {
    // The style exists while the editor works on it.
    seen_sheet = ReadAll(dir_.StylesDir + draft.name + "/Style.css");
    StyleLibrary::Draft out = draft;
    out.info.bg_page = "sun.jpg";
    out.name = "Sunny";
    return std::optional<StyleLibrary::Draft>(out);
  };
  Result<std::string> added = library.AddStyle("Sports", editor);
  ASSERT_TRUE(added.ok()) << added.status().message();
  EXPECT_EQ(added.value(), "Sunny");
  EXPECT_THAT(seen_sheet, HasSubstr("[Backgrounds]"));
  EXPECT_THAT(ui_.questions, ElementsAre("Save changes?"));
  EXPECT_EQ(ReadStyleInfo(dir_.StylesDir + "Sunny/Style.css").bg_page, "sun.jpg");
  EXPECT_FALSE(Exists(dir_.StylesDir + "Sports style1"));
  EXPECT_THAT(library.names(), ElementsAre("Sports style", "Sunny"));
  EXPECT_EQ(library.selected_name(), "Sunny");
}

TEST_F(StyleLibraryTest, AddAnsweredNoOrCancelledLeavesNothing) {
  StyleLibrary library(dir_, ui_);
  ui_.answers = {Answer::kNo};
  EXPECT_EQ(library.AddStyle("", nullptr).status().code(), Status::Code::kCancelled);
  EXPECT_FALSE(Exists(dir_.StylesDir + "new style"));
  auto cancel = [](const StyleLibrary::Draft&) {
    return std::optional<StyleLibrary::Draft>();
  };
  EXPECT_FALSE(library.AddStyle("", cancel).ok());
  EXPECT_TRUE(Tree(dir_.StylesDir).empty());
  EXPECT_TRUE(library.names().empty());
}

// ---- Templates ----

TEST_F(StyleLibraryTest, ExportAndImportRoundTrip) {
  MakeStyle("Ocean", "[Backgrounds]\r\nbgPage=wave.jpg\r\n");
  WriteAll(dir_.StylesDir + "Ocean/wave.jpg", "jpg bytes");
  WriteAll(dir_.StylesDir + "Ocean/extra/more.gif", "gif");
  StyleLibrary library(dir_, ui_);
  ASSERT_TRUE(library.Select("Ocean"));

  EXPECT_EQ(library.ExportSelected().code(), Status::Code::kCancelled);
  EXPECT_THAT(ui_.messages, ElementsAre("Template not saved"));

  std::string tem = fx_.root / "out/Sea.tem";
  fs::create_directories(fx_.root / "out");
  ui_.picks = {tem};
  ASSERT_TRUE(library.ExportSelected().ok());
  int code = 0;
  std::string test = Shell("unzip -t " + Quote(tem), &code);
  EXPECT_EQ(code, 0) << test;
  std::string listing = Shell("unzip -Z1 " + Quote(tem));
  EXPECT_THAT(listing, HasSubstr("Style.css\n"));
  EXPECT_THAT(listing, HasSubstr("extra/more.gif\n"));
  EXPECT_THAT(listing, ::testing::Not(HasSubstr("Ocean")));

  ui_.picks = {tem};
  Result<std::string> imported = library.ImportFromPick();
  ASSERT_TRUE(imported.ok()) << imported.status().message();
  EXPECT_EQ(imported.value(), "Sea");
  EXPECT_EQ(ui_.questions.back(), "Select a template file to import");
  EXPECT_EQ(Tree(dir_.StylesDir + "Sea"), Tree(dir_.StylesDir + "Ocean"));
  EXPECT_EQ(ReadAll(dir_.StylesDir + "Sea/wave.jpg"), "jpg bytes");
  EXPECT_THAT(library.names(), ElementsAre("Ocean", "Sea"));
  EXPECT_EQ(library.selected_name(), "Sea");
  for (const std::string& name : Tree(dir_.TempDir)) {
    EXPECT_THAT(name, ::testing::Not(HasSubstr("style-import"))) << "left behind";
  }
}

TEST_F(StyleLibraryTest, ImportOverAnExistingStyleKeepsOneEntry) {
  MakeStyle("Ocean", "[Special]\r\nSunday=#000000\r\n");
  WriteAll(dir_.StylesDir + "Ocean/old.gif", "kept");
  std::string src = fx_.root / "src/";
  WriteAll(src + "Style.css", "[Special]\r\nSunday=#FFFFFF\r\n");
  WriteAll(src + "new.gif", "new");
  std::string tem = fx_.root / "ocean.tem.tem";
  Shell("cd " + Quote(src) + " && zip -q -r " + Quote(tem) + " .");
  StyleLibrary library(dir_, ui_);
  Result<std::string> imported = library.ImportTemplate(tem);
  ASSERT_TRUE(imported.ok()) << imported.status().message();
  EXPECT_EQ(imported.value(), "Ocean");
  EXPECT_THAT(library.names(), ElementsAre("Ocean"));
  EXPECT_EQ(ReadStyleInfo(dir_.StylesDir + "Ocean/Style.css").weekday_colors[0], "#FFFFFF");
  EXPECT_EQ(ReadAll(dir_.StylesDir + "Ocean/new.gif"), "new");
  EXPECT_EQ(ReadAll(dir_.StylesDir + "Ocean/old.gif"), "kept");
}

TEST_F(StyleLibraryTest, ImportRefusesWhatIsNotAZipOrClimbsOut) {
  MakeStyle("Autumn");
  StyleLibrary library(dir_, ui_);
  const std::set<std::string> before = Tree(fx_.root.path());

  WriteAll(fx_.root / "Fake.tem", "this is not a zip archive");
  EXPECT_FALSE(library.ImportTemplate(fx_.root / "Fake.tem").ok());
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_THAT(ui_.messages[0], HasSubstr("Fake.tem"));

  std::string hostile = HostileZip(
      "Evil.tem", {{"Style.css", "[Special]"}, {"../evil.txt", "x"}, {"ok.gif", "gif"}});
  ui_.messages.clear();
  EXPECT_FALSE(library.ImportTemplate(hostile).ok());
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_THAT(ui_.messages[0], HasSubstr("../evil.txt"));

  std::set<std::string> after = Tree(fx_.root.path());
  after.erase("Fake.tem");
  after.erase("Evil.tem");
  after.erase("make.py");
  EXPECT_EQ(after, before);
  EXPECT_THAT(library.names(), ElementsAre("Autumn"));
}

// ---- Pictures for the output ----

TEST_F(StyleLibraryTest, PicturesComeFromTheStyleThenTheSharedFolders) {
  MakeStyle("Ocean",
            "[Backgrounds]\r\nbgPage=page.jpg\r\nbgTable=Shared.GIF\r\nbgDate=nowhere.gif\r\n"
            "bgEvent=../../escape.gif\r\n"
            "[Photos]\r\nJanuary=jan.jpg\r\nMarch=mar.jpg\r\nJune=jun.jpg\r\n");
  WriteAll(dir_.StylesDir + "Ocean/page.jpg", "style page");
  WriteAll(dir_.BackgroundsDir + "page.jpg", "shared page");
  WriteAll(dir_.BackgroundsDir + "shared.gif", "shared table");
  WriteAll(dir_.PhotosNatureDir + "jan.jpg", "nature jan");
  WriteAll(dir_.PhotosScenicDir + "jan.jpg", "scenic jan");
  WriteAll(dir_.PhotosDir + "mar.jpg", "photos mar");
  WriteAll(dir_.PhotosOceanDir + "mar.jpg", "ocean mar");
  WriteAll(fx_.root / "escape.gif", "outside");
  std::string out = fx_.root / "out/";
  WriteAll(out + "page.jpg", "old");

  std::vector<std::string> copied = CopyStylePictures(dir_, "Ocean", out);
  EXPECT_THAT(copied, ElementsAre("page.jpg", "Shared.GIF", "jan.jpg", "mar.jpg"));
  EXPECT_EQ(ReadAll(out + "page.jpg"), "style page");
  EXPECT_EQ(ReadAll(out + "Shared.GIF"), "shared table");
  EXPECT_EQ(ReadAll(out + "jan.jpg"), "nature jan");
  EXPECT_EQ(ReadAll(out + "mar.jpg"), "photos mar");
  EXPECT_THAT(Tree(out), (std::set<std::string>{"page.jpg", "Shared.GIF", "jan.jpg", "mar.jpg"}));
}

// ---- Event styles ----

TEST_F(StyleLibraryTest, EventStyleSavedAndClickedAgainRestoresEveryKey) {
  EventFormatting f;
  f.event_location = true;
  f.event_email = "me@example.org";
  f.event_seperator = "<br>•";
  f.time_seperator = "@";
  f.date_format = "d mmmm";
  f.time_format = "hh:nn";
  f.target = "_self";
  f.underline_links = true;
  f.time_on_new_line = false;
  f.event_date_show = true;
  f.date_time_below = false;
  f.eventname_bold = false;
  f.event_font_color = "#123456";
  f.event_font_size = 11;
  f.event_underline = false;
  f.event_font_weight = "Bold";
  f.event_font_family = "Verdana";
  f.event_popup_color = "#ABCDEF";
  f.date_font_color = "#654321";
  f.date_font_size = 9;
  f.date_font_weight = "Lighter";
  f.date_font_family = "Geneva";
  f.date_font_style = "Italic";
  ASSERT_TRUE(SaveEventStyle(dir_, "Mine", f).ok());
  std::string ini = ReadAll(dir_.EventStylesDir + "Mine/estyle.ini");
  EXPECT_THAT(ini, HasSubstr("[Formatting]\r\n"));
  EXPECT_THAT(ini, HasSubstr("EventFontSzie=11\r\n"));
  EXPECT_THAT(ini, HasSubstr("DateFormat=d mmmm\r\n"));

  EventFormatting loaded;
  ASSERT_TRUE(LoadEventStyle(dir_, ui_, "Mine", &loaded));
  EXPECT_EQ(loaded, f);
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(StyleLibraryTest, EventStyleMissingKeysKeepTheControlsAndMissingFileSaysSo) {
  WriteAll(dir_.EventStylesDir + "Part/estyle.ini", "[Formatting]\r\nTarget=_top\r\n");
  EventFormatting f;
  f.event_font_size = 20;
  ASSERT_TRUE(LoadEventStyle(dir_, ui_, "Part", &f));
  EXPECT_EQ(f.target, "_top");
  EXPECT_EQ(f.event_font_size, 20);
  EXPECT_FALSE(LoadEventStyle(dir_, ui_, "Gone", &f));
  EXPECT_THAT(ui_.messages, ElementsAre("Gonedoes not exit"));
}

TEST_F(StyleLibraryTest, ShippedEventStylesKeepTheFeedbackAddress) {
  // Choosing a look must not send visitors' mail to a placeholder.
  const std::string shipped = testing::BuildDataDir() + "Common/EventStyles/";
  int styles = 0;
  for (const auto& entry : fs::directory_iterator(shipped)) {
    SCOPED_TRACE(entry.path().string());
    const std::string name = entry.path().filename().string();
    WriteAll(dir_.EventStylesDir + name + "/estyle.ini",
             ReadAll(entry.path().string() + "/estyle.ini"));
    EventFormatting f;
    f.event_email = "club@riverside.example";
    f.target = "unset";
    ASSERT_TRUE(LoadEventStyle(dir_, ui_, name, &f));
    EXPECT_EQ(f.event_email, "club@riverside.example");
    EXPECT_NE(f.target, "unset");  // the style's own keys still apply
    ++styles;
  }
  EXPECT_GE(styles, 5);
}

// ---- Event-list styles ----

TEST_F(StyleLibraryTest, NewEventListStyleAppendsTheCustomColours) {
  WriteAll(dir_.ListsDir + "Plain/eventlist.css", ".ListDate { }\n.ListMonth { }");
  ListColors colors{true, "#111111", "#222222", "#333333"};
  ASSERT_TRUE(SaveNewEventListStyle(dir_, "Plain", "Mine", colors).ok());
  const std::string g = "background-color: #111111; } \r\n";
  const std::string d = "\tcolor: #333333; } \r\n";
  EXPECT_EQ(ReadAll(dir_.ListsDir + "Mine/eventlist.css"),
            ".ListDate { }\r\n.ListMonth { }\r\n"
            ".ListEvent {\t\t" + g + ".ListEvent2 {\t\t" + g + ".ListDate {\t\t  " + g +
            ".ListDate2 {\t\t" + g + ".ListMonth {\t\t" + g + ".Downloads {\t\t" + g +
            ".ListCanvas {\t\t" + g + ".ListTable {\t\t" + g +
            ".ListMonth {\t\tcolor: #222222; } \r\n"
            ".ListDate {" + d + ".ListDate2 {" + d + ".ListDate a:link {" + d +
            ".ListDate a:visited {" + d + ".ListDate a:hover {" + d +
            ".ListDate a:active {" + d + ".ListDate2 a:link {" + d +
            ".ListDate2 a:visited {" + d + ".ListDate2 a:hover {" + d +
            ".ListDate2 a:active {" + d);

  // An existing style is never overwritten; without custom colours the
  // sheet is copied as it is.
  colors.grid = "#999999";
  EXPECT_EQ(SaveNewEventListStyle(dir_, "Plain", "Mine", colors).code(),
            Status::Code::kBusy);
  EXPECT_THAT(ReadAll(dir_.ListsDir + "Mine/eventlist.css"), HasSubstr("#111111"));
  ASSERT_TRUE(SaveNewEventListStyle(dir_, "Plain", "Copy", ListColors{}).ok());
  EXPECT_EQ(ReadAll(dir_.ListsDir + "Copy/eventlist.css"),
            ".ListDate { }\r\n.ListMonth { }\r\n");
  EXPECT_FALSE(SaveNewEventListStyle(dir_, "Gone", "Other", colors).ok());
  EXPECT_FALSE(Exists(dir_.ListsDir + "Other"));
  EXPECT_FALSE(SaveNewEventListStyle(dir_, "Plain", "../Up", colors).ok());
}

TEST(ImportColorsTest, ListColoursAndCustomColoursFromTheStyle) {
  ImportedColors c = ImportColorsFromStyle(
      "/*\r\n[Special]\r\nNoDateCell=#102030\r\nSaturday=#AABBCC\r\nSunday=#0000ff\r\n*/\r\n"
      "Body {\r\nbackground-color: #FF8000;\r\nwidth: 10px;\r\n}\r\n"
      "border-color: #010203; color: #040506;\r\nheight: #777777;\r\n");
  EXPECT_EQ(c.grid, "#0000ff");
  EXPECT_EQ(c.day, "#102030");
  EXPECT_EQ(c.month_caption, "#FFFFFF");  // EmptyCell not set
  EXPECT_THAT(c.custom_colors,
              ElementsAre("ColorA=00FF0000", "ColorB=00302010", "ColorC=00FFFFFF",
                          "ColorD=00CCBBAA", "ColorE=000080FF", "ColorF=00030201",
                          "ColorG=00060504"));
  EXPECT_EQ(PlatformColorHex("red"), "00FFFFFF");
}

TEST(ColumnWidthsTest, DefaultIsFourteenPercentEach) {
  ColumnWidths w = DefaultColumnWidths();
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(w.widths[i], 14);
    EXPECT_EQ(w.units[i], "%");
  }
}

// ---- Edit and open commands ----

TEST_F(StyleLibraryTest, EditCommandsSayWhyThereIsNothingToEdit) {
  MakeStyle("Ocean");
  fs::create_directories(dir_.TabsDir + "Bare");
  WriteAll(dir_.ListsDir + "Plain/eventlist.css", "x");
  EXPECT_EQ(SheetToEdit(dir_, ui_, Gallery::kStyles, "Ocean"), dir_.StylesDir + "Ocean/Style.css");
  EXPECT_EQ(SheetToEdit(dir_, ui_, Gallery::kLists, "Plain"), dir_.ListsDir + "Plain/eventlist.css");
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(SheetToEdit(dir_, ui_, Gallery::kStyles, ""), "");
  EXPECT_EQ(SheetToEdit(dir_, ui_, Gallery::kTabs, ""), "");
  EXPECT_EQ(SheetToEdit(dir_, ui_, Gallery::kTabs, "Bare"), "");
  EXPECT_EQ(SheetToEdit(dir_, ui_, Gallery::kLists, ""), "");
  EXPECT_EQ(SheetToEdit(dir_, ui_, Gallery::kLists, "Gone"), "");
  EXPECT_EQ(SheetToEdit(dir_, ui_, Gallery::kActionBars, "Gone"), "");
  EXPECT_FALSE(OpenEntryFolder(dir_, ui_, Gallery::kLists, "").ok());
  EXPECT_THAT(ui_.messages,
              ElementsAre("Select Style Sheet First", "Select a tab style first",
                          "This Tab style does not have a style sheet",
                          "Select a event list style first",
                          "This Event List style does not have a style sheet",
                          "This ActionBar does not have a style sheet",
                          "Select Event List First"));
}

}  // namespace
}  // namespace almanix::publish
