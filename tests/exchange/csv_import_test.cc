#include "exchange/csv_import.h"

#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/config.h"
#include "app/dates.h"
#include "app/dir.h"
#include "support/test_program.h"
#include "store/db_engine.h"
#include "support/fake_ui.h"
#include "support/temp_root.h"

namespace almanix::exchange {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using almanix::testing::WriteAll;

std::vector<std::string> Texts(const CsvText& text) {
  std::vector<std::string> out;
  for (const CsvRecord& r : text.records) {
    out.push_back(std::to_string(r.line) + "-" + std::to_string(r.last_line) +
                  (r.unclosed ? " open " : " ") + r.text);
  }
  return out;
}

TEST(CsvTextTest, RecordsKeepLineBreaksInsideQuotes) {
  const CsvText text = ReadCsvRecords("a,b\r\n\"two\r\nlines\",c\nlast");
  EXPECT_EQ(text.lines, 4);
  EXPECT_THAT(Texts(text), ElementsAre("1-1 a,b", "2-3 \"two\nlines\",c", "4-4 last"));
  EXPECT_EQ(ReadCsvRecords("a\r\n\r\nb\r\n").lines, 3);
  EXPECT_EQ(ReadCsvRecords("").lines, 0);
  EXPECT_THAT(SplitCsvFields("\"Smith, John\", Hall ,,\"x\""),
              ElementsAre("Smith, John", "Hall", "", "x"));
  EXPECT_THAT(ColumnChoices("1/31/2008,7:00 pm,Roundtable Meeting"),
              ElementsAre("1/31/2008 (Field #1)", "7:00 pm (Field #2)",
                          "Roundtable Meeting (Field #3)"));
}

TEST(CsvTextTest, AnUnclosedQuoteIsOneLineAndTheRestIsReadAgain) {
  // At the end of the file.
  EXPECT_THAT(Texts(ReadCsvRecords("a\nb,\"open\nc\nd")),
              ElementsAre("1-1 a", "2-2 open b,\"open", "3-3 c", "4-4 d"));
  // Past the bound, even though a quote much later would close it.
  std::string long_file = "x,\"open\n";
  for (int i = 0; i < kMaxRecordLines + 5; ++i) long_file += "line\n";
  long_file += "y\"\n";
  const CsvText text = ReadCsvRecords(long_file);
  ASSERT_EQ(text.records.size(), static_cast<size_t>(kMaxRecordLines) + 7);
  EXPECT_TRUE(text.records[0].unclosed);
  EXPECT_EQ(text.records[1].text, "line");
  EXPECT_EQ(text.records.back().line, kMaxRecordLines + 7);
  // Within the bound the field spans its lines.
  EXPECT_THAT(Texts(ReadCsvRecords("\"a\n\n\nb\",c\nd")),
              ElementsAre("1-4 \"a\n\n\nb\",c", "5-5 d"));
  // Reading from a later line never looks at the lines before it.
  EXPECT_THAT(Texts(ReadCsvRecords("\"head\nx\ny", 2)), ElementsAre("2-2 x", "3-3 y"));
}

TEST(CsvTextTest, DatesAndTimes) {
  auto date = [](std::string_view text, CsvDateFormat format = CsvDateFormat::kMonthDayYear) {
    return CsvDate(text, format);
  };
  EXPECT_EQ(date("5/6/08", CsvDateFormat::kDayMonthYear).value(), EncodeDate(2008, 6, 5));
  EXPECT_EQ(date("01/09/2025").value(), EncodeDate(2025, 1, 9));
  EXPECT_EQ(date("5/6/99").value(), EncodeDate(99, 5, 6));
  EXPECT_EQ(date("2008-01-31").value(), EncodeDate(2008, 1, 31));
  EXPECT_EQ(date("").value(), 0);
  EXPECT_EQ(date("soon").value(), 0);
  EXPECT_EQ(date("May/x/2025").status().code(), Status::Code::kInvalid);
  EXPECT_EQ(date("May/x/2025").status().message(),
            "Could not convert date. Needs format (m/d/yyyy) got May/x/2025");
  // Numbers that make no date are a line error with a reason, not an
  // exception nobody can catch.
  EXPECT_EQ(date("2/30/2021").status().code(), Status::Code::kNotFound);
  EXPECT_EQ(date("2/30/2021").status().message(), "no such date: 2/30/2021");
  // A four-digit year is the year written.
  EXPECT_EQ(date("1/1/0001").value(), EncodeDate(1, 1, 1));
  EXPECT_EQ(date("7/4/0098").value(), EncodeDate(98, 7, 4));
  EXPECT_EQ(date("7/4/98").value(), EncodeDate(2098, 7, 4));

  EXPECT_DOUBLE_EQ(CsvTime("12:15 am").value(), EncodeTime(0, 15, 0, 0));
  EXPECT_DOUBLE_EQ(CsvTime("12:15 pm").value(), EncodeTime(12, 15, 0, 0));
  EXPECT_DOUBLE_EQ(CsvTime("7:00 PM").value(), EncodeTime(19, 0, 0, 0));
  EXPECT_DOUBLE_EQ(CsvTime("19.30").value(), EncodeTime(19, 30, 0, 0));
  EXPECT_EQ(CsvTime("noon").value(), 0);
  EXPECT_EQ(CsvTime("x:10").status().message(), "Could not convert time");
  EXPECT_EQ(CsvTime("25:61").status().message(), "no such time: 25:61");
}

// The usual shapes are read on a short path; every shape beside them must
// still get what the general reader gives.
TEST(CsvTextTest, ShapesBesideTheUsualOnesReadAsBefore) {
  const DayNumber new_year = EncodeDate(2008, 1, 31);
  EXPECT_EQ(CsvDate(" 1/31/2008", CsvDateFormat::kMonthDayYear).value(), new_year);
  EXPECT_EQ(CsvDate("1/31/2008 ", CsvDateFormat::kMonthDayYear).value(), new_year);
  EXPECT_EQ(CsvDate("1.31.2008", CsvDateFormat::kMonthDayYear).value(), new_year);
  EXPECT_EQ(CsvDate("1/31/2008/5", CsvDateFormat::kMonthDayYear).value(), new_year);
  EXPECT_EQ(CsvDate("31-1-2008", CsvDateFormat::kDayMonthYear).value(), new_year);
  EXPECT_EQ(CsvDate("12-25-25", CsvDateFormat::kMonthDayYear).value(), EncodeDate(2025, 12, 25));
  EXPECT_EQ(CsvDate("1/31/1234567", CsvDateFormat::kMonthDayYear).status().code(),
            Status::Code::kNotFound);
  EXPECT_DOUBLE_EQ(CsvTime(" 7:30 pm ").value(), EncodeTime(19, 30, 0, 0));
  EXPECT_DOUBLE_EQ(CsvTime("7:30:45 PM").value(), EncodeTime(19, 30, 0, 0));
  EXPECT_DOUBLE_EQ(CsvTime("07:05pm").value(), EncodeTime(19, 5, 0, 0));
  EXPECT_DOUBLE_EQ(CsvTime("12:00 PM").value(), EncodeTime(12, 0, 0, 0));
  EXPECT_DOUBLE_EQ(CsvTime("23:59").value(), EncodeTime(23, 59, 0, 0));
  EXPECT_EQ(CsvTime("24:00").status().code(), Status::Code::kNotFound);
  EXPECT_EQ(CsvTime("1234567:00").status().code(), Status::Code::kNotFound);
  // Lines ended by a lone CR, a quoted field across them.
  EXPECT_THAT(Texts(ReadCsvRecords("a\r\"b\rc\",d\re")),
              ElementsAre("1-1 a", "2-3 \"b\nc\",d", "4-4 e"));
}

class CsvImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session_ = std::make_unique<almanix::testing::TestProgram>();
    ASSERT_TRUE(session_->StartIn(root_.path()).ok());
    form_ = std::make_unique<TfrmCSV>(*session_->app.dir, *session_->app.config,
                                      session_->data.db(), ui_, session_->app.log.get());
    form_->target_category = 2;
    file_ = root_ / "club.csv";
  }
  // Rows of the events table, one "column=value|..." text per row.
  std::vector<std::string> Rows(const std::vector<std::string>& columns) {
    store::Query q(session_->data.db());
    EXPECT_TRUE(q.Open("Select * from Events order by ID").ok());
    std::vector<std::string> rows;
    for (Status walk = q.First(); walk.ok() && !q.Eof(); walk = q.Next()) {
      std::string row;
      for (const std::string& c : columns) row += (row.empty() ? "" : "|") + q.AsString(c);
      rows.push_back(row);
    }
    return rows;
  }
  void Map(std::initializer_list<std::pair<CsvField, int>> columns) {
    for (auto [field, column] : columns) form_->settings.column(field) = column;
  }

  almanix::testing::TempRoot root_;
  std::ostringstream err_;
  std::unique_ptr<almanix::testing::TestProgram> session_;
  almanix::testing::FakeUi ui_;
  std::unique_ptr<TfrmCSV> form_;
  std::string file_;
};

