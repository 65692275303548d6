#include "generator/rss.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "app/dates.h"
#include "app/dir.h"
#include "app/encoding.h"
#include "app/file_util.h"
#include "app/text.h"
#include "generator/run_fixture.h"
#include "store/db_engine.h"
#include "support/fake_ui.h"
#include "support/scoped_env.h"
#include "support/temp_root.h"

namespace almanix::generator::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr char kFeedUrl[] = "https://www.example.org/club/rss.xml";
constexpr char kBase[] = "https://www.example.org/club/";


// The output of a shell command and its exit status.
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

class RssTest : public RunFixture {
 protected:
  // Dates follow the system's zone unless the person chose an offset; the
  // expected dates below are New York's (5 hours west of GMT in winter).
  RssTest() : tz_("TZ", "America/New_York") { tzset(); }
  ~RssTest() override { tzset(); }

  void SetUp() override {
    RunFixture::SetUp();
    settings().SetBool("RSS.Share", true);
    settings().SetText("RSS.FileURL", kFeedUrl);
  }

  // Year tables for y and the next year; the run publishes y.
  void UseYear(int y, bool next_year_table = true) {
    ASSERT_TRUE(session_->Years().EnsureQuiet(EncodeDate(y, 1, 1)).ok());
    if (next_year_table) {
      ASSERT_TRUE(session_->Years().EnsureQuiet(EncodeDate(y + 1, 1, 1)).ok());
    } else {
      (void)session_->data.db().DropFiles("Year" + std::to_string(y + 1));
    }
    settings().SetInt("Publish.StartYear", y);
    settings().SetInt("Publish.EndYear", y);
    settings().SetInt("Publish.StartMonth", 0);
    settings().SetInt("Publish.EndMonth", 0);
  }

  void SetNote(int year, int month, int day, int category, const std::string& note) {
    ASSERT_TRUE(session_->data.db()
                    .Execute("Update Year" + std::to_string(year) + " set Data" +
                             std::to_string(category) + "='" + note + "' where iMonth='" +
                             std::to_string(month) + "' and iDay='" + std::to_string(day) + "'")
                    .ok());
  }

  void SetField(const std::string& id, const std::string& field, const std::string& value) {
    ASSERT_TRUE(session_->data.db()
                    .Execute("Update Events set " + field + "='" + value + "' where ID=" + id)
                    .ok());
  }

  std::string Feed() const { return Page("rss.xml"); }

  almanix::testing::ScopedEnv tz_;

  // The items of the feed, each as its lines from "<item>" to "</item>".
  std::vector<std::vector<std::string>> Items() const {
    std::vector<std::vector<std::string>> items;
    bool inside = false;
    for (const std::string& line : Lines(Feed())) {
      if (line == "<item>") {
        items.emplace_back();
        inside = true;
      }
      if (inside) items.back().push_back(line);
      if (line == "</item>") inside = false;
    }
    return items;
  }

  std::vector<std::string> Titles() const {
    std::vector<std::string> titles;
    for (const auto& item : Items()) titles.push_back(item.at(1));
    return titles;
  }

  // Whether the feed parses as XML.
  void ExpectWellFormed() {
    int status = 0;
    const std::string out =
        Shell("python3 -c 'import xml.dom.minidom,sys; xml.dom.minidom.parse(sys.argv[1])' '" +
                  Build() + "rss.xml'",
              &status);
    EXPECT_EQ(status, 0) << out << "\n" << Feed();
  }
};

