// The destinations that need the desktop, published through "Publish Now"
// with the desktop's services: the sample calendar printed to a PDF, made
// the wallpaper (the real gsettings on a keyfile backend), and copied to the
// home-page folder.
#include <QImage>
#include <QProcess>
#include <QPrinterInfo>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <memory>
#include <regex>
#include <string>

#include "support/scoped_env.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "platform/command_runner.h"
#include "platform/print_route.h"
#include "platform/value_store.h"
#include "publish/destination_fixture.h"
#include "publish/destinations.h"
#include "shell/desktop_services.h"

namespace almanix::shell {
namespace {

using almanix::testing::ReadAll;

using almanix::testing::ScopedEnv;

// The page objects of a PDF ("/Type /Page", not "/Pages").
int PdfPages(const std::string& pdf) {
  static const std::regex page(R"(/Type\s*/Page[^s])");
  return static_cast<int>(
      std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()));
}

bool Contains(const std::vector<std::string>& texts, const std::string& part) {
  for (const std::string& t : texts) {
    if (t.find(part) != std::string::npos) return true;
  }
  return false;
}

class DesktopDestinationsTest : public publish::testing::DestinationFixture {
 protected:
  void SetUp() override {
    DestinationFixture::SetUp();
    services_ = std::make_unique<DesktopServiceSet>(ui_, dir());
    services_->capturer().set_settle_ms(300);
    options_.open_folder = false;
    options_.desktop = services_->services();
  }
  Status PublishTo(const std::string& destination) {
    settings().SetText("Publish.Destination", destination);
    return publish::PublishNow(*editor_, *generator_, options_);
  }