TEST_F(CsvImportTest, UnquotedLineBecomesATimedOneDayEvent) {
  WriteAll(file_, "1/31/2008,7:00 pm,Roundtable Meeting,Town Hall\r\n");
  ASSERT_TRUE(form_->LoadFile(file_).ok());
  Map({{CsvField::kStartDate, 1}, {CsvField::kStartTime, 2}, {CsvField::kEventName, 3},
       {CsvField::kEventLocation, 4}});
  Result<CsvImportResult> r = form_->Import(file_, false);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.value().imported, 1);
  const std::string day = std::to_string(EncodeDate(2008, 1, 31));
  EXPECT_THAT(Rows({"Summary", "Location", "sDate", "eDate", "rEnds", "Allday", "ShowStartTime",
                    "ShowEndTime", "caption", "Calendars", "CalendarID", "iYear", "iMonth",
                    "iDay", "URL", "sTime"}),
              ElementsAre("Roundtable Meeting|Town Hall|" + day + "|" + day + "|" + day +
                          "|F|T|F|7:00pm|,2,|2|2008|1|31|http://|791666"));
  EXPECT_THAT(ui_.messages, ElementsAre("Imported  1 out of 1 lines"));
  // The choices are remembered for the file.
  TfrmCSV again(*session_->app.dir, *session_->app.config, session_->data.db(), ui_, nullptr);
  ASSERT_TRUE(again.LoadFile(file_).ok());
  EXPECT_EQ(again.settings.column(CsvField::kEventName), 3);
  EXPECT_EQ(again.choices().size(), 5u);
  EXPECT_EQ(session_->app.config->ImportFilePath, file_);
}

