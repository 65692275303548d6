// Checks the library a first run installs: every gallery entry has what its
// gallery lists it by, every style sheet reads and names only pictures it
// has, and every language is complete.

#include <filesystem>

#include <gtest/gtest.h>

#include "app/dir.h"
#include "app/file_util.h"
#include "platform/opener.h"
#include "platform/trash.h"
#include "settings/galleries.h"
#include "settings/language_texts.h"
#include "settings/style_library.h"
#include "support/fake_ui.h"
#include "support/temp_root.h"

namespace almanix::publish {
namespace {

namespace fs = std::filesystem;

// The phrases the generated pages look up, and the toolbar captions.
constexpr const char* kPhrases[] = {
    "Calendar View", "Events",   "Event List",       "List View", "Year",
    "Linking Help",  "updated",  "Download",         "Your Name", "Suggest an Event",
    "Submit",        "Location", "Holiday",          "Upcoming Events",
    "Email",         "Home",     "List",             "RSS",       "iCal",
    "Print"};

class InstalledLibraryTest : public ::testing::Test {
 protected:
  InstalledLibraryTest()
      : places_(platform::ResolvePlaces(root_ / "user")),
        dir_(testing::BuildDataDir(), places_, opener_, trash_, &ui_) {}

  // Every folder of the install's copy of one gallery.
  std::vector<std::string> Folders(const std::string& gallery) {
    std::vector<std::string> names;
    std::string base = testing::BuildDataDir() + "Common/" + gallery;
    if (!DirectoryExists(base)) return names;
    for (const auto& e : fs::directory_iterator(base)) {
      if (e.is_directory()) names.push_back(e.path().filename().string());
    }
    return names;
  }

  testing::TempRoot root_;
  testing::FakeUi ui_;
  platform::Places places_;
  platform::XdgOpener opener_{"true"};
  platform::FreedesktopTrash trash_{root_ / "trash"};
  TDir dir_;
};

TEST_F(InstalledLibraryTest, EveryShippedEntryIsListedWithItsFiles) {
  const std::pair<Gallery, const char*> galleries[] = {
      {Gallery::kStyles, "Styles"},   {Gallery::kTabs, "Tabs"},
      {Gallery::kActionBars, "ActionBar"}, {Gallery::kLists, "Lists"},
      {Gallery::kEventStyles, "EventStyles"}, {Gallery::kLanguages, "Language"}};
  for (const auto& [gallery, folder] : galleries) {
    SCOPED_TRACE(folder);
    std::vector<std::string> listed = ListGallery(dir_, gallery);
    for (const std::string& name : Folders(folder)) {
      SCOPED_TRACE(name);
      EXPECT_TRUE(FindEntry(listed, name).has_value()) << "not listed";
      EXPECT_TRUE(FileExists(EntryPreviewPath(dir_, gallery, name))) << "no preview";
      std::string_view sheet = SheetFileName(gallery);
      // The menu forms without tabs ("Arrows", "No Menu", ...) need no sheet.
      bool tab_form = gallery == Gallery::kTabs && name.find("tabs") == std::string::npos;
      if (!sheet.empty() && !tab_form) {
        EXPECT_TRUE(FileExists(EntrySheetPath(dir_, gallery, name))) << "no " << sheet;
      }
    }
    // The entry each gallery selects by default is shipped.
    std::string_view wanted = DefaultEntryName(gallery);
    if (!wanted.empty()) {
      EXPECT_TRUE(FindEntry(listed, wanted).has_value()) << wanted;
    }
  }
}

TEST_F(InstalledLibraryTest, EveryStyleSheetReadsAndHasItsPictures) {
  std::vector<std::string> styles = Folders("Styles");
  EXPECT_GE(styles.size(), 8u);
  for (const std::string& name : styles) {
    SCOPED_TRACE(name);
    std::string folder = dir_.StylesDir + name + "/";
    auto bytes = ReadFileBytes(folder + "Style.css");
    ASSERT_TRUE(bytes.ok());
    EXPECT_EQ(bytes.value().rfind("<style type=\"text/css\">", 0), 0u);
    StyleInfo info = StyleInfoFromText(bytes.value());
    for (const BackgroundPicture& bg : BackgroundPictures(info)) {
      if (!bg.file.empty()) {
        EXPECT_TRUE(FileExists(folder + bg.file)) << bg.key << "=" << bg.file;
      }
    }
    for (const std::string& photo : info.month_photos) {
      if (!photo.empty()) {
        EXPECT_TRUE(FileExists(folder + photo)) << photo;
      }
    }
    // A coupled style names entries that exist.
    if (!info.menu_style.empty()) {
      EXPECT_TRUE(FindEntry(ListGallery(dir_, Gallery::kTabs), info.menu_style)) << info.menu_style;
    }
    if (!info.action_bar_style.empty()) {
      EXPECT_TRUE(FindEntry(ListGallery(dir_, Gallery::kActionBars), info.action_bar_style));
    }
    if (!info.list_style.empty()) {
      EXPECT_TRUE(FindEntry(ListGallery(dir_, Gallery::kLists), info.list_style)) << info.list_style;
    }
  }
}

TEST_F(InstalledLibraryTest, EveryLanguageIsComplete) {
  std::vector<std::string> languages = ListGallery(dir_, Gallery::kLanguages);
  for (const char* required : {"English", "American", "Canadien"}) {
    EXPECT_TRUE(FindEntry(languages, required).has_value()) << required;
  }
  EXPECT_GE(languages.size(), 7u);
  for (const std::string& name : languages) {
    SCOPED_TRACE(name);
    LanguageTexts texts;
    texts.SelectLanguage(dir_, name);
    for (int m = 1; m <= 12; ++m) EXPECT_FALSE(texts.MonthName(m, "Long").empty()) << m;
    for (int d = 1; d <= 7; ++d) EXPECT_FALSE(texts.WeekdayName(d, "Long").empty()) << d;
    std::string folder = dir_.LanguageDir + name + "/";
    auto phrases = ReadWordList(folder + "translate.txt");
    ASSERT_TRUE(phrases.ok());
    for (const char* phrase : kPhrases) {
      EXPECT_FALSE(phrases.value().Value(phrase).empty()) << phrase;
    }
  }
}

}  // namespace
}  // namespace almanix::publish
