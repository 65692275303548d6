#include "generator/link.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/dates.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "generator/run_context.h"
#include "generator/run_fixture.h"
#include "generator/small_calendar_page.h"
#include "settings/publish_settings.h"
#include "support/fake_ui.h"
#include "support/temp_root.h"

namespace almanix::generator::testing {
namespace {

using almanix::testing::ReadAll;
using almanix::testing::WriteAll;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

constexpr char kClubUrl[] = "http://www.club.org/cal/Calendar.html";

class LinkTest : public RunFixture {
 protected:
  void SetUp() override {
    RunFixture::SetUp();
    auto& s = settings();
    s.SetInt("Page.CalendarWidth", 960);
    s.SetText("Page.CalendarWidthUnits", "px");
    s.SetInt("Small.Width", 250);
    s.SetInt("List.Width", 500);
    s.SetInt("List.Height", 500);
    // Only March keeps the runs short.
    s.SetInt("Publish.StartMonth", 2);
    s.SetInt("Publish.EndMonth", 2);
  }
  std::vector<std::string> LinkPage() {
    Generate();
    return Lines(Page("Link.html"));
  }
  std::string FavoriteDir() const { return WithTrailingSlash(editor_->FavoriteFolder()); }
};

// The help pages' style line for narrow windows.
constexpr const char* kNarrowStyle =
    "<style>@media (max-width: 1000px) { table, textarea, input, iframe, object "
    "{ max-width: 100% !important; box-sizing: border-box; } "
    "table { width: 100% !important; } td { overflow-wrap: break-word; } "
    "textarea, input { width: 100%; } }</style>";

// ---- Link.html ----

TEST_F(LinkTest, HeadOpensWithCharsetAndKeepsItsStyleBlock) {
  Generate();
  const std::string page = Page("Link.html");
  EXPECT_TRUE(page.starts_with(
      "<html lang=\"en-US\"><head><Title>Club \xE2\x80\x93 Linking Examples</title>\r\n<meta charset=\"utf-8\">\r\n"));
  EXPECT_TRUE(
      HasRun(Lines(page), {"<link rel=\"stylesheet\" type=\"text/css\"  href=\"style.css\" />",
                           "<style>",
                           "h1 {magin : 20px; color:FF0000; } ",
                           "TEXTAREA {",
                           " margin-left:auto; ",
                           " margin-right: auto;",
                           " margin-right: auto;",
                           " color: black; ",
                           " background-color: lightyellow;",
                           " border-width: 1px;",
                           " border-color: #000000;",
                           " border-style: solid;",
                           " } ",
                           " input { ",
                           " background-color: lightyellow; ",
                           " } ",
                           "</style>",
                           "<style>table[bgcolor] { color: #1F2328; } "
                           "table[bgcolor] a:link { color: #0550AE; } "
                           "table[bgcolor] a:visited { color: #6639BA; } "
                           "input { color: #000000; } "
                           "body > center > font:first-child { color: #3366FF; }</style>",
                           "<style>@media (max-width: 1000px) { table, textarea, input, iframe, "
                           "object { max-width: 100% !important; box-sizing: border-box; } "
                           "table { width: 100% !important; } td { overflow-wrap: break-word; } "
                           "textarea, input { width: 100%; } }</style>",
                           "</head>",
                           "<body>",
                           "<center>",
                           "<font color=0000FF Size=+5> Linking / Embeding Help </Font>",
                           "<table><tr><td>",
                           "<i><ol><li>Publish the Calendar to your web site </li>"}));
  EXPECT_TRUE(page.ends_with("</center>\r\n</body></html>\r\n"));
}

TEST_F(LinkTest, SectionsComeInOrderAndEveryTableCloses) {
  const std::vector<std::string> lines = LinkPage();
  std::vector<std::string> anchors;
  int opened = 0;
  int closed = 0;
  for (const std::string& line : lines) {
    if (line.starts_with("<A NAME=")) anchors.push_back(line);
    if (line.find("<table") != std::string::npos) ++opened;
    if (line.find("</table>") != std::string::npos) ++closed;
  }
  // The small page's "Linking Help" points at #SmallCalendar.
  EXPECT_THAT(anchors, ElementsAre("<A NAME=Calendar></A>", "<A NAME=SmallCalendar></A>",
                                   "<A NAME=EventList></A>", "<A NAME=Year></A>",
                                   "<A NAME=EventScroller></A>"));
  EXPECT_EQ(opened, closed);
  EXPECT_EQ(opened, 8);
}

TEST_F(LinkTest, LinkEntryIsSixLinesWithTheAddress) {
  settings().SetText("Publish.URL", kClubUrl);
  EXPECT_TRUE(HasRun(
      LinkPage(),
      {"<tr><td><b> Todays Events  </b></td><td>",
       "<font size=+2 color=Green ><h2>Link to the Todays Events </h2></font>",
       "<a href=http://www.club.org/cal/Events.html><font size=2 color=Blue><u>"
       "http://www.club.org/cal/Events.html</u></font></a><br>",
       "<br> <i> Link to the event list. Events.html will redirect to upcoming events on the "
       "event list using javascript",
       "<br> <input size=80 type=\"text\" name=\"link\" aria-label=\"Link code\" value=\"<a "
       "href=&quot;http://www.club.org/cal/Events.html&quot;>Calendar</a>\">",
       "</td></tr>"}));
}

TEST_F(LinkTest, LargeCalendarSectionLineForLine) {
  settings().SetText("Publish.URL", kClubUrl);
  const std::vector<std::string> lines = LinkPage();
  EXPECT_TRUE(
      HasRun(lines, {"<A NAME=Calendar></A>", "<center><H1>The Large Calendar</H1></center>",
                     "<table border=1 bordercolor=#cccccc valing=top cellspacing=10 "
                     "cellpadding=\"5\" bgcolor=white width=960>",
                     "<tr><td><b> Current Month  </b></td><td>"}));
  EXPECT_TRUE(HasRun(lines, {"<br> <i> Link to the first published month of the calendar.",
                             "<br> <input size=80 type=\"text\" name=\"link\" aria-label=\"Link code\" value=\"<a "
                             "href=&quot;http://www.club.org/cal/FirstMonth.html&quot;>"
                             "Calendar</a>\">",
                             "</td></tr>", "<caption><b>Popup the Calendar:</b><caption>"}));
  EXPECT_TRUE(HasRun(
      lines, {"<caption><b>Embed the Large Calendar:</b><caption>",
              "<tr><td><b> Frame</b><br><a href=Calendar.html>Try It</a> </td><td>  ",
              "<font size=+2 color=green>Embed Calendar in a window on your web page </font><br>",
              "<i>This code will show the calendar inside an IFRAME on another page.",
              "<ol><li>Check the \"IFrame\" checkbox under Embed on the Format Screen first.</li>",
              "<li>Publish the Calendar to your web site </li>",
              "<li>Copy and Paste the Code below into your web page </li>",
              "<li>Adjust the height and width properties of the embed code</li>", "</ol> </i>",
              // The code that fits the host page comes first: the frame, then
              // the script that takes the height only from that frame and the
              // calendar's site. Without scripts it keeps the fixed height.
              "<p><b>Code that fits your page:</b> the frame is as wide as the space you put "
              "it in and grows or shrinks with the calendar, on phones too. Copy both parts, "
              "the frame and the script under it.</p>",
              "<center><form><TEXTAREA NAME=string ROWS=5 COLS=91 aria-label=\"Code to copy\">",
              "&lt;iframe src=\"http://www.club.org/cal/Calendar.html\" title=\"Calendar\" "
              "style=\"display:block;width:100%;height:1920px;border:0\"&gt;&lt;/iframe&gt;",
              "&lt;script&gt;",
              "(function () {",
              "  var frame = document.currentScript.previousElementSibling;",
              "  var origin = new URL(frame.src, location.href).origin;",
              "  window.addEventListener(\"message\", function (e) {",
              "    if (e.source !== frame.contentWindow) return;",
              "    if (origin !== \"null\" && e.origin !== origin) return;",
              "    var d = e.data || {};",
              "    var h = d.type === \"calendar-height\" ? Number(d.height) : 0;",
              "    if (h &gt; 0 && h &lt; 100000) frame.style.height = Math.ceil(h) + \"px\";",
              "  });",
              "})();",
              "&lt;/script&gt;",
              "</TEXTAREA></form></center>",
              "<p><b>Fixed-size code:</b> for pages that cannot hold a script.</p>",
              "<center><form><TEXTAREA NAME=string ROWS=5 COLS=91 aria-label=\"Code to copy\">",
              "&lt;IFRAME   HEIGHT=\"1920\" WIDTH=\"960\"  frameborder=0 "
              "SRC=\"http://www.club.org/cal/Calendar.html\" TITLE=\"Calendar\" SCROLLING=No &gt; ",
              "Your browser do not support IFRAMES, you can see the calendar here &lt;a "
              "href=\"http://www.club.org/cal/Calendar.html\"&gt;Calendar&lt;/a&gt;",
              "&lt;/IFRAME&gt;", "</TEXTAREA></form></center>", "</font></p>", "<br></td></tr>",
              "</table><br>"}));
}

TEST_F(LinkTest, FrameSizeInPercentHasAFixedHeight) {
  settings().SetInt("Page.CalendarWidth", 97);
  settings().SetText("Page.CalendarWidthUnits", "%");
  EXPECT_TRUE(HasRun(LinkPage(), {"<center><form><TEXTAREA NAME=string ROWS=5 COLS=91 aria-label=\"Code to copy\">",
                                  "&lt;IFRAME   HEIGHT=\"1400\" WIDTH=\"97%\"  frameborder=0 "
                                  "SRC=\"Calendar.html\" TITLE=\"Calendar\" SCROLLING=No &gt; "}));
  EXPECT_EQ(FrameSize(settings()), " HEIGHT=\"1400\" WIDTH=\"97%\" ");
  EXPECT_EQ(ObjectSize(settings()), " style=\"width:97%;height:1400px;\" ");
}

TEST_F(LinkTest, PopupWindowOfA500WideCalendar) {
  settings().SetInt("Page.CalendarWidth", 500);
  settings().SetText("Publish.URL", kClubUrl);
  EXPECT_TRUE(HasRun(
      LinkPage(),
      {"<tr><td><b> Popup </b></td><td>",
       "<font size=+2 color=green>Popup Calendar in a window </font><br>",
       "<i> This code will pop up the calendar in a new window.",
       "<center><form><TEXTAREA NAME=string ROWS=5 COLS=91 aria-label=\"Code to copy\">",
       "&lt;!-- STEP ONE: Paste this code into the &lt;head&gt; section of your page --&gt;",
       "&lt;script language=\"JavaScript\"&gt;", "function popUp(url) {",
       "newwindow=window.open(url,'name','toolbar=0,scrollbars=0,location=0,statusbar=0,"
       "menubar=0,resizable=0,height=800,width=520');",
       "if (window.focus) {newwindow.focus()}", "return false;", "}", "&lt;/script&gt;",
       "&lt;!-- STEP TWO: Use this code to link to the calendar --&gt;",
       "&lt;a href=\"http://www.club.org/cal/Calendar.html\" onclick=\"return "
       "popUp('http://www.club.org/cal/Calendar.html')\" &gt;Link to Popup Calendar&lt;/a&gt;",
       "</TEXTAREA></form></center>", "</font></p>", "<br></td></tr> ", "</table><br><br>"}));
}

TEST(LinkPopupSize, BandsOfTheCalendarWidth) {
  struct Row {
    int w, width, height;
  };
  for (Row r : std::vector<Row>{{-5, 960, 700},
                                {100, 960, 700},
                                {101, 400, 500},
                                {300, 400, 500},
                                {301, 321, 601},
                                {500, 520, 800},
                                {800, 820, 1100},
                                {801, 960, 700},
                                {9000, 960, 700}}) {
    SCOPED_TRACE(r.w);
    const PopupSize size = PopupWindowSize(r.w);
    EXPECT_EQ(size.width, r.width);
    EXPECT_EQ(size.height, r.height);
  }
}

TEST_F(LinkTest, WithoutAnAddressTheCodesNameThePagesThemselves) {
  // "http://" is what the address field holds until an address is entered.
  for (const char* url : {"", "http://", " https:// "}) {
    SCOPED_TRACE(url);
    settings().SetText("Publish.URL", url);
    const std::vector<std::string> lines = LinkPage();
    EXPECT_TRUE(HasRun(lines, {"<li>Adjust the width on the format screen, under event list, "
                               "style sheet tab</li>",
                               "<li>Publish the Calendar to your web site </li>",
                               "<li>Copy and Paste the Code below into your web page </li>",
                               "<li>Adjust the height and width properties of the embed "
                               "code</li>",
                               "</ol> </i>"}));
    EXPECT_TRUE(HasRun(lines, {"<p><b>Fixed-size code:</b> for pages that cannot hold a script.</p>",
                               "<center><form><TEXTAREA NAME=string ROWS=5 COLS=91 aria-label=\"Code to copy\">",
                               "&lt;IFRAME   height=\"502\" width=\"502\"  frameborder=0 "
                               "SRC=\"Events.html\" TITLE=\"Calendar\" SCROLLING=Auto &gt; "}));
    EXPECT_THAT(lines, ::testing::Contains("&lt;iframe src=\"Events.html\" title=\"Calendar\" "
                                           "style=\"display:block;width:100%;height:502px;border:0\""
                                           "&gt;&lt;/iframe&gt;"));
    EXPECT_THAT(lines,
                ::testing::Contains("&lt;IFRAME   HEIGHT=\"1920\" WIDTH=\"960\"  frameborder=0 "
                                    "SRC=\"Calendar.html\" TITLE=\"Calendar\" SCROLLING=No &gt; "));
    EXPECT_THAT(lines, ::testing::Contains("<a href=Events.html><font size=2 color=Blue><u>"
                                           "Events.html</u></font></a><br>"));
    EXPECT_THAT(lines, ::testing::Contains(
                           "&lt;a href=\"Calendar.html\" onclick=\"return popUp('Calendar.html')"
                           "\" &gt;Link to Popup Calendar&lt;/a&gt;"));
    for (const std::string& line : lines) EXPECT_THAT(line, Not(HasSubstr("http://")));
  }
}

TEST_F(LinkTest, SmallCalendarAndScrollerFrames) {
  settings().SetText("Publish.URL", kClubUrl);
  const std::vector<std::string> lines = LinkPage();
  EXPECT_TRUE(HasRun(
      lines, {"<A NAME=SmallCalendar></A>",
              "<center><H1>The Small Calendar</H1></center>",
              "<table border=1 bordercolor=#cccccc valing=top cellspacing=0 cellpadding=\"5\" "
              "bgcolor=white width=960>",
              "<tr><td><b> Frame</b></td><td>  ",
              "<font size=+2 color=green>Embed The Small Calendar in a window on your web page "
              "</font><br>",
              "<i>This code will show the The SmallCalendar inside an IFRAME on another page.",
              "<ol><li>Check the \"IFrame\" checkbox under Embed on the Format Screen first.</li>",
              "<li>Adjust the width on the format screen, under The SmallCalendar, style sheet "
              "tab</li>",
              "<li>Publish the Calendar to your web site </li>",
              "<li>Copy and Paste the Code below into your web page </li>",
              "<li>Adjust the height and width properties of the embed code</li>",
              "</ol> </i>"}));
  EXPECT_THAT(lines, ::testing::Contains("&lt;iframe src=\"http://www.club.org/cal/Small.html\" "
                                         "title=\"Calendar\" style=\"display:block;width:100%;"
                                         "height:650px;border:0\"&gt;&lt;/iframe&gt;"));
  EXPECT_TRUE(HasRun(
      lines, {"<p><b>Fixed-size code:</b> for pages that cannot hold a script.</p>",
              "<center><form><TEXTAREA NAME=string ROWS=5 COLS=91 aria-label=\"Code to copy\">",
              "&lt;IFRAME   height=\"650\" width=\"325\"  frameborder=0 "
              "SRC=\"http://www.club.org/cal/Small.html\" TITLE=\"Calendar\" SCROLLING=Auto &gt; ",
              "Your browser do not support IFRAMES, you can see the calendar here &lt;a "
              "href=\"http://www.club.org/cal/Small.html\"&gt;Calendar&lt;/a&gt;",
              "&lt;/IFRAME&gt;",
              "</TEXTAREA></form></center>",
              "</font></p>",
              "<br> </td></tr>",
              "</table>"}));
  EXPECT_TRUE(HasRun(
      lines, {"<A NAME=EventScroller></A>", "<center><H1>The Event Scroller</H1></center>",
              "<table border=1 bordercolor=#cccccc valing=top cellspacing=0 cellpadding=\"5\" "
              "bgcolor=white width=960>",
              "<tr><td><b> Frame</b></td><td>  ",
              "<font size=+2 color=green>Embed The Event Scroller in a window on your web page "
              "</font><br>",
              "<i>This code will show the The EventScroller inside an IFRAME on another page.",
              "<ol><li>Check the \"IFrame\" checkbox under Embed on the Format Screen first.</li>",
              "<li>At least 5 upcoming events must exist for the scroller to be created</li>"}));
  EXPECT_THAT(
      lines, ::testing::Contains("&lt;IFRAME   height=\"177\" width=\"795\"  frameborder=0 "
                                 "SRC=\"http://www.club.org/cal/Scroller.html\" TITLE=\"Calendar\" "
                                 "SCROLLING=No &gt; "));
}

TEST_F(LinkTest, LinkEntriesMatchCaseWhileFramesIgnoreIt) {
  settings().SetText("Publish.URL", "http://www.club.org/calendar.html");
  const std::vector<std::string> lines = LinkPage();
  // Link entries replace "Calendar.html" only as spelt: this address has none.
  EXPECT_THAT(lines, ::testing::Contains("<tr><td><b> Todays Events  </b></td><td>"));
  EXPECT_THAT(lines, ::testing::Contains(
                         "<a href=http://www.club.org/calendar.html><font size=2 color=Blue><u>"
                         "http://www.club.org/calendar.html</u></font></a><br>"));
  EXPECT_THAT(lines,
              ::testing::Contains("&lt;IFRAME   height=\"502\" width=\"502\"  frameborder=0 "
                                  "SRC=\"http://www.club.org/Events.html\" TITLE=\"Calendar\" "
                                  "SCROLLING=Auto &gt; "));
}

TEST_F(LinkTest, EventListAndYearLinksFollowThePageExtension) {
  settings().SetText("Publish.URL", kClubUrl);
  editor_->window.cboExtension = "php";
  const std::vector<std::string> lines = LinkPage();
  EXPECT_TRUE(
      HasRun(lines, {"<tr><td><b> Events this year  </b></td><td>",
                     "<font size=+2 color=Green ><h2>Link to the Events this year </h2></font>",
                     "<a href=http://www.club.org/cal/EventList2025.php><font size=2 color=Blue><u>"
                     "http://www.club.org/cal/EventList2025.php</u></font></a><br>",
                     "<br> <i> Link to the event list for this year"}));
  EXPECT_TRUE(HasRun(
      lines, {"<center><H1>The Year View</H1></center>", "<A NAME=Year></A>",
              "<table border=1 bordercolor=#cccccc valing=top cellspacing=10 cellpadding=\"5\" "
              "bgcolor=white width=960>",
              "<tr><td><b> All calendars on one page  </b></td><td>",
              "<font size=+2 color=Green ><h2>Link to the All calendars on one page "
              "</h2></font>",
              "<a href=http://www.club.org/cal/Year.php><font size=2 color=Blue><u>"
              "http://www.club.org/cal/Year.php</u></font></a><br>",
              "<br> <i> Link to the Year View. Year.html will show all monthly calendars on one "
              "page"}));
  // Calendar.html and Events.html are fixed names.
  EXPECT_THAT(lines, ::testing::Contains("<tr><td><b> Current Month  </b></td><td>"));
  EXPECT_THAT(lines, ::testing::Contains(
                         "<a href=http://www.club.org/cal/Events.html><font size=2 color=Blue><u>"
                         "http://www.club.org/cal/Events.html</u></font></a><br>"));
}

// ---- frame.html and object.html ----

TEST_F(LinkTest, FramePageOnlyWithTheFrameMethod) {
  Generate();
  EXPECT_FALSE(Has("frame.html"));
  EXPECT_FALSE(Has("object.html"));
  editor_->window.chkIframe = true;
  Generate();
  EXPECT_FALSE(Has("object.html"));
  EXPECT_THAT(
      Lines(Page("frame.html")),
      ElementsAreArray(std::vector<std::string>{
          "<html lang=\"en-US\">",
          "<head>",
          "<meta charset=\"utf-8\">",
          "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">",
          kNarrowStyle,
          "<title>Club \xE2\x80\x93 Embedding Example</title>",
          "</head>",
          "<body bgcolor=white > ",
          "<center>",
          " <h3> <u>Calendar inside a Frame </u> </h3> ",
          " This shows how you can embed the calendar in a frame on your website: <BR><BR>  ",
          "<p align=left> <font color=#556270 >  <br> ",
          "<center><form><TEXTAREA NAME=string ROWS=5 COLS=91 aria-label=\"Code to copy\">",
          "&lt;IFRAME  height=\"900\" width=\"100%\" frameborder=0 SRC=\"Calendar.html\" "
          "TITLE=\"Calendar\" SCROLLING=No &gt; ",
          "Your browser do not support IFRAMES, you can see the calendar here &lt;a "
          "href=\"Calendar.html\"&gt;Calendar&lt;/a&gt;",
          "&lt;/IFRAME&gt;",
          "</TEXTAREA></form></center>",
          "</font></p>",
          "<h3> Click the yellow bar on top, and enable activeX controls to display the "
          "example!</h3>",
          "<IFRAME Frameborder=1  HEIGHT=\"1920\" WIDTH=\"960\"  frameborder=0 "
          "SRC=\"Calendar.html\" title=\"Calendar\" SCROLLING=No> ",
          "Your browser do not support IFRAMES, you can see the calendar here <a "
          "href=\"Calendar.html\">Calendar</a>",
          "</IFRAME>",
          "</center>",
          "</body>",
          "</html>"}));
}

TEST_F(LinkTest, ObjectPageWithTheObjectMethod) {
  editor_->SetObject(true);
  Generate();
  EXPECT_FALSE(Has("frame.html"));
  EXPECT_THAT(
      Lines(Page("object.html")),
      ElementsAreArray(std::vector<std::string>{
          "<html lang=\"en-US\">",
          "<head>",
          "<meta charset=\"utf-8\">",
          "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">",
          kNarrowStyle,
          "<title>Club \xE2\x80\x93 Embedding Example</title>",
          "</head>",
          "<body bgcolor=white > ",
          "<center>",
          " <h3> <u>Embed Calendar inside any page on your web site.  </u> </h3> ",
          " This shows how you can insert the calendar inside a page on your website: "
          "<BR><BR>  ",
          "<h2> Steps : </h2>",
          "<table><tr><td>",
          "1. Copy and paste the code below into a page on your website. <br> Make sure "
          "data=\"Calendar.html\" is the full path to the calendar. <br> (You may need to change "
          "this to include sub directories. for example /caldir/Calendar.html <br>",
          "2. Publish the calendar",
          "</td></tr></table>",
          "<center><form><TEXTAREA NAME=string ROWS=5 COLS=91> ",
          "<div>",
          "<!--[if IE]>",
          "<object classid=\"clsid:25336920-03F9-11CF-8FD0-00AA00686F13\" data=\"Calendar.html\"  "
          "style=\"width:960px;height:1400px;\" >",
          "<p>non object</p>",
          "</object>",
          "<![endif]-->",
          "",
          "<!--[if !IE]> <-->",
          "<object type=\"text/html\" data=\"Calendar.html\"  "
          "style=\"width:960px;height:1400px;\" >",
          "<p>non object</p>",
          "</object>",
          "<!--> <![endif]-->",
          "</div>",
          "</TEXTAREA>",
          "<h3> Click the yellow bar on top, and enable activeX controls to display the "
          "example!</h3>",
          "<div>",
          "<!--[if IE]>",
          "<object classid=\"clsid:25336920-03F9-11CF-8FD0-00AA00686F13\" "
          "data=\"FirstMonth.html\" style=\"width:960px;height:1400px;\" >",
          "<p>non object</p>",
          "</object>",
          "<![endif]-->",
          "",
          "<!--[if !IE]> <-->",
          "<object type=\"text/html\" data=\"FirstMonth.html\" "
          "style=\"width:960px;height:1400px;\" >",
          "<p>non object</p>",
          "</object>",
          "<!--> <![endif]-->",
          "</div>",
          "</body>",
          "</html>"}));
}

TEST_F(LinkTest, APageThatCannotBeWrittenLeavesTheOthers) {
  editor_->window.chkIframe = true;
  editor_->window.chkObject = true;
  const std::string out = root_.path() + "/out/";
  // A folder in the page's place makes its write fail.
  std::filesystem::create_directories(out + "frame.html");
  RunContext run;
  run.settings = &settings();
  run.window = &editor_->window;
  run.build_dir = out;
  Status s = TLink(run).Generate(out);
  EXPECT_FALSE(s.ok());
  EXPECT_THAT(ReadAll(out + "object.html"), HasSubstr("data=\"FirstMonth.html\""));
}

// ---- The pasted copy of the first month page ----

TEST_F(LinkTest, PastedCopyTakesTheFileNameOfTheEmbedAddress) {
  editor_->SetPaste(true);
  settings().SetText("Page.EmbedLink", "http://www.club.org/pages/news.html?issue=3");
  Generate();
  ASSERT_TRUE(Has("news.html"));
  EXPECT_EQ(Page("news.html"), Page("March2025.html"));
  EXPECT_FALSE(Has("frame.html"));
}

TEST_F(LinkTest, NoPastedCopyWithoutTheMethodOrAFileName) {
  settings().SetText("Page.EmbedLink", "http://www.club.org/pages/news.html");
  Generate();
  EXPECT_FALSE(Has("news.html"));
  editor_->SetPaste(true);
  const auto before = std::distance(std::filesystem::directory_iterator(Build()),
                                    std::filesystem::directory_iterator());
  for (const char* link : {"http://www.club.org/", "http://www.club.org", "http://x.org/a/.."}) {
    SCOPED_TRACE(link);
    settings().SetText("Page.EmbedLink", link);
    Generate();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Build()),
                            std::filesystem::directory_iterator()),
              before);
    EXPECT_FALSE(Has("www.club.org"));
  }
}

