#include "generator/menu.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/dates.h"
#include "generator/run_context.h"
#include "settings/publish_settings.h"

namespace almanix::generator {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

using Lines = std::vector<std::string>;

constexpr int kYear = 2025;

std::string Wrapped(const std::string& body) {
  return "<div class=NavMenu  >" + body + "</div> <div style=\"clear:both;\"></div>";
}

// The toolbar cut back into its lines.
Lines ToolbarLines(const std::string& toolbar) {
  Lines lines;
  size_t start = 0;
  while (true) {
    size_t end = toolbar.find("\r\n", start);
    lines.push_back(toolbar.substr(start, end - start));
    if (end == std::string::npos) return lines;
    start = end + 2;
  }
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t pos = text.find(what); pos != std::string::npos;
       pos = text.find(what, pos + 1)) {
    ++n;
  }
  return n;
}

class MenuTest : public ::testing::Test {
 protected:
  MenuTest() {
    run_.settings = &settings_;
    run_.window = &window_;
    run_.page_name = "Calendar.html";
    run_.today = EncodeDate(2025, 3, 7);
    window_.chkCalendars.SetItems({"Family", "Work", "Sports"});
    PublishMonths(2, 4);
  }

  // Months of kYear, 1-based and inclusive.
  void PublishMonths(int first, int last) {
    settings_.SetInt("Publish.StartYear", kYear);
    settings_.SetInt("Publish.EndYear", kYear);
    settings_.SetInt("Publish.StartMonth", first - 1);
    settings_.SetInt("Publish.EndMonth", last - 1);
  }

  // Two categories ticked and written one by one, the second one now.
  void WriteSecondOfTwoCategories() {
    settings_.SetBool("Contents.CategoryMerge", false);
    run_.categories = {1, 3};
    run_.state.current_category = "3";
    run_.state.current_index = 1;
  }

  std::string Menu(std::string_view style, int month, int next_year = 0,
                   int prev_year = 0, std::string_view kind = "Month") {
    return menu_.Build(style, kYear, kind, month, "/build/Calendar.html", next_year,
                       prev_year);
  }

  publish::PublishSettings settings_;
  publish::PublishWindowState window_;
  RunContext run_;
  TMenu menu_{run_};
};

// ---- Menu forms ----

TEST_F(MenuTest, TabsMarkThePageMonthAndLinkBothNeighbourYears) {
  EXPECT_EQ(Menu("tabs - forest", 3, 2026, 2024),
            Wrapped("<center><div id=\"header\"><ul>"
                    "<li><a href=December2024.html><<&nbsp;2024</a></li>"
                    "<li><a href=February2025.html>Feb</a></li>"
                    "<li id=\"current\"><a href=March2025.html>Mar</a></li>"
                    "<li><a href=April2025.html>Apr</a></li>"
                    "<li><a href=EventList2025.html>Events</a></li>"
                    "<li><a href=January2026.html>2026&nbsp;>></a></li>"
                    "</ul></div></center>"));
}

TEST_F(MenuTest, TabsAtTheEndsOfTheYearRange) {
  PublishMonths(1, 12);
  // January of the first year: nothing before it.
  std::string january = Menu("tabs - ocean blue", 1, 2026, 0);
  EXPECT_THAT(january, Not(HasSubstr("<<")));
  EXPECT_THAT(january,
              HasSubstr("<li id=\"current\"><a href=January2025.html>Jan</a></li>"));
  // December with a next year: its last tab goes to January of that year.
  std::string december = Menu("tabs - ocean blue", 12, 2026, 0);
  EXPECT_THAT(december, HasSubstr("<li><a href=EventList2025.html>Events</a></li>"
                                  "<li><a href=January2026.html>2026&nbsp;>></a></li>"
                                  "</ul>"));
}

TEST_F(MenuTest, EventListPageMarksOnlyItsOwnTab) {
  PublishMonths(1, 12);
  // The driver passes the number of published months as the month.
  std::string tabs = Menu("tabs - sunset", 12, 0, 0, "Event List");
  EXPECT_EQ(Count(tabs, "id=\"current\""), 1);
  EXPECT_THAT(tabs,
              HasSubstr("<li id=\"current\"><a href=EventList2025.html>Events</a></li>"));
  EXPECT_THAT(tabs, HasSubstr("<li><a href=December2025.html>Dec</a></li>"));
}

