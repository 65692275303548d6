// Calendar files shaped like the big calendar programs' exports, imported
// in four zones; the days and times the calendar then shows are compared
// with an expansion that is not ours (tools/ical_expand.py: python3-icalendar
// and recurring-ical-events).
#include <cstdio>
#include <ctime>
#include <iostream>
#include <map>
#include <optional>
#include <regex>
#include <set>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/dates.h"
#include "exchange/ical_import.h"
#include "store/db_engine.h"
#include "store/event_queries.h"
#include "support/fake_ui.h"
#include "support/scoped_env.h"
#include "support/temp_root.h"
#include "support/test_program.h"

namespace almanix::exchange {
namespace {

const std::string kCorpus = std::string(TEST_DATA_DIR) + "/ical/";
const char* const kZones[] = {"UTC", "America/New_York", "Europe/Berlin", "Asia/Tokyo"};

struct CorpusFile {
  const char* name;
  int vevents;     // VEVENT blocks
  int left_out;    // events not imported, each with a message
  int rows_utc;    // rows written when imported in UTC
  int occurrences;  // in 2025-2026, the same in every zone
};

// Rows: a rule the calendar can hold is one row (two for every other week
// across a 53-week year); any other rule one row a date.
const CorpusFile kFiles[] = {
    {"folded_escapes.ics", 4, 0, 4, 4},
    {"google_tzid_utc_until.ics", 3, 0, 194, 205},
    {"tokyo_rule.ics", 2, 0, 2, 96},
    {"outlook_windows_zone.ics", 4, 0, 37, 37},
    {"recurrence_id_utc.ics", 3, 0, 13, 13},
    {"rdate_periods.ics", 2, 0, 7, 7},
    {"us_holidays.ics", 6, 0, 9, 18},
    {"until_and_biweekly.ics", 3, 0, 734, 79},
};

std::string Run(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  pclose(pipe);
  return out;
}

// The independent expander's lines, without end times: the calendar shows
// an occurrence on its day at its start.
std::multiset<std::string> Expected(const std::string& file, const std::string& zone) {
  const std::string tool = std::string(TEST_DATA_DIR) + "/../../tools/ical_expand.py";
  const std::string text =
      Run("/usr/bin/python3 " + tool + " " + file + " " + zone + " 2025-01-01 2027-01-01");
  static const std::regex end_time(R"(^(\d{4}-\d\d-\d\d \d\d:\d\d)-\d\d:\d\d)");
  std::multiset<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t nl = text.find('\n', at);
    if (nl == std::string::npos) nl = text.size();
    const std::string line = text.substr(at, nl - at);
    if (!line.empty()) lines.insert(std::regex_replace(line, end_time, "$1"));
    at = nl + 1;
  }
  return lines;
}

std::string Unescaped(std::string s) {
  for (const auto& [entity, c] : {std::pair<std::string, std::string>{"&lt;", "<"},
                                  {"&gt;", ">"}, {"&amp;", "&"}}) {
    for (size_t p; (p = s.find(entity)) != std::string::npos;) s.replace(p, entity.size(), c);
  }
  return s;
}

// What the calendar shows, day by day, by its own occurrence rule.
std::multiset<std::string> Shown(store::Database& db, int category) {
  store::Query q(db);
  EXPECT_TRUE(q.Open("Select * from Events").ok());
  struct Info {
    std::string summary;
    bool all_day;
    double start;
  };
  std::map<std::string, Info> info;
  for (Status s = q.First(); s.ok() && !q.Eof(); s = q.Next()) {
    info[q.AsString("ID")] = {Unescaped(q.AsString("Summary")), q.AsString("Allday") == "T",
                              q.AsFloat("sDateTime")};
  }
  std::vector<store::ParsedRow> rows = store::ParseRows(q);
  std::multiset<std::string> shown;
  for (DayNumber d = EncodeDate(2025, 1, 1); d <= EncodeDate(2026, 12, 31); ++d) {
    const store::DayKey key = store::DayKey::For(d);
    for (const store::ParsedRow& row : rows) {
      if (!row.event.OccursOn(key, category)) continue;
      const Info& i = info[row.id];
      const std::string day = FormatDateTime("yyyy-mm-dd", d);
      shown.insert(i.all_day ? day + "  " + i.summary
                             : day + " " + FormatDateTime("hh:nn", i.start) + "  " + i.summary);
    }
  }
  return shown;
}

// TZ for the import; the process's zone is read again when it is put back.
class ZoneEnv {
 public:
  explicit ZoneEnv(const char* zone) {
    tz_.emplace("TZ", zone);
    tzset();
  }
  ~ZoneEnv() {
    tz_.reset();
    tzset();
  }