  std::unique_ptr<DesktopServiceSet> services_;
  publish::PublishOptions options_;
};

TEST_F(DesktopDestinationsTest, PrinterWithoutAPrinterWritesPdfFilesAndSaysWhere) {
  if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "a printer is set up here";
  settings().SetInt("Publish.StartMonth", 0);
  settings().SetInt("Publish.EndMonth", 1);
  window().chkPrint1File = false;
  window().chkSelectPrinter = true;  // no printer: nothing to choose
  ASSERT_TRUE(PublishTo("Printer").ok()) << ::testing::PrintToString(ui_.messages);

  const std::vector<std::string>& pdfs = services_->printer().pdf_files();
  ASSERT_EQ(pdfs.size(), 2u);
  const std::string printed = WithTrailingSlash(dir().UserDataDir) + "Printed/";
  EXPECT_EQ(pdfs[0], platform::PdfPathFor(printed, "January2025.html"));
  for (const std::string& pdf : pdfs) {
    const std::string bytes = ReadAll(pdf);
    EXPECT_EQ(bytes.rfind("%PDF-", 0), 0u) << pdf;
    EXPECT_GE(PdfPages(bytes), 1) << pdf;
    EXPECT_TRUE(Contains(ui_.messages, platform::PrintedToPdfMessage(pdf)));
  }
  // Printing switched the menu and feeds off only while it ran.
  EXPECT_FALSE(settings().Bool("Formatting.ShowSingleHTMLPage"));

  // As a single file: one PDF of the whole range.
  window().chkPrint1File = true;
  ASSERT_TRUE(PublishTo("Printer").ok());
  ASSERT_EQ(services_->printer().pdf_files().size(), 3u);
  const std::string single = services_->printer().pdf_files().back();
  EXPECT_EQ(BaseName(single), "FirstMonth.pdf");
  EXPECT_GE(PdfPages(ReadAll(single)), 1);
}

TEST_F(DesktopDestinationsTest, DesktopMakesThePictureAndSetsGnomesKeys) {
  platform::ProcessRunner runner;
  const bool gsettings = runner.Run({"gsettings", "list-keys", "org.gnome.desktop.background"}).ok();
  if (!gsettings) GTEST_SKIP() << "gsettings or the GNOME schema is not installed";
  ScopedEnv backend("GSETTINGS_BACKEND", "keyfile");
  ScopedEnv config("XDG_CONFIG_HOME", root_ / "xdg-config");
  services_->UseWallpaperRunner(runner, "ubuntu:GNOME");
  options_.desktop = services_->services();
  // A "#" in the folder is part of the page's address, not its fragment.
  dir().DesktopDir = root_ / "Desktop #1/";

  ASSERT_TRUE(PublishTo("Desktop").ok()) << ::testing::PrintToString(ui_.messages);
  const std::string kept = services_->wallpaper().kept_picture();
  ASSERT_FALSE(kept.empty());
  EXPECT_TRUE(FileExists(WithTrailingSlash(dir().DesktopDir) + "Club.html"));
  const QImage picture(QString::fromStdString(kept));
  ASSERT_FALSE(picture.isNull());
  const Result<platform::PictureSize> screen = services_->capturer().ScreenSize();
  ASSERT_TRUE(screen.ok());
  EXPECT_EQ(picture.width(), screen.value().width);
  EXPECT_EQ(picture.height(), screen.value().height);
  // The page was drawn: more than one colour.
  const QRgb first = picture.pixel(0, 0);
  bool drawn = false;
  for (int y = 0; y < picture.height() && !drawn; y += 7) {
    for (int x = 0; x < picture.width() && !drawn; x += 7) drawn = picture.pixel(x, y) != first;
  }
  EXPECT_TRUE(drawn);
  // tools/take_desktop_screenshots.sh keeps the picture with the others.
  if (const char* out = std::getenv("ALMANIX_SCREENSHOT_DIR")) {
    picture.save(QString::fromUtf8(out) + QStringLiteral("/wallpaper.png"));
  }

  const std::string uri = "'" + platform::FileUri(kept) + "'\n";
  const std::string schema = "org.gnome.desktop.background";
  EXPECT_EQ(runner.Run({"gsettings", "get", schema, "picture-uri"}).output, uri);
  EXPECT_EQ(runner.Run({"gsettings", "get", schema, "picture-uri-dark"}).output, uri);
  EXPECT_EQ(platform::ReadValue(platform::ValueStorePath(dir().ConfigHomeDir), "Desktop",
                                "Wallpaper"),
            kept);
}

TEST_F(DesktopDestinationsTest, DesktopOnAnUnknownDesktopFailsAndSaysSo) {
  platform::ProcessRunner runner;
  services_->UseWallpaperRunner(runner, "LXQt");
  options_.desktop = services_->services();
  Status s = PublishTo("Desktop");
  EXPECT_FALSE(s.ok());
  EXPECT_TRUE(Contains(ui_.messages, "\"LXQt\" is not one it knows"));
}

TEST_F(DesktopDestinationsTest, HomePageIsCopiedAndThePersonToldWhereItIs) {
  ASSERT_TRUE(PublishTo("HomePage").ok()) << ::testing::PrintToString(ui_.messages);
  const std::string page = WithTrailingSlash(dir().HomepageDir) + "Club.html";
  EXPECT_TRUE(FileExists(page));
  EXPECT_TRUE(Contains(ui_.messages, "The calendar's home page is " + page));
  EXPECT_EQ(platform::ReadValue(platform::ValueStorePath(dir().ConfigHomeDir), "Browser",
                                "StartPage"),
            "file:" + page);
}

// Counts what would have been run.
class CountingRunner : public platform::CommandRunner {
 public:
  platform::CommandOutcome Run(const std::vector<std::string>&) override {
    ++runs;
    return {true, 0, ""};
  }
  int runs = 0;
};

TEST_F(DesktopDestinationsTest, AFailedRunPrintsAndSetsNothing) {
  CountingRunner runner;
  services_->UseWallpaperRunner(runner, "GNOME");
  options_.desktop = services_->services();
  almanix::testing::WriteAll(root_ / "plain file", "x");
  dir().BuildDir = root_ / "plain file/Build/";
  for (const std::string destination : {"Printer", "Desktop", "HomePage"}) {
    ui_.messages.clear();
    const Status s = PublishTo(destination);
    EXPECT_FALSE(s.ok()) << destination;
    EXPECT_EQ(s.message().rfind("Nothing was published: ", 0), 0u) << s.message();
  }
  EXPECT_TRUE(services_->printer().pdf_files().empty());
  EXPECT_EQ(runner.runs, 0);
  EXPECT_TRUE(services_->wallpaper().kept_picture().empty());
  EXPECT_FALSE(FileExists(WithTrailingSlash(dir().HomepageDir) + "Club.html"));
}

// The desktop program's own "FILE.cal -p" prints with its services (the
// printer dialog is never shown: nobody is there to answer it).
TEST(DesktopProgramLine, PublishToPrinterWritesAPdfAndEnds) {
  if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "a printer is set up here";
  almanix::testing::TempRoot root;
  const auto q = [](const std::string& s) { return QString::fromStdString(s); };
  const auto cli = [&](const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral(ALMANIX_CLI_PATH), QStringList{"--root", q(root.path())} + args);
    EXPECT_TRUE(process.waitForFinished(60000));
    return process.exitCode();
  };
  const std::string cal = root / "club.cal";
  ASSERT_EQ(cli({"favorite", "create", "Work", "--categories", "1", "--set",
                 "Publish.Destination=Printer"}),
            0);
  ASSERT_EQ(cli({"save", q(cal)}), 0);

  QProcess gui;
  gui.start(QStringLiteral(ALMANIX_GUI_PATH),
            {QStringLiteral("--root"), q(root.path()), q(cal), QStringLiteral("-p")});
  ASSERT_TRUE(gui.waitForFinished(120000));
  const std::string err = gui.readAllStandardError().toStdString();
  EXPECT_EQ(gui.exitCode(), 0) << err;
  EXPECT_NE(err.find("printed to the PDF file"), std::string::npos) << err;
  int pdfs = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root.path())) {
    if (entry.path().extension() == ".pdf" &&
        ReadAll(entry.path().string()).rfind("%PDF-", 0) == 0) {
      ++pdfs;
    }
  }
  EXPECT_EQ(pdfs, 1);
}

}  // namespace
}  // namespace almanix::shell