TEST_F(MenuTest, ArrowBarBetweenTwoMonths) {
  EXPECT_EQ(Menu("Arrows", 3, 2026, 2024),
            Wrapped("<center><a href=\"Calendar.html\">2025</a><br>"
                    " <a href=February2025.html>  << </a> "
                    "&nbsp;&nbsp;<font size=+1>March&nbsp;2025</font>&nbsp;&nbsp"
                    " <a href=April2025.html>  >> </a> "
                    "<br> <a href=EventList2025.html>Event List </a></center>"));
}

TEST_F(MenuTest, ArrowBarWithASingleMonthHasOnlyTheYearAndListLinks) {
  PublishMonths(1, 1);
  EXPECT_EQ(Menu("Arrows", 1, 2026, 2024),
            Wrapped("<center><a href=\"Calendar.html\">2025</a><br>"
                    "<a href=December2024.html> << </a>"
                    "<br> <a href=EventList2025.html>Event List </a></center>"));
  PublishMonths(12, 12);
  settings_.SetBool("Contents.ShowNavYear", false);
  settings_.SetBool("Contents.ShowList", false);
  EXPECT_EQ(Menu("Arrows", 12, 2026, 2024),
            Wrapped("<center><a href=January2026.html> >> </a></center>"));
}

TEST_F(MenuTest, ArrowBarYearLinksOnlyAtJanuaryAndDecember) {
  PublishMonths(1, 12);
  std::string june = Menu("Arrows", 6, 2026, 2024);
  EXPECT_THAT(june, Not(HasSubstr("2024.html")));
  EXPECT_THAT(june, Not(HasSubstr("2026.html")));
  EXPECT_THAT(
      Menu("Arrows", 1, 2026, 2024),
      HasSubstr("<br><a href=December2024.html> << </a>&nbsp;&nbsp;<font size=+1>"
                "January&nbsp;2025</font>&nbsp;&nbsp <a href=February2025.html>"));
  EXPECT_THAT(Menu("Arrows", 12, 2026, 2024),
              HasSubstr("December&nbsp;2025</font>&nbsp;&nbsp"
                        "<a href=January2026.html> >> </a><br> <a href=EventList"));
}

TEST_F(MenuTest, SmallMenuIsTheArrowBarOnSmallPagesAndDoesNotLeakItsPrefix) {
  PublishMonths(1, 2);
  EXPECT_EQ(Menu("Small", 1, 0, 2024),
            Wrapped("<center><a href=\"Calendar.html\">2025</a><br>"
                    "<a href=SmallDecember2024.html> << </a>"
                    "&nbsp;&nbsp;<font size=+1>January&nbsp;2025</font>&nbsp;&nbsp"
                    " <a href=SmallFebruary2025.html>  >> </a> "
                    "<br> <a href=EventList2025.html>Event List </a></center>"));
  // The same TMenu builds the month menu next.
  std::string arrows = Menu("Arrows", 1, 0, 2024);
  EXPECT_THAT(arrows, Not(HasSubstr("Small")));
  EXPECT_THAT(arrows, HasSubstr("<a href=December2024.html> << </a>"));
}

TEST_F(MenuTest, NextMonthBarBetweenTwoMonths) {
  const std::string frame =
      "&nbsp;&nbsp;&nbsp&nbsp;&nbsp;&nbsp&nbsp;&nbsp;&nbsp&nbsp;&nbsp;&nbsp";
  EXPECT_EQ(Menu("Next Month", 3, 2026, 2024),
            Wrapped("<a href=December2024.html>2024</a>" + frame +
                    "<a href=February2025.html> <<  &nbspFebruary"
                    "&nbsp;&nbsp;&nbsp; &nbsp;&nbsp;&nbsp </a>"
                    "<a href=March2025.html>&nbsp;&nbsp;MARCH&nbsp;2025&nbsp;&nbsp</a>"
                    "<a href=April2025.html> &nbsp;&nbsp;&nbsp; &nbsp;&nbsp;&nbsp"
                    "April&nbsp; >></a>" +
                    frame +
                    "<a href=January2026.html>2026</a>"
                    "<br> <a href=EventList2025.html>Event List </a>"));
}