TEST(LinkEmbedFileName, TheLastPartOfTheAddressPath) {
  EXPECT_EQ(EmbedLinkFileName("http://www.club.org/a/news.html"), "news.html");
  EXPECT_EQ(EmbedLinkFileName(" https://www.club.org/news.php?id=4#top "), "news.php");
  EXPECT_EQ(EmbedLinkFileName("file:///home/me/site/index.htm"), "index.htm");
  EXPECT_EQ(EmbedLinkFileName("file://C:\\Sites\\club\\home.html"), "home.html");
  EXPECT_EQ(EmbedLinkFileName("news.html"), "news.html");
  EXPECT_EQ(EmbedLinkFileName("http://www.club.org/a/"), "");
  EXPECT_EQ(EmbedLinkFileName("http://www.club.org"), "");
  EXPECT_EQ(EmbedLinkFileName("http://www.club.org/.."), "");
  EXPECT_EQ(EmbedLinkFileName(""), "");
}

// ---- "Get Embed Code" ----

TEST_F(LinkTest, GetEmbedCodeWithoutAMethodSaysSoAndOpensNothing) {
  std::vector<std::string> urls = {kClubUrl};
  int fills = 0;
  settings().SetText("Publish.URL", "");
  auto shown = GetEmbedCode(settings(), editor_->window, urls, &ui_,
                            [&](publish::PublishSettings&, std::vector<std::string>&) { ++fills; });
  EXPECT_FALSE(shown.has_value());
  EXPECT_THAT(ui_.messages,
              ElementsAre("No Embed Method selected!   You can embed the calendar in a frame or "
                          "as an object. You must select which way to format the calendar on "
                          "the Format, Embed screen."));
  EXPECT_EQ(fills, 1);
}

