#include "exchange/ical_import.h"

#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/dates.h"
#include "app/config.h"
#include "support/test_program.h"
#include "generator/ical.h"
#include "store/event_draft.h"
#include "store/year_tables.h"
#include "store/db_engine.h"
#include "store/event_queries.h"
#include "support/fake_ui.h"
#include "support/temp_root.h"

namespace almanix::exchange {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using almanix::testing::WriteAll;

std::string Calendar(const std::string& events) {
  return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\n" + events +
         "END:VCALENDAR\r\n";
}

std::string Event(const std::string& body) {
  return "BEGIN:VEVENT\r\nUID:u@example.org\r\nDTSTAMP:20250101T000000Z\r\n" + body +
         "END:VEVENT\r\n";
}

class IcalImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session_ = std::make_unique<almanix::testing::TestProgram>();
    ASSERT_TRUE(session_->StartIn(root_.path()).ok());
  }
  IcsImportResult Import(const std::string& text) {
    const std::string path = root_ / "in.ics";
    WriteAll(path, text);
    Result<IcsImportResult> r = ImportIcsFile(session_->data.db(), path, 2, ui_, nullptr);
    EXPECT_TRUE(r.ok()) << r.status().message();
    return r.ok() ? r.value() : IcsImportResult{};
  }
  // A column of every row, in table order.
  std::vector<std::string> Column(const std::string& name) {
    store::Query q(session_->data.db());
    EXPECT_TRUE(q.Open("Select * from Events order by ID").ok());
    std::vector<std::string> out;
    for (Status walk = q.First(); walk.ok() && !q.Eof(); walk = q.Next()) out.push_back(q.AsString(name));
    return out;
  }
  // The days the calendar's own rule shows the imported events on.
  std::vector<std::string> Days(int y1, int m1, int d1, int y2, int m2, int d2) {
    store::Query q(session_->data.db());
    EXPECT_TRUE(q.Open("Select * from Events").ok());
    std::vector<store::ParsedRow> rows = store::ParseRows(q);
    std::vector<std::string> days;
    for (DayNumber d = EncodeDate(y1, m1, d1); d <= EncodeDate(y2, m2, d2); ++d) {
      for (const store::ParsedRow& r : rows) {
        if (r.event.OccursOn(store::DayKey::For(d), 2)) days.push_back(FormatDateTime("yyyy-mm-dd", d));
      }
    }
    return days;
  }

  almanix::testing::TempRoot root_;
  std::ostringstream err_;
  std::unique_ptr<almanix::testing::TestProgram> session_;
  almanix::testing::FakeUi ui_;
};

TEST_F(IcalImportTest, DatesTimesZonesAndTexts) {
  IcsImportResult r = Import(Calendar(
      Event("DTSTART;VALUE=DATE:20100105\r\nDTEND;VALUE=DATE:20100106\r\nSUMMARY:Holiday\r\n") +
      Event("DTSTART:20100105T093000Z\r\nDTEND:20100105T103000Z\r\nSUMMARY:Call\r\n") +
      Event("DTSTART;TZID=Europe/Berlin:20100705T093000\r\nDURATION:PT2H\r\n"
            "SUMMARY:Berlin <b>meeting</b>\r\n"
            "DESCRIPTION:Agenda\\, first part\\nand the rest that is long enough to be fol\r\n"
            " ded by the exporter\r\nLOCATION:Room 1\\; east\r\n"
            "URL:javascript:alert(1)\r\n")));
  EXPECT_EQ(r.written, 3);
  EXPECT_THAT(Column("Allday"), ElementsAre("T", "F", "F"));
  EXPECT_THAT(Column("sDate"), ElementsAre(std::to_string(EncodeDate(2010, 1, 5)),
                                           std::to_string(EncodeDate(2010, 1, 5)),
                                           std::to_string(EncodeDate(2010, 7, 5))));
  // Times in UTC or a zone become the local clock (TZ=UTC here).
  EXPECT_THAT(Column("sTime"), ElementsAre("0", "395833", "312500"));
  EXPECT_THAT(Column("caption"), ElementsAre("12:00am", "9:30am", "7:30am"));
  EXPECT_THAT(Column("eDateTime")[2], ::testing::StartsWith(std::to_string(EncodeDate(2010, 7, 5))));
  EXPECT_THAT(Column("Summary")[2], "Berlin &lt;b&gt;meeting&lt;/b&gt;");
  EXPECT_EQ(Column("Description")[2],
            "Agenda, first part and the rest that is long enough to be folded by the exporter");
  EXPECT_EQ(Column("Location")[2], "Room 1; east");
  EXPECT_THAT(Column("URL"), ElementsAre("http://", "http://", "http://"));
  EXPECT_THAT(Column("Calendars"), ElementsAre(",2,", ",2,", ",2,"));
  EXPECT_THAT(Column("ShowStartTime"), ElementsAre("F", "T", "T"));
}

