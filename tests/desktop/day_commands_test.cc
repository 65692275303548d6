#include "desktop/day_commands.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "app/dir.h"
#include "desktop/desktop_fixture.h"
#include "store/db_engine.h"
#include "store/event_draft.h"
#include "support/temp_root.h"

namespace almanix::desktop {
namespace {

using almanix::testing::ReadAll;
using almanix::testing::WriteAll;
using testing::D;

class DayCommandsTest : public testing::DesktopFixture {
 protected:
  void SetUp() override {
    DesktopFixture::SetUp();
    commands_ = std::make_unique<DayCommands>(app_, data_, ui_, *grid_);
    // The editor's part of a new event: a one-hour event on the asked day.
    commands_->set_open_editor([this](const EditorRequest& r) {
      requests_.push_back(r);
      if (r.is_new) Add("Made in the editor", r.date, std::stoi(r.category_id), 10);
      return Status::Ok();
    });
  }

  std::string Column(const std::string& id, const std::string& column) {
    store::Query q(data_.db());
    EXPECT_TRUE(q.Open("Select * from events where ID = '" + id + "'").ok());
    return q.IsEmpty() ? "<none>" : q.AsString(column);
  }

  int EventCount() {
    store::Query q(data_.db());
    EXPECT_TRUE(q.Open("Select * from events").ok());
    return q.RecordCount();
  }

  const DayCell& Cell(DayNumber day) { return grid_->cells()[static_cast<size_t>(CellOf(day))]; }

