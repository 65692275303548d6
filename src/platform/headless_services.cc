#include "platform/headless_services.h"

namespace almanix::platform {

std::string StartPageNeedsDesktop(std::string_view url) {
  return "Setting the browser start page needs the desktop program. The calendar's home "
         "page is " +
         std::string(url);
}

Result<PageSetup> HeadlessPrinter::ReadPageSetup() {
  return Status::Invalid(std::string(kPrintingNeedsDesktop));
}

Status HeadlessPrinter::WritePageSetup(const PageSetup&) {
  return Status::Invalid(std::string(kPrintingNeedsDesktop));
}

Status HeadlessPrinter::PrintPage(const std::string&, bool) {
  return Status::Invalid(std::string(kPrintingNeedsDesktop));
}

Status HeadlessStartPage::SetStartPage(std::string_view url) {
  return Status::Invalid(StartPageNeedsDesktop(url));
}

Result<PictureSize> HeadlessCapturer::ScreenSize() {
  return Status::Invalid(std::string(kWallpaperNeedsDesktop));
}

Status HeadlessCapturer::HideDesktopBars() {
  return Status::Invalid(std::string(kWallpaperNeedsDesktop));
}

Status HeadlessCapturer::Capture(std::string_view, const std::string&, PictureSize) {
  return Status::Invalid(std::string(kWallpaperNeedsDesktop));
}

Status HeadlessWallpaper::SetWallpaper(const std::string&) {
  return Status::Invalid(std::string(kWallpaperNeedsDesktop));
}

}  // namespace almanix::platform