 private:
  std::optional<almanix::testing::ScopedEnv> tz_;
};

TEST(IcalCorpusTest, EveryFileAgreesWithAnIndependentExpansionInFourZones) {
  for (const CorpusFile& f : kFiles) {
    for (const char* zone : kZones) {
      SCOPED_TRACE(std::string(f.name) + " in " + zone);
      almanix::testing::TempRoot root;
      almanix::testing::TestProgram program;
      ASSERT_TRUE(program.StartIn(root.path()).ok());
      almanix::testing::FakeUi ui;
      Result<IcsImportResult> r = [&] {
        ZoneEnv in(zone);
        return ImportIcsFile(program.data.db(), kCorpus + f.name, 2, ui, nullptr);
      }();
      ASSERT_TRUE(r.ok()) << r.status().message();
      EXPECT_EQ(r.value().vevents, f.vevents);
      EXPECT_EQ(r.value().not_understood, f.left_out);
      if (std::string(zone) == "UTC") {
        EXPECT_EQ(r.value().written, f.rows_utc);
      }
      const std::multiset<std::string> expected = Expected(kCorpus + f.name, zone);
      const std::multiset<std::string> shown = Shown(program.data.db(), 2);
      EXPECT_EQ(static_cast<int>(expected.size()), f.occurrences);
      EXPECT_THAT(shown, ::testing::ContainerEq(expected));
      std::cout << "| " << f.name << " | " << zone << " | " << r.value().written << " | "
                << ui.messages.size() << " | " << shown.size() << " / " << expected.size()
                << " |\n";
    }
  }
}

// Files the independent expander cannot take (a rule by the second has no
// end there) or refuses whole: what we keep, and what we say.
TEST(IcalCorpusTest, RulesBelowADayAreCappedAndReportedQuickly) {
  almanix::testing::TempRoot root;
  almanix::testing::TestProgram program;
  ASSERT_TRUE(program.StartIn(root.path()).ok());
  almanix::testing::FakeUi ui;
  Result<IcsImportResult> r =
      ImportIcsFile(program.data.db(), kCorpus + "sub_daily.ics", 2, ui, nullptr);
  ASSERT_TRUE(r.ok()) << r.status().message();
  EXPECT_EQ(r.value().vevents, 4);
  // Tick and Minutes stop at 2,000 dates each, Check has its 12, and the
  // daily event is one row.
  EXPECT_EQ(r.value().written, 2000 + 2000 + 12 + 1);
  EXPECT_THAT(ui.messages,
              ::testing::ElementsAre(
                  ::testing::HasSubstr("\"Tick\" repeats more often than once a day: 2000 dates "
                                       "up to 2026-01-06 were imported as single events; later "
                                       "dates were left out."),
                  ::testing::HasSubstr("\"Minutes\" repeats more often than once a day: 2000"),
                  ::testing::EndsWith("12 dates up to 2026-01-08 were imported as single "
                                      "events.")));
}

// RDATE periods: dateutil fails on them ("'<' not supported between
// datetime and tuple"), so the expected days are the standard's reading.
TEST(IcalCorpusTest, RdatePeriodsKeepTheirOwnLengths) {
  almanix::testing::TempRoot root;
  almanix::testing::TestProgram program;
  ASSERT_TRUE(program.StartIn(root.path()).ok());
  almanix::testing::FakeUi ui;
  ZoneEnv in("America/New_York");
  Result<IcsImportResult> r =
      ImportIcsFile(program.data.db(), kCorpus + "rdate_period_values.ics", 2, ui, nullptr);
  ASSERT_TRUE(r.ok()) << r.status().message();
  store::Query q(program.data.db());
  ASSERT_TRUE(q.Open("Select * from Events order by sDateTime").ok());
  std::vector<std::string> spans;
  for (Status s = q.First(); s.ok() && !q.Eof(); s = q.Next()) {
    spans.push_back(FormatDateTime("yyyy-mm-dd hh:nn", q.AsFloat("sDateTime")) + "-" +
                    FormatDateTime("hh:nn", q.AsFloat("eDateTime")));
  }
  EXPECT_THAT(spans, ::testing::ElementsAre("2025-08-01 08:00-09:00", "2025-08-15 08:00-10:00",
                                            "2025-08-29 08:00-09:00"));
}

TEST(IcalCorpusTest, MalformedFilesKeepTheCompleteEventsAndNameTheFaults) {
  almanix::testing::TempRoot root;
  almanix::testing::TestProgram program;
  ASSERT_TRUE(program.StartIn(root.path()).ok());
  almanix::testing::FakeUi ui;
  Result<IcsImportResult> r =
      ImportIcsFile(program.data.db(), kCorpus + "malformed_missing_end.ics", 2, ui, nullptr);
  ASSERT_TRUE(r.ok()) << r.status().message();
  EXPECT_EQ(r.value().vevents, 5);
  EXPECT_EQ(r.value().not_understood, 2);
  EXPECT_EQ(r.value().written, 3);
  EXPECT_THAT(
      ui.messages,
      ::testing::ElementsAre(
          "line 37: the file ends before END:VCALENDAR",
          "Could not understand event # 0 \"Impossible day\" (line 7: DTSTART: the date "
          "20240230 does not exist)",
          "\"Two starts\" (line 14: DTSTART is repeated; the first one is used)",
          "\"Sloppy lines\" (line 22 has no colon: \"this line has no colon\")",
          "\"Sloppy lines\" (line 23: DTEND has an empty parameter)",
          "\"Backwards\" (line 26): it ends before it starts; it was given no length",
          "Could not understand event # 4 \"Cut off\" (line 37: the file ends before "
          "END:VEVENT)"));
  store::Query q(program.data.db());
  ASSERT_TRUE(q.Open("Select * from Events order by ID").ok());
  std::vector<std::string> starts;
  for (Status s = q.First(); s.ok() && !q.Eof(); s = q.Next()) {
    starts.push_back(q.AsString("Summary") + " " +
                     FormatDateTime("yyyy-mm-dd hh:nn", q.AsFloat("sDateTime")) + "-" +
                     FormatDateTime("hh:nn", q.AsFloat("eDateTime")));
  }
  EXPECT_THAT(starts, ::testing::ElementsAre("Two starts 2025-04-02 10:00-11:00",
                                             "Sloppy lines 2025-04-04 10:00-10:00",
                                             "Backwards 2025-04-05 10:00-10:00"));
}

}  // namespace
}  // namespace almanix::exchange