TEST_F(CsvImportTest, AllDayUrlsAndQuotedFieldsAcrossLines) {
  WriteAll(file_,
           "Date,Name,Notes,Link\r\n"
           "3/1/2025,Fair,\"Stalls, food\r\nand music\",www.example.org\r\n"
           "3/2/2025,Walk,,http://example.org/walk\r\n");
  form_->settings.start_line = 2;
  ASSERT_TRUE(form_->LoadFile(file_).ok());
  form_->settings.start_line = 2;
  Map({{CsvField::kStartDate, 1}, {CsvField::kEventName, 2}, {CsvField::kEventDescription, 3},
       {CsvField::kURL, 4}});
  ASSERT_TRUE(form_->Import(file_, true).ok());
  EXPECT_THAT(Rows({"Summary", "Description", "Allday", "URL", "LinkDescription"}),
              ElementsAre("Fair|Stalls, food and music|T|http://|",
                          "Walk||T|http://example.org/walk|link"));
}

TEST_F(CsvImportTest, DuplicatePolicies) {
  WriteAll(file_, "6/1/2025,Picnic,First\r\n6/2/2025,Quiz,Second\r\n");
  ASSERT_TRUE(form_->LoadFile(file_).ok());
  Map({{CsvField::kStartDate, 1}, {CsvField::kEventName, 2}, {CsvField::kEventDescription, 3}});
  form_->settings.duplicates = CsvDuplicates::kSkip;
  ASSERT_TRUE(form_->Import(file_, true).ok());
  Result<CsvImportResult> skipped = form_->Import(file_, true);
  EXPECT_EQ(skipped.value().skipped, 2);
  EXPECT_EQ(Rows({"Summary"}).size(), 2u);

  WriteAll(file_, "6/1/2025,Picnic,Changed\r\n6/2/2025,Quiz,Second\r\n");
  ASSERT_TRUE(form_->LoadFile(file_).ok());
  form_->settings.duplicates = CsvDuplicates::kReplace;
  ASSERT_TRUE(form_->Import(file_, true).ok());
  EXPECT_THAT(Rows({"Summary", "Description"}), ElementsAre("Picnic|Changed", "Quiz|Second"));

  form_->settings.duplicates = CsvDuplicates::kIgnore;
  ASSERT_TRUE(form_->Import(file_, true).ok());
  EXPECT_EQ(Rows({"Summary"}).size(), 4u);
}

