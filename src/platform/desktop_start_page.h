#pragma once

#include <string>
#include <string_view>

#include "platform/start_page.h"

namespace almanix {
class UiSeam;
}

namespace almanix::platform {

// What the person is told: where the page is and how to make it the start
// page by hand, as no program can set it for every browser.
std::string StartPageMessage(std::string_view url);

// The desktop's StartPageSetter: records the address in the value store and
// tells the person (through ui, when there is one) where the page is.
class DesktopStartPage : public StartPageSetter {
 public:
  DesktopStartPage(UiSeam* ui, std::string store_path)
      : ui_(ui), store_path_(std::move(store_path)) {}
  Status SetStartPage(std::string_view url) override;

 private:
  UiSeam* ui_;
  std::string store_path_;
};

}  // namespace almanix::platform
