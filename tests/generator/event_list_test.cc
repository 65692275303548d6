#include "generator/event_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/dates.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "generator/run_fixture.h"
#include "settings/style_library.h"
#include "store/db_engine.h"
#include "support/temp_root.h"

namespace almanix::generator::testing {
namespace {

using almanix::testing::WriteAll;
using ::testing::HasSubstr;
using ::testing::Not;

class EventListTest : public RunFixture {
 protected:
  // Publishes the months first..last (1..12) of 2025.
  void Months(int first, int last) {
    settings().SetInt("Publish.StartMonth", first - 1);
    settings().SetInt("Publish.EndMonth", last - 1);
  }
  void Sql(const std::string& sql) {
    Status s = session_->data.db().Execute(sql);
    ASSERT_TRUE(s.ok()) << sql << ": " << s.message();
  }
  void SetDay(int month, int day, const std::string& column, const std::string& value) {
    Sql("update Year2025 set " + column + "=" + store::SqlQuote(value) + " where iMonth='" +
        std::to_string(month) + "' and iDay='" + std::to_string(day) + "'");
  }
  void SetEvent(const std::string& id, const std::string& column, const std::string& value) {
    Sql("update events set " + column + "=" + store::SqlQuote(value) + " where ID=" + id);
  }
  // The attachment folder of a day of category 1, created.
  std::string DayFolder(int month, int day) {
    const std::string folder = WithTrailingSlash(session_->app.dir->DayFolderPath(
        editor_->window.chkCalendars.items[0], "2025", std::to_string(month), std::to_string(day)));
    std::filesystem::create_directories(folder);
    return folder;
  }
  // The page without its "Add to my calendar" links (AddToCalendarTest
  // checks those), so that these tests read the rest line for line.
  static std::string WithoutAddLinks(std::string page) {
    const std::string open = "<br><span class=\"AddToCalendar\"";
    for (size_t at = page.find(open); at != std::string::npos; at = page.find(open, at)) {
      page.erase(at, page.find("</span>", at) + 7 - at);
    }
    return page;
  }
  std::string ListPage() const { return WithoutAddLinks(Page("EventList2025.html")); }
  // The line of the list that holds the day's table, or empty.
  static std::string DayLine(const std::string& page, int month, int day) {
    const std::string mark = "<a name=M" + std::to_string(month) + "D" + std::to_string(day) +
                             "></a><table width=100% class=\"ListTableDay\"";
    for (const std::string& line : Lines(page)) {
      if (line.find(mark) != std::string::npos) return line;
    }
    return "";
  }
  // The events cell of the day's row.
  static std::string EventsCell(const std::string& page, int month, int day) {
    const std::string line = DayLine(page, month, day);
    const size_t at = line.find("<td class=\"ListEvent");
    if (at == std::string::npos) return "";
    return line.substr(at, line.find("</td>", at) + 5 - at);
  }
  static size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
  }
};

TEST_F(EventListTest, WorkedPageLineForLine) {
  Months(3, 3);
  store::EventDraft meeting = Timed("Meeting", 2025, 3, 5, 9, 10);
  meeting.description = "Agenda\nand minutes";
  meeting.location = "Hall";
  Add(meeting);
  Generate();
  std::string anchors;
  for (int d = 6; d <= 31; ++d) anchors += "<a name=M3D" + std::to_string(d) + "></a>";
  const std::vector<std::string> want = {
      "<html lang=\"en-US\"><head><title>Club \xE2\x80\x93 Events 2025</title>", "<meta charset=\"utf-8\">",
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">",
      "<link href=\"http://\" rel=\"alternate\" type=\"application/rss+xml\" title=\"Club\" />",
      "<link rel=\"stylesheet\" type=\"text/css\" href=\"tabs.css\" />",
      "<link rel=\"stylesheet\" type=\"text/css\"   href=\"eventlist.css\" />",
      "<link rel=\"stylesheet\" type=\"text/css\"   href=\"popup.css\" />",
      "<link rel=\"stylesheet\" type=\"text/css\"   href=\"actionbar.css\" />",
      "<link rel=\"stylesheet\" type=\"text/css\"   href=\"list.css\" />",
      "<script type=\"text/javascript\" src=\"frameheight.js\" defer></script>",
      "<script type=\"text/javascript\" src=\"addlinks.js\" defer></script>",
      // The month's events for search engines.
      "<script type=\"application/ld+json\">[{\"@context\":\"https://schema.org\",\"@type\":"
      "\"Event\",\"name\":\"Meeting\",\"startDate\":\"2025-03-05T09:00:00\",\"endDate\":"
      "\"2025-03-05T10:00:00\",\"location\":{\"@type\":\"Place\",\"name\":\"Hall\",\"address\":"
      "\"Hall\"},\"description\":\"Agenda\\nand minutes\",\"url\":\"March2025.html#M3D5\"}]"
      "</script>",
      "</head>", "<body>",
      "<!-- Shown at the top of each month page. -->", "<div class=Calendar>",
      "<div class=PageTitle>Upcoming Events</div>",
      "<table class=ActionBar cellspacing=5 cellpadding=2 color=white border=0 align=left>",
      "<tr><td><img src=\"goback.gif\" border=0 alt=\"\">&nbsp;&nbsp;<a href=\"Calendar.html\">Calendar "
      "View</a></td>",
      "</tr></table><br clear=all> ",
      "<div class=NavMenu  ><center><div id=\"header\"><ul><li><a href=March2025.html>Mar</a>"
      "</li><li id=\"current\"><a href=EventList2025.html>Events</a></li></ul></div></center>"
      "</div> <div style=\"clear:both;\"></div><br>",
      "", "<a name=March></a>", "", "<div class=\"ListCanvas\" >",
      "<center><table class=\"ListTable\" >", "</table></center>",
      "<center><table class=\"ListTable\" >",
      "<tr> <td colspan=2 class=ListMonth  > March</td></tr>", "<tr class=\"events\" ><td>",
      "<a name=M3D1></a><a name=M3D2></a><a name=M3D3></a><a name=M3D4></a>"
      "<a name=M3D5></a><table width=100% class=\"ListTableDay\"  ><tr>"
      "<td class=\"ListDate2\" ><font size=-2>March&nbsp;2025</font><br>"
      "<a href=March2025.html#M3D target=_top >5</a><br><font size=-3>Wednesday</font></td>"
      "<td class=\"ListEvent2\" ><br><b><font size=+1>Meeting</font></b><br>9:00 am-10:00 "
      "am&nbsp;<br><i>Hall</i></div><br /><div Style=\"margin-left: 0.5em;\">Agenda<br />and "
      "minutes<hr></div><br /><br></td></tr></table></td></tr>",
      // Days after the last one with content keep their anchors at the end.
      anchors + "</tr></table></div></center>", "</div>", "",
      "<!-- Shown at the bottom of every page. -->", "</body></html>"};
  const std::string page = ListPage();
  EXPECT_EQ(Lines(page), want);
  EXPECT_EQ(page.find('\n'), page.find("\r\n") + 1);  // no bare line feed
  EXPECT_EQ(Count(page, "\n"), Count(page, "\r\n"));
}

TEST_F(EventListTest, HeadTitleBackLinkAndMenuFollowTheSettings) {
  Months(3, 3);
  settings().SetBool("RSS.Share", false);
  settings().SetBool("Contents.ShowList", false);  // no list menu, no tabs sheet
  settings().SetBool("List.NewWindow", true);
  settings().SetText("Page.Title", "Club News");
  Generate();
  const std::vector<std::string> lines = Lines(ListPage());
  EXPECT_TRUE(
      HasRun(lines, {"<meta charset=\"utf-8\">",
                     "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">",
                     "<link rel=\"stylesheet\" type=\"text/css\"   href=\"eventlist.css\" />"}));
  EXPECT_TRUE(HasRun(lines, {"<div class=PageTitle>Club News</div>",
                             "<table class=ActionBar cellspacing=5 cellpadding=2 color=white "
                             "border=0 align=left>",
                             "<tr><td><img src=\"goback.gif\" border=0 alt=\"\">&nbsp;&nbsp;<A href=\"java"
                             "script: self.close ()\">Calendar View</a></td>",
                             "</tr></table><br clear=all> ", "", "", "<a name=March></a>"}));

  settings().SetBool("ActionBar.LinkCalendar", false);
  Generate();
  EXPECT_TRUE(HasRun(Lines(ListPage()),
                     {"<div class=PageTitle>Club News</div>", "", "", "<a name=March></a>"}));
}

TEST_F(EventListTest, EmptyMonthCarriesItsAnchorsAndRowsAlternatePerMonth) {
  Months(2, 4);
  Add(Timed("Quiz", 2025, 2, 10, 19, 21));
  Add(Timed("Walk", 2025, 2, 12, 9, 12));
  Add(Timed("Picnic", 2025, 4, 2, 12, 14));
  for (int day : {10, 12}) WriteAll(DayFolder(2, day) + "Route.txt", "north");
  Generate();
  const std::string page = ListPage();
  const std::vector<std::string> lines = Lines(page);

  // March has nothing: only its month anchor line.
  EXPECT_TRUE(HasRun(lines, {"", "<a name=March></a>", "", "<a name=April></a>"}));
  EXPECT_EQ(Count(page, "class=ListMonth"), 2u);

  const std::string first = DayLine(page, 2, 10);
  EXPECT_THAT(first, HasSubstr("<a name=M2D9></a><a name=M2D10></a><table"));
  EXPECT_THAT(first, HasSubstr("<td class=\"ListDate2\" ><font size=-2>February&nbsp;2025</font>"
                               "<br><a href=February2025.html#M2D target=_top >10</a><br><font "
                               "size=-3>Monday</font></td><td class=\"ListEvent2\" >"));
  EXPECT_THAT(first, HasSubstr("<td  class=\"downloads\"  bgcolor=white ><center><b>Downloads:"
                               "</b><br></center><br><a href='Route.txt'>"));
  const std::string second = DayLine(page, 2, 12);
  EXPECT_THAT(second, HasSubstr("<td class=\"ListDate\" ><font size=-2>February&nbsp;2025</font>"
                                "<br> <a href=February2025.html#M2D target=_top >12</a>"));
  EXPECT_THAT(second, HasSubstr("<td class=\"ListEvent\" >"));
  EXPECT_THAT(second, HasSubstr("<td  class=\"downloads\"  bgcolor=#FFFFFF >"));

  // The rest of February and all of March wait for April's first row,
  // which starts with the "2" classes again.
  std::string carried;
  for (int d = 13; d <= 28; ++d) carried += "<a name=M2D" + std::to_string(d) + "></a>";
  for (int d = 1; d <= 31; ++d) carried += "<a name=M3D" + std::to_string(d) + "></a>";
  carried += "<a name=M4D1></a><a name=M4D2></a><table";
  const std::string april = DayLine(page, 4, 2);
  EXPECT_EQ(april.rfind(carried, 0), 0u) << april;
  EXPECT_THAT(april, HasSubstr("<td class=\"ListDate2\" >"));

  // Every day the month pages link to has its anchor, once; the grid's
  // filler rows have none.
  for (int m = 2; m <= 4; ++m) {
    for (int d = 1; d <= (m == 2 ? 28 : m == 3 ? 31 : 30); ++d) {
      const std::string anchor = "<a name=M" + std::to_string(m) + "D" + std::to_string(d) + ">";
      EXPECT_EQ(Count(page, anchor), 1u) << anchor;
    }
  }
  EXPECT_THAT(page, Not(HasSubstr("D></a>")));
}

TEST_F(EventListTest, ListTimeTexts) {
  Months(3, 3);
  store::EventDraft fair = Timed("Fair", 2025, 3, 8, 9, 17);
  fair.all_day = true;
  Add(fair);
  Add(Timed("Talk", 2025, 3, 9, 9, 10));
  store::EventDraft camp = Timed("Camp", 2025, 3, 20, 10, 10);
  camp.end = EncodeDate(2025, 3, 22) + 12 / 24.0;
  Add(camp);
  store::EventDraft open = Timed("Open", 2025, 3, 10, 9, 10);
  open.show_end_time = false;
  Add(open);
  store::EventDraft hidden = Timed("Hidden", 2025, 3, 11, 9, 10);
  hidden.show_start_time = false;
  hidden.show_end_time = false;
  Add(hidden);
  Generate();
  std::string page = ListPage();
  // The all-day event keeps its end time in the list, not in its day cell.
  EXPECT_THAT(EventsCell(page, 3, 8),
              HasSubstr("<b><font size=+1>Fair</font></b><br>5:00 pm&nbsp;<br></td>"));
  EXPECT_THAT(Page("March2025.html"), Not(HasSubstr("5:00 pm")));
  // The dates of a multi-day event come with the end time, whatever
  // Formatting.EventDateShow says.
  EXPECT_THAT(EventsCell(page, 3, 20),
              HasSubstr("Camp</font></b><br>10:00 am-12:00 pm&nbsp;<br />march 20-march 22<br>"));
  EXPECT_THAT(EventsCell(page, 3, 10), HasSubstr("Open</font></b><br>9:00 am&nbsp;<br></td>"));
  EXPECT_THAT(EventsCell(page, 3, 11), HasSubstr("Hidden</font></b><br>&nbsp;<br></td>"));

  settings().SetBool("Formatting.ShowBullets", true);
  Generate();
  page = ListPage();
  EXPECT_THAT(EventsCell(page, 3, 8), HasSubstr("Fair</font></b><br>5:00 pm&nbsp;<br>"));
  EXPECT_THAT(EventsCell(page, 3, 9), HasSubstr("Talk</font></b><br>&bull;&nbsp;9:00 am-10:00 "
                                                "am&nbsp;<br>"));

  // The separator goes in front even of an all-day event, and wins over
  // the bullet.
  settings().SetText("Formatting.TimeSeperator", "*");
  Generate();
  page = ListPage();
  EXPECT_THAT(EventsCell(page, 3, 8), HasSubstr("Fair</font></b><br>*&nbsp;5:00 pm&nbsp;<br>"));
  EXPECT_THAT(EventsCell(page, 3, 9),
              HasSubstr("Talk</font></b><br>*&nbsp;9:00 am-10:00 am&nbsp;<br>"));
}

// A repeating event's entries are the same on each of its days but for the
// add link's date; its texts stand once, on its first entry of the page.
TEST_F(EventListTest, RepeatedEntriesDifferOnlyInTheirDates) {
  Months(5, 5);
  store::EventDraft course = Timed("Course", 2025, 5, 12, 18, 20);
  course.description = "Week one\nand two";
  course.location = "Hall";
  course.url = "http://example.org/course";
  course.repeat = store::RepeatKind::kDaily;
  course.repeat_until = EncodeDate(2025, 5, 14);
  const std::string id = Add(course);
  Add(Timed("Lunch", 2025, 5, 13, 12, 13));
  Generate();
  const std::string page = Page("EventList2025.html");
  // The course's entry of a day, its date taken out.
  const auto course_entry = [&page](int day) {
    const std::string cell = EventsCell(page, 5, day);
    const size_t at = cell.find("<b><font size=+1>Course");
    const size_t end = cell.find("</span><hr></div><br />", at);
    if (at == std::string::npos || end == std::string::npos) return std::string();
    std::string entry = cell.substr(at, end - at);
    const size_t date = entry.find(" data-t=\"");
    if (date != std::string::npos) entry.erase(date, entry.find('"', date + 9) + 1 - date);
    return entry;
  };
  const std::string first = course_entry(12);
  ASSERT_THAT(first, HasSubstr(" data-n=\"Course\" data-d=\"Week one&#10;and two\" "
                               "data-l=\"Hall\">"));
  EXPECT_THAT(first, HasSubstr("<i>Hall</i></div><br />"
                               "<div Style=\"margin-left: 0.5em;\">Week one<br />and two<br><a "
                               "href=\"http://example.org/course\" target=_blank ><u>Course</u>"
                               "</a><br><span class=\"AddToCalendar\" data-e=\"0\""));
  EXPECT_THAT(first, HasSubstr("<a href=\"events/" + id + ".ics\" download aria-label=\"Course: "
                               "iCalendar\">iCalendar</a>"));
  std::string later = first;
  later.erase(later.find(" data-n="), later.find("\">", later.find(" data-n=")) + 1 -
                                          later.find(" data-n="));
  EXPECT_EQ(course_entry(13), later);
  EXPECT_EQ(course_entry(14), later);
  EXPECT_THAT(EventsCell(page, 5, 13), HasSubstr("Lunch"));
  EXPECT_THAT(EventsCell(page, 5, 14), Not(HasSubstr("Lunch")));
}

TEST_F(EventListTest, OutsideLinks) {
  Months(3, 3);
  store::EventDraft bare = Timed("Bare", 2025, 3, 3, 9, 10);
  bare.url = "HTTP://";
  Add(bare);
  store::EventDraft fair = Timed("Fair", 2025, 3, 4, 9, 10);
  fair.url = "http://www.club.org/fair";
  const std::string fair_id = Add(fair);
  SetEvent(fair_id, "LinkDescription", "Link Name at http://www.club.org");
  store::EventDraft bake = Timed("Bake", 2025, 3, 5, 9, 10);
  bake.url = "http://example.org/bake";
  bake.description = "Bring cake";
  const std::string bake_id = Add(bake);
  SetEvent(bake_id, "LinkDescription", "   ");
  Generate();
  std::string page = ListPage();
  // The bare prefix in capitals is no address.
  EXPECT_THAT(EventsCell(page, 3, 3), Not(HasSubstr("<a href")));
  EXPECT_THAT(EventsCell(page, 3, 4),
              HasSubstr("am&nbsp;<br><a href=\"http://www.club.org/fair\" target=_blank ><u>Fair at "
                        "club.org</u></a><br></td>"));
  EXPECT_THAT(EventsCell(page, 3, 5),
              HasSubstr("<div Style=\"margin-left: 0.5em;\">Bring cake<br><a href=\"http://"
                        "example.org/bake\" target=_blank ><u>Bake</u></a><hr></div><br /><br>"));

  settings().SetText("Formatting.Target", "");
  Generate();
  page = ListPage();
  EXPECT_THAT(EventsCell(page, 3, 5), HasSubstr("target=_parent ><u>Bake</u></a>"));

  // No address can end the attribute it is written into.
  store::EventDraft trap = Timed("Trap", 2025, 3, 6, 9, 10);
  trap.url = "http://x.org/ onmouseover=alert(1) \"<b>";
  Add(trap);
  Generate();
  page = ListPage();
  EXPECT_THAT(EventsCell(page, 3, 6),
              HasSubstr("<a href=\"http://x.org/%20onmouseover=alert(1)%20%22%3Cb%3E\" "));
  EXPECT_THAT(page, Not(HasSubstr(" onmouseover=")));
}

TEST_F(EventListTest, NotesHolidayCategoryGroupsAndMacros) {
  Months(3, 3);
  Tick({1, 2});
  settings().SetBool("Contents.GroupEvents", true);
  settings().SetText("Contents.Holiday", "Other");
  settings().set_text_file(publish::TextFile::kMacros, "Choir=Chorus\r\n");
  Add(Timed("Choir", 2025, 3, 12, 19, 21), 1);
  Add(Timed("Football", 2025, 3, 12, 10, 12), 2);
  SetDay(3, 12, "Data2", "Bring boots\nand socks");
  SetDay(3, 12, "OtherHoliday", "Club Day");
  SetDay(3, 13, "OtherHoliday", "Founders Day");
  Generate();
  const std::string page = ListPage();
  const std::vector<std::string>& names = editor_->window.chkCalendars.items;
  EXPECT_THAT(
      page,
      HasSubstr("<td class=\"ListEvent2\" ><br>Bring boots<br />and socks<br /><br><div "
                "class=\"holidays\">"
                "Club Day\r\n</div><div class=calendarname >  " +
                names[0] +
                "</div><b><font size=+1>"
                "Chorus</font></b><br>7:00 pm-9:00 pm&nbsp;<br><br /><div class=calendarname >  " +
                names[1] +
                "</div><b><font size=+1>Football</font></b><br>10:00 am-12:00 pm&nbsp;<br><br />"
                "</td></tr></table></td></tr>\r\n"));
  // A holiday alone makes no row; the day's anchor waits for the next one.
  EXPECT_EQ(DayLine(page, 3, 13), "");
  EXPECT_THAT(page, Not(HasSubstr("Founders Day")));
  EXPECT_THAT(page, HasSubstr("<a name=M3D13></a>"));
}

// Each day's row is made from its own parts only: nothing of the day
// before (notes, entries, files, a category heading) reaches the next, a
// category without entries that day gets no heading, and macros change the
// entries, never the notes.
TEST_F(EventListTest, EachDayShowsOnlyItsOwnPartsAndMacrosOnlyTheEntries) {
  Months(4, 4);
  Tick({1, 2, 3});
  settings().SetBool("Contents.GroupEvents", true);
  settings().set_text_file(publish::TextFile::kMacros, "boots=shoes\r\n");
  SetDay(4, 7, "Data1", "Bring boots");
  WriteAll(DayFolder(4, 7) + "plan.pdf", "plan");
  Add(Timed("Boots sale", 2025, 4, 7, 9, 10), 1);
  Add(Timed("Hike", 2025, 4, 7, 11, 12), 3);
  store::EventDraft walk = Timed("Walk", 2025, 4, 8, 8, 9);
  walk.description = "Two\nlines";
  Add(walk, 3);
  Generate();
  const std::string page = ListPage();
  const std::vector<std::string>& names = editor_->window.chkCalendars.items;
  const std::string seventh = EventsCell(page, 4, 7);
  EXPECT_EQ(seventh,
            "<td class=\"ListEvent2\" ><br>Bring boots<br /><br><div class=calendarname >  " +
                names[0] +
                "</div><b><font size=+1>shoes sale</font></b><br>9:00 am-10:00 am&nbsp;<br><br />"
                "<div class=calendarname >  " +
                names[2] +
                "</div><b><font size=+1>Hike</font></b><br>11:00 am-12:00 pm&nbsp;<br><br />"
                "</td>");
  EXPECT_THAT(DayLine(page, 4, 7), HasSubstr("plan.pdf"));
  const std::string eighth = DayLine(page, 4, 8);
  EXPECT_THAT(eighth, HasSubstr("<td class=\"ListEvent\" ><br><div class=calendarname >  " +
                                names[2] + "</div><b><font size=+1>Walk</font></b>"));
  EXPECT_THAT(eighth, HasSubstr("<div Style=\"margin-left: 0.5em;\">Two<br />lines<hr></div>"));
  for (const std::string& earlier :
       std::vector<std::string>{"boots", "shoes", "Hike", "plan.pdf", names[0]}) {
    EXPECT_THAT(eighth, Not(HasSubstr(earlier))) << earlier;
  }
  EXPECT_THAT(eighth, Not(HasSubstr("class=\"downloads\"")));
  EXPECT_EQ(Count(page, "<a name=M4D9></a><table"), 0u);
}

TEST_F(EventListTest, DownloadsLinkTheFilesTheMonthPagesCopied) {
  // 15 January and 5 November share the day prefix 2025115. The month
  // pages copy January's a.pdf under its own name, then 3 March's and
  // 5 November's under their dated names.
  const std::string january = DayFolder(1, 15);
  const std::string march = DayFolder(3, 3);
  const std::string november = DayFolder(11, 5);
  WriteAll(january + "a.pdf", "january");
  WriteAll(march + "a.pdf", "march");
  WriteAll(november + "a.pdf", "november");
  WriteAll(november + "note.txt", "Slides: ");
  WriteAll(march + "picture.jpg", "jpeg");
  WriteAll(session_->app.dir->IncludeDir + "Minutes.txt", "already in the build folder");
  WriteAll(march + "Minutes.txt", "the day's minutes");
  Generate();
  EXPECT_EQ(Page("a.pdf"), "january");
  EXPECT_EQ(Page("202533a.pdf"), "march");
  EXPECT_EQ(Page("2025115a.pdf"), "november");
  EXPECT_EQ(Page("202533Minutes.txt"), "the day's minutes");

  const std::string page = ListPage();
  auto link = [](const std::string& target, const std::string& name) {
    return "<a href='" + target + "'><img border=0 src=clip.gif alt=\"\"><font size=2><u>" + name +
           "</u></font></a>";
  };
  EXPECT_THAT(DayLine(page, 1, 15),
              HasSubstr("<br></center><br>" + link("a.pdf", "a.pdf") + "</td></tr></table>"));
  EXPECT_THAT(DayLine(page, 3, 3), HasSubstr("<br></center><br>" + link("202533a.pdf", "a.pdf") +
                                             ", <br>" + link("202533Minutes.txt", "Minutes.txt") +
                                             "<img src=\"202533picture.jpg\" border=0 "
                                             "align=left alt=\"\"></td>"));
  EXPECT_THAT(DayLine(page, 11, 5),
              HasSubstr("<br></center><br>Slides: " + link("2025115a.pdf", "a.pdf") + "</td>"));
  // A day with files only still gets its row, with nothing but the date.
  EXPECT_THAT(DayLine(page, 1, 15), HasSubstr("<td class=\"ListEvent2\" ><br></td>"));

  settings().SetBool("Publish.Attachments", false);
  Generate();
  EXPECT_EQ(DayLine(ListPage(), 1, 15), "");
}

TEST_F(EventListTest, EventListStyleMonthPagesAreListsWithTheirFiles) {
  const std::string folder = session_->app.dir->StylesDir + "Listing/";
  std::filesystem::create_directories(folder);
  publish::StyleInfo info;
  info.calendar_type = "EventList";
  ASSERT_TRUE(publish::WriteStyleSheet(folder + "Style.css", info, publish::StyleCss{}).ok());
  editor_->window.Style.push_back("Listing");
  editor_->window.style_index = static_cast<int>(editor_->window.Style.size() - 1);
  Months(3, 4);
  Add(Timed("Meeting", 2025, 3, 5, 9, 10));
  WriteAll(DayFolder(3, 15) + "Agenda.pdf", "%PDF agenda");
  // The year's list is switched off; the month pages are the calendar.
  settings().SetBool("List.CanCreate", false);
  Generate();
  EXPECT_FALSE(Has("EventList2025.html"));
  const std::string march = Page("March2025.html");
  EXPECT_THAT(march, HasSubstr("<tr> <td colspan=2 class=ListMonth  > March</td></tr>"));
  EXPECT_THAT(march, Not(HasSubstr("<a name=April>")));
  EXPECT_THAT(DayLine(march, 3, 5), HasSubstr("<b><font size=+1>Meeting</font></b>"));
  // No month grid copied the file before; the list does, under its name.
  EXPECT_THAT(DayLine(march, 3, 15), HasSubstr("<a href='Agenda.pdf'>"));
  EXPECT_EQ(Page("Agenda.pdf"), "%PDF agenda");
  EXPECT_EQ(Page("Club.html"), march);

  settings().SetBool("List.CanCreate", true);
  Generate();
  EXPECT_THAT(DayLine(ListPage(), 3, 15), HasSubstr("<a href='Agenda.pdf'>"));
  EXPECT_FALSE(Has("2025315Agenda.pdf"));
}

TEST_F(EventListTest, ListSwitchedOffWritesNoListWithAGridStyle) {
  Months(3, 3);
  settings().SetBool("List.CanCreate", false);
  Generate();
  EXPECT_TRUE(Has("March2025.html"));
  EXPECT_FALSE(Has("EventList2025.html"));
}

TEST_F(EventListTest, DateLinksReachTheMonthPageInSinglePageModeAndAnyExtension) {
  Months(3, 5);
  Add(Timed("Picnic", 2025, 4, 2, 12, 14));
  settings().SetBool("Formatting.ShowSingleHTMLPage", true);
  Generate();
  // All months live on the page named after March, each at its anchor.
  EXPECT_THAT(DayLine(ListPage(), 4, 2),
              HasSubstr("<a href=March2025.html#April target=_top >2</a>"));
  EXPECT_THAT(Page("March2025.html"), HasSubstr("<a name=April></a>"));

  settings().SetBool("Formatting.ShowSingleHTMLPage", false);
  editor_->window.cboExtension = "htm";
  Generate();
  EXPECT_TRUE(Has("April2025.htm"));
  EXPECT_THAT(DayLine(WithoutAddLinks(Page("EventList2025.htm")), 4, 2),
              HasSubstr("<a href=April2025.htm#M4D target=_top >2</a>"));
  EXPECT_THAT(Page("Events.html"),
              HasSubstr("BaseName    = \"EventList\" + today.getFullYear() + \".htm\";\r\n"));
}

// Runs the script of Events.html under node with the clock at that local
// date and returns where it sends the browser; nullopt without node.
std::optional<std::string> RedirectTarget(const std::string& page, const std::string& folder,
                                          int year, int month, int day) {
  if (std::system("node --version > /dev/null 2>&1") != 0) return std::nullopt;
  const size_t from = page.find("<script>") + 8;
  const std::string script = page.substr(from, page.find("</script>") - from);
  const std::string file = folder + "events_redirect.js";
  WriteAll(file, "const RealDate = Date;\nDate = function() { return new RealDate(" +
                     std::to_string(year) + ", " + std::to_string(month - 1) + ", " +
                     std::to_string(day) + "); };\nvar window = {};\n" + script +
                     "\nCurrMonth();\nconsole.log(window.location);\n");
  std::string out;
  if (FILE* pipe = popen(("node " + file).c_str(), "r")) {
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
    pclose(pipe);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

TEST_F(EventListTest, EventsPageOpensTheListAtToday) {
  Months(3, 5);
  Generate();
  const std::string page = Page("Events.html");
  EXPECT_TRUE(HasRun(
      Lines(page), {"<html>",
                    "<head>",
                    "<meta charset=\"utf-8\">",
                    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">",
                    "<script>",
                    "function find(a, val){",
                    "var b = false; ",
                    "for(i=0;i<a.length;i++){",
                    "var tmp = a[i];",
                    "if(tmp==val) { b = true;}",
                    "}",
                    "return b;",
                    "};",
                    "function CurrMonth() {",
                    "today = new Date();",
                    "m = new",
                    "Array(\"January\",\"February\",\"March\",\"April\",\"May\",\"June\",\"July\","
                    "\"August\",\"September\",\"October\",\"November\",\"December\");",
                    "pubDateRange = new Array(\"2025-3\",\"2025-4\",\"2025-5\");",
                    "DateRangeItem   =  today.getFullYear() + \"-\" + (today.getMonth() + 1);",
                    "DateRange_Valid =  find(pubDateRange,DateRangeItem);",
                    "BaseName    = \"EventList\" + today.getFullYear() + \".html\";"}));
  EXPECT_TRUE(HasRun(Lines(page),
                     {"TodayAnchor = \"#M\" + (today.getMonth() + 1) +\"D\" + today.getDate();",
                      " if (DateRange_Valid) { window.location = BaseName + TodayAnchor  ; }",
                      " else { window.location = BaseName; }", " }", "</script>", "</head>",
                      "<body onload=\"CurrMonth();return false;\">", "</body>", "</html>"}));

  const std::string folder = WithTrailingSlash(root_.path());
  std::optional<std::string> in_range = RedirectTarget(page, folder, 2025, 4, 9);
  if (!in_range) GTEST_SKIP() << "node is not installed";
  EXPECT_EQ(*in_range, "EventList2025.html#M4D9");
  // Outside the published months: this year's list, at its top.
  EXPECT_EQ(RedirectTarget(page, folder, 2025, 7, 1), "EventList2025.html");
  // A year without a list of its own goes to the published one.
  EXPECT_EQ(RedirectTarget(page, folder, 2026, 1, 15), "EventList2025.html");
}

}  // namespace
}  // namespace almanix::generator::testing
