#pragma once

#include <string>
#include <vector>

#include "app/dates.h"
#include "app/status.h"

// Small.html, the address the small-calendar embed code points at.
namespace almanix::generator {

struct RunContext;

// One published month and the small page that shows it.
struct SmallMonthPage {
  int year = 0;
  int month = 0;
  std::string file;  // "SmallApril2025.html"
};

// The small pages of the run's published months, in date order; the pages
// of a single-page calendar hold a whole year each.
std::vector<SmallMonthPage> SmallMonthPages(const RunContext& run);

// The page for a day: its month's, else the last published month before
// it, else the first. Empty when there is none.
std::string SmallPageFor(const std::vector<SmallMonthPage>& pages, DayNumber day);

// Writes Small.html. An embedded small calendar must show a month all year
// round, not only while the current month is published: the page opens the
// current month's small page by the visitor's date, else the published
// month closest before it, else the first (a site published for the
// rest of a year shows its first month until then, its last month after).
// Without scripts it opens the page of the run's own month. With no small
// pages it opens Calendar.html.
Status WriteSmallCalendarPage(const RunContext& run, const std::string& path);

}  // namespace almanix::generator
