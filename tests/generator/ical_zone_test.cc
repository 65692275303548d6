#include "generator/ical_zone.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <libical/ical.h>

#include <ctime>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "app/dates.h"
#include "app/text.h"
#include "support/scoped_env.h"

namespace almanix::generator {
namespace {

using ::testing::Contains;
using ::testing::Not;

// The process's zone for one block.
class ScopedZone {
 public:
  explicit ScopedZone(const char* tz) : env_(std::in_place, "TZ", tz) { tzset(); }
  ~ScopedZone() {
    env_.reset();
    tzset();
  }

 private:
  std::optional<almanix::testing::ScopedEnv> env_;
};

std::time_t Utc(int year, int month, int day, int hour = 0, int minute = 0) {
  return static_cast<std::time_t>(EncodeDate(year, month, day) - EncodeDate(1970, 1, 1)) * 86400 +
         hour * 3600 + minute * 60;
}

TEST(ICalZoneTest, NameFromTzTheLocaltimeLinkOrTheTimezoneFile) {
  struct Case {
    std::optional<std::string> tz;
    std::string link, file, name;
  };
  const Case cases[] = {
      {"America/New_York", "/usr/share/zoneinfo/Etc/UTC", "Etc/UTC", "America/New_York"},
      {":Europe/Berlin", "", "", "Europe/Berlin"},
      {"/usr/share/zoneinfo/Asia/Tokyo", "", "", "Asia/Tokyo"},
      {"EST5EDT,M3.2.0,M11.1.0", "", "", "EST5EDT_M3.2.0_M11.1.0"},
      {"<+0330>-3:30", "", "", "_+0330_-3_30"},
      {"", "/usr/share/zoneinfo/Europe/Berlin", "", "UTC"},
      {std::nullopt, "../usr/share/zoneinfo/Europe/Berlin", "Europe/Paris", "Europe/Berlin"},
      {std::nullopt, "/usr/share/zoneinfo/posix/Asia/Tokyo", "", "Asia/Tokyo"},
      {std::nullopt, "", "Europe/Paris\n", "Europe/Paris"},
      {std::nullopt, "", "", "UTC"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ZoneName({c.tz, c.link, c.file}), c.name) << c.tz.value_or("(no TZ)") << " " << c.link;
  }
}

TEST(ICalZoneTest, ChangesAreFoundToTheSecond) {
  ScopedZone zone("America/New_York");
  const std::vector<ZoneChange> changes = ZoneChanges(Utc(2026, 1, 1), Utc(2027, 1, 1));
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0].at, Utc(2026, 3, 8, 7));
  EXPECT_EQ(changes[0].before, (ZoneState{-18000, false, "EST"}));
  EXPECT_EQ(changes[0].after, (ZoneState{-14400, true, "EDT"}));
  EXPECT_EQ(changes[1].at, Utc(2026, 11, 1, 6));
}

TEST(ICalZoneTest, YearlyChangesBecomeRules) {
  {
    ScopedZone zone("America/New_York");
    EXPECT_EQ(VTimezoneLines("America/New_York", 2026, 2031),
              (std::vector<std::string>{
                  "BEGIN:VTIMEZONE", "TZID:America/New_York",
                  // The state the years begin in.
                  "BEGIN:STANDARD", "DTSTART:20251231T190000", "TZOFFSETFROM:-0500",
                  "TZOFFSETTO:-0500", "TZNAME:EST", "END:STANDARD",
                  "BEGIN:DAYLIGHT", "DTSTART:20260308T020000", "TZOFFSETFROM:-0500",
                  "TZOFFSETTO:-0400", "TZNAME:EDT", "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU",
                  "END:DAYLIGHT",
                  "BEGIN:STANDARD", "DTSTART:20261101T020000", "TZOFFSETFROM:-0400",
                  "TZOFFSETTO:-0500", "TZNAME:EST", "RRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU",
                  "END:STANDARD", "END:VTIMEZONE"}));
    // The rules before 2007 end; the new ones go on.
    const std::vector<std::string> lines = VTimezoneLines("America/New_York", 2004, 2012);
    EXPECT_THAT(lines, Contains("RRULE:FREQ=YEARLY;BYMONTH=4;BYDAY=1SU;UNTIL=20060403T070000Z"));
    EXPECT_THAT(lines,
                Contains("RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU;UNTIL=20061030T060000Z"));
    EXPECT_THAT(lines, Contains("RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU"));
  }
  {
    ScopedZone zone("Europe/Berlin");
    const std::vector<std::string> lines = VTimezoneLines("Europe/Berlin", 2020, 2030);
    EXPECT_THAT(lines, Contains("RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU"));
    EXPECT_THAT(lines, Contains("RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU"));
    EXPECT_THAT(lines, Contains("DTSTART:20201025T030000"));
  }
  {
    // No daylight saving: the one state.
    ScopedZone zone("Asia/Tokyo");
    EXPECT_EQ(VTimezoneLines("Asia/Tokyo", 2020, 2030),
              (std::vector<std::string>{"BEGIN:VTIMEZONE", "TZID:Asia/Tokyo", "BEGIN:STANDARD",
                                        "DTSTART:20200101T090000", "TZOFFSETFROM:+0900",
                                        "TZOFFSETTO:+0900", "TZNAME:JST", "END:STANDARD",
                                        "END:VTIMEZONE"}));
  }
  {
    // Daylight saving that ended: its rule ends with it.
    ScopedZone zone("America/Sao_Paulo");
    const std::vector<std::string> lines = VTimezoneLines("America/Sao_Paulo", 2015, 2030);
    for (const std::string& l : lines) {
      if (l.rfind("RRULE:", 0) == 0) {
        EXPECT_THAT(l, ::testing::HasSubstr(";UNTIL=")) << l;
      }
    }
  }
}

