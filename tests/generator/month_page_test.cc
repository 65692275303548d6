#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/dates.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "generator/run_fixture.h"
#include "store/db_engine.h"
#include "support/temp_root.h"

namespace almanix::generator::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using almanix::testing::WriteAll;

class MonthPageTest : public RunFixture {
 protected:
  // The settings of the worked day-cell example.
  void PlainCells() {
    UsePlainCells();
    settings().SetText("Small.Eventcolor", "#FF0000");
  }
  void OnlyMarch() {
    settings().SetInt("Publish.StartMonth", 2);
    settings().SetInt("Publish.EndMonth", 2);
  }
};

TEST_F(MonthPageTest, WorkedDayCellLineForLine) {
  PlainCells();
  OnlyMarch();
  Add(Timed("Meeting", 2025, 3, 5, 9, 10));
  Generate();
  EXPECT_TRUE(HasRun(Lines(Page("March2025.html")),
                     {"<td valign=\"top\"  class=\"events\"  >",
                      "<a href=\"EventList2025.html#M3D5\"  target=\"_top\"  ><div class=\"Date\" "
                      ">5<br /></div></a>",
                      "<a class=\"itr\"  href=EventList2025.html#M3D5 ><span class=\"dt\" >9:00 "
                      "am-10:00 am&nbsp;</span>Meeting</a><br /><br /><br />",
                      "</td>"}));
  EXPECT_TRUE(HasRun(Lines(Page("SmallMarch2025.html")),
                     {"<td valign=\"top\"  class=\"events\" Style=\"background-color:#FF0000;;\" >",
                      "<a href=\"EventList2025.html#M3D5\"  TARGET=\"_top\"  ><div class=\"Date\" "
                      ">5<br /></div></a>",
                      "</td>"}));
}

TEST_F(MonthPageTest, OutsideLinksAreQuotedSoNoAddressEndsItsAttribute) {
  PlainCells();
  OnlyMarch();
  store::EventDraft page = Timed("Page", 2025, 3, 5, 9, 10);
  page.url = "page.html?x=1";
  page.append_date = true;
  Add(page);
  store::EventDraft trap = Timed("Trap", 2025, 3, 6, 9, 10);
  trap.url = "http://x.org/ onmouseover=alert(1) \"<b>";
  Add(trap);
  Generate();
  const std::string march = Page("March2025.html");
  EXPECT_THAT(march, HasSubstr("<a class=\"itr\"  href=\"page.html?x=1&Date=20250305\""));
  EXPECT_THAT(march, HasSubstr("href=\"http://x.org/%20onmouseover=alert(1)%20%22%3Cb%3E\""));
  EXPECT_THAT(march, Not(HasSubstr(" onmouseover=")));
}

TEST_F(MonthPageTest, MarchOnlyRunWritesMarchAndItsCopies) {
  OnlyMarch();
  Generate();
  for (const char* name : {"March2025.html", "SmallMarch2025.html", "FirstMonth.html",
                           "LastMonth.html", "Calendar.html", "CurrentMonth.html", "Small.html",
                           "Year.html", "Club.html", "calendar.css", "small.css", "list.css",
                           "style.css"}) {
    EXPECT_TRUE(Has(name)) << name;
  }
  EXPECT_FALSE(Has("February2025.html"));
  EXPECT_FALSE(Has("April2025.html"));
  EXPECT_EQ(Page("FirstMonth.html"), Page("March2025.html"));
  EXPECT_EQ(Page("LastMonth.html"), Page("March2025.html"));
  EXPECT_EQ(Page("Club.html"), Page("March2025.html"));
  const std::string redirect = Page("Calendar.html");
  EXPECT_THAT(redirect, HasSubstr("pubDateRange = new Array(\"2025-3\");\r\n"));
  EXPECT_THAT(redirect, HasSubstr("else { window.location.replace('FirstMonth.html'); }"));
  EXPECT_THAT(Page("Small.html"), HasSubstr("var months = [[202503,\"SmallMarch2025.html\"]];"));
}

