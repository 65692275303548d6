#include "settings/galleries.h"

#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/dir.h"
#include "support/fake_ui.h"
#include "support/fixture.h"

namespace almanix::publish {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::WriteAll;

class GalleriesTest : public ::testing::Test {
 protected:
  // Every gallery starts empty, whatever the start-up seeded.
  GalleriesTest() : dir_(fx_.install, fx_.places, fx_.opener, fx_.trash, &ui_) {
    for (Gallery g : {Gallery::kStyles, Gallery::kTabs, Gallery::kActionBars,
                      Gallery::kLists, Gallery::kEventStyles, Gallery::kLanguages}) {
      std::filesystem::remove_all(GalleryFolder(dir_, g));
      std::filesystem::create_directories(GalleryFolder(dir_, g));
    }
  }

  // An entry folder with the given files (empty contents).
  void Entry(Gallery gallery, const std::string& name,
             std::initializer_list<const char*> files = {}) {
    std::string folder = GalleryFolder(dir_, gallery) + name + "/";
    std::filesystem::create_directories(folder);
    for (const char* f : files) WriteAll(folder + f, "x");
  }

  testing::InstallFixture fx_;
  testing::FakeUi ui_;
  TDir dir_;
};

TEST_F(GalleriesTest, FoldersAreTheLibraryFolders) {
  EXPECT_EQ(GalleryFolder(dir_, Gallery::kStyles), dir_.StylesDir);
  EXPECT_EQ(GalleryFolder(dir_, Gallery::kTabs), dir_.TabsDir);
  EXPECT_EQ(GalleryFolder(dir_, Gallery::kActionBars), dir_.ActionBarDir);
  EXPECT_EQ(GalleryFolder(dir_, Gallery::kLists), dir_.ListsDir);
  EXPECT_EQ(GalleryFolder(dir_, Gallery::kEventStyles), dir_.EventStylesDir);
  EXPECT_EQ(GalleryFolder(dir_, Gallery::kLanguages), dir_.LanguageDir);
}

// ---- Listing and skip rules ----

TEST_F(GalleriesTest, StylesAreFoldersSortedWithoutRegardToCaseEvenWithoutPreview) {
  Entry(Gallery::kStyles, "ocean", {"Style.css", "snapshot.bmp"});
  Entry(Gallery::kStyles, "Autumn");
  Entry(Gallery::kStyles, "blue sky", {"Style.css"});
  WriteAll(dir_.StylesDir + "readme.txt", "not an entry");
  EXPECT_THAT(ListGallery(dir_, Gallery::kStyles),
              ElementsAre("Autumn", "blue sky", "ocean"));
}

TEST_F(GalleriesTest, TabsSkipCssNamesAndNeedNoPreview) {
  Entry(Gallery::kTabs, "tabs - dark black", {"tabs.css", "tab.bmp"});
  Entry(Gallery::kTabs, "Month Name");
  Entry(Gallery::kTabs, "old.css");
  Entry(Gallery::kTabs, "x.CSS.bak");  // the test is case-sensitive
  EXPECT_THAT(ListGallery(dir_, Gallery::kTabs),
              ElementsAre("Month Name", "tabs - dark black", "x.CSS.bak"));
}

TEST_F(GalleriesTest, ToolbarsSkipCssNamesAndFoldersWithoutPreview) {
  Entry(Gallery::kActionBars, "ActionBar - Blue");  // first, but no preview
  Entry(Gallery::kActionBars, "ActionBar - Default", {"ActionBar.css", "actionbar.bmp"});
  Entry(Gallery::kActionBars, "ActionBar.css", {"actionbar.bmp"});
  EXPECT_THAT(ListGallery(dir_, Gallery::kActionBars),
              ElementsAre("ActionBar - Default"));
}

TEST_F(GalleriesTest, EventListsAreFoldersWithCssRemovedFromTheirNames) {
  Entry(Gallery::kLists, "Plain");
  Entry(Gallery::kLists, "Blue.css.css", {"eventlist.css"});
  WriteAll(dir_.ListsDir + "Loose.css", "a file, not an entry");
  EXPECT_THAT(ListGallery(dir_, Gallery::kLists), ElementsAre("Blue", "Plain"));
}

TEST_F(GalleriesTest, EventStylesSkipIniNamesAndFoldersWithoutPreview) {
  Entry(Gallery::kEventStyles, "EventStyle - Default", {"estyle.ini", "event.bmp"});
  Entry(Gallery::kEventStyles, "EventStyle - Bare", {"estyle.ini"});
  Entry(Gallery::kEventStyles, "saved.ini", {"event.bmp"});
  EXPECT_THAT(ListGallery(dir_, Gallery::kEventStyles),
              ElementsAre("EventStyle - Default"));
}

TEST_F(GalleriesTest, LanguagesNeedTheirIcon) {
  Entry(Gallery::kLanguages, "English", {"icon.bmp"});
  Entry(Gallery::kLanguages, "Deutsch", {"icon.bmp", "months.txt"});
  Entry(Gallery::kLanguages, "Klingon", {"months.txt"});
  EXPECT_THAT(ListGallery(dir_, Gallery::kLanguages),
              ElementsAre("Deutsch", "English"));
}

TEST_F(GalleriesTest, MissingLibraryFolderListsNothing) {
  std::filesystem::remove_all(dir_.TabsDir);
  EXPECT_THAT(ListGallery(dir_, Gallery::kTabs), IsEmpty());
}

// ---- Selection ----

TEST_F(GalleriesTest, FindEntryIgnoresCase) {
  std::vector<std::string> entries = {"Autumn", "Ocean"};
  EXPECT_EQ(FindEntry(entries, "OCEAN"), 1);
  EXPECT_EQ(FindEntry(entries, "autumn"), 0);
  EXPECT_EQ(FindEntry(entries, "Oce"), std::nullopt);
  EXPECT_EQ(FindEntry({}, ""), std::nullopt);
}

TEST_F(GalleriesTest, DefaultSelectionsOnRealFolders) {
  Entry(Gallery::kTabs, "Month Name");
  Entry(Gallery::kTabs, "TABS - Dark Black");
  Entry(Gallery::kActionBars, "ActionBar - Blue", {"actionbar.bmp"});
  Entry(Gallery::kActionBars, "ActionBar - Default", {"actionbar.bmp"});
  Entry(Gallery::kLists, "Plain");
  Entry(Gallery::kLists, "Zebra");
  Entry(Gallery::kEventStyles, "EventStyle - Default", {"event.bmp"});
  Entry(Gallery::kLanguages, "Deutsch", {"icon.bmp"});
  Entry(Gallery::kLanguages, "English", {"icon.bmp"});

  auto select = [&](Gallery g, std::optional<int> current) {
    return SelectAfterListing(g, ListGallery(dir_, g), current);
  };
  EXPECT_EQ(select(Gallery::kTabs, std::nullopt), 1);
  EXPECT_EQ(select(Gallery::kTabs, 0), 0);  // a choice already made stays
  EXPECT_EQ(select(Gallery::kActionBars, 0), 1);
  EXPECT_EQ(select(Gallery::kLists, std::nullopt), 0);
  EXPECT_EQ(select(Gallery::kLists, 1), 1);
  EXPECT_EQ(select(Gallery::kEventStyles, std::nullopt), 0);
  EXPECT_EQ(select(Gallery::kLanguages, std::nullopt), 1);
}

TEST_F(GalleriesTest, NameNotListedLeavesTheSelection) {
  std::vector<std::string> entries = {"Autumn", "Ocean"};
  EXPECT_EQ(SelectAfterListing(Gallery::kStyles, entries, 1, "gone"), 1);
  EXPECT_EQ(SelectAfterListing(Gallery::kStyles, entries, 1, "autumn"), 0);
  EXPECT_EQ(SelectAfterListing(Gallery::kStyles, entries, std::nullopt, "gone"),
            std::nullopt);
  EXPECT_EQ(SelectAfterListing(Gallery::kLanguages, entries, 0), 0);
  EXPECT_EQ(SelectAfterListing(Gallery::kTabs, entries, std::nullopt), std::nullopt);
  // A position from before a relisting that no longer exists is dropped.
  EXPECT_EQ(SelectAfterListing(Gallery::kLists, entries, 5), 0);
  EXPECT_EQ(SelectAfterListing(Gallery::kLists, {}, std::nullopt), std::nullopt);
  EXPECT_EQ(SelectByName(entries, "x", 7), std::nullopt);
}

// ---- Paths ----

TEST_F(GalleriesTest, SheetPathsOfSelectedEntries) {
  EXPECT_EQ(EntrySheetPath(dir_, Gallery::kStyles, "Ocean"),
            dir_.StylesDir + "Ocean/Style.css");
  EXPECT_EQ(EntrySheetPath(dir_, Gallery::kTabs, "Month Name"),
            dir_.TabsDir + "Month Name/tabs.css");
  EXPECT_EQ(EntrySheetPath(dir_, Gallery::kActionBars, "ActionBar - Default"),
            dir_.ActionBarDir + "ActionBar - Default/ActionBar.css");
  EXPECT_EQ(EntrySheetPath(dir_, Gallery::kLists, "Plain"),
            dir_.ListsDir + "Plain/eventlist.css");
  EXPECT_EQ(EntrySheetPath(dir_, Gallery::kEventStyles, "E"),
            dir_.EventStylesDir + "E/estyle.ini");
  EXPECT_EQ(EntrySheetPath(dir_, Gallery::kLanguages, "English"), "");
  EXPECT_EQ(EntrySheetPath(dir_, Gallery::kTabs, ""), "");  // nothing selected
}

TEST_F(GalleriesTest, StylePreviewFallsBackToTheConfigPicture) {
  Entry(Gallery::kStyles, "Shot", {"snapshot.bmp"});
  Entry(Gallery::kStyles, "Bare");
  EXPECT_EQ(EntryPreviewPath(dir_, Gallery::kStyles, "Shot"),
            dir_.StylesDir + "Shot/snapshot.bmp");
  EXPECT_EQ(EntryPreviewPath(dir_, Gallery::kStyles, "Bare"), "");
  WriteAll(dir_.ConfigDir + "calendar.bmp", "bmp");
  EXPECT_EQ(EntryPreviewPath(dir_, Gallery::kStyles, "Bare"),
            dir_.ConfigDir + "calendar.bmp");
  EXPECT_EQ(EntryPreviewPath(dir_, Gallery::kTabs, "Bare"), "");
}

}  // namespace
}  // namespace almanix::publish
