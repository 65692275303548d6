#include "platform/desktop_start_page.h"

#include "app/ui_seam.h"
#include "platform/value_store.h"

namespace almanix::platform {

std::string StartPageMessage(std::string_view url) {
  std::string path(url);
  if (path.rfind("file://", 0) == 0) {
    path.erase(0, 7);
  } else if (path.rfind("file:", 0) == 0) {
    path.erase(0, 5);
  }
  return "The calendar's home page is " + path +
         "\nLinux has no start-page setting common to every browser: to open the calendar "
         "when your browser starts, enter this address as the home page in the browser's "
         "settings:\n" +
         std::string(url);
}

Status DesktopStartPage::SetStartPage(std::string_view url) {
  IgnoreResult(RecordValue(store_path_, "Browser", "StartPage", url),
               "the record is a convenience: the page is there and the person is told");
  if (ui_) ui_->ShowMessage(StartPageMessage(url), MessageKind::kInformation);
  return Status::Ok();
}

}  // namespace almanix::platform