TEST_F(MenuTest, NextMonthBarWithOneMonthStillShowsItsTitle) {
  PublishMonths(5, 5);
  settings_.SetBool("Contents.ShowList", false);
  EXPECT_THAT(Menu("Next Month", 5),
              HasSubstr("<a href=May2025.html>&nbsp;&nbsp;MAY&nbsp;2025&nbsp;&nbsp</a>"));
  EXPECT_THAT(Menu("Next Month", 5), Not(HasSubstr("<<")));
  EXPECT_THAT(Menu("Next Month", 5), Not(HasSubstr(">>")));
}

TEST_F(MenuTest, TextLinksForAnyOtherStyleName) {
  const std::string expected = Wrapped(
      "<h3>2025</h3><a href=December2024.html><<&nbsp;2024</a>"
      "&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;"
      "<a href=February2025.html>Feb</a>&nbsp;&nbsp;&nbsp;"
      "<a href=March2025.html>Mar</a>&nbsp;&nbsp;&nbsp;"
      "<a href=April2025.html>Apr</a>"
      "&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;"
      "<a href=January2026.html>2026&nbsp;>></a>"
      "<br> <a href=EventList2025.html>Event List </a>");
  EXPECT_EQ(Menu("Month Name", 3, 2026, 2024), expected);
  // No tab style selected in the gallery.
  EXPECT_EQ(Menu("", 3, 2026, 2024), expected);
  // "tabs" is matched as written.
  EXPECT_EQ(Menu("Tabs", 3, 2026, 2024), expected);
}

TEST_F(MenuTest, NoMenuWhenSwitchedOff) {
  EXPECT_EQ(Menu("No Menu", 3, 2026, 2024), "");
  settings_.SetBool("Contents.ShowNavMenu", false);
  for (std::string_view style : {"Arrows", "Small", "Next Month", "tabs - forest", ""}) {
    EXPECT_EQ(Menu(style, 3, 2026, 2024), "") << style;
  }
}

TEST_F(MenuTest, SinglePageModeJumpsToAnchorsInTabsAndTextLinks) {
  settings_.SetBool("Formatting.ShowSingleHTMLPage", true);
  EXPECT_THAT(Menu("tabs - forest", 3, 2026, 2024),
              HasSubstr("<li id=\"current\"><a href=#March>Mar</a></li>"));
  std::string text = Menu("", 3, 2026, 2024);
  EXPECT_THAT(text,
              HasSubstr("<a href=#February>Feb</a>&nbsp;&nbsp;&nbsp;<a href=#March>"));
  // The neighbour years are other pages.
  EXPECT_THAT(text, HasSubstr("<a href=December2024.html><<&nbsp;2024</a>"));
  EXPECT_THAT(Menu("Arrows", 3), HasSubstr(" <a href=February2025.html>  << </a> "));
}

TEST_F(MenuTest, CategoryPassesLinkTheirOwnMonthPages) {
  WriteSecondOfTwoCategories();
  std::string tabs = Menu("tabs - forest", 3, 2026, 2024);
  EXPECT_THAT(tabs, HasSubstr("<a href=1December2024.html>"));
  EXPECT_THAT(tabs, HasSubstr("<a href=1March2025.html>Mar</a>"));
  // One event list serves every category.
  EXPECT_THAT(tabs, HasSubstr("<a href=EventList2025.html>Events</a>"));
  EXPECT_THAT(Menu("Small", 3), HasSubstr(" <a href=Small1April2025.html>  >> </a> "));
  settings_.SetBool("Formatting.ShowSingleHTMLPage", true);
  EXPECT_THAT(Menu("", 3), HasSubstr("<a href=#1March>Mar</a>"));
}

