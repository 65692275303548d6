#include "desktop/settings_form.h"

#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include "app/config.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "desktop/categories.h"
#include "desktop/desktop_fixture.h"
#include "store/db_engine.h"

namespace almanix::desktop {
namespace {

using testing::D;
using almanix::testing::Exists;
using almanix::testing::ReadAll;
using almanix::testing::WriteAll;

class SettingsFormTest : public testing::DesktopFixture {
 protected:
  void SetUp() override {
    DesktopFixture::SetUp();
    ASSERT_TRUE(grid_->LoadGrid(D(2010, 3, 5)).ok());
    grid_->cboCalendar_load();
    ui_.messages.clear();
    ui_.questions.clear();
  }

  std::vector<std::string> Names(int year) {
    std::vector<std::string> names;
    store::Query q(data_.db());
    EXPECT_TRUE(q.Open("Select * from calendar" + std::to_string(year) + " order by ID").ok());
    for (Status walk = q.First(); walk.ok() && !q.Eof(); walk = q.Next()) {
      names.push_back(q.AsString("Name"));
    }
    return names;
  }

  bool Offered(const std::string& name) const {
    const auto& items = grid_->CategoryItems();
    return std::find(items.begin(), items.end(), name) != items.end();
  }
};

TEST_F(SettingsFormTest, RenamedCategoryKeepsItsNotesAndEventsAndReachesTheMainWindow) {
  const std::string school = Names(2010)[2];
  ASSERT_FALSE(school.empty());
  Add("Exam", D(2010, 3, 9), 3);
  ASSERT_TRUE(grid_->ChooseCategory(school).ok());
  Select(D(2010, 3, 9));
  ASSERT_TRUE(grid_->SetNote(CellOf(D(2010, 3, 9)), "bring pens").ok());

  SettingsForm form(app_, data_, ui_, grid_->YearBoxText());
  form.Open();
  EXPECT_EQ(form.caption(), "Application Settings:2010");
  ASSERT_EQ(form.categories().Rows().size(), 30u);
  ASSERT_TRUE(form.categories().Rename(2, "College").ok());
  EXPECT_EQ(form.categories().Rows()[2].name, "College");
  ASSERT_TRUE(form.Close().ok());
  ASSERT_TRUE(SettingsForm::ReloadMain(app_, data_, *grid_).ok());

  EXPECT_TRUE(Offered("College"));
  EXPECT_FALSE(Offered(school));
  EXPECT_EQ(app_.config->CalendarList[2], "College");
  // The category worked in stays current under its new name.
  EXPECT_EQ(grid_->CategoryName(), "College");
  ASSERT_TRUE(grid_->ChooseCategory("College").ok());
  EXPECT_EQ(grid_->CategoryNumber(), 3);
  Select(D(2010, 3, 9));
  ASSERT_EQ(grid_->DayEvents().size(), 1u);
  const auto& cell = grid_->cells()[static_cast<size_t>(CellOf(D(2010, 3, 9)))];
  EXPECT_NE(cell.note.find("bring pens"), std::string::npos);

  // The icon follows the new name.
  WriteAll(app_.dir->IconsDir + "College.ico", "icon");
  EXPECT_EQ(form.categories().IconFile("College"), app_.dir->IconsDir + "College.ico");
  EXPECT_EQ(app_.dir->CategoryIconPath("College"), app_.dir->IconsDir + "College.ico");
}

TEST_F(SettingsFormTest, HidingAsksFirstAndClosingKeepsOneCategoryVisible) {
  SettingsForm form(app_, data_, ui_, "2010");
  form.Open();
  CategoryPage& page = form.categories();
  ui_.answers = {Answer::kCancel};
  EXPECT_FALSE(page.HideShow());
  EXPECT_FALSE(page.VisibleColumnShown());
  ASSERT_EQ(ui_.questions.size(), 1u);
  EXPECT_EQ(ui_.questions[0].rfind("Warning!!!! This feature is provided for backward", 0), 0u);
  EXPECT_NE(ui_.questions[0].find("otherwise the \r\nprogram will not function correctly!!!!. "),
            std::string::npos);
  ui_.answers = {Answer::kOk};
  EXPECT_TRUE(page.HideShow());
  EXPECT_TRUE(page.VisibleColumnShown());

  ASSERT_TRUE(page.SetVisible(1, false).ok());
  ASSERT_TRUE(form.Close().ok());
  ASSERT_TRUE(SettingsForm::ReloadMain(app_, data_, *grid_).ok());
  EXPECT_FALSE(Offered(Names(2010)[1]));
  EXPECT_TRUE(Offered(Names(2010)[0]));

  // Every row hidden: closing shows the first again.
  SettingsForm again(app_, data_, ui_, "2010");
  again.Open();
  for (int row = 0; row < 30; ++row) ASSERT_TRUE(again.categories().SetVisible(row, false).ok());
  ASSERT_TRUE(again.Close().ok());
  std::vector<CategoryRow> rows = again.categories().Rows();
  EXPECT_TRUE(rows[0].visible);
  EXPECT_EQ(std::count_if(rows.begin(), rows.end(), [](const CategoryRow& r) { return r.visible; }),
            1);
}

TEST_F(SettingsFormTest, CopyToNextYearKeepsTheOldTableAndSurvivesALookAtThatYear) {
  SettingsForm form(app_, data_, ui_, "2010");
  form.Open();
  CategoryPage& page = form.categories();
  ASSERT_TRUE(page.Rename(0, "Shifts").ok());
  ASSERT_TRUE(page.SetVisible(4, false).ok());

  // Cancelled: nothing happens.
  ui_.answers = {Answer::kNo};
  ASSERT_TRUE(page.CopyToNextYear(42).ok());
  EXPECT_EQ(ui_.questions.back(),
            "Are you sure you want next year to have the same categories? \r\n"
            "If you hid some categories this will copy this setting to next year.");
  EXPECT_FALSE(data_.db().TableExists("calendar2011"));

  // 2011 missing: its tables are made before the copy, so showing 2011
  // afterwards does not make them anew over the copied categories.
  ui_.answers = {Answer::kYes};
  ASSERT_TRUE(page.CopyToNextYear(42).ok());
  EXPECT_FALSE(Exists(app_.dir->DbDir + "Calendar2011- old42.db"));
  ASSERT_TRUE(page.ShowYear(2011).ok());
  EXPECT_EQ(page.Rows()[0].name, "Shifts");
  EXPECT_FALSE(page.Rows()[4].visible);
  EXPECT_EQ(Names(2011), Names(2010));

  // 2011 there: kept as "- old42" (the next free number when that is taken).
  ASSERT_TRUE(page.ShowYear(2010).ok());
  ASSERT_TRUE(page.Rename(1, "Overtime").ok());
  ui_.answers = {Answer::kYes};
  ASSERT_TRUE(page.CopyToNextYear(42).ok());
  EXPECT_TRUE(Exists(app_.dir->DbDir + "Calendar2011- old42.db"));
  ui_.answers = {Answer::kYes};
  ASSERT_TRUE(page.CopyToNextYear(42).ok());
  EXPECT_TRUE(Exists(app_.dir->DbDir + "Calendar2011- old43.db"));
  EXPECT_EQ(Names(2011)[1], "Overtime");
  ASSERT_TRUE(grid_->ChooseYear("2011").ok());
  EXPECT_TRUE(Offered("Overtime"));
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(SettingsFormTest, IconsAreCopiedUnderTheCategoryName) {
  SettingsForm form(app_, data_, ui_, "2010");
  form.Open();
  CategoryPage& page = form.categories();
  ASSERT_TRUE(page.Rename(5, "").ok());
  ASSERT_TRUE(page.ChooseIcon(5).ok());
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0], "Give the calendar a name first, before picking an icon");

