#include "generator/event_pages.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "app/dates.h"
#include "app/file_util.h"
#include "generator/calendar_data.h"
#include "generator/ical.h"
#include "generator/page_meta.h"
#include "generator/run_context.h"
#include "generator/run_fixture.h"
#include "support/scoped_env.h"

namespace almanix::generator::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

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

// Pages of a run around today in New York, whose winter and summer offsets
// the expected UTC times follow.
class EventPagesTest : public RunFixture {
 protected:
  EventPagesTest() : tz_("TZ", "America/New_York") { tzset(); }
  ~EventPagesTest() override { tzset(); }

  void SetUp() override {
    RunFixture::SetUp();
    today_ = DatePart(FromTimeT(now_));
  }

  // An event `days` after today, 9:00 to 10:00.
  std::string AddIn(int days, const std::string& summary, const std::string& location = "") {
    const CivilDate d = DecodeDate(today_ + days);
    store::EventDraft draft = Timed(summary, d.year, d.month, d.day, 9, 10);
    draft.location = location;
    draft.description = "Bring \"friends\" </script>";
    return Add(draft);
  }

  // The text of the page's JSON-LD script.
  static std::string JsonLd(const std::string& page) {
    const std::string open = "<script type=\"application/ld+json\">";
    const size_t at = page.find(open);
    if (at == std::string::npos) return "";
    const size_t end = page.find("</script>", at);
    return page.substr(at + open.size(), end - at - open.size());
  }

  almanix::testing::ScopedEnv tz_;
  DayNumber today_ = 0;
};

TEST_F(EventPagesTest, UpcomingListsTheNext30DaysWithoutScriptAndIsLinkedFromTheToolbar) {
  AddIn(2, "Soon", "Hall");
  AddIn(40, "Later");
  Generate();
  ASSERT_TRUE(Has("Upcoming.html"));
  const std::string page = Page("Upcoming.html");
  EXPECT_THAT(page, HasSubstr("<b>Soon</b> &ndash; Hall"));
  EXPECT_THAT(page, Not(HasSubstr("Later")));
  EXPECT_THAT(page, HasSubstr("<html lang=\"en-US\">"));
  // Besides data, which runs nothing, the only script adds the Google and
  // Outlook links; without it each event keeps its calendar file's link.
  const std::string add_script = "<script type=\"text/javascript\" src=\"addlinks.js\" defer>";
  for (size_t at = page.find("<script"); at != std::string::npos; at = page.find("<script", at + 1)) {
    EXPECT_TRUE(page.compare(at, 35, "<script type=\"application/ld+json\">") == 0 ||
                page.compare(at, add_script.size(), add_script) == 0)
        << page.substr(at, 60);
  }
  EXPECT_THAT(page, HasSubstr("Add to my calendar: <a href=\"events/"));
  EXPECT_THAT(Page(BaseName(generator_->MainPagePath())), HasSubstr("<a href=\"Upcoming.html\">"));

  // Nothing coming: the page says so.
  ASSERT_TRUE(session_->data.db().Execute("Delete from Events").ok());
  Generate();
  EXPECT_THAT(Page("Upcoming.html"), HasSubstr("No events in the next 30 days."));
  EXPECT_FALSE(Has("events/"));
}

