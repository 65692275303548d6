#include "generator/scroller.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "app/dates.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "app/text.h"
#include "generator/run_fixture.h"
#include "store/db_engine.h"
#include "support/temp_root.h"

namespace almanix::generator::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::Not;
namespace fs = std::filesystem;


std::string Shell(const std::string& command, int* status) {
  std::string out;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) {
    *status = -1;
    return out;
  }
  char buffer[512];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  *status = ::pclose(pipe);
  return out;
}

class ScrollerTest : public RunFixture {
 protected:
  // Year tables for y and the next year; the run publishes y.
  void UseYear(int y) {
    ASSERT_TRUE(session_->Years().EnsureQuiet(EncodeDate(y, 1, 1)).ok());
    ASSERT_TRUE(session_->Years().EnsureQuiet(EncodeDate(y + 1, 1, 1)).ok());
    settings().SetInt("Publish.StartYear", y);
    settings().SetInt("Publish.EndYear", y);
    settings().SetInt("Publish.StartMonth", 0);
    settings().SetInt("Publish.EndMonth", 0);
  }

  // An event shown on the scroller.
  std::string AddShown(store::EventDraft d, int category = 1) {
    d.scroll_show = true;
    return Add(d, category);
  }

  void SetField(const std::string& id, const std::string& field, const std::string& value) {
    ASSERT_TRUE(session_->data.db()
                    .Execute("Update Events set " + field + "='" + value + "' where ID=" + id)
                    .ok());
  }

  // The item lines of scroller.js, the first line ("var item") left out.
  std::vector<std::string> ItemLines() const {
    std::vector<std::string> items;
    for (const std::string& line : Lines(Page("scroller.js"))) {
      if (line.rfind("item[", 0) == 0) items.push_back(line);
    }
    return items;
  }

  static std::string Item(int n, const std::string& photo, const std::string& text,
                          const std::string& link, DayNumber day) {
    return "item[" + std::to_string(n) + "]= [\"" + photo + "\",\"" + text + "\",\"" + link +
           "\",\"_top\",\"" + std::to_string(day + 2415019) + "\"];";
  }
};

TEST_F(ScrollerTest, TwoEventsAreListedOnceEach) {
  UseYear(2010);
  AddShown(Timed("First", 2010, 1, 3, 9, 10));
  AddShown(Timed("Second", 2010, 1, 5, 14, 15));
  Generate();
  const std::vector<std::string> lines = Lines(Page("scroller.js"));
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "var item = new Array();");
  EXPECT_THAT(ItemLines(),
              ElementsAre("item[0]= [\"blank.jpg\",\"FIRST<br />Jan. 3 - 9:00 "
                          "am\",\"January2010.html#M1D3\",\"_top\",\"2455200\"];",
                          "item[1]= [\"blank.jpg\",\"SECOND<br />Jan. 5 - 2:00 pm\","
                          "\"January2010.html#M1D5\",\"_top\",\"2455202\"];"));
}

TEST_F(ScrollerTest, PageTakesTheCalendarsLanguageAndKeepsTheRest) {
  UseYear(2010);
  Generate();
  std::string page = Page("Scroller.html");
  const std::string opening = "<html lang=\"en-US\">";
  const size_t at = page.find(opening);
  ASSERT_NE(at, std::string::npos);
  page.replace(at, opening.size(), "<html>");
  EXPECT_EQ(page, almanix::testing::ReadAll(session_->app.dir->ScrollerDir + "Scroller.html"));
}

TEST_F(ScrollerTest, TemplateFollowsTheItemsAndTheSpeedEndsTheScript) {
  UseYear(2010);
  settings().SetInt("Scroll.Speed", 65);
  AddShown(Timed("Talk", 2010, 1, 3, 9, 10));
  Generate();
  const std::string script = Page("scroller.js");
  std::vector<std::string> lines = Lines(script);
  const std::string shipped =
      almanix::testing::ReadAll(session_->app.dir->ScrollerDir + "scroller.js");
  const std::vector<std::string> template_lines = SplitLines(shipped);
  ASSERT_EQ(lines.size(), 1 + 1 + template_lines.size() + 1);
  EXPECT_TRUE(std::equal(template_lines.begin(), template_lines.end(), lines.begin() + 2));
  EXPECT_EQ(lines.back(), "var speed=65;");
  EXPECT_EQ(script.substr(script.size() - 2), "\r\n");
  EXPECT_EQ(script.find("\n"), script.find("\r\n") + 1);
  for (size_t i = script.find('\n'); i != std::string::npos; i = script.find('\n', i + 1)) {
    ASSERT_EQ(script[i - 1], '\r') << i;
  }

  settings().SetInt("Scroll.Speed", 130);
  Generate();
  EXPECT_EQ(Lines(Page("scroller.js")).back(), "var speed=0;");
}