TEST_F(LinkTest, GetEmbedCodeFillsAnEmptyAddressFirst) {
  editor_->SetIframe(true);
  std::vector<std::string> urls;
  auto fill = [](publish::PublishSettings& s, std::vector<std::string>& list) {
    list.push_back("http://www.club.org/cal/Calendar.html");
    s.SetText("Publish.URL", list.front());
  };
  auto shown = GetEmbedCode(settings(), editor_->window, urls, &ui_, fill);
  ASSERT_TRUE(shown.has_value());
  EXPECT_EQ(shown->method, EmbedMethod::kFrame);
  EXPECT_THAT(shown->addresses, ElementsAre("http://www.club.org/cal/"));
  EXPECT_EQ(settings().Text("Publish.URL"), kClubUrl);
  EXPECT_THAT(ui_.messages, IsEmpty());

  // An address already there is not looked for again.
  int fills = 0;
  auto counted = [&](publish::PublishSettings&, std::vector<std::string>&) { ++fills; };
  ASSERT_TRUE(GetEmbedCode(settings(), editor_->window, urls, &ui_, counted).has_value());
  EXPECT_EQ(fills, 0);
}

TEST_F(LinkTest, GetEmbedCodeWithoutAFillKeepsTheAddress) {
  editor_->window.chkIframe = true;
  editor_->window.chkObject = true;
  std::vector<std::string> urls;
  auto shown = GetEmbedCode(settings(), editor_->window, urls, &ui_);
  ASSERT_TRUE(shown.has_value());
  EXPECT_EQ(shown->method, EmbedMethod::kObject);
  EXPECT_THAT(shown->addresses, ElementsAre(""));
  EXPECT_EQ(settings().Text("Publish.URL"), "http://");
}

