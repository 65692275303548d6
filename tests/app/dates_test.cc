#include "app/dates.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iterator>
#include <optional>
#include <string>
#include <utility>

#include <gtest/gtest.h>

namespace almanix {
namespace {

namespace chr = std::chrono;

constexpr chr::sys_days kDayZero = chr::sys_days{chr::year{1899} /
                                                 chr::December / 30};

DateTimeValue At(int year, int month, int day, int hour = 0, int minute = 0,
                 int second = 0, int millisecond = 0) {
  return EncodeDateTime(
      CivilDateTime{year, month, day, hour, minute, second, millisecond});
}

void ExpectParts(const CivilDateTime& got, int year, int month, int day,
                 int hour, int minute, int second, int millisecond) {
  EXPECT_EQ(got.year, year);
  EXPECT_EQ(got.month, month);
  EXPECT_EQ(got.day, day);
  EXPECT_EQ(got.hour, hour);
  EXPECT_EQ(got.minute, minute);
  EXPECT_EQ(got.second, second);
  EXPECT_EQ(got.millisecond, millisecond);
}

// Switches the process's zone for one test and puts the old one back.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) saved_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (saved_) {
      setenv("TZ", saved_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

 private:
  std::optional<std::string> saved_;
};

TEST(CalendarTest, LeapYearsAndMonthLengths) {
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_TRUE(IsLeapYear(1600));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_FALSE(IsLeapYear(2100));
  EXPECT_FALSE(IsLeapYear(2023));

  EXPECT_EQ(DaysInMonth(2024, 2), 29);
  EXPECT_EQ(DaysInMonth(1900, 2), 28);
  EXPECT_EQ(DaysInMonth(2000, 2), 29);
  EXPECT_EQ(DaysInMonth(2023, 1), 31);
  EXPECT_EQ(DaysInMonth(2023, 4), 30);
  EXPECT_EQ(DaysInMonth(2023, 12), 31);
}

TEST(CalendarTest, ValidDates) {
  EXPECT_TRUE(IsValidDate(1, 1, 1));
  EXPECT_TRUE(IsValidDate(9999, 12, 31));
  EXPECT_TRUE(IsValidDate(2024, 2, 29));
  EXPECT_FALSE(IsValidDate(2023, 2, 29));
  EXPECT_FALSE(IsValidDate(1900, 2, 29));
  EXPECT_FALSE(IsValidDate(0, 1, 1));
  EXPECT_FALSE(IsValidDate(10000, 1, 1));
  EXPECT_FALSE(IsValidDate(2024, 0, 1));
  EXPECT_FALSE(IsValidDate(2024, 13, 1));
  EXPECT_FALSE(IsValidDate(2024, 4, 31));
  EXPECT_FALSE(IsValidDate(2024, 1, 0));
  EXPECT_FALSE(IsValidDate(2024, 1, -5));
}

TEST(CalendarTest, KnownDayNumbers) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(1899, 12, 29), -1);
  EXPECT_EQ(EncodeDate(1899, 12, 31), 1);
  EXPECT_EQ(EncodeDate(1900, 3, 1), 61);
  EXPECT_EQ(EncodeDate(1970, 1, 1), 25569);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526);
  EXPECT_EQ(EncodeDate(2024, 3, 5), 45356);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
  EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465);

  const CivilDate d = DecodeDate(45356);
  EXPECT_EQ(d.year, 2024);
  EXPECT_EQ(d.month, 3);
  EXPECT_EQ(d.day, 5);
  const CivilDate before = DecodeDate(-1);
  EXPECT_EQ(before.year, 1899);
  EXPECT_EQ(before.month, 12);
  EXPECT_EQ(before.day, 29);
}

TEST(CalendarTest, DecodeClampsToTheValidRange) {
  const CivilDate low = DecodeDate(-700000);
  EXPECT_EQ(low.year, 1);
  EXPECT_EQ(low.month, 1);
  EXPECT_EQ(low.day, 1);
  const CivilDate high = DecodeDate(2147483647);
  EXPECT_EQ(high.year, 9999);
  EXPECT_EQ(high.month, 12);
  EXPECT_EQ(high.day, 31);
  const CivilDate lowest = DecodeDate(-2147483647 - 1);
  EXPECT_EQ(lowest.year, 1);
}