TEST_F(MonthPageTest, RangeSkipsYearsWithoutTables) {
  // Only 2025 has its day table; 2024 and 2026 are passed over, and 2025,
  // a year between the range's ends, gets all twelve months.
  store::Database& db = session_->data.db();
  for (int y : {2024, 2026}) (void)db.DropFiles("Year" + std::to_string(y));
  settings().SetInt("Publish.StartYear", 2024);
  settings().SetInt("Publish.StartMonth", 10);
  settings().SetInt("Publish.EndYear", 2026);
  settings().SetInt("Publish.EndMonth", 1);
  Generate();
  for (const char* m : {"January", "June", "December"}) {
    EXPECT_TRUE(Has(std::string(m) + "2025.html")) << m;
  }
  EXPECT_FALSE(Has("November2024.html"));
  EXPECT_FALSE(Has("January2026.html"));
  EXPECT_THAT(Page("Calendar.html"), HasSubstr("new Array(\"2025-1\",\"2025-2\","));
}

TEST_F(MonthPageTest, CategoriesWrittenOneByOneGetTheirPrefixes) {
  OnlyMarch();
  settings().SetBool("Contents.CategoryMerge", false);
  Tick({1, 2});
  Add(Timed("Choir", 2025, 3, 12, 19, 21), 1);
  Add(Timed("Football", 2025, 3, 13, 10, 12), 2);
  Generate();
  const std::string first = Page("0March2025.html");
  const std::string second = Page("1March2025.html");
  EXPECT_THAT(first, HasSubstr("Choir"));
  EXPECT_THAT(first, Not(HasSubstr("Football")));
  EXPECT_THAT(second, HasSubstr("Football"));
  EXPECT_THAT(second, Not(HasSubstr("Choir")));
  EXPECT_TRUE(Has("Small0March2025.html"));
  EXPECT_TRUE(Has("Small1March2025.html"));
  // The redirects come from the first pass, the copies from the last.
  EXPECT_THAT(Page("Calendar.html"), HasSubstr("Array(\"0January\",\"0February\""));
  EXPECT_EQ(Page("FirstMonth.html"), second);
}

TEST_F(MonthPageTest, SinglePageModeWritesOnePagePerYear) {
  settings().SetBool("Formatting.ShowSingleHTMLPage", true);
  settings().SetInt("Publish.StartMonth", 3);
  settings().SetInt("Publish.EndMonth", 5);
  Generate();
  EXPECT_TRUE(Has("April2025.html"));
  EXPECT_FALSE(Has("May2025.html"));
  const std::string page = Page("April2025.html");
  for (const char* anchor : {"<a name=April></a>", "<a name=May></a>", "<a name=June></a>"}) {
    EXPECT_THAT(page, HasSubstr(anchor));
  }
  EXPECT_THAT(page, HasSubstr("</tr></table></div>\r\n<br clear=all />"));
  EXPECT_THAT(Page("Calendar.html"), HasSubstr(" window.location.replace('April2025.html'); "));
}

TEST_F(MonthPageTest, MondayStartPutsSundayLastWithItsOwnWidth) {
  OnlyMarch();
  settings().SetBool("Publish.StartSunday", false);
  settings().SetBool("Publish.StartMonday", true);
  settings().SetInt("Page.Col1", 20);
  settings().SetText("Page.Col1_Units", "px");
  Generate();
  const std::vector<std::string> lines = Lines(Page("March2025.html"));
  EXPECT_TRUE(HasRun(lines, {"<th  width=14% class=\"Weekdays\">Saturday</th>",
                             "<th  width=20 class=\"Weekdays\">Sunday</th>",
                             "<tr class=\"events\">"}));
  // 1 March 2025 is a Saturday: five leading cells in a Monday grid.
  int lead = 0;
  for (size_t i = 0; i < lines.size() && lines[i].find("M3D1\"") == std::string::npos; ++i) {
    lead += lines[i] == "<br /><br /><br />";
  }
  EXPECT_EQ(lead, 5);
}

TEST_F(MonthPageTest, GridRowsAndTrailingCells) {
  // June 2025 starts on a Sunday: an empty first row, 30 days, then a
  // trailing cell over the five free columns.
  settings().SetInt("Publish.StartMonth", 1);
  settings().SetInt("Publish.EndMonth", 5);
  Generate();
  const std::vector<std::string> june = Lines(Page("June2025.html"));
  EXPECT_TRUE(HasRun(june, {"<tr class=\"events\">", "</tr><tr>"}));
  EXPECT_THAT(Page("June2025.html"), HasSubstr("colspan=5 class=\"events\""));
  // February 2026 would be four full rows; February 2025 starts on a
  // Saturday and leaves six free columns after the 28th... a one-cell
  // row at the end: 6 + 28 = 34 cells, 1 free.
  EXPECT_THAT(Page("February2025.html"), HasSubstr("colspan=1 class=\"events\""));
}

