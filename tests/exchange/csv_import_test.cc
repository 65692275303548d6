#include "exchange/csv_import.h"

#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/config.h"
#include "app/dates.h"
#include "app/dir.h"
#include "cli/session.h"
#include "store/db_engine.h"
#include "support/fake_ui.h"
#include "support/temp_root.h"

namespace almanix::exchange {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using almanix::testing::WriteAll;

TEST(CsvTextTest, RecordsKeepLineBreaksInsideQuotes) {
  EXPECT_THAT(CsvRecords("a,b\r\n\"two\r\nlines\",c\nlast"),
              ElementsAre("a,b", "\"two\r\nlines\",c", "last"));
  EXPECT_THAT(SplitCsvFields("\"Smith, John\", Hall ,,\"x\""),
              ElementsAre("Smith, John", "Hall", "", "x"));
  EXPECT_THAT(ColumnChoices("1/31/2008,7:00 pm,Roundtable Meeting"),
              ElementsAre("1/31/2008 (Field #1)", "7:00 pm (Field #2)",
                          "Roundtable Meeting (Field #3)"));
}

TEST(CsvTextTest, DatesAndTimes) {
  std::string error;
  EXPECT_EQ(CsvDate("5/6/08", CsvDateFormat::kDayMonthYear, &error), EncodeDate(2008, 6, 5));
  EXPECT_EQ(CsvDate("01/09/2025", CsvDateFormat::kMonthDayYear, &error), EncodeDate(2025, 1, 9));
  EXPECT_EQ(CsvDate("5/6/99", CsvDateFormat::kMonthDayYear, &error), EncodeDate(99, 5, 6));
  EXPECT_TRUE(error.empty());
  EXPECT_EQ(CsvDate("", CsvDateFormat::kMonthDayYear, &error), 0);
  EXPECT_EQ(CsvDate("May/x/2025", CsvDateFormat::kMonthDayYear, &error), 0);
  EXPECT_EQ(error, "Could not convert date. Needs format (m/d/yyyy) got May/x/2025");

  error.clear();
  EXPECT_DOUBLE_EQ(CsvTime("12:15 am", &error), EncodeTime(0, 15, 0, 0));
  EXPECT_DOUBLE_EQ(CsvTime("12:15 pm", &error), EncodeTime(12, 15, 0, 0));
  EXPECT_DOUBLE_EQ(CsvTime("7:00 PM", &error), EncodeTime(19, 0, 0, 0));
  EXPECT_DOUBLE_EQ(CsvTime("19.30", &error), EncodeTime(19, 30, 0, 0));
  EXPECT_TRUE(error.empty());
  EXPECT_EQ(CsvTime("noon", &error), 0);
}

class CsvImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session_ = std::make_unique<cli::Session>(err_);
    cli::Invocation inv;
    inv.root = root_.path();
    ASSERT_TRUE(session_->Start(inv, err_, 0)) << err_.str();
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
  std::unique_ptr<cli::Session> session_;
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
              ElementsAre("Fair|Stalls, food\r\nand music|T|http://|",
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
  EXPECT_THAT(ui_.messages, ::testing::Contains(HasSubstr("Error importint line 4 ")));

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

}  // namespace
}  // namespace almanix::exchange