TEST_F(ScrollerTest, WithNothingFlaggedTheComingEventsShowAndNeverSamples) {
  UseYear(2010);
  settings().SetInt("Scroll.MaxEvents", 2);
  Add(Timed("Unflagged one", 2010, 1, 2, 9, 10));
  Add(Timed("Unflagged two", 2010, 1, 4, 9, 10));
  Add(Timed("Unflagged three", 2010, 1, 5, 9, 10));
  Generate();
  std::vector<std::string> items = ItemLines();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_THAT(items[0], HasSubstr("\"UNFLAGGED ONE<br />Jan. 2 - 9:00 am\""));
  EXPECT_THAT(items[1], HasSubstr("\"UNFLAGGED TWO<br />Jan. 4 - 9:00 am\""));

  // A published range with no coming event at all: an empty strip.
  UseYear(2030);
  Generate();
  EXPECT_THAT(ItemLines(), ::testing::IsEmpty());
  EXPECT_THAT(Page("scroller.js"), Not(HasSubstr("EXAMPLE EVENT")));
}

TEST_F(ScrollerTest, StyleEditorPreviewShowsSixSamplesFromToday) {
  const DayNumber today = DatePart(FromTimeT(now_));
  UseYear(DecodeDate(today).year);
  AddShown(Timed("Shown", DecodeDate(today).year, DecodeDate(today).month, DecodeDate(today).day,
                 9, 10));
  generator_->state().style_editor_open = true;
  Generate();
  const std::vector<std::string> items = ItemLines();
  ASSERT_EQ(items.size(), 6u);
  const publish::LanguageTexts language;
  for (int k = 0; k < 6; ++k) {
    const CivilDate c = DecodeDate(today + k);
    const std::string head =
        "item[" + std::to_string(k) + "]= [\"blank.jpg\",\"EXAMPLE EVENT<br />" +
        language.MonthName(c.month, "Short") + ". " + std::to_string(c.day) + " - ";
    EXPECT_EQ(items[k].substr(0, head.size()), head);
    EXPECT_THAT(
        items[k].substr(head.size()),
        MatchesRegex("[0-9]{1,2}:[0-9]{2}(am|pm)\",\"" + std::string(LongMonthName(c.month)) +
                     std::to_string(c.year) + "\\.html\",\"_top\",\"" +
                     std::to_string(today + k + 2415019) + "\"\\];"));
  }
}

TEST_F(ScrollerTest, QuickPreviewGivesTheSamples) {
  UseYear(2010);
  AddShown(Timed("Talk", 2010, 1, 3, 9, 10));
  editor_->window.chkQuickPreview = true;
  generator_->state().preview_run = true;
  Generate();
  const std::vector<std::string> items = ItemLines();
  ASSERT_EQ(items.size(), 6u);
  for (const std::string& item : items) EXPECT_THAT(item, HasSubstr("EXAMPLE EVENT"));
}

TEST_F(ScrollerTest, NameLosesQuotesAndCommasAndKeepsBackslashes) {
  UseYear(2010);
  AddShown(Timed("Rock, \"Paper\" AC\\DC", 2010, 1, 3, 9, 10));
  Generate();
  EXPECT_EQ(ItemLines().at(0),
            "item[0]= [\"blank.jpg\",\"ROCK  PAPER AC\\\\DC<br />Jan. 3 - 9:00 "
            "am\",\"January2010.html#M1D3\",\"_top\",\"2455200\"];");
}

TEST_F(ScrollerTest, AllDayEventEndsWithItsDate) {
  UseYear(2010);
  store::EventDraft d = Timed("Fair", 2010, 1, 4, 0, 0);
  d.all_day = true;
  AddShown(d);
  Generate();
  EXPECT_THAT(ItemLines().at(0), HasSubstr(",\"FAIR<br />Jan. 4\","));
}

TEST_F(ScrollerTest, TimeZoneFollowsTheStartTime) {
  UseYear(2010);
  store::EventDraft d = Timed("Call", 2010, 1, 4, 14, 15);
  d.time_zone = "EST";
  AddShown(d);
  Generate();
  EXPECT_THAT(ItemLines().at(0), HasSubstr(",\"CALL<br />Jan. 4 - 2:00 pm EST\","));
}