TEST_F(MonthPageTest, EmbeddedPageWithoutKeywordIsThePlainPageWithoutFrame) {
  OnlyMarch();
  TDir& dir = *session_->app.dir;
  WriteAll(dir.FavoriteDir + "embed.html", "<html>\r\n<head><title>Club</title></head>\r\n"
                                           "<body>Our news</body></html>\r\n");
  editor_->window.chkPaste = true;
  Generate();
  const std::string page = Page("March2025.html");
  EXPECT_THAT(page, Not(HasSubstr("<html><head>")));
  EXPECT_THAT(page, Not(HasSubstr("</head>")));
  EXPECT_THAT(page, Not(HasSubstr("</body></html>")));
  EXPECT_THAT(page, HasSubstr("<a name=March></a>"));
  EXPECT_THAT(page, Not(HasSubstr("Our news")));
}

TEST_F(MonthPageTest, EmbeddedPageGoesAfterTheKeywordOfTheTemplate) {
  OnlyMarch();
  TDir& dir = *session_->app.dir;
  WriteAll(dir.FavoriteDir + "embed.html",
           "<html>\r\n<head><title>Club</title></head>\r\n<body>News CALENDAR here</body></html>\r\n");
  editor_->window.chkPaste = true;
  Generate();
  const std::string page = Page("March2025.html");
  // The month head goes before the template's head line.
  EXPECT_LT(page.find("href=\"calendar.css\""), page.find("<head><title>Club"));
  const size_t keyword = page.find("News calendar <body>");
  ASSERT_NE(keyword, std::string::npos);
  EXPECT_LT(keyword, page.find("<a name=March></a>"));
  EXPECT_THAT(page, HasSubstr("</div>\r\n here</body></html>"));
}

TEST_F(MonthPageTest, PopUpSplitAfterTheConfiguredLines) {
  OnlyMarch();
  PlainCells();  // one line feed an entry
  settings().SetBool("Formatting.EventnameBold", true);
  settings().SetBool("Formatting.PopUp", true);
  settings().SetInt("Formatting.PopUpAfterLines", 4);
  for (int h = 8; h < 12; ++h) Add(Timed("Busy" + std::to_string(h), 2025, 3, 10, h, h + 1));
  for (int h = 8; h < 13; ++h) Add(Timed("Full" + std::to_string(h), 2025, 3, 11, h, h + 1));
  Generate();
  const std::string page = Page("March2025.html");
  const std::string day10 = page.substr(page.find("M3D10\""), page.find("M3D11\"") -
                                                                   page.find("M3D10\""));
  EXPECT_THAT(day10, Not(HasSubstr(">...<span")));
  const size_t at = page.find(">...<span class=\"bpop\">");
  ASSERT_NE(at, std::string::npos);
  EXPECT_GT(at, page.find("M3D11\""));
  const std::string rest = page.substr(at, page.find("</span></a>", at) - at);
  EXPECT_THAT(rest, HasSubstr("Full12"));
  EXPECT_THAT(rest, Not(HasSubstr("Full11")));
  EXPECT_THAT(rest, Not(HasSubstr("<b>")));  // the hidden part loses its tags
}

