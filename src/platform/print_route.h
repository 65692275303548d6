#pragma once

#include <string>
#include <string_view>

// How the desktop prints a generated page: on a printer when there is one,
// otherwise into a PDF file the person is told about.
namespace almanix::platform {

enum class PrintRoute {
  kDefaultPrinter,  // the system's default printer, without a question
  kAskPrinter,      // the printer dialog (which also offers a PDF file)
  kPdf,             // no printer: a PDF file in the print folder
};

// has_printer: at least one printer is set up. With choose_printer the
// person picks one; without a default printer they pick one as well.
PrintRoute ChoosePrintRoute(bool has_printer, bool has_default_printer, bool choose_printer,
                            bool may_ask);

// pdf_dir + the page's name with ".pdf" for its extension.
std::string PdfPathFor(std::string_view pdf_dir, std::string_view page_file);

std::string PrintedToPdfMessage(std::string_view pdf_path);
std::string PrintFailedMessage(std::string_view page_file, std::string_view why);

}  // namespace almanix::platform