TEST(CalendarTest, DayOfWeekKnownDays) {
  EXPECT_EQ(DayOfWeek(45356), 3);   // 2024-03-05, Tuesday
  EXPECT_EQ(DayOfWeek(0), 7);       // 1899-12-30, Saturday
  EXPECT_EQ(DayOfWeek(1), 1);       // Sunday
  EXPECT_EQ(DayOfWeek(-1), 6);      // Friday
  EXPECT_EQ(DayOfWeek(-7), 7);
  EXPECT_EQ(DayOfWeek(-693593), 2);  // 0001-01-01, Monday
  // The extremes of the type must not overflow.
  EXPECT_EQ(DayOfWeek(2147483647), 1);
  EXPECT_EQ(DayOfWeek(-2147483647 - 1), 5);
}

// Every day of 1600..2400 against the standard library's calendar.
TEST(CalendarTest, MatchesStdChronoEveryDay) {
  const chr::sys_days first{chr::year{1600} / chr::January / 1};
  const chr::sys_days last{chr::year{2400} / chr::December / 31};
  int checked = 0;
  for (chr::sys_days sd = first; sd <= last; sd += chr::days{1}) {
    const chr::year_month_day ymd{sd};
    const int y = static_cast<int>(ymd.year());
    const int m = static_cast<int>(static_cast<unsigned>(ymd.month()));
    const int d = static_cast<int>(static_cast<unsigned>(ymd.day()));
    const DayNumber expected = static_cast<DayNumber>((sd - kDayZero).count());

    ASSERT_TRUE(IsValidDate(y, m, d));
    ASSERT_EQ(EncodeDate(y, m, d), expected) << y << "-" << m << "-" << d;
    const CivilDate back = DecodeDate(expected);
    ASSERT_EQ(back.year, y) << expected;
    ASSERT_EQ(back.month, m) << expected;
    ASSERT_EQ(back.day, d) << expected;
    ASSERT_EQ(DayOfWeek(expected),
              static_cast<int>(chr::weekday{sd}.c_encoding()) + 1)
        << expected;
    ASSERT_EQ(DaysInMonth(y, m),
              static_cast<int>(static_cast<unsigned>(
                  chr::year_month_day_last{ymd.year(),
                                           chr::month_day_last{ymd.month()}}
                      .day())));
    ++checked;
  }
  EXPECT_EQ(checked, 292560);
}

TEST(IsoWeekTest, YearBoundaries) {
  struct Case {
    int year, month, day, week, iso_year;
  };
  const Case cases[] = {
      {2004, 12, 31, 53, 2004}, {2005, 1, 1, 53, 2004},
      {2005, 1, 2, 53, 2004},   {2005, 1, 3, 1, 2005},
      {2008, 12, 28, 52, 2008}, {2008, 12, 29, 1, 2009},
      {2010, 1, 3, 53, 2009},   {2010, 1, 4, 1, 2010},
      {2020, 12, 31, 53, 2020}, {2021, 1, 3, 53, 2020},
      {2021, 1, 4, 1, 2021},    {2026, 12, 9, 50, 2026},
      {2024, 3, 5, 10, 2024},   {1899, 12, 30, 52, 1899},
  };
  for (const Case& c : cases) {
    int iso_year = 0;
    EXPECT_EQ(IsoWeekNumber(EncodeDate(c.year, c.month, c.day), &iso_year),
              c.week)
        << c.year << "-" << c.month << "-" << c.day;
    EXPECT_EQ(iso_year, c.iso_year)
        << c.year << "-" << c.month << "-" << c.day;
  }
  EXPECT_EQ(IsoWeekNumber(EncodeDate(2026, 12, 9)), 50);  // no out-parameter
}

// Every day of 1990..2100 against the C library's own ISO week.
TEST(IsoWeekTest, MatchesStrftimeEveryDay) {
  const DayNumber first = EncodeDate(1990, 1, 1);
  const DayNumber last = EncodeDate(2100, 12, 31);
  for (DayNumber day = first; day <= last; ++day) {
    const std::time_t t = static_cast<std::time_t>(day - 25569) * 86400;
    std::tm tm{};
    ASSERT_NE(gmtime_r(&t, &tm), nullptr);
    char buffer[32];
    ASSERT_GT(std::strftime(buffer, sizeof(buffer), "%G %V", &tm), 0u);
    int expected_year = 0;
    int expected_week = 0;
    ASSERT_EQ(std::sscanf(buffer, "%d %d", &expected_year, &expected_week), 2);
    int iso_year = 0;
    ASSERT_EQ(IsoWeekNumber(day, &iso_year), expected_week) << day;
    ASSERT_EQ(iso_year, expected_year) << day;
  }
}

