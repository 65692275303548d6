#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/file_util.h"
#include "platform/command_runner.h"
#include "platform/desktop_start_page.h"
#include "platform/desktop_wallpaper.h"
#include "platform/print_route.h"
#include "platform/value_store.h"
#include "support/scoped_env.h"
#include "support/fake_ui.h"
#include "support/temp_root.h"

namespace almanix::platform {
namespace {

using testing::ReadAll;
using testing::WriteAll;

// Records the commands and answers from a script (success when it runs dry).
class FakeRunner : public CommandRunner {
 public:
  CommandOutcome Run(const std::vector<std::string>& argv) override {
    commands.push_back(argv);
    if (outcomes.empty()) return {true, 0, ""};
    CommandOutcome next = outcomes.front();
    outcomes.pop_front();
    return next;
  }
  std::vector<Argv> commands;
  std::deque<CommandOutcome> outcomes;
};

using almanix::testing::ScopedEnv;

TEST(DesktopDetection, ReadsTheFirstKnownEntryOfTheList) {
  EXPECT_EQ(DetectDesktop("GNOME"), DesktopKind::kGnome);
  EXPECT_EQ(DetectDesktop("ubuntu:GNOME"), DesktopKind::kGnome);
  EXPECT_EQ(DetectDesktop("Budgie:GNOME"), DesktopKind::kGnome);
  EXPECT_EQ(DetectDesktop("Unity"), DesktopKind::kGnome);
  EXPECT_EQ(DetectDesktop("KDE"), DesktopKind::kKde);
  EXPECT_EQ(DetectDesktop("XFCE"), DesktopKind::kXfce);
  EXPECT_EQ(DetectDesktop("xfce"), DesktopKind::kXfce);
  EXPECT_EQ(DetectDesktop(""), DesktopKind::kUnknown);
  EXPECT_EQ(DetectDesktop("LXQt"), DesktopKind::kUnknown);
  EXPECT_EQ(DetectDesktop("sway:wlroots"), DesktopKind::kUnknown);
}

TEST(DesktopWallpaperCommands, NameTheKeysAndPropertiesOfEachDesktop) {
  EXPECT_EQ(FileUri("/home/ann/My Pics/ä.bmp"), "file:///home/ann/My%20Pics/%C3%A4.bmp");
  const std::vector<Argv> gnome = GnomeWallpaperCommands("/w/p.bmp");
  ASSERT_EQ(gnome.size(), 3u);
  EXPECT_EQ(gnome[0], (Argv{"gsettings", "set", "org.gnome.desktop.background", "picture-uri",
                            "file:///w/p.bmp"}));
  EXPECT_EQ(gnome[1][3], "picture-uri-dark");
  EXPECT_EQ(gnome[2], (Argv{"gsettings", "set", "org.gnome.desktop.background",
                            "picture-options", "centered"}));
  EXPECT_EQ(KdeWallpaperCommand("/w/p.bmp"), (Argv{"plasma-apply-wallpaperimage", "/w/p.bmp"}));

  const std::string listed =
      "/backdrop/screen0/monitorHDMI-1/workspace0/color-style\n"
      "/backdrop/screen0/monitorHDMI-1/workspace0/last-image\n"
      "/backdrop/screen0/monitoreDP-1/workspace0/last-image\n"
      "/desktop-icons/style\n";
  const std::vector<std::string> properties = XfceImageProperties(listed);
  EXPECT_EQ(properties, (std::vector<std::string>{
                            "/backdrop/screen0/monitorHDMI-1/workspace0/last-image",
                            "/backdrop/screen0/monitoreDP-1/workspace0/last-image"}));
  EXPECT_EQ(XfceImageProperties("/desktop-icons/style\n"),
            (std::vector<std::string>{"/backdrop/screen0/monitor0/workspace0/last-image"}));
  const std::vector<Argv> xfce = XfceWallpaperCommands(properties, "/w/p.bmp");
  ASSERT_EQ(xfce.size(), 4u);
  EXPECT_EQ(xfce[0], (Argv{"xfconf-query", "-c", "xfce4-desktop", "-p", properties[0], "-n", "-t",
                           "string", "-s", "/w/p.bmp"}));
  EXPECT_EQ(xfce[1][4], "/backdrop/screen0/monitorHDMI-1/workspace0/image-style");
  EXPECT_EQ(xfce[1].back(), "1");
}

class WallpaperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    picture = root / "build/WindowsDesktop.bmp";
    WriteAll(picture, "BM picture");
    keep = root / "keep/";
    store = ValueStorePath(root / "config/");
  }
  testing::TempRoot root;
  FakeRunner runner;
  std::string picture, keep, store;
};