TEST_F(MenuTest, TranslatedMonthNamesAndPhrases) {
  run_.language.mutable_months().SetValue("3", "M\xC3\xA4rz");
  run_.language.mutable_months().SetValue("4", "Abril");
  run_.language.mutable_phrases().SetValue("Events", "Termine");
  run_.language.mutable_phrases().SetValue("Event List", "Terminliste");
  std::string tabs = Menu("tabs - forest", 3);
  // Short names are cut by characters, not bytes.
  EXPECT_THAT(tabs, HasSubstr("<a href=March2025.html>M\xC3\xA4r</a>"));
  EXPECT_THAT(tabs, HasSubstr("<a href=April2025.html>Abr</a>"));
  EXPECT_THAT(tabs, HasSubstr(">Termine</a>"));
  std::string arrows = Menu("Arrows", 3);
  EXPECT_THAT(arrows, HasSubstr("<font size=+1>M\xC3\xA4rz&nbsp;2025</font>"));
  EXPECT_THAT(arrows, HasSubstr(">Terminliste </a>"));
  EXPECT_THAT(Menu("Next Month", 3), HasSubstr("&nbsp; &nbsp;&nbsp;&nbspAbril&nbsp; >>"));
}

// ---- Failure cases ----

TEST_F(MenuTest, PageMonthNotPublishedGivesAnEmptyBarBody) {
  // February..April are published; January is not.
  EXPECT_EQ(Menu("Arrows", 1, 2026, 2024),
            Wrapped("<center><a href=\"Calendar.html\">2025</a><br>"
                    "<a href=December2024.html> << </a>"
                    "<br> <a href=EventList2025.html>Event List </a></center>"));
  settings_.SetBool("Contents.ShowList", false);
  const std::string frame =
      "&nbsp;&nbsp;&nbsp&nbsp;&nbsp;&nbsp&nbsp;&nbsp;&nbsp&nbsp;&nbsp;&nbsp";
  EXPECT_EQ(Menu("Next Month", 7, 2026, 2024),
            Wrapped("<a href=December2024.html>2024</a>" + frame + frame +
                    "<a href=January2026.html>2026</a>"));
}

TEST_F(MenuTest, EventListLinkNeedsBothListSettings) {
  settings_.SetBool("List.CanCreate", false);
  for (std::string_view style : {"Arrows", "Next Month", "tabs - forest", ""}) {
    EXPECT_THAT(Menu(style, 3), Not(HasSubstr("EventList"))) << style;
  }
  settings_.SetBool("List.CanCreate", true);
  settings_.SetBool("Contents.ShowList", false);
  for (std::string_view style : {"Arrows", "Next Month", "tabs - forest", ""}) {
    EXPECT_THAT(Menu(style, 3), Not(HasSubstr("EventList"))) << style;
  }
}

// ---- Overlay suffixes ----

TEST_F(MenuTest, ThickboxSuffixes) {
  EXPECT_EQ(ThickboxSuffix(run_, "thickbox"), "\"");
  EXPECT_EQ(YearThickboxSuffix(run_, "thickbox"), "\"");
  settings_.SetBool("List.Box", true);
  settings_.SetInt("List.Width", 600);
  settings_.SetInt("List.Height", 450);
  EXPECT_EQ(ThickboxSuffix(run_, "thickbox"),
            "?KeepThis=true&TB_iframe=true&height=450&width=610\" class=\"thickbox\"");
  settings_.SetInt("Year.Year_CalPerRow", 4);
  settings_.SetInt("Small.Width", 200);
  EXPECT_EQ(YearThickboxSuffix(run_, "box2"),
            "?KeepThis=true&TB_iframe=true&height=450&width=900\" class=\"box2\"");
}

// ---- Toolbar ----

