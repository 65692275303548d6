#include "desktop/word_lists.h"

#include <memory>

#include <gtest/gtest.h>

#include "app/dir.h"
#include "desktop/desktop_fixture.h"
#include "settings/publish_editor.h"
#include "settings/publish_settings.h"

namespace almanix::desktop {
namespace {

using publish::TextFile;

class WordListsTest : public testing::DesktopFixture {
 protected:
  void SetUp() override {
    DesktopFixture::SetUp();
    editor_ = std::make_unique<publish::PublishEditor>(*app_.dir, "US", nullptr, &ui_, 2010);
    ASSERT_TRUE(editor_->SetUp(data_.db(), 2010, "Club.html", 1).ok());
  }
  publish::PublishSettings& settings() { return editor_->settings; }
  // The favorite saved and loaded again, as the next window sees it.
  std::unique_ptr<publish::PublishEditor> Reloaded() {
    EXPECT_TRUE(editor_->Save().ok());
    auto again = std::make_unique<publish::PublishEditor>(*app_.dir, "US", nullptr, &ui_, 2010);
    EXPECT_TRUE(again->SetUp(data_.db(), 2010, "Club.html", 1).ok());
    return again;
  }

  std::unique_ptr<publish::PublishEditor> editor_;
};

// A language replaces the phrases, month and weekday names it carries and
// sets the holiday set; the lists reach the favorite's files on its save.
TEST_F(WordListsTest, ALanguageFillsTheListsAndTheHolidaySetAndIsSavedWithTheFavorite) {
  const std::vector<std::string> names = LanguageNames(*app_.dir);
  ASSERT_FALSE(names.empty());
  EXPECT_FALSE(LanguagePicture(*app_.dir, "Deutsch").empty());
  settings().set_text_file(TextFile::kMacros, "Club=Riverside Club\r\n");

  ASSERT_TRUE(SelectLanguage(*editor_, "deutsch").ok());
  EXPECT_EQ(settings().Text("Contents.Holiday"), "None");
  ASSERT_TRUE(SelectLanguage(*editor_, "American").ok());
  EXPECT_EQ(settings().Text("Contents.Holiday"), "US");
  ASSERT_TRUE(SelectLanguage(*editor_, "Deutsch").ok());
  publish::WordList months;
  months.LoadFromText(settings().text_file(TextFile::kMonths));
  EXPECT_EQ(months.Value("3"), "März");

  const std::string before = settings().text_file(TextFile::kMonths);
  EXPECT_EQ(SelectLanguage(*editor_, "Klingon").code(), Status::Code::kNotFound);
  EXPECT_EQ(settings().text_file(TextFile::kMonths), before);

  auto again = Reloaded();
  months.LoadFromText(again->settings.text_file(TextFile::kMonths));
  EXPECT_EQ(months.Value("3"), "März");
  EXPECT_EQ(again->settings.Text("Contents.Holiday"), "None");
  // The macros are not the language's.
  EXPECT_EQ(again->settings.text_file(TextFile::kMacros), "Club=Riverside Club\r\n");
}

// Month and weekday names keep one row per month or day, each with a name;
// phrases and macros take rows in and out. Nothing reaches the favorite
// before Apply.
TEST_F(WordListsTest, EditorsKeepTheFixedListsWholeAndApplyIntoTheFavorite) {
  WordListForm months(settings(), WordListId::kMonths);
  ASSERT_EQ(months.rows().size(), 12u);
  EXPECT_TRUE(months.fixed_keys());
  EXPECT_FALSE(months.SetRow(2, "3", "  ").ok());
  EXPECT_FALSE(months.SetRow(2, "13", "Mars").ok());
  EXPECT_FALSE(months.AddRow().ok());
  EXPECT_FALSE(months.RemoveRow(0).ok());
  EXPECT_FALSE(months.SetRow(12, "13", "x").ok());
  ASSERT_TRUE(months.SetRow(2, "3", "Mars").ok());
  publish::WordList saved;
  saved.LoadFromText(settings().text_file(TextFile::kMonths));
  EXPECT_EQ(saved.Value("3"), "March");
  months.Apply();
  saved.LoadFromText(settings().text_file(TextFile::kMonths));
  EXPECT_EQ(saved.Value("3"), "Mars");
  EXPECT_EQ(saved.rows().size(), 12u);

  WordListForm macros(settings(), WordListId::kMacros);
  EXPECT_FALSE(macros.fixed_keys());
  const size_t rows = macros.rows().size();
  ASSERT_TRUE(macros.AddRow().ok());
  ASSERT_TRUE(macros.SetRow(static_cast<int>(rows), "BBQ", "Barbecue").ok());
  ASSERT_TRUE(macros.RemoveRow(0).ok());
  macros.Apply();

  auto again = Reloaded();
  publish::WordList loaded;
  loaded.LoadFromText(again->settings.text_file(TextFile::kMacros));
  EXPECT_EQ(loaded.Value("BBQ"), "Barbecue");
  EXPECT_EQ(loaded.rows().size(), rows);
  loaded.LoadFromText(again->settings.text_file(TextFile::kMonths));
  EXPECT_EQ(loaded.Value("3"), "Mars");
}

}  // namespace
}  // namespace almanix::desktop
