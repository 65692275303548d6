#include "platform/print_route.h"

#include "app/file_util.h"

namespace almanix::platform {

PrintRoute ChoosePrintRoute(bool has_printer, bool has_default_printer, bool choose_printer,
                            bool may_ask) {
  if (!has_printer) return PrintRoute::kPdf;
  if (!may_ask) return has_default_printer ? PrintRoute::kDefaultPrinter : PrintRoute::kPdf;
  if (choose_printer || !has_default_printer) return PrintRoute::kAskPrinter;
  return PrintRoute::kDefaultPrinter;
}

std::string PdfPathFor(std::string_view pdf_dir, std::string_view page_file) {
  return WithTrailingSlash(pdf_dir) + StemName(BaseName(page_file)) + ".pdf";
}

std::string PrintedToPdfMessage(std::string_view pdf_path) {
  return "No printer is set up, so the calendar was printed to the PDF file " +
         std::string(pdf_path);
}

std::string PrintFailedMessage(std::string_view page_file, std::string_view why) {
  return "The page " + std::string(page_file) + " could not be printed: " + std::string(why);
}

}  // namespace almanix::platform
