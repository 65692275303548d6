#include "store/occurrence.h"

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/dates.h"

namespace almanix::store {
namespace {

constexpr DayNumber k1Jan2010 = 40179;  // a Friday
constexpr DayNumber k4Jan2010 = 40182;  // a Monday

std::string AllMonths() { return ",1,2,3,4,5,6,7,8,9,10,11,12,"; }

// A row of category 1, active all year, never ending, starting on `start`.
EventRow RowFrom(DayNumber start) {
  EventRow row;
  row.calendars = ",1,";
  row.r_active_months = AllMonths();
  row.r_ends = "9999999";
  row.s_date = std::to_string(start);
  const CivilDate date = DecodeDate(start);
  row.i_month = std::to_string(date.month);
  row.i_day = std::to_string(date.day);
  return row;
}

struct DayTexts {
  std::string n, m, w, d;
};

DayTexts TextsOf(DayNumber day) {
  const CivilDate date = DecodeDate(day);
  return {std::to_string(day), std::to_string(date.month),
          std::to_string(DayOfWeek(day)), std::to_string(date.day)};
}

// The generators' answer; the parsed form must give the same.
bool Occurs(const EventRow& row, DayNumber day, int category = 1) {
  const DayTexts t = TextsOf(day);
  const bool text =
      EventOccursOn(row, std::to_string(category), t.n, t.m, t.w, t.d);
  const bool parsed =
      ParsedEvent::Parse(row).OccursOn(DayKey::For(day), category);
  EXPECT_EQ(text, parsed) << "day " << day << " category " << category;
  return text;
}

// The desktop's answer, likewise through both forms.
bool DayOccurs(const EventRow& row, DayNumber day, int category = 1) {
  const DayTexts t = TextsOf(day);
  const bool text =
      DayEventOccursOn(row, std::to_string(category), t.n, t.m, t.w, t.d);
  const bool parsed =
      ParsedEvent::Parse(row).DayOccursOn(DayKey::For(day), category);
  EXPECT_EQ(text, parsed) << "day " << day << " category " << category;
  return text;
}

// Days of the month of `first` (1..31) on which the row occurs.
std::vector<int> DaysOfMonth(const EventRow& row, DayNumber first,
                             bool desktop = false) {
  std::vector<int> days;
  for (DayNumber day = FirstOfMonth(first); day <= LastOfMonth(first); ++day) {
    if (desktop ? DayOccurs(row, day) : Occurs(row, day)) {
      days.push_back(DecodeDate(day).day);
    }
  }
  return days;
}

using Days = std::vector<int>;

TEST(OccurrenceTest, OneDayEventOccursOnItsDayOnly) {
  const EventRow row = RowFrom(40191);  // 13 January 2010
  EXPECT_EQ(DaysOfMonth(row, k1Jan2010), Days{13});
  EXPECT_FALSE(Occurs(row, EncodeDate(2011, 1, 13)));
  EXPECT_TRUE(DayOccurs(row, 40191));
  EXPECT_FALSE(Occurs(row, 40191, 2));
}

TEST(OccurrenceTest, DailyEveryThreeDays) {
  EventRow row = RowFrom(k4Jan2010);
  row.r_choice = "D";
  row.f1 = "3";
  EXPECT_EQ(DaysOfMonth(row, k1Jan2010),
            (Days{4, 7, 10, 13, 16, 19, 22, 25, 28, 31}));
  EXPECT_FALSE(Occurs(row, 40183));
  EXPECT_FALSE(Occurs(row, 40184));

  row.f2 = "40185";
  EXPECT_FALSE(Occurs(row, 40185));
  EXPECT_TRUE(Occurs(row, 40188));

  // The last day counts.
  row.r_ends = "40188";
  EXPECT_TRUE(Occurs(row, 40188));
  EXPECT_FALSE(Occurs(row, 40191));
  row.r_ends = "9999999";

  // Without a count every day from the start on.
  row.f1 = "";
  row.f2 = "";
  EXPECT_EQ(DaysOfMonth(row, k1Jan2010).size(), 28u);
}

TEST(OccurrenceTest, WeeklyEveryTwoWeeks) {
  EventRow row = RowFrom(40183);  // Tuesday 5 January 2010
  row.r_choice = "W";
  row.r_weekly = ",3,5,";
  row.f1 = "2";
  EXPECT_EQ(DaysOfMonth(row, k1Jan2010), (Days{5, 7, 19, 21}));

  // Week numbers restart each year, so after a 53-week year two weeks in a
  // row qualify.
  row = RowFrom(EncodeDate(2014, 12, 30));  // Tuesday, ISO week 1 of 2015
  row.r_choice = "W";
  row.r_weekly = ",3,5,";
  row.f1 = "2";
  EXPECT_EQ(IsoWeekNumber(EncodeDate(2015, 12, 29)), 53);
  EXPECT_TRUE(Occurs(row, EncodeDate(2015, 1, 13)));
  EXPECT_FALSE(Occurs(row, EncodeDate(2015, 12, 22)));
  EXPECT_TRUE(Occurs(row, EncodeDate(2015, 12, 29)));
  EXPECT_TRUE(Occurs(row, EncodeDate(2016, 1, 5)));
  EXPECT_FALSE(Occurs(row, EncodeDate(2016, 1, 12)));
}

TEST(OccurrenceTest, NthWeekdayOfTheMonth) {
  EventRow row = RowFrom(k1Jan2010 - 1);
  row.r_choice = "W";
  row.r_weekly = ",3,";
  row.f1 = "2";
  row.f3 = "W";  // the second Tuesday
  EXPECT_EQ(DaysOfMonth(row, k1Jan2010), Days{12});
  EXPECT_EQ(DaysOfMonth(row, EncodeDate(2010, 2, 1)), Days{9});

  // The Tuesday of the grid's second row: January 2010 starts on a Friday.
  row.f3 = "T";
  EXPECT_EQ(DaysOfMonth(row, k1Jan2010), Days{5});
  EXPECT_EQ(DaysOfMonth(row, EncodeDate(2010, 6, 1)), Days{8});

  // Any other pattern text leaves every Tuesday.
  row.f3 = "X";
  EXPECT_EQ(DaysOfMonth(row, k1Jan2010), (Days{5, 12, 19, 26}));
}

TEST(OccurrenceTest, MonthlyOnlyInActiveMonths) {
  EventRow row = RowFrom(k1Jan2010);
  row.r_choice = "M";
  row.r_monthly = ",1,15,";
  row.r_active_months = ",1,2,3,";
  EXPECT_EQ(DaysOfMonth(row, EncodeDate(2010, 3, 1)), (Days{1, 15}));
  EXPECT_FALSE(Occurs(row, EncodeDate(2010, 4, 15)));
  EXPECT_FALSE(Occurs(row, EncodeDate(2010, 4, 1)));
  EXPECT_TRUE(Occurs(row, EncodeDate(2011, 1, 15)));
}

TEST(OccurrenceTest, YearlyOnItsMonthAndDay) {
  const DayNumber start = EncodeDate(2010, 2, 14);
  EventRow row = RowFrom(start);
  row.r_choice = "Y";
  EXPECT_EQ(row.i_month, "2");
  EXPECT_EQ(row.i_day, "14");
  EXPECT_TRUE(Occurs(row, 40588));
  EXPECT_EQ(EncodeDate(2011, 2, 14), 40588);
  EXPECT_FALSE(Occurs(row, 40587));
  EXPECT_FALSE(Occurs(row, EncodeDate(2011, 3, 14)));
  EXPECT_FALSE(Occurs(row, EncodeDate(2009, 2, 14)));
}

TEST(OccurrenceTest, StartDayAlwaysCountsUnlessSkippedOrEnded) {
  EventRow row = RowFrom(40186);  // Friday 8 January 2010
  row.r_choice = "W";
  row.r_weekly = ",2,4,";
  row.r_active_months = ",2,";
  EXPECT_EQ(DaysOfMonth(row, k1Jan2010), Days{8});
  EXPECT_EQ(DaysOfMonth(row, EncodeDate(2010, 2, 1)),
            (Days{1, 3, 8, 10, 15, 17, 22, 24}));

  row.f2 = "40186";
  EXPECT_FALSE(Occurs(row, 40186));
  row.f2 = "";
  row.r_ends = "40185";
  EXPECT_FALSE(Occurs(row, 40186));
}

TEST(OccurrenceTest, EndsBeforeStartOccursNowhere) {
  EventRow row = RowFrom(k4Jan2010);
  row.r_choice = "D";
  row.r_ends = "40180";
  for (DayNumber day = k1Jan2010 - 10; day < k1Jan2010 + 60; ++day) {
    EXPECT_FALSE(Occurs(row, day)) << day;
    EXPECT_FALSE(DayOccurs(row, day)) << day;
  }
}

TEST(OccurrenceTest, DesktopRuleIgnoresTheChoiceForWeekdaysAndDays) {
  EventRow row = RowFrom(k1Jan2010);
  row.r_choice = "M";
  row.r_monthly = ",15,";
  row.r_weekly = ",2,";
  EXPECT_EQ(DaysOfMonth(row, k1Jan2010), (Days{1, 15}));
  EXPECT_EQ(DaysOfMonth(row, k1Jan2010, /*desktop=*/true),
            (Days{1, 4, 11, 15, 18, 25}));
  EXPECT_EQ(DaysOfMonth(row, EncodeDate(2010, 3, 1)), Days{15});

  // The count still applies to the weekdays the desktop shows.
  row.f1 = "2";
  row.f3 = "W";
  EXPECT_EQ(DaysOfMonth(row, k1Jan2010, /*desktop=*/true), (Days{1, 11, 15}));
  EXPECT_EQ(DaysOfMonth(row, EncodeDate(2010, 2, 1), /*desktop=*/true),
            (Days{8, 15}));
}

TEST(OccurrenceTest, ListsMatchWholeItemsBetweenCommas) {
  EventRow row = RowFrom(k1Jan2010);
  row.r_choice = "W";
  const DayNumber tuesday = 40183;
  const DayNumber thursday = 40185;
  row.r_weekly = ",03,";
  EXPECT_FALSE(Occurs(row, tuesday));
  row.r_weekly = "3,5";
  EXPECT_FALSE(Occurs(row, tuesday));
  EXPECT_FALSE(Occurs(row, thursday));
  row.r_weekly = ",3,5";
  EXPECT_TRUE(Occurs(row, tuesday));
  EXPECT_FALSE(Occurs(row, thursday));
  row.r_weekly = ", 3,+5,";
  EXPECT_FALSE(Occurs(row, tuesday));
  EXPECT_FALSE(Occurs(row, thursday));
  row.r_weekly = ",13,35,3,";
  EXPECT_TRUE(Occurs(row, tuesday));
  EXPECT_FALSE(Occurs(row, thursday));

  // Categories: ",1," is not in ",10,11,", and IDs beyond small numbers work.
  row.r_weekly = ",3,";
  row.calendars = ",10,11,";
  EXPECT_FALSE(Occurs(row, tuesday, 1));
  EXPECT_TRUE(Occurs(row, tuesday, 11));
  row.calendars = ",64,1000,-2,";
  EXPECT_TRUE(Occurs(row, tuesday, 64));
  EXPECT_TRUE(Occurs(row, tuesday, 1000));
  EXPECT_TRUE(Occurs(row, tuesday, -2));
  EXPECT_FALSE(Occurs(row, tuesday, 100));
  EXPECT_FALSE(Occurs(row, tuesday, 0));
}

TEST(OccurrenceTest, DayNumbersCompareAsText) {
  EventRow row = RowFrom(k4Jan2010);
  row.r_choice = "D";
  // Later than every five-digit day as text.
  row.r_ends = "9999999";
  EXPECT_TRUE(Occurs(row, 50000));
  // "100000" sorts before "40183": the event has ended.
  row.r_ends = "100000";
  EXPECT_FALSE(Occurs(row, 40183));
  row.r_ends = "";
  EXPECT_FALSE(Occurs(row, k4Jan2010));
  // "5" sorts after "40183".
  row.r_ends = "5";
  EXPECT_TRUE(Occurs(row, 40183));
  // A padded start never equals the day's text, and " " sorts before
  // digits, so it counts as started; its number still drives the count.
  row.r_ends = "9999999";
  row.f1 = "2";
  row.s_date = " 40182";
  EXPECT_FALSE(Occurs(row, 40183));
  EXPECT_TRUE(Occurs(row, 40184));
}

TEST(OccurrenceTest, SkipListMatchesItemPrefixes) {
  EventRow row = RowFrom(k4Jan2010);
  row.r_choice = "D";
  row.f2 = "40190,401850";
  EXPECT_FALSE(Occurs(row, 40185));
  EXPECT_FALSE(Occurs(row, 40190));
  EXPECT_TRUE(Occurs(row, 40186));
  // Only the start of an item counts.
  row.f2 = "140186, 40187,40188x";
  EXPECT_TRUE(Occurs(row, 40186));
  EXPECT_TRUE(Occurs(row, 40187));
  EXPECT_FALSE(Occurs(row, 40188));
}

// Odd stored values of the kinds old tables hold.
class RowMaker {
 public:
  explicit RowMaker(unsigned seed) : random_(seed) {}