TEST_F(MenuTest, ToolbarWithDefaultSettings) {
  // Lines joined by CR LF, with none after the last.
  EXPECT_THAT(
      ToolbarLines(Toolbar(run_, kYear, 3)),
      ElementsAre(
          "<center>",
          "<table class=ActionBar cellspacing=5 cellpadding=2 color=white border=0><tr>",
          "<td><a align=right href=\"https://www.example.org/\" target=_top border=0 >"
          "<img src=\"goback.gif\" border=0 alt=\"\"> &nbsp;Home&nbsp;</a></td>",
          "<td ><a align=right alt=\"List View\"  href=\"EventList2025.html\" border=0 > "
          "<img src=\"list.gif\" border=0 alt=\"\"> &nbsp;List&nbsp;</a></td>",
          "<td ><a align=right alt=\"Year\" target=_top href=\"Year.html\" border=0 >"
          "<img src=\"year.gif\" border=0 alt=\"\"> &nbsp;Year&nbsp;</a></td>",
          "<td><a href=\"javascript:print()\"><img src=\"print.gif\" border=0 alt=\"\"> "
          "&nbsp;Print&nbsp;</a></td>",
          "<td><a href=\"Upcoming.html\">&nbsp;Upcoming&nbsp;</a></td>"
          "<td><a href=\"rss.xml\"><img src=\"rss.gif\" border=0 alt=\"\"> "
          "&nbsp;RSS&nbsp;</a></td>",
          "<td></td>", "</tr></table>",
          "<div><i class=DontPrint >updated Mar 7, 2025</i></div>", "</center>"));
}

TEST_F(MenuTest, ToolbarWithEveryOtherButton) {
  settings_.SetBool("ActionBar.Icons", false);
  settings_.SetBool("ActionBar.Center", false);
  settings_.SetBool("ActionBar.Print", false);
  settings_.SetBool("List.NewWindow", true);
  settings_.SetBool("List.Box", true);
  settings_.SetBool("iCal.Share", true);
  settings_.SetBool("Contents.ShowEmail", true);
  settings_.SetBool("Contents.ShowDateUpdated", false);
  settings_.SetBool("FTP.CalendarFile", true);
  run_.extension = ".php";
  EXPECT_THAT(
      ToolbarLines(Toolbar(run_, kYear, 3)),
      ElementsAre(
          "<table class=ActionBar cellspacing=5 cellpadding=2 color=white border=0><tr>",
          "<td><a align=right href=\"https://www.example.org/\" target=_top border=0 >"
          "&nbsp;Home&nbsp;</a></td>",
          "<td ><a align=right alt=\"List View\"  target=_blank href=\"EventList2025.php"
          "?KeepThis=true&TB_iframe=true&height=500&width=510\" class=\"thickbox\" "
          "border=0 > &nbsp;List&nbsp;</a></td>",
          "<td ><a align=right alt=\"Year\" target=_top href=\"Year.php"
          "?KeepThis=true&TB_iframe=true&height=500&width=850\" class=\"thickbox\" "
          "border=0 >&nbsp;Year&nbsp;</a></td>",
          "",
          "<td><a href=\"Upcoming.html\">&nbsp;Upcoming&nbsp;</a></td>"
          "<td><a href=\"rss.xml\">&nbsp;RSS&nbsp;</a></td>"
          "<td><a href=\"ical.ics\">&nbsp;iCal&nbsp;</a></td>",
          "<td> <a align=right  href=\"javascript:load()\" border=0 >&nbsp;Email&nbsp;"
          "</a></td>",
          "<td></td>", "</tr></table>",
          "<div><i class=DontPrint ><a href=\"calendar.cal\" > Download</a></i></div>"));
}

TEST_F(MenuTest, FeedbackWithoutAtSignLinksToThatPage) {
  settings_.SetBool("Contents.ShowEmail", true);
  settings_.SetBool("ActionBar.Captions", false);
  settings_.SetText("Formatting.EventEmail", "feedback.html");
  EXPECT_THAT(ToolbarLines(Toolbar(run_, kYear, 3)),
              testing::Contains("<td> <a align=right  href=\"feedback.html\" border=0 >"
                                "<img src=\"email.gif\" border=0 alt=\"Email\"> </a></td>"));
}

TEST_F(MenuTest, ToolbarHomeButtonNeedsARealAddress) {
  settings_.SetText("Publish.LinkBack", "http://");
  EXPECT_THAT(Toolbar(run_, kYear, 3), Not(HasSubstr("goback")));
  settings_.SetText("Publish.LinkBack", "https://www.example.org/");
  settings_.SetBool("ActionBar.Home", false);
  EXPECT_THAT(Toolbar(run_, kYear, 3), Not(HasSubstr("goback")));
}