  const std::string picked = root_ / "star.ico";
  WriteAll(picked, "new icon");
  WriteAll(app_.dir->IconsDir + "Garden.ico", "old icon");
  ASSERT_TRUE(page.Rename(5, "Garden").ok());
  ui_.picks = {picked};
  ASSERT_TRUE(page.ChooseIcon(5).ok());
  EXPECT_EQ(ReadAll(app_.dir->IconsDir + "Garden.ico"), "new icon");
  EXPECT_EQ(page.Rows()[5].icon, app_.dir->IconsDir + "Garden.ico");

  // A name that would leave the icons folder is refused.
  ASSERT_TRUE(page.Rename(6, "../escape").ok());
  ui_.picks = {picked};
  ASSERT_TRUE(page.ChooseIcon(6).ok());
  EXPECT_FALSE(Exists(ParentPath(WithoutTrailingSlash(app_.dir->IconsDir)) + "escape.ico"));
}

TEST_F(SettingsFormTest, HolidayTypeAndTheHolidayGrid) {
  SettingsForm form(app_, data_, ui_, "2010");
  form.Open();
  EXPECT_EQ(form.values().holiday_type, "US");
  std::vector<HolidayRow> rows = form.HolidayRows();
  ASSERT_EQ(rows.size(), 365u);
  EXPECT_EQ(rows[358].month, "December");
  EXPECT_EQ(rows[358].day, "25");
  EXPECT_EQ(rows[358].holiday, "Christmas Day");

  form.values().holiday_type = "Other";
  EXPECT_EQ(SettingsForm::HolidayCaption("Other"), "Other Holidays");
  ASSERT_TRUE(form.SetHoliday(31, "Groundhog").ok());  // 1 February
  // Another year follows on the category page, announced when new.
  ASSERT_TRUE(form.ShowHolidayYear(2013).ok());
  EXPECT_EQ(form.categories().year(), 2013);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0],
            "Data for 2013 has not yet been created. Creating ... please Wait ... ");
  ASSERT_TRUE(form.Close().ok());
  EXPECT_EQ(app_.config->Country, "OtherHoliday");
  ASSERT_TRUE(SettingsForm::ReloadMain(app_, data_, *grid_).ok());
  EXPECT_EQ(app_.holiday_column, "OtherHoliday");
  EXPECT_EQ(grid_->HolidayColumn(), "OtherHoliday");
  ASSERT_TRUE(grid_->LoadGrid(D(2010, 2, 1)).ok());
  EXPECT_EQ(grid_->cells()[static_cast<size_t>(CellOf(D(2010, 2, 1)))].holiday, "Groundhog");
}