TEST_F(LinkTest, GetEmbedCodeListsFolderAddresses) {
  editor_->SetObject(true);
  settings().SetText("Publish.URL", "http://www.club.org/x/Calendar.html");
  std::vector<std::string> urls = {kClubUrl, "http://club.org/calendar.html"};
  auto shown = GetEmbedCode(settings(), editor_->window, urls, &ui_);
  ASSERT_TRUE(shown.has_value());
  EXPECT_EQ(shown->method, EmbedMethod::kObject);
  EXPECT_THAT(shown->addresses, ElementsAre("http://www.club.org/cal/", "http://club.org/"));
  urls.clear();
  shown = GetEmbedCode(settings(), editor_->window, urls, &ui_);
  ASSERT_TRUE(shown.has_value());
  EXPECT_THAT(shown->addresses, ElementsAre("http://www.club.org/x/"));
}

TEST_F(LinkTest, EmbedCodeOfAFolderAddress) {
  const EmbedCodeTexts texts = EmbedCodeFor(settings(), "http://www.club.org/cal/");
  ASSERT_EQ(texts.links.size(), 3u);
  EXPECT_EQ(texts.links[0].label, "Always links to the current month: ");
  EXPECT_EQ(texts.links[0].address, "http://www.club.org/cal/Calendar.html");
  EXPECT_EQ(texts.links[1].address, "http://www.club.org/cal/FirstMonth.html");
  EXPECT_EQ(texts.links[2].address, "http://www.club.org/cal/LastMonth.html");
  EXPECT_THAT(texts.frame_code,
              ElementsAre("<IFRAME HEIGHT=\"1920\" WIDTH=\"960\" TITLE=\"Calendar\" "
                          "FRAMEBORDER=0 SCROLLING=No "
                          "SRC=\"http://www.club.org/cal/Calendar.html\" > ",
                          "Your browser do not support IFRAMES, you can see the calendar here "
                          "<a href=\"http://www.club.org/cal/Calendar.html\">Calendar</a>",
                          "</IFRAME>"));
  ASSERT_EQ(texts.object_code.size(), 13u);
  EXPECT_EQ(texts.object_code[2],
            "<object classid=\"clsid:25336920-03F9-11CF-8FD0-00AA00686F13\" "
            "data=\"http://www.club.org/cal/Calendar.html\"  "
            "style=\"width:960px;height:1400px;\" >");
  EXPECT_EQ(texts.object_code[8],
            "<object type=\"text/html\" data=\"http://www.club.org/cal/Calendar.html\"  "
            "style=\"width:960px;height:1400px;\" >");

  settings().SetInt("Page.CalendarWidth", 90);
  settings().SetText("Page.CalendarWidthUnits", "%");
  EXPECT_EQ(EmbedCodeFor(settings(), "").frame_code[0],
            "<IFRAME HEIGHT=\"1400\" WIDTH=\"90%\" TITLE=\"Calendar\" FRAMEBORDER=0 "
            "SCROLLING=No SRC=\"Calendar.html\" > ");
}

