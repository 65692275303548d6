#include "desktop/publish_handover.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "app/dir.h"
#include "app/file_util.h"
#include "desktop/desktop_fixture.h"
#include "platform/desktop_start_page.h"
#include "platform/value_store.h"
#include "settings/publish_editor.h"

namespace almanix::desktop {
namespace {

namespace fs = std::filesystem;
using testing::D;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class PublishHandOverTest : public testing::DesktopFixture {
 protected:
  void SetUp() override {
    DesktopFixture::SetUp();
    ASSERT_TRUE(grid_->LoadGrid(D(2010, 3, 5)).ok());
    grid_->cboCalendar_load();
    names_ = grid_->CategoryItems();
    ASSERT_GE(names_.size(), 2u);
    Add("First category's meeting", D(2010, 3, 9), 1);
    Add("Second category's picnic", D(2010, 3, 10), 2);
    handover_ = std::make_unique<PublishHandOver>(app_, data_, ui_);
    handover_->set_now(1268222400);  // 10 March 2010
    handover_->set_on_progress([this](int percent) { progress_.push_back(percent); });
  }

  // A favorite of the name holding the year's March only and the category at
  // the position, titled as given.
  void SaveFavorite(const std::string& name, int category, const std::string& title) {
    publish::PublishEditor editor(*app_.dir, "US", nullptr, &ui_, 2010);
    ASSERT_TRUE(editor.SetUp(data_.db(), 2010, name + ".html", category).ok());
    // March only (the settings count months from 0).
    editor.settings.SetInt("Publish.StartMonth", 2);
    editor.settings.SetInt("Publish.EndMonth", 2);
    editor.settings.SetText("Page.Title", title);
    ASSERT_TRUE(editor.Save().ok());
    ASSERT_TRUE(DirectoryExists(app_.dir->FavoritesDir + name + "/"));
  }

  std::string BuildText(const std::string& file) { return ReadAll(app_.dir->BuildDir + file); }

  std::vector<std::string> names_;
  std::unique_ptr<PublishHandOver> handover_;
  std::vector<int> progress_;
};

TEST_F(PublishHandOverTest, PreviewOfACategoryNameShowsThatCategoryOnly) {
  PreviewOutcome out = handover_->Preview(names_[1], 2010);
  ASSERT_TRUE(out.status.ok()) << out.status.message();
  EXPECT_EQ(out.page, app_.dir->BuildDir + "Calendar.html");
  EXPECT_TRUE(FileExists(out.page));
  const std::string march = BuildText("March2010.html");
  EXPECT_NE(march.find("Second category's picnic"), std::string::npos);
  EXPECT_EQ(march.find("First category's meeting"), std::string::npos);
  // All twelve months of the year.
  EXPECT_TRUE(FileExists(app_.dir->BuildDir + "December2010.html"));
  // The bar saw the run and was hidden at its end.
  ASSERT_FALSE(progress_.empty());
  EXPECT_EQ(progress_.back(), 0);
  EXPECT_NE(std::find(progress_.begin(), progress_.end(), 50), progress_.end());
  EXPECT_TRUE(ui_.messages.empty()) << ui_.messages.front();
  // The format box's page is the one the run wrote for the name.
  EXPECT_EQ(handover_->FormatPage("nothing of that name"), app_.dir->BuildDir + "Calendar.html");

  EXPECT_FALSE(ProgressBarShown(0));
  EXPECT_TRUE(ProgressBarShown(1));
  EXPECT_TRUE(ProgressBarShown(99));
  EXPECT_FALSE(ProgressBarShown(100));
}

TEST_F(PublishHandOverTest, PreviewOfAFavoriteUsesItsSettingsAndABlankNameRunsNothing) {
  SaveFavorite("Club & Friends", 1, "The club's own title");
  PreviewOutcome out = handover_->Preview("Club & Friends", 2010);
  ASSERT_TRUE(out.status.ok()) << out.status.message();
  EXPECT_TRUE(FileExists(app_.dir->BuildDir + "March2010.html"));
  EXPECT_FALSE(FileExists(app_.dir->BuildDir + "April2010.html"));
  EXPECT_NE(BuildText("March2010.html").find("First category's meeting"), std::string::npos);
  EXPECT_EQ(handover_->FormatPage("Club & Friends"), app_.dir->BuildDir + "Club & Friends.html");

  progress_.clear();
  PreviewOutcome blank = handover_->Preview("   ", 2010);
  EXPECT_TRUE(blank.status.ok());
  EXPECT_TRUE(blank.page.empty());
  EXPECT_TRUE(progress_.empty());
}

TEST_F(PublishHandOverTest, AFailedRunShowsItsCauseAndOffersNoPage) {
  // A file where the build folder should be: nothing can be written.
  ASSERT_TRUE(handover_->Preview(names_[0], 2010).status.ok());
  std::string build = app_.dir->BuildDir;
  build.pop_back();
  fs::remove_all(build);
  std::ofstream(build) << "in the way";

  PreviewOutcome out = handover_->Preview(names_[0], 2010);
  EXPECT_FALSE(out.status.ok());
  EXPECT_TRUE(out.page.empty());
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0], out.status.message());
  EXPECT_NE(ui_.messages[0].find("Build"), std::string::npos) << ui_.messages[0];
}