TEST_F(SettingsFormTest, AutoRunAndTheFolders) {
  SettingsForm form(app_, data_, ui_, "2010");
  form.Open();
  ASSERT_TRUE(form.AddAutoStart().ok());
  EXPECT_TRUE(form.values().auto_start);
  EXPECT_TRUE(app_.autostart->IsRegistered());
  ASSERT_TRUE(form.SetAutoStart(false).ok());
  EXPECT_FALSE(app_.autostart->IsRegistered());
  ASSERT_TRUE(form.SetAutoStart(true).ok());
  EXPECT_TRUE(app_.autostart->IsRegistered());
  ASSERT_TRUE(form.RemoveAutoStart().ok());
  EXPECT_FALSE(form.values().auto_start);
  EXPECT_FALSE(app_.autostart->IsRegistered());

  // The attachments box: a trailing "/", one slash, the folder made.
  form.values().attachments_folder = root_.path() + "/Files";
  form.LeaveAttachmentsBox();
  EXPECT_EQ(form.values().attachments_folder, root_.path() + "Files/");
  EXPECT_TRUE(DirectoryExists(root_.path() + "Files"));
  const std::string before = app_.dir->AttachmentsDir;
  WriteAll(root_ / "plain", "x");
  form.values().attachments_folder = root_ / "plain/below";
  form.LeaveAttachmentsBox();
  EXPECT_EQ(form.values().attachments_folder, before);

  form.StartupDefault();
  EXPECT_EQ(form.values().startup_folder, app_.dir->UserDataDir + "DB/");
  ui_.picks = {root_ / "missing"};
  form.BrowseStartup();
  EXPECT_EQ(form.values().startup_folder, app_.dir->DbDir);

  form.values().attachments_folder = root_ / "Files";
  form.values().auto_size_grid = false;
  ASSERT_TRUE(form.Close().ok());
  EXPECT_EQ(app_.dir->AttachmentsDir, root_.path() + "Files/");
  const std::string ini = ReadAll(app_.config->path());
  EXPECT_NE(ini.find("DataFolder=" + root_.path() + "Files/"), std::string::npos);
  EXPECT_NE(ini.find("AutoSizeGrid=0"), std::string::npos);
}