// With pop-ups on, every entry has one, if only for "Add to my calendar":
// an event with nothing else to tell shows its name there.
TEST_F(MonthPageTest, EveryEntryHasAPopUpThatOffersAddToCalendar) {
  OnlyMarch();
  PlainCells();
  settings().SetBool("Formatting.PopUpDesc", true);
  settings().SetBool("Formatting.PopUpPhoto", false);
  settings().SetBool("Formatting.PopUpTitle", false);
  store::EventDraft blank = Timed("Blank", 2025, 3, 20, 9, 10);
  blank.description = "   ";
  const std::string blank_id = Add(blank);
  store::EventDraft described = Timed("Talk", 2025, 3, 21, 9, 10);
  described.description = "ab";
  const std::string talk_id = Add(described);
  Generate();
  const std::string page = Page("March2025.html");
  EXPECT_THAT(page, HasSubstr("</span>Blank<span class=\"bpop\" "));
  EXPECT_THAT(page, HasSubstr("\"><center><font size=+1>Blank</font></center><span "
                              "class=\"AddToCalendar\" data-label=\"Add to my calendar\" "
                              "data-ics=\"events/" + blank_id + ".ics\" data-e=\"0\" data-t=\""));
  EXPECT_THAT(page, HasSubstr("+60\" data-n=\"Blank\"></span>"));
  // "ab<br>" is six characters: one em wide, four high; Friday the 21st
  // sits low in the month, so the box opens upwards. The links do not
  // count: the script shows them in a box of its own.
  EXPECT_THAT(page, HasSubstr("<span class=\"bpop\" style=\"left:-0em; width:1em; top:-8.5em; "
                              "\">ab<br><span class=\"AddToCalendar\""));
  EXPECT_TRUE(Has("events/" + blank_id + ".ics"));
  EXPECT_TRUE(Has("events/" + talk_id + ".ics"));

  // Without pop-ups the entries stay plain; the event list has the links.
  settings().SetBool("Formatting.PopUpDesc", false);
  Generate();
  EXPECT_THAT(Page("March2025.html"), HasSubstr("</span>Blank</a><br /><br /><br />"));
  EXPECT_THAT(Page("March2025.html"), Not(HasSubstr("AddToCalendar")));
  EXPECT_THAT(Page("EventList2025.html"), HasSubstr("<a href=\"events/" + blank_id + ".ics\""));
}

// Line ends in the details are the pop-up's own lines: the whole text and
// the add links stay in the box, and the day's other entries after it.
TEST_F(MonthPageTest, DetailsOverSeveralLinesStayInTheirPopUp) {
  OnlyMarch();
  PlainCells();
  settings().SetBool("Formatting.PopUpDesc", true);
  settings().SetBool("Formatting.PopUp", true);
  settings().SetInt("Formatting.PopUpAfterLines", 2);
  store::EventDraft talk = Timed("Talk", 2025, 3, 12, 9, 10);
  talk.description = "First line\r\nSecond line\nThird line";
  Add(talk);
  Add(Timed("Later", 2025, 3, 12, 11, 12));
  Generate();
  const std::string page = Page("March2025.html");
  const size_t from = page.find("M3D12\""), to = page.find("M3D13\"");
  ASSERT_NE(from, std::string::npos);
  const std::string day = page.substr(from, to - from);
  const size_t box = day.find("First line");
  ASSERT_NE(box, std::string::npos);
  const std::string popup = day.substr(box, day.find("</span></a>", box) - box);
  EXPECT_THAT(popup, HasSubstr("Second line"));
  EXPECT_THAT(popup, HasSubstr("Third line"));
  EXPECT_THAT(popup, HasSubstr("class=\"AddToCalendar\""));
  // Two entries are two lines: nothing is cut into a "..." box.
  EXPECT_THAT(day, Not(HasSubstr(">...<span")));
  EXPECT_THAT(day, HasSubstr("Later"));
}

TEST_F(MonthPageTest, AttachmentsAreCopiedAndLinked) {
  OnlyMarch();
  TDir& dir = *session_->app.dir;
  const std::string folder =
      WithTrailingSlash(dir.DayFolderPath(editor_->window.chkCalendars.items[0], "2025", "3",
                                              "15"));
  std::filesystem::create_directories(folder);
  WriteAll(folder + "Agenda.pdf", "%PDF-1.4 agenda");
  WriteAll(folder + "picture.jpg", "jpeg");
  WriteAll(folder + "note.txt", "Bring a chair. ");
  WriteAll(dir.IncludeDir + "Minutes.txt", "already in the build folder");
  WriteAll(folder + "Minutes.txt", "the day's minutes");
  Generate();
  const std::string page = Page("March2025.html");
  EXPECT_EQ(Page("Agenda.pdf"), "%PDF-1.4 agenda");
  EXPECT_EQ(Page("2025315Minutes.txt"), "the day's minutes");
  EXPECT_EQ(Page("2025315picture.jpg"), "jpeg");
  EXPECT_THAT(page, HasSubstr("Bring a chair. <a href='Agenda.pdf'><img border=0 src=clip.gif alt=\"\">"
                              "<font size=2><u>Agenda.pdf</u></font></a>"));
  EXPECT_THAT(page, HasSubstr(", <br><a href='2025315Minutes.txt'>"));
  EXPECT_THAT(page, HasSubstr("<img src=\"2025315picture.jpg\" border=0 align=left alt=\"\">"));
}