TEST_F(RssTest, StartsWithTheDeclarationAndTheChannelHeader) {
  UseYear(2010);
  settings().SetText("RSS.Title", "Club news");
  settings().SetText("RSS.URL", "https://www.example.org/");
  settings().SetText("RSS.Description", "What the club does.");
  settings().SetBool("RSS.FutureDate", false);
  Generate();
  const std::vector<std::string> lines = Lines(Feed());
  ASSERT_GE(lines.size(), 13u);
  EXPECT_EQ(lines[0], "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  EXPECT_EQ(lines[1], "<rss version=\"2.0\" xmlns:atom=\"http://www.w3.org/2005/Atom\">");
  EXPECT_EQ(lines[2], "<channel>");
  EXPECT_EQ(lines[3], "<title>Club news</title>");
  EXPECT_EQ(lines[4], "<link>https://www.example.org/</link>");
  EXPECT_EQ(lines[5], "<description>What the club does.</description>");
  EXPECT_EQ(lines[6], "<language>en-us</language>");
  EXPECT_THAT(lines[7], ::testing::MatchesRegex(
                            "<pubDate>(Sun|Mon|Tue|Wed|Thu|Fri|Sat), [0-9]+ [A-Z][a-z][a-z] "
                            "[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2} GMT</pubDate>"));
  EXPECT_EQ(lines[8], "<docs>https://www.example.org/club/rss.xml</docs>");
  EXPECT_EQ(lines[9],
            "<atom:link href=\"https://www.example.org/club/rss.xml\" rel=\"self\" "
            "type=\"application/rss+xml\" />");
  EXPECT_EQ(lines[10], "<generator>Web Almanix</generator>");
  EXPECT_EQ(lines[11], "<item>");
  EXPECT_EQ(lines[lines.size() - 2], "</channel>");
  EXPECT_EQ(lines.back(), "</rss>");
  EXPECT_EQ(Feed().substr(Feed().size() - 2), "\r\n");
  ExpectWellFormed();
}

TEST_F(RssTest, LanguageCodeComesAfterTheColonOrDefaults) {
  UseYear(2010);
  settings().SetText("RSS.Language", "Deutsch (Deutschland):  de-de ");
  Generate();
  EXPECT_THAT(Feed(), HasSubstr("\r\n<language>de-de</language>\r\n"));
  settings().SetText("RSS.Language", "Nothing after it:");
  Generate();
  EXPECT_THAT(Feed(), HasSubstr("\r\n<language>en-US</language>\r\n"));
}

TEST_F(RssTest, HolidayItemLineForLine) {
  UseYear(2010);
  Generate();
  const auto items = Items();
  ASSERT_FALSE(items.empty());
  // 1 January 2010 at midnight, 5 hours west of GMT.
  EXPECT_THAT(items[0],
              ElementsAre("<item>", "<title>January 1 - New Year</title>",
                          "<description><![CDATA[ <br /> ]]></description>",
                          "<link>https://www.example.org/club/January2010.html#M1D1</link>",
                          "<guid>https://www.example.org/club/January2010.html#M1D1?1</guid>",
                          "<pubDate>Fri, 1 Jan 2010 05:00:00 GMT</pubDate>",
                          "<category>Holiday</category>", "</item>"));
}

TEST_F(RssTest, EventItemLineForLine) {
  UseYear(2010);
  store::EventDraft d = Timed("Tom & Jerry", 2010, 1, 5, 10, 11);
  d.description = "Cartoon <b>night</b>";
  d.location = "Hall <A>";
  d.url = "https://www.example.org/show?id=1&x=2";
  Add(d);
  Generate();
  const auto items = Items();
  ASSERT_EQ(items.size(), 2u);  // the New Year and the event
  EXPECT_THAT(
      items[1],
      ElementsAre("<item>", "<title>January 5 10:00 am-11:00 am - Tom &amp; Jerry</title>",
                  "<description><![CDATA[ <br />Cartoon <b>night</b>", "Location: Hall &lt;A&gt;",
                  " ]]></description>", "<link>https://www.example.org/show?id=1&amp;x=2</link>",
                  "<guid>https://www.example.org/club/January2010.html#M1D5?2</guid>",
                  "<category>" + editor_->window.chkCalendars.items[0] + "</category>",
                  "<pubDate>Tue, 5 Jan 2010 15:00:00 GMT</pubDate>", "</item>"));
  ExpectWellFormed();
}

TEST_F(RssTest, PlainDescriptionsAreEscaped) {
  UseYear(2010);
  settings().SetBool("RSS.HTMLFormat", false);
  store::EventDraft d = Timed("Quiz", 2010, 1, 5, 10, 11);
  d.description = "Bring <b>pens</b> & \"paper\" 'now'";
  d.location = "Bar & Grill";
  Add(d);
  Generate();
  const auto items = Items();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].at(2), "<description></description>");
  EXPECT_EQ(items[1].at(2),
            "<description>Bring &lt;b&gt;pens&lt;/b&gt; &amp; &quot;paper&quot; &apos;now&apos;");
  EXPECT_EQ(items[1].at(3), "Location: Bar &amp; Grill");
  EXPECT_EQ(items[1].at(4), "</description>");
  EXPECT_THAT(Feed(), Not(HasSubstr("CDATA")));
  ExpectWellFormed();
}

