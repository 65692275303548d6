#pragma once

#include <ctime>
#include <string>
#include <string_view>

// Dates as the stored tables and settings hold them: a day number counts
// whole days since 30 December 1899 (day 0); a date-time value adds the time
// of day as a fraction. Negative values follow the same convention as the
// tables written by the Windows program: the whole part is the day (toward
// zero) and the absolute fraction is the time of day.
namespace almanix {

using DayNumber = int;
using DateTimeValue = double;

struct CivilDate {
  int year = 1899;
  int month = 12;  // 1..12
  int day = 30;    // 1..31
};

struct CivilDateTime {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

bool IsLeapYear(int year);
// REQUIRES: month in 1..12. Returns 28..31.
int DaysInMonth(int year, int month);
// True when year 1..9999, month and day form a real date.
bool IsValidDate(int year, int month, int day);

// REQUIRES: IsValidDate(year, month, day).
DayNumber EncodeDate(int year, int month, int day);
CivilDate DecodeDate(DayNumber day);
// 1 = Sunday .. 7 = Saturday.
int DayOfWeek(DayNumber day);
// ISO 8601 week number (1..53); weeks start on Monday and week 1 holds the
// year's first Thursday. iso_year, when given, receives the week's year.
int IsoWeekNumber(DayNumber day, int* iso_year = nullptr);

// Hours 0..23, minutes and seconds 0..59, milliseconds 0..999.
DateTimeValue EncodeTime(int hour, int minute, int second, int millisecond);
DateTimeValue EncodeDateTime(const CivilDateTime& parts);
// A day and a time of day (0 <= time < 1) as one value; before day 0 the
// time is subtracted, since there the value grows away from zero.
DateTimeValue DayAndTime(DayNumber day, double time);
// Milliseconds are rounded to the nearest; a value that rounds to 24:00
// becomes midnight of the next day.
CivilDateTime DecodeDateTime(DateTimeValue value);
// The whole-day part of the value (toward zero).
DayNumber DatePart(DateTimeValue value);
// The time-of-day fraction, 0 <= fraction < 1.
double TimePart(DateTimeValue value);

// Local time of the process's zone (TZ) to a date-time value and back.
DateTimeValue FromTimeT(std::time_t t);
std::time_t ToTimeT(DateTimeValue local);

// English names; month 1..12, weekday 1 (Sunday) .. 7.
std::string_view ShortMonthName(int month);
std::string_view LongMonthName(int month);
std::string_view ShortDayName(int weekday);
std::string_view LongDayName(int weekday);

// Formats a date-time value by a pattern of the Windows program:
//   d dd ddd dddd   day, two-digit day, short and long weekday name
//   m mm mmm mmmm   month, two-digit month, short and long month name
//                   (m or mm right after an hour directive means minutes)
//   yy yyyy         two- and four-digit year
//   h hh            hour (12-hour when the pattern holds am/pm or ampm)
//   n nn            minutes;  s ss  seconds;  z zzz  milliseconds
//   am/pm AM/PM a/p ampm   the half-day mark in the pattern's case;
//                   "ampm" gives AM or PM
//   "..." '...'     literal text
// Any other character is copied. Names are English.
std::string FormatDateTime(std::string_view pattern, DateTimeValue value);

}  // namespace almanix