TEST_F(CsvImportTest, ALineErrorAsksAndAStopKeepsTheLinesBefore) {
  WriteAll(file_, "6/1/2025,One\r\n6/2/2025,\r\n6/3/2025,Three\r\n13/45/2025,Four\r\n"
                  "soon,Five\r\n");
  ASSERT_TRUE(form_->LoadFile(file_).ok());
  Map({{CsvField::kStartDate, 1}, {CsvField::kEventName, 2}});
  // No: the import goes on past the blank name.
  ui_.answers = {Answer::kNo, Answer::kNo};
  Result<CsvImportResult> r = form_->Import(file_, false);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.value().imported, 2);
  // A date that cannot be read is a line error, not an event in 1899.
  EXPECT_THAT(ui_.questions[1], HasSubstr("line 5 Reason : Could not convert date. Needs format "
                                          "(m/d/yyyy) got soon."));
  EXPECT_THAT(ui_.questions[0], "Could not import event on line 2 Reason : Event name is blank.. "
                                "Should I cancel?");
  // A date that does not exist is a line error that says why.
  EXPECT_THAT(ui_.messages, ::testing::Contains("Error importint line 4 13/45/2025,Four\n"
                                                "no such date: 13/45/2025"));

  // Yes: it stops there; the line before stays, the lines after never come.
  ui_.questions.clear();
  ui_.messages.clear();
  form_->settings.duplicates = CsvDuplicates::kIgnore;
  ui_.answers = {Answer::kYes};
  r = form_->Import(file_, false);
  ASSERT_TRUE(r.ok());
  EXPECT_TRUE(r.value().stopped);
  EXPECT_EQ(r.value().imported, 1);
  EXPECT_THAT(ui_.messages, ElementsAre("Imported  2 out of 5 lines"));
  EXPECT_EQ(Rows({"Summary"}).size(), 3u);
}

TEST_F(CsvImportTest, SettingsFileNamesAndRanges) {
  EXPECT_EQ(form_->SettingsPath("/x/Club.CSV"), session_->app.dir->ImportDir + "Club.ini");
  EXPECT_EQ(form_->SettingsPath("/x/list.txt"), session_->app.dir->ImportDir + "list.ini");
  EXPECT_EQ(form_->SettingsPath("/x/export"), session_->app.dir->ImportDir + "export.ini");
  WriteAll(file_, "a,b\r\n");
  (void)TDir::EnsureDir(session_->app.dir->ImportDir);
  WriteAll(form_->SettingsPath(file_),
           "[import]\r\nEventName=7\r\nStartDate=-2\r\nEventDescription=2\r\n"
           "cboDateFormat=5\r\nduplicate_replace=0\r\nduplicate_skip=1\r\nStartLine=0\r\n");
  ASSERT_TRUE(form_->LoadFile(file_).ok());
  EXPECT_EQ(form_->settings.column(CsvField::kEventName), 0);  // beyond the two columns
  EXPECT_EQ(form_->settings.column(CsvField::kStartDate), 0);
  EXPECT_EQ(form_->settings.column(CsvField::kEventDescription), 2);
  EXPECT_EQ(form_->settings.date_format, CsvDateFormat::kMonthDayYear);
  EXPECT_EQ(form_->settings.duplicates, CsvDuplicates::kSkip);
  EXPECT_EQ(form_->settings.start_line, 1);
}

// ---- Faults found on real files ----