TEST_F(RssTest, TitleTurnsNbspIntoABlank) {
  UseYear(2010);
  Add(Timed("Open&nbsp;day", 2010, 1, 6, 9, 10));
  Generate();
  EXPECT_THAT(Titles(),
              ::testing::Contains("<title>January 6 9:00 am-10:00 am - Open day</title>"));
}

TEST_F(RssTest, ElevenDaysFromTodayWhenTheStartYearIsTheCurrentYear) {
  const DayNumber today = DatePart(FromTimeT(now_));
  const int year = DecodeDate(today).year;
  UseYear(year);
  settings().SetText("Contents.Holiday", "None");
  for (int k = -1; k <= 12; ++k) {
    const CivilDate c = DecodeDate(today + k);
    Add(Timed("Day " + std::to_string(k), c.year, c.month, c.day, 9, 10));
  }
  Generate();
  std::vector<std::string> names;
  for (const auto& item : Items()) {
    const std::string& title = item.at(1);
    const size_t from = title.find(" - ") + 3;
    names.push_back(title.substr(from, title.size() - std::string("</title>").size() - from));
  }
  EXPECT_THAT(names, ElementsAre("Day 0", "Day 1", "Day 2", "Day 3", "Day 4", "Day 5", "Day 6",
                                 "Day 7", "Day 8", "Day 9", "Day 10"));
}

TEST_F(RssTest, StartYearNotCurrentListsTheFirstDaysOfJanuary) {
  UseYear(2010);
  settings().SetInt("RSS.Days", 3);
  Add(Timed("Second", 2010, 1, 2, 9, 10));  // day 2 of the walk
  Add(Timed("Fourth", 2010, 1, 4, 9, 10));  // day 4: the last one listed
  Add(Timed("Fifth", 2010, 1, 5, 9, 10));   // beyond
  Generate();
  // 3 January has nothing and still counts as a day.
  EXPECT_THAT(Titles(), ElementsAre("<title>January 1 - New Year</title>",
                                    "<title>January 2 9:00 am-10:00 am - Second</title>",
                                    "<title>January 4 9:00 am-10:00 am - Fourth</title>"));
}

TEST_F(RssTest, WalkContinuesIntoTheNextYearWhenItsTableExists) {
  UseYear(2009);
  settings().SetInt("RSS.Days", 366);  // all of 2009 and 1 to 2 January 2010
  settings().SetText("Contents.Holiday", "None");
  Add(Timed("Old year", 2009, 12, 31, 9, 10));
  Add(Timed("New year", 2010, 1, 2, 9, 10));
  Add(Timed("Too far", 2010, 1, 3, 9, 10));
  Generate();
  EXPECT_THAT(Titles(), ElementsAre("<title>December 31 9:00 am-10:00 am - Old year</title>",
                                    "<title>January 2 9:00 am-10:00 am - New year</title>"));
  EXPECT_THAT(Feed(), HasSubstr("<guid>https://www.example.org/club/January2010.html#M1D2?2"));
}

TEST_F(RssTest, WalkEndsOnDecember31WithoutTheNextYearsTable) {
  UseYear(2009, /*next_year_table=*/false);
  settings().SetInt("RSS.Days", 366);
  settings().SetText("Contents.Holiday", "None");
  Add(Timed("Old year", 2009, 12, 31, 9, 10));
  Add(Timed("New year", 2010, 1, 2, 9, 10));
  Generate();
  EXPECT_THAT(Titles(), ElementsAre("<title>December 31 9:00 am-10:00 am - Old year</title>"));
}

TEST_F(RssTest, MissingStartYearTableStillWalksTheNextYear) {
  UseYear(2009);
  ASSERT_TRUE(session_->data.db().DropFiles("Year2009").ok());
  settings().SetText("Contents.Holiday", "None");
  Add(Timed("Lost", 2009, 1, 2, 9, 10));
  Add(Timed("Found", 2010, 1, 2, 9, 10));
  Generate();
  EXPECT_THAT(Titles(), ElementsAre("<title>January 2 9:00 am-10:00 am - Found</title>"));
}