TEST_F(ScrollerTest, OnlyEventsMarkedForTheScroller) {
  UseYear(2010);
  Add(Timed("Hidden", 2010, 1, 2, 9, 10));
  AddShown(Timed("Shown", 2010, 1, 3, 9, 10));
  Generate();
  const std::string script = Page("scroller.js");
  EXPECT_THAT(script, HasSubstr("SHOWN"));
  EXPECT_THAT(script, Not(HasSubstr("HIDDEN")));
}

TEST_F(ScrollerTest, MaxEventsCountsEventsNotDays) {
  UseYear(2010);
  settings().SetInt("Scroll.MaxEvents", 3);
  AddShown(Timed("One", 2010, 1, 2, 9, 10));
  AddShown(Timed("Two", 2010, 1, 2, 11, 12));
  AddShown(Timed("Three", 2010, 3, 10, 9, 10));  // far beyond 4 days
  AddShown(Timed("Four", 2010, 4, 1, 9, 10));
  Generate();
  const std::vector<std::string> items = ItemLines();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_THAT(items[0], HasSubstr("\"ONE<br />"));
  EXPECT_THAT(items[1], HasSubstr("\"TWO<br />"));
  EXPECT_THAT(items[2], HasSubstr("\"THREE<br />Mar. 10 - 9:00 am\""));
  EXPECT_THAT(Page("scroller.js"), Not(HasSubstr("FOUR")));
}

TEST_F(ScrollerTest, WalkCoversTheNextYear) {
  UseYear(2010);
  AddShown(Timed("Next", 2011, 12, 31, 9, 10));
  AddShown(Timed("Beyond", 2012, 1, 1, 9, 10));
  Generate();
  EXPECT_THAT(ItemLines().at(0), HasSubstr("\"NEXT<br />Dec. 31 - 9:00 am\",\"December2011.html"));
  EXPECT_THAT(Page("scroller.js"), Not(HasSubstr("BEYOND")));
}

TEST_F(ScrollerTest, SkipNoPhotoLeavesOutEventsWithoutAPhoto) {
  UseYear(2010);
  const std::string with = AddShown(Timed("With", 2010, 1, 2, 9, 10));
  SetField(with, "ScrollPhoto", "stage.jpg");
  AddShown(Timed("Without", 2010, 1, 3, 9, 10));
  Generate();
  std::vector<std::string> items = ItemLines();
  EXPECT_THAT(items.at(0), HasSubstr("[\"stage.jpg\",\"WITH<br />"));
  EXPECT_THAT(items.at(1), HasSubstr("[\"blank.jpg\",\"WITHOUT<br />"));

  settings().SetBool("Scroll.SkipNoPhoto", true);
  Generate();
  items = ItemLines();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_THAT(items[0], HasSubstr("[\"stage.jpg\",\"WITH<br />"));
}

TEST_F(ScrollerTest, OwnAddressOrTheDayOnTheMonthPage) {
  UseYear(2010);
  store::EventDraft own = Timed("Own", 2010, 1, 2, 9, 10);
  own.url = "https://www.example.org/e?id=1&n=2";
  AddShown(own);
  store::EventDraft bare = Timed("Bare", 2010, 1, 3, 9, 10);
  bare.url = "http://";
  AddShown(bare);
  Generate();
  const std::vector<std::string> items = ItemLines();
  EXPECT_THAT(items.at(0), HasSubstr(",\"https://www.example.org/e?id=1&amp;n=2\",\"_top\","));
  EXPECT_THAT(items.at(1), HasSubstr(",\"January2010.html#M1D3\",\"_top\","));
}

TEST_F(ScrollerTest, CategoriesWrittenOneByOneLinkToTheirOwnPages) {
  UseYear(2010);
  Tick({1, 2});
  settings().SetBool("Contents.CategoryMerge", false);
  AddShown(Timed("Choir", 2010, 1, 5, 9, 10), 1);
  AddShown(Timed("Football", 2010, 1, 5, 11, 12), 2);
  Generate();
  const std::vector<std::string> items = ItemLines();
  EXPECT_THAT(items.at(0), HasSubstr("\"CHOIR<br />Jan. 5 - 9:00 am\",\"0January2010.html#M1D5\""));
  EXPECT_THAT(items.at(1),
              HasSubstr("\"FOOTBALL<br />Jan. 5 - 11:00 am\",\"1January2010.html#M1D5\""));
}