TEST_F(EventPagesTest, AddToMyCalendarGivesAOneEventFileAndLinksInUtc) {
  const std::string id = AddIn(3, "Board meeting", "Room 4");
  Generate();
  const std::string page = Page("Upcoming.html");
  const std::string file = "events/" + id + ".ics";
  ASSERT_TRUE(Has(file)) << page;
  EXPECT_THAT(page, HasSubstr("<a href=\"" + file + "\" download"));

  // Another parser reads exactly this one event from the file.
  const CivilDate d = DecodeDate(today_ + 3);
  const std::string day = std::to_string(d.year) + "-" + (d.month < 10 ? "0" : "") +
                          std::to_string(d.month) + "-" + (d.day < 10 ? "0" : "") +
                          std::to_string(d.day);
  int status = 0;
  const std::string out = Shell("/usr/bin/python3 " + std::string(ALMANIX_SOURCE_DIR) +
                                    "/tools/ical_expand.py '" + Build() + file +
                                    "' America/New_York 2000-01-01 2100-01-01",
                                &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(out, day + " 09:00-10:00  Board meeting\n");

  // The data the script makes the links from carry the time in UTC: 9:00
  // in New York is 13:00 or 14:00.
  const std::string start = ICalUtcStamp(LocalToUtc(today_ + 3 + 0.375));
  EXPECT_THAT(page, HasSubstr(" data-t=\"" + start.substr(0, 13) + "+60\" data-n=\"Board meeting\" "
                              "data-d=\"Bring &quot;friends&quot; &lt;/script&gt;\" "
                              "data-l=\"Room 4\">"));
  EXPECT_THAT(page, HasSubstr("aria-label=\"Board meeting: iCalendar\">iCalendar</a></span>"));
  EXPECT_THAT(page, Not(HasSubstr("calendar.google.com")));
}

// An event's texts stand once per page, on its first entry; the others
// carry its number and their dates only, well under 200 bytes each.
TEST_F(EventPagesTest, AddLinkTextsStandOncePerPage) {
  settings().SetBool("Formatting.PopUpDesc", true);
  store::EventDraft walk = Timed("Morning walk by the river", 2025, 3, 3, 7, 8);
  walk.description = "Meet at the bridge; dogs welcome.";
  walk.location = "North bridge";
  walk.repeat = store::RepeatKind::kDaily;
  walk.repeat_until = EncodeDate(2025, 3, 9);
  Add(walk);
  store::EventDraft fair = Timed("Fair", 2025, 3, 4, 0, 0);
  fair.all_day = true;
  Add(fair);
  Generate();
  for (const std::string name : {"EventList2025.html", "March2025.html"}) {
    const std::string page = Page(name);
    size_t entries = 0;
    for (size_t at = page.find("data-t=\""); at != std::string::npos;
         at = page.find("data-t=\"", at + 1)) {
      ++entries;
    }
    EXPECT_EQ(entries, 8u) << name;
    size_t texts = 0;
    for (size_t at = page.find(" data-n=\"Morning walk"); at != std::string::npos;
         at = page.find(" data-n=\"Morning walk", at + 1)) {
      ++texts;
    }
    EXPECT_EQ(texts, 1u) << name;
    EXPECT_THAT(page, HasSubstr(" data-e=\"1\" data-t=\"20250304\" data-n=\"Fair\">"));
    EXPECT_THAT(page, Not(HasSubstr("North bridge\" data-")) );
  }
  // A later entry of the list: its add line with the file link, all told.
  const std::string list = Page("EventList2025.html");
  const std::string walk_entry = "<span class=\"AddToCalendar\" data-e=\"0\"";
  const size_t at = list.find(walk_entry, list.find(walk_entry) + 1);
  ASSERT_NE(at, std::string::npos);
  const std::string line = list.substr(at, list.find("</span>", at) + 7 - at);
  EXPECT_THAT(line, Not(HasSubstr("data-n")));
  EXPECT_LT(line.size(), 200u) << line;
}

// The texts go into attributes whole: whatever they hold, the page's
// parser gives the script back exactly the stored text (a raw CR LF would
// come back as LF and change the addresses).
TEST(EventPagesText, AttributeTextKeepsEveryCharacter) {
  EXPECT_EQ(AttributeText("Fish & \"Chips\" <i>'s</script>"),
            "Fish &amp; &quot;Chips&quot; &lt;i&gt;&#39;s&lt;/script&gt;");
  EXPECT_EQ(AttributeText("a\r\nb\tc\nd\x01\x7f"), "a&#13;&#10;b&#9;c&#10;d&#1;&#127;");
  EXPECT_EQ(AttributeText("\xE2\x80\xA8\xE2\x80\xA9 caf\xC3\xA9"),
            "\xE2\x80\xA8\xE2\x80\xA9 caf\xC3\xA9");
}

TEST_F(EventPagesTest, EventDataParsesAndNamesEveryField) {
  settings().SetText("Publish.URL", "https://www.example.org/club/Calendar.html");
  store::EventDraft quiz = Timed("Quiz \"night\"", 2025, 3, 5, 9, 10);
  quiz.location = "The Anchor";
  quiz.description = "Bring \"friends\" </script>";
  Add(quiz);
  Generate();
  const CivilDate d{2025, 3, 5};
  const std::string page_name = "March2025.html";
  const std::string json = JsonLd(Page(page_name));
  ASSERT_FALSE(json.empty());
  // The text cannot close its script element early.
  EXPECT_THAT(json, Not(HasSubstr("</script")));
  const std::string json_path = Build() + "events.json";
  ASSERT_TRUE(WriteFileDirect(json_path, json).ok());
  int status = 0;
  const std::string out = Shell(
      "/usr/bin/python3 -c 'import json,sys; e=json.load(open(sys.argv[1]))[0]; "
      "print(e[\"@type\"], e[\"name\"], e[\"startDate\"][11:], e[\"endDate\"][11:], "
      "e[\"location\"][\"name\"], e[\"description\"], e[\"url\"], sep=\"|\")' " + json_path,
      &status);
  EXPECT_EQ(status, 0) << json;
  EXPECT_EQ(out, "Event|Quiz \"night\"|09:00:00|10:00:00|The Anchor|Bring \"friends\" </script>|"
                 "https://www.example.org/club/" + page_name + "#M" + std::to_string(d.month) +
                 "D" + std::to_string(d.day) + "\n");
  EXPECT_THAT(Page("EventList" + std::to_string(d.year) + ".html"),
              HasSubstr("<script type=\"application/ld+json\">"));
}

TEST_F(EventPagesTest, SubscribeButtonAndQrCodeNeedTheCalendarsAddress) {
  settings().SetBool("iCal.Share", true);
  settings().SetBool("Year.CanCreate", true);
  Generate();
  EXPECT_THAT(Page("Year.html"), Not(HasSubstr("webcal://")));
  EXPECT_THAT(Page("Year.html"), HasSubstr("<a href=\"ical.ics\">"));
  EXPECT_FALSE(Has("subscribe-qr.svg"));

  settings().SetText("Publish.URL", "https://www.example.org/club/Calendar.html");
  Generate();
  const std::string button = "<a href=\"webcal://www.example.org/club/ical.ics\">Subscribe</a>";
  EXPECT_THAT(Page("Year.html"), HasSubstr(button));
  EXPECT_THAT(Page("Upcoming.html"), HasSubstr(button));
  EXPECT_THAT(Page("EventList2025.html"), HasSubstr(button));
  ASSERT_TRUE(Has("subscribe-qr.svg"));
  // A square picture, quiet zone included, whose modules are drawn.
  int status = 0;
  const std::string out = Shell(
      "/usr/bin/python3 -c 'import sys,xml.dom.minidom as m; s=m.parse(sys.argv[1]).documentElement; "
      "v=s.getAttribute(\"viewBox\").split(); p=s.getElementsByTagName(\"path\")[0]; "
      "print(v[2]==v[3], int(v[2])>=29, p.getAttribute(\"d\").count(\"z\")>100)' " + Build() +
          "subscribe-qr.svg",
      &status);
  EXPECT_EQ(out, "True True True\n");
}

TEST_F(EventPagesTest, LanguageCodeAndCalendarAddressFromTheSettings) {
  RunContext run;
  run.settings = &settings();
  auto lang = [&](const std::string& setting) {
    settings().SetText("RSS.Language", setting);
    return PageLanguage(run);
  };
  EXPECT_EQ(lang("English (United States): en-us"), "en-US");
  EXPECT_EQ(lang("Deutsch (Deutschland):  de-de "), "de-DE");
  EXPECT_EQ(lang("fr"), "fr");
  EXPECT_EQ(lang("Nothing after it:"), "en");
  EXPECT_EQ(lang("Odd: \"><script>"), "en");  // never breaks out of the attribute

  auto base = [&](const std::string& page, const std::string& feed) {
    settings().SetText("Publish.URL", page);
    settings().SetText("RSS.FileURL", feed);
    return SiteBase(run);
  };
  EXPECT_EQ(base("https://www.example.org/club/Calendar.html", "http://"),
            "https://www.example.org/club/");
  EXPECT_EQ(base("http://www.example.org", "http://"), "http://www.example.org/");
  EXPECT_EQ(base("http://", "https://club.example/cal/rss.xml"), "https://club.example/cal/");
  EXPECT_EQ(base("http://", "http://"), "");
  EXPECT_EQ(base("Calendar.html", "rss.xml"), "");
}

// Every event a page shows can be added, however far from today: its file
// is written once, when a page first links it; files of events no page
// shows any more are gone.
TEST_F(EventPagesTest, EveryShownEventHasItsFileAndNoOtherIsLeft) {
  settings().SetBool("Formatting.PopUpDesc", true);
  const std::string june = Add(Timed("Summer fair", 2025, 6, 10, 9, 10));
  const std::string later = Add(Timed("Not published", 2031, 6, 10, 9, 10));
  std::filesystem::create_directories(Build() + "events");
  ASSERT_TRUE(WriteFileDirect(Build() + "events/999999.ics", "from an earlier run").ok());
  Generate();
  const std::string file = "events/" + june + ".ics";
  ASSERT_TRUE(Has(file));
  EXPECT_FALSE(Has("events/999999.ics"));
  EXPECT_FALSE(Has("events/" + later + ".ics"));
  EXPECT_THAT(Page("June2025.html"), HasSubstr("data-ics=\"" + file + "\""));
  EXPECT_THAT(Page("EventList2025.html"), HasSubstr("<a href=\"" + file + "\" download"));

  int status = 0;
  const std::string out = Shell("/usr/bin/python3 " + std::string(ALMANIX_SOURCE_DIR) +
                                    "/tools/ical_expand.py '" + Build() + file +
                                    "' America/New_York 2000-01-01 2100-01-01",
                                &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(out, "2025-06-10 09:00-10:00  Summer fair\n");
}

// A name, place and text with the characters HTML, scripts and addresses
// give a meaning never end an attribute early, in the list or the pop-ups.
TEST_F(EventPagesTest, AddLinksAreEscapedInTheListAndThePopUps) {
  settings().SetBool("Formatting.PopUpDesc", true);
  store::EventDraft fish = Timed("Fish & \"Chips\"\xE2\x80\xA8<i>'s</script>", 2025, 6, 11, 18, 19);
  fish.location = "Hall A&B";
  fish.description = "50% off?\r\nBring cash";
  const std::string id = Add(fish);
  Generate();
  const std::string name = "Fish &amp; &quot;Chips&quot;\xE2\x80\xA8&lt;i&gt;&#39;s&lt;/script&gt;";
  const std::string data = " data-n=\"" + name + "\" data-d=\"50% off?&#13;&#10;Bring cash\" "
                           "data-l=\"Hall A&amp;B\">";
  const std::string list = Page("EventList2025.html");
  EXPECT_THAT(list, HasSubstr(data + "Add to my calendar: <a href=\"events/" + id + ".ics\" download "
                              "aria-label=\"Fish &amp; &quot;Chips&quot;\xE2\x80\xA8&lt;i&gt;&apos;s&lt;/script&gt;"));
  const std::string month = Page("June2025.html");
  EXPECT_THAT(month, HasSubstr("data-ics=\"events/" + id + ".ics\" data-e=\"0\" data-t=\""));
  EXPECT_THAT(month, HasSubstr(data + "</span>"));
  EXPECT_THAT(month, Not(HasSubstr("=\"Fish & ")));
}

// The add links' times are made without the C library's formatting: they
// must read as the calendar files' stamps do, on one page whose entries go
// from day to day and back (the day's digits are kept between entries), in
// a zone with summer time, before 1970, and outside four-digit years
// (before 1899-12-30 a value's fraction counts back from its day, so an end
// there may come out before its start).
TEST(EventPagesText, AddLinkTimesReadAsTheCalendarFilesStamps) {
  almanix::testing::ScopedTimeZone zone("America/New_York");
  EventRecord e;
  AddLinkPage page;
  std::vector<DateTimeValue> times;
  for (DateTimeValue t = EncodeDate(2024, 12, 25) + 0.01; t < EncodeDate(2027, 1, 5); t += 1.37) {
    times.push_back(t);
  }
  for (const DateTimeValue t :
       {EncodeDate(2025, 12, 31) + 22.5 / 24, EncodeDate(2025, 3, 9) + 2.5 / 24,
        EncodeDate(2025, 11, 2) + 1.5 / 24, EncodeDate(2025, 1, 1) + 0.0,
        EncodeDate(1969, 12, 31) + 19.25 / 24, EncodeDate(1500, 6, 1) + 12.0 / 24,
        EncodeDate(1000, 1, 1) + 0.0, EncodeDate(999, 12, 31) - 10.0 / 24,
        EncodeDate(2025, 12, 31) + 22.5 / 24}) {
    times.push_back(t);
  }
  bool first = true;
  for (const DateTimeValue t : times) {
    Occurrence o;
    o.event = &e;
    o.start = t;
    o.end = t + 1.5 / 24;
    const std::string stamp = ICalUtcStamp(LocalToUtc(t));  // yyyymmddThhmm00Z
    const long long minutes = static_cast<long long>(LocalToUtc(o.end) - LocalToUtc(t)) / 60;
    EXPECT_EQ(AddLinkData(o, page), " data-e=\"0\" data-t=\"" + stamp.substr(0, stamp.size() - 3) +
                                        (minutes >= 0 ? "+" : "") + std::to_string(minutes) +
                                        "\"" +
                                        (first ? " data-n=\"\"" : ""))
        << IsoLocal(t, false);
    first = false;
    // An all-day entry of the same day gives its date as it stands.
    o.all_day = true;
    o.day = DatePart(t);
    const CivilDate d = DecodeDate(o.day);
    char date[16];
    std::snprintf(date, sizeof date, "%d%02d%02d", d.year, d.month, d.day);
    EXPECT_EQ(AddLinkData(o, page), " data-e=\"0\" data-t=\"" + std::string(date) + "\"");
  }
}

TEST(EventPagesText, JsonStringsAndIsoTimes) {
  EXPECT_EQ(JsonString("a\"b\\c\nd</script>\x01"), "\"a\\\"b\\\\c\\nd<\\/script>\\u0001\"");
  EXPECT_EQ(IsoLocal(EncodeDate(2025, 4, 5) + 0.5, false), "2025-04-05T12:00:00");
  EXPECT_EQ(IsoLocal(EncodeDate(2025, 4, 5) + 0.999999, false), "2025-04-06T00:00:00");
  EXPECT_EQ(IsoLocal(EncodeDate(2025, 4, 5), true), "2025-04-05");
  // Escapes at either end, slashes not closing a tag, bytes of UTF-8 as they are.
  EXPECT_EQ(JsonString(""), "\"\"");
  EXPECT_EQ(JsonString("\"x\t"), "\"\\\"x\\t\"");
  EXPECT_EQ(JsonString("a/b </ <x/>\x1f\r"), "\"a/b <\\/ <x/>\\u001f\\r\"");
  EXPECT_EQ(JsonString("Caf\xc3\xa9 \xe2\x82\xac"), "\"Caf\xc3\xa9 \xe2\x82\xac\"");
  EXPECT_EQ(IsoLocal(EncodeDate(987, 1, 2) + 0.25, false), "987-01-02T06:00:00");
}

}  // namespace
}  // namespace almanix::generator::testing