TEST_F(RssTest, GmtOffsetAndFutureDates) {
  EXPECT_EQ(Rfc822Date(EncodeDate(2010, 1, 5) + 416666 / 1e6, -5.0, EncodeDate(2011, 1, 1), false),
            "Tue, 5 Jan 2010 15:00:00 GMT");
  EXPECT_EQ(Rfc822Date(EncodeDate(2010, 1, 5) + 0.5, 1.5, EncodeDate(2011, 1, 1), false),
            "Tue, 5 Jan 2010 10:30:00 GMT");
  // Across midnight into the day before.
  EXPECT_EQ(Rfc822Date(EncodeDate(2010, 3, 1), 2.0, EncodeDate(2011, 1, 1), true),
            "Sun, 28 Feb 2010 22:00:00 GMT");
  // A date after the current moment: itself with future dates, else now.
  const DateTimeValue now = EncodeDate(2010, 1, 5) + 0.25;  // 06:00
  EXPECT_EQ(Rfc822Date(EncodeDate(2010, 1, 6), -5.0, now, true), "Wed, 6 Jan 2010 05:00:00 GMT");
  EXPECT_EQ(Rfc822Date(EncodeDate(2010, 1, 6), -5.0, now, false), "Tue, 5 Jan 2010 11:00:00 GMT");
}

TEST_F(RssTest, FutureEventsCarryTheFeedsDateWithoutFutureDating) {
  const DayNumber today = DatePart(FromTimeT(now_));
  const int year = DecodeDate(today).year;
  UseYear(year);
  settings().SetText("Contents.Holiday", "None");
  settings().SetBool("RSS.FutureDate", false);
  const CivilDate c = DecodeDate(today + 2);
  Add(Timed("Later", c.year, c.month, c.day, 9, 10));
  Generate();
  const std::vector<std::string> lines = Lines(Feed());
  const auto items = Items();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].at(items[0].size() - 2), lines[7]);  // the channel's pubDate
}

TEST_F(RssTest, ReverseOrderPutsTheLastDayFirstAndTheGeneratorAfterTheItems) {
  UseYear(2010);
  settings().SetBool("RSS.Reverse", true);
  Add(Timed("Second", 2010, 1, 2, 9, 10));
  Add(Timed("Eleventh", 2010, 1, 11, 9, 10));
  Generate();
  EXPECT_THAT(Titles(), ElementsAre("<title>January 11 9:00 am-10:00 am - Eleventh</title>",
                                    "<title>January 2 9:00 am-10:00 am - Second</title>",
                                    "<title>January 1 - New Year</title>"));
  const std::vector<std::string> lines = Lines(Feed());
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[9].rfind("<atom:link", 0), 0u);
  EXPECT_EQ(lines[10], "<item>");
  EXPECT_EQ(lines[lines.size() - 3], "<generator>Web Almanix</generator>");
  ExpectWellFormed();
}

TEST_F(RssTest, BareHttpAddressLinksToTheDay) {
  UseYear(2010);
  store::EventDraft d = Timed("Meeting", 2010, 1, 5, 9, 10);
  d.url = "HTTP://";
  Add(d);
  Generate();
  const auto items = Items();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[1].at(3), "<link>https://www.example.org/club/January2010.html#M1D5</link>");
}

TEST_F(RssTest, WithoutLinksEventsHaveNoLinkAndDaysAnEmptyOne) {
  UseYear(2010);
  settings().SetBool("RSS.Links", false);
  Add(Timed("Meeting", 2010, 1, 5, 9, 10));
  Generate();
  const auto items = Items();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].at(3), "<link></link>");
  EXPECT_EQ(items[1].at(3).rfind("<guid>", 0), 0u);
  for (const std::string& line : items[1]) EXPECT_THAT(line, Not(HasSubstr("<link")));
}