TEST_F(ScrollerTest, StyleSheetLineForLine) {
  UseYear(2010);
  settings().SetText("Scroll.BackgroundColor", "#102030");
  settings().SetText("Scroll.FrameColor", "#A0B0C0");
  Generate();
  EXPECT_THAT(
      Lines(Page("scroller.css")),
      ElementsAre(
          "body{background:#102030;color:#fff;overflow:visible;border:0;font:14px "
          "Arial,Helvetica,sans-serif;margin:0;padding:0}",
          "img{border:0;margin:0;padding:0}", "ul,ol,li{margin-top:0}",
          "div.eventitem{background:#A0B0C0; border:2px solid "
          "#2f4151;color:#091925;display:block;float:left;font-size:11px;font-weight:bold;"
          "height:125px;margin:9px 3px;padding:0;position:relative;text-align:center;width:130px}",
          "div.eventitem p{margin:0 auto;padding:0 0 5px 7px;text-align:center}",
          "img.imgarr{cursor:pointer}",
          "#container{height:133px;margin:0 auto;overflow:hidden;padding:5px 0 0 "
          "0;position:relative;width:700px}",
          "#container #div0 img,#container #div1 img,#container #div2 "
          "img{border:0;display:block;margin:0;padding:0}",
          "#div0{float:left;height:133px;left:-700px;margin:0;padding:0;position:absolute;text-"
          "align:right;top:0px;width:700px}",
          "#div1{float:left;height:133px;margin:0;padding:0;position:absolute;top:0px}",
          "#div2{float:left;height:133px;margin:0;padding:0;position:absolute;top:0px;width:"
          "700px}",
          "#eventscoller{height:163px;left:0px;position:absolute;top:0px;width:781px}",
          "div.eventitem a:link,div.eventitem a:visited{color:#091925;text-decoration:none}"));
  EXPECT_THAT(Page("scroller.css"), Not(HasSubstr("url(")));
}

TEST_F(ScrollerTest, PageAndPicturesAreCopied) {
  UseYear(2010);
  Generate();
  for (const char* name :
       {"Scroller.html", "lbtn.gif", "rbtn.gif", "blank.jpg", "scroller.js", "scroller.css"}) {
    EXPECT_TRUE(Has(name)) << name;
  }
}

// The scroller page with what a run writes beside it opens in a browser
// without a missing file or a script error.
TEST_F(ScrollerTest, PageLoadsCleanlyInABrowser) {
  int status = 0;
  Shell("command -v chromium", &status);
  if (status != 0) GTEST_SKIP() << "chromium is not installed";
  UseYear(2010);
  // A line break ends a script string and "\u" starts an escape: either one
  // left as it is would be a syntax error.
  store::EventDraft d = Timed("Rock, \"Paper\"\nAC\\DC", 2010, 1, 3, 9, 10);
  d.url = "file://server\\users\\flyer.pdf?id=1&n=2";
  AddShown(d);
  Generate();
  const std::string folder = root_ / "scroller-page/";
  fs::create_directories(folder);
  for (const char* name :
       {"Scroller.html", "lbtn.gif", "rbtn.gif", "blank.jpg", "scroller.js", "scroller.css"}) {
    fs::copy_file(Build() + name, folder + name);
  }
  const std::string out = Shell("python3 " + std::string(ALMANIX_SOURCE_DIR) +
                                    "/tools/check_generated_pages.py '" + folder + "'",
                                &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_THAT(out, HasSubstr("ok Scroller.html")) << out;
}

// The box of an event with its own address opens that address, "&" and all,
// not the escaped text of the item line.
TEST_F(ScrollerTest, BoxLinksToThePlainAddress) {
  int status = 0;
  Shell("command -v chromium", &status);
  if (status != 0) GTEST_SKIP() << "chromium is not installed";
  UseYear(2010);
  store::EventDraft d = Timed("Quiz", 2010, 1, 3, 9, 10);
  d.url = "https://www.example.org/e?id=1&n=2";
  AddShown(d);
  Generate();
  const std::string dom =
      Shell("timeout 60 chromium --headless=new --no-sandbox --disable-gpu --dump-dom 'file://" +
                Build() + "Scroller.html' 2>/dev/null",
            &status);
  // The serialized page writes the "&" of an attribute as "&amp;".
  EXPECT_THAT(dom, HasSubstr("<a href=\"https://www.example.org/e?id=1&amp;n=2\" target=\"_top\">"))
      << dom;
  EXPECT_THAT(dom, Not(HasSubstr("&amp;amp;")));
}

}  // namespace
}  // namespace almanix::generator::testing
