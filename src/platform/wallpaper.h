#pragma once

#include <string>

#include "app/status.h"

namespace almanix::platform {

// Makes a screen-sized picture the desktop wallpaper, shown once and not
// tiled. Linux desktops refer to the file instead of copying it, and the
// picture given here lies in the build folder, which the next generation run
// empties: an implementation keeps its own copy. The desktop sets it as each
// desktop allows (GNOME, KDE, XFCE) and records the choice in the small value
// store.
class WallpaperSetter {
 public:
  virtual ~WallpaperSetter() = default;
  virtual Status SetWallpaper(const std::string& picture_path) = 0;
};

}  // namespace almanix::platform
