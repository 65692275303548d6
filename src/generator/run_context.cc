#include "generator/run_context.h"

#include <algorithm>

namespace almanix::generator {

bool RunContext::merged() const { return settings->Bool("Contents.CategoryMerge"); }

std::string RunContext::MonthFileWord(int month) const {
  return language.FileNameWord(month, "Long");
}

std::string RunContext::MonthFileName(int month) const {
  std::string word = MonthFileWord(month);
  if (!merged() && categories.size() > 1 && state.current_index >= 0) {
    return std::to_string(state.current_index) + word;
  }
  return word;
}

std::string RunContext::CategoryName(int number) const {
  if (!window || number < 1 || number > window->chkCalendars.size()) return "";
  return window->chkCalendars.items[number - 1];
}

std::vector<int> RunContext::CellCategories() const {
  if (merged()) return categories;
  int current = 0;
  for (char ch : state.current_category) {
    if (ch < '0' || ch > '9') return {};
    current = current * 10 + (ch - '0');
  }
  if (state.current_category.empty()) return {};
  return {current};
}

std::vector<int> RunContext::MonthsOf(int year) const {
  // The settings count months from 0 (January).
  const int start_year = settings->Int("Publish.StartYear");
  const int end_year = settings->Int("Publish.EndYear");
  const int start_month = std::clamp(settings->Int("Publish.StartMonth"), 0, 11) + 1;
  const int end_month = std::clamp(settings->Int("Publish.EndMonth"), 0, 11) + 1;
  int first = 1, last = 12;
  if (start_year == end_year) {
    first = start_month;
    last = end_month;
  } else if (year == start_year) {
    first = start_month;
  } else if (year == end_year) {
    last = end_month;
  }
  std::vector<int> months;
  for (int m = first; m <= last; ++m) months.push_back(m);
  return months;
}

}  // namespace almanix::generator