// ---- The paste method ----

TEST(LinkAbsoluteReferences, RelativeReferencesGetTheFolderOfThePage) {
  const std::string page =
      "<img src=\"pic/a.gif\"><img SRC=b.gif><a href='news.html'>N</a>"
      "<td background=\"bg.jpg\"><link HREF=\"/css/site.css\">";
  EXPECT_EQ(AbsoluteReferences(page, "http://www.club.org/pages/home.html"),
            "<img src=\"http://www.club.org/pages/pic/a.gif\">"
            "<img SRC=http://www.club.org/pages/b.gif>"
            "<a href='http://www.club.org/pages/news.html'>N</a>"
            "<td background=\"http://www.club.org/pages/bg.jpg\">"
            "<link HREF=\"http://www.club.org/css/site.css\">");
}

TEST(LinkAbsoluteReferences, AbsoluteReferencesStayAsTheyAre) {
  const std::string page =
      "<a href=\"http://a.org/x\">1</a><a HREF=HTTPS://b.org/y>2</a>"
      "<img src=\"https://c.org/z.png\"><td background=\"http://d.org/bg.jpg\">"
      "<a href=\"mailto:club@club.org\">m</a><a href=\"#top\">t</a>"
      "<script src=\"//cdn.org/s.js\"></script><a href=\"javascript:go()\">j</a>";
  EXPECT_EQ(AbsoluteReferences(page, "http://www.club.org/pages/home.html"), page);
}

