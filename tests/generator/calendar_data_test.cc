#include "generator/calendar_data.h"

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/dates.h"

namespace almanix::generator {
namespace {

// Rows of every repetition kind over a few categories, starting around
// 2025: what the month pages, event lists and feeds walk.
std::vector<EventRecord> MixedEvents(int n) {
  std::mt19937 random(2025);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  const char* const kChoices[] = {"", "", "D", "W", "M", "Y"};
  std::vector<EventRecord> events;
  for (int i = 0; i < n; ++i) {
    EventRecord e;
    e.id = std::to_string(i + 1);
    const DayNumber start = EncodeDate(2024, 6, 1) + pick(0, 700);
    const CivilDate date = DecodeDate(start);
    store::EventRow& r = e.row;
    r.calendars = "," + std::to_string(pick(1, 3)) + ",";
    if (pick(0, 4) == 0) r.calendars += std::to_string(pick(1, 3)) + ",";
    r.r_choice = kChoices[pick(0, 5)];
    r.f1 = pick(0, 2) == 0 ? std::to_string(pick(1, 3)) : "";
    r.r_weekly = "," + std::to_string(pick(1, 7)) + ",";
    r.r_monthly = "," + std::to_string(pick(1, 31)) + "," + std::to_string(pick(1, 31)) + ",";
    r.r_active_months = pick(0, 2) == 0 ? ",3,4,5," : ",1,2,3,4,5,6,7,8,9,10,11,12,";
    r.r_ends = pick(0, 1) == 0 ? "9999999" : std::to_string(start + pick(0, 400));
    r.s_date = std::to_string(start);
    r.i_month = std::to_string(date.month);
    r.i_day = std::to_string(date.day);
    e.s_time = std::to_string(pick(0, 20));
    events.push_back(std::move(e));
  }
  return events;
}

// The day index must hand each page exactly the events the full walk of the
// month's answer would: same events, same order, for every category set and
// day, the days a month's answer is asked about outside its month included.
TEST(CalendarDataTest, DayCandidatesMatchTheFullWalk) {
  CalendarData data;
  data.SetEvents(MixedEvents(1500));
  DayEvents scratch, full_scratch;
  int occurrences = 0;
  for (const std::vector<int>& categories : {std::vector<int>{1}, {2, 3}, {1, 2, 3}}) {
    for (int month = 1; month <= 12; ++month) {
      const std::vector<const EventRecord*>& answer = data.MonthEvents(categories, month);
      // A copy is not an answer of the data: it takes the full walk.
      const std::vector<const EventRecord*> copy = answer;
      for (int year : {2024, 2025, 2026}) {
        const DayNumber first = EncodeDate(year, month, 1) - 3;
        for (DayNumber day = first; day < first + 36; ++day) {
          const store::DayKey key = KeyFor(day);
          const DayEvents& fast = data.DayCandidates(answer, key, &scratch);
          const DayEvents& full = data.DayCandidates(copy, key, &full_scratch);
          ASSERT_EQ(fast.events, full.events) << "day " << day << " month " << month;
          ASSERT_EQ(fast.categories, full.categories) << "day " << day;
          // What each category's cell gets, against the walk of the whole
          // answer that the pages made before the index.
          for (int c : categories) {
            std::vector<const EventRecord*> walked, indexed;
            for (const EventRecord* e : answer) {
              if (e->OccursOn(key, c)) walked.push_back(e);
            }
            // The day's category bits answer for the event's own row.
            for (size_t k = 0; k < fast.events.size(); ++k) {
              if (fast.Names(k, c)) indexed.push_back(fast.events[k]);
            }
            ASSERT_EQ(indexed, walked) << "day " << day << " category " << c;
            occurrences += static_cast<int>(walked.size());
          }
        }
      }
    }
  }
  EXPECT_GT(occurrences, 10000);
}

}  // namespace
}  // namespace almanix::generator
