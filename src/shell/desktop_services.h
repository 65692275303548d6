#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/command_runner.h"
#include "platform/desktop_start_page.h"
#include "platform/desktop_wallpaper.h"
#include "platform/page_capturer.h"
#include "platform/page_printer.h"
#include "publish/other_destinations.h"

class QWidget;

namespace almanix {
class TDir;
class UiSeam;
}  // namespace almanix

namespace almanix::shell {

// Prints generated pages with a hidden web view: on the printer (the printer
// dialog when the person chooses one) or, with no printer set up, into a PDF
// file in pdf_dir whose path the person is told.
class QtPagePrinter : public platform::PagePrinter {
 public:
  QtPagePrinter(UiSeam& ui, std::string pdf_dir, QWidget* parent = nullptr);

  // The web view prints no header or footer of its own: the texts are kept
  // only so that what was read is what is written back.
  Result<platform::PageSetup> ReadPageSetup() override { return setup_; }
  Status WritePageSetup(const platform::PageSetup& setup) override;
  Status PrintPage(const std::string& file, bool choose_printer) override;

  // Without a person at the screen no dialog is shown.
  void set_may_ask(bool may_ask) { may_ask_ = may_ask; }
  // The PDF files written so far, in order.
  const std::vector<std::string>& pdf_files() const { return pdf_files_; }

 private:
  UiSeam& ui_;
  std::string pdf_dir_;
  QWidget* parent_;
  bool may_ask_ = true;
  platform::PageSetup setup_;
  std::vector<std::string> pdf_files_;
};

// Renders a page as a browser as large as the screen shows it, without
// scroll bars, into a picture file.
class QtPageCapturer : public platform::PageCapturer {
 public:
  Result<platform::PictureSize> ScreenSize() override;
  // Linux panels belong to the desktop, and the capture is drawn off the
  // screen where no panel covers it: nothing to hide.
  Status HideDesktopBars() override { return Status::Ok(); }
  void ShowDesktopBars() override {}
  Status Capture(std::string_view url, const std::string& picture_path,
                 platform::PictureSize size) override;

  // How long the loaded page may settle (scripts, pictures) before the grab.
  void set_settle_ms(int ms) { settle_ms_ = ms; }

 private:
  int settle_ms_ = 1500;
};

// The desktop program's printer, start page, capture and wallpaper, which it
// hands to "Publish Now" in place of the command line's.
class DesktopServiceSet {
 public:
  // PDFs go to UserDataDir/Printed, the wallpaper's copy to
  // UserDataDir/Wallpaper; the value store lies in ConfigHomeDir. The
  // desktop is XDG_CURRENT_DESKTOP's. dir and ui must outlive this.
  DesktopServiceSet(UiSeam& ui, const TDir& dir, QWidget* parent = nullptr);
  ~DesktopServiceSet();

  publish::DesktopServices services();
  QtPagePrinter& printer() { return printer_; }
  QtPageCapturer& capturer() { return capturer_; }
  platform::DesktopWallpaper& wallpaper() { return *wallpaper_; }

  // For tests: the commands of the wallpaper through another runner, or a
  // named desktop in place of XDG_CURRENT_DESKTOP.
  void UseWallpaperRunner(platform::CommandRunner& runner, const std::string& desktop);

 private:
  std::string keep_dir_;
  std::string store_path_;
  QtPagePrinter printer_;
  platform::DesktopStartPage start_page_;
  QtPageCapturer capturer_;
  platform::ProcessRunner runner_;
  std::unique_ptr<platform::DesktopWallpaper> wallpaper_;
};

}  // namespace almanix::shell