// The first category's page finds no picture of the 15th; the second
// category's day folder brings one, copied in during its own pass: its page,
// and the year's list written after, show it.
TEST_F(MonthPageTest, DayPictureOfALaterPassIsSeen) {
  OnlyMarch();
  settings().SetBool("Contents.CategoryMerge", false);
  settings().SetBool("Publish.Attachments", true);
  Tick({1, 2});
  TDir& dir = *session_->app.dir;
  const std::string folder =
      WithTrailingSlash(dir.DayFolderPath(editor_->window.chkCalendars.items[1], "2025", "3",
                                              "15"));
  std::filesystem::create_directories(folder);
  WriteAll(folder + "picture.jpg", "jpeg");
  WriteAll(folder + "background.gif", "gif");
  Generate();
  const std::string picture = "<img src=\"2025315picture.jpg\" border=0 align=left alt=\"\">";
  EXPECT_THAT(Page("0March2025.html"), Not(HasSubstr(picture)));
  EXPECT_THAT(Page("0March2025.html"), Not(HasSubstr("2025315background.gif")));
  EXPECT_THAT(Page("1March2025.html"), HasSubstr(picture));
  EXPECT_THAT(Page("1March2025.html"), HasSubstr("background=\"2025315background.gif\""));
  EXPECT_THAT(Page("EventList2025.html"), HasSubstr(picture));
}

TEST_F(MonthPageTest, YearPageRowsLegendAndHolidays) {
  settings().SetInt("Year.Year_CalPerRow", 3);
  settings().SetText("Small.Holidaycolor", "#008040");
  settings().SetText("Small.Eventcolor", "#FF0000");
  Generate();
  const std::string year = Page("Year.html");
  // Twelve pages, three a row, after an empty first row; every full row
  // ends in one extra empty cell.
  size_t rows = 0;
  for (size_t at = year.find("</tr><tr><td>"); at != std::string::npos;
       at = year.find("</tr><tr><td>", at + 1)) {
    ++rows;
  }
  EXPECT_EQ(rows, 4u);
  EXPECT_THAT(year, HasSubstr("<table class=\"Year_Table\" > <tr>"));
  EXPECT_THAT(year, HasSubstr("<br><table class=\"Legend\" ><tr><td Style=\"background-color:"
                              "#008040;\" > &nbsp;&nbsp;&nbsp;&nbsp;&nbsp;  </td><td>Holiday"
                              "</td><td Style=\"background-color:#FF0000;\" > &nbsp;&nbsp;&nbsp;"
                              "&nbsp;&nbsp; </td><td>Events</td></tr></table><br>"));
  EXPECT_THAT(year, HasSubstr("Jan. 1 - New Year"));
  EXPECT_THAT(year, HasSubstr("</center>\r\n</body>\r\n</html>\r\n"));
}

TEST_F(MonthPageTest, SecondRunWhileOneIsWritingIsRefused) {
  OnlyMarch();
  Add(Timed("Meeting", 2025, 3, 5, 9, 10));
  Status inner;
  bool tried = false;
  ui_.on_process_events = [&] {
    if (tried) return;
    tried = true;
    inner = generator_->GenerateCalendar(Build(), generator_->MainPagePath(), "").ToStatus();
  };
  Generate();
  EXPECT_TRUE(tried);
  EXPECT_FALSE(inner.ok());
  EXPECT_THAT(ui_.messages, ::testing::Contains(std::string(kRunActiveMessage)));
  EXPECT_FALSE(Generator::Running());
}