TEST(DateTimeTest, EncodesTimeAsDayFraction) {
  EXPECT_DOUBLE_EQ(EncodeTime(0, 0, 0, 0), 0.0);
  EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  EXPECT_DOUBLE_EQ(EncodeTime(6, 0, 0, 0), 0.25);
  EXPECT_DOUBLE_EQ(EncodeTime(0, 0, 0, 1), 1.0 / 86400000.0);
  EXPECT_LT(EncodeTime(23, 59, 59, 999), 1.0);

  EXPECT_NEAR(At(2024, 3, 5, 18, 30), 45356.770833333333, 1e-9);
  EXPECT_DOUBLE_EQ(At(1899, 12, 29, 6), -1.25);
  EXPECT_DOUBLE_EQ(At(1899, 12, 30, 6), 0.25);
  EXPECT_DOUBLE_EQ(At(1899, 12, 28, 18), -2.75);
}

TEST(DateTimeTest, DecodesPositiveAndNegativeValues) {
  ExpectParts(DecodeDateTime(45356.77083333333), 2024, 3, 5, 18, 30, 0, 0);
  ExpectParts(DecodeDateTime(-1.25), 1899, 12, 29, 6, 0, 0, 0);
  ExpectParts(DecodeDateTime(-2.75), 1899, 12, 28, 18, 0, 0, 0);
  // Between -1 and 0 the whole part is day 0.
  ExpectParts(DecodeDateTime(-0.5), 1899, 12, 30, 12, 0, 0, 0);
  ExpectParts(DecodeDateTime(0.0), 1899, 12, 30, 0, 0, 0, 0);
  ExpectParts(DecodeDateTime(36526.0), 2000, 1, 1, 0, 0, 0, 0);
}

TEST(DateTimeTest, RoundsToNearestMillisecondAndCarriesMidnight) {
  const double ms = 1.0 / 86400000.0;
  const double day = 45356.0;
  ExpectParts(DecodeDateTime(day + 1.4 * ms), 2024, 3, 5, 0, 0, 0, 1);
  ExpectParts(DecodeDateTime(day + 1.6 * ms), 2024, 3, 5, 0, 0, 0, 2);
  ExpectParts(DecodeDateTime(day + (86399999.4) * ms), 2024, 3, 5, 23, 59, 59,
              999);
  // 23:59:59.9996 rounds to 24:00, which is the next day's midnight.
  ExpectParts(DecodeDateTime(day + (86399999.6) * ms), 2024, 3, 6, 0, 0, 0, 0);
  ExpectParts(DecodeDateTime(EncodeDate(2024, 12, 31) + 86399999.6 * ms), 2025,
              1, 1, 0, 0, 0, 0);
  ExpectParts(DecodeDateTime(EncodeDate(2024, 2, 28) + 86399999.6 * ms), 2024,
              2, 29, 0, 0, 0, 0);
  // Before day 0 the carry still moves to the following calendar day.
  ExpectParts(DecodeDateTime(-2.0 - 86399999.6 * ms), 1899, 12, 29, 0, 0, 0,
              0);
}

TEST(DateTimeTest, RoundTripsEveryMillisecondPattern) {
  // Large day numbers leave fewer bits for the fraction; the last valid day
  // is the hardest case.
  const DayNumber days[] = {0, 1, -1, -693593, 45356, 2958465};
  for (DayNumber day : days) {
    const CivilDate date = DecodeDate(day);
    for (int s = 0; s < 86400; ++s) {
      const CivilDateTime parts{date.year,   date.month,  date.day,
                                s / 3600,    s / 60 % 60, s % 60,
                                (s * 7) % 1000};
      const CivilDateTime back = DecodeDateTime(EncodeDateTime(parts));
      ASSERT_EQ(back.year, parts.year) << day << " " << s;
      ASSERT_EQ(back.month, parts.month) << day << " " << s;
      ASSERT_EQ(back.day, parts.day) << day << " " << s;
      ASSERT_EQ(back.hour, parts.hour) << day << " " << s;
      ASSERT_EQ(back.minute, parts.minute) << day << " " << s;
      ASSERT_EQ(back.second, parts.second) << day << " " << s;
      ASSERT_EQ(back.millisecond, parts.millisecond) << day << " " << s;
    }
  }
}

