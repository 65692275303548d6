#pragma once

#include <string>

#include "app/status.h"

namespace almanix::platform {

// The header and footer texts the browser's page setup prints on every page.
struct PageSetup {
  std::string header;
  std::string footer;

  bool operator==(const PageSetup&) const = default;
};

// Prints a generated page the way the browser would, through the print
// preview. The desktop implements it with its web view; see HeadlessPrinter
// for the command line.
class PagePrinter {
 public:
  virtual ~PagePrinter() = default;
  // The page-setup texts in force now.
  virtual Result<PageSetup> ReadPageSetup() = 0;
  virtual Status WritePageSetup(const PageSetup& setup) = 0;
  // Prints one page file (an absolute path). With choose_printer the person
  // picks the printer first; Cancelled when they decline.
  virtual Status PrintPage(const std::string& file, bool choose_printer) = 0;
};

}  // namespace almanix::platform