TEST_F(WallpaperTest, GnomeGetsAKeptCopyUnderANewNameEachTime) {
  DesktopWallpaper wallpaper(runner, "ubuntu:GNOME", keep, store);
  ASSERT_TRUE(wallpaper.SetWallpaper(picture).ok());
  const std::string first = wallpaper.kept_picture();
  EXPECT_EQ(first, keep + "almanix-wallpaper-a.bmp");
  EXPECT_EQ(ReadAll(first), "BM picture");
  EXPECT_EQ(runner.commands, GnomeWallpaperCommands(first));
  EXPECT_EQ(ReadValue(store, "Desktop", "Wallpaper"), first);
  EXPECT_EQ(ReadValue(store, "Desktop", "WallpaperDesktop"), "GNOME");

  // The next run empties the build folder: the desktop keeps its copy, and a
  // new name makes the desktop load the new picture.
  WriteAll(picture, "BM second");
  ASSERT_TRUE(wallpaper.SetWallpaper(picture).ok());
  EXPECT_EQ(wallpaper.kept_picture(), keep + "almanix-wallpaper-b.bmp");
  EXPECT_FALSE(testing::Exists(first));
  ASSERT_TRUE(wallpaper.SetWallpaper(picture).ok());
  EXPECT_EQ(wallpaper.kept_picture(), first);
}

TEST_F(WallpaperTest, SaysWhyItCouldNotAndWhereThePictureIs) {
  {
    DesktopWallpaper wallpaper(runner, "LXQt", keep, store);
    Status s = wallpaper.SetWallpaper(picture);
    EXPECT_FALSE(s.ok());
    EXPECT_NE(s.message().find("\"LXQt\" is not one it knows"), std::string::npos);
    EXPECT_NE(s.message().find(wallpaper.kept_picture()), std::string::npos);
    EXPECT_TRUE(runner.commands.empty());
    EXPECT_EQ(ReadValue(store, "Desktop", "Wallpaper"), "");
  }
  {
    DesktopWallpaper wallpaper(runner, "", keep, store);
    EXPECT_NE(wallpaper.SetWallpaper(picture).message().find("XDG_CURRENT_DESKTOP is empty"),
              std::string::npos);
  }
  {
    runner.outcomes = {{false, -1, ""}};
    DesktopWallpaper wallpaper(runner, "KDE", keep, store);
    Status s = wallpaper.SetWallpaper(picture);
    EXPECT_EQ(s.code(), Status::Code::kNotFound);
    EXPECT_NE(s.message().find("plasma-apply-wallpaperimage was not found"), std::string::npos);
  }
  {
    runner.commands.clear();
    runner.outcomes = {{true, 1, "failed to connect to the desktop session\n"}};
    DesktopWallpaper wallpaper(runner, "GNOME", keep, store);
    Status s = wallpaper.SetWallpaper(picture);
    EXPECT_FALSE(s.ok());
    EXPECT_NE(s.message().find("failed: failed to connect to the desktop session"),
              std::string::npos);
    // The first failure ends it.
    EXPECT_EQ(runner.commands.size(), 1u);
  }
  {
    DesktopWallpaper wallpaper(runner, "GNOME", keep, store);
    Status s = wallpaper.SetWallpaper(root / "build/missing.bmp");
    EXPECT_EQ(s.code(), Status::Code::kNotFound);
  }
}

TEST_F(WallpaperTest, OlderGnomeWithoutTheDarkKeyAndXfceMonitors) {
  runner.outcomes = {{true, 0, ""}, {true, 1, "No such key “picture-uri-dark”\n"}};
  DesktopWallpaper gnome(runner, "GNOME", keep, store);
  EXPECT_TRUE(gnome.SetWallpaper(picture).ok());
  EXPECT_EQ(runner.commands.size(), 3u);

  runner.commands.clear();
  runner.outcomes = {{true, 0, "/backdrop/screen0/monitorVGA-1/workspace0/last-image\n"}};
  DesktopWallpaper xfce(runner, "XFCE", keep, store);
  ASSERT_TRUE(xfce.SetWallpaper(picture).ok());
  ASSERT_EQ(runner.commands.size(), 3u);
  EXPECT_EQ(runner.commands[0], XfceListCommand());
  EXPECT_EQ(runner.commands[1][4], "/backdrop/screen0/monitorVGA-1/workspace0/last-image");
  EXPECT_EQ(runner.commands[1].back(), xfce.kept_picture());

  runner.outcomes = {{false, -1, ""}};
  EXPECT_NE(xfce.SetWallpaper(picture).message().find("xfconf-query was not found"),
            std::string::npos);
}

