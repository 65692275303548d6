#include "desktop/csv_mapping.h"

#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/config.h"
#include "desktop/desktop_fixture.h"
#include "store/db_engine.h"

namespace almanix::desktop::testing {
namespace {

using exchange::CsvField;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using almanix::testing::WriteAll;

class CsvMappingTest : public DesktopFixture {
 protected:
  std::string File(const std::string& name, const std::string& text) {
    const std::string path = root_ / name;
    WriteAll(path, text);
    return path;
  }

  // "Summary|sDate|Calendars" of every event, in ID order.
  std::vector<std::string> Events() {
    std::vector<std::string> out;
    store::Query q(data_.db());
    EXPECT_TRUE(q.Open("Select * from Events order by ID").ok());
    for (Status s = q.First(); s.ok() && !q.Eof(); s = q.Next()) {
      out.push_back(q.AsString("Summary") + "|" + q.AsString("sDate") + "|" +
                    q.AsString("Calendars"));
    }
    return out;
  }

  std::string Day(int y, int m, int d) { return std::to_string(D(y, m, d)); }
};

TEST_F(CsvMappingTest, ATitleLineGivesTheColumnsAndTheImportStartsBelowIt) {
  const std::string path = File("outlook.csv",
                                "Subject,Start Date,Start Time,End Time,Location,Notes\n"
                                "Roundtable,1/31/2008,7:00 pm,8:30 pm,Town Hall,Bring chairs\n"
                                "Picnic,6/1/2008,,,Park,\n");
  CsvMapping mapping(app_, data_, ui_);
  ASSERT_TRUE(mapping.Load(path).ok());
  EXPECT_TRUE(mapping.guessed_from_header());
  const exchange::CsvSettings& s = mapping.settings();
  EXPECT_EQ(s.column(CsvField::kEventName), 1);
  EXPECT_EQ(s.column(CsvField::kStartDate), 2);
  EXPECT_EQ(s.column(CsvField::kStartTime), 3);
  EXPECT_EQ(s.column(CsvField::kEndTime), 4);
  EXPECT_EQ(s.column(CsvField::kEventLocation), 5);
  EXPECT_EQ(s.column(CsvField::kEventDescription), 6);
  EXPECT_EQ(s.column(CsvField::kEndDate), 0);
  EXPECT_EQ(s.start_line, 2);
  // The samples come from the first line imported, not from the titles.
  ASSERT_EQ(mapping.ColumnItems().size(), 7u);
  EXPECT_EQ(mapping.ColumnItems()[1], "Roundtable (Field #1)");
  EXPECT_THAT(mapping.Preview(),
              ElementsAre("Line 2:", "Event Name *: Roundtable",
                          "Event Description: Bring chairs", "Event Location: Town Hall",
                          "Start Date: 1/31/2008  = 31 January 2008",
                          "Start Time: 7:00 pm  = 19:00", "End Time: 8:30 pm  = 20:30"));
  EXPECT_EQ(mapping.Problem(), "There is no category to import into.");

  mapping.LoadCategories(2010, 2);
  EXPECT_EQ(mapping.Problem(), std::nullopt);
  ASSERT_GE(mapping.categories().size(), 2u);
  EXPECT_EQ(mapping.categories()[static_cast<size_t>(mapping.category_index())].number, 2);
  const CsvImportReport report = mapping.Run();
  ASSERT_TRUE(report.status.ok()) << report.status.message();
  EXPECT_EQ(report.counts.imported, 2);
  EXPECT_EQ(report.Text(), "Imported  3 out of 3 lines\n2 events imported.");
  EXPECT_THAT(Events(), ElementsAre("Roundtable|" + Day(2008, 1, 31) + "|,2,",
                                    "Picnic|" + Day(2008, 6, 1) + "|,2,"));
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(app_.config->ImportFilePath, path);

  // The choices were saved with the file and win over the titles next time.
  CsvMapping again(app_, data_, ui_);
  ASSERT_TRUE(again.Load(path).ok());
  EXPECT_FALSE(again.guessed_from_header());
  EXPECT_EQ(again.settings().column(CsvField::kEventLocation), 5);
  EXPECT_EQ(again.settings().start_line, 2);
}

TEST_F(CsvMappingTest, DataOnTheFirstLineIsNotTakenForTitles) {
  CsvMapping mapping(app_, data_, ui_);
  ASSERT_TRUE(mapping.Load(File("plain.csv", "1/31/2008,7:00 pm,Roundtable Meeting\n")).ok());
  EXPECT_FALSE(mapping.guessed_from_header());
  EXPECT_EQ(mapping.settings().start_line, 1);
  EXPECT_THAT(mapping.ColumnItems(), ElementsAre("none", "1/31/2008 (Field #1)",
                                                 "7:00 pm (Field #2)",
                                                 "Roundtable Meeting (Field #3)"));
  // Titles for a name only (no date) are not enough either.
  CsvMapping names(app_, data_, ui_);
  ASSERT_TRUE(names.Load(File("names.csv", "Name,Phone\nAnn,555\n")).ok());
  EXPECT_FALSE(names.guessed_from_header());
}

TEST_F(CsvMappingTest, TheImportWaitsForTheColumnsItNeeds) {
  CsvMapping mapping(app_, data_, ui_);
  EXPECT_EQ(mapping.Problem(), "Choose a file to import.");
  ASSERT_TRUE(mapping.Load(File("a.csv", "1/31/2008,Roundtable\n2/1/2008,Second\n")).ok());
  mapping.LoadCategories(2010, 1);
  EXPECT_EQ(mapping.Problem(), "Choose the column of \"Event Name *\".");
  mapping.settings().column(CsvField::kEventName) = 2;
  EXPECT_EQ(mapping.Problem(), "Choose the column of \"Start Date\".");
  mapping.settings().column(CsvField::kStartDate) = 1;
  EXPECT_EQ(mapping.Problem(), std::nullopt);
  mapping.SetStartLine(3);
  EXPECT_EQ(mapping.Problem(), "The file has 2 lines: the first line to import must be one of them.");
  const CsvImportReport refused = mapping.Run();
  EXPECT_EQ(refused.status.code(), Status::Code::kInvalid);
  EXPECT_TRUE(Events().empty());

  // Back on a line with fewer columns, a column beyond them is "none" again.
  CsvMapping wide(app_, data_, ui_);
  ASSERT_TRUE(wide.Load(File("wide.csv", "a,b\nc,d,e,f\n")).ok());
  wide.SetStartLine(2);
  ASSERT_EQ(wide.ColumnItems().size(), 5u);
  wide.settings().column(CsvField::kURL) = 4;
  wide.SetStartLine(1);
  EXPECT_EQ(wide.ColumnItems().size(), 3u);
  EXPECT_EQ(wide.settings().column(CsvField::kURL), 0);
}

TEST_F(CsvMappingTest, StrangersFilesGiveAMessageAndNoEvents) {
  CsvMapping mapping(app_, data_, ui_);
  const std::string missing = root_ / "gone.csv";
  EXPECT_EQ(mapping.Load(missing).message(),
            "File " + missing + " does not exist. Click browse to choose a file");
  EXPECT_THAT(mapping.Load(File("empty.csv", "")).message(), HasSubstr("is empty"));
  EXPECT_THAT(mapping.Load(File("blank.csv", "\r\n  \n")).message(), HasSubstr("is empty"));
  EXPECT_THAT(mapping.Load(File("photo.csv", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)))
                  .message(),
              HasSubstr("is not a text file"));
  EXPECT_EQ(mapping.Problem(), "Choose a file to import.");
  // A spreadsheet's "Unicode text", with and without its byte order mark.
  std::string utf16;
  for (char c : std::string("Fair,3/5/2010\r\n")) utf16 += std::string{c, '\0'};
  EXPECT_THAT(mapping.Load(File("unicode.csv", "\xFF\xFE" + utf16)).message(),
              HasSubstr("is saved as Unicode text (UTF-16)"));
  EXPECT_THAT(mapping.Load(File("unicode2.csv", utf16)).message(),
              HasSubstr("is saved as Unicode text (UTF-16)"));

