#include "cli/invocation.h"

#include <cstdio>
#include <filesystem>

#include "app/text.h"

namespace almanix::cli {

std::optional<DayNumber> ParseDate(const std::string& text) {
  int y = 0, m = 0, d = 0;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) != 3) {
    return std::nullopt;
  }
  if (text.size() != 10 || !IsValidDate(y, m, d)) return std::nullopt;
  return EncodeDate(y, m, d);
}

std::optional<DateTimeValue> ParseDateTime(const std::string& raw) {
  std::string text = Trim(raw);
  if (text.size() <= 10) {
    auto day = ParseDate(text);
    if (!day) return std::nullopt;
    return static_cast<DateTimeValue>(*day);
  }
  auto day = ParseDate(text.substr(0, 10));
  if (!day || (text[10] != ' ' && text[10] != 'T')) return std::nullopt;
  std::string time = Trim(text.substr(11));
  int h = -1, mi = -1;
  char tail = 0;
  if (time.size() != 5 || std::sscanf(time.c_str(), "%2d:%2d%c", &h, &mi, &tail) != 2 ||
      h < 0 || h > 23 || mi < 0 || mi > 59) {
    return std::nullopt;
  }
  return EncodeDateTime({DecodeDate(*day).year, DecodeDate(*day).month,
                         DecodeDate(*day).day, h, mi, 0, 0});
}

std::string DateText(DayNumber day) {
  CivilDate d = DecodeDate(day);
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", d.year, d.month, d.day);
  return buffer;
}

std::string AbsolutePath(const std::string& path) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(path, ec);
  return ec ? path : p.lexically_normal().string();
}

std::optional<std::vector<int>> ParseNumberList(const std::string& text, int low,
                                                int high) {
  std::vector<int> out;
  for (const std::string& part : Split(text, ',')) {
    std::optional<int> n = ParseInt(part);
    if (!n || *n < low || *n > high) return std::nullopt;
    out.push_back(*n);
  }
  return out;
}

}  // namespace almanix::cli
