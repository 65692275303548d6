#include "publish/other_destinations.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "app/dates.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "platform/headless_services.h"
#include "platform/page_capturer.h"
#include "platform/page_printer.h"
#include "platform/start_page.h"
#include "platform/wallpaper.h"
#include "publish/destination_fixture.h"
#include "publish/destinations.h"

namespace almanix::publish {
namespace {

using testing::DestinationFixture;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Stands for the desktop's printing: writes down every page and what the
// settings were while it printed.
class RecordingPrinter : public platform::PagePrinter {
 public:
  explicit RecordingPrinter(const PublishSettings& settings) : settings_(settings) {}

  Result<platform::PageSetup> ReadPageSetup() override { return setup; }
  Status WritePageSetup(const platform::PageSetup& s) override {
    written.push_back(s);
    setup = s;
    return Status::Ok();
  }
  Status PrintPage(const std::string& file, bool choose_printer) override {
    printed.push_back(file);
    chose_printer.push_back(choose_printer);
    const PublishSettings& s = settings_;
    switched_off.push_back(!s.Bool("Contents.ShowNavMenu") && !s.Bool("Contents.ShowActionBar") &&
                           s.text_file(TextFile::kTitle).empty() &&
                           !s.Bool("Contents.ShowDateUpdated") && !s.Bool("iCal.Share") &&
                           !s.Bool("RSS.Share"));
    single_page.push_back(s.Bool("Formatting.ShowSingleHTMLPage"));
    if (on_print) on_print(file);
    return printed.size() == fail_at ? failure : Status::Ok();
  }

  platform::PageSetup setup{"&w&bPage &p of &P", "&u&b&d"};
  std::vector<platform::PageSetup> written;
  std::vector<std::string> printed;
  std::vector<bool> chose_printer;
  std::vector<bool> switched_off;
  std::vector<bool> single_page;
  std::function<void(const std::string&)> on_print;
  size_t fail_at = 0;  // 1-based page that fails with `failure`
  Status failure = Status::IoError("The printer is out of paper");

