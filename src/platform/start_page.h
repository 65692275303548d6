#pragma once

#include <string_view>

#include "app/status.h"

namespace almanix::platform {

// Makes an address the browser's start page for the current user. Linux has
// no common setting for it: the desktop records the choice in the small value
// store and tells the person where the page is.
class StartPageSetter {
 public:
  virtual ~StartPageSetter() = default;
  virtual Status SetStartPage(std::string_view url) = 0;
};

}  // namespace almanix::platform