TEST_F(PublishHandOverTest, FormatAndPublishHandsTheWindowOverThenShowsItsMainPage) {
  SaveFavorite("Club", 1, "Club title");
  std::vector<bool> steps;
  std::vector<std::vector<int>> ticked;
  handover_->set_show_window([&](publish::PublishEditor& editor, bool publish_step) {
    steps.push_back(publish_step);
    ticked.push_back(editor.window.chkCalendars.TickedPositions());
  });
  // The favorite's category and the current one (the second) are ticked.
  PreviewOutcome out = handover_->FormatAndPublish("Club", 2010, 2, true);
  ASSERT_TRUE(out.status.ok()) << out.status.message();
  EXPECT_EQ(out.page, app_.dir->BuildDir + "Club.html");
  EXPECT_TRUE(FileExists(out.page));
  ASSERT_EQ(steps, std::vector<bool>{true});
  EXPECT_EQ(ticked[0], (std::vector<int>{0, 1}));

  // Without a favorite: all months and the current category; a number
  // beyond the list is its last entry.
  ASSERT_TRUE(handover_->FormatAndPublish("Nothing saved", 2010, 99, false).status.ok());
  EXPECT_EQ(steps.back(), false);
  EXPECT_EQ(ticked.back(), std::vector<int>{static_cast<int>(names_.size()) - 1});
}

TEST_F(PublishHandOverTest, PublishMenuEntriesOpenTheWindowOnTheirSettings) {
  SaveFavorite("Tom & Jerry", 2, "Cat and mouse");
  std::vector<std::string> titles;
  std::vector<bool> steps;
  std::vector<std::vector<int>> months;
  std::vector<int> start_months;
  handover_->set_show_window([&](publish::PublishEditor& editor, bool publish_step) {
    titles.push_back(editor.settings.Text("Page.Title"));
    steps.push_back(publish_step);
    months.push_back(editor.window.chkMonths.TickedPositions());
    start_months.push_back(editor.settings.Int("Publish.StartMonth"));
  });
  ASSERT_TRUE(handover_->PublishFavorite("Tom & Jerry", 2010, names_[0], 1).ok());
  ASSERT_EQ(titles.size(), 1u);
  EXPECT_EQ(titles[0], "Cat and mouse");
  EXPECT_TRUE(steps[0]);
  EXPECT_EQ(start_months[0], 2);
  // A folder gone since the menu was made gives the window its defaults.
  ASSERT_TRUE(handover_->PublishFavorite("Gone", 2010, names_[0], 1).ok());
  ASSERT_EQ(titles.size(), 2u);
  EXPECT_NE(titles[1], "Cat and mouse");
  EXPECT_EQ(start_months[1], 0);
  EXPECT_TRUE(ui_.messages.empty()) << ui_.messages.front();

  // "New Calendar" ticks all months even over a favorite's choice.
  SaveFavorite(names_[0], 1, "Saved");
  ASSERT_TRUE(handover_->FormatCategory(2010, names_[0], 1, false).ok());
  EXPECT_EQ(titles.back(), "Saved");
  EXPECT_FALSE(steps.back());
  ASSERT_TRUE(handover_->FormatCategory(2010, names_[0], 1, true).ok());
  EXPECT_EQ(months.back().size(), 12u);
}

TEST_F(PublishHandOverTest, PublishNowUsesTheDesktopServicesItWasGiven) {
  SaveFavorite("Home", 1, "Our home page");
  publish::PublishEditor editor(*app_.dir, "US", nullptr, &ui_, 2010);
  ASSERT_TRUE(editor.SetUp(data_.db(), 2010, "Home.html", 1).ok());
  ASSERT_TRUE(editor.Load(editor.FavoriteFolder()).ok());
  editor.window.chkAutoUpdate = false;
  editor.settings.SetText("Publish.Destination", "HomePage");
  // None given: the command line's answer, and a failure.
  EXPECT_FALSE(handover_->PublishNow(editor).ok());

  const std::string store = platform::ValueStorePath(app_.dir->ConfigHomeDir);
  platform::DesktopStartPage start_page(&ui_, store);
  publish::DesktopServices services;
  services.start_page = &start_page;
  handover_->set_desktop_services(services);
  ui_.messages.clear();
  ASSERT_TRUE(handover_->PublishNow(editor).ok());
  const std::string page = WithTrailingSlash(app_.dir->HomepageDir) + "Home.html";
  EXPECT_TRUE(FileExists(page));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].rfind("The calendar's home page is " + page, 0), 0u);
  EXPECT_EQ(platform::ReadValue(store, "Browser", "StartPage"), "file:" + page);
  EXPECT_EQ(progress_.back(), 0);
}

}  // namespace
}  // namespace almanix::desktop