TEST_F(CsvImportTest, TextsFromTheFileArePlainTextAndLinksAreSafe) {
  WriteAll(file_,
           "6/1/2025,<script>alert(1)</script>,<img src=x onerror=alert(2)>,Hall & <b>,"
           "javascript:alert('http://'),click\r\n"
           "6/2/2025," + std::string(62, 'x') + "<b>bold</b>,,,http://x.org/ onmouseover=alert(1),x\r\n"
           "6/3/2025,Tab\tand\x1b" "escape,\"two\r\nlines\",,http://example.org/?a=1&b=2,<i>Site</i>\r\n");
  ASSERT_TRUE(form_->LoadFile(file_).ok());
  Map({{CsvField::kStartDate, 1}, {CsvField::kEventName, 2}, {CsvField::kEventDescription, 3},
       {CsvField::kEventLocation, 4}, {CsvField::kURL, 5}, {CsvField::kURLName, 6}});
  Result<CsvImportResult> r = form_->Import(file_, true);
  ASSERT_TRUE(r.ok()) << r.status().message();
  EXPECT_THAT(Rows({"Summary", "Description", "Location", "URL", "LinkDescription"}),
              ElementsAre("&lt;script&gt;alert(1)&lt;/script&gt;|&lt;img src=x onerror=alert(2)&gt;"
                          "|Hall &amp; &lt;b&gt;|http://|",
                          // The cut at 64 characters leaves no piece of "&lt;".
                          std::string(62, 'x') + "|||http://|",
                          "Tab and escape|two lines||http://example.org/?a=1&b=2|"
                          "&lt;i&gt;Site&lt;/i&gt;"));
}

TEST_F(CsvImportTest, LineErrorsSayWhyAndShowNoControlCharacters) {
  WriteAll(file_, "2/30/2008,Party\x1b[2J now\r\nso\x07on,Walk\r\n");
  ASSERT_TRUE(form_->LoadFile(file_).ok());
  Map({{CsvField::kStartDate, 1}, {CsvField::kEventName, 2}});
  Result<CsvImportResult> r = form_->Import(file_, true);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.value().failed, 2);
  EXPECT_THAT(ui_.messages,
              ElementsAre("Error importint line 1 2/30/2008,\"Party\\x1b[2J now\"\n"
                          "no such date: 2/30/2008"));
  EXPECT_THAT(ui_.questions, ElementsAre("Could not import event on line 2 Reason : Could not "
                                         "convert date. Needs format (m/d/yyyy) got so\\x07on. "
                                         "Should I cancel?"));
}

TEST_F(CsvImportTest, LineNumbersStartLineAndCountAreFileLines) {
  WriteAll(file_, "Date,Name,Notes\r\n6/1/2025,One,\"two\r\nlines\"\r\n6/2/2025,,x\r\n"
                  "6/3/2025,Three,y\r\n");
  ASSERT_TRUE(form_->LoadFile(file_).ok());
  Map({{CsvField::kStartDate, 1}, {CsvField::kEventName, 2}});
  form_->settings.start_line = 2;
  Result<CsvImportResult> r = form_->Import(file_, false);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.value().imported, 2);
  EXPECT_THAT(ui_.questions, ElementsAre("Could not import event on line 4 Reason : Event name "
                                         "is blank.. Should I cancel?"));
  EXPECT_THAT(ui_.messages, ElementsAre("Imported  5 out of 5 lines"));

  // Starting on line 4 reads lines 4 and 5; a stop there has walked 4 lines.
  ui_.questions.clear();
  ui_.messages.clear();
  ui_.answers = {Answer::kYes};
  form_->settings.start_line = 4;
  r = form_->Import(file_, false);
  ASSERT_TRUE(r.ok());
  EXPECT_THAT(ui_.questions, ElementsAre(HasSubstr("on line 4 ")));
  EXPECT_THAT(ui_.messages, ElementsAre("Imported  4 out of 5 lines"));
}

TEST_F(CsvImportTest, AStartLineInsideAQuotedFieldReadsTheFileFromThatLine) {
  // Read from line 1, lines 1-3 are one record; from line 2 they are lines.
  WriteAll(file_, "6/1/2025,One,\"two\r\n6/5/2025,Inside,x\r\nend\"\r\n6/2/2025,Two,y\r\n");
  ASSERT_TRUE(form_->LoadFile(file_).ok());
  Map({{CsvField::kStartDate, 1}, {CsvField::kEventName, 2}});
  form_->settings.start_line = 2;
  Result<CsvImportResult> r = form_->Import(file_, true);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.value().imported, 2);
  EXPECT_EQ(r.value().failed, 1);  // line 3 opens a quote nothing closes
  EXPECT_THAT(Rows({"Summary"}), ElementsAre("Inside", "Two"));
  // A start line where a record begins takes the records from there.
  form_->settings.start_line = 4;
  form_->settings.duplicates = CsvDuplicates::kIgnore;
  r = form_->Import(file_, true);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.value().imported, 1);
  EXPECT_EQ(r.value().walked, 4);
}