TEST_F(MonthPageTest, SmallPageNamesLegendAndFooter) {
  OnlyMarch();
  Add(Timed("Meeting", 2025, 3, 5, 9, 10));
  settings().SetInt("Small.Width", 249);
  settings().SetBool("Small.Legend", false);
  Generate();
  const std::string small = Page("SmallMarch2025.html");
  // Below 250 pixels the weekday names shrink to one letter.
  EXPECT_THAT(small, HasSubstr("class=\"Weekdays\">W</th>"));
  EXPECT_THAT(small, HasSubstr("href=\"small.css\""));
  EXPECT_THAT(small, Not(HasSubstr("calendar.css")));
  EXPECT_THAT(small, HasSubstr("<div class=\"Holiday_List\" ><div></div></div>\r\n"
                               "<div class=\"small_Footer\" ><!-- Shown at the bottom of every "
                               "page. --></div>\r\n"));
  EXPECT_THAT(small, Not(HasSubstr("</html>")));

  settings().SetInt("Small.Width", 250);
  settings().SetBool("Small.Legend", true);
  Generate();
  const std::string with_legend = Page("SmallMarch2025.html");
  EXPECT_THAT(with_legend, HasSubstr("class=\"Weekdays\">Wed</th>"));
  EXPECT_THAT(with_legend, HasSubstr("<br><table class=\"Legend\" ><tr><td  ><span class=\"Date\">"
                                     "&diams;</span></td><td><a class=\"itr\"  href=EventList2025"
                                     ".html#M3D5 >Mar 5, "));
}

TEST_F(MonthPageTest, FeedbackFormAndIndexMenus) {
  OnlyMarch();
  settings().SetBool("Contents.ShowEmail", true);
  settings().SetText("Formatting.EventEmail", "news@example.org");
  settings().SetBool("IndexPage.MakeIndexPage", true);
  settings().set_text_file(publish::TextFile::kIndexPage,
                           "Club=Club.html\r\n =hidden.html\r\nSports=Sports.html\r\n");
  Generate();
  const std::string email = Page("email.html");
  EXPECT_THAT(email, HasSubstr("<form action=\"mailto:news@example.org\" method=\"POST\" "
                               "enctype=\"multipart/form-data\"  name=\"EmailForm\">\r\n"
                               "Your Name<br>\r\n"));
  EXPECT_THAT(Page("March2025.html"), HasSubstr("window.open('email.html',''"));
  EXPECT_TRUE(Has("calendars.html"));
  const std::string menu = Page("topmenu.html");
  EXPECT_THAT(menu, HasSubstr("<a href='Club.html'style=\"{text-decoration:underline;}\"  "
                              "target=bottom >Club</a>&nbsp;\r\n<a href='Sports.html'"));
  EXPECT_THAT(menu, Not(HasSubstr("hidden.html")));
}

TEST_F(MonthPageTest, QuickPreviewLeavesEventsOutAndRenamesPictures) {
  OnlyMarch();
  Add(Timed("Meeting", 2025, 3, 5, 9, 10));
  editor_->window.chkQuickPreview = true;
  ASSERT_TRUE(generator_->PreviewRun(false).ok());
  EXPECT_THAT(Page("March2025.html"), Not(HasSubstr("Meeting")));
  EXPECT_THAT(Page("March2025.html"), HasSubstr("M3D5"));
  // style.css is written again, naming fresh copies of its pictures.
  EXPECT_TRUE(Has("style.css"));
  EXPECT_FALSE(generator_->state().preview_run);

  editor_->window.chkQuickPreview = false;
  ASSERT_TRUE(generator_->PreviewRun(false).ok());
  EXPECT_THAT(Page("March2025.html"), HasSubstr("Meeting"));
}

TEST_F(MonthPageTest, CellColourWinsOnAllThreePages) {
  OnlyMarch();
  store::EventDraft coloured = Timed("Fair", 2025, 3, 8, 10, 16);
  coloured.cell_color = "#FFCC00";
  Add(coloured);
  Generate();
  EXPECT_THAT(Page("March2025.html"),
              HasSubstr("<td valign=\"top\"  class=\"events\" Style=\"background-color:#FFCC00;\" >\r\n"
                        "<a href=\"EventList2025.html#M3D8\""));
  EXPECT_THAT(Page("SmallMarch2025.html"),
              HasSubstr("Style=\"background-color:#FFCC00;\" >\r\n<a href=\"EventList2025.html#M3D8\""));
  EXPECT_THAT(Page("Year.html"), HasSubstr("<td Style=\"background-color:#FFCC00;\" > &nbsp;&nbsp;"
                                           "&nbsp;&nbsp;&nbsp;  </td><td>Fair</td>"));
}

}  // namespace
}  // namespace almanix::generator::testing