 private:
  const PublishSettings& settings_;
};

class RecordingStartPage : public platform::StartPageSetter {
 public:
  Status SetStartPage(std::string_view url) override {
    urls.emplace_back(url);
    return Status::Ok();
  }
  std::vector<std::string> urls;
};

// Stands for the desktop's web view: "captures" by writing a small file.
class RecordingCapturer : public platform::PageCapturer {
 public:
  Result<platform::PictureSize> ScreenSize() override { return screen; }
  Status HideDesktopBars() override {
    steps.push_back("hide");
    return Status::Ok();
  }
  void ShowDesktopBars() override { steps.push_back("show"); }
  Status Capture(std::string_view url, const std::string& picture,
                 platform::PictureSize size) override {
    steps.push_back("capture " + std::string(url) + " " + std::to_string(size.width) + "x" +
                    std::to_string(size.height));
    if (!failure.ok()) return failure;
    almanix::testing::WriteAll(picture, "BM");
    pictures.push_back(picture);
    return Status::Ok();
  }
  platform::PictureSize screen{1280, 800};
  Status failure;
  std::vector<std::string> steps;
  std::vector<std::string> pictures;
};

class RecordingWallpaper : public platform::WallpaperSetter {
 public:
  Status SetWallpaper(const std::string& picture) override {
    pictures.push_back(picture);
    existed.push_back(FileExists(picture));
    return Status::Ok();
  }
  std::vector<std::string> pictures;
  std::vector<bool> existed;
};

class PrinterDestinationTest : public DestinationFixture {
 protected:
  void SetUp() override {
    DestinationFixture::SetUp();
    settings().SetInt("Publish.StartMonth", 0);
    settings().SetInt("Publish.EndMonth", 2);
    window().chkPrint1File = false;
  }
};

TEST_F(PrinterDestinationTest, ThreeMonthsPrintThreePagesInOrder) {
  RecordingPrinter printer(settings());
  ASSERT_TRUE(PublishToPrinter(*editor_, *generator_, printer).ok());
  EXPECT_THAT(printer.printed,
              ElementsAre(Build() + "January2025.html", Build() + "February2025.html",
                          Build() + "March2025.html"));
  EXPECT_THAT(printer.single_page, ElementsAre(false, false, false));
  // After the run's own progress: each page's position, then hidden.
  ASSERT_GE(ui_.progress.size(), 4u);
  EXPECT_THAT(std::vector(ui_.progress.end() - 4, ui_.progress.end()),
              ElementsAre(std::pair(1, 3), std::pair(2, 3), std::pair(3, 3), std::pair(0, 0)));
  EXPECT_THAT(ui_.messages, IsEmpty());
}

TEST_F(PrinterDestinationTest, PrintAsSingleFilePrintsTheFirstMonthPageOnly) {
  window().chkPrint1File = true;
  RecordingPrinter printer(settings());
  ASSERT_TRUE(PublishToPrinter(*editor_, *generator_, printer).ok());
  EXPECT_THAT(printer.printed, ElementsAre(Build() + "FirstMonth.html"));
  // The run wrote all months on one page, and that is switched off again.
  EXPECT_THAT(printer.single_page, ElementsAre(true));
  EXPECT_FALSE(settings().Bool("Formatting.ShowSingleHTMLPage"));
}

TEST_F(PrinterDestinationTest, SingleFileWithAnotherPageExtensionStillFindsItsPage) {
  window().chkPrint1File = true;
  window().cboExtension = "php";
  RecordingPrinter printer(settings());
  ASSERT_TRUE(PublishToPrinter(*editor_, *generator_, printer).ok());
  EXPECT_THAT(printer.printed, ElementsAre(Build() + "FirstMonth.html"));
}

TEST_F(PrinterDestinationTest, MonthPagesUseThePageExtension) {
  window().cboExtension = "htm";
  settings().SetInt("Publish.EndMonth", 0);
  RecordingPrinter printer(settings());
  ASSERT_TRUE(PublishToPrinter(*editor_, *generator_, printer).ok());
  EXPECT_THAT(printer.printed, ElementsAre(Build() + "January2025.htm"));
}

TEST_F(PrinterDestinationTest, SettingsAreOffWhilePrintingAndComeBackAfterwards) {
  settings().SetBool("Contents.ShowNavMenu", true);
  settings().SetBool("Contents.ShowActionBar", true);
  settings().set_text_file(TextFile::kTitle, "<h1>Club events</h1>\r\n");
  settings().SetBool("Contents.ShowDateUpdated", true);
  settings().SetBool("iCal.Share", true);
  settings().SetBool("RSS.Share", true);
  const PublishSettings before = settings();
  RecordingPrinter printer(settings());
  printer.on_print = [&](const std::string&) {
    // The run really went without the feeds.
    EXPECT_FALSE(FileExists(Build() + "ical.ics"));
    EXPECT_FALSE(FileExists(Build() + "rss.xml"));
  };
  ASSERT_TRUE(PublishToPrinter(*editor_, *generator_, printer).ok());
  EXPECT_THAT(printer.switched_off, ElementsAre(true, true, true));
  EXPECT_TRUE(settings() == before);
}

TEST_F(PrinterDestinationTest, PageSetupIsBlankedAndWrittenBack) {
  RecordingPrinter printer(settings());
  const platform::PageSetup original = printer.setup;
  ASSERT_TRUE(PublishToPrinter(*editor_, *generator_, printer).ok());
  EXPECT_THAT(printer.written, ElementsAre(platform::PageSetup{}, original));
}

TEST_F(PrinterDestinationTest, SelectPrinterAsksForThePrinter) {
  window().chkSelectPrinter = true;
  settings().SetInt("Publish.EndMonth", 0);
  RecordingPrinter printer(settings());
  ASSERT_TRUE(PublishToPrinter(*editor_, *generator_, printer).ok());
  EXPECT_THAT(printer.chose_printer, ElementsAre(true));
}

TEST_F(PrinterDestinationTest, CategoriesWrittenOneByOnePrintTheLastPass) {
  ASSERT_GE(window().chkCalendars.size(), 2);
  Tick({1, 2});
  settings().SetBool("Contents.CategoryMerge", false);
  settings().SetInt("Publish.EndMonth", 1);
  RecordingPrinter printer(settings());
  ASSERT_TRUE(PublishToPrinter(*editor_, *generator_, printer).ok());
  EXPECT_THAT(printer.printed,
              ElementsAre(Build() + "1January2025.html", Build() + "1February2025.html"));
}

TEST_F(PrinterDestinationTest, RangeOverTheYearEndPrintsBothYears) {
  ASSERT_TRUE(session_->Years().EnsureQuiet(EncodeDate(2026, 1, 1)).ok());
  settings().SetInt("Publish.StartMonth", 11);
  settings().SetInt("Publish.EndYear", 2026);
  settings().SetInt("Publish.EndMonth", 0);
  RecordingPrinter printer(settings());
  ASSERT_TRUE(PublishToPrinter(*editor_, *generator_, printer).ok());
  EXPECT_THAT(printer.printed,
              ElementsAre(Build() + "December2025.html", Build() + "January2026.html"));
}

// Failures:

TEST_F(PrinterDestinationTest, MissingPageStopsPrintingAndStillRestores) {
  settings().SetBool("RSS.Share", true);
  const PublishSettings before = settings();
  RecordingPrinter printer(settings());
  const platform::PageSetup original = printer.setup;
  printer.on_print = [&](const std::string&) {
    std::filesystem::remove(Build() + "February2025.html");
  };
  Status s = PublishToPrinter(*editor_, *generator_, printer);
  EXPECT_EQ(s.code(), Status::Code::kNotFound);
  EXPECT_THAT(printer.printed, ElementsAre(Build() + "January2025.html"));
  EXPECT_THAT(ui_.messages,
              ElementsAre("can not print, file not found " + Build() + "February2025.html"));
  EXPECT_TRUE(settings() == before);
  EXPECT_EQ(printer.written.back(), original);
  EXPECT_EQ(ui_.progress.back(), std::pair(0, 0));
}

TEST_F(PrinterDestinationTest, FailedPageShowsItsMessageOnceAndStops) {
  const PublishSettings before = settings();
  RecordingPrinter printer(settings());
  printer.fail_at = 2;
  Status s = PublishToPrinter(*editor_, *generator_, printer);
  EXPECT_EQ(s.code(), Status::Code::kIoError);
  EXPECT_EQ(printer.printed.size(), 2u);
  EXPECT_THAT(ui_.messages, ElementsAre("The printer is out of paper"));
  EXPECT_TRUE(settings() == before);
}

TEST_F(PrinterDestinationTest, DeclinedPrinterChoiceEndsQuietly) {
  RecordingPrinter printer(settings());
  printer.fail_at = 1;
  printer.failure = Status::Cancelled("no printer chosen");
  Status s = PublishToPrinter(*editor_, *generator_, printer);
  EXPECT_EQ(s.code(), Status::Code::kCancelled);
  EXPECT_EQ(printer.printed.size(), 1u);
  EXPECT_THAT(ui_.messages, IsEmpty());
}

TEST_F(PrinterDestinationTest, CommandLineSaysPrintingNeedsTheDesktop) {
  settings().SetText("Publish.Destination", "Printer");
  window().chkAutoUpdate = false;
  const PublishSettings before = settings();
  Status s = PublishNow(*editor_, *generator_, PublishOptions{});
  EXPECT_FALSE(s.ok());
  EXPECT_THAT(ui_.messages, ElementsAre(std::string(platform::kPrintingNeedsDesktop)));
  EXPECT_TRUE(settings() == before);
}

// ---- Home page ----

class HomePageDestinationTest : public DestinationFixture {};

TEST_F(HomePageDestinationTest, CopiesTheCalendarAndSetsTheStartPage) {
  const std::string folder = WithTrailingSlash(dir().HomepageDir);
  almanix::testing::WriteAll(folder + "stale.html", "old");
  RecordingStartPage start_page;
  ASSERT_TRUE(PublishToHomePage(*editor_, *generator_, start_page).ok());
  EXPECT_FALSE(FileExists(folder + "stale.html"));
  EXPECT_TRUE(FileExists(folder + "Club.html"));
  EXPECT_TRUE(FileExists(folder + "Calendar.html"));
  EXPECT_EQ(almanix::testing::ReadAll(folder + "Club.html"),
            almanix::testing::ReadAll(Build() + "Club.html"));
  EXPECT_THAT(start_page.urls, ElementsAre("file:" + folder + "Club.html"));
  EXPECT_THAT(ui_.messages, IsEmpty());
}

TEST_F(HomePageDestinationTest, CommandLineWritesThePageAndSaysWhereItIs) {
  settings().SetText("Publish.Destination", "HomePage");
  window().chkAutoUpdate = false;
  Status s = PublishNow(*editor_, *generator_, PublishOptions{});
  EXPECT_FALSE(s.ok());
  const std::string page = WithTrailingSlash(dir().HomepageDir) + "Club.html";
  EXPECT_TRUE(FileExists(page));
  EXPECT_THAT(ui_.messages, ElementsAre(platform::StartPageNeedsDesktop("file:" + page)));
}

// ---- Wallpaper ----

class DesktopDestinationTest : public DestinationFixture {};

TEST_F(DesktopDestinationTest, CapturesTheFirstPageAndMakesItTheWallpaper) {
  const std::string folder = WithTrailingSlash(dir().DesktopDir);
  almanix::testing::WriteAll(folder + "stale.html", "old");
  RecordingCapturer capturer;
  RecordingWallpaper wallpaper;
  ASSERT_TRUE(PublishToDesktop(*editor_, *generator_, capturer, wallpaper).ok());
  EXPECT_FALSE(FileExists(folder + "stale.html"));
  EXPECT_TRUE(FileExists(folder + "Club.html"));
  EXPECT_THAT(capturer.steps,
              ElementsAre("hide", "capture file://" + folder + "Club.html 1280x800", "show"));
  EXPECT_THAT(capturer.pictures, ElementsAre(Build() + "WindowsDesktop.bmp"));
  EXPECT_THAT(wallpaper.pictures, ElementsAre(Build() + "WindowsDesktop.bmp"));
  EXPECT_THAT(wallpaper.existed, ElementsAre(true));
  EXPECT_THAT(ui_.messages, IsEmpty());
}

TEST_F(DesktopDestinationTest, FailedCaptureLeavesTheWallpaperAndShowsTheBarsAgain) {
  RecordingCapturer capturer;
  capturer.failure = Status::IoError("The page did not load");
  RecordingWallpaper wallpaper;
  EXPECT_FALSE(PublishToDesktop(*editor_, *generator_, capturer, wallpaper).ok());
  EXPECT_THAT(wallpaper.pictures, IsEmpty());
  EXPECT_EQ(capturer.steps.back(), "show");
  EXPECT_THAT(ui_.messages, ElementsAre("The page did not load"));
}

TEST_F(DesktopDestinationTest, CommandLineSaysTheWallpaperNeedsTheDesktop) {
  settings().SetText("Publish.Destination", "Desktop");
  window().chkAutoUpdate = false;
  Status s = PublishNow(*editor_, *generator_, PublishOptions{});
  EXPECT_FALSE(s.ok());
  EXPECT_TRUE(FileExists(WithTrailingSlash(dir().DesktopDir) + "Club.html"));
  EXPECT_THAT(ui_.messages, ElementsAre(std::string(platform::kWallpaperNeedsDesktop)));
}

// ---- Folder ----

class FolderDestinationTest : public DestinationFixture {};

TEST_F(FolderDestinationTest, FolderEqualToBuildDirCopiesNothingAndOpensIt) {
  settings().SetText("Publish.Destination", "File");
  settings().SetText("Publish.DirName", Build());
  window().chkAutoUpdate = false;
  ASSERT_TRUE(PublishNow(*editor_, *generator_, PublishOptions{}).ok());
  EXPECT_TRUE(FileExists(Build() + "Calendar.html"));
  EXPECT_THAT(Opened(), ElementsAre(Build()));
  EXPECT_THAT(ui_.messages, IsEmpty());
}

TEST_F(FolderDestinationTest, OtherFolderGetsACopy) {
  const std::string folder = root_ / "site/";
  settings().SetText("Publish.Destination", "File");
  settings().SetText("Publish.DirName", folder);
  window().chkAutoUpdate = false;
  ASSERT_TRUE(PublishNow(*editor_, *generator_, PublishOptions{}).ok());
  EXPECT_EQ(almanix::testing::ReadAll(folder + "Calendar.html"),
            almanix::testing::ReadAll(Build() + "Calendar.html"));
  EXPECT_THAT(Opened(), ElementsAre(folder));
}

}  // namespace
}  // namespace almanix::publish
