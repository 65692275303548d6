// The File menu's decisions on a started program with real tables and real
// calendar files: what is asked, which file is written or opened, what the
// status text and the working-directory entries say afterwards.
#include "desktop/file_menu.h"

#include <array>
#include <memory>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/dates.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "desktop/main_grid.h"
#include "desktop/program_line.h"
#include "program/program.h"
#include "store/zip_archive.h"
#include "support/fake_ui.h"
#include "support/temp_root.h"

namespace almanix::desktop {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

DayNumber D(int y, int m, int d) { return EncodeDate(y, m, d); }

constexpr const char* kNewQuestion = "Do you want to save changes to the 'Default' calendar first ?";

class FileMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = std::make_unique<Program>(ui_);
    Program::Options options;
    options.root = root_.path();
    ASSERT_TRUE(program_->Start(options).ok());
    grid_ = std::make_unique<MainGrid>(program_->app, program_->data, ui_, D(2010, 3, 5) + 0.5);
    ASSERT_TRUE(grid_->LoadGrid(D(2010, 3, 1)).ok());
    grid_->cboCalendar_load();
    menu_ = std::make_unique<FileMenu>(*program_, *grid_);
    ui_.messages.clear();
    ui_.questions.clear();
  }

  int CellOf(DayNumber day) const {
    const auto& cells = grid_->cells();
    for (size_t i = 0; i < cells.size(); ++i) {
      if (cells[i].date == day) return static_cast<int>(i);
    }
    return -1;
  }
  void Note(const std::string& text) {
    ASSERT_TRUE(grid_->LoadGrid(D(2010, 3, 1)).ok());
    ASSERT_TRUE(grid_->SetNote(CellOf(D(2010, 3, 5)), text).ok());
  }
  std::string NoteShown() {
    EXPECT_TRUE(grid_->LoadGrid(D(2010, 3, 1)).ok());
    return grid_->cells()[static_cast<size_t>(CellOf(D(2010, 3, 5)))].note;
  }
  TDir& dir() { return *program_->app.dir; }
  // The entry of the list that shows the text; -1 when none does.
  static int IndexOf(const std::array<RecentEntry, 5>& entries, const std::string& text) {
    for (size_t i = 0; i < entries.size(); ++i) {
      if (entries[i].visible && entries[i].caption == text) return static_cast<int>(i);
    }
    return -1;
  }

  almanix::testing::TempRoot root_;
  almanix::testing::FakeUi ui_;
  std::unique_ptr<Program> program_;
  std::unique_ptr<MainGrid> grid_;
  std::unique_ptr<FileMenu> menu_;
};

