#include "app/dates.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "app/text.h"

namespace almanix {
namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;
// Day 0 (1899-12-30) counted from 1970-01-01.
constexpr std::int64_t kEpochOffset = 25'569;

// Proleptic Gregorian arithmetic in 64 bits (H. Hinnant's algorithms), so
// that no intermediate value can overflow for any DayNumber.
constexpr std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146'097 + doe - 719'468 + kEpochOffset;
}

constexpr CivilDate CivilFromDays(std::int64_t day) {
  const std::int64_t z = day - kEpochOffset + 719'468;
  const std::int64_t era = (z >= 0 ? z : z - 146'096) / 146'097;
  const std::int64_t doe = z - era * 146'097;
  const std::int64_t yoe =
      (doe - doe / 1460 + doe / 36'524 - doe / 146'096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
  return CivilDate{y, m, d};
}

// The range IsValidDate accepts; decoding clamps to it so that every decoded
// date is a valid one.
constexpr DayNumber kMinDay = static_cast<DayNumber>(DaysFromCivil(1, 1, 1));
constexpr DayNumber kMaxDay =
    static_cast<DayNumber>(DaysFromCivil(9999, 12, 31));

// Monday = 1 .. Sunday = 7.
int IsoWeekday(std::int64_t day) {
  // Day 0 was a Saturday.
  const int r = static_cast<int>(((day % 7) + 7) % 7);  // 0 = Saturday
  return (r + 5) % 7 + 1;
}

constexpr std::array<std::string_view, 12> kShortMonths = {
    "Jan", "Feb", "Mar", "Apr", "May", "Jun",
    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<std::string_view, 12> kLongMonths = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<std::string_view, 7> kShortDays = {
    "Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<std::string_view, 7> kLongDays = {
    "Sunday",   "Monday", "Tuesday", "Wednesday",
    "Thursday", "Friday", "Saturday"};

char ToLowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (ToLowerAscii(text[i]) != prefix[i]) return false;
  }
  return true;
}

enum class TokenKind {
  kLiteral,
  kDay,
  kMonth,
  kYear,
  kHour,
  kMinute,
  kSecond,
  kMillisecond,
  kHalfDayMark,  // "am/pm" or "a/p": the pattern's own letters are output
  kAmPmWord,     // "ampm": always "AM" or "PM"
};

struct Token {
  TokenKind kind = TokenKind::kLiteral;
  int count = 0;          // length of the letter run for directives
  std::string_view text;  // literal text, or the pattern's half-day mark
};

TokenKind KindOfLetter(char lower) {
  switch (lower) {
    case 'd': return TokenKind::kDay;
    case 'm': return TokenKind::kMonth;
    case 'y': return TokenKind::kYear;
    case 'h': return TokenKind::kHour;
    case 'n': return TokenKind::kMinute;
    case 's': return TokenKind::kSecond;
    case 'z': return TokenKind::kMillisecond;
    default: return TokenKind::kLiteral;
  }
}

std::vector<Token> Tokenize(std::string_view pattern) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (i < pattern.size()) {
    const char c = pattern[i];
    const char lower = ToLowerAscii(c);
    if (c == '"' || c == '\'') {
      // An unclosed quote runs to the end of the pattern.
      size_t end = pattern.find(c, i + 1);
      if (end == std::string_view::npos) end = pattern.size();
      tokens.push_back({TokenKind::kLiteral, 0,
                        pattern.substr(i + 1, end - i - 1)});
      i = end + 1;
      continue;
    }
    if (lower == 'a') {
      const std::string_view rest = pattern.substr(i);
      if (StartsWithNoCase(rest, "am/pm")) {
        tokens.push_back({TokenKind::kHalfDayMark, 0, rest.substr(0, 5)});
        i += 5;
      } else if (StartsWithNoCase(rest, "a/p")) {
        tokens.push_back({TokenKind::kHalfDayMark, 0, rest.substr(0, 3)});
        i += 3;
      } else if (StartsWithNoCase(rest, "ampm")) {
        tokens.push_back({TokenKind::kAmPmWord, 0, rest.substr(0, 4)});
        i += 4;
      } else {
        tokens.push_back({TokenKind::kLiteral, 0, rest.substr(0, 1)});
        ++i;
      }
      continue;
    }
    const TokenKind kind = KindOfLetter(lower);
    if (kind == TokenKind::kLiteral) {
      tokens.push_back({TokenKind::kLiteral, 0, pattern.substr(i, 1)});
      ++i;
      continue;
    }
    size_t end = i + 1;
    while (end < pattern.size() && ToLowerAscii(pattern[end]) == lower) ++end;
    tokens.push_back({kind, static_cast<int>(end - i), {}});
    i = end;
  }

  // "hh:mm" means minutes: m or mm whose previous directive was an hour.
  // Literal text in between does not matter; month names stay month names.
  TokenKind previous = TokenKind::kLiteral;
  for (Token& token : tokens) {
    if (token.kind == TokenKind::kLiteral) continue;
    if (token.kind == TokenKind::kMonth && token.count <= 2 &&
        previous == TokenKind::kHour) {
      token.kind = TokenKind::kMinute;
    }
    previous = token.kind;
  }
  return tokens;
}