TEST_F(CsvImportTest, AnUnbalancedQuoteDoesNotSwallowTheRestOfTheFile) {
  std::string text;
  for (int i = 1; i <= 400; ++i) {
    text += "6/1/2025,Event " + std::to_string(i);
    if (i == 2) text += " \"opened";           // closed by line 300, too far away
    if (i == 300) text += " and closed\"";    // then open to the end of the file
    text += "\r\n";
  }
  WriteAll(file_, text);
  ASSERT_TRUE(form_->LoadFile(file_).ok());
  Map({{CsvField::kStartDate, 1}, {CsvField::kEventName, 2}});
  form_->settings.duplicates = CsvDuplicates::kIgnore;
  Result<CsvImportResult> r = form_->Import(file_, false);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.value().imported, 398);
  EXPECT_EQ(r.value().failed, 2);
  EXPECT_THAT(ui_.messages,
              ElementsAre("Error importint line 2 6/1/2025,\"Event 2 opened\"\n"
                          "its double quote is not closed within 200 lines; the lines after it "
                          "were read as lines",
                          "Error importint line 300 6/1/2025,\"Event 300 and closed\"\n"
                          "its double quote is not closed by the end of the file; the lines "
                          "after it were read as lines",
                          "Imported  400 out of 400 lines"));
}

TEST_F(CsvImportTest, ReplaceRewritesOnlyTheImportsOwnRowsOfTheCategory) {
  // Picnic was imported into category 1; Choir is a hand-made weekly event
  // of category 2 with its location.
  WriteAll(file_, "6/1/2025,Picnic,Old\r\n");
  ASSERT_TRUE(form_->LoadFile(file_).ok());
  Map({{CsvField::kStartDate, 1}, {CsvField::kEventName, 2}, {CsvField::kEventDescription, 3}});
  form_->target_category = 1;
  ASSERT_TRUE(form_->Import(file_, true).ok());
  {
    store::Query q(session_->data.db());
    ASSERT_TRUE(q.Open("Select * from Events where 1=0").ok());
    ASSERT_TRUE(q.Append().ok());
    const DayNumber day = EncodeDate(2025, 6, 2);
    for (auto [column, value] : std::initializer_list<std::pair<const char*, std::string>>{
             {"Summary", "Choir"}, {"sDateTime", std::to_string(day)},
             {"sDate", std::to_string(day)}, {"eDate", std::to_string(day)},
             {"CalendarID", "2"}, {"Calendars", ",2,"}, {"rChoice", "W"}, {"rWeekly", ",2,"},
             {"rActiveMonths", ",1,2,3,4,5,6,7,8,9,10,11,12,"}, {"rEnds", "9999999"},
             {"Location", "Church"}, {"Allday", "T"}, {"Visible", "True"}}) {
      ASSERT_TRUE(q.SetString(column, value).ok());
    }
    ASSERT_TRUE(q.Post().ok());
  }

  WriteAll(file_, "6/1/2025,Picnic,New\r\n6/2/2025,Choir,\r\n");
  ASSERT_TRUE(form_->LoadFile(file_).ok());
  Map({{CsvField::kStartDate, 1}, {CsvField::kEventName, 2}, {CsvField::kEventDescription, 3}});
  form_->target_category = 2;
  form_->settings.duplicates = CsvDuplicates::kReplace;
  Result<CsvImportResult> r = form_->Import(file_, true);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.value().kept_beside, 2);
  EXPECT_THAT(Rows({"Summary", "Description", "CalendarID", "Calendars", "rChoice", "Location",
                    "rEnds"}),
              ElementsAre("Picnic|Old|1|,1,|||" + std::to_string(EncodeDate(2025, 6, 1)),
                          "Choir||2|,2,|W|Church|9999999",
                          "Picnic|New|2|,2,|||" + std::to_string(EncodeDate(2025, 6, 1)),
                          "Choir||2|,2,|||" + std::to_string(EncodeDate(2025, 6, 2))));
  EXPECT_THAT(ui_.messages, ElementsAre(HasSubstr("2 lines matched events")));

  // A second import into category 2 rewrites its own rows and nothing else.
  WriteAll(file_, "6/1/2025,Picnic,Newer\r\n");
  ASSERT_TRUE(form_->LoadFile(file_).ok());
  r = form_->Import(file_, true);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.value().kept_beside, 0);
  EXPECT_THAT(Rows({"Summary", "Description", "CalendarID"}),
              ElementsAre("Picnic|Old|1", "Choir||2", "Picnic|Newer|2", "Choir||2"));
}

