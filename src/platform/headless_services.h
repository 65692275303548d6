#pragma once

#include <string>
#include <string_view>

#include "platform/page_capturer.h"
#include "platform/page_printer.h"
#include "platform/start_page.h"
#include "platform/wallpaper.h"

// What the command line offers of the desktop services: printing, the start
// page and the wallpaper need the desktop program's web view, so every call
// fails with a message that says so.
namespace almanix::platform {

inline constexpr std::string_view kPrintingNeedsDesktop =
    "Printing needs the desktop program: open the calendar there to print it.";
inline constexpr std::string_view kWallpaperNeedsDesktop =
    "Making the desktop wallpaper needs the desktop program: open the calendar "
    "there to make it your wallpaper.";
// Names the page, which was written all the same.
std::string StartPageNeedsDesktop(std::string_view url);

class HeadlessPrinter : public PagePrinter {
 public:
  Result<PageSetup> ReadPageSetup() override;
  Status WritePageSetup(const PageSetup& setup) override;
  Status PrintPage(const std::string& file, bool choose_printer) override;
};

class HeadlessStartPage : public StartPageSetter {
 public:
  Status SetStartPage(std::string_view url) override;
};

class HeadlessCapturer : public PageCapturer {
 public:
  Result<PictureSize> ScreenSize() override;
  Status HideDesktopBars() override;
  void ShowDesktopBars() override {}
  Status Capture(std::string_view url, const std::string& picture_path, PictureSize size) override;
};

class HeadlessWallpaper : public WallpaperSetter {
 public:
  Status SetWallpaper(const std::string& picture_path) override;
};

}  // namespace almanix::platform