TEST(DateTimeTest, OutOfRangeValuesStayUsable) {
  ExpectParts(DecodeDateTime(std::nan("")), 1899, 12, 30, 0, 0, 0, 0);
  ExpectParts(DecodeDateTime(INFINITY), 1899, 12, 30, 0, 0, 0, 0);
  const CivilDateTime high = DecodeDateTime(1e300);
  EXPECT_EQ(high.year, 9999);
  EXPECT_EQ(high.month, 12);
  EXPECT_EQ(high.day, 31);
  const CivilDateTime low = DecodeDateTime(-1e12);
  EXPECT_EQ(low.year, 1);
  EXPECT_EQ(low.month, 1);
  EXPECT_EQ(low.day, 1);
  EXPECT_EQ(DatePart(1e300), 2958465);
  EXPECT_EQ(DatePart(std::nan("")), 0);
}

TEST(DateTimeTest, DateAndTimeParts) {
  EXPECT_EQ(DatePart(45356.7708), 45356);
  EXPECT_EQ(DatePart(-1.25), -1);
  EXPECT_EQ(DatePart(-0.5), 0);
  EXPECT_EQ(DatePart(3.0), 3);
  EXPECT_DOUBLE_EQ(TimePart(-1.25), 0.25);
  EXPECT_DOUBLE_EQ(TimePart(2.75), 0.75);
  EXPECT_DOUBLE_EQ(TimePart(-3.0), 0.0);
  EXPECT_DOUBLE_EQ(TimePart(0.0), 0.0);
  const double t = TimePart(45356.99999999);
  EXPECT_GE(t, 0.0);
  EXPECT_LT(t, 1.0);
}

TEST(TimeTTest, UtcConversions) {
  // The test main runs in UTC.
  EXPECT_DOUBLE_EQ(FromTimeT(0), 25569.0);
  EXPECT_NEAR(FromTimeT(1709663400), At(2024, 3, 5, 18, 30), 1e-9);
  EXPECT_EQ(ToTimeT(At(2024, 3, 5, 18, 30)), 1709663400);
  EXPECT_EQ(ToTimeT(25569.0), 0);
  EXPECT_EQ(ToTimeT(At(1969, 12, 31, 23, 59, 58)), -2);
  // Sub-second parts round to the nearest millisecond and then drop.
  EXPECT_EQ(ToTimeT(At(2024, 3, 5, 18, 30, 0, 999)), 1709663400);
}

TEST(TimeTTest, FollowsTheLocalZoneAcrossDaylightSaving) {
  // A POSIX rule string needs no zone database.
  ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
  // 2024-01-15 12:00 UTC is 13:00 in winter.
  EXPECT_NEAR(FromTimeT(1705320000), At(2024, 1, 15, 13), 1e-9);
  EXPECT_EQ(ToTimeT(At(2024, 1, 15, 13)), 1705320000);
  // 2024-07-15 12:00 UTC is 14:00 in summer.
  EXPECT_NEAR(FromTimeT(1721044800), At(2024, 7, 15, 14), 1e-9);
  EXPECT_EQ(ToTimeT(At(2024, 7, 15, 14)), 1721044800);
  // The local date can differ from the UTC date.
  EXPECT_NEAR(FromTimeT(1704065400), At(2024, 1, 1, 0, 30), 1e-9);
  // Every hour over the spring change maps back to the same instant.
  for (std::time_t t = 1711846800 - 7200; t <= 1711846800 + 7200; t += 900) {
    EXPECT_EQ(ToTimeT(FromTimeT(t)), t) << t;
  }
}

TEST(NamesTest, EnglishNamesAndBounds) {
  EXPECT_EQ(ShortMonthName(1), "Jan");
  EXPECT_EQ(ShortMonthName(12), "Dec");
  EXPECT_EQ(LongMonthName(9), "September");
  EXPECT_EQ(ShortDayName(1), "Sun");
  EXPECT_EQ(ShortDayName(7), "Sat");
  EXPECT_EQ(LongDayName(4), "Wednesday");
  EXPECT_EQ(ShortMonthName(0), "");
  EXPECT_EQ(LongMonthName(13), "");
  EXPECT_EQ(ShortDayName(0), "");
  EXPECT_EQ(LongDayName(8), "");
}

