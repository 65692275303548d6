#include "generator/ical.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <libical/ical.h>

#include <cstdlib>
#include <ctime>
#include <map>
#include <set>
#include <vector>

#include "app/config.h"
#include "app/dates.h"
#include "app/file_util.h"
#include "app/text.h"
#include "generator/calendar_data.h"
#include "generator/run_fixture.h"
#include "store/db_engine.h"
#include "store/event_queries.h"
#include "store/occurrence.h"

namespace almanix::generator {
namespace {

using store::EventDraft;
using store::RepeatKind;
using store::WeeklyPattern;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr std::time_t kNow = 1767225600;  // 2026-01-01 00:00 UTC

// The process's zone for one block; the tests run in UTC otherwise. POSIX
// rules, so no zone files are needed.
class ScopedZone {
 public:
  explicit ScopedZone(const char* tz) {
    const char* old = std::getenv("TZ");
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~ScopedZone() {
    if (had_) {
      setenv("TZ", old_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  bool had_ = false;
  std::string old_;
};

// POSIX rules, named by no zone file, and zone names.
constexpr char kNewYork[] = "EST5EDT,M3.2.0,M11.1.0";
constexpr char kBerlin[] = "CET-1CEST,M3.5.0,M10.5.0/3";
constexpr char kNewYorkZone[] = "America/New_York";
constexpr char kTokyoZone[] = "Asia/Tokyo";

// The content lines with their folds undone.
std::vector<std::string> Unfolded(const std::string& text) {
  return testing::Lines(ReplaceAll(text, "\r\n ", ""));
}

// The unfolded lines of the items whose UID starts with uid_prefix.
std::vector<std::vector<std::string>> Items(const std::string& text, const std::string& uid) {
  std::vector<std::vector<std::string>> items;
  std::vector<std::string> current;
  for (const std::string& line : Unfolded(text)) {
    if (line == "BEGIN:VEVENT") current.clear();
    current.push_back(line);
    if (line == "END:VEVENT") {
      for (const std::string& l : current) {
        if (l.rfind("UID:" + uid, 0) == 0) items.push_back(current);
      }
    }
  }
  return items;
}

// The value of the item's property, named with its parameters
// ("DTSTART;VALUE=DATE").
std::string Value(const std::vector<std::string>& item, const std::string& name) {
  for (const std::string& l : item) {
    if (l.rfind(name + ":", 0) == 0) return l.substr(name.size() + 1);
  }
  return "";
}

DayNumber LocalDayOf(std::time_t t) { return DatePart(FromTimeT(t)); }

DayNumber UtcDayOf(std::time_t t) { return static_cast<DayNumber>(t / 86400) + 25569; }

// The local days libical expands the items of one event to, over the
// years given (EXDATE and RDATE applied); a day twice is kept twice. The
// file's own VTIMEZONE places its times.
std::vector<DayNumber> LibicalDays(const std::string& text, const std::string& uid_prefix,
                                   int from_year, int to_year) {
  icalcomponent* cal = icalparser_parse_string(text.c_str());
  EXPECT_NE(cal, nullptr);
  if (cal == nullptr) return {};
  EXPECT_EQ(icalcomponent_count_errors(cal), 0);
  std::vector<DayNumber> days;
  const DayNumber lo = EncodeDate(from_year, 1, 1), hi = EncodeDate(to_year, 12, 31);
  const std::string window_from = std::to_string(from_year - 1) + "1231T000000Z";
  const std::string window_to = std::to_string(to_year + 1) + "0102T000000Z";
  struct Collect {
    std::vector<DayNumber>* days;
    DayNumber lo, hi;
    bool dates;
  } collect{&days, lo, hi, false};
  for (icalcomponent* ev = icalcomponent_get_first_component(cal, ICAL_VEVENT_COMPONENT); ev;
       ev = icalcomponent_get_next_component(cal, ICAL_VEVENT_COMPONENT)) {
    const std::string uid = icalcomponent_get_uid(ev);
    if (uid.rfind(uid_prefix + "@", 0) != 0 && uid.rfind(uid_prefix + "-", 0) != 0) continue;
    collect.dates = icalcomponent_get_dtstart(ev).is_date;
    icalcomponent_foreach_recurrence(
        ev, icaltime_from_string(window_from.c_str()), icaltime_from_string(window_to.c_str()),
        [](icalcomponent*, icaltime_span* span, void* data) {
          auto* c = static_cast<Collect*>(data);
          // A date stands for its own day, given as its midnight in UTC.
          const DayNumber day = c->dates ? UtcDayOf(span->start) : LocalDayOf(span->start);
          if (day >= c->lo && day <= c->hi) c->days->push_back(day);
        },
        &collect);
  }
  icalcomponent_free(cal);
  std::sort(days.begin(), days.end());
  return days;
}

std::string DateText(DayNumber day) { return FormatDateTime("yyyy-mm-dd ddd", day); }

std::vector<std::string> Texts(const std::vector<DayNumber>& days) {
  std::vector<std::string> out;
  for (DayNumber d : days) out.push_back(DateText(d));
  return out;
}

class ICalTest : public testing::RunFixture {
 protected:
  // Whatever the machine's zone, the tests write in UTC unless they say.
  ScopedZone utc_{"UTC"};

  // The main window's export of category 1 ("Club") for 2025.
  std::string Export(int category = 1, std::time_t now = kNow) {
    const std::string path = root_ / "export.ics";
    Result<std::string> done = ExportCategoryICal(session_->data.db(), category, "Club", 2025, path,
                                                  session_->app.brand, &ui_, now);
    EXPECT_TRUE(done.ok()) << done.status().message();
    return almanix::testing::ReadAll(path);
  }
  void Sql(const std::string& sql) {
    Status s = session_->data.db().Execute(sql);
    ASSERT_TRUE(s.ok()) << s.message();
  }
  void SetDay(int year, int month, int day, const std::string& column, const std::string& value) {
    ASSERT_TRUE(session_->Years().EnsureQuiet(EncodeDate(year, 1, 1)).ok());
    Sql("update Year" + std::to_string(year) + " set " + column + "=" + store::SqlQuote(value) +
        " where iMonth='" + std::to_string(month) + "' and iDay='" + std::to_string(day) + "'");
  }
  // The days the program's own rule gives the event, category 1.
  std::vector<DayNumber> ProgramDays(const std::string& id, int from_year, int to_year) {
    store::Query q(session_->data.db());
    EXPECT_TRUE(q.Open("Select * from events where ID = " + store::SqlQuote(id)).ok());
    const store::EventRow row = store::ReadEventRow(q);
    std::vector<DayNumber> days;
    for (DayNumber d = EncodeDate(from_year, 1, 1); d <= EncodeDate(to_year, 12, 31); ++d) {
      const CivilDate c = DecodeDate(d);
      if (store::EventOccursOn(row, "1", std::to_string(d), std::to_string(c.month),
                               std::to_string(DayOfWeek(d)), std::to_string(c.day))) {
        days.push_back(d);
      }
    }
    return days;
  }
  // Every event's exported days against the program's, 2025 to 2030.
  void ExpectSameDays(const std::map<std::string, std::string>& ids) {
    const std::string text = Export();
    for (const auto& [name, id] : ids) {
      SCOPED_TRACE(name);
      const std::vector<DayNumber> program = ProgramDays(id, 2025, 2030);
      ASSERT_FALSE(program.empty());
      EXPECT_EQ(Texts(LibicalDays(text, "Club" + id, 2025, 2030)), Texts(program));
    }
  }

  static EventDraft At(int year, int month, int day, int hour, int minute = 0) {
    EventDraft d;
    d.summary = "Event";
    d.description = "About it";
    d.start = EncodeDate(year, month, day) + EncodeTime(hour, minute, 0, 0);
    d.end = d.start + EncodeTime(1, 0, 0, 0);
    return d;
  }
  // The repetitions every zone test runs, all starting at the hour given,
  // or all-day ones.
  std::map<std::string, std::string> AddRepetitions(int hour, bool all_day = false) {
    std::map<std::string, std::string> ids;
    const auto add = [&](const EventDraft& draft) {
      EventDraft d = draft;
      d.all_day = all_day;
      return Add(d);
    };
    EventDraft d = At(2025, 1, 6, hour);
    d.repeat = RepeatKind::kDaily;
    d.every = 3;
    ids["daily every 3"] = add(d);

    d = At(2025, 1, 7, hour);
    d.repeat = RepeatKind::kWeekly;
    d.every = 2;
    d.weekdays = {3, 5};
    ids["weekly every 2 Tue Thu across 53-week 2026"] = add(d);

    d = At(2025, 11, 3, hour);
    d.repeat = RepeatKind::kWeekly;
    d.every = 3;
    d.weekdays = {2};
    ids["weekly every 3 across year ends"] = add(d);

    d = At(2025, 1, 5, hour);
    d.repeat = RepeatKind::kWeekly;
    d.every = 2;
    d.weekdays = {1, 2, 6};
    ids["weekly every 2 Sun Mon Fri"] = add(d);

    d = At(2025, 1, 10, hour);
    d.repeat = RepeatKind::kWeekly;
    d.every = 2;
    d.weekdays = {2, 4};
    ids["every 2 weeks Mon Wed from a Friday"] = add(d);

    d = At(2025, 1, 14, hour);
    d.repeat = RepeatKind::kWeekly;
    d.pattern = WeeklyPattern::kWeekOfMonth;
    d.every = 2;
    d.weekdays = {3};
    ids["second Tuesday"] = add(d);

    d = At(2025, 1, 31, hour);
    d.repeat = RepeatKind::kWeekly;
    d.pattern = WeeklyPattern::kWeekOfMonth;
    d.every = 5;
    d.weekdays = {6, 1};
    ids["fifth Friday and Sunday"] = add(d);

    d = At(2025, 1, 7, hour);
    d.repeat = RepeatKind::kWeekly;
    d.pattern = WeeklyPattern::kWeekOfMonthAbsolute;
    d.every = 2;
    d.weekdays = {1, 3, 5};
    ids["second grid row Sun Tue Thu"] = add(d);

    d = At(2025, 1, 1, hour);
    d.repeat = RepeatKind::kMonthly;
    d.monthdays = {1, 15};
    d.months = {1, 2, 3};
    d.repeat_until = EncodeDate(2029, 2, 1);
    ids["monthly 1st and 15th in active months"] = add(d);

    d = At(2025, 1, 31, hour);
    d.repeat = RepeatKind::kMonthly;
    d.monthdays = {28, 31};
    ids["monthly 28th and 31st"] = add(d);

    d = At(2025, 2, 14, hour);
    d.repeat = RepeatKind::kYearly;
    ids["yearly 14 February"] = add(d);

    d = At(2025, 2, 28, hour);
    d.repeat = RepeatKind::kYearly;
    ids["yearly 28 February"] = add(d);

    d = At(2025, 3, 1, hour);
    d.repeat = RepeatKind::kDaily;
    d.months = {3, 4, 6};
    d.repeat_until = EncodeDate(2026, 6, 30);
    d.skipped = {EncodeDate(2025, 3, 1), EncodeDate(2025, 3, 5), EncodeDate(2026, 4, 30)};
    ids["daily in active months with skipped days"] = add(d);

    d = At(2025, 1, 8, hour);
    d.repeat = RepeatKind::kWeekly;
    d.weekdays = {4};
    d.skipped = {EncodeDate(2025, 1, 22), EncodeDate(2027, 3, 3)};
    ids["weekly with skipped days"] = add(d);

    d = At(2025, 6, 20, hour);
    ids["one day"] = add(d);
    return ids;
  }
};

// ---- Text ----

TEST(ICalTextTest, EscapesWhatTheStandardAsks) {
  EXPECT_EQ(ICalText("  a,b;c\\d  "), "a\\,b\\;c\\\\d");
  EXPECT_EQ(ICalText("a\r\nb\rc\nd"), "a\\nb\\nc\\nd");
  EXPECT_EQ(ICalText("a\r\n"), "a");
}

TEST(ICalTextTest, FoldsAtSeventyFiveOctets) {
  const std::string line = " :" + std::string(150, 'x');
  const std::vector<std::string> lines = FoldICalLine(line);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], " :" + std::string(73, 'x'));
  EXPECT_EQ(lines[1], " " + std::string(74, 'x'));
  EXPECT_EQ(lines[2], " " + std::string(3, 'x'));
  EXPECT_EQ(FoldICalLine("short"), std::vector<std::string>{"short"});
}

TEST(ICalTextTest, FoldNeverSplitsACharacter) {
  std::string line = " :";
  for (int i = 0; i < 60; ++i) line += "é€";  // 2 and 3 octets
  std::string joined;
  for (const std::string& l : FoldICalLine(line)) {
    EXPECT_LE(l.size(), 75u);
    const std::string body = joined.empty() ? l : l.substr(1);
    ASSERT_FALSE(body.empty());
    // No line starts on a continuation byte.
    EXPECT_NE(static_cast<unsigned char>(body[0]) & 0xC0, 0x80) << l;
    joined += body;
  }
  EXPECT_EQ(joined, line);
}

TEST(ICalTextTest, LocalTimeIsWrittenAsUtc) {
  ScopedZone utc("UTC");
  const DateTimeValue jan = EncodeDate(2010, 1, 5) + EncodeTime(9, 30, 0, 0);
  const DateTimeValue jul = EncodeDate(2010, 7, 5) + EncodeTime(9, 30, 0, 0);
  EXPECT_EQ(ICalUtcStamp(LocalToUtc(jan)), "20100105T093000Z");
  {
    ScopedZone zone(kNewYork);
    EXPECT_EQ(ICalUtcStamp(LocalToUtc(jan)), "20100105T143000Z");
    EXPECT_EQ(ICalUtcStamp(LocalToUtc(jul)), "20100705T133000Z");
  }
  ScopedZone zone(kBerlin);
  EXPECT_EQ(ICalUtcStamp(LocalToUtc(jan)), "20100105T083000Z");
  EXPECT_EQ(ICalUtcStamp(LocalToUtc(jul)), "20100705T073000Z");
}

// The UTC time of a local minute is remembered, but never across a change of
// zone, and it stays what mktime says in the skipped and the repeated hour:
// every minute of the days the clocks change in New York (an hour at 2:00),
// on Lord Howe Island (half an hour) and in Santiago (at midnight, so the
// day of the change starts in a skipped or a repeated hour), and of the
// days either side, each zone in turn.
TEST(ICalTextTest, LocalTimeAcrossSummerTimeChangesAndZones) {
  std::vector<DayNumber> days;
  for (DayNumber change : {EncodeDate(2025, 3, 9), EncodeDate(2025, 11, 2),
                           EncodeDate(2025, 4, 6), EncodeDate(2025, 10, 5),
                           EncodeDate(2025, 9, 7)}) {
    for (DayNumber day : {change - 1, change, change + 1}) days.push_back(day);
  }
  for (int pass = 0; pass < 2; ++pass) {
    for (const char* tz :
         {"America/New_York", "Australia/Lord_Howe", "America/Santiago", "UTC"}) {
      ScopedZone zone(tz);
      for (DayNumber day : days) {
        for (int minute = 0; minute < 24 * 60; ++minute) {
          const DateTimeValue local = day + EncodeTime(minute / 60, minute % 60, 0, 0);
          ASSERT_EQ(LocalToUtc(local), ToTimeT(local)) << tz << " " << minute;
        }
      }
    }
  }
  ScopedZone new_york("America/New_York");
  EXPECT_EQ(ICalUtcStamp(LocalToUtc(EncodeDate(2025, 3, 9) + EncodeTime(9, 0, 0, 0))),
            "20250309T130000Z");
  EXPECT_EQ(ICalUtcStamp(LocalToUtc(EncodeDate(2025, 3, 8) + EncodeTime(9, 0, 0, 0))),
            "20250308T140000Z");
  ScopedZone lord_howe("Australia/Lord_Howe");
  EXPECT_EQ(ICalUtcStamp(LocalToUtc(EncodeDate(2025, 1, 15) + EncodeTime(9, 0, 0, 0))),
            "20250114T220000Z");
  EXPECT_EQ(ICalUtcStamp(LocalToUtc(EncodeDate(2025, 7, 15) + EncodeTime(9, 0, 0, 0))),
            "20250714T223000Z");
}

// ---- Layout ----

TEST_F(ICalTest, HeaderAndEventItem) {
  EventDraft d = Timed("Team, meeting; \"A\\B\"", 2025, 3, 4, 9, 11);
  d.description = "a\r\nb";
  const std::string id = Add(d);
  const std::string text = Export();
  const std::vector<std::string> lines = testing::Lines(text);
  const std::vector<std::string> head = {"BEGIN:VCALENDAR",
                                         "VERSION",
                                         " :2.0",
                                         "PRODID",
                                         " :-//Vorlund//Web Almanix 0.1.0//EN",
                                         "METHOD",
                                         " :PUBLISH",
                                         "X-WR-CALNAME",
                                         " :Club",
                                         "BEGIN:VTIMEZONE",
                                         "TZID:UTC"};
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 11), head);
  EXPECT_TRUE(testing::HasRun(lines, {"END:VTIMEZONE", ""}));
  EXPECT_TRUE(testing::HasRun(lines, {"BEGIN:VEVENT",
                                      "UID",
                                      " :Club" + id + "@Web Almanix",
                                      "SUMMARY",
                                      " :Team\\, meeting\\; \"A\\\\B\"",
                                      "DESCRIPTION",
                                      " :a\\nb",
                                      "CATEGORIES",
                                      " :Club",
                                      "DTSTAMP",
                                      " :20260101T000000Z",
                                      "DTSTART;TZID=UTC",
                                      " :20250304T090000",
                                      "DTEND;TZID=UTC",
                                      " :20250304T110000",
                                      "END:VEVENT",
                                      ""}));
  // Nothing says an event is private or tentative.
  EXPECT_THAT(text, Not(HasSubstr("CLASS")));
  EXPECT_THAT(text, Not(HasSubstr("STATUS")));
  EXPECT_EQ(lines.back(), "END:VCALENDAR");
  EXPECT_EQ(text.substr(text.size() - 15), "END:VCALENDAR\r\n");
  EXPECT_EQ(ui_.messages.back(), ExportDoneMessage(root_ / "export.ics"));
  EXPECT_EQ(ui_.messages.back(),
            "Done!!! Export to file '" + (root_ / "export.ics") + "' Completed.");
}

TEST_F(ICalTest, LongTextIsFoldedAtSeventyFiveOctets) {
  // Summaries are kept to 64 characters; descriptions run long.
  EventDraft d = Timed("Long", 2025, 3, 4, 9, 11);
  d.description = std::string(150, 'd');
  Add(d);
  d.description.clear();
  for (int i = 0; i < 40; ++i) d.description += "\xC3\xA9\xE2\x82\xAC";  // é€
  Add(d);
  const std::vector<std::string> lines = testing::Lines(Export());
  EXPECT_TRUE(testing::HasRun(lines, {"DESCRIPTION", " :" + std::string(73, 'd'),
                                      " " + std::string(74, 'd'), " ddd", "CATEGORIES"}));
  for (const std::string& l : lines) {
    EXPECT_LE(l.size(), 75u) << l;
    if (l.size() > 1 && l[0] == ' ') {
      EXPECT_NE(static_cast<unsigned char>(l[1]) & 0xC0, 0x80) << "split character: " << l;
    }
  }
}

TEST_F(ICalTest, TextIsPlainTextAndTheLocationIsWritten) {
  // Imports keep other people's text HTML-escaped; the owner types HTML.
  EventDraft d = Timed("Tom &amp; Jerry, live", 2025, 3, 4, 9, 11);
  d.description = "<b>Bring</b> a chair;\r\nor two &lt;3";
  d.location = "Hall &amp; Garden, 2nd floor";
  const std::string id = Add(d);
  SetDay(2025, 3, 5, "Data1", "Caf&eacute; <i>closed</i>&nbsp;today");
  const std::string text = Export();
  const auto items = Items(text, "Club" + id + "@");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(Value(items[0], "SUMMARY"), "Tom & Jerry\\, live");
  EXPECT_EQ(Value(items[0], "DESCRIPTION"), "Bring a chair\\;\\nor two <3");
  EXPECT_EQ(Value(items[0], "LOCATION"), "Hall & Garden\\, 2nd floor");
  EXPECT_THAT(Unfolded(text), ::testing::Contains("SUMMARY:Caf&eacute\\; closed today"));
  // An event without a location has no LOCATION line.
  Add(Timed("Nowhere", 2025, 3, 6, 9, 11));
  EXPECT_EQ(testing::Lines(ReplaceAll(Export(), "LOCATION", "\r\nLOCATION")).size(),
            testing::Lines(Export()).size() + 1);
}

TEST_F(ICalTest, WeeklyRuleKeepsItsLayout) {
  EventDraft d = Timed("Mon Wed", 2025, 3, 3, 9, 10);
  d.repeat = RepeatKind::kWeekly;
  d.weekdays = {2, 4};
  const std::string id = Add(d);
  const std::string text = Export();
  EXPECT_TRUE(testing::HasRun(testing::Lines(text),
                              {"RRULE", " :FREQ=WEEKLY;", " INTERVAL=1;", " BYDAY=MO,WE;",
                               " BYMONTH=1,2,3,4,5,6,7,8,9,10,11,12;", "END:VEVENT"}));
  const auto items = Items(text, "Club" + id + "@");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(Value(items[0], "RRULE"),
            "FREQ=WEEKLY;INTERVAL=1;BYDAY=MO,WE;BYMONTH=1,2,3,4,5,6,7,8,9,10,11,12;");
}

TEST_F(ICalTest, TimedItemsAreLocalTimesAndUntilIsUtc) {
  EventDraft d = Timed("Until", 2025, 3, 3, 9, 10);
  d.repeat = RepeatKind::kMonthly;
  d.monthdays = {3};
  d.repeat_until = EncodeDate(2025, 12, 3);
  d.skipped = {EncodeDate(2025, 7, 3)};
  const std::string id = Add(d);
  auto items = Items(Export(), "Club" + id + "@");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(Value(items[0], "RRULE"),
            "FREQ=MONTHLY;INTERVAL=1;BYMONTHDAY=3;BYMONTH=1,2,3,4,5,6,7,8,9,10,11,12;"
            "UNTIL=20251203T235900Z");
  ScopedZone zone(kNewYorkZone);
  const std::string text = Export();
  items = Items(text, "Club" + id + "@");
  ASSERT_EQ(items.size(), 1u);
  // The last day ends at 23:59 in New York, in UTC as the standard asks.
  EXPECT_THAT(Value(items[0], "RRULE"), HasSubstr("UNTIL=20251204T045900Z"));
  EXPECT_EQ(Value(items[0], "DTSTART;TZID=America/New_York"), "20250303T090000");
  EXPECT_EQ(Value(items[0], "DTEND;TZID=America/New_York"), "20250303T100000");
  // A summer day keeps its wall-clock time too.
  EXPECT_EQ(Value(items[0], "EXDATE"), "20250703T130000Z");
  EXPECT_TRUE(testing::HasRun(Unfolded(text), {"BEGIN:VTIMEZONE", "TZID:America/New_York"}));
}

TEST_F(ICalTest, AWeeklyMorningKeepsItsHourAcrossDaylightSaving) {
  ScopedZone zone(kNewYorkZone);
  EventDraft d = Timed("Standup", 2026, 1, 5, 9, 10);
  d.repeat = RepeatKind::kWeekly;
  d.weekdays = {2};
  const std::string id = Add(d);
  const std::string text = Export();
  // libical places the instances with the file's own VTIMEZONE.
  icalcomponent* cal = icalparser_parse_string(text.c_str());
  ASSERT_NE(cal, nullptr);
  std::set<int> local_hours, utc_hours;
  int count = 0;
  struct Seen {
    std::set<int>*local, *utc;
    int* count;
  } seen{&local_hours, &utc_hours, &count};
  for (icalcomponent* ev = icalcomponent_get_first_component(cal, ICAL_VEVENT_COMPONENT); ev;
       ev = icalcomponent_get_next_component(cal, ICAL_VEVENT_COMPONENT)) {
    icalcomponent_foreach_recurrence(
        ev, icaltime_from_string("20260101T000000Z"), icaltime_from_string("20270101T000000Z"),
        [](icalcomponent*, icaltime_span* span, void* data) {
          auto* s = static_cast<Seen*>(data);
          s->local->insert(DecodeDateTime(FromTimeT(span->start)).hour);
          s->utc->insert(static_cast<int>(span->start % 86400 / 3600));
          ++*s->count;
        },
        &seen);
  }
  icalcomponent_free(cal);
  EXPECT_EQ(count, 52);
  EXPECT_EQ(local_hours, std::set<int>{9});
  EXPECT_EQ(utc_hours, (std::set<int>{13, 14}));
}

TEST_F(ICalTest, EveryAndPatternsAndSkippedDaysAreWritten) {
  EventDraft d = Timed("Every 3 days", 2025, 1, 6, 9, 10);
  d.repeat = RepeatKind::kDaily;
  d.every = 3;
  d.skipped = {EncodeDate(2025, 1, 9), EncodeDate(2025, 2, 3)};  // the second is no rule day
  const std::string daily = Add(d);
  d = Timed("Second Tuesday", 2025, 1, 14, 9, 10);
  d.repeat = RepeatKind::kWeekly;
  d.pattern = WeeklyPattern::kWeekOfMonth;
  d.every = 2;
  d.weekdays = {3};
  const std::string ordinal = Add(d);
  d.pattern = WeeklyPattern::kWeekOfMonthAbsolute;
  d.start = EncodeDate(2025, 1, 7) + 0.375;
  d.end = d.start + 0.04;
  const std::string row = Add(d);
  d = Timed("Birthday", 2025, 2, 14, 9, 10);
  d.repeat = RepeatKind::kYearly;
  const std::string yearly = Add(d);
  const std::string text = Export();

  auto items = Items(text, "Club" + daily + "@");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(Value(items[0], "RRULE"), "FREQ=DAILY;INTERVAL=3;BYMONTH=1,2,3,4,5,6,7,8,9,10,11,12;");
  EXPECT_EQ(Value(items[0], "EXDATE"), "20250109T090000Z");
  items = Items(text, "Club" + ordinal + "@");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(Value(items[0], "RRULE"),
            "FREQ=MONTHLY;INTERVAL=1;BYDAY=2TU;BYMONTH=1,2,3,4,5,6,7,8,9,10,11,12;");
  items = Items(text, "Club" + row + "@");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(Value(items[0], "RRULE"),
            "FREQ=MONTHLY;INTERVAL=1;BYDAY=TU;BYMONTHDAY=4,5,6,7,8,9,10;"
            "BYMONTH=1,2,3,4,5,6,7,8,9,10,11,12;");
  items = Items(text, "Club" + yearly + "@");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(Value(items[0], "RRULE"), "FREQ=YEARLY;INTERVAL=1;BYMONTHDAY=14;BYMONTH=2;");
}

TEST_F(ICalTest, EventsOfTheCategoryTheyWereMadeIn) {
  EventDraft d = Timed("Both", 2025, 3, 4, 9, 11);
  d.categories = {2, 3};
  const std::string id = Add(d, 2);
  EXPECT_THAT(Export(2), HasSubstr("Club" + id + "@"));
  EXPECT_THAT(Export(3), Not(HasSubstr("Club" + id + "@")));
}

TEST_F(ICalTest, EventsTheRuleNeverShowsAreLeftOut) {
  EventDraft d = Timed("Ends before it starts", 2025, 3, 4, 9, 11);
  d.repeat = RepeatKind::kDaily;
  d.repeat_until = EncodeDate(2025, 3, 1);
  const std::string id = Add(d);
  d = Timed("Skipped", 2025, 3, 4, 9, 11);
  d.skipped = {EncodeDate(2025, 3, 4)};
  const std::string skipped = Add(d);
  const std::string text = Export();
  EXPECT_THAT(text, Not(HasSubstr("Club" + id + "@")));
  EXPECT_THAT(text, Not(HasSubstr("Club" + skipped + "@")));
}

TEST_F(ICalTest, IdentifiersStayFromOneExportToTheNext) {
  const std::string first = Add(Timed("One", 2025, 3, 4, 9, 11));
  const std::string second = Add(Timed("Two", 2025, 3, 5, 9, 11));
  SetDay(2025, 3, 5, "Data1", "Bring cake");
  const std::string before = Export(1, kNow);
  Sql("delete from events where ID = " + store::SqlQuote(first));
  const std::string after = Export(1, kNow + 86400);
  const auto uids = [](const std::string& text) {
    std::vector<std::string> out;
    for (const std::string& l : Unfolded(text)) {
      if (l.rfind("UID:", 0) == 0) out.push_back(l);
    }
    return out;
  };
  const std::string note = "UID:A" + std::to_string(EncodeDate(2025, 3, 5)) + "-1@Web Almanix";
  EXPECT_EQ(uids(before), (std::vector<std::string>{note, "UID:Club" + first + "@Web Almanix",
                                                    "UID:Club" + second + "@Web Almanix"}));
  EXPECT_EQ(uids(after), (std::vector<std::string>{note, "UID:Club" + second + "@Web Almanix"}));
}

TEST_F(ICalTest, DayNotesAndAllDayEventsAreDatesInEveryZone) {
  SetDay(2025, 3, 5, "Data1", "  Bring cake\r\nand plates  ");
  SetDay(2025, 3, 6, "Data1", "   ");
  SetDay(2025, 3, 7, "Data2", "Other category");
  SetDay(2025, 3, 8, "Data1", "<br>");
  EventDraft d = Timed("Holiday", 2025, 7, 4, 0, 0);
  d.all_day = true;
  const std::string single = Add(d);
  d = Timed("Camp", 2025, 7, 7, 0, 0);
  d.end = EncodeDate(2025, 7, 9);
  d.all_day = true;
  const std::string camp = Add(d);
  d = Timed("Bins", 2025, 9, 1, 0, 0);
  d.all_day = true;
  d.repeat = RepeatKind::kWeekly;
  d.weekdays = {2};
  d.repeat_until = EncodeDate(2025, 9, 29);
  d.skipped = {EncodeDate(2025, 9, 15)};
  const std::string bins = Add(d);

  const std::string text = Export();
  std::vector<std::string> lines = testing::Lines(text);
  EXPECT_TRUE(testing::HasRun(
      lines, {"BEGIN:VEVENT", "UID", " :A45721-1@Web Almanix", "SUMMARY",
              " :Bring cake\\nand plates", "CATEGORIES", " :Club", "DTSTAMP", " :20260101T000000Z",
              "DTSTART;VALUE=DATE", " :20250305", "DTEND;VALUE=DATE", " :20250306", "END:VEVENT",
              ""}));
  EXPECT_THAT(text, Not(HasSubstr("A45722")));
  EXPECT_THAT(text, Not(HasSubstr("A45724")));  // a note of markup alone
  EXPECT_THAT(text, Not(HasSubstr("Other category")));
  auto items = Items(text, "Club" + single + "@");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(Value(items[0], "DTSTART;VALUE=DATE"), "20250704");
  EXPECT_EQ(Value(items[0], "DTEND;VALUE=DATE"), "20250705");
  items = Items(text, "Club" + camp + "@");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(Value(items[0], "DTEND;VALUE=DATE"), "20250710");
  items = Items(text, "Club" + bins + "@");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(Value(items[0], "DTEND;VALUE=DATE"), "20250902");
  EXPECT_THAT(Value(items[0], "RRULE"), HasSubstr(";UNTIL=20250929"));
  EXPECT_EQ(Value(items[0], "EXDATE;VALUE=DATE"), "20250915");
  // Dates only: no zone is needed, and every zone writes the same file.
  EXPECT_THAT(text, Not(HasSubstr("VTIMEZONE")));
  EXPECT_EQ(Texts(LibicalDays(text, "Club" + bins, 2025, 2025)),
            Texts({EncodeDate(2025, 9, 1), EncodeDate(2025, 9, 8), EncodeDate(2025, 9, 22),
                   EncodeDate(2025, 9, 29)}));
  for (const char* tz : {kNewYorkZone, kTokyoZone, kBerlin}) {
    ScopedZone zone(tz);
    EXPECT_EQ(Export(), text) << tz;
  }
}

TEST_F(ICalTest, RepeatedDaysRunFromTheStartToTheEndTimeOfTheirOwnDay) {
  EventDraft d = Timed("Camp", 2025, 7, 7, 9, 17);
  d.end = EncodeDate(2025, 7, 9) + EncodeTime(17, 0, 0, 0);
  d.repeat = RepeatKind::kDaily;
  d.repeat_until = EncodeDate(2025, 7, 9);
  const std::string id = Add(d);
  // A night shift ends on the next morning; an end before the start is
  // no end.
  d = Timed("Night", 2025, 7, 7, 22, 22);
  d.end = EncodeDate(2025, 7, 8) + EncodeTime(6, 0, 0, 0);
  d.repeat = RepeatKind::kDaily;
  const std::string night = Add(d);
  d = Timed("Backwards", 2025, 7, 7, 10, 10);
  d.end = EncodeDate(2025, 7, 7) + EncodeTime(8, 0, 0, 0);
  const std::string backwards = Add(d);
  const std::string text = Export();
  auto items = Items(text, "Club" + id + "@");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(Value(items[0], "DTSTART;TZID=UTC"), "20250707T090000");
  EXPECT_EQ(Value(items[0], "DTEND;TZID=UTC"), "20250707T170000");
  items = Items(text, "Club" + night + "@");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(Value(items[0], "DTEND;TZID=UTC"), "20250708T060000");
  items = Items(text, "Club" + backwards + "@");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(Value(items[0], "DTEND;TZID=UTC"), "20250707T100000");
}

TEST_F(ICalTest, EmptyPathFailsWithoutTheDoneMessage) {
  Result<std::string> done =
      ExportCategoryICal(session_->data.db(), 1, "Club", 2025, "", session_->app.brand, &ui_, kNow);
  EXPECT_FALSE(done.ok());
  EXPECT_TRUE(ui_.messages.empty());
  ASSERT_FALSE(ui_.progress.empty());
  EXPECT_EQ(ui_.progress.back(), std::make_pair(0, 0));
}

// ---- The exported days against the occurrence rule, expanded by libical ----

TEST_F(ICalTest, RepetitionsGiveTheProgramsDaysInUtc) { ExpectSameDays(AddRepetitions(9)); }

TEST_F(ICalTest, RepetitionsGiveTheProgramsDaysAtMidnightInUtc) {
  ExpectSameDays(AddRepetitions(0));
}

TEST_F(ICalTest, RepetitionsGiveTheProgramsDaysOnNewYorkEvenings) {
  ScopedZone zone(kNewYork);  // 20:00 is the next day in UTC
  ExpectSameDays(AddRepetitions(20));
}

TEST_F(ICalTest, RepetitionsGiveTheProgramsDaysNamedNewYorkAtMidnight) {
  ScopedZone zone(kNewYorkZone);
  ExpectSameDays(AddRepetitions(0));
}

TEST_F(ICalTest, RepetitionsGiveTheProgramsDaysAtMidnightInBerlin) {
  ScopedZone zone(kBerlin);  // midnight is the day before in UTC
  ExpectSameDays(AddRepetitions(0));
}

TEST_F(ICalTest, RepetitionsGiveTheProgramsDaysAtElevenPmInBerlin) {
  ScopedZone zone(kBerlin);  // the same UTC hour is today in winter, tomorrow in summer
  ExpectSameDays(AddRepetitions(23));
}

TEST_F(ICalTest, RepetitionsGiveTheProgramsDaysInTokyoMornings) {
  ScopedZone zone(kTokyoZone);  // 08:00 is the day before in UTC
  ExpectSameDays(AddRepetitions(8));
}

TEST_F(ICalTest, AllDayRepetitionsGiveTheProgramsDaysInNewYork) {
  ScopedZone zone(kNewYorkZone);
  ExpectSameDays(AddRepetitions(0, /*all_day=*/true));
}

TEST_F(ICalTest, EveryTwoWeeksAcrossFiftyThreeWeeksGetsAnItemPerRun) {
  EventDraft d = Timed("Fortnightly", 2025, 1, 14, 9, 10);  // ISO week 3: odd weeks
  d.description = "Odd weeks";
  d.repeat = RepeatKind::kWeekly;
  d.every = 2;
  d.weekdays = {3};
  const std::string id = Add(d);
  const std::string text = Export();
  const auto first = Items(text, "Club" + id + "@");
  ASSERT_EQ(first.size(), 1u);
  // ISO 2026 has 53 weeks: odd weeks follow week 53 with week 1.
  EXPECT_EQ(Value(first[0], "RRULE"),
            "FREQ=WEEKLY;INTERVAL=2;BYDAY=TU;BYMONTH=1,2,3,4,5,6,7,8,9,10,11,12;WKST=MO;"
            "UNTIL=20270103T235900Z");
  const auto next = Items(text, "Club" + id + "-2027@");
  ASSERT_EQ(next.size(), 1u);
  EXPECT_EQ(Value(next[0], "DTSTART;TZID=UTC"), "20270105T090000");
  const std::vector<DayNumber> days = LibicalDays(text, "Club" + id, 2026, 2027);
  EXPECT_TRUE(std::binary_search(days.begin(), days.end(), EncodeDate(2026, 12, 29)));
  EXPECT_TRUE(std::binary_search(days.begin(), days.end(), EncodeDate(2027, 1, 5)));
}

// The site's one-event files come from one calendar object, emptied
// between files, which keeps its head while the zone's years stay the
// same: each file must be what an object of its own writes.
TEST_F(ICalTest, OneObjectServesFileAfterFileAsFreshOnesWould) {
  ScopedZone zone("America/New_York");
  EventDraft d = Timed("This June", 2025, 6, 10, 9, 10);
  Add(d);
  d = Timed("All day", 2025, 6, 10, 0, 0);
  d.all_day = true;
  Add(d);
  d = Timed("Weekly since 2019", 2019, 6, 11, 18, 19);  // the zone's years from 2018
  d.repeat = RepeatKind::kWeekly;
  d.weekdays = {3};
  Add(d);
  d = Timed("Until 2090", 2025, 6, 12, 7, 8);  // past the horizon: years to 2080
  d.repeat = RepeatKind::kYearly;
  d.repeat_until = EncodeDate(2090, 6, 12);
  Add(d);
  Add(Timed("This June again", 2025, 6, 13, 9, 10));

  CalendarData data;
  ASSERT_TRUE(data.LoadEvents(session_->data.db()).ok());
  ASSERT_EQ(data.events().size(), 5u);
  const auto object = [] {
    return TICal("http://www.club.example", "Club", "Club's calendar",
                 TICal::Product{"Maker", "Name", "1.0"}, kNow, EncodeDate(2030, 12, 31));
  };
  TICal shared = object();
  std::set<std::string> heads;
  for (const EventRecord& e : data.events()) {
    SCOPED_TRACE(e.summary);
    shared.ClearItems();
    shared.AddEventIf(e, ",1,");
    TICal fresh = object();
    fresh.AddEventIf(e, ",1,");
    const std::string text = fresh.Text();
    EXPECT_EQ(shared.Text(), text);
    heads.insert(text.substr(0, text.find("BEGIN:VEVENT")));
  }
  // None, the zone from 2024 and from 2018: New York's rules have not
  // changed since 2007, so a zone to 2080 reads as one to 2030.
  EXPECT_EQ(heads.size(), 3u);
}

// ---- Plain text ----

TEST(ICalTextTest, PlainTextOfThePagesHtml) {
  const std::pair<std::string, std::string> cases[] = {
      {"Tom &amp; Jerry", "Tom & Jerry"},
      {"&lt;b&gt; is a tag", "<b> is a tag"},
      {"&quot;quoted&quot; &apos;too&apos;", "\"quoted\" 'too'"},
      {"a&nbsp;b", "a b"},
      {"caf&#233; &#x20AC;5", "caf\xC3\xA9 \xE2\x82\xAC" "5"},
      {"<b>Bold</b> and <a href=\"x.html\">linked</a>", "Bold and linked"},
      {"one<br>two<BR/>three", "one\ntwo\nthree"},
      {"<p>One</p><p>Two</p>", "One\n\nTwo\n"},
      // Text that only looks like markup stays.
      {"1 < 2 and 3 > 2", "1 < 2 and 3 > 2"},
      {"a <b unclosed", "a <b unclosed"},
      {"x<<b>y", "x<y"},
      {"AT&T; &copy; &unknown;", "AT&T; &copy; &unknown;"},
      // Entities are decoded once, after the tags are gone.
      {"&amp;lt;b&amp;gt;", "&lt;b&gt;"},
      {"&lt;br&gt;", "<br>"},
      // No control character or broken character comes out of an entity.
      {"bell&#7; &#xD800; &#1114112; &#x85;", "bell&#7; &#xD800; &#1114112; &#x85;"},
      {"line&#10;break", "line\nbreak"},
  };
  for (const auto& [html, text] : cases) EXPECT_EQ(PlainText(html), text) << html;
}

TEST(ICalTextTest, SubscribeAddressFromTheICalLinkOrThePublicAddress) {
  struct Case {
    std::string link, url, address;
  };
  const std::string placeholder = std::string(publish::kDefaultICalLink) + "ical.ics";
  const Case cases[] = {
      {placeholder, "http://", ""},
      {placeholder, "https://club.example.net/cal/Calendar.html",
       "webcal://club.example.net/cal/ical.ics"},
      {placeholder, "HTTP://Club.example.net/a/CALENDAR.HTML", "webcal://Club.example.net/a/ical.ics"},
      {placeholder, "http://club.example.net/index.html", "webcal://club.example.net/ical.ics"},
      {placeholder, "http://club.example.net", "webcal://club.example.net/ical.ics"},
      {placeholder, "ftp://club.example.net/Calendar.html", ""},
      {"webcal://cal.example.net/feeds/club.ics", "", "webcal://cal.example.net/feeds/club.ics"},
      {" webcal://cal.example.net/feeds/ ", "http://", "webcal://cal.example.net/feeds/ical.ics"},
      {"webcal://", "http://", ""},
      {"http://cal.example.net/ical.ics", "http://club.example.net/Calendar.html",
       "webcal://club.example.net/ical.ics"},
  };
  for (const Case& c : cases) {
    publish::PublishSettings s;
    s.SetText("iCal.Link", c.link);
    s.SetText("Publish.URL", c.url);
    EXPECT_EQ(SubscribeAddress(s), c.address) << c.link << " " << c.url;
  }
}

// ---- The generator's ical.ics ----

TEST_F(ICalTest, RunWritesTheFileOfTheTickedCategories) {
  settings().SetBool("iCal.Share", true);
  settings().set_text_file(publish::TextFile::kMacros, "[club]=Our Club\r\n");
  Tick({1, 2});
  const std::string one = Add(Timed("One", 2025, 3, 4, 9, 11), 1);
  const std::string two = Add(Timed("Two", 2025, 3, 5, 9, 11), 2);
  const std::string three = Add(Timed("Three", 2025, 3, 6, 9, 11), 3);
  SetDay(2025, 3, 5, "Data1", "Meet [club]");
  SetDay(2025, 3, 5, "Data2", "Second");
  SetDay(2025, 3, 7, "Data3", "Not published");
  Generate();
  ASSERT_TRUE(Has("ical.ics"));
  EXPECT_TRUE(Has("iCal.gif"));
  const std::string text = Page("ical.ics");
  const std::vector<std::string> lines = Unfolded(text);
  // The favorite's name, not its page's.
  EXPECT_TRUE(testing::HasRun(lines, {"X-WR-CALNAME:Club", "BEGIN:VTIMEZONE"}));
  EXPECT_TRUE(testing::HasRun(
      lines, {"BEGIN:VEVENT", "UID:A45721-1@www.example.org/almanix", "SUMMARY:Meet Our Club"}));
  EXPECT_TRUE(testing::HasRun(
      lines, {"BEGIN:VEVENT", "UID:A45721-2@www.example.org/almanix", "SUMMARY:Second"}));
  EXPECT_THAT(text, HasSubstr("UID\r\n :Club.html" + one + "@www.example.org/almanix\r\n"));
  EXPECT_THAT(text, HasSubstr("UID\r\n :Club.html" + two + "@www.example.org/almanix\r\n"));
  EXPECT_THAT(text, Not(HasSubstr("Club.html" + three + "@")));
  EXPECT_THAT(text, Not(HasSubstr("Not published")));
  // Each item once, though the run passes through two categories.
  EXPECT_EQ(Items(text, "Club.html" + one + "@").size(), 1u);

  // The title above the calendar, as plain text, names it when there is one.
  settings().SetText("Page.Title", "Club &amp; <i>Friends</i>");
  Generate();
  EXPECT_TRUE(testing::HasRun(Unfolded(Page("ical.ics")), {"X-WR-CALNAME:Club & Friends"}));
}

TEST_F(ICalTest, PagesOfferTheSubscriptionOnceTheAddressIsKnown) {
  settings().SetBool("iCal.Share", true);
  Add(Timed("One", 2025, 3, 4, 9, 11));
  Generate();
  const std::string page = Page("Club.html");
  ASSERT_THAT(page, HasSubstr("href=\"ical.ics\""));
  EXPECT_THAT(page, Not(HasSubstr("webcal:")));
  settings().SetText("Publish.URL", "https://club.example.net/cal/Calendar.html");
  Generate();
  EXPECT_THAT(Page("Club.html"), HasSubstr("<a href=\"webcal://club.example.net/cal/ical.ics\">"));
}

TEST_F(ICalTest, RunWithoutSharingWritesNoFile) {
  Add(Timed("One", 2025, 3, 4, 9, 11));
  Generate();
  EXPECT_FALSE(Has("ical.ics"));
}

}  // namespace
}  // namespace almanix::generator
