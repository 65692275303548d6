#include "desktop/exchange_commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "desktop/desktop_fixture.h"
#include "store/db_engine.h"

namespace almanix::desktop::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using almanix::testing::Exists;
using almanix::testing::ReadAll;
using almanix::testing::WriteAll;

class ExchangeCommandsTest : public DesktopFixture {
 protected:
  void SetUp() override {
    DesktopFixture::SetUp();
    ASSERT_TRUE(grid_->LoadGrid(D(2010, 3, 1)).ok());
    grid_->cboCalendar_load();
    ASSERT_GE(grid_->CategoryItems().size(), 2u);
    commands_ = std::make_unique<ExchangeCommands>(app_, data_, ui_, *grid_);
  }

  // "Summary|CalendarID|Calendars" of every event, in ID order.
  std::vector<std::string> Events() {
    std::vector<std::string> out;
    store::Query q(data_.db());
    EXPECT_TRUE(q.Open("Select * from Events order by ID").ok());
    for (Status s = q.First(); s.ok() && !q.Eof(); s = q.Next()) {
      out.push_back(q.AsString("Summary") + "|" + q.AsString("CalendarID") + "|" +
                    q.AsString("Calendars"));
    }
    return out;
  }

  std::unique_ptr<ExchangeCommands> commands_;
};

TEST_F(ExchangeCommandsTest, ICalendarExportedFromOneCategoryComesBackIntoAnother) {
  Add("Board meeting", D(2010, 3, 10), 1, 14);
  Add("Other category", D(2010, 3, 11), 2, 9);
  const std::string first = grid_->CategoryName();
  const std::string path = root_ / "out";
  ui_.questions.clear();
  ui_.picks = {path};
  ASSERT_TRUE(commands_->ExportIcal(1268000000).ok());
  // The dialog proposed the category and year; ".ics" was added.
  EXPECT_EQ(ui_.questions, std::vector<std::string>{std::string(kIcalSaveCaption)});
  ASSERT_TRUE(Exists(path + ".ics"));
  const std::string text = ReadAll(path + ".ics");
  EXPECT_THAT(text, HasSubstr("SUMMARY\r\n :Board meeting"));
  EXPECT_THAT(text, ::testing::Not(HasSubstr("Other category")));
  EXPECT_THAT(ui_.messages, ElementsAre("Done!!! Export to file '" + path + ".ics' Completed."));

  ASSERT_TRUE(grid_->ChooseCategory(grid_->CategoryItems()[1]).ok());
  ui_.messages.clear();
  ui_.questions.clear();
  ui_.picks = {path + ".ics"};
  ui_.answers = {Answer::kYes};
  ASSERT_TRUE(commands_->ImportIcal().ok());
  EXPECT_THAT(ui_.questions,
              ElementsAre(std::string(kIcalOpenCaption),
                          "Are you sure you really want import this file into the \"" +
                              grid_->CategoryName() + "\" calendar?"));
  EXPECT_THAT(ui_.messages, ElementsAre("1 events imported from out.ics into the \"" +
                                        grid_->CategoryName() + "\" calendar."));
  EXPECT_THAT(Events(), ElementsAre("Board meeting|1|,1,", "Other category|2|,2,",
                                    "Board meeting|2|,2,"));
  // The grid shows it at once.
  const DayCell& cell = grid_->cells()[static_cast<size_t>(CellOf(D(2010, 3, 10)))];
  EXPECT_THAT(cell.bar, HasSubstr("Board meeting"));
  EXPECT_NE(first, grid_->CategoryName());
}