TEST_F(CsvImportTest, EarlyDatesKeepTheirDayAndHourAndLongYears) {
  WriteAll(file_, "12/25/99,10:00 am,Old feast\r\n1/1/0001,,First day\r\n");
  ASSERT_TRUE(form_->LoadFile(file_).ok());
  Map({{CsvField::kStartDate, 1}, {CsvField::kStartTime, 2}, {CsvField::kEventName, 3}});
  ASSERT_TRUE(form_->Import(file_, true).ok());
  EXPECT_THAT(Rows({"sDate", "iYear", "iMonth", "iDay", "sTime", "caption", "Allday"}),
              ElementsAre(std::to_string(EncodeDate(99, 12, 25)) + "|0099|12|25|416666|10:00am|F",
                          std::to_string(EncodeDate(1, 1, 1)) + "|0001|1|1|0|12:00am|T"));
  store::Query q(session_->data.db());
  ASSERT_TRUE(q.Open("Select * from Events order by ID").ok());
  const CivilDateTime start = DecodeDateTime(q.AsFloat("sDateTime"));
  EXPECT_EQ(start.day, 25);
  EXPECT_EQ(start.hour, 10);
}

// A small tmpfs of the test's own, mounted when the test runs as root.
class SmallDisk {
 public:
  explicit SmallDisk(const std::string& folder) : folder_(folder) {
    std::filesystem::create_directories(folder_);
    mounted_ = geteuid() == 0 &&
               mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=6m,mode=0700") == 0;
  }
  ~SmallDisk() {
    if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }
  // Writes a file that leaves only about `left` bytes free.
  void FillLeaving(size_t left) {
    struct statvfs st {};
    ASSERT_EQ(statvfs(folder_.c_str(), &st), 0);
    const size_t free = static_cast<size_t>(st.f_bavail) * st.f_frsize;
    ASSERT_GT(free, left);
    std::ofstream out(folder_ + "/filler", std::ios::binary);
    const std::string block(4096, 'f');
    for (size_t n = 0; n + block.size() <= free - left; n += block.size()) out << block;
  }

 private:
  std::string folder_;
  bool mounted_ = false;
};

TEST(CsvImportDiskTest, AFullDiskKeepsNoLineAndSaysWhyOnce) {
  almanix::testing::TempRoot root;
  SmallDisk disk(root / "disk");
  if (!disk.mounted()) GTEST_SKIP() << "mounting a small tmpfs needs root; not tested here";
  std::ostringstream err;
  almanix::testing::TestProgram session;
  ASSERT_TRUE(session.StartIn(root.path(), root / "disk/calendar/").ok());
  almanix::testing::FakeUi ui;
  TfrmCSV form(*session.app.dir, *session.app.config, session.data.db(), ui, nullptr);
  form.target_category = 1;
  const std::string file = root / "big.csv";
  std::string text;
  for (int i = 1; i <= 20000; ++i) {
    text += "6/1/2025,Event " + std::to_string(i) + "," + std::string(200, 'd') + "\r\n";
  }
  WriteAll(file, text);
  ASSERT_TRUE(form.LoadFile(file).ok());
  form.settings.column(CsvField::kStartDate) = 1;
  form.settings.column(CsvField::kEventName) = 2;
  form.settings.column(CsvField::kEventDescription) = 3;
  form.settings.duplicates = CsvDuplicates::kIgnore;
  disk.FillLeaving(96 * 1024);

  Result<CsvImportResult> r = form.Import(file, true);
  ASSERT_FALSE(r.ok());
  EXPECT_THAT(r.status().message(), HasSubstr("full"));
  EXPECT_THAT(r.status().message(), HasSubstr("no line of the file was kept"));
  EXPECT_THAT(ui.messages, ::testing::IsEmpty());
  store::Query q(session.data.db());
  ASSERT_TRUE(q.Open("Select ID from Events").ok());
  int rows = 0;
  for (Status walk = q.First(); walk.ok() && !q.Eof(); walk = q.Next()) ++rows;
  EXPECT_EQ(rows, 0);
}

}  // namespace
}  // namespace almanix::exchange