// A pattern read once: a page formats thousands of dates with the same
// two or three patterns, and reading the pattern cost as much as the rest.
struct ParsedPattern {
  std::string pattern;  // the tokens' texts point into this copy
  std::vector<Token> tokens;
  bool twelve_hour = false;
};

const ParsedPattern& Parsed(std::string_view pattern) {
  constexpr size_t kKept = 4;
  thread_local std::array<ParsedPattern, kKept> kept;
  thread_local size_t made = 0;  // patterns read so far; the oldest goes first
  for (size_t i = 0; i < std::min(made, kKept); ++i) {
    if (kept[i].pattern == pattern) return kept[i];
  }
  ParsedPattern& p = kept[made++ % kKept];
  p.pattern.assign(pattern);
  p.tokens = Tokenize(p.pattern);
  p.twelve_hour = std::any_of(p.tokens.begin(), p.tokens.end(), [](const Token& token) {
    return token.kind == TokenKind::kHalfDayMark || token.kind == TokenKind::kAmPmWord;
  });
  return p;
}

}  // namespace

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30,
                                                31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  if (month == 2 && IsLeapYear(year)) return 29;
  return kDays[static_cast<size_t>(month - 1)];
}

bool IsValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

DayNumber EncodeDate(int year, int month, int day) {
  return static_cast<DayNumber>(DaysFromCivil(year, month, day));
}

CivilDate DecodeDate(DayNumber day) {
  return CivilFromDays(std::clamp(day, kMinDay, kMaxDay));
}

int DayOfWeek(DayNumber day) {
  return IsoWeekday(day) % 7 + 1;
}

int IsoWeekNumber(DayNumber day, int* iso_year) {
  // The week belongs to the year holding its Thursday.
  const std::int64_t thursday =
      static_cast<std::int64_t>(day) - IsoWeekday(day) + 4;
  const int year = CivilFromDays(thursday).year;
  if (iso_year != nullptr) *iso_year = year;
  return static_cast<int>((thursday - DaysFromCivil(year, 1, 1)) / 7 + 1);
}