TEST(LinkAbsoluteReferences, TheBaseKeepsTheSchemeAndFindsTheFolder) {
  EXPECT_EQ(AbsoluteReferences("<img src=\"a.gif\">", "https://www.club.org/p/home.html"),
            "<img src=\"https://www.club.org/p/a.gif\">");
  EXPECT_EQ(AbsoluteReferences("<img src=\"a.gif\">", "http://www.club.org"),
            "<img src=\"http://www.club.org/a.gif\">");
  EXPECT_EQ(AbsoluteReferences("<img src=\"a.gif\">", "http://www.club.org/p/home.php?x=a/b"),
            "<img src=\"http://www.club.org/p/a.gif\">");
  EXPECT_EQ(AbsoluteReferences("<img src=\"a.gif\">", "www.club.org/p/home.html"),
            "<img src=\"http://www.club.org/p/a.gif\">");
  EXPECT_EQ(AbsoluteReferences("<img src=\"a.gif\">", "FILE:///home/me/home.html"),
            "<img src=\"a.gif\">");
}

class LinkPasteTest : public LinkTest {
 protected:
  std::string Copy() const { return FavoriteDir() + "embed.html"; }
  PageLoader Serve(std::string html) {
    return [this, html](const std::string& address) -> std::optional<std::string> {
      loaded.push_back(address);
      return html;
    };
  }
  std::vector<std::string> loaded;
};