TEST_F(IcalImportTest, RulesTheCalendarCanHoldKeepTheirDays) {
  Import(Calendar(Event("DTSTART:20250303T180000\r\nSUMMARY:Yoga\r\n"
                        "RRULE:FREQ=WEEKLY;BYDAY=MO,WE;UNTIL=20250312T235959\r\n"
                        "EXDATE:20250305T180000\r\n")));
  EXPECT_THAT(Column("rChoice"), ElementsAre("W"));
  EXPECT_THAT(Column("rWeekly"), ElementsAre(",2,4,"));
  EXPECT_THAT(Column("rEnds"), ElementsAre(std::to_string(EncodeDate(2025, 3, 12))));
  EXPECT_THAT(Column("F2"), ElementsAre(std::to_string(EncodeDate(2025, 3, 5))));
  EXPECT_THAT(Days(2025, 3, 1, 2025, 3, 31), ElementsAre("2025-03-03", "2025-03-10", "2025-03-12"));
}

TEST_F(IcalImportTest, OrdinalCountDailyAndYearly) {
  Import(Calendar(
      Event("DTSTART:20250114T190000\r\nSUMMARY:Book club\r\nRRULE:FREQ=MONTHLY;BYDAY=2TU;COUNT=3\r\n") +
      Event("DTSTART;VALUE=DATE:19800607\r\nSUMMARY:Anniversary\r\nRRULE:FREQ=YEARLY\r\n") +
      Event("DTSTART:20250401T070000\r\nSUMMARY:Run\r\nRRULE:FREQ=DAILY;INTERVAL=3;COUNT=4\r\n")));
  EXPECT_THAT(Column("F3"), ElementsAre("W", "", ""));
  EXPECT_THAT(Column("F1"), ElementsAre("2", "", "3"));
  EXPECT_THAT(Column("rChoice"), ElementsAre("W", "M", "D"));
  EXPECT_THAT(Days(2025, 1, 1, 2025, 4, 30),
              ElementsAre("2025-01-14", "2025-02-11", "2025-03-11", "2025-04-01", "2025-04-04",
                          "2025-04-07", "2025-04-10"));
  EXPECT_THAT(Days(2030, 6, 1, 2030, 6, 30), ElementsAre("2030-06-07"));
}

TEST_F(IcalImportTest, RulesTheCalendarCannotHoldBecomeSingleDates) {
  // The last weekday of the month cannot be said; every third week across
  // the year's end, where the calendar counts week numbers, becomes two
  // rows that each start in step.
  IcsImportResult r = Import(Calendar(
      Event("DTSTART:20250131T170000\r\nSUMMARY:Payday\r\n"
            "RRULE:FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1;COUNT=3\r\n") +
      Event("DTSTART:20251208T100000\r\nSUMMARY:Review\r\n"
            "RRULE:FREQ=WEEKLY;INTERVAL=3;UNTIL=20260131T000000\r\n")));
  EXPECT_EQ(r.vevents, 2);
  EXPECT_EQ(r.expanded, 1);
  EXPECT_THAT(Days(2025, 1, 1, 2025, 3, 31), ElementsAre("2025-01-31", "2025-02-28", "2025-03-31"));
  EXPECT_THAT(Days(2025, 12, 1, 2026, 2, 28), ElementsAre("2025-12-08", "2025-12-29", "2026-01-19"));
  EXPECT_THAT(ui_.messages, ElementsAre(HasSubstr("\"Payday\" repeats in a way")));
  EXPECT_THAT(Column("rChoice"), ElementsAre("", "", "", "W", "W"));
}

// A rule by the second or the hour without an end: libical would walk every
// second of four years (found by the fuzzer: minutes for a 370-byte file).
TEST_F(IcalImportTest, RulesBelowADayAreExpandedOnlyAsFarAsTheDatesKept) {
  IcsImportResult r = Import(Calendar(
      Event("DTSTART:20260106T093000\r\nSUMMARY:Tick\r\nRRULE:FREQ=SECONDLY\r\n") +
      Event("DTSTART:20260106T093000\r\nSUMMARY:Hourly\r\nRRULE:FREQ=HOURLY;INTERVAL=5\r\n")));
  EXPECT_EQ(r.vevents, 2);
  // At most 2,000 dates an event, starting on its first day.
  EXPECT_THAT(Days(2026, 1, 6, 2026, 1, 6), ::testing::Contains("2026-01-06"));
  EXPECT_LE(Column("Summary").size(), 2u * 2000u);
  EXPECT_GE(Column("Summary").size(), 2u);
}

