#include "generator/menu.h"

#include "generator/run_context.h"

namespace almanix::generator {

std::string TMenu::Build(std::string_view, int, std::string_view, int, std::string_view, int,
                         int) {
  return "";
}

std::string ThickboxSuffix(const RunContext&, std::string_view) { return "\""; }
std::string YearThickboxSuffix(const RunContext&, std::string_view) { return "\""; }
std::string Toolbar(const RunContext&, int, int) { return ""; }
std::string CategoryChooser(const RunContext&, int, int) { return ""; }
std::string MonthLinkHelpLine(const RunContext&) { return ""; }
std::string SmallLinkHelpLine(const RunContext&) { return ""; }

}  // namespace almanix::generator
