// Times the occurrence test the generators run for every event on every day
// of a year: the parsed form against the text rules.
//
//   occurrence_bench [events]   (default 20000)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "app/dates.h"
#include "store/occurrence.h"

namespace {

using almanix::CivilDate;
using almanix::DayNumber;
using almanix::store::DayKey;
using almanix::store::EventRow;
using almanix::store::ParsedEvent;

constexpr int kRuns = 5;
constexpr int kCategory = 1;

std::string AllMonths() { return ",1,2,3,4,5,6,7,8,9,10,11,12,"; }

// A table as people fill it: mostly one-day entries, then weekly, monthly,
// yearly and a few daily ones, spread over three categories.
std::vector<EventRow> MakeEvents(int count) {
  std::mt19937 random(2026);
  auto pick = [&random](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  const DayNumber first = almanix::EncodeDate(2025, 1, 1);
  const DayNumber last = almanix::EncodeDate(2026, 12, 31);
  std::vector<EventRow> events;
  events.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    EventRow row;
    const int category = pick(1, 3);
    row.calendars = "," + std::to_string(category) + ",";
    if (pick(1, 10) == 1)
      row.calendars += std::to_string(category % 3 + 1) + ",";
    const DayNumber start = pick(first, last);
    const CivilDate date = almanix::DecodeDate(start);
    row.s_date = std::to_string(start);
    row.i_month = std::to_string(date.month);
    row.i_day = std::to_string(date.day);
    row.r_active_months = AllMonths();
    row.r_ends =
        pick(1, 5) == 1 ? std::to_string(start + pick(30, 400)) : "9999999";
    const int kind = pick(1, 100);
    if (kind <= 60) {
      row.r_ends = row.s_date;
    } else if (kind <= 75) {
      row.r_choice = "W";
      row.r_weekly = "," + std::to_string(almanix::DayOfWeek(start)) + ",";
      if (pick(1, 2) == 1) row.r_weekly += std::to_string(pick(1, 7)) + ",";
      const int variant = pick(1, 4);
      if (variant == 2) row.f1 = "2";
      if (variant == 3) {
        row.f1 = std::to_string(pick(1, 4));
        row.f3 = "W";
      }
      if (variant == 4) {
        row.f1 = std::to_string(pick(1, 5));
        row.f3 = "T";
      }
    } else if (kind <= 85) {
      row.r_choice = "M";
      row.r_monthly = "," + std::to_string(date.day) + ",";
      if (pick(1, 3) == 1) row.r_active_months = ",1,4,7,10,";
    } else if (kind <= 95) {
      row.r_choice = "Y";
    } else {
      row.r_choice = "D";
      row.f1 = std::to_string(pick(1, 10));
    }
    if (row.r_choice.size() > 0 && pick(1, 10) == 1) {
      row.f2 = std::to_string(start + 7) + "," + std::to_string(start + 14);
    }
    events.push_back(std::move(row));
  }
  return events;
}

template <typename Body>
double MedianSeconds(Body body, long* hits) {
  std::vector<double> seconds;
  for (int run = 0; run < kRuns; ++run) {
    const auto begin = std::chrono::steady_clock::now();
    *hits = body();
    const auto end = std::chrono::steady_clock::now();
    seconds.push_back(std::chrono::duration<double>(end - begin).count());
  }
  std::sort(seconds.begin(), seconds.end());
  return seconds[kRuns / 2];
}

void Report(const char* name, double seconds, long tests, long hits) {
  std::printf("%-8s %10.4f s  %8.1f ns/test  %12.0f tests/s  (%ld hits)\n",
              name, seconds, seconds * 1e9 / static_cast<double>(tests),
              static_cast<double>(tests) / seconds, hits);
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 20'000;
  if (count <= 0) {
    std::fprintf(stderr, "usage: occurrence_bench [events]\n");
    return 2;
  }
  const std::vector<EventRow> rows = MakeEvents(count);

  std::vector<DayKey> days;
  for (DayNumber day = almanix::EncodeDate(2026, 1, 1);
       day <= almanix::EncodeDate(2026, 12, 31); ++day) {
    days.push_back(DayKey::For(day));
  }
  const long tests = static_cast<long>(days.size()) * count;

  const auto parse_begin = std::chrono::steady_clock::now();
  std::vector<ParsedEvent> parsed;
  parsed.reserve(rows.size());
  for (const EventRow& row : rows) parsed.push_back(ParsedEvent::Parse(row));
  const double parse_seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() -
                                    parse_begin)
          .count();

  std::printf(
      "%d events x %zu days of 2026 = %ld tests, category %d, "
      "median of %d runs\n",
      count, days.size(), tests, kCategory, kRuns);
  std::printf("parse    %10.4f s for %d events\n", parse_seconds, count);

  long parsed_hits = 0;
  const double parsed_seconds = MedianSeconds(
      [&] {
        long hits = 0;
        for (const DayKey& day : days) {
          for (const ParsedEvent& event : parsed) {
            hits += event.OccursOn(day, kCategory);
          }
        }
        return hits;
      },
      &parsed_hits);
  Report("parsed", parsed_seconds, tests, parsed_hits);

  const std::string category = std::to_string(kCategory);
  long text_hits = 0;
  const double text_seconds = MedianSeconds(
      [&] {
        long hits = 0;
        for (const DayKey& day : days) {
          for (const EventRow& row : rows) {
            hits += almanix::store::EventOccursOn(
                row, category, day.text, day.month_text, day.weekday_text,
                day.day_text);
          }
        }
        return hits;
      },
      &text_hits);
  Report("text", text_seconds, tests, text_hits);

  if (parsed_hits != text_hits) {
    std::fprintf(stderr, "the two forms disagree\n");
    return 1;
  }
  return 0;
}