TEST_F(IcalImportTest, BadFilesAndEventsWithoutStart) {
  const std::string path = root_ / "junk.ics";
  WriteAll(path, "this is not a calendar");
  EXPECT_FALSE(ImportIcsFile(session_->data.db(), path, 2, ui_, nullptr).ok());
  IcsImportResult r = Import(Calendar(Event("SUMMARY:No date\r\n") +
                                      Event("DTSTART:20250101T100000\r\nSUMMARY:Ok\r\n")));
  EXPECT_EQ(r.written, 1);
  EXPECT_THAT(ui_.messages, ElementsAre("Could not understand event # 0 \"No date\" (line 4: it has no DTSTART)"));
}

TEST(IcsReadTest, LongLinesAreReadWhole) {
  // 8 MB on one line, then lines of every length around libical's buffer,
  // and a last line without its line break.
  almanix::testing::TempRoot root;
  const std::string long_text(8 << 20, 'x');
  std::string events = Event("DTSTART:20250101\r\nSUMMARY:Long\r\nDESCRIPTION:" + long_text +
                             "\r\n");
  const std::vector<size_t> lengths = {1022, 1023, 1024, 1025, 4096};
  for (size_t n : lengths) {
    events += Event("DTSTART:20250102\r\nSUMMARY:" + std::string(n, 'a' + n % 26) + "\r\n");
  }
  std::string text = Calendar(events);
  text.resize(text.size() - 2);
  const std::string path = root / "long.ics";
  WriteAll(path, text);
  IcsImportResult result;
  Result<std::vector<IcsEvent>> read = ReadIcsFile(path, 2, &result);
  ASSERT_TRUE(read.ok()) << read.status().message();
  ASSERT_EQ(read.value().size(), 6u);
  EXPECT_EQ(read.value()[0].description, long_text);
  for (size_t i = 0; i < lengths.size(); ++i) {
    EXPECT_EQ(read.value()[i + 1].summary, std::string(lengths[i], 'a' + lengths[i] % 26));
  }
}

TEST_F(IcalImportTest, OurOwnExportReadsBackToTheSameDays) {
  // Events made in category 1 by the editor's rules, exported, then read
  // into category 2: both must fall on the same days.
  ASSERT_TRUE(session_->Years().EnsureQuiet(EncodeDate(2025, 1, 1)).ok());
  store::Query q(session_->data.db());
  auto add = [&](store::EventDraft d) {
    d.categories = {1};
    ASSERT_TRUE(store::AddEvent(q, d, 1).ok());
  };
  store::EventDraft walk;
  walk.summary = "Walk";
  walk.start = EncodeDate(2025, 1, 7) + 9.5 / 24;
  walk.end = walk.start + 1.0 / 24;
  walk.repeat = store::RepeatKind::kWeekly;
  walk.every = 2;
  walk.weekdays = {3, 5};
  walk.skipped = {EncodeDate(2025, 2, 4)};
  walk.repeat_until = EncodeDate(2025, 6, 30);
  add(walk);
  store::EventDraft club;
  club.summary = "Book club";
  club.start = EncodeDate(2025, 1, 9) + 18.5 / 24;
  club.end = club.start + 1.0 / 24;
  club.repeat = store::RepeatKind::kWeekly;
  club.pattern = store::WeeklyPattern::kWeekOfMonth;
  club.every = 2;
  club.weekdays = {5};
  add(club);
  store::EventDraft fair;
  fair.summary = "Fair & market";
  fair.description = "Stalls; food, music";
  fair.start = EncodeDate(2025, 8, 16);
  fair.end = fair.start;
  fair.all_day = true;
  fair.repeat = store::RepeatKind::kYearly;
  add(fair);

  const std::string path = root_ / "export.ics";
  Brand brand;
  brand.APP_CAPTION = "Almanix";
  brand.APP_URL_SHORT = "www.example.org";
  ASSERT_TRUE(generator::ExportCategoryICal(session_->data.db(), 1, "Work", 2025, path, brand,
                                            nullptr, 0)
                  .ok());
  Result<IcsImportResult> r = ImportIcsFile(session_->data.db(), path, 2, ui_, nullptr);
  ASSERT_TRUE(r.ok()) << r.status().message();

  store::Query all(session_->data.db());
  ASSERT_TRUE(all.Open("Select * from Events order by ID").ok());
  std::vector<store::ParsedRow> rows = store::ParseRows(all);
  for (DayNumber d = EncodeDate(2025, 1, 1); d <= EncodeDate(2026, 12, 31); ++d) {
    const store::DayKey key = store::DayKey::For(d);
    int in_one = 0, in_two = 0;
    for (const store::ParsedRow& row : rows) {
      in_one += row.event.OccursOn(key, 1);
      in_two += row.event.OccursOn(key, 2);
    }
    EXPECT_EQ(in_one, in_two) << FormatDateTime("yyyy-mm-dd", d);
  }
  EXPECT_THAT(Column("Summary"), ::testing::Contains("Fair &amp; market"));
  EXPECT_THAT(Column("Description"), ::testing::Contains("Stalls; food, music"));
}

}  // namespace
}  // namespace almanix::exchange