TEST_F(RssTest, DayBlockHasHolidayThenNotesThenEventsInCategoryOrder) {
  UseYear(2010);
  Tick({1, 2});
  settings().SetBool("Contents.CategoryMerge", true);
  settings().set_text_file(publish::TextFile::kMacros, "[club]=Our Club\r\n");
  Add(Timed("Late", 2010, 1, 1, 20, 21), 1);
  Add(Timed("Early", 2010, 1, 1, 8, 9), 1);
  Add(Timed("Other", 2010, 1, 1, 7, 8), 2);
  SetNote(2010, 1, 1, 1, "First note of [club]");
  SetNote(2010, 1, 1, 2, "Second note");
  Generate();
  const auto& names = editor_->window.chkCalendars.items;
  const auto items = Items();
  ASSERT_EQ(items.size(), 6u);
  EXPECT_EQ(items[0].at(1), "<title>January 1 - New Year</title>");
  EXPECT_THAT(items[1],
              ElementsAre("<item>", "<title>January 1</title>",
                          "<description><![CDATA[ <br />First note of Our Club ]]>"
                          "</description>",
                          "<link>https://www.example.org/club/January2010.html#M1D1</link>",
                          "<guid>https://www.example.org/club/January2010.html#M1D1?4</guid>",
                          "<pubDate>Fri, 1 Jan 2010 05:00:00 GMT</pubDate>",
                          "<category>" + names[0] + "</category>", "</item>"));
  EXPECT_EQ(items[2].at(1), "<title>January 1</title>");
  EXPECT_EQ(items[2].at(items[2].size() - 2), "<category>" + names[1] + "</category>");
  EXPECT_EQ(items[3].at(1), "<title>January 1 8:00 am-9:00 am - Early</title>");
  EXPECT_EQ(items[4].at(1), "<title>January 1 8:00 pm-9:00 pm - Late</title>");
  EXPECT_EQ(items[5].at(1), "<title>January 1 7:00 am-8:00 am - Other</title>");
  // Item numbers follow the order the items are made in: holiday, the
  // first category's events, its note, then the second category.
  EXPECT_THAT(items[3].at(4), HasSubstr("?2</guid>"));
  EXPECT_THAT(items[4].at(4), HasSubstr("?3</guid>"));
  EXPECT_THAT(items[5].at(4), HasSubstr("?5</guid>"));
  EXPECT_THAT(items[2].at(4), HasSubstr("?6</guid>"));
}

TEST_F(RssTest, CategoriesWrittenOneByOneLinkToTheirOwnPages) {
  UseYear(2010);
  Tick({1, 2});
  settings().SetBool("Contents.CategoryMerge", false);
  Add(Timed("Choir", 2010, 1, 5, 9, 10), 1);
  Add(Timed("Football", 2010, 1, 5, 11, 12), 2);
  Generate();
  ASSERT_TRUE(Has("0January2010.html"));
  ASSERT_TRUE(Has("1January2010.html"));
  const auto items = Items();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].at(3), "<link>https://www.example.org/club/0January2010.html#M1D1</link>");
  EXPECT_EQ(items[1].at(3), "<link>https://www.example.org/club/0January2010.html#M1D5</link>");
  EXPECT_EQ(items[2].at(3), "<link>https://www.example.org/club/1January2010.html#M1D5</link>");
}

TEST_F(RssTest, TitleFormats) {
  UseYear(2010);
  settings().SetText("Contents.Holiday", "None");
  store::EventDraft d = Timed("Meeting", 2010, 1, 5, 9, 10);
  d.description = "Agenda";
  Add(d);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Event Name Only", "Meeting"},
      {"Event Name - Event Date", "Meeting - January 5 9:00 am-10:00 am"},
      {"Event Name Event Date", "Meeting January 5 9:00 am-10:00 am"},
      {"Event Date Event Name", "January 5 9:00 am-10:00 am Meeting"},
      {"Event Name (Event Date)", "Meeting (January 5 9:00 am-10:00 am)"},
      {"Event Name + Date in Description", "Meeting"}};
  for (const auto& [format, title] : cases) {
    settings().SetText("RSS.TitleFormat", format);
    Generate();
    const auto items = Items();
    ASSERT_EQ(items.size(), 1u) << format;
    EXPECT_EQ(items[0].at(1), "<title>" + title + "</title>") << format;
    if (format == "Event Name + Date in Description") {
      EXPECT_EQ(items[0].at(2), "<description><![CDATA[ January 5 9:00 am-10:00 am  <br />Agenda");
    } else {
      EXPECT_EQ(items[0].at(2), "<description><![CDATA[ <br />Agenda") << format;
    }
  }
}

TEST_F(RssTest, TimeTextFollowsTheEventsTimeChoices) {
  UseYear(2010);
  settings().SetText("Contents.Holiday", "None");
  store::EventDraft all_day = Timed("Fair", 2010, 1, 2, 0, 0);
  all_day.all_day = true;
  all_day.show_end_time = false;
  Add(all_day);
  store::EventDraft start_only = Timed("Talk", 2010, 1, 3, 14, 15);
  start_only.show_end_time = false;
  start_only.time_zone = "EST";
  Add(start_only);
  store::EventDraft end_only = Timed("Deadline", 2010, 1, 4, 9, 17);
  end_only.show_start_time = false;
  Add(end_only);
  Generate();
  EXPECT_THAT(Titles(), ElementsAre("<title>January 2 - Fair</title>",
                                    "<title>January 3 2:00 pm EST - Talk</title>",
                                    "<title>January 4 5:00 pm - Deadline</title>"));
}