TEST_F(FileMenuTest, SaveAsNewOpenAndReopenCarryTheCalendar) {
  Note("Club night");
  // A name without extension gets ".cal".
  ui_.picks.push_back(root_ / "club");
  ASSERT_TRUE(menu_->SaveAs().ok());
  const std::string cal = root_ / "club.cal";
  EXPECT_EQ(dir().CalendarFile, cal);
  EXPECT_TRUE(FileExists(cal));
  EXPECT_EQ(menu_->StatusText(), "                Calendar: " + cal);
  EXPECT_THAT(ui_.questions, ElementsAre("Save As.."));
  EXPECT_FALSE(menu_->HasUnsavedChanges());

  // New asks first; No leaves the file as it was saved.
  ui_.answers.push_back(Answer::kNo);
  ASSERT_TRUE(menu_->New().ok());
  EXPECT_EQ(ui_.questions.back(), kNewQuestion);
  EXPECT_TRUE(dir().CalendarFile.empty());
  EXPECT_THAT(dir().WorkDir, HasSubstr("NewCal"));
  EXPECT_THAT(menu_->StatusText(), HasSubstr("Working in : "));
  EXPECT_EQ(NoteShown(), "");

  // Open: its dialog, the note back, the file in the recent list.
  ui_.picks.push_back(cal);
  ASSERT_TRUE(menu_->Open().ok());
  EXPECT_EQ(ui_.questions.back(), "Select a calendar file to open");
  EXPECT_EQ(dir().CalendarFile, cal);
  EXPECT_EQ(menu_->StatusText(), "                Calendar: " + cal);
  EXPECT_EQ(NoteShown(), "Club night");
  // The list is sorted with its empty entry first, and that one is hidden.
  auto reopen = menu_->ReopenEntries();
  EXPECT_FALSE(reopen[0].visible);
  EXPECT_EQ(reopen[1].caption, cal);
  EXPECT_TRUE(reopen[1].visible);
  EXPECT_FALSE(reopen[2].visible);

  // Reopen the entry after another calendar; Reopen adds nothing.
  ui_.answers.push_back(Answer::kNo);
  ASSERT_TRUE(menu_->New().ok());
  ASSERT_TRUE(menu_->Reopen(1).ok());
  EXPECT_EQ(dir().CalendarFile, cal);
  EXPECT_EQ(NoteShown(), "Club night");
  EXPECT_FALSE(menu_->ReopenEntries()[2].visible);
  EXPECT_FALSE(menu_->Reopen(0).ok());

  // Save writes back into the open file without a dialog.
  Note("Club night moved");
  const size_t asked = ui_.questions.size();
  ASSERT_TRUE(menu_->Save().ok());
  EXPECT_EQ(ui_.questions.size(), asked);
  ui_.answers.push_back(Answer::kNo);
  ASSERT_TRUE(menu_->New().ok());
  ASSERT_TRUE(menu_->Reopen(1).ok());
  EXPECT_EQ(NoteShown(), "Club night moved");
}

TEST_F(FileMenuTest, LeavingACalendarWithChangesAsksFirst) {
  ui_.picks.push_back(root_ / "a.cal");
  ASSERT_TRUE(menu_->SaveAs().ok());
  ui_.picks.push_back(root_ / "b.cal");
  ASSERT_TRUE(menu_->SaveAs().ok());
  ui_.picks.push_back(root_ / "a.cal");
  ASSERT_TRUE(menu_->Open().ok());
  ui_.questions.clear();

  // Unchanged: another file opens without a question.
  ui_.picks.push_back(root_ / "b.cal");
  ASSERT_TRUE(menu_->Open().ok());
  EXPECT_THAT(ui_.questions, ElementsAre("Select a calendar file to open"));

  // Changed: Cancel keeps the calendar and its change.
  Note("Only in b");
  EXPECT_TRUE(menu_->HasUnsavedChanges());
  ui_.questions.clear();
  ui_.picks.push_back(root_ / "a.cal");
  ui_.answers.push_back(Answer::kCancel);
  EXPECT_EQ(menu_->Open().code(), Status::Code::kCancelled);
  EXPECT_EQ(ui_.questions.back(), "Save Changes to calendar \n\r" + root_ / "b.cal");
  EXPECT_EQ(dir().CalendarFile, root_ / "b.cal");
  EXPECT_EQ(NoteShown(), "Only in b");

  // Yes saves it before the other opens.
  ui_.picks.push_back(root_ / "a.cal");
  ui_.answers.push_back(Answer::kYes);
  ASSERT_TRUE(menu_->Open().ok());
  EXPECT_EQ(dir().CalendarFile, root_ / "a.cal");
  EXPECT_EQ(NoteShown(), "");
  ASSERT_TRUE(menu_->Reopen(IndexOf(menu_->ReopenEntries(), root_ / "b.cal")).ok());
  EXPECT_EQ(NoteShown(), "Only in b");

  // The default working directory no longer drops changes unasked.
  Note("Changed again");
  ui_.answers.push_back(Answer::kCancel);
  EXPECT_EQ(menu_->DefaultWorkingDirectory().code(), Status::Code::kCancelled);
  EXPECT_EQ(dir().CalendarFile, root_ / "b.cal");
  EXPECT_FALSE(menu_->DefaultWorkdirChecked());
}

