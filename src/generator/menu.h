#pragma once

#include <string>
#include <string_view>

// The navigation of the month pages: the month menu (tabs, arrow bar,
// next-month bar or text links), the toolbar, the overlay link suffixes and
// the linking-help lines of a full preview.
namespace almanix::generator {

struct RunContext;

// One per run; `prefix` ("" or "Small") goes before every month page name.
class TMenu {
 public:
  explicit TMenu(const RunContext& run) : run_(run) {}

  // The menu of a page. style: the tab style name ("No Menu", "Arrows",
  // "Next Month", a name containing "tabs", "Small", or any other name for
  // text links); kind "Month" or "Event List"; next/prev year 0 when none.
  std::string Build(std::string_view style, int year, std::string_view kind, int month,
                    std::string_view main_page_path, int next_year, int prev_year);

 private:
  const RunContext& run_;
  std::string prefix_;
};

// Ends an href value: "\"" without the overlay, otherwise the overlay
// parameters, the closing quote and the class.
std::string ThickboxSuffix(const RunContext& run, std::string_view css_class);
// The same sized for the year page.
std::string YearThickboxSuffix(const RunContext& run, std::string_view css_class);

// The toolbar of a month page; may be empty.
std::string Toolbar(const RunContext& run, int year, int month);
// The category chooser of the toolbar; empty unless categories are written
// one by one and more than one is ticked.
std::string CategoryChooser(const RunContext& run, int year, int month);

// The linking-help lines, written only in a full preview (empty otherwise).
std::string MonthLinkHelpLine(const RunContext& run);
std::string SmallLinkHelpLine(const RunContext& run);

}  // namespace almanix::generator