TEST_F(LinkPasteTest, PasteSavesTheRewrittenPageAndTurnsEmbeddingOn) {
  settings().SetText("Page.EmbedLink", "http://www.club.org/pages/home.html");
  settings().SetText("Page.EmbedKeyword", "calendar");
  Status s = PasteEmbedPage(settings(), FavoriteDir(), &ui_,
                            Serve("<html><head></head><body><img src=\"logo.gif\">"
                                  "<p>CALENDAR</p></body></html>"));
  EXPECT_TRUE(s.ok()) << s.message();
  EXPECT_THAT(loaded, ElementsAre("http://www.club.org/pages/home.html"));
  EXPECT_EQ(ReadAll(Copy()),
            "<html><head></head><body><img src=\"http://www.club.org/pages/logo.gif\">"
            "<p>CALENDAR</p></body></html>");
  EXPECT_THAT(ui_.questions, IsEmpty());
  EXPECT_THAT(ui_.messages, IsEmpty());
  EXPECT_TRUE(settings().Bool("Page.Embed"));
}

TEST_F(LinkPasteTest, ExistingCopyIsKeptWhenTheAnswerIsNo) {
  settings().SetText("Page.EmbedLink", "http://www.club.org/home.html");
  WriteAll(Copy(), "mine calendar");
  ui_.answers.push_back(Answer::kNo);
  Status s = PasteEmbedPage(settings(), FavoriteDir(), &ui_, Serve("new"));
  EXPECT_EQ(s.code(), Status::Code::kCancelled);
  EXPECT_THAT(ui_.questions,
              ElementsAre("Copy Exists. Replace with this one? http://www.club.org/home.html"));
  EXPECT_THAT(loaded, IsEmpty());
  EXPECT_EQ(ReadAll(Copy()), "mine calendar");
  EXPECT_FALSE(settings().Bool("Page.Embed"));
}