  int Pick(int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random_);
  }
  bool Chance(int percent) { return Pick(1, 100) <= percent; }

  // An item for a list of numbers low..high.
  std::string Item(int low, int high) {
    switch (Pick(0, 11)) {
      case 0:
        return "0" + std::to_string(Pick(low, high));
      case 1:
        return " " + std::to_string(Pick(low, high));
      case 2:
        return std::to_string(Pick(low, high)) + " ";
      case 3:
        return "+" + std::to_string(Pick(low, high));
      case 4:
        return "-" + std::to_string(Pick(low, high));
      case 5:
        return std::to_string(Pick(high + 1, high + 70));
      case 6:
        return Chance(50) ? "x" : "";
      case 7:
        return "0";
      default:
        return std::to_string(Pick(low, high));
    }
  }

  std::string List(int low, int high) {
    if (Chance(5)) return "";
    if (Chance(3)) return "garbage";
    std::string list;
    const int count = Pick(1, 6);
    for (int i = 0; i < count; ++i) {
      if (i > 0) list += ",";
      list += Item(low, high);
    }
    if (!Chance(15)) list = "," + list;
    if (!Chance(15)) list += ",";
    return list;
  }

  std::string DayText(DayNumber near) {
    const DayNumber day = near - Pick(-40, 800);
    switch (Pick(0, 14)) {
      case 0:
        return "";
      case 1:
        return "9999999";
      case 2:
        return std::to_string(Pick(0, 9999));
      case 3:
        return std::to_string(Pick(100000, 3000000));
      case 4:
        return "0" + std::to_string(day);
      case 5:
        return " " + std::to_string(day);
      case 6:
        return "+" + std::to_string(day);
      case 7:
        return "abc";
      case 8:
        return std::to_string(near);
      case 9:
        return std::to_string(near) + std::string(1, '\0');
      default:
        return std::to_string(day);
    }
  }

