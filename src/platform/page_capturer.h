#pragma once

#include <string>
#include <string_view>

#include "app/status.h"

namespace almanix::platform {

struct PictureSize {
  int width = 0;
  int height = 0;

  bool operator==(const PictureSize&) const = default;
};

// Renders a page into a picture, as a browser view as wide as the screen
// shows it, with its scroll bars hidden. The desktop implements it with its
// web view.
class PageCapturer {
 public:
  virtual ~PageCapturer() = default;
  // The size of the primary screen.
  virtual Result<PictureSize> ScreenSize() = 0;
  // Hides the task bar and disables the tray icon so that neither covers
  // the capture; ShowDesktopBars undoes it and is harmless when nothing was
  // hidden.
  virtual Status HideDesktopBars() = 0;
  virtual void ShowDesktopBars() = 0;
  // Loads the address, waits for the page, and saves the view as a picture
  // of that size at picture_path (the format follows the extension).
  virtual Status Capture(std::string_view url, const std::string& picture_path,
                         PictureSize size) = 0;
};

}  // namespace almanix::platform