TEST(ProcessRunnerTest, CollectsOutputAndExitStatusAndTellsAMissingProgram) {
  ProcessRunner runner;
  CommandOutcome said = runner.Run({"sh", "-c", "echo out; echo err >&2; exit 3"});
  EXPECT_TRUE(said.started);
  EXPECT_EQ(said.exit_code, 3);
  EXPECT_NE(said.output.find("out"), std::string::npos);
  EXPECT_NE(said.output.find("err"), std::string::npos);
  CommandOutcome missing = runner.Run({"almanix-no-such-program-here"});
  EXPECT_FALSE(missing.started);
  EXPECT_FALSE(missing.ok());
}

bool GnomeSchemaThere() {
  ProcessRunner runner;
  return runner.Run({"gsettings", "list-keys", "org.gnome.desktop.background"}).ok();
}

// The real gsettings: the keyfile backend keeps the values in a file under
// XDG_CONFIG_HOME, so a second gsettings can read them back.
TEST_F(WallpaperTest, RealGsettingsSetsBothPictureKeys) {
  if (!GnomeSchemaThere()) GTEST_SKIP() << "gsettings or the GNOME schema is not installed";
  ScopedEnv backend("GSETTINGS_BACKEND", "keyfile");
  ScopedEnv config("XDG_CONFIG_HOME", root / "xdg-config");
  ProcessRunner runner;
  DesktopWallpaper wallpaper(runner, "GNOME", keep, store);
  ASSERT_TRUE(wallpaper.SetWallpaper(picture).ok());
  const std::string uri = "'" + FileUri(wallpaper.kept_picture()) + "'\n";
  const std::string schema = "org.gnome.desktop.background";
  EXPECT_EQ(runner.Run({"gsettings", "get", schema, "picture-uri"}).output, uri);
  EXPECT_EQ(runner.Run({"gsettings", "get", schema, "picture-uri-dark"}).output, uri);
  EXPECT_EQ(runner.Run({"gsettings", "get", schema, "picture-options"}).output, "'centered'\n");

  // The memory backend takes the same commands (and forgets them).
  ScopedEnv memory("GSETTINGS_BACKEND", "memory");
  EXPECT_TRUE(wallpaper.SetWallpaper(picture).ok());
}

TEST(DesktopStartPageTest, RecordsTheAddressAndTellsWhereThePageIs) {
  testing::TempRoot root;
  testing::FakeUi ui;
  const std::string store = ValueStorePath(root / "config/");
  DesktopStartPage start_page(&ui, store);
  const std::string url = "file:" + root.path() + "homepage/Calendar.html";
  ASSERT_TRUE(start_page.SetStartPage(url).ok());
  EXPECT_EQ(ReadValue(store, "Browser", "StartPage"), url);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].rfind("The calendar's home page is " + root.path() +
                                     "homepage/Calendar.html\n",
                                 0),
            0u);
  EXPECT_NE(ui.messages[0].find(url), std::string::npos);
}

TEST(PrintRouteTest, PrinterWhenThereIsOneElseAPdf) {
  // has_printer, has_default, choose_printer, may_ask
  EXPECT_EQ(ChoosePrintRoute(false, false, true, true), PrintRoute::kPdf);
  EXPECT_EQ(ChoosePrintRoute(true, true, false, true), PrintRoute::kDefaultPrinter);
  EXPECT_EQ(ChoosePrintRoute(true, true, true, true), PrintRoute::kAskPrinter);
  EXPECT_EQ(ChoosePrintRoute(true, false, false, true), PrintRoute::kAskPrinter);
  // Nobody at the screen: never a dialog.
  EXPECT_EQ(ChoosePrintRoute(true, true, true, false), PrintRoute::kDefaultPrinter);
  EXPECT_EQ(ChoosePrintRoute(true, false, true, false), PrintRoute::kPdf);
  EXPECT_EQ(PdfPathFor("/data/Printed", "/b/build/January2027.html"),
            "/data/Printed/January2027.pdf");
}

}  // namespace
}  // namespace almanix::platform