DateTimeValue EncodeTime(int hour, int minute, int second, int millisecond) {
  const std::int64_t ms = static_cast<std::int64_t>(hour) * 3'600'000 +
                          static_cast<std::int64_t>(minute) * 60'000 +
                          static_cast<std::int64_t>(second) * 1000 +
                          millisecond;
  return static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

DateTimeValue EncodeDateTime(const CivilDateTime& parts) {
  return DayAndTime(
      EncodeDate(parts.year, parts.month, parts.day),
      EncodeTime(parts.hour, parts.minute, parts.second, parts.millisecond));
}

DateTimeValue DayAndTime(DayNumber day, double time) {
  // Before day 0 the time still counts forward from midnight, but the value
  // grows away from zero.
  return day < 0 ? day - time : day + time;
}

CivilDateTime DecodeDateTime(DateTimeValue value) {
  if (!std::isfinite(value)) return CivilDateTime{};
  const double whole = std::trunc(value);
  // Exact: subtracting the integral part of a double loses no bits.
  const double fraction = std::fabs(value - whole);
  std::int64_t ms = std::llround(fraction * static_cast<double>(kMsPerDay));
  std::int64_t day = static_cast<std::int64_t>(
      std::clamp(whole, static_cast<double>(kMinDay),
                 static_cast<double>(kMaxDay)));
  if (ms >= kMsPerDay) {
    // 24:00 is midnight of the following calendar day, whatever the sign.
    if (day < kMaxDay) {
      ++day;
      ms = 0;
    } else {
      ms = kMsPerDay - 1;
    }
  }
  const CivilDate date = CivilFromDays(day);
  CivilDateTime result;
  result.year = date.year;
  result.month = date.month;
  result.day = date.day;
  result.hour = static_cast<int>(ms / 3'600'000);
  result.minute = static_cast<int>(ms / 60'000 % 60);
  result.second = static_cast<int>(ms / 1000 % 60);
  result.millisecond = static_cast<int>(ms % 1000);
  return result;
}

DayNumber DatePart(DateTimeValue value) {
  if (!std::isfinite(value)) return 0;
  return static_cast<DayNumber>(
      std::clamp(std::trunc(value), static_cast<double>(kMinDay),
                 static_cast<double>(kMaxDay)));
}

double TimePart(DateTimeValue value) {
  if (!std::isfinite(value)) return 0.0;
  return std::fabs(value - std::trunc(value));
}

DateTimeValue FromTimeT(std::time_t t) {
  std::tm local{};
  if (localtime_r(&t, &local) == nullptr) return 0.0;
  CivilDateTime parts;
  parts.year = local.tm_year + 1900;
  parts.month = local.tm_mon + 1;
  parts.day = local.tm_mday;
  parts.hour = local.tm_hour;
  parts.minute = local.tm_min;
  // A leap second has no place in a day fraction.
  parts.second = std::min(local.tm_sec, 59);
  return EncodeDateTime(parts);
}

std::time_t ToTimeT(DateTimeValue local) {
  const CivilDateTime parts = DecodeDateTime(local);
  std::tm tm{};
  tm.tm_year = parts.year - 1900;
  tm.tm_mon = parts.month - 1;
  tm.tm_mday = parts.day;
  tm.tm_hour = parts.hour;
  tm.tm_min = parts.minute;
  tm.tm_sec = parts.second;
  tm.tm_isdst = -1;  // let the zone rules decide
  return std::mktime(&tm);
}

std::string_view ShortMonthName(int month) {
  if (month < 1 || month > 12) return {};
  return kShortMonths[static_cast<size_t>(month - 1)];
}

std::string_view LongMonthName(int month) {
  if (month < 1 || month > 12) return {};
  return kLongMonths[static_cast<size_t>(month - 1)];
}

std::string_view ShortDayName(int weekday) {
  if (weekday < 1 || weekday > 7) return {};
  return kShortDays[static_cast<size_t>(weekday - 1)];
}

std::string_view LongDayName(int weekday) {
  if (weekday < 1 || weekday > 7) return {};
  return kLongDays[static_cast<size_t>(weekday - 1)];
}

std::string FormatDateTime(std::string_view pattern, DateTimeValue value) {
  const ParsedPattern& parsed = Parsed(pattern);
  const std::vector<Token>& tokens = parsed.tokens;
  const bool twelve_hour = parsed.twelve_hour;
  const CivilDateTime t = DecodeDateTime(value);
  const bool pm = t.hour >= 12;

  std::string out;
  out.reserve(pattern.size() + 16);
  for (const Token& token : tokens) {
    switch (token.kind) {
      case TokenKind::kLiteral:
        out.append(token.text);
        break;
      case TokenKind::kDay:
        if (token.count <= 2) {
          AppendZeroPadded(out, t.day, token.count);
        } else {
          const int weekday = DayOfWeek(EncodeDate(t.year, t.month, t.day));
          out.append(token.count == 3 ? ShortDayName(weekday)
                                      : LongDayName(weekday));
        }
        break;
      case TokenKind::kMonth:
        if (token.count <= 2) {
          AppendZeroPadded(out, t.month, token.count);
        } else {
          out.append(token.count == 3 ? ShortMonthName(t.month)
                                      : LongMonthName(t.month));
        }
        break;
      case TokenKind::kYear:
        if (token.count <= 2) {
          AppendZeroPadded(out, t.year % 100, 2);
        } else {
          AppendZeroPadded(out, t.year, 4);
        }
        break;
      case TokenKind::kHour: {
        int hour = t.hour;
        if (twelve_hour) {
          hour %= 12;
          if (hour == 0) hour = 12;
        }
        AppendZeroPadded(out, hour, token.count >= 2 ? 2 : 1);
        break;
      }
      case TokenKind::kMinute:
        AppendZeroPadded(out, t.minute, token.count >= 2 ? 2 : 1);
        break;
      case TokenKind::kSecond:
        AppendZeroPadded(out, t.second, token.count >= 2 ? 2 : 1);
        break;
      case TokenKind::kMillisecond:
        AppendZeroPadded(out, t.millisecond, token.count >= 2 ? 3 : 1);
        break;
      case TokenKind::kHalfDayMark:
        // "am/pm" -> "am" or "pm", "a/p" -> "a" or "p", letters as written.
        if (token.text.size() == 5) {
          out.append(token.text.substr(pm ? 3 : 0, 2));
        } else {
          out.append(token.text.substr(pm ? 2 : 0, 1));
        }
        break;
      case TokenKind::kAmPmWord:
        out.append(pm ? "PM" : "AM");
        break;
    }
  }
  return out;
}

}  // namespace almanix