  // A Windows file: its accented letters arrive as they were meant.
  ASSERT_TRUE(mapping.Load(File("cp1252.csv", "Caf\xE9 night,3/5/2010\n")).ok());
  EXPECT_EQ(mapping.ColumnItems()[1], "Caf\xC3\xA9 night (Field #1)");

  // A long line's samples are cut for the boxes.
  ASSERT_TRUE(mapping.Load(File("long.csv", std::string(500, 'x') + ",3/5/2010\n")).ok());
  EXPECT_LT(mapping.ColumnItems()[1].size(), 60u);
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(CsvMappingTest, LineErrorsAreListedWithTheirCausesInOneReport) {
  const std::string path = File("mixed.csv",
                                "Good,3/5/2010\n"
                                "Bad date,13/45/2010\n"
                                ",3/6/2010\n"
                                "Not a date,soon-ish-maybe\n"
                                "Also good,3/7/2010\n");
  CsvMapping mapping(app_, data_, ui_);
  ASSERT_TRUE(mapping.Load(path).ok());
  mapping.settings().column(CsvField::kEventName) = 1;
  mapping.settings().column(CsvField::kStartDate) = 2;
  mapping.LoadCategories(2010, 1);
  // Each refused line asks whether to stop; the person goes on.
  ui_.questions.clear();
  ui_.answers = {Answer::kNo, Answer::kNo};
  const CsvImportReport report = mapping.Run();
  ASSERT_TRUE(report.status.ok()) << report.status.message();
  EXPECT_EQ(report.counts.imported, 2);
  EXPECT_EQ(report.counts.failed, 3);
  ASSERT_EQ(report.problems.size(), 3u);
  EXPECT_THAT(report.problems[0], StartsWith("Error importint line 2 "));
  EXPECT_THAT(report.problems[0], HasSubstr("no such date: 13/45/2010"));
  EXPECT_EQ(report.problems[1],
            "Could not import event on line 3 Reason : Event name is blank.. Should I cancel?");
  EXPECT_THAT(report.problems[2], HasSubstr("line 4 Reason : Could not convert date"));
  EXPECT_THAT(report.Text(), StartsWith("Imported  5 out of 5 lines\n2 events imported, 3 lines "
                                        "could not be imported.\nError importint line 2"));
  // No message box per line: only the two questions were put.
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(ui_.questions.size(), 2u);
  EXPECT_EQ(Events().size(), 2u);

  // Answering "Yes" stops there and keeps what came before.
  ASSERT_TRUE(data_.db().Execute("DELETE FROM Events").ok());
  ui_.answers = {Answer::kYes};
  const CsvImportReport stopped = mapping.Run();
  ASSERT_TRUE(stopped.status.ok());
  EXPECT_TRUE(stopped.counts.stopped);
  EXPECT_THAT(stopped.Text(), HasSubstr("stopped at line 3 as asked"));
  EXPECT_EQ(Events().size(), 1u);
}

TEST_F(CsvMappingTest, TheWindowShowsTheLastFileAndOnlyTheLoadedFilesLines) {
  CsvMapping first(app_, data_, ui_);
  ASSERT_TRUE(first.LoadLast().ok());
  EXPECT_FALSE(first.has_file());
  std::string text = "Subject,Start Date,Location\n";
  for (int i = 1; i <= 5; ++i) {
    text += "\"Meeting, part " + std::to_string(i) + "\",3/" + std::to_string(i) + "/2010,Hall\n";
  }
  const std::string path = File("meetings.csv", text);
  ASSERT_TRUE(first.Load(path).ok());
  // The table starts on the first line imported; a quoted comma stays in
  // its field.
  const std::vector<CsvSampleRow> rows = first.SampleRows(3);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].line, 2);
  EXPECT_THAT(rows[0].fields, ElementsAre("Meeting, part 1", "3/1/2010", "Hall"));
  EXPECT_EQ(rows[2].line, 4);
  EXPECT_EQ(first.FileText(2), "Subject,Start Date,Location\n\"Meeting, part 1\",3/1/2010,Hall\n"
                               "... 4 more lines\n");
  first.LoadCategories(2010, 1);
  ASSERT_TRUE(first.Run().status.ok());

