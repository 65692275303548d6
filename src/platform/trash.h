#pragma once

#include <string>

#include "app/status.h"

namespace almanix::platform {

// Moves files and folders to the user's wastebasket so that a deletion can
// be undone from the file manager.
class Trash {
 public:
  virtual ~Trash() = default;
  virtual Status MoveToTrash(const std::string& path) = 0;
};

// The freedesktop.org trash: $XDG_DATA_HOME/Trash for paths on the home
// folder's file system, $topdir/.Trash-$uid on other mounts; each entry gets
// its .trashinfo record with the original path and the deletion time.
class FreedesktopTrash : public Trash {
 public:
  // home_trash empty means $XDG_DATA_HOME/Trash (default ~/.local/share).
  explicit FreedesktopTrash(std::string home_trash = "")
      : home_trash_(std::move(home_trash)) {}
  Status MoveToTrash(const std::string& path) override;

 private:
  std::string home_trash_;
};

}  // namespace almanix::platform
