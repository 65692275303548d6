#pragma once

#include <string>
#include <string_view>

#include "app/status.h"

namespace almanix::platform {

// Opens a file, folder or address with the program the desktop associates
// with it (a folder in the file manager, a page in the browser).
class Opener {
 public:
  virtual ~Opener() = default;
  virtual Status Open(std::string_view target) = 0;
};

// Runs `program target` (xdg-open by default) detached from our terminal.
// Reports a launcher that cannot be started or that says it failed within
// a short wait; a launcher still running after the wait counts as success.
class XdgOpener : public Opener {
 public:
  explicit XdgOpener(std::string program = "xdg-open")
      : program_(std::move(program)) {}
  Status Open(std::string_view target) override;

 private:
  std::string program_;
};

}  // namespace almanix::platform