// libical, reading only the VTIMEZONE we write, gives the offset the C
// library gives around every change and through the years.
TEST(ICalZoneTest, ReadersGetTheOffsetsOfTheZone) {
  // Zones of rules are checked past the years written; Casablanca's changes
  // follow the moon, so only the years written can hold them.
  const std::pair<const char*, int> zones[] = {
      {"America/New_York", 2036},  {"Europe/Berlin", 2036},     {"Asia/Tokyo", 2036},
      {"Australia/Lord_Howe", 2036}, {"America/Sao_Paulo", 2036}, {"Europe/Moscow", 2036},
      {"Africa/Casablanca", 2031}, {"America/St_Johns", 2036},  {"EST5EDT,M3.2.0,M11.1.0", 2036},
      {"<+0330>-3:30", 2036}};
  for (const auto& [tz, until_year] : zones) {
    SCOPED_TRACE(tz);
    ScopedZone zone(tz);
    const std::string name = ZoneName({tz, "", ""});
    std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n";
    for (const std::string& line : VTimezoneLines(name, 2000, 2030)) text += line + "\r\n";
    text += "END:VCALENDAR\r\n";
    icalcomponent* cal = icalparser_parse_string(text.c_str());
    ASSERT_NE(cal, nullptr);
    icaltimezone* ical_zone = icalcomponent_get_timezone(cal, name.c_str());
    ASSERT_NE(ical_zone, nullptr);
    std::vector<std::time_t> times;
    for (const ZoneChange& c : ZoneChanges(Utc(2000, 1, 1), Utc(2031, 1, 1))) {
      times.push_back(c.at - 1);
      times.push_back(c.at);
    }
    for (std::time_t t = Utc(2000, 1, 1, 3); t < Utc(until_year, 1, 1); t += 5 * 86400 + 3600) {
      times.push_back(t);
    }
    int wrong = 0;
    for (std::time_t t : times) {
      icaltimetype at = icaltime_from_timet_with_zone(t, 0, icaltimezone_get_utc_timezone());
      int is_daylight = 0;
      const int offset = icaltimezone_get_utc_offset_of_utc_time(ical_zone, &at, &is_daylight);
      if (offset != ZoneStateAt(t).offset && ++wrong <= 5) {
        ADD_FAILURE() << "at " << t << ": " << offset << " instead of " << ZoneStateAt(t).offset;
      }
    }
    EXPECT_EQ(wrong, 0);
    icalcomponent_free(cal);
  }
}

TEST(ICalZoneTest, WholeMinutesAndSecondsOfOffsets) {
  ScopedZone zone("<+0330>-3:30");
  EXPECT_THAT(VTimezoneLines("x", 2020, 2020), Contains("TZOFFSETTO:+0330"));
  ScopedZone lmt("<LMT>-0:30:15");
  EXPECT_THAT(VTimezoneLines("x", 2020, 2020), Contains("TZOFFSETTO:+003015"));
  EXPECT_THAT(VTimezoneLines("x", 2020, 2020), Not(Contains("TZNAME:")));
}

}  // namespace
}  // namespace almanix::generator
