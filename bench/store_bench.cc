// Times the table store on a calendar of N events (default 20,000): making a
// year's tables, writing the events, the desktop's day query, the
// generator's month query, and a whole year of one category's day cells
// (twelve month queries, each row parsed once, every day tested).
//
//   store_bench [events]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/config.h"
#include "store/db_engine.h"
#include "store/event_draft.h"
#include "store/event_queries.h"
#include "store/tables.h"
#include "store/year_tables.h"

namespace {

using namespace almanix;
using namespace almanix::store;

double Seconds(const std::function<void()>& work, int runs = 5) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    auto start = std::chrono::steady_clock::now();
    work();
    times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
                        .count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// The same mix as the workload other tools are measured with: 60 % one-day,
// 15 % weekly, 10 % monthly, 10 % yearly, 5 % daily, three categories,
// starts over 2025-2026.
EventDraft RandomDraft(std::mt19937& random) {
  auto pick = [&](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  EventDraft d;
  DayNumber start = pick(EncodeDate(2025, 1, 1), EncodeDate(2026, 12, 31));
  d.start = d.end = start + pick(0, 95) / 96.0;
  d.summary = "Event " + std::to_string(pick(1, 1000000));
  d.categories = {pick(1, 3)};
  int kind = pick(1, 100);
  if (kind <= 60) {
  } else if (kind <= 75) {
    d.repeat = RepeatKind::kWeekly;
    d.weekdays = {DayOfWeek(start)};
    d.every = pick(1, 2);
  } else if (kind <= 85) {
    d.repeat = RepeatKind::kMonthly;
    d.monthdays = {DecodeDate(start).day};
  } else if (kind <= 95) {
    d.repeat = RepeatKind::kYearly;
  } else {
    d.repeat = RepeatKind::kDaily;
    d.every = pick(1, 10);
  }
  if (pick(1, 5) == 1 && d.repeat != RepeatKind::kNever) d.repeat_until = start + pick(30, 400);
  return d;
}

}  // namespace

int main(int argc, char** argv) {
  int count = argc > 1 ? std::atoi(argv[1]) : 20000;
  std::string folder =
      (std::filesystem::temp_directory_path() / "almanix-store-bench").string() + "/";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  Database db;
  if (!db.Open(folder).ok()) return 1;

  const std::vector<std::string> names = CategoryPresets()[kDefaultPresetIndex].names;
  YearTables years(db, names, std::string(ALMANIX_SOURCE_DIR) + "/resources/Config",
                   nullptr, nullptr);
  double year_tables = Seconds([&] { (void)years.Generate("2026"); });

  (void)CreateEventsTable(db, nullptr, nullptr);
  std::mt19937 random(2026);
  auto write_start = std::chrono::steady_clock::now();
  {
    Transaction tx(db);
    Query q(db);
    (void)q.Open(" Select * from Events ");
    for (int i = 0; i < count; ++i) {
      EventDraft d = RandomDraft(random);
      (void)AddEvent(q, d, d.categories[0]);
    }
    (void)tx.Commit();
  }
  double write = std::chrono::duration<double>(std::chrono::steady_clock::now() - write_start)
                     .count();

  Query q(db);
  size_t parsed = 0;
  double load_all = Seconds([&] {
    (void)q.Open("Select * from events");
    parsed = ParseRows(q).size();
  });

  DayNumber day = EncodeDate(2026, 3, 17);
  int day_rows = 0;
  double day_query = Seconds([&] {
    (void)DayEvents(q, day, 1, "sTime");
    day_rows = q.RecordCount();
  });

  int month_rows = 0;
  double month_query = Seconds([&] {
    std::vector<int> ticked{1};
    (void)OpenMonthQuery(q, ticked, 3, nullptr);
    month_rows = q.RecordCount();
  });

  long long hits = 0, tests = 0;
  double whole_year = Seconds([&] {
    hits = tests = 0;
    for (int m = 1; m <= 12; ++m) {
      std::vector<int> ticked{1};
      (void)OpenMonthQuery(q, ticked, m, nullptr);
      std::vector<ParsedRow> rows = ParseRows(q);
      DayNumber first = EncodeDate(2026, m, 1);
      for (DayNumber n = first; n < first + DaysInMonth(2026, m); ++n) {
        DayKey key = DayKey::For(n);
        for (const ParsedRow& r : rows) {
          ++tests;
          hits += r.event.OccursOn(key, 1);
        }
      }
    }
  }, 3);

  std::printf("events                         %d\n", count);
  std::printf("year tables for 2026           %.4f s\n", year_tables);
  std::printf("writing the events (one tx)    %.3f s\n", write);
  std::printf("reading and parsing all rows   %.3f s (%zu rows)\n", load_all, parsed);
  std::printf("day query (DayEvents)          %.4f s (%d events on 2026-03-17)\n", day_query,
              day_rows);
  std::printf("month query (March, cat. 1)    %.4f s (%d rows)\n", month_query, month_rows);
  std::printf("whole year of day cells        %.3f s (%lld tests, %lld hits)\n", whole_year,
              tests, hits);
  std::filesystem::remove_all(folder);
  return 0;
}
