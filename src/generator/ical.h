#pragma once

#include <string>

#include "app/status.h"

// The iCalendar file of the published categories (ical.ics), and the main
// window's export of one category and year.
namespace almanix::generator {

struct RunContext;

// The generator's ical.ics for the run's ticked years, months and
// categories; copies iCal.gif.
Status WriteRunICal(const RunContext& run, const std::string& output, const std::string& path);

}  // namespace almanix::generator