TEST_F(FileMenuTest, ASaveThatFailsOrIsCancelledKeepsTheCalendarOpen) {
  ASSERT_TRUE(menu_->New().ok());  // nothing open: the default answer is No
  const std::string work = dir().WorkDir;
  Note("Unsaved idea");

  // New with Yes: the save is cancelled in its dialog, so nothing changes.
  ui_.answers.push_back(Answer::kYes);
  EXPECT_EQ(menu_->New().code(), Status::Code::kCancelled);
  EXPECT_EQ(ui_.messages.back(), "Calendar not saved");
  EXPECT_EQ(dir().WorkDir, work);
  EXPECT_EQ(NoteShown(), "Unsaved idea");

  // A save into a folder that does not exist says why and stays.
  ui_.answers.push_back(Answer::kYes);
  ui_.picks.push_back(root_ / "no/such/folder/x.cal");
  EXPECT_FALSE(menu_->New().ok());
  EXPECT_THAT(ui_.messages.back(),
              HasSubstr("Could not save the calendar file " + root_ / "no/such/folder/x.cal: "));
  EXPECT_EQ(dir().WorkDir, work);
  EXPECT_EQ(NoteShown(), "Unsaved idea");

  // Exit asks for the new calendar's changes; a failed save keeps running.
  ui_.answers.push_back(Answer::kYes);
  ui_.picks.push_back(root_ / "no/such/folder/x.cal");
  EXPECT_FALSE(menu_->ConfirmExit(true));
  ui_.answers.push_back(Answer::kNo);
  EXPECT_TRUE(menu_->ConfirmExit(true));
  EXPECT_TRUE(menu_->ConfirmExit(false));
}

TEST_F(FileMenuTest, ExitAsksToSaveTheOpenFile) {
  // Working in the default folder there is nothing to ask.
  EXPECT_TRUE(menu_->ConfirmExit(true));
  EXPECT_TRUE(ui_.questions.empty());

  const std::string cal = root_ / "club.cal";
  ui_.picks.push_back(cal);
  ASSERT_TRUE(menu_->SaveAs().ok());
  Note("Before exit");
  ui_.questions.clear();
  ui_.answers.push_back(Answer::kYes);
  EXPECT_TRUE(menu_->ConfirmExit(true));
  EXPECT_THAT(ui_.questions, ElementsAre("Save Changes to calendar \n\r" + cal));

  // The note reached the file: another program opens it there.
  almanix::testing::FakeUi other_ui;
  Program other(other_ui);
  Program::Options options;
  options.root = root_ / "other/";
  options.calendar = cal;
  ASSERT_TRUE(other.Start(options).ok());
  MainGrid other_grid(other.app, other.data, other_ui, D(2010, 3, 5) + 0.5);
  ASSERT_TRUE(other_grid.LoadGrid(D(2010, 3, 1)).ok());
  bool found = false;
  for (const DayCell& cell : other_grid.cells()) found = found || cell.note == "Before exit";
  EXPECT_TRUE(found);
}