TEST_F(LinkPasteTest, ReplacedCopyIsCheckedForTheKeyword) {
  settings().SetText("Page.EmbedLink", "http://www.club.org/home.html");
  settings().SetText("Page.EmbedKeyword", "[events]");
  WriteAll(Copy(), "old [events]");
  ui_.answers.push_back(Answer::kYes);
  EXPECT_TRUE(PasteEmbedPage(settings(), FavoriteDir(), &ui_, Serve("<p>no marker</p>")).ok());
  EXPECT_EQ(ReadAll(Copy()), "<p>no marker</p>");
  EXPECT_THAT(ui_.messages,
              ElementsAre("The Keyword: '[events]' is not present in the page embed.html Edit "
                          "the page and insert the keyword first. "));
  EXPECT_TRUE(settings().Bool("Page.Embed"));
}

TEST_F(LinkPasteTest, PageThatDoesNotLoad) {
  settings().SetText("Page.EmbedLink", "http://www.club.org/gone.html");
  Status s = PasteEmbedPage(settings(), FavoriteDir(), &ui_,
                            [](const std::string&) { return std::optional<std::string>(); });
  EXPECT_EQ(s.code(), Status::Code::kNotFound);
  EXPECT_THAT(ui_.messages,
              ElementsAre("Page not foud : http://www.club.org/gone.html. Can not open",
                          "No local copy of the page embed.html found. Nothing to paste into"));
  EXPECT_FALSE(FileExists(Copy()));
  EXPECT_TRUE(settings().Bool("Page.Embed"));
}

TEST_F(LinkPasteTest, PastedPageCarriesTheCalendarAndItsCopy) {
  settings().SetText("Page.EmbedLink", "http://www.club.org/pages/news.html");
  settings().SetText("Page.EmbedKeyword", "calendar");
  ASSERT_TRUE(PasteEmbedPage(settings(), FavoriteDir(), &ui_,
                             Serve("<html>\n<head><title>News</title></head>\n<body>\n"
                                   "<a href=\"old.html\">Old</a> calendar\n</body></html>\n"))
                  .ok());
  editor_->SetPaste(true);
  Generate();
  const std::string march = Page("March2025.html");
  EXPECT_THAT(march, HasSubstr("<a href=\"http://www.club.org/pages/old.html\">Old</a> calendar "));
  EXPECT_EQ(Page("news.html"), march);
}

}  // namespace
}  // namespace almanix::generator::testing

namespace almanix::generator::testing {
namespace {

// An embedded small calendar shows a month all year round: the visitor's
// month where it is published, else the one before, else the first.
TEST(SmallCalendarPage, ThePublishedMonthForADay) {
  const std::vector<SmallMonthPage> pages = {{2025, 3, "SmallMarch2025.html"},
                                             {2025, 4, "SmallApril2025.html"},
                                             {2025, 6, "SmallJune2025.html"}};
  EXPECT_EQ(SmallPageFor(pages, EncodeDate(2025, 1, 31)), "SmallMarch2025.html");
  EXPECT_EQ(SmallPageFor(pages, EncodeDate(2025, 4, 15)), "SmallApril2025.html");
  EXPECT_EQ(SmallPageFor(pages, EncodeDate(2025, 5, 1)), "SmallApril2025.html");  // a gap
  EXPECT_EQ(SmallPageFor(pages, EncodeDate(2026, 2, 1)), "SmallJune2025.html");
  EXPECT_EQ(SmallPageFor({}, EncodeDate(2025, 4, 15)), "");
}

TEST_F(LinkTest, SmallHtmlListsTheSmallPagesItMayOpen) {
  settings().SetInt("Publish.StartMonth", 2);
  settings().SetInt("Publish.EndMonth", 3);
  settings().SetBool("Small.CanCreate", true);
  Generate();
  const std::string page = Page("Small.html");
  EXPECT_THAT(page, HasSubstr("var months = [[202503,\"SmallMarch2025.html\"],"
                              "[202504,\"SmallApril2025.html\"]];"));
  EXPECT_TRUE(Has("SmallMarch2025.html"));
  EXPECT_TRUE(Has("SmallApril2025.html"));
  // Without scripts: the month of the run's day, the last one after 2025.
  EXPECT_THAT(page, HasSubstr("<noscript><meta http-equiv=\"refresh\" content=\"0; "
                              "url=SmallApril2025.html\"></noscript>"));

  // No small pages: the large calendar rather than a missing page.
  settings().SetBool("Small.CanCreate", false);
  Generate();
  EXPECT_FALSE(Has("SmallMarch2025.html"));
  EXPECT_THAT(Page("Small.html"), HasSubstr("url=Calendar.html\""));
  EXPECT_THAT(Page("Small.html"), HasSubstr("var months = [];"));
}

// "Try It" opens the frame example where the run writes it, else the
// calendar itself: never a missing page.
TEST_F(LinkTest, TryItNeverLeadsToAMissingPage) {
  for (bool frame : {false, true}) {
    editor_->window.chkIframe = frame;
    Generate();
    const std::string page = Page("Link.html");
    const size_t at = page.find(">Try It</a>");
    ASSERT_NE(at, std::string::npos);
    const size_t href = page.rfind("<a href=", at);
    const std::string target = page.substr(href + 8, at - href - 8);
    EXPECT_TRUE(Has(target)) << target;
  }
}

}  // namespace
}  // namespace almanix::generator::testing