TEST_F(RssTest, QuickPreviewLeavesOutEventsButKeepsHolidaysAndNotes) {
  UseYear(2010);
  Add(Timed("Meeting", 2010, 1, 5, 9, 10));
  SetNote(2010, 1, 3, 1, "A note");
  editor_->window.chkQuickPreview = true;
  generator_->state().preview_run = true;
  Generate();
  EXPECT_THAT(Titles(),
              ElementsAre("<title>January 1 - New Year</title>", "<title>January 3</title>"));
}

TEST_F(RssTest, NoFeedWithoutSharing) {
  UseYear(2010);
  settings().SetBool("RSS.Share", false);
  Generate();
  EXPECT_FALSE(Has("rss.xml"));
}

TEST_F(RssTest, CopiesItsPictureAndPages) {
  UseYear(2010);
  Generate();
  EXPECT_TRUE(Has("popup.html"));
  EXPECT_TRUE(Has("fullscreen.html"));
}

TEST_F(RssTest, AwkwardTextStillGivesWellFormedUtf8) {
  UseYear(2010);
  settings().SetText("RSS.Title", "Tom & Jerry's \"Club\" <1>");
  settings().SetText("RSS.Description", "Caf\xC3\xA9 & more");
  settings().SetText("RSS.URL", "https://www.example.org/?a=1&b=2");
  settings().SetText("RSS.FileURL", "https://www.example.org/a b/rss.xml?x=1&y=2");
  editor_->window.chkCalendars.items[0] = "Kids & <Family>";
  store::EventDraft d = Timed("Caf\xC3\xA9 \"Noël\" <night> & 'more'", 2010, 1, 5, 9, 10);
  d.description = "<p>Price: 5 \xE2\x82\xAC & up</p> ]]> <br>\nsecond line\x01";
  d.location = "M\xC3\xBCnchen & Co <b>";
  d.url = "https://www.example.org/e?id=1&n=\"x\"";
  Add(d);
  SetNote(2010, 1, 2, 1, "Bring <food> & drinks ]]>");
  for (bool html : {true, false}) {
    settings().SetBool("RSS.HTMLFormat", html);
    Generate();
    SCOPED_TRACE(html ? "HTML" : "plain");
    ExpectWellFormed();
    const std::string feed = Feed();
    EXPECT_THAT(feed,
                HasSubstr("<title>Tom &amp; Jerry&apos;s &quot;Club&quot; &lt;1&gt;</title>"));
    EXPECT_THAT(feed, HasSubstr("Caf\xC3\xA9 &quot;No\xC3\xABl&quot; &lt;night&gt; &amp; "
                                "&apos;more&apos;</title>"));
    EXPECT_THAT(feed, HasSubstr("<category>Kids &amp; &lt;Family&gt;</category>"));
    EXPECT_THAT(feed, Not(HasSubstr("\x01")));
    EXPECT_TRUE(IsValidUtf8(feed));
    // Every line ends in CR LF, the description's own line break too.
    for (size_t i = feed.find('\n'); i != std::string::npos; i = feed.find('\n', i + 1)) {
      ASSERT_GT(i, 0u);
      EXPECT_EQ(feed[i - 1], '\r') << i;
    }
  }
}

}  // namespace
}  // namespace almanix::generator::testing