  std::string SkipList(DayNumber near) {
    if (Chance(40)) return "";
    std::string list;
    const int count = Pick(1, 4);
    for (int i = 0; i < count; ++i) {
      if (i > 0) list += ",";
      const std::string day = std::to_string(near + Pick(-3, 3));
      switch (Pick(0, 6)) {
        case 0:
          list += day + std::to_string(Pick(0, 99));
          break;
        case 1:
          list += day.substr(0, static_cast<size_t>(Pick(1, 4)));
          break;
        case 2:
          list += " " + day;
          break;
        case 3:
          list += "";
          break;
        case 4:
          list += day + "x";
          break;
        default:
          list += day;
      }
    }
    if (Chance(20)) list = "," + list;
    if (Chance(20)) list += ",";
    return list;
  }

  std::string Count() {
    static const char* const kCounts[] = {
        "",   "",    "",           "0",           "1",          "2", "2",
        "3",  "4",   "5",          "6",           "-2",         "x", " 2",
        "+3", "100", "2147483647", "-2147483648", "99999999999"};
    return kCounts[Pick(0, std::size(kCounts) - 1)];
  }

  std::string OneOf(std::initializer_list<const char*> texts) {
    const int index = Pick(0, static_cast<int>(texts.size()) - 1);
    return *(texts.begin() + index);
  }

