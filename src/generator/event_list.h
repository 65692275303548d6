#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/status.h"

// The event list pages: per year every day with a holiday, notes, events or
// attached files, in a table the month pages link into by day anchors.
namespace almanix::generator {

struct RunContext;

class Telist {
 public:
  explicit Telist(RunContext& run) : run_(run) {}

  // One event list page for the months of a year; nothing when
  // List.CanCreate is off. Used for "EventList" + year and, with a style of
  // type "EventList", for the month pages.
  void WriteEventListPage(const std::string& output, int year, const std::vector<int>& months,
                          const std::string& menu, const std::string& output_file,
                          std::string_view style_name);

 private:
  RunContext& run_;
};

// "Events.html": sends the visitor to this year's event list.
Status WriteEventListRedirect(const RunContext& run, const std::string& path);

}  // namespace almanix::generator