TEST(FormatTest, DateDirectives) {
  const double v = At(2025, 3, 5, 14, 7, 9, 45);
  EXPECT_EQ(FormatDateTime("dddd, mmmm d, yyyy", v),
            "Wednesday, March 5, 2025");
  EXPECT_EQ(FormatDateTime("yyyymmdd", v), "20250305");
  EXPECT_EQ(FormatDateTime("-mmm-d-yyyy", At(2026, 12, 8)), "-Dec-8-2026");
  EXPECT_EQ(FormatDateTime("d dd ddd", v), "5 05 Wed");
  EXPECT_EQ(FormatDateTime("m mm mmm mmmm", v), "3 03 Mar March");
  EXPECT_EQ(FormatDateTime("dd/mm/yy", At(2009, 11, 23)), "23/11/09");
  EXPECT_EQ(FormatDateTime("d", At(2025, 10, 31)), "31");
}

TEST(FormatTest, YearRunLengths) {
  const double v = At(2007, 6, 1);
  EXPECT_EQ(FormatDateTime("y", v), "07");
  EXPECT_EQ(FormatDateTime("yy", v), "07");
  EXPECT_EQ(FormatDateTime("yyy", v), "2007");
  EXPECT_EQ(FormatDateTime("yyyy", v), "2007");
  EXPECT_EQ(FormatDateTime("yyyyy", v), "2007");
  EXPECT_EQ(FormatDateTime("yyyy", At(987, 6, 1)), "0987");
  EXPECT_EQ(FormatDateTime("yy", At(2000, 1, 1)), "00");
}

TEST(FormatTest, WeekdayNamesAcrossAWeek) {
  const char* names[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                         "Thursday", "Friday", "Saturday"};
  // 2024-03-03 was a Sunday.
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(FormatDateTime("dddd", At(2024, 3, 3 + i)), names[i]);
    EXPECT_EQ(FormatDateTime("ddd", At(2024, 3, 3 + i)),
              std::string(names[i]).substr(0, 3));
  }
}

TEST(FormatTest, TimeDirectives24Hour) {
  const double v = At(2025, 3, 5, 14, 7, 9, 45);
  EXPECT_EQ(FormatDateTime("h:nn:ss", v), "14:07:09");
  EXPECT_EQ(FormatDateTime("h:n:s", At(2025, 3, 5, 4, 7, 9)), "4:7:9");
  EXPECT_EQ(FormatDateTime("hh:nn", At(2025, 3, 5, 4, 7)), "04:07");
  EXPECT_EQ(FormatDateTime("z zzz", v), "45 045");
  EXPECT_EQ(FormatDateTime("zzz", At(2025, 3, 5, 0, 0, 0, 7)), "007");
  EXPECT_EQ(FormatDateTime("'at' h:nn", v), "at 14:07");
  EXPECT_EQ(FormatDateTime("hh", At(2025, 3, 5, 0, 30)), "00");
}

TEST(FormatTest, MinutesAfterAnHour) {
  const double v = At(2026, 12, 8, 9, 5, 3);
  EXPECT_EQ(FormatDateTime("hh:mm", v), "09:05");
  EXPECT_EQ(FormatDateTime("h:m", v), "9:5");
  EXPECT_EQ(FormatDateTime("hh mm", v), "09 05");
  // Quoted text between the hour and the minutes does not matter.
  EXPECT_EQ(FormatDateTime("h'h'mm", v), "9h05");
  // Only m right after an hour is a minute; later ones are months again.
  EXPECT_EQ(FormatDateTime("hh:mm dd/mm", v), "09:05 08/12");
  EXPECT_EQ(FormatDateTime("hh:nn:ss mm", v), "09:05:03 12");
  EXPECT_EQ(FormatDateTime("mm/dd hh:mm", v), "12/08 09:05");
  // Without an hour before them, m and mm are months.
  EXPECT_EQ(FormatDateTime("mm:ss", v), "12:03");
  // Month names stay names even after an hour.
  EXPECT_EQ(FormatDateTime("h mmm", v), "9 Dec");
}