  // A row that names `category` more often than chance would.
  EventRow Row(DayNumber near, int category) {
    EventRow row;
    row.calendars = List(0, 40);
    if (Chance(60))
      row.calendars = "," + std::to_string(category) + row.calendars;
    if (Chance(10)) row.calendars += "63,64,1000,-1,";
    row.f1 = Count();
    row.f2 = SkipList(near);
    row.f3 = OneOf({"", "", "", "W", "T", "w", "X", " "});
    row.r_choice = OneOf({"", "D", "W", "W", "M", "Y", "d", "x", "WW"});
    row.r_weekly = List(1, 7);
    row.r_monthly = List(1, 31);
    row.r_active_months = Chance(30) ? AllMonths() : List(1, 12);
    row.r_ends = Chance(40) ? "9999999" : DayText(near + 400);
    row.s_date = DayText(near);
    const CivilDate date = DecodeDate(near);
    row.i_month = Chance(50) ? std::to_string(date.month) : Item(1, 12);
    row.i_day = Chance(50) ? std::to_string(date.day) : Item(1, 31);
    return row;
  }

 private:
  std::mt19937 random_;
};

TEST(OccurrenceTest, ParsedFormAgreesWithTheTextRules) {
  RowMaker maker(20100101);
  const DayNumber first = EncodeDate(1990, 1, 1);
  const DayNumber last = EncodeDate(2100, 12, 31);
  int generator_hits = 0;
  int desktop_hits = 0;
  int failures = 0;
  constexpr int kCases = 200'000;
  for (int i = 0; i < kCases && failures < 20; ++i) {
    const DayNumber day = maker.Pick(first, last);
    // Now and then an ID beyond the small ones.
    const int asked = maker.Chance(8)
                          ? std::stoi(maker.OneOf({"63", "64", "1000", "-1"}))
                          : maker.Pick(0, 40);
    const EventRow row = maker.Row(day, asked);
    const DayTexts t = TextsOf(day);
    const std::string c = std::to_string(asked);
    const ParsedEvent parsed = ParsedEvent::Parse(row);
    const DayKey key = DayKey::For(day);

    const bool text = EventOccursOn(row, c, t.n, t.m, t.w, t.d);
    const bool desktop = DayEventOccursOn(row, c, t.n, t.m, t.w, t.d);
    generator_hits += text;
    desktop_hits += desktop;
    if (parsed.OccursOn(key, asked) != text ||
        parsed.DayOccursOn(key, asked) != desktop) {
      ++failures;
      ADD_FAILURE() << "day " << day << " category " << asked << " Calendars '"
                    << row.calendars << "' F1 '" << row.f1 << "' F2 '" << row.f2
                    << "' F3 '" << row.f3 << "' rChoice '" << row.r_choice
                    << "' rWeekly '" << row.r_weekly << "' rMonthly '"
                    << row.r_monthly << "' rActiveMonths '"
                    << row.r_active_months << "' rEnds '" << row.r_ends
                    << "' sDate '" << row.s_date << "' iMonth '" << row.i_month
                    << "' iDay '" << row.i_day << "' text " << text
                    << " desktop " << desktop;
    }
  }
  // The mix must reach both answers often enough to mean something.
  EXPECT_GT(generator_hits, kCases / 100);
  EXPECT_GT(desktop_hits, generator_hits);
}

// A run finds each event's days once per month (OccursOnDay, with
// MayOccurInMonth to pass over whole months) and asks the category after:
// that may never lose a day the full rule gives, bounds that compare as odd
// texts included.
TEST(OccurrenceTest, MonthIndexNeverLosesADay) {
  RowMaker maker(20261210);
  const DayNumber first = EncodeDate(1995, 1, 1);
  const DayNumber last = EncodeDate(2200, 12, 31);  // days of six digits too
  int hits = 0, passed_over = 0, failures = 0;
  for (int i = 0; i < 3'000 && failures < 20; ++i) {
    const DayNumber near = maker.Pick(first, last);
    EventRow row = maker.Row(near, 1);
    if (maker.Chance(15)) row.r_ends = maker.OneOf({"5", "", "9", "46000 ", "100000", "x"});
    if (maker.Chance(10)) row.s_date = maker.OneOf({"5", "", "1", "46000 ", "x"});
    const ParsedEvent parsed = ParsedEvent::Parse(row);
    // The month of the start, one before it and one some months after.
    for (DayNumber in : {near, near - 31, near + maker.Pick(31, 500)}) {
      const DayKey month_first = DayKey::For(FirstOfMonth(in));
      const DayKey month_last = DayKey::For(LastOfMonth(in));
      const bool may = parsed.MayOccurInMonth(month_first, month_last);
      passed_over += !may;
      for (DayNumber day = month_first.day; day <= month_last.day; ++day) {
        const DayKey key = DayKey::For(day);
        const bool on_day = parsed.OccursOnDay(key);
        for (int c : {0, 1, 2, 5, 40, 63, 64, 1000}) {
          const bool occurs = parsed.OccursOn(key, c);
          hits += occurs;
          if (occurs && (!on_day || !may)) {
            ++failures;
            ADD_FAILURE() << "day " << day << " category " << c << " sDate '" << row.s_date
                          << "' rEnds '" << row.r_ends << "' rActiveMonths '"
                          << row.r_active_months << "' rChoice '" << row.r_choice
                          << "' on_day " << on_day << " may " << may;
          }
        }
      }
    }
  }
  // Both answers must come up often enough to mean something.
  EXPECT_GT(hits, 1000);
  EXPECT_GT(passed_over, 1000);
}

TEST(OccurrenceTest, TextRulesReadNonNumbersAsZero) {
  EventRow row = RowFrom(k4Jan2010);
  row.r_choice = "D";
  row.f1 = "abc";  // no count: every day
  EXPECT_TRUE(EventOccursOn(row, "1", "40183", "1", "3", "5"));
  // A day that is not a number still compares as text.
  row.f1 = "";
  EXPECT_TRUE(EventOccursOn(row, "1", "5x", "1", "3", "5"));
  EXPECT_FALSE(EventOccursOn(row, "1", "", "1", "3", "5"));
}

TEST(DateOperationsTest, MonthBounds) {
  EXPECT_EQ(FirstOfMonth(40191), k1Jan2010);
  EXPECT_EQ(LastOfMonth(40191), EncodeDate(2010, 1, 31));
  EXPECT_EQ(FirstOfMonth(k1Jan2010), k1Jan2010);
  EXPECT_EQ(LastOfMonth(EncodeDate(2012, 2, 10)), EncodeDate(2012, 2, 29));
  EXPECT_EQ(LastOfMonth(EncodeDate(2100, 2, 10)), EncodeDate(2100, 2, 28));
  EXPECT_EQ(FirstOfMonth(EncodeDate(2010, 12, 31)), EncodeDate(2010, 12, 1));
}

TEST(DateOperationsTest, GridRowAndOrdinal) {
  // January 2010 starts on a Friday: the 3rd (Sunday) opens row 2 and the
  // 31st (Sunday) row 6.
  EXPECT_EQ(GridRow(k1Jan2010), 1);
  EXPECT_EQ(GridRow(k1Jan2010 + 1), 1);
  EXPECT_EQ(GridRow(k1Jan2010 + 2), 2);
  EXPECT_EQ(GridRow(EncodeDate(2010, 1, 30)), 5);
  EXPECT_EQ(GridRow(EncodeDate(2010, 1, 31)), 6);
  // Each Sunday after the 1st starts a new row, over a whole year.
  for (DayNumber day = EncodeDate(2010, 1, 1); day <= EncodeDate(2010, 12, 31);
       ++day) {
    const int d = DecodeDate(day).day;
    if (d == 1) {
      EXPECT_EQ(GridRow(day), 1) << day;
    } else {
      EXPECT_EQ(GridRow(day), GridRow(day - 1) + (DayOfWeek(day) == 1 ? 1 : 0))
          << day;
    }
  }
  EXPECT_EQ(WeekdayOrdinal(EncodeDate(2010, 1, 7)), 1);
  EXPECT_EQ(WeekdayOrdinal(EncodeDate(2010, 1, 8)), 2);
  EXPECT_EQ(WeekdayOrdinal(EncodeDate(2010, 1, 28)), 4);
  EXPECT_EQ(WeekdayOrdinal(EncodeDate(2010, 1, 29)), 5);
}

TEST(DateOperationsTest, LeadingBlanksForBothGridsAcrossAYear) {
  // The 1st of each month of 2010: Fri Mon Mon Thu Sat Tue Thu Sun Wed Fri
  // Mon Wed.
  const int sunday_first[] = {5, 1, 1, 4, 6, 2, 4, 0, 3, 5, 1, 3};
  const int monday_first[] = {4, 0, 0, 3, 5, 1, 3, 6, 2, 4, 0, 2};
  for (int month = 1; month <= 12; ++month) {
    const DayNumber mid = EncodeDate(2010, month, 17);
    EXPECT_EQ(LeadingBlanks(1, mid), sunday_first[month - 1]) << month;
    EXPECT_EQ(LeadingBlanks(2, mid), monday_first[month - 1]) << month;
    EXPECT_EQ(LeadingBlanks(0, mid), 0);
    EXPECT_EQ(LeadingBlanks(3, mid), 0);
  }
}

TEST(DayKeyTest, HoldsTheDaysTexts) {
  const DayKey key = DayKey::For(EncodeDate(2015, 12, 29));
  EXPECT_EQ(key.text, "42367");
  EXPECT_EQ(key.month_text, "12");
  EXPECT_EQ(key.day_text, "29");
  EXPECT_EQ(key.weekday, 3);
  EXPECT_EQ(key.iso_week, 53);
  EXPECT_EQ(key.grid_row, 5);
  EXPECT_EQ(key.ordinal, 5);
}

TEST(OccurrenceSqlTest, DayEventsQuery) {
  const std::string unordered =
      " Select * from events where rEnds >= '40179'\r\n"
      " and  Calendars LIKE '%,1,%'\r\n"
      " and  ( sDate = '40179'\r\n"
      "       ) or (  (\r\n"
      "                rChoice ='D'\r\n"
      "                or rMonthly  LIKE '%,1,%'\r\n"
      "                or rWeekly  LIKE '%,6,%'\r\n"
      "                ) and  (  \r\n"
      "                        sDate < '40179'\r\n"
      "                        and rActiveMonths LIKE '%,1,%'\r\n"
      "                        ) \r\n"
      "       ) or (   \r\n"
      "                rChoice ='Y'\r\n"
      "                and iMonth ='1'\r\n"
      "                and iDay ='1'\r\n"
      "             )  ";
  EXPECT_EQ(DayEventsSql("40179", "1", "1", "1", "6", ""), unordered);
  EXPECT_EQ(DayEventsSql("40179", "1", "1", "1", "6", "sTime"),
            unordered + "\r\n order by sTime asc ");
  EXPECT_NE(DayEventsSql("1", "a'b", "1", "1", "1", "").find("'%,a''b,%'"),
            std::string::npos);
}

TEST(OccurrenceSqlTest, IdsQuery) {
  EXPECT_EQ(IdsSql({"3", "17", "20"}, "sTime"),
            " Select * from events where id in (3,17,20) order by sTime asc ");
  EXPECT_EQ(IdsSql({}, ""), " Select * from events where id in (0)");
}

TEST(OccurrenceSqlTest, MonthQueries) {
  EXPECT_EQ(MonthQuerySql({1, 12}, 3),
            " Select * from events where (  Calendars   like '%,1,%' or "
            "Calendars   like '%,12,%' )  and ( rActiveMonths like '%,3,%' ) "
            "or ( iMonth ='3') order by sTime asc ");
  EXPECT_EQ(MonthQuerySqlForCategory(7, 11),
            " Select * from events where (  Calendars like '%,7,%' )  and ( "
            "rActiveMonths like '%,11,%' ) or ( iMonth ='11') order by sTime "
            "asc ");
}

}  // namespace
}  // namespace almanix::store