  // Opened again, the window offers the file imported last.
  CsvMapping again(app_, data_, ui_);
  ASSERT_TRUE(again.LoadLast().ok());
  EXPECT_EQ(again.path(), path);
  EXPECT_EQ(again.SampleRows(10).size(), 5u);

  // A file that does not load leaves nothing of the one before it: no
  // preview, rows or text of meetings.csv beside the refusal.
  EXPECT_FALSE(again.Load(File("photo.csv", std::string("\x89PNG\0\0", 6))).ok());
  EXPECT_FALSE(again.has_file());
  EXPECT_TRUE(again.Preview().empty());
  EXPECT_TRUE(again.SampleRows(10).empty());
  EXPECT_EQ(again.FileText(100), "");

  // Gone since: nothing to offer, and no message.
  ASSERT_TRUE(std::filesystem::remove(path));
  CsvMapping gone(app_, data_, ui_);
  EXPECT_TRUE(gone.LoadLast().ok());
  EXPECT_FALSE(gone.has_file());
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(CsvMappingTest, CancelOnTheProgressWindowUndoesTheWholeImport) {
  std::string text;
  for (int i = 1; i <= 200; ++i) text += "Event " + std::to_string(i) + ",3/5/2010\n";
  CsvMapping mapping(app_, data_, ui_);
  ASSERT_TRUE(mapping.Load(File("many.csv", text)).ok());
  mapping.settings().column(CsvField::kEventName) = 1;
  mapping.settings().column(CsvField::kStartDate) = 2;
  mapping.LoadCategories(2010, 1);
  bool cancel = false;
  ui_.on_process_events = [&] { cancel = ui_.process_events_calls >= 120; };
  mapping.set_cancel_check([&] { return cancel; });
  const CsvImportReport report = mapping.Run();
  EXPECT_EQ(report.status.code(), Status::Code::kCancelled);
  EXPECT_EQ(report.Text(), "The import was cancelled: no line of the file was kept.");
  EXPECT_TRUE(Events().empty());
  // The bar moved and was hidden again.
  ASSERT_GE(ui_.progress.size(), 3u);
  EXPECT_EQ(ui_.progress[1], std::make_pair(20, 200));
  EXPECT_EQ(ui_.progress.back(), std::make_pair(0, 0));
}

}  // namespace
}  // namespace almanix::desktop::testing