namespace almanix::generator::testing {
namespace {

// The feed of a calendar whose address nobody entered: a `generate` alone.
TEST_F(RssTest, ChannelIsNeverEmptyAndItemsHaveNoLinkWithoutTheCalendarsAddress) {
  UseYear(2010);
  settings().SetText("RSS.FileURL", "http://");
  settings().SetText("RSS.URL", "http://");
  settings().SetText("RSS.Title", "");
  settings().SetText("RSS.Description", "");
  settings().SetText("Page.Title", "Riverside Club");
  Add(Timed("Meeting", 2010, 1, 5, 9, 10));
  // Printed or made a wallpaper, the calendar needs no address: no window.
  settings().SetText("Publish.Destination", "Printer");
  Generate();
  EXPECT_TRUE(ui_.messages.empty());
  settings().SetText("Publish.Destination", "Webserver");
  Generate();
  const std::vector<std::string> lines = Lines(Feed());
  EXPECT_EQ(lines[3], "<title>Riverside Club</title>");
  // The toolbar's home address stands in for the calendar's.
  EXPECT_EQ(lines[4], "<link>" + editor_->window.Bar_Home2 + "</link>");
  EXPECT_EQ(lines[5], "<description>Riverside Club RSS feed.</description>");
  EXPECT_THAT(Feed(), Not(HasSubstr("http://January")));
  const auto items = Items();
  ASSERT_EQ(items.size(), 2u);
  for (const auto& item : items) {
    for (const std::string& line : item) EXPECT_THAT(line, Not(HasSubstr("<link")));
  }
  EXPECT_EQ(items[1].at(3), "<guid isPermaLink=\"false\">January2010.html#M1D5?2</guid>");
  // Said once, however many items lost their link.
  EXPECT_EQ(ui_.messages.size(), 1u);
  EXPECT_THAT(ui_.messages.at(0), HasSubstr("absolute addresses"));
  ExpectWellFormed();

  // The calendar's address alone is enough for the links and the channel.
  ui_.messages.clear();
  settings().SetText("Publish.URL", "https://www.example.org/club/Calendar.html");
  settings().SetText("RSS.FileURL", kFeedUrl);
  Generate();
  EXPECT_EQ(Lines(Feed())[4], "<link>https://www.example.org/club/" +
                                  BaseName(generator_->MainPagePath()) + "</link>");
  EXPECT_EQ(Items().at(1).at(3), "<link>https://www.example.org/club/January2010.html#M1D5</link>");
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(RssTest, DatesFollowTheZoneRulesOfEachDateUnlessTheOffsetWasChosen) {
  almanix::testing::ScopedEnv berlin("TZ", "Europe/Berlin");
  tzset();
  UseYear(2010);
  Add(Timed("Winter", 2010, 1, 5, 10, 11));
  Add(Timed("Summer", 2010, 7, 5, 10, 11));
  // The stored default (-5) is no choice: Berlin is 1 hour east in winter
  // and 2 in summer.
  EXPECT_FALSE(GmtOffsetChosen(settings()));
  settings().SetInt("RSS.Days", 400);
  Generate();
  auto pub_date = [&](const std::string& summary) {
    for (const auto& item : Items()) {
      if (item.at(1).find(summary) != std::string::npos) return item.at(item.size() - 2);
    }
    return std::string("none");
  };
  EXPECT_EQ(pub_date("Winter"), "<pubDate>Tue, 5 Jan 2010 09:00:00 GMT</pubDate>");
  EXPECT_EQ(pub_date("Summer"), "<pubDate>Mon, 5 Jul 2010 08:00:00 GMT</pubDate>");
  EXPECT_DOUBLE_EQ(SystemGmtOffset(EncodeDate(2010, 7, 5) + 0.5), 2.0);

  // An offset the person set holds for every date.
  settings().SetReal("RSS.GMTOffset", 5.5);
  EXPECT_TRUE(GmtOffsetChosen(settings()));
  Generate();
  EXPECT_EQ(pub_date("Winter"), "<pubDate>Tue, 5 Jan 2010 04:30:00 GMT</pubDate>");
  EXPECT_EQ(pub_date("Summer"), "<pubDate>Mon, 5 Jul 2010 04:30:00 GMT</pubDate>");
}

TEST_F(RssTest, FullScreenPageOpensThePageEveryRunWrites) {
  UseYear(2010);
  // As a working folder made before the mend holds it.
  ASSERT_TRUE(WriteFileDirect(editor_->environment().dir->ConfigDir + "fullscreen.html",
                              "<title>Calendar</title><a href=\"index.html\">Open</a>")
                  .ok());
  Generate();
  const std::string page = Page("fullscreen.html");
  EXPECT_THAT(page, Not(HasSubstr("index.html")));
  EXPECT_THAT(page, HasSubstr("href=\"Calendar.html\""));
  EXPECT_THAT(page, HasSubstr("<title>Club \xE2\x80\x93 Full screen</title>"));
  EXPECT_TRUE(Has("Calendar.html"));
}

}  // namespace
}  // namespace almanix::generator::testing