// The [EmailReminder] section of application.ini as the file holds it.
std::string ReminderSection(const std::string& ini) {
  const size_t at = ini.find("[EmailReminder]");
  if (at == std::string::npos) return "";
  return ini.substr(at, ini.find("\n[", at + 1) - at);
}

TEST_F(SettingsFormTest, HiddenValuesAreCarriedThroughUnchanged) {
  app_.config->smtp_host = "mail.example.org";
  app_.config->smtp_userid = "me";
  app_.config->smtp_password = "s3cret, with a comma";
  app_.config->RemindDay = 5;
  app_.config->RemindEnabled = false;
  ASSERT_TRUE(app_.config->Save().ok());
  const std::string ini_path = app_.dir->ConfigDir + "application.ini";
  const std::string section = ReminderSection(ReadAll(ini_path));
  ASSERT_NE(section.find("smtp_host=mail.example.org"), std::string::npos);
  const std::string folders = "Work=" + root_.path() + "work\r\nHome=" + root_.path() + "home\r\n";
  WriteAll(app_.dir->ConfigDir + "folders.txt", folders);

  SettingsForm form(app_, data_, ui_, "2010");
  form.Open();
  // Shown on the hidden pages as they are.
  EXPECT_EQ(form.values().reminder.host, "mail.example.org");
  EXPECT_EQ(form.values().reminder.password, "s3cret, with a comma");
  EXPECT_EQ(form.values().reminder.remind_day, 5);
  EXPECT_FALSE(form.values().reminder.enabled);
  ASSERT_EQ(form.folder_map().size(), 2u);
  EXPECT_EQ(form.folder_map()[0].name, "Work");
  EXPECT_EQ(form.folder_map()[1].folder, root_.path() + "home");
  ASSERT_TRUE(form.Close().ok());
  EXPECT_EQ(ReminderSection(ReadAll(ini_path)), section);
  EXPECT_EQ(ReadAll(app_.dir->ConfigDir + "folders.txt"), folders);
  ASSERT_EQ(app_.dir->FolderMap.size(), 2u);
  EXPECT_EQ(app_.dir->FolderMap[1], "Home=" + root_.path() + "home");
  ASSERT_TRUE(app_.config->Load().ok());
  EXPECT_EQ(app_.config->smtp_host, "mail.example.org");
  EXPECT_EQ(app_.config->smtp_userid, "me");
  EXPECT_EQ(app_.config->RemindDay, 5);
  EXPECT_EQ(app_.config->smtp_password, "s3cret, with a comma");
}

TEST_F(SettingsFormTest, TemplatesAreListedSortedAndDeleted) {
  for (const char* name : {"Work", "Home", "Birthdays"}) {
    WriteAll(app_.dir->FavoritesDir + name + "/conf.ini", "[Publish]\r\n");
  }
  SettingsForm form(app_, data_, ui_, "2010");
  form.Open();
  std::vector<std::string> names = form.Templates();
  ASSERT_GE(names.size(), 3u);
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
  ASSERT_TRUE(form.DeleteTemplate("Home").ok());
  EXPECT_FALSE(DirectoryExists(app_.dir->FavoritesDir + "Home"));
  EXPECT_TRUE(DirectoryExists(app_.dir->FavoritesDir + "Work"));
  EXPECT_FALSE(form.DeleteTemplate("..").ok());
  EXPECT_TRUE(DirectoryExists(app_.dir->FavoritesDir));
}

}  // namespace
}  // namespace almanix::desktop