TEST_F(MenuTest, NoToolbarOnlyWhenItsMainButtonsAreAllOff) {
  settings_.SetText("Publish.LinkBack", "");
  settings_.SetBool("ActionBar.Home", false);
  settings_.SetBool("ActionBar.Print", false);
  settings_.SetBool("Contents.ShowDateUpdated", false);
  settings_.SetBool("List.CanCreate", false);
  EXPECT_EQ(Toolbar(run_, kYear, 3), "");
  // Each of them alone brings the toolbar back.
  settings_.SetBool("ActionBar.Print", true);
  EXPECT_THAT(Toolbar(run_, kYear, 3), HasSubstr("javascript:print()"));
  settings_.SetBool("ActionBar.Print", false);
  settings_.SetText("Publish.LinkBack", "https://www.example.org/");
  EXPECT_THAT(Toolbar(run_, kYear, 3), HasSubstr("<table class=ActionBar"));
}

// ---- Category chooser ----

TEST_F(MenuTest, CategoryChooserSwitchesBetweenTheCategoriesOfAMonth) {
  EXPECT_EQ(CategoryChooser(run_, kYear, 3), "");  // merged
  settings_.SetBool("Contents.CategoryMerge", false);
  run_.categories = {2};
  run_.state.current_index = 0;
  EXPECT_EQ(CategoryChooser(run_, kYear, 3), "");  // only one ticked

  WriteSecondOfTwoCategories();
  const std::string chooser =
      "<form name=\"Pager\" style=\"margin:0;\">"
      " <select accesskey=\"S\" name=\"PageSelect\" onchange=\"self.location.href="
      "document.Pager.PageSelect.options[document.Pager.PageSelect.options.selectedIndex]"
      ".value;\"> "
      "<option  value=\"0March2025.html\">Family </option>"
      "<option selected value=\"1March2025.html\">Sports </option>"
      "</select></form>";
  EXPECT_EQ(CategoryChooser(run_, kYear, 3), chooser);
  EXPECT_THAT(ToolbarLines(Toolbar(run_, kYear, 3)),
              testing::Contains("<td>" + chooser + "</td>"));
}

// ---- Linking help ----

TEST_F(MenuTest, LinkHelpOnlyInAFullPreview) {
  EXPECT_EQ(MonthLinkHelpLine(run_), "");
  EXPECT_EQ(SmallLinkHelpLine(run_), "");
  run_.state.full_preview = true;
  EXPECT_EQ(
      MonthLinkHelpLine(run_),
      "<center><table width=400 border=0 class=DontPrint ><tr><td> "
      "<a href=Link.html target=\"_blank\" >Linking Help</td>"
      "<td><a href=Small.html target=\"_blank\" >Preview Small Calendar</a></td>"
      "<td><a href=Scroller.html target=\"_blank\">Preview Event Scroller</a></td>  "
      "</tr></table></center>");
  EXPECT_EQ(SmallLinkHelpLine(run_),
            "<div class=DontPrint > <a href=Link.html#SmallCalendar target=\"_blank\" >"
            "Linking Help</div>");
  settings_.SetBool("ActionBar.EmbedHelp", false);
  EXPECT_EQ(MonthLinkHelpLine(run_), "");
}

TEST_F(MenuTest, LinkHelpTableWidth) {
  run_.state.full_preview = true;
  settings_.SetBool("Small.CanCreate", false);
  settings_.SetBool("Scroll.CanCreate", false);
  for (auto [width, shown] :
       {std::pair{960, 400}, {99, 400}, {100, 100}, {500, 500}, {501, 400}, {320, 320}}) {
    settings_.SetInt("Page.CalendarWidth", width);
    EXPECT_EQ(
        MonthLinkHelpLine(run_),
        "<center><table width=" + std::to_string(shown) +
            " border=0 class=DontPrint ><tr><td> <a href=Link.html target=\"_blank\" >"
            "Linking Help</td></tr></table></center>")
        << width;
  }
}

}  // namespace
}  // namespace almanix::generator