  std::unique_ptr<DayCommands> commands_;
  std::vector<EditorRequest> requests_;
};

TEST_F(DayCommandsTest, AddAndEditNeedADayAndAnEvent) {
  ASSERT_TRUE(grid_->LoadGrid(D(2010, 3, 1)).ok());
  ASSERT_TRUE(grid_->ShowDay(0).ok());  // the filler before Monday 1 March
  int before = EventCount();
  EXPECT_FALSE(commands_->AddEvent().ok());
  EXPECT_FALSE(commands_->EditEvent().ok());
  EXPECT_FALSE(commands_->PasteEvent().ok());
  EXPECT_EQ(ui_.messages,
            (std::vector<std::string>{"Select a day on the calendar first, to add events to it",
                                      "Select a valid Date first",
                                      "Nothing to paste. First, right click and select an event "
                                      "to copy"}));
  EXPECT_EQ(EventCount(), before);
  EXPECT_TRUE(requests_.empty());

  Select(D(2010, 3, 9));
  ui_.messages.clear();
  EXPECT_FALSE(commands_->EditEvent().ok());
  EXPECT_EQ(ui_.messages, (std::vector<std::string>{"No event Selected. Select an event first."}));

  ASSERT_TRUE(commands_->AddEvent().ok());
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_TRUE(requests_[0].is_new);
  EXPECT_EQ(requests_[0].date, D(2010, 3, 9));
  EXPECT_EQ(requests_[0].category_id, "1");
  // The new event's line is in its cell and the day panel lists it.
  EXPECT_EQ(Cell(D(2010, 3, 9)).bar, "\xC2\xB0 Made in the editor\r\n");
  ASSERT_EQ(grid_->DayEvents().size(), 1u);
  ASSERT_TRUE(commands_->EditEvent().ok());
  EXPECT_FALSE(requests_[1].is_new);
}

TEST_F(DayCommandsTest, DeletingTheOnlyEventEmptiesTheLines) {
  Add("Dentist", D(2010, 3, 5), 1);
  Select(D(2010, 3, 5));
  ASSERT_EQ(Cell(D(2010, 3, 5)).bar, "\xC2\xB0 Dentist\r\n");

  ui_.answers.push_back(Answer::kNo);
  EXPECT_FALSE(commands_->DeleteEvent().ok());
  EXPECT_EQ(ui_.questions.back(), "Are you sure you want to delete 'Dentist' event?");
  EXPECT_EQ(Cell(D(2010, 3, 5)).bar, "\xC2\xB0 Dentist\r\n");

  ui_.answers.push_back(Answer::kYes);
  ASSERT_TRUE(commands_->DeleteEvent().ok());
  EXPECT_EQ(Cell(D(2010, 3, 5)).bar, "");
  EXPECT_TRUE(grid_->DayEvents().empty());
}

TEST_F(DayCommandsTest, PasteMovesTheCopyToTheDayKeepingItsTimes) {
  std::string id = Add("Choir", D(2010, 3, 5), 1, 20.5);
  ASSERT_EQ(Column(id, "sTime"), "854166");
  Select(D(2010, 3, 5));
  EXPECT_EQ(commands_->PasteCaption(), "Event Paste");
  ASSERT_TRUE(commands_->CopyEvent().ok());
  EXPECT_EQ(commands_->PasteCaption(), "Event Paste: (Choir)");

  Select(D(2010, 3, 12));
  ASSERT_TRUE(commands_->PasteEvent().ok());
  ASSERT_EQ(grid_->DayEvents().size(), 1u);
  std::string pasted = grid_->DayEvents()[0].id;
  EXPECT_NE(pasted, id);
  const std::string day = std::to_string(D(2010, 3, 12));
  EXPECT_EQ(Column(pasted, "sDate"), day);
  EXPECT_EQ(Column(pasted, "eDate"), day);
  EXPECT_EQ(Column(pasted, "sDateTime"), store::DateValueText(D(2010, 3, 12) + 0.854166));
  EXPECT_EQ(Column(pasted, "iDay"), "12");
  EXPECT_EQ(Column(pasted, "Summary"), "Choir");
  EXPECT_EQ(Column(pasted, "Calendars"), Column(id, "Calendars"));
  EXPECT_EQ(Cell(D(2010, 3, 12)).bar, "\xC2\xB0 Choir\r\n");
  // The original stays where it was.
  EXPECT_EQ(Column(id, "sDate"), std::to_string(D(2010, 3, 5)));
}

TEST_F(DayCommandsTest, NoteInsertionsAndLinks) {
  EXPECT_EQ(DayCommands::LinkAnchor("http://a.example", "Club", true),
            "<a href=\"http://a.example\"><u>Club</u></a>");
  EXPECT_EQ(DayCommands::LinkAnchor("http://a.example", "Club", false),
            "<a href=\"http://a.example\">Club</a>");
  NoteEdit edit = DayCommands::InsertIntoNote("Caf\xC3\xA9 at noon", 4, 0, "<br>");
  EXPECT_EQ(edit.text, "Caf\xC3\xA9<br> at noon");
  EXPECT_EQ(edit.caret, 8);
  edit = DayCommands::InsertIntoNote("Tom & Jerry", 0, 3, "<b>Tom</b>");
  EXPECT_EQ(edit.text, "<b>Tom</b> & Jerry");

  Select(D(2010, 3, 5));
  EXPECT_EQ(commands_->NoteEditorCaption(), grid_->CategoryName() + " : 2010-March-05");
  ASSERT_TRUE(grid_->SetNote(CellOf(D(2010, 3, 5)), "Bring cake").ok());
  ASSERT_TRUE(commands_->AddLinkToNote("", "nothing", true).ok());
  ASSERT_TRUE(commands_->AddLinkToNote("http://a.example", "Club", true).ok());
  EXPECT_EQ(Cell(D(2010, 3, 5)).note, "Bring cake<a href=\"http://a.example\"><u>Club</u></a>");
}

TEST_F(DayCommandsTest, DayFolderAttachmentsAndLongerNote) {
  ASSERT_TRUE(data_.db().Execute("UPDATE calendar2010 SET Name = 'Home' WHERE ID = '1'").ok());
  ASSERT_TRUE(grid_->LoadGrid(D(2010, 3, 1)).ok());
  Select(D(2010, 3, 5));
  ASSERT_EQ(grid_->CategoryName(), "Home");
  const std::string folder = app_.dir->CategoryRoot("Home") + "Home/2010-3-05/";

  WriteAll(root_ / "beach.jpg", "jpeg bytes");
  ASSERT_TRUE(
      commands_->AttachFileToDay(DayCommands::Attachment::kPicture, root_ / "beach.jpg").ok());
  EXPECT_EQ(ReadAll(folder + "picture.jpg"), "jpeg bytes");
  ASSERT_TRUE(
      commands_->AttachFileToDay(DayCommands::Attachment::kBackground, root_ / "beach.jpg").ok());
  EXPECT_TRUE(almanix::testing::Exists(folder + "background.jpg"));

  WriteAll(root_ / "agenda.txt", "agenda");
  ASSERT_TRUE(commands_->DropFiles({root_ / "agenda.txt", root_ / "missing.txt"}).ok());
  EXPECT_EQ(ReadAll(folder + "agenda.txt"), "agenda");
  EXPECT_EQ(grid_->DayFiles(),
            (std::vector<std::string>{"agenda.txt", "background.jpg", "picture.jpg"}));

  ASSERT_TRUE(commands_->LongerNote().ok());
  WriteAll(folder + "note.txt", "kept");
  ASSERT_TRUE(commands_->LongerNote().ok());
  EXPECT_EQ(ReadAll(folder + "note.txt"), "kept");

  ASSERT_TRUE(commands_->DeleteDayFolder().ok());
  EXPECT_FALSE(std::filesystem::exists(folder));
  EXPECT_TRUE(grid_->DayFiles().empty());
}

TEST_F(DayCommandsTest, HolidaysAndClearingACategory) {
  Select(D(2010, 3, 9));
  ASSERT_TRUE(commands_->HolidayAdd().ok());
  EXPECT_EQ(Cell(D(2010, 3, 9)).holiday, "New Holiday");
  ASSERT_TRUE(commands_->HolidayDelete().ok());
  EXPECT_EQ(Cell(D(2010, 3, 9)).holiday, "");

  grid_->cboCalendar_load();
  const std::string second = grid_->CategoryItems()[1];
  ASSERT_TRUE(grid_->ChooseCategory(second).ok());
  Select(D(2010, 3, 9));
  ASSERT_TRUE(grid_->SetNote(CellOf(D(2010, 3, 9)), "second's note").ok());
  std::string kept_event = Add("First's", D(2010, 3, 9), 1);
  std::string gone_event = Add("Second's", D(2010, 3, 9), 2);
  ASSERT_TRUE(commands_->EnsureDayFolder(false).ok());
  const std::string folder = app_.dir->DayFolderPath(second, "2010", "3", "9");
  ASSERT_TRUE(std::filesystem::exists(folder));

  ui_.answers.push_back(Answer::kYes);
  ASSERT_TRUE(commands_->ClearCategory().ok());
  EXPECT_EQ(ui_.questions.back(), "Are you sure you want to clear calendar category '" + second +
                                      "' ? All data will be erased. ");
  store::Query q(data_.db());
  ASSERT_TRUE(q.Open("Select * from year2010 where data2 <> ''").ok());
  EXPECT_EQ(q.RecordCount(), 0);
  EXPECT_FALSE(std::filesystem::exists(folder));
  EXPECT_EQ(Column(gone_event, "Summary"), "<none>");
  EXPECT_EQ(Column(kept_event, "Summary"), "First's");
}

}  // namespace
}  // namespace almanix::desktop