TEST_F(ExchangeCommandsTest, BrokenICalendarFilesChangeNothing) {
  Add("Kept", D(2010, 3, 10), 1);
  const std::vector<std::string> before = Events();
  const std::pair<std::string, std::string> files[] = {
      {"empty.ics", ""},
      {"photo.ics", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
      {"letter.ics", "Dear friend,\nsee you on Monday.\n"},
      {"cut.ics", "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nSUMMARY:half"},
  };
  for (const auto& [name, bytes] : files) {
    WriteAll(root_ / name, bytes);
    ui_.messages.clear();
    ui_.picks = {root_ / name};
    ui_.answers = {Answer::kYes};
    Status s = commands_->ImportIcal();
    ASSERT_EQ(ui_.messages.size(), 1u) << name;
    if (s.ok()) {
      // Read, but nothing in it to take.
      EXPECT_THAT(ui_.messages[0], StartsWith("0 events imported")) << name;
    } else {
      EXPECT_THAT(ui_.messages[0], StartsWith("Could not import " + root_ / name)) << name;
      EXPECT_THAT(ui_.messages[0], HasSubstr("Nothing was imported.")) << name;
    }
    EXPECT_EQ(Events(), before) << name;
  }

  // "No" to the question, or a cancelled dialog, import nothing.
  ui_.messages.clear();
  WriteAll(root_ / "good.ics",
           "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART:20100305T090000\r\nSUMMARY:x\r\n"
           "END:VEVENT\r\nEND:VCALENDAR\r\n");
  ui_.picks = {root_ / "good.ics"};
  ui_.answers = {Answer::kNo};
  EXPECT_EQ(commands_->ImportIcal().code(), Status::Code::kCancelled);
  EXPECT_EQ(commands_->ImportIcal().code(), Status::Code::kCancelled);
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(Events(), before);
}

TEST_F(ExchangeCommandsTest, EventsNotUnderstoodAreCountedInTheOneResult) {
  WriteAll(root_ / "two.ics",
           "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n"
           "BEGIN:VEVENT\r\nSUMMARY:No start\r\nEND:VEVENT\r\n"
           "BEGIN:VEVENT\r\nDTSTART;VALUE=DATE:20100305\r\nSUMMARY:Fair\r\nEND:VEVENT\r\n"
           "END:VCALENDAR\r\n");
  ui_.picks = {root_ / "two.ics"};
  ui_.answers = {Answer::kYes};
  ASSERT_TRUE(commands_->ImportIcal().ok());
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_THAT(ui_.messages[0], StartsWith("1 events imported from two.ics"));
  EXPECT_THAT(ui_.messages[0],
              HasSubstr("\n1 of 2 events could not be understood and were left out."
                        "\nCould not understand event # 0"));
  EXPECT_THAT(Events(), ElementsAre("Fair|1|,1,"));
}

TEST_F(ExchangeCommandsTest, EventTablesGoOutAndComeBack) {
  Add("One", D(2010, 3, 10), 1);
  Add("Two", D(2010, 3, 11), 2);
  // A cancelled dialog writes nothing and says nothing.
  EXPECT_EQ(commands_->ExportEvents(false).code(), Status::Code::kCancelled);
  EXPECT_TRUE(ui_.messages.empty());

  ui_.picks = {root_ / "Team"};
  ASSERT_TRUE(commands_->ExportEvents(/*only_current_category=*/true).ok());
  EXPECT_THAT(ui_.messages, ElementsAre("Events have Been Exported to " + root_ / "Team.db"));
  ui_.picks = {root_ / "All.db"};
  ASSERT_TRUE(commands_->ExportEvents(false).ok());

  // Into the second category.
  ASSERT_TRUE(grid_->ChooseCategory(grid_->CategoryItems()[1]).ok());
  ui_.messages.clear();
  ui_.picks = {root_ / "Team.db"};
  ASSERT_TRUE(commands_->ImportEvents(/*add_to_current_category=*/true).ok());
  EXPECT_THAT(ui_.messages, ElementsAre("Import finished. 1 events imported"));
  // Kept in their own categories.
  ui_.picks = {root_ / "All.db"};
  ASSERT_TRUE(commands_->ImportEvents(false).ok());
  EXPECT_THAT(Events(), ElementsAre("One|1|,1,", "Two|2|,2,", "One|2|,2,", "One|1|,1,",
                                    "Two|2|,2,"));
  EXPECT_THAT(grid_->cells()[static_cast<size_t>(CellOf(D(2010, 3, 10)))].bar, HasSubstr("One"));
}

TEST_F(ExchangeCommandsTest, BrokenEventTablesChangeNothing) {
  Add("Kept", D(2010, 3, 10), 1);
  const std::vector<std::string> before = Events();
  const std::pair<std::string, std::string> files[] = {
      {"empty.db", ""},
      {"photo.db", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + std::string(4096, 'x')},
      {"notes.db", "just some text\n"},
  };
  for (const auto& [name, bytes] : files) {
    WriteAll(root_ / name, bytes);
    ui_.messages.clear();
    ui_.picks = {root_ / name};
    EXPECT_FALSE(commands_->ImportEvents(true).ok()) << name;
    ASSERT_EQ(ui_.messages.size(), 1u) << name;
    EXPECT_THAT(ui_.messages[0], StartsWith("Could not import events from " + root_ / name));
    EXPECT_EQ(Events(), before) << name;
  }
  // A file that is no table file is named as such, not as a missing table.
  EXPECT_THAT(ui_.messages[0], HasSubstr("is not an events table file: file is not a database"));
  // A cancelled dialog keeps the window (Cancelled) and says nothing.
  ui_.messages.clear();
  EXPECT_EQ(commands_->ImportEvents(true).code(), Status::Code::kCancelled);
  EXPECT_TRUE(ui_.messages.empty());
}

TEST(ExchangeNamesTest, CaptionsAndExtensions) {
  EXPECT_EQ(OnlyCurrentCategoryChoice("Sports"),
            "Only Events in the current slected category 'Sports'");
  EXPECT_EQ(AddToCurrentCategoryChoice("Sports"),
            "Add all events to the current category 'Sports'");
  EXPECT_EQ(WithDefaultExtension("/home/a/Events", ".db"), "/home/a/Events.db");
  EXPECT_EQ(WithDefaultExtension("/home/a/Team.db.db", ".db"), "/home/a/Team.db.db");
  EXPECT_EQ(WithDefaultExtension("/home/a.b/Sports2010", ".ics"), "/home/a.b/Sports2010.ics");
}

}  // namespace
}  // namespace almanix::desktop::testing