TEST(FormatTest, TwelveHourClock) {
  EXPECT_EQ(FormatDateTime("hh:mm:ss AM/PM", At(2026, 12, 8, 9, 5, 3)),
            "09:05:03 AM");
  EXPECT_EQ(FormatDateTime("hh:mm:ss AM/PM", At(2026, 12, 8, 13, 5, 3)),
            "01:05:03 PM");
  EXPECT_EQ(FormatDateTime("h:mm ampm", At(2026, 12, 8, 9)), "9:00 AM");
  EXPECT_EQ(FormatDateTime("h:mm AMPM", At(2026, 12, 8, 21)), "9:00 PM");
  EXPECT_EQ(FormatDateTime("h am/pm", At(2026, 12, 8, 0, 30)), "12 am");
  EXPECT_EQ(FormatDateTime("h am/pm", At(2026, 12, 8, 12, 30)), "12 pm");
  EXPECT_EQ(FormatDateTime("h am/pm", At(2026, 12, 8, 11, 59)), "11 am");
  EXPECT_EQ(FormatDateTime("h am/pm", At(2026, 12, 8, 23)), "11 pm");
  // The mark takes its letters from the pattern.
  EXPECT_EQ(FormatDateTime("h Am/Pm", At(2026, 12, 8, 15)), "3 Pm");
  EXPECT_EQ(FormatDateTime("h aM/pM", At(2026, 12, 8, 3)), "3 aM");
  EXPECT_EQ(FormatDateTime("h a/p", At(2026, 12, 8, 3)), "3 a");
  EXPECT_EQ(FormatDateTime("h A/P", At(2026, 12, 8, 15)), "3 P");
  // The mark switches every hour to 12-hour, also before it in the pattern.
  EXPECT_EQ(FormatDateTime("AM/PM hh", At(2026, 12, 8, 15)), "PM 03");
  EXPECT_EQ(FormatDateTime("h:nn, h am/pm", At(2026, 12, 8, 15, 4)),
            "3:04, 3 pm");
  // A quoted mark is just text and keeps the 24-hour clock.
  EXPECT_EQ(FormatDateTime("h \"am/pm\"", At(2026, 12, 8, 15)), "15 am/pm");
}

TEST(FormatTest, LiteralsAndCase) {
  const double v = At(2025, 3, 5, 14, 7, 9);
  EXPECT_EQ(FormatDateTime("\"day\" d", v), "day 5");
  EXPECT_EQ(FormatDateTime("'Today is' dddd", v), "Today is Wednesday");
  EXPECT_EQ(FormatDateTime("\"it's\" d", v), "it's 5");
  EXPECT_EQ(FormatDateTime("'say \"hi\"'", v), "say \"hi\"");
  EXPECT_EQ(FormatDateTime("''d", v), "5");
  // An unclosed quote runs to the end.
  EXPECT_EQ(FormatDateTime("d 'rest d", v), "5 rest d");
  // Directive letters in any case.
  EXPECT_EQ(FormatDateTime("DD.MM.YYYY HH:NN:SS", v), "05.03.2025 14:07:09");
  EXPECT_EQ(FormatDateTime("Dddd MMMM", v), "Wednesday March");
  // Other characters, letters included, are copied.
  EXPECT_EQ(FormatDateTime("d-x/q!c t", v), "5-x/q!c t");
  EXPECT_EQ(FormatDateTime("a b", v), "a b");
  EXPECT_EQ(FormatDateTime("", v), "");
  EXPECT_EQ(FormatDateTime("d\xC3\xA9", v), "5\xC3\xA9");
}

// Patterns are read once and kept, a few at a time: more patterns than are
// kept, in turns, each still gives its own text.
TEST(FormatTest, ManyPatternsInTurnEachGiveTheirOwnText) {
  const double v = At(2025, 3, 5, 14, 7, 9);
  const std::pair<std::string, std::string> cases[] = {
      {"d", "5"},           {"dd/mm/yyyy", "05/03/2025"}, {"h:nn am/pm", "2:07 pm"},
      {"hh:nn", "14:07"},   {"mmmm", "March"},            {"'at' h", "at 14"},
      {"dddd", "Wednesday"}, {"yy", "25"}};
  for (int round = 0; round < 3; ++round) {
    for (const auto& [pattern, text] : cases) EXPECT_EQ(FormatDateTime(pattern, v), text) << pattern;
    for (auto it = std::rbegin(cases); it != std::rend(cases); ++it) {
      // A pattern made on the spot and gone after the call.
      std::string own = it->first;
      EXPECT_EQ(FormatDateTime(own, v), it->second) << own;
    }
  }
}

TEST(FormatTest, UsesRoundedTimeAndNegativeValues) {
  // 23:59:59.9996 formats as the next day's midnight.
  const double v = EncodeDate(2024, 12, 31) + 86399999.6 / 86400000.0;
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", v),
            "2025-01-01 00:00:00.000");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", -1.25), "1899-12-29 06:00");
  EXPECT_EQ(FormatDateTime("dddd", -1.25), "Friday");
}

}  // namespace
}  // namespace almanix
