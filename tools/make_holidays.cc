// Writes the holiday files shipped in resources/Config: US.ini and Canada.ini.
//
// Each key holds one item per year from kFirstYear through kLastYear: the day
// of the month, or for the Easter-based holidays the day followed by "M"
// (March) or "A" (April), since those move between the two months.
//
//   make_holidays <folder>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace {

using std::chrono::day;
using std::chrono::month;
using std::chrono::year;
using std::chrono::year_month_day;
using std::chrono::weekday;

constexpr int kFirstYear = 2004;
constexpr int kLastYear = 2099;

// One item of a holiday's value for the given year; empty when the holiday
// does not occur that year.
using Rule = std::function<std::string(int year)>;

struct Holiday {
  std::string name;
  Rule rule;
};

// Easter Sunday, anonymous Gregorian computus.
year_month_day Easter(int y) {
  const int a = y % 19;
  const int b = y / 100;
  const int c = y % 100;
  const int d = b / 4;
  const int e = b % 4;
  const int f = (b + 8) / 25;
  const int g = (b - f + 1) / 3;
  const int h = (19 * a + b - d - g + 15) % 30;
  const int i = c / 4;
  const int k = c % 4;
  const int l = (32 + 2 * e + 2 * i - h - k) % 7;
  const int m = (a + 11 * h + 22 * l) / 451;
  const int mon = (h + l - 7 * m + 114) / 31;
  const int dd = (h + l - 7 * m + 114) % 31 + 1;
  return year_month_day{year{y}, month(mon), day(dd)};
}

std::string Day(unsigned d) { return std::to_string(d); }

// The month is named at the call sites only for reading.
Rule Fixed(unsigned /*month*/, unsigned d) {
  return [d](int) { return Day(d); };
}

// The n-th (1-based) given weekday of a month.
Rule Nth(unsigned m, weekday wd, unsigned n) {
  return [m, wd, n](int y) {
    const year_month_day ymd{year{y} / month{m} / wd[n]};
    return Day(static_cast<unsigned>(ymd.day()));
  };
}

Rule LastOf(unsigned m, weekday wd) {
  return [m, wd](int y) {
    const year_month_day ymd{year{y} / month{m} / wd[std::chrono::last]};
    return Day(static_cast<unsigned>(ymd.day()));
  };
}

// The given weekday on or before a day of the month.
Rule OnOrBefore(unsigned m, unsigned d, weekday wd) {
  return [m, d, wd](int y) {
    const std::chrono::sys_days limit{year{y} / month{m} / day{d}};
    const year_month_day ymd{limit - (weekday{limit} - wd)};
    return Day(static_cast<unsigned>(ymd.day()));
  };
}

// A day relative to Easter Sunday, with its month letter.
Rule FromEaster(int offset) {
  return [offset](int y) {
    const year_month_day ymd{std::chrono::sys_days{Easter(y)} +
                             std::chrono::days{offset}};
    const char letter = ymd.month() == std::chrono::March ? 'M' : 'A';
    return Day(static_cast<unsigned>(ymd.day())) + letter;
  };
}

bool Write(const std::filesystem::path& file,
           const std::vector<Holiday>& holidays) {
  std::ofstream out(file, std::ios::binary);
  out << "[Holidays]\r\n";
  for (const Holiday& h : holidays) {
    out << h.name << '=';
    for (int y = kFirstYear; y <= kLastYear; ++y) {
      if (y != kFirstYear) out << ',';
      out << h.rule(y);
    }
    out << "\r\n";
  }
  out.close();
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_holidays <folder>\n";
    return 2;
  }
  using std::chrono::Monday;
  using std::chrono::Thursday;
  const std::filesystem::path folder = argv[1];

  const std::vector<Holiday> canada = {
      {"New Year", Fixed(1, 1)},
      {"Good Friday", FromEaster(-2)},
      {"Easter Monday", FromEaster(1)},
      {"Victoria Day", OnOrBefore(5, 24, Monday)},
      {"Canada Day", Fixed(7, 1)},
      {"Civic Holiday", Nth(8, Monday, 1)},
      {"Labour Day", Nth(9, Monday, 1)},
      {"Thanksgiving Day", Nth(10, Monday, 2)},
      {"Remembrance Day", Fixed(11, 11)},
      {"Christmas Day", Fixed(12, 25)},
      {"Boxing Day", Fixed(12, 26)},
  };

  // Inauguration falls in the year after a presidential election.
  const Rule inauguration = [](int y) {
    return (y - 1) % 4 == 0 ? Day(20) : std::string();
  };
  // The Tuesday after the first Monday (Nov 1..7): always Nov 2..8.
  const Rule election = [](int y) {
    const year_month_day monday{year{y} / 11 / Monday[1]};
    return Day(static_cast<unsigned>(monday.day()) + 1);
  };

  const std::vector<Holiday> us = {
      {"New Year", Fixed(1, 1)},
      {"Inauguration Day", inauguration},
      {"Martin Luther King Day", Nth(1, Monday, 3)},
      {"Presidents Day", Nth(2, Monday, 3)},
      {"Good Friday", FromEaster(-2)},
      {"Memorial Day", LastOf(5, Monday)},
      {"Independence Day", Fixed(7, 4)},
      {"Labor Day", Nth(9, Monday, 1)},
      {"Columbus Day", Nth(10, Monday, 2)},
      {"Election Day", election},
      {"Veterans Day", Fixed(11, 11)},
      {"Thanksgiving", Nth(11, Thursday, 4)},
      {"Christmas Day", Fixed(12, 25)},
  };

  if (!Write(folder / "US.ini", us) || !Write(folder / "Canada.ini", canada)) {
    std::cerr << "make_holidays: cannot write into " << folder << '\n';
    return 1;
  }
  return 0;
}