TEST_F(FileMenuTest, WorkingDirectoriesAndBackup) {
  const std::string cal = root_ / "club.cal";
  ui_.picks.push_back(cal);
  ASSERT_TRUE(menu_->SaveAs().ok());

  // A cancelled folder choice leaves the calendar file open.
  EXPECT_EQ(menu_->ChooseDirectory().code(), Status::Code::kCancelled);
  EXPECT_EQ(dir().CalendarFile, cal);

  const std::string folder = root_ / "work";
  TDir::EnsureDirQuiet(folder);
  Note("Saved on the way");
  ui_.picks.push_back(folder);
  ASSERT_TRUE(menu_->ChooseDirectory().ok());
  EXPECT_EQ(ui_.questions.back(), "Select a folder");
  EXPECT_TRUE(dir().CalendarFile.empty());
  EXPECT_EQ(menu_->StatusText(), "             Working in : " + folder + "/");
  EXPECT_EQ(menu_->SetWorkdirCaption(), "Working in: " + folder + "/ click to change");
  EXPECT_TRUE(menu_->SetWorkdirChecked());
  const int entry = IndexOf(menu_->WorkInEntries(), folder + "/");
  ASSERT_GE(entry, 0);

  ASSERT_TRUE(menu_->DefaultWorkingDirectory().ok());
  EXPECT_TRUE(menu_->DefaultWorkdirChecked());
  EXPECT_FALSE(menu_->SetWorkdirChecked());
  EXPECT_EQ(menu_->SetWorkdirCaption(), "Set Working Directory");
  ASSERT_TRUE(menu_->WorkIn(IndexOf(menu_->WorkInEntries(), folder + "/")).ok());
  EXPECT_EQ(dir().WorkDir, folder + "/");

  // The file was saved before the switch. Save As added nothing to the
  // recent files: only Open does.
  EXPECT_EQ(IndexOf(menu_->ReopenEntries(), cal), -1);
  ui_.picks.push_back(cal);
  ASSERT_TRUE(menu_->Open().ok());
  EXPECT_EQ(NoteShown(), "Saved on the way");

  // Backup: its dialog, ".zip" added, the default folder's tables inside.
  ui_.questions.clear();
  ui_.picks.push_back(root_ / "backup");
  ASSERT_TRUE(menu_->Backup().ok());
  EXPECT_THAT(ui_.questions, ElementsAre("Backup"));
  Result<store::ExtractReport> unpacked =
      store::ExtractArchive(root_ / "backup.zip", root_ / "unpacked/");
  ASSERT_TRUE(unpacked.ok()) << unpacked.status().message();
  EXPECT_TRUE(DirectoryExists(root_ / "unpacked/db"));
  EXPECT_EQ(menu_->Backup().code(), Status::Code::kCancelled);
}

TEST_F(FileMenuTest, TheProgramLineOpensAndStopsABatchThatCannotRun) {
  const std::string cal = root_ / "club.cal";
  Note("From the line");
  ui_.picks.push_back(cal);
  ASSERT_TRUE(menu_->SaveAs().ok());
  ui_.answers.push_back(Answer::kNo);
  ASSERT_TRUE(menu_->New().ok());

  EXPECT_FALSE(ProgramLineEnds({cal}));
  EXPECT_TRUE(ProgramLineEnds({cal, "-P"}));
  ProgramLineRun opened = RunProgramLine(*program_, *menu_, 1, {cal}, 0);
  EXPECT_TRUE(opened.status.ok());
  EXPECT_FALSE(opened.ends);
  EXPECT_EQ(dir().CalendarFile, cal);
  EXPECT_EQ(NoteShown(), "From the line");
  EXPECT_FALSE(menu_->HasUnsavedChanges());

  // A missing calendar is said; a batch ends failed without touching
  // the calendar that is open.
  ui_.messages.clear();
  ProgramLineRun missing = RunProgramLine(*program_, *menu_, 1, {root_ / "gone.cal", "-p"}, 0);
  EXPECT_FALSE(missing.status.ok());
  EXPECT_TRUE(missing.ends);
  EXPECT_THAT(ui_.messages, ElementsAre("File not found: " + root_ / "gone.cal"));

  // "-p" without a saved favorite publishes nothing and says so.
  ui_.messages.clear();
  ProgramLineRun unpublished = RunProgramLine(*program_, *menu_, 1, {cal, "-p"}, 0);
  EXPECT_FALSE(unpublished.status.ok());
  EXPECT_TRUE(unpublished.ends);
  ASSERT_FALSE(ui_.messages.empty());
  EXPECT_THAT(ui_.messages.back(), HasSubstr("there is no favorite "));

  // A second argument that is neither a CSV file nor -p is said too.
  ui_.messages.clear();
  ProgramLineRun odd = RunProgramLine(*program_, *menu_, 1, {cal, root_ / "none.csv"}, 0);
  EXPECT_FALSE(odd.status.ok());
  EXPECT_THAT(ui_.messages, ElementsAre("no CSV file " + root_ / "none.csv"));
}

}  // namespace
}  // namespace almanix::desktop
